// The stage and focus device files: every key with its type, rounding and rule, and the
// micron/microstep scales.
#include <gtest/gtest.h>

#include <cmath>

#include "devices/StageParams.h"
#include "tests/devices/StageTestRig.h"

namespace qv::test {
namespace {

class DeviceFiles : public ::testing::Test {
 protected:
  void SetUp() override { trapar.SetParDir(folder.Dir()); }
  std::string Path(const char* file) const { return folder.File(file); }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const RecordedMessage& m : notifier.Messages)
      texts.push_back(m.Text);
    return texts;
  }
  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
};

TEST_F(DeviceFiles, EveryXYKeyIsReadWithItsTypeAndRounding) {
  Keys keys = XYKeys(sim::ControllerType::IM483I);
  keys["XCONTR"] = "  Ab ";     // only the first character of the trimmed value counts
  keys["XMOTORSTEPS"] = "2.5";  // integers round halves to the even neighbour
  keys["YMOTORSTEPS"] = "3.5";
  keys["XSLEWVELOCITY"] = "70000.5";
  keys["XBACKLASH"] = "1.25";
  WriteKeys(Path(kXYFile), keys);
  XYParams p;
  ASSERT_EQ(ReadXYParams(trapar, p), 1);
  EXPECT_TRUE(notifier.Messages.empty());
  EXPECT_EQ(p.X.Contr, 'A');
  EXPECT_EQ(p.Y.Contr, 'Y');
  EXPECT_EQ(p.X.MotorSteps, 2);
  EXPECT_EQ(p.Y.MotorSteps, 4);
  EXPECT_EQ(p.X.SlewVelocity, 70000);
  EXPECT_EQ(p.Y.SlewVelocity, 7000);
  EXPECT_EQ(p.X.Backlash, 1.25);
  EXPECT_EQ(p.Y.Backlash, 2);
  EXPECT_EQ(p.X.ScrewLead, 1);
  EXPECT_EQ(p.X.StepDivide, 3);
  EXPECT_EQ(p.Y.HoldCurrent, 12);
  EXPECT_EQ(p.Y.RunCurrent, 60);
  EXPECT_EQ(p.X.InitVelocity, 400);
  EXPECT_EQ(p.Y.Acceleration, 25);
  EXPECT_EQ(p.Y.Deceleration, 35);
  EXPECT_EQ(p.X.HomeSpeed, -4000);
  EXPECT_EQ(p.Y.JoyMaxSpeed, 4000);
  EXPECT_EQ(p.MoveOut, -800);
  EXPECT_EQ(p.JumpSize, 50);
  EXPECT_EQ(p.OutOfHomeUm, 100);
  EXPECT_EQ(p.JogSpeedLow, 25);
  EXPECT_EQ(p.JogSpeedHigh, 250);
}

TEST_F(DeviceFiles, OptionalXYKeysTakeTheirDefaultsAndDecelerationFollowsAcceleration) {
  Keys keys = XYKeys(sim::ControllerType::EZHR17);
  for (const char* key : {"XINITVELOCITY", "YINITVELOCITY", "XDECELERATION", "YDECELERATION",
                          "XYJOGSPEEDLOW", "XYJOGSPEEDHIGH"})
    keys.erase(key);
  WriteKeys(Path(kXYFile), keys);
  XYParams p;
  ASSERT_EQ(ReadXYParams(trapar, p), 1);
  EXPECT_TRUE(notifier.Messages.empty());
  EXPECT_EQ(p.X.InitVelocity, 1000);
  EXPECT_EQ(p.Y.InitVelocity, 1000);
  EXPECT_EQ(p.X.Deceleration, 20);  // XACCELERATION of the same file
  EXPECT_EQ(p.Y.Deceleration, 25);
  EXPECT_EQ(p.JogSpeedLow, 20);
  EXPECT_EQ(p.JogSpeedHigh, 200);
}

TEST_F(DeviceFiles, MessageKeysAreNamedButDoNotFailTheLoad) {
  Keys keys = XYKeys(sim::ControllerType::EZHR17);
  keys.erase("XYOUTOFHOMEUM");
  keys["XYLIMPOLARITY"] = "1";
  WriteKeys(Path(kXYFile), keys);
  XYParams p;
  p.OutOfHomeUm = 7;
  EXPECT_EQ(ReadXYParams(trapar, p), 1);
  EXPECT_EQ(p.OutOfHomeUm, 0);
  EXPECT_EQ(p.LimPolarity, 1);
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"Parameter XYOUTOFHOMEUM not found in " + Path(kXYFile)});
}

TEST_F(DeviceFiles, MissingRequiredKeysAreEachNamedAndTheRestIsStillRead) {
  Keys keys = XYKeys(sim::ControllerType::EZHR17);
  keys.erase("YSCREWLEAD");
  keys.erase("XYJUMPSIZE");
  WriteKeys(Path(kXYFile), keys);
  XYParams p;
  p.Y.ScrewLead = 9;
  EXPECT_EQ(ReadXYParams(trapar, p), -1);
  EXPECT_EQ(p.Y.ScrewLead, 9);  // keeps its previous value
  EXPECT_EQ(p.Y.JoyMaxSpeed, 4000);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"Parameter YSCREWLEAD not found in " + Path(kXYFile),
                                      "Parameter XYJUMPSIZE not found in " + Path(kXYFile)}));
}

TEST_F(DeviceFiles, AMissingFileFailsAndNamesIt) {
  XYParams xy;
  ZParams z;
  EXPECT_EQ(ReadXYParams(trapar, xy), -1);
  EXPECT_EQ(ReadZParams(trapar, z), -1);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"File " + Path(kXYFile) + " does not exist",
                                                  "File " + Path(kZFile) + " does not exist"}));
}

TEST_F(DeviceFiles, EveryZKeyIsReadAndTheOptionalOnesDefault) {
  WriteKeys(Path(kZFile), ZKeys(sim::ControllerType::EZHR17));
  ZParams p;
  ASSERT_EQ(ReadZParams(trapar, p), 1);
  EXPECT_EQ(p.Contr, '3');
  EXPECT_EQ(p.StrokePerRot, 0.2);
  EXPECT_EQ(p.MotorSteps, 200);
  EXPECT_EQ(p.StepDivide, 4);
  EXPECT_EQ(p.HoldCurrent, 5);
  EXPECT_EQ(p.RunCurrent, 40);
  EXPECT_EQ(p.SlewVelocity, 4000);
  EXPECT_EQ(p.InitVelocity, 300);
  EXPECT_EQ(p.Acceleration, 15);
  EXPECT_EQ(p.Deceleration, 16);
  EXPECT_EQ(p.JogSpeedLow, 10);
  EXPECT_EQ(p.JogSpeedHigh, 100);
  EXPECT_EQ(p.Backlash, 1);
  EXPECT_EQ(p.JumpSize, 1);
  EXPECT_EQ(p.CoarseFactor, 10);
  EXPECT_EQ(p.JoyMaxSpeed, 1000);
  EXPECT_EQ(p.HomeSpeed, -5000);
  EXPECT_EQ(p.PowerUpOrigin, 800);
  EXPECT_EQ(p.LimPolarity, 1);
  EXPECT_EQ(p.EnableLimits, 1);

  Keys keys = ZKeys(sim::ControllerType::EZHR17);
  for (const char* key :
       {"ZJOGSPEEDLOW", "ZJOGSPEEDHIGH", "ZPOWERUPORIGIN", "ZLIMPOLARITY", "ZENABLELIMITS"})
    keys.erase(key);
  WriteKeys(Path(kZFile), keys);
  ASSERT_EQ(ReadZParams(trapar, p), 1);
  EXPECT_TRUE(notifier.Messages.empty());
  EXPECT_EQ(p.JogSpeedLow, 0);
  EXPECT_EQ(p.JogSpeedHigh, 0);
  EXPECT_EQ(p.PowerUpOrigin, 0);
  EXPECT_EQ(p.LimPolarity, 0);
  EXPECT_EQ(p.EnableLimits, 0);
}

TEST_F(DeviceFiles, ZInitVelocityAndDecelerationAreRequiredAndBadNumbersFail) {
  Keys keys = ZKeys(sim::ControllerType::EZHR17);
  keys.erase("ZINITVELOCITY");
  keys.erase("ZDECELERATION");
  WriteKeys(Path(kZFile), keys);
  ZParams p;
  EXPECT_EQ(ReadZParams(trapar, p), -1);
  EXPECT_EQ(notifier.Messages.size(), 2u);

  keys = ZKeys(sim::ControllerType::EZHR17);
  keys["ZMOTORSTEPS"] = "40000";  // does not fit 16 bits
  WriteKeys(Path(kZFile), keys);
  EXPECT_EQ(ReadZParams(trapar, p), -1);
}

TEST(Scale, MicronsPerMicrostep) {
  EXPECT_DOUBLE_EQ(UmPerStep(1, 200, 3), 0.625);
  EXPECT_DOUBLE_EQ(UmPerStep(0.2, 200, 4), 0.0625);
  EXPECT_TRUE(UsableScale(UmPerStep(1, 200, 3)));
  EXPECT_FALSE(UsableScale(UmPerStep(1, 0, 3)));       // no motor steps
  EXPECT_FALSE(UsableScale(UmPerStep(0, 200, 3)));     // no lead
  EXPECT_FALSE(UsableScale(UmPerStep(-1, 200, 3)));    // a negative lead
  EXPECT_FALSE(UsableScale(UmPerStep(1, 200, 2000)));  // an absurd divide
}

}  // namespace
}  // namespace qv::test
