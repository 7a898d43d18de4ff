// The scene redraw: the boxes of the last run over the grid, on any Canvas.
#pragma once

#include <cstdint>
#include <vector>

#include "drawing/box_faces.h"
#include "drawing/box_projection.h"
#include "drawing/canvas.h"
#include "drawing/grid_lines.h"
#include "generator/box_stream.h"
#include "generator/box_table.h"
#include "generator/random_source.h"

namespace pelmora {

// A snapshot of the draw settings, by the names of their controls; defaults are the window's
// values at start. Values are used as read, also outside the fields' limits.
struct DrawSettings {
  bool cbShowGrid = true;
  int32_t spPercent = 100;
  int32_t spGridLines = 10;
  int32_t rgGridStyle = 1;  // 0 "Dash", 1 "Dot", 2 "DashDot"; anything else leaves it solid
  bool cbColouredBoxes = true;
  int32_t rgBoxColour = 0;  // 1 "Random"; anything else is the constant colour
  Colour boxColour = kRed;  // the colour dialog's colour when the redraw starts
  bool cbShow3D = false;
  int32_t spDelta = 1;
};

// Fills the paint box (width x height) with white, one pixel beyond every side.
void ClearDrawingArea(Canvas& canvas, int32_t width, int32_t height);

// The whole scene of the last run on a paint box of width x height: clear, grid, then the
// picked boxes of entries 1..boxCount in table order, each over the earlier ones.
//
// A box is picked when the single-precision accumulator, stepped by spPercent / 100 (a single),
// reaches 1; at most one box per step, so 100 or more picks every box and 0 or less none.
// Only a picked box takes random draws, in this order, which the pictures of a seed depend on:
// in "Random" mode Next31 for its colour (the low 24 bits), then Below(worldY) for the row of
// a 1D box. A 2D box under perspective is skipped after its colour draw (see BoxProjection).
//
// Returns the box colour afterwards: in "Random" mode the colour of the last box drawn,
// otherwise boxColour unchanged. A boxCount beyond the table's capacity is taken as the
// capacity.
Colour DrawScene(Canvas& canvas, int32_t width, int32_t height, const DrawSettings& settings,
                 const BoxTable& boxTable, const SceneSettings& scene, RandomSource& random);

// A picked box as a redraw draws it, and which of its faces are drawn (bit f: face f of
// kBoxFaces).
struct PickedBox {
  BoxPoints scaled;
  Colour colour;
  uint32_t faces;
};

// The same redraw fed one box at a time, for boxes that are in no table (a run of any length
// made again from its seed): the picture is the one DrawScene draws from a table holding these
// boxes as entries 1, 2, ... The constructor clears the area and draws the grid; Draw takes the
// next box; Finish draws what is still held back and returns the box colour as DrawScene does.
// Filled boxes on a raster are held back, BoxTable::kCapacity at most, so that the faces later
// boxes paint over can be left out: memory does not grow with the number of boxes.
// canvas, settings and random must outlive the redraw.
class SceneRedraw {
 public:
  SceneRedraw(Canvas& canvas, int32_t width, int32_t height, const DrawSettings& settings,
              const SceneSettings& scene, RandomSource& random);
  SceneRedraw(const SceneRedraw&) = delete;
  SceneRedraw& operator=(const SceneRedraw&) = delete;

  void Draw(const BoxRecord& box);
  Colour Finish();

 private:
  void DrawHeldBack();

  Canvas& canvas_;
  const DrawSettings& settings_;
  RandomSource& random_;
  BoxProjection projection_;
  BoxScaling scaling_;
  CanvasPoint raster_;
  bool leaveOutCovered_;
  // Both held as singles: which boxes a percentage picks follows from their rounding.
  float step_;
  float accumulator_ = 0.0f;
  Colour colour_;
  size_t boxCount_;
  std::vector<PickedBox> picked_;
};

// Feeds the boxes of a stream (generator/box_stream.h) to a redraw as the records the box table
// of that run would hold, dimension being the run's. Never stops the stream.
class RedrawFeed final : public BoxConsumer {
 public:
  RedrawFeed(SceneRedraw& redraw, int32_t dimension) : redraw_(redraw), dimension_(dimension) {}
  bool Accept(int64_t first, std::span<const Box> boxes) override;

 private:
  SceneRedraw& redraw_;
  int32_t dimension_;
};

}  // namespace pelmora
