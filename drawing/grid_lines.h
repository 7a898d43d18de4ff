// The labelled grid over the paint box.
#pragma once

#include <cstdint>

#include "drawing/canvas.h"

namespace pelmora {

// The pen style of a grid style index: 0 "Dash", 1 "Dot", 2 "DashDot"; nothing for any other
// index, which leaves the pen as it is (solid, as every grid drawing leaves it).
bool GridPenStyle(int32_t gridStyle, PenStyle* style);

// Rules gridLines horizontal and then gridLines vertical lines over the whole paint box
// (width x height pixels) and writes beside each line the world coordinate it stands for:
// line k of n lies at TruncToInt((extent / n) * k), the quotient taken first, in extended
// precision, with the extent held as a single; its label, k * world / n in wrapping 32-bit
// arithmetic, is written one pixel below (right of) the line, 2 pixels in from the edge. The pen
// style is set from gridStyle first and set back to solid at the end; gridLines <= 0 draws
// nothing else.
//
// When more lines are asked for than the paint box has pixel rows (columns), lines that fall on
// one row are drawn once, with the label of the last of them, so the work stays within the size
// of the paint box whatever the count.
void DrawGridLines(Canvas& canvas, int32_t gridLines, int32_t gridStyle, int32_t worldX,
                   int32_t worldY, int32_t width, int32_t height);

}  // namespace pelmora
