// The stage and focus device files: every key with its type, rounding and rule, and the
// micron/microstep scales.
#include <gtest/gtest.h>

#include "devices/AxisScale.h"
#include "devices/StageParams.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

using Values = std::vector<double>;

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
  std::string NotFound(const char* key, const char* file) const {
    return std::string("Parameter ") + key + " not found in " + Path(file);
  }
  Keys KeysWithout(Keys keys, std::initializer_list<const char*> gone) {
    for (const char* key : gone)
      keys.erase(key);
    return keys;
  }
  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
};

TEST_F(DeviceFiles, EveryXYKeyIsReadWithItsTypeAndRounding) {
  Keys keys = XYKeys(ControllerType::IM483I);
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
  EXPECT_EQ(
      Numbers(p.X.MotorSteps, p.Y.MotorSteps, p.X.SlewVelocity, p.Y.SlewVelocity, p.X.Backlash,
              p.Y.Backlash, p.X.ScrewLead, p.X.StepDivide, p.Y.HoldCurrent, p.Y.RunCurrent,
              p.X.InitVelocity, p.Y.Acceleration, p.Y.Deceleration, p.X.HomeSpeed, p.Y.JoyMaxSpeed,
              p.MoveOut, p.JumpSize, p.OutOfHomeUm, p.JogSpeedLow, p.JogSpeedHigh),
      (Values{2,   4,  70000, 7000,  1.25, 2,    1,  3,   12, 60,
              400, 25, 35,    -4000, 4000, -800, 50, 100, 25, 250}));
}

TEST_F(DeviceFiles, OptionalXYKeysTakeTheirDefaultsAndDecelerationFollowsAcceleration) {
  WriteKeys(Path(kXYFile), KeysWithout(XYKeys(ControllerType::EZHR17),
                                       {"XINITVELOCITY", "YINITVELOCITY", "XDECELERATION",
                                        "YDECELERATION", "XYJOGSPEEDLOW", "XYJOGSPEEDHIGH"}));
  XYParams p;
  ASSERT_EQ(ReadXYParams(trapar, p), 1);
  EXPECT_TRUE(notifier.Messages.empty());
  // Each deceleration is the same file's acceleration.
  EXPECT_EQ(Numbers(p.X.InitVelocity, p.Y.InitVelocity, p.X.Deceleration, p.Y.Deceleration,
                    p.JogSpeedLow, p.JogSpeedHigh),
            (Values{1000, 1000, 20, 25, 20, 200}));
}

TEST_F(DeviceFiles, MessageKeysAreNamedButDoNotFailTheLoad) {
  Keys keys = KeysWithout(XYKeys(ControllerType::EZHR17), {"XYOUTOFHOMEUM"});
  keys["XYLIMPOLARITY"] = "1";
  WriteKeys(Path(kXYFile), keys);
  XYParams p;
  p.OutOfHomeUm = 7;
  EXPECT_EQ(ReadXYParams(trapar, p), 1);
  EXPECT_EQ(p.OutOfHomeUm, 0);
  EXPECT_EQ(p.LimPolarity, 1);
  EXPECT_EQ(Messages(), std::vector<std::string>{NotFound("XYOUTOFHOMEUM", kXYFile)});
}

TEST_F(DeviceFiles, MissingRequiredKeysAreEachNamedAndTheRestIsStillRead) {
  WriteKeys(Path(kXYFile),
            KeysWithout(XYKeys(ControllerType::EZHR17), {"YSCREWLEAD", "XYJUMPSIZE"}));
  XYParams p;
  p.Y.ScrewLead = 9;
  EXPECT_EQ(ReadXYParams(trapar, p), -1);
  EXPECT_EQ(p.Y.ScrewLead, 9);  // keeps its previous value
  EXPECT_EQ(p.Y.JoyMaxSpeed, 4000);
  EXPECT_EQ(Messages(), (std::vector<std::string>{NotFound("YSCREWLEAD", kXYFile),
                                                  NotFound("XYJUMPSIZE", kXYFile)}));
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
  WriteKeys(Path(kZFile), ZKeys(ControllerType::EZHR17));
  ZParams p;
  ASSERT_EQ(ReadZParams(trapar, p), 1);
  EXPECT_EQ(p.Contr, '3');
  EXPECT_EQ(
      Numbers(p.StrokePerRot, p.MotorSteps, p.StepDivide, p.HoldCurrent, p.RunCurrent,
              p.SlewVelocity, p.InitVelocity, p.Acceleration, p.Deceleration, p.JogSpeedLow,
              p.JogSpeedHigh, p.Backlash, p.JumpSize, p.CoarseFactor, p.JoyMaxSpeed, p.HomeSpeed,
              p.PowerUpOrigin, p.LimPolarity, p.EnableLimits),
      (Values{0.2, 200, 4, 5, 40, 4000, 300, 15, 16, 10, 100, 1, 1, 10, 1000, -5000, 800, 1, 1}));
  WriteKeys(Path(kZFile), KeysWithout(ZKeys(ControllerType::EZHR17),
                                      {"ZJOGSPEEDLOW", "ZJOGSPEEDHIGH", "ZPOWERUPORIGIN",
                                       "ZLIMPOLARITY", "ZENABLELIMITS"}));
  ASSERT_EQ(ReadZParams(trapar, p), 1);
  EXPECT_TRUE(notifier.Messages.empty());
  EXPECT_EQ(Numbers(p.JogSpeedLow, p.JogSpeedHigh, p.PowerUpOrigin, p.LimPolarity, p.EnableLimits),
            (Values{0, 0, 0, 0, 0}));
}

TEST_F(DeviceFiles, ZInitVelocityAndDecelerationAreRequiredAndBadNumbersFail) {
  WriteKeys(Path(kZFile),
            KeysWithout(ZKeys(ControllerType::EZHR17), {"ZINITVELOCITY", "ZDECELERATION"}));
  ZParams p;
  EXPECT_EQ(ReadZParams(trapar, p), -1);
  EXPECT_EQ(notifier.Messages.size(), 2u);
  Keys keys = ZKeys(ControllerType::EZHR17);
  keys["ZMOTORSTEPS"] = "40000";  // does not fit 16 bits
  WriteKeys(Path(kZFile), keys);
  EXPECT_EQ(ReadZParams(trapar, p), -1);
}

TEST(Scale, UserUnitsPerMicrostep) {
  EXPECT_EQ(ScaleOf(1000, 200, 3), 0.625);
  EXPECT_EQ(ScaleOf(360, 200, 3), 0.225);
  // No or negative motor steps or travel, an absurd divide.
  for (const auto& [travel, steps, divide] : {std::tuple{1.0, 0, 3},
                                              {1.0, -200, 3},
                                              {0.0, 200, 3},
                                              {-1.0, 200, 3},
                                              {-1.0, -200, 3},
                                              {1.0, 200, 2000}}) {
    EXPECT_EQ(ScaleOf(travel, static_cast<int16_t>(steps), static_cast<int16_t>(divide)),
              std::nullopt)
        << travel << " " << steps << " " << divide;
  }
}

}  // namespace
}  // namespace qv::test
