// Whole generation runs, file included, at the largest settings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "generator/box_formats.h"
#include "generator/box_stream.h"
#include "generator/distributions.h"
#include "generator/generation_run.h"
#include "generator/stream_run.h"

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

// The time split of a streamed run of 10^6 3D boxes in a world of 100000^3: drawing the numbers
// alone (arg 1: 0 uniform, 1 Gauss, 2 skewed p = 1), formatting the records of those boxes, and
// the whole run into an output that keeps nothing, on one thread and with the second.
GeneratorControls StreamControls(int32_t law) {
  GeneratorControls c;
  c.rbSeedConstant = true;
  c.spSeed = 1;
  c.spBoxes = {1000000, 1, BoxCountLimit(1000000)};
  c.spWorldX.value = c.spWorldY.value = c.spWorldZ.value = 100000;
  c.rbDist = law;
  c.edMean = "50000";
  c.edSigma = "10000";
  return c;
}

class KeepNothing final : public BoxConsumer {
 public:
  bool Accept(int64_t, std::span<const Box> boxes) override {
    benchmark::DoNotOptimize(boxes.data());
    return true;
  }
};

class DiscardOutput final : public Output {
 public:
  void Write(std::string_view bytes) override { benchmark::DoNotOptimize(bytes.data()); }
  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }
  Status Commit() override { return status_; }
  void Discard() noexcept override {}

 private:
  Status status_;
};

// Drawing alone; args: the law, and the threads the stream may use (2: the deviates of the
// Gauss law shared with a second thread; wall time, since CPU time counts this thread only).
// The boxes of controls drawn into a consumer that keeps nothing, with range(1) threads.
void DrawAlone(benchmark::State& benchState, const GeneratorControls& controls) {
  const PlanOutcome planned = PlanRun(controls, 0);
  const auto workers = static_cast<int>(benchState.range(1));
  for (auto _ : benchState) {
    RandomSource random(1);
    KeepNothing nothing;
    StreamBoxes(planned.plan->recipe, random, nothing, AttemptLimits(), workers);
  }
  benchState.SetItemsProcessed(benchState.iterations() * controls.spBoxes.value);
}

void BM_DrawBoxes(benchmark::State& benchState) {
  DrawAlone(benchState, StreamControls(static_cast<int32_t>(benchState.range(0))));
}
BENCHMARK(BM_DrawBoxes)
    ->ArgNames({"law", "threads"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// 10^6 2D boxes of each distribution kind in a world of 100000^2, drawn alone, on one thread
// and with the second (diagonal and clustered share their deviates with it, as Gauss does).
// Args: the kind (0 uniform, 1 gauss, 3 diagonal, 4 bit, 5 sierpinski, 6 clustered, 7 parcel),
// the threads.
void BM_DrawKinds(benchmark::State& benchState) {
  const auto kind = static_cast<int32_t>(benchState.range(0));
  GeneratorControls c = StreamControls(kind == 1 ? 1 : 0);
  c.rgDimension = 1;
  if (kind >= kDiagonal) c.family = kind;
  DrawAlone(benchState, c);
}
BENCHMARK(BM_DrawKinds)
    ->ArgNames({"kind", "threads"})
    ->ArgsProduct({{0, 1, 3, 4, 5, 6, 7}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FormatBoxes(benchmark::State& benchState) {
  std::vector<Box> boxes(kBoxBlock);
  for (size_t i = 0; i < boxes.size(); ++i) {
    boxes[i] = Box{{static_cast<int32_t>(i * 37 % 99000) + 1, 51234, 777},
                   {static_cast<int32_t>(i * 37 % 99000) + 21, 51254, 797}};
  }
  const BoxFormatter formatter(static_cast<BoxFormat>(benchState.range(0)), 3);
  std::vector<char> text(boxes.size() * formatter.MaxBoxBytes());
  int64_t first = 1;
  for (auto _ : benchState) {
    benchmark::DoNotOptimize(formatter.Format(first, boxes, text.data()));
    first += kBoxBlock;
  }
  benchState.SetItemsProcessed(benchState.iterations() * kBoxBlock);
}
BENCHMARK(BM_FormatBoxes)->DenseRange(0, 4);  // pelmora, csv, wkt, npy, geojson

void BM_StreamRun(benchmark::State& benchState) {
  const GeneratorControls controls = StreamControls(static_cast<int32_t>(benchState.range(0)));
  RunServices services;
  services.openDataset = [](const std::string&) { return std::make_unique<DiscardOutput>(); };
  for (auto _ : benchState) {
    const StreamRunResult run = RunIntoOutput(controls, BoxFormat::kPelmora, services, nullptr,
                                              static_cast<int>(benchState.range(1)));
    if (run.run.end != RunEnd::kCompleted) benchState.SkipWithError(run.run.message.c_str());
  }
  benchState.SetItemsProcessed(benchState.iterations() * 1000000);
}
BENCHMARK(BM_StreamRun)
    ->ArgNames({"law", "threads"})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 2})
    ->Args({2, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace pelmora

BENCHMARK_MAIN();
