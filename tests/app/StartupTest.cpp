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
const std::string kEzhr17 = kConfig + "\"CONTRTYPE\",EZHR17\r\n";

// Every file start-up reads, the configuration `config`, and the rest of the demonstration
// folder's specimen and joystick files; `missing` is left out.
void PutFolder(TestSystem& t, const std::string& config, const std::string& missing = "") {
  for (const char* name : {"QV_FIELD.TXT", "QV_SPECIMEN.TXT", "QV_SCANAREA.TXT", "QV_SCANGRID.TXT",
                           "QV_ZOOM.TXT", "QV_SCAN.TXT", "QV_JOY.TXT"})
    PutBytes(t.folder.File(name), GetBytes(RepoFolder("config/demo") + "/" + name));
  PutBytes(t.folder.File("QV_CONFIG.TXT"), config);
  PutBytes(t.folder.File("QV_JOYCMDS.TXT"), "Ver\r\nXY Stop\r\n");
  PutBytes(t.folder.File("QV_SYMCONST.TXT"), "\"SLOW\", 200\r\n");
  PutBytes(t.folder.File("QV_OBJPOSMAG.TXT"), "\"OBJPOS1\", 10\r\n");
  if (!missing.empty()) std::filesystem::remove(t.folder.File(missing));
}

class Startup : public ::testing::Test {
 protected:
  void Put(const std::string& name, const std::string& bytes) {
    PutBytes(t.folder.File(name), bytes);
  }
  void PutComplete(const std::string& extraConfig = "") { PutFolder(t, kEzhr17 + extraConfig); }
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

TEST_F(Startup, TheFirstJoystickCommandFindsNoDeviceReady) {
  PutComplete("\"Z_INSTALLED\", 1\r\n");
  Put("QV_JOYCMDS.TXT", "Z Home\r\n");
  t.system.InitSystem(t.folder.Dir());
  EXPECT_EQ(t.system.state.LastDevice, "Z");
}

// A missing or faulty file fails start-up with one message that names the problem. The keys read
// before a bad value stand; a missing required key does not end the reading; only the value 1
// installs a device; without the symbols numbers still work; without the joystick's list its
// first, empty, command is still dispatched.
TEST(StartupFaults, OneMessageNamesTheProblemAndWhatWasReadStands) {
  const struct {
    const char* missing;
    std::string config, message;
    const char* read;  // MPORT PORTTIMEOUT WAITPOLLINGINTERVAL XY_INSTALLED Z_INSTALLED CONTRTYPE
    const char* line;
    const char* reply;
  } cases[] = {
      {"QV_CONFIG.TXT", "", "QV_CONFIG.TXT does not exist", "0 0 0 0 0 ", "Ver;F 3",
       "4.0 ; Off  ; "},
      {"", "\"MPORT\", 70000\r\n\"PORTTIMEOUT\", 200\r\n", "MPORT", "0 0 0 0 0 ", "XY ?",
       "Off  ; "},
      {"", "\"MPORT\", 1\r\n\"PORTTIMEOUT\", 200\r\n\"WAITPOLLINGINTERVAL\", 50\r\n",
       "Parameter MOVETIMEOUT not found in ", "1 200 50 0 0 IM483I", "XY ?", "Off  ; "},
      {"", kConfig + "\"XY_INSTALLED\", yes\r\n\"Z_INSTALLED\", 1\r\n", "XY_INSTALLED",
       "1 200 50 0 0 IM483I", "Z ?", "Off  ; "},
      // Z is installed, with no file to read; the stage is not, so its file is not looked for.
      {"", kEzhr17 + "\"XY_INSTALLED\", 2\r\n\"Z_INSTALLED\", 1.4\r\n",
       "QV_PARZ.TXT does not exist", "1 200 50 2 1 EZHR17", "XY ?;Z ?", "Off  ; Off  ; "},
      {"QV_SYMCONST.TXT", kConfig, "QV_SYMCONST.TXT does not exist", "1 200 50 0 0 IM483I",
       "Delay 5;Delay SLOW", "5 ; Error Not a Number ; "},
      {"QV_JOYCMDS.TXT", kConfig, "QV_JOYCMDS.TXT does not exist", "1 200 50 0 0 IM483I",
       "CommandCount", " 2 ; "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TestSystem t;
    PutFolder(t, c.config, c.missing);
    EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
    ASSERT_EQ(t.notifier.Messages.size(), 1u) << t.notifier.LastText();
    EXPECT_NE(t.notifier.Messages[0].Text.find(c.message), std::string::npos)
        << t.notifier.Messages[0].Text;
    const Configuration& read = t.system.state.Config;
    EXPECT_EQ(std::to_string(read.MPort) + " " + std::to_string(read.PortTimeout) + " " +
                  std::to_string(read.WaitPollingInterval) + " " +
                  std::to_string(read.XYInstalled) + " " + std::to_string(read.ZInstalled) + " " +
                  read.ContrType,
              c.read);
    EXPECT_EQ(t.Run(c.line), c.reply);
  }
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
