// The specimen: the map pixel by pixel (transforms, marks, objects, XOR erasing, the redraw,
// picking with the mouse, the zoom file); the object list and its file; the joystick's scaling,
// calibration, buttons and polling; field order, layout arithmetic and the scan over the
// demonstration microscope. The replies of their words are in tests/transcripts/specimen/, scan/.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "commands/JoyCommandsHandler.h"
#include "specimen/FieldOrder.h"
#include "specimen/Joystick.h"
#include "specimen/MapView.h"
#include "specimen/ObjectList.h"
#include "specimen/PixelCanvas.h"
#include "specimen/Scan.h"
#include "specimen/ScanLayout.h"
#include "tests/support/SimSystem.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

using Colours = std::vector<Colour>;

// A map on a 400 x 400 pixel picture over a 20000 x 10000 micron specimen whose origin lies at
// stage (1000, 2000), with an object list and scan area the test can change.
struct MapRig {
  MapRig() {
    keywordFiles.SetParDir(folder.Dir());
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
  KeywordFiles keywordFiles{notifier};
  MapSpecimen specimen{1000, 2000, 20000, 10000};
  MapArea area{2000, 1000, 4000, 2000};
  std::vector<MapPoint> objects;
  double attrDist = 100;
  PixelCanvas canvas{400, 400};
  MapView map{keywordFiles,
              MapSources{
                  .Specimen = [this] { return specimen; },
                  .ScanArea = [this] { return area; },
                  .ObjectCount = [this] { return static_cast<int32_t>(objects.size()); },
                  .ObjectPosition = [this](int32_t n) { return objects.at(n - 1); },
                  .FindNearest = {},
                  .AttractionDistance = [this] { return attrDist; },
              }};
};

TEST(MapTransform, ScaleAndWindowFollowZoomAndCentre) {
  // Zoom, centre X and Y; then scale, visible width and height, left, top.
  const std::array<double, 7> rows[] = {
      {1, 10000, 5000, 0.02, 20000, 0, -5000},     // the whole specimen, centred in height
      {2, 3000, 1000, 0.04, 10000, -2000, -4000},  // twice the scale, half the window
  };
  for (const auto& [zoom, centreX, centreY, scale, visible, left, top] : rows) {
    SCOPED_TRACE(::testing::Message() << zoom << " " << centreX << " " << centreY);
    MapRig rig;
    rig.map.ZoomSet(zoom, centreX, centreY);
    const MapWindow window = rig.map.MapOrigin();
    EXPECT_EQ(std::tuple(window.Scale, window.VisibleWidth, window.VisibleHeight, window.Left,
                         window.Top),
              std::tuple(scale, visible, visible, left, top));
    // Both ways, the specimen origin added and taken away again.
    const MapPoint stage = rig.map.PixelToStage(100, 50);
    EXPECT_DOUBLE_EQ(stage.X, 100 / scale + left + 1000);
    EXPECT_DOUBLE_EQ(stage.Y, 50 / scale + top + 2000);
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
  // Shape, size, in microns or pixels; pixels painted, whether (200, 200) and the corner
  // (200 - size / 2, 200 - size / 2) are painted.
  const std::tuple<MarkShape, double, bool, long, bool, bool> rows[] = {
      {MarkShape::Outline, 3, false, 8, false, true},
      {MarkShape::Filled, 3, false, 9, true, true},
      {MarkShape::Cross, 9, false, 17, true, false},
      {MarkShape::Filled, 250, true, 25, true, true},  // 250 microns are 5 pixels
      {MarkShape::Filled, 10, true, 1, true, true},    // below a pixel: still one pixel
  };
  for (const auto& [shape, size, inMicrons, painted, centre, corner] : rows) {
    MapRig rig;
    rig.map.DrawMark(kX, kY, size, size, inMicrons, kMarkColour, PenMode::Copy, shape);
    const int half = static_cast<int>(inMicrons ? size / 50 : size) / 2;
    EXPECT_EQ(std::tuple(rig.Painted(), rig.canvas.Pixel(200, 200) == kMarkColour,
                         rig.canvas.Pixel(200 - half, 200 - half) == kMarkColour),
              std::tuple(painted, centre, corner))
        << static_cast<int>(shape) << " " << size;
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

// The stage mark, a square of 11 pixels around a dot of 3, stays the same size at every zoom.
TEST(MapMarks, StageMarkMovesAndAreaOutlineErasesItself) {
  MapRig rig;
  rig.map.ShowStageMark(kX, kY);
  rig.map.ShowStageMark(kX + 500, kY);  // ten pixels to the right; the old one is gone
  EXPECT_EQ(rig.At({{199, 199}, {209, 199}, {205, 195}, {207, 197}}),
            (Colours{0, kMarkColour, kMarkColour, 0}));
  EXPECT_EQ(rig.Painted(), 40 + 9);
  rig.map.ShowStageMark(kX + 50000, kY);  // off the picture: nothing drawn, but known where
  EXPECT_EQ(rig.Painted(), 0);
  EXPECT_EQ(rig.map.StageMarkPixel(), std::optional(std::pair(1200, 200)));

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

// Objects are squares of 7 pixels with a lighter edge at every zoom; the specimen has a grey
// outline.
TEST(MapObjects, RedrawClearsDrawsObjectsOutlinesAndStageMark) {
  MapRig rig;
  rig.objects = {{kX, kY}};
  rig.map.DrawVisitedField(kX, kY + 1000, 500, 500);
  rig.map.HighlightObjOnMap(1);
  rig.map.Redraw(MapPoint{kX + 500, kY});
  // The visited field is gone, the object no longer highlighted.
  EXPECT_EQ(
      rig.At({{200, 220}, {198, 202}, {197, 200}, {196, 200}, {40, 120}, {209, 199}, {0, 150}}),
      (Colours{0, kObjColour, MakeColour(128, 128, 255), 0, kAreaColour, kMarkColour,
               kSpecimenColour}));
  EXPECT_EQ(rig.map.HighlightedObj(), 0);
  rig.map.EraseObjectMap(std::nullopt);
  EXPECT_EQ(rig.At({{200, 200}, {40, 120}}), (Colours{0, kAreaColour}));
}

// Objects 1 and 2 lie at the stage points of pixels (200, 200) and (300, 100); 50 microns per
// pixel. A right press opens the pop-up menu as well.
TEST(MapMouse, PressPicksTheNearestObjectWithinTheAttractionDistance) {
  // Pixel, attraction distance, message line ("(none)": left alone), object selected, whether
  // the list is empty (the press is then a right one).
  const std::tuple<int, int, double, std::string, int32_t, bool> rows[] = {
      {200, 200, 100, " 1 Selected Obj.", 1, false},  // exactly on it: no distance text
      {300, 102, 100, "Min.Dist.=100.00 2 Selected Obj.", 2, false},  // the limit itself picks
      {203, 204, 100, "Min.Dist.=250.00", 0, false},
      {203, 204, 250, "Min.Dist.=250.00 1 Selected Obj.", 1, false},
      {50, 60, 100, "(none)", 0, true},
  };
  for (const auto& [px, py, attrDist, message, selected, noObjects] : rows) {
    SCOPED_TRACE(std::to_string(px) + "," + std::to_string(py) + " within " +
                 std::to_string(static_cast<int>(attrDist)));
    MapRig rig;
    if (!noObjects) rig.objects = {rig.map.PixelToStage(200, 200), rig.map.PixelToStage(300, 100)};
    rig.attrDist = attrDist;
    const ClickOutcome outcome =
        rig.map.MousePress(px, py, noObjects ? MouseButton::Right : MouseButton::Left);
    EXPECT_EQ(std::tuple(outcome.Message.value_or("(none)"), outcome.SelectedObj,
                         outcome.MoveToEnabled, rig.map.HighlightedObj()),
              std::tuple(message, selected, selected > 0, selected));
    EXPECT_EQ(std::tuple(outcome.Stage.X, outcome.Stage.Y),
              std::tuple(1000.0 + px * 50, 2000.0 - 5000 + py * 50));
    // The pop-up opens a little right of the click.
    EXPECT_EQ(std::tuple(outcome.OpenPopup, outcome.PopupX, outcome.PopupY),
              noObjects ? std::tuple(true, 60, 60) : std::tuple(false, 0, 0));
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
  rig.map.HighlightObjOnMap(1);
  const Colours expected = rig.canvas.Pixels();
  rig.map.DrawAllObjects();
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

// The wheel zooms around the pointer: the stage point under it stays there, within the whole
// microns of the centre; the zoom stays within 1 and kMaxZoom.
TEST(MapZoom, ZoomingAroundAPointKeepsItUnderThePointer) {
  MapRig rig;
  for (const auto& [factor, zoom] :
       {std::pair(2.0, 2.0), std::pair(0.25, 1.0), std::pair(1e9, kMaxZoom)}) {
    const MapPoint before = rig.map.PixelToStage(300, 120);
    rig.map.ZoomAround(factor, 300, 120);
    const MapPoint after = rig.map.PixelToStage(300, 120);
    EXPECT_EQ(rig.map.GetZoom(), zoom) << factor;
    EXPECT_NEAR(after.X, before.X, 2) << factor;
    EXPECT_NEAR(after.Y, before.Y, 2) << factor;
  }
}

// The scale bar: the longest of 1, 2 or 5 times a power of ten microns that fits.
TEST(MapZoom, TheScaleBarTakesARoundLength) {
  const std::tuple<double, int, double, int, std::string> rows[] = {
      {0.02, 100, 5000, 100, "5 mm"},  // pixels per micron, most pixels; the bar
      {0.04, 100, 2000, 80, "2 mm"},       {1, 100, 100, 100, "100 \u00B5m"},
      {200, 100, 0.5, 100, "0.5 \u00B5m"}, {0, 100, 0, 0, ""},
  };
  for (const auto& [scale, most, microns, pixels, label] : rows) {
    const ScaleBar bar = ChooseScaleBar(scale, most);
    EXPECT_EQ(std::tuple(bar.Microns, bar.Pixels, bar.Label), std::tuple(microns, pixels, label))
        << scale;
  }
}

TEST(MapZoom, TheFileIsWrittenAtEveryChangeAndReadBackKeyByKey) {
  MapRig rig;
  rig.map.ZoomSet(2, 3000.5, -1000.5);  // halves to the even neighbour
  EXPECT_EQ(GetBytes(rig.folder.File(kZoomFile)),
            "\"ZOOM\", 2\r\n\"ZOOMCENTERX\", 3000\r\n\"ZOOMCENTERY\",-1000\r\n");
  rig.map.ZoomSet(0, 5e12, 7);  // no zoom of 0, no centre beyond 32 bits
  MapView other(rig.keywordFiles, MapSources{});
  EXPECT_EQ(other.ReadZoomPar(), 1);
  EXPECT_EQ(std::tuple(other.GetZoom(), other.ZoomCenterX(), other.ZoomCenterY()),
            std::tuple(2.0, 3000, 7));

  // A missing key, an unusable value or a missing file keeps the value before.
  const std::tuple<std::string, std::optional<std::string>, double, int32_t> rows[] = {
      {"missing key", "\"ZOOM\", 3\r\n\"ZOOMCENTERX\", 10\r\n", 3, 10},
      {"unusable values", "\"ZOOM\", 0\r\n\"ZOOMCENTERX\", x\r\n\"ZOOMCENTERY\", 20\r\n", 2, 3000},
      {"no file", std::nullopt, 2, 3000},
  };
  for (const auto& [name, content, zoom, centreX] : rows) {
    SCOPED_TRACE(name);
    rig.map.ZoomSet(2, 3000, 4000);
    std::filesystem::remove(rig.folder.File(kZoomFile));
    if (content) PutBytes(rig.folder.File(kZoomFile), *content);
    EXPECT_EQ(rig.map.ReadZoomPar(), -1);
    EXPECT_EQ(rig.map.GetZoom(), zoom);
    EXPECT_EQ(rig.map.ZoomCenterX(), centreX);
  }
}

constexpr double U = kUndefinedPos;

TEST(ObjectList, GrowsBeyondFifty) {
  ObjectList list;
  for (int i = 1; i <= 51; ++i)
    EXPECT_EQ(list.ObjAdd(i, -i, i / 10.0, "o" + std::to_string(i)), i);
  std::string text;
  ASSERT_EQ(list.ObjGetText(51, text), 1);
  EXPECT_EQ(text, " 51 -51  5.1 o51");
  EXPECT_EQ(list.ObjGetText(INT32_MAX, text), -1);
}

// The grid redraws every row only when told to: a list replaced from a file by one of the same
// length must tell it, or the grid keeps showing the old objects.
TEST(ObjectList, FileRoundTripRoundsRenumbersAndReadsTokenByToken) {
  TempFolder folder;
  RecordingNotifier notifier;
  KeywordFiles keywordFiles{notifier};
  ObjectList list;
  list.ObjAdd(1.26, -0.04, 12.347, "two words");
  list.ObjAdd(U, 5, U, "a,\"b");  // a comma would make two objects of one
  const std::string path = folder.File("OBJ.TXT");
  EXPECT_EQ(list.ObjListWrite(keywordFiles, path), 2);
  EXPECT_EQ(GetBytes(path), " 1 1.3 0.0 12.35 two words\r\n\" 2 77777.7 5.0 77777.70 a,b\"\r\n");
  EXPECT_EQ(list.ObjListWrite(keywordFiles, folder.File("no/such/dir/OBJ.TXT")), -1);

  list.ObjSetChanged(0);
  EXPECT_EQ(list.ObjListRead(keywordFiles, path), 2);
  EXPECT_EQ(list.ObjGetChanged(), 1);
  EXPECT_EQ(list.ObjListToLines(),
            (PlainList{" 1 1.3 0.0 12.35 two", "\" 2 77777.7 5.0 77777.70 a,b\""}));
  list.ObjSetChanged(0);
  EXPECT_EQ(list.ObjListRead(keywordFiles, folder.File("MISSING.TXT")), -1);
  EXPECT_EQ(std::tuple(list.ObjListCount(), list.ObjGetChanged()), std::tuple(2, 0));

  // Numbers in the file are not object numbers; a comma outside quotes makes two objects; an
  // item is read token by token, and a number that is none or out of range is undefined.
  PutBytes(path,
           " 9 1 2 3\r\n 4\r\n7 10.5 abc 3 cellB,x\r\n  1   -2  3e1   4 c d\r\n1 2\r\n"
           "1 1e999 inf nan x\r\n");
  EXPECT_EQ(list.ObjListRead(keywordFiles, path), 7);
  EXPECT_EQ(
      list.ObjListToLines(),
      (PlainList{" 1 1.0 2.0 3.00 ", " 2 77777.7 77777.7 77777.70 ", " 3 10.5 77777.7 3.00 cellB",
                 " 4 77777.7 77777.7 77777.70 ", " 5 -2.0 30.0 4.00 c", " 6 2.0 77777.7 77777.70 ",
                 " 7 77777.7 77777.7 77777.70 x"}));
}

TEST(ObjectList, NearestObjectPrefersTheLowerNumberOnTies) {
  ObjectList list;
  double d2 = -1;
  EXPECT_EQ(list.ObjFindNearest(0, 0, d2), -1);
  EXPECT_EQ(d2, 0);
  list.ObjAdd(U, U, 0, "");
  list.ObjAdd(3, 4, 0, "");
  list.ObjAdd(-3, -4, 0, "");
  list.ObjAdd(10, 0, 0, "");
  // Objects 2 and 3 tie at (0, 0); undefined objects take part.
  for (const auto& [x, y, nearest, distance2] :
       {std::tuple{0.0, 0.0, 2, 25.0}, {77777.0, 77777.0, 1, 0.98}, {9.0, 1.0, 4, 2.0}}) {
    EXPECT_EQ(list.ObjFindNearest(x, y, d2), nearest) << x;
    EXPECT_NEAR(d2, distance2, 1e-6) << x;
  }
}

TEST(ObjCommand, TheWindowAndTheMapSeeAddsAndDraws) {
  TestSystem t;
  std::vector<std::string> map;
  t.system.objectCommands.SetMapHooks({
      .drawObject = [&map](int32_t n) -> int16_t {
        map.push_back("obj" + std::to_string(n));
        return n == 1 ? 1 : -1;
      },
      .drawAllObjects = [&map] { map.push_back("all"); },
      .drawStageMark = [&map](double, double) { map.push_back("mark"); },
  });
  t.Run("Obj Add 1 2 3");  // not loaded: nothing shown, nothing drawn
  EXPECT_TRUE(t.front.calls.empty());
  t.front.LoadWindows();
  EXPECT_EQ(t.Run("Obj Add 1 2 3;Obj Draw 1;Obj Draw 2;Obj ListDraw"),
            "# 2 ;  1 ; Error  ; OK  ; ");
  EXPECT_EQ(t.front.calls, std::vector<std::string>{"ObjList"});
  EXPECT_EQ(map, (std::vector<std::string>{"mark", "obj1", "obj2", "all"}));
}

TEST(JoyScale, DeadZoneDirectionAndLimits) {
  const JoyAxisCalibration axis{0, 32768, 65535};
  // Raw value, dead zone in per-mille, direction, scaled value.
  const std::tuple<int32_t, int16_t, int16_t, int16_t> cases[] = {
      {32768 + 1632, 50, 1, 0},  // exactly at the dead zone's edge
      {32768 + 1700, 50, 1, 2},  // 52 per-mille, 2 beyond the dead zone after rescaling
      {65535, 50, 1, 1000},      //
      {0, 50, 1, -1000},         //
      {32768 - 1000, 50, 1, 0},  // inside the dead zone on the low side
      {65535, 50, -3, -1000},    // the direction counts by its sign only
      {65535, 50, 0, 0},         // an axis switched off
      {65535, 1000, 1, 0},       // a dead zone of the whole deflection
      {65535, -50, 1, 1000},     // a negative dead zone is none
  };
  for (const auto& [raw, latent, dir, expected] : cases)
    EXPECT_EQ(ScaleJoyAxis(raw, axis, latent, dir), expected) << raw;
  // Without range on a side nothing moves; far beyond a tiny range the value saturates.
  EXPECT_EQ(ScaleJoyAxis(40000, {0, 32768, 32768}, 50, 1), 0);
  EXPECT_EQ(ScaleJoyAxis(0, {32768, 32768, 65535}, 50, 1), 0);
  EXPECT_EQ(ScaleJoyAxis(65535, {0, 0, 1}, 0, 1), 32767);
  EXPECT_EQ(ScaleJoyAxis(-2147483647, {2147483646, 2147483647, 2147483647}, 0, 1), -32768);
  // Mask -> button; two at once or beyond button 8 leave the previous one (5).
  for (const auto& [mask, button] : {std::pair{0, 0}, {1, 1}, {128, 8}, {3, 5}, {256, 5}})
    EXPECT_EQ(JoyButtonFromMask(mask, 5), button) << mask;
}

// Records the command lines the joystick runs; "XY 1 2" makes XY the source's last device, as
// the real command does, so that the button waits for the stage.
struct CommandLog : CommandExecutor {
  std::string ExecuteCommand(CommandSource& source, std::string_view command) override {
    commands.emplace_back(command);
    if (command == "XY 1 2") source.LastDevice = "XY";
    return "R" + std::to_string(commands.size());
  }
  std::vector<std::string> commands;
};

// A joystick over the demonstration microscope, with a scripted source.
struct JoyRig {
  JoyRig() {
    s.Start();
    joy.SetHooks({.message = [this](const std::string& text) { messages.push_back(text); }});
  }
  SimSystem s{RepoFolder("config/demo-im483i"), sim::LineOptions{.baud = 9600}};
  ScriptedJoystick source;
  CommandLog log;
  JoyCommands commands{s.system.keywordFiles, log};
  Joystick joy{s.system.keywordFiles,
               s.notifier,
               s.system.state,
               source,
               log,
               commands,
               JoyDevices{s.system.stage, s.system.focus, s.system.wheels}};
  std::vector<std::string> messages;
};

TEST(Joystick, ParametersRoundTripAndMissingKeys) {
  JoyRig r;
  ASSERT_EQ(r.joy.ReadJoyPar(), 1);
  const std::string path = r.s.folder.File(kJoyParFile);
  const std::string original = GetBytes(path);
  ASSERT_EQ(r.joy.WriteJoyPar(), 1);
  EXPECT_EQ(GetBytes(path), original);

  // The keys a file has are taken, the others kept; the dead zone is a per-cent in the file.
  PutBytes(path, "\"JAXIS1_Dir\", -3\r\n\"JLATENT\", 2.5\r\n");
  EXPECT_EQ(r.joy.ReadJoyPar(), -1);
  EXPECT_EQ(std::tuple(r.joy.Calibration().dir1, r.joy.Calibration().latent), std::tuple(-1, 25));
  PutBytes(path, "\"JAXIS1_L\", 7\r\n");
  EXPECT_EQ(r.joy.ReadJoyPar(), -1);
  EXPECT_EQ(std::tuple(r.joy.Calibration().latent, r.joy.Calibration().axis1.low),
            std::tuple(25, 7));  // not multiplied again
}

TEST(Joystick, CalibrationCoversTheRangeOrKeepsTheOldOne) {
  JoyRig r;
  r.source.Hold({.x = 30000, .y = 30000});
  r.joy.JoyCalibStart();
  for (const JoystickReading& reading : {JoystickReading{.x = 100, .y = 200, .buttons = 2},
                                         {.x = 65000, .y = 65100},
                                         {.status = 1}}) {
    r.source.Hold(reading);
    r.joy.TimerTick();
  }
  EXPECT_EQ(r.messages.front(), "Deflect to extremes: Axis1 = 100, Axis2 = 200, But= 2");
  r.source.Hold({.x = 33000, .y = 32000});
  for (int i = 0; i < 60; ++i)
    r.joy.TimerTick();
  EXPECT_EQ(r.joy.JoyCalibCheck(), 1);
  EXPECT_EQ(r.messages.back(), "Calibrated");
  const JoyAxisCalibration axis = r.joy.Calibration().axis1;
  // The failed reading did not widen the range to 0; the rest settles within rounding.
  EXPECT_EQ(std::tuple(axis.low, axis.high), std::tuple(100, 65000));
  EXPECT_NEAR(axis.rest, 33000, 2);

  r.joy.JoyCalibStart();
  r.source.Hold({.x = 33100, .y = 32000});
  r.joy.TimerTick();
  EXPECT_EQ(r.joy.JoyCalibCheck(), 0);
  EXPECT_EQ(r.messages.back(), "Not calibrated. Using old par.");
  EXPECT_EQ(r.joy.Calibration().axis1.high, 65000);
  EXPECT_EQ(r.joy.JoyCalibrating(), 0);
}

TEST(Joystick, OnePressRunsItsCommandOnce) {
  JoyRig r;
  r.commands.Commands() = {"Ver", "XY 1 2"};
  r.s.notifier.Clear();
  // Button read (0: released), commands run and beeps so far. A held button does nothing; item 0
  // belongs to no button, so 2 and 3, just beyond the list, beep and wait only, and 4 does nothing.
  const std::tuple<int16_t, size_t, int> presses[] = {
      {1, 2, 1}, {1, 2, 1}, {2, 2, 1}, {0, 2, 1}, {2, 3, 2},
      {0, 3, 2}, {3, 4, 3}, {0, 4, 3}, {4, 4, 3},
  };
  int step = 0;
  for (const auto& [button, commands, beeps] : presses) {
    SCOPED_TRACE("step " + std::to_string(++step) + ", button " + std::to_string(button));
    r.joy.JoyButton(button);
    EXPECT_EQ(r.log.commands.size(), commands);
    EXPECT_EQ(r.s.notifier.Beeps, beeps);
  }
  EXPECT_EQ(r.log.commands, (std::vector<std::string>{"XY 1 2", "XY Wait", "XY Wait", "XY Wait"}));
  EXPECT_EQ(r.messages.back(), "Button 1 - XY 1 2 R1");
  EXPECT_EQ(std::tuple(r.joy.JoyLastReply(), r.joy.JoyButtonHeld()), std::tuple("R4", 1));
}

TEST(Joystick, PollingDrivesTheStageAndStopsItWhenLeft) {
  JoyRig r;
  SharedState& state = r.s.system.state;
  r.source.Hold({.x = 65535, .y = 32767});
  r.joy.SetOn(true);
  EXPECT_EQ(state.JoyOn, 0);  // deflected
  r.source.Hold({.x = 32767, .y = 32767});
  r.joy.SetOn(true);
  ASSERT_EQ(state.JoyOn, 1);

  r.source.Hold({.x = 65535, .y = 32767});
  const std::pair<std::function<void()>, bool> steps[] = {
      {[&state] { state.CommandBusy = 1; }, false},  // a running command keeps it still
      {[&state] { state.CommandBusy = 0; }, true},
      {[&r] { r.joy.ToggleAxes(); }, false},  // leaving XY mode stops the stage
      {[&r] { r.joy.SetAxesWZ(0); }, true},
      {[&r] { r.source.Hold({.status = 1}); }, false},  // unplugged
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    steps[i].first();
    r.joy.TimerTick();
    EXPECT_EQ(r.s.State('X').moving, steps[i].second) << i;
  }
  EXPECT_EQ(std::tuple(state.JoyOn, r.joy.JoyCentered()), std::tuple(0, 0));
}

TEST(JoyCommand, ModesFollowTheWordAndTheFrameIsShownEachTime) {
  JoyRig r;
  r.s.front.LoadWindows();
  Display display(r.s.front);
  JoyCommandsHandler handler(r.s.system.state, display, r.joy);
  // Arguments, axes afterwards (1: W and Z); only the axis words change them.
  const std::pair<std::string, int> cases[] = {
      {"WZ", 1},  {"", 1},           {"on", 1},         {"On", 1},
      {"Off", 1}, {"ToggleAxes", 0}, {"ToggleAxes", 1}, {"XY", 0},
  };
  int step = 0;
  for (const auto& [arguments, axes] : cases) {
    SCOPED_TRACE("step " + std::to_string(++step) + ": Joy " + arguments);
    handler.CmdJoy(arguments);
    EXPECT_EQ(r.joy.JoyAxesWZ(), axes);
  }
  EXPECT_EQ(std::count(r.s.front.calls.begin(), r.s.front.calls.end(), "Joy"), 8);
  // No joystick: "On" leaves it off; a centred one switches on.
  EXPECT_EQ(r.s.system.state.JoyOn, 0);
  r.source.Hold({.x = 32768, .y = 32768});
  EXPECT_EQ(handler.CmdJoy("On"), "OK ");
  EXPECT_EQ(r.s.system.state.JoyOn, 1);
}

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
    EXPECT_TRUE(s.system.stage.XYWait().ok());  // the next move may start
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
