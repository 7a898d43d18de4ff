// Which pixels of a raster the boxes drawn later are sure to paint over, so that a redraw can
// leave out what would be covered anyway and still give the same picture pixel for pixel.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "drawing/canvas.h"

namespace pelmora {

// A set of pixels of a width x height raster, built from the last box backwards. Pixels outside
// the raster are never in it.
class CoverMask {
 public:
  // REQUIRES: width >= 0, height >= 0.
  CoverMask(int32_t width, int32_t height);

  // Whether every pixel of [left, right] x [top, bottom] (both ends included) that lies inside
  // the raster is in the set; true for a rectangle wholly outside the raster.
  bool Covers(int32_t left, int32_t top, int32_t right, int32_t bottom);

  // Adds the pixels that lie, with a margin of one pixel on every side, inside the convex hull
  // of the points: pixels that any even-odd fill of faces whose union is that hull paints,
  // however its edges are rounded. Nothing for fewer than three points or a flat hull.
  void AddHullInterior(std::span<const CanvasPoint> points);

 private:
  // The first row at or after y that is not wholly in the set (height_ when there is none).
  int32_t NextOpenRow(int32_t y);
  void AddRun(int32_t y, int32_t left, int32_t right);  // [left, right], inside the raster
  bool RunCovered(int32_t y, int32_t left, int32_t right) const;

  int32_t width_;
  int32_t height_;
  int32_t wordsPerRow_;
  std::vector<uint64_t> bits_;
  // nextOpen_[y] leads, through a chain that is shortened as it is followed, to NextOpenRow(y).
  std::vector<int32_t> nextOpen_;
};

}  // namespace pelmora
