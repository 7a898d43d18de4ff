#include "drawing/box_projection.h"

#include "generator/extended_math.h"
#include "generator/numeric.h"

namespace pelmora {

BoxProjection::BoxProjection(double theta, bool perspective, double delta, int32_t worldY)
    : cosTheta_(Cos(theta)),
      sinTheta_(Sin(theta)),
      perspective_(perspective),
      delta_(delta),
      worldY_(worldY) {}

std::optional<BoxPoints> BoxProjection::Project(const BoxRecord& box, RandomSource& random) const {
  BoxPoints points;
  if (box.dimension == 1) {
    const int32_t row = random.Below(worldY_);
    for (int i = 0; i < 8; ++i) points[i] = {TruncToInt(box.corners[i].x), row};
    return points;
  }
  if (perspective_) {
    for (const Point3D& corner : box.corners) {
      if (corner.z == 0.0) return std::nullopt;
    }
    for (int i = 0; i < 8; ++i) {
      const Point3D& c = box.corners[i];
      const Extended z = c.z;
      points[i] = {TruncToInt(Extended(c.x) * delta_ / z), TruncToInt(Extended(c.y) * delta_ / z)};
    }
    return points;
  }
  const Extended z0 = box.corners[0].z;
  for (int i = 0; i < 8; ++i) {
    const Point3D& c = box.corners[i];
    const Extended depth = c.z - z0;
    points[i] = {TruncToInt(c.x + cosTheta_ * depth), TruncToInt(c.y + sinTheta_ * depth)};
  }
  return points;
}

std::optional<BoxPoints> ProjectBox(const BoxRecord& box, double theta, bool perspective,
                                    double delta, int32_t worldY, RandomSource& random) {
  return BoxProjection(theta, perspective, delta, worldY).Project(box, random);
}

}  // namespace pelmora
