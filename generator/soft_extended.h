// Extended-precision arithmetic in integers: the x87 80-bit format (a 64-bit significand with an
// explicit integer bit, a 15-bit exponent biased by 16383, a sign), every result rounded to
// nearest, ties to even, exactly as the x87 unit rounds with its precision set to 64 bits:
// subnormal results, infinities, signed zeros and NaN (the x87's default NaN, sign set and
// significand 0xC000000000000000, for an invalid operation; NaN operands come back quieted, the
// first one's if both are NaN, where the x87 keeps the larger significand) included.
//
// `Extended` (extended.h) holds one of these wherever long double is not the x87 format, or with
// PELMORA_SOFT_EXTENDED; on x86 the tests run it against the x87 unit operation by operation.
// Needs a compiler with unsigned __int128 (GCC and Clang on every 64-bit platform).
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace pelmora {

struct SoftExtended {
  uint64_t significand = 0;   // with its explicit integer bit (bit 63)
  uint16_t signExponent = 0;  // sign in bit 15, exponent biased by 16383 in bits 0..14

  constexpr SoftExtended() = default;
  constexpr SoftExtended(uint64_t s, uint16_t se) : significand(s), signExponent(se) {}

  bool sign() const { return (signExponent >> 15) != 0; }
  int32_t exponent() const { return signExponent & 0x7FFF; }
  bool IsNaN() const { return exponent() == 0x7FFF && (significand << 1) != 0; }
  bool IsInf() const { return exponent() == 0x7FFF && (significand << 1) == 0; }
  bool IsZero() const { return exponent() == 0 && significand == 0; }
};

namespace soft {

__extension__ typedef unsigned __int128 U128;

inline constexpr int32_t kBias = 16383;
inline constexpr uint16_t kMaxExponent = 0x7FFF;
inline constexpr uint64_t kTop = uint64_t{1} << 63;

inline SoftExtended Zero(bool sign) {
  return {0, static_cast<uint16_t>(sign ? 0x8000 : 0)};
}
inline SoftExtended Infinity(bool sign) {
  return {kTop, static_cast<uint16_t>((sign ? 0x8000 : 0) | kMaxExponent)};
}
inline SoftExtended DefaultNaN() {
  return {0xC000000000000000u, 0xFFFF};
}
inline SoftExtended Quiet(SoftExtended a) {
  return {a.significand | (kTop >> 1), a.signExponent};
}

inline int CountLeadingZeros(U128 x) {
  const auto high = static_cast<uint64_t>(x >> 64);
  return high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(static_cast<uint64_t>(x));
}

// x >> n with every bit shifted out ORed into bit 0 (n >= 0).
inline U128 ShiftRightJam(U128 x, int n) {
  if (n == 0) return x;
  if (n >= 128) return x != 0 ? 1 : 0;
  return (x >> n) | (((x << (128 - n)) != 0) ? 1 : 0);
}

// The extended value nearest to x * 2^scale (x > 0), ties to even, with subnormal results and
// overflow to infinity.
inline SoftExtended Pack(bool sign, int32_t scale, U128 x) {
  const int lz = CountLeadingZeros(x);
  x <<= lz;
  scale -= lz;
  const int32_t exponent = scale + 127 + kBias;  // the biased exponent of the leading bit
  const uint16_t signBit = sign ? 0x8000 : 0;
  if (exponent >= 1) {
    uint64_t sig = static_cast<uint64_t>(x >> 64);
    const auto rest = static_cast<uint64_t>(x);
    int32_t e = exponent;
    if (rest > kTop || (rest == kTop && (sig & 1) != 0)) {
      if (++sig == 0) {
        sig = kTop;
        ++e;
      }
    }
    if (e >= kMaxExponent) return Infinity(sign);
    return {sig, static_cast<uint16_t>(signBit | e)};
  }
  // Subnormal: the last bit weighs 2^-16445, so the significand is x >> (65 - exponent).
  const int shift = 65 - exponent;
  if (shift > 128) return Zero(sign);
  uint64_t q;
  bool up;
  if (shift == 128) {
    q = 0;
    up = x != (U128{1} << 127);  // above half the least subnormal; exactly half is a tie to 0
  } else {
    q = static_cast<uint64_t>(x >> shift);
    const U128 rest = x & ((U128{1} << shift) - 1);
    const U128 half = U128{1} << (shift - 1);
    up = rest > half || (rest == half && (q & 1) != 0);
  }
  q += up ? 1 : 0;
  // A significand that rounds up to 2^63 is the least normal number, exponent 1.
  return {q, static_cast<uint16_t>(signBit | (q >> 63))};
}

// The significand with its leading bit at bit 63 and the weight of its last bit, 2^weight;
// REQUIRES: a finite non-zero value.
inline uint64_t Normalized(SoftExtended a, int32_t* weight) {
  const int32_t e = a.exponent() == 0 ? 1 : a.exponent();
  const int lz = std::countl_zero(a.significand);
  *weight = e - kBias - 63 - lz;
  return a.significand << lz;
}

inline SoftExtended FromInt64(int64_t x) {
  if (x == 0) return {};
  const bool sign = x < 0;
  const uint64_t magnitude = sign ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
  const int lz = std::countl_zero(magnitude);
  return {magnitude << lz, static_cast<uint16_t>((sign ? 0x8000 : 0) | (kBias + 63 - lz))};
}

inline SoftExtended FromDouble(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  const bool sign = (bits >> 63) != 0;
  const auto e = static_cast<int32_t>((bits >> 52) & 0x7FF);
  const uint64_t m = bits & ((uint64_t{1} << 52) - 1);
  const uint16_t signBit = sign ? 0x8000 : 0;
  if (e == 0x7FF) {
    if (m == 0) return Infinity(sign);
    return {kTop | (kTop >> 1) | (m << 11), static_cast<uint16_t>(signBit | kMaxExponent)};
  }
  if (e == 0) {
    if (m == 0) return Zero(sign);
    const int lz = std::countl_zero(m);  // the value is m * 2^-1074
    return {m << lz, static_cast<uint16_t>(signBit | (kBias + 63 - lz - 1074))};
  }
  return {(m | (uint64_t{1} << 52)) << 11, static_cast<uint16_t>(signBit | (e - 1023 + kBias))};
}

// The bits of the binary format with `precision` significand bits (the hidden one included)
// and `exponentBits` exponent bits nearest to a, ties to even.
template <int precision, int exponentBits>
uint64_t ToBinary(SoftExtended a) {
  constexpr int32_t kFormatBias = (1 << (exponentBits - 1)) - 1;
  constexpr uint64_t kFraction = (uint64_t{1} << (precision - 1)) - 1;
  constexpr uint64_t kInfinity = ((uint64_t{1} << exponentBits) - 1) << (precision - 1);
  const uint64_t signBit = static_cast<uint64_t>(a.sign()) << (precision + exponentBits - 1);
  if (a.IsNaN()) {
    return signBit | kInfinity | (uint64_t{1} << (precision - 2)) |
           ((a.significand << 1) >> (65 - precision));
  }
  if (a.IsInf()) return signBit | kInfinity;
  if (a.IsZero()) return signBit;
  int32_t weight;
  const uint64_t sig = Normalized(a, &weight);
  int32_t e = weight + 63 + kFormatBias;  // the format's biased exponent of the leading bit
  int shift = 64 - precision;
  if (e < 1) shift += 1 - e;       // subnormal: the last bit keeps the format's least weight
  if (shift > 64) return signBit;  // below half the least subnormal
  uint64_t q;
  bool up;
  if (shift == 64) {
    q = 0;
    up = sig != kTop;  // at least half the least subnormal; exactly half is a tie to 0
  } else {
    q = sig >> shift;
    const uint64_t rest = sig & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    up = rest > half || (rest == half && (q & 1) != 0);
  }
  q += up ? 1 : 0;
  if (e < 1) return signBit | q;  // a carry into the exponent field makes the least normal
  if (q >> precision) {
    q >>= 1;
    ++e;
  }
  if (e >= (1 << exponentBits) - 1) return signBit | kInfinity;
  return signBit | (static_cast<uint64_t>(e) << (precision - 1)) | (q & kFraction);
}

inline double ToDouble(SoftExtended a) {
  const uint64_t bits = ToBinary<53, 11>(a);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

inline float ToFloat(SoftExtended a) {
  const auto bits = static_cast<uint32_t>(ToBinary<24, 8>(a));
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// a + b, or a - b when negateB.
inline SoftExtended Add(SoftExtended a, SoftExtended b, bool negateB) {
  if (a.IsNaN() || b.IsNaN()) return Quiet(a.IsNaN() ? a : b);
  const bool signA = a.sign();
  const bool signB = b.sign() != negateB;
  if (a.IsInf()) return b.IsInf() && signA != signB ? DefaultNaN() : a;
  if (b.IsInf()) return Infinity(signB);
  if (b.IsZero()) return a.IsZero() ? Zero(signA && signB) : a;
  if (a.IsZero())
    return {b.significand, static_cast<uint16_t>(b.signExponent ^ (negateB ? 0x8000 : 0))};
  int32_t weightA = (a.exponent() == 0 ? 1 : a.exponent()) - kBias - 63;
  int32_t weightB = (b.exponent() == 0 ? 1 : b.exponent()) - kBias - 63;
  U128 x = U128{a.significand} << 62;
  U128 y = U128{b.significand} << 62;
  bool sign = signA;
  bool otherSign = signB;
  if (weightB > weightA) {
    std::swap(x, y);
    std::swap(weightA, weightB);
    std::swap(sign, otherSign);
  }
  y = ShiftRightJam(y, weightA - weightB);
  if (sign == otherSign) {
    x += y;
  } else if (x >= y) {
    x -= y;
  } else {
    x = y - x;
    sign = otherSign;
  }
  if (x == 0) return {};
  return Pack(sign, weightA - 62, x);
}

inline SoftExtended Mul(SoftExtended a, SoftExtended b) {
  if (a.IsNaN() || b.IsNaN()) return Quiet(a.IsNaN() ? a : b);
  const bool sign = a.sign() != b.sign();
  if (a.IsInf() || b.IsInf()) {
    return a.IsZero() || b.IsZero() ? DefaultNaN() : Infinity(sign);
  }
  if (a.IsZero() || b.IsZero()) return Zero(sign);
  const int32_t weightA = (a.exponent() == 0 ? 1 : a.exponent()) - kBias - 63;
  const int32_t weightB = (b.exponent() == 0 ? 1 : b.exponent()) - kBias - 63;
  return Pack(sign, weightA + weightB, U128{a.significand} * b.significand);
}

inline SoftExtended Div(SoftExtended a, SoftExtended b) {
  if (a.IsNaN() || b.IsNaN()) return Quiet(a.IsNaN() ? a : b);
  const bool sign = a.sign() != b.sign();
  if (a.IsInf()) return b.IsInf() ? DefaultNaN() : Infinity(sign);
  if (b.IsInf()) return Zero(sign);
  if (b.IsZero()) return a.IsZero() ? DefaultNaN() : Infinity(sign);
  if (a.IsZero()) return Zero(sign);
  int32_t weightA;
  int32_t weightB;
  const uint64_t x = Normalized(a, &weightA);
  const uint64_t y = Normalized(b, &weightB);
  // Two 64-bit digits of x * 2^127 / y, then whether anything remains.
  const U128 numerator = U128{x} << 63;
  const auto high = static_cast<uint64_t>(numerator / y);
  const auto remainder = static_cast<uint64_t>(numerator % y);
  const U128 next = U128{remainder} << 64;
  const auto low = static_cast<uint64_t>(next / y);
  const bool inexact = next % y != 0;
  const U128 quotient = (U128{high} << 64) | low | (inexact ? 1 : 0);
  return Pack(sign, weightA - weightB - 127, quotient);
}

inline SoftExtended Sqrt(SoftExtended a) {
  if (a.IsNaN()) return Quiet(a);
  if (a.IsZero()) return a;
  if (a.sign()) return DefaultNaN();
  if (a.IsInf()) return a;
  int32_t weight;
  const uint64_t x = Normalized(a, &weight);
  // n = x * 2^k in [2^126, 2^128) with weight - k even; sqrt(a) = sqrt(n) * 2^((weight - k) / 2).
  const int k = ((weight - 63) & 1) == 0 ? 63 : 64;
  const U128 n = U128{x} << k;
  const double estimate = std::sqrt(static_cast<double>(n));
  uint64_t q = estimate >= 0x1p64 ? ~uint64_t{0} : static_cast<uint64_t>(estimate);
  // One Newton step: within one of the root.
  const U128 step = (U128{q} + n / q) >> 1;
  q = step > ~uint64_t{0} ? ~uint64_t{0} : static_cast<uint64_t>(step);
  while (U128{q} * q > n) --q;
  while (q != ~uint64_t{0} && U128{q + 1} * (q + 1) <= n) ++q;
  // sqrt(n) > q + 1/2 exactly when n - q^2 > q (n is an integer, (q + 1/2)^2 is not).
  const U128 root = U128{q} + (n - U128{q} * q > q ? 1 : 0);
  return Pack(false, (weight - k) / 2, root);
}

// Truncation toward zero; 0 for NaN and for |a| >= 2^63.
inline int64_t Truncate(SoftExtended a) {
  const int32_t unbiased = a.exponent() - kBias;
  if (a.IsNaN() || unbiased >= 63 || unbiased < 0) return 0;
  const uint64_t magnitude = a.significand >> (63 - unbiased);
  return a.sign() ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

inline bool Equal(SoftExtended a, SoftExtended b) {
  if (a.IsNaN() || b.IsNaN()) return false;
  if (a.IsZero() && b.IsZero()) return true;
  return a.significand == b.significand && a.signExponent == b.signExponent;
}

inline bool Less(SoftExtended a, SoftExtended b) {
  if (a.IsNaN() || b.IsNaN()) return false;
  if (a.IsZero() && b.IsZero()) return false;
  if (a.sign() != b.sign()) return a.sign();
  const bool below =
      a.exponent() != b.exponent() ? a.exponent() < b.exponent() : a.significand < b.significand;
  const bool same = a.exponent() == b.exponent() && a.significand == b.significand;
  return !same && below != a.sign();
}

inline long double ToLongDouble(SoftExtended a) {
  if (a.IsNaN()) return a.sign() ? -NAN : NAN;
  if (a.IsInf()) return a.sign() ? -HUGE_VALL : HUGE_VALL;
  if (a.IsZero()) return a.sign() ? -0.0L : 0.0L;
  int32_t weight;
  const uint64_t sig = Normalized(a, &weight);
  const long double magnitude = std::ldexp(static_cast<long double>(sig), weight);
  return a.sign() ? -magnitude : magnitude;
}

}  // namespace soft

// The operators of a number type, so that Extended holds either representation alike.
inline SoftExtended operator+(SoftExtended a, SoftExtended b) {
  return soft::Add(a, b, false);
}
inline SoftExtended operator-(SoftExtended a, SoftExtended b) {
  return soft::Add(a, b, true);
}
inline SoftExtended operator*(SoftExtended a, SoftExtended b) {
  return soft::Mul(a, b);
}
inline SoftExtended operator/(SoftExtended a, SoftExtended b) {
  return soft::Div(a, b);
}
inline SoftExtended operator-(SoftExtended a) {
  return {a.significand, static_cast<uint16_t>(a.signExponent ^ 0x8000)};
}
inline bool operator==(SoftExtended a, SoftExtended b) {
  return soft::Equal(a, b);
}
inline bool operator<(SoftExtended a, SoftExtended b) {
  return soft::Less(a, b);
}
inline bool operator<=(SoftExtended a, SoftExtended b) {
  return soft::Less(a, b) || soft::Equal(a, b);
}

}  // namespace pelmora
