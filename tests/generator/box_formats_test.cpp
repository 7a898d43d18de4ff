#include "generator/box_formats.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "generator/generation_run.h"
#include "generator/numeric.h"

namespace pelmora {
namespace {

class BoxFormatsTest : public ::testing::Test {
 protected:
  // Runs dimension d with variable sizes, and writes the boxes with write.
  template <typename Write>
  std::string RunAndWrite(int32_t dimension, Write write) {
    GeneratorControls controls;
    controls.rgDimension = dimension - 1;
    controls.rbSeedConstant = true;
    controls.cbBoxSize = true;
    controls.spBoxes.value = 300;
    RunServices services;
    std::string dataset;
    services.openDataset = [&dataset](const std::string&) {
      return std::make_unique<MemoryOutput>(&dataset);
    };
    EXPECT_EQ(GenerateDataset(controls, *state_, services).end, RunEnd::kCompleted);
    std::string bytes;
    MemoryOutput output(&bytes);
    DatasetWriter out(output, LineEnds::kLf);
    write(state_->boxTable, 300, dimension, out);
    EXPECT_TRUE(out.Flush().ok());
    EXPECT_TRUE(output.Commit().ok());
    return bytes;
  }

  // Low and high corner of entry i, the coordinates of the dimension only.
  std::vector<int32_t> Expected(int32_t i, int32_t dimension) const {
    const BoxRecord& box = state_->boxTable[i];
    const double low[3] = {box.corners[0].x, box.corners[0].y, box.corners[0].z};
    const double high[3] = {box.corners[6].x, box.corners[6].y, box.corners[6].z};
    std::vector<int32_t> values;
    for (int axis = 0; axis < dimension; ++axis) values.push_back(TruncToInt(low[axis]));
    for (int axis = 0; axis < dimension; ++axis) values.push_back(TruncToInt(high[axis]));
    return values;
  }

  std::unique_ptr<GeneratorState> state_ = std::make_unique<GeneratorState>();
};

std::vector<std::string> SplitLf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) {
    EXPECT_EQ(line.find('\r'), std::string::npos);
    lines.push_back(line);
  }
  return lines;
}

TEST_F(BoxFormatsTest, CsvParsesBackToTheBoxTable) {
  const char* headers[] = {"id,x1,x2", "id,x1,y1,x2,y2", "id,x1,y1,z1,x2,y2,z2"};
  for (int32_t dimension = 1; dimension <= 3; ++dimension) {
    const std::vector<std::string> lines = SplitLf(RunAndWrite(dimension, WriteBoxesCsv));
    ASSERT_EQ(lines.size(), 301u);
    EXPECT_EQ(lines[0], headers[dimension - 1]);
    for (int32_t i = 1; i <= 300; ++i) {
      std::istringstream row(lines[static_cast<size_t>(i)]);
      std::vector<int32_t> fields;
      for (std::string field; std::getline(row, field, ',');) fields.push_back(std::stoi(field));
      ASSERT_EQ(fields.front(), i);
      fields.erase(fields.begin());
      ASSERT_EQ(fields, Expected(i, dimension)) << lines[static_cast<size_t>(i)];
    }
  }
}

TEST_F(BoxFormatsTest, WktParsesBackToTheBoxTable) {
  const std::regex line(R"((\d+)\t(LINESTRING|POLYGON|POLYHEDRALSURFACE Z) (\(.*\)))");
  const std::regex number(R"(-?\d+)");
  for (int32_t dimension = 1; dimension <= 3; ++dimension) {
    const std::vector<std::string> lines = SplitLf(RunAndWrite(dimension, WriteBoxesWkt));
    ASSERT_EQ(lines.size(), 300u);
    for (int32_t i = 1; i <= 300; ++i) {
      std::smatch match;
      const std::string& text = lines[static_cast<size_t>(i - 1)];
      ASSERT_TRUE(std::regex_match(text, match, line)) << text;
      EXPECT_EQ(std::stoi(match[1]), i);
      // The points of the geometry, as (x, y[, z]) tuples.
      std::vector<std::vector<int32_t>> points;
      const std::string body = match[3];
      size_t start = 0;
      while (start < body.size()) {
        const size_t end = body.find_first_of(",)", start);
        const std::string point = body.substr(start, end - start);
        std::vector<int32_t> coords;
        for (auto it = std::sregex_iterator(point.begin(), point.end(), number);
             it != std::sregex_iterator(); ++it) {
          coords.push_back(std::stoi(it->str()));
        }
        if (!coords.empty()) points.push_back(coords);
        start = end == std::string::npos ? body.size() : end + 1;
      }
      const std::vector<int32_t> e = Expected(i, dimension);
      if (dimension == 1) {
        EXPECT_EQ(match[2], "LINESTRING");
        EXPECT_EQ(points, (std::vector<std::vector<int32_t>>{{e[0], 0}, {e[1], 0}}));
      } else if (dimension == 2) {
        EXPECT_EQ(match[2], "POLYGON");
        EXPECT_EQ(points,
                  (std::vector<std::vector<int32_t>>{
                      {e[0], e[1]}, {e[2], e[1]}, {e[2], e[3]}, {e[0], e[3]}, {e[0], e[1]}}));
      } else {
        EXPECT_EQ(match[2], "POLYHEDRALSURFACE Z");
        ASSERT_EQ(points.size(), 30u);  // six closed rings of five points
        for (size_t face = 0; face < 6; ++face) {
          const auto& first = points[face * 5];
          EXPECT_EQ(first, points[face * 5 + 4]) << "ring " << face << " is not closed";
          // Every point is a corner of the box.
          for (size_t k = 0; k < 5; ++k) {
            const auto& p = points[face * 5 + k];
            ASSERT_EQ(p.size(), 3u);
            for (int axis = 0; axis < 3; ++axis) {
              EXPECT_TRUE(p[axis] == e[axis] || p[axis] == e[axis + 3]) << text;
            }
          }
          // The ring's normal (Newell's method) points away from the box's centre.
          long long n[3] = {0, 0, 0};
          for (size_t k = 0; k < 4; ++k) {
            const auto& a = points[face * 5 + k];
            const auto& b = points[face * 5 + k + 1];
            n[0] += static_cast<long long>(a[1] - b[1]) * (a[2] + b[2]);
            n[1] += static_cast<long long>(a[2] - b[2]) * (a[0] + b[0]);
            n[2] += static_cast<long long>(a[0] - b[0]) * (a[1] + b[1]);
          }
          // Outward: the normal points from the box's centre to the face's centre (both
          // scaled by 4 to stay in whole numbers).
          long long outward = 0;
          for (int axis = 0; axis < 3; ++axis) {
            long long faceSum = 0;
            for (size_t k = 0; k < 4; ++k) faceSum += points[face * 5 + k][axis];
            const long long boxSum = 2LL * (e[axis] + e[axis + 3]);
            outward += n[axis] * (faceSum - boxSum);
          }
          EXPECT_GT(outward, 0) << "ring " << face << " faces inward: " << text;
        }
      }
    }
  }
}

}  // namespace
}  // namespace pelmora
