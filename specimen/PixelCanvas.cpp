#include "specimen/PixelCanvas.h"

#include <algorithm>
#include <cstdlib>

namespace qv {

namespace {

Colour Mix(Colour old, Colour colour, PenMode mode) {
  return mode == PenMode::Xor ? (old ^ colour) & 0xFFFFFFu : colour;
}

}  // namespace

PixelCanvas::PixelCanvas(int width, int height, Colour background)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      background_(background),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), background) {}

void PixelCanvas::Clear() {
  std::fill(pixels_.begin(), pixels_.end(), background_);
}

Colour PixelCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return background_;
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(x)];
}

void PixelCanvas::Plot(int x, int y, Colour colour, PenMode mode) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Colour& pixel = pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                          static_cast<std::size_t>(x)];
  pixel = Mix(pixel, colour, mode);
}

void PixelCanvas::Span(int x1, int x2, int y, Colour colour, PenMode mode) {
  if (y < 0 || y >= height_) return;
  const int first = std::max(x1, 0);
  const int last = std::min(x2, width_ - 1);
  Colour* row = pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  for (int x = first; x <= last; ++x)
    row[x] = Mix(row[x], colour, mode);
}

void PixelCanvas::FillRect(int left, int top, int width, int height, Colour colour, PenMode mode) {
  if (width < 1 || height < 1) return;
  // 64-bit edges: a mark far outside the picture must not wrap around into it.
  const long long right = static_cast<long long>(left) + width - 1;
  const long long bottom = static_cast<long long>(top) + height - 1;
  if (right < 0 || bottom < 0 || left >= width_ || top >= height_) return;
  const int lastRow = static_cast<int>(std::min<long long>(bottom, height_ - 1));
  for (int y = std::max(top, 0); y <= lastRow; ++y) {
    Span(left, static_cast<int>(std::min<long long>(right, width_)), y, colour, mode);
  }
}

void PixelCanvas::OutlineRect(int left, int top, int width, int height, Colour colour,
                              PenMode mode) {
  if (width < 1 || height < 1) return;
  if (width <= 2 || height <= 2) {  // no inside: the outline is the whole rectangle
    FillRect(left, top, width, height, colour, mode);
    return;
  }
  const long long right = static_cast<long long>(left) + width - 1;
  const long long bottom = static_cast<long long>(top) + height - 1;
  if (right < 0 || bottom < 0 || left >= width_ || top >= height_) return;
  const int clippedRight = static_cast<int>(std::min<long long>(right, width_));
  const int clippedBottom = static_cast<int>(std::min<long long>(bottom, height_));
  Span(left, clippedRight, top, colour, mode);
  if (bottom < height_) Span(left, clippedRight, clippedBottom, colour, mode);
  // The sides leave out the corners, which the top and bottom rows already touched.
  for (int y = std::max(top + 1, 0); y < std::min(clippedBottom, height_); ++y) {
    Plot(left, y, colour, mode);
    if (right < width_) Plot(clippedRight, y, colour, mode);
  }
}

void PixelCanvas::Line(int x1, int y1, int x2, int y2, Colour colour, PenMode mode) {
  if (y1 == y2) {
    Span(std::min(x1, x2), std::max(x1, x2), y1, colour, mode);
    return;
  }
  if (x1 == x2) {
    const int last = std::min(std::max(y1, y2), height_ - 1);
    for (int y = std::max(std::min(y1, y2), 0); y <= last; ++y)
      Plot(x1, y, colour, mode);
    return;
  }
  // Bresenham over 64-bit differences; each step plots one new pixel. A line that lies wholly
  // outside the picture is skipped before the walk.
  if ((x1 < 0 && x2 < 0) || (y1 < 0 && y2 < 0) || (x1 >= width_ && x2 >= width_) ||
      (y1 >= height_ && y2 >= height_)) {
    return;
  }
  long long x = x1;
  long long y = y1;
  const long long dx = std::llabs(static_cast<long long>(x2) - x1);
  const long long dy = -std::llabs(static_cast<long long>(y2) - y1);
  const int sx = x1 < x2 ? 1 : -1;
  const int sy = y1 < y2 ? 1 : -1;
  long long error = dx + dy;
  for (;;) {
    Plot(static_cast<int>(x), static_cast<int>(y), colour, mode);
    if (x == x2 && y == y2) break;
    const long long twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x += sx;
    }
    if (twice <= dx) {
      error += dx;
      y += sy;
    }
  }
}

}  // namespace qv
