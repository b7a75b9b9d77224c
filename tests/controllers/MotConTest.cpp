// The controller dispatch: every operation on both controller types through one table, exact
// bytes on the wire, and nothing at all for a type that is not known.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controllers/MotCon.h"
#include "tests/controllers/LineFixture.h"

namespace qv {
namespace {

using test::Line;

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
  const auto ez = [](const std::string& body) { return "\xFF/0" + body + "\x03\r\n"; };
  if (w == "/1?2\r") return ez("`5000");
  if (w == "/1?0\r") return ez("`10");
  if (w == "/1?4\r") return ez(toggles++ % 2 == 0 ? "`4" : "`0");
  return ez("`");
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
  std::function<int16_t(MotCon&)> call;
  Expect im483i;
  Expect ezhr17;
};

const std::string kEzWakeUp =
    "/1?Q\r/2?Q\r/3?Q\r/4?Q\r/5?Q\r/6?Q\r/7?Q\r/8?Q\r/9?Q\r/A?Q\r/B?Q\r/C?Q\r/D?Q\r/E?Q\r/F?Q\r";

std::vector<Operation> Operations() {
  int16_t value = 0;
  double position = 0;
  std::array<int16_t, 3> ports{};
  std::string reply;
  return {
      {"MotorWakeUp", [](MotCon& m) { return m.MotorWakeUp(); }, {"AX\n", 1}, {kEzWakeUp, 1}},
      {"MotorRawCommand",
       [=](MotCon& m) mutable { return m.MotorRawCommand("hello", reply); },
       {"hello\n", 1},
       {"hello\r", 1}},
      {"MotorHome",
       [](MotCon& m) { return m.MotorHome(-800); },
       {"1F 800 1\n", 1},
       {"/1V800R\r/1Z1000000000R\r", 1}},
      {"MotorHomeOwn",
       [](MotCon& m) { return m.MotorHomeOwn(1000); },
       {"1M1000\n1] 1\n1M-250\n1] 1\n1M0\n", 1},
       {"/1?2\r/1V1000P0R\r/1V1000P0R\r/1?4\r/1V100P0R\r/1V100P0R\r/1?4\r/1T\r/1V5000R\r", 1}},
      {"MotorHomeSmart",
       [](MotCon& m) { return m.MotorHomeSmart(800, 100); },
       {"1F 800 0\n1^\n1] 1\n1M-200\n1] 1\n1M0\n", 1},
       {"/1?2\r/1V800R\r/1Z1000000000R\r/1Q\r/1V5000R\r", 1}},
      {"MotorMoveAtSpeed",
       [](MotCon& m) { return m.MotorMoveAtSpeed(-500); },
       {"1M-500\n", 1},
       {"/1V500D0R\r", 1}},
      {"MotorMoveAbs",
       [](MotCon& m) { return m.MotorMoveAbs(12.5); },
       {"1R+13\n", 1},
       {"/1A12R\r", 1}},
      {"MotorMoveRel", [](MotCon& m) { return m.MotorMoveRel(-3); }, {"1-3\n", 1}, {"/1D3R\r", 1}},
      {"MotorReadMovingStatus",
       [](MotCon& m) { return m.MotorReadMovingStatus(); },
       {"1^\n", 0},
       {"/1Q\r", 0}},
      {"MotorReadPos",
       [=](MotCon& m) mutable { return m.MotorReadPos(position); },
       {"1Z\n", 1},
       {"/1?0\r", 1}},
      {"MotorReadHardware",
       [=](MotCon& m) mutable { return m.MotorReadHardware(value); },
       {"1] 1\n", 1},
       {"/1?4\r", 1}},
      {"MotorReadLimits",
       [=](MotCon& m) mutable { return m.MotorReadLimits(value); },
       {"1] 0\n", 1},
       {"/1?4\r", 1}},
      {"MotorGetOutput",
       [=](MotCon& m) mutable { return m.MotorGetOutput(0, value); },
       {"1A 129\n", 1},
       {"", 0}},
      {"MotorSetOutput",
       [](MotCon& m) { return m.MotorSetOutput(1, 1); },
       {"1A 129\n1A 24\n", 1},
       {"", 0}},
      {"MotorReadInPorts",
       [=](MotCon& m) mutable { return m.MotorReadInPorts(ports); },
       {"1A 129\n", 1},
       {"", 0}},
      {"MotorReadOutPorts",
       [=](MotCon& m) mutable { return m.MotorReadOutPorts(ports); },
       {"1A 129\n", 1},
       {"", 0}},
      {"MotorWriteOutPorts",
       [](MotCon& m) { return m.MotorWriteOutPorts(1, 1, 1); },
       {"1A 56\n", 1},
       {"/1J3R\r", 1}},
      {"MotorPause", [](MotCon& m) { return m.MotorPause(100); }, {"1E 10\n", 1}, {"", 1}},
      {"MotorSetCurrents",
       [](MotCon& m) { return m.MotorSetCurrents(5, 25); },
       {"1Y 5 25\n", 1},
       {"/1h5m25R\r", 1}},
      {"MotorSetRamp",
       [](MotCon& m) { return m.MotorSetRamp(10, 20); },
       {"1K 10 20\n", 1},
       {"/1L10R\r", 1}},
      {"MotorSetLimitPolarity",
       [](MotCon& m) { return m.MotorSetLimitPolarity(1); },
       {"1l 1\n", 1},
       {"/1f1R\r", 1}},
      {"MotorSetJogSpeeds",
       [](MotCon& m) { return m.MotorSetJogSpeeds(100, 200); },
       {"1B 100 200\n", 1},
       {"", 0}},
      {"MotorSetSlewSpeed",
       [](MotCon& m) { return m.MotorSetSlewSpeed(5000); },
       {"1V 5000\n", 1},
       {"/1V5000R\r", 1}},
      {"MotorSetStepDivide",
       [](MotCon& m) { return m.MotorSetStepDivide(4); },
       {"1H 0\n1D 4\n", 1},
       {"/1j16R\r", 1}},
      {"MotorSetInitSpeed",
       [](MotCon& m) { return m.MotorSetInitSpeed(400); },
       {"1I 400\n", 1},
       {"", 0}},
      {"MotorToLimit",
       [](MotCon& m) { return m.MotorToLimit(1, 1000); },
       {"1M1000\n1] 0\n1M-500\n1] 0\n1M0\n1M0\n", 1},
       {"/1?2\r/1?4\r/1T\r/1V5000R\r", 1}},
      {"MotorSetOrigin",
       [](MotCon& m) { return m.MotorSetOrigin(-1200); },
       {"1O\n", 1},
       {"/1z-1200R\r", 1}},
      {"MotorWaitMoveEnd",
       [](MotCon& m) { return m.MotorWaitMoveEnd(); },
       {"1^\n", 1},
       {"/1Q\r", 1}},
      {"MotorEnableLimits",
       [](MotCon& m) { return m.MotorEnableLimits(1); },
       {"", 1},
       {"/1n2R\r", 1}},
      {"MotorSetModeFlags",
       [](MotCon& m) { return m.MotorSetModeFlags(2); },
       {"", 1},
       {"/1n4R\r", 1}},
      {"MotorSetIndexSteps",
       [](MotCon& m) { return m.MotorSetIndexSteps(400); },
       {"", 1},
       {"/1B400R\r", 1}},
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

TEST_P(MotConOnEachType, InitChannelSetsTheTerminatorsOfTheType) {
  Rig rig(GetParam());
  std::string reply;
  rig.line.port.responder = [](const std::string&) { return std::string("ok\r\n"); };
  EXPECT_EQ(rig.motCon.MotorRawCommand("x", reply), 1);
  if (std::string(GetParam()) == "IM483I") {
    EXPECT_EQ(rig.line.port.written, "x\n");
    EXPECT_EQ(reply, "ok\r");
  } else {
    EXPECT_EQ(rig.line.port.written, "x\r");
    EXPECT_EQ(reply, "ok");
  }
}

TEST_P(MotConOnEachType, SelectedUnitAndTimeOutAreShared) {
  Rig rig(GetParam());
  rig.motCon.MotorSelect('2');
  rig.motCon.MotorSetMoveTimeout(9);
  EXPECT_EQ(rig.motCon.Motor().MotorAddress, '2');
  EXPECT_EQ(rig.motCon.Motor().MotorMoveTimeout, 9);
  double position = 0;
  rig.line.port.responder = [](const std::string& w) {
    return w == "/2?0\r" ? std::string("\xFF/0`77\x03\r\n") : w == "2Z\n" ? "2Z 77\n" : "";
  };
  EXPECT_EQ(rig.motCon.MotorReadPos(position), 1);
  EXPECT_EQ(position, 77);
  EXPECT_EQ(rig.line.port.written, std::string(GetParam()) == "IM483I" ? "2Z\n" : "/2?0\r");
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

TEST(MotCon, Ezhr17OnlyOperationsAnswerAtOnceOnIm483i) {
  Rig rig("IM483I");
  EXPECT_EQ(rig.motCon.MotorEnableLimits(1), 1);
  EXPECT_EQ(rig.motCon.MotorSetModeFlags(1), 1);
  EXPECT_EQ(rig.motCon.MotorSetIndexSteps(1), 1);
  EXPECT_EQ(rig.line.port.written, "");
}

TEST(MotCon, Im483iOnlyOperationsOnEzhr17) {
  Rig rig("EZHR17");
  int16_t value = 5;
  std::array<int16_t, 3> ports{7, 7, 7};
  EXPECT_EQ(rig.motCon.MotorGetOutput(0, value), 0);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(rig.motCon.MotorReadInPorts(ports), 0);
  EXPECT_EQ(ports, (std::array<int16_t, 3>{7, 7, 7}));
  const int32_t before = rig.line.clock.now;
  EXPECT_EQ(rig.motCon.MotorPause(3000), 1);
  EXPECT_EQ(rig.line.clock.now, before);  // at once
  EXPECT_EQ(rig.line.port.written, "");
}

TEST(MotCon, ThirtyTwoBitArgumentsThatDoNotFitTheIm483iAreRefused) {
  Rig im("IM483I");
  EXPECT_EQ(im.motCon.MotorSetRamp(70000, 1), -1);
  EXPECT_EQ(im.motCon.MotorMoveAtSpeed(-32769), -1);
  EXPECT_EQ(im.line.port.written, "");
  EXPECT_EQ(im.line.Log(),
            (std::vector<std::string>{"IM483I_SetRamp: argument out of 16-bit range",
                                      "IM483I_MoveAtSpeed: argument out of 16-bit range"}));
  Rig ez("EZHR17");
  EXPECT_EQ(ez.motCon.MotorSetRamp(70000, 1), 1);
  EXPECT_EQ(ez.line.port.written, "/1L70000R\r");
}

TEST(MotCon, ControllerTypeTable) {
  EXPECT_EQ(ControllerKindOf("IM483I"), ControllerKind::kIm483i);
  EXPECT_EQ(ControllerKindOf("EZHR17"), ControllerKind::kEzhr17);
  EXPECT_EQ(ControllerKindOf("Ezhr17"), ControllerKind::kNone);
  EXPECT_EQ(ControllerKindOf(""), ControllerKind::kNone);
}

}  // namespace
}  // namespace qv
