// The bits of an extended-precision real in the x87 80-bit format.
#pragma once

#include <cstdint>

namespace pelmora {

struct SoftExtended {
  uint64_t significand = 0;   // with its explicit integer bit (bit 63)
  uint16_t signExponent = 0;  // sign in bit 15, exponent biased by 16383 in bits 0..14
};

}  // namespace pelmora
