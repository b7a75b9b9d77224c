// Every device of both demonstration microscopes on the simulated line: the Stop, the command
// reference, the parameter entries and a motion wait that serves other commands (homing, and the
// saved positions that replay, are transcripts; homing without its sensor is in each device's tests
// under tests/devices/).
#include <gtest/gtest.h>

#include "app/DeviceMenus.h"
#include "app/StopAll.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

class DeviceLine : public ::testing::TestWithParam<std::string> {};

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
  const std::string reference = "\r\n" + GetBytes(RepoFolder(GetParam()) + "/QV_COMMANDS.TXT");
  std::vector<std::string> words = {"Repeat", "Endrepeat", "Stop", "End", "Call"};
  for (const CommandEntry& entry : s.system.dispatcher.Table())
    words.push_back(entry.word);
  for (const std::string& word : words)
    EXPECT_NE(reference.find("\r\n" + word + " "), std::string::npos) << word;
}

TEST_P(DeviceLine, ParameterEntriesInitialiseAgainAndReplaceFiles) {
  SimSystem s(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600});
  ASSERT_EQ(s.Start(), 1);
  const std::string zFile = s.folder.File("QV_PARZ.TXT");
  const std::string original = GetBytes(zFile);
  PutBytes(s.folder.File("QV_PARZ_BROKEN.TXT"), "\"ZCONTR\", 3\r\n");
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

// A motion wait serves window events between its polls, and a command run by one of them
// addresses other units; the wait still polls its own unit and answers for it.
TEST_P(DeviceLine, AWaitGoesOnPollingItsOwnUnitAfterAClientsCommand) {
  SimSystem s(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600});
  ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText();
  const bool ez = GetParam() == "config/demo";
  const char z = ez ? '3' : 'Z';
  ASSERT_EQ(s.Run("Z 200"), "OK  ; ");
  std::string nested;  // the reply of the client's command, run at the first poll
  s.front.onDoEvents = [&] {
    s.front.onDoEvents = nullptr;
    nested = s.Run("XY ?");
  };
  s.line.ClearFrames();
  EXPECT_EQ(s.Run("Z Wait"), "OK  ; ");
  EXPECT_EQ(nested, "0.0 0.0 ; ");
  EXPECT_FALSE(s.State(z).moving);  // the wait ended with the focus, not with Y
  const std::vector<std::string> frames(s.line.Frames().begin(), s.line.Frames().end());
  const std::string poll = ez ? "/3Q" : "Z^";
  const std::vector<std::string> nestedFrames =
      ez ? std::vector<std::string>{"/1?0", "/2?0"} : std::vector<std::string>{"XZ", "YZ"};
  ASSERT_GE(frames.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(frames.begin(), frames.begin() + 3),
            (std::vector<std::string>{poll, nestedFrames[0], nestedFrames[1]}));
  for (auto f = frames.begin() + 3; f != frames.end(); ++f)
    EXPECT_EQ(*f, poll);
}

INSTANTIATE_TEST_SUITE_P(BothLines, DeviceLine,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
