#include "specimen/MapView.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/KeywordReader.h"
#include "foundation/NumberText.h"

namespace qv {

namespace {

constexpr double kDefaultAttrDist = 100.0;  // microns
// Picture coordinates are kept within this many pixels of the origin: far enough outside any
// picture to be clipped, near enough that mark edges cannot overflow.
constexpr double kPixelLimit = 1 << 29;

constexpr int kPopupOffset = 10;  // pixels right of the click

// A mark size in whole pixels: at least one, at most what 16 bits hold.
int MarkPixels(double size) {
  const double rounded = std::nearbyint(std::fabs(size));
  if (!(rounded < std::numeric_limits<int16_t>::max())) return std::numeric_limits<int16_t>::max();
  return std::max(static_cast<int>(rounded), 1);
}

int16_t ClampToInt16(int value) {
  return static_cast<int16_t>(std::clamp<int>(value, std::numeric_limits<int16_t>::min(),
                                              std::numeric_limits<int16_t>::max()));
}

}  // namespace

ScaleBar ChooseScaleBar(double pixelsPerMicron, int maxPixels) {
  ScaleBar bar;
  if (!(pixelsPerMicron > 0) || !std::isfinite(pixelsPerMicron) || maxPixels < 1) return bar;
  const double longest = maxPixels / pixelsPerMicron;  // microns
  double power = std::pow(10.0, std::floor(std::log10(longest)));
  for (const double step : {5.0, 2.0, 1.0}) {
    if (step * power <= longest) {
      bar.Microns = step * power;
      break;
    }
  }
  if (bar.Microns == 0) return bar;
  bar.Pixels = static_cast<int>(std::lround(bar.Microns * pixelsPerMicron));
  const bool millimetres = bar.Microns >= 1000;
  const double shown = millimetres ? bar.Microns / 1000 : bar.Microns;
  const int decimals = shown >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(shown) - 1e-9));
  bar.Label = FormatFixed(shown, decimals) + (millimetres ? " mm" : " \u00B5m");
  return bar;
}

void MapView::AttachCanvas(Canvas* canvas) {
  canvas_ = canvas;
  ForgetMarks();
}

MapSpecimen MapView::Specimen() const {
  return sources_.Specimen ? sources_.Specimen() : MapSpecimen{};
}

int32_t MapView::ObjectCount() const {
  return sources_.ObjectCount && sources_.ObjectPosition ? sources_.ObjectCount() : 0;
}

// Pixels per micron so that the whole specimen fits at zoom 1. A side of size 0 (unknown
// specimen) or a picture side of 0 pixels gives no scale; the others decide, and with none left
// the map shows one micron per pixel at zoom 1 instead of dividing by zero.
double MapView::ScaleFor(const MapSpecimen& specimen) const {
  const int width = canvas_ ? canvas_->Width() : 0;
  const int height = canvas_ ? canvas_->Height() : 0;
  double scale = std::numeric_limits<double>::infinity();
  if (specimen.XE > 0 && width > 0) scale = std::min(scale, width * zoom_ / specimen.XE);
  if (specimen.YE > 0 && height > 0) scale = std::min(scale, height * zoom_ / specimen.YE);
  return std::isfinite(scale) && scale > 0 ? scale : zoom_;
}

MapWindow MapView::WindowFor(const MapSpecimen& specimen) const {
  MapWindow window;
  window.Scale = ScaleFor(specimen);
  const int width = canvas_ ? canvas_->Width() : 0;
  const int height = canvas_ ? canvas_->Height() : 0;
  window.VisibleWidth = std::nearbyint(width / window.Scale);
  window.VisibleHeight = std::nearbyint(height / window.Scale);
  window.Left = std::nearbyint(zoomCenterX_ - window.VisibleWidth / 2);
  window.Top = std::nearbyint(zoomCenterY_ - window.VisibleHeight / 2);
  return window;
}

double MapView::MapScale() const {
  return ScaleFor(Specimen());
}

MapWindow MapView::MapOrigin() const {
  return WindowFor(Specimen());
}

MapPoint MapView::PixelToStage(double px, double py) const {
  const MapSpecimen specimen = Specimen();
  const MapWindow window = WindowFor(specimen);
  return {px / window.Scale + window.Left + specimen.X0,
          py / window.Scale + window.Top + specimen.Y0};
}

MapPoint MapView::StageToPixel(double x, double y) const {
  const MapSpecimen specimen = Specimen();
  const MapWindow window = WindowFor(specimen);
  return {(x - specimen.X0 - window.Left) * window.Scale,
          (y - specimen.Y0 - window.Top) * window.Scale};
}

MapPoint MapView::StageToSpecimen(double x, double y) const {
  const MapSpecimen specimen = Specimen();
  return {x - specimen.X0, y - specimen.Y0};
}

std::optional<MapView::PixelMark> MapView::ToPixel(const MapWindow& window,
                                                   const MapSpecimen& specimen, double x,
                                                   double y) {
  const double px = (x - specimen.X0 - window.Left) * window.Scale;
  const double py = (y - specimen.Y0 - window.Top) * window.Scale;
  if (!std::isfinite(px) || !std::isfinite(py)) return std::nullopt;
  return PixelMark{static_cast<int>(std::nearbyint(std::clamp(px, -kPixelLimit, kPixelLimit))),
                   static_cast<int>(std::nearbyint(std::clamp(py, -kPixelLimit, kPixelLimit)))};
}

void MapView::DrawMarkAt(PixelMark at, int width, int height, Colour colour, PenMode mode,
                         MarkShape shape) {
  if (canvas_ == nullptr) return;
  const int left = at.X - width / 2;
  const int top = at.Y - height / 2;
  switch (shape) {
    case MarkShape::Outline:
      canvas_->OutlineRect(left, top, width, height, colour, mode);
      break;
    case MarkShape::Filled:
      canvas_->FillRect(left, top, width, height, colour, mode);
      break;
    case MarkShape::Cross:
      // Both bars run through the centre. With the XOR pen the centre is touched twice and
      // keeps what lies beneath, so an object clicked exactly stays drawn highlighted after the
      // mark is drawn a second time to erase it.
      canvas_->Line(left, at.Y, left + width - 1, at.Y, colour, mode);
      canvas_->Line(at.X, top, at.X, top + height - 1, colour, mode);
      break;
  }
}

void MapView::DrawMark(double x, double y, double width, double height, bool inMicrons,
                       Colour colour, PenMode mode, MarkShape shape) {
  if (canvas_ == nullptr) return;
  const MapSpecimen specimen = Specimen();
  const MapWindow window = WindowFor(specimen);
  const std::optional<PixelMark> at = ToPixel(window, specimen, x, y);
  if (!at) return;
  const double scale = inMicrons ? window.Scale : 1.0;
  DrawMarkAt(*at, MarkPixels(width * scale), MarkPixels(height * scale), colour, mode, shape);
}

void MapView::DrawObjectIn(const MapWindow& window, const MapSpecimen& specimen, int32_t n,
                           Colour colour) {
  const MapPoint position = sources_.ObjectPosition(n);
  if (const std::optional<PixelMark> at = ToPixel(window, specimen, position.X, position.Y)) {
    DrawObjectAt(*at, colour);
  }
}

// A square in the object's colour with a lighter edge, which stands out on the black picture
// and on the visited fields alike.
void MapView::DrawObjectAt(PixelMark at, Colour colour) {
  // Half way to white.
  const auto lighter = [colour](int shift) { return (((colour >> shift) & 0xFF) + 256) / 2; };
  const Colour edge =
      MakeColour(static_cast<uint8_t>(lighter(16)), static_cast<uint8_t>(lighter(8)),
                 static_cast<uint8_t>(lighter(0)));
  DrawMarkAt(at, kObjectMarkSize, kObjectMarkSize, colour, PenMode::Copy, MarkShape::Filled);
  DrawMarkAt(at, kObjectMarkSize, kObjectMarkSize, edge, PenMode::Copy, MarkShape::Outline);
}

void MapView::DrawAllObjects() {
  highlightedObj_ = 0;
  if (canvas_ == nullptr) return;
  // One transform for the whole list: long lists are drawn at every zoom change.
  const MapSpecimen specimen = Specimen();
  const MapWindow window = WindowFor(specimen);
  const int32_t count = ObjectCount();
  for (int32_t n = 1; n <= count; ++n)
    DrawObjectIn(window, specimen, n, kObjColour);
}

int16_t MapView::DrawObject(int32_t n) {
  if (n < 1 || n > ObjectCount()) return -1;
  if (canvas_ != nullptr) {
    const MapSpecimen specimen = Specimen();
    DrawObjectIn(WindowFor(specimen), specimen, n, kObjColour);
  }
  return 1;
}

void MapView::HighlightObjOnMap(int32_t n) {
  const int32_t count = ObjectCount();
  const MapSpecimen specimen = Specimen();
  const MapWindow window = WindowFor(specimen);
  // The previous object may have gone with a new list; then there is nothing to repaint.
  if (canvas_ != nullptr && highlightedObj_ > 0 && highlightedObj_ <= count) {
    DrawObjectIn(window, specimen, highlightedObj_, kObjColour);
  }
  if (n < 1 || n > count) {
    highlightedObj_ = 0;
    return;
  }
  if (canvas_ != nullptr) DrawObjectIn(window, specimen, n, kHighlightColour);
  highlightedObj_ = n;
}

void MapView::DrawObjectDot(double x, double y) {
  if (canvas_ == nullptr) return;
  const MapSpecimen specimen = Specimen();
  if (const std::optional<PixelMark> at = ToPixel(WindowFor(specimen), specimen, x, y)) {
    DrawObjectAt(*at, kObjColour);
  }
}

// Each field keeps an edge of its own, so that neighbouring fields are told apart.
void MapView::DrawVisitedField(double x, double y, double fieldX, double fieldY) {
  if (canvas_ == nullptr) return;
  const MapSpecimen specimen = Specimen();
  const MapWindow window = WindowFor(specimen);
  const std::optional<PixelMark> at = ToPixel(window, specimen, x, y);
  if (!at) return;
  const int width = std::max(MarkPixels(fieldX * window.Scale), kMinimumFieldSize);
  const int height = std::max(MarkPixels(fieldY * window.Scale), kMinimumFieldSize);
  DrawMarkAt(*at, width, height, kFieldColour, PenMode::Copy, MarkShape::Filled);
  DrawMarkAt(*at, width, height, kFieldEdgeColour, PenMode::Copy, MarkShape::Outline);
}

void MapView::DrawSpecimenOutline() {
  const MapSpecimen specimen = Specimen();
  if (specimen.XE <= 0 || specimen.YE <= 0) return;
  DrawMark(specimen.X0 + specimen.XE / 2.0, specimen.Y0 + specimen.YE / 2.0, specimen.XE,
           specimen.YE, true, kSpecimenColour, PenMode::Copy, MarkShape::Outline);
}

void MapView::DrawScanAreaOutline() {
  const MapSpecimen specimen = Specimen();
  const MapArea area = sources_.ScanArea ? sources_.ScanArea() : MapArea{};
  DrawMark(specimen.X0 + area.X0 + area.XE / 2.0, specimen.Y0 + area.Y0 + area.YE / 2.0, area.XE,
           area.YE, true, kAreaColour, PenMode::Xor, MarkShape::Outline);
}

void MapView::ShowStageMark(double x, double y) {
  if (canvas_ == nullptr) return;
  const MapSpecimen specimen = Specimen();
  const std::optional<PixelMark> mark = ToPixel(WindowFor(specimen), specimen, x, y);
  // Erasing and drawing at the same pixel would leave the picture as it is: a stage standing
  // still costs no drawing.
  if (stageMark_ && mark && stageMark_->X == mark->X && stageMark_->Y == mark->Y) return;
  if (stageMark_) DrawStageMarkAt(*stageMark_);
  stageMark_ = mark;
  if (stageMark_) DrawStageMarkAt(*stageMark_);
}

// A square around a dot: the two never share a pixel, so a second XOR draw restores the picture.
void MapView::DrawStageMarkAt(PixelMark at) {
  DrawMarkAt(at, kStageMarkSize, kStageMarkSize, kMarkColour, PenMode::Xor, MarkShape::Outline);
  DrawMarkAt(at, kStageDotSize, kStageDotSize, kMarkColour, PenMode::Xor, MarkShape::Filled);
}

std::optional<std::pair<int, int>> MapView::StageMarkPixel() const {
  if (!stageMark_) return std::nullopt;
  return std::pair(stageMark_->X, stageMark_->Y);
}

void MapView::ForgetMarks() {
  stageMark_.reset();
  clickMark_.reset();
}

void MapView::Redraw(std::optional<MapPoint> stage) {
  if (canvas_ == nullptr) return;
  canvas_->Clear();
  ForgetMarks();
  DrawSpecimenOutline();
  DrawAllObjects();
  DrawScanAreaOutline();
  if (stage) ShowStageMark(stage->X, stage->Y);
}

void MapView::EraseObjectMap(std::optional<MapPoint> stage) {
  if (canvas_ == nullptr) return;
  canvas_->Clear();
  ForgetMarks();
  highlightedObj_ = 0;
  DrawSpecimenOutline();
  DrawScanAreaOutline();
  if (stage) ShowStageMark(stage->X, stage->Y);
}

void MapView::Zoom1To1() {
  const MapSpecimen specimen = Specimen();
  zoom_ = 1;
  zoomCenterX_ = RoundToInt32(specimen.XE / 2.0).value_or(0);
  zoomCenterY_ = RoundToInt32(specimen.YE / 2.0).value_or(0);
  WriteZoomPar();
}

void MapView::ZoomSet(double n, double cx, double cy) {
  if (n > 0 && std::isfinite(n)) zoom_ = n;
  // A centre beyond 32 bits is no point of any specimen; the old one stays.
  zoomCenterX_ = RoundToInt32(cx).value_or(zoomCenterX_);
  zoomCenterY_ = RoundToInt32(cy).value_or(zoomCenterY_);
  WriteZoomPar();
}

void MapView::ZoomAround(double factor, double px, double py) {
  const double zoom = std::clamp(zoom_ * factor, 1.0, kMaxZoom);
  if (!std::isfinite(zoom) || zoom == zoom_) return;
  const MapPoint stage = PixelToStage(px, py);
  const MapPoint fixed = StageToSpecimen(stage.X, stage.Y);
  // The new scale, with the specimen and picture as they are.
  const double scale = MapScale() * zoom / zoom_;
  const int width = canvas_ ? canvas_->Width() : 0;
  const int height = canvas_ ? canvas_->Height() : 0;
  ZoomSet(zoom, fixed.X + (width / 2.0 - px) / scale, fixed.Y + (height / 2.0 - py) / scale);
}

int16_t MapView::ReadZoomPar() {
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(kZoomFile)) return -1;
  double zoom = zoom_;
  reader.Required("ZOOM", zoom);
  reader.Required("ZOOMCENTERX", zoomCenterX_);
  reader.Required("ZOOMCENTERY", zoomCenterY_);
  // A zoom of 0 or less would make the scale 0 and every transform divide by it.
  if (zoom > 0) {
    zoom_ = zoom;
  } else {
    reader.Fail();
  }
  return reader.Result();
}

int16_t MapView::WriteZoomPar() {
  const ParList list = {
      {"ZOOM", zoom_}, {"ZOOMCENTERX", zoomCenterX_}, {"ZOOMCENTERY", zoomCenterY_}};
  return keywordFiles_.WriteParList(keywordFiles_.ParPath(kZoomFile), list);
}

std::string MapView::ZoomCaption(ZoomMenu menu) const {
  return std::string(menu == ZoomMenu::Main ? "Zoom  (" : "Zoom (") + FormatFixed(zoom_, 0) +
         " : 1)";
}

NearestObject MapView::FindNearest(double x, double y) const {
  if (sources_.FindNearest) return sources_.FindNearest(x, y);
  NearestObject nearest;
  const int32_t count = ObjectCount();
  for (int32_t n = 1; n <= count; ++n) {
    const MapPoint position = sources_.ObjectPosition(n);
    const double squared =
        (position.X - x) * (position.X - x) + (position.Y - y) * (position.Y - y);
    if (nearest.Number < 0 || squared < nearest.SquaredDistance) nearest = {n, squared};
  }
  return nearest;
}

ClickOutcome MapView::MousePress(int px, int py, MouseButton button) {
  clickX_ = ClampToInt16(px);
  clickY_ = ClampToInt16(py);
  ClickOutcome outcome;
  outcome.Stage = ClickStagePoint();

  EraseClickMark();  // a mark whose release never arrived (pop-up menu) must not stay behind
  const NearestObject nearest = FindNearest(outcome.Stage.X, outcome.Stage.Y);
  const double distance = std::sqrt(std::max(nearest.SquaredDistance, 0.0));
  std::string message;
  if (distance > 0) message = "Min.Dist.=" + FormatFixed(distance, 2);
  const double attrDist =
      sources_.AttractionDistance ? sources_.AttractionDistance() : kDefaultAttrDist;
  if (nearest.Number > 0 && distance <= attrDist) {
    message += Str(nearest.Number) + " Selected Obj.";
    HighlightObjOnMap(nearest.Number);
    outcome.SelectedObj = nearest.Number;
    outcome.MoveToEnabled = true;
  }
  if (!message.empty()) outcome.Message = message;
  // The mark goes over the object highlighted: drawn before it, its second (erasing) draw would
  // spoil the object's square.
  if (canvas_ != nullptr) {
    clickMark_ = PixelMark{clickX_, clickY_};
    DrawMarkAt(*clickMark_, kClickMarkSize, kClickMarkSize, kMarkColour, PenMode::Xor,
               MarkShape::Cross);
  }
  if (button == MouseButton::Right) {
    outcome.OpenPopup = true;
    outcome.PopupX = clickX_ + kPopupOffset;
    outcome.PopupY = clickY_;
  }
  return outcome;
}

void MapView::EraseClickMark() {
  if (!clickMark_) return;
  DrawMarkAt(*clickMark_, kClickMarkSize, kClickMarkSize, kMarkColour, PenMode::Xor,
             MarkShape::Cross);
  clickMark_.reset();
}

void MapView::CentreOnClick(double zoom) {
  const MapPoint stage = ClickStagePoint();
  const MapPoint specimen = StageToSpecimen(stage.X, stage.Y);
  ZoomSet(zoom, specimen.X, specimen.Y);
  EraseClickMark();
}

}  // namespace qv
