// Settings that make a run slow in a fuzz build, and how often fuzzers may run them.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>

#include "generator/box_table.h"
#include "generator/distributions.h"
#include "generator/generation_run.h"
#include "generator/str_to_float.h"

namespace pelmora {

// The chance that one attempt fits on one axis, roughly, from the laws of the extent and of the
// position: 0 where no attempt can fit.
inline double AxisChance(const GeneratorControls& c, int32_t axis,
                         const std::optional<Extended>& mean,
                         const std::optional<Extended>& sigma) {
  const int32_t worlds[3] = {c.spWorldX.value, c.spWorldY.value, c.spWorldZ.value};
  const int32_t highs[3] = {c.spHighX, c.spHighY, c.spHighZ};
  const double w = worlds[axis];
  const double h = highs[axis];
  if (w <= 1) return 0.0;
  // Extents: fixed h, or (variable) 1..|h|, 1 for h = 0.
  double smallest = h;
  double largest = h;
  if (c.cbBoxSize) {
    smallest = 1.0;
    largest = h == 0 ? 1.0 : std::fabs(h);
  } else if (h < 0 || (h == 0 && c.cbVarBoxSize)) {
    return 0.0;  // high below low, or a zero size where none is allowed
  }
  const double fitting = std::min(largest, w - 1) - smallest + 1;
  const double extentChance = std::clamp(fitting / (largest - smallest + 1), 0.0, 1.0);
  if (c.rgDimension == 2) return extentChance;  // a 3D box is moved back inside instead
  const double extent = c.cbBoxSize ? (1 + std::min(largest, w - 1)) / 2 : h;
  const double room = w - extent;  // positions 1..room fit
  if (room < 1) return 0.0;
  double positionChance = 1.0;
  if (c.rbDist == kUniform) positionChance = room / w;
  if (c.rbDist == kGauss && mean && sigma && Abs(*mean) < 0x1p31) {
    const double m = static_cast<double>(*mean);
    const double deviation = std::fabs(static_cast<double>(*sigma));
    positionChance = deviation == 0 ? (std::trunc(m) <= room ? 1.0 : 0.0)
                                    : 0.5 * std::erfc((m - room) / (deviation * std::sqrt(2.0)));
  }
  return extentChance * positionChance;
}

// Settings under which box 1 cannot be placed, or only after very many attempts, or whose laws
// take long to build: such a run costs up to a few seconds here (kMaxAttemptsPerBox draws of
// instrumented code) where others take a millisecond. A heuristic, not an oracle: it only
// decides how often such settings run (SlowRunBudget).
inline bool LikelySlow(const GeneratorControls& c) {
  if (c.rgDimension < 0 || c.rgDimension > 2 || c.rbDist < 0 || c.rbDist > 2) return false;
  if (c.spBoxes.value <= 0 || c.spBoxes.value > BoxTable::kCapacity) return false;
  if (c.spHighX >= c.spWorldX.value || c.spHighY >= c.spWorldY.value ||
      c.spHighZ >= c.spWorldZ.value) {
    return false;  // refused at once
  }
  const auto mean = TryStrToFloat(c.edMean, c.decimalSeparator);
  const auto sigma = TryStrToFloat(c.edSigma, c.decimalSeparator);
  const int32_t worlds[3] = {c.spWorldX.value, c.spWorldY.value, c.spWorldZ.value};
  double chance = 1.0;
  for (int32_t axis = 0; axis <= c.rgDimension; ++axis) {
    // The skewed law of exponent 1 sums about two million terms for a world that large.
    if (c.rbDist == kSkewed && c.rgExponent == 0 && worlds[axis] > (1 << 20)) return true;
    chance *= AxisChance(c, axis, mean, sigma);
  }
  return chance < 1e-3;
}

// Whether likely slow settings may run now: the first time in a process always, so that any
// such input replays alone; after that only while they have taken at most a tenth of the time
// since that first run.
class SlowRunBudget {
 public:
  bool Allowed() const {
    if (!started_) return true;
    return spent_ * 10 <= Clock::now() - start_;
  }
  void Spent(std::chrono::steady_clock::duration duration) {
    if (!started_) start_ = Clock::now() - duration;
    started_ = true;
    spent_ += duration;
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool started_ = false;
  Clock::time_point start_;
  Clock::duration spent_{0};
};

}  // namespace pelmora
