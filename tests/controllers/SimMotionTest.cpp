// The composite motions of both drivers against simulated units on an in-process line: the
// homing variants, runs to a limit and the waits end where the mechanics say they should.
#include <gtest/gtest.h>

#include <string>

#include "controllers/Comm.h"
#include "controllers/MotCon.h"
#include "sim/EzUnit.h"
#include "sim/Line.h"
#include "sim/Loopback.h"

namespace qv {
namespace {

// Ends at 0 and 10000 microsteps, sensors 100 wide, a separate home input at 300..400.
sim::AxisConfig Linear() {
  sim::AxisConfig axis;
  axis.travel = 10000;
  axis.sensorWidth = 100;
  axis.homeOffset = 300;
  axis.startPosition = 5000;
  return axis;
}

// 6000 microsteps a turn, the index 100 wide, starting at 2000.
sim::AxisConfig Wheel() {
  sim::AxisConfig axis;
  axis.kind = sim::AxisKind::Rotary;
  axis.revolution = 6000;
  axis.sensorWidth = 100;
  axis.startPosition = 2000;
  return axis;
}

class SimRig {
 public:
  SimRig(sim::ControllerType type, char address, const sim::AxisConfig& axis)
      : line_(type, sim::LineOptions{.baud = 9600}),
        contrType_(type == sim::ControllerType::EZHR17 ? "EZHR17" : "IM483I") {
    line_.AddUnit(address, axis);
    port_.Open("/dev/ttyS0");
    comm_.CommInit();
    comm_.CommSetTimeout(200);
    motCon_.MotorInitChannel();
    motCon_.MotorSelect(address);
    motCon_.MotorSetMoveTimeout(60);
    address_ = address;
  }
  MotCon& Mot() { return motCon_; }
  sim::UnitState State() { return line_.FindUnit(address_)->State(clock_.Now()); }
  sim::Unit& Unit() { return *line_.FindUnit(address_); }
  std::string Log() const { return comm_.CommLogText(); }

 private:
  sim::Line line_;
  sim::SimClock clock_;
  sim::LoopbackPort port_{line_, clock_};
  Comm comm_{port_, clock_};
  EventPump pump_;
  std::string contrType_;
  int16_t waitPollingInterval_ = 50;  // ms
  MotCon motCon_{comm_, clock_, pump_, contrType_, waitPollingInterval_};
  char address_ = 0;
};

// --- EZHR17 ---

TEST(SimEzhr17, MotorHomeThenWaitEndsAtTheHomeSensorWithTheCounterAtZero) {
  SimRig rig(sim::ControllerType::EZHR17, '1', Linear());
  ASSERT_EQ(rig.Mot().MotorHome(-3000), 1);
  EXPECT_TRUE(rig.State().moving);
  EXPECT_EQ(rig.Mot().MotorWaitMoveEnd(), 1);
  EXPECT_FALSE(rig.State().moving);
  EXPECT_EQ(rig.State().counter, 0);
  EXPECT_EQ(rig.Log(), "");
}

TEST(SimEzhr17, MotorHomeSmartHomesAndRestoresTheTopSpeed) {
  SimRig rig(sim::ControllerType::EZHR17, '1', Linear());
  ASSERT_EQ(rig.Mot().MotorSetSlewSpeed(4321), 1);
  EXPECT_EQ(rig.Mot().MotorHomeSmart(3000, 0), 1);
  EXPECT_FALSE(rig.State().moving);
  EXPECT_EQ(rig.State().counter, 0);
  EXPECT_EQ(static_cast<sim::EzUnit&>(rig.Unit()).TopSpeed(), 4321);
  EXPECT_EQ(rig.Log(), "");
}

TEST(SimEzhr17, MotorHomeOwnStopsJustPastTheIndexOfAWheel) {
  SimRig rig(sim::ControllerType::EZHR17, '1', Wheel());
  EXPECT_EQ(rig.Mot().MotorHomeOwn(-2000), 1);
  const sim::UnitState state = rig.State();
  EXPECT_FALSE(state.moving);
  EXPECT_FALSE(state.home);
  EXPECT_EQ(static_cast<sim::EzUnit&>(rig.Unit()).TopSpeed(), 5000);
  EXPECT_EQ(rig.Log(), "");
}

TEST(SimEzhr17, MotorToLimitRunsToEitherEnd) {
  SimRig rig(sim::ControllerType::EZHR17, '1', Linear());
  ASSERT_EQ(rig.Mot().MotorEnableLimits(1), 1);
  EXPECT_EQ(rig.Mot().MotorToLimit(2, 4000), 1);
  EXPECT_TRUE(rig.State().highEnd);
  EXPECT_FALSE(rig.State().moving);
  EXPECT_EQ(rig.Mot().MotorToLimit(1, -4000), 1);
  EXPECT_TRUE(rig.State().lowEnd);
  EXPECT_FALSE(rig.State().moving);
  EXPECT_EQ(static_cast<sim::EzUnit&>(rig.Unit()).TopSpeed(), 5000);
  EXPECT_EQ(rig.Log(), "");
}

TEST(SimEzhr17, RunHomeProgramWaitsUntilTheWheelIsHomed) {
  SimRig rig(sim::ControllerType::EZHR17, '1', Wheel());
  EXPECT_EQ(rig.Mot().Ezhr17().RunHomeProgram(), 1);
  EXPECT_FALSE(rig.State().moving);
}

TEST(SimEzhr17, MoveAbsThenWaitReadsTheTarget) {
  SimRig rig(sim::ControllerType::EZHR17, '1', Linear());
  ASSERT_EQ(rig.Mot().MotorMoveAbs(1234), 1);
  EXPECT_EQ(rig.Mot().MotorWaitMoveEnd(), 1);
  double position = 0;
  EXPECT_EQ(rig.Mot().MotorReadPos(position), 1);
  EXPECT_EQ(position, 1234);
}

TEST(SimEzhr17, WaitTimesOutOnAMotionLongerThanTheTimeOut) {
  SimRig rig(sim::ControllerType::EZHR17, '1', Linear());
  rig.Mot().MotorSetMoveTimeout(1);
  ASSERT_EQ(rig.Mot().MotorSetSlewSpeed(1000), 1);
  ASSERT_EQ(rig.Mot().MotorMoveRel(4000), 1);  // four seconds
  EXPECT_EQ(rig.Mot().MotorWaitMoveEnd(), -2);
  EXPECT_TRUE(rig.State().moving);
}

// --- IM483I ---

TEST(SimIm483i, HomeThenWaitEndsOnTheHomeInput) {
  SimRig rig(sim::ControllerType::IM483I, 'X', Linear());
  ASSERT_EQ(rig.Mot().MotorHome(-2000), 1);
  EXPECT_EQ(rig.Mot().MotorWaitMoveEnd(), 1);
  EXPECT_FALSE(rig.State().moving);
  EXPECT_TRUE(rig.State().home);
  EXPECT_EQ(rig.Log(), "");
}

TEST(SimIm483i, MotorHomeOwnBacksOffTheHomeInput) {
  SimRig rig(sim::ControllerType::IM483I, 'X', Linear());
  EXPECT_EQ(rig.Mot().MotorHomeOwn(-2000), 1);
  const sim::UnitState state = rig.State();
  EXPECT_FALSE(state.moving);
  EXPECT_FALSE(state.home);
  EXPECT_GE(state.load, 400);  // just above the input, where the back-off left it
  EXPECT_LT(state.load, 500);
  EXPECT_EQ(rig.Log(), "");
}

TEST(SimIm483i, MotorHomeSmartHomesAndBacksOff) {
  SimRig rig(sim::ControllerType::IM483I, 'X', Linear());
  EXPECT_EQ(rig.Mot().MotorHomeSmart(-2000, 400), 1);
  EXPECT_FALSE(rig.State().moving);
  EXPECT_FALSE(rig.State().home);
  EXPECT_EQ(rig.Log(), "");
}

TEST(SimIm483i, MotorToLimitReportsTheLimitAndBacksOff) {
  SimRig rig(sim::ControllerType::IM483I, 'X', Linear());
  EXPECT_EQ(rig.Mot().MotorToLimit(3, 4000), 2);
  EXPECT_FALSE(rig.State().highEnd);
  EXPECT_FALSE(rig.State().moving);
  EXPECT_GT(rig.State().load, 9000);
  EXPECT_EQ(rig.Mot().MotorToLimit(1, -4000), 1);
  EXPECT_FALSE(rig.State().lowEnd);
  EXPECT_LT(rig.State().load, 1000);
  EXPECT_EQ(rig.Log(), "");
}

TEST(SimIm483i, MoveAbsThenWaitReadsTheTarget) {
  SimRig rig(sim::ControllerType::IM483I, 'X', Linear());
  ASSERT_EQ(rig.Mot().MotorMoveAbs(-700), 1);
  EXPECT_EQ(rig.Mot().MotorWaitMoveEnd(), 1);
  double position = 0;
  EXPECT_EQ(rig.Mot().MotorReadPos(position), 1);
  EXPECT_EQ(position, -700);
}

TEST(SimIm483i, WaitTimesOutOnAMotionLongerThanTheTimeOut) {
  SimRig rig(sim::ControllerType::IM483I, 'X', Linear());
  rig.Mot().MotorSetMoveTimeout(1);
  ASSERT_EQ(rig.Mot().MotorSetSlewSpeed(1000), 1);
  ASSERT_EQ(rig.Mot().MotorMoveRel(4000), 1);
  EXPECT_EQ(rig.Mot().MotorWaitMoveEnd(), -2);
}

}  // namespace
}  // namespace qv
