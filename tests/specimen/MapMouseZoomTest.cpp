// Picking objects with the mouse, the click mark, and the zoom with its file QV_ZOOM.TXT.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/specimen/MapTestRig.h"

namespace qv::test {
namespace {

// Objects 1 and 2 lie at the stage points of pixels (200, 200) and (300, 100); 50 microns per
// pixel at the rig's 1 : 1 zoom.
struct PickRig : MapRig {
  PickRig() { objects = {map.PixelToStage(200, 200), map.PixelToStage(300, 100)}; }
};

TEST(MapMouse, PressPicksTheNearestObjectWithinTheAttractionDistance) {
  struct Row {
    int px, py;
    double attrDist;
    const char* message;  // nullptr: the message line is left alone
    int32_t selected;
  };
  const Row rows[] = {
      {200, 200, 100, " 1 Selected Obj.", 1},  // exactly on it: no distance text
      {201, 200, 100, "Min.Dist.=50.00 1 Selected Obj.", 1},
      {300, 102, 100, "Min.Dist.=100.00 2 Selected Obj.", 2},  // the limit itself picks
      {203, 204, 100, "Min.Dist.=250.00", 0},
      {203, 204, 250, "Min.Dist.=250.00 1 Selected Obj.", 1},
  };
  for (const Row& row : rows) {
    PickRig rig;
    rig.attrDist = row.attrDist;
    const ClickOutcome outcome = rig.map.MousePress(row.px, row.py, MouseButton::Left);
    if (row.message == nullptr) {
      EXPECT_FALSE(outcome.Message.has_value());
    } else {
      EXPECT_EQ(outcome.Message.value_or("(none)"), row.message);
    }
    EXPECT_EQ(outcome.SelectedObj, row.selected) << row.px;
    EXPECT_EQ(outcome.MoveToEnabled, row.selected > 0);
    EXPECT_EQ(rig.map.HighlightedObj(), row.selected);
    EXPECT_FALSE(outcome.OpenPopup);
  }
}

TEST(MapMouse, AnEmptyListSelectsNothingAndShowsNoDistance) {
  MapRig rig;
  const ClickOutcome outcome = rig.map.MousePress(50, 60, MouseButton::Right);
  EXPECT_FALSE(outcome.Message.has_value());
  EXPECT_EQ(outcome.SelectedObj, 0);
  EXPECT_FALSE(outcome.MoveToEnabled);
  EXPECT_TRUE(outcome.OpenPopup);
  EXPECT_EQ(outcome.PopupX, 60);
  EXPECT_EQ(outcome.PopupY, 60);
  EXPECT_DOUBLE_EQ(outcome.Stage.X, 1000 + 50 * 50);
  EXPECT_DOUBLE_EQ(outcome.Stage.Y, 2000 - 5000 + 60 * 50);
}

TEST(MapMouse, TheClickMarkIsErasedOnReleaseAndNeverLeftBehind) {
  MapRig rig;
  rig.map.Redraw(MapPoint{5000, 5000});
  const std::vector<Colour> before = rig.canvas.Pixels();
  rig.map.MousePress(150, 150, MouseButton::Left);
  EXPECT_EQ(rig.canvas.Pixel(150, 150), 0u);  // both bars cross it: what lies beneath shows
  EXPECT_EQ(rig.canvas.Pixel(146, 150), kMarkColour);
  EXPECT_EQ(rig.canvas.Pixel(150, 154), kMarkColour);
  rig.map.MouseRelease();
  EXPECT_EQ(rig.canvas.Pixels(), before);
  // A press whose release went to the pop-up menu, then another press and a double click.
  rig.map.MousePress(150, 150, MouseButton::Right);
  rig.map.MousePress(250, 250, MouseButton::Left);
  EXPECT_EQ(rig.canvas.Pixel(150, 150), 0u);
  rig.map.EraseClickMark();
  rig.map.MouseRelease();
  EXPECT_EQ(rig.canvas.Pixels(), before);
}

TEST(MapMouse, AnObjectClickedExactlyStaysHighlightedAfterTheRelease) {
  PickRig rig;
  rig.map.DrawAllObjects();
  const std::vector<Colour> before = rig.canvas.Pixels();
  EXPECT_EQ(rig.map.MousePress(200, 200, MouseButton::Left).SelectedObj, 1);
  EXPECT_EQ(rig.canvas.Pixel(200, 200), kHighlightColour);
  rig.map.MouseRelease();
  EXPECT_EQ(rig.canvas.Pixel(200, 200), kHighlightColour);
  std::vector<Colour> expected = before;
  expected[200 * 400 + 200] = kHighlightColour;
  EXPECT_EQ(rig.canvas.Pixels(), expected);  // the rest of the cross is gone
}

TEST(MapZoom, CentreOnClickAndCaptions) {
  MapRig rig;
  rig.map.MousePress(300, 100, MouseButton::Right);
  rig.map.CentreOnClick(-1);  // "Set Zoom Center": the zoom stays
  EXPECT_EQ(rig.map.GetZoom(), 1);
  EXPECT_EQ(rig.map.ZoomCenterX(), 15000);
  EXPECT_EQ(rig.map.ZoomCenterY(), 0);
  EXPECT_EQ(PaintedPixels(rig.canvas), 0);  // the click mark went with it
  rig.map.MousePress(200, 200, MouseButton::Right);
  rig.map.CentreOnClick(2);
  EXPECT_EQ(rig.map.GetZoom(), 2);
  EXPECT_EQ(rig.map.ZoomCenterX(), 15000);
  EXPECT_EQ(rig.map.ZoomCenterY(), 0);
  EXPECT_EQ(rig.map.ZoomCaption(ZoomMenu::Popup), "Zoom (2 : 1)");
  rig.map.ZoomSet(2.5, 0, 0);
  EXPECT_EQ(rig.map.ZoomCaption(ZoomMenu::Main), "Zoom  (3 : 1)");
}

TEST(MapZoom, TheFileIsWrittenAtEveryChangeAndReadBack) {
  MapRig rig;
  rig.map.ZoomSet(2, 3000.5, -1000.5);  // halves to the even neighbour
  EXPECT_EQ(GetBytes(rig.folder.File(kZoomFile)),
            "\"ZOOM\", 2\r\n\"ZOOMCENTERX\", 3000\r\n\"ZOOMCENTERY\",-1000\r\n");
  rig.map.ZoomSet(0, 5e12, 7);  // no zoom of 0, no centre beyond 32 bits
  EXPECT_EQ(rig.map.GetZoom(), 2);
  EXPECT_EQ(rig.map.ZoomCenterX(), 3000);
  EXPECT_EQ(rig.map.ZoomCenterY(), 7);

  MapView other(rig.trapar, MapSources{});
  EXPECT_EQ(other.ReadZoomPar(), 1);
  EXPECT_EQ(other.GetZoom(), 2);
  EXPECT_EQ(other.ZoomCenterX(), 3000);
  EXPECT_EQ(other.ZoomCenterY(), 7);
}

TEST(MapZoom, ABadOrIncompleteFileKeepsThePreviousValues) {
  struct Row {
    const char* content;
    double zoom;
    int32_t centreX;
  };
  const Row rows[] = {
      {"\"ZOOM\", 3\r\n\"ZOOMCENTERX\", 10\r\n", 3, 10},  // no ZOOMCENTERY
      {"\"ZOOM\", 0\r\n\"ZOOMCENTERX\", 10\r\n\"ZOOMCENTERY\", 20\r\n", 2, 10},
      {"\"ZOOM\",-1\r\n\"ZOOMCENTERX\", x\r\n\"ZOOMCENTERY\", 20\r\n", 2, 3000},
      {nullptr, 2, 3000},  // no file
  };
  for (const Row& row : rows) {
    MapRig rig;
    rig.map.ZoomSet(2, 3000, 4000);
    if (row.content == nullptr) {
      std::filesystem::remove(rig.folder.File(kZoomFile));
    } else {
      PutBytes(rig.folder.File(kZoomFile), row.content);
    }
    EXPECT_EQ(rig.map.ReadZoomPar(), -1);
    EXPECT_EQ(rig.map.GetZoom(), row.zoom);
    EXPECT_EQ(rig.map.ZoomCenterX(), row.centreX);
    EXPECT_GT(rig.map.MapScale(), 0);
  }
}

}  // namespace
}  // namespace qv::test
