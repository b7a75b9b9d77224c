// The map's scale, visible window and the transforms between picture pixels and stage microns.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/specimen/MapTestRig.h"

namespace qv::test {
namespace {

TEST(MapTransform, ScaleAndWindowFollowZoomAndCentre) {
  struct Row {
    double zoom;
    double centreX, centreY;
    double scale, visible, left, top;
  };
  const Row rows[] = {
      {1, 10000, 5000, 0.02, 20000, 0, -5000},  // the whole specimen, centred in height
      {2, 10000, 5000, 0.04, 10000, 5000, 0},   // twice the scale, half the window
      {2, 3000, 1000, 0.04, 10000, -2000, -4000},
      {4, 0, 0, 0.08, 5000, -2500, -2500},
  };
  for (const Row& row : rows) {
    MapRig rig;
    rig.map.ZoomSet(row.zoom, row.centreX, row.centreY);
    const MapWindow window = rig.map.MapOrigin();
    EXPECT_DOUBLE_EQ(window.Scale, row.scale) << row.zoom;
    EXPECT_EQ(window.VisibleWidth, row.visible);
    EXPECT_EQ(window.VisibleHeight, row.visible);
    EXPECT_EQ(window.Left, row.left) << row.zoom << " " << row.centreX;
    EXPECT_EQ(window.Top, row.top) << row.zoom << " " << row.centreY;
    // Both ways, the specimen origin added and taken away again.
    const MapPoint stage = rig.map.PixelToStage(100, 50);
    EXPECT_DOUBLE_EQ(stage.X, 100 / row.scale + row.left + 1000);
    EXPECT_DOUBLE_EQ(stage.Y, 50 / row.scale + row.top + 2000);
    const MapPoint pixel = rig.map.StageToPixel(stage.X, stage.Y);
    EXPECT_NEAR(pixel.X, 100, 1e-9);
    EXPECT_NEAR(pixel.Y, 50, 1e-9);
  }
}

TEST(MapTransform, AtOneToOneTheSpecimenFillsTheMiddleHalfOfTheHeight) {
  MapRig rig;
  rig.map.Zoom1To1();
  EXPECT_EQ(rig.map.ZoomCenterX(), 10000);
  EXPECT_EQ(rig.map.ZoomCenterY(), 5000);
  EXPECT_DOUBLE_EQ(rig.map.StageToPixel(1000, 2000).Y, 100);
  EXPECT_DOUBLE_EQ(rig.map.StageToPixel(21000, 12000).X, 400);
  EXPECT_DOUBLE_EQ(rig.map.StageToPixel(21000, 12000).Y, 300);
  const MapPoint relative = rig.map.StageToSpecimen(1500, 1500);
  EXPECT_EQ(relative.X, 500);
  EXPECT_EQ(relative.Y, -500);
}

TEST(MapTransform, ASpecimenOfSizeZeroOrNoPictureNeverDividesByZero) {
  MapRig rig;
  rig.specimen.XE = 0;
  EXPECT_DOUBLE_EQ(rig.map.MapScale(), 0.04);  // the height alone decides
  rig.specimen.YE = 0;
  EXPECT_DOUBLE_EQ(rig.map.MapScale(), 1);  // one micron per pixel at zoom 1
  rig.map.ZoomSet(3, 0, 0);
  EXPECT_DOUBLE_EQ(rig.map.MapScale(), 3);
  rig.map.Zoom1To1();
  EXPECT_EQ(rig.map.ZoomCenterX(), 0);
  const MapPoint stage = rig.map.PixelToStage(10, 20);
  EXPECT_TRUE(std::isfinite(stage.X) && std::isfinite(stage.Y));
  rig.objects = {{1000, 2000}};
  rig.map.Redraw(MapPoint{1000, 2000});
  EXPECT_GT(PaintedPixels(rig.canvas), 0);

  rig.map.AttachCanvas(nullptr);  // no window: a picture of 0 x 0
  rig.specimen = {0, 0, 20000, 10000};
  EXPECT_DOUBLE_EQ(rig.map.MapScale(), 1);
  EXPECT_TRUE(std::isfinite(rig.map.PixelToStage(5, 5).X));
}

}  // namespace
}  // namespace qv::test
