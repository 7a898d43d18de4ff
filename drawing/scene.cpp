#include "drawing/scene.h"

#include <algorithm>
#include <vector>

#include "drawing/cover_mask.h"
#include "generator/numeric.h"

namespace pelmora {

namespace {

// How many filled boxes a redraw holds back at most: a whole table.
constexpr size_t kHeldBack = BoxTable::kCapacity;

// Boxes with a corner farther out than this are always drawn in full and cover nothing: how
// QPainter draws such figures is not looked into here.
constexpr int32_t kFarOut = 1 << 20;

bool NearTheRaster(const BoxPoints& scaled) {
  return std::all_of(scaled.begin(), scaled.end(), [](CanvasPoint p) {
    return p.x > -kFarOut && p.x < kFarOut && p.y > -kFarOut && p.y < kFarOut;
  });
}

// The inclusive bounding box of the given corners, one pixel wider on every side: no pixel of
// their lines or fill lies outside it. REQUIRES: the corners near the raster.
template <size_t N>
bool FootprintCovered(CoverMask& mask, const BoxPoints& scaled, const std::array<int, N>& corners) {
  int32_t left = scaled[corners[0]].x;
  int32_t right = left;
  int32_t top = scaled[corners[0]].y;
  int32_t bottom = top;
  for (const int c : corners) {
    left = std::min(left, scaled[c].x);
    right = std::max(right, scaled[c].x);
    top = std::min(top, scaled[c].y);
    bottom = std::max(bottom, scaled[c].y);
  }
  return mask.Covers(left - 1, top - 1, right + 1, bottom + 1);
}

constexpr std::array<int, 8> kAllCorners = {0, 1, 2, 3, 4, 5, 6, 7};

// Filled boxes on a raster: every box paints the whole of its outline's hull, so a face whose
// pixels the later boxes all paint over is left out. The boxes are projected first, in table
// order with their random draws; then, from the last box back, each face is kept only when
// part of it may still show; then the kept faces are drawn in table order.
void DrawFilledBoxesOnRaster(Canvas& canvas, CanvasPoint size, std::vector<PickedBox>& boxes) {
  CoverMask mask(size.x, size.y);
  for (auto box = boxes.rbegin(); box != boxes.rend(); ++box) {
    box->faces = 0;
    if (!NearTheRaster(box->scaled)) {
      box->faces = 0x3F;
      continue;
    }
    if (FootprintCovered(mask, box->scaled, kAllCorners)) continue;
    for (size_t f = 0; f < kBoxFaces.size(); ++f) {
      if (!FootprintCovered(mask, box->scaled, kBoxFaces[f])) box->faces |= 1u << f;
    }
    mask.AddHullInterior(box->scaled);
  }
  for (const PickedBox& box : boxes) {
    if (box.faces != 0) DrawScaledBox(box.scaled, canvas, true, box.colour, box.faces);
  }
}

}  // namespace

void ClearDrawingArea(Canvas& canvas, int32_t width, int32_t height) {
  canvas.SetBrushColour(kWhite);
  canvas.FillRect(-1, -1, WrapAdd(width, 1), WrapAdd(height, 1));
}

SceneRedraw::SceneRedraw(Canvas& canvas, int32_t width, int32_t height,
                         const DrawSettings& settings, const SceneSettings& scene,
                         RandomSource& random)
    : canvas_(canvas),
      settings_(settings),
      random_(random),
      projection_(scene.theta, settings.cbShow3D, static_cast<double>(settings.spDelta),
                  scene.worldY),
      scaling_(scene.worldX, scene.worldY, width, height),
      raster_(canvas.RasterSize()),
      leaveOutCovered_(settings.cbColouredBoxes && raster_.x > 0 && raster_.y > 0),
      step_(static_cast<float>(Extended(settings.spPercent) / 100)),
      colour_(settings.boxColour),
      boxCount_(static_cast<size_t>(std::max(scene.boxCount, 0))) {
  ClearDrawingArea(canvas, width, height);
  if (settings.cbShowGrid) {
    DrawGridLines(canvas, settings.spGridLines, settings.rgGridStyle, scene.worldX, scene.worldY,
                  width, height);
  }
}

void SceneRedraw::Draw(const BoxRecord& box) {
  accumulator_ = static_cast<float>(Extended(accumulator_) + step_);
  if (accumulator_ < 1.0f) return;
  if (settings_.rgBoxColour == 1) colour_ = static_cast<Colour>(random_.Next31()) & 0xFFFFFFu;
  if (const auto points = projection_.Project(box, random_)) {
    if (leaveOutCovered_) {
      // A table's boxes are all held back at once; a longer stream's in turns.
      if (picked_.size() == kHeldBack) DrawHeldBack();
      if (picked_.capacity() == 0) picked_.reserve(std::min(boxCount_, kHeldBack));
      picked_.push_back({scaling_.Scale(*points), colour_, 0});
    } else if (!settings_.cbColouredBoxes && raster_.x > 0 && raster_.y > 0) {
      DrawScaledOutlineOnRaster(scaling_.Scale(*points), canvas_, colour_);
    } else {
      scaling_.DrawBox(*points, canvas_, settings_.cbColouredBoxes, colour_);
    }
  }
  accumulator_ = static_cast<float>(Extended(accumulator_) - 1);
}

void SceneRedraw::DrawHeldBack() {
  DrawFilledBoxesOnRaster(canvas_, raster_, picked_);
  picked_.clear();
}

Colour SceneRedraw::Finish() {
  if (leaveOutCovered_) DrawHeldBack();
  return colour_;
}

Colour DrawScene(Canvas& canvas, int32_t width, int32_t height, const DrawSettings& settings,
                 const BoxTable& boxTable, const SceneSettings& scene, RandomSource& random) {
  SceneRedraw redraw(canvas, width, height, settings, scene, random);
  const int32_t last = std::min(scene.boxCount, BoxTable::kCapacity);
  for (int32_t i = 1; i <= last; ++i) redraw.Draw(boxTable[i]);
  return redraw.Finish();
}

bool RedrawFeed::Accept(int64_t, std::span<const Box> boxes) {
  BoxRecord record;
  for (const Box& box : boxes) {
    SetBoxCorners(record, box.low[0], box.low[1], box.low[2], box.high[0], box.high[1], box.high[2],
                  dimension_);
    redraw_.Draw(record);
  }
  return true;
}

}  // namespace pelmora
