#include "ui/raster/raster_canvas.h"

#include <algorithm>
#include <cstdlib>

namespace pelmora {

namespace {

constexpr uint32_t kPenPixel = 0xFF000000u;

// Polygons with more corners than this are left to QPainter; faces have four.
constexpr size_t kMaxFastCorners = 16;

// One edge of a polygon for the scan conversion, as Qt's aliased fill steps it: the rows whose
// centres lie in [top, bottom), x in 16.16 fixed point at the centre of row top, half a pixel
// to the right, stepped by the slope truncated to 16.16.
struct Edge {
  int32_t top;
  int32_t bottom;
  int64_t x;
  int64_t step;
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

void RasterCanvas::SetBrushColour(Colour colour) {
  brushPixel_ = ImagePixelOf(colour);
  painter_.SetBrushColour(colour);
}

void RasterCanvas::FillSpan(int32_t y, int32_t left, int32_t right, uint32_t pixel) {
  uint32_t* row = Row(y);
  std::fill(row + left, row + right, pixel);
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
  for (int32_t y = t; y < b; ++y) FillSpan(y, l, r, brushPixel_);
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
  if (fast_ && pen_ == PenStyle::kSolid && Inside(from) && Inside(position_)) {
    DrawLineWithoutEnd(from, position_);
  } else {
    painter_.MoveTo(from.x, from.y);
    painter_.LineTo(x, y);
  }
}

void RasterCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
  painter_.TextOut(x, y, text);
}

void RasterCanvas::DrawLineWithoutEnd(CanvasPoint from, CanvasPoint to) {
  if (from == to) return;
  DrawLine(from, to, true, false);
}

void RasterCanvas::DrawLine(CanvasPoint a, CanvasPoint b, bool withA, bool withB) {
  const int32_t dx = std::abs(b.x - a.x);
  const int32_t dy = std::abs(b.y - a.y);
  if (dy == 0) {
    // A row: its pixels between the ends, then the ends as asked.
    const int32_t left = std::min(a.x, b.x);
    const int32_t right = std::max(a.x, b.x);
    uint32_t* row = Row(a.y);
    std::fill(row + left + 1, row + right, kPenPixel);
    if (withA) row[a.x] = kPenPixel;
    if (withB) row[b.x] = kPenPixel;
    return;
  }
  if (dx == 0) {
    const int32_t top = std::min(a.y, b.y);
    const int32_t bottom = std::max(a.y, b.y);
    uint32_t* pixel = Row(top + 1) + a.x;
    for (int32_t y = top + 1; y < bottom; ++y, pixel += stride_) *pixel = kPenPixel;
    if (withA) Row(a.y)[a.x] = kPenPixel;
    if (withB) Row(b.y)[b.x] = kPenPixel;
    return;
  }
  // Qt steps the line from its near end along the longer axis (x when both are equally long),
  // the other coordinate in 16.16 fixed point: the slope truncated toward zero, starting half a
  // step on when the slope is positive. The first step lands exactly on the near end; the far
  // end is not part of the stepping.
  const bool aNear = dx < dy ? a.y < b.y : a.x < b.x;
  const CanvasPoint near = aNear ? a : b;
  const CanvasPoint far = aNear ? b : a;
  const bool withNear = aNear ? withA : withB;
  const bool withFar = aNear ? withB : withA;
  if (dx < dy) {
    const int64_t step = (int64_t{far.x - near.x} << 16) / (far.y - near.y);
    int64_t x = (int64_t{near.x} << 16) + (step > 0 ? step >> 1 : 0);
    if (withNear) Row(near.y)[near.x] = kPenPixel;
    x += step;
    uint32_t* row = Row(near.y + 1);
    for (int32_t y = near.y + 1; y < far.y; ++y, x += step, row += stride_) {
      row[x >> 16] = kPenPixel;
    }
  } else {
    const int64_t step = (int64_t{far.y - near.y} << 16) / (far.x - near.x);
    int64_t y = (int64_t{near.y} << 16) + (step > 0 ? step >> 1 : 0);
    if (withNear) Row(near.y)[near.x] = kPenPixel;
    y += step;
    for (int32_t x = near.x + 1; x < far.x; ++x, y += step) {
      Row(static_cast<int32_t>(y >> 16))[x] = kPenPixel;
    }
  }
  if (withFar) Row(far.y)[far.x] = kPenPixel;
}

void RasterCanvas::FillPolygon(std::span<const CanvasPoint> points) {
  const size_t n = points.size();
  // An axis-aligned rectangle, the front and back of every oblique box: the pixels whose
  // centres lie inside are exactly [left, right) x [top, bottom).
  if (n == 4) {
    const CanvasPoint& p0 = points[0];
    const CanvasPoint& p1 = points[1];
    const CanvasPoint& p2 = points[2];
    const CanvasPoint& p3 = points[3];
    if ((p0.y == p1.y && p1.x == p2.x && p2.y == p3.y && p3.x == p0.x) ||
        (p0.x == p1.x && p1.y == p2.y && p2.x == p3.x && p3.y == p0.y)) {
      const int32_t left = std::min(p0.x, p2.x);
      const int32_t right = std::max(p0.x, p2.x);
      const int32_t top = std::min(p0.y, p2.y);
      const int32_t bottom = std::max(p0.y, p2.y);
      if (left < right) {
        for (int32_t y = top; y < bottom; ++y) FillSpan(y, left, right, brushPixel_);
      }
      return;
    }
  }

  Edge edges[kMaxFastCorners];
  size_t edgeCount = 0;
  int32_t top = height_;
  int32_t bottom = 0;
  for (size_t i = 0; i < n; ++i) {
    CanvasPoint a = points[i];
    CanvasPoint b = points[i + 1 == n ? 0 : i + 1];
    if (a.y == b.y) continue;
    if (a.y > b.y) std::swap(a, b);
    const int32_t dx = b.x - a.x;
    const int32_t dy = b.y - a.y;
    // The slope as a double, scaled and truncated: the rounding of the division matters.
    const int64_t step = dx == 0 ? 0 : static_cast<int64_t>(static_cast<double>(dx) / dy * 65536.0);
    edges[edgeCount++] = {a.y, b.y, (int64_t{a.x} << 16) + 32768 + (step >> 1), step};
    top = std::min(top, a.y);
    bottom = std::max(bottom, b.y);
  }
  for (int32_t y = top; y < bottom; ++y) {
    int32_t crossings[kMaxFastCorners];
    size_t count = 0;
    for (size_t e = 0; e < edgeCount; ++e) {
      Edge& edge = edges[e];
      if (y < edge.top || y >= edge.bottom) continue;
      // Insertion by x; the even-odd pairs of the sorted crossings are the spans.
      const auto x = static_cast<int32_t>(edge.x >> 16);
      size_t k = count++;
      while (k > 0 && crossings[k - 1] > x) {
        crossings[k] = crossings[k - 1];
        --k;
      }
      crossings[k] = x;
      edge.x += edge.step;
    }
    for (size_t k = 0; k + 1 < count; k += 2) {
      if (crossings[k] < crossings[k + 1]) FillSpan(y, crossings[k], crossings[k + 1], brushPixel_);
    }
  }
}

void RasterCanvas::Polygon(std::span<const CanvasPoint> points) {
  if (!fast_ || pen_ != PenStyle::kSolid || points.size() > kMaxFastCorners || !AllInside(points)) {
    painter_.Polygon(points);
    return;
  }
  if (points.empty()) return;
  if (points.size() >= 3) FillPolygon(points);
  const size_t n = points.size();
  bool drewAny = false;
  for (size_t i = 0; i < n; ++i) {
    const CanvasPoint a = points[i];
    const CanvasPoint b = points[i + 1 == n ? 0 : i + 1];
    if (a == b) continue;
    DrawLine(a, b, true, true);
    drewAny = true;
  }
  if (!drewAny) Row(points[0].y)[points[0].x] = kPenPixel;
}

void RasterCanvas::Polyline(std::span<const CanvasPoint> points) {
  if (!fast_ || pen_ != PenStyle::kSolid || !AllInside(points)) {
    painter_.Polyline(points);
    return;
  }
  for (size_t i = 1; i < points.size(); ++i) DrawLineWithoutEnd(points[i - 1], points[i]);
}

}  // namespace pelmora
