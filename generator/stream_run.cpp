#include "generator/stream_run.h"

#include <string>

namespace pelmora {

namespace {

RunResult Failed(std::string message) {
  RunResult result;
  result.end = RunEnd::kFailed;
  result.message = std::move(message);
  return result;
}

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

}  // namespace

StreamRunResult RunIntoOutput(const GeneratorControls& controls, BoxFormat format,
                              const RunServices& services, const ProgressReport& progress,
                              int workers, std::unique_ptr<Output>* completed) {
  StreamRunResult result;
  if (std::string refusal = RunRefusal(controls); !refusal.empty()) {
    result.run.end = RunEnd::kRefused;
    result.run.message = std::move(refusal);
    return result;
  }
  std::unique_ptr<Output> output = services.openDataset(controls.edfName);
  if (!output->status().ok()) {
    result.run = Failed(output->status().message());
    return result;
  }
  Output& sink = *output;
  const auto fail = [&](std::string message) {
    sink.Discard();
    result.run = Failed(std::move(message));
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
  (void)workers;
  {
    OutputConsumer consumer(formatter, sink, progress, plan.recipe.boxCount);
    stream = StreamBoxes(plan.recipe, random, consumer, limits);
  }
  if (stream.end != StreamEnd::kCompleted) {
    return fail(stream.end == StreamEnd::kAttemptLimit ? stream.message
                                                        : sink.status().message());
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
