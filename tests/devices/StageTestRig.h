#pragma once
// The stage and the focus on a simulated controller line of either type, with device files in
// a private program folder. The clock moves only when the program waits or the line carries
// bytes (9600 baud), so homing runs take no real time.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "controllers/Comm.h"
#include "controllers/MotCon.h"
#include "devices/Focus.h"
#include "devices/Stage.h"
#include "sim/Line.h"
#include "sim/Loopback.h"
#include "sim/SimConfig.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test {

using Keys = std::map<std::string, std::string>;

inline bool IsEz(sim::ControllerType type) {
  return type == sim::ControllerType::EZHR17;
}

// 0.625 microns per microstep on X and Y, 0.0625 on Z; the home speeds point to the low end.
inline Keys XYKeys(sim::ControllerType type) {
  return {{"XCONTR", IsEz(type) ? "1" : "X"},
          {"YCONTR", IsEz(type) ? "2" : "Y"},
          {"XSCREWLEAD", "1"},
          {"YSCREWLEAD", "1"},
          {"XMOTORSTEPS", "200"},
          {"YMOTORSTEPS", "200"},
          {"XSTEPDIVIDE", "3"},
          {"YSTEPDIVIDE", "3"},
          {"XHOLDCURRENT", "10"},
          {"YHOLDCURRENT", "12"},
          {"XRUNCURRENT", "50"},
          {"YRUNCURRENT", "60"},
          {"XSLEWVELOCITY", "8000"},
          {"YSLEWVELOCITY", "7000"},
          {"XINITVELOCITY", "400"},
          {"YINITVELOCITY", "500"},
          {"XACCELERATION", "20"},
          {"YACCELERATION", "25"},
          {"XDECELERATION", "30"},
          {"YDECELERATION", "35"},
          {"XBACKLASH", "5"},
          {"YBACKLASH", "2"},
          {"XHOMESPEED", "-4000"},
          {"YHOMESPEED", "-3000"},
          {"XYMOVEOUT", "-800"},
          {"XYJUMPSIZE", "50"},
          {"XJOYMAXSPEED", "5000"},
          {"YJOYMAXSPEED", "4000"},
          {"XYLIMPOLARITY", "0"},
          {"XYOUTOFHOMEUM", "100"},
          {"XYJOGSPEEDLOW", "25"},
          {"XYJOGSPEEDHIGH", "250"}};
}

inline Keys ZKeys(sim::ControllerType type) {
  return {{"ZCONTR", IsEz(type) ? "3" : "Z"},
          {"ZSTROKEPERROT", "0.2"},
          {"ZMOTORSTEPS", "200"},
          {"ZSTEPDIVIDE", "4"},
          {"ZHOLDCURRENT", "5"},
          {"ZRUNCURRENT", "40"},
          {"ZSLEWVELOCITY", "4000"},
          {"ZINITVELOCITY", "300"},
          {"ZACCELERATION", "15"},
          {"ZDECELERATION", "16"},
          {"ZJOGSPEEDLOW", "10"},
          {"ZJOGSPEEDHIGH", "100"},
          {"ZBACKLASH", "1"},
          {"ZJUMPSIZE", "1"},
          {"ZCOARSEFACTOR", "10"},
          {"ZJOYMAXSPEED", "1000"},
          {"ZHOMESPEED", "-5000"},
          {"ZPOWERUPORIGIN", "800"},
          {"ZLIMPOLARITY", "1"},
          {"ZENABLELIMITS", "1"}};
}

inline void WriteKeys(const std::string& path, const Keys& keys) {
  std::string text;
  for (const auto& [key, value] : keys)
    text += "\"" + key + "\"," + value + "\r\n";
  PutBytes(path, text);
}

// Construction writes the files; Build() (called by the first use) brings up the line, so a
// test may change keys or the simulated mechanics first.
class StageRig {
 public:
  explicit StageRig(sim::ControllerType type)
      : xy(XYKeys(type)),
        z(ZKeys(type)),
        type_(type),
        contrType_(IsEz(type) ? "EZHR17" : "IM483I") {
    trapar_.SetParDir(folder_.Dir());
  }

  Keys xy;
  Keys z;
  // Changes the simulated units before they are added (address, mechanics).
  std::function<void(sim::LinePlan&)> tweak;

  void Build() {
    if (built_) return;
    built_ = true;
    WriteKeys(folder_.File("QV_CONFIG.TXT"), {{"CONTRTYPE", contrType_}});
    WriteKeys(folder_.File("QV_PARXY.TXT"), xy);
    WriteKeys(folder_.File("QV_PARZ.TXT"), z);
    plan_ = sim::ReadLinePlan(folder_.Dir());
    if (tweak) tweak(plan_);
    sim::AddUnits(line_, plan_);
    port_.Open("/dev/ttyS0");
    comm_.CommInit();
    comm_.CommSetTimeout(200);
    mot_.MotorInitChannel();
    mot_.MotorSetMoveTimeout(60);
  }

  Stage& XY() {
    Build();
    return stage_;
  }
  Focus& Z() {
    Build();
    return focus_;
  }
  MotCon& Mot() {
    Build();
    return mot_;
  }
  sim::Line& Line() {
    Build();
    return line_;
  }
  sim::SimClock& Clock() { return clock_; }
  sim::Unit& Unit(char role) { return *Line().FindUnit(Address(role)); }
  sim::UnitState State(char role) { return Unit(role).State(clock_.Now()); }
  char Address(char role) const {
    if (role == 'X') return IsEz(type_) ? '1' : 'X';
    if (role == 'Y') return IsEz(type_) ? '2' : 'Y';
    return IsEz(type_) ? '3' : 'Z';
  }
  // The frames received since the last call, and forget them.
  std::vector<std::string> Frames() {
    std::vector<std::string> frames(Line().Frames().begin(), Line().Frames().end());
    line_.ClearFrames();
    return frames;
  }
  std::string Log() const { return comm_.CommLogText(); }
  bool Ez() const { return IsEz(type_); }
  RecordingNotifier& Notifier() { return notifier_; }
  std::string File(const std::string& name) const { return folder_.File(name); }

 private:
  sim::ControllerType type_;
  std::string contrType_;
  bool built_ = false;
  TempFolder folder_;
  sim::LinePlan plan_;
  sim::Line line_{type_, sim::LineOptions{.baud = 9600}};
  sim::SimClock clock_;
  sim::LoopbackPort port_{line_, clock_};
  qv::Comm comm_{port_, clock_};
  EventPump pump_;
  int16_t pollMs_ = 50;  // ms between status polls of an EZHR17 wait
  MotCon mot_{comm_, clock_, pump_, contrType_, pollMs_};
  RecordingNotifier notifier_;
  Trapar trapar_{notifier_};
  Stage stage_{trapar_, notifier_, mot_, clock_, pump_, contrType_};
  Focus focus_{trapar_, notifier_, mot_, clock_, contrType_};
};

// Every device test runs on both controller types.
class BothTypes : public ::testing::TestWithParam<sim::ControllerType> {
 protected:
  StageRig rig{GetParam()};
};

inline std::string TypeName(const ::testing::TestParamInfo<sim::ControllerType>& info) {
  return IsEz(info.param) ? "EZHR17" : "IM483I";
}

}  // namespace qv::test
