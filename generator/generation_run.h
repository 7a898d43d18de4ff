// The generation run: the settings of the window in, a dataset file and the box table out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "generator/box_stream.h"
#include "generator/box_table.h"
#include "generator/dataset_writer.h"
#include "generator/families.h"
#include "generator/output_file.h"
#include "generator/random_source.h"

namespace pelmora {

// The application's title: the caption of its message boxes and the first line of its files.
inline constexpr const char* kApplicationTitle = "Pelmora 1.0";

inline constexpr const char* kRangeMessage = "High ranges for boxes out of world range!";

// The attempt limits of a run (AttemptLimits, where they are calibrated); see GenerateDataset.
inline constexpr int64_t kMaxAttemptsPerBox = AttemptLimits().perBox;
inline constexpr int64_t kMaxAttemptsPerRun = AttemptLimits().perRun;

// What a spin edit holds when the run reads it: its value and its limits.
struct SpinEditValue {
  int32_t value = 0;
  int32_t minValue = 0;
  int32_t maxValue = 0;
};

// A snapshot of the controls a run reads, by their names in the window. The defaults are the
// window's values at start. Values are as the fields read them, which may lie outside their
// limits while typed text has not yet been brought into range.
struct GeneratorControls {
  SpinEditValue spWorldX{700, 1, 100000};
  SpinEditValue spWorldY{700, 1, 100000};
  SpinEditValue spWorldZ{50, 1, 100000};
  SpinEditValue spBoxes{200, 1, 100000};
  int32_t spHighX = 20;
  int32_t spHighY = 20;
  int32_t spHighZ = 20;
  bool cbBoxSize = false;    // "Variable size of Boxes"
  bool cbVarBoxSize = true;  // "Non-zero boxes", read also while disabled
  int32_t rgDimension = 2;   // 0, 1, 2 for 1D, 2D, 3D
  int32_t rbDist = 0;        // 0 "Uniform", 1 "Gauss", 2 "Skewed"
  std::string edMean = "350.00";
  std::string edSigma = "100.00";
  int32_t rgExponent = 0;  // 0 "p = 1 (Zipf)", 1 "p = 2 (Skewed)"
  bool rbSeedConstant = false;
  int32_t spSeed = 1;
  std::string edfName = "Output.txt";
  std::string decimalSeparator = ".";  // the user's, for edMean and edSigma
  // The distribution families (kDiagonal to kParcel), which pelmora-gen and the library offer
  // beyond the window's three distributions: a family chosen here replaces rbDist's law; 0
  // chooses none. The window leaves both at their defaults.
  int32_t family = 0;
  FamilySettings families;
};

// The distribution kind a run draws with: the family when one is chosen, else rbDist's item.
inline int32_t DistributionKindOf(const GeneratorControls& c) {
  return c.family != 0 ? c.family : c.rbDist;
}

// The process-wide state of the generator: one instance is made at start and passed by
// reference; tests make their own. The random source starts seeded with 1.
struct GeneratorState {
  BoxTable boxTable;
  SceneSettings sceneSettings;
  RandomSource randomSource;
  // Where a run builds its boxes; they replace the table's only when the run completes.
  BoxTable pendingBoxes;
  // The highest entry any completed run has written: entries above a run's box count keep
  // what earlier runs left there, up to this one.
  int32_t highestEntry = 0;
};

// The dataset file name through the output layer: "the dataset file 'name'" in messages.
inline std::unique_ptr<Output> OpenDatasetFile(const std::string& name) {
  return OpenOutputFile(name, "dataset file");
}

// The clock, the file system and the attempt limits, replaceable in tests. openDataset never
// returns null: an output that cannot be opened says so by its status.
struct RunServices {
  std::function<int32_t()> clockSeconds = ClockSeconds;
  std::function<std::unique_ptr<Output>(const std::string& name)> openDataset = OpenDatasetFile;
  int64_t maxAttemptsPerBox = kMaxAttemptsPerBox;
  int64_t maxAttemptsPerRun = kMaxAttemptsPerRun;
};

enum class RunEnd {
  kCompleted,  // the file is written and closed; the table and scene settings hold the run
  kRefused,    // the settings were refused before anything was written
  kFailed,     // the run stopped: the number did not convert, the file failed, or the boxes
               // did not fit within the attempt limits
};

struct RunResult {
  RunEnd end = RunEnd::kFailed;
  std::string message;                  // for the user; empty when completed
  int32_t seed = 0;                     // the seed of a completed run
  std::optional<int32_t> seedForField;  // a completed random-seed run: what spSeed shows now

  // A run that ended before completing, with its message.
  static RunResult Refused(std::string message) {
    return Ended(RunEnd::kRefused, std::move(message));
  }
  static RunResult Failed(std::string message) {
    return Ended(RunEnd::kFailed, std::move(message));
  }

 private:
  static RunResult Ended(RunEnd end, std::string message) {
    RunResult result;
    result.end = end;
    result.message = std::move(message);
    return result;
  }
};

// A run's settings checked and its seed chosen: everything a run knows before its first box.
struct RunPlan {
  BoxRecipe recipe;
  int32_t seed = 0;         // the seed the boxes are drawn from
  bool randomSeed = false;  // the seed was made from the clock
};

struct PlanOutcome {
  std::optional<RunPlan> plan;  // set when the run can go ahead
  RunResult failure;            // otherwise: refused (the settings) or failed (the conversion)
};

// Step 1, the range check, and the choices the window always holds (a dimension, a
// distribution, an exponent): the message of the refusal, or empty.
std::string RunRefusal(const GeneratorControls& controls);

// Steps 1, 2, 5 and 6 of a run, writing nothing: the range check and the choices (refused),
// the captured settings, the Gauss parameters converted in the user's number format (failed),
// and the seed, made from services.clockSeconds plus lastSeed when it is random. Any box count
// is planned; the box table's limit is GenerateDataset's.
PlanOutcome PlanRun(const GeneratorControls& controls, int32_t lastSeed,
                    const RunServices& services = RunServices());

// One generation run, as pressing "Create Dataset" performs it:
//  1. the range check (every high range below the world size of its axis, all three axes);
//  2. the captured settings; 3. the output opened; 4.-7. the header, the distribution
//  parameters (mean, then sigma, converted in the user's number format), the seed;
//  8. the boxes, each written as it is accepted; 9. the footer and the close.
// In 1D and 2D a box that does not fit is drawn again; the run fails when the attempt limits
// of services are reached (one box number refused maxAttemptsPerBox times in a row, or
// maxAttemptsPerRun refused attempts in all), so that no settings make it run for ever.
// Only a completed run changes the state: the box table entries 1..boxCount, the scene settings,
// the last seed and the random source (left where the run's last draw left it). A refused or
// failed run changes none of them and leaves any earlier file of that name as it was.
RunResult GenerateDataset(const GeneratorControls& controls, GeneratorState& state,
                          const RunServices& services = RunServices());

}  // namespace pelmora
