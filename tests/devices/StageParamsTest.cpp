// The device files: every stage and focus key with its type, rounding and rule, the
// micron/microstep scales, and every device refusing to start from a file without a usable
// scale or a required key.
#include <gtest/gtest.h>

#include "devices/AxisScale.h"
#include "devices/StageParams.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

using Values = std::vector<double>;

class DeviceFiles : public ::testing::Test {
 protected:
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const RecordedMessage& m : rig.notifier.Messages)
      texts.push_back(m.Text);
    return texts;
  }
  std::string NotFound(const char* key, const char* file) const {
    return std::string("Parameter ") + key + " not found in " + rig.File(file);
  }
  Rig rig{ControllerType::IM483I};
  XYParams xy;
  ZParams z;
};

// Which key gives which setting shows in the frames and moves of the other tests (the rig's
// files give X and Y different values); here the keys' types and rounding.
TEST_F(DeviceFiles, XYKeysAreReadWithTheirTypeAndRounding) {
  rig.Set("XY", "XCONTR", "  Ab ");     // only the first character of the trimmed value counts
  rig.Set("XY", "XMOTORSTEPS", "2.5");  // integers round halves to the even neighbour
  rig.Set("XY", "YMOTORSTEPS", "3.5");
  rig.Set("XY", "XSLEWVELOCITY", "70000.5");
  rig.Set("XY", "XBACKLASH", "1.25");
  rig.Build();
  ASSERT_EQ(ReadXYParams(rig.trapar, xy), 1);
  EXPECT_TRUE(rig.notifier.Messages.empty());
  EXPECT_EQ(xy.X.Contr, 'A');
  EXPECT_EQ(
      Numbers(xy.X.MotorSteps, xy.Y.MotorSteps, xy.X.SlewVelocity, xy.X.Backlash, xy.Y.Backlash),
      (Values{2, 4, 70000, 1.25, 2}));
}

TEST_F(DeviceFiles, OptionalXYKeysDefaultAndMessageKeysAreNamedWithoutFailingTheLoad) {
  rig.Drop("XY", {"XINITVELOCITY", "YINITVELOCITY", "XDECELERATION", "YDECELERATION",
                  "XYJOGSPEEDLOW", "XYJOGSPEEDHIGH", "XYOUTOFHOMEUM"});
  rig.Set("XY", "XYLIMPOLARITY", "1");
  rig.Build();
  xy.OutOfHomeUm = 7;
  ASSERT_EQ(ReadXYParams(rig.trapar, xy), 1);
  // Each deceleration is the same file's acceleration.
  EXPECT_EQ(Numbers(xy.X.InitVelocity, xy.Y.InitVelocity, xy.X.Deceleration, xy.Y.Deceleration,
                    xy.JogSpeedLow, xy.JogSpeedHigh, xy.OutOfHomeUm, xy.LimPolarity),
            (Values{1000, 1000, 20, 25, 20, 200, 0, 1}));
  EXPECT_EQ(Messages(), std::vector<std::string>{NotFound("XYOUTOFHOMEUM", kXYFile)});
}

TEST_F(DeviceFiles, MissingRequiredKeysAreEachNamedAndTheRestIsStillRead) {
  rig.Drop("XY", {"YSCREWLEAD", "XYJUMPSIZE"});
  rig.files.erase("Z");
  rig.Build();
  xy.Y.ScrewLead = 9;
  EXPECT_EQ(ReadXYParams(rig.trapar, xy), -1);
  EXPECT_EQ(xy.Y.ScrewLead, 9);  // keeps its previous value
  EXPECT_EQ(xy.Y.JoyMaxSpeed, 4000);
  EXPECT_EQ(ReadZParams(rig.trapar, z), -1);
  EXPECT_EQ(Messages(), (std::vector<std::string>{NotFound("YSCREWLEAD", kXYFile),
                                                  NotFound("XYJUMPSIZE", kXYFile),
                                                  "File " + rig.File(kZFile) + " does not exist"}));
}

TEST_F(DeviceFiles, OptionalZKeysDefaultAndBadNumbersFail) {
  rig.Build();
  ASSERT_EQ(ReadZParams(rig.trapar, z), 1);  // the keys' values first, then their defaults
  rig.Drop("Z",
           {"ZJOGSPEEDLOW", "ZJOGSPEEDHIGH", "ZPOWERUPORIGIN", "ZLIMPOLARITY", "ZENABLELIMITS"});
  WriteKeys(rig.File(kZFile), rig.files["Z"]);
  ASSERT_EQ(ReadZParams(rig.trapar, z), 1);
  EXPECT_TRUE(rig.notifier.Messages.empty());
  EXPECT_EQ(Numbers(z.JogSpeedLow, z.JogSpeedHigh, z.PowerUpOrigin, z.LimPolarity, z.EnableLimits),
            (Values{0, 0, 0, 0, 0}));
  // Unlike the stage's, the focus's initial velocity and deceleration are required.
  rig.Drop("Z", {"ZINITVELOCITY", "ZDECELERATION"});
  rig.Set("Z", "ZMOTORSTEPS", "40000");  // does not fit 16 bits
  WriteKeys(rig.File(kZFile), rig.files["Z"]);
  EXPECT_EQ(ReadZParams(rig.trapar, z), -1);
  EXPECT_EQ(rig.notifier.Messages.size(), 3u);
}

TEST(Scale, UserUnitsPerMicrostep) {
  EXPECT_EQ(ScaleOf(1000, 200, 3), 0.625);
  EXPECT_EQ(ScaleOf(360, 200, 3), 0.225);
  // No or negative motor steps or travel, an absurd divide.
  for (const auto& [travel, steps, divide] :
       {std::tuple{1.0, 0, 3}, {0.0, 200, 3}, {-1.0, -200, 3}, {1.0, 200, 2000}}) {
    EXPECT_EQ(ScaleOf(travel, static_cast<int16_t>(steps), static_cast<int16_t>(divide)),
              std::nullopt)
        << travel << " " << steps << " " << divide;
  }
}

// A device whose file gives no usable scale or lacks a required key (or the whole file) fails
// its initialisation with a message naming the keys and the file, and sends nothing (so that
// start-up leaves it off).
using DeviceStart = BothTypes;

TEST_P(DeviceStart, RefusesAFileWithoutAUsableScaleOrARequiredKey) {
  struct Case {
    const char* file;   // QV_PAR<file>.TXT
    const char* key;    // "": the file is missing
    const char* value;  // nullptr: the key is missing
    const char* text;   // "#" for the file's path
  };
  const Case cases[] = {
      {"XY", "YMOTORSTEPS", "0",
       "YSCREWLEAD, YMOTORSTEPS and YSTEPDIVIDE in # give no usable microns per microstep"},
      {"XY", "XHOMESPEED", nullptr, "Parameter XHOMESPEED not found in #"},
      {"Z", "ZSTROKEPERROT", "0",
       "ZSTROKEPERROT, ZMOTORSTEPS and ZSTEPDIVIDE in # give no usable microns per microstep"},
      {"S", "SMOTORSTEPS", "0",
       "SSTROKEPERROT, SMOTORSTEPS and SSTEPDIVIDE in # give no usable slide units per microstep"},
      {"S", "SSTROKEPERROT", nullptr, "Parameter SSTROKEPERROT not found in #"},
      {"T", "TMOTORSTEPS", "-200",
       "TMOTORSTEPS and TSTEPDIVIDE in # give no usable degrees per microstep"},
      {"T", "", nullptr, "File # does not exist"},
      {"CUBE", "CUBESTROKEPERROT", "-2",
       "CUBESTROKEPERROT, CUBEMOTORSTEPS and CUBESTEPDIVIDE in # give no usable cube units per "
       "microstep"},
      {"CUBE", "CUBESHIFTDIST", nullptr, "Parameter CUBESHIFTDIST not found in #"},
      {"W1", "W1OFFSETHOME", nullptr, "Parameter W1OFFSETHOME not found in #"},
      {"W2", "", nullptr, "File # does not exist"}};
  const std::map<std::string, std::function<int(Rig&)>> init{
      {"XY", [](Rig& r) { return r.XY().XYInit(); }}, {"Z", [](Rig& r) { return r.Z().ZInit(); }},
      {"S", [](Rig& r) { return r.S().Init(); }},     {"T", [](Rig& r) { return r.T().Init(); }},
      {"CUBE", [](Rig& r) { return r.C().Init(); }},  {"W1", [](Rig& r) { return r.W().Init(1); }},
      {"W2", [](Rig& r) { return r.W().Init(2); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.key);
    Rig rig(GetParam());
    if (*c.key == 0) rig.files.erase(c.file);
    if (*c.key != 0 && c.value) rig.Set(c.file, c.key, c.value);
    if (*c.key != 0 && !c.value) rig.Drop(c.file, {c.key});
    std::string text = c.text;
    text.replace(text.find('#'), 1, rig.File(std::string("QV_PAR") + c.file + ".TXT"));
    EXPECT_EQ(init.at(c.file)(rig), -1);
    EXPECT_EQ(rig.notifier.LastText(), text);
    EXPECT_TRUE(rig.Take().empty());
  }
}

QV_ON_BOTH_TYPES(DeviceStart);

}  // namespace
}  // namespace qv::test
