#include "raster/raster_canvas.h"

#include <algorithm>
#include <cstring>

#include "raster/rasterize.h"

namespace pelmora {

namespace {

constexpr uint32_t kPenPixel = 0xFF000000u;

// Writes every pixel it is given in one colour.
struct PixelWriter {
  uint32_t* pixels;
  ptrdiff_t stride;
  uint32_t pixel;

  void Pixel(int32_t x, int32_t y) { pixels[y * stride + x] = pixel; }
  // Short runs, the rows of a face, as a few overlapping four-pixel stores: one branch by
  // length class instead of a loop whose end is mispredicted on every row.
  void Run(int32_t y, int32_t left, int32_t right) {
    uint32_t* p = pixels + y * stride + left;
    const int32_t n = right - left;
    const uint32_t four[4] = {pixel, pixel, pixel, pixel};
    if (n < 4) {
      p[0] = pixel;
      p[n >> 1] = pixel;
      p[n - 1] = pixel;
    } else if (n <= 8) {
      std::memcpy(p, four, 16);
      std::memcpy(p + n - 4, four, 16);
    } else if (n <= 16) {
      std::memcpy(p, four, 16);
      std::memcpy(p + 4, four, 16);
      std::memcpy(p + n - 8, four, 16);
      std::memcpy(p + n - 4, four, 16);
    } else {
      for (int32_t x = 0; x < n; ++x) p[x] = pixel;
    }
  }
};

}  // namespace

RasterCanvas::RasterCanvas(QImage& image, const QFont& font)
    : pixels_(reinterpret_cast<uint32_t*>(image.bits())),
      stride_(image.bytesPerLine() / 4),
      width_(image.width()),
      height_(image.height()),
      fast_(image.format() == QImage::Format_RGB32 && pixels_ != nullptr),
      painter_(image, font) {}

bool RasterCanvas::AllInside(std::span<const CanvasPoint> points) const {
  for (const CanvasPoint& p : points) {
    if (!Inside(p)) return false;
  }
  return true;
}

CanvasPoint RasterCanvas::RasterSize() const {
  return fast_ ? CanvasPoint{width_, height_} : CanvasPoint{};
}

void RasterCanvas::SetBrushColour(Colour colour) {
  brushPixel_ = ImagePixelOf(colour);
  painter_.SetBrushColour(colour);
}

void RasterCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!fast_) {
    painter_.FillRect(left, top, right, bottom);
    return;
  }
  const int32_t l = std::max(left, 0);
  const int32_t t = std::max(top, 0);
  const int32_t r = std::min(right, width_);
  const int32_t b = std::min(bottom, height_);
  if (r <= l || b <= t) return;
  PixelWriter brush{pixels_, stride_, brushPixel_};
  for (int32_t y = t; y < b; ++y) brush.Run(y, l, r);
}

void RasterCanvas::SetPenStyle(PenStyle style) {
  pen_ = style;
  painter_.SetPenStyle(style);
}

void RasterCanvas::MoveTo(int32_t x, int32_t y) {
  position_ = {x, y};
  painter_.MoveTo(x, y);
}

void RasterCanvas::LineTo(int32_t x, int32_t y) {
  const CanvasPoint from = position_;
  position_ = {x, y};
  if (fast_ && pen_ == PenStyle::kSolid) {
    SolidLine(from, position_);
  } else {
    painter_.MoveTo(from.x, from.y);
    painter_.LineTo(x, y);
  }
}

void RasterCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
  painter_.TextOut(x, y, text);
}

bool RasterCanvas::AllBeyondOneEdge(std::span<const CanvasPoint> points) const {
  auto all = [&](auto beyond) { return std::all_of(points.begin(), points.end(), beyond); };
  return all([](CanvasPoint p) { return p.x < 0; }) || all([](CanvasPoint p) { return p.y < 0; }) ||
         all([this](CanvasPoint p) { return p.x >= width_; }) ||
         all([this](CanvasPoint p) { return p.y >= height_; });
}

void RasterCanvas::Polygon(std::span<const CanvasPoint> points) {
  // A figure wholly beyond one edge of the image has no pixel in it.
  if (fast_ && AllBeyondOneEdge(points)) return;
  if (!fast_ || pen_ != PenStyle::kSolid || points.size() > raster::kMaxCorners ||
      !AllInside(points)) {
    painter_.Polygon(points);
    return;
  }
  PixelWriter brush{pixels_, stride_, brushPixel_};
  raster::FillSpans(points, brush);
  PixelWriter pen{pixels_, stride_, kPenPixel};
  raster::OutlinePixels(points, pen);
}

void RasterCanvas::Polyline(std::span<const CanvasPoint> points) {
  if (!fast_ || pen_ != PenStyle::kSolid) {
    painter_.Polyline(points);
    return;
  }
  for (size_t i = 1; i < points.size(); ++i) SolidLine(points[i - 1], points[i]);
}

void RasterCanvas::SolidLine(CanvasPoint from, CanvasPoint to) {
  if (from == to) return;
  PixelWriter pen{pixels_, stride_, kPenPixel};
  if (Inside(from) && Inside(to)) {
    raster::LinePixels(from, to, true, false, pen);
    return;
  }
  const CanvasPoint ends[] = {from, to};
  if (AllBeyondOneEdge(ends)) return;
  // As PainterCanvas draws it: Qt's line as it is when it leaves out the end point, otherwise
  // without the end point and with the start point.
  if (raster::IsFarEnd(from, to)) {
    raster::ClippedLinePixels(from, to, width_, height_, pen);
    return;
  }
  struct WithoutEnd {
    PixelWriter& pen;
    CanvasPoint end;
    void Pixel(int32_t x, int32_t y) {
      if (x != end.x || y != end.y) pen.Pixel(x, y);
    }
  } withoutEnd{pen, to};
  raster::ClippedLinePixels(from, to, width_, height_, withoutEnd);
  if (Inside(from)) pen.Pixel(from.x, from.y);
}

}  // namespace pelmora
