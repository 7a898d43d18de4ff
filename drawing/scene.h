// The scene redraw: the boxes of the last run over the grid, on any Canvas.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "drawing/canvas.h"
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

// The eight projected corners of a box, in world units; point i is the image of corner i.
using BoxPoints = std::array<CanvasPoint, 8>;

// Fills the paint box (width x height) with white, one pixel beyond every side.
void ClearDrawingArea(Canvas& canvas, int32_t width, int32_t height);

// gridLines horizontal and vertical lines over the whole paint box, labelled in world units.
void DrawGridLines(Canvas& canvas, int32_t gridLines, int32_t gridStyle, int32_t worldX,
                   int32_t worldY, int32_t width, int32_t height);

// Maps the corners of box to the plane: a random row for a 1D box (one Below(worldY) draw),
// perspective when perspective is set, the oblique mapping by theta otherwise. Nothing for a
// perspective corner at z = 0, whose image does not exist (every corner of a 2D box).
std::optional<BoxPoints> ProjectBox(const BoxRecord& box, double theta, bool perspective,
                                    double delta, int32_t worldY, RandomSource& random);

// Scales the points into the paint box less a 30-pixel strip at the right and bottom, and draws
// the six faces, filled with colour and outlined, or outlined only.
void DrawBox(const BoxPoints& points, Canvas& canvas, bool filled, Colour colour, int32_t worldX,
             int32_t worldY, int32_t width, int32_t height);

// One face through the scaled points a, b, c, d.
void DrawBoxFace(const BoxPoints& scaled, int a, int b, int c, int d, bool filled,
                 Canvas& canvas);

// The whole scene of the last run on a paint box of width x height: clear, grid, then every
// picked box in table order. Random colours and 1D rows are drawn from random. Returns the box
// colour afterwards: in "Random" mode the colour of the last box drawn, otherwise unchanged.
Colour DrawScene(Canvas& canvas, int32_t width, int32_t height, const DrawSettings& settings,
                 const BoxTable& boxTable, const SceneSettings& scene, RandomSource& random);

}  // namespace pelmora
