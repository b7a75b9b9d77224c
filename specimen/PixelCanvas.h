#pragma once
// A canvas that is nothing but an RGB pixel buffer: the map's drawing, including XOR erasing,
// can be checked pixel by pixel without a window system.
#include <vector>

#include "specimen/Canvas.h"

namespace qv {

class PixelCanvas : public Canvas {
 public:
  // A negative size is taken as 0.
  PixelCanvas(int width, int height, Colour background = MakeColour(0, 0, 0));

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Clear() override;
  void FillRect(int left, int top, int width, int height, Colour colour, PenMode mode) override;
  void OutlineRect(int left, int top, int width, int height, Colour colour, PenMode mode) override;
  void Line(int x1, int y1, int x2, int y2, Colour colour, PenMode mode) override;

  // The background colour outside the picture.
  Colour Pixel(int x, int y) const;
  const std::vector<Colour>& Pixels() const { return pixels_; }

 private:
  void Plot(int x, int y, Colour colour, PenMode mode);
  // A run of pixels on one row, clipped; x1 <= x2.
  void Span(int x1, int x2, int y, Colour colour, PenMode mode);

  int width_;   // pixels
  int height_;  // pixels
  Colour background_;
  std::vector<Colour> pixels_;  // row after row, width_ * height_
};

}  // namespace qv
