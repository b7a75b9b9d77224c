#pragma once
// The indexing devices (both filter wheels, cube changer, slide, turret) over a simulated line
// of either controller type, built from device files in a private program folder. The focus a
// filter change shifts is the simulator's Z unit, driven through the same controller dispatch.
#include <map>
#include <string>
#include <vector>

#include "controllers/Comm.h"
#include "controllers/MotCon.h"
#include "devices/Indexers.h"
#include "devices/Wheels.h"
#include "foundation/SharedState.h"
#include "foundation/Trapar.h"
#include "sim/Line.h"
#include "sim/Loopback.h"
#include "sim/SimConfig.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test::indexer {

inline std::string TypeName(ControllerKind kind) {
  return kind == ControllerKind::kEzhr17 ? "EZHR17" : "IM483I";
}

// Unit addresses: EZHR17 units by number, IM483I units by name character.
struct Addresses {
  char w1, w2, z, slide, turret, cube;
};
inline Addresses AddressesOf(ControllerKind kind) {
  if (kind == ControllerKind::kEzhr17) return {'4', '5', '3', '6', '7', '8'};
  return {'F', 'B', 'Z', 'S', 'T', 'C'};
}

// One device file: keys and value texts, in file order.
using DeviceFile = std::vector<std::pair<std::string, std::string>>;

inline DeviceFile WheelFile(int n, char address) {
  const std::string w = "W" + std::to_string(n);
  return {{w + "CONTR", std::string(1, address)},
          {w + "STEPDIVIDE", "3"},
          {w + "HOLDCURRENT", "10"},
          {w + "RUNCURRENT", "50"},
          {w + "SLEWVELOCITY", "8000"},
          {w + "INITVELOCITY", "500"},
          {w + "ACCELERATION", "20"},
          {w + "DECELERATION", "25"},
          {w + "JOGSPEEDLOW", "15"},
          {w + "JOGSPEEDHIGH", "60"},
          {w + "MSTEPSPERFILT", "1600"},
          {w + "OFFSETHOME", "200"},
          {w + "FILTPOSITIONS", "6"},
          {w + "HOMESPEED", "-2000"}};
}

// 1600 microsteps a unit (1 unit per turn, 200 steps, divide 3).
inline DeviceFile DriveFile(const std::string& p, char address) {
  return {{p + "CONTR", std::string(1, address)},
          {p + "STROKEPERROT", "1"},
          {p + "MOTORSTEPS", "200"},
          {p + "STEPDIVIDE", "3"},
          {p + "HOLDCURRENT", "5"},
          {p + "RUNCURRENT", "40"},
          {p + "SLEWVELOCITY", "6000"},
          {p + "INITVELOCITY", "400"},
          {p + "ACCELERATION", "30"},
          {p + "DECELERATION", "35"},
          {p + "HOMESPEED", "-3000"}};
}

inline DeviceFile CubeFile(char address) {
  DeviceFile file = DriveFile("CUBE", address);
  file.push_back({"CUBEPOSITIONS", "4"});
  file.push_back({"CUBESHIFTDIST", "2"});   // 3200 microsteps
  file.push_back({"CUBE1OFFSET", "0.25"});  // 400 microsteps
  return file;
}

inline DeviceFile TurretFile(char address) {
  DeviceFile file = DriveFile("T", address);
  file.erase(file.begin() + 1);  // the turret turns 360 degrees a motor turn
  return file;
}

inline DeviceFile ZFile(char address) {
  return {{"ZCONTR", std::string(1, address)},
          {"ZSTROKEPERROT", "1"},
          {"ZMOTORSTEPS", "200"},
          {"ZSTEPDIVIDE", "3"}};  // 0.625 microns a microstep
}

// Removes `key` from `file`.
inline DeviceFile Without(DeviceFile file, const std::string& key) {
  std::erase_if(file, [&](const auto& entry) { return entry.first == key; });
  return file;
}
inline DeviceFile With(DeviceFile file, const std::string& key, const std::string& value) {
  for (auto& entry : file) {
    if (entry.first == key) {
      entry.second = value;
      return file;
    }
  }
  file.push_back({key, value});
  return file;
}

inline void WriteDeviceFile(const TempFolder& folder, const std::string& name,
                            const DeviceFile& file) {
  std::string text;
  for (const auto& [key, value] : file)
    text += "\"" + key + "\"," + value + "\r\n";
  PutBytes(folder.File(name), text);
}

inline constexpr double kZUmPerStep = 0.625;  // microns per microstep of the Z file above

struct IndexerRig {
  // `files` replace (or, mapped to an empty file list, leave out) the default device files.
  // `dead` names units whose home or index sensor never responds.
  explicit IndexerRig(ControllerKind type, std::map<std::string, DeviceFile> files = {},
                      std::vector<char> dead = {})
      : kind(type), address(AddressesOf(type)), contrType(TypeName(type)) {
    WriteFiles(files);
    plan = sim::ReadLinePlan(folder.Dir());
    for (sim::UnitPlan& unit : plan.units) {
      for (char a : dead) {
        if (unit.address == a) {
          unit.axis.deadSensors =
              sim::SensorBit(sim::Sensor::Home) |
              (unit.axis.kind == sim::AxisKind::Linear && Ez() ? sim::SensorBit(sim::Sensor::Low)
                                                               : 0u);
        }
      }
    }
    line = std::make_unique<sim::Line>(plan.type, sim::LineOptions{.baud = 9600});
    sim::AddUnits(*line, plan);
    port = std::make_unique<sim::LoopbackPort>(*line, clock);
    comm = std::make_unique<Comm>(*port, clock);
    motCon = std::make_unique<MotCon>(*comm, clock, pump, contrType, pollingMs);
    port->Open("/dev/sim");
    comm->CommInit();
    comm->CommSetTimeout(200);
    motCon->MotorInitChannel();
    motCon->MotorSetMoveTimeout(30);
    trapar.SetParDir(folder.Dir());
    wheels = std::make_unique<Wheels>(trapar, *motCon, contrType, ready, Focus());
    cube = std::make_unique<Cube>(trapar, *motCon);
    slide = std::make_unique<Slide>(trapar, *motCon);
    turret = std::make_unique<Turret>(trapar, *motCon);
  }

  bool Ez() const { return kind == ControllerKind::kEzhr17; }

  // Initialises every device as start-up does and sets the ready flags.
  void InitAll() {
    ready.WReady[1] = wheels->Init(1) > 0 ? 1 : 0;
    ready.WReady[2] = wheels->Init(2) > 0 ? 1 : 0;
    ready.SReady = slide->Init() > 0 ? 1 : 0;
    ready.TReady = turret->Init() > 0 ? 1 : 0;
    ready.CubeReady = cube->Init() > 0 ? 1 : 0;
  }

  sim::Unit& Unit(char a) { return *line->FindUnit(a); }
  sim::UnitState State(char a) { return Unit(a).State(clock.Now()); }
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
  // Frames received by the line since the last call.
  std::vector<std::string> TakeFrames() {
    std::vector<std::string> frames(line->Frames().begin(), line->Frames().end());
    line->ClearFrames();
    return frames;
  }
  void WaitAll() {
    for (char a :
         {address.w1, address.w2, address.z, address.slide, address.turret, address.cube}) {
      motCon->MotorSelect(a);
      motCon->MotorWaitMoveEnd();
    }
  }

  ControllerKind kind;
  Addresses address;
  std::string contrType;
  TempFolder folder;
  sim::LinePlan plan;
  std::unique_ptr<sim::Line> line;
  sim::SimClock clock;
  std::unique_ptr<sim::LoopbackPort> port;
  std::unique_ptr<Comm> comm;
  EventPump pump;
  int16_t pollingMs = 50;
  std::unique_ptr<MotCon> motCon;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
  ReadyFlags ready;
  std::vector<double> focusMoves;  // microns, as the wheels asked for them
  int focusWaits = 0;
  std::unique_ptr<Wheels> wheels;
  std::unique_ptr<Cube> cube;
  std::unique_ptr<Slide> slide;
  std::unique_ptr<Turret> turret;

 private:
  FocusLink Focus() {
    return FocusLink{[this](double microns) {
                       focusMoves.push_back(microns);
                       motCon->MotorSelect(address.z);
                       return motCon->MotorMoveRel(microns / kZUmPerStep);
                     },
                     [this] {
                       ++focusWaits;
                       motCon->MotorSelect(address.z);
                       return motCon->MotorWaitMoveEnd();
                     }};
  }

  void WriteFiles(const std::map<std::string, DeviceFile>& files) {
    std::map<std::string, DeviceFile> all{
        {"QV_PARW1.TXT", WheelFile(1, address.w1)},     {"QV_PARW2.TXT", WheelFile(2, address.w2)},
        {"QV_PARS.TXT", DriveFile("S", address.slide)}, {"QV_PART.TXT", TurretFile(address.turret)},
        {"QV_PARCUBE.TXT", CubeFile(address.cube)},     {"QV_PARZ.TXT", ZFile(address.z)}};
    for (const auto& [name, file] : files)
      all[name] = file;
    PutBytes(folder.File("QV_CONFIG.TXT"), "\"CONTRTYPE\"," + contrType + "\r\n");
    for (const auto& [name, file] : all) {
      if (!file.empty()) WriteDeviceFile(folder, name, file);
    }
  }
};

// Runs a test body on both controller types.
class IndexerTypes : public ::testing::TestWithParam<ControllerKind> {};

inline std::string KindName(const ::testing::TestParamInfo<ControllerKind>& info) {
  return TypeName(info.param);
}

}  // namespace qv::test::indexer
