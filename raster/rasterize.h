// The pixels Qt's aliased raster engine gives a one-pixel line and an even-odd polygon fill
// with integer corners, worked out here so that RasterCanvas can write them itself.
//
// Pixel (x, y) is the unit square with top-left corner (x, y). The routines hand their pixels
// to a sink with two operations, Pixel(x, y) and Run(y, left, right) for the pixels left to
// right - 1 of row y (left < right). REQUIRES, except for ClippedLinePixels: every corner inside
// the image, which keeps all arithmetic far from overflow and every pixel inside the image.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "drawing/canvas.h"

namespace pelmora::raster {

// The most corners a polygon may have here; faces have four.
inline constexpr size_t kMaxCorners = 16;

// The line a-b: the pixels Qt's aliased line picks between the two ends, with a and b
// themselves only as asked. Qt steps from the end with the smaller coordinate along the longer
// axis (x when both are equally long), the other coordinate in 16.16 fixed point: the slope
// truncated toward zero, starting half a step on when the slope is positive. The first step
// lands exactly on that near end; the far end is not part of the stepping.
// REQUIRES: a != b.
template <typename Sink>
void LinePixels(CanvasPoint a, CanvasPoint b, bool withA, bool withB, Sink& sink) {
  const int32_t dx = std::abs(b.x - a.x);
  const int32_t dy = std::abs(b.y - a.y);
  if (dy == 0) {
    const int32_t left = std::min(a.x, b.x);
    const int32_t right = std::max(a.x, b.x);
    if (right - left > 1) sink.Run(a.y, left + 1, right);
  } else if (dx == 0) {
    const int32_t bottom = std::max(a.y, b.y);
    for (int32_t y = std::min(a.y, b.y) + 1; y < bottom; ++y) sink.Pixel(a.x, y);
  } else {
    const bool aNear = dx < dy ? a.y < b.y : a.x < b.x;
    const CanvasPoint near = aNear ? a : b;
    const CanvasPoint far = aNear ? b : a;
    if (dx < dy) {
      const int64_t step = (int64_t{far.x - near.x} << 16) / (far.y - near.y);
      int64_t x = (int64_t{near.x} << 16) + (step > 0 ? step >> 1 : 0) + step;
      for (int32_t y = near.y + 1; y < far.y; ++y, x += step) {
        sink.Pixel(static_cast<int32_t>(x >> 16), y);
      }
    } else {
      const int64_t step = (int64_t{far.y - near.y} << 16) / (far.x - near.x);
      int64_t y = (int64_t{near.y} << 16) + (step > 0 ? step >> 1 : 0) + step;
      for (int32_t x = near.x + 1; x < far.x; ++x, y += step) {
        sink.Pixel(x, static_cast<int32_t>(y >> 16));
      }
    }
  }
  if (withA) sink.Pixel(a.x, a.y);
  if (withB) sink.Pixel(b.x, b.y);
}

// Whether b is the end of the line a-b that Qt's aliased line leaves out when both ends lie in
// the image: the end with the larger coordinate along the line's longer axis (x when the two
// are equally long).
inline bool IsFarEnd(CanvasPoint a, CanvasPoint b) {
  const int64_t dx = std::llabs(int64_t{b.x} - a.x);
  const int64_t dy = std::llabs(int64_t{b.y} - a.y);
  return dx < dy ? b.y > a.y : b.x > a.x;
}

// The line a-b as Qt's aliased line draws it on an image of width x height when an end may lie
// outside the image. Qt first cuts the line, in doubles, to [-1, width + 1] x [-1, height + 1]:
// the start's x, then the end's x, then the start's y, then the end's y, each cut moving that
// end along the line as the earlier cuts left it. It truncates the cut ends toward zero to 26.6
// fixed point and steps along the longer axis (x when both are equally long) from the end with
// the smaller coordinate: the first row (column) is the one nearest that end, the last the one
// before the row nearest the other end; the other coordinate is in 16.16 fixed point, the slope
// truncated toward zero, placed at the first row's centre plus half a pixel when the slope is
// positive. Pixels outside the image are left out. For ends inside the image this is
// LinePixels(a, b) with the near end and without the far one. Nothing for a == b.
template <typename Sink>
void ClippedLinePixels(CanvasPoint a, CanvasPoint b, int32_t width, int32_t height, Sink& sink) {
  // Cuts along one axis, the start first: an end beyond a bound moves along the line to it, the
  // other coordinate formed as Qt forms it (the slope, times the distance, added). False when
  // the whole line lies beyond one bound.
  auto cutAxis = [](double& along1, double& other1, double& along2, double& other2, double low,
                    double high) {
    if (along1 < low || along1 > high) {
      const bool below = along1 < low;
      if (below ? along2 <= low : along2 >= high) return false;
      const double bound = below ? low : high;
      other1 += (other2 - other1) / (along2 - along1) * (bound - along1);
      along1 = bound;
    }
    if (along2 < low || along2 > high) {
      const double bound = along2 < low ? low : high;
      other2 += (other2 - other1) / (along2 - along1) * (bound - along2);
      along2 = bound;
    }
    return true;
  };
  double x1 = a.x;
  double y1 = a.y;
  double x2 = b.x;
  double y2 = b.y;
  if (!cutAxis(x1, y1, x2, y2, -1, static_cast<double>(width) + 1) ||
      !cutAxis(y1, x1, y2, x2, -1, static_cast<double>(height) + 1)) {
    return;
  }

  // 26.6 fixed point.
  int64_t ax = static_cast<int32_t>(x1 * 64.0);
  int64_t ay = static_cast<int32_t>(y1 * 64.0);
  int64_t bx = static_cast<int32_t>(x2 * 64.0);
  int64_t by = static_cast<int32_t>(y2 * 64.0);
  const bool alongY = std::abs(bx - ax) < std::abs(by - ay);
  if (!alongY) {
    // Step along x: the same code with the axes exchanged.
    std::swap(ax, ay);
    std::swap(bx, by);
  }
  if (ay == by) return;
  if (ay > by) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  const int64_t step = (bx - ax) * 65536 / (by - ay);
  int64_t major = (ay + 32) >> 6;
  const int64_t end = std::min<int64_t>((by + 32) >> 6, alongY ? height : width);
  const int64_t minorLimit = alongY ? width : height;
  int64_t minor = ax * 1024 + (((major * 64) + (step > 0 ? 32 : 0) - ay) * step >> 6);
  if (major < 0) {
    minor += -major * step;
    major = 0;
  }
  for (; major < end; ++major, minor += step) {
    const int64_t m = minor >> 16;
    if (m < 0 || m >= minorLimit) continue;
    if (alongY) {
      sink.Pixel(static_cast<int32_t>(m), static_cast<int32_t>(major));
    } else {
      sink.Pixel(static_cast<int32_t>(major), static_cast<int32_t>(m));
    }
  }
}

// The outline of a polygon: every edge with both its ends, a figure whose corners all coincide
// as its one pixel.
template <typename Sink>
void OutlinePixels(std::span<const CanvasPoint> points, Sink& sink) {
  const size_t n = points.size();
  bool drewAny = false;
  for (size_t i = 0; i < n; ++i) {
    const CanvasPoint a = points[i];
    const CanvasPoint b = points[i + 1 == n ? 0 : i + 1];
    if (a == b) continue;
    LinePixels(a, b, true, true, sink);
    drewAny = true;
  }
  if (!drewAny && n > 0) sink.Pixel(points[0].x, points[0].y);
}

// The even-odd fill of a polygon, as Qt's aliased scan conversion gives it: a row's pixels lie
// between pairs of its edge crossings, each crossing taken at the row's centre, half a pixel
// to the right, in 16.16 fixed point from the edge's slope truncated to 16.16; a pixel is
// inside from the floor of one crossing to the floor of the next. REQUIRES: at most kMaxCorners
// corners.
template <typename Sink>
void FillSpans(std::span<const CanvasPoint> points, Sink& sink) {
  const size_t n = points.size();
  if (n < 3) return;
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
      if (left == right) return;
      const int32_t bottom = std::max(p0.y, p2.y);
      for (int32_t y = std::min(p0.y, p2.y); y < bottom; ++y) sink.Run(y, left, right);
      return;
    }
  }

  // Each edge from its upper end: the rows whose centres lie in [top, bottom), x at the centre
  // of row top, and the step per row.
  struct Edge {
    int32_t top;
    int32_t bottom;
    int64_t x;
    int64_t step;
  };
  Edge edges[kMaxCorners];
  size_t edgeCount = 0;
  // The rows where edges begin and end cut the polygon into bands; within a band the same
  // edges cross every row.
  int32_t cuts[2 * kMaxCorners];
  size_t cutCount = 0;
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
    cuts[cutCount++] = a.y;
    cuts[cutCount++] = b.y;
  }
  std::sort(cuts, cuts + cutCount);
  cutCount = static_cast<size_t>(std::unique(cuts, cuts + cutCount) - cuts);

  for (size_t band = 0; band + 1 < cutCount; ++band) {
    const int32_t first = cuts[band];
    const int32_t end = cuts[band + 1];
    // The crossing edges, by x at the band's first row.
    int64_t x[kMaxCorners];
    int64_t step[kMaxCorners];
    size_t count = 0;
    for (size_t e = 0; e < edgeCount; ++e) {
      const Edge& edge = edges[e];
      if (edge.top > first || edge.bottom < end) continue;
      const int64_t at = edge.x + (first - edge.top) * edge.step;
      size_t k = count++;
      while (k > 0 && x[k - 1] > at) {
        x[k] = x[k - 1];
        step[k] = step[k - 1];
        --k;
      }
      x[k] = at;
      step[k] = edge.step;
    }
    if (count < 2) continue;
    // Edges are straight: when their order is the same at the band's last row, it holds on
    // every row between, and so do the even-odd pairs.
    bool ordered = true;
    const int64_t rows = end - 1 - first;
    for (size_t k = 1; k < count && ordered; ++k) {
      ordered = x[k - 1] + rows * step[k - 1] <= x[k] + rows * step[k];
    }
    if (ordered && count == 2) {
      int64_t left = x[0];
      int64_t right = x[1];
      for (int32_t y = first; y < end; ++y, left += step[0], right += step[1]) {
        const auto l = static_cast<int32_t>(left >> 16);
        const auto r = static_cast<int32_t>(right >> 16);
        if (l < r) sink.Run(y, l, r);
      }
      continue;
    }
    for (int32_t y = first; y < end; ++y) {
      int32_t crossings[kMaxCorners];
      for (size_t k = 0; k < count; ++k) {
        crossings[k] = static_cast<int32_t>(x[k] >> 16);
        x[k] += step[k];
      }
      if (!ordered) std::sort(crossings, crossings + count);
      for (size_t k = 0; k + 1 < count; k += 2) {
        if (crossings[k] < crossings[k + 1]) sink.Run(y, crossings[k], crossings[k + 1]);
      }
    }
  }
}

}  // namespace pelmora::raster
