// The IM483I driver: the echo test, exact texts on the wire, results and log messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "controllers/Im483iDriver.h"
#include "tests/controllers/LineFixture.h"

namespace qv {
namespace {

using Log = std::vector<std::string>;
using Ports = std::array<int16_t, 3>;

// What the wire rows below do not show already.
TEST(Im483iTexts, LongNumbersAllOutputBitsSettleTimeAndBackOffSpeed) {
  EXPECT_EQ(Im483iPlain(2147483647), "2147483647");
  EXPECT_EQ(Im483iPortBits(-1, 3), (Ports{1, 1, 1}));
  EXPECT_EQ(Im483iBackOffSpeed(-1000, 2), 500);
  EXPECT_EQ(Im483iBackOffSpeed(40, 4), -20);  // at least 20
  EXPECT_EQ(Im483iBackOffSpeed(-10, 4), 20);
  EXPECT_EQ(Im483iBackOffSpeed(-32768, 4), 8192);
  EXPECT_EQ(Im483iBackOffSpeed(90, 4), -22);  // 22.5 to even
}

// A line to unit "X" that echoes whatever the case's replies do not cover.
struct Rig {
  Rig() {
    drv.InitChannel();
    line.port.responder = [](const std::string& w) { return w; };
  }
  test::Line line;
  MotorState motor{'X', 5};
  using Driver = Im483iDriver;
  Driver drv{line.comm, line.clock, line.pump, motor};
};
using D = Im483iDriver;
class Im483i : public ::testing::Test, public test::DriverHelpers<Rig> {
 protected:
  // A read of output `n` into a variable that starts as 5 and ends as `expected`.
  static Op Output(int16_t n, int16_t expected) {
    return [=](Rig& r) {
      int16_t value = 5;
      const int16_t result = r.drv.GetOutput(n, value);
      EXPECT_EQ(value, expected);
      return result;
    };
  }
};

// A unit that answers `query` with `answers` in turn (the last one again and again), "X^" with
// "stopped", `failing` with "??" and echoes every other command.
test::Answer Inputs(std::string query, std::vector<std::string> answers, std::string failing = "") {
  auto next = std::make_shared<size_t>(0);
  return [=](const std::string& w) -> std::string {
    if (w == failing) return "??\n";
    if (w == "X^\n") return "X^ 0\n";
    if (w != query) return w;
    return query.substr(0, query.size() - 1) + " " +
           answers[std::min((*next)++, answers.size() - 1)] + "\n";
  };
}

TEST_F(Im483i, SingleCommandsSendTheirExactTexts) {
  const auto out16 = [](const std::string& op) {
    return Log{"IM483I_" + op + ": argument out of 16-bit range"};
  };
  test::RunCases(Rows{
      Sends("home most negative", "XF 32768 1\n", &D::Home, -32768),
      Case("home zero", {}, -1, "", {}, Call(&D::Home, 0)),
      Sends("run, 16-bit edge", "XM-32768\n", &D::MoveAtSpeed, -32768),
      Sends("abs zero", "XR-0\n", &D::MoveAbs, 0),
      Sends("rel down", "X-3\n", &D::MoveRel, -2.5),
      Sends("outputs 1 0 1", "XA 40\n", &D::WriteOutPorts, 1, 0, 1),
      Case("outputs bad value", {}, -2, "", {}, Call(&D::WriteOutPorts, 1, 2, 0)),
      Sends("settle clamped", "XE 255\n", &D::SetSettle, 3000),
      Sends("settle half to even", "XE 2\n", &D::SetSettle, 25),
      Sends("settle negative", "XE 0\n", &D::SetSettle, -50),
      Sends("ramp", "XK 10-3\n", &D::SetRamp, 10, -3),
      Sends("slew speed, 16-bit edge", "XV 32767\n", &D::SetSlewSpeed, 32767),
      Case("speed", {}, -1, "", out16("MoveAtSpeed"), Call(&D::MoveAtSpeed, 40000)),
      Case("deceleration", {}, -1, "", out16("SetRamp"), Call(&D::SetRamp, 10, -32769)),
      Case("low jog", {}, -1, "", out16("SetJogSpeeds"), Call(&D::SetJogSpeeds, 32768, 1)),
      Case("slew", {}, -1, "", out16("SetSlewSpeed"), Call(&D::SetSlewSpeed, 100000)),
      Case("init", {}, -1, "", out16("SetInitSpeed"), Call(&D::SetInitSpeed, -40000)),
      Case("home own", {}, -1, "", out16("MotorHomeOwn"), Call(&D::MotorHomeOwn, 50000)),
      Case("home smart", {}, -1, "", out16("MotorHomeSmart"), Call(&D::MotorHomeSmart, 800, 70000)),
      Case("mask", {}, -1, "", out16("MotorToLimit"), Call(&D::MotorToLimit, 65536, 100)),
      Case("resolution sent though the mode is refused", {"XH?\n", "XD 256\n"}, 1, "XH 0\nXD 256\n",
           {"XH 0>XH?"}, Call(&D::SetStepDivide, 256)),
      Case("pause sets the settle time, then delays", {}, 1, "XE 20\n", {},
           Delays({200}, Call(&D::Pause, 200))),
      Case("pause fails without delay", {""}, -1, "XE 30\n", {"Port TimeOut", "XE 30\\"},
           [](Rig& r) {
             const int16_t result = r.drv.Pause(300);
             EXPECT_EQ(std::count(r.line.clock.delays.begin(), r.line.clock.delays.end(), 300), 0);
             return result;
           }),
  });
}

TEST_F(Im483i, QueriesReadTheNumberAfterTheEcho) {
  const auto status = Call(&D::ReadMovingStatus);
  const std::string noStatus = "IM483I_ReadMovingStatus: no status in answer-";
  const Op limitsKept = Reads(&D::ReadLimits, 5);
  const Op posKept = Reads(&D::ReadPos, 5);
  const std::string noPos = "IM483I_ReadPos: no position in answer-";
  test::RunCases(Rows{
      Case("reply shorter than the echo", {"X\n"}, -3, "XZ\n", {"XZ>X"}, Cmd("Z", "before")),
      Case("moving", {"X^ 9\n"}, 9, "X^\n", {}, status),
      Case("status negative", {"X^-3\n"}, -1, "X^\n", {noStatus + "-3"}, status),
      Case("limits not a number", {"X] 0 none\n"}, 1, "X] 0\n", {}, limitsKept),
      // An answer without a count is a failed read: the position stays, the log shows it.
      Case("position cut short", {"XZ 12e\n"}, -1, "XZ\n", {noPos + " 12e"}, posKept),
      Case("position beyond the counter", {"XZ -3000000000\n"}, -1, "XZ\n",
           {noPos + " -3000000000"}, posKept),
      Case("inputs", {"XA 129 46\n"}, 1, "XA 129\n", {}, Reads(&D::ReadInPorts, {0, 1, 1})),
      Case("outputs", {"XA 129 46\n"}, 1, "XA 129\n", {}, Reads(&D::ReadOutPorts, {1, 0, 1})),
      Case("output 2 off", {"XA 129 16\n"}, 1, "XA 129\n", {}, Output(2, 0)),
      Case("output 3", {}, -1, "", {}, Output(3, 5)),
      Case("output -1", {}, -1, "", {}, Output(-1, 5)),
      Case("set output 3", {}, -1, "", {}, Call(&D::SetOutput, 3, 1)),
      Case("set output to 2", {"XA 129 0\n"}, -1, "XA 129\n", {}, Call(&D::SetOutput, 0, 2)),
  });
}

TEST_F(Im483i, WaitsAndHoming) {
  const auto homeOwn = Call(&D::MotorHomeOwn, 1000);
  const auto homeSmart = Call(&D::MotorHomeSmart, 800, 400);
  Rows rows{
      Case("home own: run refused, still stops", {"XM?\n", "XM0\n"}, -1, "XM1000\nXM0\n",
           {"XM1000>XM?"}, homeOwn),
      Case("home own: input unanswered, still stops", {"XM1000\n", "", "XM0\n"}, -1,
           "XM1000\nX] 1\nXM0\n", {"Port TimeOut", "X] 1\\"}, homeOwn),
      Case("home own: back-off refused, still stops", {"XM1000\n", "X] 1 1\n", "XM-25\n"}, -1,
           "XM1000\nX] 1\nXM-250\nXM0\n", {"XM-250>XM-25"}, homeOwn),
      Case("home own: time-out backing off, one deadline", {}, -2,
           "XM1000\nX] 1\nXM-250\n{X] 1\n}XM0\n", {},
           With(Inputs("X] 1\n", {"1"}), TimesOut(homeOwn))),
      // A quarter equal to the initial speed leaves it alone; the input is clear at once.
      Case("home smart without lowering or back-off", {}, 1, "XF 800 1\nX^\nX] 1\nXM0\n", {},
           With(Inputs("X] 1\n", {"0"}), Call(&D::MotorHomeSmart, -800, 200))),
      Case("home smart: -6, input unanswered while backing off",
           {"XF 800 0\n", "X^ 0\n", "X] 1 1\n", "XM-200\n", ""}, -6,
           "XF 800 0\nX^\nX] 1\nXM-200\nX] 1\nXM0\n", {"Port TimeOut", "X] 1\\"},
           Call(&D::MotorHomeSmart, 800, 100)),
      Case("home smart: -5, the input never clears", {}, -5,
           "XF 800 0\nX^\nX] 1\nXM-200\n{X] 1\n}XM0\n", {},
           With(Inputs("X] 1\n", {"1"}), Call(&D::MotorHomeSmart, 800, 100))),
  };
  // Each step of the search that the unit refuses has its code; the unit is stopped all the same.
  const std::string smart = "XI 200\nXF 800 0\nX^\nX] 1\nXM-200\nX] 1\nXI 400\nXM0\n";
  for (const auto& [refused, code] : {std::pair{"XI 200", -7},
                                      {"XF 800 0", -1},
                                      {"X^", -2},
                                      {"X] 1", -3},
                                      {"XM-200", -4},
                                      {"XI 400", -8}}) {
    const std::string sent = smart.substr(0, smart.find(refused)) + refused + "\n";
    rows.push_back(Case(
        refused, {}, code, sent + "XM0\n", {refused + std::string(code == -2 ? "!=??" : ">??")},
        With(Inputs("X] 1\n", {"1", "0"}, refused + std::string("\n")), homeSmart)));
  }
  test::RunCases(rows);
}

TEST_F(Im483i, MotorToLimitBacksOffAndReportsTheFirstLimitSeen) {
  const auto toLow = Call(&D::MotorToLimit, 1, 1000);
  test::RunCases(Rows{
      Case("limit 2 outside the mask", {}, 3, "XM-10\nX] 0\nXM-10\nX] 0\nXM20\nX] 0\nXM0\nXM0\n",
           {}, With(Inputs("X] 0\n", {"2", "3", "0"}), Call(&D::MotorToLimit, 1, -10))),
      Case("backing off until no limit at all is on", {}, 1,
           "XM1000\nX] 0\nXM-500\nX] 0\nXM-500\nX] 0\nXM0\nXM0\n", {},
           With(Inputs("X] 0\n", {"1", "2", "0"}), toLow)),
      Case("limits unanswered", {"XM1000\n", ""}, -1, "XM1000\nX] 0\nXM0\n",
           {"Port TimeOut", "X] 0\\"}, toLow),
      Case("back-off refused", {"XM1000\n", "X] 0 1\n", "XN\n"}, -1, "XM1000\nX] 0\nXM-500\nXM0\n",
           {"XM-500>XN"}, toLow),
      Case("time-out running", {}, -2, "{XM1000\nX] 0\n}XM0\n", {},
           With(Inputs("X] 0\n", {"0"}), toLow)),
      Case("time-out backing off", {}, -2, "XM1000\nX] 0\n{XM-500\nX] 0\n}XM0\n", {},
           With(Inputs("X] 0\n", {"1"}), toLow)),
  });
}

}  // namespace
}  // namespace qv
