// The redraw of the largest runs with draw settings typed far beyond their fields: grid counts
// and percentages of any 32-bit value, the largest and a negative delta under perspective, and
// paint boxes from empty to the largest the command line draws. Built with the fuzzers, so that
// it runs under both sanitizers with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "drawing/canvas.h"
#include "drawing/scene.h"
#include "generator/generation_run.h"

namespace pelmora {
namespace {

// Counts what a redraw asks for and where its points land; keeps nothing else, so that 100000
// boxes cost no memory.
class CountingCanvas final : public Canvas {
 public:
  void SetBrushColour(Colour) override {}
  void FillRect(int32_t, int32_t, int32_t, int32_t) override { ++fills; }
  void SetPenStyle(PenStyle style) override { pen = style; }
  void MoveTo(int32_t, int32_t) override {}
  void LineTo(int32_t, int32_t) override { ++lines; }
  void TextOut(int32_t, int32_t, std::string_view text) override {
    ++labels;
    EXPECT_FALSE(text.empty());
  }
  void Polygon(std::span<const CanvasPoint> points) override { Face(points, 4); }
  void Polyline(std::span<const CanvasPoint> points) override { Face(points, 5); }

  int64_t fills = 0;
  int64_t lines = 0;
  int64_t labels = 0;
  int64_t faces = 0;
  int32_t largestX = INT32_MIN;  // over every point of every face
  int32_t largestY = INT32_MIN;
  PenStyle pen = PenStyle::kSolid;

 private:
  void Face(std::span<const CanvasPoint> points, size_t expected) {
    ++faces;
    EXPECT_EQ(points.size(), expected);
    for (const CanvasPoint& p : points) {
      largestX = std::max(largestX, p.x);
      largestY = std::max(largestY, p.y);
    }
  }
};

// One completed run of 100000 boxes, default settings otherwise.
std::unique_ptr<GeneratorState> LargestRun(int32_t dimension) {
  auto state = std::make_unique<GeneratorState>();
  GeneratorControls c;
  c.rbSeedConstant = true;
  c.spBoxes.value = 100000;
  c.rgDimension = dimension;
  c.cbBoxSize = true;
  std::string file;
  RunServices services;
  services.openDataset = [&file](const std::string&) {
    return std::make_unique<MemoryOutput>(&file);
  };
  EXPECT_EQ(GenerateDataset(c, *state, services).end, RunEnd::kCompleted);
  return state;
}

TEST(SceneLimitsTest, GridCountAndPercentTypedFarOutOfRange) {
  const std::unique_ptr<GeneratorState> state = LargestRun(2);
  struct Case {
    int32_t gridLines;
    int32_t percent;
    int32_t width;
    int32_t height;
    int64_t boxesDrawn;
  };
  const Case cases[] = {
      {2147483647, 2147483647, 603, 586, 100000},
      {2147483647, 150, 10000, 10000, 100000},
      {1000000, 100, 1, 1, 100000},
      {101, 0, 603, 586, 0},
      {0, -1, 603, 586, 0},
      {-5, -2147483647 - 1, 603, 586, 0},
      {-2147483647 - 1, 50, 0, 0, 50000},
      {2147483647, 1, -5, -5, 999},
  };
  for (const Case& k : cases) {
    DrawSettings settings;
    settings.spGridLines = k.gridLines;
    settings.spPercent = k.percent;
    settings.rgGridStyle = 0;
    CountingCanvas canvas;
    RandomSource random = state->randomSource;
    DrawScene(canvas, k.width, k.height, settings, state->boxTable, state->sceneSettings, random);
    const std::string what = std::to_string(k.gridLines) + " lines, " + std::to_string(k.percent) +
                             "% on " + std::to_string(k.width) + "x" + std::to_string(k.height);
    EXPECT_EQ(canvas.fills, 1) << what;
    EXPECT_EQ(canvas.faces, 6 * k.boxesDrawn) << what;
    EXPECT_EQ(canvas.pen, PenStyle::kSolid) << what;
    // A line per pixel row and column at most, however many are asked for.
    const int64_t n = std::max(k.gridLines, 0);
    const int64_t most = std::min<int64_t>(n, std::llabs(k.height) + 1) +
                         std::min<int64_t>(n, std::llabs(k.width) + 1);
    EXPECT_LE(canvas.lines, most) << what;
    EXPECT_EQ(canvas.labels, canvas.lines) << what;
    if (n > 0) {
      EXPECT_GE(canvas.lines, 2) << what;
    }
  }
}

TEST(SceneLimitsTest, PerspectiveWithTheLargestAndANegativeDelta) {
  for (const int32_t dimension : {0, 1, 2}) {
    const std::unique_ptr<GeneratorState> state = LargestRun(dimension);
    for (const int32_t delta : {2147483647, -5}) {
      DrawSettings settings;
      settings.cbShow3D = true;
      settings.spDelta = delta;
      settings.cbShowGrid = false;
      CountingCanvas canvas;
      RandomSource random = state->randomSource;
      DrawScene(canvas, 603, 586, settings, state->boxTable, state->sceneSettings, random);
      const std::string what = std::to_string(dimension + 1) + "D, delta " + std::to_string(delta);
      // A 2D box lies at z = 0, where perspective has no image; a 1D box takes its row instead.
      EXPECT_EQ(canvas.faces, dimension == 1 ? 0 : 600000) << what;
      if (dimension == 2 && delta < 0) {
        // A negative delta mirrors every box through the origin, off the paint box.
        EXPECT_LE(canvas.largestX, 0) << what;
        EXPECT_LE(canvas.largestY, 0) << what;
      }
    }
  }
}

}  // namespace
}  // namespace pelmora
