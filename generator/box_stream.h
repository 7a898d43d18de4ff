// The boxes of a run as a stream: each accepted box is handed on as it is made, and nothing
// keeps them. The window's run stores them in its box table; pelmora-gen formats them straight
// into its output, so a dataset of any length takes the same memory.
//
// The draws are those of the window's run, in the same order: for every attempt the positions
// x, y, z of the used axes, then (variable size) their extents x, y, z. So the first k boxes of
// an n-box stream are the k-box stream with the same settings and seed, for every k <= n.
// A point family (generator/families.h) draws the whole low corner at once in place of the
// positions; a point outside its unit cube is a refused attempt. Parcel's boxes come from its
// tree whole (no extents, nothing refused), and n shapes the tree: no prefix property.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "generator/families.h"
#include "generator/random_source.h"
#include "pelmora/box.h"

namespace pelmora {

// The settings that decide the boxes of a run, as it captured them from its controls.
struct BoxRecipe {
  int32_t dimension = 3;  // 1, 2 or 3
  int32_t boxCount = 0;   // boxes 1..boxCount; none when 0 or less
  int32_t world[3] = {700, 700, 50};
  int32_t high[3] = {20, 20, 20};  // the high ranges of the box size
  bool variableSize = false;       // each extent drawn from 1..high, else the high range itself
  bool zeroSizeAllowed = false;    // "Non-zero boxes" unchecked: high >= low passes
  int32_t kind = 0;                // the distribution kind of the positions
  float param1 = 0.0f;             // its two parameters, as single-precision numbers
  float param2 = 0.0f;
  FamilySettings families;  // the parameters of kinds kDiagonal to kParcel
};

// A run gives up when one box number is refused perBox times in a row, or when perRun attempts
// have been refused in all. Counts, not clocks: whether a run completes depends on its settings.
// Calibrated on the slowest refused attempt, a 2D Gauss one (two Gaussian positions, about 0.8
// microseconds on a 2-core x86-64 build machine): one box gives up within about 1.6 s, a whole
// run within about 12 s, whatever the settings.
struct AttemptLimits {
  int64_t perBox = 2'000'000;
  int64_t perRun = 15'000'000;
};

// Takes the boxes of a run in number order, in blocks.
class BoxConsumer {
 public:
  virtual ~BoxConsumer() = default;
  // boxes[i] is box number first + i. Returning false stops the run (the consumer failed and
  // keeps its own reason).
  virtual bool Accept(int64_t first, std::span<const Box> boxes) = 0;
};

enum class StreamEnd {
  kCompleted,     // every box was handed on
  kStopped,       // the consumer returned false
  kAttemptLimit,  // the boxes did not fit within the attempt limits; message says where
};

struct StreamResult {
  StreamEnd end = StreamEnd::kCompleted;
  std::string message;  // for kAttemptLimit
  int64_t boxes = 0;    // how many boxes were handed on
};

// How many boxes one call of Accept takes at most.
inline constexpr int32_t kBoxBlock = 4096;

// Makes boxes 1..recipe.boxCount from random, which the caller has seeded, and hands them to
// consumer. random is left where the last draw of the run left it (a stopped run: where it
// stopped). With workers > 1 arithmetic that draws nothing (the Gauss law's deviates) may run
// partly on a second thread; the boxes, their order and the source are the same.
// REQUIRES: 1 <= recipe.dimension <= 3.
StreamResult StreamBoxes(const BoxRecipe& recipe, RandomSource& random, BoxConsumer& consumer,
                         const AttemptLimits& limits = AttemptLimits(), int workers = 1);

// The message of a run that reached an attempt limit at box number counter.
std::string AttemptLimitMessage(const BoxRecipe& recipe, const AttemptLimits& limits,
                                int64_t counter, bool perBox);

}  // namespace pelmora
