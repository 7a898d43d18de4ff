// The coordinate distributions: every position and extent of a box is one draw of these.
//
// Each step is held in the precision it names (single, double or extended); a value rounded in
// one place and not in another changes which boxes a seed makes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "generator/random_source.h"

namespace pelmora {

// Distribution kinds: 0 to 2 are the items of the window's distribution choice; 3 to 7 are the
// families of pelmora-gen and the library (generator/families.h).
enum DistributionKind : int32_t {
  kUniform = 0,
  kGauss = 1,
  kSkewed = 2,
  kDiagonal = 3,
  kBit = 4,
  kSierpinski = 5,
  kClustered = 6,
  kParcel = 7,
};

// A single strictly between a and b before the final rounding, which can make it equal a bound.
// Draws one Next31, and again on the rare draws whose quotient rounds to 0 or 1.
float UniformReal(RandomSource& random, float a, float b);

// The polar method in two steps: the draws, then the arithmetic, which draws nothing (so a run
// may draw points in order and turn them into deviates anywhere).
// PolarPoint: UniformReal(-1, 1) pairs w1, w2, drawn again until s = w1^2 + w2^2 (extended,
// rounded to single) lies inside the unit circle, and is not 0.
struct PolarPoint {
  float w1 = 0.0f;
  float w2 = 0.0f;
  float s = 0.5f;
};
PolarPoint DrawPolarPoint(RandomSource& random);

// Both standard normal deviates of a polar point: w1 x sqrt(f) and w2 x sqrt(f) for
// f = -2 ln(s) / s (extended, rounded to double), each product in extended precision rounded to
// single.
std::array<float, 2> PolarDeviates(const PolarPoint& point);

// Both deviates of one pair of the polar method: PolarDeviates(DrawPolarPoint(random)).
std::array<float, 2> GaussianPair(RandomSource& random);

// The first deviate of GaussianPair: z of GaussianInt.
float GaussianDeviate(RandomSource& random);

// A normally distributed integer, TruncToInt(z x sigma + mean) for z = GaussianDeviate, the
// product and sum in extended precision and rounded to single; not clamped.
int32_t GaussianInt(RandomSource& random, float mean, float sigma);

// GaussianInt's arithmetic for one deviate z.
int32_t GaussianFromDeviate(float z, float mean, float sigma);

// a x a + b x b in extended precision, rounded to single: the s of the polar method.
float SumOfSquares(float a, float b);

// A coordinate of kind 1 in 1..n from GaussianInt's value k: 1 for k <= 0, else min(k, n).
inline int32_t ClampGaussian(int32_t k, int32_t n) {
  return k <= 0 ? 1 : (k < n ? k : n);
}

// The law of SkewedInt for one exponent p and world size n: P(r) proportional to 1/r^p, found
// by inverting the running sum. What depends only on (p, n) is computed once here:
//   total - the single-precision sum of 1/i^p over 1 <= i <= n, rounded after every addition;
//   acc   - the double-precision running sums 1, 1 + 1/2^p, ..., rounded after every addition,
//           as far as the largest target u * total needs.
// Draw then takes one UniformReal and searches acc, giving the result of the literal loop.
// REQUIRES: p >= 1 (the system uses 1 and 2). Outside that the result is 1 after the draw.
class SkewedLaw {
 public:
  SkewedLaw(int32_t p, float n);

  int32_t Draw(RandomSource& random) const;
  float total() const { return total_; }

  // The result for one target u * total: the smallest r whose running sum reaches target, or
  // the last r the sums were formed for when none does. REQUIRES: target >= 0 and not NaN.
  int32_t Rank(double target) const;

 private:
  float total_ = 0.0f;
  std::vector<double> acc_;  // acc_[r - 1] is the running sum up to r
  // A guide into acc_: the target range [0, total) cut into equal buckets, Bucket(target) its
  // bucket, and guide_[b] the first index whose sum lies in bucket b or a later one. Bucket is
  // monotonic, so every sum before guide_[b] is below any target of bucket b, and the sum at
  // guide_[b + 1] above it: the search of a target stays between those two. Empty for a short
  // acc_, which is searched whole.
  uint32_t Bucket(double target) const;
  std::vector<uint32_t> guide_;
  double guideScale_ = 0.0;  // buckets per unit of target
};

// An integer >= 1 with probability proportional to 1/r^p, up to about n; not clamped to n.
// Builds the law anew; a run that draws often keeps a SkewedLaw or CoordinateLaw instead.
int32_t SkewedInt(RandomSource& random, int32_t p, float n);

// One coordinate law (kind, n, param1, param2) with what it can compute ahead:
//   kind 0: Below(n) + 1, 1..n; 1 for n = 0 without a draw;
//   kind 1: GaussianInt(param1, param2) clamped into 1..n;
//   kind 2: SkewedInt(TruncToInt(param1), n as a single), not clamped;
//   other : 0 without a draw.
class CoordinateLaw {
 public:
  CoordinateLaw(int32_t kind, int32_t n, float param1, float param2);

  int32_t Draw(RandomSource& random) const;

 private:
  int32_t kind_;
  int32_t n_;
  float param1_;
  float param2_;
  std::optional<SkewedLaw> skewed_;  // for kind 2 only
};

// A coordinate of the given law, built anew for this one draw.
int32_t DrawCoordinate(RandomSource& random, int32_t kind, int32_t n, float param1, float param2);

}  // namespace pelmora
