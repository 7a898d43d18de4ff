// A projected box scaled into the paint box and drawn as its six faces.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "drawing/box_projection.h"
#include "drawing/canvas.h"

namespace pelmora {

// The six faces by corner number, in drawing order: back (high z), left (low x), top (low y),
// bottom (high y), right (high x), front (low z). Under the oblique mapping, which shifts the
// back of a box right and down, the three faces turned toward the viewer come last.
inline constexpr std::array<std::array<int, 4>, 6> kBoxFaces = {{
    {2, 3, 7, 6},
    {0, 3, 7, 4},
    {0, 1, 2, 3},
    {4, 7, 6, 5},
    {1, 2, 6, 5},
    {0, 1, 5, 4},
}};

namespace internal {

// The edges of the outlined faces, each pair (from, to) of corner numbers once, in the order
// the faces first draw it, and how many there are.
constexpr std::pair<std::array<std::array<int, 2>, 24>, size_t> DistinctFaceEdges() {
  std::array<std::array<int, 2>, 24> edges{};
  size_t count = 0;
  for (const auto& face : kBoxFaces) {
    for (size_t i = 0; i < face.size(); ++i) {
      const std::array<int, 2> edge = {face[i], face[(i + 1) % face.size()]};
      bool seen = false;
      for (size_t k = 0; k < count; ++k) seen = seen || edges[k] == edge;
      if (!seen) edges[count++] = edge;
    }
  }
  return {edges, count};
}

}  // namespace internal

// The edges an outlined box draws, from corner to corner: eight of the faces' 24 edges are
// drawn twice the same way round, and are here once.
inline constexpr size_t kOutlineEdgeCount = internal::DistinctFaceEdges().second;
static_assert(kOutlineEdgeCount == 16);

// The factor that maps world units to pixels along one axis: (pixels - 30) / worldSize rounded
// to single precision, leaving a 30-pixel strip at the right (bottom). A world size of 0 (only
// from 1D settings typed out of range) gives 0: everything on that axis is drawn at pixel 0.
float ScaleFactor(int32_t pixels, int32_t worldSize);

// The scaling of one redraw: the two factors of a world and a paint box, formed once.
class BoxScaling {
 public:
  BoxScaling(int32_t worldX, int32_t worldY, int32_t width, int32_t height)
      : sx_(ScaleFactor(width, worldX)), sy_(ScaleFactor(height, worldY)) {}

  // Scales the points by (TruncToInt(x * sx), TruncToInt(y * sy)), no offset, and draws the six
  // faces in the order of kBoxFaces, filled with colour and outlined, or outlined only. The
  // brush is set to colour in both modes. The pen is not touched.
  void DrawBox(const BoxPoints& points, Canvas& canvas, bool filled, Colour colour) const;

  // The points scaled as DrawBox scales them, in canvas pixels.
  BoxPoints Scale(const BoxPoints& points) const;

 private:
  float sx_;
  float sy_;
};

// One box through a BoxScaling of this world and paint box.
void DrawBox(const BoxPoints& points, Canvas& canvas, bool filled, Colour colour, int32_t worldX,
             int32_t worldY, int32_t width, int32_t height);

// The faces of scaled points as BoxScaling::DrawBox draws them, but only those whose bit
// (1 << face number in kBoxFaces) is set in faces; the brush is set to colour all the same.
void DrawScaledBox(const BoxPoints& scaled, Canvas& canvas, bool filled, Colour colour,
                   uint32_t faces = 0x3F);

// The outline of scaled points as DrawScaledBox draws it unfilled, on a raster whose pixels
// every figure simply replaces (Canvas::RasterSize): each edge that two faces draw the same way
// round is drawn once, the second time leaving no trace. The brush is set to colour all the
// same.
void DrawScaledOutlineOnRaster(const BoxPoints& scaled, Canvas& canvas, Colour colour);

// One face through the scaled points a, b, c, d: a polygon through the four when filled,
// otherwise a polyline a, b, c, d, a. REQUIRES: a, b, c, d in 0..7.
void DrawBoxFace(const BoxPoints& scaled, int a, int b, int c, int d, bool filled, Canvas& canvas);

}  // namespace pelmora
