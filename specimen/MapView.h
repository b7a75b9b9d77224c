#pragma once
// The specimen map: the scan area outline, the objects as dots (one highlighted), the visited
// scan fields, a mark that follows the stage and a mark where the operator clicked, drawn on a
// Canvas through one drawing primitive and one pair of transforms between stage microns and
// picture pixels. The zoom (QV_ZOOM.TXT) says how much of the specimen the picture shows.
//
// The map owns no objects and no scan layout: it asks for them through MapSources each time it
// draws, so it always shows the current lists. Mouse events arrive as pixel positions and come
// back as outcomes for the window to show; stage moves are left to the caller.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "foundation/KeywordFiles.h"
#include "specimen/Canvas.h"

namespace qv {

inline constexpr const char* kZoomFile = "QV_ZOOM.TXT";
inline constexpr double kMaxZoom = 4096;  // the mouse wheel zooms in no further

inline constexpr Colour kObjColour = MakeColour(0, 0, 255);
inline constexpr Colour kHighlightColour = MakeColour(0, 255, 0);
inline constexpr Colour kMarkColour = MakeColour(0, 255, 255);  // stage and click marks
inline constexpr Colour kFieldColour = MakeColour(160, 180, 255);
inline constexpr Colour kFieldEdgeColour = MakeColour(90, 110, 200);  // between visited fields
inline constexpr Colour kAreaColour = MakeColour(255, 255, 255);
inline constexpr Colour kSpecimenColour = MakeColour(110, 110, 110);  // the specimen's outline

// Sizes of the marks in pixels, the same at every zoom so that they stay visible.
inline constexpr int kObjectMarkSize = 7;  // a filled square with a lighter edge
inline constexpr int kStageMarkSize = 11;  // a square outline around a dot of kStageDotSize
inline constexpr int kStageDotSize = 3;
inline constexpr int kClickMarkSize = 15;    // a cross
inline constexpr int kMinimumFieldSize = 3;  // a visited field never shrinks below this

// A bar of a round length for the map's scale: 1, 2 or 5 times a power of ten microns.
struct ScaleBar {
  double Microns = 0;  // 0 when no round length fits
  int Pixels = 0;
  std::string Label;  // "500 µm", "2 mm"
};
// The longest round length that is at most `maxPixels` long at `pixelsPerMicron`.
ScaleBar ChooseScaleBar(double pixelsPerMicron, int maxPixels);

enum class MarkShape : int16_t { Outline = 0, Filled = 1, Cross = 2 };

struct MapPoint {
  double X = 0;  // microns
  double Y = 0;  // microns
};

// Placement of the specimen on the stage.
struct MapSpecimen {
  int32_t X0 = 0;  // stage position of the specimen origin, microns
  int32_t Y0 = 0;
  int32_t XE = 0;  // width and height, microns; 0 when unknown
  int32_t YE = 0;
};

// The scan area, relative to the specimen origin.
struct MapArea {
  int32_t X0 = 0;  // top-left corner, microns
  int32_t Y0 = 0;
  int32_t XE = 0;  // width and height, microns
  int32_t YE = 0;
};

struct NearestObject {
  int32_t Number = -1;         // from 1; -1 when the list is empty
  double SquaredDistance = 0;  // square microns
};

// What the map reads from the modules that own the data. An empty function stands for an
// empty list, a specimen of size 0 and an area of size 0.
struct MapSources {
  std::function<MapSpecimen()> Specimen;
  std::function<MapArea()> ScanArea;
  std::function<int32_t()> ObjectCount;
  std::function<MapPoint(int32_t number)> ObjectPosition;  // stage microns of object 1..count
  // The object list's own nearest-object search; when empty, the map searches the positions.
  std::function<NearestObject(double x, double y)> FindNearest;
  std::function<double()> AttractionDistance;  // microns; 100 when empty
};

// The part of the specimen the picture shows.
struct MapWindow {
  double Scale = 1;          // pixels per micron
  double VisibleWidth = 0;   // microns, a whole number
  double VisibleHeight = 0;  // microns, a whole number
  double Left = 0;           // specimen-relative microns at the picture's left edge, whole
  double Top = 0;            // specimen-relative microns at the picture's top edge, whole
};

enum class MouseButton { Left, Right, Other };

struct ClickOutcome {
  MapPoint Stage;                      // the clicked point, stage microns
  std::optional<std::string> Message;  // for the message line; empty: leave it as it is
  int32_t SelectedObj = 0;             // picked and highlighted on the map; 0 for none
  bool MoveToEnabled = false;          // pop-up entry "Object" > "Move To"
  bool OpenPopup = false;              // right button: the pop-up opens at PopupX, PopupY
  int PopupX = 0;                      // pixels
  int PopupY = 0;                      // pixels
};

enum class ZoomMenu { Main, Popup };

class MapView {
 public:
  MapView(KeywordFiles& keywordFiles, MapSources sources)
      : keywordFiles_(keywordFiles), sources_(std::move(sources)) {}

  // The picture of the loaded main window, or nullptr when there is none: then nothing is
  // drawn and the transforms work on a picture of 0 x 0 pixels.
  void AttachCanvas(Canvas* canvas);

  // --- Transforms ---
  double MapScale() const;
  MapWindow MapOrigin() const;
  MapPoint PixelToStage(double px, double py) const;
  MapPoint StageToPixel(double x, double y) const;
  MapPoint StageToSpecimen(double x, double y) const;

  // --- Drawing ---
  // A mark centred on stage point (x, y); width and height in microns when inMicrons, else in
  // pixels. A size that rounds below one pixel still draws one pixel, so that marks stay
  // visible at small zooms.
  void DrawMark(double x, double y, double width, double height, bool inMicrons, Colour colour,
                PenMode mode, MarkShape shape);
  void DrawAllObjects();          // HighlightedObj becomes 0
  int16_t DrawObject(int32_t n);  // 1 drawn, -1 no such object
  void HighlightObjOnMap(int32_t n);
  int32_t HighlightedObj() const { return highlightedObj_; }
  // A dot in the object colour, as an object just added at (x, y) is shown.
  void DrawObjectDot(double x, double y);
  void DrawVisitedField(double x, double y, double fieldX, double fieldY);
  // XOR: a second call erases the first, as a change of the area needs.
  void DrawScanAreaOutline();
  // Moves the stage mark: the previous one (if still on the picture) is erased first.
  void ShowStageMark(double x, double y);
  // Where the stage mark stands in picture pixels, also when that is outside the picture; empty
  // when no mark is drawn.
  std::optional<std::pair<int, int>> StageMarkPixel() const;
  // Clears the picture and draws objects, area outline and, when known, the stage mark.
  void Redraw(std::optional<MapPoint> stage);
  // Clears the picture and draws the area outline and the stage mark only.
  void EraseObjectMap(std::optional<MapPoint> stage);

  // --- Zoom ---
  double GetZoom() const { return zoom_; }
  int32_t ZoomCenterX() const { return zoomCenterX_; }
  int32_t ZoomCenterY() const { return zoomCenterY_; }
  void Zoom1To1();
  // n > 0 sets the zoom, any other n keeps it; the centre is specimen-relative microns.
  void ZoomSet(double n, double cx, double cy);
  // The zoom times `factor` (kept within 1 .. kMaxZoom), the stage point under picture pixel
  // (px, py) staying where it is.
  void ZoomAround(double factor, double px, double py);
  // 1, or -1 when the file or a key is missing or a value unusable (that value is kept).
  int16_t ReadZoomPar();
  int16_t WriteZoomPar();
  std::string ZoomCaption(ZoomMenu menu) const;

  // --- Mouse ---
  ClickOutcome MousePress(int px, int py, MouseButton button);
  void MouseRelease() { EraseClickMark(); }
  MapPoint ClickStagePoint() const { return PixelToStage(clickX_, clickY_); }
  void EraseClickMark();
  // Pop-up "Set Zoom Center" (zoom -1) and "2 : 1 (and Center)" (zoom 2): centres the map on
  // the click and erases the click mark; the caller redraws.
  void CentreOnClick(double zoom);

 private:
  struct PixelMark {
    int X = 0;  // pixels
    int Y = 0;
  };

  MapSpecimen Specimen() const;
  int32_t ObjectCount() const;
  double ScaleFor(const MapSpecimen& specimen) const;
  MapWindow WindowFor(const MapSpecimen& specimen) const;
  // Picture position of a stage point, empty when it is not a finite number.
  static std::optional<PixelMark> ToPixel(const MapWindow& window, const MapSpecimen& specimen,
                                          double x, double y);
  void DrawMarkAt(PixelMark at, int width, int height, Colour colour, PenMode mode,
                  MarkShape shape);
  void DrawStageMarkAt(PixelMark at);  // XOR: drawn twice, it is gone
  void DrawObjectAt(PixelMark at, Colour colour);
  void DrawSpecimenOutline();
  void DrawObjectIn(const MapWindow& window, const MapSpecimen& specimen, int32_t n, Colour colour);
  NearestObject FindNearest(double x, double y) const;
  void ForgetMarks();

  KeywordFiles& keywordFiles_;
  MapSources sources_;
  Canvas* canvas_ = nullptr;

  double zoom_ = 1;          // 1 shows the whole specimen; always > 0
  int32_t zoomCenterX_ = 0;  // specimen-relative microns shown in the picture's middle
  int32_t zoomCenterY_ = 0;
  int32_t highlightedObj_ = 0;
  int16_t clickX_ = 0;  // pixels of the last mouse press
  int16_t clickY_ = 0;
  std::optional<PixelMark> stageMark_;  // where the stage mark is on the picture
  std::optional<PixelMark> clickMark_;  // where the click mark is on the picture
};

}  // namespace qv
