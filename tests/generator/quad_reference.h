// A reference for the correctly rounded logarithm, sine and cosine: libquadmath's 113-bit
// results rounded to a 64-bit significand, where they lie far enough from a rounding boundary
// for that rounding to be certain.
#pragma once

#include <quadmath.h>

#include <cstdint>
#include <optional>

#include "generator/soft_extended.h"

namespace pelmora {

// The 64-bit rounding of q, or nothing when q lies within 2^-44 units of the last place of a
// tie (libquadmath is accurate to about 2^-49 of them).
inline std::optional<SoftExtended> RoundQuad(__float128 q) {
  if (q == 0) return SoftExtended{};
  int e;
  const __float128 m = frexpq(fabsq(q), &e);  // |q| = m * 2^e, m in [0.5, 1)
  const __float128 scaled = ldexpq(m, 64);    // in [2^63, 2^64)
  const __float128 whole = floorq(scaled);
  const __float128 fraction = scaled - whole;
  if (fabsq(fraction - 0.5) < ldexpq(1, -44)) return std::nullopt;
  const __float128 rounded = fraction > 0.5 ? whole + 1 : whole;
  const auto significand = static_cast<unsigned __int128>(rounded);
  if (significand >> 64) {  // rounded up to 2^64
    return SoftExtended{uint64_t{1} << 63,
                        static_cast<uint16_t>((q < 0 ? 0x8000 : 0) | (16383 + e))};
  }
  return SoftExtended{static_cast<uint64_t>(significand),
                      static_cast<uint16_t>((q < 0 ? 0x8000 : 0) | (16383 + e - 1))};
}

}  // namespace pelmora
