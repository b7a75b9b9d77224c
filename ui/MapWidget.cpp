#include "ui/MapWidget.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace qv {

MapWidget::MapWidget(System& system, std::function<void(const std::string&)> message,
                     QWidget* parent)
    : QWidget(parent), system_(system), message_(std::move(message)) {
  setObjectName("pbxArea");
  setMinimumSize(200, 150);
}

MapWidget::~MapWidget() {
  system_.map.AttachCanvas(nullptr);
}

void MapWidget::resizeEvent(QResizeEvent* /*event*/) {
  canvas_ = std::make_unique<PixelCanvas>(width(), height());
  system_.map.AttachCanvas(canvas_.get());
  system_.map.Redraw(std::nullopt);
}

// The map draws whenever the commands or the timer tell it to; the picture is shown as it is.
void MapWidget::paintEvent(QPaintEvent* /*event*/) {
  if (!canvas_) return;
  const QImage image(reinterpret_cast<const uchar*>(canvas_->Pixels().data()), canvas_->Width(),
                     canvas_->Height(), canvas_->Width() * 4, QImage::Format_RGB32);
  QPainter(this).drawImage(0, 0, image);
}

void MapWidget::mousePressEvent(QMouseEvent* event) {
  const MouseButton button = event->button() == Qt::LeftButton    ? MouseButton::Left
                             : event->button() == Qt::RightButton ? MouseButton::Right
                                                                  : MouseButton::Other;
  const ClickOutcome outcome = system_.map.MousePress(
      static_cast<int>(event->position().x()), static_cast<int>(event->position().y()), button);
  if (outcome.Message && message_) message_(*outcome.Message);
  update();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* /*event*/) {
  system_.map.MouseRelease();
  update();
}

// A double click sends the stage to the clicked point.
void MapWidget::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
  const MapPoint target = system_.map.ClickStagePoint();
  if (system_.state.Ready.XYReady == 1) system_.stage.XYMoveAbs(target.X, target.Y);
  system_.map.EraseClickMark();
  update();
}

}  // namespace qv
