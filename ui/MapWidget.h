#pragma once
// The specimen map picture of the main window: a pixel picture the map draws on (with its XOR
// marks) shown as an image, and the mouse handed to the map as pixel coordinates.
#include <QWidget>
#include <functional>
#include <memory>

#include "app/System.h"
#include "specimen/PixelCanvas.h"

namespace qv {

class MapWidget : public QWidget {
  Q_OBJECT

 public:
  // `message` shows a text on the main window's message line.
  MapWidget(System& system, std::function<void(const std::string&)> message, QWidget* parent);
  ~MapWidget() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  System& system_;
  std::function<void(const std::string&)> message_;
  std::unique_ptr<PixelCanvas> canvas_;
};

}  // namespace qv
