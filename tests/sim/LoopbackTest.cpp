#include "sim/Loopback.h"

#include <gtest/gtest.h>

#include "tests/support/SimLine.h"

namespace sim {
namespace {

using test::Ez;
using test::kMs;
using test::kSecond;

TEST(SimClockTest, MovesOnlyWhenToldAndRoundsSecondsHalfToEven) {
  SimClock clock;
  clock.DelayMs(10);
  EXPECT_EQ(clock.Now(), 11 * kMs);
  clock.DelayMs(0);
  clock.DelayMs(-5);
  EXPECT_EQ(clock.TimeMs(), 11);
  clock.AdvanceTo(5 * kMs);  // never backwards
  EXPECT_EQ(clock.TimeMs(), 11);
  clock.AdvanceTo(2500 * kMs);
  EXPECT_EQ(clock.RoundedSeconds(), 2);
  clock.Advance(kSecond);
  EXPECT_EQ(clock.RoundedSeconds(), 4);

  SimClock nearWrap((Micros{1} << 32) * 1000 - 5 * kMs);
  const int32_t before = nearWrap.TimeMs();
  nearWrap.DelayMs(9);
  EXPECT_EQ(qv::ElapsedMs(before, nearWrap.TimeMs()), 10);
}

// (A port whose device has gone: the controller line's tests.)
TEST(LoopbackTest, WaitingAdvancesTheClockToTheNextByteOrByTheWholeTimeOut) {
  Line line{ControllerType::EZHR17, LineOptions{.baud = 9600}};
  line.AddUnit('1', test::SmallLinear());
  SimClock clock;
  LoopbackPort port{line, clock};
  ASSERT_TRUE(port.Open("/dev/ttyS0"));
  ASSERT_TRUE(port.Write("/1?0\r"));
  EXPECT_TRUE(port.WaitForData(100));
  EXPECT_EQ(clock.Now(), 6 * 1042);  // five bytes out, the first reply byte back
  std::string got;
  ASSERT_TRUE(port.ReadAll(got));
  EXPECT_EQ(got, "\xFF");
  while (got.size() < Ez('`', "0").size() && port.WaitForData(100)) {
    std::string more;
    port.ReadAll(more);
    got += more;
  }
  EXPECT_EQ(got, Ez('`', "0"));
  EXPECT_EQ(clock.Now(), 13 * 1042);
  EXPECT_EQ(port.Written(), "/1?0\r");

  const Micros before = clock.Now();
  ASSERT_TRUE(port.Write("/7?0\r"));  // nobody there
  EXPECT_FALSE(port.WaitForData(200));
  EXPECT_EQ(clock.Now(), before + 200 * kMs);
  EXPECT_FALSE(port.WaitForData(0));
  EXPECT_EQ(clock.Now(), before + 200 * kMs);
}

}  // namespace
}  // namespace sim
