// The field order and the layout arithmetic, without a stage: every axis, direction, start and
// restriction, and the layouts that cannot be computed. Then the scan over the demonstration
// microscope: its files, the fields it steps through on the simulated stage, and the area and
// grid set from where the stage stands.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "specimen/FieldOrder.h"
#include "specimen/Scan.h"
#include "specimen/ScanLayout.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

using Position = std::pair<double, double>;

std::vector<FieldCell> Cells(const FieldOrder& order) {
  std::vector<FieldCell> cells;
  for (int32_t n = 1; n <= order.Count(); ++n)
    cells.push_back(FieldIndex(n, order));
  return cells;
}

struct OrderCase {
  FieldOrder order;
  std::vector<FieldCell> cells;
};

TEST(FieldOrderTest, SerpentinePassesAlongEitherAxisAndFromTheMiddle) {
  const OrderCase cases[] = {
      {{3, 2, 0, 0, 0}, {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {0, 1}}},
      {{3, 2, 1, 0, 0}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {2, 0}, {2, 1}}},
      // Four rows from the middle: rows 2, 3, 1, 0, the serpentine parity from the visit.
      {{2, 4, 0, 1, 0}, {{0, 2}, {1, 2}, {1, 3}, {0, 3}, {0, 1}, {1, 1}, {1, 0}, {0, 0}}},
      // Five rows from the middle: every row once, 2 3 4 1 0.
      {{1, 5, 0, 1, 0}, {{0, 2}, {0, 3}, {0, 4}, {0, 1}, {0, 0}}},
      // Three columns from the middle: 1 2 0.
      {{3, 2, 1, 1, 0}, {{1, 0}, {1, 1}, {2, 1}, {2, 0}, {0, 0}, {0, 1}}},
      {{1, 1, 1, 1, 0}, {{0, 0}}},
  };
  for (const OrderCase& c : cases) {
    EXPECT_EQ(Cells(c.order), c.cells) << c.order.NX << "x" << c.order.NY;
  }
  const FieldOrder rows{3, 2, 0, 0, 0};
  std::vector<int32_t> raster;
  for (const FieldCell& cell : Cells(rows))
    raster.push_back(RasterNumber(cell, rows));
  EXPECT_EQ(raster, (std::vector<int32_t>{1, 2, 3, 6, 5, 4}));
}

TEST(FieldOrderTest, EveryCombinationVisitsEveryFieldOnce) {
  for (int16_t nx = 1; nx <= 6; ++nx) {
    for (int16_t ny = 1; ny <= 6; ++ny) {
      for (int16_t axis : {0, 1}) {
        for (int16_t start : {0, 1}) {
          const FieldOrder order{nx, ny, axis, start, 0};
          std::set<std::pair<int32_t, int32_t>> seen;
          for (const FieldCell& cell : Cells(order)) {
            EXPECT_TRUE(cell.i >= 0 && cell.i < nx && cell.j >= 0 && cell.j < ny);
            seen.insert({cell.i, cell.j});
          }
          EXPECT_EQ(seen.size(), static_cast<size_t>(nx * ny))
              << nx << "x" << ny << " axis " << axis << " start " << start;
        }
      }
    }
  }
}

TEST(FieldOrderTest, RestrictionKeepsToTheInscribedEllipse) {
  const FieldOrder order{4, 4, 0, 0, 1};
  // Raster and field numbers agree on row 0; row 2 runs forwards again.
  EXPECT_TRUE(FieldRestricted(1, order));    // (0, 0): 4/4 + 4/4 = 2
  EXPECT_FALSE(FieldRestricted(11, order));  // (2, 2): the centre
  EXPECT_FALSE(FieldRestricted(1, FieldOrder{4, 4, 0, 0, 0}));
  EXPECT_FALSE(FieldRestricted(0, order));
  EXPECT_FALSE(FieldRestricted(17, order));
  // The ellipse is measured from the cells' corners, so a single row or column lies wholly on
  // or outside it: a restricted scan of it has no field to visit.
  EXPECT_TRUE(FieldRestricted(1, FieldOrder{1, 1, 0, 0, 1}));
  EXPECT_TRUE(FieldRestricted(16, order));   // (0, 3): 4/4 + 1/4
  EXPECT_FALSE(FieldRestricted(14, order));  // (2, 3): 0 + 1/4
}

TEST(ScanLayoutTest, TilesRoundHalvesToEvenAndRefuseImpossibleLayouts) {
  ScanSettings tiles;
  tiles.ScanOverlap = 20;
  ScanArea area{100, 200, 0, 0, 850, 500};
  FieldOfView field{0, 0, 320, 120};
  LayoutResult r = ComputeLayout(tiles, area, {}, field);
  ASSERT_EQ(r.verdict, LayoutVerdict::Ok);
  EXPECT_EQ(r.area.AreaXE, 750);
  EXPECT_EQ(r.area.AreaYE, 300);
  EXPECT_EQ(r.layout.NX, 3);  // 750 / 300 = 2.5 -> 2, plus one
  EXPECT_EQ(r.layout.NY, 4);  // 300 / 100 = 3, plus one
  EXPECT_DOUBLE_EQ(r.layout.StepX, 300);

  field.FieldX = 20;  // step 0
  EXPECT_EQ(ComputeLayout(tiles, area, {}, field).verdict, LayoutVerdict::BadStep);
  EXPECT_EQ(ComputeLayout(tiles, area, {}, field).area.AreaXE, 750);
  field.FieldX = field.FieldY = 21;  // step 1: 751 columns times 301 rows
  EXPECT_EQ(ComputeLayout(tiles, area, {}, field).verdict, LayoutVerdict::TooManyFields);
  field = {0, 0, 320, 120};
  area.AreaXR = -2000;  // right edge far left of the left edge
  EXPECT_EQ(ComputeLayout(tiles, area, {}, field).verdict, LayoutVerdict::NoFields);
  area = {-2000000000, 0, 0, 0, 2000000000, 500};
  EXPECT_EQ(ComputeLayout(tiles, area, {}, field).verdict, LayoutVerdict::OutOfRange);
}

TEST(ScanLayoutTest, GridLayoutMakesTheAreaFollowTheGrid) {
  ScanSettings grid;
  grid.ScanTileGrid = 2;
  const LayoutResult r = ComputeLayout(grid, {}, ScanGrid{100, 200, 5, 3, 600, 600}, {});
  ASSERT_EQ(r.verdict, LayoutVerdict::Ok);
  EXPECT_EQ(r.area.AreaX0, 600);
  EXPECT_EQ(r.area.AreaXE, 400);
  EXPECT_EQ(r.area.AreaYB, 1000);
  EXPECT_EQ(r.layout.NX, 5);
  const std::pair<ScanGrid, LayoutVerdict> refused[] = {
      {{0, 200, 5, 3, 0, 0}, LayoutVerdict::BadStep},
      {{100, -1, 5, 3, 0, 0}, LayoutVerdict::BadStep},
      {{100, 200, 0, 3, 0, 0}, LayoutVerdict::NoFields},
      {{100, 200, 200, 200, 0, 0}, LayoutVerdict::TooManyFields},
      {{2000000000, 1, 3, 1, 0, 0}, LayoutVerdict::OutOfRange},
  };
  for (const auto& [g, verdict] : refused) {
    EXPECT_EQ(ComputeLayout(grid, {}, g, {}).verdict, verdict) << g.GridStepX;
  }
}

// The demonstration microscope on a line of 9600 baud, so that motions take their time and end
// between commands.
class ScanRig : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText(); }
  SimSystem s{RepoFolder("config/demo"), sim::LineOptions{.baud = 9600}};
  Scan& scan = s.system.scan;
};

TEST_F(ScanRig, FilesAreWrittenWholeInTheirKeyOrderAndReadBack) {
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
  EXPECT_EQ(scan.Area().AreaXR, 295);
  EXPECT_EQ(scan.Area().AreaYB, 408);
  EXPECT_EQ(scan.Grid().GridSitesY, 4);
  EXPECT_EQ(scan.Grid().GridTLX, -100);
  for (const std::string& name : s.folder.Entries()) {
    EXPECT_TRUE(name.ends_with(".TXT")) << name;  // no temporary file left behind
  }
}

TEST_F(ScanRig, AMissingKeyKeepsItsValueAndAnAreaOutOfRangeIsNotTaken) {
  PutBytes(s.folder.File(kScanAreaFile), "\"SCANAREAXE\", 100\r\n\"SCANAREAX0\", 2.5\r\n");
  EXPECT_EQ(scan.ReadScanArea(), -1);
  EXPECT_EQ(scan.Area().AreaXE, 100);
  EXPECT_EQ(scan.Area().AreaX0, 2);  // halves to even
  EXPECT_EQ(scan.Area().AreaYE, 4000);
  EXPECT_EQ(scan.Area().AreaXR, 102);
  PutBytes(s.folder.File(kScanAreaFile),
           "\"SCANAREAXE\", 2000000000\r\n\"SCANAREAYE\", 1\r\n\"SCANAREAX0\", 2000000000\r\n"
           "\"SCANAREAY0\", 0\r\n");
  EXPECT_EQ(scan.ReadScanArea(), -1);
  EXPECT_EQ(scan.Area().AreaXE, 100);
}

// The order in which the fields are visited on the stage is in
// tests/transcripts/specimen/scan_words.transcript and tests/transcripts/scan/reversed_fields.
TEST_F(ScanRig, ARestrictedScanSkipsTheCornersAndTheMapIsToldOfEveryField) {
  std::vector<Position> drawn;
  scan.SetHooks({{}, [&drawn](double x, double y, double w, double h) {
                   EXPECT_EQ(w, 880);
                   EXPECT_EQ(h, 660);
                   drawn.push_back({x, y});
                 }});
  scan.MutableSettings().ScanRestriction = 1;
  std::vector<int32_t> raster;
  for (int32_t r; (r = scan.NextField()) > 0;) {
    raster.push_back(r);
    EXPECT_EQ(s.system.stage.XYWait(), 1);  // the next move may start
  }
  // 7 x 7 fields, ellipse about (3.5, 3.5) measured from the cells' corners: row 0 lies on it,
  // rows 1 and 6 keep columns 2..5, rows 2..5 columns 1..6. Row 1 runs backwards.
  ASSERT_EQ(raster.size(), 32u);
  EXPECT_EQ(raster.front(), 13);
  EXPECT_EQ(raster[4], 16);
  EXPECT_EQ(drawn.size(), raster.size());
  EXPECT_EQ(scan.Settings().ScanRestriction, 1);
  EXPECT_EQ(scan.CurrentField(), 50);  // stays past the end
}

TEST_F(ScanRig, AreaAndGridFollowTheStagePositionAndRedrawTheOutline) {
  int outlines = 0;
  scan.SetHooks({[&outlines] { ++outlines; }, {}});
  scan.MutableSpecimenBounds().SpecX0 = 1000;
  EXPECT_EQ(scan.AreaSet("BR", 20000.5, 16000), 1);
  EXPECT_EQ(outlines, 2);
  EXPECT_EQ(scan.Area().AreaXR, 19000);  // 19000.5 to even
  EXPECT_EQ(scan.Area().AreaXE, 9000);
  EXPECT_EQ(scan.AreaAnchor("TL", 1000, 0), 1);
  EXPECT_EQ(scan.Area().AreaXR, 9000);
  EXPECT_EQ(scan.Area().AreaYB, 8000);
  EXPECT_EQ(scan.AreaSet("X", 0, 0), -1);
  EXPECT_EQ(outlines, 4);
  // Refused changes leave area, grid, fields, map outline and files as they were.
  const auto state = [this, &outlines] {
    double x = 0, y = 0;  // microns
    scan.FieldPosition(scan.NumFields(), x, y);
    const ScanArea& a = scan.Area();
    const ScanGrid& g = scan.Grid();
    return ::testing::PrintToString(std::vector<double>{
               1.0 * a.AreaX0, 1.0 * a.AreaXR, 1.0 * a.AreaYB, 1.0 * g.GridStepX,
               1.0 * g.GridSitesX, 1.0 * scan.NumFields(), x, y, 1.0 * outlines}) +
           GetBytes(s.folder.File(kScanAreaFile)) + GetBytes(s.folder.File(kScanGridFile));
  };
  const auto unchanged = [this, &state](auto change, LayoutVerdict verdict) {
    const std::string before = state();
    EXPECT_EQ(change(), kLayoutRefused);
    EXPECT_EQ(scan.LastVerdict(), verdict);
    EXPECT_EQ(state(), before);
  };
  unchanged([this] { return scan.AreaSet("R", -5000, 0); }, LayoutVerdict::NoFields);
  unchanged([this] { return scan.AreaSet("BR", 9e6, 9e6); }, LayoutVerdict::TooManyFields);

  // Grid items set from the stage position are in tests/transcripts/specimen/grid_words.
  scan.MutableSpecimenBounds().SpecX0 = 0;
  ASSERT_EQ(scan.SetScanMode("Grid"), 1);
  ASSERT_EQ(scan.GridSet("Sites", 5, 4), 1);
  EXPECT_EQ(scan.NumFields(), 20);
  unchanged([this] { return scan.GridSet("Step", 0, 5); }, LayoutVerdict::BadStep);
  unchanged([this] { return scan.GridSet("Sites", 200, 200); }, LayoutVerdict::TooManyFields);
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
  const std::string areaBefore = GetBytes(area), gridBefore = GetBytes(grid);
  ASSERT_EQ(::chmod(area.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(grid.c_str(), 0444), 0);
  ASSERT_EQ(s.Run("XY 20000 15000;XY Wait"), "OK  ; OK  ; ");
  s.notifier.Clear();
  EXPECT_EQ(s.Run("Grid Step 100 200;Grid Step ?;Area Set BR"),
            "OK  ;  100  200  ; 20000.0 15000.0  ; ");
  EXPECT_EQ(scan.Area().AreaXE, 10000);
  ASSERT_EQ(s.notifier.Messages.size(), 2u);
  EXPECT_EQ(s.notifier.Messages[0].Text, "File " + grid + " is read-only and was not changed");
  EXPECT_EQ(s.notifier.Messages[1].Text, "File " + area + " is read-only and was not changed");
  EXPECT_EQ(GetBytes(area), areaBefore);
  EXPECT_EQ(GetBytes(grid), gridBefore);
}

TEST_F(ScanRig, WithoutTheStageTheLayoutModeStays) {
  ASSERT_EQ(s.Run("Scan Grid"), "OK  ; ");
  s.system.state.Ready.XYReady = 0;
  EXPECT_EQ(s.Run("Scan Tile"), "Off  ; ");
  EXPECT_EQ(scan.Settings().ScanTileGrid, 2);
}

}  // namespace
}  // namespace qv::test
