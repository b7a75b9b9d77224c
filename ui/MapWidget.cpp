#include "ui/MapWidget.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "ui/DeviceReadiness.h"
#include "ui/PositionText.h"

namespace qv {

void ImageCanvas::Clear() {
  ++changes_;
  PixelCanvas::Clear();
}

void ImageCanvas::FillRect(int left, int top, int width, int height, Colour colour, PenMode mode) {
  ++changes_;
  PixelCanvas::FillRect(left, top, width, height, colour, mode);
}

void ImageCanvas::OutlineRect(int left, int top, int width, int height, Colour colour,
                              PenMode mode) {
  ++changes_;
  PixelCanvas::OutlineRect(left, top, width, height, colour, mode);
}

void ImageCanvas::Line(int x1, int y1, int x2, int y2, Colour colour, PenMode mode) {
  ++changes_;
  PixelCanvas::Line(x1, y1, x2, y2, colour, mode);
}

MapWidget::MapWidget(const CoreServices& core, const WindowServices& services, MapHooks hooks,
                     QWidget* parent)
    : QWidget(parent), core_(core), services_(services), hooks_(std::move(hooks)) {
  setObjectName("pbxArea");
  setMinimumSize(200, 150);
  setMouseTracking(true);          // the status bar follows the pointer
  setFocusPolicy(Qt::ClickFocus);  // a click on the map gives the jog keys to the window
  popup_ = new QMenu(this);
  BuildPopup();
}

MapWidget::~MapWidget() {
  core_.map.AttachCanvas(nullptr);
}

void MapWidget::BuildPopup() {
  QMenu* object = popup_->addMenu("Object");
  object->addAction("Add Curr. Stg. Pos.", this, [this] {
    if (hooks_.addCurrentPosition) hooks_.addCurrentPosition();
  });
  moveToObject_ = object->addAction("Move To", this, [this] {
    if (hooks_.moveToHighlighted) hooks_.moveToHighlighted();
  });
  moveToObject_->setEnabled(false);
  QMenu* stage = popup_->addMenu("Stage");
  stageMenu_ = stage;
  stage->setToolTipsVisible(true);
  stage->addAction("Move", this, [this] { MoveStageTo(core_.map.ClickStagePoint()); });
  stage->addAction("Print Coord.", this,
                   [this] { services_.Message(XYPositionText(core_.stage)); });
  zoomMenu_ = popup_->addMenu("Zoom");
  zoomMenu_->addAction("Set Zoom Center", this, [this] {
    core_.map.CentreOnClick(-1);
    RedrawMap();
  });
  zoom1_ = zoomMenu_->addAction("1 : 1", this, [this] {
    core_.map.Zoom1To1();
    RedrawMap();
  });
  zoom2_ = zoomMenu_->addAction("2 : 1 (and Center)", this, [this] {
    core_.map.CentreOnClick(2);
    RedrawMap();
  });
  zoom1_->setCheckable(true);
  zoom2_->setCheckable(true);
}

void MapWidget::UpdatePopupZoom() {
  zoomMenu_->setTitle(QString::fromStdString(core_.map.ZoomCaption(ZoomMenu::Popup)));
  zoom1_->setChecked(core_.map.GetZoom() == 1);
  zoom2_->setChecked(core_.map.GetZoom() == 2);
}

// The joystick stays quiet while the stage starts towards the clicked point.
void MapWidget::MoveStageTo(MapPoint target) {
  const CommandBusyScope busy(core_.state);
  if (core_.state.Ready.XYReady == 1) core_.stage.XYMoveAbs(target.X, target.Y);
}

// The map forgets its marks whenever it clears the picture, so an old mark is never erased twice.
void MapWidget::StagePositionDisplay() {
  if (InstalledFlag(core_.state.Config, DeviceId::XY) != 1) return;
  double x = 0;
  double y = 0;
  if (core_.stage.XYReadPos(x, y) < 0) return;
  core_.map.ShowStageMark(x, y);
  RefreshIfChanged();
}

void MapWidget::RedrawMap() {
  core_.map.Redraw(std::nullopt);
  StagePositionDisplay();
  RefreshIfChanged();
}

void MapWidget::RefreshIfChanged() {
  if (canvas_ && canvas_->Changes() != shownChanges_) update();
}

void MapWidget::resizeEvent(QResizeEvent* /*event*/) {
  canvas_ = std::make_unique<ImageCanvas>(width(), height());
  core_.map.AttachCanvas(canvas_.get());
  core_.map.Redraw(std::nullopt);
}

// The map draws whenever the commands or the timer tell it to; the picture is shown as it is.
void MapWidget::paintEvent(QPaintEvent* /*event*/) {
  if (!canvas_) return;
  // The map's colours carry no alpha; the picture on the screen is opaque.
  QImage image(canvas_->Width(), canvas_->Height(), QImage::Format_RGB32);
  const std::vector<Colour>& pixels = canvas_->Pixels();
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const Colour* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width());
    for (int x = 0; x < image.width(); ++x)
      line[x] = 0xFF000000u | row[x];
  }
  QPainter(this).drawImage(0, 0, image);
  shownChanges_ = canvas_->Changes();
}

void MapWidget::mousePressEvent(QMouseEvent* event) {
  const MouseButton button = event->button() == Qt::LeftButton    ? MouseButton::Left
                             : event->button() == Qt::RightButton ? MouseButton::Right
                                                                  : MouseButton::Other;
  const ClickOutcome outcome = core_.map.MousePress(
      static_cast<int>(event->position().x()), static_cast<int>(event->position().y()), button);
  if (outcome.Message) services_.Message(*outcome.Message);
  if (outcome.SelectedObj > 0 && hooks_.highlightInGrid)
    hooks_.highlightInGrid(outcome.SelectedObj);
  moveToObject_->setEnabled(outcome.MoveToEnabled);
  RefreshIfChanged();
  if (outcome.OpenPopup) {
    UpdatePopupZoom();
    const std::string notReady = NotReadyReason(core_.state, DeviceId::XY);
    for (QAction* entry : stageMenu_->actions())
      ReadinessGate::Apply(notReady, entry, {});
    popup_->popup(mapToGlobal(QPoint(outcome.PopupX, outcome.PopupY)));
  }
}

void MapWidget::mouseReleaseEvent(QMouseEvent* /*event*/) {
  core_.map.MouseRelease();
  RefreshIfChanged();
}

// A double click sends the stage to the clicked point, as the pop-up's "Stage" > "Move".
void MapWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  MoveStageTo(core_.map.PixelToStage(event->position().x(), event->position().y()));
  core_.map.EraseClickMark();
  RefreshIfChanged();
}

void MapWidget::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (!hooks_.pointer) return;
  const MapPoint at = core_.map.PixelToStage(event->position().x(), event->position().y());
  // A specimen without a size gives the map no scale, and a pointer position none either.
  if (std::isfinite(at.X) && std::isfinite(at.Y)) {
    hooks_.pointer(at);
  } else {
    hooks_.pointer(std::nullopt);
  }
}

void MapWidget::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (hooks_.pointer) hooks_.pointer(std::nullopt);
}

}  // namespace qv
