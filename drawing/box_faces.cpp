#include "drawing/box_faces.h"

#include "generator/numeric.h"

namespace pelmora {

float ScaleFactor(int32_t pixels, int32_t worldSize) {
  if (worldSize == 0) return 0.0f;
  return static_cast<float>((Extended(pixels) - 30) / worldSize);
}

void BoxScaling::DrawBox(const BoxPoints& points, Canvas& canvas, bool filled,
                         Colour colour) const {
  DrawScaledBox(Scale(points), canvas, filled, colour);
}

BoxPoints BoxScaling::Scale(const BoxPoints& points) const {
  // The product of a 32-bit integer and a single is exact in extended precision.
  const Extended sx = sx_;
  const Extended sy = sy_;
  BoxPoints scaled;
  for (int i = 0; i < 8; ++i) {
    scaled[i] = {TruncToInt(points[i].x * sx), TruncToInt(points[i].y * sy)};
  }
  return scaled;
}

void DrawScaledBox(const BoxPoints& scaled, Canvas& canvas, bool filled, Colour colour,
                   uint32_t faces) {
  canvas.SetBrushColour(colour);
  for (size_t f = 0; f < kBoxFaces.size(); ++f) {
    if ((faces >> f & 1) == 0) continue;
    const auto& face = kBoxFaces[f];
    DrawBoxFace(scaled, face[0], face[1], face[2], face[3], filled, canvas);
  }
}

void DrawScaledOutlineOnRaster(const BoxPoints& scaled, Canvas& canvas, Colour colour) {
  static constexpr auto kEdges = internal::DistinctFaceEdges().first;
  canvas.SetBrushColour(colour);
  for (size_t e = 0; e < kOutlineEdgeCount; ++e) {
    const CanvasPoint segment[2] = {scaled[kEdges[e][0]], scaled[kEdges[e][1]]};
    canvas.Polyline(segment);
  }
}

void DrawBox(const BoxPoints& points, Canvas& canvas, bool filled, Colour colour, int32_t worldX,
             int32_t worldY, int32_t width, int32_t height) {
  BoxScaling(worldX, worldY, width, height).DrawBox(points, canvas, filled, colour);
}

void DrawBoxFace(const BoxPoints& scaled, int a, int b, int c, int d, bool filled, Canvas& canvas) {
  const CanvasPoint outline[5] = {scaled[a], scaled[b], scaled[c], scaled[d], scaled[a]};
  if (filled) {
    canvas.Polygon(std::span(outline, 4));
  } else {
    canvas.Polyline(outline);
  }
}

}  // namespace pelmora
