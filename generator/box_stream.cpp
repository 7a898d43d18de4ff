#include "generator/box_stream.h"

#include <optional>

#include "generator/distributions.h"

namespace pelmora {

std::string AttemptLimitMessage(const BoxRecipe& recipe, const AttemptLimits& limits,
                                int64_t counter, bool perBox) {
  static constexpr const char* kCause =
      ": the box size leaves too little room on some axis, or the distribution puts almost "
      "every position where no box fits (a Gauss mean far outside the world, or a very small "
      "sigma). No dataset was written.";
  if (perBox) {
    return "Box " + std::to_string(counter) + " could not be placed in the world after " +
           std::to_string(limits.perBox) + " attempts" + kCause;
  }
  return "The run stopped at box " + std::to_string(counter) + " of " +
         std::to_string(recipe.boxCount) + " after " + std::to_string(limits.perRun) +
         " refused attempts in all" + kCause;
}

namespace {

// Parcel's boxes, in blocks as the tree gives them.
StreamResult StreamParcel(const BoxRecipe& recipe, RandomSource& random, BoxConsumer& consumer) {
  StreamResult result;
  if (recipe.boxCount < 1) return result;
  ParcelBoxes parcel(recipe.families, recipe.dimension, recipe.world, recipe.boxCount,
                     recipe.zeroSizeAllowed);
  Box block[kBoxBlock];
  int32_t filled = 0;
  for (bool more = true; more;) {
    Box& box = block[filled];
    box = Box();
    more = parcel.Next(random, box.low, box.high);
    if (more) ++filled;
    if ((filled == kBoxBlock || (!more && filled > 0))) {
      const bool accepted = consumer.Accept(result.boxes + 1, std::span<const Box>(block, filled));
      result.boxes += filled;
      filled = 0;
      if (!accepted) {
        result.end = StreamEnd::kStopped;
        return result;
      }
    }
  }
  return result;
}

}  // namespace

StreamResult StreamBoxes(const BoxRecipe& recipe, RandomSource& random, BoxConsumer& consumer,
                         const AttemptLimits& limits) {
  const int32_t dimension = recipe.dimension;
  if (recipe.kind == kParcel) return StreamParcel(recipe, random, consumer);
  // A family draws its first draws (the clustered centres) before the first box.
  std::optional<PointFamily> family;
  if (IsFamily(recipe.kind)) family.emplace(recipe.kind, recipe.families, dimension, random);
  // One law per axis; equal world sizes share theirs (the skewed law is costly to build).
  std::optional<CoordinateLaw> laws[3];
  const CoordinateLaw* positions[3] = {nullptr, nullptr, nullptr};
  for (int32_t axis = 0; axis < dimension && !family; ++axis) {
    for (int32_t earlier = 0; earlier < axis; ++earlier) {
      if (recipe.world[earlier] == recipe.world[axis]) positions[axis] = positions[earlier];
    }
    if (positions[axis] == nullptr) {
      laws[axis].emplace(recipe.kind, recipe.world[axis], recipe.param1, recipe.param2);
      positions[axis] = &*laws[axis];
    }
  }
  const CoordinateLaw extents[3] = {CoordinateLaw(kUniform, recipe.high[0], 0.0f, 0.0f),
                                    CoordinateLaw(kUniform, recipe.high[1], 0.0f, 0.0f),
                                    CoordinateLaw(kUniform, recipe.high[2], 0.0f, 0.0f)};

  StreamResult result;
  Box block[kBoxBlock];
  int32_t filled = 0;
  int64_t first = 1;
  const auto handOn = [&]() {
    const bool accepted = consumer.Accept(first, std::span<const Box>(block, filled));
    result.boxes += filled;
    first += filled;
    filled = 0;
    return accepted;
  };

  int64_t refusedInRow = 0;
  int64_t refusedInRun = 0;
  int64_t counter = 1;
  while (counter <= recipe.boxCount) {
    // Every coordinate is a whole number well inside 64 bits, so integer arithmetic gives
    // exactly what the window's doubles give.
    int64_t low[3] = {0, 0, 0};
    int64_t high[3] = {0, 0, 0};
    bool accepted = true;
    if (family) {
      int32_t corner[3] = {0, 0, 0};
      accepted = family->Draw(random, recipe.world, corner);
      for (int32_t axis = 0; axis < dimension; ++axis) low[axis] = corner[axis];
    } else {
      for (int32_t axis = 0; axis < dimension; ++axis) low[axis] = positions[axis]->Draw(random);
    }
    for (int32_t axis = 0; axis < dimension && accepted; ++axis) {
      high[axis] =
          low[axis] + (recipe.variableSize ? extents[axis].Draw(random) : recipe.high[axis]);
    }
    if (accepted && dimension == 3) {
      // A 3D box reaching past the world is moved back against its upper bound, extent kept.
      for (int32_t axis = 0; axis < 3; ++axis) {
        if (high[axis] > recipe.world[axis]) {
          low[axis] -= high[axis] - recipe.world[axis];
          high[axis] = recipe.world[axis];
        }
      }
    }
    for (int32_t axis = 0; axis < dimension; ++axis) {
      const bool sizeOk = recipe.zeroSizeAllowed ? high[axis] >= low[axis] : high[axis] > low[axis];
      accepted = accepted && low[axis] >= 1 && high[axis] <= recipe.world[axis] && sizeOk;
    }
    if (!accepted) {
      if (++refusedInRow >= limits.perBox) {
        result.end = StreamEnd::kAttemptLimit;
        result.message = AttemptLimitMessage(recipe, limits, counter, true);
        return result;
      }
      if (++refusedInRun >= limits.perRun) {
        result.end = StreamEnd::kAttemptLimit;
        result.message = AttemptLimitMessage(recipe, limits, counter, false);
        return result;
      }
      continue;
    }
    refusedInRow = 0;
    Box& box = block[filled++];
    for (int32_t axis = 0; axis < 3; ++axis) {
      box.low[axis] = static_cast<int32_t>(low[axis]);
      box.high[axis] = static_cast<int32_t>(high[axis]);
    }
    ++counter;
    if (filled == kBoxBlock && !handOn()) {
      result.end = StreamEnd::kStopped;
      return result;
    }
  }
  if (filled > 0 && !handOn()) result.end = StreamEnd::kStopped;
  return result;
}

}  // namespace pelmora
