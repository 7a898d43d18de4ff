// The canvas of the window and of PNG pictures: a QImage of Format_RGB32, drawn by pixel
// routines of its own for what a redraw draws a hundred thousand times (solid lines wherever
// their ends lie, polygons and rectangles inside the image) and through PainterCanvas for the
// rest (text, dashed lines, polygons that reach outside the image). Pixel for pixel it draws
// what PainterCanvas draws.
#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>

#include "drawing/canvas.h"
#include "raster/painter_canvas.h"

namespace pelmora {

// REQUIRES: image is in Format_RGB32 for the fast routines; in any other format everything is
// drawn through QPainter. The image must outlive the canvas, and nothing else may paint on it
// while the canvas exists.
class RasterCanvas final : public Canvas {
 public:
  RasterCanvas(QImage& image, const QFont& font);
  RasterCanvas(const RasterCanvas&) = delete;
  RasterCanvas& operator=(const RasterCanvas&) = delete;

  void SetBrushColour(Colour colour) override;
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void SetPenStyle(PenStyle style) override;
  void MoveTo(int32_t x, int32_t y) override;
  void LineTo(int32_t x, int32_t y) override;
  void TextOut(int32_t x, int32_t y, std::string_view text) override;
  void Polygon(std::span<const CanvasPoint> points) override;
  void Polyline(std::span<const CanvasPoint> points) override;
  // The image's size while it is drawn by the routines of this canvas, whose pixels each
  // replace what was there; {0, 0} for an image drawn through QPainter.
  CanvasPoint RasterSize() const override;

 private:
  bool Inside(CanvasPoint p) const {
    return static_cast<uint32_t>(p.x) < static_cast<uint32_t>(width_) &&
           static_cast<uint32_t>(p.y) < static_cast<uint32_t>(height_);
  }
  bool AllInside(std::span<const CanvasPoint> points) const;
  // Whether every point lies beyond the same edge of the image (left, top, right or bottom).
  bool AllBeyondOneEdge(std::span<const CanvasPoint> points) const;
  // A solid line from one point to another, the end point left out, as LineTo draws it.
  // REQUIRES: fast_.
  void SolidLine(CanvasPoint from, CanvasPoint to);

  // The pixels are taken before the painter starts, so that no later call detaches them.
  uint32_t* pixels_;
  ptrdiff_t stride_;  // in pixels
  int32_t width_;
  int32_t height_;
  bool fast_;
  PainterCanvas painter_;
  uint32_t brushPixel_ = 0xFFFFFFFFu;
  PenStyle pen_ = PenStyle::kSolid;
  CanvasPoint position_;
};

}  // namespace pelmora
