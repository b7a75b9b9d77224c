// The device files: the stage, focus and wheel keys with their types, rounding and defaults,
// the wheels' focus compensation tables, the objective table, the micron/microstep scales, and
// every device refusing to start from a file without a usable scale or a required key.
#include <gtest/gtest.h>

#include <filesystem>

#include "devices/AxisScale.h"
#include "devices/Objectives.h"
#include "devices/StageParams.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

using Texts = std::vector<std::string>;

class DeviceFiles : public ::testing::Test {
 protected:
  Texts Messages() const {
    Texts texts;
    for (const RecordedMessage& m : rig.notifier.Messages)
      texts.push_back(m.Text);
    return texts;
  }
  std::string NotFound(const std::string& key, const std::string& file) const {
    return "Parameter " + key + " not found in " + rig.folder.File(file);
  }
  Rig rig{ControllerType::IM483I};
  XYParams xy;
  ZParams z;
};

// Which key gives which setting shows in the frames and moves of the other tests (the rig's
// files give X and Y different values); here the keys' types and rounding, and the defaults of
// optional keys, which overwrite what was there. Of those only the stage's out-of-home distance
// is named missing. Reading a file sends nothing.
TEST_F(DeviceFiles, KeysAreReadWithTheirTypeAndRoundingAndOptionalOnesDefault) {
  rig.Set("XY", "XCONTR", "  Ab ");     // only the first character of the trimmed value counts
  rig.Set("XY", "XMOTORSTEPS", "2.5");  // integers round halves to the even neighbour
  rig.Set("XY", "YMOTORSTEPS", "3.5");
  rig.Set("XY", "XSLEWVELOCITY", "70000.5");
  rig.Set("XY", "XBACKLASH", "1.25");
  rig.Drop("XY", {"XINITVELOCITY", "YINITVELOCITY", "XDECELERATION", "YDECELERATION",
                  "XYJOGSPEEDLOW", "XYJOGSPEEDHIGH", "XYOUTOFHOMEUM"});
  rig.Set("XY", "XYLIMPOLARITY", "1");
  rig.Drop("Z",
           {"ZJOGSPEEDLOW", "ZJOGSPEEDHIGH", "ZPOWERUPORIGIN", "ZLIMPOLARITY", "ZENABLELIMITS"});
  rig.Drop("W2", {"W2JOGSPEEDLOW", "W2JOGSPEEDHIGH", "W2POWERUPORIGIN"});
  xy.OutOfHomeUm = 7;
  z.JogSpeedLow = z.JogSpeedHigh = z.PowerUpOrigin = 9;
  z.LimPolarity = z.EnableLimits = 1;
  ASSERT_EQ(ReadXYParams(rig.Build().keywordFiles, xy), kDone);
  ASSERT_EQ(ReadZParams(rig.keywordFiles, z), kDone);
  ASSERT_EQ(rig.W().ReadPar(2), kDone);
  // Each stage deceleration is the same file's acceleration.
  const DriveProfile &x = xy.X.profile, &y = xy.Y.profile;
  EXPECT_EQ(Numbers(x.contr, xy.X.MotorSteps, xy.Y.MotorSteps, x.slewVelocity, xy.X.Backlash,
                    xy.Y.Backlash, x.initVelocity, y.initVelocity, x.deceleration, y.deceleration,
                    xy.JogSpeedLow, xy.JogSpeedHigh, xy.OutOfHomeUm, xy.LimPolarity),
            Numbers('A', 2, 4, 70000, 1.25, 2, 1000, 1000, 20, 25, 20, 200, 0, 1));
  EXPECT_EQ(Numbers(z.JogSpeedLow, z.JogSpeedHigh, z.PowerUpOrigin, z.LimPolarity, z.EnableLimits),
            Numbers(0, 0, 0, 0, 0));
  const WheelParams& w2 = rig.W().Params(2);
  EXPECT_EQ(Numbers(w2.jogSpeedLow, w2.jogSpeedHigh, w2.powerUpOrigin, w2.profile.contr),
            Numbers(10, 50, 0, 'B'));
  EXPECT_EQ(Messages(), Texts{NotFound("XYOUTOFHOMEUM", kXYFile)});
  EXPECT_TRUE(rig.Take().empty());
}

TEST_F(DeviceFiles, MissingRequiredKeysAndBadNumbersAreEachNamedAndTheRestIsStillRead) {
  rig.Drop("XY", {"YSCREWLEAD", "XSLEWVELOCITY", "YHOLDCURRENT"});
  // Unlike the stage's, the focus's initial velocity and deceleration are required.
  rig.Drop("Z", {"ZINITVELOCITY", "ZDECELERATION"});
  rig.Set("Z", "ZMOTORSTEPS", "40000");  // does not fit 16 bits
  xy.Y.ScrewLead = 9;
  EXPECT_EQ(ReadXYParams(rig.Build().keywordFiles, xy), kNoParameters);
  EXPECT_EQ(ReadZParams(rig.keywordFiles, z), kNoParameters);
  EXPECT_EQ(Numbers(xy.Y.ScrewLead, xy.Y.JoyMaxSpeed), Numbers(9, 4000));  // 9: kept
  EXPECT_EQ(Messages(),
            (Texts{NotFound("YSCREWLEAD", kXYFile), NotFound("YHOLDCURRENT", kXYFile),
                   NotFound("XSLEWVELOCITY", kXYFile),
                   "Parameter ZMOTORSTEPS in " + rig.folder.File(kZFile) + " is not a valid number",
                   NotFound("ZINITVELOCITY", kZFile), NotFound("ZDECELERATION", kZFile)}));
}

TEST_F(DeviceFiles, FaultyCompensationTablesAreNamedFailTheReadAndCountAsOffsetZero) {
  ASSERT_EQ(rig.W().ReadPar(1), kDone);
  FocusCompensation& table = rig.W().Compensation();
  PutBytes(rig.folder.File("QV_DZW1_B.TXT"), "\"W1DZ1\",0\r\n\"W1DZ2\",12\r\n\"W1DZ4\",3\r\n");
  EXPECT_EQ(rig.W().ReadZCompTable(1, "QV_DZW1_B.TXT"), kNoParameters);
  EXPECT_EQ(Messages(),
            (Texts{NotFound("W1DZ3", "QV_DZW1_B.TXT"), NotFound("W1DZ5", "QV_DZW1_B.TXT"),
                   NotFound("W1DZ6", "QV_DZW1_B.TXT")}));
  EXPECT_EQ(Numbers(table.Offset(1, 3), table.Offset(1, 2), table.Shift(1, 2, 3)),
            Numbers(0, 12, -12));
  EXPECT_EQ(rig.W().ReadZCompTable(1, "NOSUCH.TXT"), kNoParameters);  // a missing file empties it
  EXPECT_EQ(table.Offset(1, 2), 0);
  PutBytes(rig.folder.File("QV_DZW1_C.TXT"),
           "\"W1DZ1\",0\r\n\"W1DZ2\",far\r\n\"W1DZ3\",1\r\n\"W1DZ4\",99999\r\n\"W1DZ5\",0\r\n"
           "\"W1DZ6\",2.5\r\n");
  EXPECT_EQ(rig.W().ReadZCompTable(1, "QV_DZW1_C.TXT"), kNoParameters);
  // No number, beyond 16 bits, and a half to even.
  EXPECT_EQ(Numbers(table.Offset(1, 2), table.Offset(1, 4), table.Offset(1, 6)), Numbers(0, 0, 2));
}

// Only keys of "OBJPOS" and a digit 1 to 9 count (the first six characters and the last one
// decide); the highest position named is the count, and gaps have no magnification. Reading
// again starts afresh.
TEST_F(DeviceFiles, TheObjectiveTableCountsToTheHighestPositionNamed) {
  const std::string path = rig.folder.File("QV_OBJPOSMAG.TXT");
  PutBytes(path,
           "\"OBJPOS2\",10\r\n\"OBJPOS5\",63\r\n\"OBJPOS10\",100\r\n\"OBJPOS\",7\r\n\"OBJ3\",3\r\n"
           "\"XOBJPOS4\",4\r\n\"OBJPOS_3\",20\r\n\"OBJPOS1\",2.5\r\n\"OBJPOS7\",many\r\n");
  Objectives objectives{rig.keywordFiles};
  EXPECT_EQ(objectives.ReadObjPosMag(), 0);
  std::vector<double> magnifications;  // of the positions -1 to 11
  for (int p = -1; p <= 11; ++p)
    magnifications.push_back(objectives.ObjPosMag(p));
  EXPECT_EQ(objectives.ObjCount(), 7);
  EXPECT_EQ(magnifications, Numbers(0, 0, 2, 10, 20, 0, 63, 0, 0, 0, 0, 0, 0));
  PutBytes(path, "\"OBJPOS1\",4\r\n");
  objectives.ReadObjPosMag();
  EXPECT_EQ(Numbers(objectives.ObjCount(), objectives.ObjPosMag(2)), Numbers(1, 0));
  std::filesystem::remove(path);  // a missing file: an empty table
  EXPECT_EQ(objectives.ReadObjPosMag(), 0);
  EXPECT_EQ(Numbers(objectives.ObjCount(), objectives.ObjPosMag(1)), Numbers(0, 0));
}

// No or negative motor steps or travel, an absurd divide: the usable scales show in the frames.
TEST(Scale, UnusableValuesGiveNoScale) {
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
      {"CUBE", "CUBESHIFTDIST", "0", "CUBESHIFTDIST in # gives no usable distance between cubes"},
      {"W2", "W2OFFSETHOME", nullptr, "Parameter W2OFFSETHOME not found in #"}};
  const std::map<std::string, std::function<Result(Rig&)>> init{
      {"XY", [](Rig& r) { return r.XY().XYInit(); }}, {"Z", [](Rig& r) { return r.Z().ZInit(); }},
      {"S", [](Rig& r) { return r.S().Init(); }},     {"T", [](Rig& r) { return r.T().Init(); }},
      {"CUBE", [](Rig& r) { return r.C().Init(); }},  {"W2", [](Rig& r) { return r.W().Init(2); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.key);
    Rig rig(GetParam());
    if (*c.key == 0) rig.files.erase(c.file);
    if (*c.key != 0 && c.value) rig.Set(c.file, c.key, c.value);
    if (*c.key != 0 && !c.value) rig.Drop(c.file, {c.key});
    std::string text = c.text;
    text.replace(text.find('#'), 1, rig.folder.File(std::string("QV_PAR") + c.file + ".TXT"));
    EXPECT_EQ(init.at(c.file)(rig), kNoParameters);
    EXPECT_EQ(rig.notifier.LastText(), text);
    EXPECT_TRUE(rig.Take().empty());
  }
}

QV_ON_BOTH_TYPES(DeviceStart);

}  // namespace
}  // namespace qv::test
