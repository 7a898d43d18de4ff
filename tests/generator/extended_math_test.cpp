#include "generator/extended_math.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "tests/generator/extended_cases.h"

#ifdef PELMORA_HAS_QUADMATH
#include "tests/generator/quad_reference.h"
#endif

namespace pelmora {
namespace {

float FloatOf(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

TEST(ExtendedMathTest, ExactAndSpecialValues) {
  struct Case {
    const char* what;
    Extended value;
    SoftExtended expected;
  };
  const Case cases[] = {
      {"ln 1", Log(1.0), {0, 0}},
      {"ln 0", Log(0.0), {uint64_t{1} << 63, 0xFFFF}},
      {"ln -0", Log(-0.0), {uint64_t{1} << 63, 0xFFFF}},
      {"ln inf", Log(INFINITY), {uint64_t{1} << 63, 0x7FFF}},
      // ln 2 = 0.B17217F7D1CF79AB C9E3...: the 64-bit significand rounds up.
      {"ln 2", Log(2.0), {0xB17217F7D1CF79ACu, 0x3FFE}},
      {"ln 0.5", Log(0.5), {0xB17217F7D1CF79ACu, 0xBFFE}},
      // The projection's angle: the values the pictures have always been drawn with.
      {"cos 0.7", Cos(0.7), {0xC3CCB294FCEC951Cu, 0x3FFE}},
      {"sin 0.7", Sin(0.7), {0xA4EB734A30CDC035u, 0x3FFE}},
      {"sin -0", Sin(-0.0), {0, 0x8000}},
      {"cos 0", Cos(0.0), {uint64_t{1} << 63, 0x3FFF}},
      // Below 2^-33 the sine is its argument and the cosine 1 once rounded.
      {"sin 1e-20", Sin(1e-20), Extended(1e-20).Bits()},
      {"cos 1e-20", Cos(1e-20), {uint64_t{1} << 63, 0x3FFF}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Same(c.value.Bits(), c.expected))
        << c.what << ": " << Describe(c.value.Bits()) << ", expected " << Describe(c.expected);
  }
  EXPECT_TRUE(IsNaN(Log(-1.0)));
  EXPECT_TRUE(IsNaN(Log(NAN)));
  EXPECT_TRUE(IsNaN(Sin(INFINITY)));
  EXPECT_TRUE(IsNaN(Cos(0x1p53)));
}

// The fast path of the logarithm against the slow one: every interval of its table, in every
// binade of the singles that the polar method feeds it, and doubles anywhere.
TEST(ExtendedMathTest, FastLogarithmMatchesTheSlowPath) {
  std::mt19937_64 rng(14);
  for (int i = 0; i < 20000; ++i) {
    const uint32_t bits = 0x27800000u + static_cast<uint32_t>(rng() % (0x3F800000u - 0x27800000u));
    const float s = FloatOf(bits);
    ASSERT_TRUE(Same(Log(s).Bits(), detail::LogSlow(s))) << s;
    uint64_t b = rng() & 0x7FFFFFFFFFFFFFFFu;
    double x;
    std::memcpy(&x, &b, sizeof x);
    if (std::isnan(x)) continue;
    ASSERT_TRUE(Same(Log(x).Bits(), detail::LogSlow(x))) << x;
  }
  // Next to 1, where ln x is about x - 1.
  for (double x :
       {1 + 0x1p-52, 1 - 0x1p-53, 1 + 0x1p-23, 1 - 0x1p-24, 0x1p-1074, 0x1.fffffffffffffp1023}) {
    EXPECT_TRUE(Same(Log(x).Bits(), detail::LogSlow(x))) << x;
  }
}

#ifdef PELMORA_HAS_QUADMATH
// A sample of what extended_check runs over every single of the polar method and more.
TEST(ExtendedMathTest, LogarithmIsCorrectlyRounded) {
  int undecided = 0;
  for (uint32_t bits = 0x27800000u; bits < 0x3F800000u; bits += 997) {
    const float s = FloatOf(bits);
    const auto expected = RoundQuad(logq(s));
    if (!expected) {
      ++undecided;
      continue;
    }
    ASSERT_TRUE(Same(Log(s).Bits(), *expected))
        << s << ": " << Describe(Log(s).Bits()) << ", expected " << Describe(*expected);
  }
  EXPECT_LT(undecided, 10);
}

TEST(ExtendedMathTest, SineAndCosineAreCorrectlyRounded) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> angle(-100.0, 100.0);
  for (int i = 0; i < 2000; ++i) {
    const double x =
        i % 4 == 0 ? std::ldexp(angle(rng), -static_cast<int>(rng() % 30)) : angle(rng);
    for (const bool cosine : {false, true}) {
      const auto expected = RoundQuad(cosine ? cosq(x) : sinq(x));
      if (!expected) continue;
      const Extended got = cosine ? Cos(x) : Sin(x);
      ASSERT_TRUE(Same(got.Bits(), *expected))
          << (cosine ? "cos " : "sin ") << x << ": " << Describe(got.Bits()) << ", expected "
          << Describe(*expected);
    }
  }
}
#endif

}  // namespace
}  // namespace pelmora
