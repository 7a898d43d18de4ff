#include "generator/box_stream.h"

#include <gtest/gtest.h>

#include <memory>
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

std::vector<Box> Stream(const GeneratorControls& c, RandomSource* end = nullptr) {
  const PlanOutcome planned = PlanRun(c, 0);
  EXPECT_TRUE(planned.plan.has_value()) << planned.failure.message;
  RandomSource random;
  random.Seed(static_cast<uint32_t>(planned.plan->seed));
  Collect collect;
  const StreamResult result = StreamBoxes(planned.plan->recipe, random, collect);
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
      const std::vector<Box> longer = Stream(Controls(dimension, law, 250000));
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
