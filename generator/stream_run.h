// pelmora-gen's run: the boxes of the settings formatted straight into an output as they are
// made, with no box table, so a run of any length takes the same memory.
#pragma once

#include <cstdint>
#include <functional>

#include "generator/box_formats.h"
#include "generator/generation_run.h"
#include "generator/setting_checks.h"

namespace pelmora {

inline constexpr int32_t kMaxStreamBoxes = static_cast<int32_t>(kBoxesSetting.max);

struct StreamRunResult {
  RunResult run;              // as GenerateDataset reports it
  RandomSource randomSource;  // a completed run: where its last draw left the source
  int64_t boxes = 0;          // the boxes written
};

// Called now and then with the boxes written so far and the box count.
using ProgressReport = std::function<void(int64_t done, int64_t total)>;

// The run of controls as GenerateDataset makes it from a fresh state (lastSeed 0), in the same
// steps and with the same outcomes, but for any box count from 1 to kMaxStreamBoxes and with no
// box table: the output opened with services.openDataset receives the dataset file (header,
// records, footer, byte for byte what GenerateDataset writes) or another format (Head, the
// boxes, Tail). It is committed when the run completes and discarded when it does not; with
// commit false a completed output is only completed, for the caller to commit with the other
// outputs of its command (then *completed receives it).
// With workers > 1 the boxes are formatted and written on a second thread while the next are
// drawn; the bytes are the same.
StreamRunResult RunIntoOutput(const GeneratorControls& controls, BoxFormat format,
                              const RunServices& services = RunServices(),
                              const ProgressReport& progress = nullptr, int workers = 1,
                              std::unique_ptr<Output>* completed = nullptr);

}  // namespace pelmora
