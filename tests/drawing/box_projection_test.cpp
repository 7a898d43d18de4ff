#include "drawing/box_projection.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/drawing/recording_canvas.h"
#include "tests/generator/random_testing.h"

namespace pelmora {
namespace {

BoxRecord Box(double x1, double y1, double z1, double x2, double y2, double z2, int32_t d) {
  BoxRecord box;
  SetBoxCorners(box, x1, y1, z1, x2, y2, z2, d);
  return box;
}

struct ProjectionCase {
  const char* name;
  BoxRecord box;
  bool perspective;
  double delta;
  BoxPoints expected;
};

class ProjectionTest : public ::testing::TestWithParam<ProjectionCase> {};

TEST_P(ProjectionTest, Corners) {
  const ProjectionCase& c = GetParam();
  RandomSource random;
  const RandomSource before = random;
  const std::optional<BoxPoints> points =
      ProjectBox(c.box, 0.7, c.perspective, c.delta, 700, random);
  ASSERT_TRUE(points.has_value());
  EXPECT_EQ(*points, c.expected);
  // Only one-dimensional boxes draw from the random source.
  EXPECT_EQ(random.StateLow, before.StateLow);
  EXPECT_EQ(random.StateHigh, before.StateHigh);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProjectionTest,
    ::testing::Values(
        ProjectionCase{
            "Oblique3D",
            Box(10, 20, 5, 30, 40, 25, 3),
            false,
            1,
            {{{10, 20}, {30, 20}, {45, 32}, {25, 32}, {10, 40}, {30, 40}, {45, 52}, {25, 52}}}},
        ProjectionCase{"Perspective3D",
                       Box(10, 20, 5, 30, 40, 25, 3),
                       true,
                       50,
                       {{{100, 200},
                         {300, 200},
                         {60, 40},
                         {20, 40},
                         {100, 400},
                         {300, 400},
                         {60, 80},
                         {20, 80}}}},
        ProjectionCase{
            "Oblique2D",
            Box(10, 20, 0, 30, 40, 0, 2),
            false,
            1,
            {{{10, 20}, {30, 20}, {30, 20}, {10, 20}, {10, 40}, {30, 40}, {30, 40}, {10, 40}}}},
        // Only the box's own depth counts: the same box 400 deeper in the world is drawn alike.
        ProjectionCase{
            "ObliqueIgnoresZPosition",
            Box(10, 20, 405, 30, 40, 425, 3),
            false,
            1,
            {{{10, 20}, {30, 20}, {45, 32}, {25, 32}, {10, 40}, {30, 40}, {45, 52}, {25, 52}}}},
        // No depth, no shift, whatever theta is.
        ProjectionCase{
            "FlatBoxIsNotShifted",
            Box(10, 20, 7, 30, 40, 7, 3),
            false,
            1,
            {{{10, 20}, {30, 20}, {30, 20}, {10, 20}, {10, 40}, {30, 40}, {30, 40}, {10, 40}}}},
        // Delta 0 puts every corner at the origin; a negative delta mirrors through it.
        ProjectionCase{"PerspectiveDeltaZero", Box(10, 20, 5, 30, 40, 25, 3), true, 0, {}},
        ProjectionCase{"PerspectiveNegativeDelta",
                       Box(10, 20, 5, 30, 40, 25, 3),
                       true,
                       -5,
                       {{{-10, -20},
                         {-30, -20},
                         {-6, -4},
                         {-2, -4},
                         {-10, -40},
                         {-30, -40},
                         {-6, -8},
                         {-2, -8}}}},
        // 10 * 2147483647 / 5 = 4294967294 leaves 32 bits and wraps to -2.
        ProjectionCase{"PerspectiveBeyond32Bits",
                       Box(10, 20, 5, 30, 40, 25, 3),
                       true,
                       2147483647,
                       {{{-2, -4},
                         {-6, -4},
                         {-1717986920, 1717986917},
                         {858993458, 1717986917},
                         {-2, -8},
                         {-6, -8},
                         {-1717986920, -858993461},
                         {858993458, -858993461}}}}),
    [](const ::testing::TestParamInfo<ProjectionCase>& info) { return info.param.name; });

TEST(BoxProjectionTest, TwoDimensionalBoxUnderPerspectiveHasNoImage) {
  RandomSource random;
  const RandomSource before = random;
  EXPECT_FALSE(ProjectBox(Box(10, 20, 0, 30, 40, 0, 2), 0.7, true, 50, 700, random).has_value());
  EXPECT_EQ(random.StateLow, before.StateLow);
  EXPECT_EQ(random.StateHigh, before.StateHigh);
}

TEST(BoxProjectionTest, OneDimensionalBoxTakesOneRowFromTheRandomSource) {
  for (const bool perspective : {false, true}) {
    RandomSource random;
    ForceNextNext31(random, 1234567);  // 1234567 mod 700 = 467
    const std::optional<BoxPoints> points =
        ProjectBox(Box(10, 0, 0, 30, 0, 0, 1), 0.7, perspective, 50, 700, random);
    ASSERT_TRUE(points.has_value());
    const BoxPoints expected = {
        {{10, 467}, {30, 467}, {30, 467}, {10, 467}, {10, 467}, {30, 467}, {30, 467}, {10, 467}}};
    EXPECT_EQ(*points, expected) << "perspective " << perspective;

    // Exactly one draw was taken: the next one is the second after the forced state.
    RandomSource twin;
    ForceNextNext31(twin, 1234567);
    twin.Next31();
    EXPECT_EQ(random.Next31(), twin.Next31());
  }
}

TEST(BoxProjectionTest, OneDimensionalRowsChangeFromDrawToDraw) {
  RandomSource random;
  const BoxRecord box = Box(10, 0, 0, 30, 0, 0, 1);
  const int32_t first = ProjectBox(box, 0.7, false, 1, 700, random)->at(0).y;
  const int32_t second = ProjectBox(box, 0.7, false, 1, 700, random)->at(0).y;
  // After Seed(1): Next31 gives 1410184549 and 672584604.
  EXPECT_EQ(first, 1410184549 % 700);
  EXPECT_EQ(second, 672584604 % 700);
}

TEST(BoxProjectionTest, OneDimensionalRowForWorldSizesZeroAndNegative) {
  RandomSource random;
  const RandomSource before = random;
  const BoxRecord box = Box(10, 0, 0, 30, 0, 0, 1);
  EXPECT_EQ(ProjectBox(box, 0.7, false, 1, 0, random)->at(3), (CanvasPoint{10, 0}));
  EXPECT_EQ(random.StateLow, before.StateLow);  // Below(0) draws nothing

  ForceNextNext31(random, 23);
  EXPECT_EQ(ProjectBox(box, 0.7, false, 1, -5, random)->at(0), (CanvasPoint{10, 3}));
}

}  // namespace
}  // namespace pelmora
