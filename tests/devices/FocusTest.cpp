// The Z focus on simulated controllers of both types: initialisation with the power-up origin,
// moves relative to that origin, homing onto the limit, jogging and the joystick speed.
#include <gtest/gtest.h>

#include "devices/Focus.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

using FocusInit = StageTypes;

class FocusOps : public StageTypes {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.Z().ZInit(), 1);
    // A controller that kept its count: Z = (count - 800) x 0.0625.
    rig.Unit('Z').GetAxis().SetCounter(800, rig.Clock().Now());
    rig.Frames();
  }
};

TEST_P(FocusInit, APoweredUpControllerGetsThePowerUpOrigin) {
  EXPECT_EQ(rig.Z().ZInit(), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/3j16R", "/3h5m40R", "/3V4000R", "/3L15R", "/3?0", "/3P1R",
                                  "/3z800R", "/3f1R", "/3n2R", "/3n3R", "/3?0"},
                                 {"ZH 0", "ZD 4", "ZY 5 40", "ZV 4000", "ZI 300", "ZK 15 16",
                                  "ZB 10 100", "ZZ", "Z+1", "ZO", "Zl 1", "ZZ"}));
  EXPECT_DOUBLE_EQ(rig.Z().ZUmPerStep(), 0.0625);
  // An IM483I can only zero its counter, so its origin is the count 0 there.
  EXPECT_DOUBLE_EQ(rig.Z().Z(), rig.Ez() ? 0 : -50);
}

TEST_P(FocusInit, AControllerThatKeptItsCountKeepsIt) {
  rig.Unit('Z').GetAxis().SetCounter(960, rig.Clock().Now());
  EXPECT_EQ(rig.Z().ZInit(), 1);
  const Frames frames = rig.Frames();
  EXPECT_EQ(Frames(frames.begin() + (rig.Ez() ? 4 : 7), frames.end()),
            Expect({"/3?0", "/3f1R", "/3n2R", "/3n3R", "/3?0"}, {"ZZ", "Zl 1", "ZZ"}));
  EXPECT_EQ(rig.State('Z').counter, 960);
  EXPECT_DOUBLE_EQ(rig.Z().Z(), 10);  // (960 - 800) x 0.0625
  // A count that cannot be read is no count of 0: the init fails and no origin is set. (The
  // settings' replies carry no number the fault could take.)
  rig.Fault('Z', sim::FaultKind::NoNumber);
  EXPECT_EQ(rig.Z().ZInit(), -1);
  EXPECT_EQ(rig.Frames().back(), rig.Ez() ? "/3?0" : "ZZ");
  EXPECT_EQ(rig.State('Z').counter, 960);
}

TEST_P(FocusInit, WithoutAPowerUpOriginTheMotorIsEnergisedByAStepOutAndBack) {
  rig.z["ZPOWERUPORIGIN"] = "0";
  rig.z["ZENABLELIMITS"] = "0";
  EXPECT_EQ(rig.Z().ZInit(), 1);
  const Frames frames = rig.Frames();
  EXPECT_EQ(
      Frames(frames.begin() + (rig.Ez() ? 4 : 7), frames.end()),
      Expect({"/3P1R", "/3D1R", "/3f1R", "/3n0R", "/3n1R", "/3?0"}, {"Z+1", "Z-1", "Zl 1", "ZZ"}));
  EXPECT_EQ(rig.State('Z').counter, 0);
}

TEST_P(FocusInit, ASilentControllerOrAnUnusableScaleFailsTheInit) {
  for (const auto& [key, value] : {std::pair{"ZSTROKEPERROT", "0"}, {"ZMOTORSTEPS", "-200"}}) {
    StageRig bad(GetParam());
    bad.z[key] = value;
    EXPECT_EQ(bad.Z().ZInit(), -1);
    EXPECT_TRUE(bad.Frames().empty());
    EXPECT_EQ(bad.Notifier().LastText(), "ZSTROKEPERROT, ZMOTORSTEPS and ZSTEPDIVIDE in " +
                                             bad.File("QV_PARZ.TXT") +
                                             " give no usable microns per microstep");
  }
  StageRig silent(GetParam());
  silent.NoReply('Z');
  EXPECT_EQ(silent.Z().ZInit(), -1);
  EXPECT_EQ(silent.Frames().size(), silent.Ez() ? 1u : 2u);
}

TEST_P(FocusOps, PositionsCountFromThePowerUpOriginAndASilentUnitLeavesTheValue) {
  EXPECT_EQ(rig.Z().ZMoveAbs(10), 1);
  EXPECT_EQ(rig.Frames(), Expect({"/3A960R"}, {"ZR+960"}));
  EXPECT_EQ(rig.Z().ZWait(), 1);
  double z = 0;
  EXPECT_EQ(rig.Z().ZReadPos(z), 1);
  EXPECT_DOUBLE_EQ(z, 10);
  EXPECT_EQ(rig.State('Z').counter, 960);
  EXPECT_EQ(rig.Z().ZMoveRel(-2.5), 1);
  EXPECT_EQ(Commands(rig.Frames()), Expect({"/3?0", "/3D40R"}, {"ZZ", "Z-40"}));
  EXPECT_EQ(rig.Z().ZWait(), 1);
  rig.Frames();
  rig.NoReply('Z');
  EXPECT_EQ(rig.Z().ZReadPos(z), -1);
  EXPECT_EQ(z, 10);
  EXPECT_LT(rig.Z().ZMoveRel(1), 0);
}

TEST_P(FocusOps, FocusStepsAreFineOrCoarseDownOrUp) {
  // ZJUMPSIZE 1 micron = 16 microsteps; ZCOARSEFACTOR 10.
  const std::pair<FocusStep, const char*> steps[] = {{FocusStep::UpCoarse, "Up Coarse"},
                                                     {FocusStep::DownFine, "Down Fine"},
                                                     {FocusStep::DownCoarse, "Down Coarse"},
                                                     {FocusStep::UpFine, "Up Fine"}};
  for (const auto& [step, text] : steps) {
    EXPECT_EQ(rig.Z().ZStepMove(step), 1);
    EXPECT_EQ(rig.Z().ZWait(), 1);
    EXPECT_EQ(Focus::StepText(step), text);
  }
  EXPECT_EQ(Commands(rig.Frames()),
            Expect({"/3D160R", "/3P16R", "/3P160R", "/3D16R"}, {"Z-160", "Z+16", "Z+160", "Z-16"}));
}

TEST_P(FocusOps, OriginJogStopAndAJoystickWithoutRange) {
  EXPECT_EQ(rig.Z().ZOrigin(), 1);
  EXPECT_EQ(rig.Z().ZJog(-300), 1);
  EXPECT_TRUE(rig.State('Z').moving);
  EXPECT_EQ(rig.Z().ZStop(), 1);
  EXPECT_FALSE(rig.State('Z').moving);
  EXPECT_EQ(rig.Z().ZJoyJog(5, 0), -1);
  EXPECT_EQ(rig.Frames(), Expect({"/3z800R", "/3V300D0R", "/3T"}, {"ZO", "ZM-300", "ZM0"}));
}

TEST_P(FocusOps, HomeDrivesToTheLimitAndSetsTheOrigin) {
  EXPECT_EQ(rig.Z().ZHome(), 1);
  const sim::UnitState s = rig.State('Z');
  EXPECT_EQ(s.counter, rig.Ez() ? 800 : 0);
  // At the low end sensor (0.1 mm = 1600 microsteps wide), where the negative speed leads.
  EXPECT_GE(s.load, 1600);
  EXPECT_LT(s.load, 1800);
  EXPECT_FALSE(s.moving);
  EXPECT_EQ(rig.Frames().back(), rig.Ez() ? "/3z800R" : "ZO");
}

TEST_P(FocusInit, HomeFailsWhenNoLimitIsFoundButStillSetsTheOrigin) {
  rig.KillSensor('Z', sim::Sensor::Low);
  rig.KillSensor('Z', sim::Sensor::High);
  ASSERT_EQ(rig.Z().ZInit(), 1);
  rig.Mot().MotorSetMoveTimeout(5);
  rig.Frames();
  EXPECT_EQ(rig.Z().ZHome(), -1);
  EXPECT_EQ(rig.Frames().back(), rig.Ez() ? "/3z800R" : "ZO");
}

QV_ON_BOTH_TYPES(FocusInit);
QV_ON_BOTH_TYPES(FocusOps);

TEST(FocusJoystick, Im483iClampsEveryNonZeroSpeed) {
  StageRig rig(ControllerType::IM483I);
  rig.z["ZJOYMAXSPEED"] = "25000";
  ASSERT_EQ(rig.Z().ZInit(), 1);
  rig.Frames();
  // rnd(1) = 1 raised to 20; 25000 held to 20000; a stop is always sent.
  for (double deflection : {0.04, -0.04, 1000.0, 0.0, 0.0})
    EXPECT_EQ(rig.Z().ZJoyJog(deflection, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"ZM20", "ZM-20", "ZM20000", "ZM0", "ZM0"}));
}

TEST(FocusJoystick, Ezhr17SendsChangesOnlyAndRestoresTheSlewSpeed) {
  StageRig rig(ControllerType::EZHR17);
  ASSERT_EQ(rig.Z().ZInit(), 1);
  rig.Frames();
  // 0.1 % of 1000 is 1, not clamped; a stop from standstill sends nothing.
  for (double deflection : {0.0, 1.0, -500.0, 0.0, 0.0})
    EXPECT_EQ(rig.Z().ZJoyJog(deflection, 1000), 1);
  EXPECT_EQ(rig.Frames(), (Frames{"/3V1P0R", "/3V500D0R", "/3T", "/3V4000R"}));
}

}  // namespace
}  // namespace qv::test
