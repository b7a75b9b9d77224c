// The stage, wheel and cube speed tests on both simulated microscopes at 9600 baud: the result
// texts with the times the simulated clock took, refused answers that move nothing, and the
// edges of each algorithm.
#include "commands/SpeedTests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "foundation/NumberText.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

class SpeedTestLine : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText(); }

  // Runs `test` with these answers; records the questions and when the last one was answered
  // and when the motions began (the progress text).
  template <class Test>
  std::string Run(std::deque<std::optional<std::string>> answers, Test test) {
    asked.clear();
    SpeedTests tests(
        SpeedTestDevices{s.system.stage, s.system.motCon, s.system.wheels, s.system.cube, s.clock},
        [&](const std::string& title, const std::string& prompt) -> std::optional<std::string> {
          asked.push_back(title + ": " + prompt);
          start = s.clock.Now();
          if (answers.empty()) return std::nullopt;
          auto answer = answers.front();
          answers.pop_front();
          return answer;
        },
        [&](const std::string& text) {
          progress = text;
          start = s.clock.Now();
        });
    return test(tests);
  }
  // The elapsed milliseconds a millisecond clock shows between `start` and now.
  int32_t SimElapsedMs() const { return static_cast<int32_t>(s.clock.Now() / 1000 - start / 1000); }
  int16_t Filter() {
    int16_t filter = 0;
    s.system.wheels.ReadFilter(filter);
    return filter;
  }
  // The milliseconds of a result text that ends in "<n> msec", from `from` on.
  static int32_t Msec(const std::string& result, size_t from) {
    const size_t end = result.rfind(" msec");
    const std::optional<int32_t> ms =
        end == std::string::npos ? std::nullopt : TextToInt32(result.substr(from, end - from));
    return ms.value_or(-1);
  }
  sim::Micros Moved(char address) { return s.State(address).counter; }

  SimSystem s{RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}};
  std::vector<std::string> asked;
  std::string progress;
  sim::Micros start = 0;
};

TEST_P(SpeedTestLine, LimitLoopReportsRepetitionsSimulatedTimeAndTheTravelsOfTheStage) {
  const std::string result =
      Run({"20000", "20000", "2"}, [](SpeedTests& t) { return t.LimitLoop(); });
  EXPECT_EQ(asked, (std::vector<std::string>{"Limit Loop Test: Enter X Slew Velocity:",
                                             "Limit Loop Test: Enter Y Slew Velocity:",
                                             "Limit Loop Test: Enter Number of Repetitions:"}));
  EXPECT_EQ(progress, "Limit loop ...");
  const std::string head = " 2 rep " + Str(SimElapsedMs()) + " ms, [";
  ASSERT_EQ(result.substr(0, head.size()), head) << result;
  // Each travel is the axis's range between its end sensors.
  double travelX = 0, travelY = 0;
  ASSERT_EQ(std::sscanf(result.c_str() + head.size(), "%lf,%lf]", &travelX, &travelY), 2);
  const double um = s.system.stage.XUmPerStep();
  for (const sim::UnitPlan& unit : s.plan.units) {
    if (unit.role != sim::Role::X && unit.role != sim::Role::Y) continue;
    const double range = (unit.axis.travel - 2 * unit.axis.sensorWidth) * um;
    const double slack = range / 100;  // where a unit stops after its sensor differs by type
    EXPECT_NEAR(unit.role == sim::Role::X ? travelX : travelY, range, slack);
  }
}

TEST_P(SpeedTestLine, AFailedLimitLoopShowsErrorAndItsNegativeResult) {
  SimSystem broken(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}, [](sim::LinePlan& plan) {
    for (sim::UnitPlan& unit : plan.units)
      if (unit.role == sim::Role::Y) unit.axis.deadSensors = sim::SensorBit(sim::Sensor::High);
  });
  ASSERT_EQ(broken.Start(), 1);
  SpeedTests tests(SpeedTestDevices{broken.system.stage, broken.system.motCon, broken.system.wheels,
                                    broken.system.cube, broken.clock},
                   [answers = std::deque<std::string>{"20000", "20000", "1"}](
                       const std::string&, const std::string&) mutable {
                     std::string answer = answers.front();
                     answers.pop_front();
                     return std::optional<std::string>(answer);
                   },
                   {});
  const std::string result = tests.LimitLoop();
  ASSERT_EQ(result.rfind("Error-", 0), 0u) << result;
  const std::optional<int16_t> code = TextToInt16(result.substr(5));
  ASSERT_TRUE(code);
  EXPECT_LT(*code, 0);
}

TEST_P(SpeedTestLine, ScanRastersAlongEitherAxisAndTakesTheStageBack) {
  const StageAxisParams& x = s.system.stage.Params().X;
  const double um = s.system.stage.XUmPerStep();
  for (const char* direction : {"0", "1"}) {
    // Three fields of 100 microns in X, two of 300 in Y: along X two X steps and one Y step,
    // along Y one Y step in each of two lines and an X step after each.
    const double steps = direction[0] == '0' ? (2 * 100 + 300) / um : (2 * 300 + 2 * 100) / um;
    const int moves = direction[0] == '0' ? 3 : 4;
    const char home = static_cast<char>(x.Contr);
    const int64_t before = Moved(home);
    const std::string result =
        Run({"3", "2", "100", "300", direction}, [](SpeedTests& t) { return t.Scan(); });
    EXPECT_EQ(progress, "Scanning ...");
    const std::string head = " 3 * 2, steps 100 * 300 ";
    ASSERT_EQ(result.substr(0, head.size()), head) << result;
    const int32_t elapsed = Msec(result, head.size());
    EXPECT_EQ(result, head + std::to_string(elapsed) + " msec");
    const double motion = 1000 * steps / x.SlewVelocity;
    EXPECT_GE(elapsed, motion);
    EXPECT_LE(elapsed, motion + moves * 80);
    EXPECT_LE(elapsed, SimElapsedMs());
    ASSERT_EQ(s.Run("XY Wait"), "OK  ; ");
    EXPECT_EQ(Moved(home), before);
  }
}

TEST_P(SpeedTestLine, ScanAlongXWithOneLineMovesNothingAndTakesNoTime) {
  const char x = static_cast<char>(s.system.stage.Params().X.Contr);
  const char y = static_cast<char>(s.system.stage.Params().Y.Contr);
  const int64_t beforeX = Moved(x), beforeY = Moved(y);
  EXPECT_EQ(Run({"4", "1", "100", "100", "0"}, [](SpeedTests& t) { return t.Scan(); }),
            " 4 * 1, steps 100 * 100 0 msec");
  s.Run("XY Wait");
  EXPECT_EQ(Moved(x), beforeX);
  EXPECT_EQ(Moved(y), beforeY);
}

TEST_P(SpeedTestLine, FilterTestWrapsRoundTheWheelAndTimesItsMoves) {
  ASSERT_EQ(s.system.wheels.Params(1).filtPositions, 6);
  ASSERT_EQ(s.Run("F 5;F Wait"), "OK  ; OK  ; ");
  auto once = [this](const char* step) {
    return Run({step, "1"}, [](SpeedTests& t) { return t.FilterMoves(1); });
  };
  for (int16_t expected : {2, 5, 2}) {  // step 3 from 5 on six positions
    const std::string result = once("3");
    EXPECT_EQ(result, " 1 repetitions -" + Str(SimElapsedMs()) + " msec");
    EXPECT_EQ(Filter(), expected);
  }
  const std::string adjacent = once("1");
  EXPECT_EQ(adjacent, " 1 repetitions -" + Str(SimElapsedMs()) + " msec");
  EXPECT_EQ(Filter(), 3);
  once("2");
  EXPECT_EQ(Filter(), 5);
  once("8");  // 5 + 8 is more than once round the wheel: filter 1, not a filter 7
  EXPECT_EQ(Filter(), 1);
  const std::string three = Run({"2", "3"}, [](SpeedTests& t) { return t.FilterMoves(1); });
  EXPECT_EQ(three, " 3 repetitions -" + Str(SimElapsedMs()) + " msec");
  EXPECT_EQ(Filter(), 1);  // 3, 5, then round to 1
  EXPECT_EQ(asked.front(),
            "Filter move test: Enter number of positions to switch (1 is switch to adjacent):");
  const sim::Micros before = s.clock.Now();
  EXPECT_EQ(once("0"), " 1 repetitions - 0 msec");
  EXPECT_EQ(s.clock.Now(), before);
}

TEST_P(SpeedTestLine, CubeTestEndsOnCubeOneAfterAnEvenNumberOfMoves) {
  ASSERT_EQ(s.Run("Cube 3;Cube Wait"), "OK  ; OK  ; ");
  const std::string result = Run({"3"}, [](SpeedTests& t) { return t.AdjacentCubeMoves(); });
  EXPECT_EQ(asked,
            std::vector<std::string>{"Adjacent cube move test: Enter number of repetitions:"});
  const std::string head = " 4 repetitions -";
  ASSERT_EQ(result.substr(0, head.size()), head);
  EXPECT_LE(Msec(result, head.size()), SimElapsedMs());
  EXPECT_GT(Msec(result, head.size()), 0);
  int16_t cube = 0;
  ASSERT_EQ(s.system.cube.ReadPos(cube), 1);
  EXPECT_EQ(cube, 1);
  EXPECT_EQ(Run({"1"}, [](SpeedTests& t) { return t.AdjacentCubeMoves(); }),
            " 0 repetitions - 0 msec");
}

TEST_P(SpeedTestLine, AnAnswerThatIsNoUsableNumberEndsTheTestBeforeAnythingMoves) {
  struct Case {
    std::deque<std::optional<std::string>> answers;
    std::function<std::string(SpeedTests&)> test;
  };
  const std::vector<Case> cases{
      {{"8000", "x"}, [](SpeedTests& t) { return t.LimitLoop(); }},
      {{"8000", "8000", "70000"}, [](SpeedTests& t) { return t.LimitLoop(); }},
      {{"3", "3", "100", "1e999"}, [](SpeedTests& t) { return t.Scan(); }},
      {{"3", "3", "100", "100", ""}, [](SpeedTests& t) { return t.Scan(); }},
      {{"2", std::nullopt}, [](SpeedTests& t) { return t.FilterMoves(2); }},
      {{"&H10"}, [](SpeedTests& t) { return t.AdjacentCubeMoves(); }},
  };
  for (const Case& c : cases) {
    const sim::Micros before = s.clock.Now();
    const size_t given = c.answers.size();
    EXPECT_EQ(Run(c.answers, c.test), kInputNotANumber);
    EXPECT_EQ(s.clock.Now(), before) << "the line stayed silent";
    EXPECT_EQ(asked.size(), given);
  }
}

INSTANTIATE_TEST_SUITE_P(BothTypes, SpeedTestLine,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

TEST(SpeedTestCount, CubeMovesAreTheNearestEvenNumberHalvesToEven) {
  for (int16_t asked : {0, 1, 2, 3, 5, 7, -3, 32767, -32768}) {
    const int32_t moves = EvenRepetitions(asked);
    EXPECT_EQ(moves % 2, 0);
    EXPECT_LE(std::abs(moves - asked), 1);
    if (asked % 2 != 0) {
      EXPECT_EQ((moves / 2) % 2, 0) << asked;  // the half went to even
    }
  }
  EXPECT_EQ(EvenRepetitions(32767), 32768);
}

}  // namespace
}  // namespace qv::test
