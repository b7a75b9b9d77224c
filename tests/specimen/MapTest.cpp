// The map pixel by pixel: transforms between picture and stage, marks, objects, XOR erasing,
// the redraw, picking with the mouse, and the zoom with its file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <tuple>
#include <vector>

#include "specimen/MapView.h"
#include "specimen/PixelCanvas.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test {
namespace {

using Colours = std::vector<Colour>;

// A map on a 400 x 400 pixel picture over a 20000 x 10000 micron specimen whose origin lies at
// stage (1000, 2000), with an object list and scan area the test can change.
struct MapRig {
  MapRig() {
    trapar.SetParDir(folder.Dir());
    map.AttachCanvas(&canvas);
    map.ZoomSet(1, 10000, 5000);
  }

  // Number of pixels that differ from the background.
  long Painted() const {
    return std::ranges::count_if(canvas.Pixels(), [](Colour pixel) { return pixel != 0; });
  }
  Colours At(std::initializer_list<std::pair<int, int>> pixels) const {
    Colours colours;
    for (const auto& [x, y] : pixels)
      colours.push_back(canvas.Pixel(x, y));
    return colours;
  }

  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
  MapSpecimen specimen{1000, 2000, 20000, 10000};
  MapArea area{2000, 1000, 4000, 2000};
  std::vector<MapPoint> objects;
  double attrDist = 100;
  PixelCanvas canvas{400, 400};
  MapView map{trapar, MapSources{
                          .Specimen = [this] { return specimen; },
                          .ScanArea = [this] { return area; },
                          .ObjectCount = [this] { return static_cast<int32_t>(objects.size()); },
                          .ObjectPosition = [this](int32_t n) { return objects.at(n - 1); },
                          .FindNearest = {},
                          .AttractionDistance = [this] { return attrDist; },
                      }};
};

TEST(MapTransform, ScaleAndWindowFollowZoomAndCentre) {
  struct Row {
    double zoom;
    double centreX, centreY;
    double scale, visible, left, top;
  };
  const Row rows[] = {
      {1, 10000, 5000, 0.02, 20000, 0, -5000},     // the whole specimen, centred in height
      {2, 3000, 1000, 0.04, 10000, -2000, -4000},  // twice the scale, half the window
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.zoom << " " << row.centreX << " " << row.centreY);
    MapRig rig;
    rig.map.ZoomSet(row.zoom, row.centreX, row.centreY);
    const MapWindow window = rig.map.MapOrigin();
    EXPECT_EQ(std::tuple(window.Scale, window.VisibleWidth, window.VisibleHeight, window.Left,
                         window.Top),
              std::tuple(row.scale, row.visible, row.visible, row.left, row.top));
    // Both ways, the specimen origin added and taken away again.
    const MapPoint stage = rig.map.PixelToStage(100, 50);
    EXPECT_DOUBLE_EQ(stage.X, 100 / row.scale + row.left + 1000);
    EXPECT_DOUBLE_EQ(stage.Y, 50 / row.scale + row.top + 2000);
    const MapPoint pixel = rig.map.StageToPixel(stage.X, stage.Y);
    EXPECT_NEAR(pixel.X, 100, 1e-9);
    EXPECT_NEAR(pixel.Y, 50, 1e-9);
  }
  // At 1 : 1 the specimen fills the middle half of the picture's height.
  MapRig rig;
  rig.map.ZoomSet(3, 0, 0);
  rig.map.Zoom1To1();
  const MapPoint origin = rig.map.StageToPixel(1000, 2000);
  const MapPoint end = rig.map.StageToPixel(21000, 12000);
  const MapPoint relative = rig.map.StageToSpecimen(1500, 1500);
  EXPECT_EQ(std::tuple(rig.map.GetZoom(), rig.map.ZoomCenterX(), rig.map.ZoomCenterY()),
            std::tuple(1.0, 10000, 5000));
  EXPECT_EQ(std::tuple(origin.X, origin.Y, end.X, end.Y, relative.X, relative.Y),
            std::tuple(0.0, 100.0, 400.0, 300.0, 500.0, -500.0));
}

TEST(MapTransform, ASpecimenOfSizeZeroOrNoPictureNeverDividesByZero) {
  MapRig rig;
  rig.specimen.XE = 0;
  EXPECT_DOUBLE_EQ(rig.map.MapScale(), 0.04);  // the height alone decides
  rig.specimen.YE = 0;
  rig.map.ZoomSet(3, 0, 0);
  EXPECT_DOUBLE_EQ(rig.map.MapScale(), 3);  // one micron per pixel at zoom 1
  const MapPoint stage = rig.map.PixelToStage(10, 20);
  EXPECT_TRUE(std::isfinite(stage.X) && std::isfinite(stage.Y));
  rig.objects = {{1000, 2000}};
  rig.map.Redraw(MapPoint{1000, 2000});
  EXPECT_GT(rig.Painted(), 0);

  rig.map.AttachCanvas(nullptr);  // no window: a picture of 0 x 0
  rig.specimen = {0, 0, 20000, 10000};
  EXPECT_DOUBLE_EQ(rig.map.MapScale(), 3);
  EXPECT_TRUE(std::isfinite(rig.map.PixelToStage(5, 5).X));
}

// Stage point shown at pixel (200, 200) with the rig's 1 : 1 zoom (50 microns per pixel).
constexpr double kX = 1000 + 200 * 50;
constexpr double kY = 2000 - 5000 + 200 * 50;

TEST(MapMarks, TheThreeShapesCoverExactlyTheirPixels) {
  struct Row {
    MarkShape shape;
    double size;
    bool inMicrons;
    long painted;
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
    EXPECT_EQ(std::tuple(rig.Painted(), rig.canvas.Pixel(200, 200) == kMarkColour,
                         rig.canvas.Pixel(200 - half, 200 - half) == kMarkColour),
              std::tuple(row.painted, row.centre, row.corner))
        << static_cast<int>(row.shape) << " " << row.size;
  }
}

TEST(MapMarks, AnXorMarkDrawnTwiceRestoresThePicture) {
  for (MarkShape shape : {MarkShape::Outline, MarkShape::Filled, MarkShape::Cross}) {
    MapRig rig;
    rig.objects = {{kX, kY}, {kX + 50, kY}, {kX, kY + 100}};
    rig.map.Redraw(std::nullopt);
    rig.map.DrawVisitedField(kX + 100, kY + 100, 400, 300);
    const Colours before = rig.canvas.Pixels();
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
  EXPECT_EQ(rig.Painted(), 0);
  rig.map.ZoomSet(1e12, 10000, 5000);  // every micron is far wider than the picture
  rig.map.DrawMark(kX, kY, 10, 10, true, kMarkColour, PenMode::Copy, MarkShape::Outline);
  EXPECT_EQ(rig.Painted(), 0);
}

TEST(MapMarks, StageMarkMovesAndAreaOutlineErasesItself) {
  MapRig rig;
  rig.map.ShowStageMark(kX, kY);
  rig.map.ShowStageMark(kX + 500, kY);  // ten pixels to the right; the old one is gone
  EXPECT_EQ(rig.At({{199, 199}, {209, 199}}), (Colours{0, kMarkColour}));
  EXPECT_EQ(rig.Painted(), 8);

  rig.canvas.Clear();
  rig.map.DrawScanAreaOutline();  // area 2000..6000 x 1000..3000: pixels 40..119 x 120..159
  EXPECT_EQ(rig.At({{40, 120}, {119, 159}, {80, 140}}), (Colours{kAreaColour, kAreaColour, 0}));
  rig.map.DrawScanAreaOutline();
  EXPECT_EQ(rig.Painted(), 0);
}

TEST(MapObjects, DrawHighlightAndOutOfRangeNumbers) {
  MapRig rig;
  rig.objects = {{kX, kY}, {kX + 500, kY}};
  rig.map.DrawAllObjects();
  EXPECT_EQ(rig.At({{200, 200}, {210, 200}}), (Colours{kObjColour, kObjColour}));
  // Highlighting one object gives the one highlighted before its own colour back.
  for (const auto& [n, first, second] :
       {std::tuple{2, kObjColour, kHighlightColour}, std::tuple{1, kHighlightColour, kObjColour}}) {
    rig.map.HighlightObjOnMap(n);
    EXPECT_EQ(rig.At({{200, 200}, {210, 200}}), (Colours{first, second})) << n;
  }
  rig.objects.clear();  // a new, empty list: nothing to repaint, nothing highlighted
  rig.map.HighlightObjOnMap(1);
  EXPECT_EQ(rig.map.HighlightedObj(), 0);
  for (int32_t n : {0, -1, 1})
    EXPECT_EQ(rig.map.DrawObject(n), -1) << n;
}

TEST(MapObjects, RedrawClearsDrawsObjectsOutlineAndStageMark) {
  MapRig rig;
  rig.objects = {{kX, kY}};
  rig.map.DrawVisitedField(kX, kY + 1000, 500, 500);
  rig.map.HighlightObjOnMap(1);
  rig.map.Redraw(MapPoint{kX + 500, kY});
  // The visited field is gone, the object no longer highlighted.
  EXPECT_EQ(rig.At({{200, 220}, {200, 200}, {40, 120}, {209, 199}}),
            (Colours{0, kObjColour, kAreaColour, kMarkColour}));
  EXPECT_EQ(rig.map.HighlightedObj(), 0);
  rig.map.EraseObjectMap(std::nullopt);
  EXPECT_EQ(rig.At({{200, 200}, {40, 120}}), (Colours{0, kAreaColour}));
}

// Objects 1 and 2 lie at the stage points of pixels (200, 200) and (300, 100); 50 microns per
// pixel. A right press opens the pop-up menu as well.
TEST(MapMouse, PressPicksTheNearestObjectWithinTheAttractionDistance) {
  struct Row {
    int px, py;
    double attrDist;
    const char* message;  // nullptr: the message line is left alone
    int32_t selected;
    bool noObjects = false;
  };
  const Row rows[] = {
      {200, 200, 100, " 1 Selected Obj.", 1},                  // exactly on it: no distance text
      {300, 102, 100, "Min.Dist.=100.00 2 Selected Obj.", 2},  // the limit itself picks
      {203, 204, 100, "Min.Dist.=250.00", 0},
      {203, 204, 250, "Min.Dist.=250.00 1 Selected Obj.", 1},
      {50, 60, 100, nullptr, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.px);
    MapRig rig;
    if (!row.noObjects)
      rig.objects = {rig.map.PixelToStage(200, 200), rig.map.PixelToStage(300, 100)};
    rig.attrDist = row.attrDist;
    const MouseButton button = row.noObjects ? MouseButton::Right : MouseButton::Left;
    const ClickOutcome outcome = rig.map.MousePress(row.px, row.py, button);
    EXPECT_EQ(outcome.Message.value_or("(none)"), row.message ? row.message : "(none)");
    EXPECT_EQ(std::tuple(outcome.SelectedObj, outcome.MoveToEnabled, rig.map.HighlightedObj()),
              std::tuple(row.selected, row.selected > 0, row.selected));
    EXPECT_EQ(std::tuple(outcome.Stage.X, outcome.Stage.Y),
              std::tuple(1000.0 + row.px * 50, 2000.0 - 5000 + row.py * 50));
    // The pop-up opens a little right of the click.
    EXPECT_EQ(std::tuple(outcome.OpenPopup, outcome.PopupX, outcome.PopupY),
              row.noObjects ? std::tuple(true, 60, 60) : std::tuple(false, 0, 0));
  }
}

TEST(MapMouse, TheClickMarkIsErasedOnReleaseAndNeverLeftBehind) {
  MapRig rig;
  rig.map.Redraw(MapPoint{5000, 5000});
  const Colours before = rig.canvas.Pixels();
  rig.map.MousePress(150, 150, MouseButton::Left);
  // Both bars cross the centre: what lies beneath shows there.
  EXPECT_EQ(rig.At({{150, 150}, {146, 150}, {150, 154}}), (Colours{0, kMarkColour, kMarkColour}));
  rig.map.MouseRelease();
  EXPECT_EQ(rig.canvas.Pixels(), before);
  // A press whose release went to the pop-up menu, then another press and a double click.
  rig.map.MousePress(150, 150, MouseButton::Right);
  rig.map.MousePress(250, 250, MouseButton::Left);
  EXPECT_EQ(rig.canvas.Pixel(150, 150), 0u);
  rig.map.EraseClickMark();
  rig.map.MouseRelease();
  EXPECT_EQ(rig.canvas.Pixels(), before);

  // An object clicked exactly stays highlighted under the cross's centre.
  rig.objects = {rig.map.PixelToStage(200, 200)};
  rig.map.DrawAllObjects();
  Colours expected = rig.canvas.Pixels();
  expected[200 * 400 + 200] = kHighlightColour;
  EXPECT_EQ(rig.map.MousePress(200, 200, MouseButton::Left).SelectedObj, 1);
  rig.map.MouseRelease();
  EXPECT_EQ(rig.canvas.Pixels(), expected);  // the rest of the cross is gone
}

TEST(MapZoom, CentreOnClickAndCaptions) {
  MapRig rig;
  rig.map.MousePress(300, 100, MouseButton::Right);
  rig.map.CentreOnClick(-1);    // "Set Zoom Center": the zoom stays
  EXPECT_EQ(rig.Painted(), 0);  // the click mark went with it
  // The click's point is now in the middle, so a click there keeps the centre.
  rig.map.MousePress(200, 200, MouseButton::Right);
  rig.map.CentreOnClick(2);
  EXPECT_EQ(std::tuple(rig.map.GetZoom(), rig.map.ZoomCenterX(), rig.map.ZoomCenterY()),
            std::tuple(2.0, 15000, 0));
  EXPECT_EQ(rig.map.ZoomCaption(ZoomMenu::Popup), "Zoom (2 : 1)");
  rig.map.ZoomSet(2.5, 0, 0);
  EXPECT_EQ(rig.map.ZoomCaption(ZoomMenu::Main), "Zoom  (3 : 1)");
}

TEST(MapZoom, TheFileIsWrittenAtEveryChangeAndReadBackKeyByKey) {
  MapRig rig;
  rig.map.ZoomSet(2, 3000.5, -1000.5);  // halves to the even neighbour
  EXPECT_EQ(GetBytes(rig.folder.File(kZoomFile)),
            "\"ZOOM\", 2\r\n\"ZOOMCENTERX\", 3000\r\n\"ZOOMCENTERY\",-1000\r\n");
  rig.map.ZoomSet(0, 5e12, 7);  // no zoom of 0, no centre beyond 32 bits
  MapView other(rig.trapar, MapSources{});
  EXPECT_EQ(other.ReadZoomPar(), 1);
  EXPECT_EQ(std::tuple(other.GetZoom(), other.ZoomCenterX(), other.ZoomCenterY()),
            std::tuple(2.0, 3000, 7));

  // A missing key, an unusable value or a missing file keeps the value before.
  const std::tuple<const char*, double, int32_t> rows[] = {
      {"\"ZOOM\", 3\r\n\"ZOOMCENTERX\", 10\r\n", 3, 10},
      {"\"ZOOM\", 0\r\n\"ZOOMCENTERX\", x\r\n\"ZOOMCENTERY\", 20\r\n", 2, 3000},
      {nullptr, 2, 3000},
  };
  for (const auto& [content, zoom, centreX] : rows) {
    rig.map.ZoomSet(2, 3000, 4000);
    std::filesystem::remove(rig.folder.File(kZoomFile));
    if (content) PutBytes(rig.folder.File(kZoomFile), content);
    EXPECT_EQ(rig.map.ReadZoomPar(), -1);
    EXPECT_EQ(std::tuple(rig.map.GetZoom(), rig.map.ZoomCenterX()), std::tuple(zoom, centreX))
        << (content ? content : "no file");
  }
}

}  // namespace
}  // namespace qv::test
