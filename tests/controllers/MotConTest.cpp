// The controller dispatch: the operations that the devices and transcripts do not reach on both
// controller types, exact bytes on the wire, and nothing at all for a type that is not known.
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

// Units that answer like real ones with little state: the home input alternates between "on"
// and "off" from one query to the next.
std::string Im483iUnit(const std::string& w, int& toggles) {
  const std::string echo = w.substr(0, w.size() - 1);
  if (w == "1A 129\n") return echo + " 8\n";
  if (w == "1] 1\n") return echo + (toggles++ % 2 == 0 ? " 1\n" : " 0\n");
  return w;
}

std::string Ezhr17Unit(const std::string& w, int& toggles) {
  if (w == "/1?2\r") return Ez("`5000");
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
      Op("HomeOwn", {"1M1000\n1] 1\n1M-250\n1] 1\n1M0\n", 1},
         {"/1?2\r/1V1000P0R\r/1V1000P0R\r/1?4\r/1V100P0R\r/1V100P0R\r/1?4\r/1T\r/1V5000R\r", 1},
         &M::MotorHomeOwn, 1000),
      Op("ReadHardware", {"1] 1\n", 1}, {"/1?4\r", 1}, &M::MotorReadHardware, int16_t{0}),
      Op("GetOutput", {"1A 129\n", 1}, {"", 0}, &M::MotorGetOutput, 0, int16_t{0}),
      Op("Pause", {"1E 10\n", 1}, {"", 1}, &M::MotorPause, 100),
  };
}

class MotConOnEachType : public ::testing::TestWithParam<const char*> {};

TEST_P(MotConOnEachType, OperationsReachTheConfiguredDriver) {
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
  EXPECT_EQ(rig.motCon.MotorMoveAbs(5), -1);
  EXPECT_EQ(rig.line.messageLine,
            im ? "Port TimeOut, 1R+5\\1R+" : "Port TimeOut, /1A5R-comm error-\xFF/0`12");
}

// Positions and distances that fit no 32-bit count are refused before anything is sent.
TEST_P(MotConOnEachType, PositionsAndDistancesBeyondTheCounterAreRefused) {
  const std::string type = GetParam();
  for (const double beyond : {std::nan(""), -5e9, std::numeric_limits<double>::infinity()}) {
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
