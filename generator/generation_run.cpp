#include "generator/generation_run.h"

#include <algorithm>
#include <string>

#include "generator/box_formats.h"
#include "generator/dataset_header.h"
#include "generator/distributions.h"
#include "generator/numeric.h"
#include "generator/str_to_float.h"

namespace pelmora {

namespace {

// Keeps each box in the pending table and writes its record line.
class TableAndFile final : public BoxConsumer {
 public:
  TableAndFile(BoxTable& pending, int32_t dimension, DatasetWriter& out)
      : pending_(pending),
        dimension_(dimension),
        records_(BoxFormat::kPelmora, dimension),
        out_(out) {}

  bool Accept(int64_t first, std::span<const Box> boxes) override {
    int64_t number = first;
    for (const Box& box : boxes) {
      SetBoxCorners(pending_[static_cast<int32_t>(number++)], box.low[0], box.low[1], box.low[2],
                    box.high[0], box.high[1], box.high[2], dimension_);
    }
    text_.resize(boxes.size() * records_.MaxBoxBytes());
    const char* end = records_.Format(first, boxes, text_.data());
    out_.Bytes(std::string_view(text_.data(), static_cast<size_t>(end - text_.data())));
    return !out_.failed();
  }

 private:
  BoxTable& pending_;
  int32_t dimension_;
  BoxFormatter records_;
  DatasetWriter& out_;
  std::string text_;
};

}  // namespace

std::string RunRefusal(const GeneratorControls& c) {
  const int32_t kind = DistributionKindOf(c);
  // 1. Range check, X then Y then Z, whatever the dimension. Parcel cuts the world into its
  // boxes: the high ranges do not apply to it.
  if (kind != kParcel && (c.spHighX >= c.spWorldX.value || c.spHighY >= c.spWorldY.value ||
                          c.spHighZ >= c.spWorldZ.value)) {
    return kRangeMessage;
  }
  // Refused rather than guessed when a caller leaves them out.
  if (c.rgDimension < 0 || c.rgDimension > 2) return "Choose a dimension: 1D, 2D or 3D.";
  if (c.rbDist < 0 || c.rbDist > 2 || (c.family != 0 && !IsFamily(c.family))) {
    return "Choose a distribution: Uniform, Gauss or Skewed.";
  }
  if (kind == kSkewed && (c.rgExponent < 0 || c.rgExponent > 1)) {
    return "Choose an exponent for the skewed distribution: p = 1 or p = 2.";
  }
  const int32_t world[3] = {c.spWorldX.value, c.spWorldY.value, c.spWorldZ.value};
  return FamilyRefusal(kind, c.families, c.rgDimension + 1, world, c.spBoxes.value,
                       !c.cbVarBoxSize);
}

PlanOutcome PlanRun(const GeneratorControls& c, int32_t lastSeed, const RunServices& services) {
  PlanOutcome outcome;
  if (std::string refusal = RunRefusal(c); !refusal.empty()) {
    outcome.failure = RunResult::Refused(std::move(refusal));
    return outcome;
  }
  // 2. Capture the settings.
  RunPlan plan;
  BoxRecipe& recipe = plan.recipe;
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

  // 5. The distribution.
  recipe.kind = DistributionKindOf(c);
  recipe.families = c.families;
  if (recipe.kind == kGauss) {
    try {
      recipe.param1 = static_cast<float>(StrToFloat(c.edMean, c.decimalSeparator));
      recipe.param2 = static_cast<float>(StrToFloat(c.edSigma, c.decimalSeparator));
    } catch (const ConvertError& error) {
      outcome.failure = RunResult::Failed(error.message());
      return outcome;
    }
  } else if (recipe.kind == kSkewed) {
    recipe.param1 = static_cast<float>(c.rgExponent + 1);
  }

  // 6. The seed. A random one is drawn from a source of its own: Seed sets the whole state, so
  // the run's draws follow from the seed alone.
  if (c.rbSeedConstant) {
    plan.seed = c.spSeed;
  } else {
    RandomSource random(static_cast<uint32_t>(WrapAdd(services.clockSeconds(), lastSeed)));
    plan.seed = random.Next15() % 65535 + 1;  // 1..32768
    plan.randomSeed = true;
  }
  outcome.plan = plan;
  return outcome;
}

RunResult GenerateDataset(const GeneratorControls& c, GeneratorState& state,
                          const RunServices& services) {
  if (std::string refusal = RunRefusal(c); !refusal.empty())
    return RunResult::Refused(std::move(refusal));
  if (c.spBoxes.value > BoxTable::kCapacity) {
    return RunResult::Refused("Cannot create " + std::to_string(c.spBoxes.value) +
                              " boxes: at most " + std::to_string(BoxTable::kCapacity) +
                              " fit in the box table.");
  }

  // 3. Open the output. Nothing reaches the named file unless the run completes.
  const std::unique_ptr<Output> output = services.openDataset(c.edfName);
  if (!output->status().ok()) return RunResult::Failed(output->status().message());

  // 2., 5. and 6.: the settings, the distribution parameters and the seed.
  const PlanOutcome planned = PlanRun(c, state.sceneSettings.lastSeed, services);
  if (!planned.plan) {
    output->Discard();
    return planned.failure;
  }
  const RunPlan& plan = *planned.plan;
  const BoxRecipe& recipe = plan.recipe;

  // 4. to 7. The header.
  DatasetWriter out(*output);
  WriteDatasetHeader(out, c, plan);

  // 8. The boxes, each written as it is accepted. The run draws from a copy of the source,
  // which replaces it on completion.
  RandomSource random = state.randomSource;
  random.Seed(static_cast<uint32_t>(plan.seed));
  TableAndFile consumer(state.pendingBoxes, recipe.dimension, out);
  const AttemptLimits limits{services.maxAttemptsPerBox, services.maxAttemptsPerRun};
  const StreamResult stream = StreamBoxes(recipe, random, consumer, limits);
  if (stream.end == StreamEnd::kAttemptLimit) {
    output->Discard();
    return RunResult::Failed(stream.message);
  }

  // 9. The footer, and the file complete and in place.
  out.Bytes(BoxFormatter(BoxFormat::kPelmora, recipe.dimension).Tail());
  if (const Status written = out.Flush(); !written.ok()) {
    output->Discard();
    return RunResult::Failed(written.message());
  }
  if (const Status committed = output->Commit(); !committed.ok()) {
    return RunResult::Failed(committed.message());
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
  state.sceneSettings.lastSeed = plan.seed;
  state.randomSource = random;

  RunResult result;
  result.end = RunEnd::kCompleted;
  result.seed = plan.seed;
  if (plan.randomSeed) result.seedForField = plan.seed;
  return result;
}

}  // namespace pelmora
