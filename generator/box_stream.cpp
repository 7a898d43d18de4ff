#include "generator/box_stream.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "generator/distributions.h"
#include "generator/shared_loop.h"

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

// The attempts of a run until boxCount boxes are handed on, the consumer stops or a limit is
// reached. draw(counter, low, extent) makes the next attempt's draws: the low corner and the
// extent of each used axis; false when the attempt is refused already (a point family's point
// outside its cube), and then low and extent need not be set.
template <typename Draw>
StreamResult RunAttempts(const BoxRecipe& recipe, BoxConsumer& consumer,
                         const AttemptLimits& limits, Draw&& draw) {
  const int32_t dimension = recipe.dimension;
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
    int64_t extent[3] = {0, 0, 0};
    bool accepted = draw(counter, low, extent);
    for (int32_t axis = 0; axis < dimension && accepted; ++axis) {
      high[axis] = low[axis] + extent[axis];
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

// Attempts drawn ahead in batches, for laws whose arithmetic is costly and draws nothing (the
// Gauss law's positions, the diagonal and clustered points). The draws of a batch are made in
// the run's order on the run's thread; Law::DrawAhead makes those of one attempt. Law::Finish
// then turns them into the attempt's low corner and extents, drawing nothing. This needs every
// draw of an attempt to be known before its arithmetic: so a law whose refused points skip their
// extents' draws is drawn ahead only with fixed sizes.
// With a second thread, two batches are in hand: while the run takes the attempts of one, the
// second thread finishes the next, which was drawn right after it. The source after each attempt
// is kept, so that the run leaves the source where the last attempt it took left it, however far
// ahead it drew. No batch is drawn beyond the attempts the remaining boxes could need (each
// attempt makes at most one box).
template <typename Law>
class AttemptsAhead {
 public:
  AttemptsAhead(const Law& law, bool twoThreads) : law_(law) {
    // One thread takes every batch in the first; the second is for the batch drawn ahead.
    for (size_t i = 0; i < (twoThreads ? 2u : 1u); ++i) {
      batches_[i].draws.resize(kBoxBlock);
      batches_[i].attempts.resize(kBoxBlock);
      batches_[i].after.resize(kBoxBlock);
    }
    if (twoThreads) loop_.emplace();
  }
  ~AttemptsAhead() {
    if (ahead_) loop_->Finish();  // the second thread may still work on it
  }
  AttemptsAhead(const AttemptsAhead&) = delete;
  AttemptsAhead& operator=(const AttemptsAhead&) = delete;

  // The next attempt, drawing new batches from random when the last is used up; remaining is
  // the number of boxes the run still needs (at least 1). False when the law refused it.
  bool Take(RandomSource& random, int64_t remaining, int64_t low[3], int64_t extent[3]) {
    if (next_ == batches_[current_].count) NextBatch(random, remaining);
    const Attempt& attempt = batches_[current_].attempts[next_++];
    for (int32_t axis = 0; axis < 3; ++axis) {
      low[axis] = attempt.low[axis];
      extent[axis] = attempt.extent[axis];
    }
    return attempt.drawn;
  }

  // The source as the last attempt taken left it (unchanged when none was taken).
  void LeaveSource(RandomSource& random) const {
    if (next_ > 0) random = batches_[current_].after[next_ - 1];
  }

 private:
  struct Attempt {
    int32_t low[3] = {0, 0, 0};
    int32_t extent[3] = {0, 0, 0};
    bool drawn = false;
  };
  struct Batch {
    std::vector<typename Law::Draws> draws;
    std::vector<Attempt> attempts;
    std::vector<RandomSource> after;  // the source after each attempt
    size_t count = 0;                 // attempts in the batch
  };

  // The draws of up to `most` attempts into batch.
  void Draw(Batch& batch, RandomSource& random, int64_t most) {
    batch.count = static_cast<size_t>(std::min<int64_t>(most, kBoxBlock));
    for (size_t i = 0; i < batch.count; ++i) {
      law_.DrawAhead(random, batch.draws[i]);
      batch.after[i] = random;
    }
  }

  void FinishAttempts(Batch& batch, size_t begin, size_t end) const {
    for (size_t i = begin; i < end; ++i) {
      Attempt& attempt = batch.attempts[i];
      attempt.drawn = law_.Finish(batch.draws[i], attempt.low, attempt.extent);
    }
  }

  void NextBatch(RandomSource& random, int64_t remaining) {
    next_ = 0;
    if (ahead_) {
      loop_->Finish();
      ahead_ = false;
      current_ = 1 - current_;
    } else {
      Batch& batch = batches_[current_];
      Draw(batch, random, remaining);
      if (loop_) {
        loop_->Run(batch.count, kChunk,
                   [this, &batch](size_t b, size_t e) { FinishAttempts(batch, b, e); });
      } else {
        FinishAttempts(batch, 0, batch.count);
      }
    }
    // The next batch, while the run takes this one: as many attempts as the boxes left after
    // this batch could need.
    const int64_t after = remaining - static_cast<int64_t>(batches_[current_].count);
    if (!loop_ || after <= 0) return;
    Batch& following = batches_[1 - current_];
    Draw(following, random, after);
    finishFollowing_ = [this, &following](size_t b, size_t e) { FinishAttempts(following, b, e); };
    loop_->Start(following.count, kChunk, finishFollowing_);
    ahead_ = true;
  }

  static constexpr size_t kChunk = 64;
  const Law& law_;
  Batch batches_[2];
  size_t current_ = 0;  // the batch the run takes attempts from
  size_t next_ = 0;     // the next attempt to take from it
  bool ahead_ = false;  // the other batch is drawn and being finished
  SharedLoop::Work finishFollowing_;
  std::optional<SharedLoop> loop_;
};

// The Gauss law's attempts: the polar points of positions x, y, z, then the extents.
class GaussAhead {
 public:
  struct Draws {
    PolarPoint points[3];
    int32_t extents[3] = {0, 0, 0};
  };
  GaussAhead(const BoxRecipe& recipe, const CoordinateLaw (&extents)[3])
      : recipe_(recipe), extents_(extents) {}

  void DrawAhead(RandomSource& random, Draws& draws) const {
    for (int32_t axis = 0; axis < recipe_.dimension; ++axis) {
      draws.points[axis] = DrawPolarPoint(random);
    }
    for (int32_t axis = 0; axis < recipe_.dimension && recipe_.variableSize; ++axis) {
      draws.extents[axis] = extents_[axis].Draw(random);
    }
  }
  bool Finish(const Draws& draws, int32_t low[3], int32_t extent[3]) const {
    for (int32_t axis = 0; axis < recipe_.dimension; ++axis) {
      const float z = PolarDeviates(draws.points[axis])[0];
      const int32_t k = GaussianFromDeviate(z, recipe_.param1, recipe_.param2);
      low[axis] = ClampGaussian(k, recipe_.world[axis]);
      extent[axis] = recipe_.variableSize ? draws.extents[axis] : recipe_.high[axis];
    }
    return true;
  }

 private:
  const BoxRecipe& recipe_;
  const CoordinateLaw (&extents_)[3];
};

// A point family's attempts with fixed sizes: the point's draws alone.
class FamilyAhead {
 public:
  using Draws = PointDraws;
  FamilyAhead(const BoxRecipe& recipe, const PointFamily& family)
      : recipe_(recipe), family_(family) {}

  void DrawAhead(RandomSource& random, Draws& draws) const { family_.DrawAhead(random, draws); }
  bool Finish(const Draws& draws, int32_t low[3], int32_t extent[3]) const {
    std::array<double, 3> point;
    if (!family_.Finish(draws, recipe_.world, low, point)) return false;
    for (int32_t axis = 0; axis < recipe_.dimension; ++axis) extent[axis] = recipe_.high[axis];
    return true;
  }

 private:
  const BoxRecipe& recipe_;
  const PointFamily& family_;
};

// The attempts of a run drawn ahead by law.
template <typename Law>
StreamResult RunAhead(const BoxRecipe& recipe, RandomSource& random, BoxConsumer& consumer,
                      const AttemptLimits& limits, const Law& law, int workers) {
  AttemptsAhead<Law> attempts(law, workers > 1 && recipe.boxCount > kBoxBlock);
  const StreamResult result = RunAttempts(
      recipe, consumer, limits, [&](int64_t counter, int64_t low[3], int64_t extent[3]) {
        return attempts.Take(random, recipe.boxCount - counter + 1, low, extent);
      });
  attempts.LeaveSource(random);
  return result;
}

}  // namespace

StreamResult StreamBoxes(const BoxRecipe& recipe, RandomSource& random, BoxConsumer& consumer,
                         const AttemptLimits& limits, int workers) {
  const int32_t dimension = recipe.dimension;
  if (recipe.kind == kParcel) return StreamParcel(recipe, random, consumer);
  const CoordinateLaw extents[3] = {CoordinateLaw(kUniform, recipe.high[0], 0.0f, 0.0f),
                                    CoordinateLaw(kUniform, recipe.high[1], 0.0f, 0.0f),
                                    CoordinateLaw(kUniform, recipe.high[2], 0.0f, 0.0f)};
  const auto drawExtents = [&](int64_t extent[3]) {
    for (int32_t axis = 0; axis < dimension; ++axis) {
      extent[axis] = recipe.variableSize ? extents[axis].Draw(random) : recipe.high[axis];
    }
  };

  if (recipe.kind == kGauss) {
    return RunAhead(recipe, random, consumer, limits, GaussAhead(recipe, extents), workers);
  }

  if (IsFamily(recipe.kind)) {
    // A family draws its first draws (the clustered centres) before the first box.
    PointFamily family(recipe.kind, recipe.families, dimension, random);
    if (family.DrawsAhead() && !recipe.variableSize) {
      return RunAhead(recipe, random, consumer, limits, FamilyAhead(recipe, family), workers);
    }
    return RunAttempts(recipe, consumer, limits, [&](int64_t, int64_t low[3], int64_t extent[3]) {
      int32_t corner[3] = {0, 0, 0};
      if (!family.Draw(random, recipe.world, corner)) return false;
      for (int32_t axis = 0; axis < dimension; ++axis) low[axis] = corner[axis];
      drawExtents(extent);
      return true;
    });
  }

  // One law per axis; equal world sizes share theirs (the skewed law is costly to build).
  std::optional<CoordinateLaw> laws[3];
  const CoordinateLaw* positions[3] = {nullptr, nullptr, nullptr};
  for (int32_t axis = 0; axis < dimension; ++axis) {
    for (int32_t earlier = 0; earlier < axis; ++earlier) {
      if (recipe.world[earlier] == recipe.world[axis]) positions[axis] = positions[earlier];
    }
    if (positions[axis] == nullptr) {
      laws[axis].emplace(recipe.kind, recipe.world[axis], recipe.param1, recipe.param2);
      positions[axis] = &*laws[axis];
    }
  }
  return RunAttempts(recipe, consumer, limits, [&](int64_t, int64_t low[3], int64_t extent[3]) {
    for (int32_t axis = 0; axis < dimension; ++axis) low[axis] = positions[axis]->Draw(random);
    drawExtents(extent);
    return true;
  });
}

}  // namespace pelmora
