#include "sim/Axis.h"

#include <gtest/gtest.h>

#include "tests/support/SimLine.h"

namespace sim {
namespace {

using test::kMs;
using test::kSecond;

Move Steps(int direction, int64_t steps, double speed = 1000, bool stopAtEnds = true) {
  Move move;
  move.direction = direction;
  move.steps = steps;
  move.speed = speed;
  move.stopAtEnds = stopAtEnds;
  return move;
}

TEST(AxisTest, MovesAtItsSpeedInRealTimeAndScaledTime) {
  Axis axis(test::SmallLinear());
  axis.Start(Steps(1, 1000), 0);
  EXPECT_EQ(axis.EndTime(), kSecond);
  EXPECT_TRUE(axis.Moving(500 * kMs));
  EXPECT_EQ(axis.Counter(500 * kMs), 500);
  EXPECT_EQ(axis.Load(500 * kMs), 5500);
  EXPECT_FALSE(axis.FinishDue(kSecond - 1));
  EXPECT_TRUE(axis.FinishDue(kSecond));
  EXPECT_FALSE(axis.Moving(kSecond));
  EXPECT_EQ(axis.Counter(2 * kSecond), 1000);

  AxisConfig fast = test::SmallLinear();
  fast.timeScale = 10;
  Axis scaled(fast);
  scaled.Start(Steps(-1, 1000), 0);
  EXPECT_EQ(scaled.EndTime(), 100 * kMs);
  EXPECT_EQ(scaled.Counter(50 * kMs), -500);
}

TEST(AxisTest, EndSensorsStopAMoveOnlyWhenAskedToAndOnlyInTheDirectionOfTravel) {
  Axis axis(test::SmallLinear());
  axis.Start(Steps(1, kEndless), 0);
  EXPECT_EQ(axis.EndTime(), 4900 * kMs);  // 5000 -> 9900, where the high sensor starts
  ASSERT_TRUE(axis.FinishDue(5 * kSecond));
  EXPECT_EQ(axis.Load(5 * kSecond), 9900);
  EXPECT_TRUE(axis.SensorActive(Sensor::High, 5 * kSecond));
  EXPECT_FALSE(axis.SensorActive(Sensor::Low, 5 * kSecond));

  axis.Start(Steps(1, 50), 5 * kSecond);  // further into the sensor: refused at once
  EXPECT_TRUE(axis.FinishDue(5 * kSecond));
  EXPECT_EQ(axis.Load(5 * kSecond), 9900);
  axis.Start(Steps(-1, 50), 5 * kSecond);  // away from it: allowed
  EXPECT_EQ(axis.EndTime(), 5050 * kMs);
}

TEST(AxisTest, WithoutEndStopsTheLoadStallsAtTheMechanicalEndWhileTheCountRunsOn) {
  Axis axis(test::SmallLinear());
  axis.Start(Steps(-1, 6000, 1000, false), 0);
  ASSERT_TRUE(axis.FinishDue(6 * kSecond));
  EXPECT_EQ(axis.Load(6 * kSecond), 0);
  EXPECT_EQ(axis.Counter(6 * kSecond), -6000);
  EXPECT_TRUE(axis.SensorActive(Sensor::Low, 6 * kSecond));
  axis.Start(Steps(1, 200, 1000, false), 6 * kSecond);  // the slip is permanent
  ASSERT_TRUE(axis.FinishDue(7 * kSecond));
  EXPECT_EQ(axis.Load(7 * kSecond), 200);
}

TEST(AxisTest, BacklashIsLostMotionAfterEachDirectionChange) {
  AxisConfig config = test::SmallLinear();
  config.backlash = 50;
  Axis axis(config);
  axis.Start(Steps(1, 100), 0);
  ASSERT_TRUE(axis.FinishDue(kSecond));
  EXPECT_EQ(axis.Counter(kSecond), 100);
  EXPECT_EQ(axis.Load(kSecond), 5050);  // the first 50 steps took up the play
  axis.Start(Steps(1, 100), kSecond);
  ASSERT_TRUE(axis.FinishDue(2 * kSecond));
  EXPECT_EQ(axis.Load(2 * kSecond), 5150);  // same direction: no loss
  axis.Start(Steps(-1, 100), 2 * kSecond);
  ASSERT_TRUE(axis.FinishDue(3 * kSecond));
  EXPECT_EQ(axis.Counter(3 * kSecond), 100);
  EXPECT_EQ(axis.Load(3 * kSecond), 5100);
}

TEST(AxisTest, SensorSearchesAccountForBacklash) {
  AxisConfig config = test::SmallLinear();
  config.backlash = 50;
  Axis axis(config);
  Move search = Steps(-1, kEndless);
  search.until = Until::Enter;
  search.sensor = Sensor::Home;
  axis.Start(search, 0);
  ASSERT_TRUE(axis.FinishDue(10 * kSecond));
  EXPECT_EQ(axis.Load(10 * kSecond), 400);  // upper edge of the home input
  Move leave = Steps(1, kEndless);
  leave.until = Until::Leave;
  leave.sensor = Sensor::Home;
  const Micros t = 10 * kSecond;
  axis.Start(leave, t);
  EXPECT_EQ(axis.EndTime(), t + 51 * kMs);  // 50 steps of play, then one step out: 401
  ASSERT_TRUE(axis.FinishDue(t + 51 * kMs));
  EXPECT_EQ(axis.Load(t + 51 * kMs), 401);
  EXPECT_FALSE(axis.SensorActive(Sensor::Home, t + 51 * kMs));
}

TEST(AxisTest, RotaryIndexRepeatsEveryTurnAndThereAreNoEnds) {
  Axis axis(test::SmallRotary());
  EXPECT_FALSE(axis.SensorActive(Sensor::Home, 0));
  EXPECT_FALSE(axis.SensorActive(Sensor::Low, 0));
  Move search = Steps(1, kEndless);
  search.until = Until::Enter;
  axis.Start(search, 0);
  ASSERT_TRUE(axis.FinishDue(10 * kSecond));
  EXPECT_EQ(axis.Load(10 * kSecond), 6000);
  EXPECT_TRUE(axis.SensorActive(Sensor::Home, 10 * kSecond));

  search.direction = -1;
  search.until = Until::Leave;
  axis.Start(search, 10 * kSecond);
  ASSERT_TRUE(axis.FinishDue(20 * kSecond));
  EXPECT_EQ(axis.Load(20 * kSecond), 5999);
  search.until = Until::Enter;
  axis.Start(search, 20 * kSecond);
  ASSERT_TRUE(axis.FinishDue(40 * kSecond));
  EXPECT_EQ(axis.Load(40 * kSecond), 100);

  axis.Start(Steps(1, kEndless), 40 * kSecond);  // a run on a wheel never ends by itself
  EXPECT_EQ(axis.EndTime(), kNever);
}

TEST(AxisTest, SettingTheCounterKeepsARunningMotionGoing) {
  Axis axis(test::SmallLinear());
  axis.Start(Steps(1, 1000), 0);
  axis.SetCounter(0, 400 * kMs);
  EXPECT_TRUE(axis.Moving(400 * kMs));
  EXPECT_EQ(axis.EndTime(), kSecond);
  ASSERT_TRUE(axis.FinishDue(kSecond));
  EXPECT_EQ(axis.Counter(kSecond), 600);
  EXPECT_EQ(axis.Load(kSecond), 6000);
}

TEST(AxisTest, ADeadSensorNeverRespondsSoASearchForItRunsIntoTheEnd) {
  AxisConfig config = test::SmallLinear();
  config.deadSensors = SensorBit(Sensor::Home) | SensorBit(Sensor::Low);
  Axis axis(config);
  Move search = Steps(-1, kEndless, 1000, false);
  search.until = Until::Enter;
  search.sensor = Sensor::Home;
  axis.Start(search, 0);
  EXPECT_EQ(axis.EndTime(), kNever);
  // Past the home input and onto the low end: neither responds, the load stops at the end.
  EXPECT_EQ(axis.Load(10 * kSecond), 0);
  EXPECT_FALSE(axis.SensorActive(Sensor::Home, 4700 * kMs));  // at 300, inside the input
  EXPECT_FALSE(axis.SensorActive(Sensor::Low, 10 * kSecond));
  // The high end still works.
  Axis other(config);
  other.Start(Steps(1, kEndless), 0);
  EXPECT_EQ(other.Load(10 * kSecond), 9900);
}

}  // namespace
}  // namespace sim
