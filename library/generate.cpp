#include "pelmora/generate.h"

#include <memory>
#include <string>

#include "generator/generation_run.h"
#include "library/settings_controls.h"

namespace pelmora {

namespace {

// The dataset text of a run whose boxes are wanted, not its file.
class DiscardOutput final : public Output {
 public:
  void Write(std::string_view) override {}
  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }
  Status Commit() override { return status_; }
  void Discard() noexcept override {}

 private:
  Status status_;
};

}  // namespace

Status Generate(const Settings& settings, const BoxCallback& consumer) {
  if (Status valid = Validate(settings); !valid.ok()) return valid;
  auto state = std::make_unique<GeneratorState>();
  RunServices services;
  services.openDataset = [](const std::string&) { return std::make_unique<DiscardOutput>(); };
  const RunResult run = GenerateDataset(ToControls(settings), *state, services);
  if (run.end != RunEnd::kCompleted) return Status::Error(run.message);
  for (int32_t number = 1; number <= state->sceneSettings.boxCount; ++number) {
    const BoxRecord& record = state->boxTable[number];
    const Point3D& low = record.corners[0];
    const Point3D& high = record.corners[6];
    const Box box{
        {static_cast<int32_t>(low.x), static_cast<int32_t>(low.y), static_cast<int32_t>(low.z)},
        {static_cast<int32_t>(high.x), static_cast<int32_t>(high.y), static_cast<int32_t>(high.z)}};
    if (!consumer(box)) {
      return Status::Error("stopped by the consumer at box " + std::to_string(number));
    }
  }
  return Status::Ok();
}

Status GenerateBoxes(const Settings& settings, std::vector<Box>* boxes) {
  boxes->clear();
  if (Status valid = Validate(settings); !valid.ok()) return valid;
  boxes->reserve(static_cast<size_t>(settings.boxes));
  return Generate(settings, [boxes](const Box& box) {
    boxes->push_back(box);
    return true;
  });
}

}  // namespace pelmora
