// Homing of the XY stage and the focus on simulated controllers: the EZHR17 passes onto the home
// sensors and out to the origin point, the IM483I runs onto the home inputs (with back-off) or
// onto the limit switches, the focus onto its limit, and the step codes when a sensor cannot be
// reached or a unit is silent.
#include <gtest/gtest.h>

#include <algorithm>

#include "devices/Stage.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

template <ControllerType type>
class Homing : public ::testing::Test {
 protected:
  void Init() {
    ASSERT_EQ(rig.XY().XYInit(), 1);
    rig.Take();
  }
  Rig rig{type};
};
using Ezhr17Homing = Homing<ControllerType::EZHR17>;
using Im483iHoming = Homing<ControllerType::IM483I>;

TEST_F(Ezhr17Homing, TheOriginPointIsTheHomeDistanceRoundedUpToAWholeFullStep) {
  StageAxisParams axis;
  axis.ScrewLead = 1;
  axis.MotorSteps = 200;
  axis.StepDivide = 3;
  // floor(5 x 200 / 1000) + 1 = 2 full steps of 8 microsteps: exactly on a full step, one more.
  // 100 microns (168) and none (8) are the frames of the homing runs.
  EXPECT_EQ(StageHoming::EzOriginPoint(axis, 5), 16);
}

TEST_F(Ezhr17Homing, TwoPassesOntoTheHomeSensorsThenOutToTheOriginPoint) {
  Init();
  EXPECT_EQ(rig.XY().XYHome(), 1);
  auto pass = [](const std::string& xs, const std::string& ys) {
    return Frames{"/1P800R",  "/2P800R", "/1?2",           "/1V" + xs + "R", "/1Z1000000000R",
                  "/1V8000R", "/2?2",    "/2V" + ys + "R", "/2Z1000000000R", "/2V7000R"};
  };
  Frames expected = pass("4000", "3000");
  const Frames slow = pass("400", "300");
  expected.insert(expected.end(), slow.begin(), slow.end());
  for (const char* f : {"/1A168R", "/1z0R", "/2A168R", "/2z0R"})
    expected.push_back(f);
  EXPECT_EQ(Commands(rig.Take()), expected);
}

TEST(Ezhr17HomeSearch, AnUnreachableSensorFailsTheSearchWithTheAxisCodeAndStopsTheAxis) {
  for (const auto& [role, code] : {std::pair{'X', -31}, std::pair{'Y', -32}}) {
    Rig rig(ControllerType::EZHR17);
    rig.KillSensor(role, sim::Sensor::Low);
    ASSERT_EQ(rig.XY().XYInit(), 1);
    rig.Take();
    EXPECT_EQ(rig.XY().XYHome(), code);
    const Frames commands = Commands(rig.Take());
    // The given-up search is stopped at once; the origin steps still run for both.
    const std::string unit = role == 'X' ? "/1" : "/2";
    const auto search = std::find(commands.begin(), commands.end(), unit + "Z1000000000R");
    ASSERT_GE(commands.end() - search, 3);
    EXPECT_EQ(*(search + 2), unit + "T");
    EXPECT_FALSE(rig.State(role).moving);
    EXPECT_EQ(std::ranges::count(commands, "/2Z1000000000R"),
              role == 'X' ? 0 : 1);  // Y never searched after X failed
    EXPECT_EQ(std::ranges::count(commands, "/2z0R"), 1);
    EXPECT_EQ(rig.State('X').counter, 0);
    if (role == 'X') {
      EXPECT_EQ(rig.XY().XYHomeX(), -31);
    }
  }
}

TEST_F(Ezhr17Homing, ALaterFailureOverwritesTheCode) {
  Init();
  rig.Fault('Y');
  // The Y move-out fails (-12); the origin steps still run and Y fails there last.
  EXPECT_EQ(rig.XY().XYHome(), -61);
  EXPECT_EQ(rig.State('X').counter, 0);
}

// --- IM483I ---

TEST_F(Im483iHoming, HomesOntoTheHomeInputsBacksOffAndSetsTheOrigin) {
  Init();
  EXPECT_EQ(rig.XY().XYHome(), 1);
  // s = -4000 (the smaller): out by 800 away from home, search backwards, back off at 250.
  EXPECT_EQ(Commands(rig.Take()),
            (Frames{"X+800", "Y+800", "XF 4000 1", "YF 4000 1", "X] 1", "XM250", "X] 1", "XM0",
                    "Y] 1", "YM250", "Y] 1", "YM0", "XE 50", "YE 50", "XO", "YO", "XM0", "YM0"}));
  EXPECT_GE(rig.State('X').load, 1761);  // just past the far edge of the home input (1600..1760)
}

TEST_F(Im483iHoming, ASlowHomingLowersTheInitialSpeedAndRestoresIt) {
  rig.Set("XY", "XHOMESPEED", "400");
  rig.Set("XY", "YHOMESPEED", "300");
  // Below the home input, which is searched forwards.
  for (char role : {'X', 'Y'})
    rig.Tweak(role, [](sim::UnitPlan& unit) { unit.axis.startPosition = 500; });
  Init();
  EXPECT_EQ(rig.XY().XYHome(), 1);
  // s = 300: rnd(75) is below 400; |s| / 16 = 18.75 gives 19, below 20, so back off at -40.
  EXPECT_EQ(Commands(rig.Take()),
            (Frames{"XI 75", "YI 75", "X-800",  "Y-800",  "XF 300 0", "YF 300 0", "X] 1",  "XM-40",
                    "X] 1",  "XM0",   "Y] 1",   "YM-40",  "Y] 1",     "YM0",      "XE 50", "YE 50",
                    "XO",    "YO",    "XI 400", "YI 400", "XM0",      "YM0"}));
}

TEST_F(Im483iHoming, OntoTheLimitSwitchesWhenTheLimitPolarityIsOneAndTheOriginEvenOnAFailure) {
  rig.Set("XY", "XYLIMPOLARITY", "1");
  Init();
  EXPECT_GT(rig.XY().XYHome(), 0);
  const Frames commands = Commands(rig.Take());
  EXPECT_EQ(commands.front(), "XM-4000");
  EXPECT_EQ(std::ranges::count(commands, "XF 4000 1"), 0);
  for (char role : {'X', 'Y'}) {
    EXPECT_EQ(rig.State(role).counter, 0);
    EXPECT_FALSE(rig.State(role).lowEnd);  // backed off the switch
    EXPECT_LT(rig.State(role).load, 400);
  }
  Rig dead(ControllerType::IM483I);
  dead.Set("XY", "XYLIMPOLARITY", "1");
  dead.KillSensor('X', sim::Sensor::Low);
  ASSERT_EQ(dead.XY().XYInit(), 1);
  dead.Mot().MotorSetMoveTimeout(5);
  EXPECT_LT(dead.XY().XYHome(), 0);
  const Frames failed = Commands(dead.Take());
  EXPECT_EQ(std::ranges::count(failed, "XO"), 1);
  EXPECT_EQ(std::ranges::count(failed, "YO"), 1);
}

TEST_F(Im483iHoming, AHomeSearchThatOutlastsTheTimeOutFailsAtTheWait) {
  rig.KillSensor('X', sim::Sensor::Home);
  Init();
  rig.Mot().MotorSetMoveTimeout(30);
  EXPECT_EQ(rig.XY().XYHome(), -12);
  const Frames frames = rig.Take();
  EXPECT_EQ(Frames(frames.end() - 2, frames.end()), (Frames{"XM0", "YM0"}));
}

TEST(Im483iHomeSearch, ASearchThatEndsOffTheHomeInputFailsAfterTheRemainingSteps) {
  // The other input is checked and backed off, both axes pause, get their origin and end
  // stopped: the failure is in the result only.
  const std::tuple<char, int16_t, Frames> cases[] = {
      {'X', kHomeNotFoundX, {"X] 1", "Y] 1", "YM250", "Y] 1", "YM0"}},
      {'Y', kHomeNotFoundY, {"X] 1", "XM250", "X] 1", "XM0", "Y] 1"}}};
  for (const auto& [role, code, backOff] : cases) {
    Rig rig(ControllerType::IM483I);
    // The sensor never responds and the travel is too short (10 mm) for the search to reach
    // an end.
    rig.KillSensor(role, sim::Sensor::Home);
    rig.Tweak(role, [](sim::UnitPlan& unit) {
      unit.axis.travel = 16000;
      unit.axis.startPosition = 8000;
    });
    ASSERT_EQ(rig.XY().XYInit(), 1);
    rig.Take();
    EXPECT_EQ(rig.XY().XYHome(), code);
    Frames expected{"X+800", "Y+800", "XF 4000 1", "YF 4000 1"};
    expected.insert(expected.end(), backOff.begin(), backOff.end());
    for (const char* f : {"XE 50", "YE 50", "XO", "YO", "XM0", "YM0"})
      expected.push_back(f);
    EXPECT_EQ(Commands(rig.Take()), expected);
  }
}

TEST_F(Im483iHoming, ASilentUnitGivesTheCodeOfItsStepAndTheInitialSpeedIsRestored) {
  rig.Set("XY", "XHOMESPEED", "1200");
  rig.Set("XY", "YHOMESPEED", "1200");
  Init();
  rig.Fault('Y');
  EXPECT_EQ(rig.XY().XYHome(), -31);  // lowering Y's initial speed
  EXPECT_EQ(rig.Take(), (Frames{"XI 300", "YI 300", "XI 400", "YI 400", "XM0", "YM0"}));
}

// --- The focus, on both types ---

class FocusHoming : public RigTypes {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.Z().ZInit(), 1);
    rig.Take();
  }
};

TEST_P(FocusHoming, DrivesToTheLimitAndSetsTheOrigin) {
  EXPECT_EQ(rig.Z().ZHome(), 1);
  const sim::UnitState s = rig.State('Z');
  EXPECT_EQ(s.counter, rig.Ez() ? 800 : 0);
  // At the low end sensor (0.1 mm = 1600 microsteps wide), where the negative speed leads.
  EXPECT_GE(s.load, 1600);
  EXPECT_LT(s.load, 1800);
  EXPECT_EQ(rig.Take().back(), rig.Ez() ? "/3z800R" : "ZO");
}

TEST_P(FocusHoming, FailsWhenNoLimitIsFoundButStillSetsTheOrigin) {
  Rig dead(GetParam());
  dead.KillSensor('Z', sim::Sensor::Low);
  dead.KillSensor('Z', sim::Sensor::High);
  ASSERT_EQ(dead.Z().ZInit(), 1);
  dead.Mot().MotorSetMoveTimeout(5);
  dead.Take();
  EXPECT_EQ(dead.Z().ZHome(), -1);
  EXPECT_EQ(dead.Take().back(), dead.Ez() ? "/3z800R" : "ZO");
}

QV_ON_BOTH_TYPES(FocusHoming);

}  // namespace
}  // namespace qv::test
