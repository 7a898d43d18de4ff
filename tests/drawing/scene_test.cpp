#include "drawing/scene.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "tests/drawing/recording_canvas.h"
#include "tests/drawing/test_runs.h"

namespace pelmora {
namespace {

using Op = CanvasCall::Op;

// Keeps only the first point of every polygon and polyline: enough to tell which boxes were
// drawn, for counts where a full recording would be large.
class FirstPointCanvas final : public Canvas {
 public:
  void SetBrushColour(Colour) override {}
  void FillRect(int32_t, int32_t, int32_t, int32_t) override {}
  void SetPenStyle(PenStyle) override {}
  void MoveTo(int32_t, int32_t) override {}
  void LineTo(int32_t, int32_t) override {}
  void TextOut(int32_t, int32_t, std::string_view) override {}
  void Polygon(std::span<const CanvasPoint> points) override { firsts.push_back(points[0]); }
  void Polyline(std::span<const CanvasPoint> points) override { firsts.push_back(points[0]); }

  std::vector<CanvasPoint> firsts;
};

// Boxes where one world unit is one pixel: box i is the 2D box from (i, 1) to (i + 1, 2), so
// the left face (the second drawn) of a drawn box starts at x = i.
class DrawSceneTest : public ::testing::Test {
 protected:
  void MakeBoxes(int32_t count, int32_t dimension = 2) {
    for (int32_t i = 1; i <= count && i <= BoxTable::kCapacity; ++i) {
      SetBoxCorners((*table_)[i], i, dimension == 1 ? 0 : 1, dimension == 3 ? 3 : 0, i + 1,
                    dimension == 1 ? 0 : 2, dimension == 3 ? 5 : 0, dimension);
    }
    scene_.boxCount = count;
    scene_.worldX = std::min(count, BoxTable::kCapacity) + 10;
    scene_.worldY = 100;
    width_ = scene_.worldX + 30;
    height_ = scene_.worldY + 30;
  }

  Colour Draw(Canvas& canvas) {
    return DrawScene(canvas, width_, height_, settings_, *table_, scene_, random_);
  }

  // The numbers of the boxes drawn on canvas, in drawing order.
  static std::vector<int32_t> DrawnBoxes(const std::vector<CanvasPoint>& firsts) {
    EXPECT_EQ(firsts.size() % 6, 0u);
    std::vector<int32_t> boxes;
    for (size_t i = 1; i < firsts.size(); i += 6) boxes.push_back(firsts[i].x);
    return boxes;
  }
  std::vector<int32_t> DrawnBoxes() {
    FirstPointCanvas canvas;
    Draw(canvas);
    return DrawnBoxes(canvas.firsts);
  }

  std::unique_ptr<BoxTable> table_ = std::make_unique<BoxTable>();
  SceneSettings scene_;
  DrawSettings settings_;
  RandomSource random_;
  int32_t width_ = 603;
  int32_t height_ = 586;
};

struct PercentCase {
  int32_t percent;
  int32_t boxCount;
  int32_t prefixEnd;                   // the boxes up to this number are checked one by one
  std::function<bool(int32_t)> drawn;  // of a box number up to prefixEnd
  size_t total;                        // of all boxCount boxes
};

class PercentTest : public DrawSceneTest, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(PercentTest, PicksTheseBoxes) {
  const PercentCase& c = GetParam();
  MakeBoxes(c.boxCount);
  settings_.spPercent = c.percent;
  const std::vector<int32_t> boxes = DrawnBoxes();
  std::vector<int32_t> prefix;
  for (const int32_t box : boxes) {
    if (box <= c.prefixEnd) prefix.push_back(box);
  }
  std::vector<int32_t> expected;
  for (int32_t i = 1; i <= c.prefixEnd; ++i) {
    if (c.drawn(i)) expected.push_back(i);
  }
  EXPECT_EQ(prefix, expected);
  EXPECT_EQ(boxes.size(), c.total);
  // In table order, each at most once.
  for (size_t i = 1; i < boxes.size(); ++i) ASSERT_LT(boxes[i - 1], boxes[i]);
}

bool IsOneOf(int32_t i, std::initializer_list<int32_t> numbers) {
  for (const int32_t n : numbers) {
    if (i == n) return true;
  }
  return false;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PercentTest,
    ::testing::Values(
        PercentCase{100, 1000, 1000, [](int32_t) { return true; }, 1000},
        PercentCase{150, 1000, 1000, [](int32_t) { return true; }, 1000},
        PercentCase{2147483647, 1000, 1000, [](int32_t) { return true; }, 1000},
        PercentCase{99, 1000, 1000, [](int32_t i) { return i % 100 != 1; }, 990},
        PercentCase{90, 1000, 100, [](int32_t i) { return i != 1 && i % 10 != 0; }, 899},
        PercentCase{75, 1000, 100, [](int32_t i) { return i % 4 != 1; }, 750},
        PercentCase{50, 1000, 1000, [](int32_t i) { return i % 2 == 0; }, 500},
        PercentCase{33, 1000, 30, [](int32_t i) { return i > 1 && i % 3 == 1; }, 330},
        PercentCase{25, 1000, 1000, [](int32_t i) { return i % 4 == 0; }, 250},
        PercentCase{10, 1000, 100, [](int32_t i) { return i % 10 == 0; }, 100},
        PercentCase{3, 1000, 201,
                    [](int32_t i) {
                      return IsOneOf(i, {34, 67, 101, 134, 167, 201});
                    },
                    29},
        PercentCase{1, 200, 200, [](int32_t i) { return i == 101; }, 1},
        PercentCase{1, 100000, 1000, [](int32_t i) { return i % 100 == 1 && i > 1; }, 999},
        PercentCase{0, 1000, 1000, [](int32_t) { return false; }, 0},
        PercentCase{-20, 1000, 1000, [](int32_t) { return false; }, 0}));

TEST_F(DrawSceneTest, ClearsThenRulesTheGridThenDrawsWithASolidPen) {
  MakeBoxes(3);
  for (const int32_t style : {0, 1, 2, 7}) {
    settings_.rgGridStyle = style;
    RecordingCanvas canvas;
    Draw(canvas);
    ASSERT_GE(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0], CanvasCall::Brush(kWhite));
    EXPECT_EQ(canvas.calls[1], CanvasCall::Rect(-1, -1, width_ + 1, height_ + 1));
    // The grid's labels, then the boxes; the last pen style set before the first box is solid.
    size_t firstBox = 0;
    while (firstBox < canvas.calls.size() && canvas.calls[firstBox].op != Op::kPolygon) {
      ++firstBox;
    }
    ASSERT_LT(firstBox, canvas.calls.size());
    std::optional<PenStyle> lastPen;
    size_t texts = 0;
    for (size_t i = 0; i < firstBox; ++i) {
      if (canvas.calls[i].op == Op::kPenStyle) lastPen = canvas.calls[i].style;
      if (canvas.calls[i].op == Op::kTextOut) ++texts;
    }
    EXPECT_EQ(lastPen, PenStyle::kSolid) << "style " << style;
    EXPECT_EQ(texts, 20u);
    EXPECT_EQ(canvas.Of(Op::kPolygon).size(), 18u);
    for (size_t i = firstBox; i < canvas.calls.size(); ++i) {
      EXPECT_NE(canvas.calls[i].op, Op::kPenStyle);
      EXPECT_NE(canvas.calls[i].op, Op::kTextOut);
    }
  }
}

TEST_F(DrawSceneTest, WithoutTheGridOnlyTheClearAndTheBoxes) {
  MakeBoxes(3);
  settings_.cbShowGrid = false;
  RecordingCanvas canvas;
  Draw(canvas);
  ASSERT_EQ(canvas.calls.size(), 2u + 3u * 7u);
  EXPECT_EQ(canvas.calls[1], CanvasCall::Rect(-1, -1, width_ + 1, height_ + 1));
  for (size_t i = 2; i < canvas.calls.size(); ++i) {
    EXPECT_TRUE(canvas.calls[i].op == Op::kBrushColour || canvas.calls[i].op == Op::kPolygon);
  }
}

TEST_F(DrawSceneTest, NothingPickedOrNoBoxesStillClearsAndRulesTheGrid) {
  MakeBoxes(50);
  RecordingCanvas reference;
  DrawGridLines(reference, 10, 1, scene_.worldX, scene_.worldY, width_, height_);

  settings_.spPercent = 0;
  RecordingCanvas nonePicked;
  Draw(nonePicked);
  scene_.boxCount = 0;
  settings_.spPercent = 100;
  RecordingCanvas noBoxes;
  Draw(noBoxes);
  for (const RecordingCanvas* canvas : {&nonePicked, &noBoxes}) {
    std::vector<CanvasCall> expected = {CanvasCall::Brush(kWhite),
                                        CanvasCall::Rect(-1, -1, width_ + 1, height_ + 1)};
    expected.insert(expected.end(), reference.calls.begin(), reference.calls.end());
    EXPECT_EQ(canvas->calls, expected);
  }
}

TEST_F(DrawSceneTest, RandomColoursAreDrawnForPickedBoxesOnly) {
  MakeBoxes(200);
  settings_.spPercent = 50;
  settings_.rgBoxColour = 1;
  settings_.cbShowGrid = false;
  RandomSource twin = random_;
  RecordingCanvas canvas;
  const Colour last = Draw(canvas);

  const std::vector<CanvasCall> brushes = canvas.Of(Op::kBrushColour);
  ASSERT_EQ(brushes.size(), 1u + 100u);  // the clear, then one per drawn box
  for (size_t box = 0; box < 100; ++box) {
    EXPECT_EQ(brushes[box + 1].colour, static_cast<Colour>(twin.Next31()) % (1u << 24))
        << "box " << 2 * (box + 1);
  }
  EXPECT_EQ(last, brushes.back().colour);
  // Exactly one draw per drawn box, no more.
  EXPECT_EQ(random_.Next31(), twin.Next31());

  // Back to "Constant": every box in the colour of the last box drawn.
  settings_.rgBoxColour = 0;
  settings_.boxColour = last;
  settings_.spPercent = 100;
  RecordingCanvas constant;
  EXPECT_EQ(Draw(constant), last);
  const std::vector<CanvasCall> constantBrushes = constant.Of(Op::kBrushColour);
  ASSERT_EQ(constantBrushes.size(), 201u);
  for (size_t i = 1; i < constantBrushes.size(); ++i) {
    EXPECT_EQ(constantBrushes[i].colour, last);
  }
}

TEST_F(DrawSceneTest, ConstantModeTakesNoDrawsAndRepaintsTheSamePicture) {
  MakeBoxes(30, 3);
  settings_.boxColour = 0x00FF00;
  const RandomSource before = random_;
  RecordingCanvas first;
  EXPECT_EQ(Draw(first), 0x00FF00u);
  RecordingCanvas second;
  Draw(second);
  EXPECT_EQ(first.calls, second.calls);
  EXPECT_EQ(random_.StateLow, before.StateLow);
  EXPECT_EQ(random_.StateHigh, before.StateHigh);
}

TEST_F(DrawSceneTest, A1DBoxTakesItsColourBeforeItsRow) {
  MakeBoxes(1, 1);
  settings_.rgBoxColour = 1;
  settings_.cbShowGrid = false;
  RandomSource twin = random_;
  const Colour colour = static_cast<Colour>(twin.Next31()) & 0xFFFFFFu;
  const int32_t row = twin.Next31() % scene_.worldY;
  RecordingCanvas canvas;
  EXPECT_EQ(Draw(canvas), colour);
  EXPECT_EQ(canvas.Of(Op::kBrushColour).back().colour, colour);
  const std::vector<CanvasCall> polygons = canvas.Of(Op::kPolygon);
  ASSERT_EQ(polygons.size(), 6u);
  for (const CanvasCall& polygon : polygons) {
    for (const CanvasPoint& p : polygon.points) EXPECT_EQ(p.y, row);  // one world unit a pixel
  }
}

TEST_F(DrawSceneTest, A2DBoxUnderPerspectiveIsSkippedAfterItsColourDraw) {
  MakeBoxes(4, 2);
  settings_.cbShow3D = true;
  settings_.spDelta = 50;
  settings_.cbShowGrid = false;
  settings_.rgBoxColour = 1;
  RandomSource twin = random_;
  RecordingCanvas canvas;
  const Colour last = Draw(canvas);
  for (int i = 0; i < 3; ++i) twin.Next31();
  EXPECT_EQ(last, static_cast<Colour>(twin.Next31()) & 0xFFFFFFu);
  EXPECT_EQ(canvas.calls.size(), 2u);  // the clear only
  EXPECT_EQ(random_.Next31(), twin.Next31());
}

TEST_F(DrawSceneTest, WorldSizeZeroDrawsRowsOnTheTopEdge) {
  // Only a 1D run with its Y settings typed out of range leaves worldY = 0.
  MakeBoxes(5, 1);
  scene_.worldY = 0;
  const RandomSource before = random_;
  RecordingCanvas canvas;
  Draw(canvas);
  const std::vector<CanvasCall> polygons = canvas.Of(Op::kPolygon);
  ASSERT_EQ(polygons.size(), 30u);
  EXPECT_EQ(polygons[1].points[0], (CanvasPoint{1, 0}));
  for (const CanvasCall& polygon : polygons) {
    for (const CanvasPoint& p : polygon.points) EXPECT_EQ(p.y, 0);
  }
  EXPECT_EQ(random_.StateLow, before.StateLow);  // Below(0) draws nothing
}

TEST_F(DrawSceneTest, BoxCountBeyondTheTableIsTheTable) {
  MakeBoxes(BoxTable::kCapacity);
  scene_.boxCount = 2147483647;
  const std::vector<int32_t> boxes = DrawnBoxes();
  ASSERT_EQ(boxes.size(), static_cast<size_t>(BoxTable::kCapacity));
  EXPECT_EQ(boxes.back(), BoxTable::kCapacity);
}

// The redraw right after a run follows from the seed: random colours and 1D rows included.
TEST(DrawSceneAfterRunTest, SameSeedSamePictureAndRepaintsMoveTheRandomSourceOn) {
  GeneratorControls controls;
  controls.rgDimension = 0;  // 1D: every redraw draws the rows anew
  DrawSettings settings;
  settings.rgBoxColour = 1;

  auto redrawAfterRun = [&](RecordingCanvas& first, RecordingCanvas& second) {
    auto state = std::make_unique<GeneratorState>();
    CompleteRun(controls, *state);
    DrawScene(first, 603, 586, settings, state->boxTable, state->sceneSettings,
              state->randomSource);
    DrawScene(second, 603, 586, settings, state->boxTable, state->sceneSettings,
              state->randomSource);
  };
  RecordingCanvas a1, a2, b1, b2;
  redrawAfterRun(a1, a2);
  redrawAfterRun(b1, b2);
  EXPECT_EQ(a1.calls, b1.calls);
  EXPECT_EQ(a2.calls, b2.calls);
  EXPECT_NE(a1.calls, a2.calls);
  EXPECT_EQ(a1.Of(Op::kPolygon).size(), 6u * 200u);
}

}  // namespace
}  // namespace pelmora
