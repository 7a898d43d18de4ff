#include "generator/box_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "generator/box_formats.h"
#include "generator/generation_run.h"
#include "generator/stream_run.h"

namespace pelmora {
namespace {

class Collect final : public BoxConsumer {
 public:
  explicit Collect(int64_t stopAfter = -1) : stopAfter_(stopAfter) {}
  bool Accept(int64_t first, std::span<const Box> boxes) override {
    EXPECT_EQ(first, static_cast<int64_t>(boxes_.size()) + 1);
    EXPECT_LE(boxes.size(), static_cast<size_t>(kBoxBlock));
    boxes_.insert(boxes_.end(), boxes.begin(), boxes.end());
    return stopAfter_ < 0 || static_cast<int64_t>(boxes_.size()) < stopAfter_;
  }
  std::vector<Box> boxes_;

 private:
  int64_t stopAfter_;
};

struct Law {
  const char* name;
  int32_t rbDist;
  int32_t rgExponent;
};
constexpr Law kLaws[] = {
    {"uniform", 0, 0}, {"gauss", 1, 0}, {"skewed p=1", 2, 0}, {"skewed p=2", 2, 1}};

GeneratorControls Controls(int32_t dimension, const Law& law, int32_t boxes) {
  GeneratorControls c;
  c.rgDimension = dimension - 1;
  c.rbDist = law.rbDist;
  c.rgExponent = law.rgExponent;
  c.cbBoxSize = true;  // extents drawn too
  c.rbSeedConstant = true;
  c.spSeed = 4242;
  c.spWorldZ.value = 700;
  c.spBoxes.value = boxes;
  return c;
}

std::vector<Box> Stream(const GeneratorControls& c, RandomSource* end = nullptr, int workers = 1) {
  const PlanOutcome planned = PlanRun(c, 0);
  EXPECT_TRUE(planned.plan.has_value()) << planned.failure.message;
  RandomSource random;
  random.Seed(static_cast<uint32_t>(planned.plan->seed));
  Collect collect;
  const StreamResult result =
      StreamBoxes(planned.plan->recipe, random, collect, AttemptLimits(), workers);
  EXPECT_EQ(result.end, StreamEnd::kCompleted) << result.message;
  EXPECT_EQ(result.boxes, c.spBoxes.value);
  if (end != nullptr) *end = random;
  return collect.boxes_;
}

// The first k boxes of a longer dataset are the k-box dataset, across the box table's limit:
// a 100000-box run of the window (its table and its file) against the first 100000 boxes of a
// 250000-box stream, and a 100000-box stream against the same, for every dimension and law.
TEST(BoxStreamTest, LongerStreamsContinueShorterOnes) {
  auto state = std::make_unique<GeneratorState>();
  for (int32_t dimension = 1; dimension <= 3; ++dimension) {
    for (const Law& law : kLaws) {
      SCOPED_TRACE(std::to_string(dimension) + "D " + law.name);
      const std::vector<Box> longer = Stream(Controls(dimension, law, 250000), nullptr, 2);
      RandomSource streamEnd;
      const std::vector<Box> shorter = Stream(Controls(dimension, law, 100000), &streamEnd);
      ASSERT_EQ(longer.size(), 250000u);
      ASSERT_EQ(shorter.size(), 100000u);
      EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), longer.begin()));

      GeneratorControls c = Controls(dimension, law, 100000);
      std::string file;
      RunServices services;
      services.openDataset = [&file](const std::string&) {
        return std::make_unique<MemoryOutput>(&file);
      };
      ASSERT_EQ(GenerateDataset(c, *state, services).end, RunEnd::kCompleted);
      // The random source is left where the stream leaves it: the picture's colours follow.
      EXPECT_EQ(state->randomSource.StateLow, streamEnd.StateLow);
      EXPECT_EQ(state->randomSource.StateHigh, streamEnd.StateHigh);
      int32_t differing = 0;
      for (int32_t i = 1; i <= 100000; ++i) {
        if (!(BoxOf(state->boxTable[i]) == longer[static_cast<size_t>(i - 1)])) ++differing;
      }
      EXPECT_EQ(differing, 0);

      // The file's record lines are the longer stream's first 100000, formatted.
      const BoxFormatter records(BoxFormat::kPelmora, dimension);
      std::string text(100000 * records.MaxBoxBytes(), '\0');
      const char* end = records.Format(1, std::span<const Box>(longer.data(), 100000), text.data());
      text.resize(static_cast<size_t>(end - text.data()));
      const size_t start = file.find("Start of Dataset:\r\n\r\n");
      ASSERT_NE(start, std::string::npos);
      EXPECT_EQ(file.substr(start + 21), text + "\r\nEnd of dataset.");
      for (const Box& box : longer) {
        for (int32_t axis = 0; axis < dimension; ++axis) {
          ASSERT_GE(box.low[axis], 1);
          ASSERT_LT(box.low[axis], box.high[axis]);
          ASSERT_LE(box.high[axis], 700);
        }
        for (int32_t axis = dimension; axis < 3; ++axis) {
          ASSERT_EQ(box.low[axis], 0);
          ASSERT_EQ(box.high[axis], 0);
        }
      }
    }
  }
}

// The point families continue their shorter runs too, across the box table's limit and at the
// stream's block edges: the first k boxes of a 250000-box stream are the k-box stream, for
// every dimension each family draws in, with fixed and variable sizes, and with options that
// make the families refuse attempts (points outside the unit cube).
TEST(BoxStreamTest, FamiliesContinueShorterRuns) {
  struct Family {
    const char* name;
    int32_t kind;
    FamilySettings settings;
  };
  FamilySettings wide;
  wide.diagonalFraction = 0.1;
  wide.diagonalWidth = 2.0;  // most points off the diagonal, many outside the cube
  wide.clusters = 1000;
  wide.clusterSigma = 0.3;  // clusters reaching far outside the cube
  wide.bitProbability = 0.7;
  wide.bitDigits = 30;
  const Family families[] = {
      {"diagonal", kDiagonal, FamilySettings()},
      {"diagonal wide", kDiagonal, wide},
      {"bit", kBit, FamilySettings()},
      {"bit 30 digits", kBit, wide},
      {"sierpinski", kSierpinski, FamilySettings()},
      {"clustered", kClustered, FamilySettings()},
      {"clustered wide", kClustered, wide},
  };
  for (int32_t dimension = 1; dimension <= 3; ++dimension) {
    for (const Family& family : families) {
      if (family.kind == kSierpinski && dimension == 1) continue;  // refused in 1D
      for (const bool variable : {false, true}) {
        SCOPED_TRACE(std::to_string(dimension) + "D " + family.name +
                     (variable ? " variable" : " fixed"));
        GeneratorControls c = Controls(dimension, kLaws[0], 250000);
        c.family = family.kind;
        c.families = family.settings;
        c.cbBoxSize = variable;
        const std::vector<Box> longer = Stream(c, nullptr, 2);  // and on two threads
        ASSERT_EQ(longer.size(), 250000u);
        for (const int32_t k : {1, kBoxBlock - 1, kBoxBlock, kBoxBlock + 1, 100000}) {
          c.spBoxes.value = k;
          const std::vector<Box> shorter = Stream(c);
          ASSERT_EQ(shorter.size(), static_cast<size_t>(k));
          EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), longer.begin())) << k;
        }
      }
    }
  }
}

// Parcel boxes make no prefix: the box count shapes the tree from its first cut. What holds for
// every count is the tiling: without dither every box lies in the world and their volumes add
// up to the world's (families_test checks that they never overlap).
TEST(BoxStreamTest, ParcelRunsOfEveryCountTileTheWorld) {
  for (int32_t dimension = 1; dimension <= 3; ++dimension) {
    SCOPED_TRACE(std::to_string(dimension) + "D");
    // In 1D each box takes at least one of the world's 99999 units.
    GeneratorControls c = Controls(dimension, kLaws[0], dimension == 1 ? 99999 : 250000);
    c.family = kParcel;
    c.families.parcelDither = 0.0;
    c.spWorldX.value = c.spWorldY.value = c.spWorldZ.value = dimension == 1 ? 100000 : 2000;
    const std::vector<Box> longer = Stream(c);
    for (const int32_t k : {1, kBoxBlock + 1, dimension == 1 ? 50000 : 100000}) {
      c.spBoxes.value = k;
      const std::vector<Box> shorter = Stream(c);
      ASSERT_EQ(shorter.size(), static_cast<size_t>(k));
      if (k > 1) {
        EXPECT_FALSE(std::equal(shorter.begin(), shorter.end(), longer.begin())) << k;
      }
      for (const std::vector<Box>* boxes : {&shorter, &longer}) {
        int64_t volume = 0;
        for (const Box& box : *boxes) {
          int64_t boxVolume = 1;
          for (int32_t axis = 0; axis < dimension; ++axis) {
            ASSERT_GE(box.low[axis], 1);
            ASSERT_LE(box.high[axis], c.spWorldX.value);
            boxVolume *= box.high[axis] - box.low[axis];
          }
          volume += boxVolume;
        }
        int64_t world = 1;
        for (int32_t axis = 0; axis < dimension; ++axis) world *= c.spWorldX.value - 1;
        EXPECT_EQ(volume, world) << k << " boxes against " << boxes->size();
      }
    }
  }
}

TEST(BoxStreamTest, ConsumerThatStopsEndsTheRun) {
  const PlanOutcome planned = PlanRun(Controls(2, kLaws[0], 100000), 0);
  ASSERT_TRUE(planned.plan.has_value());
  RandomSource random(7);
  Collect collect(kBoxBlock + 1);  // stops after the second block
  const StreamResult result = StreamBoxes(planned.plan->recipe, random, collect);
  EXPECT_EQ(result.end, StreamEnd::kStopped);
  EXPECT_EQ(result.boxes, 2 * kBoxBlock);
  EXPECT_EQ(collect.boxes_.size(), static_cast<size_t>(2 * kBoxBlock));
}

TEST(BoxStreamTest, AttemptLimitEndsTheStreamWithTheRunsMessage) {
  GeneratorControls c = Controls(2, kLaws[1], 5);
  c.edMean = "5000";  // far outside a world of 700: nearly every box sticks out
  c.edSigma = "1";
  const PlanOutcome planned = PlanRun(c, 0);
  ASSERT_TRUE(planned.plan.has_value());
  RandomSource random;
  Collect collect;
  const StreamResult result = StreamBoxes(planned.plan->recipe, random, collect, {1000, 5000});
  EXPECT_EQ(result.end, StreamEnd::kAttemptLimit);
  EXPECT_EQ(result.message, AttemptLimitMessage(planned.plan->recipe, {1000, 5000}, 1, true));
  EXPECT_TRUE(collect.boxes_.empty());
}

// The boxes of a Gauss or point family recipe read attempt by attempt, as the window's run
// draws them: the positions x, y, z of an attempt (or the family's point, whose refusal ends
// the attempt), then its extents; in 1D and 2D a box past the world is drawn again, in 3D it is
// moved back. Ends after `boxes` boxes or at an attempt limit; `end` is the source after the
// last attempt made.
struct AttemptByAttempt {
  std::vector<Box> boxes;
  RandomSource end;
  bool limited = false;
};
AttemptByAttempt ReadAttemptByAttempt(const BoxRecipe& recipe, uint32_t seed, int64_t boxes,
                                      const AttemptLimits& limits) {
  AttemptByAttempt out;
  RandomSource random(seed);
  const int32_t d = recipe.dimension;
  std::optional<PointFamily> family;
  if (recipe.kind != kGauss) family.emplace(recipe.kind, recipe.families, d, random);
  int64_t inRow = 0;
  int64_t inRun = 0;
  while (static_cast<int64_t>(out.boxes.size()) < boxes) {
    Box box;
    bool fits = true;
    if (family) {
      fits = family->Draw(random, recipe.world, box.low);
    } else {
      for (int32_t a = 0; a < d; ++a) {
        box.low[a] = DrawCoordinate(random, kGauss, recipe.world[a], recipe.param1, recipe.param2);
      }
    }
    for (int32_t a = 0; a < d && fits; ++a) {
      box.high[a] =
          box.low[a] + (recipe.variableSize ? DrawCoordinate(random, kUniform, recipe.high[a], 0, 0)
                                            : recipe.high[a]);
    }
    for (int32_t a = 0; a < d && fits; ++a) {
      if (d == 3 && box.high[a] > recipe.world[a]) {
        box.low[a] -= box.high[a] - recipe.world[a];
        box.high[a] = recipe.world[a];
      }
      fits = box.high[a] <= recipe.world[a];
    }
    if (fits) {
      out.boxes.push_back(box);
      inRow = 0;
    } else if (++inRow >= limits.perBox || ++inRun >= limits.perRun) {
      out.limited = true;
      break;
    }
  }
  out.end = random;
  return out;
}

// Gauss positions and diagonal and clustered points are drawn ahead and their arithmetic shared
// with a second thread: the boxes, the end of the run and where it leaves the source are those
// of the attempt-by-attempt reading, with one thread or two, for runs that complete, that their
// consumer stops, and that reach an attempt limit, across several batches of kBoxBlock attempts.
TEST(BoxStreamTest, DrawnAheadFollowsTheAttemptOrder) {
  FamilySettings wide;
  wide.diagonalFraction = 0.1;
  wide.diagonalWidth = 2.0;
  wide.clusterSigma = 0.3;
  struct Case {
    const char* name;
    int32_t dimension;
    bool variable;
    const char* mean;
    const char* sigma;
    int32_t boxes;
    int64_t stopAfter;  // the consumer stops once it has this many boxes; -1 never
    AttemptLimits limits;
    int32_t family = 0;  // 0: the Gauss law
  };
  const Case cases[] = {
      {"1D fixed", 1, false, "350", "100", 3 * kBoxBlock + 5, -1, {}},
      {"2D variable", 2, true, "350", "100", 3 * kBoxBlock + 5, -1, {}},
      {"3D variable past the top", 3, true, "690", "30", 3 * kBoxBlock + 5, -1, {}},
      {"2D near the edge, many refused", 2, true, "690", "30", 2 * kBoxBlock + 1, -1, {}},
      {"2D stopped by the consumer", 2, true, "350", "100", 5 * kBoxBlock, kBoxBlock + 1, {}},
      {"2D attempt limit in a batch", 2, false, "690", "5", 10000, -1, {1000000, 3000}},
      {"2D attempt limit per box", 2, false, "5000", "1", 5, -1, {1000, 5000}},
      {"diagonal 1D", 1, false, "", "", 3 * kBoxBlock + 5, -1, {}, kDiagonal},
      {"diagonal 3D", 3, false, "", "", 3 * kBoxBlock + 5, -1, {}, kDiagonal},
      {"diagonal 2D variable", 2, true, "", "", 2 * kBoxBlock + 5, -1, {}, kDiagonal},
      {"clustered 2D", 2, false, "", "", 3 * kBoxBlock + 5, -1, {}, kClustered},
      {"clustered 3D stopped", 3, false, "", "", 5 * kBoxBlock, kBoxBlock + 1, {}, kClustered},
      {"clustered 3D attempt limit", 3, false, "", "", 100000, -1, {1000000, 3000}, kClustered},
  };
  for (const Case& c : cases) {
    GeneratorControls controls = Controls(c.dimension, kLaws[1], c.boxes);
    controls.cbBoxSize = c.variable;
    controls.edMean = c.mean;
    controls.edSigma = c.sigma;
    controls.family = c.family;
    if (std::string(c.name).find("attempt limit") != std::string::npos) controls.families = wide;
    const PlanOutcome planned = PlanRun(controls, 0);
    ASSERT_TRUE(planned.plan.has_value()) << c.name;
    const BoxRecipe& recipe = planned.plan->recipe;
    const int64_t wanted = c.stopAfter < 0 ? c.boxes : 2 * kBoxBlock;
    const AttemptByAttempt expected = ReadAttemptByAttempt(recipe, 4242, wanted, c.limits);
    // The cases with limits of their own reach them.
    const AttemptLimits usual;
    EXPECT_EQ(expected.limited, c.limits.perBox < usual.perBox || c.limits.perRun < usual.perRun)
        << c.name;
    for (int workers = 1; workers <= 2; ++workers) {
      SCOPED_TRACE(std::string(c.name) + ", workers " + std::to_string(workers));
      RandomSource random(4242);
      Collect collect(c.stopAfter);
      const StreamResult result = StreamBoxes(recipe, random, collect, c.limits, workers);
      const StreamEnd end = expected.limited   ? StreamEnd::kAttemptLimit
                            : c.stopAfter >= 0 ? StreamEnd::kStopped
                                               : StreamEnd::kCompleted;
      EXPECT_EQ(result.end, end);
      // A run that reaches a limit hands on only its full blocks.
      std::vector<Box> handedOn = expected.boxes;
      if (expected.limited) handedOn.resize(handedOn.size() - handedOn.size() % kBoxBlock);
      EXPECT_EQ(result.boxes, static_cast<int64_t>(handedOn.size()));
      EXPECT_TRUE(collect.boxes_ == handedOn);
      EXPECT_EQ(random.StateLow, expected.end.StateLow);
      EXPECT_EQ(random.StateHigh, expected.end.StateHigh);
    }
  }
}

// An output that fails once it has taken limit bytes.
class FailingOutput final : public Output {
 public:
  explicit FailingOutput(size_t limit) : limit_(limit) {}
  void Write(std::string_view bytes) override {
    if (!status_.ok()) return;
    taken_ += bytes.size();
    if (taken_ > limit_) status_ = Status::Error("Cannot write the test output: full");
  }
  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }
  Status Commit() override { return status_; }
  void Discard() noexcept override {}

 private:
  size_t limit_;
  size_t taken_ = 0;
  Status status_;
};

// Formatting on a second thread changes no byte, in any format; a failing output stops both.
TEST(StreamRunTest, SecondThreadWritesTheSameBytes) {
  for (const BoxFormat format : {BoxFormat::kPelmora, BoxFormat::kCsv, BoxFormat::kWkt,
                                 BoxFormat::kNpy, BoxFormat::kGeoJson}) {
    GeneratorControls c = Controls(3, kLaws[1], 30000);
    std::string bytes[2];
    for (int workers = 1; workers <= 2; ++workers) {
      RunServices services;
      std::string* into = &bytes[workers - 1];
      services.openDataset = [into](const std::string&) {
        return std::make_unique<MemoryOutput>(into);
      };
      const StreamRunResult run = RunIntoOutput(c, format, services, nullptr, workers);
      ASSERT_EQ(run.run.end, RunEnd::kCompleted) << run.run.message;
      EXPECT_EQ(run.boxes, 30000);
    }
    EXPECT_FALSE(bytes[0].empty());
    EXPECT_TRUE(bytes[0] == bytes[1]) << static_cast<int>(format);
  }
  for (int workers = 1; workers <= 2; ++workers) {
    RunServices services;
    services.openDataset = [](const std::string&) {
      return std::make_unique<FailingOutput>(100000);
    };
    const StreamRunResult run =
        RunIntoOutput(Controls(2, kLaws[0], 1000000), BoxFormat::kCsv, services, nullptr, workers);
    EXPECT_EQ(run.run.end, RunEnd::kFailed);
    EXPECT_EQ(run.run.message, "Cannot write the test output: full");
  }
}

}  // namespace
}  // namespace pelmora
