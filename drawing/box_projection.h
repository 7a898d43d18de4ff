// The projection of a box's eight corners to the plane, in world units.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "drawing/canvas.h"
#include "generator/box_table.h"
#include "generator/extended.h"
#include "generator/random_source.h"

namespace pelmora {

// The eight projected corners of a box, in world units; point i is the image of corner i.
using BoxPoints = std::array<CanvasPoint, 8>;

// The mapping of one redraw, chosen per box:
//  - a 1D box becomes a horizontal segment at row Below(worldY), one draw per box (the row is
//    0 without a draw when worldY is 0);
//  - with perspective, (x * delta / z, y * delta / z) per corner, the product formed first;
//  - otherwise oblique: (x + cos(theta) * (z - z0), y + sin(theta) * (z - z0)), z0 the z of
//    corner 0, the difference formed first; a box's z position does not move it.
// Every coordinate is formed in extended precision and converted by TruncToInt. A perspective
// corner at z = 0 (every corner of a 2D box) has no image: such a box gives nothing.
class BoxProjection {
 public:
  BoxProjection(double theta, bool perspective, double delta, int32_t worldY);

  std::optional<BoxPoints> Project(const BoxRecord& box, RandomSource& random) const;

 private:
  Extended cosTheta_;
  Extended sinTheta_;
  bool perspective_;
  double delta_;
  int32_t worldY_;
};

// One box through a BoxProjection of these settings.
std::optional<BoxPoints> ProjectBox(const BoxRecord& box, double theta, bool perspective,
                                    double delta, int32_t worldY, RandomSource& random);

}  // namespace pelmora
