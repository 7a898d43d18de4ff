// The drawing surface: exactly the eight operations the scene redraw uses, in canvas pixels.
//
// Coordinates are 32-bit integers, origin at the top-left corner, x to the right, y downwards;
// pixel (x, y) is the unit square whose top-left corner is the point (x, y). The pen is always
// black and one pixel wide (only its style changes); the brush is solid. A canvas starts with a
// white brush, a solid pen and the current position at (0, 0).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace pelmora {

// A 24-bit RGB colour: red in the low byte, green in the second, blue in the third, top byte 0.
using Colour = uint32_t;

inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kBlack = 0x000000;

inline constexpr int32_t RedOf(Colour c) {
  return static_cast<int32_t>(c & 0xFF);
}
inline constexpr int32_t GreenOf(Colour c) {
  return static_cast<int32_t>((c >> 8) & 0xFF);
}
inline constexpr int32_t BlueOf(Colour c) {
  return static_cast<int32_t>((c >> 16) & 0xFF);
}

struct CanvasPoint {
  int32_t x = 0;
  int32_t y = 0;

  friend bool operator==(const CanvasPoint&, const CanvasPoint&) = default;
};

enum class PenStyle { kSolid, kDash, kDot, kDashDot };

// Every operation accepts any coordinates; what falls outside the surface is clipped away.
class Canvas {
 public:
  virtual ~Canvas() = default;

  // The colour that fills rectangles and polygons and lies behind text; only the low 24 bits
  // count.
  virtual void SetBrushColour(Colour colour) = 0;
  // Fills [left, right) x [top, bottom) with the brush: the right column and bottom row are not
  // filled. Nothing when right <= left or bottom <= top.
  virtual void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void SetPenStyle(PenStyle style) = 0;
  virtual void MoveTo(int32_t x, int32_t y) = 0;
  // A line with the pen from the current position to (x, y), the end point itself not drawn
  // (nothing at all when the two are equal); (x, y) becomes the current position.
  virtual void LineTo(int32_t x, int32_t y) = 0;
  // Text with its top-left corner at (x, y), in the canvas font, on an opaque background of the
  // brush colour.
  virtual void TextOut(int32_t x, int32_t y, std::string_view text) = 0;
  // The closed figure through the points: its inside (even-odd rule) filled with the brush, then
  // its outline drawn with the pen, every corner included; a figure whose points coincide is
  // that one pixel of outline.
  virtual void Polygon(std::span<const CanvasPoint> points) = 0;
  // Segments through the points in order, each drawn as LineTo draws it (its end point left
  // out), with the pen; not filled, not closed. Neither uses nor moves the current position.
  virtual void Polyline(std::span<const CanvasPoint> points) = 0;

  // For a raster whose pixels every figure simply replaces, so that what a later figure paints
  // over leaves no trace: its width and height in pixels. A redraw may then leave out figures
  // that later ones cover entirely, with the same picture. {0, 0} (the default) for a canvas
  // that must see every figure, such as a vector picture.
  virtual CanvasPoint RasterSize() const { return {}; }
};

}  // namespace pelmora
