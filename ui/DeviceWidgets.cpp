#include "ui/DeviceWidgets.h"

#include <QKeyEvent>
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

LedBox::LedBox(const QColor& colour, const QString& name, QWidget* parent)
    : QFrame(parent), colour_(colour) {
  setObjectName(name);
  setFrameShape(QFrame::Box);
  setFixedSize(28, 28);
  setFocusPolicy(Qt::StrongFocus);
  SetLit(std::nullopt);
}

void LedBox::SetLit(std::optional<bool> lit) {
  const bool first = toolTip().isEmpty();
  if (!first && lit == lit_) return;
  lit_ = lit;
  const QString state = !lit ? "state not known" : *lit ? "on" : "off";
  setToolTip("LED " + state + ". Click or Space: switch it; right button: LED settings");
  update();
}

void LedBox::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect inside = contentsRect();
  if (!isEnabled()) {
    // A box whose LEDs cannot be switched shows a pale grey of its colour.
    p.fillRect(inside, QColor::fromHsv(colour_.hsvHue(), colour_.hsvSaturation() / 6, 215));
  } else if (!lit_) {
    p.fillRect(inside, colour_.darker(300));
    p.fillRect(inside, QBrush(Qt::lightGray, Qt::BDiagPattern));
  } else {
    p.fillRect(inside, *lit_ ? colour_ : colour_.darker(400));
    if (*lit_) p.fillRect(inside.adjusted(5, 5, -14, -14), colour_.lighter(170));  // a gleam
  }
  p.end();
  QFrame::paintEvent(event);
}

void LedBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
       event->key() == Qt::Key_Enter) &&
      onClick) {
    onClick();
    event->accept();
    return;
  }
  QFrame::keyPressEvent(event);
}

// The box that has the keyboard is framed thicker.
void LedBox::focusInEvent(QFocusEvent* event) {
  setLineWidth(3);
  QFrame::focusInEvent(event);
}

void LedBox::focusOutEvent(QFocusEvent* event) {
  setLineWidth(1);
  QFrame::focusOutEvent(event);
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
