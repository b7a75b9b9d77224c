#include "sim/EzUnit.h"

#include <gtest/gtest.h>

#include "sim/Line.h"
#include "tests/support/SimLine.h"

namespace sim {
namespace {

using test::Ez;
using test::kMs;
using test::kSecond;

constexpr char kReady = '`';  // 0x60
constexpr char kBusy = '@';   // 0x40

class EzUnitTest : public ::testing::Test {
 protected:
  EzUnitTest() {
    line.AddUnit('1', test::SmallLinear());
    line.AddUnit('4', test::SmallRotary());
  }
  std::string Send(const std::string& frame, Micros at) { return test::Exchange(line, frame, at); }
  UnitState State(char address, Micros at) { return line.FindUnit(address)->State(at); }

  Line line{ControllerType::EZHR17};
};

TEST_F(EzUnitTest, QueriesAnswerInTheExactFrame) {
  EXPECT_EQ(Send("/1?0\r", 0), Ez(kReady, "0"));
  EXPECT_EQ(Send("/1z1234R\r", 0), Ez(kReady));
  EXPECT_EQ(Send("/1?0\r", 0), std::string("\xFF\x2F\x30\x60\x31\x32\x33\x34\x03\x0D\x0A"));
  EXPECT_EQ(Send("/1z-20R\r", 0), Ez(kReady));
  EXPECT_EQ(Send("/1?0\r", 0), Ez(kReady, "-20"));
  EXPECT_EQ(Send("/1?2\r", 0), Ez(kReady, "5000"));
  EXPECT_EQ(Send("/1V800v300R\r", 0), Ez(kReady));
  EXPECT_EQ(Send("/1?2\r", 0), Ez(kReady, "800"));
  EXPECT_EQ(Send("/1?1\r", 0), Ez(kReady, "300"));
  EXPECT_EQ(Send("/1?4\r", 0), Ez(kReady, "0"));
  EXPECT_EQ(Send("/1Q\r", 0), Ez(kReady));
  EXPECT_EQ(Send("/1?Q\r", 0), Ez(kReady));                        // the start-up wake-up ping
  EXPECT_EQ(Send("/1h10m50Rj16RL12Rf1Rn2RB1600R\r", 0), Ez('b'));  // "R" only at the end
  EXPECT_EQ(Send("/1h10m50j16L12f1n2B1600R\r", 0), Ez(kReady));
}

TEST_F(EzUnitTest, BadCommandsAndOperandsAreRefusedWithTheirErrorCodes) {
  EXPECT_EQ(Send("/1X5R\r", 0), Ez('b'));    // 2: unknown command
  EXPECT_EQ(Send("/1m101R\r", 0), Ez('c'));  // 3: run current above 100 %
  EXPECT_EQ(Send("/1AR\r", 0), Ez('c'));     // 3: a move without its distance
  EXPECT_EQ(Send("/1j3R\r", 0), Ez('c'));    // 3: resolution not a power of two
  EXPECT_EQ(Send("/1P-5R\r", 0), Ez('c'));   // 3: negative relative move
  EXPECT_EQ(Send("/1?3\r", 0), Ez('c'));
  EXPECT_EQ(Send("/1A99999999999R\r", 0), Ez('c'));
  EXPECT_EQ(Send("/1V0R\r", 0), Ez('c'));
  EXPECT_EQ(Send("/1TQ5R\r", 0), Ez('c'));
  const UnitState s = State('1', 0);
  EXPECT_EQ(s.counter, 0);  // nothing of a refused string ran
  EXPECT_FALSE(s.moving);
}

TEST_F(EzUnitTest, AMoveTakesItsStepsOverSpeedAndReportsBusyUntilDone) {
  EXPECT_EQ(Send("/1V1000P500R\r", 0), Ez(kBusy));
  EXPECT_EQ(Send("/1?0\r", 250 * kMs), Ez(kBusy, "250"));
  EXPECT_EQ(Send("/1P10R\r", 260 * kMs), Ez('O'));  // 0x4F: busy with error 15
  EXPECT_EQ(Send("/1Q\r", 499 * kMs), Ez(kBusy));
  EXPECT_EQ(Send("/1Q\r", 500 * kMs), Ez(kReady));
  EXPECT_EQ(Send("/1?0\r", 500 * kMs), Ez(kReady, "500"));
  EXPECT_EQ(Send("/1A-1000R\r", kSecond), Ez(kBusy));
  EXPECT_EQ(Send("/1?0\r", 2500 * kMs), Ez(kReady, "-1000"));
  EXPECT_EQ(State('1', 2500 * kMs).load, 4000);
  EXPECT_EQ(Send("/1A-1000R\r", 3 * kSecond), Ez(kReady));  // already there
}

TEST_F(EzUnitTest, RunsGoUntilTerminatedAndMayBeRestartedWhileRunning) {
  EXPECT_EQ(Send("/1V1000P0R\r", 0), Ez(kBusy));
  EXPECT_EQ(Send("/1V1000P0R\r", 10 * kMs), Ez(kBusy));  // the program sends its run twice
  EXPECT_EQ(Send("/1V500D0R\r", kSecond), Ez(kBusy));    // creep back
  EXPECT_EQ(Send("/1A0R\r", kSecond), Ez('O'));          // a finite move still overflows
  EXPECT_EQ(Send("/1T\r", 2 * kSecond), Ez(kReady));
  EXPECT_EQ(Send("/1?0\r", 3 * kSecond), Ez(kReady, "500"));

  Line strict(ControllerType::EZHR17, LineOptions{.strictBusy = true});
  strict.AddUnit('1', test::SmallLinear());
  EXPECT_EQ(test::Exchange(strict, "/1V1000P0R\r", 0), Ez(kBusy));
  EXPECT_EQ(test::Exchange(strict, "/1V1000P0R\r", 10 * kMs), Ez('O'));
}

TEST_F(EzUnitTest, EnabledLimitsStopAtTheEndSensorsThatInputsReport) {
  EXPECT_EQ(Send("/1n2R\r", 0), Ez(kReady));
  EXPECT_EQ(Send("/1V10000D0R\r", 0), Ez(kBusy));  // 5000 -> 100, the low sensor's edge
  EXPECT_EQ(Send("/1Q\r", 489 * kMs), Ez(kBusy));
  EXPECT_EQ(Send("/1Q\r", 490 * kMs), Ez(kReady));
  EXPECT_EQ(Send("/1?0\r", 490 * kMs), Ez(kReady, "-4900"));
  EXPECT_EQ(Send("/1?4\r", 490 * kMs), Ez(kReady, "4"));
  EXPECT_EQ(Send("/1P0R\r", kSecond), Ez(kBusy));  // 100 -> 9900
  EXPECT_EQ(Send("/1?4\r", 2 * kSecond), Ez(kReady, "8"));
  line.FindUnit('1')->SetSwitches(3);
  EXPECT_EQ(Send("/1?4\r", 2 * kSecond), Ez(kReady, "11"));

  EXPECT_EQ(Send("/1n0R\r", 2 * kSecond), Ez(kReady));  // without limits it runs to the stop
  EXPECT_EQ(Send("/1P0R\r", 2 * kSecond), Ez(kBusy));
  EXPECT_EQ(Send("/1Q\r", 3 * kSecond), Ez(kBusy));
  EXPECT_EQ(State('1', 3 * kSecond).load, 10000);
}

TEST_F(EzUnitTest, HomingFindsTheLowSensorAndZeroesTheCounter) {
  EXPECT_EQ(Send("/1z777R\r", 0), Ez(kReady));
  EXPECT_EQ(Send("/1V10000R\r", 0), Ez(kReady));
  EXPECT_EQ(Send("/1Z1000000000R\r", 0), Ez(kBusy));
  EXPECT_EQ(Send("/1Q\r", 489 * kMs), Ez(kBusy));
  EXPECT_EQ(Send("/1?0\r", 490 * kMs), Ez(kReady, "0"));
  EXPECT_EQ(State('1', 490 * kMs).load, 100);
  EXPECT_EQ(Send("/1?4\r", 490 * kMs), Ez(kReady, "4"));

  // On the sensor already: back out past it, then come in again.
  EXPECT_EQ(Send("/1A-50R\r", kSecond), Ez(kBusy));
  EXPECT_EQ(Send("/1V1000Z1000000000R\r", 2 * kSecond), Ez(kBusy));
  EXPECT_EQ(Send("/1?0\r", 2 * kSecond + 16 * kMs), Ez(kBusy, "-34"));  // 50 -> 101 -> 100
  EXPECT_EQ(Send("/1Q\r", 2 * kSecond + 51 * kMs), Ez(kBusy));
  EXPECT_EQ(Send("/1?0\r", 2 * kSecond + 52 * kMs), Ez(kReady, "0"));
  EXPECT_EQ(State('1', 3 * kSecond).load, 100);

  // A search that runs out of steps leaves the counter alone.
  EXPECT_EQ(Send("/1A3000R\r", 3 * kSecond), Ez(kBusy));
  EXPECT_EQ(Send("/1Z100R\r", 6 * kSecond), Ez(kBusy));  // 3000 steps at 1000/s took 3 s
  EXPECT_EQ(Send("/1?0\r", 7 * kSecond), Ez(kReady, "2900"));
  EXPECT_FALSE(State('1', 7 * kSecond).lowEnd);
}

TEST_F(EzUnitTest, StoredStringsRunOnALaterR) {
  EXPECT_EQ(Send("/1V1000P100\r", 0), Ez(kReady));
  EXPECT_FALSE(State('1', 0).moving);
  EXPECT_EQ(Send("/1R\r", kSecond), Ez(kBusy));
  EXPECT_EQ(Send("/1?0\r", kSecond + 100 * kMs), Ez(kReady, "100"));
  EXPECT_EQ(Send("/1R\r", 2 * kSecond), Ez(kBusy));  // stays stored
  EXPECT_EQ(Send("/1?0\r", 3 * kSecond), Ez(kReady, "200"));
}

TEST_F(EzUnitTest, TheWheelHomingProgramEndsJustPastTheIndex) {
  const std::string program = "/4v1000V10000L12gD10S13G0D1gD1S03G0D1R\r";
  EXPECT_EQ(Send(program, 0), Ez(kBusy));
  // 2000 -> 100 in moves of 10 (index found), one more, out through 0 to -1, one more: -2.
  EXPECT_EQ(Send("/4Q\r", 200 * kMs), Ez(kBusy));
  EXPECT_EQ(Send("/4Q\r", 201 * kMs), Ez(kReady));
  const UnitState s = State('4', 201 * kMs);
  EXPECT_EQ(s.counter, -2002);
  EXPECT_EQ(s.load, -2);
  EXPECT_FALSE(s.home);
  EXPECT_EQ(Send("/4?2\r", kSecond), Ez(kReady, "10000"));
  EXPECT_EQ(Send("/4?1\r", kSecond), Ez(kReady, "1000"));
  EXPECT_EQ(Send("/4T\r", kSecond), Ez(kReady));

  // A loop without a motion gives up instead of holding the unit.
  EXPECT_EQ(Send("/4gG0R\r", 2 * kSecond), Ez(kReady));
}

TEST_F(EzUnitTest, OutputsFollowJ) {
  EXPECT_EQ(Send("/1J3R\r", 0), Ez(kReady));
  EXPECT_EQ(State('1', 0).outputs, 3);
  EXPECT_EQ(Send("/1J1R\r", 0), Ez(kReady));
  EXPECT_EQ(State('1', 0).outputs, 1);
  EXPECT_EQ(Send("/1J4R\r", 0), Ez('c'));
  EXPECT_EQ(State('1', 0).outputs, 1);
}

}  // namespace
}  // namespace sim
