// Field order and layout arithmetic without a stage; then the scan over the demonstration
// microscope: its files, the fields it steps through, and the area and grid set from the stage.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "specimen/FieldOrder.h"
#include "specimen/Scan.h"
#include "specimen/ScanLayout.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

std::vector<FieldCell> Cells(const FieldOrder& order) {
  std::vector<FieldCell> cells;
  for (int32_t n = 1; n <= order.Count(); ++n)
    cells.push_back(FieldIndex(n, order));
  return cells;
}

// Passes along X from the top-left, and the raster numbers of their fields, are in
// tests/transcripts/specimen/scan_words.transcript.
TEST(FieldOrderTest, SerpentinePassesAlongEitherAxisAndFromTheMiddle) {
  const std::pair<FieldOrder, std::vector<FieldCell>> cases[] = {
      {{3, 2, 1, 0, 0}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {2, 0}, {2, 1}}},
      // Four rows from the middle: rows 2, 3, 1, 0, the serpentine parity from the visit.
      {{2, 4, 0, 1, 0}, {{0, 2}, {1, 2}, {1, 3}, {0, 3}, {0, 1}, {1, 1}, {1, 0}, {0, 0}}},
      // Five rows from the middle: every row once, 2 3 4 1 0.
      {{1, 5, 0, 1, 0}, {{0, 2}, {0, 3}, {0, 4}, {0, 1}, {0, 0}}},
      // Three columns from the middle: 1 2 0.
      {{3, 2, 1, 1, 0}, {{1, 0}, {1, 1}, {2, 1}, {2, 0}, {0, 0}, {0, 1}}},
      {{1, 1, 1, 1, 0}, {{0, 0}}},
  };
  for (const auto& [order, cells] : cases)
    EXPECT_EQ(Cells(order), cells) << order.NX << "x" << order.NY;
}

TEST(FieldOrderTest, EveryCombinationVisitsEveryFieldOnce) {
  for (int16_t nx = 1; nx <= 6; ++nx)
    for (int16_t ny = 1; ny <= 6; ++ny)
      for (int16_t axis : {0, 1})
        for (int16_t start : {0, 1}) {
          std::vector<FieldCell> cells = Cells({nx, ny, axis, start, 0}), all;
          std::ranges::sort(cells, {}, [](const FieldCell& c) { return std::pair(c.j, c.i); });
          for (int32_t n = 0; n < nx * ny; ++n)
            all.push_back({n % nx, n / nx});
          EXPECT_EQ(cells, all) << nx << "x" << ny << " axis " << axis << " start " << start;
        }
}

TEST(FieldOrderTest, RestrictionKeepsToTheInscribedEllipse) {
  // Fields 0 to 17 of a 4 x 4 array, rows 1 and 3 backwards. The ellipse is measured from the
  // cells' corners: (0, 0) gives 4/4 + 4/4, (0, 3) 4/4 + 1/4, (2, 3) 0 + 1/4. Fields outside the
  // array are never skipped.
  std::string skipped;
  for (int32_t n = 0; n <= 17; ++n)
    skipped += FieldRestricted(n, FieldOrder{4, 4, 0, 0, 1}) ? 'x' : '.';
  EXPECT_EQ(skipped, ".xxxx...xx......x.");
  EXPECT_FALSE(FieldRestricted(1, FieldOrder{4, 4, 0, 0, 0}));
  // A single row or column lies wholly on or outside the ellipse: a restricted scan of it has no
  // field to visit.
  EXPECT_TRUE(FieldRestricted(1, FieldOrder{1, 1, 0, 0, 1}));
}

TEST(ScanLayoutTest, TilesRoundHalvesToEvenAndRefuseImpossibleLayouts) {
  ScanSettings tiles;
  tiles.ScanOverlap = 20;
  const ScanArea area{100, 200, 0, 0, 850, 500};
  const FieldOfView field{0, 0, 320, 120};
  const LayoutResult r = ComputeLayout(tiles, area, {}, field);
  // 750 / 300 = 2.5 -> 2 steps, plus one column; 300 / 100 = 3 steps, plus one row.
  EXPECT_EQ(
      std::tuple(r.verdict, r.area.AreaXE, r.area.AreaYE, r.layout.NX, r.layout.NY, r.layout.StepX),
      std::tuple(LayoutVerdict::Ok, 750, 300, 3, 4, 300.0));
  const std::tuple<ScanArea, FieldOfView, LayoutVerdict> refused[] = {
      {area, {0, 0, 20, 120}, LayoutVerdict::BadStep},       // step 0
      {area, {0, 0, 21, 21}, LayoutVerdict::TooManyFields},  // step 1: 751 times 301 fields
      {{100, 200, 0, 0, -2000, 500}, field, LayoutVerdict::NoFields},  // right far left of left
      {{-2000000000, 0, 0, 0, 2000000000, 500}, field, LayoutVerdict::OutOfRange},
  };
  for (const auto& [a, f, verdict] : refused)
    EXPECT_EQ(ComputeLayout(tiles, a, {}, f).verdict, verdict) << a.AreaXR << " " << f.FieldX;
  // The width follows the edges even when the layout is refused.
  EXPECT_EQ(ComputeLayout(tiles, area, {}, {0, 0, 20, 120}).area.AreaXE, 750);
}

TEST(ScanLayoutTest, GridLayoutMakesTheAreaFollowTheGrid) {
  ScanSettings grid;
  grid.ScanTileGrid = 2;
  const LayoutResult r = ComputeLayout(grid, {}, ScanGrid{100, 200, 5, 3, 600, 600}, {});
  EXPECT_EQ(std::tuple(r.verdict, r.area.AreaX0, r.area.AreaXE, r.area.AreaYB, r.layout.NX),
            std::tuple(LayoutVerdict::Ok, 600, 400, 1000, 5));
  const std::pair<ScanGrid, LayoutVerdict> refused[] = {
      {{0, 200, 5, 3, 0, 0}, LayoutVerdict::BadStep},
      {{100, -1, 5, 3, 0, 0}, LayoutVerdict::BadStep},
      {{100, 200, 0, 3, 0, 0}, LayoutVerdict::NoFields},
      {{100, 200, 200, 200, 0, 0}, LayoutVerdict::TooManyFields},
      {{2000000000, 1, 3, 1, 0, 0}, LayoutVerdict::OutOfRange},
  };
  for (const auto& [g, verdict] : refused)
    EXPECT_EQ(ComputeLayout(grid, {}, g, {}).verdict, verdict) << g.GridStepX;
}

// The demonstration microscope on a line of 9600 baud, so that motions take their time and end
// between commands.
class ScanRig : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText(); }
  SimSystem s{RepoFolder("config/demo"), sim::LineOptions{.baud = 9600}};
  Scan& scan = s.system.scan;
};

TEST_F(ScanRig, FilesAreWrittenWholeInTheirKeyOrderAndReadBackKeyByKey) {
  scan.MutableSettings().ScanOverlap = 12.5;
  ASSERT_EQ(scan.SetScanMode("Grid"), 1);
  EXPECT_EQ(GetBytes(s.folder.File(kScanFile)),
            "\"SCANTILEGRID\", 2\r\n\"SCANAXIS\", 0\r\n\"SCANDIRECTION\", 0\r\n"
            "\"SCANOVERLAP\", 12.5\r\n\"SCANSTART\", 0\r\n\"SCANRESTRICTION\", 0\r\n");
  EXPECT_EQ(scan.SetScanMode("Tiles"), 1);  // no such mode: only saved
  EXPECT_EQ(scan.Settings().ScanTileGrid, 2);

  scan.MutableArea() = {-5, 7, 300, 401, 0, 0};
  scan.MutableGrid() = {10, 20, 3, 4, -100, 100};
  ASSERT_EQ(scan.WriteScanArea(), 1);
  ASSERT_EQ(scan.WriteScanGrid(), 1);
  EXPECT_EQ(GetBytes(s.folder.File(kScanAreaFile)),
            "\"SCANAREAXE\", 300\r\n\"SCANAREAYE\", 401\r\n\"SCANAREAX0\",-5\r\n"
            "\"SCANAREAY0\", 7\r\n");
  scan.MutableArea() = {};
  scan.MutableGrid() = {};
  ASSERT_EQ(scan.ReadScanArea(), 1);
  ASSERT_EQ(scan.ReadScanGrid(), 1);
  EXPECT_EQ(std::tuple(scan.Area().AreaXR, scan.Area().AreaYB, scan.Grid().GridSitesY,
                       scan.Grid().GridTLX),
            std::tuple(295, 408, 4, -100));
  for (const std::string& name : s.folder.Entries())
    EXPECT_TRUE(name.ends_with(".TXT")) << name;  // no temporary file left behind

  // A missing key keeps its value; an area out of range is not taken.
  PutBytes(s.folder.File(kScanAreaFile), "\"SCANAREAXE\", 100\r\n\"SCANAREAX0\", 2.5\r\n");
  EXPECT_EQ(scan.ReadScanArea(), -1);
  // X0 halves to even; the height stays.
  EXPECT_EQ(
      std::tuple(scan.Area().AreaXE, scan.Area().AreaX0, scan.Area().AreaYE, scan.Area().AreaXR),
      std::tuple(100, 2, 401, 102));
  PutBytes(s.folder.File(kScanAreaFile),
           "\"SCANAREAXE\", 2000000000\r\n\"SCANAREAYE\", 1\r\n\"SCANAREAX0\", 2000000000\r\n"
           "\"SCANAREAY0\", 0\r\n");
  EXPECT_EQ(scan.ReadScanArea(), -1);
  EXPECT_EQ(scan.Area().AreaXE, 100);
}

// The order in which the fields are visited on the stage is in
// tests/transcripts/specimen/scan_words.transcript and tests/transcripts/scan/reversed_fields.
TEST_F(ScanRig, ARestrictedScanSkipsTheCornersAndTheMapIsToldOfEveryField) {
  int drawn = 0;
  scan.SetHooks({{}, [&drawn](double, double, double width, double height) {
                   EXPECT_EQ(std::tuple(width, height), std::tuple(880.0, 660.0));
                   ++drawn;
                 }});
  scan.MutableSettings().ScanRestriction = 1;
  std::vector<int32_t> raster;
  for (int32_t r; (r = scan.NextField()) > 0;) {
    raster.push_back(r);
    EXPECT_EQ(s.system.stage.XYWait(), 1);  // the next move may start
  }
  // 7 x 7 fields, ellipse about (3.5, 3.5) measured from the cells' corners: row 0 lies on it,
  // rows 1 and 6 keep columns 2..5, rows 2..5 columns 1..6. Odd rows run backwards.
  EXPECT_EQ(raster,
            (std::vector<int32_t>{13, 12, 11, 10, 16, 17, 18, 19, 20, 21, 28, 27, 26, 25, 24, 23,
                                  30, 31, 32, 33, 34, 35, 42, 41, 40, 39, 38, 37, 45, 46, 47, 48}));
  EXPECT_EQ(drawn, 32);
  EXPECT_EQ(scan.CurrentField(), 50);  // stays past the end
}

TEST_F(ScanRig, AreaAndGridFollowTheStagePositionAndRefusalsChangeNothing) {
  int outlines = 0;
  scan.SetHooks({[&outlines] { ++outlines; }, {}});
  scan.MutableSpecimenBounds().SpecX0 = 1000;
  EXPECT_EQ(scan.AreaSet("BR", 20000.5, 16000), 1);
  // Relative to the specimen, 19000.5 halves to even; the old outline is erased, the new drawn.
  EXPECT_EQ(std::tuple(scan.Area().AreaXR, scan.Area().AreaXE, outlines),
            std::tuple(19000, 9000, 2));
  EXPECT_EQ(scan.AreaAnchor("TL", 1000, 0), 1);
  EXPECT_EQ(std::tuple(scan.Area().AreaXR, scan.Area().AreaYB), std::tuple(9000, 8000));
  // Refused changes leave area, grid, fields, map outline and files as they were.
  const auto state = [this, &outlines] {
    double x = 0, y = 0;  // microns
    scan.FieldPosition(scan.NumFields(), x, y);
    const ScanArea& a = scan.Area();
    return std::tuple(
        a.AreaX0, a.AreaXR, a.AreaYB, scan.Grid().GridStepX, scan.Grid().GridSitesX,
        scan.NumFields(), x, y, outlines,
        GetBytes(s.folder.File(kScanAreaFile)) + GetBytes(s.folder.File(kScanGridFile)));
  };
  const auto unchanged = [this, &state](auto change, LayoutVerdict verdict) {
    const auto before = state();
    EXPECT_EQ(change(), kLayoutRefused);
    EXPECT_EQ(scan.LastVerdict(), verdict);
    EXPECT_EQ(state(), before);
  };
  unchanged([this] { return scan.AreaSet("R", -5000, 0); }, LayoutVerdict::NoFields);

  // Grid items set from the stage position, and steps and site counts refused before the layout
  // is tried, are in tests/transcripts/specimen/grid_words and scan/refused_changes.
  scan.MutableSpecimenBounds().SpecX0 = 0;
  ASSERT_EQ(scan.SetScanMode("Grid"), 1);
  ASSERT_EQ(scan.GridSet("Sites", 5, 4), 1);
  unchanged([this] { return scan.GridSet("Step", 2000000000, 5); }, LayoutVerdict::OutOfRange);
  // The area follows the grid under the grid layout: setting it does not shape the layout.
  EXPECT_EQ(scan.AreaSet("R", -5000, 0), 1);
  EXPECT_EQ(scan.Area().AreaXR, 14000);
}

// A file the operator made read-only is left as it is, with a message; the change itself stands
// and the reply says what it always says.
TEST_F(ScanRig, AChangeStandsWhenItsFileIsReadOnly) {
  const std::string area = s.folder.File(kScanAreaFile);
  const std::string grid = s.folder.File(kScanGridFile);
  const std::string before = GetBytes(area) + GetBytes(grid);
  ASSERT_EQ(::chmod(area.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(grid.c_str(), 0444), 0);
  ASSERT_EQ(s.Run("XY 20000 15000;XY Wait"), "OK  ; OK  ; ");
  s.notifier.Clear();
  EXPECT_EQ(s.Run("Grid Step 100 200;Grid Step ?;Area Set BR"),
            "OK  ;  100  200  ; 20000.0 15000.0  ; ");
  EXPECT_EQ(scan.Area().AreaXE, 10000);
  ASSERT_EQ(s.notifier.Messages.size(), 2u);
  for (int i : {0, 1})
    EXPECT_EQ(s.notifier.Messages[i].Text,
              "File " + (i == 0 ? grid : area) + " is read-only and was not changed");
  EXPECT_EQ(GetBytes(area) + GetBytes(grid), before);
}

}  // namespace
}  // namespace qv::test
