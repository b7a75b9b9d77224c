// Every device of both demonstration microscopes through the command language, on the
// simulated line: saved positions that replay, the Stop, the command reference, homing without
// its sensor and the parameter entries (homing itself is a transcript).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "app/DeviceMenus.h"
#include "app/StopAll.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

const char* const kDevices[] = {"XY", "Z", "F", "B", "Cube", "Slide", "Turn"};

class DeviceLine : public ::testing::TestWithParam<std::string> {
 protected:
  // Where every device is: the controller count of a linear axis (its mechanics differ by the
  // backlash with the direction of approach), the mechanical angle of a rotary one (its count
  // differs by whole turns with the way round it took).
  static std::map<char, int64_t> Places(SimSystem& s) {
    std::map<char, int64_t> places;
    for (const sim::UnitPlan& unit : s.plan.units) {
      const sim::UnitState state = s.State(unit.address);
      const bool rotary = unit.axis.kind == sim::AxisKind::Rotary;
      const int64_t turn = static_cast<int64_t>(unit.axis.revolution);
      places[unit.address] = rotary ? ((state.load % turn) + turn) % turn : state.counter;
    }
    return places;
  }
  static std::string Strip(const std::string& reply) { return reply.substr(0, reply.size() - 3); }
};

// The line runs at 9600 baud, so that the simulated motions take the time they take between
// the commands, as on the real line.
TEST_P(DeviceLine, SavedPositionRepliesBringEveryDeviceBack) {
  SimSystem s(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600});
  ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText();
  ASSERT_EQ(s.Run("XY 1234.5 678.9;Z 40;F 4;B 2;Cube 3;Slide 7.5;Turn 45;"
                  "XY Wait;Z Wait;F Wait;B Wait;Cube Wait;Slide Wait;Turn Wait"),
            "OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; OK  ; ");
  std::vector<std::string> saved;
  for (const char* device : kDevices)
    saved.push_back(Strip(s.Run(std::string(device) + " ??")));
  EXPECT_EQ(saved[0], "XY 1234.4 678.8");  // 0.625 microns a microstep, to a tenth of a micron
  EXPECT_EQ(saved[2], "F 4");
  EXPECT_EQ(saved[4], "Cube 3");
  const auto there = Places(s);

  s.Run(
      "XY 500 300;Z -20;F 1;B 5;Cube 1;Slide 2;Turn 300;"
      "XY Wait;Z Wait;F Wait;B Wait;Cube Wait;Slide Wait;Turn Wait");
  EXPECT_NE(Places(s), there);
  for (size_t i = 0; i < saved.size(); ++i) {
    EXPECT_EQ(s.Run(saved[i] + ";" + kDevices[i] + " Wait"), "OK  ; OK  ; ") << saved[i];
  }
  EXPECT_EQ(Places(s), there);
}

// The operator's Stop: one stop to every ready unit, in the device order, nothing to a device
// that is not ready, and the unit addressed before is addressed again.
TEST_P(DeviceLine, StopAllStopsEveryReadyDeviceAtOnce) {
  SimSystem s(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600});
  ASSERT_EQ(s.Start(), 1);
  s.system.state.Ready.SReady = 0;
  s.Run("XY 30000 20000;Z 500;F 4;B 2;Cube 3;Turn 300");
  const int16_t addressed = s.system.motCon.Motor().MotorAddress;
  ASSERT_TRUE(s.State(static_cast<char>(s.system.stage.Params().X.Contr)).moving);
  s.line.ClearFrames();
  EXPECT_TRUE(StopAllDevices(s.system).empty());
  EXPECT_EQ(s.system.motCon.Motor().MotorAddress, addressed);
  const bool im = GetParam() == "config/demo-im483i";
  const System& sys = s.system;
  std::vector<std::string> expected;
  for (const int16_t unit :
       {sys.stage.Params().X.Contr, sys.stage.Params().Y.Contr, sys.focus.Params().Contr,
        sys.wheels.Params(1).profile.contr, sys.wheels.Params(2).profile.contr,
        sys.cube.Params().profile.contr, sys.turret.Params().profile.contr}) {
    const char address = static_cast<char>(unit);
    expected.push_back(im ? std::string(1, address) + "M0" : std::string("/") + address + "T");
    EXPECT_FALSE(s.State(address).moving) << address;
  }
  EXPECT_EQ(std::vector<std::string>(s.line.Frames().begin(), s.line.Frames().end()), expected);
}

// "Int." > "Commands" opens the folder's command reference: it must name every command word
// and program statement at the start of a line, as the operator looks them up.
TEST_P(DeviceLine, TheCommandReferenceNamesEveryCommandWord) {
  SimSystem s(RepoFolder(GetParam()));
  std::ifstream file(RepoFolder(GetParam()) + "/QV_COMMANDS.TXT", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  const std::string reference = "\r\n" + text.str();
  std::vector<std::string> words = {"Repeat", "Endrepeat", "Stop", "End", "Call"};
  for (const CommandEntry& entry : s.system.dispatcher.Table())
    words.push_back(entry.word);
  for (const std::string& word : words)
    EXPECT_NE(reference.find("\r\n" + word + " "), std::string::npos) << word;
}

TEST_P(DeviceLine, HomingWithoutItsSensorFails) {
  SimSystem s(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}, [](sim::LinePlan& plan) {
    for (sim::UnitPlan& unit : plan.units) {
      unit.axis.deadSensors = sim::SensorBit(sim::Sensor::Home) | sim::SensorBit(sim::Sensor::Low);
    }
  });
  s.system.state.Config.MoveTimeout = 5;  // a search that finds nothing ends by its time-out
  ASSERT_EQ(s.Start(), 1);
  const bool im = GetParam() == "config/demo-im483i";
  for (const char* device : {"XY", "Z", "F", "B", "Cube", "Turn"}) {
    EXPECT_EQ(s.Run(std::string(device) + " Home"), "Error  ; ") << device;
  }
  // The IM483I slide search ends on its limit with the home input clear, which the controller
  // reports as a finished search.
  if (!im) {
    EXPECT_EQ(s.Run("Slide Home"), "Error  ; ");
  }
}

TEST_P(DeviceLine, ParameterEntriesInitialiseAgainAndReplaceFiles) {
  SimSystem s(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600});
  ASSERT_EQ(s.Start(), 1);
  EXPECT_EQ(ReinitialiseDevice(s.system, DeviceId::Cube), "Cube On");
  const std::string zFile = s.folder.File("QV_PARZ.TXT");
  const std::string original = GetBytes(zFile);
  PutBytes(s.folder.File("QV_PARZ_BROKEN.TXT"), "\"ZCONTR\", 3\r\n");
  EXPECT_EQ(ReplaceDeviceFile(s.folder.Dir() + ".", "", "QV_PARZ.TXT"), "Parameter file not read");
  EXPECT_EQ(ReplaceDeviceFile(s.folder.Dir() + ".", "QV_PARZ_BROKEN.TXT", "QV_PARZ.TXT"),
            "Parameter file " + s.folder.Dir() + "./QV_PARZ_BROKEN.TXT read");
  EXPECT_EQ(s.system.state.Ready.ZReady, 1);  // not initialised again by the copy
  EXPECT_EQ(ReinitialiseDevice(s.system, DeviceId::Z), "Z Off");
  EXPECT_EQ(s.Run("Z ?"), "Off  ; ");
  PutBytes(zFile, original);
  EXPECT_EQ(ReinitialiseDevice(s.system, DeviceId::Z), "Z On");
  EXPECT_EQ(ReplaceDeviceFile(s.folder.Dir() + ".", "NONE.TXT", "QV_PARZ.TXT"),
            "Parameter file not read");
  EXPECT_EQ(GetBytes(zFile), original);
}

INSTANTIATE_TEST_SUITE_P(BothLines, DeviceLine,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
