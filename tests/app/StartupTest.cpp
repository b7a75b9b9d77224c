// Start-up: the configuration, the joystick command list, the symbols, and what a failed step
// leaves behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/SimSystem.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

const std::string kConfig =
    "\"MPORT\", 1\r\n\"PORTTIMEOUT\", 200\r\n\"MOVETIMEOUT\", 60\r\n"
    "\"WAITPOLLINGINTERVAL\", 50\r\n";

class Startup : public ::testing::Test {
 protected:
  void Put(const std::string& name, const std::string& bytes) {
    PutBytes(t.folder.File(name), bytes);
  }
  void PutComplete(const std::string& extraConfig = "") {
    Put("QV_CONFIG.TXT", kConfig + "\"CONTRTYPE\",EZHR17\r\n" + extraConfig);
    Put("QV_JOYCMDS.TXT", "Ver\r\nXY Stop\r\n");
    Put("QV_SYMCONST.TXT", "\"SLOW\", 200\r\n");
    Put("QV_OBJPOSMAG.TXT", "\"OBJPOS1\", 10\r\n");
    PutSpecimenFiles();
  }
  // The field, specimen, scan and joystick files of the demonstration folder.
  void PutSpecimenFiles() {
    for (const char* name : {"QV_FIELD.TXT", "QV_SPECIMEN.TXT", "QV_SCANAREA.TXT",
                             "QV_SCANGRID.TXT", "QV_ZOOM.TXT", "QV_SCAN.TXT", "QV_JOY.TXT"}) {
      Put(name, GetBytes(RepoFolder("config/demo") + "/" + name));
    }
  }
  Configuration& config() { return t.system.state.Config; }
  TestSystem t;
};

// The folder gets its separator; the first joystick command runs once, so that the first count
// is two.
TEST_F(Startup, ACompleteFolderStartsCleanly) {
  PutComplete(
      "\"W2_INSTALLED\", 0\r\n\"JOYSTARTON\", 1\r\n"
      "\"CAPTUREPROGRAM\", /opt/cam/shoot --keys \"/tmp/a b\"\r\n"
      "\"TEXTEDITOR\",gedit --new-window\r\n\"LISTENPORT\",5025\r\n");
  Put("QV_OBJPOSMAG.TXT", "\"OBJPOS1\", 4\r\n");
  Put(".QV_SCAN.TXT.qvtmp.k1LL3d", "left by a write that was killed");
  std::string dir = t.folder.Dir();
  dir.pop_back();
  EXPECT_EQ(t.system.InitSystem(dir), 1);
  EXPECT_TRUE(t.notifier.Messages.empty()) << t.notifier.LastText();
  EXPECT_FALSE(std::filesystem::exists(t.folder.File(".QV_SCAN.TXT.qvtmp.k1LL3d")));
  EXPECT_EQ(t.system.state.AppDir, t.folder.Dir());
  EXPECT_EQ(t.system.trapar.ParDir(), t.folder.Dir());
  EXPECT_EQ(config().MPort, 1);
  EXPECT_EQ(config().PortTimeout, 200);
  EXPECT_EQ(config().MoveTimeout, 60);
  EXPECT_EQ(config().WaitPollingInterval, 50);
  EXPECT_EQ(config().ContrType, "EZHR17");
  EXPECT_EQ(config().WInstalled[2], 0);
  EXPECT_EQ(config().ZInstalled, 0);
  EXPECT_EQ(config().CaptureProgram, "/opt/cam/shoot --keys \"/tmp/a b\"");
  EXPECT_EQ(config().TextEditor, "gedit --new-window");
  EXPECT_EQ(config().ListenPort, 5025);
  EXPECT_EQ(t.system.objectives.ObjCount(), 1);
  EXPECT_EQ(t.system.objectives.Mag(), 10);
  EXPECT_EQ(t.system.state.HistoryMax, 30);
  EXPECT_EQ(t.system.interpreter.State().ProgLines, PlainList{"End"});
  EXPECT_EQ(t.system.state.JoyOn, 0);  // no joystick to be found centred
  EXPECT_EQ(t.system.joyCommands.Commands(), (PlainList{"Ver", "XY Stop"}));
  EXPECT_EQ(t.Run("CommandCount;Delay SLOW"), " 2 ;  200 ; ");
}

TEST_F(Startup, AMissingJoystickListStillDispatchesAnEmptyCommand) {
  Put("QV_CONFIG.TXT", kConfig);
  Put("QV_SYMCONST.TXT", "");
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
  EXPECT_EQ(t.notifier.Messages.at(0).Text,
            "File " + t.folder.File("QV_JOYCMDS.TXT") + " does not exist");
  EXPECT_EQ(t.Run("CommandCount"), " 2 ; ");
}

TEST_F(Startup, TheFirstJoystickCommandFindsNoDeviceReady) {
  PutComplete("\"Z_INSTALLED\", 1\r\n");
  Put("QV_JOYCMDS.TXT", "Z Home\r\n");
  t.system.InitSystem(t.folder.Dir());
  EXPECT_EQ(t.system.state.LastDevice, "Z");
}

TEST_F(Startup, AMissingRequiredKeyIsNamedAndFailsStartUp) {
  Put("QV_CONFIG.TXT", "\"MPORT\", 1\r\n\"PORTTIMEOUT\", 200\r\n\"WAITPOLLINGINTERVAL\", 50\r\n");
  Put("QV_JOYCMDS.TXT", "Ver\r\n");
  Put("QV_SYMCONST.TXT", "");
  Put("QV_OBJPOSMAG.TXT", "");
  PutSpecimenFiles();
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
  ASSERT_EQ(t.notifier.Messages.size(), 1u);
  EXPECT_EQ(t.notifier.Messages[0].Text,
            "Parameter MOVETIMEOUT not found in " + t.folder.File("QV_CONFIG.TXT"));
  EXPECT_EQ(t.notifier.Messages[0].Icon, MsgIcon::Critical);
  EXPECT_EQ(config().WaitPollingInterval, 50);  // the next key is still read
  EXPECT_EQ(config().ContrType, "IM483I");      // and so are the optional ones
}

TEST_F(Startup, OnlyTheValueOneInstallsADevice) {
  PutComplete("\"XY_INSTALLED\", 2\r\n\"Z_INSTALLED\", 1.4\r\n");
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);  // Z is installed, with no file to read
  EXPECT_EQ(config().XYInstalled, 2);
  EXPECT_EQ(config().ZInstalled, 1);
  EXPECT_EQ(t.Run("XY ?;Z ?"), "Off  ; Off  ; ");
  ASSERT_EQ(t.notifier.Messages.size(), 1u);  // only Z's file was looked for, not the stage's
  EXPECT_EQ(t.notifier.LastText(), "File " + t.folder.File("QV_PARZ.TXT") + " does not exist");
}

TEST_F(Startup, AValueThatIsNoNumberStopsTheConfiguration) {
  Put("QV_CONFIG.TXT", kConfig + "\"XY_INSTALLED\", yes\r\n\"Z_INSTALLED\", 1\r\n");
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
  EXPECT_EQ(config().ZInstalled, 0);  // keys after the bad one are not read
  EXPECT_NE(t.notifier.Messages.at(0).Text.find("XY_INSTALLED"), std::string::npos);
}

TEST_F(Startup, ARequiredValueTooLargeForItsIntegerFailsWithoutReadingOn) {
  Put("QV_CONFIG.TXT", "\"MPORT\", 70000\r\n\"PORTTIMEOUT\", 200\r\n");
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
  EXPECT_EQ(config().MPort, 0);
  EXPECT_EQ(config().PortTimeout, 0);
}

TEST_F(Startup, AMissingConfigurationLeavesEverythingOff) {
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
  EXPECT_EQ(config().ContrType, "");
  EXPECT_EQ(config().MPort, 0);
  EXPECT_EQ(t.Run("Ver;F 3"), "4.0 ; Off  ; ");
}

TEST_F(Startup, AMissingSymbolFileFailsStartUpButNumbersStillWork) {
  Put("QV_CONFIG.TXT", kConfig);
  Put("QV_JOYCMDS.TXT", "Ver\r\n");
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
  EXPECT_EQ(t.Run("Delay 5;Delay SLOW"), "5 ; Error Not a Number ; ");
}

TEST_F(Startup, TheSerialLineOpensOnTheConfiguredPortWithItsTimeOut) {
  PutComplete("\"PORTNAME\",/tmp/controller-line\r\n");
  t.system.InitSystem(t.folder.Dir());
  EXPECT_EQ(t.port.opened, "/tmp/controller-line");  // a port name replaces the number
  PutComplete();
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), 1);
  EXPECT_EQ(t.port.opened, "/dev/ttyS0");
  EXPECT_EQ(t.system.comm.CommTimeoutMs(), 200);
  EXPECT_EQ(t.system.comm.CommIsReady(), 1);
  t.system.Shutdown();
  EXPECT_EQ(t.system.comm.CommIsReady(), 0);
  EXPECT_FALSE(t.port.IsOpen());
}

// A port that is no number is named; start-up goes on, without the server.
TEST_F(Startup, TheOutsideProgramsAndTheListenPortAreOptional) {
  PutComplete("\"LISTENPORT\",telnet\r\n");
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), 1);
  EXPECT_EQ(config().CaptureProgram, "");
  EXPECT_EQ(config().TextEditor, "");
  EXPECT_NE(t.notifier.LastText().find("LISTENPORT"), std::string::npos) << t.notifier.LastText();
  EXPECT_EQ(config().ListenPort, -1);
}

TEST_F(Startup, APortThatDoesNotOpenFailsStartUpAndKeepsTheDefaultTimeOut) {
  PutComplete();
  t.port.failOpen = true;
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
  EXPECT_EQ(t.system.comm.CommTimeoutMs(), 1000);
  EXPECT_EQ(t.system.comm.CommLogText().substr(0, 43),
            "CommOpenPort  2 No such file or directory\r\n");
}

TEST_F(Startup, ChannelMessagesReachTheMessageLineOnlyAfterStartUp) {
  PutComplete();
  t.front.LoadWindows();
  t.system.InitSystem(t.folder.Dir());
  t.system.comm.CommLogShow("Port TimeOut");
  t.system.comm.CommLogAppend("XZ\\");
  EXPECT_EQ(t.front.LastMessage(), "Port TimeOut, XZ\\");
}

}  // namespace
}  // namespace qv::test
