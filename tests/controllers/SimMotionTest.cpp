// The composite motions of both drivers against a simulated unit on an in-process line: the
// homing variants, runs to a limit and the waits end where the mechanics say they should.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "controllers/Comm.h"
#include "controllers/MotCon.h"
#include "sim/EzUnit.h"
#include "sim/Loopback.h"
#include "tests/support/SimLine.h"

namespace qv {
namespace {

using sim::ControllerType;

struct Rig {
  Rig(ControllerType type, const sim::AxisConfig& axis)
      : line(type, sim::LineOptions{.baud = 9600}),
        contrType(type == ControllerType::EZHR17 ? "EZHR17" : "IM483I"),
        address(type == ControllerType::EZHR17 ? '1' : 'X') {
    line.AddUnit(address, axis);
    port.Open("/dev/ttyS0");
    comm.CommInit();
    comm.CommSetTimeout(200);
    mot.MotorInitChannel();
    mot.MotorSelect(address);
    mot.MotorSetMoveTimeout(60);
  }
  sim::UnitState State() { return line.FindUnit(address)->State(clock.Now()); }
  int32_t TopSpeed() { return static_cast<sim::EzUnit&>(*line.FindUnit(address)).TopSpeed(); }

  sim::Line line;
  std::string contrType;
  char address;
  sim::SimClock clock;
  sim::LoopbackPort port{line, clock};
  Comm comm{port, clock};
  EventPump pump;
  int16_t pollMs = 50;
  MotCon mot{comm, clock, pump, contrType, pollMs};
};

struct Motion {
  const char* name;
  std::optional<ControllerType> type;  // none: both types alike
  bool wheel;                          // the small wheel, else the small linear axis
  std::function<int16_t(MotCon&)> op;
  int16_t result;
  std::function<void(Rig&)> check;
};

int16_t Then(int16_t first, const std::function<int16_t()>& next) {
  return first == 1 ? next() : first;
}

const Motion kMotions[] = {
    {"home, then wait: the counter is 0 at the sensor", ControllerType::EZHR17, false,
     [](MotCon& m) { return Then(m.MotorHome(-3000), [&] { return m.MotorWaitMoveEnd(); }); }, 1,
     [](Rig& r) { EXPECT_EQ(r.State().counter, 0); }},
    {"home, then wait: on the home input", ControllerType::IM483I, false,
     [](MotCon& m) { return Then(m.MotorHome(-2000), [&] { return m.MotorWaitMoveEnd(); }); }, 1,
     [](Rig& r) { EXPECT_TRUE(r.State().home); }},
    {"smart homing restores the top speed", ControllerType::EZHR17, false,
     [](MotCon& m) {
       return Then(m.MotorSetSlewSpeed(4321), [&] { return m.MotorHomeSmart(3000, 0); });
     },
     1,
     [](Rig& r) {
       EXPECT_EQ(r.State().counter, 0);
       EXPECT_EQ(r.TopSpeed(), 4321);
     }},
    {"smart homing backs off the input", ControllerType::IM483I, false,
     [](MotCon& m) { return m.MotorHomeSmart(-2000, 400); }, 1,
     [](Rig& r) { EXPECT_FALSE(r.State().home); }},
    {"own homing stops just past the index", ControllerType::EZHR17, true,
     [](MotCon& m) { return m.MotorHomeOwn(-2000); }, 1,
     [](Rig& r) {
       EXPECT_FALSE(r.State().home);
       EXPECT_EQ(r.TopSpeed(), 5000);
     }},
    {"own homing backs off just above the input", ControllerType::IM483I, false,
     [](MotCon& m) { return m.MotorHomeOwn(-2000); }, 1,
     [](Rig& r) {
       EXPECT_FALSE(r.State().home);
       EXPECT_GE(r.State().load, 400);
       EXPECT_LT(r.State().load, 500);
     }},
    {"the homing program ends when the wheel is homed", ControllerType::EZHR17, true,
     [](MotCon& m) { return m.Ezhr17().RunHomeProgram(); }, 1, [](Rig&) {}},
    {"runs to either end and restores the top speed", ControllerType::EZHR17, false,
     [](MotCon& m) {
       EXPECT_EQ(m.MotorEnableLimits(1), 1);
       EXPECT_EQ(m.MotorToLimit(2, 4000), 1);
       return m.MotorToLimit(1, -4000);
     },
     1,
     [](Rig& r) {
       EXPECT_TRUE(r.State().lowEnd);
       EXPECT_EQ(r.TopSpeed(), 5000);
     }},
    {"reports the limit met and backs off it", ControllerType::IM483I, false,
     [](MotCon& m) {
       EXPECT_EQ(m.MotorToLimit(3, 4000), 2);
       return m.MotorToLimit(1, -4000);
     },
     1,
     [](Rig& r) {
       EXPECT_FALSE(r.State().lowEnd);
       EXPECT_LT(r.State().load, 1000);
     }},
    {"a move, then wait, reads the target", std::nullopt, false,
     [](MotCon& m) {
       double position = 0;
       EXPECT_EQ(Then(m.MotorMoveAbs(-700), [&] { return m.MotorWaitMoveEnd(); }), 1);
       const int16_t result = m.MotorReadPos(position);
       EXPECT_EQ(position, -700);
       return result;
     },
     1, [](Rig&) {}},
    {"a wait shorter than the motion times out", std::nullopt, false,
     [](MotCon& m) {
       m.MotorSetMoveTimeout(1);
       EXPECT_EQ(m.MotorSetSlewSpeed(1000), 1);
       EXPECT_EQ(m.MotorMoveRel(4000), 1);  // four seconds
       return m.MotorWaitMoveEnd();
     },
     -2, [](Rig& r) { EXPECT_TRUE(r.State().moving); }},
};

TEST(SimMotion, CompositeMotionsEndWhereTheMechanicsSay) {
  for (const Motion& motion : kMotions) {
    for (ControllerType type : {ControllerType::EZHR17, ControllerType::IM483I}) {
      if (motion.type && *motion.type != type) continue;
      SCOPED_TRACE(std::string(motion.name) + (type == ControllerType::EZHR17 ? " EZ" : " IM"));
      Rig rig(type, motion.wheel ? sim::test::SmallRotary() : sim::test::SmallLinear());
      EXPECT_EQ(motion.op(rig.mot), motion.result);
      motion.check(rig);
      if (motion.result == 1) {
        EXPECT_FALSE(rig.State().moving);
      }
      EXPECT_EQ(rig.comm.CommLogText(), "");
    }
  }
}

}  // namespace
}  // namespace qv
