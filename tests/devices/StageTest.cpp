// The XY stage on simulated controllers of both types: initialisation bytes, moves and their
// unit conversion, the backlash approach, jogging and the joystick curve, travel measurement.
#include <gtest/gtest.h>

#include "devices/Stage.h"
#include "sim/Faults.h"
#include "tests/devices/StageTestRig.h"

namespace qv::test {
namespace {

using Frames = std::vector<std::string>;

class StageOps : public BothTypes {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.XY().XYInit(), 1);
    rig.Frames();
  }
  // EZHR17 and IM483I forms of the same frames.
  Frames Expect(Frames ez, Frames ims) const { return rig.Ez() ? ez : ims; }
  void NoReplyFrom(char role) {
    rig.Line().SetFault(rig.Address(role), sim::DefaultFault(sim::FaultKind::NoReply));
  }
};

TEST_P(BothTypes, InitAppliesEveryParameterXCompletelyThenYAndReadsThePosition) {
  EXPECT_EQ(rig.XY().XYInit(), 1);
  const Frames ez{"/1j8R", "/1h10m50R", "/1V8000R", "/1L20R",    "/1f0R",    "/1n2R",  "/1n3R",
                  "/1P1R", "/1D1R",     "/2j8R",    "/2h12m60R", "/2V7000R", "/2L25R", "/2f0R",
                  "/2n3R", "/2n3R",     "/2P1R",    "/2D1R",     "/1?0",     "/2?0"};
  const Frames ims{"XH 0",      "XD 3",    "XY 10 50", "XV 8000",  "XI 400",    "XK 20 30",
                   "XB 25 250", "Xl 0",    "X+1",      "X-1",      "YH 0",      "YD 3",
                   "YY 12 60",  "YV 7000", "YI 500",   "YK 25 35", "YB 25 250", "Yl 0",
                   "Y+1",       "Y-1",     "XZ",       "YZ"};
  EXPECT_EQ(rig.Frames(), rig.Ez() ? ez : ims);
  EXPECT_DOUBLE_EQ(rig.XY().XUmPerStep(), 0.625);
  EXPECT_DOUBLE_EQ(rig.XY().YUmPerStep(), 0.625);
  // The energising steps leave the counters where they were.
  EXPECT_EQ(rig.State('X').counter, 0);
  EXPECT_EQ(rig.State('Y').counter, 0);
}

TEST_P(BothTypes, InitStopsAtTheFirstSettingAUnitDoesNotAnswer) {
  rig.Line().SetFault(rig.Address('Y'), sim::DefaultFault(sim::FaultKind::NoReply));
  EXPECT_EQ(rig.XY().XYInit(), -1);
  const Frames frames = rig.Frames();
  ASSERT_FALSE(frames.empty());
  // X completely, then Y up to its step divide and no further.
  EXPECT_EQ(frames.back(), rig.Ez() ? "/2j8R" : "YD 3");
  EXPECT_EQ(frames.size(), rig.Ez() ? 10u : 12u);
}

TEST_P(BothTypes, InitRefusesAFileWithoutUsableScaleAndSendsNothing) {
  rig.xy["YMOTORSTEPS"] = "0";
  EXPECT_EQ(rig.XY().XYInit(), -1);
  EXPECT_TRUE(rig.Frames().empty());
  EXPECT_EQ(rig.Notifier().LastText(), "SCREWLEAD, MOTORSTEPS and STEPDIVIDE in " +
                                           rig.File("QV_PARXY.TXT") +
                                           " give no usable microns per microstep");
}

TEST_P(BothTypes, InitFailsWithoutSendingWhenARequiredKeyIsMissing) {
  rig.xy.erase("XHOMESPEED");
  EXPECT_EQ(rig.XY().XYInit(), -1);
  EXPECT_TRUE(rig.Frames().empty());
}

TEST_P(StageOps, MovesConvertMicronsToMicrostepsWithTheAxisScale) {
  // 0.625 microns per microstep: 10 microns are 16 microsteps.
  EXPECT_EQ(rig.XY().XYMoveRel(10, -10), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/1P16R", "/2D16R"}, {"X+16", "Y-16"}));
  EXPECT_EQ(rig.XY().XYWait(), 1);
  rig.Frames();
  EXPECT_EQ(rig.XY().XYMoveAbs(100, 50), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/1A160R", "/2A80R"}, {"XR+160", "YR+80"}));
  EXPECT_EQ(rig.XY().XYWait(), 1);
  double x = 0, y = 0;
  EXPECT_EQ(rig.XY().XYReadPos(x, y), 1);
  EXPECT_DOUBLE_EQ(x, 100);
  EXPECT_DOUBLE_EQ(y, 50);
  EXPECT_DOUBLE_EQ(rig.XY().X(), 100);
  EXPECT_DOUBLE_EQ(rig.XY().Y(), 50);
  EXPECT_EQ(rig.State('X').counter, 160);
  EXPECT_EQ(rig.State('Y').counter, 80);
}

TEST_P(StageOps, AFailedReadLeavesThePositionsAlone) {
  ASSERT_EQ(rig.XY().XYMoveAbs(100, 50), 1);
  ASSERT_EQ(rig.XY().XYWait(), 1);
  NoReplyFrom('Y');
  double x = -7, y = -8;
  EXPECT_EQ(rig.XY().XYReadPos(x, y), -1);
  EXPECT_EQ(x, -7);
  EXPECT_EQ(y, -8);
  EXPECT_EQ(rig.XY().X(), 0);  // the last good read, at initialisation
}

TEST_P(StageOps, AMoveStopsAtTheFirstAxisThatFails) {
  NoReplyFrom('X');
  EXPECT_EQ(rig.XY().XYMoveRel(10, 10), -1);
  EXPECT_EQ(rig.Frames(), Expect({"/1P16R"}, {"X+16"}));  // Y is not sent
  EXPECT_EQ(rig.XY().XYMoveAbs(10, 10), -1);
  EXPECT_EQ(rig.XY().XYOrigin(), -1);
  EXPECT_EQ(rig.XY().XYJog(10, 10), -1);
}

TEST_P(StageOps, TheBacklashApproachComesFromFourBacklashesBelowAndWaitsForIt) {
  EXPECT_EQ(rig.XY().XYMoveAbsBacklash(1000, 500), 1);
  const Frames raw = rig.Frames();
  Frames frames;
  for (const std::string& f : raw) {
    if (!f.ends_with("Q") && !f.ends_with("^")) frames.push_back(f);
  }
  // (980, 492) first: 1568 and 787.2 microsteps; then (1000, 500) without waiting.
  EXPECT_EQ(frames, Expect({"/1A1568R", "/2A787R", "/1A1600R", "/2A800R"},
                           {"XR+1568", "YR+787", "XR+1600", "YR+800"}));
  // The approach was waited for (polls between), the final move is not.
  EXPECT_GT(raw.size(), frames.size());
  EXPECT_EQ(raw.back(), frames.back());
}

TEST_P(StageOps, TheBacklashApproachReachesTheSameMechanicalPlaceFromEitherSide) {
  // The simulated stage loses 8 microsteps (X, 5 microns) and 3 (Y, 2 microns) on a reversal.
  auto arrive = [&](double fromX, double fromY, bool backlash) {
    EXPECT_EQ(rig.XY().XYMoveAbs(fromX, fromY), 1);
    EXPECT_EQ(rig.XY().XYWait(), 1);
    EXPECT_EQ(backlash ? rig.XY().XYMoveAbsBacklash(1000, 500) : rig.XY().XYMoveAbs(1000, 500), 1);
    EXPECT_EQ(rig.XY().XYWait(), 1);
    EXPECT_EQ(rig.State('X').counter, 1600);
    return std::make_pair(rig.State('X').load, rig.State('Y').load);
  };
  const auto fromAbove = arrive(2000, 1500, true);
  const auto fromBelow = arrive(0, 0, true);
  EXPECT_EQ(fromAbove, fromBelow);
  // A plain move from above ends where the play leaves it: by the backlash elsewhere.
  const auto plainFromAbove = arrive(2000, 1500, false);
  EXPECT_EQ(plainFromAbove.first - fromBelow.first, 8);
  EXPECT_EQ(plainFromAbove.second - fromBelow.second, 3);
}

TEST_P(StageOps, JogRunsEachAxisAtItsRateAndStopStopsBoth) {
  EXPECT_EQ(rig.XY().XYJog(100, -200), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/1V100P0R", "/2V200D0R"}, {"XM100", "YM-200"}));
  EXPECT_TRUE(rig.State('X').moving);
  EXPECT_EQ(rig.XY().XYStop(), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/1T", "/2T"}, {"XM0", "YM0"}));
  EXPECT_FALSE(rig.State('X').moving);
  EXPECT_FALSE(rig.State('Y').moving);
}

TEST_P(StageOps, OriginZeroesBothCountersAndJumpsMoveOneJumpSize) {
  ASSERT_EQ(rig.XY().XYMoveAbs(100, 50), 1);
  ASSERT_EQ(rig.XY().XYWait(), 1);
  rig.Frames();
  EXPECT_EQ(rig.XY().XYOrigin(), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/1z0R", "/2z0R"}, {"XO", "YO"}));
  EXPECT_EQ(rig.State('X').counter, 0);
  EXPECT_EQ(rig.State('Y').counter, 0);
  // XYJUMPSIZE 50 microns = 80 microsteps; the axis that does not move gets nothing.
  EXPECT_EQ(rig.XY().XYJump(StageJump::Left), 1);
  EXPECT_EQ(rig.XY().XYWait(), 1);
  EXPECT_EQ(rig.XY().XYJump(StageJump::Forward), 1);
  EXPECT_EQ(rig.XY().XYWait(), 1);
  EXPECT_EQ(rig.XY().XYJump(StageJump::Back), 1);
  EXPECT_EQ(rig.XY().XYWait(), 1);
  EXPECT_EQ(rig.XY().XYJump(StageJump::Right), 1);
  Frames moves;
  for (const std::string& f : rig.Frames()) {
    if (!f.ends_with("Q") && !f.ends_with("^")) moves.push_back(f);
  }
  EXPECT_EQ(moves,
            Expect({"/1D80R", "/2P80R", "/2D80R", "/1P80R"}, {"X-80", "Y+80", "Y-80", "X+80"}));
  EXPECT_EQ(Stage::JumpText(StageJump::Left), "Stage Left");
  EXPECT_EQ(Stage::JumpText(StageJump::Right), "Stage Right");
  EXPECT_EQ(Stage::JumpText(StageJump::Forward), "Stage Forward");
  EXPECT_EQ(Stage::JumpText(StageJump::Back), "Stage Back");
}

TEST_P(StageOps, TravelIsMeasuredBetweenBothLimitsOfEachAxis) {
  double travelX = 0, travelY = 0;
  EXPECT_EQ(rig.XY().XYMeasureTravel(8000, 6000, travelX, travelY), 1);
  // 100 mm and 75 mm of mechanics less the two end sensors (0.1 mm each), less what an IM483I
  // backs off the switches.
  EXPECT_NEAR(travelX, 99800, 200);
  EXPECT_NEAR(travelY, 74800, 200);
  EXPECT_TRUE(rig.State('X').load < 400);  // the low end was last
}

TEST_P(StageOps, AFailedTravelMeasurementGivesMinusOneForBoth) {
  NoReplyFrom('Y');
  double travelX = 0, travelY = 0;
  EXPECT_LT(rig.XY().XYMeasureTravel(8000, 6000, travelX, travelY), 0);
  EXPECT_EQ(travelX, -1.0);
  EXPECT_EQ(travelY, -1.0);
}

TEST_P(StageOps, AJoystickWithoutRangeSendsNothing) {
  EXPECT_EQ(rig.XY().XYJoyJog(10, 10, 0), -1);
  EXPECT_TRUE(rig.Frames().empty());
}

INSTANTIATE_TEST_SUITE_P(Types, BothTypes,
                         ::testing::Values(sim::ControllerType::EZHR17,
                                           sim::ControllerType::IM483I),
                         TypeName);
INSTANTIATE_TEST_SUITE_P(Types, StageOps,
                         ::testing::Values(sim::ControllerType::EZHR17,
                                           sim::ControllerType::IM483I),
                         TypeName);

// --- The joystick curve, one form per controller type ---

TEST(StageJoystick, Im483iSquaresRoundsAndClampsTheDeflection) {
  StageRig rig(sim::ControllerType::IM483I);
  ASSERT_EQ(rig.XY().XYInit(), 1);
  rig.Frames();
  // 10 % of range with 5000 at full scale: rnd(rnd(500) x 0.1) = 50; 1 % of 4000 gives 0, a stop.
  EXPECT_EQ(rig.XY().XYJoyJog(100, 10, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"XM50", "YM0"}));
  // 3 %: rnd(rnd(150) x 0.03) = 4 and rnd(rnd(-120) x 0.03) = -4, raised to 20 and -20.
  EXPECT_EQ(rig.XY().XYJoyJog(30, -30, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"XM20", "YM-20"}));
  EXPECT_EQ(rig.XY().XYJoyJog(-1000, 1000, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"XM-5000", "YM4000"}));
}

TEST(StageJoystick, Ezhr17SmoothsStartsGentlyAndRestoresTheSlewSpeeds) {
  StageRig rig(sim::ControllerType::EZHR17);
  ASSERT_EQ(rig.XY().XYInit(), 1);
  rig.Frames();
  // Standstill: nothing is sent.
  EXPECT_EQ(rig.XY().XYJoyJog(0, 0, 1000), 1);
  EXPECT_TRUE(rig.Frames().empty());
  // 50 microsteps/s wanted: 0.75 x 50 = 37.5; a fifth (7.5 -> 8) first, then 38.
  EXPECT_EQ(rig.XY().XYJoyJog(100, 0, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"/1V8P0R", "/2T", "/1V38P0R", "/2T"}));
  // 0.25 x 37.5 + 0.75 x 50 = 46.875.
  EXPECT_EQ(rig.XY().XYJoyJog(100, 0, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"/1V47P0R", "/2T"}));
  // Back to the centre: both stop and the slew velocities come back.
  EXPECT_EQ(rig.XY().XYJoyJog(0, 0, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"/1T", "/2T", "/1V8000R", "/2V7000R"}));
  EXPECT_EQ(rig.XY().XYJoyJog(0, 0, 1000), 1);
  EXPECT_TRUE(rig.Frames().empty());
}

TEST(StageJoystick, Ezhr17KeepsItsSpeedsWhenACommandFailsSoTheNextCallSendsAgain) {
  StageRig rig(sim::ControllerType::EZHR17);
  ASSERT_EQ(rig.XY().XYInit(), 1);
  sim::Fault once = sim::DefaultFault(sim::FaultKind::NoReply);
  once.count = 1;
  rig.Line().SetFault('1', once);
  rig.Frames();
  EXPECT_LT(rig.XY().XYJoyJog(100, 0, 1000), 0);
  EXPECT_EQ(rig.Frames(), (Frames{"/1V8P0R"}));
  // Still counted as a start from standstill.
  EXPECT_EQ(rig.XY().XYJoyJog(100, 0, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"/1V8P0R", "/2T", "/1V38P0R", "/2T"}));
}

}  // namespace
}  // namespace qv::test
