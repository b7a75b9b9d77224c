#include "ui/WindowFit.h"

namespace qv {

QSize RoomOnScreen(QSize available) {
  return (available - kWindowFrameAllowance).expandedTo(QSize(1, 1));
}

QSize FittedWindowSize(QSize available) {
  return kWindowPreferredSize.boundedTo(RoomOnScreen(available));
}

QSize MinimumWindowSize(QSize available) {
  return kWindowMinimumSize.boundedTo(RoomOnScreen(available));
}

}  // namespace qv
