// The stage, wheel and cube speed tests on both simulated microscopes at 9600 baud: the result
// texts with the times the simulated clock took, refused answers that move nothing, and the
// edges of each algorithm.
#include "commands/SpeedTests.h"

#include <gtest/gtest.h>

#include <deque>

#include "foundation/NumberText.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

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
  // "<head><n> msec" with the elapsed time of the run in it.
  std::string Timed(const std::string& head) const { return head + Str(SimElapsedMs()) + " msec"; }
  int16_t Filter() {
    int16_t filter = 0;
    s.system.wheels.ReadFilter(filter);
    return filter;
  }
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
    const std::string head = " 3 * 2, steps 100 * 300 ";
    ASSERT_EQ(result.substr(0, head.size()), head) << result;
    const int32_t elapsed =
        TextToInt32(result.substr(head.size(), result.size() - 5 - head.size())).value_or(-1);
    EXPECT_EQ(result, head + std::to_string(elapsed) + " msec");
    const double motion = 1000 * steps / x.SlewVelocity;
    EXPECT_GE(elapsed, motion);
    EXPECT_LE(elapsed, motion + (alongX ? 3 : 4) * 80);
    EXPECT_LE(elapsed, SimElapsedMs());
    ASSERT_EQ(s.Run("XY Wait"), "OK  ; ");
    EXPECT_EQ(Moved(home), before);
  }
  // Along X with one line: nothing moves and no time passes.
  const char y = static_cast<char>(s.system.stage.Params().Y.Contr);
  const int64_t beforeX = Moved(home), beforeY = Moved(y);
  EXPECT_EQ(Run({"4", "1", "100", "100", "0"}, kScan), " 4 * 1, steps 100 * 100 0 msec");
  s.Run("XY Wait");
  EXPECT_EQ(Moved(home), beforeX);
  EXPECT_EQ(Moved(y), beforeY);
}

TEST_P(SpeedTestLine, FilterTestWrapsRoundTheWheelAndTimesItsMoves) {
  ASSERT_EQ(s.system.wheels.Params(1).filtPositions, 6);
  ASSERT_EQ(s.Run("F 5;F Wait"), "OK  ; OK  ; ");
  // Steps from filter 5 on six positions; 8 is more than once round: filter 1, not 7.
  const std::pair<const char*, int16_t> moves[] = {{"3", 2}, {"3", 5}, {"3", 2},
                                                   {"1", 3}, {"2", 5}, {"8", 1}};
  for (const auto& [step, filter] : moves) {
    const std::string result = Run({step, "1"}, kFilter);
    EXPECT_EQ(result, Timed(" 1 repetitions -"));
    EXPECT_EQ(Filter(), filter) << step;
  }
  const std::string three = Run({"2", "3"}, kFilter);
  EXPECT_EQ(three, Timed(" 3 repetitions -"));
  EXPECT_EQ(Filter(), 1);  // 3, 5, then round to 1
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
  const std::string head = " 4 repetitions -";
  ASSERT_EQ(result.substr(0, head.size()), head);
  const int32_t ms =
      TextToInt32(result.substr(head.size(), result.size() - 5 - head.size())).value_or(-1);
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
