// The controllers on a scripted line: the channel (late replies, a lost line and the message ring:
// tests/app/AppTest.cpp), the drivers' exact bytes, results and log messages where the
// transcripts and the device tests do not reach, the dispatch by type and the LED unit's start.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "controllers/Ezhr17Driver.h"
#include "controllers/Im483iDriver.h"
#include "controllers/LedController.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/ResultNames.h"
#include "tests/support/ScriptedPort.h"

namespace qv {
namespace {

using Log = std::vector<std::string>;
using Answer = std::function<std::optional<std::string>(const std::string& written)>;

class HookPump final : public EventPump {
 public:
  void DoEvents() override {
    if (hook) hook();
  }
  std::function<void()> hook;  // stands for a window event served during a wait
};

// One serial line: a fake clock, a port, the channel over it and a message line that shows what
// the channel shows.
template <class Port = test::ScriptedPort>
struct Line {
  test::FakeClock clock;
  Port port{clock};
  Comm comm{port, clock};
  HookPump pump;
  std::string messageLine;

  Line() {
    comm.CommInit();
    comm.CommSetLogDisplay(CommLogDisplay{[this] { return messageLine; },
                                          [this](const std::string& t) { messageLine = t; }});
  }
};

// --- The channel ---

// A port whose received bytes arrive at given times of the fake clock.
class TimedPort final : public test::ScriptedPort {
 public:
  explicit TimedPort(test::FakeClock& clock) : ScriptedPort(clock), clock_(clock) {
    writeCostMs = 0;
  }

  bool Close() override { return !failClose && ScriptedPort::Close(); }
  size_t BytesAvailable() override {
    return !chunks.empty() && chunks.front().first <= clock_.now ? chunks.front().second.size() : 0;
  }
  bool ReadAll(std::string& bytes) override {
    if (failReads > 0) {
      --failReads;
      return false;
    }
    bytes.clear();
    while (!chunks.empty() && chunks.front().first <= clock_.now) {
      bytes += chunks.front().second;
      chunks.pop_front();
    }
    return true;
  }
  bool WaitForData(int timeoutMs) override {
    ++waits;
    if (onWait) onWait();
    if (!IsOpen() || broken) return false;
    if (!chunks.empty() && chunks.front().first <= clock_.now + timeoutMs) {
      clock_.now = std::max(clock_.now, chunks.front().first);
      return true;
    }
    clock_.now += timeoutMs;
    return false;
  }
  int ErrorNumber() const override { return fault.first; }
  std::string ErrorText() const override { return fault.second; }

  void Arrive(int32_t after, std::string bytes) { chunks.emplace_back(clock_.now + after, bytes); }

  std::deque<std::pair<int32_t, std::string>> chunks;  // fake clock ms, bytes
  std::function<void()> onWait;  // what happens to the line while the channel waits
  bool failClose = false;
  bool broken = false;  // every wait returns at once, as a broken port's does
  int failReads = 0;
  int waits = 0;
  std::pair<int, std::string> fault;  // the number and text of the port's last fault

 private:
  test::FakeClock& clock_;
};

class Channel : public ::testing::Test, public Line<TimedPort> {
 protected:
  Channel() { Terms(false); }
  void Terms(bool ezhr17) {
    comm.CommSetTxTerm(ezhr17 ? 13 : 10);
    comm.CommSetRxTerm(ezhr17 ? 13 : 10);
    comm.CommSetRxTerm2(10);
  }
  // A reply collected with one or two terminator characters: the result, the reply and the log.
  std::tuple<bool, std::string, std::string> In(bool twoCharacterEnd) {
    std::string reply = "old";
    const bool result = twoCharacterEnd ? comm.CommIn2(reply) : comm.CommIn(reply);
    return {result, reply, comm.CommLogText()};
  }
};

// The channel blocks between pieces instead of spinning: one wait per piece.
TEST_F(Channel, AReplyEndsOnlyWithItsLastCharactersAndItsTerminatorsAreDropped) {
  // {two terminator characters, first terminator, pieces (ms from the start, bytes), reply}
  const std::tuple<bool, int16_t, std::vector<std::pair<int32_t, std::string>>, std::string>
      rows[] = {
          {true, 13, {{3, "\xFF/0`12"}, {5, "34\x03\r"}, {7, "\n"}}, "\xFF/0`1234\x03"},
          {false, 10, {{1, "XZ\n 15"}, {2, "00\n"}}, "XZ\n 1500"},  // an LF inside a piece
          // With one character collected both tests look at it.
          {true, 10, {{1, "\n"}}, ""},
      };
  for (const auto& [twoCharacterEnd, rxTerm, pieces, reply] : rows) {
    SCOPED_TRACE(reply);
    Terms(twoCharacterEnd);
    comm.CommSetRxTerm(rxTerm);
    port.waits = 0;
    for (const auto& [at, bytes] : pieces)
      port.Arrive(at, bytes);
    EXPECT_EQ(In(twoCharacterEnd), std::tuple(true, reply, ""));
    EXPECT_EQ(port.waits, static_cast<int>(pieces.size()));
  }
}

TEST_F(Channel, TimeOutCountsFromTheStartAndKeepsThePartialReply) {
  comm.CommSetTimeout(200);
  const int32_t start = clock.now;
  port.Arrive(150, "XZ 1");
  port.Arrive(250, "5\n");  // each piece in time, the whole reply not
  EXPECT_EQ(In(false), std::tuple(false, "XZ 1", "Port TimeOut\r\n"));
  EXPECT_GT(clock.now - start, 200);
  EXPECT_LE(clock.now - start, 203);
}

TEST_F(Channel, ALineLostDuringAnExchangeEndsItAtOnceAndALineClosedOnPurposeStaysClosed) {
  comm.SetPortName("/tmp/sim-link");
  ASSERT_TRUE(comm.CommOpenPort(1));
  port.onWait = [this] { port.Close(); };
  const int32_t start = clock.now;
  std::string reply;
  EXPECT_FALSE(comm.CommOutIn("XA", reply));
  EXPECT_LT(clock.now - start, comm.CommTimeoutMs());
  EXPECT_EQ(comm.CommLogText(), "Port lost: /tmp/sim-link\r\n");

  port.onWait = nullptr;
  port.opened.clear();
  EXPECT_TRUE(comm.CommClosePort());
  comm.CommOutIn("XZ", reply);
  EXPECT_EQ(port.opened, "");
}

// A fault of the port is logged with its number and text, and a reply that still comes counts
// (though the exchange of a refused write fails).
TEST_F(Channel, SendAndReadFaultsAreLoggedAndStillWaitForAReply) {
  port.failWrites = true;
  port.fault = {5, "write refused"};
  port.Arrive(10, "XZ 7\n");
  std::string reply;
  EXPECT_FALSE(comm.CommOutIn("XZ", reply));
  EXPECT_EQ(reply, "XZ 7");
  Terms(true);
  port.failReads = 1;
  port.fault = {12, "Resource temporarily unavailable"};
  port.Arrive(1, "abc\r\n");
  EXPECT_EQ(In(true), std::tuple(true, "abc",
                                 "CommOut  5 write refused\r\n"
                                 "CommIn2  12 Resource temporarily unavailable\r\n"));
}

TEST_F(Channel, APortThatIsNotOpenFailsAtOnce) {
  port.Close();
  port.fault = {13, "Port not open"};
  const int32_t start = clock.now;
  EXPECT_EQ(In(false), std::tuple(false, "", "CommIn  13 Port not open\r\n"));
  EXPECT_EQ(clock.now, start);
}

TEST_F(Channel, CloseFaultsAndPortEventsAreShownWithTheirNumbers) {
  port.failClose = true;
  port.fault = {5, "Input/output error"};
  EXPECT_FALSE(comm.CommClosePort());
  EXPECT_EQ(messageLine, "CommClosePort  5 Input/output error");
  comm.OnCommEvent(1004);
  EXPECT_EQ(messageLine, "ERROR # 1004");
  comm.OnCommEvent(2);  // no fault
  EXPECT_EQ(messageLine, "ERROR # 1004");
}

// Each failed wait of such a port also raises its error event again: the ring keeps one message
// for it per exchange, with the count.
TEST_F(Channel, APortThatCannotWaitTimesOutWithoutSpinningOrFloodingTheLog) {
  port.broken = true;
  port.onWait = [this] { comm.OnCommEvent(1005); };
  comm.CommSetTimeout(50);
  std::string reply;
  EXPECT_FALSE(comm.CommOutIn("XZ", reply));
  EXPECT_GT(port.waits, 1);
  EXPECT_LE(port.waits, 52);  // one wait per millisecond at most
  const auto once = [this] {
    return "ERROR # 1005 (" + std::to_string(port.waits) + " times)\r\nPort TimeOut\r\n";
  };
  const std::string first = once();
  EXPECT_EQ(comm.CommLogText(), first);
  port.waits = 0;
  comm.CommOutIn("XZ", reply);  // the next exchange has a message of its own
  EXPECT_EQ(comm.CommLogText(), first + once());
}

// --- The drivers ---

using test::kBadReply, test::kDone, test::kHeld, test::kNoAnswer, test::kNoValue, test::kNotSent,
    test::kOutOfRange, test::kRefused, test::kTimedOut;

// Whether `wire` is `pattern`, where one "{x}" in the pattern stands for x one or more times
// (the polls of a waiting loop).
bool WireMatches(const std::string& wire, const std::string& pattern) {
  const size_t open = pattern.find('{');
  if (open == std::string::npos) return wire == pattern;
  const size_t close = pattern.find('}', open);
  const std::string poll = pattern.substr(open + 1, close - open - 1),
                    tail = pattern.substr(close + 1);
  std::string expected = pattern.substr(0, open) + poll;
  while (expected.size() + tail.size() < wire.size())
    expected += poll;
  return expected + tail == wire;
}

// An EZHR17 reply as a unit sends it: start byte, "/0", status and data, end marker, CR LF.
std::string Ez(const std::string& statusAndData) {
  return "\xFF/0" + statusAndData + "\x03\r\n";
}

// Cases of one driver operation on a fresh line (a `Rig` holding `line` and the driver `drv`), and
// the operations at hand for them, for the fixture that derives from this.
template <class Rig>
struct DriverHelpers {
  using D = typename Rig::Driver;
  using Op = std::function<Result(Rig&)>;
  struct Row {
    std::string name;
    Log replies;  // to the writes in turn; "" is no answer; then the rig's own
    Result result;
    std::string wire;  // see WireMatches
    Log log;           // the messages logged
    Op op;             // may check more itself
  };
  using Rows = std::vector<Row>;
  // A row as the tables write it: a call keeps each row on few lines where braces would not.
  static Row Case(std::string name, Log replies, Result result, std::string wire, Log log, Op op) {
    return {std::move(name), std::move(replies), result,
            std::move(wire), std::move(log),     std::move(op)};
  }

  static void RunCases(const Rows& cases) {
    for (const Row& c : cases) {
      SCOPED_TRACE(c.name);
      Rig rig;
      for (const std::string& reply : c.replies)
        rig.line.port.Reply(reply);
      EXPECT_EQ(c.op(rig), c.result);
      EXPECT_TRUE(WireMatches(rig.line.port.written, c.wire))
          << ::testing::PrintToString(rig.line.port.written);
      std::string log;
      for (const std::string& message : c.log)
        log += message + "\r\n";
      EXPECT_EQ(rig.line.comm.CommLogText(), log);
    }
  }
  // The driver's `f` on the rig's unit with `args` (out-arguments included, as fresh copies).
  template <class... P, class... A>
  static Op Call(Result (D::*f)(int16_t, P...), A... args) {
    return [=](Rig& r) mutable { return (r.drv.*f)(r.unit, args...); };
  }
  // A command that goes out as `wire`, is answered as the rig answers and succeeds.
  template <class... P, class... A>
  static Row Sends(std::string name, std::string wire, Result (D::*f)(int16_t, P...), A... args) {
    return Case(std::move(name), {}, kDone, std::move(wire), {}, Call(f, args...));
  }
  // A read into a variable that starts as {5} and ends as `expected`.
  template <class T>
  static Op Reads(Result (D::*read)(int16_t, T&), std::type_identity_t<T> expected) {
    return [=](Rig& r) {
      T value{5};
      const Result result = (r.drv.*read)(r.unit, value);
      EXPECT_EQ(value, expected);
      return result;
    };
  }
  // `op` with the unit answering `answer` once the case's replies are used up.
  static Op With(Answer answer, Op op) {
    return [=](Rig& r) {
      r.line.port.responder = answer;
      return op(r);
    };
  }
  // `op`, after which the clock was delayed exactly by `delays`.
  static Op Delays(std::vector<int32_t> delays, Op op) {
    return [=](Rig& r) {
      const Result result = op(r);
      EXPECT_EQ(r.line.clock.delays, delays);
      return result;
    };
  }
  // `op`, which ends at the move time-out of 5 s: the first whole second past it.
  static Op TimesOut(Op op) {
    return [=](Rig& r) {
      const int64_t t0 = r.line.clock.RoundedSeconds();
      const Result result = op(r);
      EXPECT_EQ(r.line.clock.RoundedSeconds() - t0, 6);
      return result;
    };
  }
};

// --- The EZHR17 driver ---

const std::string kReady = Ez("`");
const std::string kBusy = Ez("@");
const std::string kBadOperand = Ez("c");  // 99: ready, error code 3
const std::string kVersion = Ez("`EZHR17 v6");

// A unit that answers each listed command always alike, its version query with its version and
// every other one "ready".
Answer Unit(std::map<std::string, std::string> answers) {
  return [=](const std::string& w) {
    const auto it = answers.find(w);
    return it != answers.end() ? it->second : w.ends_with("?&\r") ? kVersion : kReady;
  };
}

// A line to one unit, "1", that answers "ready" to whatever the case's replies do not cover.
struct EzRig {
  EzRig() {
    drv.InitChannel();
    line.port.responder = Unit({});
  }
  Line<> line;
  int16_t unit = '1';
  MotorState motor{5};
  int16_t interval = 50;  // ms between status polls
  using Driver = Ezhr17Driver;
  Driver drv{line.comm, line.clock, line.pump, motor, interval};
};
class Ezhr17 : public ::testing::Test, public DriverHelpers<EzRig> {};

// The log line of `command` refused by the unit with error code 3.
std::string Refused(const std::string& command) {
  return "/1" + command + "-error returned by controller-\xFF/0c\x03-status-3";
}

TEST_F(Ezhr17, SingleCommandsSendTheirExactFrames) {
  const Log outOfRange = {"EZHR17_SetStepDivide: resolution exponent out of range"};
  RunCases({
      Sends("run down fastest", "/1V2147483648D0R\r", &D::MoveAtSpeed,
            std::numeric_limits<int32_t>::min()),
      Sends("abs odd half", "/1A14R\r", &D::MoveAbs, 13.5),
      Sends("abs negative", "/1A-2R\r", &D::MoveAbs, -2.5),
      Sends("rel down half up", "/1D3R\r", &D::MoveRel, -2.5),
      Sends("divide 0", "/1j1R\r", &D::SetStepDivide, 0),
      Sends("divide 30", "/1j1073741824R\r", &D::SetStepDivide, 30),
      Sends("output 2", "/1J2R\r", &D::WriteOutPorts, 0, 1, 0),
      Case("origin pauses half a second whatever the result", {kBadOperand}, kRefused,
           "/1z-1200R\r", {Refused("z-1200R")}, Delays({500}, Call(&D::SetOrigin, -1200))),
      Case("divide -1", {}, kOutOfRange, "", outOfRange, Call(&D::SetStepDivide, -1)),
      Case("divide 31", {}, kOutOfRange, "", outOfRange, Call(&D::SetStepDivide, 31)),
      Case("mode word kept across calls and units", {}, kDone,
           "/1n2R\r/2n6R\r/2n3R\r/2n1R\r/2n0R\r", {},
           [](EzRig& r) {
             r.drv.EnableLimits(r.unit, 1);
             r.drv.SetModeFlags('2', 2);
             r.drv.SetModeFlags('2', 1);
             r.drv.EnableLimits('2', 0);
             return r.drv.SetModeFlags('2', 0);
           }),
      // The failed command and what came of its reply go beside "Port TimeOut"; the unit's
      // version answer then shows that no late reply is on its way.
      Case("mode word changes even when the send fails", {"\xFF/0`12"}, kDone,
           "/1n2R\r/1?&\r/1n6R\r", {"Port TimeOut", "/1n2R-comm error-\xFF/0`12"},
           [](EzRig& r) {
             r.drv.EnableLimits(r.unit, 1);
             return r.drv.SetModeFlags(r.unit, 2);
           }),
  });
}

TEST_F(Ezhr17, RepliesWithoutAFrameOrANumberFail) {
  const Op pos = Reads(&D::ReadPos, 5);
  RunCases({
      Case("no status", {"\xFF/0\r\n"}, kBadReply, "/1V5R\r", {"/1V5R-no status-\xFF/0"},
           Call(&D::SetSlewSpeed, 5)),
      // An answer without a count is a failed read: the position stays, the log shows it.
      Case("cut short", {"\xFF/0`12\r\n"}, kNoValue, "/1?0\r", {"error reading position:`12"}, pos),
      Case("beyond the counter", {Ez("`2147483648")}, kNoValue, "/1?0\r",
           {"error reading position:`2147483648\x03"}, pos),
      Case("counter's edge", {Ez("`-2147483648")}, kDone, "/1?0\r", {},
           Reads(&D::ReadPos, -2147483648.0)),
      Case("hardware without digits", {kReady}, kNoValue, "/1?4\r",
           {"EZHR17_ReadHardware: no inputs in reply-`\x03"}, Reads(&D::ReadHardware, 5)),
      Case("limits without digits", {Ez("`x")}, kNoValue, "/1?4\r",
           {"EZHR17_ReadLimits: no inputs in reply-`x\x03"}, Reads(&D::ReadLimits, 5)),
  });
}

// A version answer that is itself late is dropped where it comes: the unit's own reply to the
// next command follows it. (Late replies before a version answer: late_replies.transcript.)
TEST_F(Ezhr17, ALateVersionAnswerIsNeverTakenForTheNextCommand) {
  RunCases({
      Case("late version", {"", ""}, kDone, "/1Q\r/1?&\r/1Q\r",
           {"Port TimeOut", "/1Q-comm error-", "Port TimeOut", "/1?&-comm error-",
            "Late reply discarded: \xFF/0`EZHR17 v6<3>"},
           [](EzRig& r) {
             int16_t moving = 5;
             r.drv.ReadMovingStatus(r.unit, moving);
             r.line.port.ReplyInPieces({kVersion, kBusy});
             const Result result = r.drv.ReadMovingStatus(r.unit, moving);
             EXPECT_EQ(moving, 1);  // the unit's own "busy", not the version's "ready"
             return result;
           }),
  });
}

TEST_F(Ezhr17, WaitsAndHoming) {
  const std::string home = "/1V800R\r/1Z1000000000R\r";
  const auto homeSmart = Call(&D::MotorHomeSmart, 800, 0);
  RunCases({
      Case("home program then wait", {kBadOperand, kBusy, kReady}, kDone,
           "/1v1000V10000L12gD10S13G0D1gD1S03G0D1R\r/1Q\r/1Q\r",
           {Refused("v1000V10000L12gD10S13G0D1gD1S03G0D1R")}, Call(&D::RunHomeProgram)),
      Case("home at zero speed", {}, kOutOfRange, "", {"EZHR17_MotorHome: zero home speed"},
           Call(&D::MotorHome, 0)),
      Case("home speed refused", {kBadOperand}, kRefused, "/1V800R\r",
           {Refused("V800R"), "EZHR17_MotorHome: error setting home speed"},
           Call(&D::MotorHome, 800)),
      Case("homing refused", {kReady, kBadOperand}, kRefused, home,
           {Refused("Z1000000000R"), "EZHR17_MotorHome: error homing"}, Call(&D::MotorHome, 800)),
      Case("smart: speed not a number", {Ez("`fast")}, kNoValue, "/1?2\r",
           {"EZHR17_MotorHomeSmart: bad read of max speed`fast\x03"}, homeSmart),
      Case("smart: speed refused names the reply", {Ez("c77")}, kRefused, "/1?2\r",
           {"/1?2-error returned by controller-\xFF/0c77\x03-status-3",
            "EZHR17_MotorHomeSmart: error reading max speedc77\x03"},
           homeSmart),
      Case("smart: time-out", {Ez("`5000")}, kTimedOut, "/1?2\r" + home + "{/1Q\r}/1V5000R\r",
           {"EZHR17_MotorHomeSmart: timeout"}, With(Unit({{"/1Q\r", kBusy}}), homeSmart)),
      Case("smart: restore refused", {Ez("`5000"), kReady, kReady, kReady, kBadOperand}, kRefused,
           "/1?2\r" + home + "/1Q\r/1V5000R\r",
           {Refused("V5000R"), "EZHR17_MotorHomeSmart: error restoring max speed"}, homeSmart),
      // The speed is restored after the settling pause even when homing failed.
      Case("smart: only the first failure is reported", {Ez("`5000"), kBadOperand, kBadOperand},
           kRefused, "/1?2\r/1V800R\r/1V5000R\r",
           {Refused("V800R"), "EZHR17_MotorHome: error setting home speed",
            "EZHR17_MotorHomeSmart: error homing", Refused("V5000R")},
           Delays({100}, homeSmart)),
  });
}

TEST_F(Ezhr17, HomeOwnRunsToTheSensorCreepsOffItAndRestoresTheSpeed) {
  const std::string search = "/1?2\r/1V1000P0R\r/1V1000P0R\r";
  const std::string end = "/1T\r/1V5000R\r";
  const auto homeOwn = Call(&D::MotorHomeOwn, 1000);
  RunCases({
      // The search waits for the sensor (4), the creep on in the same direction at a tenth of
      // the speed (halves to even) for it to clear.
      Case("sensor found, then cleared",
           {Ez("`300"), kReady, kReady, Ez("`0"), Ez("`5"), kReady, kReady, Ez("`4"), Ez("`1")},
           kDone,
           "/1?2\r/1V25D0R\r/1V25D0R\r/1?4\r/1?4\r/1V2D0R\r/1V2D0R\r/1?4\r/1?4\r/1T\r/1V300R\r", {},
           Call(&D::MotorHomeOwn, -25)),
      Case("speed not a number, not logged", {Ez("`")}, kNoValue, "/1?2\r", {}, homeOwn),
      Case("second start refused", {Ez("`5000"), kReady, kBadOperand}, kRefused, search + end,
           {Refused("V1000P0R")}, homeOwn),
      Case("first start refused does not count",
           {Ez("`5000"), kBadOperand, kReady, Ez("`4"), kReady, kReady, Ez("`0")}, kDone,
           search + "/1?4\r/1V100P0R\r/1V100P0R\r/1?4\r" + end, {Refused("V1000P0R")}, homeOwn),
      Case("inputs refused; restore result not looked at",
           {Ez("`5000"), kReady, kReady, Ez("c"), kReady, kBadOperand}, kRefused,
           search + "/1?4\r" + end, {Refused("?4"), Refused("V5000R")}, homeOwn),
      Case("time-out creeping, one deadline for both", {}, kTimedOut,
           search + "/1?4\r/1V100P0R\r/1V100P0R\r{/1?4\r}" + end, {},
           With(Unit({{"/1?2\r", Ez("`5000")}, {"/1?4\r", Ez("`4")}}), TimesOut(homeOwn))),
  });
}

TEST_F(Ezhr17, MotorToLimitRunsUntilAMaskedLimitThenStopsAndRestoresTheSpeed) {
  const auto toLow = Call(&D::MotorToLimit, 1, 2000, int16_t{0});
  const std::string end = "/1T\r/1V2500R\r";
  RunCases({
      Case("low end (4) outside the mask, high end (11) in it",
           {Ez("`2500"), Ez("`0"), kReady, Ez("`4"), Ez("`11")}, kDone,
           "/1?2\r/1?4\r/1V2000P0R\r/1?4\r/1?4\r" + end, {},
           [](EzRig& r) {
             int16_t reached = 0;
             const Result result = r.drv.MotorToLimit(r.unit, 2, 2000, reached);
             EXPECT_EQ(reached, 1);
             return result;
           }),
      Case("speed not a number stops the unit", {Ez("`")}, kNoValue, "/1?2\r/1T\r",
           {"EZHR17_MotorToLimit: bad read of max speed`\x03"}, toLow),
      Case("limits unanswered; restore refused too",
           {Ez("`2500"), "", kVersion, kReady, kBadOperand}, kNoAnswer, "/1?2\r/1?4\r/1?&\r" + end,
           {"Port TimeOut", "/1?4-comm error-", Refused("V2500R")}, toLow),
      Case("run refused", {Ez("`2500"), Ez("`0"), kBadOperand}, kRefused,
           "/1?2\r/1?4\r/1V2000P0R\r" + end, {Refused("V2000P0R")}, toLow),
      Case("restore refused after success", {Ez("`2500"), Ez("`4"), kReady, kBadOperand}, kRefused,
           "/1?2\r/1?4\r" + end,
           {Refused("V2500R"), "EZHR17_MotorToLimit: error restoring max speed"}, toLow),
  });
}

// The reply and mode helpers without a port: the cases the wire rows above do not reach.
TEST(Ezhr17Framing, TheStartByteIsNotExaminedInputsKeepOnlyTheirBitsModeWordsKeepTheOtherBits) {
  EXPECT_EQ(ParseEzhr17Reply("x/0`").check, Ezhr17ReplyCheck::kOk);
  using V = std::optional<int16_t>;
  const std::tuple<std::string, V, V> inputs[] = {{"`8\x03", 8, 2},
                                                  {"`99\x03", 3, 24},
                                                  {"`7", 7, 1},  // no end marker
                                                  {"`x3\x03", std::nullopt, std::nullopt},
                                                  {"", std::nullopt, std::nullopt}};
  for (const auto& [data, hardware, limits] : inputs) {
    SCOPED_TRACE("data \"" + data + "\"");
    EXPECT_EQ(Ezhr17HardwareValue(data), hardware);
    EXPECT_EQ(Ezhr17LimitsValue(data), limits);
  }
  // {word, argument, with limits, with flags}: limits change bit value 2 only, flags keep it.
  const std::array<int16_t, 4> modes[] = {{0, 1, 2, 1},  {7, 0, 5, 2}, {5, 1, 7, 1}, {0, 5, 2, 0},
                                          {0, -1, 2, 0}, {3, 3, 3, 2}, {2, 2, 2, 6}, {6, 1, 6, 3}};
  for (const auto& [word, arg, limits, flags] : modes) {
    EXPECT_EQ(std::pair(Ezhr17ModeWithLimits(word, arg), Ezhr17ModeWithFlags(word, arg)),
              std::pair(limits, flags))
        << word << " " << arg;
  }
}

// --- The IM483I driver ---

// What the wire rows below do not show already.
TEST(Im483iTexts, LongNumbersAllOutputBitsSettleTimeAndBackOffSpeed) {
  EXPECT_EQ(Im483iPlain(2147483647), "2147483647");
  EXPECT_EQ(Im483iPortBits(-1, 3), (std::array<int16_t, 3>{1, 1, 1}));
  EXPECT_EQ(Im483iBackOffSpeed(40, 4), -20);  // at least 20
  EXPECT_EQ(Im483iBackOffSpeed(-10, 4), 20);
  EXPECT_EQ(Im483iBackOffSpeed(-32768, 4), 8192);
  EXPECT_EQ(Im483iBackOffSpeed(90, 4), -22);  // 22.5 to even
}

// A line to unit "X" that echoes whatever the case's replies do not cover.
struct ImRig {
  ImRig() {
    drv.InitChannel();
    line.port.responder = [](const std::string& w) { return w; };
  }
  Line<> line;
  int16_t unit = 'X';
  MotorState motor{5};
  using Driver = Im483iDriver;
  Driver drv{line.comm, line.clock, line.pump, motor};
};
class Im483i : public ::testing::Test, public DriverHelpers<ImRig> {};

// A unit that answers `query` with `answers` in turn (the last one again and again), "X^" with
// "stopped", `failing` with "??" and echoes every other command.
Answer Inputs(std::string query, Log answers, std::string failing = "") {
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
  RunCases({
      Sends("home most negative", "XF 32768 1\n", &D::Home, -32768),
      Case("home zero", {}, kOutOfRange, "", {}, Call(&D::Home, 0)),
      Sends("run, 16-bit edge", "XM-32768\n", &D::MoveAtSpeed, -32768),
      Sends("abs zero", "XR-0\n", &D::MoveAbs, 0),
      Sends("rel down", "X-3\n", &D::MoveRel, -2.5),
      Sends("outputs 1 0 1", "XA 40\n", &D::WriteOutPorts, 1, 0, 1),
      Case("outputs bad value", {}, kOutOfRange, "", {}, Call(&D::WriteOutPorts, 1, 2, 0)),
      Sends("settle clamped", "XE 255\n", &D::SetSettle, 3000),
      Sends("settle half to even", "XE 2\n", &D::SetSettle, 25),
      Sends("settle negative", "XE 0\n", &D::SetSettle, -50),
      Sends("ramp", "XK 10-3\n", &D::SetRamp, 10, -3),
      Sends("slew speed, 16-bit edge", "XV 32767\n", &D::SetSlewSpeed, 32767),
      Case("speed", {}, kOutOfRange, "", out16("MoveAtSpeed"), Call(&D::MoveAtSpeed, 40000)),
      Case("deceleration", {}, kOutOfRange, "", out16("SetRamp"), Call(&D::SetRamp, 10, -32769)),
      Case("low jog", {}, kOutOfRange, "", out16("SetJogSpeeds"), Call(&D::SetJogSpeeds, 32768, 1)),
      Case("slew", {}, kOutOfRange, "", out16("SetSlewSpeed"), Call(&D::SetSlewSpeed, 100000)),
      Case("init", {}, kOutOfRange, "", out16("SetInitSpeed"), Call(&D::SetInitSpeed, -40000)),
      Case("home own", {}, kOutOfRange, "", out16("MotorHomeOwn"), Call(&D::MotorHomeOwn, 50000)),
      Case("home smart", {}, kOutOfRange, "", out16("MotorHomeSmart"),
           Call(&D::MotorHomeSmart, 800, 70000)),
      Case("mask", {}, kOutOfRange, "", out16("MotorToLimit"),
           Call(&D::MotorToLimit, 65536, 100, int16_t{0})),
      Case("resolution sent though the mode is refused", {"XH?\n", "XD 256\n"}, kDone,
           "XH 0\nXD 256\n", {"XH 0>XH?"}, Call(&D::SetStepDivide, 256)),
      Case("pause sets the settle time, then delays", {}, kDone, "XE 20\n", {},
           Delays({200}, Call(&D::Pause, 200))),
      Case("pause fails without delay", {"XE"}, kNoAnswer, "XE 30\n", {"Port TimeOut", "XE 30\\XE"},
           [](ImRig& r) {
             const Result result = r.drv.Pause(r.unit, 300);
             EXPECT_EQ(std::count(r.line.clock.delays.begin(), r.line.clock.delays.end(), 300), 0);
             return result;
           }),
  });
}

TEST_F(Im483i, QueriesReadTheNumberAfterTheEcho) {
  const auto status = [](int16_t expected) { return Reads(&D::ReadMovingStatus, expected); };
  const Op posKept = Reads(&D::ReadPos, 5);
  const std::string noPos = "IM483I_ReadPos: no position in answer-";
  RunCases({
      Case("reply shorter than the echo", {"X\n"}, kBadReply, "XV 5\n", {"XV 5>X"},
           Call(&D::SetSlewSpeed, 5)),
      Case("moving", {"X^ 9\n"}, kDone, "X^\n", {}, status(9)),
      Case("status negative", {"X^-3\n"}, kNoValue, "X^\n",
           {"IM483I_ReadMovingStatus: no status in answer--3"}, status(5)),
      Case("limits not a number", {"X] 0 none\n"}, kNoValue, "X] 0\n",
           {"IM483I_ReadLimits: no inputs in answer- none"}, Reads(&D::ReadLimits, 5)),
      Case("position cut short", {"XZ 12e\n"}, kNoValue, "XZ\n", {noPos + " 12e"}, posKept),
      Case("position beyond the counter", {"XZ -3000000000\n"}, kNoValue, "XZ\n",
           {noPos + " -3000000000"}, posKept),
      Case("inputs", {"XA 129 46\n"}, kDone, "XA 129\n", {}, Reads(&D::ReadInPorts, {0, 1, 1})),
      Case("outputs", {"XA 129 46\n"}, kDone, "XA 129\n", {}, Reads(&D::ReadOutPorts, {1, 0, 1})),
      Case("output 2 off", {"XA 129 16\n"}, kDone, "XA 129\n", {},
           [](ImRig& r) {
             int16_t value = 5;
             const Result result = r.drv.GetOutput(r.unit, 2, value);
             EXPECT_EQ(value, 0);
             return result;
           }),
      Case("output 3", {}, kOutOfRange, "", {}, Call(&D::GetOutput, 3, int16_t{0})),
      Case("output -1", {}, kOutOfRange, "", {}, Call(&D::GetOutput, -1, int16_t{0})),
      Case("set output 3", {}, kOutOfRange, "", {}, Call(&D::SetOutput, 3, 1)),
      Case("set output to 2", {"XA 129 0\n"}, kOutOfRange, "XA 129\n", {},
           Call(&D::SetOutput, 0, 2)),
  });
}

TEST_F(Im483i, WaitsAndHoming) {
  const auto homeOwn = Call(&D::MotorHomeOwn, 1000);
  Rows rows{
      Case("home own: run refused, still stops", {"XM?\n", "XM0\n"}, kBadReply, "XM1000\nXM0\n",
           {"XM1000>XM?"}, homeOwn),
      // The unit that did not answer is asked for its status before the stop goes out.
      Case("home own: input unanswered, still stops", {"XM1000\n", "", "X^ 0\n"}, kNoAnswer,
           "XM1000\nX] 1\nX^\nXM0\n", {"Port TimeOut", "X] 1\\"}, homeOwn),
      Case("home own: back-off refused, still stops", {"XM1000\n", "X] 1 1\n", "XM-25\n"},
           kBadReply, "XM1000\nX] 1\nXM-250\nXM0\n", {"XM-250>XM-25"}, homeOwn),
      Case("home own: time-out backing off, one deadline", {}, kTimedOut,
           "XM1000\nX] 1\nXM-250\n{X] 1\n}XM0\n", {},
           With(Inputs("X] 1\n", {"1"}), TimesOut(homeOwn))),
      // A quarter equal to the initial speed leaves it alone; the input is clear at once.
      Case("home smart without lowering or back-off", {}, kDone, "XF 800 1\nX^\nX] 1\nXM0\n", {},
           With(Inputs("X] 1\n", {"0"}), Call(&D::MotorHomeSmart, -800, 200))),
      Case("home smart: input unanswered while backing off",
           {"XF 800 0\n", "X^ 0\n", "X] 1 1\n", "XM-200\n", ""}, kNoAnswer,
           "XF 800 0\nX^\nX] 1\nXM-200\nX] 1\nX^\nXM0\n", {"Port TimeOut", "X] 1\\"},
           Call(&D::MotorHomeSmart, 800, 100)),
      Case("home smart: the input never clears", {}, kTimedOut,
           "XF 800 0\nX^\nX] 1\nXM-200\n{X] 1\n}XM0\n", {},
           With(Inputs("X] 1\n", {"1"}), Call(&D::MotorHomeSmart, 800, 100))),
  };
  // A step of the search that the unit refuses ends it there with the reply's cause (an answer
  // as long as the echo differs from it, a shorter one is no echo); the unit is stopped all the
  // same.
  const std::string smart = "XI 200\nXF 800 0\nX^\nX] 1\nXM-200\nX] 1\nXI 400\nXM0\n";
  for (const auto& [refused, cause] : {std::pair{"XI 200", kBadReply},
                                       {"XF 800 0", kBadReply},
                                       {"X^", kRefused},
                                       {"X] 1", kBadReply},
                                       {"XM-200", kBadReply},
                                       {"XI 400", kBadReply}}) {
    const std::string sent = smart.substr(0, smart.find(refused)) + refused + "\n";
    rows.push_back(Case(refused, {}, cause, sent + "XM0\n",
                        {refused + std::string(cause == kRefused ? "!=??" : ">??")},
                        With(Inputs("X] 1\n", {"1", "0"}, refused + std::string("\n")),
                             Call(&D::MotorHomeSmart, 800, 400))));
  }
  RunCases(rows);
}

TEST_F(Im483i, MotorToLimitBacksOffAndReportsTheFirstLimitSeen) {
  // The limit bits seen when the limit in the mask was reached.
  const auto reaches = [](int32_t mask, int32_t speed, int16_t expected) -> Op {
    return [=](ImRig& r) {
      int16_t reached = 5;
      const Result result = r.drv.MotorToLimit(r.unit, mask, speed, reached);
      EXPECT_EQ(reached, expected);
      return result;
    };
  };
  const auto toLow = reaches(1, 1000, 5);
  RunCases({
      Case("limit 2 outside the mask", {}, kDone,
           "XM-10\nX] 0\nXM-10\nX] 0\nXM20\nX] 0\nXM0\nXM0\n", {},
           With(Inputs("X] 0\n", {"2", "3", "0"}), reaches(1, -10, 3))),
      Case("backing off until no limit at all is on", {}, kDone,
           "XM1000\nX] 0\nXM-500\nX] 0\nXM-500\nX] 0\nXM0\nXM0\n", {},
           With(Inputs("X] 0\n", {"1", "2", "0"}), reaches(1, 1000, 1))),
      Case("limits unanswered", {"XM1000\n", ""}, kNoAnswer, "XM1000\nX] 0\nX^\nXM0\n",
           {"Port TimeOut", "X] 0\\"}, toLow),
      Case("back-off refused", {"XM1000\n", "X] 0 1\n", "XN\n"}, kBadReply,
           "XM1000\nX] 0\nXM-500\nXM0\n", {"XM-500>XN"}, toLow),
      Case("time-out running", {}, kTimedOut, "{XM1000\nX] 0\n}XM0\n", {},
           With(Inputs("X] 0\n", {"0"}), toLow)),
      Case("time-out backing off", {}, kTimedOut, "XM1000\nX] 0\n{XM-500\nX] 0\n}XM0\n", {},
           With(Inputs("X] 0\n", {"1"}), toLow)),
  });
}

// --- The dispatch by controller type ---

// A line to unit "1" of either type: an IM483I unit echoes and has output 0 on, an EZHR17 unit
// is ready with a slew speed of 5000.
struct Rig {
  explicit Rig(std::string type) : contrType(std::move(type)) {
    motors.MotorInitChannel();
    motors.MotorSetMoveTimeout(5);
    line.port.responder = [this](const std::string& w) {
      if (contrType != "IM483I") return Ez(w == "/1?2\r" ? "`5000" : "`");
      return w == "1A 129\n" ? "1A 129 8\n" : w;
    };
  }
  Line<> line;
  std::string contrType;
  int16_t waitPollingInterval = 50;
  MotorControllers motors{line.comm, line.clock, line.pump, contrType, waitPollingInterval};
};

// An operation and its result and wire on each type.
using Outcome = std::pair<Result, std::string>;
struct Operation {
  std::string name;
  Outcome im483i, ezhr17;
  std::function<Result(MotorControllers&)> call;
};

// MotorControllers's `f` on unit 1 with `args` (out-arguments included, as fresh copies).
template <class... P, class... A>
Operation Routed(std::string name, Outcome im, Outcome ez,
                 Result (MotorControllers::*f)(int16_t, P...), A... args) {
  return {std::move(name), std::move(im), std::move(ez),
          [=](MotorControllers& m) mutable { return (m.*f)('1', args...); }};
}
// The same for an operation of the line.
Operation Routed(std::string name, Outcome im, Outcome ez, Result (MotorControllers::*f)()) {
  return {name, std::move(im), std::move(ez), [=](MotorControllers& m) { return (m.*f)(); }};
}

// What the devices, the axes tab and the transcripts do not reach on both types.
std::vector<Operation> Operations() {
  const std::string ezWakeUp =
      "/1?Q\r/2?Q\r/3?Q\r/4?Q\r/5?Q\r/6?Q\r/7?Q\r/8?Q\r/9?Q\r/A?Q\r/B?Q\r/C?Q\r/D?Q\r/E?Q\r/F?Q\r";
  return {
      Routed("WakeUp", {kDone, "AX\n"}, {kDone, ezWakeUp}, &MotorControllers::MotorWakeUp),
      Routed("GetOutput", {kDone, "1A 129\n"}, {kNotSent, ""}, &MotorControllers::MotorGetOutput, 0,
             int16_t{0}),
      Routed("Pause", {kDone, "1E 10\n"}, {kDone, ""}, &MotorControllers::MotorPause, 100),
      // Positions and distances that fit no 32-bit count are refused before anything is sent.
      Routed("MoveAbs NaN", {kOutOfRange, ""}, {kOutOfRange, ""}, &MotorControllers::MotorMoveAbs,
             std::nan("")),
      Routed("MoveAbs -5e9", {kOutOfRange, ""}, {kOutOfRange, ""}, &MotorControllers::MotorMoveAbs,
             -5e9),
      Routed("MoveRel NaN", {kOutOfRange, ""}, {kOutOfRange, ""}, &MotorControllers::MotorMoveRel,
             std::nan("")),
      Routed("MoveRel 5e9", {kOutOfRange, ""}, {kOutOfRange, ""}, &MotorControllers::MotorMoveRel,
             5e9),
      // A 32-bit value reaches both drivers whole (the IM483I's refusal is its own case).
      Routed("SetRamp", {kOutOfRange, ""}, {kDone, "/1L70000R\r"}, &MotorControllers::MotorSetRamp,
             70000, 1),
  };
}

class MotorsOnEachType : public ::testing::TestWithParam<const char*> {
 protected:
  bool Im() const { return std::string(GetParam()) == "IM483I"; }
  void Run(const std::vector<Operation>& operations, bool ending = false) {
    for (const Operation& op : operations) {
      SCOPED_TRACE(op.name);
      Rig rig(GetParam());
      rig.line.clock.ending = ending;
      const Result result = op.call(rig.motors);
      EXPECT_EQ(Outcome(result, rig.line.port.written), Im() ? op.im483i : op.ezhr17);
    }
  }
};

TEST_P(MotorsOnEachType, OperationsReachTheConfiguredDriver) {
  Run(Operations());
}

// A program told to end starts no motion and waits for none: each waiting loop gives up at its
// first test, and a composite motion only stops its unit on the way out.
TEST_P(MotorsOnEachType, WaitsGiveWayWhenTheProgramIsToldToEnd) {
  Run({Routed("WaitMoveEnd", {kTimedOut, ""}, {kTimedOut, ""}, &MotorControllers::MotorWaitMoveEnd),
       Routed("HomeOwn", {kHeld, "1M0\n"}, {kHeld, "/1?2\r/1T\r/1V5000R\r"},
              &MotorControllers::MotorHomeOwn, 1000),
       Routed("MoveAbs", {kHeld, ""}, {kHeld, ""}, &MotorControllers::MotorMoveAbs, 100.0),
       Routed("Home", {kHeld, ""}, {kHeld, ""}, &MotorControllers::MotorHome, int16_t{800}),
       Routed("stop", {kDone, "1M0\n"}, {kDone, "/1T\r"}, &MotorControllers::MotorMoveAtSpeed, 0)},
      true);
}

// A window event served during an exchange may start another one: it is refused before
// anything is sent, and a failed exchange releases the guard as a good one does.
TEST_P(MotorsOnEachType, AnOverlappingExchangeIsRefusedWithoutSendingAndTheGuardIsReleased) {
  Rig rig(GetParam());
  Result inner;
  rig.line.port.onWrite = [&](const std::string&) {
    rig.line.port.onWrite = nullptr;
    inner = rig.motors.MotorMoveAbs('1', 7);
  };
  EXPECT_EQ(rig.motors.MotorMoveAbs('1', 5), kDone);
  EXPECT_EQ(inner, Result(Cause::kReentered));
  EXPECT_EQ(rig.line.port.written, Im() ? "1R+5\n" : "/1A5R\r");
  EXPECT_EQ(rig.line.comm.CommLogText(), "inst>0;\r\n");
  const Answer unit = rig.line.port.responder;
  rig.line.port.responder = nullptr;
  EXPECT_EQ(rig.motors.MotorMoveAbs('1', 5), kNoAnswer);
  rig.line.port.responder = unit;
  EXPECT_EQ(rig.motors.MotorMoveAbs('1', 5), kDone);
}

// Between polls the wait serves window events (one that addresses another unit:
// tests/app/AppTest.cpp) and pauses, the EZHR17 for its polling interval as it stood when
// the wait started.
TEST_P(MotorsOnEachType, AWaitServesEventsAndPausesBetweenPolls) {
  Rig rig(GetParam());
  for (const std::string& reply :
       Im() ? Log{"1^ 1\n", "1^ 33\n", "1^ 0\n"} : Log{Ez("@"), Ez("@"), Ez("`")})
    rig.line.port.Reply(reply);
  int events = 0;
  rig.line.pump.hook = [&] {
    ++events;
    rig.waitPollingInterval = 7;
  };
  EXPECT_EQ(rig.motors.MotorWaitMoveEnd('1'), kDone);
  EXPECT_EQ(events, 2);
  EXPECT_EQ(rig.line.clock.delays, (std::vector<int32_t>(2, Im() ? 20 : 50)));
}

// Every operation names its unit: a move of unit 2 that another source sends while a wait of
// unit 1 serves events goes to unit 2, and the wait goes on polling unit 1, as does the next
// operation of its source.
TEST_P(MotorsOnEachType, AnOperationRunByAWaitsEventsGoesToItsOwnUnitAndTheWaitKeepsItsOwn) {
  Rig rig(GetParam());
  const Answer unit = rig.line.port.responder;
  int polls = 0;  // of unit 1: moving at the first, still after it
  rig.line.port.responder = [&](const std::string& w) -> std::optional<std::string> {
    if (w != (Im() ? "1^\n" : "/1Q\r")) return unit(w);
    const bool moving = ++polls == 1;
    return Im() ? std::string(moving ? "1^ 1\n" : "1^ 0\n") : Ez(moving ? "@" : "`");
  };
  rig.line.pump.hook = [&] {
    rig.line.pump.hook = nullptr;
    EXPECT_EQ(rig.motors.MotorMoveAbs('2', 5), kDone);
  };
  EXPECT_EQ(rig.motors.MotorWaitMoveEnd('1'), kDone);
  EXPECT_EQ(rig.motors.MotorMoveRel('1', 3), kDone);
  EXPECT_EQ(rig.line.port.written, Im() ? "1^\n2R+5\n1^\n1+3\n" : "/1Q\r/2A5R\r/1Q\r/1P3R\r");
}

INSTANTIATE_TEST_SUITE_P(BothTypes, MotorsOnEachType, ::testing::Values("IM483I", "EZHR17"));

TEST(MotorControllers, UnknownTypeSendsNothingAndGivesZero) {
  for (const char* type : {"", "im483i", "EZHR17 ", "IM483", "EZHR18"}) {
    SCOPED_TRACE(type);
    for (const Operation& op : Operations()) {
      SCOPED_TRACE(op.name);
      Rig rig(type);
      EXPECT_EQ(op.call(rig.motors), kNotSent);
      EXPECT_EQ(rig.line.port.written, "");
      EXPECT_EQ(rig.line.comm.CommLogText(), "");
    }
  }
}

// --- The LED controller (its switching: tests/transcripts/app/leds.transcript) ---

// Init switches all three LEDs off on the LED unit; a file that does not read, or an off value
// that no output takes, switches nothing.
TEST(LedInit, SwitchesAllThreeOffOnTheLedUnitOfEitherType) {
  const std::string standard = "\"LEDSCONTR\",  4 \r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 0\r\n";
  // {type, file ("" for none), result, wire}
  const std::tuple<std::string, std::string, Result, std::string> rows[] = {
      {"IM483I", standard, kDone, "4A 0\n"},
      {"EZHR17", standard, kDone, "/4J0R\r"},
      {"IM483I", "", Cause::kNoParameters, ""},
      {"IM483I", "\"LEDSCONTR\",4\r\n\"LEDONVAL\", 1\r\n", Cause::kNoParameters, ""},
      {"IM483I", "\"LEDSCONTR\",4\r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 2\r\n", kOutOfRange, ""},
  };
  for (const auto& [type, file, result, wire] : rows) {
    SCOPED_TRACE(file);
    Rig rig(type);
    test::TempFolder folder;
    test::RecordingNotifier notifier;
    KeywordFiles keywordFiles{notifier};
    keywordFiles.SetParDir(folder.Dir());
    if (!file.empty()) test::PutBytes(folder.File(kLedsFileName), file);
    LedController leds{keywordFiles, rig.motors};
    const Result initialised = leds.LEDInit();
    EXPECT_EQ(std::tuple(initialised, rig.line.port.written), std::tuple(result, wire));
  }
}

}  // namespace
}  // namespace qv
