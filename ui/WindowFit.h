#pragma once
// The main window's size on the screen it opens on: as large as it likes to be, but never larger
// than the screen's free area (without panels) less the room its frame and title bar take, so
// that the Stop button and the status bar are always on the screen. Its minimum fits a
// 1366 x 768 screen with a title bar and a panel, and a smaller screen (twice the scale on
// 1920 x 1080) as far as it goes.
#include <QSize>

namespace qv {

inline constexpr QSize kWindowPreferredSize{1100, 760};  // logical pixels
inline constexpr QSize kWindowMinimumSize{800, 560};     // logical pixels
// What the window manager adds around the window: the frame and the title bar.
inline constexpr QSize kWindowFrameAllowance{16, 48};

// The screen's free area less the frame allowance, at least 1 x 1.
QSize RoomOnScreen(QSize available);
QSize FittedWindowSize(QSize available);
QSize MinimumWindowSize(QSize available);

}  // namespace qv
