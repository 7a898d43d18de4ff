// The boxes of a run in formats other tools read. Lines end in LF.
#pragma once

#include <cstdint>
#include <string_view>

#include "generator/box_table.h"
#include "generator/dataset_writer.h"

namespace pelmora {

enum class BoxFormat { kPelmora, kCsv, kWkt };

// CSV: a header row "id,x1,y1,z1,x2,y2,z2" with only the columns of the dimension, then one
// row per box, entries 1..count in order.
void WriteBoxesCsv(const BoxTable& boxes, int32_t count, int32_t dimension, DatasetWriter& out);

// WKT: one line per box, "id<TAB>geometry": 1D a LINESTRING on y = 0, 2D a POLYGON (exterior
// ring counter-clockwise for y up), 3D a POLYHEDRALSURFACE Z of the six faces, each ring
// counter-clockwise seen from outside the box.
void WriteBoxesWkt(const BoxTable& boxes, int32_t count, int32_t dimension, DatasetWriter& out);

}  // namespace pelmora
