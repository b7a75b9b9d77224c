// Marks, objects, XOR erasing and the redraw of the map, checked pixel by pixel.
#include <gtest/gtest.h>

#include "tests/specimen/MapTestRig.h"

namespace qv::test {
namespace {

// Stage point shown at pixel (200, 200) with the rig's 1 : 1 zoom (50 microns per pixel).
constexpr double kX = 1000 + 200 * 50;
constexpr double kY = 2000 - 5000 + 200 * 50;

TEST(MapMarks, TheThreeShapesCoverExactlyTheirPixels) {
  struct Row {
    MarkShape shape;
    double size;
    bool inMicrons;
    int painted;
    bool centre, corner;  // (200, 200) and (200 - size / 2, 200 - size / 2) painted
  };
  const Row rows[] = {
      {MarkShape::Outline, 3, false, 8, false, true},
      {MarkShape::Filled, 3, false, 9, true, true},
      {MarkShape::Cross, 9, false, 17, true, false},
      {MarkShape::Filled, 250, true, 25, true, true},  // 250 microns are 5 pixels
      {MarkShape::Filled, 10, true, 1, true, true},    // below a pixel: still one pixel
  };
  for (const Row& row : rows) {
    MapRig rig;
    rig.map.DrawMark(kX, kY, row.size, row.size, row.inMicrons, kMarkColour, PenMode::Copy,
                     row.shape);
    const int half = static_cast<int>(row.inMicrons ? row.size / 50 : row.size) / 2;
    EXPECT_EQ(PaintedPixels(rig.canvas), row.painted) << static_cast<int>(row.shape);
    EXPECT_EQ(rig.canvas.Pixel(200, 200) == kMarkColour, row.centre);
    EXPECT_EQ(rig.canvas.Pixel(200 - half, 200 - half) == kMarkColour, row.corner);
  }
}

TEST(MapMarks, AnXorMarkDrawnTwiceRestoresThePicture) {
  for (MarkShape shape : {MarkShape::Outline, MarkShape::Filled, MarkShape::Cross}) {
    MapRig rig;
    rig.objects = {{kX, kY}, {kX + 50, kY}, {kX, kY + 100}};
    rig.map.Redraw(std::nullopt);
    rig.map.DrawVisitedField(kX + 100, kY + 100, 400, 300);
    const std::vector<Colour> before = rig.canvas.Pixels();
    rig.map.DrawMark(kX, kY, 9, 9, false, kMarkColour, PenMode::Xor, shape);
    EXPECT_NE(rig.canvas.Pixels(), before);
    rig.map.DrawMark(kX, kY, 9, 9, false, kMarkColour, PenMode::Xor, shape);
    EXPECT_EQ(rig.canvas.Pixels(), before) << static_cast<int>(shape);
  }
}

TEST(MapMarks, MarksOffThePictureOrAtHugeZoomAreClippedAway) {
  MapRig rig;
  rig.map.DrawMark(-1e12, kY, 1e9, 1e9, true, kMarkColour, PenMode::Copy, MarkShape::Filled);
  rig.map.DrawMark(kX, 1e300, 9, 9, false, kMarkColour, PenMode::Xor, MarkShape::Cross);
  EXPECT_EQ(PaintedPixels(rig.canvas), 0);
  rig.map.ZoomSet(1e12, 10000, 5000);  // every micron is far wider than the picture
  rig.map.DrawMark(kX, kY, 10, 10, true, kMarkColour, PenMode::Copy, MarkShape::Outline);
  EXPECT_EQ(PaintedPixels(rig.canvas), 0);
}

TEST(MapMarks, StageMarkMovesAndAreaOutlineErasesItself) {
  MapRig rig;
  rig.map.ShowStageMark(kX, kY);
  EXPECT_EQ(rig.canvas.Pixel(199, 199), kMarkColour);
  rig.map.ShowStageMark(kX + 500, kY);  // ten pixels to the right; the old one is gone
  EXPECT_EQ(rig.canvas.Pixel(199, 199), 0u);
  EXPECT_EQ(rig.canvas.Pixel(209, 199), kMarkColour);
  EXPECT_EQ(PaintedPixels(rig.canvas), 8);

  rig.canvas.Clear();
  rig.map.DrawScanAreaOutline();  // area 2000..6000 x 1000..3000: pixels 40..119 x 120..159
  EXPECT_EQ(rig.canvas.Pixel(40, 120), kAreaColour);
  EXPECT_EQ(rig.canvas.Pixel(119, 159), kAreaColour);
  EXPECT_EQ(rig.canvas.Pixel(80, 140), 0u);
  rig.map.DrawScanAreaOutline();
  EXPECT_EQ(PaintedPixels(rig.canvas), 0);
}

TEST(MapObjects, DrawHighlightAndOutOfRangeNumbers) {
  MapRig rig;
  rig.objects = {{kX, kY}, {kX + 500, kY}};
  rig.map.DrawAllObjects();
  EXPECT_EQ(rig.canvas.Pixel(200, 200), kObjColour);
  EXPECT_EQ(rig.canvas.Pixel(210, 200), kObjColour);
  rig.map.HighlightObjOnMap(2);
  EXPECT_EQ(rig.canvas.Pixel(210, 200), kHighlightColour);
  rig.map.HighlightObjOnMap(1);
  EXPECT_EQ(rig.canvas.Pixel(200, 200), kHighlightColour);
  EXPECT_EQ(rig.canvas.Pixel(210, 200), kObjColour);
  EXPECT_EQ(rig.map.HighlightedObj(), 1);
  rig.objects.clear();  // a new, empty list: nothing to repaint, nothing highlighted
  rig.map.HighlightObjOnMap(1);
  EXPECT_EQ(rig.map.HighlightedObj(), 0);
  for (int32_t n : {0, -1, 1})
    EXPECT_EQ(rig.map.DrawObject(n), -1) << n;
  rig.objects = {{kX, kY}};
  EXPECT_EQ(rig.map.DrawObject(1), 1);
}

TEST(MapObjects, RedrawClearsDrawsObjectsOutlineAndStageMark) {
  MapRig rig;
  rig.objects = {{kX, kY}};
  rig.map.DrawVisitedField(kX, kY + 1000, 500, 500);
  rig.map.HighlightObjOnMap(1);
  rig.map.Redraw(MapPoint{kX + 500, kY});
  EXPECT_EQ(rig.canvas.Pixel(200, 220), 0u);  // the field is gone
  EXPECT_EQ(rig.canvas.Pixel(200, 200), kObjColour);
  EXPECT_EQ(rig.map.HighlightedObj(), 0);
  EXPECT_EQ(rig.canvas.Pixel(40, 120), kAreaColour);
  EXPECT_EQ(rig.canvas.Pixel(209, 199), kMarkColour);
  rig.map.EraseObjectMap(std::nullopt);
  EXPECT_EQ(rig.canvas.Pixel(200, 200), 0u);
  EXPECT_EQ(rig.canvas.Pixel(40, 120), kAreaColour);
}

}  // namespace
}  // namespace qv::test
