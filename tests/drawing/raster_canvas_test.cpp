#include "raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "drawing/scene.h"
#include "raster/painter_canvas.h"
#include "tests/drawing/test_runs.h"

namespace pelmora {
namespace {

QImage WhiteImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// Draws the same calls through PainterCanvas and RasterCanvas; the pictures must agree.
void ExpectSamePixels(int width, int height, const std::function<void(Canvas&)>& draw,
                      const std::string& what) {
  QImage reference = WhiteImage(width, height);
  QImage fast = WhiteImage(width, height);
  {
    PainterCanvas canvas(reference, PaintBoxFont());
    draw(canvas);
  }
  {
    RasterCanvas canvas(fast, PaintBoxFont());
    draw(canvas);
  }
  int differences = 0;
  QPoint first(-1, -1);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (reference.pixel(x, y) != fast.pixel(x, y)) {
        if (differences++ == 0) first = QPoint(x, y);
      }
    }
  }
  EXPECT_EQ(differences, 0) << what << ": first at (" << first.x() << ", " << first.y() << ")";
}

// The picture as text: '.' white, '#' black, 'o' anything else.
std::vector<std::string> Ascii(const QImage& image) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      row += pixel == qRgb(255, 255, 255) ? '.' : pixel == qRgb(0, 0, 0) ? '#' : 'o';
    }
    rows.push_back(row);
  }
  return rows;
}

std::set<std::pair<int, int>> BlackPixels(const QImage& image) {
  std::set<std::pair<int, int>> pixels;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == qRgb(0, 0, 0)) pixels.insert({x, y});
    }
  }
  return pixels;
}

// Both canvases, for the tests of the canvas contract itself.
template <typename T>
class CanvasContractTest : public ::testing::Test {};
using CanvasTypes = ::testing::Types<PainterCanvas, RasterCanvas>;
TYPED_TEST_SUITE(CanvasContractTest, CanvasTypes);

TYPED_TEST(CanvasContractTest, FillRectLeavesOutTheRightColumnAndBottomRow) {
  QImage image = WhiteImage(8, 5);
  {
    TypeParam canvas(image, PaintBoxFont());
    canvas.SetBrushColour(kRed);
    canvas.FillRect(1, 1, 5, 3);
    canvas.FillRect(6, 1, 6, 4);    // empty
    canvas.FillRect(7, 4, 2, 1);    // inverted
    canvas.FillRect(6, 3, 99, 99);  // cut at the image's edge
  }
  const std::vector<std::string> expected = {
      "........",  //
      ".oooo...",  //
      ".oooo...",  //
      "......oo",  //
      "......oo",
  };
  EXPECT_EQ(Ascii(image), expected);
  EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
}

TYPED_TEST(CanvasContractTest, LineToLeavesOutItsEndPointInEveryDirection) {
  const QPoint ends[] = {{9, 5}, {9, 7}, {7, 9}, {5, 9}, {3, 9}, {1, 7}, {1, 5},
                         {1, 3}, {3, 1}, {5, 1}, {7, 1}, {9, 3}, {9, 1}, {1, 1},
                         {1, 9}, {9, 9}, {8, 6}, {2, 4}, {6, 2}, {4, 8}};
  const QPoint centre(5, 5);
  for (const QPoint& end : ends) {
    QImage there = WhiteImage(11, 11);
    QImage back = WhiteImage(11, 11);
    {
      TypeParam canvas(there, PaintBoxFont());
      canvas.MoveTo(centre.x(), centre.y());
      canvas.LineTo(end.x(), end.y());
    }
    {
      TypeParam canvas(back, PaintBoxFont());
      canvas.MoveTo(end.x(), end.y());
      canvas.LineTo(centre.x(), centre.y());
    }
    auto one = BlackPixels(there);
    auto other = BlackPixels(back);
    const std::string name =
        "to (" + std::to_string(end.x()) + ", " + std::to_string(end.y()) + ")";
    EXPECT_TRUE(one.count({centre.x(), centre.y()})) << name;
    EXPECT_FALSE(one.count({end.x(), end.y()})) << name;
    EXPECT_TRUE(other.count({end.x(), end.y()})) << name;
    EXPECT_FALSE(other.count({centre.x(), centre.y()})) << name;
    // One pixel per step along the longer axis, and the same line both ways.
    const size_t steps = std::max(std::abs(end.x() - 5), std::abs(end.y() - 5));
    EXPECT_EQ(one.size(), steps) << name;
    one.insert({end.x(), end.y()});
    other.insert({centre.x(), centre.y()});
    EXPECT_EQ(one, other) << name;
  }
}

TYPED_TEST(CanvasContractTest, LineToTheCurrentPositionDrawsNothing) {
  QImage image = WhiteImage(5, 5);
  {
    TypeParam canvas(image, PaintBoxFont());
    canvas.MoveTo(2, 2);
    canvas.LineTo(2, 2);
  }
  EXPECT_TRUE(BlackPixels(image).empty());
}

TYPED_TEST(CanvasContractTest, PolygonIsFilledInsideItsOutline) {
  QImage image = WhiteImage(9, 8);
  {
    TypeParam canvas(image, PaintBoxFont());
    canvas.SetBrushColour(kRed);
    canvas.Polygon(std::vector<CanvasPoint>{{1, 1}, {5, 1}, {5, 4}, {1, 4}});
    canvas.Polygon(std::vector<CanvasPoint>{{7, 6}, {7, 6}, {7, 6}, {7, 6}});
    canvas.Polygon(std::vector<CanvasPoint>{{1, 6}, {4, 6}, {4, 6}, {1, 6}});
  }
  const std::vector<std::string> expected = {
      ".........",  //
      ".#####...",  //
      ".#ooo#...",  //
      ".#ooo#...",  //
      ".#####...",  //
      ".........",  //
      ".####..#.",  //
      ".........",
  };
  EXPECT_EQ(Ascii(image), expected);
}

TYPED_TEST(CanvasContractTest, PolylineIsNotClosedAndLeavesOutItsLastPoint) {
  QImage image = WhiteImage(7, 6);
  {
    TypeParam canvas(image, PaintBoxFont());
    canvas.SetBrushColour(kRed);
    canvas.Polyline(std::vector<CanvasPoint>{{1, 1}, {5, 1}, {5, 4}, {1, 4}});
  }
  const std::vector<std::string> expected = {
      ".......",  //
      ".#####.",  //
      ".....#.",  //
      ".....#.",  //
      "..####.",  //
      ".......",
  };
  EXPECT_EQ(Ascii(image), expected);
}

TYPED_TEST(CanvasContractTest, TextSitsOnTheBrushColourAtItsTopLeftCorner) {
  QImage image = WhiteImage(40, 30);
  {
    TypeParam canvas(image, PaintBoxFont());
    canvas.SetBrushColour(0x00FF00);
    canvas.TextOut(5, 7, "630");
  }
  const QFontMetrics metrics(PaintBoxFont());
  const QRect box(5, 7, metrics.horizontalAdvance("630"), metrics.height());
  int black = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (!box.contains(x, y)) {
        ASSERT_EQ(pixel, qRgb(255, 255, 255)) << x << ", " << y;
      } else {
        // Black glyphs on green, nothing in between: no antialiasing.
        ASSERT_TRUE(pixel == qRgb(0, 255, 0) || pixel == qRgb(0, 0, 0)) << x << ", " << y;
        black += pixel == qRgb(0, 0, 0);
      }
    }
  }
  EXPECT_EQ(image.pixel(5, 7), qRgb(0, 255, 0));
  EXPECT_GT(black, 10);
}

TYPED_TEST(CanvasContractTest, PenStylesLeaveGaps) {
  std::set<std::set<std::pair<int, int>>> pictures;
  for (const PenStyle style :
       {PenStyle::kSolid, PenStyle::kDash, PenStyle::kDot, PenStyle::kDashDot}) {
    QImage image = WhiteImage(40, 3);
    {
      TypeParam canvas(image, PaintBoxFont());
      canvas.SetPenStyle(style);
      canvas.MoveTo(0, 1);
      canvas.LineTo(40, 1);
    }
    const auto black = BlackPixels(image);
    if (style == PenStyle::kSolid) {
      EXPECT_EQ(black.size(), 40u);
    } else {
      EXPECT_GT(black.size(), 5u);
      EXPECT_LT(black.size(), 35u);
    }
    pictures.insert(black);
  }
  EXPECT_EQ(pictures.size(), 4u);
}

// The fast routines and their QPainter fallbacks against plain QPainter, for calls far beyond
// what a scene makes: any point, inside the image, on its edges and far outside it.
TEST(RasterCanvasTest, RandomCallsGiveThePaintersPixels) {
  std::mt19937 random(20240611);
  auto coordinate = [](std::mt19937& calls, int extent, int mode) {
    switch (mode) {
      case 0:
        return static_cast<int32_t>(calls() % extent);  // inside
      case 1:
        return static_cast<int32_t>(calls() % (extent + 8)) - 4;  // around the edges
      default:
        return static_cast<int32_t>(calls() % 200001) - 100000;  // far outside
    }
  };
  const int width = 97;
  const int height = 61;
  for (int round = 0; round < 400; ++round) {
    const uint32_t seed = random();
    ExpectSamePixels(
        width, height,
        [seed, &coordinate](Canvas& canvas) {
          std::mt19937 calls(seed);
          auto point = [&](int mode) {
            const int32_t x = coordinate(calls, 97, mode);
            return CanvasPoint{x, coordinate(calls, 61, mode)};
          };
          for (int i = 0; i < 60; ++i) {
            const int mode = calls() % 10 < 7 ? 0 : calls() % 10 < 8 ? 2 : 1;
            const int degenerate = calls() % 8;
            switch (calls() % 6) {
              case 0:
                canvas.SetBrushColour(calls() & 0xFFFFFF);
                break;
              case 1:
                canvas.SetPenStyle(calls() % 5 == 0 ? PenStyle::kDash : PenStyle::kSolid);
                break;
              case 2: {
                const CanvasPoint a = point(mode);
                canvas.MoveTo(a.x, a.y);
                const CanvasPoint b = degenerate == 0 ? a : point(mode);
                canvas.LineTo(b.x, b.y);
                break;
              }
              case 3:
              case 4: {
                std::vector<CanvasPoint> points(1 + calls() % 6);
                for (auto& p : points) p = point(mode);
                // Faces of flat and tiny boxes: repeated corners, and all corners alike.
                if (degenerate == 1 && points.size() > 2) points[1] = points[2];
                if (degenerate == 2) std::fill(points.begin(), points.end(), points[0]);
                if (calls() % 2) {
                  canvas.Polygon(points);
                } else {
                  canvas.Polyline(points);
                }
                break;
              }
              default: {
                const CanvasPoint a = point(mode);
                const CanvasPoint b = point(mode);
                canvas.FillRect(a.x, a.y, b.x, b.y);
              }
            }
          }
        },
        "round " + std::to_string(round));
  }
}

// Solid lines with an end outside the image, which RasterCanvas draws with its own routine,
// against QPainter one line at a time, so that no other line hides a wrong pixel.
TEST(RasterCanvasTest, LinesReachingOutsideGiveThePaintersPixels) {
  struct Line {
    int width;
    int height;
    CanvasPoint from;
    CanvasPoint to;
  };
  auto draw = [](const Line& line, bool asPolyline) {
    return [line, asPolyline](Canvas& canvas) {
      if (asPolyline) {
        canvas.Polyline(std::vector<CanvasPoint>{line.from, line.to});
      } else {
        canvas.MoveTo(line.from.x, line.from.y);
        canvas.LineTo(line.to.x, line.to.y);
      }
    };
  };
  auto name = [](const std::string& what, const Line& line) {
    return what + ": " + std::to_string(line.width) + " x " + std::to_string(line.height) + ", (" +
           std::to_string(line.from.x) + ", " + std::to_string(line.from.y) + ") to (" +
           std::to_string(line.to.x) + ", " + std::to_string(line.to.y) + ")";
  };
  const Line fixed[] = {
      // Nearly 45 degrees: cut at the image, x becomes the longer axis and the start inside
      // is no longer the near end.
      {1, 1, {0, 0}, {-2248, 2249}},
      {37, 23, {34, 14}, {-698, 747}},
      {200, 7, {157, 2}, {-355, 515}},
      {64, 64, {29, 59}, {-2107, 2196}},
      // Through the image from edge to edge, and across the whole 32-bit range.
      {37, 23, {-5, 3}, {40, 3}},
      {37, 23, {20, -100000}, {21, 100000}},
      {37, 23, {-2147483647 - 1, -2147483647 - 1}, {2147483647, 2147483647}},
      {37, 23, {2147483647, -2147483647 - 1}, {-2147483647 - 1, 2147483647}},
      // Where the rounding of each step of the cut decides a pixel: the slope formed first,
      // then times the distance, then added.
      {64, 48, {791, 125}, {-42, -11}},
      {150, 120, {860, 259}, {-229, 61}},
      {64, 48, {-680, -505}, {380, 343}},
      // Just beyond a corner, and one end on the last row and column.
      {37, 23, {-1, -1}, {37, 23}},
      {37, 23, {36, 22}, {38, -2}},
  };
  for (const Line& line : fixed) {
    for (const bool asPolyline : {false, true}) {
      ExpectSamePixels(line.width, line.height, draw(line, asPolyline), name("fixed", line));
    }
  }

  // Random lines by the kind of their ends.
  struct Kind {
    const char* name;
    int32_t (*coordinate)(std::mt19937&, int extent);
    bool diagonal;  // the end placed at 45 degrees from the start, give or take a pixel
  };
  const Kind kinds[] = {
      {"around the edges",
       [](std::mt19937& r, int extent) { return static_cast<int32_t>(r() % (extent + 9)) - 4; },
       false},
      {"a few images out",
       [](std::mt19937& r, int extent) {
         return static_cast<int32_t>(r() % (9 * extent + 1)) - 4 * extent;
       },
       false},
      {"far out", [](std::mt19937& r, int) { return static_cast<int32_t>(r() % 400001) - 200000; },
       false},
      {"anywhere in 32 bits", [](std::mt19937& r, int) { return static_cast<int32_t>(r()); },
       false},
      {"near 45 degrees",
       [](std::mt19937& r, int extent) {
         return static_cast<int32_t>(r() % (3 * extent + 1)) - extent;
       },
       true},
  };
  const int sizes[][2] = {{1, 1}, {5, 3}, {37, 23}, {64, 48}};
  std::mt19937 random(20261211);
  for (const Kind& kind : kinds) {
    for (int i = 0; i < 2000; ++i) {
      const auto& size = sizes[random() % 4];
      Line line{size[0], size[1], {}, {}};
      line.from = {kind.coordinate(random, size[0]), kind.coordinate(random, size[1])};
      line.to = {kind.coordinate(random, size[0]), kind.coordinate(random, size[1])};
      if (kind.diagonal) {
        const int32_t run = static_cast<int32_t>(random() % 6001) - 3000;
        const int32_t slip = static_cast<int32_t>(random() % 3) - 1;
        line.to = {line.from.x + run, line.from.y + (random() % 2 ? run : -run) + slip};
      }
      ExpectSamePixels(line.width, line.height, draw(line, i % 2 == 1), name(kind.name, line));
    }
  }
}

struct SceneCase {
  std::string name;
  std::function<void(GeneratorControls&)> run;
  std::function<void(DrawSettings&)> draw;
  int width = 603;
  int height = 586;
};

class RasterSceneTest : public ::testing::TestWithParam<SceneCase> {};

// "The picture unchanged": real scenes through RasterCanvas are PainterCanvas's pixel for pixel.
TEST_P(RasterSceneTest, SamePixelsAsPlainQPainter) {
  const SceneCase& c = GetParam();
  GeneratorControls controls;
  if (c.run) c.run(controls);
  auto state = std::make_unique<GeneratorState>();
  CompleteRun(controls, *state);
  DrawSettings settings;
  if (c.draw) c.draw(settings);
  ExpectSamePixels(
      c.width, c.height,
      [&](Canvas& canvas) {
        RandomSource random = state->randomSource;  // the same colours and rows for both
        DrawScene(canvas, c.width, c.height, settings, state->boxTable, state->sceneSettings,
                  random);
      },
      c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, RasterSceneTest,
    ::testing::Values(
        SceneCase{"DefaultRun", nullptr, nullptr},
        SceneCase{"Outlined", nullptr, [](DrawSettings& s) { s.cbColouredBoxes = false; }},
        SceneCase{"RandomColoursDashGrid", nullptr,
                  [](DrawSettings& s) {
                    s.rgBoxColour = 1;
                    s.rgGridStyle = 0;
                  }},
        SceneCase{"SolidGridHalfTheBoxes", nullptr,
                  [](DrawSettings& s) {
                    s.rgGridStyle = 5;
                    s.spPercent = 50;
                    s.spGridLines = 37;
                  }},
        SceneCase{"TwoDimensional", [](GeneratorControls& c) { c.rgDimension = 1; }, nullptr},
        SceneCase{"OneDimensionalOutlined", [](GeneratorControls& c) { c.rgDimension = 0; },
                  [](DrawSettings& s) {
                    s.cbColouredBoxes = false;
                    s.rgGridStyle = 2;
                  }},
        // Perspective pushes many corners off the image, through the fallback.
        SceneCase{"Perspective", nullptr,
                  [](DrawSettings& s) {
                    s.cbShow3D = true;
                    s.spDelta = 30;
                  }},
        SceneCase{"PerspectiveOutlinedNegativeDelta", nullptr,
                  [](DrawSettings& s) {
                    s.cbShow3D = true;
                    s.spDelta = -3;
                    s.cbColouredBoxes = false;
                  }},
        SceneCase{"VariableSizesGaussLarge",
                  [](GeneratorControls& c) {
                    c.cbBoxSize = true;
                    c.cbVarBoxSize = false;
                    c.rbDist = 1;
                    c.spBoxes.value = 5000;
                    c.spHighX = 200;
                    c.spHighY = 150;
                    c.spHighZ = 40;
                  },
                  [](DrawSettings& s) { s.rgBoxColour = 1; }, 1200, 900},
        SceneCase{"HundredThousandBoxes", [](GeneratorControls& c) { c.spBoxes.value = 100000; },
                  nullptr},
        // Most outlines of this scene reach far outside the image.
        SceneCase{"HundredThousandBoxesPerspectiveOutlined",
                  [](GeneratorControls& c) { c.spBoxes.value = 100000; },
                  [](DrawSettings& s) {
                    s.cbShow3D = true;
                    s.spDelta = 50;
                    s.cbColouredBoxes = false;
                  }},
        SceneCase{"TinyPaintBox", nullptr, nullptr, 20, 12}),
    [](const ::testing::TestParamInfo<SceneCase>& info) { return info.param.name; });

// Settings typed far out of range reach the drawing as typed: huge and negative deltas, grid
// counts and percentages, a paint box claimed smaller than nothing. Nothing fails, and both
// canvases agree.
TEST(RasterCanvasTest, OutOfRangeSettingsDrawWithoutFailing) {
  auto state = std::make_unique<GeneratorState>();
  CompleteRun(GeneratorControls(), *state);
  struct Case {
    const char* name;
    std::function<void(DrawSettings&)> draw;
    int32_t width;
    int32_t height;
  };
  const Case cases[] = {
      {"LargestDelta",
       [](DrawSettings& s) {
         s.cbShow3D = true;
         s.spDelta = 2147483647;
       },
       603, 586},
      {"NegativeDelta",
       [](DrawSettings& s) {
         s.cbShow3D = true;
         s.spDelta = -5;
       },
       603, 586},
      {"LargestGridCountNegativeHeight", [](DrawSettings& s) { s.spGridLines = 2147483647; }, 603,
       -7},
      {"SmallestPercent", [](DrawSettings& s) { s.spPercent = -2147483647 - 1; }, 603, 586},
      {"LargestPercentNarrowBox", [](DrawSettings& s) { s.spPercent = 2147483647; }, 12, 20},
  };
  for (const Case& c : cases) {
    DrawSettings settings;
    c.draw(settings);
    ExpectSamePixels(
        160, 120,
        [&](Canvas& canvas) {
          RandomSource random = state->randomSource;
          DrawScene(canvas, c.width, c.height, settings, state->boxTable, state->sceneSettings,
                    random);
        },
        c.name);
  }
}

TEST(RasterCanvasTest, SceneUsesOnlyItsColoursWithoutAntialiasing) {
  auto state = std::make_unique<GeneratorState>();
  CompleteRun(GeneratorControls(), *state);
  QImage image = WhiteImage(603, 586);
  {
    RasterCanvas canvas(image, PaintBoxFont());
    DrawScene(canvas, 603, 586, DrawSettings(), state->boxTable, state->sceneSettings,
              state->randomSource);
  }
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  }
  EXPECT_EQ(colours, (std::set<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 0, 0)}));
}

TEST(RasterCanvasTest, OtherImageFormatsAreDrawnThroughQPainter) {
  QImage reference = WhiteImage(20, 20);
  QImage other(20, 20, QImage::Format_ARGB32);
  other.fill(Qt::white);
  auto draw = [](Canvas& canvas) {
    canvas.SetBrushColour(kRed);
    canvas.Polygon(std::vector<CanvasPoint>{{2, 2}, {15, 4}, {9, 17}});
    canvas.MoveTo(0, 19);
    canvas.LineTo(19, 0);
  };
  {
    PainterCanvas canvas(reference, PaintBoxFont());
    draw(canvas);
  }
  {
    RasterCanvas canvas(other, PaintBoxFont());
    draw(canvas);
  }
  EXPECT_EQ(other.convertToFormat(QImage::Format_RGB32), reference);
}

}  // namespace
}  // namespace pelmora
