#include "drawing/grid_lines.h"

#include <string>

#include "generator/numeric.h"

namespace pelmora {

namespace {

// The lines of one direction: n lines spread over extent pixels, labelled in steps of
// worldSize / n. The extent and the steps are those of that direction.
class LineFamily {
 public:
  LineFamily(int32_t count, int32_t worldSize, int32_t extent)
      : count_(count),
        worldSize_(worldSize),
        spacing_(Extended(static_cast<float>(extent)) / count) {}

  // The pixel row (column) of line k. Never wraps: |spacing * k| stays below |extent|.
  int32_t Position(int32_t k) const { return TruncToInt(spacing_ * k); }
  // Where the label of line k starts across the line: one pixel past it.
  int32_t LabelPosition(int32_t k) const { return TruncToInt(spacing_ * k + 1); }
  std::string Label(int32_t k) const {
    return std::to_string(WrapDiv(WrapMul(k, worldSize_), count_));
  }

  // The last line from k on that shares the position of line k. Positions never decrease (or
  // never increase, for a negative extent) with k, so the lines of one position are consecutive.
  int32_t LastAtSamePosition(int32_t k) const {
    const int32_t position = Position(k);
    if (k + 1 >= count_ || Position(k + 1) != position) return k;
    int32_t low = k + 1;    // shares the position
    int32_t high = count_;  // past the end, or the first line past the position
    while (high - low > 1) {
      const int32_t middle = low + (high - low) / 2;
      if (Position(middle) == position) {
        low = middle;
      } else {
        high = middle;
      }
    }
    return low;
  }

  int32_t count() const { return count_; }

 private:
  int32_t count_;
  int32_t worldSize_;
  Extended spacing_;
};

}  // namespace

bool GridPenStyle(int32_t gridStyle, PenStyle* style) {
  switch (gridStyle) {
    case 0:
      *style = PenStyle::kDash;
      return true;
    case 1:
      *style = PenStyle::kDot;
      return true;
    case 2:
      *style = PenStyle::kDashDot;
      return true;
    default:
      return false;
  }
}

void DrawGridLines(Canvas& canvas, int32_t gridLines, int32_t gridStyle, int32_t worldX,
                   int32_t worldY, int32_t width, int32_t height) {
  PenStyle style;
  if (GridPenStyle(gridStyle, &style)) canvas.SetPenStyle(style);

  if (gridLines > 0) {
    // Horizontal lines carry the world's y labels, vertical lines its x labels.
    const LineFamily rows(gridLines, worldY, height);
    for (int32_t k = 0; k < rows.count();) {
      const int32_t last = rows.LastAtSamePosition(k);
      const int32_t y = rows.Position(k);
      canvas.MoveTo(0, y);
      canvas.LineTo(width, y);
      canvas.TextOut(2, rows.LabelPosition(last), rows.Label(last));
      k = last + 1;
    }
    const LineFamily columns(gridLines, worldX, width);
    for (int32_t k = 0; k < columns.count();) {
      const int32_t last = columns.LastAtSamePosition(k);
      const int32_t x = columns.Position(k);
      canvas.MoveTo(x, 0);
      canvas.LineTo(x, height);
      canvas.TextOut(columns.LabelPosition(last), 2, columns.Label(last));
      k = last + 1;
    }
  }

  canvas.SetPenStyle(PenStyle::kSolid);
}

}  // namespace pelmora
