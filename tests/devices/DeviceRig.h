#pragma once
// Every device of the microscope on a simulated controller line of either type (9600 baud, a
// clock that moves only when the program waits or the line carries bytes), with its device files
// in a private program folder. Units are named by their role, the IM483I address: X Y Z F B S T C
// (stage, focus, wheels 1 and 2, slide, turret, cube); an EZHR17 line numbers them 1 to 8.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "controllers/Comm.h"
#include "controllers/MotorControllers.h"
#include "devices/Focus.h"
#include "devices/Indexers.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"
#include "foundation/KeywordFiles.h"
#include "foundation/SharedState.h"
#include "sim/Faults.h"
#include "sim/Line.h"
#include "sim/Loopback.h"
#include "sim/SimConfig.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/ResultNames.h"

namespace qv::test {

using Frames = std::vector<std::string>;
using DeviceFile = std::vector<std::pair<std::string, std::string>>;  // in file order
using sim::ControllerType;

class BothTypes : public ::testing::TestWithParam<ControllerType> {};
#define QV_ON_BOTH_TYPES(Suite)                                                        \
  INSTANTIATE_TEST_SUITE_P(                                                            \
      Types, Suite, ::testing::Values(ControllerType::EZHR17, ControllerType::IM483I), \
      [](const auto& type) { return type.param == ControllerType::EZHR17 ? "EZHR17" : "IM483I"; })

inline void WriteKeys(const std::string& path, const DeviceFile& keys) {
  std::string text;
  for (const auto& [key, value] : keys)
    text += "\"" + key + "\"," + value + "\r\n";
  PutBytes(path, text);
}

// The frames without status polls, repeated input reads counted once.
inline Frames Commands(const Frames& frames) {
  Frames kept;
  for (const std::string& f : frames) {
    if (f.ends_with("Q") || f.ends_with("^")) continue;
    if (!kept.empty() && kept.back() == f) continue;
    kept.push_back(f);
  }
  return kept;
}

// Values of mixed numeric types, to compare a group of fields at once.
template <class... T>
std::vector<double> Numbers(T... values) {
  return {static_cast<double>(values)...};
}

// "KEY=value" items, in order, with "@" in a key standing for `prefix`.
inline DeviceFile Entries(const std::string& text, const std::string& prefix = "") {
  DeviceFile file;
  std::istringstream in(text);
  for (std::string item; in >> item;) {
    const size_t eq = item.find('=');
    std::string key = item.substr(0, eq);
    if (key.starts_with('@')) key = prefix + key.substr(1);
    file.push_back({key, item.substr(eq + 1)});
  }
  return file;
}

// Events a wait lets run: what the test hooks in (a unit falling silent mid-way, say).
struct HookedPump : EventPump {
  std::function<void()> hook;
  void DoEvents() override {
    if (hook) hook();
  }
};

// The files are written and the line brought up at the first use of a device, so a test may
// change `files` or the simulated mechanics (`Tweak`) first.
class Rig {
 public:
  explicit Rig(ControllerType t)
      : type(t), contrType(t == ControllerType::EZHR17 ? "EZHR17" : "IM483I") {
    keywordFiles.SetParDir(folder.Dir());
    const auto contr = [&](const char* key, char role) {
      return std::string(key) + "=" + Address(role) + " ";
    };
    // 0.625 microns per microstep on X and Y, 0.0625 on Z; the home speeds point to the low end.
    files["XY"] = Entries(
        contr("XCONTR", 'X') + contr("YCONTR", 'Y') +
        "XSCREWLEAD=1 YSCREWLEAD=1 XMOTORSTEPS=200 YMOTORSTEPS=200 XSTEPDIVIDE=3 YSTEPDIVIDE=3 "
        "XHOLDCURRENT=10 YHOLDCURRENT=12 XRUNCURRENT=50 YRUNCURRENT=60 XSLEWVELOCITY=8000 "
        "YSLEWVELOCITY=7000 XINITVELOCITY=400 YINITVELOCITY=500 XACCELERATION=20 "
        "YACCELERATION=25 XDECELERATION=30 YDECELERATION=35 XBACKLASH=5 YBACKLASH=2 "
        "XHOMESPEED=-4000 YHOMESPEED=-3000 XYMOVEOUT=-800 XYJUMPSIZE=50 XJOYMAXSPEED=5000 "
        "YJOYMAXSPEED=4000 XYLIMPOLARITY=0 XYOUTOFHOMEUM=100 XYJOGSPEEDLOW=25 XYJOGSPEEDHIGH=250");
    files["Z"] = Entries(
        contr("ZCONTR", 'Z') +
        "ZSTROKEPERROT=0.2 ZMOTORSTEPS=200 ZSTEPDIVIDE=4 ZHOLDCURRENT=5 ZRUNCURRENT=40 "
        "ZSLEWVELOCITY=4000 ZINITVELOCITY=300 ZACCELERATION=15 ZDECELERATION=16 ZJOGSPEEDLOW=10 "
        "ZJOGSPEEDHIGH=100 ZBACKLASH=1 ZJUMPSIZE=1 ZCOARSEFACTOR=10 ZJOYMAXSPEED=1000 "
        "ZHOMESPEED=-5000 ZPOWERUPORIGIN=800 ZLIMPOLARITY=1 ZENABLELIMITS=1");
    for (const char* w : {"W1", "W2"})
      files[w] = Entries(contr("@CONTR", w[1] == '1' ? 'F' : 'B') +
                             "@STEPDIVIDE=3 @HOLDCURRENT=10 @RUNCURRENT=50 @SLEWVELOCITY=8000 "
                             "@INITVELOCITY=500 @ACCELERATION=20 @DECELERATION=25 "
                             "@JOGSPEEDLOW=15 @JOGSPEEDHIGH=60 @MSTEPSPERFILT=1600 "
                             "@OFFSETHOME=200 @FILTPOSITIONS=6 @HOMESPEED=-2000",
                         w);
    // 1600 microsteps a unit (1 unit per turn, 200 steps, divide 3); the turret turns 360
    // degrees a motor turn. 4 cubes 2 units (3200 microsteps) apart, cube 1 0.25 units (400
    // microsteps) past the index.
    for (const auto& [name, role] : {std::pair{"S", 'S'}, {"T", 'T'}, {"CUBE", 'C'}})
      files[name] = Entries(contr("@CONTR", role) + (role == 'T' ? "" : "@STROKEPERROT=1 ") +
                                "@MOTORSTEPS=200 @STEPDIVIDE=3 @HOLDCURRENT=5 @RUNCURRENT=40 "
                                "@SLEWVELOCITY=6000 @INITVELOCITY=400 @ACCELERATION=30 "
                                "@DECELERATION=35 @HOMESPEED=-3000" +
                                (role == 'C' ? " @POSITIONS=4 @SHIFTDIST=2 @1OFFSET=0.25" : ""),
                            name);
  }
  bool Ez() const { return type == ControllerType::EZHR17; }
  char Address(char role) const {
    return Ez() ? static_cast<char>('1' + std::string("XYZFBSTC").find(role)) : role;
  }
  // The key's line in QV_PAR<name>.TXT becomes `value` (added at the end when there is none).
  void Set(const std::string& name, const std::string& key, const std::string& value) {
    Drop(name, {key});
    files[name].push_back({key, value});
  }
  void Drop(const std::string& name, std::initializer_list<std::string> keys) {
    for (const std::string& key : keys)
      std::erase_if(files[name], [&](const auto& entry) { return entry.first == key; });
  }

  Rig& Build() {
    if (built_) return *this;
    built_ = true;
    WriteKeys(folder.File("QV_CONFIG.TXT"), {{"CONTRTYPE", contrType}});
    for (const auto& [name, file] : files)
      if (!file.empty()) WriteKeys(folder.File("QV_PAR" + name + ".TXT"), file);
    plan = sim::ReadLinePlan(folder.Dir());
    for (const auto& tweak : tweaks)
      tweak(plan);
    sim::AddUnits(line, plan);
    port.Open("/dev/ttyS0");
    comm.CommInit();
    comm.CommSetTimeout(200);
    mot.MotorInitChannel();
    mot.MotorSetMoveTimeout(60);
    return *this;
  }
  Stage& XY() { return Build().stage_; }
  Focus& Z() { return Build().focus_; }
  Wheels& W() { return Build().wheels_; }
  Cube& C() { return Build().cube_; }
  Slide& S() { return Build().slide_; }
  Turret& T() { return Build().turret_; }

  sim::Unit& Unit(char role) { return *Build().line.FindUnit(Address(role)); }
  sim::UnitState State(char role) { return Unit(role).State(clock.Now()); }
  const sim::UnitPlan& Plan(char role) {
    return *std::ranges::find(Build().plan.units, Address(role), &sim::UnitPlan::address);
  }
  // The numbered position in the beam (0 between positions), within the index's width.
  int InBeam(char role) {
    const sim::UnitPlan& unit = Plan(role);
    return sim::PositionAt(unit, State(role).load, unit.axis.sensorWidth + 30);
  }
  // The frames received since the last call, and forget them.
  Frames Take() {
    Build();
    Frames frames(line.Frames().begin(), line.Frames().end());
    line.ClearFrames();
    return frames;
  }
  void Fault(char role, sim::FaultKind kind = sim::FaultKind::NoReply, int count = -1) {
    sim::Fault fault = sim::DefaultFault(kind);
    fault.count = count;
    Build().line.SetFault(Address(role), fault);
  }
  // Changes the simulated unit of a role before the line comes up.
  void Tweak(char role, std::function<void(sim::UnitPlan&)> change) {
    tweaks.push_back([=, address = Address(role)](sim::LinePlan& units) {
      for (sim::UnitPlan& unit : units.units)
        if (unit.address == address) change(unit);
    });
  }
  void KillSensor(char role, sim::Sensor sensor) {
    Tweak(role, [=](sim::UnitPlan& unit) { unit.axis.deadSensors |= sim::SensorBit(sensor); });
  }

  void InitStage() {
    ASSERT_EQ(XY().XYInit(), kDone);
    ASSERT_EQ(Z().ZInit(), kDone);
    Take();
  }
  // Initialises every indexing device as start-up does and sets the ready flags; the focus the
  // wheels shift counts as ready.
  void InitAll() {
    Build();
    ready[DeviceId::Z] = 1;
    ready[DeviceId::W1] = wheels_.Init(1).ok() ? 1 : 0;
    ready[DeviceId::W2] = wheels_.Init(2).ok() ? 1 : 0;
    ready[DeviceId::Slide] = slide_.Init().ok() ? 1 : 0;
    ready[DeviceId::Turret] = turret_.Init().ok() ? 1 : 0;
    ready[DeviceId::Cube] = cube_.Init().ok() ? 1 : 0;
  }

  ControllerType type;
  std::string contrType;
  std::map<std::string, DeviceFile> files;  // by the name in QV_PAR<name>.TXT; empty: no file
  std::vector<std::function<void(sim::LinePlan&)>> tweaks;
  TempFolder folder;
  sim::LinePlan plan;
  sim::Line line{type, sim::LineOptions{.baud = 9600}};
  sim::SimClock clock;
  sim::LoopbackPort port{line, clock};
  Comm comm{port, clock};
  HookedPump pump;
  int16_t pollMs = 50;  // ms between status polls of a wait; the drivers keep a reference
  MotorControllers mot{comm, clock, pump, contrType, pollMs};
  RecordingNotifier notifier;
  KeywordFiles keywordFiles{notifier};
  DeviceFlags ready;

 private:
  bool built_ = false;
  Stage stage_{keywordFiles, notifier, mot, clock, pump};
  Focus focus_{keywordFiles, notifier, mot, clock};
  // The wheels shift the focus on the Z unit (0.0625 microns a microstep) directly.
  FocusLink link_{
      [this](double microns) { return mot.MotorMoveRel(Address('Z'), microns / 0.0625); },
      [this] { return mot.MotorWaitMoveEnd(Address('Z')); }};
  Wheels wheels_{keywordFiles, mot, comm, ready, link_};
  Cube cube_{keywordFiles, notifier, mot};
  Slide slide_{keywordFiles, notifier, mot};
  Turret turret_{keywordFiles, notifier, mot};
};

class RigTypes : public BothTypes {
 protected:
  Rig rig{GetParam()};
  Frames Expect(Frames ez, Frames ims) const { return rig.Ez() ? ez : ims; }
};

}  // namespace qv::test
