// The capture program on a real X display: started through the launcher, typed into with
// xdotool by "Snap", and what happens once it has gone. The display is a private Xvfb.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QStandardPaths>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/System.h"
#include "platform/ProcessLauncher.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/FakeClock.h"
#include "tests/support/Process.h"
#include "tests/support/QtApplication.h"
#include "tests/support/RecordingFrontEnd.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/ScriptedPort.h"

namespace qv::test {
namespace {

// What a detached program has written so far; nothing while it has not made the file yet.
std::string BytesSoFar(const std::string& path) {
  return std::filesystem::exists(path) ? GetBytes(path) : std::string();
}

const std::string kStandIn = std::string(QV_BINARY_DIR) + "/tests/platform/qv-capture-standin";
constexpr auto kKeyArrivalLimit = std::chrono::seconds(3);

// The file's bytes once it holds `expected`, or what it holds when the time is up.
std::string WaitForBytes(const std::string& path, const std::string& expected) {
  const auto deadline = std::chrono::steady_clock::now() + kKeyArrivalLimit;
  std::string bytes;
  while ((bytes = BytesSoFar(path)) != expected && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return bytes;
}

TEST(XdotoolKeys, TheKeystrokeTextsOfTheProgramHaveNames) {
  EXPECT_EQ(XdotoolKeyNames(" "), QStringList{"space"});
  EXPECT_EQ(XdotoolKeyNames("^V"), QStringList{"ctrl+v"});
  EXPECT_EQ(XdotoolKeyNames("a^c "), (QStringList{"a", "ctrl+c", "space"}));
  EXPECT_FALSE(XdotoolKeyNames(""));
  EXPECT_FALSE(XdotoolKeyNames("%"));
}

TEST(Launcher, AProgramThatIsNotThereGivesNoIdAndNothingToTypeInto) {
  ProcessLauncher launcher(200);
  EXPECT_EQ(launcher.StartProgram(kEosUtilityPath, {}), 0);
  EXPECT_FALSE(launcher.ActivateWindow(0));
  EXPECT_FALSE(launcher.SendKeys(0, " "));
}

class CaptureOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb is not installed";
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "xdotool is missing";
    // A display number of its own choice, written on its standard output once it takes clients.
    xvfb_ = std::make_unique<Process>(
        xvfb.toStdString(), std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp",
                                                     "-screen", "0", "640x480x24"});
    ASSERT_TRUE(xvfb_->WaitFor("\n", false, std::chrono::seconds(5))) << "Xvfb did not start";
    const std::string display = ":" + xvfb_->OutSoFar().substr(0, xvfb_->OutSoFar().find('\n'));
    setenv("DISPLAY", display.c_str(), 1);  // for the stand-in and xdotool
    EnsureQApplication();
    PutBytes(folder.File("QV_CONFIG.TXT"),
             "\"MPORT\", 1\r\n\"PORTTIMEOUT\", 200\r\n\"MOVETIMEOUT\", 60\r\n"
             "\"WAITPOLLINGINTERVAL\", 50\r\n\"CAPTUREPROGRAM\", " +
                 kStandIn + " \"" + keys + "\"\r\n");
    system.InitSystem(folder.Dir());
  }
  void TearDown() override {
    const int32_t id = system.capture.State().CaptureTaskId;
    if (id > 0) kill(id, SIGTERM);
    if (xvfb_) {
      xvfb_->Signal(SIGTERM);  // lets it remove its lock file
      xvfb_->Finish();
    }
  }

  TempFolder folder;
  const std::string keys = folder.File("keys received");
  std::unique_ptr<Process> xvfb_;
  RecordingNotifier notifier;
  SystemClock clock;  // the real half second for the focus
  FakeClock portClock;
  RecordingFrontEnd front;
  SilentPort port{portClock};
  ProcessLauncher launcher;
  System system{Platform{notifier, clock, front, port, nullptr, &launcher}};
};

TEST_F(CaptureOnX, SnapTypesExactlyOneBlankAndNothingBeforeTheLaunch) {
  EXPECT_EQ(system.ExecuteLine("Snap"), "OK  ; ");
  ASSERT_EQ(system.capture.LaunchCaptureProgram(), "Capture Program Launched");
  EXPECT_EQ(system.ExecuteLine("Snap"), "OK  ; ");
  EXPECT_EQ(WaitForBytes(keys, " "), " ");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // room for a stray second key
  EXPECT_EQ(GetBytes(keys), " ");
  EXPECT_EQ(system.comm.CommLogText().find("Capture Program Not Reached"), std::string::npos);
}

TEST_F(CaptureOnX, ACaptureProgramThatHasEndedIsReportedAndNotWaitedFor) {
  ASSERT_EQ(system.capture.LaunchCaptureProgram(), "Capture Program Launched");
  const int32_t id = system.capture.State().CaptureTaskId;
  kill(id, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + kKeyArrivalLimit;
  while (kill(id, 0) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(system.ExecuteLine("Snap"), "OK  ; ");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kWindowWaitMs));
  EXPECT_NE(system.comm.CommLogText().find("Capture Program Not Reached"), std::string::npos);
}

}  // namespace
}  // namespace qv::test
