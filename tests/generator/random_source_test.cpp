#include "generator/random_source.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "generator/numeric.h"
#include "tests/generator/random_testing.h"

namespace pelmora {
namespace {

TEST(RandomSourceTest, SequencesAfterSeedOne) {
  RandomSource a(1);
  EXPECT_EQ(a.Next15(), 130);
  EXPECT_EQ(a.Next15(), 10982);
  EXPECT_EQ(a.Next15(), 1090);

  RandomSource b(1);
  EXPECT_EQ(b.Next31(), 1410184549);
  EXPECT_EQ(b.Next31(), 672584604);
  EXPECT_EQ(b.Next31(), 1915668986);

  RandomSource c(1);
  EXPECT_EQ(c.Below(100), 49);
  EXPECT_EQ(c.Below(100), 4);
  EXPECT_EQ(c.Below(100), 86);
}

TEST(RandomSourceTest, SeedSetsBothHalves) {
  RandomSource start;  // as the process starts
  EXPECT_EQ(start.StateLow, 22695478u);
  EXPECT_EQ(start.StateHigh, 0u);

  RandomSource zero(0);
  EXPECT_EQ(zero.StateLow, 1u);
  EXPECT_EQ(zero.StateHigh, 0u);

  // Whatever came between, the same seed gives the same sequence.
  RandomSource random(77);
  const std::vector<int32_t> first = {random.Next31(), random.Next15(), random.Next31()};
  for (int i = 0; i < 5; ++i) random.Next31();
  random.Next15();
  random.Seed(77);
  EXPECT_EQ(first, (std::vector<int32_t>{random.Next31(), random.Next15(), random.Next31()}));
}

TEST(RandomSourceTest, CarryFromLowIntoHighHalf) {
  RandomSource random;
  random.StateLow = 0x9630EBE3u;
  random.StateHigh = 0;
  EXPECT_EQ(random.Next31(), 2115960496);
  EXPECT_EQ(random.StateLow, 0u);
  EXPECT_EQ(random.StateHigh, 4263444144u);
}

TEST(RandomSourceTest, BelowZeroDrawsNothingAndNegativeBoundsUseMagnitude) {
  RandomSource random(5);
  RandomSource reference(5);
  EXPECT_EQ(random.Below(0), 0);
  EXPECT_EQ(random.Next31(), reference.Next31());

  for (int i = 0; i < 1000; ++i) {
    const int32_t r = random.Below(-7);
    EXPECT_GE(r, 0);
    EXPECT_LE(r, 6);
  }
  EXPECT_GE(random.Below(INT32_MIN), 0);
}

TEST(RandomSourceTest, DrawsStayWithinTheirWidths) {
  RandomSource random(12345);
  for (int i = 0; i < 200000; ++i) {
    const int32_t a = random.Next15();
    ASSERT_GE(a, 0);
    ASSERT_LE(a, 32767);
    ASSERT_GE(random.Next31(), 0);  // bit 31 never set
  }
  // A random seed, Next15 mod 65535 plus 1, never exceeds 32768.
  RandomSource high;
  high.StateLow = 0xFFFFFFFFu;
  for (int i = 0; i < 100000; ++i) ASSERT_LE(high.Next15() % 65535 + 1, 32768);
}

TEST(RandomTestingTest, ForcedNext31IsReturnedNext) {
  RandomSource random(3);
  ForceNextNext31(random, 2147483583);
  EXPECT_EQ(random.Next31(), 2147483583);
  ForceNextNext31(random, 0);
  EXPECT_EQ(random.Next31(), 0);
}

TEST(TruncToIntTest, TruncatesTowardZeroAndWraps) {
  struct Case {
    double x;
    int32_t expected;
  };
  const Case cases[] = {
      {350.99, 350},
      {-0.5, 0},
      {-350.99, -350},
      {3000000000.0, -1294967296},
      {1e10, 1410065408},
      {0x1p63, 0},
      {-0x1p63, 0},
      {0x1p63 - 1024.0, -1024},  // low 32 bits 0xFFFFFC00
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), 0},
      {-std::numeric_limits<double>::infinity(), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TruncToInt(c.x), c.expected) << c.x;
}

}  // namespace
}  // namespace pelmora
