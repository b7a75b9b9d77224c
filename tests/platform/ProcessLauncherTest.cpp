// The capture program on a real X display: started through the launcher, typed into with
// xdotool by "Snap", and what happens once it has gone. The display is a private Xvfb.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QStandardPaths>
#include <chrono>
#include <filesystem>
#include <thread>

#include "commands/QVAcq.h"
#include "platform/ProcessLauncher.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/Process.h"
#include "tests/support/QtApplication.h"

namespace qv::test {
namespace {

const std::string kStandIn = std::string(QV_BINARY_DIR) + "/tests/platform/qv-capture-standin";
constexpr auto kKeyArrivalLimit = std::chrono::seconds(3);

// The file's bytes once it holds `expected`, or what it holds when the time is up.
std::string WaitForBytes(const std::string& path, const std::string& expected) {
  const auto deadline = std::chrono::steady_clock::now() + kKeyArrivalLimit;
  std::string bytes;
  while ((bytes = std::filesystem::exists(path) ? GetBytes(path) : "") != expected &&
         std::chrono::steady_clock::now() < deadline)
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

// Through the capture module alone ("Snap" as a command and the log of a trigger that reached
// nobody: the capture tests).
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
  }
  void TearDown() override {
    if (acq.State().CaptureTaskId > 0) kill(acq.State().CaptureTaskId, SIGTERM);
    if (xvfb_) {
      xvfb_->Signal(SIGTERM);  // lets it remove its lock file
      xvfb_->Finish();
    }
  }

  TempFolder folder;
  const std::string keys = folder.File("keys received");
  const std::string command = kStandIn + " \"" + keys + "\"";
  std::unique_ptr<Process> xvfb_;
  SystemClock clock;  // the real half second for the focus
  ProcessLauncher launcher;
  std::vector<std::string> reports;
  QVAcq acq{&launcher, clock, command,
            [this](const std::string& message) { reports.push_back(message); }};
};

// Once the program has ended, a trigger is reported at once, not after the window wait.
TEST_F(CaptureOnX, SnapTypesExactlyOneBlankAndAnEndedProgramIsNotWaitedFor) {
  ASSERT_EQ(acq.LaunchCaptureProgram(), "Capture Program Launched");
  acq.CaptureSnap();
  EXPECT_EQ(WaitForBytes(keys, " "), " ");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // room for a stray second key
  EXPECT_EQ(GetBytes(keys), " ");
  EXPECT_TRUE(reports.empty());

  const int32_t id = acq.State().CaptureTaskId;
  kill(id, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + kKeyArrivalLimit;
  while (kill(id, 0) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto start = std::chrono::steady_clock::now();
  acq.CaptureSnap();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kWindowWaitMs));
  EXPECT_EQ(reports, std::vector<std::string>{"Capture Program Not Reached"});
}

}  // namespace
}  // namespace qv::test
