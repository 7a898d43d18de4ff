// Test helpers that steer the random source to a chosen draw.
#pragma once

#include <cstdint>

#include "generator/random_source.h"

namespace pelmora {

// Sets the state so that the next Next31 returns r (0 <= r < 2^31): the predecessor, under the
// 64-bit step, of a state whose high half is r.
inline void ForceNextNext31(RandomSource& random, int32_t r) {
  constexpr uint64_t kMultiplier = 0x0000015A00004E35ull;
  // The inverse of the odd multiplier modulo 2^64, by Newton's iteration.
  uint64_t inverse = kMultiplier;
  for (int i = 0; i < 6; ++i) inverse *= 2 - kMultiplier * inverse;
  const uint64_t next = static_cast<uint64_t>(static_cast<uint32_t>(r)) << 32;
  const uint64_t previous = (next - 1) * inverse;
  random.StateLow = static_cast<uint32_t>(previous);
  random.StateHigh = static_cast<uint32_t>(previous >> 32);
}

}  // namespace pelmora
