#include "generator/stream_run.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "generator/dataset_header.h"

namespace pelmora {

namespace {

// Formats each block into the sink and reports progress.
class OutputConsumer final : public BoxConsumer {
 public:
  OutputConsumer(const BoxFormatter& formatter, Output& sink, const ProgressReport& progress,
                 int64_t total)
      : file_(formatter, sink), progress_(progress), total_(total) {}

  bool Accept(int64_t first, std::span<const Box> boxes) override {
    if (!file_.Accept(first, boxes)) return false;
    if (progress_) progress_(first + static_cast<int64_t>(boxes.size()) - 1, total_);
    return true;
  }

 private:
  FormattingConsumer file_;
  const ProgressReport& progress_;
  int64_t total_;
};

// Formats and writes on a thread of its own while the run draws the next boxes: blocks pass
// through a small ring of slots in number order, so the bytes are those of OutputConsumer. The
// output is used by the writing thread alone until Close returns.
class PipelineConsumer final : public BoxConsumer {
 public:
  PipelineConsumer(const BoxFormatter& formatter, Output& sink, const ProgressReport& progress,
                   int64_t total)
      : inner_(formatter, sink, progress, total), slots_(kSlots) {
    writer_ = std::thread([this] { WriteBlocks(); });
  }
  ~PipelineConsumer() override { Close(); }

  bool Accept(int64_t first, std::span<const Box> boxes) override {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || ready_ - written_ < kSlots; });
    if (failed_) return false;
    Slot& slot = slots_[ready_ % kSlots];
    lock.unlock();
    slot.first = first;
    slot.boxes.assign(boxes.begin(), boxes.end());
    lock.lock();
    ++ready_;
    changed_.notify_all();
    return true;
  }

  // Waits until every block handed on is written; true when all were.
  bool Close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
      changed_.notify_all();
    }
    if (writer_.joinable()) writer_.join();
    return !failed_;
  }

 private:
  static constexpr int64_t kSlots = 8;
  struct Slot {
    int64_t first = 0;
    std::vector<Box> boxes;
  };

  void WriteBlocks() {
    for (;;) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return closed_ || written_ < ready_; });
      if (written_ == ready_) return;  // closed, and nothing is left
      Slot& slot = slots_[written_ % kSlots];
      lock.unlock();
      const bool ok = inner_.Accept(slot.first, slot.boxes);
      lock.lock();
      ++written_;
      if (!ok) failed_ = true;
      changed_.notify_all();
      if (failed_) return;
    }
  }

  OutputConsumer inner_;
  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int64_t ready_ = 0;    // blocks handed on
  int64_t written_ = 0;  // blocks written
  bool closed_ = false;
  bool failed_ = false;
  std::thread writer_;
};

}  // namespace

StreamRunResult RunIntoOutput(const GeneratorControls& controls, BoxFormat format,
                              const RunServices& services, const ProgressReport& progress,
                              int workers, std::unique_ptr<Output>* completed) {
  StreamRunResult result;
  if (std::string refusal = RunRefusal(controls); !refusal.empty()) {
    result.run = RunResult::Refused(std::move(refusal));
    return result;
  }
  std::unique_ptr<Output> output = services.openDataset(controls.edfName);
  if (!output->status().ok()) {
    result.run = RunResult::Failed(output->status().message());
    return result;
  }
  Output& sink = *output;
  const auto fail = [&](std::string message) {
    sink.Discard();
    result.run = RunResult::Failed(std::move(message));
    return result;
  };

  const PlanOutcome planned = PlanRun(controls, 0, services);
  if (!planned.plan) {
    sink.Discard();
    result.run = planned.failure;
    return result;
  }
  const RunPlan& plan = *planned.plan;
  const BoxFormatter formatter(format, plan.recipe.dimension);

  if (format == BoxFormat::kPelmora) {
    DatasetWriter out(sink);
    WriteDatasetHeader(out, controls, plan);
    (void)out.Flush();
  } else {
    sink.Write(formatter.Head(plan.recipe.boxCount));
  }
  if (!sink.status().ok()) return fail(sink.status().message());

  RandomSource random(static_cast<uint32_t>(plan.seed));
  const AttemptLimits limits{services.maxAttemptsPerBox, services.maxAttemptsPerRun};
  StreamResult stream;
  if (workers > 1) {
    PipelineConsumer consumer(formatter, sink, progress, plan.recipe.boxCount);
    stream = StreamBoxes(plan.recipe, random, consumer, limits, workers);
    if (!consumer.Close() && stream.end == StreamEnd::kCompleted) stream.end = StreamEnd::kStopped;
  } else {
    OutputConsumer consumer(formatter, sink, progress, plan.recipe.boxCount);
    stream = StreamBoxes(plan.recipe, random, consumer, limits);
  }
  if (stream.end != StreamEnd::kCompleted) {
    return fail(stream.end == StreamEnd::kAttemptLimit ? stream.message : sink.status().message());
  }
  sink.Write(formatter.Tail());
  const Status done = completed != nullptr ? sink.Complete() : sink.Commit();
  if (!done.ok()) return fail(done.message());
  if (completed != nullptr) *completed = std::move(output);
  result.run.end = RunEnd::kCompleted;
  result.run.seed = plan.seed;
  if (plan.randomSeed) result.run.seedForField = plan.seed;
  result.randomSource = random;
  result.boxes = stream.boxes;
  return result;
}

}  // namespace pelmora
