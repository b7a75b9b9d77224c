// The capture program: which copy a trigger reaches, what a failed start or a vanished program
// leaves behind (Snap through the whole program, on a real display, is in
// tests/platform/ProcessLauncherTest.cpp).
#include <gtest/gtest.h>

#include <set>

#include "commands/QVAcq.h"
#include "foundation/CommandLine.h"
#include "tests/support/FakeClock.h"

namespace qv::test {
namespace {

// Hands out ids from 100 on; the ids in `gone` have no window any more.
class FakeLauncher final : public ProgramLauncher {
 public:
  int32_t StartProgram(const std::string& program,
                       const std::vector<std::string>& arguments) override {
    starts.push_back(CaptureCommand{program, arguments});
    return startFails ? 0 : nextId++;
  }
  bool ActivateWindow(int32_t id) override {
    events.push_back("activate " + std::to_string(id));
    return gone.count(id) == 0;
  }
  bool SendKeys(int32_t id, const std::string& keys) override {
    events.push_back("keys " + std::to_string(id) + " [" + keys + "]");
    return !keysFail;
  }
  std::vector<CaptureCommand> starts;
  std::vector<std::string> events;
  std::set<int32_t> gone;
  bool startFails = false;
  bool keysFail = false;
  int32_t nextId = 100;
};

class Capture : public ::testing::Test {
 protected:
  FakeLauncher launcher;
  FakeClock clock;
  std::string configured;
  std::vector<std::string> reports;
  QVAcq acq{&launcher, clock, configured,
            [this](const std::string& message) { reports.push_back(message); }};
};

// Snap reaches the latest copy, after half a second; the command line is read at each launch.
TEST_F(Capture, SnapGoesToTheLatestCopyAndAFailedStartForgetsIt) {
  EXPECT_EQ(acq.CaptureSnap(), 0);  // before any launch: nothing
  EXPECT_TRUE(launcher.events.empty());
  EXPECT_EQ(acq.LaunchCaptureProgram(), "Capture Program Launched");
  configured = "/opt/cam/\"shoot it\" --keys \"/tmp/a b.txt\"";
  acq.LaunchCaptureProgram();
  ASSERT_EQ(launcher.starts.size(), 2u);
  EXPECT_EQ(launcher.starts[0].program, "C:\\Program Files\\Canon\\EOS Utility\\EOS Utility.exe");
  EXPECT_TRUE(launcher.starts[0].arguments.empty());
  EXPECT_EQ(launcher.starts[1].program, "/opt/cam/shoot it");
  EXPECT_EQ(launcher.starts[1].arguments, (std::vector<std::string>{"--keys", "/tmp/a b.txt"}));
  EXPECT_EQ(acq.CaptureSnap(), 0);
  EXPECT_EQ(launcher.events, (std::vector<std::string>{"activate 101", "keys 101 [ ]"}));
  EXPECT_EQ(clock.delays, std::vector<int32_t>{500});
  EXPECT_TRUE(reports.empty());
  launcher.events.clear();
  launcher.startFails = true;
  EXPECT_EQ(acq.LaunchCaptureProgram(), "Capture Program Not Launched");
  EXPECT_EQ(acq.State().CaptureTaskId, 0);
  acq.CaptureSnap();
  EXPECT_TRUE(launcher.events.empty());
}

// A copy that has gone gets no keystroke and no pause; either failure is reported at each snap.
TEST_F(Capture, AProgramThatCannotBeReachedIsReportedAtEachSnap) {
  for (const bool gone : {true, false}) {
    launcher.events.clear();
    reports.clear();
    acq.LaunchCaptureProgram();
    if (gone) launcher.gone.insert(acq.State().CaptureTaskId);
    launcher.keysFail = !gone;
    EXPECT_EQ(acq.CaptureSnap(), 0);
    EXPECT_EQ(acq.CaptureSnap(), 0);
    EXPECT_EQ(launcher.events.size(), gone ? 2u : 4u);
    EXPECT_EQ(launcher.events[0].rfind("activate", 0), 0u);
    EXPECT_EQ(launcher.events[1].rfind(gone ? "activate" : "keys", 0), 0u);
    EXPECT_EQ(reports, (std::vector<std::string>(2, "Capture Program Not Reached")));
  }
  EXPECT_EQ(clock.delays, (std::vector<int32_t>(2, 500)));  // only the keys that were sent
}

TEST(CaptureWithoutPlatform, NoLauncherMeansNotLaunchedAndSnapIsHarmless) {
  FakeClock clock;
  const std::string none;
  QVAcq acq(nullptr, clock, none, {});
  EXPECT_EQ(acq.LaunchCaptureProgram(), "Capture Program Not Launched");
  EXPECT_EQ(acq.CaptureSnap(), 0);
  EXPECT_EQ(CaptureCommandFor(0, "/bin/true").program, "");  // no kind chosen, nothing to start
}

TEST(CommandLineWords, BlanksSeparateQuotesGroupAndBackslashesStay) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("  gedit   --new-window\t-s "),
            (Words{"gedit", "--new-window", "-s"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\x.exe\" \"\" a\"b c\""),
            (Words{"C:\\Program Files\\x.exe", "", "ab c"}));
  EXPECT_EQ(SplitCommandLine("edit \"unclosed rest"), (Words{"edit", "unclosed rest"}));
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

}  // namespace
}  // namespace qv::test
