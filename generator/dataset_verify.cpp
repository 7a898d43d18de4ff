#include "generator/dataset_verify.h"

#include <algorithm>
#include <memory>

#include "generator/dataset_header.h"
#include "generator/generation_run.h"

namespace pelmora {

namespace {

// The text of the line that holds byte position at, without its line end.
std::string_view LineAt(std::string_view bytes, size_t at) {
  const size_t start = at == 0 ? 0 : bytes.rfind('\n', at - 1);
  const size_t from = start == std::string_view::npos || at == 0 ? 0 : start + 1;
  size_t end = bytes.find('\n', from);
  if (end == std::string_view::npos) end = bytes.size();
  std::string_view line = bytes.substr(from, end - from);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

size_t LineNumberAt(std::string_view bytes, size_t at) {
  return 1 + static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + at, '\n'));
}

}  // namespace

Verification VerifyDataset(std::string_view bytes) {
  Verification result;
  const HeaderReading header = ReadDatasetHeader(bytes);
  if (!header.controls) {
    result.message = "cannot read the header: " + header.error;
    return result;
  }

  // The same run the header describes, into memory, from a fresh state as at start.
  auto state = std::make_unique<GeneratorState>();
  RunServices services;
  std::string expected;
  services.openDataset = [&expected](const std::string&) {
    return std::make_unique<MemoryOutput>(&expected);
  };
  const RunResult run = GenerateDataset(*header.controls, *state, services);
  if (run.end != RunEnd::kCompleted) {
    result.message = "the settings of the header make no dataset: " + run.message;
    return result;
  }

  const size_t common = std::min(bytes.size(), expected.size());
  const auto mismatch = std::mismatch(bytes.begin(), bytes.begin() + common, expected.begin());
  const auto at = static_cast<size_t>(mismatch.first - bytes.begin());
  if (at == common && bytes.size() == expected.size()) {
    result.verdict = Verdict::kIdentical;
    result.message = "identical";
    return result;
  }
  if (at == common && bytes.size() < expected.size()) {
    result.verdict = Verdict::kTruncated;
    result.message = "truncated: the file stops in line " +
                     std::to_string(LineNumberAt(bytes, bytes.size())) +
                     " without \"End of dataset.\"; what is there matches its header";
    return result;
  }
  result.verdict = Verdict::kDiffers;
  const size_t line = LineNumberAt(bytes, at);
  const std::string_view expectedLine =
      at < expected.size() ? LineAt(expected, at) : std::string_view();
  if (at >= expected.size()) {
    result.message = "line " + std::to_string(line) +
                     " differs: the file goes on after \"End of "
                     "dataset.\"";
  } else {
    result.message = "line " + std::to_string(line) + " differs: expected '" +
                     std::string(expectedLine) + "', found '" + std::string(LineAt(bytes, at)) +
                     "'";
  }
  return result;
}

}  // namespace pelmora
