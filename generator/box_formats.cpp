#include "generator/box_formats.h"

#include "generator/numeric.h"

namespace pelmora {

namespace {

struct Corners {
  int32_t x1, y1, z1, x2, y2, z2;
};

Corners CornersOf(const BoxRecord& box) {
  const Point3D& low = box.corners[0];
  const Point3D& high = box.corners[6];
  return {TruncToInt(low.x), TruncToInt(low.y), TruncToInt(low.z),
          TruncToInt(high.x), TruncToInt(high.y), TruncToInt(high.z)};
}

// "x y" or "x y z", as WKT separates the coordinates of one point.
void Point(DatasetWriter& out, int32_t x, int32_t y) { out.Int(x).Text(" ").Int(y); }
void Point(DatasetWriter& out, int32_t x, int32_t y, int32_t z) {
  out.Int(x).Text(" ").Int(y).Text(" ").Int(z);
}

}  // namespace

void WriteBoxesCsv(const BoxTable& boxes, int32_t count, int32_t dimension, DatasetWriter& out) {
  static constexpr const char* kHeader[] = {"id,x1,x2\n", "id,x1,y1,x2,y2\n",
                                            "id,x1,y1,z1,x2,y2,z2\n"};
  if (dimension < 1 || dimension > 3) return;
  out.Text(kHeader[dimension - 1]);
  for (int32_t i = 1; i <= count; ++i) {
    const Corners c = CornersOf(boxes[i]);
    const int32_t low[3] = {c.x1, c.y1, c.z1};
    const int32_t high[3] = {c.x2, c.y2, c.z2};
    out.Int(i);
    for (int32_t axis = 0; axis < dimension; ++axis) out.Text(",").Int(low[axis]);
    for (int32_t axis = 0; axis < dimension; ++axis) out.Text(",").Int(high[axis]);
    out.LineEnd();
  }
}

void WriteBoxesWkt(const BoxTable& boxes, int32_t count, int32_t dimension, DatasetWriter& out) {
  for (int32_t i = 1; i <= count; ++i) {
    const Corners c = CornersOf(boxes[i]);
    out.Int(i).Text("\t");
    if (dimension == 1) {
      out.Text("LINESTRING (");
      Point(out, c.x1, 0);
      out.Text(", ");
      Point(out, c.x2, 0);
      out.Text(")");
    } else if (dimension == 2) {
      out.Text("POLYGON ((");
      Point(out, c.x1, c.y1);
      out.Text(", ");
      Point(out, c.x2, c.y1);
      out.Text(", ");
      Point(out, c.x2, c.y2);
      out.Text(", ");
      Point(out, c.x1, c.y2);
      out.Text(", ");
      Point(out, c.x1, c.y1);
      out.Text("))");
    } else {
      // Each face by four corners (x, y, z as indices into the low/high values), outward.
      static constexpr int kFaces[6][4][3] = {
          {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}},  // z = z1
          {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},  // z = z2
          {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}},  // y = y1
          {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},  // y = y2
          {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}},  // x = x1
          {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},  // x = x2
      };
      const int32_t xs[2] = {c.x1, c.x2};
      const int32_t ys[2] = {c.y1, c.y2};
      const int32_t zs[2] = {c.z1, c.z2};
      out.Text("POLYHEDRALSURFACE Z (");
      for (int face = 0; face < 6; ++face) {
        out.Text(face == 0 ? "((" : ", ((");
        for (int k = 0; k <= 4; ++k) {
          const int* corner = kFaces[face][k % 4];
          if (k > 0) out.Text(", ");
          Point(out, xs[corner[0]], ys[corner[1]], zs[corner[2]]);
        }
        out.Text("))");
      }
      out.Text(")");
    }
    out.LineEnd();
  }
}

}  // namespace pelmora
