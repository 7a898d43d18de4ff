#include "generator/generation_run.h"

#include <algorithm>
#include <string>

#include "generator/distributions.h"
#include "generator/numeric.h"
#include "generator/str_to_float.h"

namespace pelmora {

namespace {

RunResult Refused(std::string message) {
  RunResult result;
  result.end = RunEnd::kRefused;
  result.message = std::move(message);
  return result;
}

RunResult Failed(std::string message) {
  RunResult result;
  result.end = RunEnd::kFailed;
  result.message = std::move(message);
  return result;
}

// "[min..max]" parts of the header, as "%d..%d".
void WriteRange(DatasetWriter& out, int32_t min, int32_t max) {
  out.Int(min).Text("..").Int(max);
}

// Rows 1 to 9 of the header: from the banner down to the "Non-zero size of boxes" line.
void WriteSettingsHeader(DatasetWriter& out, const GeneratorControls& c, int32_t dimension) {
  const SpinEditValue* world[3] = {&c.spWorldX, &c.spWorldY, &c.spWorldZ};
  const int32_t high[3] = {c.spHighX, c.spHighY, c.spHighZ};

  out.Text(kApplicationTitle).Text("\n\n");
  out.Text("World Settings:\n");
  out.Text("  Dimensions [1..3]: ").Int(dimension).LineEnd();
  out.Text("  Size [");
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (axis > 0) out.Text(", ");
    WriteRange(out, world[axis]->minValue, world[axis]->maxValue);
  }
  out.Text("]: ");
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (axis > 0) out.Text(", ");
    out.Int(world[axis]->value);
  }
  out.LineEnd();

  out.Text("Generator Settings:\n");
  out.Text("  Boxes created [");
  WriteRange(out, c.spBoxes.minValue, c.spBoxes.maxValue);
  out.Text("]: ").Int(c.spBoxes.value).LineEnd();
  // A high range must stay below the world size: its range is the world field's, less 1 above.
  out.Text("  High ranges for the box size [");
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (axis > 0) out.Text(", ");
    WriteRange(out, world[axis]->minValue, WrapSub(world[axis]->maxValue, 1));
  }
  out.Text("]: ");
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (axis > 0) out.Text(", ");
    out.Int(high[axis]);
  }
  out.LineEnd();
  out.Text("  Variable size of boxes: ").Text(c.cbBoxSize ? "Yes\n" : "No\n");
  out.Text("  Non-zero size of boxes: ").Text(c.cbVarBoxSize ? "Yes\n" : "No\n");
}

// The settings of one run as the box loop uses them.
struct BoxRecipe {
  int32_t dimension;
  int32_t boxCount;
  int32_t world[3];
  int32_t high[3];
  bool variableSize;
  bool zeroSizeAllowed;
};

// Step 8: boxes 1..boxCount into pending, each record line written as its box is accepted.
// Returns an empty string, or the message of a run that reached an attempt limit.
std::string GenerateBoxes(const BoxRecipe& recipe, const CoordinateLaw* positions[3],
                          const RunServices& limits, RandomSource& random, BoxTable& pending,
                          DatasetWriter& out) {
  const int32_t dimension = recipe.dimension;
  CoordinateLaw extents[3] = {CoordinateLaw(kUniform, recipe.high[0], 0.0f, 0.0f),
                              CoordinateLaw(kUniform, recipe.high[1], 0.0f, 0.0f),
                              CoordinateLaw(kUniform, recipe.high[2], 0.0f, 0.0f)};
  int64_t attempts = 0;      // refused in a row for the current box number
  int64_t refusedInRun = 0;  // refused in the whole run
  int32_t counter = 1;
  while (counter <= recipe.boxCount) {
    double low[3] = {0.0, 0.0, 0.0};
    double high[3] = {0.0, 0.0, 0.0};
    // Draw order: x, y, z positions, then (variable size) x, y, z extents.
    for (int32_t axis = 0; axis < dimension; ++axis) low[axis] = positions[axis]->Draw(random);
    for (int32_t axis = 0; axis < dimension; ++axis) {
      const double extent =
          recipe.variableSize ? extents[axis].Draw(random) : static_cast<double>(recipe.high[axis]);
      high[axis] = low[axis] + extent;
    }
    if (dimension == 3) {
      // A 3D box reaching past the world is moved back against its upper bound, extent kept.
      for (int32_t axis = 0; axis < 3; ++axis) {
        const double world = recipe.world[axis];
        if (high[axis] > world) {
          low[axis] -= high[axis] - world;
          high[axis] = world;
        }
      }
    }
    bool accepted = true;
    for (int32_t axis = 0; axis < dimension; ++axis) {
      const int32_t lowInt = TruncToInt(low[axis]);
      const int32_t highInt = TruncToInt(high[axis]);
      const bool sizeOk = recipe.zeroSizeAllowed ? highInt >= lowInt : highInt > lowInt;
      accepted = accepted && low[axis] >= 1.0 && high[axis] <= recipe.world[axis] && sizeOk;
    }
    if (!accepted) {
      static constexpr const char* kCause =
          ": the box size leaves too little room on some axis, or the distribution puts almost "
          "every position where no box fits (a Gauss mean far outside the world, or a very small "
          "sigma). No dataset was written.";
      if (++attempts >= limits.maxAttemptsPerBox) {
        return "Box " + std::to_string(counter) + " could not be placed in the world after " +
               std::to_string(limits.maxAttemptsPerBox) + " attempts" + kCause;
      }
      if (++refusedInRun >= limits.maxAttemptsPerRun) {
        return "The run stopped at box " + std::to_string(counter) + " of " +
               std::to_string(recipe.boxCount) + " after " +
               std::to_string(limits.maxAttemptsPerRun) + " refused attempts in all" + kCause;
      }
      continue;
    }
    attempts = 0;
    SetBoxCorners(pending[counter], low[0], low[1], low[2], high[0], high[1], high[2], dimension);
    out.Int(counter).Text(": ");
    for (int32_t axis = 0; axis < dimension; ++axis) out.Int(TruncToInt(low[axis])).Text(" ");
    for (int32_t axis = 0; axis < dimension; ++axis) {
      if (axis > 0) out.Text(" ");
      out.Int(TruncToInt(high[axis]));
    }
    out.LineEnd();
    if (out.failed()) return std::string();
    ++counter;
  }
  return std::string();
}

}  // namespace

RunResult GenerateDataset(const GeneratorControls& c, GeneratorState& state,
                          const RunServices& services) {
  // 1. Range check, X then Y then Z, whatever the dimension.
  if (c.spHighX >= c.spWorldX.value || c.spHighY >= c.spWorldY.value ||
      c.spHighZ >= c.spWorldZ.value) {
    return Refused(kRangeMessage);
  }
  // Choices the window always holds; refused rather than guessed when a caller leaves them out.
  if (c.rgDimension < 0 || c.rgDimension > 2) return Refused("Choose a dimension: 1D, 2D or 3D.");
  if (c.rbDist < 0 || c.rbDist > 2)
    return Refused("Choose a distribution: Uniform, Gauss or Skewed.");
  if (c.rbDist == kSkewed && (c.rgExponent < 0 || c.rgExponent > 1)) {
    return Refused("Choose an exponent for the skewed distribution: p = 1 or p = 2.");
  }
  if (c.spBoxes.value > BoxTable::kCapacity) {
    return Refused("Cannot create " + std::to_string(c.spBoxes.value) + " boxes: at most " +
                   std::to_string(BoxTable::kCapacity) + " fit in the box table.");
  }

  // 2. Capture the settings.
  BoxRecipe recipe;
  recipe.dimension = c.rgDimension + 1;
  recipe.boxCount = c.spBoxes.value;
  recipe.world[0] = c.spWorldX.value;
  recipe.world[1] = c.spWorldY.value;
  recipe.world[2] = c.spWorldZ.value;
  recipe.high[0] = c.spHighX;
  recipe.high[1] = c.spHighY;
  recipe.high[2] = c.spHighZ;
  recipe.variableSize = c.cbBoxSize;
  recipe.zeroSizeAllowed = !c.cbVarBoxSize;

  // 3. Open the output. Nothing reaches the named file unless the run completes.
  const std::unique_ptr<Output> output = services.openDataset(c.edfName);
  if (!output->status().ok()) return Failed(output->status().message());
  DatasetWriter out(*output);

  // 4. The header down to the "Non-zero size of boxes" line.
  WriteSettingsHeader(out, c, recipe.dimension);

  // 5. The distribution.
  const int32_t kind = c.rbDist;
  float param1 = 0.0f;
  float param2 = 0.0f;
  if (kind == kUniform) {
    out.Text("  Distribution: Uniform\n");
  } else if (kind == kGauss) {
    try {
      param1 = static_cast<float>(StrToFloat(c.edMean, c.decimalSeparator));
      param2 = static_cast<float>(StrToFloat(c.edSigma, c.decimalSeparator));
    } catch (const ConvertError& error) {
      output->Discard();
      return Failed(error.message());
    }
    out.Text("  Distribution: Gauss (Mean: ").Fixed2(param1).Text(", Sigma: ").Fixed2(param2);
    out.Text(")\n");
  } else {
    const int32_t p = c.rgExponent + 1;
    param1 = static_cast<float>(p);
    out.Text("  Distribution: Skewed (p: ").Int(p).Text(")\n");
  }

  // 6. The seed. The run draws from a copy of the source, which replaces it on completion.
  RandomSource random = state.randomSource;
  int32_t seed;
  if (c.rbSeedConstant) {
    seed = c.spSeed;
  } else {
    random.Seed(
        static_cast<uint32_t>(WrapAdd(services.clockSeconds(), state.sceneSettings.lastSeed)));
    seed = random.Next15() % 65535 + 1;  // 1..32768
  }
  random.Seed(static_cast<uint32_t>(seed));
  out.Text("  Seed [1..65535]: ").Int(seed).LineEnd();

  // 7. The file name and the lines that open the dataset.
  out.Text("  Output Filename: ").Text(c.edfName).LineEnd();
  out.Text("\nStart of Dataset:\n\n");

  // 8. The boxes. One law per axis; equal world sizes share theirs.
  const int32_t used = recipe.dimension;
  std::optional<CoordinateLaw> laws[3];
  const CoordinateLaw* positions[3] = {nullptr, nullptr, nullptr};
  for (int32_t axis = 0; axis < used; ++axis) {
    for (int32_t earlier = 0; earlier < axis; ++earlier) {
      if (recipe.world[earlier] == recipe.world[axis]) positions[axis] = positions[earlier];
    }
    if (positions[axis] == nullptr) {
      laws[axis].emplace(kind, recipe.world[axis], param1, param2);
      positions[axis] = &*laws[axis];
    }
  }
  const std::string placeError =
      GenerateBoxes(recipe, positions, services, random, state.pendingBoxes, out);
  if (!placeError.empty()) {
    output->Discard();
    return Failed(placeError);
  }

  // 9. The footer, and the file complete and in place.
  out.Text("\nEnd of dataset.");
  if (const Status written = out.Flush(); !written.ok()) {
    output->Discard();
    return Failed(written.message());
  }
  if (const Status committed = output->Commit(); !committed.ok()) {
    return Failed(committed.message());
  }

  // The run completed: it now replaces the last run.
  // The pending table becomes the table; the entries above this run's count come over from
  // the table it replaces.
  const int32_t stored = recipe.boxCount > 0 ? recipe.boxCount : 0;
  state.boxTable.Swap(state.pendingBoxes);
  state.boxTable.CopyEntries(state.pendingBoxes, stored + 1, state.highestEntry);
  state.highestEntry = std::max(state.highestEntry, stored);
  state.sceneSettings.boxCount = recipe.boxCount;
  state.sceneSettings.worldX = recipe.world[0];
  state.sceneSettings.worldY = recipe.world[1];
  state.sceneSettings.worldZ = recipe.world[2];
  state.sceneSettings.lastSeed = seed;
  state.randomSource = random;

  RunResult result;
  result.end = RunEnd::kCompleted;
  result.seed = seed;
  if (!c.rbSeedConstant) result.seedForField = seed;
  return result;
}

}  // namespace pelmora
