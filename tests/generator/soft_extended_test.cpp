#include "generator/soft_extended.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

#include "generator/extended.h"
#include "tests/generator/extended_cases.h"

namespace pelmora {
namespace {

// Four million operand pairs through every operation; extended_check runs hundreds of millions.
TEST(SoftExtendedTest, EveryOperationMatchesTheX87Unit) {
  const uint64_t mismatches = CompareWithX87(
      14, 4'000'000,
      [](const char* op, SoftExtended a, SoftExtended b, SoftExtended soft, SoftExtended x87) {
        ADD_FAILURE() << op << " of " << Describe(a) << " and " << Describe(b) << ": "
                      << Describe(soft) << ", the x87 unit " << Describe(x87);
      });
  EXPECT_EQ(mismatches, 0u);
}

TEST(SoftExtendedTest, EveryFloatConvertsAsOnTheX87Unit) {
  // Every 2^12-th single, all signs and exponents, through float -> extended -> float and double.
  for (uint64_t bits = 0; bits < (uint64_t{1} << 32); bits += 4093) {
    const auto b = static_cast<uint32_t>(bits);
    float f;
    std::memcpy(&f, &b, 4);
    const SoftExtended a = soft::FromDouble(f);
    if (f != f) {
      EXPECT_TRUE(a.IsNaN());
      continue;
    }
    ASSERT_TRUE(SameResult(a, FromLongDoubleBits(f))) << b;
    ASSERT_EQ(soft::ToFloat(a), f) << b;
  }
}

TEST(SoftExtendedTest, RoundsTiesToEven) {
  struct Case {
    SoftExtended a;
    SoftExtended b;
    SoftExtended sum;
  };
  const SoftExtended one{uint64_t{1} << 63, 16383};
  const Case cases[] = {
      // 1 + 2^-64: exactly half an ulp above 1, to the even 1.
      {one, {uint64_t{1} << 63, 16383 - 64}, one},
      // (1 + 2^-63) + 2^-64: half an ulp above an odd significand, up to 1 + 2^-62.
      {{(uint64_t{1} << 63) | 1, 16383},
       {uint64_t{1} << 63, 16383 - 64},
       {(uint64_t{1} << 63) | 2, 16383}},
      // 1 + (2^-64 + 2^-127): above half, up.
      {one, {(uint64_t{1} << 63) | 1, 16383 - 64}, {(uint64_t{1} << 63) | 1, 16383}},
      // The largest significand plus half an ulp carries into the exponent.
      {{~uint64_t{0}, 16383}, {uint64_t{1} << 63, 16383 - 64}, {uint64_t{1} << 63, 16384}},
  };
  for (const Case& c : cases) {
    const SoftExtended sum = soft::Add(c.a, c.b, false);
    EXPECT_TRUE(SameResult(sum, c.sum))
        << Describe(c.a) << " + " << Describe(c.b) << " = " << Describe(sum);
  }
  // Subnormal results: half the least subnormal is a tie to 0, a little more rounds up.
  const SoftExtended least{1, 0};
  const SoftExtended half{uint64_t{1} << 63, 0};  // 0.5 as a normal number
  EXPECT_TRUE(SameResult(soft::Mul(least, half), SoftExtended{0, 0}));
  EXPECT_TRUE(SameResult(soft::Mul(least, {(uint64_t{1} << 63) | 1, 16382}), least));
}

}  // namespace
}  // namespace pelmora
