// The one pseudo-random generator of the process, fixed bit for bit: every dataset and every
// random colour follows from it, so other constants or another generator would make other files
// from the same seed.
//
// Two linear congruential generators share one state. Next15 steps the 32-bit state StateLow;
// Next31 steps the 64-bit state S = StateHigh * 2^32 + StateLow. A draw of either width therefore
// changes every later draw of the other. Seed sets both halves, so what follows Seed(s) depends
// on s alone.
#pragma once

#include <cstdint>

namespace pelmora {

struct RandomSource {
  uint32_t StateLow = 0;   // the low half of S; the whole state of Next15
  uint32_t StateHigh = 0;  // the high half of S; only Next31 reads and writes it

  // A new source is seeded, as the process is at start: RandomSource() equals Seed(1).
  explicit RandomSource(uint32_t seed = 1) { Seed(seed); }

  // StateLow := s, StateHigh := 0, then one Next15 whose value is discarded.
  void Seed(uint32_t s) {
    StateLow = s;
    StateHigh = 0;
    Next15();
  }

  // StateLow := StateLow * 22695477 + 1 (mod 2^32); returns bits 16..30 of it, 0..32767.
  int32_t Next15() {
    StateLow = StateLow * 0x015A4E35u + 1u;
    return static_cast<int32_t>((StateLow >> 16) & 0x7FFFu);
  }

  // S := S * 0x0000015A00004E35 + 1 (mod 2^64); returns bits 32..62 of S, 0..2147483647.
  int32_t Next31() {
    uint64_t s = (static_cast<uint64_t>(StateHigh) << 32) | StateLow;
    s = s * 0x0000015A00004E35ull + 1u;
    StateLow = static_cast<uint32_t>(s);
    StateHigh = static_cast<uint32_t>(s >> 32);
    return static_cast<int32_t>(StateHigh & 0x7FFFFFFFu);
  }

  // 0 for n = 0 without a draw; otherwise Next31 mod n with the sign of the (never negative)
  // draw: 0..|n|-1. No rejection against the bias of the remainder.
  int32_t Below(int32_t n) {
    if (n == 0) return 0;
    const int32_t r = Next31();
    return r % n;  // r >= 0, so never INT32_MIN % -1
  }
};

// The current time in whole seconds since 1970-01-01 00:00:00 UTC, or -1 when the clock reads
// before 1970 or past 2038-01-19 03:14:07 UTC (the largest signed 32-bit count).
int32_t ClockSeconds();

}  // namespace pelmora
