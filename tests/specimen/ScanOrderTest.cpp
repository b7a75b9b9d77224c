// The field order and the layout arithmetic, without a stage: every axis, direction, start and
// restriction, and the layouts that cannot be computed.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "specimen/FieldOrder.h"
#include "specimen/ScanLayout.h"

namespace qv::test {
namespace {

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

}  // namespace
}  // namespace qv::test
