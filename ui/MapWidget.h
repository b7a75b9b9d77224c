#pragma once
// The specimen map picture of the main window: the map draws on a pixel picture that is shown
// as an image, with a scale bar and, when the stage is off the picture, an arrow towards it
// drawn over it; the mouse goes to the map as pixel coordinates, the right button opens the
// map's pop-up menu, the wheel (and + and - while the map has the keyboard) zooms, and the
// stage mark follows the stage while the window's timer asks it to.
#include <QMenu>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "devices/Stage.h"
#include "foundation/SharedState.h"
#include "specimen/MapView.h"
#include "specimen/PixelCanvas.h"
#include "ui/WindowServices.h"

namespace qv {

// The map's pixel picture, counting its changes so that the window repaints only after one.
class ImageCanvas final : public PixelCanvas {
 public:
  using PixelCanvas::PixelCanvas;
  void Clear() override;
  void FillRect(int left, int top, int width, int height, Colour colour, PenMode mode) override;
  void OutlineRect(int left, int top, int width, int height, Colour colour, PenMode mode) override;
  void Line(int x1, int y1, int x2, int y2, Colour colour, PenMode mode) override;
  uint64_t Changes() const { return changes_; }

 private:
  uint64_t changes_ = 0;
};

// What the map asks of the rest of the window.
// What the map drives: the map itself and the stage it follows and moves.
struct MapWidgetCore {
  SharedState& state;
  Stage& stage;
  MapView& map;
};

struct MapHooks {
  std::function<void(int32_t)> highlightInGrid;  // an object picked on the map
  std::function<void()> addCurrentPosition;      // as the object tab's "Add Pos." button
  std::function<void()> moveToHighlighted;       // the stage to the object picked on the map
  // The stage point under the pointer (microns), nothing when the pointer left the map.
  std::function<void(std::optional<MapPoint>)> pointer;
  std::function<void()> stageStarted;  // a double click sent the stage off
};

class MapWidget : public QWidget {
  Q_OBJECT

 public:
  MapWidget(const MapWidgetCore& core, const WindowServices& services, MapHooks hooks,
            QWidget* parent);
  ~MapWidget() override;

  // Moves the stage mark to the stage position the status bar shows; reads nothing.
  void StagePositionDisplay();
  // Clears the picture and draws the objects, the scan area and the stage mark.
  void RedrawMap();
  // Shows the picture again if anything was drawn on it since it was last shown.
  void RefreshIfChanged();
  QMenu& Popup() { return *popup_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPopup();
  void UpdatePopupZoom();
  // The stage starts towards a point of the map (stage microns) without waiting.
  void MoveStageTo(MapPoint target);
  // Zooms by `factor` around a picture point and shows the map and the pointer field anew.
  void ZoomAround(double factor, QPointF at);
  // The status bar's pointer field: the point under the mouse, or only the zoom.
  void ShowPointer();
  void PaintScaleBar(QPainter& painter);
  void PaintStageOutside(QPainter& painter);

  MapWidgetCore core_;
  const WindowServices& services_;
  MapHooks hooks_;
  std::unique_ptr<ImageCanvas> canvas_;
  uint64_t shownChanges_ = ~uint64_t{0};
  QMenu* popup_;
  QAction* moveToObject_ = nullptr;
  QMenu* stageMenu_ = nullptr;  // its entries need the stage ready
  QMenu* zoomMenu_ = nullptr;
  QAction* zoom1_ = nullptr;
  QAction* zoom2_ = nullptr;
  int wheelSteps_ = 0;  // eighths of a degree turned and not yet zoomed by
};

}  // namespace qv
