#include "generator/distributions.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "generator/extended_math.h"
#include "generator/numeric.h"

namespace pelmora {

namespace {

// u of UniformReal: r / 2^31 rounded to single, drawn again when that is 0 or 1. Rounding r to
// single and then scaling by the power of two 2^-31 is the same one rounding of r / 2^31.
float UnitDraw(RandomSource& random) {
  float u;
  do {
    const int32_t r = random.Next31() % 0x7FFFFFFF;  // a draw of 2^31 - 1 gives 0
    u = static_cast<float>(r) * 0x1p-31f;
  } while (u == 0.0f || u == 1.0f);
  return u;
}

// Sums of exact double products, rounded first to extended and then to single: the single of
// the double nearest to the sum is the same single whenever that double lies more than one of
// its units from every midpoint between two neighbouring singles (the sum and its extended
// rounding lie within half a unit of the double, on the same side of every midpoint). Then the
// single comes from the double; otherwise, or outside the normal singles, none does.
bool SingleOfNearestDouble(double nearest, float* single) {
  uint64_t bits;
  std::memcpy(&bits, &nearest, sizeof bits);
  const uint64_t exponent = (bits >> 52) & 0x7FF;
  if (exponent < 1023 - 126 || exponent > 1023 + 126) return false;
  // The 29 bits a single drops: 0x10000000 is the midpoint.
  const uint64_t dropped = bits & 0x1FFFFFFF;
  if (dropped - 0x0FFFFFFF <= 2) return false;
  *single = static_cast<float>(nearest);
  return true;
}

// UniformReal(-1, 1), which the polar method draws in pairs. 2u - 1 is exact in double (u is a
// multiple of 2^-31), so its one rounding to single is that of the extended-precision result.
float SymmetricUnit(RandomSource& random) {
  return static_cast<float>(2.0 * static_cast<double>(UnitDraw(random)) - 1.0);
}

}  // namespace

float UniformReal(RandomSource& random, float a, float b) {
  const float u = UnitDraw(random);
  const Extended difference = Extended(b) - Extended(a);
  const Extended product = difference * u;
  return static_cast<float>(product + a);
}

PolarPoint DrawPolarPoint(RandomSource& random) {
  for (;;) {
    PolarPoint point;
    point.w1 = SymmetricUnit(random);
    point.w2 = SymmetricUnit(random);
    point.s = SumOfSquares(point.w1, point.w2);
    // s = 0 (both uniforms exactly 0, about one pair in 5e14) has no logarithm: draw anew too.
    if (point.s < 1.0f && point.s != 0.0f) return point;
  }
}

std::array<float, 2> PolarDeviates(const PolarPoint& point) {
  const Extended logarithm = Log(static_cast<double>(point.s));
  const double f = static_cast<double>(logarithm * -2 / point.s);
  const Extended root = Sqrt(f);
  return {static_cast<float>(root * point.w1), static_cast<float>(root * point.w2)};
}

std::array<float, 2> GaussianPair(RandomSource& random) {
  return PolarDeviates(DrawPolarPoint(random));
}

float GaussianDeviate(RandomSource& random) {
  return GaussianPair(random)[0];
}

float SumOfSquares(float a, float b) {
  // Each square of a single is exact in a double.
  const double a2 = static_cast<double>(a) * a;
  const double b2 = static_cast<double>(b) * b;
  float s;
  if (SingleOfNearestDouble(a2 + b2, &s)) return s;
  return static_cast<float>(Extended(a2) + b2);
}

int32_t GaussianFromDeviate(float z, float mean, float sigma) {
  // The product of two singles is exact in a double.
  const double product = static_cast<double>(z) * sigma;
  float g;
  if (!SingleOfNearestDouble(product + mean, &g)) g = static_cast<float>(Extended(product) + mean);
  return TruncToInt(g);
}

int32_t GaussianInt(RandomSource& random, float mean, float sigma) {
  return GaussianFromDeviate(GaussianDeviate(random), mean, sigma);
}

namespace {

// The term 1/i^p of both running sums, in extended precision.
Extended SkewTerm(int64_t i, int32_t p) {
  return Extended(1) / PowInt(i, p);
}

}  // namespace

SkewedLaw::SkewedLaw(int32_t p, float n) {
  if (p < 1) return;
  // The single-precision total over 1 <= i <= n (compared as reals). The terms shrink, and
  // rounding is monotonic, so once a term no longer moves the total no later term does: the
  // loop may stop there with the same total as the full loop (for p = 2 at i = 4096).
  float total = 0.0f;
  for (int64_t i = 1; Extended(i) <= n; ++i) {
    const float next = static_cast<float>(Extended(total) + SkewTerm(i, p));
    if (next == total) break;
    total = next;
  }
  total_ = total;

  // Running sums in double until they reach the total, beyond every target u * total (u < 1).
  // Should the double sum stop growing first (possible only for p >= 3), the search ends there.
  const double goal = total_;
  double acc = 1.0;
  acc_.push_back(acc);
  for (int64_t r = 2; acc < goal; ++r) {
    const double next = static_cast<double>(Extended(acc) + SkewTerm(r, p));
    if (next == acc) break;
    acc = next;
    acc_.push_back(acc);
  }

  // About one bucket per sum, so that a search looks at a few neighbouring sums.
  if (acc_.size() < 64 || !(total_ > 0.0f)) return;
  const size_t buckets = std::bit_ceil(acc_.size());
  guideScale_ = static_cast<double>(buckets) / goal;
  guide_.assign(buckets + 2, static_cast<uint32_t>(acc_.size()));
  size_t index = 0;
  for (uint32_t bucket = 0; bucket <= buckets; ++bucket) {
    while (index < acc_.size() && Bucket(acc_[index]) < bucket) ++index;
    guide_[bucket] = static_cast<uint32_t>(index);
  }
}

uint32_t SkewedLaw::Bucket(double target) const {
  // The rounded product is monotonic in target, and so is its clamp to the last bucket.
  const double scaled = target * guideScale_;
  const auto last = static_cast<double>(guide_.size() - 2);
  return scaled >= last ? static_cast<uint32_t>(last) : static_cast<uint32_t>(scaled);
}

int32_t SkewedLaw::Rank(double target) const {
  auto from = acc_.begin();
  auto to = acc_.end();
  if (!guide_.empty()) {
    const uint32_t bucket = Bucket(target);
    to = acc_.begin() + guide_[bucket + 1];
    from = acc_.begin() + guide_[bucket];
  }
  // The smallest r whose running sum reaches the target: the first r at which the literal
  // search (r := r + 1 while acc < target) stops.
  const auto it = std::lower_bound(from, to, target);
  const auto index = it == acc_.end() ? acc_.size() - 1 : static_cast<size_t>(it - acc_.begin());
  return static_cast<int32_t>(index + 1);
}

int32_t SkewedLaw::Draw(RandomSource& random) const {
  // UniformReal(0, 1) is its u unchanged: (1 - 0) x u + 0 is exact in every precision.
  const float u = UnitDraw(random);
  if (acc_.empty()) return 1;
  // The product of two singles is exact in a double.
  return Rank(static_cast<double>(u) * static_cast<double>(total_));
}

int32_t SkewedInt(RandomSource& random, int32_t p, float n) {
  return SkewedLaw(p, n).Draw(random);
}

CoordinateLaw::CoordinateLaw(int32_t kind, int32_t n, float param1, float param2)
    : kind_(kind), n_(n), param1_(param1), param2_(param2) {
  if (kind_ == kSkewed) skewed_.emplace(TruncToInt(param1_), static_cast<float>(n_));
}

int32_t CoordinateLaw::Draw(RandomSource& random) const {
  switch (kind_) {
    case kUniform:
      if (n_ == 0) return 1;
      return WrapAdd(random.Below(n_), 1);
    case kGauss:
      return ClampGaussian(GaussianInt(random, param1_, param2_), n_);
    case kSkewed:
      return skewed_->Draw(random);
    default:
      return 0;
  }
}

int32_t DrawCoordinate(RandomSource& random, int32_t kind, int32_t n, float param1, float param2) {
  return CoordinateLaw(kind, n, param1, param2).Draw(random);
}

}  // namespace pelmora
