// A canvas that writes an SVG document: one element per drawing call, in call order, with the
// canvas's integer coordinates exactly as given. The whole picture is shifted by half a pixel,
// so that one-pixel strokes along whole coordinates cover whole pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "drawing/canvas.h"

namespace pelmora {

// The font the SVG asks for, and the size it reserves behind a text (there are no font metrics
// here): about the paint box font of the raster pictures.
struct SvgFont {
  std::string_view family = "DejaVu Sans, Verdana, sans-serif";
  int32_t pixelSize = 11;
  int32_t ascent = 10;  // from the top of the text to its baseline
  int32_t height = 13;  // of the opaque background
  int32_t advance = 7;  // per character
  int32_t minusAdvance = 4;
};

class SvgCanvas final : public Canvas {
 public:
  // The picture is width x height pixels (negative sizes count as 0).
  SvgCanvas(int32_t width, int32_t height, SvgFont font = SvgFont());

  void SetBrushColour(Colour colour) override;
  // <rect x y width height fill stroke="none">; an empty rectangle still writes one, of size 0.
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void SetPenStyle(PenStyle style) override;
  void MoveTo(int32_t x, int32_t y) override;
  // <line x1 y1 x2 y2 stroke>, with a dash pattern unless the pen is solid.
  void LineTo(int32_t x, int32_t y) override;
  // A <rect> of the brush colour, then the <text>, XML-escaped (bytes that are not UTF-8 or not
  // allowed in XML become U+FFFD). Rectangles and text say stroke="none" although it is SVG's
  // default, for renderers that stroke them otherwise.
  void TextOut(int32_t x, int32_t y, std::string_view text) override;
  // <polygon points fill stroke>.
  void Polygon(std::span<const CanvasPoint> points) override;
  // <polyline points fill="none" stroke>.
  void Polyline(std::span<const CanvasPoint> points) override;

  // The complete document so far: the header, every element, the closing tags.
  std::string Document() const;

  // The same document in parts, for a picture too large to hold whole: Head(), then the
  // elements drawn since the last TakeElements() at each call, then kTail.
  std::string Head() const;
  std::string TakeElements();
  static constexpr std::string_view kTail = "</g>\n</svg>\n";

 private:
  void AppendPoints(std::span<const CanvasPoint> points);

  int32_t width_;
  int32_t height_;
  SvgFont font_;
  Colour brush_ = kWhite;
  PenStyle pen_ = PenStyle::kSolid;
  CanvasPoint position_;
  std::string body_;
};

// "#rrggbb" of the low 24 bits of a colour.
std::string SvgColour(Colour colour);

// The stroke-dasharray of a pen style in pixels; empty for a solid pen.
std::string_view SvgDashPattern(PenStyle style);

}  // namespace pelmora
