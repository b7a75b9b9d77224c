// The EZHR17 driver over a scripted line: exact bytes on the wire, results and log messages.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "controllers/AllMotionCntrl.h"
#include "tests/controllers/LineFixture.h"

namespace qv {
namespace {

using test::Line;
using test::Times;

// A reply as a unit sends it: start byte, "/0", status and data, end marker, CR LF.
std::string Ez(const std::string& statusAndData) {
  return "\xFF/0" + statusAndData + "\x03\r\n";
}
const std::string kReady = Ez("`");
const std::string kBusy = Ez("@");
const std::string kBadOperand = Ez("c");  // 99: ready, error code 3

class Ezhr17Test : public ::testing::Test {
 protected:
  Ezhr17Test() {
    driver.InitChannel();
    motor.MotorAddress = '1';
    motor.MotorMoveTimeout = 5;
  }
  // Every write answered "ready, no error".
  void AnswerReady() {
    line.port.responder = [](const std::string&) { return kReady; };
  }
  std::vector<std::string> Log() const { return line.Log(); }

  Line line;
  MotorState motor;
  int16_t interval = 50;  // ms between status polls
  Ezhr17Driver driver{line.comm, line.clock, line.pump, motor, interval};
};

// --- One exchange ---

TEST_F(Ezhr17Test, CommandPutsSlashAddressCommandCrOnTheWire) {
  line.port.Reply(Ez("`1234"));
  std::string reply;
  EXPECT_EQ(driver.Command("?0", reply), 1);
  EXPECT_EQ(line.port.written, "/1?0\r");
  EXPECT_EQ(reply, "`1234\x03");
  EXPECT_TRUE(Log().empty());
}

TEST_F(Ezhr17Test, CommandJoinsAReplyThatArrivesInPieces) {
  line.port.ReplyInPieces({"\xFF/0", "`12", "34\x03\r", "\n"});
  std::string reply;
  EXPECT_EQ(driver.Command("?0", reply), 1);
  EXPECT_EQ(reply, "`1234\x03");
}

TEST_F(Ezhr17Test, CommandTimeOutIsMinusOneAndAppendsToTheMessageLine) {
  line.port.ReplyInPieces({"\xFF/0`12"});  // the rest never comes
  std::string reply = "before";
  const int32_t start = line.clock.now;
  EXPECT_EQ(driver.Command("?0", reply), -1);
  EXPECT_EQ(line.port.written, "/1?0\r");
  EXPECT_EQ(reply, "before");
  EXPECT_GT(line.clock.now - start, 1000);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Port TimeOut", "/1?0-comm error-\xFF/0`12"}));
  EXPECT_EQ(line.messageLine, "Port TimeOut, /1?0-comm error-\xFF/0`12");
}

TEST_F(Ezhr17Test, CommandWithoutSlashZeroIsMinusThree) {
  line.port.Reply("\xFF/1`\x03\r\n");
  std::string reply = "before";
  EXPECT_EQ(driver.Command("Q", reply), -3);
  EXPECT_EQ(reply, "before");
  EXPECT_EQ(Log(), (std::vector<std::string>{"/1Q-no 0xFF /0-\xFF/1`\x03"}));
  EXPECT_EQ(line.messageLine, "/1Q-no 0xFF /0-\xFF/1`\x03");
}

TEST_F(Ezhr17Test, CommandWithAnEmptyOrTooShortReplyIsMinusThree) {
  line.port.Reply("\r\n");
  line.port.Reply("/0\r\n");
  std::string reply;
  EXPECT_EQ(driver.Command("Q", reply), -3);
  EXPECT_EQ(driver.Command("Q", reply), -3);
  EXPECT_EQ(Log(), (std::vector<std::string>{"/1Q-no 0xFF /0-", "/1Q-no 0xFF /0-/0"}));
}

TEST_F(Ezhr17Test, CommandWithSlashZeroButNoStatusFails) {
  line.port.Reply("\xFF/0\r\n");
  std::string reply = "before";
  EXPECT_EQ(driver.Command("Q", reply), -3);
  EXPECT_EQ(reply, "before");
  EXPECT_EQ(Log(), (std::vector<std::string>{"/1Q-no status-\xFF/0"}));
}

TEST_F(Ezhr17Test, ControllerErrorIsMinusTwoAndTheReplyIsStillHandedBack) {
  line.port.Reply("\xFF/0I\x03\r\n");  // status 73: error code 9
  std::string reply;
  EXPECT_EQ(driver.Command("A100R", reply), -2);
  EXPECT_EQ(line.port.written, "/1A100R\r");
  EXPECT_EQ(reply, "I\x03");
  EXPECT_EQ(
      Log(),
      (std::vector<std::string>{"/1A100R-error returned by controller-\xFF/0I\x03-status-9"}));
}

TEST_F(Ezhr17Test, AnOverlappingExchangeIsRefusedWithoutSending) {
  AnswerReady();
  int16_t inner = 0;
  line.port.onWrite = [&](const std::string&) {
    line.port.onWrite = nullptr;
    std::string innerReply;
    inner = driver.Command("?0", innerReply);
  };
  std::string reply;
  EXPECT_EQ(driver.Command("Q", reply), 1);
  EXPECT_EQ(inner, -4);
  EXPECT_EQ(line.port.written, "/1Q\r");
  EXPECT_EQ(Log(), (std::vector<std::string>{"inst>0;"}));
  // The guard is released after every outcome, failures included.
  line.port.responder = nullptr;
  EXPECT_EQ(driver.Command("Q", reply), -1);
  AnswerReady();
  EXPECT_EQ(driver.Command("Q", reply), 1);
}

TEST_F(Ezhr17Test, CommandGoesToTheUnitSelectedAtTheTimeOfTheCall) {
  AnswerReady();
  std::string reply;
  driver.Command("Q", reply);
  motor.MotorAddress = 'B';
  driver.Command("Q", reply);
  EXPECT_EQ(line.port.written, "/1Q\r/BQ\r");
}

TEST_F(Ezhr17Test, RawCommandSendsTheTextAsItIsAndChecksNoFrame) {
  line.port.Reply("anything\r\n");
  std::string reply;
  EXPECT_EQ(driver.RawCommand("/3?0", reply), 1);
  EXPECT_EQ(line.port.written, "/3?0\r");
  EXPECT_EQ(reply, "anything");
  EXPECT_TRUE(Log().empty());

  reply.clear();
  line.port.ClearWritten();
  line.port.ReplyInPieces({"part"});
  EXPECT_EQ(driver.RawCommand("x", reply), -1);
  EXPECT_EQ(reply, "part");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Port TimeOut"}));
}

TEST_F(Ezhr17Test, InitChannelSetsCrSendAndCrLfReceive) {
  line.comm.CommSetTxTerm(10);
  line.comm.CommSetRxTerm(10);
  line.comm.CommSetRxTerm2(13);
  driver.InitChannel();
  line.port.ReplyInPieces({"a\n", "b\r\n"});  // LF alone no longer ends the reply
  std::string reply;
  EXPECT_EQ(driver.RawCommand("x", reply), 1);
  EXPECT_EQ(line.port.written, "x\r");
  EXPECT_EQ(reply, "a\nb");
}

// --- Single commands: the exact frame of every operation ---

struct WireCase {
  const char* what;
  std::function<int16_t(Ezhr17Driver&)> op;
  std::string wire;
  int16_t result;
};

TEST_F(Ezhr17Test, EveryCommandSendsItsExactFrame) {
  const std::vector<WireCase> cases = {
      {"run up", [](auto& d) { return d.MoveAtSpeed(500); }, "/1V500P0R\r", 1},
      {"run down", [](auto& d) { return d.MoveAtSpeed(-500); }, "/1V500D0R\r", 1},
      {"stop", [](auto& d) { return d.MoveAtSpeed(0); }, "/1T\r", 1},
      {"run down fastest",
       [](auto& d) { return d.MoveAtSpeed(std::numeric_limits<int32_t>::min()); },
       "/1V2147483648D0R\r", 1},
      {"move abs half to even", [](auto& d) { return d.MoveAbs(12.5); }, "/1A12R\r", 1},
      {"move abs odd half", [](auto& d) { return d.MoveAbs(13.5); }, "/1A14R\r", 1},
      {"move abs negative", [](auto& d) { return d.MoveAbs(-2.5); }, "/1A-2R\r", 1},
      {"move abs zero", [](auto& d) { return d.MoveAbs(0); }, "/1A0R\r", 1},
      {"move rel down, half up", [](auto& d) { return d.MoveRel(-2.5); }, "/1D3R\r", 1},
      {"move rel up", [](auto& d) { return d.MoveRel(2.4); }, "/1P2R\r", 1},
      {"move rel up half", [](auto& d) { return d.MoveRel(0.5); }, "/1P1R\r", 1},
      {"move rel tiny", [](auto& d) { return d.MoveRel(0.2); }, "/1P0R\r", 1},
      {"move rel zero", [](auto& d) { return d.MoveRel(0); }, "", 1},
      {"currents", [](auto& d) { return d.SetCurrents(25, 80); }, "/1h25m80R\r", 1},
      {"ramp", [](auto& d) { return d.SetRamp(12, 99); }, "/1L12R\r", 1},
      {"limit polarity", [](auto& d) { return d.SetLimitPolarity(1); }, "/1f1R\r", 1},
      {"slew speed", [](auto& d) { return d.SetSlewSpeed(5000); }, "/1V5000R\r", 1},
      {"slew speed negative", [](auto& d) { return d.SetSlewSpeed(-5); }, "/1V-5R\r", 1},
      {"step divide 4", [](auto& d) { return d.SetStepDivide(4); }, "/1j16R\r", 1},
      {"step divide 0", [](auto& d) { return d.SetStepDivide(0); }, "/1j1R\r", 1},
      {"step divide 8", [](auto& d) { return d.SetStepDivide(8); }, "/1j256R\r", 1},
      {"index steps", [](auto& d) { return d.SetIndexSteps(400); }, "/1B400R\r", 1},
      {"outputs", [](auto& d) { return d.WriteOutPorts(1, 1, 1); }, "/1J3R\r", 1},
      {"output 2 only", [](auto& d) { return d.WriteOutPorts(0, 1, 0); }, "/1J2R\r", 1},
      {"origin", [](auto& d) { return d.SetOrigin(-1200); }, "/1z-1200R\r", 1},
  };
  for (const WireCase& c : cases) {
    SCOPED_TRACE(c.what);
    Line fresh;
    MotorState unit{'1', 5};
    Ezhr17Driver d(fresh.comm, fresh.clock, fresh.pump, unit, interval);
    d.InitChannel();
    fresh.port.responder = [](const std::string&) { return kReady; };
    EXPECT_EQ(c.op(d), c.result);
    EXPECT_EQ(fresh.port.written, c.wire);
    EXPECT_TRUE(fresh.Log().empty());
  }
}

TEST_F(Ezhr17Test, SingleCommandsPassControllerErrorsUp) {
  line.port.responder = [](const std::string&) { return kBadOperand; };
  EXPECT_EQ(driver.SetCurrents(25, 80), -2);
  EXPECT_EQ(driver.MoveAbs(7), -2);
  EXPECT_EQ(driver.MoveAtSpeed(0), -2);
  line.port.responder = nullptr;
  EXPECT_EQ(driver.SetIndexSteps(1), -1);
}

TEST_F(Ezhr17Test, PositionsThatFitNoCounterAreRefusedBeforeSending) {
  AnswerReady();
  EXPECT_EQ(driver.MoveAbs(std::nan("")), -1);
  EXPECT_EQ(driver.MoveAbs(3e9), -1);
  EXPECT_EQ(driver.MoveRel(std::numeric_limits<double>::infinity()), -1);
  EXPECT_EQ(driver.MoveRel(-3e9), -1);
  EXPECT_EQ(driver.MoveRel(std::nan("")), -1);
  EXPECT_EQ(line.port.written, "");
  EXPECT_EQ(Log(),
            (std::vector<std::string>{
                "EZHR17_MoveAbs: position out of range", "EZHR17_MoveAbs: position out of range",
                "EZHR17_MoveRel: distance out of range", "EZHR17_MoveRel: distance out of range",
                "EZHR17_MoveRel: distance out of range"}));
}

TEST_F(Ezhr17Test, StepDivideExponentOutsideTheCounterIsRefused) {
  AnswerReady();
  EXPECT_EQ(driver.SetStepDivide(-1), -1);
  EXPECT_EQ(driver.SetStepDivide(31), -1);
  EXPECT_EQ(line.port.written, "");
  EXPECT_EQ(Log().size(), 2u);
  EXPECT_EQ(Log()[0], "EZHR17_SetStepDivide: resolution exponent out of range");
  EXPECT_EQ(driver.SetStepDivide(30), 1);
  EXPECT_EQ(line.port.written, "/1j1073741824R\r");
}

TEST_F(Ezhr17Test, ModeWordIsKeptAcrossCallsAndUnits) {
  AnswerReady();
  EXPECT_EQ(driver.EnableLimits(1), 1);
  motor.MotorAddress = '2';
  EXPECT_EQ(driver.SetModeFlags(2), 1);
  EXPECT_EQ(driver.SetModeFlags(1), 1);
  EXPECT_EQ(driver.EnableLimits(0), 1);
  EXPECT_EQ(driver.SetModeFlags(0), 1);
  EXPECT_EQ(line.port.written, "/1n2R\r/2n6R\r/2n3R\r/2n1R\r/2n0R\r");
  EXPECT_EQ(driver.EZModeWord(), 0);
}

TEST_F(Ezhr17Test, ModeWordChangesEvenWhenTheSendFails) {
  EXPECT_EQ(driver.EnableLimits(1), -1);  // no answer
  AnswerReady();
  EXPECT_EQ(driver.SetModeFlags(2), 1);
  EXPECT_EQ(line.port.written, "/1n2R\r/1n6R\r");
}

TEST_F(Ezhr17Test, SetOriginPausesHalfASecondWhateverTheResult) {
  line.port.Reply(kBadOperand);
  EXPECT_EQ(driver.SetOrigin(0), -2);
  EXPECT_EQ(line.port.written, "/1z0R\r");
  EXPECT_EQ(line.clock.delays, std::vector<int32_t>{500});
}

TEST_F(Ezhr17Test, WakeUpGreetsFifteenAddressesRawAndIgnoresSilence) {
  line.port.Reply("junk\r\n");
  EXPECT_EQ(driver.WakeUp(), 1);
  EXPECT_EQ(line.port.written,
            "/1?Q\r/2?Q\r/3?Q\r/4?Q\r/5?Q\r/6?Q\r/7?Q\r/8?Q\r/9?Q\r"
            "/A?Q\r/B?Q\r/C?Q\r/D?Q\r/E?Q\r/F?Q\r");
  EXPECT_EQ(Log(), std::vector<std::string>(14, "Port TimeOut"));
}

// --- Queries ---

TEST_F(Ezhr17Test, MovingStatusFromTheReadyBit) {
  line.port.Reply(kBusy);
  line.port.Reply(kReady);
  line.port.Reply("\xFF/0o\x03\r\n");  // ready, but error 15
  line.port.Silence();
  EXPECT_EQ(driver.ReadMovingStatus(), 1);
  EXPECT_EQ(driver.ReadMovingStatus(), 0);
  EXPECT_EQ(driver.ReadMovingStatus(), -1);
  EXPECT_EQ(driver.ReadMovingStatus(), -1);
  EXPECT_EQ(line.port.written, Times(4, "/1Q\r"));
}

TEST_F(Ezhr17Test, ReadPosReadsTheNumberBetweenStatusAndEndMarker) {
  line.port.Reply(Ez("`1234"));
  line.port.Reply(Ez("@-56.5"));
  double position = 0;
  EXPECT_EQ(driver.ReadPos(position), 1);
  EXPECT_EQ(position, 1234);
  EXPECT_EQ(driver.ReadPos(position), 1);
  EXPECT_EQ(position, -56.5);
  EXPECT_EQ(line.port.written, "/1?0\r/1?0\r");
}

TEST_F(Ezhr17Test, ReadPosWithoutANumberKeepsThePositionAndSucceeds) {
  line.port.Reply(Ez("`abc"));
  line.port.Reply(kReady);
  double position = 77;
  EXPECT_EQ(driver.ReadPos(position), 1);
  EXPECT_EQ(driver.ReadPos(position), 1);
  EXPECT_EQ(position, 77);
  EXPECT_TRUE(Log().empty());
}

TEST_F(Ezhr17Test, ReadPosFailureIsLoggedWithTheReply) {
  line.port.Reply(Ez("I"));
  line.port.Silence();
  double position = 77;
  EXPECT_EQ(driver.ReadPos(position), -1);
  EXPECT_EQ(driver.ReadPos(position), -1);
  EXPECT_EQ(position, 77);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"/1?0-error returned by controller-\xFF/0I\x03-status-9",
                                      "error reading position:I\x03", "Port TimeOut",
                                      "/1?0-comm error-", "error reading position:"}));
}

TEST_F(Ezhr17Test, InputsSingleDigitAndTwoDigits) {
  line.port.Reply(Ez("`6"));
  line.port.Reply(Ez("`6"));
  line.port.Reply(Ez("`13"));
  line.port.Reply(Ez("`13"));
  int16_t hardware = -9;
  int16_t limits = -9;
  EXPECT_EQ(driver.ReadHardware(hardware), 1);
  EXPECT_EQ(hardware, 6);
  EXPECT_EQ(driver.ReadLimits(limits), 1);
  EXPECT_EQ(limits, 1);
  EXPECT_EQ(driver.ReadHardware(hardware), 1);
  EXPECT_EQ(hardware, 13);
  EXPECT_EQ(driver.ReadLimits(limits), 1);
  EXPECT_EQ(limits, 3);
  EXPECT_EQ(line.port.written, Times(4, "/1?4\r"));
}

TEST_F(Ezhr17Test, InputsReplyWithoutDigitsOrFailedIsMinusOneAndKeepsTheValue) {
  line.port.Reply(kReady);
  line.port.Reply(Ez("`x"));
  line.port.Silence();
  line.port.Reply(Ez("I4"));
  int16_t hardware = 5;
  int16_t limits = 2;
  EXPECT_EQ(driver.ReadHardware(hardware), -1);
  EXPECT_EQ(driver.ReadLimits(limits), -1);
  EXPECT_EQ(driver.ReadHardware(hardware), -1);
  EXPECT_EQ(driver.ReadLimits(limits), -1);
  EXPECT_EQ(hardware, 5);
  EXPECT_EQ(limits, 2);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"EZHR17_ReadHardware: no inputs in reply-`\x03",
                                      "EZHR17_ReadLimits: no inputs in reply-`x\x03",
                                      "Port TimeOut", "/1?4-comm error-",
                                      "/1?4-error returned by controller-\xFF/0I4\x03-status-9"}));
}

// --- Waits and composite motions ---

// The number of `poll`s between `head` and `tail` when `wire` is exactly that, else -1.
int PollsBetween(const std::string& wire, const std::string& head, const std::string& poll,
                 const std::string& tail) {
  if (wire.size() < head.size() + tail.size() || wire.compare(0, head.size(), head) != 0 ||
      wire.compare(wire.size() - tail.size(), tail.size(), tail) != 0) {
    return -1;
  }
  const std::string middle = wire.substr(head.size(), wire.size() - head.size() - tail.size());
  if (middle.size() % poll.size() != 0) return -1;
  const int n = static_cast<int>(middle.size() / poll.size());
  return middle == Times(n, poll) ? n : -1;
}

TEST_F(Ezhr17Test, WaitMoveEndPollsAtTheIntervalAndServesEvents) {
  line.port.Reply(kBusy);
  line.port.Reply(kBusy);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.WaitMoveEnd(), 1);
  EXPECT_EQ(line.port.written, Times(3, "/1Q\r"));
  EXPECT_EQ(line.pump.calls, 2);
  EXPECT_EQ(line.clock.delays, (std::vector<int32_t>{50, 50}));
}

TEST_F(Ezhr17Test, WaitMoveEndReadsTheIntervalOnce) {
  line.port.Reply(kBusy);
  line.port.Reply(kBusy);
  line.port.Reply(kReady);
  line.pump.hook = [this] { interval = 7; };
  EXPECT_EQ(driver.WaitMoveEnd(), 1);
  EXPECT_EQ(line.clock.delays, (std::vector<int32_t>{50, 50}));
}

TEST_F(Ezhr17Test, WaitMoveEndTimesOutAfterTheMoveTimeout) {
  line.port.responder = [](const std::string&) { return kBusy; };
  const int64_t t0 = line.clock.RoundedSeconds();
  EXPECT_EQ(driver.WaitMoveEnd(), -2);
  EXPECT_EQ(line.clock.RoundedSeconds() - t0, 6);  // the first whole second past 5
  EXPECT_GT(PollsBetween(line.port.written, "", "/1Q\r", ""), 10);
  EXPECT_TRUE(Log().empty());
}

TEST_F(Ezhr17Test, WaitMoveEndKeepsPollingThroughFailedQueries) {
  line.port.responder = [](const std::string&) { return std::string("\xFF/9`\r\n"); };
  EXPECT_EQ(driver.WaitMoveEnd(), -2);
  EXPECT_EQ(Log().back(), "/1Q-no 0xFF /0-\xFF/9`");
}

TEST_F(Ezhr17Test, RunHomeProgramSendsTheSequenceThenWaits) {
  line.port.Reply(kBadOperand);  // the program's own result does not count
  line.port.Reply(kBusy);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.RunHomeProgram(), 1);
  EXPECT_EQ(line.port.written, "/1v1000V10000L12gD10S13G0D1gD1S03G0D1R\r/1Q\r/1Q\r");
}

TEST_F(Ezhr17Test, MotorHomeSetsTheSpeedAndStartsHomingWithoutWaiting) {
  AnswerReady();
  EXPECT_EQ(driver.MotorHome(-800), 1);
  EXPECT_EQ(line.port.written, "/1V800R\r/1Z1000000000R\r");
  EXPECT_TRUE(Log().empty());
}

TEST_F(Ezhr17Test, MotorHomeFailures) {
  EXPECT_EQ(driver.MotorHome(0), -1);
  EXPECT_EQ(line.port.written, "");
  EXPECT_EQ(Log().back(), "EZHR17_MotorHome: zero home speed");

  line.port.Reply(kBadOperand);
  EXPECT_EQ(driver.MotorHome(800), -1);
  EXPECT_EQ(line.port.written, "/1V800R\r");
  EXPECT_EQ(Log().back(), "EZHR17_MotorHome: error setting home speed");

  line.port.ClearWritten();
  line.port.Reply(kReady);
  line.port.Reply(kBadOperand);
  EXPECT_EQ(driver.MotorHome(800), -1);
  EXPECT_EQ(line.port.written, "/1V800R\r/1Z1000000000R\r");
  EXPECT_EQ(Log().back(), "EZHR17_MotorHome: error homing");
}

TEST_F(Ezhr17Test, MotorHomeSmartHomesWaitsAndRestoresTheSpeed) {
  line.port.Reply(Ez("`5000"));
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  line.port.Reply(kBusy);
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorHomeSmart(800, 12345), 1);
  EXPECT_EQ(line.port.written, "/1?2\r/1V800R\r/1Z1000000000R\r/1Q\r/1Q\r/1V5000R\r");
  EXPECT_EQ(line.clock.delays, (std::vector<int32_t>{50, 100}));  // one poll, one settle
  EXPECT_TRUE(Log().empty());
}

TEST_F(Ezhr17Test, MotorHomeSmartFailsBeforeMotionWhenTheSpeedCannotBeRead) {
  line.port.Silence();
  EXPECT_EQ(driver.MotorHomeSmart(800, 0), -1);
  EXPECT_EQ(line.port.written, "/1?2\r");
  EXPECT_EQ(Log().back(), "EZHR17_MotorHomeSmart: error reading max speed");

  line.port.ClearWritten();
  line.port.Reply(Ez("`fast"));
  EXPECT_EQ(driver.MotorHomeSmart(800, 0), -1);
  EXPECT_EQ(line.port.written, "/1?2\r");
  EXPECT_EQ(Log().back(), "EZHR17_MotorHomeSmart: bad read of max speed`fast\x03");
}

TEST_F(Ezhr17Test, MotorHomeSmartErrorReadingSpeedNamesTheReplyOfAControllerError) {
  line.port.Reply(Ez("c77"));
  EXPECT_EQ(driver.MotorHomeSmart(800, 0), -1);
  EXPECT_EQ(Log().back(),
            "EZHR17_MotorHomeSmart: error reading max speed"
            "c77\x03");
}

TEST_F(Ezhr17Test, MotorHomeSmartHomingFailureStillRestoresTheSpeed) {
  line.port.Reply(Ez("`5000"));
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorHomeSmart(0, 0), -1);
  EXPECT_EQ(line.port.written, "/1?2\r/1V5000R\r");
  EXPECT_EQ(Log(), (std::vector<std::string>{"EZHR17_MotorHome: zero home speed",
                                             "EZHR17_MotorHomeSmart: error homing"}));
  EXPECT_EQ(line.clock.delays, std::vector<int32_t>{100});
}

TEST_F(Ezhr17Test, MotorHomeSmartTimeOut) {
  line.port.Reply(Ez("`5000"));
  line.port.responder = [](const std::string& w) { return w == "/1Q\r" ? kBusy : kReady; };
  EXPECT_EQ(driver.MotorHomeSmart(800, 0), -1);
  EXPECT_GT(
      PollsBetween(line.port.written, "/1?2\r/1V800R\r/1Z1000000000R\r", "/1Q\r", "/1V5000R\r"), 0);
  EXPECT_EQ(Log(), std::vector<std::string>{"EZHR17_MotorHomeSmart: timeout"});
}

TEST_F(Ezhr17Test, MotorHomeSmartRestoreFailure) {
  line.port.Reply(Ez("`5000"));
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  line.port.Reply(kBadOperand);
  EXPECT_EQ(driver.MotorHomeSmart(800, 0), -1);
  EXPECT_EQ(line.port.written, "/1?2\r/1V800R\r/1Z1000000000R\r/1Q\r/1V5000R\r");
  EXPECT_EQ(Log().back(), "EZHR17_MotorHomeSmart: error restoring max speed");
}

TEST_F(Ezhr17Test, MotorHomeSmartReportsOnlyTheFirstFailure) {
  line.port.Reply(Ez("`5000"));
  line.port.Reply(kBadOperand);  // slew speed refused
  line.port.Reply(kBadOperand);  // restore refused too
  EXPECT_EQ(driver.MotorHomeSmart(800, 0), -1);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{
                "/1V800R-error returned by controller-\xFF/0c\x03-status-3",
                "EZHR17_MotorHome: error setting home speed", "EZHR17_MotorHomeSmart: error homing",
                "/1V5000R-error returned by controller-\xFF/0c\x03-status-3"}));
}

TEST_F(Ezhr17Test, MotorHomeOwnRunsToTheSensorCreepsOffAndRestores) {
  line.port.Reply(Ez("`5000"));
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  line.port.Reply(Ez("`0"));
  line.port.Reply(Ez("`5"));  // home sensor (4) and switch 1
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  line.port.Reply(Ez("`4"));
  line.port.Reply(Ez("`1"));
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorHomeOwn(1000), 1);
  EXPECT_EQ(line.port.written,
            "/1?2\r/1V1000P0R\r/1V1000P0R\r/1?4\r/1?4\r/1V100P0R\r/1V100P0R\r/1?4\r/1?4\r"
            "/1T\r/1V5000R\r");
  EXPECT_TRUE(Log().empty());
}

TEST_F(Ezhr17Test, MotorHomeOwnCreepKeepsTheDirectionAndRoundsHalfToEven) {
  line.port.responder = [this](const std::string& w) -> std::string {
    if (w == "/1?2\r") return Ez("`300");
    if (w == "/1?4\r") return line.port.writes.size() % 2 == 0 ? Ez("`4") : Ez("`0");
    return kReady;
  };
  EXPECT_EQ(driver.MotorHomeOwn(-25), 1);
  EXPECT_EQ(line.port.written,
            "/1?2\r/1V25D0R\r/1V25D0R\r/1?4\r/1V2D0R\r/1V2D0R\r/1?4\r/1T\r/1V300R\r");
}

TEST_F(Ezhr17Test, MotorHomeOwnNeedsTheSpeedBeforeAnyMotion) {
  line.port.Silence();
  line.port.Reply(Ez("`"));
  EXPECT_EQ(driver.MotorHomeOwn(1000), -1);
  EXPECT_EQ(driver.MotorHomeOwn(1000), -1);
  EXPECT_EQ(line.port.written, "/1?2\r/1?2\r");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Port TimeOut", "/1?2-comm error-"}));
}

TEST_F(Ezhr17Test, MotorHomeOwnOnlyTheSecondStartCounts) {
  line.port.Reply(Ez("`5000"));
  line.port.Reply(kReady);
  line.port.Reply(kBadOperand);
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorHomeOwn(1000), -1);
  EXPECT_EQ(line.port.written, "/1?2\r/1V1000P0R\r/1V1000P0R\r/1T\r/1V5000R\r");

  line.port.ClearWritten();
  line.port.Reply(Ez("`5000"));
  line.port.Reply(kBadOperand);
  line.port.Reply(kReady);
  line.port.Reply(Ez("`4"));
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  line.port.Reply(Ez("`0"));
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorHomeOwn(1000), 1);
}

TEST_F(Ezhr17Test, MotorHomeOwnInputFailureStopsAndRestores) {
  line.port.Reply(Ez("`5000"));
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  line.port.Reply(Ez("c"));
  line.port.Reply(kReady);
  line.port.Reply(kBadOperand);  // restore result is not looked at
  EXPECT_EQ(driver.MotorHomeOwn(1000), -1);
  EXPECT_EQ(line.port.written, "/1?2\r/1V1000P0R\r/1V1000P0R\r/1?4\r/1T\r/1V5000R\r");
}

TEST_F(Ezhr17Test, MotorHomeOwnTimeOutWhileSearchingAndWhileCreeping) {
  line.port.responder = [](const std::string& w) {
    return w == "/1?2\r" ? Ez("`5000") : w == "/1?4\r" ? Ez("`0") : kReady;
  };
  EXPECT_EQ(driver.MotorHomeOwn(1000), -2);
  EXPECT_GT(PollsBetween(line.port.written, "/1?2\r/1V1000P0R\r/1V1000P0R\r", "/1?4\r",
                         "/1T\r/1V5000R\r"),
            0);

  line.port.ClearWritten();
  line.port.responder = [](const std::string& w) {
    return w == "/1?2\r" ? Ez("`5000") : w == "/1?4\r" ? Ez("`4") : kReady;
  };
  const int64_t t0 = line.clock.RoundedSeconds();
  EXPECT_EQ(driver.MotorHomeOwn(1000), -2);
  EXPECT_GT(
      PollsBetween(line.port.written, "/1?2\r/1V1000P0R\r/1V1000P0R\r/1?4\r/1V100P0R\r/1V100P0R\r",
                   "/1?4\r", "/1T\r/1V5000R\r"),
      0);
  EXPECT_EQ(line.clock.RoundedSeconds() - t0, 6);  // one deadline for both phases
}

TEST_F(Ezhr17Test, MotorToLimitAlreadyThere) {
  line.port.Reply(Ez("`2500"));
  line.port.Reply(Ez("`4"));  // low end
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorToLimit(1, -2000), 1);
  EXPECT_EQ(line.port.written, "/1?2\r/1?4\r/1T\r/1V2500R\r");
}

TEST_F(Ezhr17Test, MotorToLimitRunsUntilTheMaskedLimit) {
  line.port.Reply(Ez("`2500"));
  line.port.Reply(Ez("`0"));
  line.port.Reply(kReady);
  line.port.Reply(Ez("`4"));   // low end: not in the mask
  line.port.Reply(Ez("`11"));  // high end
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorToLimit(2, 2000), 1);
  EXPECT_EQ(line.port.written, "/1?2\r/1?4\r/1V2000P0R\r/1?4\r/1?4\r/1T\r/1V2500R\r");
  EXPECT_TRUE(Log().empty());
}

TEST_F(Ezhr17Test, MotorToLimitSpeedQueryFailuresStopTheUnit) {
  line.port.Silence();
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorToLimit(1, 2000), -1);
  EXPECT_EQ(line.port.written, "/1?2\r/1T\r");
  EXPECT_EQ(Log().back(), "EZHR17_MotorToLimit: error reading max speed");

  line.port.ClearWritten();
  line.port.Reply(Ez("`"));
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorToLimit(1, 2000), -1);
  EXPECT_EQ(line.port.written, "/1?2\r/1T\r");
  EXPECT_EQ(Log().back(), "EZHR17_MotorToLimit: bad read of max speed`\x03");
}

TEST_F(Ezhr17Test, MotorToLimitPassesTheFailingStepsResultUp) {
  line.port.Reply(Ez("`2500"));
  line.port.Silence();  // limits read
  line.port.Reply(kReady);
  line.port.Reply(kBadOperand);  // restore fails, but the outcome is already negative
  EXPECT_EQ(driver.MotorToLimit(1, 2000), -1);
  EXPECT_EQ(line.port.written, "/1?2\r/1?4\r/1T\r/1V2500R\r");
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Port TimeOut", "/1?4-comm error-",
                       "/1V2500R-error returned by controller-\xFF/0c\x03-status-3"}));

  line.port.ClearWritten();
  line.port.Reply(Ez("`2500"));
  line.port.Reply(Ez("`0"));
  line.port.Reply(kBadOperand);  // the run is refused
  line.port.Reply(kReady);
  line.port.Reply(kReady);
  EXPECT_EQ(driver.MotorToLimit(1, 2000), -2);
  EXPECT_EQ(line.port.written, "/1?2\r/1?4\r/1V2000P0R\r/1T\r/1V2500R\r");
}

TEST_F(Ezhr17Test, MotorToLimitTimeOut) {
  line.port.responder = [](const std::string& w) {
    return w == "/1?2\r" ? Ez("`2500") : w == "/1?4\r" ? Ez("`0") : kReady;
  };
  const int64_t t0 = line.clock.RoundedSeconds();
  EXPECT_EQ(driver.MotorToLimit(1, 2000), -2);
  EXPECT_GT(
      PollsBetween(line.port.written, "/1?2\r/1?4\r/1V2000P0R\r", "/1?4\r", "/1T\r/1V2500R\r"), 0);
  EXPECT_EQ(line.clock.RoundedSeconds() - t0, 6);
}

TEST_F(Ezhr17Test, MotorToLimitRestoreFailureAfterSuccess) {
  line.port.Reply(Ez("`2500"));
  line.port.Reply(Ez("`4"));
  line.port.Reply(kReady);
  line.port.Reply(kBadOperand);
  EXPECT_EQ(driver.MotorToLimit(1, 2000), -1);
  EXPECT_EQ(Log().back(), "EZHR17_MotorToLimit: error restoring max speed");
}

}  // namespace
}  // namespace qv
