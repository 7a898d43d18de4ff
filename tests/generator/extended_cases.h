// Operands for checking the integer arithmetic of SoftExtended against the x87 unit: values that
// meet at the rounding boundaries (sparse significands, runs of ones, exponents close together),
// subnormals, the edges of the range, zeros, infinities and NaN.
#pragma once

#include <cfloat>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "generator/soft_extended.h"

namespace pelmora {

inline long double AsLongDouble(SoftExtended a) {
  long double x = 0.0L;
  std::memcpy(&x, &a.significand, 8);
  std::memcpy(reinterpret_cast<char*>(&x) + 8, &a.signExponent, 2);
  return x;
}

inline SoftExtended FromLongDoubleBits(long double x) {
  SoftExtended a;
  std::memcpy(&a.significand, &x, 8);
  std::memcpy(&a.signExponent, reinterpret_cast<const char*>(&x) + 8, 2);
  return a;
}

// The bits of a value, sign and exponent then significand, for messages.
inline std::string Describe(SoftExtended a) {
  char text[64];
  std::snprintf(text, sizeof text, "%04x:%016" PRIx64, a.signExponent, a.significand);
  return text;
}

// The same bits.
inline bool Same(SoftExtended a, SoftExtended b) {
  return a.significand == b.significand && a.signExponent == b.signExponent;
}

// The same value, or both NaN (the x87 and the integer arithmetic may pick another NaN).
inline bool SameResult(SoftExtended a, SoftExtended b) {
  if (a.IsNaN() || b.IsNaN()) return a.IsNaN() && b.IsNaN();
  return a.significand == b.significand && a.signExponent == b.signExponent;
}

class OperandSource {
 public:
  explicit OperandSource(uint64_t seed) : rng_(seed) {}

  uint64_t Bits() { return rng_(); }

  // A significand of one of several shapes, without its integer bit.
  uint64_t Fraction() {
    const uint64_t r = rng_();
    switch (rng_() % 6) {
      case 0:
        return r;
      case 1:  // a few bits
        return (uint64_t{1} << (r % 64)) | (uint64_t{1} << ((r >> 8) % 64));
      case 2: {  // a run of ones
        const int length = static_cast<int>(r % 64);
        const int at = static_cast<int>((r >> 8) % 64);
        return length == 0 ? 0 : (~uint64_t{0} >> (64 - length)) << at;
      }
      case 3:
        return 0;
      case 4:  // the significand of a double or a float
        return r & (r % 2 ? 0xFFFFFFFFFFFFF800u : 0xFFFFFF0000000000u);
      default:
        return ~uint64_t{0} ^ (uint64_t{1} << (r % 64));
    }
  }

  SoftExtended Operand() {
    const uint64_t r = rng_();
    const uint16_t sign = (r & 1) ? 0x8000 : 0;
    switch ((r >> 1) % 16) {
      case 0: {  // zeros, infinities, NaN, the edges of the range
        static constexpr SoftExtended kSpecial[] = {
            {0, 0},
            {uint64_t{1} << 63, 0x7FFF},
            {0xC000000000000000u, 0x7FFF},
            {0xC000000000000001u, 0x7FFF},
            {1, 0},
            {~uint64_t{0}, 0x7FFE},
            {uint64_t{1} << 63, 1},
            {~uint64_t{0} >> 1, 0},
        };
        const SoftExtended s = kSpecial[(r >> 8) % 8];
        return {s.significand, static_cast<uint16_t>(s.signExponent | sign)};
      }
      case 1:  // subnormal
        return {Fraction() >> 1, sign};
      case 2:  // anywhere in the range
        return {(uint64_t{1} << 63) | Fraction(),
                static_cast<uint16_t>(sign | (1 + (r >> 8) % 0x7FFE))};
      case 3:  // near the bottom of the normal range
        return {(uint64_t{1} << 63) | Fraction(),
                static_cast<uint16_t>(sign | (1 + (r >> 8) % 140))};
      case 4:  // near the top
        return {(uint64_t{1} << 63) | Fraction(),
                static_cast<uint16_t>(sign | (0x7FFE - (r >> 8) % 140))};
      case 5: {  // an integer
        const int64_t i = static_cast<int64_t>(rng_()) >> (rng_() % 64);
        return soft::FromInt64(i);
      }
      default:  // close to 1, so that sums and differences meet at every distance
        return {(uint64_t{1} << 63) | Fraction(),
                static_cast<uint16_t>(sign | (16383 - 70 + (r >> 8) % 140))};
    }
  }

  double Double() {
    uint64_t bits = rng_();
    if (rng_() % 4 == 0) bits &= 0x800FFFFFFFFFFFFFu | ((rng_() % 4) << 52);  // subnormal, tiny
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }

 private:
  std::mt19937_64 rng_;
};

// Every operation of SoftExtended against the x87 unit for n operand pairs; returns the number
// of mismatches and reports the first few through `report(operation, a, b, soft, x87)`.
template <typename Report>
uint64_t CompareWithX87(uint64_t seed, uint64_t n, Report report) {
  OperandSource source(seed);
  uint64_t mismatches = 0;
  auto check = [&](const char* op, SoftExtended a, SoftExtended b, SoftExtended soft,
                   long double hard) {
    if (SameResult(soft, FromLongDoubleBits(hard))) return;
    if (++mismatches <= 10) report(op, a, b, soft, FromLongDoubleBits(hard));
  };
  auto checkBits = [&](const char* op, SoftExtended a, SoftExtended b, uint64_t soft,
                       uint64_t hard) {
    if (soft == hard) return;
    if (++mismatches <= 10) report(op, a, b, SoftExtended{soft, 0}, SoftExtended{hard, 0});
  };
  for (uint64_t i = 0; i < n; ++i) {
    const SoftExtended a = source.Operand();
    const SoftExtended b = source.Operand();
    const long double x = AsLongDouble(a);
    const long double y = AsLongDouble(b);
    check("+", a, b, soft::Add(a, b, false), x + y);
    check("-", a, b, soft::Add(a, b, true), x - y);
    check("*", a, b, soft::Mul(a, b), x * y);
    check("/", a, b, soft::Div(a, b), x / y);
    check("sqrt", a, b, soft::Sqrt(a), __builtin_sqrtl(x));
    checkBits("==", a, b, a == b, x == y);
    checkBits("<", a, b, a < b, x < y);
    checkBits("<=", a, b, a <= b, x <= y);
    const long double magnitude = x < 0 ? -x : x;
    checkBits("trunc", a, b, static_cast<uint64_t>(soft::Truncate(a)),
              magnitude < 0x1p63L ? static_cast<uint64_t>(static_cast<int64_t>(x)) : 0);
    const float f = static_cast<float>(x);
    uint32_t fBits;
    std::memcpy(&fBits, &f, 4);
    const float softF = soft::ToFloat(a);
    uint32_t softFBits;
    std::memcpy(&softFBits, &softF, 4);
    if (!(f != f && softF != softF)) checkBits("to float", a, b, softFBits, fBits);
    const double d = static_cast<double>(x);
    const double softD = soft::ToDouble(a);
    uint64_t dBits;
    uint64_t softDBits;
    std::memcpy(&dBits, &d, 8);
    std::memcpy(&softDBits, &softD, 8);
    if (!(d != d && softD != softD)) checkBits("to double", a, b, softDBits, dBits);
    const double e = source.Double();
    check("from double", a, b, soft::FromDouble(e), static_cast<long double>(e));
    const auto k = static_cast<int64_t>(source.Bits()) >> (source.Bits() % 64);
    check("from int64", a, b, soft::FromInt64(k), static_cast<long double>(k));
  }
  return mismatches;
}

}  // namespace pelmora
