// The draws of the distribution families, without formatting: 2D low corners per second for
// each point family beside the uniform law, and parcel boxes per second.
#include <benchmark/benchmark.h>

#include <optional>

#include "generator/distributions.h"
#include "generator/families.h"

namespace pelmora {
namespace {

constexpr int32_t kWorld[3] = {1000, 1000, 1000};

// 2D low corners; arg: the kind (0 uniform, 1 gauss, 3..6 the point families).
void BM_LowCorners(benchmark::State& benchState) {
  const auto kind = static_cast<int32_t>(benchState.range(0));
  RandomSource random(1);
  const CoordinateLaw law(kind, kWorld[0], 500.0f, 100.0f);
  std::optional<PointFamily> family;
  if (IsFamily(kind)) family.emplace(kind, FamilySettings(), 2, random);
  int32_t low[3] = {0, 0, 0};
  for (auto _ : benchState) {
    if (family) {
      benchmark::DoNotOptimize(family->Draw(random, kWorld, low));
    } else {
      low[0] = law.Draw(random);
      low[1] = law.Draw(random);
    }
    benchmark::DoNotOptimize(low);
  }
  benchState.SetItemsProcessed(benchState.iterations());
}
BENCHMARK(BM_LowCorners)->ArgName("kind")->DenseRange(0, 1)->DenseRange(3, 6);

// 2D parcel boxes; arg: the box count of the tree.
void BM_ParcelBoxes(benchmark::State& benchState) {
  const int64_t count = benchState.range(0);
  int32_t low[3];
  int32_t high[3];
  for (auto _ : benchState) {
    RandomSource random(1);
    ParcelBoxes parcel(FamilySettings(), 2, kWorld, count, false);
    while (parcel.Next(random, low, high)) benchmark::DoNotOptimize(low);
  }
  benchState.SetItemsProcessed(benchState.iterations() * count);
}
BENCHMARK(BM_ParcelBoxes)->Arg(1 << 16)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelmora

BENCHMARK_MAIN();
