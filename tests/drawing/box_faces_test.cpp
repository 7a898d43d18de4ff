#include "drawing/box_faces.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/drawing/recording_canvas.h"

namespace pelmora {
namespace {

using Op = CanvasCall::Op;

// A 2D box from (x1, y1) to (x2, y2) as the oblique projection leaves it.
BoxPoints Flat(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return {{{x1, y1}, {x2, y1}, {x2, y1}, {x1, y1}, {x1, y2}, {x2, y2}, {x2, y2}, {x1, y2}}};
}

TEST(ScaleFactorTest, WorldToPixelsLessTheThirtyPixelStrip) {
  EXPECT_EQ(ScaleFactor(603, 700), static_cast<float>(573.0L / 700.0L));
  EXPECT_EQ(ScaleFactor(586, 700), static_cast<float>(556.0L / 700.0L));
  EXPECT_EQ(ScaleFactor(603, 100), 5.73f);
  EXPECT_EQ(ScaleFactor(30, 700), 0.0f);
  EXPECT_LT(ScaleFactor(20, 700), 0.0f);
  EXPECT_EQ(ScaleFactor(603, 0), 0.0f);
  EXPECT_EQ(ScaleFactor(603, -573), -1.0f);
}

struct ScalingCase {
  CanvasPoint world;
  int32_t worldX, worldY, width, height;
  CanvasPoint pixel;
};

TEST(DrawBoxTest, ScalesByTruncation) {
  const ScalingCase cases[] = {
      {{10, 20}, 700, 700, 603, 586, {8, 15}},
      {{30, 40}, 700, 700, 603, 586, {24, 31}},
      // The far world corner lands 30 pixels in from the right and bottom edges.
      {{700, 700}, 700, 700, 603, 586, {573, 556}},
      {{100, 1}, 100, 100, 603, 603, {573, 5}},
      {{1, 100}, 100, 100, 603, 603, {5, 573}},
      // Negative products truncate toward zero.
      {{-10, -20}, 700, 700, 603, 586, {-8, -15}},
      // A world size of 0 scales that axis to 0; a paint box under 30 pixels goes negative.
      {{350, 350}, 0, 700, 603, 586, {0, 278}},
      {{350, 350}, 700, 0, 603, 586, {286, 0}},
      {{350, 350}, 700, 700, 20, 586, {-5, 278}},
  };
  for (const ScalingCase& c : cases) {
    RecordingCanvas canvas;
    BoxPoints points;
    points.fill(c.world);
    DrawBox(points, canvas, true, kRed, c.worldX, c.worldY, c.width, c.height);
    const std::vector<CanvasCall> polygons = canvas.Of(Op::kPolygon);
    ASSERT_EQ(polygons.size(), 6u);
    EXPECT_EQ(polygons[0].points[0], c.pixel)
        << c.world << " in " << c.worldX << "x" << c.worldY << " on " << c.width << "x" << c.height;
  }
}

TEST(DrawBoxTest, BoxEdgeAtHalfTheWorldIsNotTheMiddleGridLine) {
  // The grid line labelled 350 lies at x = 301; the boxes are scaled to W - 30.
  RecordingCanvas canvas;
  DrawBox(Flat(350, 0, 350, 0), canvas, true, kRed, 700, 700, 603, 586);
  EXPECT_EQ(canvas.Of(Op::kPolygon)[0].points[0].x, 286);
}

TEST(DrawBoxTest, FilledFacesArePolygonsInFaceOrder) {
  // Distinct points, world units equal to pixels (W - 30 = wx), so every face is recognisable.
  BoxPoints points;
  for (int i = 0; i < 8; ++i) points[i] = {10 * i, 100 + i};
  RecordingCanvas canvas;
  DrawBox(points, canvas, true, 0x123456, 100, 100, 130, 130);

  std::vector<CanvasCall> expected = {CanvasCall::Brush(0x123456)};
  const int faces[6][4] = {{2, 3, 7, 6}, {0, 3, 7, 4}, {0, 1, 2, 3},
                           {4, 7, 6, 5}, {1, 2, 6, 5}, {0, 1, 5, 4}};
  for (const auto& face : faces) {
    expected.push_back(
        CanvasCall::Poly({points[face[0]], points[face[1]], points[face[2]], points[face[3]]}));
  }
  EXPECT_EQ(canvas.calls, expected);
}

TEST(DrawBoxTest, OutlinedFacesArePolylinesClosedByHand) {
  BoxPoints points;
  for (int i = 0; i < 8; ++i) points[i] = {10 * i, 100 + i};
  RecordingCanvas canvas;
  DrawBox(points, canvas, false, 0x123456, 100, 100, 130, 130);

  // The brush is set in outline mode too.
  std::vector<CanvasCall> expected = {CanvasCall::Brush(0x123456)};
  const int faces[6][4] = {{2, 3, 7, 6}, {0, 3, 7, 4}, {0, 1, 2, 3},
                           {4, 7, 6, 5}, {1, 2, 6, 5}, {0, 1, 5, 4}};
  for (const auto& face : faces) {
    expected.push_back(CanvasCall::Lines(
        {points[face[0]], points[face[1]], points[face[2]], points[face[3]], points[face[0]]}));
  }
  EXPECT_EQ(canvas.calls, expected);
}

TEST(DrawBoxTest, FlatBoxIsARectangleAtTheStartSize) {
  RecordingCanvas canvas;
  DrawBox(Flat(10, 20, 30, 40), canvas, true, kRed, 700, 700, 603, 586);
  const std::vector<CanvasCall> polygons = canvas.Of(Op::kPolygon);
  ASSERT_EQ(polygons.size(), 6u);
  // Back and front are the rectangle (8, 15) - (24, 31); the other four faces are its edges.
  const std::vector<CanvasPoint> back = {{24, 15}, {8, 15}, {8, 31}, {24, 31}};
  const std::vector<CanvasPoint> front = {{8, 15}, {24, 15}, {24, 31}, {8, 31}};
  EXPECT_EQ(polygons[0].points, back);
  EXPECT_EQ(polygons[5].points, front);
  const std::vector<CanvasPoint> left = {{8, 15}, {8, 15}, {8, 31}, {8, 31}};
  EXPECT_EQ(polygons[1].points, left);
}

}  // namespace
}  // namespace pelmora
