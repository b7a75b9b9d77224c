#include "sim/ImsUnit.h"

#include <gtest/gtest.h>

#include "sim/ImsProtocol.h"
#include "sim/Line.h"
#include "tests/support/SimLine.h"

namespace sim {
namespace {

using test::kMs;
using test::kSecond;

class ImsUnitTest : public ::testing::Test {
 protected:
  ImsUnitTest() {
    line.AddUnit('X', test::SmallLinear());
    line.AddUnit('F', test::SmallRotary());
    line.AddUnit('L', test::SmallLinear());
  }
  std::string Send(const std::string& frame, Micros at) { return test::Exchange(line, frame, at); }
  UnitState State(char address, Micros at) { return line.FindUnit(address)->State(at); }

  Line line{ControllerType::IM483I};
};

TEST(ImsProtocolTest, ParsesBothNumberFormsAndRejectsTheRest) {
  ImsCommand c;
  ASSERT_TRUE(ParseImsCommand("R+13", c));
  EXPECT_EQ(c.op, 'R');
  EXPECT_EQ(c.args, std::vector<int64_t>{13});
  ASSERT_TRUE(ParseImsCommand("-250", c));
  EXPECT_EQ(c.args, std::vector<int64_t>{-250});
  ASSERT_TRUE(ParseImsCommand("F 800 1", c));
  EXPECT_EQ(c.args, (std::vector<int64_t>{800, 1}));
  ASSERT_TRUE(ParseImsCommand("M-500", c));
  EXPECT_EQ(c.args, std::vector<int64_t>{-500});
  for (const char* bad :
       {"", "Q", "R5", "R+", "Z 1", "F 800", "Y 5 x", "+-5", "A 99999999999", "- 5", "M5x"}) {
    EXPECT_FALSE(ParseImsCommand(bad, c)) << bad;
  }
  EXPECT_EQ(ImsReply("XZ", "1500"), "XZ 1500\n");
  EXPECT_EQ(ImsReply("XO", ""), "XO\n");
}

TEST_F(ImsUnitTest, EveryLineIsEchoedAndQueriesAddTheirAnswer) {
  EXPECT_EQ(Send("XZ\n", 0), "XZ 0\n");
  EXPECT_EQ(Send("X^\n", 0), "X^ 0\n");
  EXPECT_EQ(Send("X] 0\n", 0), "X] 0 0\n");
  EXPECT_EQ(Send("X] 1\n", 0), "X] 1 0\n");
  EXPECT_EQ(Send("XA 129\n", 0), "XA 129 0\n");
  for (const char* setting : {"XY 5 25", "XK 10 10", "XI 400", "XV 2000", "XH 0", "XD 8", "XE 255",
                              "Xl 0", "XB 20 200", "XM 0", "XO"}) {
    EXPECT_EQ(Send(std::string(setting) + "\n", 0), std::string(setting) + "\n");
  }
  EXPECT_EQ(Send("XQ\n", 0), "XQ?\n");
  EXPECT_EQ(Send("XR5\n", 0), "XR5?\n");
  EXPECT_EQ(Send("X] 2\n", 0), "X] 2?\n");
  EXPECT_EQ(Send("XF 0 1\n", 0), "XF 0 1?\n");
  EXPECT_FALSE(State('X', 0).moving);
}

TEST_F(ImsUnitTest, MovesRunAtTheSlewSpeedAndIgnoreNewTargetsUntilDone) {
  EXPECT_EQ(Send("XV 1000\n", 0), "XV 1000\n");
  EXPECT_EQ(Send("XR+500\n", 0), "XR+500\n");
  EXPECT_EQ(Send("X^\n", 100 * kMs), "X^ 1\n");
  EXPECT_EQ(Send("X+200\n", 200 * kMs), "X+200\n");  // ignored: still moving
  EXPECT_EQ(Send("XZ\n", 250 * kMs), "XZ 250\n");
  EXPECT_EQ(Send("X^\n", 500 * kMs), "X^ 0\n");
  EXPECT_EQ(Send("XZ\n", 500 * kMs), "XZ 500\n");
  EXPECT_EQ(Send("X-200\n", kSecond), "X-200\n");
  EXPECT_EQ(Send("XZ\n", 2 * kSecond), "XZ 300\n");
  EXPECT_EQ(Send("XR-0\n", 2 * kSecond), "XR-0\n");
  EXPECT_EQ(Send("XZ\n", 3 * kSecond), "XZ 0\n");
  EXPECT_EQ(State('X', 3 * kSecond).load, 5000);
  EXPECT_EQ(Send("X+100\n", 3 * kSecond), "X+100\n");
  EXPECT_EQ(Send("XO\n", 4 * kSecond), "XO\n");
  EXPECT_EQ(Send("XZ\n", 4 * kSecond), "XZ 0\n");
}

TEST_F(ImsUnitTest, RunsStopAtTheLimitsWhichReportOneAndTwo) {
  EXPECT_EQ(Send("XM500\n", 0), "XM500\n");
  EXPECT_EQ(Send("X^\n", 9799 * kMs), "X^ 1\n");
  EXPECT_EQ(Send("X^\n", 9800 * kMs), "X^ 0\n");  // 5000 -> 9900 at 500/s
  EXPECT_EQ(Send("X] 0\n", 9800 * kMs), "X] 0 2\n");
  EXPECT_EQ(Send("XM500\n", 9800 * kMs), "XM500\n");  // toward the limit: stays
  EXPECT_EQ(Send("X] 0\n", 9900 * kMs), "X] 0 2\n");
  EXPECT_EQ(Send("XM-250\n", 10 * kSecond), "XM-250\n");
  EXPECT_EQ(Send("X] 0\n", 10 * kSecond + 4 * kMs), "X] 0 0\n");
  EXPECT_EQ(Send("XM0\n", 11 * kSecond), "XM0\n");
  EXPECT_EQ(Send("XZ\n", 12 * kSecond), "XZ 4650\n");
  EXPECT_EQ(Send("XM-20000\n", 12 * kSecond), "XM-20000\n");
  EXPECT_EQ(Send("X] 0\n", 13 * kSecond), "X] 0 1\n");
}

TEST_F(ImsUnitTest, HomeSearchStopsOnTheHomeInputAndTurnsBackAtALimit) {
  EXPECT_EQ(Send("XF 1000 1\n", 0), "XF 1000 1\n");
  EXPECT_EQ(Send("X^\n", kSecond), "X^ 9\n");
  EXPECT_EQ(Send("X^\n", 4600 * kMs), "X^ 0\n");  // 5000 -> 400, the home input's top
  EXPECT_EQ(Send("X] 1\n", 4600 * kMs), "X] 1 1\n");
  EXPECT_EQ(Send("X] 0\n", 4600 * kMs), "X] 0 0\n");
  EXPECT_EQ(Send("XM-1000\n", 5 * kSecond), "XM-1000\n");  // past the home input to the limit
  EXPECT_EQ(Send("X] 0\n", 6 * kSecond), "X] 0 1\n");
  EXPECT_EQ(Send("XF 1000 1\n", 6 * kSecond), "XF 1000 1\n");  // home is behind: limit, back
  EXPECT_EQ(Send("X^\n", 6 * kSecond + 199 * kMs), "X^ 9\n");
  EXPECT_EQ(Send("X^\n", 6 * kSecond + 200 * kMs), "X^ 0\n");  // 100 -> 300
  EXPECT_EQ(Send("X] 1\n", 7 * kSecond), "X] 1 1\n");
  EXPECT_EQ(State('X', 7 * kSecond).load, 300);

  EXPECT_EQ(Send("FF 500 0\n", 7 * kSecond), "FF 500 0\n");  // a wheel: on to the next index
  EXPECT_EQ(Send("F] 1\n", 15 * kSecond), "F] 1 1\n");       // 2000 -> 6000 at 500/s
  EXPECT_EQ(State('F', 15 * kSecond).load, 6000);
  EXPECT_EQ(Send("F] 0\n", 15 * kSecond), "F] 0 0\n");
}

TEST_F(ImsUnitTest, PortByteCarriesInputsAndTheThreeOutputs) {
  EXPECT_EQ(Send("LA 40\n", 0), "LA 40\n");
  EXPECT_EQ(State('L', 0).outputs, 40);
  EXPECT_EQ(Send("LA 129\n", 0), "LA 129 40\n");
  line.FindUnit('L')->SetSwitches(5);
  EXPECT_EQ(Send("LA 129\n", 0), "LA 129 45\n");
  EXPECT_EQ(Send("LA 8\n", 0), "LA 8\n");
  EXPECT_EQ(Send("LA 129\n", 0), "LA 129 13\n");
  EXPECT_EQ(State('X', 0).outputs, 0);  // only the addressed unit changed
}

}  // namespace
}  // namespace sim
