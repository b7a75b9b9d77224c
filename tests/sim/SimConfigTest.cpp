#include "sim/SimConfig.h"

#include <gtest/gtest.h>

#include "tests/foundation/TestFiles.h"

namespace sim {
namespace {

using qv::test::PutBytes;

std::string Addresses(const LinePlan& plan) {
  std::string text;
  for (const UnitPlan& unit : plan.units)
    text += unit.address;
  return text;
}

// Unusable values are warned about and defaulted.
TEST(SimConfigTest, AnEmptyFolderOrUnusableValuesGiveAnIm483iLineWithTheDefaultNames) {
  qv::test::TempFolder folder;
  LinePlan plan = ReadLinePlan(folder.Dir());
  EXPECT_EQ(plan.type, ControllerType::IM483I);
  EXPECT_EQ(Addresses(plan), "XYZFBSTCL");
  EXPECT_TRUE(plan.warnings.empty());
  EXPECT_EQ(plan.units[0].axis.kind, AxisKind::Linear);
  EXPECT_EQ(plan.units[0].axis.travel, 160000);  // 100 mm at 1600 microsteps/mm
  EXPECT_EQ(plan.units[3].axis.kind, AxisKind::Rotary);
  EXPECT_EQ(plan.units[3].axis.revolution, 9600);
  EXPECT_EQ(plan.units[6].axis.revolution, 1600);

  PutBytes(folder.File("QV_CONFIG.TXT"), "\"CONTRTYPE\",ezhr17\r\n");
  PutBytes(folder.File("QV_PARZ.TXT"), "\"ZCONTR\",\r\n\"ZMOTORSTEPS\",lots\r\n");
  plan = ReadLinePlan(folder.Dir());
  EXPECT_EQ(plan.type, ControllerType::IM483I);
  EXPECT_EQ(Addresses(plan), "XYZFBSTCL");
  ASSERT_EQ(plan.warnings.size(), 2u);
  EXPECT_NE(plan.warnings[0].find("ezhr17"), std::string::npos);
  EXPECT_NE(plan.warnings[1].find("ZMOTORSTEPS"), std::string::npos);
  EXPECT_EQ(plan.units[2].axis.travel, 16000);
}

// The mechanics that the demonstration folders' keys give: the transcripts' counts at the ends,
// sensors and index marks.
TEST(SimConfigTest, FilesGiveTypeAndAddressesAndUnitsMayBeShared) {
  qv::test::TempFolder folder;
  PutBytes(folder.File("QV_CONFIG.TXT"), "\"CONTRTYPE\",EZHR17\r\n");
  PutBytes(folder.File("QV_PARXY.TXT"), "\"XCONTR\",  A \r\n\"YCONTR\",B\r\n");
  PutBytes(folder.File("QV_LEDS.TXT"), "\"LEDSCONTR\",  4 \r\n");  // shares the first wheel's unit
  const LinePlan plan = ReadLinePlan(folder.Dir());
  EXPECT_EQ(plan.type, ControllerType::EZHR17);
  EXPECT_EQ(Addresses(plan), "AB345678");

  Line line(plan.type);
  AddUnits(line, plan, 4);
  ASSERT_NE(line.FindUnit('A'), nullptr);
  EXPECT_EQ(line.FindUnit('9'), nullptr);
  EXPECT_EQ(line.FindUnit('4')->GetAxis().Config().timeScale, 4);
}

}  // namespace
}  // namespace sim
