// The canvas drawn with QPainter alone: the plain reference for what the window shows, and the
// way RasterCanvas draws whatever its own pixel routines do not cover.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "drawing/canvas.h"

namespace pelmora {

// The paint box font, the same for the window and for PNG pictures: an 11-pixel sans serif,
// drawn without antialiasing.
QFont PaintBoxFont();

// The QImage pixel (0xffrrggbb) of a colour.
inline QRgb ImagePixelOf(Colour colour) {
  return qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

// Draws into image with QPainter, without antialiasing, pixel for pixel as the canvas contract
// says:
//  - a line covers the pixels Qt's aliased one-pixel line picks between its two ends, with
//    both end points themselves; LineTo then leaves out its end point;
//  - a polygon is filled by Qt's aliased even-odd fill (a pixel whose centre lies inside), then
//    outlined by its edges drawn as lines; every corner is drawn;
//  - dashed lines follow Qt's patterns for a one-pixel pen: dash 4 on 2 off, dot 1 on 2 off,
//    dash-dot 4, 2, 1, 2;
//  - text is drawn in font, black, over a rectangle of the brush colour as wide as the text's
//    advance and as high as the font's line.
// The image must outlive the canvas; the painter is active from construction to destruction,
// so nothing else may paint on the image meanwhile.
class PainterCanvas final : public Canvas {
 public:
  PainterCanvas(QImage& image, const QFont& font);
  ~PainterCanvas() override;
  PainterCanvas(const PainterCanvas&) = delete;
  PainterCanvas& operator=(const PainterCanvas&) = delete;

  void SetBrushColour(Colour colour) override;
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void SetPenStyle(PenStyle style) override;
  void MoveTo(int32_t x, int32_t y) override;
  void LineTo(int32_t x, int32_t y) override;
  void TextOut(int32_t x, int32_t y, std::string_view text) override;
  void Polygon(std::span<const CanvasPoint> points) override;
  void Polyline(std::span<const CanvasPoint> points) override;

 private:
  // The line from a to b without the point b itself.
  void DrawLineWithoutEnd(CanvasPoint from, CanvasPoint to);
  bool Inside(CanvasPoint p) const;
  void UsePen();

  QImage& image_;
  QPainter painter_;
  QFont font_;
  QFontMetrics metrics_;
  Colour brush_ = kWhite;
  PenStyle pen_ = PenStyle::kSolid;
  CanvasPoint position_;
};

}  // namespace pelmora
