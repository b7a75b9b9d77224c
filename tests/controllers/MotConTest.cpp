// The controller dispatch: every operation on both controller types through one table, exact
// bytes on the wire, and nothing at all for a type that is not known.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "controllers/MotCon.h"
#include "tests/controllers/LineFixture.h"

namespace qv {
namespace {

using test::Ez;
using test::Line;
using M = MotCon;
using Ports = std::array<int16_t, 3>;

// Units that answer like real ones with little state: the home and limit inputs alternate
// between "on" and "off" from one query to the next, motions are always over.
std::string Im483iUnit(const std::string& w, int& toggles) {
  const std::string echo = w.substr(0, w.size() - 1);
  if (w == "1^\n") return echo + " 0\n";
  if (w == "1Z\n") return echo + " 10\n";
  if (w == "1A 129\n") return echo + " 8\n";
  if (w == "1] 0\n" || w == "1] 1\n") return echo + (toggles++ % 2 == 0 ? " 1\n" : " 0\n");
  return w;
}

std::string Ezhr17Unit(const std::string& w, int& toggles) {
  if (w == "/1?2\r") return Ez("`5000");
  if (w == "/1?0\r") return Ez("`10");
  if (w == "/1?4\r") return Ez(toggles++ % 2 == 0 ? "`4" : "`0");
  return Ez("`");
}

struct Rig {
  explicit Rig(std::string type) : contrType(std::move(type)) {
    motCon.MotorInitChannel();
    motCon.MotorSelect('1');
    motCon.MotorSetMoveTimeout(5);
    line.port.responder = [this](const std::string& w) {
      return contrType == "IM483I" ? Im483iUnit(w, toggles) : Ezhr17Unit(w, toggles);
    };
  }
  Line line;
  std::string contrType;
  int16_t waitPollingInterval = 50;
  MotCon motCon{line.comm, line.clock, line.pump, contrType, waitPollingInterval};
  int toggles = 0;  // input queries answered so far
};

struct Expect {
  std::string wire;
  int16_t result;
};

struct Operation {
  const char* name;
  Expect im483i;
  Expect ezhr17;
  std::function<int16_t(MotCon&)> call;
};

// MotCon's `f` with `args` (out-arguments included, as fresh copies).
template <class... P, class... A>
Operation Op(const char* name, Expect im, Expect ez, int16_t (MotCon::*f)(P...), A... args) {
  return {name, std::move(im), std::move(ez), [=](MotCon& m) mutable { return (m.*f)(args...); }};
}

const std::string kEzWakeUp =
    "/1?Q\r/2?Q\r/3?Q\r/4?Q\r/5?Q\r/6?Q\r/7?Q\r/8?Q\r/9?Q\r/A?Q\r/B?Q\r/C?Q\r/D?Q\r/E?Q\r/F?Q\r";

std::vector<Operation> Operations() {
  return {
      Op("WakeUp", {"AX\n", 1}, {kEzWakeUp, 1}, &M::MotorWakeUp),
      Op("RawCommand", {"hello\n", 1}, {"hello\r", 1}, &M::MotorRawCommand, "hello", std::string()),
      Op("Home", {"1F 800 1\n", 1}, {"/1V800R\r/1Z1000000000R\r", 1}, &M::MotorHome, -800),
      Op("HomeOwn", {"1M1000\n1] 1\n1M-250\n1] 1\n1M0\n", 1},
         {"/1?2\r/1V1000P0R\r/1V1000P0R\r/1?4\r/1V100P0R\r/1V100P0R\r/1?4\r/1T\r/1V5000R\r", 1},
         &M::MotorHomeOwn, 1000),
      Op("HomeSmart", {"1F 800 0\n1^\n1] 1\n1M-200\n1] 1\n1M0\n", 1},
         {"/1?2\r/1V800R\r/1Z1000000000R\r/1Q\r/1V5000R\r", 1}, &M::MotorHomeSmart, 800, 100),
      Op("MoveAtSpeed", {"1M-500\n", 1}, {"/1V500D0R\r", 1}, &M::MotorMoveAtSpeed, -500),
      Op("MoveAbs", {"1R+13\n", 1}, {"/1A12R\r", 1}, &M::MotorMoveAbs, 12.5),
      Op("MoveRel", {"1-3\n", 1}, {"/1D3R\r", 1}, &M::MotorMoveRel, -3),
      Op("ReadMovingStatus", {"1^\n", 0}, {"/1Q\r", 0}, &M::MotorReadMovingStatus),
      Op("ReadPos", {"1Z\n", 1}, {"/1?0\r", 1}, &M::MotorReadPos, 0.0),
      Op("ReadHardware", {"1] 1\n", 1}, {"/1?4\r", 1}, &M::MotorReadHardware, int16_t{0}),
      Op("ReadLimits", {"1] 0\n", 1}, {"/1?4\r", 1}, &M::MotorReadLimits, int16_t{0}),
      Op("GetOutput", {"1A 129\n", 1}, {"", 0}, &M::MotorGetOutput, 0, int16_t{0}),
      Op("SetOutput", {"1A 129\n1A 24\n", 1}, {"", 0}, &M::MotorSetOutput, 1, 1),
      Op("ReadInPorts", {"1A 129\n", 1}, {"", 0}, &M::MotorReadInPorts, Ports{}),
      Op("ReadOutPorts", {"1A 129\n", 1}, {"", 0}, &M::MotorReadOutPorts, Ports{}),
      Op("WriteOutPorts", {"1A 56\n", 1}, {"/1J3R\r", 1}, &M::MotorWriteOutPorts, 1, 1, 1),
      Op("Pause", {"1E 10\n", 1}, {"", 1}, &M::MotorPause, 100),
      Op("SetCurrents", {"1Y 5 25\n", 1}, {"/1h5m25R\r", 1}, &M::MotorSetCurrents, 5, 25),
      Op("SetRamp", {"1K 10 20\n", 1}, {"/1L10R\r", 1}, &M::MotorSetRamp, 10, 20),
      Op("SetLimitPolarity", {"1l 1\n", 1}, {"/1f1R\r", 1}, &M::MotorSetLimitPolarity, 1),
      Op("SetJogSpeeds", {"1B 100 200\n", 1}, {"", 0}, &M::MotorSetJogSpeeds, 100, 200),
      Op("SetSlewSpeed", {"1V 5000\n", 1}, {"/1V5000R\r", 1}, &M::MotorSetSlewSpeed, 5000),
      Op("SetStepDivide", {"1H 0\n1D 4\n", 1}, {"/1j16R\r", 1}, &M::MotorSetStepDivide, 4),
      Op("SetInitSpeed", {"1I 400\n", 1}, {"", 0}, &M::MotorSetInitSpeed, 400),
      Op("ToLimit", {"1M1000\n1] 0\n1M-500\n1] 0\n1M0\n1M0\n", 1},
         {"/1?2\r/1?4\r/1T\r/1V5000R\r", 1}, &M::MotorToLimit, 1, 1000),
      Op("SetOrigin", {"1O\n", 1}, {"/1z-1200R\r", 1}, &M::MotorSetOrigin, -1200),
      Op("WaitMoveEnd", {"1^\n", 1}, {"/1Q\r", 1}, &M::MotorWaitMoveEnd),
      Op("EnableLimits", {"", 1}, {"/1n2R\r", 1}, &M::MotorEnableLimits, 1),
      Op("SetModeFlags", {"", 1}, {"/1n4R\r", 1}, &M::MotorSetModeFlags, 2),
      Op("SetIndexSteps", {"", 1}, {"/1B400R\r", 1}, &M::MotorSetIndexSteps, 400),
  };
}

class MotConOnEachType : public ::testing::TestWithParam<const char*> {};

TEST_P(MotConOnEachType, EveryOperationReachesTheConfiguredDriver) {
  const bool im = std::string(GetParam()) == "IM483I";
  for (const Operation& op : Operations()) {
    SCOPED_TRACE(op.name);
    Rig rig(GetParam());
    const Expect& expect = im ? op.im483i : op.ezhr17;
    EXPECT_EQ(op.call(rig.motCon), expect.result);
    EXPECT_EQ(rig.line.port.written, expect.wire);
    // A lone "Port TimeOut" is the absent units of the EZHR17 wake-up.
    for (const std::string& message : rig.line.Log())
      EXPECT_EQ(message, "Port TimeOut");
  }
}

TEST_P(MotConOnEachType, SelectedUnitAndTimeOutAreShared) {
  Rig rig(GetParam());
  rig.motCon.MotorSelect('2');
  rig.motCon.MotorSetMoveTimeout(9);
  double position = 0;
  rig.line.port.responder = [](const std::string& w) -> std::string {
    if (w == "/2?0\r") return Ez("`77");
    if (w == "/2Q\r") return Ez("@");  // always busy
    return w == "2Z\n" ? "2Z 77\n" : w == "2^\n" ? "2^ 1\n" : "";
  };
  EXPECT_EQ(rig.motCon.MotorReadPos(position), 1);
  EXPECT_EQ(position, 77);
  EXPECT_EQ(rig.line.port.written, std::string(GetParam()) == "IM483I" ? "2Z\n" : "/2?0\r");
  const int64_t start = rig.line.clock.RoundedSeconds();
  EXPECT_EQ(rig.motCon.MotorWaitMoveEnd(), -2);
  EXPECT_EQ(rig.line.clock.RoundedSeconds() - start, 10);  // the first whole second past 9
}

// A program told to end waits for no motion: each waiting loop gives up at its first test, and
// a composite motion still stops its unit on the way out.
TEST_P(MotConOnEachType, WaitsGiveWayWhenTheProgramIsToldToEnd) {
  const bool im = std::string(GetParam()) == "IM483I";
  const std::vector<Operation> waits = {
      Op("WaitMoveEnd", {"", -2}, {"", -2}, &M::MotorWaitMoveEnd),
      Op("HomeOwn", {"1M1000\n1M0\n", -2}, {"/1?2\r/1V1000P0R\r/1V1000P0R\r/1T\r/1V5000R\r", -2},
         &M::MotorHomeOwn, 1000),
  };
  for (const Operation& op : waits) {
    SCOPED_TRACE(op.name);
    Rig rig(GetParam());
    rig.line.clock.ending = true;
    const Expect& expect = im ? op.im483i : op.ezhr17;
    EXPECT_EQ(op.call(rig.motCon), expect.result);
    EXPECT_EQ(rig.line.port.written, expect.wire);
  }
}

// A window event served during an exchange may start another one: it is refused before
// anything is sent, and a failed exchange releases the guard as a good one does.
TEST_P(MotConOnEachType, AnOverlappingExchangeIsRefusedWithoutSendingAndTheGuardIsReleased) {
  Rig rig(GetParam());
  int16_t inner = 0;
  rig.line.port.onWrite = [&](const std::string&) {
    rig.line.port.onWrite = nullptr;
    inner = rig.motCon.MotorMoveAbs(7);
  };
  EXPECT_EQ(rig.motCon.MotorMoveAbs(5), 1);
  EXPECT_EQ(inner, -4);
  EXPECT_EQ(rig.line.port.written, std::string(GetParam()) == "IM483I" ? "1R+5\n" : "/1A5R\r");
  EXPECT_EQ(rig.line.Log(), std::vector<std::string>{"inst>0;"});
  const test::Answer unit = rig.line.port.responder;
  rig.line.port.responder = nullptr;
  EXPECT_EQ(rig.motCon.MotorMoveAbs(5), -1);
  rig.line.port.responder = unit;
  EXPECT_EQ(rig.motCon.MotorMoveAbs(5), 1);
}

// Between polls the wait serves window events; one of them may address another unit, and the
// wait polls its own again. The EZHR17 polling interval is read once, when the wait starts.
TEST_P(MotConOnEachType, AWaitPollsItsOwnUnitAndServesEventsBetweenPolls) {
  Rig rig(GetParam());
  const bool im = std::string(GetParam()) == "IM483I";
  const std::vector<std::string> replies =
      im ? std::vector<std::string>{"1^ 1\n", "2Z 5\n", "1^ 33\n", "1^ 0\n"}
         : std::vector<std::string>{Ez("@"), Ez("`5"), Ez("@"), Ez("`")};
  for (const std::string& reply : replies)
    rig.line.port.Reply(reply);
  rig.line.pump.hook = [&rig] {
    rig.motCon.MotorSelect('2');
    double position = 0;
    EXPECT_EQ(rig.motCon.MotorReadPos(position), 1);
    rig.line.pump.hook = [&rig] { rig.waitPollingInterval = 7; };
  };
  EXPECT_EQ(rig.motCon.MotorWaitMoveEnd(), 1);
  EXPECT_EQ(rig.motCon.Motor().MotorAddress, '1');
  EXPECT_EQ(rig.line.port.written, im ? "1^\n2Z\n1^\n1^\n" : "/1Q\r/2?0\r/1Q\r/1Q\r");
  EXPECT_EQ(rig.line.pump.calls, 2);
  EXPECT_EQ(rig.line.clock.delays, (std::vector<int32_t>(2, im ? 20 : 50)));
}

// A reply cut short by the time-out: after the channel's whole time-out the failed command and
// what came of its reply go beside "Port TimeOut" on the message line.
TEST_P(MotConOnEachType, ATimeOutShowsTheCommandAndThePartialReply) {
  Rig rig(GetParam());
  const bool im = std::string(GetParam()) == "IM483I";
  rig.line.port.Reply(im ? "1R+" : "\xFF/0`12");
  const int32_t start = rig.line.clock.now;
  EXPECT_EQ(rig.motCon.MotorMoveAbs(5), -1);
  EXPECT_GT(rig.line.clock.now - start, 1000);
  EXPECT_EQ(rig.line.messageLine,
            im ? "Port TimeOut, 1R+5\\1R+" : "Port TimeOut, /1A5R-comm error-\xFF/0`12");
  EXPECT_EQ(rig.line.Log().size(), 2u);
}

// Positions and distances that fit no 32-bit count are refused before anything is sent.
TEST_P(MotConOnEachType, PositionsAndDistancesBeyondTheCounterAreRefused) {
  const std::string type = GetParam();
  for (const double beyond : {std::nan(""), 3e9, -5e9, std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(beyond);
    Rig rig(type);
    EXPECT_EQ(rig.motCon.MotorMoveAbs(beyond), -1);
    EXPECT_EQ(rig.motCon.MotorMoveRel(beyond), -1);
    EXPECT_EQ(rig.line.port.written, "");
    EXPECT_EQ(rig.line.Log(), (std::vector<std::string>{type + "_MoveAbs: position out of range",
                                                        type + "_MoveRel: distance out of range"}));
  }
}

INSTANTIATE_TEST_SUITE_P(BothTypes, MotConOnEachType, ::testing::Values("IM483I", "EZHR17"));

TEST(MotCon, UnknownTypeSendsNothingAndGivesZero) {
  for (const char* type : {"", "im483i", "EZHR17 ", "IM483", "EZHR18"}) {
    SCOPED_TRACE(type);
    for (const Operation& op : Operations()) {
      SCOPED_TRACE(op.name);
      Rig rig(type);
      EXPECT_EQ(op.call(rig.motCon), 0);
      EXPECT_EQ(rig.line.port.written, "");
      EXPECT_TRUE(rig.line.Log().empty());
    }
  }
}

TEST(MotCon, TheTypeIsReadOnEveryCall) {
  Rig rig("EZHR17");
  EXPECT_EQ(rig.motCon.MotorMoveAbs(5), 1);
  rig.contrType = "IM483I";
  rig.line.port.responder = [](const std::string& w) { return w; };
  EXPECT_EQ(rig.motCon.MotorMoveAbs(5), 1);
  rig.contrType.clear();
  EXPECT_EQ(rig.motCon.MotorMoveAbs(5), 0);
  // The terminators stay those set at the start.
  EXPECT_EQ(rig.line.port.written, "/1A5R\r1R+5\r");
}

TEST(MotCon, PauseOnEzhr17AnswersAtOnce) {
  Rig rig("EZHR17");
  const int32_t before = rig.line.clock.now;
  EXPECT_EQ(rig.motCon.MotorPause(3000), 1);
  EXPECT_EQ(rig.line.clock.now, before);
}

// The IM483I refuses what does not fit 16 bits (its own cases): the value must reach it whole.
TEST(MotCon, ThirtyTwoBitArgumentsReachTheDriversWhole) {
  Rig im("IM483I"), ez("EZHR17");
  EXPECT_EQ(im.motCon.MotorSetRamp(70000, 1), -1);
  EXPECT_EQ(im.line.port.written, "");
  EXPECT_EQ(ez.motCon.MotorSetRamp(70000, 1), 1);
  EXPECT_EQ(ez.line.port.written, "/1L70000R\r");
}

}  // namespace
}  // namespace qv
