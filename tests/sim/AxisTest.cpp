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

// At real speed: the transcripts under tests/transcripts/sim/.
TEST(AxisTest, ScaledTimeRunsMotionsFaster) {
  AxisConfig fast = test::SmallLinear();
  fast.timeScale = 10;
  Axis scaled(fast);
  scaled.Start(Steps(-1, 1000), 0);
  EXPECT_EQ(scaled.EndTime(), 100 * kMs);
  EXPECT_EQ(scaled.Counter(50 * kMs), -500);
  EXPECT_EQ(scaled.Load(50 * kMs), 4500);
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

}  // namespace
}  // namespace sim
