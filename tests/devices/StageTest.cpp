// The XY stage on simulated controllers of both types: initialisation bytes, moves and their
// unit conversion, the backlash approach, jogging and the joystick curve, travel measurement.
#include <gtest/gtest.h>

#include "devices/Stage.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

using StageInit = StageTypes;

class StageOps : public StageTypes {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.XY().XYInit(), 1);
    rig.Frames();
  }
  void MoveAndWait(double x, double y) {
    ASSERT_EQ(rig.XY().XYMoveAbs(x, y), 1);
    ASSERT_EQ(rig.XY().XYWait(), 1);
  }
};

TEST_P(StageInit, AppliesEveryParameterXCompletelyThenYAndReadsThePosition) {
  EXPECT_EQ(rig.XY().XYInit(), 1);
  EXPECT_EQ(rig.Frames(),
            Expect({"/1j8R", "/1h10m50R", "/1V8000R", "/1L20R",    "/1f0R",    "/1n2R",  "/1n3R",
                    "/1P1R", "/1D1R",     "/2j8R",    "/2h12m60R", "/2V7000R", "/2L25R", "/2f0R",
                    "/2n3R", "/2n3R",     "/2P1R",    "/2D1R",     "/1?0",     "/2?0"},
                   {"XH 0",      "XD 3",    "XY 10 50", "XV 8000",  "XI 400",    "XK 20 30",
                    "XB 25 250", "Xl 0",    "X+1",      "X-1",      "YH 0",      "YD 3",
                    "YY 12 60",  "YV 7000", "YI 500",   "YK 25 35", "YB 25 250", "Yl 0",
                    "Y+1",       "Y-1",     "XZ",       "YZ"}));
  EXPECT_DOUBLE_EQ(rig.XY().XUmPerStep(), 0.625);
  EXPECT_DOUBLE_EQ(rig.XY().YUmPerStep(), 0.625);
  EXPECT_EQ(rig.State('X').counter, 0);  // the energising steps leave the counters alone
  EXPECT_EQ(rig.State('Y').counter, 0);
}

TEST_P(StageInit, StopsAtTheFirstSettingAUnitDoesNotAnswer) {
  rig.NoReply('Y');
  EXPECT_EQ(rig.XY().XYInit(), -1);
  const Frames frames = rig.Frames();
  ASSERT_EQ(frames.size(), rig.Ez() ? 10u : 12u);  // X completely, then Y's first setting
  EXPECT_EQ(frames.back(), rig.Ez() ? "/2j8R" : "YD 3");
}

TEST_P(StageInit, AFileWithoutUsableScaleOrARequiredKeySendsNothing) {
  rig.xy["YMOTORSTEPS"] = "0";
  EXPECT_EQ(rig.XY().XYInit(), -1);
  EXPECT_EQ(rig.Notifier().LastText(), "YSCREWLEAD, YMOTORSTEPS and YSTEPDIVIDE in " +
                                           rig.File("QV_PARXY.TXT") +
                                           " give no usable microns per microstep");
  StageRig negative(GetParam());
  negative.xy["XSCREWLEAD"] = "-1";
  EXPECT_EQ(negative.XY().XYInit(), -1);
  EXPECT_EQ(negative.Notifier().LastText(), "XSCREWLEAD, XMOTORSTEPS and XSTEPDIVIDE in " +
                                                negative.File("QV_PARXY.TXT") +
                                                " give no usable microns per microstep");
  EXPECT_TRUE(negative.Frames().empty());
  StageRig missing(GetParam());
  missing.xy.erase("XHOMESPEED");
  EXPECT_EQ(missing.XY().XYInit(), -1);
  EXPECT_TRUE(rig.Frames().empty());
  EXPECT_TRUE(missing.Frames().empty());
}

TEST_P(StageOps, MovesConvertMicronsToMicrostepsWithTheAxisScale) {
  EXPECT_EQ(rig.XY().XYMoveRel(10, -10), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/1P16R", "/2D16R"}, {"X+16", "Y-16"}));
  EXPECT_EQ(rig.XY().XYWait(), 1);
  rig.Frames();
  EXPECT_EQ(rig.XY().XYMoveAbs(100, 50), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/1A160R", "/2A80R"}, {"XR+160", "YR+80"}));
  EXPECT_EQ(rig.XY().XYWait(), 1);
  double x = 0, y = 0;
  EXPECT_EQ(rig.XY().XYReadPos(x, y), 1);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(100.0, 50.0));
  EXPECT_EQ(std::make_pair(rig.XY().X(), rig.XY().Y()), std::make_pair(100.0, 50.0));
  EXPECT_EQ(rig.State('X').counter, 160);
  EXPECT_EQ(rig.State('Y').counter, 80);
}

TEST_P(StageOps, FailuresStopAtTheFailingAxisAndLeaveValuesAlone) {
  MoveAndWait(100, 50);
  // An answer without a number is no position either.
  rig.Fault('X', sim::FaultKind::NoNumber, 1);
  double x = -7, y = -8;
  EXPECT_EQ(rig.XY().XYReadPos(x, y), -1);
  rig.NoReply('Y');
  EXPECT_EQ(rig.XY().XYReadPos(x, y), -1);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(-7.0, -8.0));
  EXPECT_EQ(rig.XY().X(), 0);  // the last good read, at initialisation
  double travelX = 0, travelY = 0;
  EXPECT_LT(rig.XY().XYMeasureTravel(8000, 6000, travelX, travelY), 0);
  EXPECT_EQ(std::make_pair(travelX, travelY), std::make_pair(-1.0, -1.0));
  rig.NoReply('X');
  rig.Frames();
  EXPECT_EQ(rig.XY().XYMoveRel(10, 10), -1);
  EXPECT_EQ(rig.Frames(), Expect({"/1P16R"}, {"X+16"}));  // Y is not sent
  EXPECT_EQ(rig.XY().XYMoveAbs(10, 10), -1);
  EXPECT_EQ(rig.XY().XYOrigin(), -1);
  EXPECT_EQ(rig.XY().XYJog(10, 10), -1);
}

TEST_P(StageOps, TheBacklashApproachComesFromFourBacklashesBelowAndWaitsForIt) {
  EXPECT_EQ(rig.XY().XYMoveAbsBacklash(1000, 500), 1);
  const Frames raw = rig.Frames();
  const Frames frames = Commands(raw);
  // (980, 492) first: 1568 and 787.2 microsteps; then (1000, 500) without waiting.
  EXPECT_EQ(frames, Expect({"/1A1568R", "/2A787R", "/1A1600R", "/2A800R"},
                           {"XR+1568", "YR+787", "XR+1600", "YR+800"}));
  EXPECT_GT(raw.size(), frames.size());  // polls of the approach
  EXPECT_EQ(raw.back(), frames.back());  // none of the final move
}

TEST_P(StageOps, TheBacklashApproachReachesTheSameMechanicalPlaceFromEitherSide) {
  // The simulated stage loses 8 microsteps (X, 5 microns) and 3 (Y, 2 microns) on a reversal.
  auto arrive = [&](double fromX, double fromY, bool backlash) {
    MoveAndWait(fromX, fromY);
    EXPECT_EQ(backlash ? rig.XY().XYMoveAbsBacklash(1000, 500) : rig.XY().XYMoveAbs(1000, 500), 1);
    EXPECT_EQ(rig.XY().XYWait(), 1);
    EXPECT_EQ(rig.State('X').counter, 1600);
    return std::make_pair(rig.State('X').load, rig.State('Y').load);
  };
  const auto fromAbove = arrive(2000, 1500, true);
  const auto fromBelow = arrive(0, 0, true);
  EXPECT_EQ(fromAbove, fromBelow);
  const auto plainFromAbove = arrive(2000, 1500, false);
  EXPECT_EQ(plainFromAbove.first - fromBelow.first, 8);
  EXPECT_EQ(plainFromAbove.second - fromBelow.second, 3);
}

TEST_P(StageOps, JogStopOriginAndJumps) {
  EXPECT_EQ(rig.XY().XYJog(100, -200), 1);
  EXPECT_TRUE(rig.State('X').moving);
  EXPECT_EQ(rig.XY().XYStop(), 1);
  EXPECT_FALSE(rig.State('X').moving);
  EXPECT_FALSE(rig.State('Y').moving);
  EXPECT_EQ(rig.Frames(),
            Expect({"/1V100P0R", "/2V200D0R", "/1T", "/2T"}, {"XM100", "YM-200", "XM0", "YM0"}));
  MoveAndWait(100, 50);
  rig.Frames();
  EXPECT_EQ(rig.XY().XYOrigin(), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/1z0R", "/2z0R"}, {"XO", "YO"}));
  EXPECT_EQ(rig.State('X').counter, 0);
  EXPECT_EQ(rig.State('Y').counter, 0);
  // XYJUMPSIZE 50 microns = 80 microsteps; the axis that does not move gets nothing.
  const std::pair<StageJump, const char*> jumps[] = {{StageJump::Left, "Stage Left"},
                                                     {StageJump::Forward, "Stage Forward"},
                                                     {StageJump::Back, "Stage Back"},
                                                     {StageJump::Right, "Stage Right"}};
  for (const auto& [jump, text] : jumps) {
    EXPECT_EQ(rig.XY().XYJump(jump), 1);
    EXPECT_EQ(rig.XY().XYWait(), 1);
    EXPECT_EQ(Stage::JumpText(jump), text);
  }
  EXPECT_EQ(Commands(rig.Frames()),
            Expect({"/1D80R", "/2P80R", "/2D80R", "/1P80R"}, {"X-80", "Y+80", "Y-80", "X+80"}));
}

TEST_P(StageOps, TravelIsMeasuredBetweenBothLimitsOfEachAxis) {
  double travelX = 0, travelY = 0;
  EXPECT_EQ(rig.XY().XYMeasureTravel(8000, 6000, travelX, travelY), 1);
  // 100 and 75 mm less the two end sensors (0.1 mm each), less an IM483I's back-off.
  EXPECT_NEAR(travelX, 99800, 200);
  EXPECT_NEAR(travelY, 74800, 200);
  EXPECT_LT(rig.State('X').load, 400);  // the low end was last
  rig.Frames();
  EXPECT_EQ(rig.XY().XYJoyJog(10, 10, 0), -1);  // a joystick without range sends nothing
  EXPECT_TRUE(rig.Frames().empty());
}

QV_ON_BOTH_TYPES(StageInit);
QV_ON_BOTH_TYPES(StageOps);

// --- The joystick curve, one form per controller type ---

TEST(StageJoystick, Im483iSquaresRoundsAndClampsTheDeflection) {
  StageRig rig(ControllerType::IM483I);
  ASSERT_EQ(rig.XY().XYInit(), 1);
  rig.Frames();
  // 10 % of range with 5000 at full scale: rnd(rnd(500) x 0.1) = 50; 1 % of 4000 gives 0, a stop.
  EXPECT_EQ(rig.XY().XYJoyJog(100, 10, 1000), 1);
  // 3 %: rnd(rnd(150) x 0.03) = 4 and rnd(rnd(-120) x 0.03) = -4, raised to 20 and -20.
  EXPECT_EQ(rig.XY().XYJoyJog(30, -30, 1000), 1);
  EXPECT_EQ(rig.XY().XYJoyJog(-1000, 1000, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"XM50", "YM0", "XM20", "YM-20", "XM-5000", "YM4000"}));
}

TEST(StageJoystick, Ezhr17SmoothsStartsGentlyAndRestoresTheSlewSpeeds) {
  StageRig rig(ControllerType::EZHR17);
  ASSERT_EQ(rig.XY().XYInit(), 1);
  rig.Frames();
  const std::pair<int, Frames> steps[] = {
      {0, {}},  // standstill: nothing is sent
      // 50 microsteps/s wanted: 0.75 x 50 = 37.5; a fifth (7.5 -> 8) first, then 38.
      {100, {"/1V8P0R", "/2T", "/1V38P0R", "/2T"}},
      {100, {"/1V47P0R", "/2T"}},  // 0.25 x 37.5 + 0.75 x 50 = 46.875
      {0, {"/1T", "/2T", "/1V8000R", "/2V7000R"}},
      {0, {}}};
  for (const auto& [x, frames] : steps) {
    EXPECT_EQ(rig.XY().XYJoyJog(x, 0, 1000), 1);
    EXPECT_EQ(rig.Frames(), frames);
  }
}

TEST(StageJoystick, Ezhr17KeepsItsSpeedsWhenACommandFailsSoTheNextCallSendsAgain) {
  StageRig rig(ControllerType::EZHR17);
  ASSERT_EQ(rig.XY().XYInit(), 1);
  sim::Fault once = sim::DefaultFault(sim::FaultKind::NoReply);
  once.count = 1;
  rig.Line().SetFault('1', once);
  rig.Frames();
  EXPECT_LT(rig.XY().XYJoyJog(100, 0, 1000), 0);
  EXPECT_EQ(rig.Frames(), (Frames{"/1V8P0R"}));
  EXPECT_EQ(rig.XY().XYJoyJog(100, 0, 1000), 1);  // still a start from standstill
  EXPECT_EQ(rig.Frames(), (Frames{"/1V8P0R", "/2T", "/1V38P0R", "/2T"}));
}

}  // namespace
}  // namespace qv::test
