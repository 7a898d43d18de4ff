// The elementary functions of extended precision: the natural logarithm, the sine and the cosine
// of a double argument, each correctly rounded to the 64-bit significand (to nearest, ties to
// even; no tie arises for these functions). One mathematically defined result on every platform,
// computed in integer arithmetic: neither a C library's logl nor an x87 transcendental
// instruction takes part, so the x87 build and the integer build agree bit for bit.
//
// Log: a table and a 128-bit series give the result with an error far below a unit in the last
// place; only when that result lies too close to a rounding boundary to decide, the slow path
// computes it again with as many digits as it takes. Sin and Cos, needed once per redraw, always
// take the slow path.
#pragma once

#include "generator/extended.h"

namespace pelmora {

// ln(x). Log(1) = +0, Log(+-0) = -infinity, Log(x < 0) = NaN, Log(+infinity) = +infinity.
Extended Log(double x);

// Sine and cosine of an angle in radians. Angles of 2^53 or more in magnitude, infinities and
// NaN give NaN; Sin(-0) = -0.
Extended Sin(double x);
Extended Cos(double x);

namespace detail {
// The slow paths by themselves, for the tests: the same results as Log, Sin and Cos.
SoftExtended LogSlow(double x);
SoftExtended SinCosSlow(double x, bool cosine);
}  // namespace detail

}  // namespace pelmora
