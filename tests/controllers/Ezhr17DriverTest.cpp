// The EZHR17 driver over a scripted line: exact bytes on the wire, results and log messages.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "controllers/Ezhr17Driver.h"
#include "tests/controllers/LineFixture.h"

namespace qv {
namespace {

using Log = std::vector<std::string>;

using test::Ez;
const std::string kReady = Ez("`");
const std::string kBusy = Ez("@");
const std::string kBadOperand = Ez("c");  // 99: ready, error code 3

// A unit that answers each listed command always alike and every other one "ready".
test::Answer Unit(std::map<std::string, std::string> answers) {
  return [=](const std::string& w) {
    const auto it = answers.find(w);
    return it == answers.end() ? kReady : it->second;
  };
}

// A line to one unit, "1", that answers "ready" to whatever the case's replies do not cover.
struct Rig {
  Rig() {
    drv.InitChannel();
    line.port.responder = Unit({});
  }
  test::Line line;
  MotorState motor{'1', 5};
  int16_t interval = 50;  // ms between status polls
  using Driver = Ezhr17Driver;
  Driver drv{line.comm, line.clock, line.pump, motor, interval};
};
using D = Ezhr17Driver;
class Ezhr17 : public ::testing::Test, public test::DriverHelpers<Rig> {};

// The log line of `command` refused by the unit with error code 3.
std::string Refused(const std::string& command) {
  return "/1" + command + "-error returned by controller-\xFF/0c\x03-status-3";
}
// The log lines of `command` left without an answer.
Log Unanswered(const std::string& command) {
  return {"Port TimeOut", "/1" + command + "-comm error-"};
}

TEST_F(Ezhr17, SingleCommandsSendTheirExactFrames) {
  test::RunCases(Rows{
      Sends("run down fastest", "/1V2147483648D0R\r", &D::MoveAtSpeed,
            std::numeric_limits<int32_t>::min()),
      Sends("abs odd half", "/1A14R\r", &D::MoveAbs, 13.5),
      Sends("abs negative", "/1A-2R\r", &D::MoveAbs, -2.5),
      Sends("rel down half up", "/1D3R\r", &D::MoveRel, -2.5),
      Sends("rel up half", "/1P1R\r", &D::MoveRel, 0.5),
      Sends("divide 0", "/1j1R\r", &D::SetStepDivide, 0),
      Sends("divide 30", "/1j1073741824R\r", &D::SetStepDivide, 30),
      Sends("output 2", "/1J2R\r", &D::WriteOutPorts, 0, 1, 0),
      Case("origin pauses half a second whatever the result", {kBadOperand}, -2, "/1z-1200R\r",
           {Refused("z-1200R")}, Delays({500}, Call(&D::SetOrigin, -1200))),
      Case("divide -1", {}, -1, "", {"EZHR17_SetStepDivide: resolution exponent out of range"},
           Call(&D::SetStepDivide, -1)),
      Case("divide 31", {}, -1, "", {"EZHR17_SetStepDivide: resolution exponent out of range"},
           Call(&D::SetStepDivide, 31)),
      Case("mode word kept across calls and units", {}, 1, "/1n2R\r/2n6R\r/2n3R\r/2n1R\r/2n0R\r",
           {},
           [](Rig& r) {
             EXPECT_EQ(r.drv.EnableLimits(1), 1);
             r.motor.MotorAddress = '2';
             EXPECT_EQ(r.drv.SetModeFlags(2), 1);
             EXPECT_EQ(r.drv.SetModeFlags(1), 1);
             EXPECT_EQ(r.drv.EnableLimits(0), 1);
             const int16_t result = r.drv.SetModeFlags(0);
             EXPECT_EQ(r.drv.EZModeWord(), 0);
             return result;
           }),
      Case("mode word changes even when the send fails", {""}, 1, "/1n2R\r/1n6R\r",
           Unanswered("n2R"),
           [](Rig& r) {
             EXPECT_EQ(r.drv.EnableLimits(1), -1);
             return r.drv.SetModeFlags(2);
           }),
  });
}

TEST_F(Ezhr17, RepliesWithoutAFrameOrANumberFail) {
  const Op pos = Reads(&D::ReadPos, 5);
  const Op hardwareKept = Reads(&D::ReadHardware, 5);
  const Op limitsKept = Reads(&D::ReadLimits, 5);
  test::RunCases(Rows{
      Case("empty reply", {"\r\n"}, -3, "/1Q\r", {"/1Q-no 0xFF /0-"}, Cmd("Q", "before")),
      Case("no status", {"\xFF/0\r\n"}, -3, "/1Q\r", {"/1Q-no status-\xFF/0"}, Cmd("Q", "before")),
      // An answer without a count is a failed read: the position stays, the log shows it.
      Case("cut short", {"\xFF/0`12\r\n"}, -1, "/1?0\r", {"error reading position:`12"}, pos),
      Case("beyond the counter", {Ez("`2147483648")}, -1, "/1?0\r",
           {"error reading position:`2147483648\x03"}, pos),
      Case("counter's edge", {Ez("`-2147483648")}, 1, "/1?0\r", {},
           Reads(&D::ReadPos, -2147483648.0)),
      Case("hardware without digits", {kReady}, -1, "/1?4\r",
           {"EZHR17_ReadHardware: no inputs in reply-`\x03"}, hardwareKept),
      Case("limits without digits", {Ez("`x")}, -1, "/1?4\r",
           {"EZHR17_ReadLimits: no inputs in reply-`x\x03"}, limitsKept),
  });
}

TEST_F(Ezhr17, WaitsAndHoming) {
  const std::string home = "/1V800R\r/1Z1000000000R\r";
  const auto homeSmart = Call(&D::MotorHomeSmart, 800, 0);
  test::RunCases(Rows{
      Case("home program then wait", {kBadOperand, kBusy, kReady}, 1,
           "/1v1000V10000L12gD10S13G0D1gD1S03G0D1R\r/1Q\r/1Q\r",
           {Refused("v1000V10000L12gD10S13G0D1gD1S03G0D1R")}, Call(&D::RunHomeProgram)),
      Case("home at zero speed", {}, -1, "", {"EZHR17_MotorHome: zero home speed"},
           Call(&D::MotorHome, 0)),
      Case("home speed refused", {kBadOperand}, -1, "/1V800R\r",
           {Refused("V800R"), "EZHR17_MotorHome: error setting home speed"},
           Call(&D::MotorHome, 800)),
      Case("homing refused", {kReady, kBadOperand}, -1, home,
           {Refused("Z1000000000R"), "EZHR17_MotorHome: error homing"}, Call(&D::MotorHome, 800)),
      Case("smart: speed not a number", {Ez("`fast")}, -1, "/1?2\r",
           {"EZHR17_MotorHomeSmart: bad read of max speed`fast\x03"}, homeSmart),
      Case("smart: speed refused names the reply", {Ez("c77")}, -1, "/1?2\r",
           {"/1?2-error returned by controller-\xFF/0c77\x03-status-3",
            "EZHR17_MotorHomeSmart: error reading max speedc77\x03"},
           homeSmart),
      Case("smart: time-out", {Ez("`5000")}, -1, "/1?2\r" + home + "{/1Q\r}/1V5000R\r",
           {"EZHR17_MotorHomeSmart: timeout"}, With(Unit({{"/1Q\r", kBusy}}), homeSmart)),
      Case("smart: restore refused", {Ez("`5000"), kReady, kReady, kReady, kBadOperand}, -1,
           "/1?2\r" + home + "/1Q\r/1V5000R\r",
           {Refused("V5000R"), "EZHR17_MotorHomeSmart: error restoring max speed"}, homeSmart),
      // The speed is restored after the settling pause even when homing failed.
      Case("smart: only the first failure is reported", {Ez("`5000"), kBadOperand, kBadOperand}, -1,
           "/1?2\r/1V800R\r/1V5000R\r",
           {Refused("V800R"), "EZHR17_MotorHome: error setting home speed",
            "EZHR17_MotorHomeSmart: error homing", Refused("V5000R")},
           Delays({100}, homeSmart)),
  });
}

TEST_F(Ezhr17, HomeOwnRunsToTheSensorCreepsOffItAndRestoresTheSpeed) {
  const std::string search = "/1?2\r/1V1000P0R\r/1V1000P0R\r";
  const std::string end = "/1T\r/1V5000R\r";
  const auto homeOwn = Call(&D::MotorHomeOwn, 1000);
  test::RunCases(Rows{
      // The search waits for the sensor (4), the creep on in the same direction at a tenth of
      // the speed (halves to even) for it to clear.
      Case("sensor found, then cleared",
           {Ez("`300"), kReady, kReady, Ez("`0"), Ez("`5"), kReady, kReady, Ez("`4"), Ez("`1")}, 1,
           "/1?2\r/1V25D0R\r/1V25D0R\r/1?4\r/1?4\r/1V2D0R\r/1V2D0R\r/1?4\r/1?4\r/1T\r/1V300R\r", {},
           Call(&D::MotorHomeOwn, -25)),
      Case("speed not a number, not logged", {Ez("`")}, -1, "/1?2\r", {}, homeOwn),
      Case("second start refused", {Ez("`5000"), kReady, kBadOperand}, -1, search + end,
           {Refused("V1000P0R")}, homeOwn),
      Case("first start refused does not count",
           {Ez("`5000"), kBadOperand, kReady, Ez("`4"), kReady, kReady, Ez("`0")}, 1,
           search + "/1?4\r/1V100P0R\r/1V100P0R\r/1?4\r" + end, {Refused("V1000P0R")}, homeOwn),
      Case("inputs refused; restore result not looked at",
           {Ez("`5000"), kReady, kReady, Ez("c"), kReady, kBadOperand}, -1, search + "/1?4\r" + end,
           {Refused("?4"), Refused("V5000R")}, homeOwn),
      Case("time-out creeping, one deadline for both", {}, -2,
           search + "/1?4\r/1V100P0R\r/1V100P0R\r{/1?4\r}" + end, {},
           With(Unit({{"/1?2\r", Ez("`5000")}, {"/1?4\r", Ez("`4")}}), TimesOut(homeOwn))),
  });
}

TEST_F(Ezhr17, MotorToLimitRunsUntilAMaskedLimitThenStopsAndRestoresTheSpeed) {
  const auto toLow = Call(&D::MotorToLimit, 1, 2000);
  const std::string end = "/1T\r/1V2500R\r";
  test::RunCases(Rows{
      Case("low end (4) outside the mask, high end (11) in it",
           {Ez("`2500"), Ez("`0"), kReady, Ez("`4"), Ez("`11")}, 1,
           "/1?2\r/1?4\r/1V2000P0R\r/1?4\r/1?4\r" + end, {}, Call(&D::MotorToLimit, 2, 2000)),
      Case("speed not a number stops the unit", {Ez("`")}, -1, "/1?2\r/1T\r",
           {"EZHR17_MotorToLimit: bad read of max speed`\x03"}, toLow),
      Case("limits unanswered; restore refused too", {Ez("`2500"), "", kReady, kBadOperand}, -1,
           "/1?2\r/1?4\r" + end, {"Port TimeOut", "/1?4-comm error-", Refused("V2500R")}, toLow),
      Case("run refused", {Ez("`2500"), Ez("`0"), kBadOperand}, -2,
           "/1?2\r/1?4\r/1V2000P0R\r" + end, {Refused("V2000P0R")}, toLow),
      Case("restore refused after success", {Ez("`2500"), Ez("`4"), kReady, kBadOperand}, -1,
           "/1?2\r/1?4\r" + end,
           {Refused("V2500R"), "EZHR17_MotorToLimit: error restoring max speed"}, toLow),
  });
}

// The reply and mode helpers without a port: the cases the wire rows above do not reach.
TEST(Ezhr17Framing, TheStartByteIsNotExamined) {
  EXPECT_EQ(ParseEzhr17Reply("x/0`").check, Ezhr17ReplyCheck::kOk);
}

TEST(Ezhr17Framing, InputsKeepOnlyTheirBitsAndNeedADigit) {
  using V = std::optional<int16_t>;
  struct Row {
    const char* data;
    V hardware, limits;
  };
  const Row rows[] = {{"`8\x03", 8, 2},
                      {"`99\x03", 3, 24},
                      {"`7", 7, 1},  // no end marker
                      {"`x3\x03", std::nullopt, std::nullopt},
                      {"", std::nullopt, std::nullopt}};
  for (const Row& row : rows) {
    EXPECT_EQ(Ezhr17HardwareValue(row.data), row.hardware) << row.data;
    EXPECT_EQ(Ezhr17LimitsValue(row.data), row.limits) << row.data;
  }
}

TEST(Ezhr17Framing, ModeWordBits) {
  // {word, argument, with limits, with flags}: limits change bit value 2 only, flags keep it.
  const std::array<int16_t, 4> rows[] = {{0, 1, 2, 1},  {7, 0, 5, 2}, {5, 1, 7, 1}, {0, 5, 2, 0},
                                         {0, -1, 2, 0}, {3, 3, 3, 2}, {2, 2, 2, 6}, {6, 1, 6, 3}};
  for (const auto& [word, arg, limits, flags] : rows) {
    EXPECT_EQ(Ezhr17ModeWithLimits(word, arg), limits) << word << " " << arg;
    EXPECT_EQ(Ezhr17ModeWithFlags(word, arg), flags) << word << " " << arg;
  }
}

}  // namespace
}  // namespace qv
