// Number conventions shared by the generator and the drawing.
//
// Arithmetic that a dataset depends on is written out in Extended (extended.h) and rounded to
// float or double exactly where a value is held so; the build sets -ffp-contract=off so that no
// fused multiply-add skips a rounding of float or double arithmetic.
#pragma once

#include <cstdint>
#include <limits>

#include "generator/extended.h"

static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559,
              "Pelmora needs IEEE 754 single and double precision");

namespace pelmora {

// A real to a signed 32-bit integer: truncation toward zero to a signed 64-bit integer, whose
// low 32 bits, read as signed, are the result. NaN and |x| >= 2^63 give 0. Never fails.
//   350.99 -> 350, -0.5 -> 0, 3000000000 -> -1294967296, 1e10 -> 1410065408.
inline int32_t TruncToInt(Extended x) {
  const int64_t wide = TruncToInt64(x);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
}

// 32-bit signed arithmetic that keeps the low 32 bits, as the file format and the grid labels
// define their sums and products; never undefined behaviour.
inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
// Truncating division; INT32_MIN / -1 wraps to INT32_MIN. REQUIRES: b != 0.
inline int32_t WrapDiv(int32_t a, int32_t b) {
  if (b == -1) return WrapSub(0, a);
  return a / b;
}

// x^p for an integral exponent, by repeated squaring and multiplication in extended precision;
// exact wherever the result fits the 64-bit significand (i^1 and i^2 for every i the system uses).
// A negative exponent gives 1 / x^|p|.
inline Extended PowInt(Extended x, int64_t p) {
  const bool negative = p < 0;
  uint64_t e = negative ? 0 - static_cast<uint64_t>(p) : static_cast<uint64_t>(p);
  Extended result = 1;
  Extended base = x;
  while (e != 0) {
    if (e & 1u) result *= base;
    e >>= 1;
    if (e != 0) base *= base;
  }
  return negative ? Extended(1) / result : result;
}

}  // namespace pelmora
