#include "ui/ScopePicture.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// The drawing is made in a fixed design box and scaled to the widget.
constexpr double kDesignWidth = 300;
constexpr double kDesignHeight = 330;

const QColor kBody(0x6b, 0x74, 0x80);
const QColor kMetal(0xb8, 0xc0, 0xc8);
const QColor kGlass(0xcf, 0xe8, 0xf5);
const QColor kLabel(0x20, 0x20, 0x20);

void DrawStand(QPainter& p) {
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(kBody);
  p.drawRoundedRect(QRectF(30, 285, 240, 26), 6, 6);  // base
  QPainterPath arm;
  arm.moveTo(190, 285);
  arm.lineTo(205, 95);
  arm.quadTo(210, 60, 175, 55);
  arm.lineTo(100, 55);
  arm.lineTo(100, 85);
  arm.lineTo(170, 85);
  arm.quadTo(180, 88, 178, 110);
  arm.lineTo(165, 285);
  arm.closeSubpath();
  p.drawPath(arm);
  p.setBrush(QColor(0xff, 0xe0, 0x70));
  p.drawEllipse(QPointF(115, 292), 9, 6);  // lamp of the transmitted light
}

void DrawOptics(QPainter& p) {
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(kMetal);
  QPolygonF tube({{95, 55}, {75, 20}, {90, 12}, {112, 50}});
  p.drawPolygon(tube);                                                       // eyepiece tube
  p.drawRect(QRectF(98, 85, 34, 30));                                        // cube changer housing
  p.drawPolygon(QPolygonF({{92, 115}, {138, 115}, {132, 132}, {98, 132}}));  // nosepiece
  p.setBrush(kGlass);
  p.drawRect(QRectF(100, 132, 10, 24));  // objectives
  p.drawRect(QRectF(113, 132, 10, 30));
  p.drawRect(QRectF(126, 132, 8, 20));
  p.setPen(QPen(QColor(0xd0, 0x40, 0x40), 1, Qt::DashLine));
  p.drawLine(QPointF(118, 290), QPointF(118, 162));  // light path
}

void DrawStage(QPainter& p) {
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(kMetal);
  p.drawRect(QRectF(45, 188, 150, 12));  // stage plate
  p.setBrush(kGlass);
  p.drawRect(QRectF(80, 182, 75, 6));  // slide
  p.setBrush(kBody);
  p.drawRect(QRectF(108, 205, 20, 12));  // condenser
}

void DrawWheels(QPainter& p) {
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(kMetal);
  p.drawEllipse(QPointF(55, 100), 22, 22);  // F wheel in the incident-light path
  p.drawLine(QPointF(77, 100), QPointF(98, 100));
  p.drawEllipse(QPointF(118, 250), 26, 8);  // B wheel in the transmitted-light path
  p.setBrush(kGlass);
  for (int i = 0; i < 6; ++i) {
    const double angle = i * 60.0 * 3.14159265 / 180.0;
    p.drawEllipse(QPointF(55 + 13 * std::cos(angle), 100 + 13 * std::sin(angle)), 4, 4);
  }
  const QColor leds[] = {Qt::red, Qt::green, Qt::blue};
  for (int i = 0; i < 3; ++i) {
    p.setBrush(leds[i]);
    p.drawEllipse(QPointF(15, 88 + 12 * i), 4, 4);  // the LED illuminator behind the F wheel
  }
}

void DrawFocusKnob(QPainter& p) {
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(kMetal);
  p.drawEllipse(QPointF(186, 230), 16, 16);
  p.setBrush(kBody);
  p.drawEllipse(QPointF(186, 230), 7, 7);
}

void DrawLabels(QPainter& p) {
  p.setPen(kLabel);
  QFont font = p.font();
  font.setPointSizeF(7.5);
  p.setFont(font);
  p.drawText(QPointF(200, 196), "Stage");
  p.drawText(QPointF(206, 234), "Focus");
  p.drawText(QPointF(40, 136), "F-Filter");
  p.drawText(QPointF(40, 253), "B-Filter");
  p.drawText(QPointF(136, 104), "Cube");
  p.drawText(QPointF(140, 150), "Objectives");
  p.drawText(QPointF(4, 136), "LEDs");
}

}  // namespace

ScopePicture::ScopePicture(QWidget* parent) : QWidget(parent) {
  setObjectName("imgScope");
  setMinimumSize(240, 260);
}

void ScopePicture::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double scale = std::min(width() / kDesignWidth, height() / kDesignHeight);
  p.translate((width() - kDesignWidth * scale) / 2, (height() - kDesignHeight * scale) / 2);
  p.scale(scale, scale);
  DrawStand(p);
  DrawOptics(p);
  DrawStage(p);
  DrawWheels(p);
  DrawFocusKnob(p);
  DrawLabels(p);
}

}  // namespace qv
