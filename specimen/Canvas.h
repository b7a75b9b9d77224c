#pragma once
// The surface the specimen map is drawn on, as the core sees it: a picture of whole pixels with
// filled and outline rectangles and lines. A QImage backs it in the main window; a plain pixel
// buffer (PixelCanvas) backs it in tests. Everything outside the picture is clipped.
#include <cstdint>

namespace qv {

// 0x00RRGGBB.
using Colour = uint32_t;

constexpr Colour MakeColour(uint8_t red, uint8_t green, uint8_t blue) {
  return (Colour{red} << 16) | (Colour{green} << 8) | Colour{blue};
}

// The values are the picture box draw modes the map's callers have always used.
enum class PenMode : int16_t { Copy = 13, Xor = 7 };

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual int Width() const = 0;   // pixels
  virtual int Height() const = 0;  // pixels

  // Fills the whole picture with its background colour.
  virtual void Clear() = 0;
  // Rectangles cover the pixels left .. left + width - 1 and top .. top + height - 1; a width or
  // height below 1 draws nothing. Each pixel is touched once, so an XOR draw repeated at the
  // same place restores the picture.
  virtual void FillRect(int left, int top, int width, int height, Colour colour, PenMode mode) = 0;
  virtual void OutlineRect(int left, int top, int width, int height, Colour colour,
                           PenMode mode) = 0;
  // A straight line including both end points, each pixel touched once.
  virtual void Line(int x1, int y1, int x2, int y2, Colour colour, PenMode mode) = 0;
};

}  // namespace qv
