// The library's generation as a program calling it sees it: boxes per second through the
// per-box callback and into a std::vector, no text formatted.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "pelmora/generate.h"

namespace pelmora {
namespace {

// args: box count, distribution (0 uniform, 1 Gauss, 2 skewed); 3D with the default world.
Settings BenchSettings(const benchmark::State& state) {
  Settings settings;
  settings.boxes = static_cast<int32_t>(state.range(0));
  settings.distribution = static_cast<Distribution>(state.range(1));
  return settings;
}

void BM_GenerateCallback(benchmark::State& state) {
  const Settings settings = BenchSettings(state);
  for (auto _ : state) {
    int64_t sum = 0;
    const Status status = Generate(settings, [&sum](const Box& box) {
      sum += box.low[0];
      return true;
    });
    if (!status.ok()) state.SkipWithError(status.message().c_str());
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * settings.boxes);
}
BENCHMARK(BM_GenerateCallback)
    ->ArgNames({"boxes", "dist"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({100000, 2})
    ->Unit(benchmark::kMillisecond);

void BM_GenerateBoxes(benchmark::State& state) {
  const Settings settings = BenchSettings(state);
  std::vector<Box> boxes;
  for (auto _ : state) {
    const Status status = GenerateBoxes(settings, &boxes);
    if (!status.ok()) state.SkipWithError(status.message().c_str());
    benchmark::DoNotOptimize(boxes.data());
  }
  state.SetItemsProcessed(state.iterations() * settings.boxes);
}
BENCHMARK(BM_GenerateBoxes)
    ->ArgNames({"boxes", "dist"})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelmora

BENCHMARK_MAIN();
