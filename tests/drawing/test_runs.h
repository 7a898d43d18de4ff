// Generation runs for drawing tests: the dataset kept in memory, the state as a run leaves it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "generator/generation_run.h"
#include "generator/output_file.h"

namespace pelmora {

// Performs a run with a constant seed and fails the test unless it completes.
inline void CompleteRun(GeneratorControls controls, GeneratorState& state, int32_t seed = 1) {
  controls.rbSeedConstant = true;
  controls.spSeed = seed;
  std::string dataset;
  RunServices services;
  services.openDataset = [&dataset](const std::string&) {
    return std::make_unique<MemoryOutput>(&dataset);
  };
  const RunResult result = GenerateDataset(controls, state, services);
  ASSERT_EQ(result.end, RunEnd::kCompleted) << result.message;
}

}  // namespace pelmora
