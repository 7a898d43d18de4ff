// Leaving out covered faces and edges drawn twice: the redraw on a raster gives the picture of
// drawing every face.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "drawing/cover_mask.h"
#include "drawing/scene.h"
#include "raster/raster_canvas.h"
#include "tests/drawing/test_runs.h"

namespace pelmora {
namespace {

// RasterCanvas that does not say it is a raster, so the redraw draws every face through it.
class EveryFaceCanvas final : public Canvas {
 public:
  EveryFaceCanvas(QImage& image, const QFont& font) : canvas_(image, font) {}
  void SetBrushColour(Colour colour) override { canvas_.SetBrushColour(colour); }
  void FillRect(int32_t l, int32_t t, int32_t r, int32_t b) override {
    canvas_.FillRect(l, t, r, b);
  }
  void SetPenStyle(PenStyle style) override { canvas_.SetPenStyle(style); }
  void MoveTo(int32_t x, int32_t y) override { canvas_.MoveTo(x, y); }
  void LineTo(int32_t x, int32_t y) override { canvas_.LineTo(x, y); }
  void TextOut(int32_t x, int32_t y, std::string_view text) override {
    canvas_.TextOut(x, y, text);
  }
  void Polygon(std::span<const CanvasPoint> points) override { canvas_.Polygon(points); }
  void Polyline(std::span<const CanvasPoint> points) override { canvas_.Polyline(points); }

 private:
  RasterCanvas canvas_;
};

TEST(CoverMaskTest, HullInteriorKeepsAMarginAndCoversNothingElse) {
  CoverMask mask(40, 30);
  EXPECT_FALSE(mask.Covers(10, 10, 10, 10));
  EXPECT_TRUE(mask.Covers(40, 0, 50, 5)) << "outside the raster";
  const CanvasPoint square[] = {{5, 5}, {25, 5}, {25, 20}, {5, 20}};
  mask.AddHullInterior(square);
  // The square fills pixels 5..24 x 5..19; those one pixel in from that are sure.
  EXPECT_TRUE(mask.Covers(6, 6, 23, 18));
  for (const auto& [l, t, r, b] : {std::array{5, 6, 23, 18}, std::array{6, 5, 23, 18},
                                   std::array{6, 6, 24, 18}, std::array{6, 6, 23, 19}}) {
    EXPECT_FALSE(mask.Covers(l, t, r, b)) << l << "," << t << "," << r << "," << b;
  }
  // A flat hull (a 1D box) and a triangle far outside add nothing.
  const CanvasPoint flat[] = {{0, 25}, {39, 25}, {20, 25}};
  mask.AddHullInterior(flat);
  const CanvasPoint away[] = {{-100, -100}, {-50, -100}, {-50, -50}};
  mask.AddHullInterior(away);
  EXPECT_FALSE(mask.Covers(0, 24, 39, 26));
  EXPECT_FALSE(mask.Covers(0, 0, 1, 1));
}

struct CoverCase {
  std::string name;
  std::function<void(GeneratorControls&)> run;
  std::function<void(DrawSettings&)> draw;
  int32_t seed = 1;
  int width = 603;
  int height = 586;
};

class LeaveOutCoveredTest : public ::testing::TestWithParam<CoverCase> {};

TEST_P(LeaveOutCoveredTest, SamePictureAsDrawingEveryFace) {
  const CoverCase& c = GetParam();
  GeneratorControls controls;
  controls.spBoxes.value = 100000;
  if (c.run) c.run(controls);
  auto state = std::make_unique<GeneratorState>();
  CompleteRun(controls, *state, c.seed);
  DrawSettings settings;
  if (c.draw) c.draw(settings);
  QImage every(c.width, c.height, QImage::Format_RGB32);
  QImage leftOut(c.width, c.height, QImage::Format_RGB32);
  Colour everyColour = 0;
  Colour leftOutColour = 0;
  {
    EveryFaceCanvas canvas(every, PaintBoxFont());
    RandomSource random = state->randomSource;
    everyColour = DrawScene(canvas, c.width, c.height, settings, state->boxTable,
                            state->sceneSettings, random);
  }
  {
    RasterCanvas canvas(leftOut, PaintBoxFont());
    ASSERT_EQ(canvas.RasterSize(), (CanvasPoint{c.width, c.height}));
    RandomSource random = state->randomSource;
    leftOutColour = DrawScene(canvas, c.width, c.height, settings, state->boxTable,
                              state->sceneSettings, random);
  }
  EXPECT_EQ(leftOutColour, everyColour);
  int differences = 0;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) differences += every.pixel(x, y) != leftOut.pixel(x, y);
  }
  EXPECT_EQ(differences, 0) << c.name;
}

void Perspective(DrawSettings& s, int32_t delta) {
  s.cbShow3D = true;
  s.spDelta = delta;
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, LeaveOutCoveredTest,
    ::testing::Values(
        CoverCase{"Oblique", nullptr, nullptr},
        CoverCase{"ObliqueRandomColoursThirdOfTheBoxes", nullptr,
                  [](DrawSettings& s) {
                    s.rgBoxColour = 1;
                    s.spPercent = 33;
                  }},
        CoverCase{"Perspective50Seed5", nullptr, [](DrawSettings& s) { Perspective(s, 50); }, 5},
        CoverCase{"PerspectiveRandomColours", nullptr,
                  [](DrawSettings& s) {
                    Perspective(s, 7);
                    s.rgBoxColour = 1;
                  }},
        CoverCase{"PerspectiveNegativeDelta", nullptr,
                  [](DrawSettings& s) { Perspective(s, -40); }},
        CoverCase{"PerspectiveHugeDelta", nullptr,
                  [](DrawSettings& s) { Perspective(s, 2000000000); }},
        CoverCase{"TwoDimensional", [](GeneratorControls& c) { c.rgDimension = 1; }, nullptr},
        CoverCase{"OneDimensional", [](GeneratorControls& c) { c.rgDimension = 0; },
                  [](DrawSettings& s) { s.rgBoxColour = 1; }},
        CoverCase{"LargeVariableGaussBoxes",
                  [](GeneratorControls& c) {
                    c.cbBoxSize = true;
                    c.rbDist = 1;
                    c.spBoxes.value = 3000;
                    c.spHighX = 300;
                    c.spHighY = 200;
                    c.spHighZ = 45;
                  },
                  [](DrawSettings& s) { s.rgBoxColour = 1; }, 9, 1000, 700},
        CoverCase{"SkewedSmallPaintBox", [](GeneratorControls& c) { c.rbDist = 2; }, nullptr, 3, 57,
                  31},
        // Outlined boxes draw each edge once.
        CoverCase{"OutlinedOblique", nullptr, [](DrawSettings& s) { s.cbColouredBoxes = false; }},
        CoverCase{"OutlinedPerspective50Seed5", nullptr,
                  [](DrawSettings& s) {
                    Perspective(s, 50);
                    s.cbColouredBoxes = false;
                  },
                  5},
        CoverCase{"OutlinedPerspectiveNegativeDeltaRandomColours", nullptr,
                  [](DrawSettings& s) {
                    Perspective(s, -40);
                    s.cbColouredBoxes = false;
                    s.rgBoxColour = 1;
                  }},
        CoverCase{"OutlinedOneDimensional", [](GeneratorControls& c) { c.rgDimension = 0; },
                  [](DrawSettings& s) { s.cbColouredBoxes = false; }},
        CoverCase{"OutlinedTwoDimensionalFewBoxesSmallPaintBox",
                  [](GeneratorControls& c) {
                    c.rgDimension = 1;
                    c.spBoxes.value = 40;
                  },
                  [](DrawSettings& s) { s.cbColouredBoxes = false; }, 2, 57, 31},
        CoverCase{"OutlinedVariableBoxesSolidGrid",
                  [](GeneratorControls& c) {
                    c.cbBoxSize = true;
                    c.spBoxes.value = 300;
                    c.spHighX = 300;
                    c.spHighY = 200;
                    c.spHighZ = 45;
                  },
                  [](DrawSettings& s) {
                    s.cbColouredBoxes = false;
                    s.rgGridStyle = 5;
                  },
                  4, 160, 120}),
    [](const ::testing::TestParamInfo<CoverCase>& info) { return info.param.name; });

// More filled boxes than a redraw holds back at once: they are drawn in turns, and the picture is
// still that of every face, random colours included.
TEST(SceneRedrawTest, LongStreamsAreDrawnInTurnsWithThePictureOfEveryFace) {
  BoxRecipe recipe;
  recipe.boxCount = 2 * BoxTable::kCapacity + 12345;
  recipe.world[2] = 700;
  recipe.high[0] = recipe.high[1] = recipe.high[2] = 60;
  recipe.variableSize = true;
  SceneSettings scene;
  scene.boxCount = recipe.boxCount;
  scene.worldX = scene.worldY = scene.worldZ = 700;
  DrawSettings settings;
  settings.rgBoxColour = 1;
  settings.spPercent = 90;
  constexpr int kWidth = 300;
  constexpr int kHeight = 200;
  const auto draw = [&](Canvas& canvas) {
    RandomSource colours(77);
    SceneRedraw redraw(canvas, kWidth, kHeight, settings, scene, colours);
    RedrawFeed consumer(redraw, recipe.dimension);
    RandomSource boxes(5);
    EXPECT_EQ(StreamBoxes(recipe, boxes, consumer).boxes, recipe.boxCount);
    const Colour last = redraw.Finish();
    return std::pair{last, colours};
  };
  QImage every(kWidth, kHeight, QImage::Format_RGB32);
  QImage inTurns(kWidth, kHeight, QImage::Format_RGB32);
  std::pair<Colour, RandomSource> everyEnd;
  std::pair<Colour, RandomSource> inTurnsEnd;
  {
    EveryFaceCanvas canvas(every, PaintBoxFont());
    everyEnd = draw(canvas);
  }
  {
    RasterCanvas canvas(inTurns, PaintBoxFont());
    inTurnsEnd = draw(canvas);
  }
  EXPECT_EQ(inTurnsEnd.first, everyEnd.first);
  EXPECT_EQ(inTurnsEnd.second.StateLow, everyEnd.second.StateLow);
  EXPECT_TRUE(inTurns == every);
}

}  // namespace
}  // namespace pelmora
