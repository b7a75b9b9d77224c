// The words "Scan", "Area", "Grid", "Mag" and "Objective": exact replies, refusals, and what
// they leave behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/specimen/ScanTestRig.h"

namespace qv::test {
namespace {

struct Exchange {
  const char* word;
  const char* arguments;
  const char* reply;
};

void Expect(ScanRig& rig, std::initializer_list<Exchange> exchanges) {
  for (const Exchange& e : exchanges) {
    EXPECT_EQ(rig.Run(e.word, e.arguments), e.reply) << e.word << " " << e.arguments;
    rig.s.system.stage.XYWait();  // a unit refuses a move while it is moving
  }
}

TEST(ScanCommandsTest, RepliesOfTheScanWord) {
  ScanRig rig;
  rig.s.system.state.SymConst.push_back({"THIRD", std::string("3")});
  Expect(rig, {{"Scan", "", "Error Missing Argument "},
               {"Scan", "GNF", " 49"},
               {"Scan", "NF", " 1"},
               {"Scan", "Field THIRD", " 3"},
               {"Scan", "Field ?", " 3"},
               {"Scan", "Field ??", "Scan Field 3"},
               {"Scan", "Field", "Error Missing Argument "},
               {"Scan", "Field x", "Error Not a Number"},
               {"Scan", "Field 40000", "Error "},
               {"Scan", "Field 99", "-1"},
               {"Scan", "FF", " 1"},
               {"Scan", "PF", "-1"},
               {"Scan", "LF", " 49"},
               {"Scan", "Next", "Error "},
               {"Scan", "Grid", "OK "}});
  EXPECT_EQ(rig.s.system.state.LastDevice, "XY");
  EXPECT_EQ(rig.scan.Settings().ScanTileGrid, 2);
  EXPECT_EQ(rig.s.system.state.CommandBusy, 0);
  rig.s.system.state.Ready.XYReady = 0;
  rig.s.system.state.LastDevice = "Z";
  Expect(rig, {{"Scan", "NF", "Off "}, {"Scan", "Tile", "Off "}, {"Area", "Set TL", "Error "}});
  EXPECT_EQ(rig.s.system.state.LastDevice, "XY");
  EXPECT_EQ(rig.scan.Settings().ScanTileGrid, 2);
}

TEST(ScanCommandsTest, AreaSetsAnchorsAndMovesFromTheStagePosition) {
  ScanRig rig;
  ASSERT_EQ(rig.s.Run("XY 20000 15000;XY Wait"), "OK  ; OK  ; ");
  Expect(rig, {{"Area", "Set", "Error Missing Argument "},
               {"Area", "Set BR", "20000.0 15000.0 "},
               {"Area", "Set Middle", "Error "},
               {"Area", "Shift BR", "Error "},
               {"Area", "Move TL", "OK "}});
  EXPECT_EQ(rig.scan.Area().AreaXE, 10000);
  EXPECT_EQ(rig.StagePosition(), std::make_pair(10000.0, 8000.0));
  Expect(rig, {{"Area", "Anchor BR", "10000.0 8000.0 "}});
  EXPECT_EQ(rig.scan.Area().AreaX0, 0);
  EXPECT_EQ(rig.scan.Area().AreaYB, 8000);
}

// A file the operator made read-only is left as it is, with a message; the change itself stands
// and the reply says what it always says.
TEST(ScanCommandsTest, AChangeStandsWhenItsFileIsReadOnly) {
  ScanRig rig;
  const std::string area = rig.s.folder.File(kScanAreaFile);
  const std::string grid = rig.s.folder.File(kScanGridFile);
  const std::string areaBefore = GetBytes(area), gridBefore = GetBytes(grid);
  ASSERT_EQ(::chmod(area.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(grid.c_str(), 0444), 0);
  ASSERT_EQ(rig.s.Run("XY 20000 15000;XY Wait"), "OK  ; OK  ; ");
  rig.s.notifier.Clear();
  Expect(rig, {{"Grid", "Step 100 200", "OK "},
               {"Grid", "Step ?", " 100  200 "},
               {"Area", "Set BR", "20000.0 15000.0 "}});
  EXPECT_EQ(rig.scan.Area().AreaXE, 10000);
  ASSERT_EQ(rig.s.notifier.Messages.size(), 2u);
  EXPECT_EQ(rig.s.notifier.Messages[0].Text, "File " + grid + " is read-only and was not changed");
  EXPECT_EQ(rig.s.notifier.Messages[1].Text, "File " + area + " is read-only and was not changed");
  EXPECT_EQ(GetBytes(area), areaBefore);
  EXPECT_EQ(GetBytes(grid), gridBefore);
}

TEST(ScanCommandsTest, GridItemsAreSetReadBackAndGoneTo) {
  ScanRig rig;
  rig.s.system.state.SymConst.push_back({"STEP", std::string("100")});
  ASSERT_EQ(rig.s.Run("XY 1000 1000;XY Wait"), "OK  ; OK  ; ");
  Expect(rig, {{"Grid", "TL", "Error Missing Argument "},
               {"Grid", "TL 5", "Error Missing Argument "},
               {"Grid", "TL x 5", "Error Not a Number"},
               {"Grid", "Corner ?", "Error "},
               {"Grid", "Step STEP 200", "OK "},
               {"Grid", "Sites 5 3", "OK "},
               {"Grid", "BR Current", "OK "},
               {"Grid", "TL ?", " 600  600 "},
               {"Grid", "BR ??", "Grid BR  1000  1000 "},
               {"Grid", "Step 0 200", "Error Step Not Above 0 "},
               {"Grid", "Sites 0 3", "Error No Fields "},
               {"Grid", "Sites 200 200", "Error Too Many Fields "},
               {"Grid", "Sites ??", "Grid Sites  5  3 "},
               {"Grid", "Pos 2 3", "OK "}});
  EXPECT_EQ(rig.StagePosition(), std::make_pair(700.0, 1000.0));
  Expect(rig, {{"Grid", "Pos ?", " 2  3 "}});
  rig.s.system.state.Ready.XYReady = 0;
  Expect(rig, {{"Grid", "TL Current", "Error "}, {"Grid", "Pos ?", "Error "}});
}

TEST(ScanCommandsTest, MagAndObjectiveChooseFromTheTableAndRecomputeTheLayout) {
  ScanRig rig;
  Expect(rig, {{"Mag", "", "Error Missing Argument "},
               {"Mag", "?", "10"},
               {"Objective", "?", "0"},
               {"Mag", "50", "Error "},
               {"Mag", "ten", "Error Not a Number"},
               {"Objective", "0", "Error "},
               {"Objective", "6", "Error "},
               {"Objective", "11", "Error "},
               {"Mag", "40", "40"},
               {"Objective", "??", "Objective 4"},
               {"Mag", "??", "Mag 40"}});
  EXPECT_DOUBLE_EQ(rig.scan.Field().FieldX, 220);
  EXPECT_EQ(rig.scan.Layout().NX, 25);  // 5000 / 210 = 23.8 -> 24, plus one
  Expect(rig, {{"Objective", "1", "1"}, {"Mag", "?", "4"}});
  EXPECT_EQ(rig.scan.Layout().NX, 3);  // 5000 / 2190 = 2.28

  // An overlap that the 63x field of view does not exceed: the objective is refused.
  rig.scan.MutableSettings().ScanOverlap = 150;
  Expect(rig, {{"Mag", "63", "Error Step Not Above 0 "}, {"Objective", "?", "1"}});
  rig.scan.MutableArea().AreaXR = 100000000;  // too many fields at any magnification
  ASSERT_EQ(rig.scan.ScanRecompute(), kLayoutRefused);
  Expect(rig, {{"Objective", "2", "2"}});  // not the objective's fault
}

}  // namespace
}  // namespace qv::test
