// The scan over the demonstration microscope: its files, the fields it steps through on the
// simulated stage, and the area and grid set from where the stage stands.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/specimen/ScanTestRig.h"

namespace qv::test {
namespace {

using Position = std::pair<double, double>;

TEST(ScanTest, FilesAreWrittenWholeInTheirKeyOrderAndReadBack) {
  ScanRig rig;
  rig.scan.MutableSettings().ScanOverlap = 12.5;
  ASSERT_EQ(rig.scan.SetScanMode("Grid"), 1);
  EXPECT_EQ(GetBytes(rig.s.folder.File(kScanFile)),
            "\"SCANTILEGRID\", 2\r\n\"SCANAXIS\", 0\r\n\"SCANDIRECTION\", 0\r\n"
            "\"SCANOVERLAP\", 12.5\r\n\"SCANSTART\", 0\r\n\"SCANRESTRICTION\", 0\r\n");
  EXPECT_EQ(rig.scan.SetScanMode("Tiles"), 1);  // no such mode: only saved
  EXPECT_EQ(rig.scan.Settings().ScanTileGrid, 2);

  rig.scan.MutableArea() = {-5, 7, 300, 401, 0, 0};
  rig.scan.MutableGrid() = {10, 20, 3, 4, -100, 100};
  ASSERT_EQ(rig.scan.WriteScanArea(), 1);
  ASSERT_EQ(rig.scan.WriteScanGrid(), 1);
  EXPECT_EQ(GetBytes(rig.s.folder.File(kScanAreaFile)),
            "\"SCANAREAXE\", 300\r\n\"SCANAREAYE\", 401\r\n\"SCANAREAX0\",-5\r\n"
            "\"SCANAREAY0\", 7\r\n");
  rig.scan.MutableArea() = {};
  rig.scan.MutableGrid() = {};
  ASSERT_EQ(rig.scan.ReadScanArea(), 1);
  ASSERT_EQ(rig.scan.ReadScanGrid(), 1);
  EXPECT_EQ(rig.scan.Area().AreaXR, 295);
  EXPECT_EQ(rig.scan.Area().AreaYB, 408);
  EXPECT_EQ(rig.scan.Grid().GridSitesY, 4);
  EXPECT_EQ(rig.scan.Grid().GridTLX, -100);
  for (const std::string& name : rig.s.folder.Entries()) {
    EXPECT_TRUE(name.ends_with(".TXT")) << name;  // no temporary file left behind
  }
}

TEST(ScanTest, AMissingKeyKeepsItsValueAndAnAreaOutOfRangeIsNotTaken) {
  ScanRig rig;
  PutBytes(rig.s.folder.File(kScanAreaFile), "\"SCANAREAXE\", 100\r\n\"SCANAREAX0\", 2.5\r\n");
  EXPECT_EQ(rig.scan.ReadScanArea(), -1);
  EXPECT_EQ(rig.scan.Area().AreaXE, 100);
  EXPECT_EQ(rig.scan.Area().AreaX0, 2);  // halves to even
  EXPECT_EQ(rig.scan.Area().AreaYE, 4000);
  EXPECT_EQ(rig.scan.Area().AreaXR, 102);
  PutBytes(rig.s.folder.File(kScanAreaFile),
           "\"SCANAREAXE\", 2000000000\r\n\"SCANAREAYE\", 1\r\n\"SCANAREAX0\", 2000000000\r\n"
           "\"SCANAREAY0\", 0\r\n");
  EXPECT_EQ(rig.scan.ReadScanArea(), -1);
  EXPECT_EQ(rig.scan.Area().AreaXE, 100);
}

// The ends of the navigation and the last field's place are in
// tests/transcripts/specimen/scan_words.transcript.
TEST(ScanTest, FieldsAreVisitedOnTheStageRowByRowInAlternatingDirections) {
  ScanRig rig;
  Scan& scan = rig.scan;
  EXPECT_EQ(scan.NextField(), 1);  // from before the first field
  EXPECT_EQ(rig.StagePosition(), Position(10000, 8000));
  EXPECT_EQ(scan.NextField(), 2);
  EXPECT_EQ(rig.StagePosition(), Position(10870, 8000));
  EXPECT_EQ(scan.SetField(8), 14);  // the second row runs backwards
  EXPECT_EQ(rig.StagePosition(), Position(10000 + 6 * 870, 8650));
  EXPECT_EQ(scan.PreviousField(), 7);
  rig.StagePosition();
  EXPECT_EQ(scan.SetField(0), -1);
  // From the bottom-right corner, in decreasing coordinates.
  scan.MutableSettings().ScanDirection = 1;
  EXPECT_EQ(scan.FirstField(), 1);
  EXPECT_EQ(rig.StagePosition(), Position(15000, 12000));
  EXPECT_EQ(scan.NextField(), 2);
  EXPECT_EQ(rig.StagePosition(), Position(15000 - 870, 12000));
}

TEST(ScanTest, ARestrictedScanSkipsTheCornersAndTheMapIsToldOfEveryField) {
  ScanRig rig;
  std::vector<Position> drawn;
  rig.scan.SetHooks({{}, [&drawn](double x, double y, double w, double h) {
                       EXPECT_EQ(w, 880);
                       EXPECT_EQ(h, 660);
                       drawn.push_back({x, y});
                     }});
  rig.scan.MutableSettings().ScanRestriction = 1;
  std::vector<int32_t> raster;
  for (int32_t r; (r = rig.scan.NextField()) > 0;) {
    raster.push_back(r);
    rig.StagePosition();
  }
  // 7 x 7 fields, ellipse about (3.5, 3.5) measured from the cells' corners: row 0 lies on it,
  // rows 1 and 6 keep columns 2..5, rows 2..5 columns 1..6. Row 1 runs backwards.
  ASSERT_EQ(raster.size(), 32u);
  EXPECT_EQ(raster.front(), 13);
  EXPECT_EQ(raster[4], 16);
  EXPECT_EQ(drawn.size(), raster.size());
  EXPECT_EQ(rig.scan.Settings().ScanRestriction, 1);
  EXPECT_EQ(rig.scan.CurrentField(), 50);  // stays past the end
}

TEST(ScanTest, AreaAndGridFollowTheStagePositionAndRedrawTheOutline) {
  ScanRig rig;
  int outlines = 0;
  rig.scan.SetHooks({[&outlines] { ++outlines; }, {}});
  rig.scan.MutableSpecimenBounds().SpecX0 = 1000;
  EXPECT_EQ(rig.scan.AreaSet("BR", 20000.5, 16000), 1);
  EXPECT_EQ(outlines, 2);
  EXPECT_EQ(rig.scan.Area().AreaXR, 19000);  // 19000.5 to even
  EXPECT_EQ(rig.scan.Area().AreaXE, 9000);
  EXPECT_EQ(rig.scan.AreaAnchor("TL", 1000, 0), 1);
  EXPECT_EQ(rig.scan.Area().AreaXR, 9000);
  EXPECT_EQ(rig.scan.Area().AreaYB, 8000);
  EXPECT_EQ(rig.scan.AreaSet("X", 0, 0), -1);
  EXPECT_EQ(outlines, 4);
  // Refused changes leave area, grid, layout, fields, map outline and files as they were.
  const auto unchanged = [&rig, &outlines](auto change, LayoutVerdict verdict) {
    const ScanArea area = rig.scan.Area();
    const ScanGrid grid = rig.scan.Grid();
    const int32_t count = rig.scan.NumFields();
    double x = 0, y = 0, x1 = 0, y1 = 0;  // microns
    rig.scan.FieldPosition(count, x, y);
    const std::string areaFile = GetBytes(rig.s.folder.File(kScanAreaFile));
    const std::string gridFile = GetBytes(rig.s.folder.File(kScanGridFile));
    const int drawn = outlines;
    EXPECT_EQ(change(), kLayoutRefused);
    EXPECT_EQ(rig.scan.LastVerdict(), verdict);
    EXPECT_EQ(rig.scan.Area().AreaX0, area.AreaX0);
    EXPECT_EQ(rig.scan.Area().AreaXR, area.AreaXR);
    EXPECT_EQ(rig.scan.Area().AreaYB, area.AreaYB);
    EXPECT_EQ(rig.scan.Grid().GridStepX, grid.GridStepX);
    EXPECT_EQ(rig.scan.Grid().GridSitesX, grid.GridSitesX);
    EXPECT_EQ(rig.scan.NumFields(), count);
    rig.scan.FieldPosition(count, x1, y1);
    EXPECT_EQ(std::make_pair(x1, y1), std::make_pair(x, y));
    EXPECT_EQ(GetBytes(rig.s.folder.File(kScanAreaFile)), areaFile);
    EXPECT_EQ(GetBytes(rig.s.folder.File(kScanGridFile)), gridFile);
    EXPECT_EQ(outlines, drawn);
  };
  unchanged([&rig] { return rig.scan.AreaSet("R", -5000, 0); }, LayoutVerdict::NoFields);
  unchanged([&rig] { return rig.scan.AreaSet("BR", 9e6, 9e6); }, LayoutVerdict::TooManyFields);

  // Grid items set from the stage position are in tests/transcripts/specimen/grid_words.
  rig.scan.MutableSpecimenBounds().SpecX0 = 0;
  ASSERT_EQ(rig.scan.SetScanMode("Grid"), 1);
  ASSERT_EQ(rig.scan.GridSet("Sites", 5, 4), 1);
  EXPECT_EQ(rig.scan.NumFields(), 20);
  unchanged([&rig] { return rig.scan.GridSet("Step", 0, 5); }, LayoutVerdict::BadStep);
  unchanged([&rig] { return rig.scan.GridSet("Sites", 200, 200); }, LayoutVerdict::TooManyFields);
  unchanged([&rig] { return rig.scan.GridSet("Step", 2000000000, 5); }, LayoutVerdict::OutOfRange);
  // The area follows the grid under the grid layout: setting it does not shape the layout.
  EXPECT_EQ(rig.scan.AreaSet("R", -5000, 0), 1);
  EXPECT_EQ(rig.scan.Area().AreaXR, 14000);
}

TEST(ScanTest, SwitchingModeKeepsTheLayoutUntilTheNextRecompute) {
  ScanRig rig;
  rig.scan.SetScanMode("Grid");
  EXPECT_EQ(rig.scan.NumFields(), 49);
  ASSERT_EQ(rig.scan.ScanRecompute(), 1);
  EXPECT_EQ(rig.scan.NumFields(), 20);
  EXPECT_EQ(rig.scan.Area().AreaXR, 14000);
  rig.scan.SetScanMode("Tile");
  EXPECT_EQ(rig.scan.NumFields(), 20);
  EXPECT_DOUBLE_EQ(rig.scan.Layout().StepX, 1000);
}

// A file the operator made read-only is left as it is, with a message; the change itself stands
// and the reply says what it always says.
TEST(ScanTest, AChangeStandsWhenItsFileIsReadOnly) {
  ScanRig rig;
  const std::string area = rig.s.folder.File(kScanAreaFile);
  const std::string grid = rig.s.folder.File(kScanGridFile);
  const std::string areaBefore = GetBytes(area), gridBefore = GetBytes(grid);
  ASSERT_EQ(::chmod(area.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(grid.c_str(), 0444), 0);
  ASSERT_EQ(rig.s.Run("XY 20000 15000;XY Wait"), "OK  ; OK  ; ");
  rig.s.notifier.Clear();
  EXPECT_EQ(rig.Run("Grid", "Step 100 200"), "OK ");
  EXPECT_EQ(rig.Run("Grid", "Step ?"), " 100  200 ");
  EXPECT_EQ(rig.Run("Area", "Set BR"), "20000.0 15000.0 ");
  EXPECT_EQ(rig.scan.Area().AreaXE, 10000);
  ASSERT_EQ(rig.s.notifier.Messages.size(), 2u);
  EXPECT_EQ(rig.s.notifier.Messages[0].Text, "File " + grid + " is read-only and was not changed");
  EXPECT_EQ(rig.s.notifier.Messages[1].Text, "File " + area + " is read-only and was not changed");
  EXPECT_EQ(GetBytes(area), areaBefore);
  EXPECT_EQ(GetBytes(grid), gridBefore);
}

TEST(ScanTest, WithoutTheStageTheLayoutModeStays) {
  ScanRig rig;
  ASSERT_EQ(rig.Run("Scan", "Grid"), "OK ");
  rig.s.system.state.Ready.XYReady = 0;
  EXPECT_EQ(rig.Run("Scan", "Tile"), "Off ");
  EXPECT_EQ(rig.scan.Settings().ScanTileGrid, 2);
}

}  // namespace
}  // namespace qv::test
