#include "ui/DeviceWidgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace qv {

PressFrame::PressFrame(const QString& title, const QString& name, QWidget* parent)
    : QGroupBox(title, parent) {
  setObjectName(name);
}

void PressFrame::mousePressEvent(QMouseEvent* event) {
  if (onPress) onPress(event->globalPosition().toPoint());
  event->accept();
}

MenuButton::MenuButton(const QString& name, QWidget* parent) : QPushButton(parent) {
  setObjectName(name);
  connect(this, &QPushButton::clicked, this, [this] {
    if (onOpen) onOpen();
  });
}

void MenuButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (onOpen) onOpen();
    event->accept();
    return;
  }
  QPushButton::mousePressEvent(event);
}

LedBox::LedBox(const QColor& colour, const QString& name, QWidget* parent) : QFrame(parent) {
  setObjectName(name);
  setFrameShape(QFrame::Box);
  setFixedSize(28, 28);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, colour);
  // A box whose LEDs cannot be switched shows a pale grey of its colour.
  palette.setColor(QPalette::Disabled, QPalette::Window,
                   QColor::fromHsv(colour.hsvHue(), colour.hsvSaturation() / 6, 215));
  setPalette(palette);
  setToolTip("Click: switch the LED; right button: LED settings");
}

void LedBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && onRightPress) onRightPress();
  event->accept();
}

void LedBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      onClick) {
    onClick();
  }
  event->accept();
}

JoyIndicator::JoyIndicator(QWidget* parent) : QWidget(parent) {
  setObjectName("picJoy");
  setMinimumSize(70, 70);
}

void JoyIndicator::SetDeflection(int16_t d1, int16_t d2, int16_t fullScale) {
  if (fullScale <= 0) return;  // no scale to show the deflection against
  x_ = std::clamp(static_cast<double>(d1) / fullScale, -1.0, 1.0);
  y_ = std::clamp(static_cast<double>(d2) / fullScale, -1.0, 1.0);
  update();
}

void JoyIndicator::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(2, 2, -2, -2);
  const QPointF centre = box.center();
  p.setPen(QPen(Qt::gray, 1));
  p.drawRect(box);
  p.drawLine(QPointF(box.left(), centre.y()), QPointF(box.right(), centre.y()));
  p.drawLine(QPointF(centre.x(), box.top()), QPointF(centre.x(), box.bottom()));
  const QPointF tip(centre.x() + x_ * box.width() / 2, centre.y() - y_ * box.height() / 2);
  p.setPen(QPen(Qt::red, 2));
  p.drawLine(centre, tip);
  p.setBrush(Qt::red);
  p.drawEllipse(tip, 3, 3);
}

}  // namespace qv
