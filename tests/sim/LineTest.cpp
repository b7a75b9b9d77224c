#include "sim/Line.h"

#include <gtest/gtest.h>

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

Line ImsLine() {
  Line line(ControllerType::IM483I);
  line.AddUnit('X', test::SmallLinear());
  return line;
}

TEST(LineTest, OnlyTheAddressedUnitAnswersAndAbsentUnitsNever) {
  Line line = EzLine();
  EXPECT_EQ(Exchange(line, "/2z7R\r", 0), Ez('`'));
  EXPECT_EQ(Exchange(line, "/1?0\r", 0), Ez('`', "0"));
  EXPECT_EQ(Exchange(line, "/2?0\r", 0), Ez('`', "7"));
  EXPECT_EQ(Exchange(line, "/3?0\r", 0), "");
  EXPECT_EQ(Exchange(line, "/A?Q\r", 0), "");
  EXPECT_EQ(Exchange(line, "xx/1?0\r", 0), Ez('`', "0"));  // noise before the "/"
  EXPECT_EQ(Exchange(line, "/1?0", 0), "");                // no terminator yet
  EXPECT_EQ(Exchange(line, "\r", 0), Ez('`', "0"));
  EXPECT_EQ(Exchange(line, std::string(1000, 'x') + "/1?0\r", 0), Ez('`', "0"));
  EXPECT_EQ(line.NextEventTime(), kNever);
  ASSERT_GE(line.Frames().size(), 2u);
  EXPECT_TRUE(line.Frames().back().ends_with("x/1?0"));  // logged as received

  Line ims = ImsLine();
  EXPECT_EQ(Exchange(ims, "YZ\n", 0), "");
  EXPECT_EQ(Exchange(ims, "AX\n", 0), "AX\n");  // the start-up wake-up
  EXPECT_EQ(Exchange(ims, "XZ\n", 0), "XZ 0\n");
  EXPECT_EQ(Exchange(ims, "/1?0\r", 0), "");  // the other protocol's frame: not a line
}

TEST(LineTest, BaudPacingGivesEveryByteItsWireTimeBothWays) {
  Line line = EzLine(LineOptions{.baud = 9600});
  constexpr Micros kByte = 1042;  // 10 bits at 9600 baud
  line.Receive("/1?0\r", 0);
  EXPECT_EQ(line.NextEventTime(), kByte);
  EXPECT_EQ(line.TakeDue(5 * kByte - 1), "");  // the CR has not arrived yet
  EXPECT_EQ(line.NextEventTime(), 5 * kByte);
  EXPECT_EQ(line.TakeDue(5 * kByte), "");  // frame complete, reply starts on the wire
  EXPECT_EQ(line.NextEventTime(), 6 * kByte);
  EXPECT_EQ(line.TakeDue(7 * kByte), "\xFF/");
  EXPECT_EQ(line.TakeDue(13 * kByte - 1), "0`0\x03\r");
  EXPECT_EQ(line.TakeDue(13 * kByte), "\n");
  EXPECT_EQ(line.NextEventTime(), kNever);

  Line late = EzLine(LineOptions{.baud = 9600, .latency = 16 * kMs});
  late.Receive("/1Q\r", 0);
  EXPECT_EQ(late.TakeDue(4 * kByte + 16 * kMs), "");
  EXPECT_EQ(late.NextEventTime(), 5 * kByte + 16 * kMs);
  EXPECT_EQ(late.TakeDue(kSecond), Ez('`'));
}

TEST(LineTest, EachFaultKindShapesTheReply) {
  Line line = EzLine();
  line.SetFault('1', Fault{FaultKind::NoReply, 0, 1});
  EXPECT_EQ(Exchange(line, "/1z5R\r", 0), "");
  EXPECT_EQ(line.NextEventTime(), kNever);
  EXPECT_EQ(Exchange(line, "/1?0\r", 0), Ez('`', "5"));  // it ran; the count of 1 is used up

  line.SetFault('1', Fault{FaultKind::Late, 300, 1});
  EXPECT_EQ(Exchange(line, "/1Q\r", 0), "");
  EXPECT_EQ(line.TakeDue(300 * kMs - 1), "");
  EXPECT_EQ(line.TakeDue(300 * kMs), Ez('`'));

  line.SetFault('1', Fault{FaultKind::Pieces, 20, 1});
  EXPECT_EQ(Exchange(line, "/1?0\r", kSecond), "\xFF/0`");
  EXPECT_EQ(line.TakeDue(kSecond + 20 * kMs - 1), "");
  EXPECT_EQ(line.TakeDue(kSecond + 20 * kMs), "5\x03\r\n");

  line.SetFault('1', Fault{FaultKind::BadFrame, 0, 1});
  EXPECT_EQ(Exchange(line, "/1?0\r", 2 * kSecond), "\xFF/?`5\x03\r\n");

  line.SetFault('1', Fault{FaultKind::ErrorStatus, 9, 1});
  EXPECT_EQ(Exchange(line, "/1z99R\r", 2 * kSecond), Ez('i'));     // 0x69: error 9
  EXPECT_EQ(Exchange(line, "/1?0\r", 2 * kSecond), Ez('`', "5"));  // and nothing ran

  line.SetFault('*', Fault{FaultKind::Garbage, 4, -1});
  const std::string noisy = Exchange(line, "/2Q\r", 2 * kSecond);
  ASSERT_EQ(noisy.size(), 4 + Ez('`').size());
  EXPECT_EQ(noisy.substr(4), Ez('`'));
  for (char c : noisy.substr(0, 4))
    EXPECT_TRUE(c >= 0x21 && c <= 0x7E);
  line.ClearFaults();
  EXPECT_EQ(Exchange(line, "/2Q\r", 2 * kSecond), Ez('`'));

  line.SetFault('1', Fault{FaultKind::NoNumber, 0, 1});
  EXPECT_EQ(Exchange(line, "/1?0\r", 2 * kSecond), Ez('`', "f"));  // the count 5

  Line ims = ImsLine();
  ims.SetFault('X', Fault{FaultKind::BadFrame, 0, 1});
  EXPECT_EQ(Exchange(ims, "XZ\n", 0), "xZ 0\n");
  ims.SetFault('X', Fault{FaultKind::ErrorStatus, 9, 1});
  EXPECT_EQ(Exchange(ims, "X+100\n", 0), "X+100?\n");
  EXPECT_FALSE(ims.FindUnit('X')->State(0).moving);
  ims.SetFault('X', Fault{FaultKind::NoNumber, 0, 1});
  EXPECT_EQ(Exchange(ims, "X] 0\n", 0), "X] 0 a\n");  // the echo keeps its digit
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
  int clean = 0;
  for (const std::string& reply : run(7, 1))
    clean += reply == Ez('`', "0") ? 1 : 0;
  EXPECT_EQ(clean, 0);
  clean = 0;
  for (const std::string& reply : run(7, 0.5))
    clean += reply == Ez('`', "0") ? 1 : 0;
  EXPECT_GT(clean, 10);
  EXPECT_LT(clean, 40);
}

TEST(FaultSpecTest, ParsesTheDocumentedSyntax) {
  FaultPlan plan;
  std::string error;
  ASSERT_TRUE(
      ParseFaultSpec("3:noreply#1,5:late=250,*:random=0.05,X:error,::garbage=2", plan, error))
      << error;
  ASSERT_EQ(plan.units.size(), 4u);
  EXPECT_EQ(plan.units[0].first, '3');
  EXPECT_EQ(plan.units[0].second.kind, FaultKind::NoReply);
  EXPECT_EQ(plan.units[0].second.count, 1);
  EXPECT_EQ(plan.units[1].second.kind, FaultKind::Late);
  EXPECT_EQ(plan.units[1].second.value, 250);
  EXPECT_EQ(plan.units[1].second.count, -1);
  EXPECT_EQ(plan.units[2].second.kind, FaultKind::ErrorStatus);
  EXPECT_EQ(plan.units[2].second.value, 9);
  EXPECT_EQ(plan.units[3].first, ':');
  EXPECT_EQ(plan.units[3].second.value, 2);
  EXPECT_DOUBLE_EQ(plan.randomRate, 0.05);

  for (const char* bad :
       {"3", "3:", "3:slow", "3:noreply=5", "3:late=", "3:late=x", "3:error=16", "3:late#0",
        "1:random=0.5", "*:random=2", "3:noreply,", "33:late", "3:nonumber=2"}) {
    EXPECT_FALSE(ParseFaultSpec(bad, plan, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_TRUE(ParseFaultSpec("", plan, error));
  EXPECT_TRUE(plan.units.empty());
}

}  // namespace
}  // namespace sim
