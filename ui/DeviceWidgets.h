#pragma once
// Small widgets of the Device Control tab whose mouse handling differs from the stock ones: a
// frame that answers a press on its free area, a button that also answers the right button, an
// LED box, and the joystick deflection display.
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <functional>
#include <optional>

namespace qv {

// A titled frame; a press on the frame itself (not on a control inside it) runs `onPress`.
class PressFrame : public QGroupBox {
 public:
  PressFrame(const QString& title, const QString& name, QWidget* parent);
  std::function<void(const QPoint& globalPos)> onPress;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// A button that runs `onOpen` when clicked with the left button or pressed with the right one:
// both open the menu of the device the button names.
class MenuButton : public QPushButton {
 public:
  MenuButton(const QString& name, QWidget* parent);
  std::function<void()> onOpen;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// One LED picture, lit in its colour, dark, or hatched while its state is not known: a click
// (or Space while it has the keyboard) toggles the LED, a right-button press edits the LED
// settings.
class LedBox : public QFrame {
 public:
  LedBox(const QColor& colour, const QString& name, QWidget* parent);
  std::function<void()> onClick;
  std::function<void()> onRightPress;

  void SetLit(std::optional<bool> lit);
  std::optional<bool> Lit() const { return lit_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
  std::optional<bool> lit_;
};

// The joystick's deflection: a line from the centre, in proportion to the full scale.
class JoyIndicator : public QWidget {
 public:
  explicit JoyIndicator(QWidget* parent);
  // d1 to the right, d2 upwards, both out of `fullScale`; beyond it the line stops at the edge.
  void SetDeflection(int16_t d1, int16_t d2, int16_t fullScale);
  double X() const { return x_; }  // -1..1, the fraction shown
  double Y() const { return y_; }
  QSize sizeHint() const override { return {90, 90}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double x_ = 0;
  double y_ = 0;
};

}  // namespace qv
