#include "pelmora/generate.h"

#include <memory>
#include <new>
#include <string>

#include "generator/box_stream.h"
#include "generator/generation_run.h"
#include "library/settings_controls.h"

namespace pelmora {

namespace {

// Hands each box of the stream on to the caller's function.
class CallbackConsumer final : public BoxConsumer {
 public:
  explicit CallbackConsumer(const BoxCallback& callback) : callback_(callback) {}
  bool Accept(int64_t first, std::span<const Box> boxes) override {
    for (const Box& box : boxes) {
      if (!callback_(box)) {
        stoppedAt_ = first;
        return false;
      }
      ++first;
    }
    return true;
  }
  int64_t stoppedAt() const { return stoppedAt_; }

 private:
  const BoxCallback& callback_;
  int64_t stoppedAt_ = 0;
};

}  // namespace

Status Generate(const Settings& settings, const BoxCallback& consumer) {
  if (Status valid = Validate(settings); !valid.ok()) return valid;
  const PlanOutcome planned = PlanRun(ToControls(settings), 0);
  if (!planned.plan) return Status::Error(planned.failure.message);
  RandomSource random(static_cast<uint32_t>(planned.plan->seed));
  CallbackConsumer callback(consumer);
  const StreamResult stream = StreamBoxes(planned.plan->recipe, random, callback);
  if (stream.end == StreamEnd::kAttemptLimit) return Status::Error(stream.message);
  if (stream.end == StreamEnd::kStopped) {
    return Status::Error("stopped by the consumer at box " + std::to_string(callback.stoppedAt()));
  }
  return Status::Ok();
}

Status GenerateBoxes(const Settings& settings, std::vector<Box>* boxes) {
  boxes->clear();
  if (Status valid = Validate(settings); !valid.ok()) return valid;
  // The whole vector is reserved first: a count that does not fit in memory is a status, and the
  // boxes are never moved while the run goes on.
  try {
    boxes->reserve(static_cast<size_t>(settings.boxes));
  } catch (const std::bad_alloc&) {
    return Status::Error("not enough memory for " + std::to_string(settings.boxes) + " boxes (" +
                         std::to_string(sizeof(Box) * static_cast<size_t>(settings.boxes)) +
                         " bytes)");
  }
  return Generate(settings, [boxes](const Box& box) {
    boxes->push_back(box);
    return true;
  });
}

}  // namespace pelmora
