#include "drawing/cover_mask.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

// The bits from bit `from` to bit `to` of a word, both included. REQUIRES: 0 <= from <= to < 64.
uint64_t BitRange(int32_t from, int32_t to) {
  const uint64_t upTo = to == 63 ? ~uint64_t{0} : (uint64_t{1} << (to + 1)) - 1;
  return upTo & ~((uint64_t{1} << from) - 1);
}

int64_t Cross(CanvasPoint o, CanvasPoint a, CanvasPoint b) {
  return (int64_t{a.x} - o.x) * (int64_t{b.y} - o.y) - (int64_t{a.y} - o.y) * (int64_t{b.x} - o.x);
}

// The convex hull, counter-clockwise in the raster's axes, without collinear points (Andrew's
// monotone chain). REQUIRES: points.size() <= 16.
size_t ConvexHull(std::span<const CanvasPoint> points, CanvasPoint* hull) {
  CanvasPoint sorted[16];
  const size_t n = points.size();
  std::copy(points.begin(), points.end(), sorted);
  std::sort(sorted, sorted + n,
            [](CanvasPoint a, CanvasPoint b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  size_t k = 0;
  for (size_t i = 0; i < n; ++i) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], sorted[i]) <= 0) --k;
    hull[k++] = sorted[i];
  }
  for (size_t i = n - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], sorted[i]) <= 0) --k;
    hull[k++] = sorted[i];
  }
  return k > 1 ? k - 1 : k;
}

// Where the horizontal line at height y meets the convex polygon: [low, high]; false when it
// misses it.
bool CrossingsAt(const CanvasPoint* hull, size_t n, double y, double& low, double& high) {
  bool met = false;
  for (size_t i = 0; i < n; ++i) {
    const CanvasPoint a = hull[i];
    const CanvasPoint b = hull[i + 1 == n ? 0 : i + 1];
    if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y)) continue;
    double x0 = a.x;
    double x1 = b.x;
    if (a.y != b.y) {
      // The fraction first, so that far-away corners lose no precision near the raster.
      const double t = (y - a.y) / (static_cast<double>(b.y) - a.y);
      x0 = x1 = a.x + t * (static_cast<double>(b.x) - a.x);
    }
    low = met ? std::min({low, x0, x1}) : std::min(x0, x1);
    high = met ? std::max({high, x0, x1}) : std::max(x0, x1);
    met = true;
  }
  return met;
}

}  // namespace

CoverMask::CoverMask(int32_t width, int32_t height)
    : width_(width),
      height_(height),
      wordsPerRow_((width + 63) / 64),
      bits_(static_cast<size_t>(wordsPerRow_) * static_cast<size_t>(height)),
      nextOpen_(static_cast<size_t>(height) + 1) {
  for (int32_t y = 0; y <= height_; ++y) nextOpen_[y] = y;
}

int32_t CoverMask::NextOpenRow(int32_t y) {
  int32_t root = y;
  while (nextOpen_[root] != root) root = nextOpen_[root];
  while (nextOpen_[y] != root) {
    const int32_t next = nextOpen_[y];
    nextOpen_[y] = root;
    y = next;
  }
  return root;
}

bool CoverMask::RunCovered(int32_t y, int32_t left, int32_t right) const {
  const uint64_t* row = bits_.data() + static_cast<size_t>(y) * wordsPerRow_;
  const int32_t first = left >> 6;
  const int32_t last = right >> 6;
  if (first == last) {
    const uint64_t want = BitRange(left & 63, right & 63);
    return (row[first] & want) == want;
  }
  if ((row[first] | ~BitRange(left & 63, 63)) != ~uint64_t{0}) return false;
  for (int32_t w = first + 1; w < last; ++w) {
    if (row[w] != ~uint64_t{0}) return false;
  }
  const uint64_t want = BitRange(0, right & 63);
  return (row[last] & want) == want;
}

void CoverMask::AddRun(int32_t y, int32_t left, int32_t right) {
  uint64_t* row = bits_.data() + static_cast<size_t>(y) * wordsPerRow_;
  const int32_t first = left >> 6;
  const int32_t last = right >> 6;
  if (first == last) {
    row[first] |= BitRange(left & 63, right & 63);
  } else {
    row[first] |= BitRange(left & 63, 63);
    for (int32_t w = first + 1; w < last; ++w) row[w] = ~uint64_t{0};
    row[last] |= BitRange(0, right & 63);
  }
  if (RunCovered(y, 0, width_ - 1)) nextOpen_[y] = y + 1;
}

bool CoverMask::Covers(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const int32_t l = std::max(left, 0);
  const int32_t r = std::min(right, width_ - 1);
  const int32_t t = std::max(top, 0);
  const int32_t b = std::min(bottom, height_ - 1);
  if (l > r || t > b) return true;
  for (int32_t y = NextOpenRow(t); y <= b; y = NextOpenRow(y + 1)) {
    if (!RunCovered(y, l, r)) return false;
  }
  return true;
}

void CoverMask::AddHullInterior(std::span<const CanvasPoint> points) {
  if (points.size() < 3 || points.size() > 16 || width_ == 0) return;
  CanvasPoint hull[32];
  const size_t n = ConvexHull(points, hull);
  if (n < 3) return;
  int32_t top = hull[0].y;
  int32_t bottom = hull[0].y;
  for (size_t i = 1; i < n; ++i) {
    top = std::min(top, hull[i].y);
    bottom = std::max(bottom, hull[i].y);
  }
  // Pixel (x, y) counts when the square [x - 1, x + 2] x [y - 1, y + 2] lies inside the hull:
  // its four corners do, which two crossings per row tell.
  const int32_t first = std::max(top + 1, 0);
  const int32_t last = std::min(bottom - 2, height_ - 1);
  if (first > last) return;
  for (int32_t y = NextOpenRow(first); y <= last; y = NextOpenRow(y + 1)) {
    double low0 = 0;
    double high0 = 0;
    double low1 = 0;
    double high1 = 0;
    if (!CrossingsAt(hull, n, y - 1.0, low0, high0) ||
        !CrossingsAt(hull, n, y + 2.0, low1, high1)) {
      continue;
    }
    const double from = std::ceil(std::max(low0, low1)) + 1.0;
    const double to = std::floor(std::min(high0, high1)) - 2.0;
    if (from > to || to < 0 || from > width_ - 1) continue;
    AddRun(y, static_cast<int32_t>(std::max(from, 0.0)),
           static_cast<int32_t>(std::min(to, width_ - 1.0)));
  }
}

}  // namespace pelmora
