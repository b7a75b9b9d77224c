// The simulated line below its command lines, the loopback port the program reads it through,
// and the simulated clock.
#include "sim/Line.h"
#include "sim/Loopback.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sim/Axis.h"
#include "sim/Faults.h"
#include "tests/support/SimLine.h"

namespace sim {
namespace {

using test::Exchange;
using test::Ez;
using test::kMs;
using test::kSecond;

Line EzLine(LineOptions options = {}) {
  Line line(ControllerType::EZHR17, options);
  line.AddUnit('1', test::SmallLinear());
  line.AddUnit('2', test::SmallLinear());
  return line;
}

// What the line does that no command line reaches (the units' frames, replies and faults are
// the transcripts under tests/transcripts/sim/): a frame waits for its terminator, an adapter's
// latency, switch inputs, output bits, and the strict busy rule.
TEST(LineTest, TerminatorLatencySwitchesOutputsAndStrictBusy) {
  Line line = EzLine(LineOptions{.latency = 16 * kMs, .strictBusy = true});
  line.Receive("/1J3R", 0);
  line.Receive("\r", kSecond);
  EXPECT_EQ(line.TakeDue(kSecond + 16 * kMs - 1), "");
  EXPECT_EQ(line.TakeDue(kSecond + 16 * kMs), Ez('`'));
  EXPECT_EQ(line.FindUnit('1')->State(kSecond).outputs, 3);
  line.FindUnit('1')->SetSwitches(3);
  EXPECT_EQ(Exchange(line, "/1?4\r", 2 * kSecond), "");
  EXPECT_EQ(line.TakeDue(3 * kSecond), Ez('`', "3"));
  line.Receive("/1V1000P0R\r", 3 * kSecond);
  line.Receive("/1V1000P0R\r", 3 * kSecond + 10 * kMs);
  EXPECT_EQ(line.TakeDue(4 * kSecond), Ez('@') + Ez('O'));  // a second run fails too

  Line ims(ControllerType::IM483I);
  ims.AddUnit('X', test::SmallLinear());
  EXPECT_EQ(Exchange(ims, "XA 40\n", 0), "XA 40\n");
  ims.FindUnit('X')->SetSwitches(5);
  EXPECT_EQ(Exchange(ims, "XA 129\n", 0), "XA 129 45\n");
}

TEST(LineTest, ALateReplyHoldsBackTheRepliesAfterIt) {
  Line line = EzLine();
  line.SetFault('1', Fault{FaultKind::Late, 300, 1});
  EXPECT_EQ(Exchange(line, "/1Q\r", 0), "");
  EXPECT_EQ(Exchange(line, "/2?0\r", 200 * kMs), "");
  EXPECT_EQ(line.TakeDue(300 * kMs), Ez('`') + Ez('`', "0"));
}

TEST(LineTest, RandomFaultsFollowTheSeed) {
  // Replies are collected at the instant of their command, so every fault kind shows.
  auto run = [](uint32_t seed, double rate) {
    Line line = EzLine(LineOptions{.seed = seed});
    line.SetRandomFaults(rate);
    std::vector<std::string> replies;
    for (int i = 1; i <= 50; ++i) {
      line.TakeDue(i * kSecond - 1);  // what a late reply delivered in between is dropped
      replies.push_back(Exchange(line, "/1?0\r", i * kSecond));
    }
    return replies;
  };
  EXPECT_EQ(run(7, 0.5), run(7, 0.5));
  EXPECT_NE(run(7, 0.5), run(8, 0.5));
  EXPECT_EQ(run(7, 0), std::vector<std::string>(50, Ez('`', "0")));
  // Every reply faulty at rate 1 (the share at other rates: the controller line's tests).
  EXPECT_EQ(std::ranges::count(run(7, 1), Ez('`', "0")), 0);
}

// The transcripts' "fault" lines use the kinds with their defaults and counts.
TEST(FaultSpecTest, ValuesAndRandomRatesAreReadAndBadItemsRefused) {
  FaultPlan plan;
  std::string error;
  for (const char* bad :
       {"3", "3:", "3:slow", "3:noreply=5", "3:late=", "3:late=x", "3:error=16", "3:late#0",
        "1:random=0.5", "*:random=2", "3:noreply,", "33:late", "3:nonumber=2"}) {
    EXPECT_FALSE(ParseFaultSpec(bad, plan, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  ASSERT_TRUE(ParseFaultSpec("5:late=250,*:random=0.05", plan, error)) << error;
  EXPECT_EQ(plan.units.at(0).second.value, 250);
  EXPECT_DOUBLE_EQ(plan.randomRate, 0.05);
  EXPECT_TRUE(ParseFaultSpec("", plan, error));
  EXPECT_TRUE(plan.units.empty());
}

// At real speed, at the ends and on the sensors: the transcripts under tests/transcripts/sim/.
TEST(AxisTest, ScaledTimeRunsMotionsFaster) {
  AxisConfig fast = test::SmallLinear();
  fast.timeScale = 10;
  Axis scaled(fast);
  scaled.Start(Move{.direction = -1, .steps = 1000}, 0);
  EXPECT_EQ(scaled.EndTime(), 100 * kMs);
  EXPECT_EQ(scaled.Counter(50 * kMs), -500);
  EXPECT_EQ(scaled.Load(50 * kMs), 4500);
}

TEST(AxisTest, BacklashIsLostMotionAfterEachDirectionChange) {
  AxisConfig config = test::SmallLinear();
  config.backlash = 50;
  Axis axis(config);
  // The first 50 steps take up the play; the same direction again loses nothing.
  Micros now = 0;
  for (const auto& [direction, load] : {std::pair{1, 5050}, {1, 5150}, {-1, 5100}}) {
    axis.Start(Move{.direction = direction, .steps = 100}, now);
    now += kSecond;
    ASSERT_TRUE(axis.FinishDue(now));
    EXPECT_EQ(axis.Load(now), load) << "after " << now / kSecond << " s";
  }
  EXPECT_EQ(axis.Counter(now), 100);
}

TEST(SimClockTest, MovesOnlyWhenToldAndRoundsSecondsHalfToEven) {
  SimClock clock;
  clock.DelayMs(10);
  EXPECT_EQ(clock.Now(), 11 * kMs);
  clock.DelayMs(0);
  clock.DelayMs(-5);
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
  Line line = EzLine(LineOptions{.baud = 9600});
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
  EXPECT_FALSE(port.WaitForData(0));
  EXPECT_EQ(clock.Now(), before + 200 * kMs);
}

}  // namespace
}  // namespace sim
