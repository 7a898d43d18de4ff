#include "generator/box_formats.h"

#include <charconv>
#include <cstring>

#include "generator/numeric.h"

namespace pelmora {

namespace {

char* Put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* Put(char* out, int64_t value) {
  return std::to_chars(out, out + 20, value).ptr;
}

// Each face of a 3D box by four corners (x, y, z as indices into the low/high values), each
// ring counter-clockwise seen from outside the box.
constexpr int kFaces[6][4][3] = {
    {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}},  // z = z1
    {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},  // z = z2
    {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}},  // y = y1
    {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},  // y = y2
    {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}},  // x = x1
    {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},  // x = x2
};

// The 2D ring x1 y1, x2 y1, x2 y2, x1 y2, x1 y1: counter-clockwise for y up.
constexpr int kRing[5][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};

// The points of one geometry in the text formats: separators and brackets differ, the order not.
struct PointSyntax {
  std::string_view open;       // before a point
  std::string_view separator;  // between the numbers of a point
  std::string_view close;      // after a point
  std::string_view between;    // between points
};
constexpr PointSyntax kWktPoint{"", " ", "", ", "};
constexpr PointSyntax kJsonPoint{"[", ",", "]", ","};

char* Point(char* out, const PointSyntax& s, std::span<const int32_t> xyz) {
  out = Put(out, s.open);
  for (size_t i = 0; i < xyz.size(); ++i) {
    if (i > 0) out = Put(out, s.separator);
    out = Put(out, static_cast<int64_t>(xyz[i]));
  }
  return Put(out, s.close);
}

// The points of the geometry of box, in the order both text formats list them: 1D two points on
// y = 0; 2D the closed ring; 3D the six closed rings, ringOpen/ringClose around each.
char* Geometry(char* out, const PointSyntax& s, const Box& box, int32_t dimension,
               std::string_view ringOpen, std::string_view ringClose,
               std::string_view ringBetween) {
  if (dimension == 1) {
    out = Point(out, s, std::initializer_list<int32_t>{box.low[0], 0});
    out = Put(out, s.between);
    return Point(out, s, std::initializer_list<int32_t>{box.high[0], 0});
  }
  if (dimension == 2) {
    const int32_t xs[2] = {box.low[0], box.high[0]};
    const int32_t ys[2] = {box.low[1], box.high[1]};
    for (int k = 0; k < 5; ++k) {
      if (k > 0) out = Put(out, s.between);
      out = Point(out, s, std::initializer_list<int32_t>{xs[kRing[k][0]], ys[kRing[k][1]]});
    }
    return out;
  }
  const int32_t xs[2] = {box.low[0], box.high[0]};
  const int32_t ys[2] = {box.low[1], box.high[1]};
  const int32_t zs[2] = {box.low[2], box.high[2]};
  for (int face = 0; face < 6; ++face) {
    if (face > 0) out = Put(out, ringBetween);
    out = Put(out, ringOpen);
    for (int k = 0; k <= 4; ++k) {
      const int* corner = kFaces[face][k % 4];
      if (k > 0) out = Put(out, s.between);
      out = Point(out, s,
                  std::initializer_list<int32_t>{xs[corner[0]], ys[corner[1]], zs[corner[2]]});
    }
    out = Put(out, ringClose);
  }
  return out;
}

char* FormatPelmora(int64_t number, const Box& box, int32_t dimension, char* out) {
  out = Put(out, number);
  *out++ = ':';
  for (int32_t axis = 0; axis < dimension; ++axis) {
    *out++ = ' ';
    out = Put(out, static_cast<int64_t>(box.low[axis]));
  }
  for (int32_t axis = 0; axis < dimension; ++axis) {
    *out++ = ' ';
    out = Put(out, static_cast<int64_t>(box.high[axis]));
  }
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

char* FormatCsv(int64_t number, const Box& box, int32_t dimension, char* out) {
  out = Put(out, number);
  for (int32_t axis = 0; axis < dimension; ++axis) {
    *out++ = ',';
    out = Put(out, static_cast<int64_t>(box.low[axis]));
  }
  for (int32_t axis = 0; axis < dimension; ++axis) {
    *out++ = ',';
    out = Put(out, static_cast<int64_t>(box.high[axis]));
  }
  *out++ = '\n';
  return out;
}

char* FormatWkt(int64_t number, const Box& box, int32_t dimension, char* out) {
  static constexpr std::string_view kOpen[3] = {"LINESTRING (", "POLYGON ((",
                                                "POLYHEDRALSURFACE Z ("};
  static constexpr std::string_view kClose[3] = {")", "))", ")"};
  out = Put(out, number);
  *out++ = '\t';
  out = Put(out, kOpen[dimension - 1]);
  out = Geometry(out, kWktPoint, box, dimension, "((", "))", ", ");
  out = Put(out, kClose[dimension - 1]);
  *out++ = '\n';
  return out;
}

char* FormatGeoJson(int64_t number, const Box& box, int32_t dimension, char* out) {
  static constexpr std::string_view kType[3] = {"LineString", "Polygon", "MultiPolygon"};
  static constexpr std::string_view kOpen[3] = {"[", "[[", "["};
  static constexpr std::string_view kClose[3] = {"]", "]]", "]"};
  if (number > 1) out = Put(out, ",\n");
  out = Put(out, R"({"type":"Feature","properties":{"id":)");
  out = Put(out, number);
  out = Put(out, R"(},"geometry":{"type":")");
  out = Put(out, kType[dimension - 1]);
  out = Put(out, R"(","coordinates":)");
  out = Put(out, kOpen[dimension - 1]);
  out = Geometry(out, kJsonPoint, box, dimension, "[[", "]]", ",");
  out = Put(out, kClose[dimension - 1]);
  return Put(out, "}}");
}

char* FormatNpy(const Box& box, int32_t dimension, char* out) {
  const auto put = [&out](int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int byte = 0; byte < 4; ++byte) *out++ = static_cast<char>(bits >> (8 * byte));
  };
  for (int32_t axis = 0; axis < dimension; ++axis) put(box.low[axis]);
  for (int32_t axis = 0; axis < dimension; ++axis) put(box.high[axis]);
  return out;
}

}  // namespace

size_t BoxFormatter::MaxBoxBytes() const {
  switch (format_) {
    case BoxFormat::kPelmora:
    case BoxFormat::kCsv:
      return 128;
    case BoxFormat::kNpy:
      return 24;
    case BoxFormat::kWkt:
    case BoxFormat::kGeoJson:
      return dimension_ == 3 ? 2048 : 320;
  }
  return 2048;
}

char* BoxFormatter::Format(int64_t first, std::span<const Box> boxes, char* out) const {
  int64_t number = first;
  for (const Box& box : boxes) {
    switch (format_) {
      case BoxFormat::kPelmora:
        out = FormatPelmora(number, box, dimension_, out);
        break;
      case BoxFormat::kCsv:
        out = FormatCsv(number, box, dimension_, out);
        break;
      case BoxFormat::kWkt:
        out = FormatWkt(number, box, dimension_, out);
        break;
      case BoxFormat::kGeoJson:
        out = FormatGeoJson(number, box, dimension_, out);
        break;
      case BoxFormat::kNpy:
        out = FormatNpy(box, dimension_, out);
        break;
    }
    ++number;
  }
  return out;
}

std::string BoxFormatter::Head(int64_t count) const {
  switch (format_) {
    case BoxFormat::kCsv: {
      static constexpr const char* kHeader[] = {"id,x1,x2\n", "id,x1,y1,x2,y2\n",
                                                "id,x1,y1,z1,x2,y2,z2\n"};
      return kHeader[dimension_ - 1];
    }
    case BoxFormat::kGeoJson:
      return "{\"type\":\"FeatureCollection\",\"features\":[\n";
    case BoxFormat::kNpy: {
      // Magic, version 1.0, the header length (little-endian), then the header dictionary
      // padded with spaces and ended by a line feed so that the data starts at a multiple of 64.
      std::string dictionary = "{'descr': '<i4', 'fortran_order': False, 'shape': (" +
                               std::to_string(count < 0 ? 0 : count) + ", " +
                               std::to_string(2 * dimension_) + "), }";
      const size_t prefix = 10;
      const size_t unpadded = prefix + dictionary.size() + 1;
      dictionary.append((64 - unpadded % 64) % 64, ' ');
      dictionary += '\n';
      std::string head("\x93NUMPY\x01\x00", 8);
      head += static_cast<char>(dictionary.size() & 0xFF);
      head += static_cast<char>(dictionary.size() >> 8);
      return head + dictionary;
    }
    case BoxFormat::kPelmora:
    case BoxFormat::kWkt:
      break;
  }
  return std::string();
}

std::string BoxFormatter::Tail() const {
  switch (format_) {
    case BoxFormat::kPelmora:
      return "\r\nEnd of dataset.";
    case BoxFormat::kGeoJson:
      return "\n]}\n";
    default:
      return std::string();
  }
}

Box BoxOf(const BoxRecord& record) {
  const Point3D& low = record.corners[0];
  const Point3D& high = record.corners[6];
  Box box;
  box.low[0] = TruncToInt(low.x);
  box.low[1] = TruncToInt(low.y);
  box.low[2] = TruncToInt(low.z);
  box.high[0] = TruncToInt(high.x);
  box.high[1] = TruncToInt(high.y);
  box.high[2] = TruncToInt(high.z);
  return box;
}

bool FormattingConsumer::Accept(int64_t first, std::span<const Box> boxes) {
  buffer_.resize(boxes.size() * formatter_.MaxBoxBytes());
  const char* end = formatter_.Format(first, boxes, buffer_.data());
  output_.Write(std::string_view(buffer_.data(), static_cast<size_t>(end - buffer_.data())));
  return output_.status().ok();
}

namespace {

void WriteTableEntries(const BoxTable& boxes, int32_t count, int32_t dimension, BoxFormat format,
                       DatasetWriter& out) {
  if (dimension < 1 || dimension > 3) return;
  const BoxFormatter formatter(format, dimension);
  out.Text(formatter.Head(count));
  std::string text(formatter.MaxBoxBytes(), '\0');
  for (int32_t i = 1; i <= count; ++i) {
    const Box box = BoxOf(boxes[i]);
    const char* end = formatter.Format(i, std::span<const Box>(&box, 1), text.data());
    out.Text(std::string_view(text.data(), static_cast<size_t>(end - text.data())));
  }
  out.Text(formatter.Tail());
}

}  // namespace

void WriteBoxesCsv(const BoxTable& boxes, int32_t count, int32_t dimension, DatasetWriter& out) {
  WriteTableEntries(boxes, count, dimension, BoxFormat::kCsv, out);
}

void WriteBoxesWkt(const BoxTable& boxes, int32_t count, int32_t dimension, DatasetWriter& out) {
  WriteTableEntries(boxes, count, dimension, BoxFormat::kWkt, out);
}

}  // namespace pelmora
