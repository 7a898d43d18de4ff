#include "generator/distributions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "generator/extended_math.h"
#include "generator/numeric.h"
#include "tests/generator/random_testing.h"

namespace pelmora {
namespace {

// SkewedInt read literally: the total formed anew on every call, then the linear search.
int32_t LiteralSkewedInt(RandomSource& random, int32_t p, float n) {
  float total = 0.0f;
  for (int64_t i = 1; Extended(i) <= n; ++i) {
    total = static_cast<float>(total + Extended(1) / PowInt(i, p));
  }
  const float u = UniformReal(random, 0.0f, 1.0f);
  const double target = static_cast<double>(u) * total;
  int32_t r = 1;
  double acc = 1.0;
  while (acc < target) {
    ++r;
    acc = static_cast<double>(acc + Extended(1) / PowInt(r, p));
  }
  return r;
}

// UniformReal and GaussianInt read literally: every step in extended precision.
float LiteralUniformReal(RandomSource& random, float a, float b) {
  float u;
  do {
    const int32_t r = random.Next31() % 0x7FFFFFFF;
    u = static_cast<float>(Extended(r) / 0x1p31);
  } while (u == 0.0f || u == 1.0f);
  return static_cast<float>((Extended(b) - a) * u + a);
}

int32_t LiteralGaussianInt(RandomSource& random, float mean, float sigma) {
  float w1;
  float s;
  do {
    w1 = LiteralUniformReal(random, -1.0f, 1.0f);
    const float w2 = LiteralUniformReal(random, -1.0f, 1.0f);
    s = static_cast<float>(Extended(w1) * w1 + Extended(w2) * w2);
  } while (s >= 1.0f || s == 0.0f);
  const double f = static_cast<double>(Log(s) * -2 / s);
  const float z = static_cast<float>(Sqrt(f) * w1);
  return TruncToInt(static_cast<float>(Extended(z) * sigma + mean));
}

// The largest r that UniformReal accepts: u = 1 - 2^-24.
constexpr int32_t kLargestAcceptedDraw = 2147483583;

TEST(UniformRealTest, SequenceAfterSeedOne) {
  RandomSource random(1);
  EXPECT_EQ(UniformReal(random, 0.0f, 1.0f), 11017067 * 0x1p-24f);
  EXPECT_EQ(UniformReal(random, 0.0f, 1.0f), 5254567 * 0x1p-24f);
  EXPECT_EQ(UniformReal(random, 0.0f, 1.0f), 3741541 * 0x1p-22f);
}

TEST(UniformRealTest, BoundsAfterRounding) {
  RandomSource random;
  // Draws whose quotient rounds to 0 or 1 are drawn again: 2^31 - 1 (r = 0) and r >= 2147483584.
  for (const int32_t rejected : {2147483647, 2147483584, 2147483600}) {
    ForceNextNext31(random, rejected);
    RandomSource copy = random;
    copy.Next31();
    const int32_t following = copy.Next31();
    const float expected = static_cast<float>(following % 0x7FFFFFFF / 0x1p31L);
    EXPECT_EQ(UniformReal(random, 0.0f, 1.0f), expected) << rejected;
  }
  ForceNextNext31(random, kLargestAcceptedDraw);
  EXPECT_EQ(UniformReal(random, 0.0f, 1.0f), 1.0f - 0x1p-24f);

  // (-1, 1): r from 1 to 32 gives exactly -1; r = 33 does not.
  for (const int32_t r : {1, 32}) {
    ForceNextNext31(random, r);
    EXPECT_EQ(UniformReal(random, -1.0f, 1.0f), -1.0f) << r;
  }
  ForceNextNext31(random, 33);
  EXPECT_GT(UniformReal(random, -1.0f, 1.0f), -1.0f);
  ForceNextNext31(random, kLargestAcceptedDraw);
  EXPECT_LT(UniformReal(random, -1.0f, 1.0f), 1.0f);
}

TEST(UniformRealTest, FastStepsGiveTheLiteralResults) {
  // Every draw from the bottom and the top of the range, and a million from the sequence.
  RandomSource fast;
  RandomSource literal;
  const float bounds[][2] = {{-1.0f, 1.0f}, {0.0f, 1.0f}, {-3.5f, 1e6f}, {700.0f, 1.0f}};
  for (const auto& [a, b] : bounds) {
    for (int64_t r = 0; r < 5000; ++r) {
      for (const int64_t draw : {r, 0x7FFFFFFF - r}) {
        ForceNextNext31(fast, static_cast<int32_t>(draw));
        literal = fast;
        ASSERT_EQ(UniformReal(fast, a, b), LiteralUniformReal(literal, a, b)) << draw;
      }
    }
    fast.Seed(99);
    literal.Seed(99);
    for (int i = 0; i < 1000000; ++i) {
      ASSERT_EQ(UniformReal(fast, a, b), LiteralUniformReal(literal, a, b)) << i;
    }
  }
}

TEST(GaussianIntTest, FastStepsGiveTheLiteralResults) {
  for (const auto& [mean, sigma] : std::vector<std::pair<float, float>>{
           {350.0f, 100.0f}, {0.0f, 1e6f}, {12.34f, 0.01f}, {-5.0f, 3.0f}}) {
    RandomSource fast(7);
    RandomSource literal(7);
    for (int i = 0; i < 300000; ++i) {
      ASSERT_EQ(GaussianInt(fast, mean, sigma), LiteralGaussianInt(literal, mean, sigma)) << i;
    }
  }
}

// The polar method's s and GaussianInt's g are sums of exact products rounded to extended and
// then to single; near a midpoint between two singles those two roundings can differ from one
// rounding to double and then to single. Cases at a midpoint, within a unit of extended or of
// double of it on either side, and a sweep of sums aimed at midpoints, against the literal
// steps.
TEST(GaussianIntTest, SumsNearMidpointsBetweenSinglesRoundAsExtendedDoes) {
  const auto literalG = [](float z, float mean, float sigma) {
    return TruncToInt(static_cast<float>(Extended(z) * sigma + mean));
  };
  // mean 2^30 + 128 (an odd single, units of 128) and z x sigma = 64 (1 - 2^-36): the sum lies
  // 2^-30 below the midpoint, nearer than half a unit of double: extended keeps it below.
  const float odd = 0x1p30f + 128.0f;
  struct Case {
    float z, mean, sigma;
  };
  const Case cases[] = {
      {64.0f * (1.0f + 0x1p-18f), odd, 1.0f - 0x1p-18f},    // just below: down
      {-64.0f * (1.0f + 0x1p-18f), -odd, 1.0f - 0x1p-18f},  // the same, negative
      {64.0f, odd, 1.0f},                                   // at the midpoint: to even (up)
      {64.0f, 0x1p30f, 1.0f},                               // at the midpoint: to even (down)
      {64.0f * (1.0f + 0x1p-23f), odd, 1.0f - 0x1p-23f},    // 2^-40 below
      {64.0f * (1.0f + 0x1p-12f), odd, 1.0f + 0x1p-12f},    // above
      {1.0f, 0.5f, 0x1p-25f},                               // small sums, a quarter unit
      {3.0f, 350.0f, 100.0f},                               // ordinary
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GaussianFromDeviate(c.z, c.mean, c.sigma), literalG(c.z, c.mean, c.sigma))
        << c.z << " " << c.mean << " " << c.sigma;
  }
  EXPECT_EQ(GaussianFromDeviate(cases[0].z, odd, cases[0].sigma), 1073741952);  // not ...2080

  // s: for a in [0.5, 1), b aimed at the midpoint above a^2 and its neighbours.
  RandomSource random(99);
  int32_t nearMidpoint = 0;
  for (int i = 0; i < 200000; ++i) {
    const float a = 0.5f + static_cast<float>(random.Next31() % 8388608) * 0x1p-24f;
    const double a2 = static_cast<double>(a) * a;
    const float below = static_cast<float>(a2);
    const double midpoint =
        (static_cast<double>(below) + std::nextafter(below, 2.0f)) / 2.0;  // exact
    const double gap = midpoint - a2;
    if (!(gap > 0.0)) continue;
    float b = static_cast<float>(std::sqrt(gap));
    for (int step = 0; step < 3; ++step, b = std::nextafter(b, 1.0f)) {
      const float literal = static_cast<float>(Extended(a) * a + Extended(b) * b);
      ASSERT_EQ(SumOfSquares(a, b), literal) << a << " " << b;
      ASSERT_EQ(SumOfSquares(b, -a), literal) << a << " " << b;
      const double sum = a2 + static_cast<double>(b) * b;
      if (std::fabs(sum - midpoint) <= std::fabs(midpoint) * 0x1p-52) ++nearMidpoint;
    }
  }
  EXPECT_GT(nearMidpoint, 0);  // the sweep reached sums within a unit of double of a midpoint
}

TEST(GaussianIntTest, SequenceAfterSeedOne) {
  RandomSource random(1);
  EXPECT_EQ(GaussianInt(random, 350.0f, 100.0f), 458);
  EXPECT_EQ(GaussianInt(random, 350.0f, 100.0f), 402);
  EXPECT_EQ(GaussianInt(random, 350.0f, 100.0f), 391);
}

TEST(GaussianIntTest, ZeroSigmaGivesTheTruncatedMeanAfterDrawing) {
  RandomSource random(9);
  const RandomSource before = random;
  EXPECT_EQ(GaussianInt(random, 350.99f, 0.0f), 350);
  EXPECT_NE(random.StateLow, before.StateLow);
  // At least two uniforms were drawn: one draw alone does not reach this state.
  RandomSource once = before;
  once.Next31();
  EXPECT_NE(random.StateLow, once.StateLow);
}

TEST(SkewedIntTest, SequencesAfterSeedOne) {
  RandomSource a(1);
  EXPECT_EQ(SkewedInt(a, 1, 700.0f), 61);
  EXPECT_EQ(SkewedInt(a, 1, 700.0f), 5);
  EXPECT_EQ(SkewedInt(a, 1, 700.0f), 324);
  RandomSource b(1);
  EXPECT_EQ(SkewedInt(b, 2, 700.0f), 2);
  EXPECT_EQ(SkewedInt(b, 2, 700.0f), 1);
  EXPECT_EQ(SkewedInt(b, 2, 700.0f), 6);
}

TEST(SkewedIntTest, TotalForPTwoStopsGrowingAt4096) {
  EXPECT_EQ(SkewedLaw(2, 4096.0f).total(), 3449239.0f / 2097152.0f);
  EXPECT_EQ(SkewedLaw(2, 4095.0f).total() < SkewedLaw(2, 4096.0f).total(), true);
  EXPECT_EQ(SkewedLaw(2, 100000.0f).total(), 3449239.0f / 2097152.0f);
  EXPECT_EQ(SkewedLaw(1, 0.5f).total(), 0.0f);
}

TEST(SkewedIntTest, LargestResults) {
  struct Case {
    int32_t p;
    float n;
    int32_t largest;
  };
  const Case cases[] = {
      {1, 100.0f, 101}, {1, 700.0f, 701},   {1, 50000.0f, 49996}, {1, 100000.0f, 100071},
      {2, 700.0f, 700}, {2, 4096.0f, 4788}, {2, 100000.0f, 4788},
  };
  for (const Case& c : cases) {
    RandomSource random;
    ForceNextNext31(random, kLargestAcceptedDraw);
    EXPECT_EQ(SkewedInt(random, c.p, c.n), c.largest) << "p " << c.p << " n " << c.n;
  }
}

TEST(SkewedIntTest, SmallWorlds) {
  for (const float n : {0.0f, -5.0f, 0.99f, 1.0f}) {
    RandomSource random(4);
    RandomSource reference(4);
    EXPECT_EQ(SkewedInt(random, 1, n), 1) << n;
    UniformReal(reference, 0.0f, 1.0f);  // one uniform is still drawn
    EXPECT_EQ(random.StateLow, reference.StateLow);
    EXPECT_EQ(random.StateHigh, reference.StateHigh);
  }
}

TEST(SkewedIntTest, LawMatchesTheLiteralSearch) {
  for (const int32_t p : {1, 2}) {
    for (const float n : {1.0f, 2.0f, 3.0f, 100.0f, 700.0f, 4096.0f, 5000.0f, 100000.0f}) {
      const SkewedLaw law(p, n);
      RandomSource fast(static_cast<uint32_t>(p * 1000 + static_cast<int>(n)));
      RandomSource literal = fast;
      for (int draw = 0; draw < 400; ++draw) {
        ASSERT_EQ(law.Draw(fast), LiteralSkewedInt(literal, p, n))
            << "p " << p << " n " << n << " draw " << draw;
      }
      // Near the top of the law, where the single total and the double sums part.
      for (int64_t r = kLargestAcceptedDraw - 20000; r <= kLargestAcceptedDraw; r += 997) {
        ForceNextNext31(fast, static_cast<int32_t>(r));
        ForceNextNext31(literal, static_cast<int32_t>(r));
        ASSERT_EQ(law.Draw(fast), LiteralSkewedInt(literal, p, n)) << "p " << p << " n " << n;
      }
    }
  }
}

// The search finds, for every target, the smallest r whose literal running sum reaches it: at
// each sum, just below it and just above it, across the whole law (where the guide's buckets
// meet sums in every way), and beyond the last sum.
TEST(SkewedIntTest, RankAtEverySum) {
  for (const int32_t p : {1, 2}) {
    for (const float n : {100.0f, 700.0f, 4096.0f, 100000.0f}) {
      SCOPED_TRACE("p " + std::to_string(p) + " n " + std::to_string(n));
      const SkewedLaw law(p, n);
      double below = 0.0;
      double acc = 1.0;
      for (int32_t r = 1; below < law.total(); ++r) {
        if (r > 1) acc = static_cast<double>(acc + Extended(1) / PowInt(r, p));
        ASSERT_EQ(law.Rank(acc), r);
        ASSERT_EQ(law.Rank(std::nextafter(acc, 0.0)), std::nextafter(acc, 0.0) > below ? r : r - 1);
        if (acc < law.total()) {
          ASSERT_EQ(law.Rank(std::nextafter(acc, 2.0 * acc)), r + 1);
        }
        below = acc;
      }
      // Past the last sum the search stops at the last r.
      const int32_t last = law.Rank(below);
      EXPECT_EQ(law.Rank(2.0 * below), last);
      EXPECT_EQ(law.Rank(std::numeric_limits<double>::infinity()), last);
    }
  }
}

TEST(DrawCoordinateTest, UniformSequenceAndKindsWithoutDraws) {
  RandomSource random(1);
  EXPECT_EQ(DrawCoordinate(random, kUniform, 700, 0.0f, 0.0f), 250);
  EXPECT_EQ(DrawCoordinate(random, kUniform, 700, 0.0f, 0.0f), 105);
  EXPECT_EQ(DrawCoordinate(random, kUniform, 700, 0.0f, 0.0f), 687);

  const RandomSource before = random;
  EXPECT_EQ(DrawCoordinate(random, kUniform, 0, 0.0f, 0.0f), 1);
  EXPECT_EQ(DrawCoordinate(random, 3, 700, 0.0f, 0.0f), 0);
  EXPECT_EQ(DrawCoordinate(random, -1, 700, 0.0f, 0.0f), 0);
  EXPECT_EQ(random.StateLow, before.StateLow);
  EXPECT_EQ(random.StateHigh, before.StateHigh);
}

TEST(DrawCoordinateTest, GaussTailsCollectAtBothEnds) {
  // Far below the world: every value is 1. Far above: every value is n. Between 2^31 and 2^63,
  // the truncation wraps first: 3e9 wraps to a negative number and so gives 1.
  struct Case {
    float mean;
    float sigma;
    int32_t expected;
  };
  const Case cases[] = {{-1000.0f, 10.0f, 1},  {1.99f, 0.0f, 1},           {2.0f, 0.0f, 2},
                        {5000.0f, 10.0f, 700}, {2147483520.0f, 0.0f, 700}, {3.0e9f, 0.0f, 1}};
  for (const Case& c : cases) {
    RandomSource random(2);
    for (int i = 0; i < 50; ++i) {
      ASSERT_EQ(DrawCoordinate(random, kGauss, 700, c.mean, c.sigma), c.expected) << c.mean;
    }
  }
}

TEST(DrawCoordinateTest, SkewedIsNotClamped) {
  RandomSource random;
  ForceNextNext31(random, kLargestAcceptedDraw);
  EXPECT_EQ(DrawCoordinate(random, kSkewed, 700, 1.0f, 0.0f), 701);
}

}  // namespace
}  // namespace pelmora
