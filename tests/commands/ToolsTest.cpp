// The main window's tools: the outside capture program (which copy a trigger reaches, what a
// failed start or a vanished program leaves behind; Snap through the whole program, on a real
// display, is in tests/platform/ProcessLauncherTest.cpp), and the stage, wheel and cube speed
// tests on both simulated microscopes at 9600 baud.
#include <gtest/gtest.h>

#include <deque>
#include <set>

#include "commands/QVAcq.h"
#include "commands/SpeedTests.h"
#include "foundation/CommandLine.h"
#include "foundation/NumberText.h"
#include "tests/support/FakeClock.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

// Records starts, window activations and keystrokes as events; hands out ids from 100 on; the
// ids in `gone` have no window any more.
class FakeLauncher final : public ProgramLauncher {
 public:
  int32_t StartProgram(const std::string& program,
                       const std::vector<std::string>& arguments) override {
    std::string start = "start " + program;
    for (const std::string& argument : arguments)
      start += " [" + argument + "]";
    events.push_back(start);
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
  EXPECT_EQ(acq.LaunchCaptureProgram(), "Capture Program Launched");
  configured = "/opt/cam/\"shoot it\" --keys \"/tmp/a b.txt\"";
  acq.LaunchCaptureProgram();
  EXPECT_EQ(acq.CaptureSnap(), 0);
  EXPECT_EQ(launcher.events, (std::vector<std::string>{
                                 "start C:\\Program Files\\Canon\\EOS Utility\\EOS Utility.exe",
                                 "start /opt/cam/shoot it [--keys] [/tmp/a b.txt]", "activate 101",
                                 "keys 101 [ ]"}));
  EXPECT_EQ(std::tuple(clock.delays, reports.size()), std::tuple(std::vector<int32_t>{500}, 0u));
  launcher.events.clear();
  launcher.startFails = true;
  EXPECT_EQ(acq.LaunchCaptureProgram(), "Capture Program Not Launched");
  EXPECT_EQ(acq.State().CaptureTaskId, 0);
  acq.CaptureSnap();
  EXPECT_EQ(launcher.events.size(), 1u);  // the start only
}

// A copy that has gone gets no keystroke and no pause; either failure is reported at each snap.
TEST_F(Capture, AProgramThatCannotBeReachedIsReportedAtEachSnap) {
  configured = "cam";
  for (const bool gone : {true, false}) {
    acq.LaunchCaptureProgram();
    if (gone) launcher.gone.insert(acq.State().CaptureTaskId);
    launcher.keysFail = !gone;
    EXPECT_EQ(acq.CaptureSnap(), 0);
    EXPECT_EQ(acq.CaptureSnap(), 0);
  }
  EXPECT_EQ(launcher.events, (std::vector<std::string>{"start cam", "activate 100", "activate 100",
                                                       "start cam", "activate 101", "keys 101 [ ]",
                                                       "activate 101", "keys 101 [ ]"}));
  EXPECT_EQ(reports, (std::vector<std::string>(4, "Capture Program Not Reached")));
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

using Answers = std::deque<std::optional<std::string>>;
using TestFn = std::function<std::string(SpeedTests&)>;
const TestFn kLimitLoop = [](SpeedTests& t) { return t.LimitLoop(); };
const TestFn kScan = [](SpeedTests& t) { return t.Scan(); };
const TestFn kCube = [](SpeedTests& t) { return t.AdjacentCubeMoves(); };
const TestFn kFilter = [](SpeedTests& t) { return t.FilterMoves(1); };

class SpeedTestLine : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText(); }

  // Runs `test` on `on` with these answers; records the questions, and when the last one was
  // answered or the motions began (the progress text).
  std::string Run(Answers answers, const TestFn& test, SimSystem* on = nullptr) {
    SimSystem& sys = on != nullptr ? *on : s;
    asked.clear();
    SpeedTests tests(
        SpeedTestDevices{sys.system.stage, sys.system.motCon, sys.system.wheels, sys.system.cube,
                         sys.clock},
        [&](const std::string& title, const std::string& prompt) -> std::optional<std::string> {
          asked.push_back(title + ": " + prompt);
          start = sys.clock.Now();
          if (answers.empty()) return std::nullopt;
          auto answer = answers.front();
          answers.pop_front();
          return answer;
        },
        [&](const std::string& text) {
          progress = text;
          start = sys.clock.Now();
        });
    return test(tests);
  }
  // The elapsed milliseconds a millisecond clock shows since `start`.
  int32_t SimElapsedMs() const { return static_cast<int32_t>(s.clock.Now() / 1000 - start / 1000); }
  sim::Micros Moved(char address) { return s.State(address).counter; }

  SimSystem s{RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}};
  std::vector<std::string> asked;
  std::string progress;
  sim::Micros start = 0;
};

TEST_P(SpeedTestLine, LimitLoopReportsRepetitionsSimulatedTimeAndTheTravelsOfTheStage) {
  const std::string result = Run({"20000", "20000", "2"}, kLimitLoop);
  EXPECT_EQ(asked, (std::vector<std::string>{"Limit Loop Test: Enter X Slew Velocity:",
                                             "Limit Loop Test: Enter Y Slew Velocity:",
                                             "Limit Loop Test: Enter Number of Repetitions:"}));
  EXPECT_EQ(progress, "Limit loop ...");
  const std::string head = " 2 rep " + Str(SimElapsedMs()) + " ms, [";
  ASSERT_EQ(result.substr(0, head.size()), head) << result;
  // Each travel is the axis's range between its end sensors (100 and 75 mm less the sensors).
  double travel[2] = {0, 0};
  ASSERT_EQ(std::sscanf(result.c_str() + head.size(), "%lf,%lf]", &travel[0], &travel[1]), 2);
  EXPECT_NEAR(travel[0], 99800, 998);  // where a unit stops after its sensor differs by type
  EXPECT_NEAR(travel[1], 74800, 748);
  // A dead end sensor fails the loop with a negative code.
  SimSystem broken(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}, [](sim::LinePlan& plan) {
    for (sim::UnitPlan& unit : plan.units)
      if (unit.role == sim::Role::Y) unit.axis.deadSensors = sim::SensorBit(sim::Sensor::High);
  });
  ASSERT_EQ(broken.Start(), 1);
  const std::string failed = Run({"20000", "20000", "1"}, kLimitLoop, &broken);
  ASSERT_EQ(failed.rfind("Error-", 0), 0u) << failed;
  EXPECT_LT(TextToInt16(failed.substr(5)).value_or(0), 0);
}

TEST_P(SpeedTestLine, ScanRastersAlongEitherAxisAndTakesTheStageBack) {
  const StageAxisParams& x = s.system.stage.Params().X;
  const double um = s.system.stage.XUmPerStep();
  const char home = static_cast<char>(x.Contr);
  for (const char* direction : {"0", "1"}) {
    // Three fields of 100 microns in X, two of 300 in Y: along X two X steps and one Y step,
    // along Y one Y step in each of two lines and an X step after each.
    const bool alongX = direction[0] == '0';
    const double steps = alongX ? (2 * 100 + 300) / um : (2 * 300 + 2 * 100) / um;
    const int64_t before = Moved(home);
    const std::string result = Run({"3", "2", "100", "300", direction}, kScan);
    EXPECT_EQ(progress, "Scanning ...");
    int32_t elapsed = -1;
    ASSERT_EQ(std::sscanf(result.c_str(), " 3 * 2, steps 100 * 300 %d", &elapsed), 1) << result;
    EXPECT_EQ(result, " 3 * 2, steps 100 * 300 " + std::to_string(elapsed) + " msec");
    const double motion = 1000 * steps / x.SlewVelocity;
    EXPECT_GE(elapsed, motion);
    EXPECT_LE(elapsed, motion + (alongX ? 3 : 4) * 80);
    EXPECT_LE(elapsed, SimElapsedMs());
    ASSERT_EQ(s.Run("XY Wait"), "OK  ; ");
    EXPECT_EQ(Moved(home), before);
  }
  // Along X with one line: nothing moves and no time passes.
  const char y = static_cast<char>(s.system.stage.Params().Y.Contr);
  const auto before = std::tuple(Moved(home), Moved(y));
  EXPECT_EQ(Run({"4", "1", "100", "100", "0"}, kScan), " 4 * 1, steps 100 * 100 0 msec");
  s.Run("XY Wait");
  EXPECT_EQ(std::tuple(Moved(home), Moved(y)), before);
}

TEST_P(SpeedTestLine, FilterTestWrapsRoundTheWheelAndTimesItsMoves) {
  ASSERT_EQ(s.system.wheels.Params(1).filtPositions, 6);
  ASSERT_EQ(s.Run("F 5;F Wait"), "OK  ; OK  ; ");
  // Steps from filter 5 on six positions, with and without passing position 6; 8 is more than
  // once round: filter 2, not 8. Two steps three times go 4, 6, then round to 2.
  const std::tuple<const char*, const char*, const char*> moves[] = {
      {"3", "1", "2 ; "}, {"3", "1", "5 ; "}, {"1", "1", "6 ; "},
      {"8", "1", "2 ; "}, {"2", "3", "2 ; "},
  };
  for (const auto& [step, times, filter] : moves) {
    const std::string result = Run({step, times}, kFilter);
    EXPECT_EQ(result, " " + std::string(times) + " repetitions -" + Str(SimElapsedMs()) + " msec");
    EXPECT_EQ(s.Run("F ?"), filter) << step;
  }
  EXPECT_EQ(asked.front(),
            "Filter move test: Enter number of positions to switch (1 is switch to adjacent):");
  const sim::Micros before = s.clock.Now();
  EXPECT_EQ(Run({"0", "1"}, kFilter), " 1 repetitions - 0 msec");
  EXPECT_EQ(s.clock.Now(), before);
}

TEST_P(SpeedTestLine, CubeTestEndsOnCubeOneAfterAnEvenNumberOfMoves) {
  ASSERT_EQ(s.Run("Cube 3;Cube Wait"), "OK  ; OK  ; ");
  const std::string result = Run({"3"}, kCube);
  EXPECT_EQ(asked,
            std::vector<std::string>{"Adjacent cube move test: Enter number of repetitions:"});
  int32_t ms = -1;
  ASSERT_EQ(std::sscanf(result.c_str(), " 4 repetitions -%d msec", &ms), 1) << result;
  EXPECT_GT(ms, 0);
  EXPECT_LE(ms, SimElapsedMs());
  EXPECT_EQ(s.Run("Cube ?"), "1 ; ");
  EXPECT_EQ(Run({"1"}, kCube), " 0 repetitions - 0 msec");
}

TEST_P(SpeedTestLine, AnAnswerThatIsNoUsableNumberEndsTheTestBeforeAnythingMoves) {
  const std::pair<Answers, TestFn> cases[] = {
      {{"8000", "x"}, kLimitLoop},
      {{"8000", "8000", "70000"}, kLimitLoop},
      {{"3", "3", "100", "1e999"}, kScan},
      {{"3", "3", "100", "100", ""}, kScan},
      {{"2", std::nullopt}, [](SpeedTests& t) { return t.FilterMoves(2); }},
      {{"&H10"}, kCube},
  };
  for (const auto& [answers, test] : cases) {
    const sim::Micros before = s.clock.Now();
    EXPECT_EQ(Run(answers, test), kInputNotANumber);
    EXPECT_EQ(s.clock.Now(), before) << "the line stayed silent";
    EXPECT_EQ(asked.size(), answers.size());
  }
}

INSTANTIATE_TEST_SUITE_P(BothTypes, SpeedTestLine,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

// 1 and 3 are in the cube test above.
TEST(SpeedTestCount, CubeMovesAreTheNearestEvenNumberHalvesToEven) {
  for (const auto& [asked, moves] : {std::pair<int16_t, int32_t>{5, 4}, {-3, -4}, {32767, 32768}})
    EXPECT_EQ(EvenRepetitions(asked), moves) << asked;
}

}  // namespace
}  // namespace qv::test
