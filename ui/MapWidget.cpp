#include "ui/MapWidget.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
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

MapWidget::MapWidget(const MapWidgetCore& core, const WindowServices& services, MapHooks hooks,
                     QWidget* parent)
    : QWidget(parent), core_(core), services_(services), hooks_(std::move(hooks)) {
  setObjectName("pbxArea");
  setMinimumSize(200, 150);
  setMouseTracking(true);  // the status bar follows the pointer
  // Tab or a click gives the map the keyboard: the jog keys, + and - to zoom.
  setFocusPolicy(Qt::StrongFocus);
  setToolTip("Wheel or + and -: zoom; right button: map menu; double click: move the stage there");
  popup_ = new QMenu(this);
  popup_->setToolTipsVisible(true);
  // The press that opened the menu has its release delivered to the menu: the click mark goes
  // then, or when the menu closes without one.
  popup_->installEventFilter(this);
  connect(popup_, &QMenu::aboutToHide, this, [this] {
    core_.map.EraseClickMark();
    RefreshIfChanged();
  });
  BuildPopup();
}

bool MapWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == popup_ && event->type() == QEvent::MouseButtonRelease) {
    core_.map.MouseRelease();
    RefreshIfChanged();
  }
  return QWidget::eventFilter(watched, event);
}

MapWidget::~MapWidget() {
  core_.map.AttachCanvas(nullptr);
}

void MapWidget::BuildPopup() {
  QMenu* object = popup_->addMenu("Object");
  object->setToolTipsVisible(true);
  object->addAction("Add Curr. Stg. Pos.", this, [this] {
    if (hooks_.addCurrentPosition) hooks_.addCurrentPosition();
  });
  moveToObject_ = object->addAction("Move To", this, [this] {
    if (hooks_.moveToHighlighted) hooks_.moveToHighlighted();
  });
  moveToObject_->setEnabled(false);
  moveToObject_->setToolTip("Click on an object of the map first");
  QMenu* stage = popup_->addMenu("Stage");
  stageMenu_ = stage;
  stage->setToolTipsVisible(true);
  stage->addAction("Move", this, [this] { MoveStageTo(core_.map.ClickStagePoint()); });
  stage->addAction("Print Coord.", this,
                   [this] { services_.Message(XYPositionText(core_.stage)); });
  zoomMenu_ = popup_->addMenu("Zoom");
  zoomMenu_->setToolTipsVisible(true);
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
  if (core_.state.Ready[DeviceId::XY] == 1) core_.stage.XYMoveAbs(target.X, target.Y);
}

// The map forgets its marks whenever it clears the picture, so an old mark is never erased twice.
// The position is the last one read, which the window keeps true after every motion: a stage
// standing still costs no traffic on the line.
void MapWidget::StagePositionDisplay() {
  if (core_.state.Ready[DeviceId::XY] != 1) return;
  core_.map.ShowStageMark(core_.stage.X(), core_.stage.Y());
  RefreshIfChanged();
}

void MapWidget::RedrawMap() {
  core_.map.Redraw(std::nullopt);
  StagePositionDisplay();
  RefreshIfChanged();
  ShowPointer();  // the zoom may have changed
}

void MapWidget::ShowPointer() {
  if (!hooks_.pointer) return;
  const QPointF at = mapFromGlobal(QCursor::pos());
  const MapPoint stage = core_.map.PixelToStage(at.x(), at.y());
  // A specimen without a size gives the map no scale, and a pointer position none either.
  if (rect().contains(at.toPoint()) && underMouse() && std::isfinite(stage.X) &&
      std::isfinite(stage.Y)) {
    hooks_.pointer(stage);
  } else {
    hooks_.pointer(std::nullopt);
  }
}

void MapWidget::ZoomAround(double factor, QPointF at) {
  const double before = core_.map.GetZoom();
  core_.map.ZoomAround(factor, at.x(), at.y());
  if (core_.map.GetZoom() != before) RedrawMap();
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
  QPainter painter(this);
  painter.drawImage(0, 0, image);
  shownChanges_ = canvas_->Changes();
  PaintScaleBar(painter);
  PaintStageOutside(painter);
}

// Bottom left: a bar of a round length, at most a quarter of the picture wide.
void MapWidget::PaintScaleBar(QPainter& painter) {
  const ScaleBar bar = ChooseScaleBar(core_.map.MapScale(), width() / 4);
  if (bar.Pixels < 2) return;
  const int left = 12;
  const int base = height() - 12;
  painter.setPen(QPen(Qt::white, 2));
  painter.drawLine(left, base, left + bar.Pixels, base);
  painter.drawLine(left, base - 5, left, base + 1);
  painter.drawLine(left + bar.Pixels, base - 5, left + bar.Pixels, base + 1);
  painter.drawText(QPoint(left, base - 8), QString::fromStdString(bar.Label));
}

// A stage off the picture shows as an arrow on the edge, pointing where it is.
void MapWidget::PaintStageOutside(QPainter& painter) {
  const std::optional<std::pair<int, int>> mark = core_.map.StageMarkPixel();
  if (!mark || rect().contains(mark->first, mark->second)) return;
  const QPointF centre = QRectF(rect()).center();
  const QPointF towards(mark->first - centre.x(), mark->second - centre.y());
  const double length = std::hypot(towards.x(), towards.y());
  if (!(length > 0)) return;
  const QPointF unit(towards.x() / length, towards.y() / length);
  // Where the line from the centre to the stage leaves the picture, 4 pixels inside.
  const double reach =
      std::min(std::abs(unit.x()) > 0 ? (width() / 2.0 - 4) / std::abs(unit.x()) : 1e9,
               std::abs(unit.y()) > 0 ? (height() / 2.0 - 4) / std::abs(unit.y()) : 1e9);
  const QPointF tip = centre + unit * reach;
  const QPointF back = tip - unit * 16;
  const QPointF side(-unit.y() * 7, unit.x() * 7);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 255, 255));
  painter.drawPolygon(QPolygonF({tip, back + side, back - side}));
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
  if (hooks_.stageStarted) hooks_.stageStarted();
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

// A notch of the wheel (120 eighths of a degree) doubles or halves the zoom around the pointer.
void MapWidget::wheelEvent(QWheelEvent* event) {
  wheelSteps_ += event->angleDelta().y();
  const int notches = wheelSteps_ / 120;
  wheelSteps_ -= notches * 120;
  if (notches != 0) ZoomAround(std::pow(2.0, notches), event->position());
  event->accept();
}

void MapWidget::keyPressEvent(QKeyEvent* event) {
  const QPointF middle(width() / 2.0, height() / 2.0);
  if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal) {
    ZoomAround(2, middle);
  } else if (event->key() == Qt::Key_Minus) {
    ZoomAround(0.5, middle);
  } else {
    QWidget::keyPressEvent(event);
  }
}

void MapWidget::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (hooks_.pointer) hooks_.pointer(std::nullopt);
}

}  // namespace qv
