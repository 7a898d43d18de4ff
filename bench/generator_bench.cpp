// Whole generation runs, file included, at the largest settings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "generator/distributions.h"
#include "generator/generation_run.h"

namespace pelmora {
namespace {

std::string BenchFile() {
  return (std::filesystem::temp_directory_path() / "pelmora-bench-dataset.txt").string();
}

// 100000 boxes in 3D; args: distribution, exponent index, world size.
void BM_GenerateDataset(benchmark::State& benchState) {
  GeneratorControls controls;
  controls.rbSeedConstant = true;
  controls.spSeed = 1;
  controls.spBoxes.value = 100000;
  controls.rbDist = static_cast<int32_t>(benchState.range(0));
  controls.rgExponent = static_cast<int32_t>(benchState.range(1));
  const auto world = static_cast<int32_t>(benchState.range(2));
  controls.spWorldX.value = controls.spWorldY.value = world;
  controls.spWorldZ.value = world == 700 ? 50 : world;
  controls.edfName = BenchFile();
  auto state = std::make_unique<GeneratorState>();
  for (auto _ : benchState) {
    const RunResult result = GenerateDataset(controls, *state);
    if (result.end != RunEnd::kCompleted) benchState.SkipWithError(result.message.c_str());
  }
  std::remove(controls.edfName.c_str());
}
BENCHMARK(BM_GenerateDataset)
    ->ArgNames({"dist", "exp", "world"})
    ->Args({0, 0, 700})
    ->Args({1, 0, 700})
    ->Args({0, 0, 100000})
    ->Args({1, 0, 100000})
    ->Args({2, 0, 100000})
    ->Args({2, 1, 100000})
    ->Unit(benchmark::kMillisecond);

// Building the skewed law for one axis: what a run pays once per world size.
void BM_SkewedLaw(benchmark::State& benchState) {
  const auto p = static_cast<int32_t>(benchState.range(0));
  const auto n = static_cast<float>(benchState.range(1));
  for (auto _ : benchState) benchmark::DoNotOptimize(SkewedLaw(p, n).total());
}
BENCHMARK(BM_SkewedLaw)->Args({1, 100000})->Args({2, 100000})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelmora

BENCHMARK_MAIN();
