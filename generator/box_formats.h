// The boxes of a run as bytes: the dataset file's record lines and the formats other tools read.
//
// A BoxFormatter turns blocks of boxes into bytes with no state of its own, so blocks can be
// formatted on any thread and joined in number order. What a format puts before the first box
// and after the last comes from Head and Tail; the dataset file's header is the run's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "generator/box_stream.h"
#include "generator/box_table.h"
#include "generator/dataset_writer.h"

namespace pelmora {

enum class BoxFormat {
  kPelmora,  // the dataset file's record lines "n: x1 y1 z1 x2 y2 z2", CR LF
  kCsv,      // "id,x1,y1,z1,x2,y2,z2" and one row per box, LF
  kWkt,      // "id<TAB>geometry": 1D a LINESTRING on y = 0, 2D a POLYGON (exterior ring
             // counter-clockwise for y up), 3D a POLYHEDRALSURFACE Z of the six faces, each ring
             // counter-clockwise seen from outside the box; LF
  kNpy,      // NumPy .npy 1.0: little-endian int32, C order, shape (count, 2 x dimension), the
             // columns of the CSV without the id
  kGeoJson,  // an RFC 7946 FeatureCollection, one Feature per box with its number as the "id"
             // property: 1D a LineString on y = 0, 2D a Polygon, 3D a MultiPolygon of the six
             // faces with z (rings as in WKT); one Feature a line
};

class BoxFormatter {
 public:
  // REQUIRES: 1 <= dimension <= 3.
  BoxFormatter(BoxFormat format, int32_t dimension) : format_(format), dimension_(dimension) {}

  // The most bytes Format writes for one box.
  size_t MaxBoxBytes() const;

  // Writes boxes, numbered from first, at out, which has room for MaxBoxBytes() per box;
  // returns the end of what it wrote.
  char* Format(int64_t first, std::span<const Box> boxes, char* out) const;

  // What comes before box 1 in a run of count boxes (the CSV header row, the .npy header, the
  // opening of the GeoJSON collection; nothing for the dataset file), and after the last box.
  std::string Head(int64_t count) const;
  std::string Tail() const;

  BoxFormat format() const { return format_; }
  int32_t dimension() const { return dimension_; }

 private:
  BoxFormat format_;
  int32_t dimension_;
};

// The box of a table entry, its corners truncated to whole numbers.
Box BoxOf(const BoxRecord& record);

// Formats each block it takes and writes it to an output. Once the output has failed it stops
// the run (Accept returns false); the output's status says why.
class FormattingConsumer final : public BoxConsumer {
 public:
  FormattingConsumer(const BoxFormatter& formatter, Output& output)
      : formatter_(formatter), output_(output) {}
  bool Accept(int64_t first, std::span<const Box> boxes) override;

 private:
  const BoxFormatter& formatter_;
  Output& output_;
  std::string buffer_;
};

// CSV and WKT of table entries 1..count, through a writer: Head, the boxes, Tail.
void WriteBoxesCsv(const BoxTable& boxes, int32_t count, int32_t dimension, DatasetWriter& out);
void WriteBoxesWkt(const BoxTable& boxes, int32_t count, int32_t dimension, DatasetWriter& out);

}  // namespace pelmora
