// The IM483I driver: the echo test, exact texts on the wire, results and log messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "controllers/ImsCntrl.h"
#include "tests/controllers/LineFixture.h"

namespace qv {
namespace {

using test::Line;
using test::Times;

// --- Pure helpers ---

TEST(Im483iTexts, FrameAndNumberForms) {
  EXPECT_EQ(Im483iFrame(88, "Z"), "XZ");
  EXPECT_EQ(Im483iBlankLed(5), " 5");
  EXPECT_EQ(Im483iBlankLed(0), " 0");
  EXPECT_EQ(Im483iBlankLed(-25), "-25");
  EXPECT_EQ(Im483iPlain(25), "25");
  EXPECT_EQ(Im483iPlain(-25), "-25");
  EXPECT_EQ(Im483iPlain(2147483647), "2147483647");
}

TEST(Im483iTexts, EchoCheck) {
  Im483iReply r = CheckIm483iEcho("XZ", "XZ 1500");
  EXPECT_EQ(r.check, Im483iEchoCheck::kOk);
  EXPECT_EQ(r.answer, " 1500");
  r = CheckIm483iEcho("XZ", "Xz 1500");
  EXPECT_EQ(r.check, Im483iEchoCheck::kMismatch);
  EXPECT_EQ(r.answer, " 1500");
  r = CheckIm483iEcho("XZ", "X");
  EXPECT_EQ(r.check, Im483iEchoCheck::kShort);
  EXPECT_EQ(r.answer, "");
  EXPECT_EQ(CheckIm483iEcho("XO", "XO").check, Im483iEchoCheck::kOk);
  EXPECT_EQ(CheckIm483iEcho("XO", "").check, Im483iEchoCheck::kShort);
}

TEST(Im483iTexts, PortBitsAndOutputByte) {
  EXPECT_EQ(Im483iPortBits(46, 0), (std::array<int16_t, 3>{0, 1, 1}));  // 2 + 4
  EXPECT_EQ(Im483iPortBits(46, 3), (std::array<int16_t, 3>{1, 0, 1}));  // 8 + 32
  EXPECT_EQ(Im483iPortBits(-1, 3), (std::array<int16_t, 3>{1, 1, 1}));
  EXPECT_EQ(Im483iOutputByte({1, 0, 1}), 40);
  EXPECT_EQ(Im483iOutputByte({0, 1, 0}), 16);
  EXPECT_EQ(Im483iOutputByte({0, 0, 0}), 0);
  EXPECT_EQ(Im483iOutputByte({2, 0, 0}), std::nullopt);
  EXPECT_EQ(Im483iOutputByte({0, 0, -1}), std::nullopt);
}

TEST(Im483iTexts, SettleTensAndBackOffSpeed) {
  EXPECT_EQ(Im483iSettleTens(3000), 255);
  EXPECT_EQ(Im483iSettleTens(25), 2);  // halves to even
  EXPECT_EQ(Im483iSettleTens(35), 4);
  EXPECT_EQ(Im483iSettleTens(-50), 0);
  EXPECT_EQ(Im483iSettleTens(2550), 255);
  EXPECT_EQ(Im483iBackOffSpeed(1000, 4), -250);
  EXPECT_EQ(Im483iBackOffSpeed(-1000, 2), 500);
  EXPECT_EQ(Im483iBackOffSpeed(40, 4), -20);  // at least 20
  EXPECT_EQ(Im483iBackOffSpeed(-10, 4), 20);
  EXPECT_EQ(Im483iBackOffSpeed(-32768, 4), 8192);
  EXPECT_EQ(Im483iBackOffSpeed(90, 4), -22);  // 22.5 to even
}

// --- The driver ---

class Im483iTest : public ::testing::Test {
 protected:
  Im483iTest() {
    driver.InitChannel();
    motor.MotorAddress = 'X';
    motor.MotorMoveTimeout = 5;
  }
  // Every command answered by its echo alone.
  void AnswerEcho() {
    line.port.responder = [](const std::string& w) { return w; };
  }
  std::vector<std::string> Log() const { return line.Log(); }

  Line line;
  MotorState motor;
  Im483iDriver driver{line.comm, line.clock, line.pump, motor};
};

TEST_F(Im483iTest, CommandSendsNameCommandLfAndSplitsTheAnswerOffTheEcho) {
  line.port.Reply("XZ 1500\n");
  double position = 0;
  EXPECT_EQ(driver.ReadPos(position), 1);
  EXPECT_EQ(line.port.written, "XZ\n");
  EXPECT_EQ(position, 1500);
  EXPECT_TRUE(Log().empty());
}

TEST_F(Im483iTest, CommandAnswerInPieces) {
  line.port.ReplyInPieces({"X", "Z -1", "2.5\n"});
  std::string answer;
  EXPECT_EQ(driver.Command("Z", answer), 1);
  EXPECT_EQ(answer, " -12.5");
}

TEST_F(Im483iTest, EchoInAnotherCaseIsMinusTwoWithTheAnswerHandedBack) {
  line.port.Reply("Xz 1500\n");
  std::string answer;
  EXPECT_EQ(driver.Command("Z", answer), -2);
  EXPECT_EQ(answer, " 1500");
  EXPECT_EQ(Log(), std::vector<std::string>{"XZ!=Xz 1500"});
  EXPECT_EQ(line.messageLine, "XZ!=Xz 1500");
}

TEST_F(Im483iTest, ShortReplyIsMinusThree) {
  line.port.Reply("X\n");
  std::string answer = "before";
  EXPECT_EQ(driver.Command("Z", answer), -3);
  EXPECT_EQ(answer, "before");
  EXPECT_EQ(Log(), std::vector<std::string>{"XZ>X"});
}

TEST_F(Im483iTest, TimeOutIsMinusOneAndAppendsCommandAndPartialReply) {
  line.port.ReplyInPieces({"XZ 15"});
  std::string answer = "before";
  const int32_t start = line.clock.now;
  EXPECT_EQ(driver.Command("Z", answer), -1);
  EXPECT_GT(line.clock.now - start, 1000);
  EXPECT_EQ(answer, "before");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Port TimeOut", "XZ\\XZ 15"}));
  EXPECT_EQ(line.messageLine, "Port TimeOut, XZ\\XZ 15");
}

TEST_F(Im483iTest, AnOverlappingExchangeIsRefusedWithoutSending) {
  AnswerEcho();
  int16_t inner = 0;
  line.port.onWrite = [&](const std::string&) {
    line.port.onWrite = nullptr;
    std::string innerAnswer;
    inner = driver.Command("Z", innerAnswer);
  };
  std::string answer;
  EXPECT_EQ(driver.Command("O", answer), 1);
  EXPECT_EQ(inner, -4);
  EXPECT_EQ(line.port.written, "XO\n");
  EXPECT_EQ(Log(), std::vector<std::string>{"inst>0;"});
  line.port.responder = [](const std::string&) { return std::string("?O\n"); };
  EXPECT_EQ(driver.Command("O", answer), -2);
  AnswerEcho();
  EXPECT_EQ(driver.Command("O", answer), 1);  // the guard was released after the failure
}

TEST_F(Im483iTest, RawCommandAndWakeUp) {
  line.port.Reply("whatever\n");
  std::string reply;
  EXPECT_EQ(driver.RawCommand("Y?", reply), 1);
  EXPECT_EQ(reply, "whatever");
  line.port.Silence();
  EXPECT_EQ(driver.WakeUp(), -1);
  line.port.Reply("AX\n");
  EXPECT_EQ(driver.WakeUp(), 1);
  EXPECT_EQ(line.port.written, "Y?\nAX\nAX\n");
  EXPECT_EQ(Log(), std::vector<std::string>{"Port TimeOut"});
}

TEST_F(Im483iTest, InitChannelSetsLfBothWays) {
  line.comm.CommSetTxTerm(13);
  line.comm.CommSetRxTerm(13);
  driver.InitChannel();
  line.port.ReplyInPieces({"a\r", "b\n"});
  std::string reply;
  EXPECT_EQ(driver.RawCommand("x", reply), 1);
  EXPECT_EQ(line.port.written, "x\n");
  EXPECT_EQ(reply, "a\rb");
}

struct WireCase {
  const char* what;
  std::function<int16_t(Im483iDriver&)> op;
  std::string wire;
  int16_t result;
};

TEST_F(Im483iTest, EveryCommandSendsItsExactText) {
  const std::vector<WireCase> cases = {
      {"home reverse", [](auto& d) { return d.Home(-800); }, "XF 800 1\n", 1},
      {"home forward", [](auto& d) { return d.Home(800); }, "XF 800 0\n", 1},
      {"home most negative", [](auto& d) { return d.Home(-32768); }, "XF 32768 1\n", 1},
      {"home zero", [](auto& d) { return d.Home(0); }, "", -1},
      {"run", [](auto& d) { return d.MoveAtSpeed(-300); }, "XM-300\n", 1},
      {"stop", [](auto& d) { return d.MoveAtSpeed(0); }, "XM0\n", 1},
      {"abs zero", [](auto& d) { return d.MoveAbs(0); }, "XR-0\n", 1},
      {"abs half up", [](auto& d) { return d.MoveAbs(12.5); }, "XR+13\n", 1},
      {"abs negative", [](auto& d) { return d.MoveAbs(-7.4); }, "XR-7\n", 1},
      {"rel zero", [](auto& d) { return d.MoveRel(0); }, "", 1},
      {"rel up", [](auto& d) { return d.MoveRel(2.5); }, "X+3\n", 1},
      {"rel down", [](auto& d) { return d.MoveRel(-2.5); }, "X-3\n", 1},
      {"outputs 1 0 1", [](auto& d) { return d.WriteOutPorts(1, 0, 1); }, "XA 40\n", 1},
      {"outputs off", [](auto& d) { return d.WriteOutPorts(0, 0, 0); }, "XA 0\n", 1},
      {"outputs bad value", [](auto& d) { return d.WriteOutPorts(1, 2, 0); }, "", -2},
      {"ports",
       [](auto& d) {
         return d.WritePorts({0, 1, 1});
       },
       "XA 48\n", 1},
      {"ports bad value",
       [](auto& d) {
         return d.WritePorts({0, 0, -1});
       },
       "", -2},
      {"settle clamped", [](auto& d) { return d.SetSettle(3000); }, "XE 255\n", 1},
      {"settle half to even", [](auto& d) { return d.SetSettle(25); }, "XE 2\n", 1},
      {"settle negative", [](auto& d) { return d.SetSettle(-50); }, "XE 0\n", 1},
      {"currents", [](auto& d) { return d.SetCurrents(5, 25); }, "XY 5 25\n", 1},
      {"ramp", [](auto& d) { return d.SetRamp(10, -3); }, "XK 10-3\n", 1},
      {"limit polarity", [](auto& d) { return d.SetLimitPolarity(1); }, "Xl 1\n", 1},
      {"jog speeds", [](auto& d) { return d.SetJogSpeeds(100, 2000); }, "XB 100 2000\n", 1},
      {"slew speed", [](auto& d) { return d.SetSlewSpeed(5000); }, "XV 5000\n", 1},
      {"step divide", [](auto& d) { return d.SetStepDivide(256); }, "XH 0\nXD 256\n", 1},
      {"init speed", [](auto& d) { return d.SetInitSpeed(400); }, "XI 400\n", 1},
      {"origin", [](auto& d) { return d.SetOrigin(); }, "XO\n", 1},
  };
  for (const WireCase& c : cases) {
    SCOPED_TRACE(c.what);
    Line fresh;
    MotorState unit{'X', 5};
    Im483iDriver d(fresh.comm, fresh.clock, fresh.pump, unit);
    d.InitChannel();
    fresh.port.responder = [](const std::string& w) { return w; };
    EXPECT_EQ(c.op(d), c.result);
    EXPECT_EQ(fresh.port.written, c.wire);
    EXPECT_TRUE(fresh.Log().empty());
  }
}

TEST_F(Im483iTest, ArgumentsOutside16BitsAreRefusedBeforeSending) {
  AnswerEcho();
  EXPECT_EQ(driver.MoveAtSpeed(40000), -1);
  EXPECT_EQ(driver.SetRamp(10, -32769), -1);
  EXPECT_EQ(driver.SetJogSpeeds(32768, 1), -1);
  EXPECT_EQ(driver.SetSlewSpeed(100000), -1);
  EXPECT_EQ(driver.SetInitSpeed(-40000), -1);
  EXPECT_EQ(driver.MotorHomeOwn(50000), -1);
  EXPECT_EQ(driver.MotorHomeSmart(800, 70000), -1);
  EXPECT_EQ(driver.MotorToLimit(65536, 100), -1);
  EXPECT_EQ(line.port.written, "");
  EXPECT_EQ(Log(), (std::vector<std::string>{"IM483I_MoveAtSpeed: argument out of 16-bit range",
                                             "IM483I_SetRamp: argument out of 16-bit range",
                                             "IM483I_SetJogSpeeds: argument out of 16-bit range",
                                             "IM483I_SetSlewSpeed: argument out of 16-bit range",
                                             "IM483I_SetInitSpeed: argument out of 16-bit range",
                                             "IM483I_MotorHomeOwn: argument out of 16-bit range",
                                             "IM483I_MotorHomeSmart: argument out of 16-bit range",
                                             "IM483I_MotorToLimit: argument out of 16-bit range"}));
  // The edges still go out.
  EXPECT_EQ(driver.MoveAtSpeed(-32768), 1);
  EXPECT_EQ(driver.SetSlewSpeed(32767), 1);
  EXPECT_EQ(line.port.written, "XM-32768\nXV 32767\n");
}

TEST_F(Im483iTest, PositionsThatFitNoCounterAreRefusedBeforeSending) {
  AnswerEcho();
  EXPECT_EQ(driver.MoveAbs(std::nan("")), -1);
  EXPECT_EQ(driver.MoveAbs(-5e9), -1);
  EXPECT_EQ(driver.MoveRel(std::numeric_limits<double>::infinity()), -1);
  EXPECT_EQ(line.port.written, "");
  EXPECT_EQ(Log(), (std::vector<std::string>{"IM483I_MoveAbs: position out of range",
                                             "IM483I_MoveAbs: position out of range",
                                             "IM483I_MoveRel: distance out of range"}));
}

TEST_F(Im483iTest, StepDivideSendsTheResolutionEvenWhenTheModeIsRefused) {
  line.port.Reply("XH?\n");
  line.port.Reply("XD 256\n");
  EXPECT_EQ(driver.SetStepDivide(256), 1);
  EXPECT_EQ(line.port.written, "XH 0\nXD 256\n");
  line.port.Reply("XH 0\n");
  line.port.Reply("XD 255\n");
  EXPECT_EQ(driver.SetStepDivide(256), -2);
}

TEST_F(Im483iTest, PauseSetsTheSettleTimeThenDelays) {
  AnswerEcho();
  EXPECT_EQ(driver.Pause(200), 1);
  EXPECT_EQ(line.port.written, "XE 20\n");
  EXPECT_EQ(line.clock.delays, std::vector<int32_t>{200});

  line.port.responder = nullptr;
  line.clock.delays.clear();
  EXPECT_EQ(driver.Pause(300), -1);
  EXPECT_EQ(std::count(line.clock.delays.begin(), line.clock.delays.end(), 300), 0);
}

TEST_F(Im483iTest, MovingStatusIsTheAnswerNumber) {
  line.port.Reply("X^ 9\n");
  line.port.Reply("X^   0  \n");
  line.port.Reply("X^ busy\n");
  line.port.Reply("X^-3\n");
  line.port.Reply("X^\n");
  line.port.Reply("x^ 0\n");
  EXPECT_EQ(driver.ReadMovingStatus(), 9);
  EXPECT_EQ(driver.ReadMovingStatus(), 0);
  EXPECT_EQ(driver.ReadMovingStatus(), -1);
  EXPECT_EQ(driver.ReadMovingStatus(), -1);
  EXPECT_EQ(driver.ReadMovingStatus(), -1);
  EXPECT_EQ(driver.ReadMovingStatus(), -1);
  EXPECT_EQ(line.port.written, Times(6, "X^\n"));
  EXPECT_EQ(Log(), (std::vector<std::string>{"IM483I_ReadMovingStatus: no status in answer- busy",
                                             "IM483I_ReadMovingStatus: no status in answer--3",
                                             "IM483I_ReadMovingStatus: no status in answer-",
                                             "X^!=x^ 0"}));
}

TEST_F(Im483iTest, ReadsOfHardwareAndLimits) {
  line.port.Reply("X] 1 1\n");
  line.port.Reply("X] 0 2\n");
  line.port.Reply("X] 0 none\n");
  line.port.Reply("X] 0 99999\n");
  line.port.Silence();
  int16_t hardware = -5;
  int16_t limits = -5;
  EXPECT_EQ(driver.ReadHardware(hardware), 1);
  EXPECT_EQ(hardware, 1);
  EXPECT_EQ(driver.ReadLimits(limits), 1);
  EXPECT_EQ(limits, 2);
  // Not a (16-bit) number: the value stays, the exchange succeeded.
  EXPECT_EQ(driver.ReadLimits(limits), 1);
  EXPECT_EQ(driver.ReadLimits(limits), 1);
  EXPECT_EQ(limits, 2);
  EXPECT_EQ(driver.ReadLimits(limits), -1);
  EXPECT_EQ(limits, 2);
  EXPECT_EQ(line.port.written, "X] 1\nX] 0\nX] 0\nX] 0\nX] 0\n");
}

TEST_F(Im483iTest, ReadPosKeepsThePositionWithoutANumber) {
  line.port.Reply("XZ ?\n");
  line.port.Reply("XZ\n");
  line.port.Reply("Xz 5\n");
  double position = 12;
  EXPECT_EQ(driver.ReadPos(position), 1);
  EXPECT_EQ(driver.ReadPos(position), 1);
  EXPECT_EQ(driver.ReadPos(position), -1);
  EXPECT_EQ(position, 12);
}

TEST_F(Im483iTest, PortReads) {
  line.port.Reply("XA 129 46\n");
  line.port.Reply("XA 129 46\n");
  line.port.Reply("XA 129 x\n");
  line.port.Silence();
  std::array<int16_t, 3> in{9, 9, 9};
  std::array<int16_t, 3> out{9, 9, 9};
  EXPECT_EQ(driver.ReadInPorts(in), 1);
  EXPECT_EQ(in, (std::array<int16_t, 3>{0, 1, 1}));
  EXPECT_EQ(driver.ReadOutPorts(out), 1);
  EXPECT_EQ(out, (std::array<int16_t, 3>{1, 0, 1}));
  EXPECT_EQ(driver.ReadOutPorts(out), -1);
  EXPECT_EQ(driver.ReadInPorts(in), -1);
  EXPECT_EQ(in, (std::array<int16_t, 3>{0, 1, 1}));
  EXPECT_EQ(line.port.written, Times(4, "XA 129\n"));
  EXPECT_EQ(Log(), (std::vector<std::string>{"IM483I_ReadPorts: no port byte in answer- x",
                                             "Port TimeOut", "XA 129\\"}));
}

TEST_F(Im483iTest, GetOutput) {
  line.port.Reply("XA 129 16\n");
  int16_t value = 7;
  EXPECT_EQ(driver.GetOutput(1, value), 1);
  EXPECT_EQ(value, 1);
  line.port.Reply("XA 129 16\n");
  EXPECT_EQ(driver.GetOutput(2, value), 1);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(driver.GetOutput(3, value), -1);
  EXPECT_EQ(driver.GetOutput(-1, value), -1);
  line.port.Silence();
  EXPECT_EQ(driver.GetOutput(0, value), -1);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(line.port.written, Times(3, "XA 129\n"));
}

TEST_F(Im483iTest, SetOutputKeepsTheOtherOutputs) {
  line.port.Reply("XA 129 8\n");  // output 0 on
  line.port.Reply("XA 24\n");
  EXPECT_EQ(driver.SetOutput(1, 1), 1);
  EXPECT_EQ(line.port.written, "XA 129\nXA 24\n");

  line.port.ClearWritten();
  line.port.Reply("XA 129 56\n");
  line.port.Reply("XA 24\n");
  EXPECT_EQ(driver.SetOutput(2, 0), 1);
  EXPECT_EQ(line.port.written, "XA 129\nXA 24\n");
}

TEST_F(Im483iTest, SetOutputFailures) {
  EXPECT_EQ(driver.SetOutput(3, 1), -1);
  EXPECT_EQ(line.port.written, "");

  line.port.Reply("XA 129 0\n");
  EXPECT_EQ(driver.SetOutput(0, 2), -1);  // the write refuses the value
  EXPECT_EQ(line.port.written, "XA 129\n");

  line.port.ClearWritten();
  line.port.Silence();
  EXPECT_EQ(driver.SetOutput(0, 1), -1);  // without the current outputs nothing is written
  EXPECT_EQ(line.port.written, "XA 129\n");

  line.port.ClearWritten();
  line.port.Reply("XA 129 0\n");
  line.port.Reply("XA 9\n");
  EXPECT_EQ(driver.SetOutput(0, 1), -1);
  EXPECT_EQ(line.port.written, "XA 129\nXA 8\n");
}

// --- Waits and composite motions ---

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

TEST_F(Im483iTest, WaitMoveEnd) {
  line.port.Reply("X^ 1\n");
  line.port.Reply("X^ 33\n");
  line.port.Reply("X^ 0\n");
  EXPECT_EQ(driver.WaitMoveEnd(), 1);
  EXPECT_EQ(line.port.written, Times(3, "X^\n"));
  EXPECT_EQ(line.pump.calls, 2);
  EXPECT_EQ(line.clock.delays, (std::vector<int32_t>{20, 20}));
}

TEST_F(Im483iTest, WaitMoveEndFailsAtTheFirstFailedQuery) {
  line.port.Reply("X^ 1\n");
  line.port.Silence();
  EXPECT_EQ(driver.WaitMoveEnd(), -1);
  EXPECT_EQ(line.port.written, Times(2, "X^\n"));
}

TEST_F(Im483iTest, WaitMoveEndTimeOut) {
  line.port.responder = [](const std::string&) { return std::string("X^ 1\n"); };
  const int64_t t0 = line.clock.RoundedSeconds();
  EXPECT_EQ(driver.WaitMoveEnd(), -2);
  EXPECT_EQ(line.clock.RoundedSeconds() - t0, 6);
  EXPECT_GT(PollsBetween(line.port.written, "", "X^\n", ""), 10);
}

// A unit whose input answers come from a list, then repeat the last one; all else is echoed.
class InputsUnit {
 public:
  InputsUnit(Line& line, std::string query, std::vector<std::string> answers)
      : query_(std::move(query)), answers_(std::move(answers)) {
    line.port.responder = [this](const std::string& w) { return Answer(w); };
  }
  std::string Answer(const std::string& w) {
    if (w != query_) return w;
    const std::string a = answers_[std::min(next_, answers_.size() - 1)];
    ++next_;
    return w.substr(0, w.size() - 1) + " " + a + "\n";
  }

 private:
  std::string query_;
  std::vector<std::string> answers_;
  size_t next_ = 0;
};

TEST_F(Im483iTest, MotorHomeOwnFindsTheInputAndBacksOff) {
  InputsUnit unit(line, "X] 1\n", {"0", "1", "1", "0"});
  EXPECT_EQ(driver.MotorHomeOwn(1000), 1);
  EXPECT_EQ(line.port.written, "XM1000\nX] 1\nX] 1\nXM-250\nX] 1\nX] 1\nXM0\n");
}

TEST_F(Im483iTest, MotorHomeOwnSlowBackOffIsAtLeast20) {
  InputsUnit unit(line, "X] 1\n", {"3", "2"});
  EXPECT_EQ(driver.MotorHomeOwn(-40), 1);
  EXPECT_EQ(line.port.written, "XM-40\nX] 1\nXM20\nX] 1\nXM0\n");
}

TEST_F(Im483iTest, MotorHomeOwnFailuresStillStop) {
  line.port.Reply("XM?\n");
  line.port.Reply("XM0\n");
  EXPECT_EQ(driver.MotorHomeOwn(1000), -1);
  EXPECT_EQ(line.port.written, "XM1000\nXM0\n");

  line.port.ClearWritten();
  line.port.Reply("XM1000\n");
  line.port.Silence();
  line.port.Reply("XM0\n");
  EXPECT_EQ(driver.MotorHomeOwn(1000), -1);
  EXPECT_EQ(line.port.written, "XM1000\nX] 1\nXM0\n");

  line.port.ClearWritten();
  line.port.Reply("XM1000\n");
  line.port.Reply("X] 1 1\n");
  line.port.Reply("XM-25\n");  // wrong echo
  line.port.Reply("XM0\n");
  EXPECT_EQ(driver.MotorHomeOwn(1000), -1);
  EXPECT_EQ(line.port.written, "XM1000\nX] 1\nXM-250\nXM0\n");
}

TEST_F(Im483iTest, MotorHomeOwnTimeOuts) {
  {
    InputsUnit unit(line, "X] 1\n", {"0"});
    EXPECT_EQ(driver.MotorHomeOwn(1000), -2);
    EXPECT_GT(PollsBetween(line.port.written, "XM1000\n", "X] 1\n", "XM0\n"), 0);
  }
  line.port.ClearWritten();
  InputsUnit stuck(line, "X] 1\n", {"1"});
  const int64_t t0 = line.clock.RoundedSeconds();
  EXPECT_EQ(driver.MotorHomeOwn(1000), -2);
  EXPECT_GT(PollsBetween(line.port.written, "XM1000\nX] 1\nXM-250\n", "X] 1\n", "XM0\n"), 0);
  EXPECT_EQ(line.clock.RoundedSeconds() - t0, 6);
}

TEST_F(Im483iTest, MotorHomeSmartWithInitSpeedLoweredAndBackOff) {
  InputsUnit unit(line, "X] 1\n", {"1", "1", "0"});
  line.port.responder = [&unit](const std::string& w) -> std::string {
    return w == "X^\n" ? "X^ 0\n" : unit.Answer(w);
  };
  EXPECT_EQ(driver.MotorHomeSmart(800, 400), 1);
  EXPECT_EQ(line.port.written, "XI 200\nXF 800 0\nX^\nX] 1\nXM-200\nX] 1\nX] 1\nXI 400\nXM0\n");
}

TEST_F(Im483iTest, MotorHomeSmartWithoutInitChangeOrBackOff) {
  line.port.responder = [](const std::string& w) -> std::string {
    if (w == "X^\n") return "X^ 0\n";
    if (w == "X] 1\n") return "X] 1 0\n";
    return w;
  };
  EXPECT_EQ(driver.MotorHomeSmart(-800, -300), 1);  // a quarter (-200) is not below -300
  EXPECT_EQ(line.port.written, "XF 800 1\nX^\nX] 1\nXM0\n");
}

// Runs MotorHomeSmart(800, 400) with the command `failing` (and every later one of the same
// text) answered by a wrong echo; the wire must end with the stop command.
struct SmartFailure {
  const char* failing;
  int16_t result;
  std::string wire;
};

TEST_F(Im483iTest, MotorHomeSmartFailureCodes) {
  const std::string full = "XI 200\nXF 800 0\nX^\nX] 1\nXM-200\nX] 1\nXI 400\nXM0\n";
  const std::vector<SmartFailure> cases = {
      {"XI 200\n", -7, "XI 200\nXM0\n"},
      {"XF 800 0\n", -1, "XI 200\nXF 800 0\nXM0\n"},
      {"X^\n", -2, "XI 200\nXF 800 0\nX^\nXM0\n"},
      {"X] 1\n", -3, "XI 200\nXF 800 0\nX^\nX] 1\nXM0\n"},
      {"XM-200\n", -4, "XI 200\nXF 800 0\nX^\nX] 1\nXM-200\nXM0\n"},
      {"XI 400\n", -8, full},
  };
  for (const SmartFailure& c : cases) {
    SCOPED_TRACE(c.failing);
    Line fresh;
    MotorState unit{'X', 5};
    Im483iDriver d(fresh.comm, fresh.clock, fresh.pump, unit);
    d.InitChannel();
    int homePolls = 0;
    fresh.port.responder = [&](const std::string& w) -> std::string {
      if (w == c.failing) return "??\n";
      if (w == "X^\n") return "X^ 0\n";
      if (w == "X] 1\n") return ++homePolls == 1 ? "X] 1 1\n" : "X] 1 0\n";
      return w;
    };
    EXPECT_EQ(d.MotorHomeSmart(800, 400), c.result);
    EXPECT_EQ(fresh.port.written, c.wire);
  }
}

TEST_F(Im483iTest, MotorHomeSmartBackOffFailures) {
  // -6: the home input cannot be read while backing off.
  line.port.Reply("XF 800 0\n");
  line.port.Reply("X^ 0\n");
  line.port.Reply("X] 1 1\n");
  line.port.Reply("XM-200\n");
  line.port.Silence();
  line.port.Reply("XM0\n");
  EXPECT_EQ(driver.MotorHomeSmart(800, 100), -6);
  EXPECT_EQ(line.port.written, "XF 800 0\nX^\nX] 1\nXM-200\nX] 1\nXM0\n");

  // -5: the input never clears.
  line.port.ClearWritten();
  line.port.responder = [](const std::string& w) -> std::string {
    if (w == "X^\n") return "X^ 0\n";
    if (w == "X] 1\n") return "X] 1 1\n";
    return w;
  };
  EXPECT_EQ(driver.MotorHomeSmart(800, 100), -5);
  EXPECT_GT(PollsBetween(line.port.written, "XF 800 0\nX^\nX] 1\nXM-200\n", "X] 1\n", "XM0\n"), 0);
}

TEST_F(Im483iTest, MotorToLimitBacksOffAndReportsTheFirstLimitSeen) {
  InputsUnit unit(line, "X] 0\n", {"0", "2", "2", "0"});
  EXPECT_EQ(driver.MotorToLimit(3, 1000), 2);
  EXPECT_EQ(line.port.written,
            "XM1000\nX] 0\nXM1000\nX] 0\nXM-500\nX] 0\nXM-500\nX] 0\nXM0\nXM0\n");
}

TEST_F(Im483iTest, MotorToLimitIgnoresLimitsOutsideTheMask) {
  InputsUnit unit(line, "X] 0\n", {"2", "3", "0"});
  EXPECT_EQ(driver.MotorToLimit(1, -10), 3);
  EXPECT_EQ(line.port.written, "XM-10\nX] 0\nXM-10\nX] 0\nXM20\nX] 0\nXM0\nXM0\n");
}

TEST_F(Im483iTest, MotorToLimitFailuresAndTimeOuts) {
  line.port.Reply("XM1000\n");
  line.port.Silence();
  line.port.Reply("XM0\n");
  EXPECT_EQ(driver.MotorToLimit(1, 1000), -1);
  EXPECT_EQ(line.port.written, "XM1000\nX] 0\nXM0\n");

  line.port.ClearWritten();
  line.port.Reply("XM1000\n");
  line.port.Reply("X] 0 1\n");
  line.port.Reply("XN\n");
  line.port.Reply("XM0\n");
  EXPECT_EQ(driver.MotorToLimit(1, 1000), -1);
  EXPECT_EQ(line.port.written, "XM1000\nX] 0\nXM-500\nXM0\n");

  line.port.ClearWritten();
  {
    InputsUnit never(line, "X] 0\n", {"0"});
    EXPECT_EQ(driver.MotorToLimit(1, 1000), -2);
    EXPECT_GT(PollsBetween(line.port.written, "", "XM1000\nX] 0\n", "XM0\n"), 0);
  }
  line.port.ClearWritten();
  InputsUnit stuck(line, "X] 0\n", {"1"});
  EXPECT_EQ(driver.MotorToLimit(1, 1000), -2);
  EXPECT_GT(PollsBetween(line.port.written, "XM1000\nX] 0\n", "XM-500\nX] 0\n", "XM0\n"), 0);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// Under a German numeric locale printf would write "12,5"; the wire and the replies must not
// care.
TEST(DriverNumbersUnderGermanLocale, FramesAndRepliesKeepThePoint) {
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale";
  test::Line line;
  MotorState unit{'X', 5};
  Im483iDriver driver(line.comm, line.clock, line.pump, unit);
  driver.InitChannel();
  line.port.Reply("XR+13\n");
  line.port.Reply("XZ -12.5\n");
  double position = 0;
  EXPECT_EQ(driver.MoveAbs(12.5), 1);
  EXPECT_EQ(driver.ReadPos(position), 1);
  std::setlocale(LC_NUMERIC, previous.c_str());
  EXPECT_EQ(position, -12.5);
  EXPECT_EQ(line.port.written, "XR+13\nXZ\n");
}

}  // namespace
}  // namespace qv
