#pragma once
// Devices on a simulated controller line of either type, with device files in a private program
// folder. The clock moves only when the program waits or the line carries bytes (9600 baud), so
// homing runs take no real time. StageRig carries the stage and focus, IndexerRig the wheels,
// cube changer, slide and turret (with the Z unit as the focus a filter change shifts).
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "controllers/Comm.h"
#include "controllers/MotCon.h"
#include "devices/Focus.h"
#include "devices/Indexers.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"
#include "foundation/SharedState.h"
#include "foundation/Trapar.h"
#include "sim/Faults.h"
#include "sim/Line.h"
#include "sim/Loopback.h"
#include "sim/SimConfig.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test {

using Frames = std::vector<std::string>;
using Keys = std::map<std::string, std::string>;
using DeviceFile = std::vector<std::pair<std::string, std::string>>;  // in file order
using Tweak = std::function<void(sim::LinePlan&)>;
using sim::ControllerType;

inline bool IsEz(ControllerType type) {
  return type == ControllerType::EZHR17;
}
inline std::string TypeName(const ::testing::TestParamInfo<ControllerType>& info) {
  return IsEz(info.param) ? "EZHR17" : "IM483I";
}

// Every parameterised device test runs on both controller types.
class BothTypes : public ::testing::TestWithParam<ControllerType> {};
#define QV_ON_BOTH_TYPES(Suite) \
  INSTANTIATE_TEST_SUITE_P(     \
      Types, Suite, ::testing::Values(ControllerType::EZHR17, ControllerType::IM483I), TypeName)

template <class KeyValues>
void WriteKeys(const std::string& path, const KeyValues& keys) {
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

inline bool Has(const Frames& frames, const std::string& f) {
  return std::find(frames.begin(), frames.end(), f) != frames.end();
}

// Gives the units at `addresses` sensors that never respond.
inline Tweak KillSensors(std::vector<char> addresses, unsigned sensors, Tweak previous = {}) {
  return [=](sim::LinePlan& plan) {
    if (previous) previous(plan);
    for (sim::UnitPlan& unit : plan.units) {
      for (char a : addresses)
        if (unit.address == a) unit.axis.deadSensors |= sensors;
    }
  };
}

// The line, the controller dispatch and the parameter store over the program folder.
class SimRig {
 public:
  explicit SimRig(ControllerType t) : type(t), contrType(IsEz(t) ? "EZHR17" : "IM483I") {
    trapar.SetParDir(folder.Dir());
  }
  bool Ez() const { return IsEz(type); }
  std::string File(const std::string& name) const { return folder.File(name); }
  sim::Unit& UnitAt(char a) { return *line.FindUnit(a); }
  sim::UnitState StateAt(char a) { return UnitAt(a).State(clock.Now()); }
  // The frames received since the last call, and forget them.
  Frames TakeFrames() {
    Frames frames(line.Frames().begin(), line.Frames().end());
    line.ClearFrames();
    return frames;
  }

  ControllerType type;
  std::string contrType;
  TempFolder folder;
  sim::LinePlan plan;
  sim::Line line{type, sim::LineOptions{.baud = 9600}};
  sim::SimClock clock;
  sim::LoopbackPort port{line, clock};
  Comm comm{port, clock};
  EventPump pump;
  int16_t pollMs = 50;  // ms between status polls of an EZHR17 wait
  MotCon mot{comm, clock, pump, contrType, pollMs};
  RecordingNotifier notifier;
  Trapar trapar{notifier};

 protected:
  // Writes the config file, then brings up the units of the device files, changed by `tweak`.
  void Start(const Tweak& tweak, int moveTimeout) {
    WriteKeys(folder.File("QV_CONFIG.TXT"), Keys{{"CONTRTYPE", contrType}});
    plan = sim::ReadLinePlan(folder.Dir());
    if (tweak) tweak(plan);
    sim::AddUnits(line, plan);
    port.Open("/dev/ttyS0");
    comm.CommInit();
    comm.CommSetTimeout(200);
    mot.MotorInitChannel();
    mot.MotorSetMoveTimeout(moveTimeout);
  }
};

// --- Stage and focus ---

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

// 0.625 microns per microstep on X and Y, 0.0625 on Z; the home speeds point to the low end.
inline Keys XYKeys(ControllerType type) {
  const DeviceFile file = Entries(
      "XSCREWLEAD=1 YSCREWLEAD=1 XMOTORSTEPS=200 YMOTORSTEPS=200 XSTEPDIVIDE=3 YSTEPDIVIDE=3 "
      "XHOLDCURRENT=10 YHOLDCURRENT=12 XRUNCURRENT=50 YRUNCURRENT=60 XSLEWVELOCITY=8000 "
      "YSLEWVELOCITY=7000 XINITVELOCITY=400 YINITVELOCITY=500 XACCELERATION=20 YACCELERATION=25 "
      "XDECELERATION=30 YDECELERATION=35 XBACKLASH=5 YBACKLASH=2 XHOMESPEED=-4000 "
      "YHOMESPEED=-3000 XYMOVEOUT=-800 XYJUMPSIZE=50 XJOYMAXSPEED=5000 YJOYMAXSPEED=4000 "
      "XYLIMPOLARITY=0 XYOUTOFHOMEUM=100 XYJOGSPEEDLOW=25 XYJOGSPEEDHIGH=250");
  Keys keys(file.begin(), file.end());
  keys["XCONTR"] = IsEz(type) ? "1" : "X";
  keys["YCONTR"] = IsEz(type) ? "2" : "Y";
  return keys;
}

inline Keys ZKeys(ControllerType type) {
  const DeviceFile file = Entries(
      "ZSTROKEPERROT=0.2 ZMOTORSTEPS=200 ZSTEPDIVIDE=4 ZHOLDCURRENT=5 ZRUNCURRENT=40 "
      "ZSLEWVELOCITY=4000 ZINITVELOCITY=300 ZACCELERATION=15 ZDECELERATION=16 ZJOGSPEEDLOW=10 "
      "ZJOGSPEEDHIGH=100 ZBACKLASH=1 ZJUMPSIZE=1 ZCOARSEFACTOR=10 ZJOYMAXSPEED=1000 "
      "ZHOMESPEED=-5000 ZPOWERUPORIGIN=800 ZLIMPOLARITY=1 ZENABLELIMITS=1");
  Keys keys(file.begin(), file.end());
  keys["ZCONTR"] = IsEz(type) ? "3" : "Z";
  return keys;
}

// The files are written and the line brought up at the first use, so a test may change keys
// or the simulated mechanics (`tweak`) first. Units are named by role: 'X', 'Y' or 'Z'.
class StageRig : public SimRig {
 public:
  explicit StageRig(ControllerType t) : SimRig(t), xy(XYKeys(t)), z(ZKeys(t)) {}
  Keys xy;
  Keys z;
  Tweak tweak;

  Stage& XY() { return Build(), stage_; }
  Focus& Z() { return Build(), focus_; }
  MotCon& Mot() { return Build(), mot; }
  sim::Line& Line() { return Build(), line; }
  sim::SimClock& Clock() { return clock; }
  RecordingNotifier& Notifier() { return notifier; }
  sim::Unit& Unit(char role) { return Build(), UnitAt(Address(role)); }
  sim::UnitState State(char role) { return Unit(role).State(clock.Now()); }
  test::Frames Frames() { return Build(), TakeFrames(); }
  char Address(char role) const {
    if (!Ez()) return role;
    return role == 'X' ? '1' : role == 'Y' ? '2' : '3';
  }
  void NoReply(char role) { Fault(role, sim::FaultKind::NoReply); }
  void Fault(char role, sim::FaultKind kind, int count = -1) {
    sim::Fault fault = sim::DefaultFault(kind);
    fault.count = count;
    Line().SetFault(Address(role), fault);
  }
  // Makes a sensor of a role's unit never respond.
  void KillSensor(char role, sim::Sensor sensor) {
    tweak = KillSensors({Address(role)}, sim::SensorBit(sensor), tweak);
  }
  // A home search of the role's axis ends without its home input and without a limit: the
  // sensor never responds and the travel is too short (10 mm) for the search to reach an end.
  void HomeNeverFound(char role) {
    KillSensor(role, sim::Sensor::Home);
    tweak = [address = Address(role), previous = tweak](sim::LinePlan& units) {
      previous(units);
      for (sim::UnitPlan& unit : units.units) {
        if (unit.address != address) continue;
        unit.axis.travel = 16000;
        unit.axis.startPosition = 8000;
      }
    };
  }

 private:
  void Build() {
    if (built_) return;
    built_ = true;
    WriteKeys(folder.File("QV_PARXY.TXT"), xy);
    WriteKeys(folder.File("QV_PARZ.TXT"), z);
    Start(tweak, 60);
  }
  bool built_ = false;
  Stage stage_{trapar, notifier, mot, clock, pump, contrType};
  Focus focus_{trapar, notifier, mot, clock, contrType};
};

// A stage rig per controller type.
class StageTypes : public BothTypes {
 protected:
  StageRig rig{GetParam()};
  ::qv::test::Frames Expect(::qv::test::Frames ez, ::qv::test::Frames ims) const {
    return rig.Ez() ? ez : ims;
  }
};

// --- Indexing devices ---

// Unit addresses: EZHR17 units by number, IM483I units by name character.
struct Addresses {
  char w1, w2, z, slide, turret, cube;
};
inline Addresses AddressesOf(ControllerType type) {
  if (IsEz(type)) return {'4', '5', '3', '6', '7', '8'};
  return {'F', 'B', 'Z', 'S', 'T', 'C'};
}

inline DeviceFile WheelFile(int n, char address) {
  return Entries(std::string("@CONTR=") + address +
                     " @STEPDIVIDE=3 @HOLDCURRENT=10 @RUNCURRENT=50 @SLEWVELOCITY=8000 "
                     "@INITVELOCITY=500 @ACCELERATION=20 @DECELERATION=25 @JOGSPEEDLOW=15 "
                     "@JOGSPEEDHIGH=60 @MSTEPSPERFILT=1600 @OFFSETHOME=200 @FILTPOSITIONS=6 "
                     "@HOMESPEED=-2000",
                 "W" + std::to_string(n));
}

// 1600 microsteps a unit (1 unit per turn, 200 steps, divide 3).
inline DeviceFile DriveFile(const std::string& p, char address) {
  return Entries(std::string("@CONTR=") + address +
                     " @STROKEPERROT=1 @MOTORSTEPS=200 @STEPDIVIDE=3 @HOLDCURRENT=5 @RUNCURRENT=40 "
                     "@SLEWVELOCITY=6000 @INITVELOCITY=400 @ACCELERATION=30 @DECELERATION=35 "
                     "@HOMESPEED=-3000",
                 p);
}

// 4 cubes 2 units (3200 microsteps) apart, cube 1 0.25 units (400 microsteps) past the index.
inline DeviceFile CubeFile(char address) {
  DeviceFile file = DriveFile("CUBE", address);
  for (const auto& entry : Entries("CUBEPOSITIONS=4 CUBESHIFTDIST=2 CUBE1OFFSET=0.25"))
    file.push_back(entry);
  return file;
}

inline DeviceFile TurretFile(char address) {
  DeviceFile file = DriveFile("T", address);
  file.erase(file.begin() + 1);  // the turret turns 360 degrees a motor turn
  return file;
}

// `file` without each of `keys`.
inline DeviceFile Without(DeviceFile file, std::initializer_list<std::string> keys) {
  for (const std::string& key : keys)
    std::erase_if(file, [&](const auto& entry) { return entry.first == key; });
  return file;
}
inline DeviceFile With(DeviceFile file, const std::string& key, const std::string& value) {
  file = Without(file, {key});
  file.push_back({key, value});
  return file;
}

inline constexpr double kZUmPerStep = 0.625;  // microns per microstep of the rig's Z file

struct IndexerRig : SimRig {
  // `files` replace (or, mapped to an empty file list, leave out) the default device files.
  explicit IndexerRig(ControllerType t, std::map<std::string, DeviceFile> files = {},
                      const Tweak& tweak = {})
      : SimRig(t), address(AddressesOf(t)) {
    std::map<std::string, DeviceFile> all{
        {"QV_PARW1.TXT", WheelFile(1, address.w1)},
        {"QV_PARW2.TXT", WheelFile(2, address.w2)},
        {"QV_PARS.TXT", DriveFile("S", address.slide)},
        {"QV_PART.TXT", TurretFile(address.turret)},
        {"QV_PARCUBE.TXT", CubeFile(address.cube)},
        {"QV_PARZ.TXT",  // 0.625 microns a microstep
         Entries(std::string("ZCONTR=") + address.z +
                 " ZSTROKEPERROT=1 ZMOTORSTEPS=200 ZSTEPDIVIDE=3")}};
    for (const auto& [name, file] : files)
      all[name] = file;
    for (const auto& [name, file] : all)
      if (!file.empty()) WriteKeys(folder.File(name), file);
    Start(tweak, 30);
    wheels = std::make_unique<Wheels>(trapar, mot, comm, contrType, ready, FocusLinkToZ());
    cube = std::make_unique<Cube>(trapar, notifier, mot);
    slide = std::make_unique<Slide>(trapar, notifier, mot);
    turret = std::make_unique<Turret>(trapar, notifier, mot);
  }
  // A rig whose units at `dead` never see their home (or index) sensor.
  static Tweak Dead(ControllerType t, std::vector<char> dead) {
    return [=](sim::LinePlan& plan) {
      for (sim::UnitPlan& unit : plan.units) {
        for (char a : dead) {
          if (unit.address != a) continue;
          const bool linearEz = unit.axis.kind == sim::AxisKind::Linear && IsEz(t);
          unit.axis.deadSensors = sim::SensorBit(sim::Sensor::Home) |
                                  (linearEz ? sim::SensorBit(sim::Sensor::Low) : 0u);
        }
      }
    };
  }

  // Initialises every device as start-up does and sets the ready flags; the focus the wheels
  // shift counts as ready.
  void InitAll() {
    ready.ZReady = 1;
    ready.WReady[1] = wheels->Init(1) > 0 ? 1 : 0;
    ready.WReady[2] = wheels->Init(2) > 0 ? 1 : 0;
    ready.SReady = slide->Init() > 0 ? 1 : 0;
    ready.TReady = turret->Init() > 0 ? 1 : 0;
    ready.CubeReady = cube->Init() > 0 ? 1 : 0;
  }
  sim::Unit& Unit(char a) { return UnitAt(a); }
  sim::UnitState State(char a) { return StateAt(a); }
  const sim::UnitPlan& Plan(char a) const {
    for (const sim::UnitPlan& unit : plan.units)
      if (unit.address == a) return unit;
    throw std::runtime_error("no unit");
  }
  // The numbered position in the beam (0 between positions), within the index's width.
  int InBeam(char a) {
    const sim::UnitPlan& unit = Plan(a);
    return sim::PositionAt(unit, State(a).load, unit.axis.sensorWidth + 30);
  }
  void NoReply(char a) { line.SetFault(a, sim::Fault{sim::FaultKind::NoReply, 0, -1}); }
  void WaitAll() {
    for (char a :
         {address.w1, address.w2, address.z, address.slide, address.turret, address.cube}) {
      mot.MotorSelect(a);
      mot.MotorWaitMoveEnd();
    }
  }

  Addresses address;
  ReadyFlags ready;
  std::vector<double> focusMoves;  // microns, as the wheels asked for them
  int focusWaits = 0;
  std::unique_ptr<Wheels> wheels;
  std::unique_ptr<Cube> cube;
  std::unique_ptr<Slide> slide;
  std::unique_ptr<Turret> turret;

 private:
  FocusLink FocusLinkToZ() {
    return FocusLink{[this](double microns) {
                       focusMoves.push_back(microns);
                       mot.MotorSelect(address.z);
                       return mot.MotorMoveRel(microns / kZUmPerStep);
                     },
                     [this] {
                       ++focusWaits;
                       mot.MotorSelect(address.z);
                       return mot.MotorWaitMoveEnd();
                     }};
  }
};

}  // namespace qv::test
