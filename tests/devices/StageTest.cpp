// The XY stage and the Z focus on simulated controllers of both types: the bytes of their
// initialisation, jumps and focus steps, failures, and the joystick curves. Moves, reads, the
// backlash approach and their frames are transcripts (tests/transcripts/commands/, specimen/).
#include <gtest/gtest.h>

#include "devices/JoySpeed.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

using StageInit = RigTypes;

TEST_P(StageInit, AppliesEveryParameterXCompletelyThenYAndReadsThePosition) {
  EXPECT_EQ(rig.XY().XYInit(), 1);
  EXPECT_EQ(rig.Take(),
            Expect({"/1j8R", "/1h10m50R", "/1V8000R", "/1L20R",    "/1f0R",    "/1n2R",  "/1n3R",
                    "/1P1R", "/1D1R",     "/2j8R",    "/2h12m60R", "/2V7000R", "/2L25R", "/2f0R",
                    "/2n3R", "/2n3R",     "/2P1R",    "/2D1R",     "/1?0",     "/2?0"},
                   {"XH 0",      "XD 3",    "XY 10 50", "XV 8000",  "XI 400",    "XK 20 30",
                    "XB 25 250", "Xl 0",    "X+1",      "X-1",      "YH 0",      "YD 3",
                    "YY 12 60",  "YV 7000", "YI 500",   "YK 25 35", "YB 25 250", "Yl 0",
                    "Y+1",       "Y-1",     "XZ",       "YZ"}));
}

TEST_P(StageInit, StopsAtTheFirstSettingAUnitDoesNotAnswer) {
  rig.Fault('Y');
  EXPECT_EQ(rig.XY().XYInit(), -1);
  const Frames frames = rig.Take();
  ASSERT_EQ(frames.size(), rig.Ez() ? 10u : 12u);  // X completely, then Y's first setting
  EXPECT_EQ(frames.back(), rig.Ez() ? "/2j8R" : "YD 3");
  rig.Fault('Z');
  EXPECT_EQ(rig.Z().ZInit(), -1);
  EXPECT_EQ(rig.Take().size(), rig.Ez() ? 1u : 2u);
}

// The focus gets its settings, then an origin by the count it finds: a powered-up controller
// (count 0) the power-up origin, one that kept its count none. An IM483I can only zero its
// counter, so its origin is the count 0 there.
TEST_P(StageInit, TheFocusGetsItsSettingsThenAnOriginByTheCountItFinds) {
  EXPECT_EQ(rig.Z().ZInit(), 1);
  EXPECT_EQ(rig.Take(), Expect({"/3j16R", "/3h5m40R", "/3V4000R", "/3L15R", "/3?0", "/3P1R",
                                "/3z800R", "/3f1R", "/3n2R", "/3n3R", "/3?0"},
                               {"ZH 0", "ZD 4", "ZY 5 40", "ZV 4000", "ZI 300", "ZK 15 16",
                                "ZB 10 100", "ZZ", "Z+1", "ZO", "Zl 1", "ZZ"}));
  // The mode word is one for all units: a fresh rig, so that the focus's are sent as above.
  const size_t settings = rig.Ez() ? 4 : 7;
  Rig kept(GetParam());
  kept.Unit('Z').GetAxis().SetCounter(960, kept.clock.Now());
  EXPECT_EQ(kept.Z().ZInit(), 1);
  Frames frames = kept.Take();
  EXPECT_EQ(Frames(frames.begin() + settings, frames.end()),
            Expect({"/3?0", "/3f1R", "/3n2R", "/3n3R", "/3?0"}, {"ZZ", "Zl 1", "ZZ"}));
  EXPECT_DOUBLE_EQ(kept.Z().Z(), 10);  // (960 - 800) x 0.0625
  // A count that cannot be read is no count of 0: the init fails and no origin is set. (The
  // settings' replies carry no number the fault could take.)
  kept.Fault('Z', sim::FaultKind::NoNumber);
  EXPECT_EQ(kept.Z().ZInit(), -1);
  EXPECT_EQ(kept.Take().back(), kept.Ez() ? "/3?0" : "ZZ");
  // Without a power-up origin the motor is energised by a step out and back.
  Rig plain(GetParam());
  plain.Set("Z", "ZPOWERUPORIGIN", "0");
  plain.Set("Z", "ZENABLELIMITS", "0");
  EXPECT_EQ(plain.Z().ZInit(), 1);
  frames = plain.Take();
  EXPECT_EQ(
      Frames(frames.begin() + settings, frames.end()),
      Expect({"/3P1R", "/3D1R", "/3f1R", "/3n0R", "/3n1R", "/3?0"}, {"Z+1", "Z-1", "Zl 1", "ZZ"}));
}

class StageOps : public RigTypes {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.XY().XYInit(), 1);
    ASSERT_EQ(rig.Z().ZInit(), 1);
    rig.Take();
  }
};

TEST_P(StageOps, FailedReadsLeaveTheValuesAlone) {
  ASSERT_EQ(rig.XY().XYMoveAbs(100, 50), 1);
  ASSERT_EQ(rig.XY().XYWait(), 1);
  rig.Fault('Y');
  double x = -7, y = -8;
  EXPECT_EQ(rig.XY().XYReadPos(x, y), -1);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(-7.0, -8.0));
  EXPECT_EQ(rig.XY().X(), 0);  // the last good read, at initialisation
  double travelX = 0, travelY = 0;
  EXPECT_LT(rig.XY().XYMeasureTravel(8000, 6000, travelX, travelY), 0);
  EXPECT_EQ(std::make_pair(travelX, travelY), std::make_pair(-1.0, -1.0));
  rig.Fault('Z');
  double z = 3;
  EXPECT_EQ(rig.Z().ZReadPos(z), -1);
  EXPECT_EQ(z, 3);
}

TEST_P(StageOps, JumpsAndFocusStepsMoveByTheirSizes) {
  // XYJUMPSIZE 50 microns = 80 microsteps; the axis that does not move gets nothing.
  for (StageJump jump : {StageJump::Left, StageJump::Forward, StageJump::Back, StageJump::Right}) {
    EXPECT_EQ(rig.XY().XYJump(jump), 1);
    EXPECT_EQ(rig.XY().XYWait(), 1);
  }
  EXPECT_EQ(Commands(rig.Take()),
            Expect({"/1D80R", "/2P80R", "/2D80R", "/1P80R"}, {"X-80", "Y+80", "Y-80", "X+80"}));
  // ZJUMPSIZE 1 micron = 16 microsteps; ZCOARSEFACTOR 10.
  for (FocusStep step :
       {FocusStep::UpCoarse, FocusStep::DownFine, FocusStep::DownCoarse, FocusStep::UpFine}) {
    EXPECT_EQ(rig.Z().ZStepMove(step), 1);
    EXPECT_EQ(rig.Z().ZWait(), 1);
  }
  EXPECT_EQ(Commands(rig.Take()),
            Expect({"/3D160R", "/3P16R", "/3P160R", "/3D16R"}, {"Z-160", "Z+16", "Z+160", "Z-16"}));
}

QV_ON_BOTH_TYPES(StageInit);
QV_ON_BOTH_TYPES(StageOps);

// --- The joystick curves, one form per controller type ---

TEST(StageJoystick, Im483iSquaresRoundsAndClampsTheDeflection) {
  Rig rig(ControllerType::IM483I);
  rig.Set("Z", "ZJOYMAXSPEED", "25000");
  ASSERT_EQ(rig.XY().XYInit(), 1);
  ASSERT_EQ(rig.Z().ZInit(), 1);
  rig.Take();
  EXPECT_EQ(rig.XY().XYJoyJog(10, 10, 0), -1);  // a joystick without range sends nothing
  EXPECT_EQ(rig.Z().ZJoyJog(5, 0), -1);
  // 10 % of range with 5000 at full scale: rnd(rnd(500) x 0.1) = 50; 1 % of 4000 gives 0, a stop.
  EXPECT_EQ(rig.XY().XYJoyJog(100, 10, 1000), 1);
  // 3 %: rnd(rnd(150) x 0.03) = 4 and rnd(rnd(-120) x 0.03) = -4, raised to 20 and -20.
  EXPECT_EQ(rig.XY().XYJoyJog(30, -30, 1000), 1);
  EXPECT_EQ(rig.XY().XYJoyJog(-1000, 1000, 1000), 1);
  EXPECT_EQ(rig.Take(), (Frames{"XM50", "YM0", "XM20", "YM-20", "XM-5000", "YM4000"}));
  // Z: rnd(1) = 1 raised to 20; 25000 held to 20000; a stop is always sent.
  for (double deflection : {0.04, -0.04, 1000.0, 0.0, 0.0})
    EXPECT_EQ(rig.Z().ZJoyJog(deflection, 1000), 1);
  EXPECT_EQ(rig.Take(), (Frames{"ZM20", "ZM-20", "ZM20000", "ZM0", "ZM0"}));
}

TEST(StageJoystick, Ezhr17SmoothsStartsGentlyAndRestoresTheSlewSpeeds) {
  Rig rig(ControllerType::EZHR17);
  ASSERT_EQ(rig.XY().XYInit(), 1);
  ASSERT_EQ(rig.Z().ZInit(), 1);
  rig.Take();
  const std::pair<int, Frames> steps[] = {
      {0, {}},  // standstill: nothing is sent
      // 50 microsteps/s wanted: 0.75 x 50 = 37.5; a fifth (7.5 -> 8) first, then 38.
      {100, {"/1V8P0R", "/2T", "/1V38P0R", "/2T"}},
      {100, {"/1V47P0R", "/2T"}},  // 0.25 x 37.5 + 0.75 x 50 = 46.875
      {0, {"/1T", "/2T", "/1V8000R", "/2V7000R"}},
      {0, {}}};
  for (const auto& [x, frames] : steps) {
    EXPECT_EQ(rig.XY().XYJoyJog(x, 0, 1000), 1);
    EXPECT_EQ(rig.Take(), frames);
  }
  // Z sends changes only: 0.1 % of 1000 is 1, not clamped; a stop from standstill sends nothing.
  for (double deflection : {0.0, 1.0, -500.0, 0.0, 0.0})
    EXPECT_EQ(rig.Z().ZJoyJog(deflection, 1000), 1);
  EXPECT_EQ(rig.Take(), (Frames{"/3V1P0R", "/3V500D0R", "/3T", "/3V4000R"}));
}

TEST(StageJoystick, Ezhr17KeepsItsSpeedsWhenACommandFailsSoTheNextCallSendsAgain) {
  Rig rig(ControllerType::EZHR17);
  ASSERT_EQ(rig.XY().XYInit(), 1);
  rig.Fault('X', sim::FaultKind::NoReply, 1);
  rig.Take();
  EXPECT_LT(rig.XY().XYJoyJog(100, 0, 1000), 0);
  EXPECT_EQ(rig.Take(), (Frames{"/1V8P0R"}));
  EXPECT_EQ(rig.XY().XYJoyJog(100, 0, 1000), 1);  // still a start from standstill
  EXPECT_EQ(rig.Take(), (Frames{"/1V8P0R", "/2T", "/1V38P0R", "/2T"}));
}

// What the curves above leave out: the far ends, negative deflections and rounding.
TEST(StageJoystick, SpeedsAreClampedRoundedAndKeepTheirSign) {
  EXPECT_EQ(ClampImsSpeed(-30000), -20000);
  EXPECT_EQ(ImsSquaredJoySpeed(-1000, 40000, 1000), -20000);
  EXPECT_DOUBLE_EQ(SquaredJoySpeed(-100, 5000, 1000), -50);
  EXPECT_EQ(LinearJoySpeed(2.5, 1, 1), 2);  // halves to even
  EXPECT_EQ(RoundToInt32Saturated(1e300), 2147483647);
  EXPECT_EQ(RoundToInt32Saturated(-1e300), -2147483647 - 1);
  EXPECT_FALSE(UsableJoyRange(-1));
}

}  // namespace
}  // namespace qv::test
