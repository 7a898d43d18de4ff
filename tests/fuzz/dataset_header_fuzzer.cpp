// The dataset files that pelmora-gen reads back (--from, --verify): any bytes.
//
// Reading a header either fails with a message naming a line or gives controls the window
// could hold. For a header that reads, the header its controls write reads back and is written
// again the same; when it asks for few boxes, verifying the bytes must not fail on its own, and
// the file that those controls make must read back and verify as identical: what a run writes,
// the reader takes back to the same run.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "generator/dataset_header.h"
#include "generator/dataset_verify.h"
#include "generator/generation_run.h"
#include "tests/fuzz/slow_settings.h"

namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "dataset header fuzzer: %s\n", what);
  std::abort();
}

// Box counts above this are read but not generated, so that one input stays well below a
// second (settings in which boxes hardly fit aside, see LikelySlow).
constexpr int32_t kMostBoxesRun = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelmora;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const HeaderReading header = ReadDatasetHeader(bytes);
  if (!header.status.ok()) {
    Check(!header.status.message().empty(), "an unreadable header without a message");
    Check(!header.inputFailed, "bytes in memory that fail as an input");
    return 0;
  }
  const GeneratorControls& c = header.controls;
  Check(c.rgDimension >= 0 && c.rgDimension <= 2, "dimension out of range");
  Check(c.rbDist >= 0 && c.rbDist <= 2, "distribution out of range");
  Check(c.rbDist != 2 || (c.rgExponent >= 0 && c.rgExponent <= 1), "exponent out of range");
  Check(c.rbSeedConstant, "a header that does not give its seed");

  // The header these controls write, whatever their box count, reads back to controls that
  // write it again byte for byte.
  if (const PlanOutcome planned = PlanRun(c, 0); planned.plan) {
    const auto write = [](const GeneratorControls& controls, const RunPlan& plan) {
      std::string bytes;
      MemoryOutput output(&bytes);
      DatasetWriter out(output);
      WriteDatasetHeader(out, controls, plan);
      (void)out.Flush();
      (void)output.Commit();
      return bytes;
    };
    const std::string written = write(c, *planned.plan);
    const HeaderReading again = ReadDatasetHeader(written);
    if (!again.status.ok()) {
      std::fprintf(stderr, "%s\n", again.status.message().c_str());
      Check(false, "a header written from a header that reads does not read");
    }
    const PlanOutcome replanned = PlanRun(again.controls, 0);
    Check(replanned.plan.has_value(), "a header written from a header that reads plans no run");
    Check(write(again.controls, *replanned.plan) == written,
          "a header written from a header that reads is written differently the second time");
  }
  if (c.spBoxes.value > kMostBoxesRun) return 0;
  // Settings in which no box fits cost three runs of ten million attempts each here.
  static SlowRunBudget slowRuns;
  const bool slow = LikelySlow(c);
  if (slow && !slowRuns.Allowed()) return 0;
  struct Timed {
    bool slow;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    ~Timed() {
      if (slow) slowRuns.Spent(std::chrono::steady_clock::now() - start);
    }
  } timed{slow};

  const Verification verification = VerifyDataset(bytes);
  Check(!verification.message.empty(), "a verification without a message");

  // The file these controls make, and what the reader makes of it in turn.
  static GeneratorState* const state = new GeneratorState();  // the run reseeds it: no carry-over
  std::string made;
  RunServices services;
  services.openDataset = [&made](const std::string&) {
    return std::make_unique<MemoryOutput>(&made);
  };
  const RunResult run = GenerateDataset(c, *state, services);
  if (run.end != RunEnd::kCompleted) {
    // Verification compares as the run makes lines, so it may stop at a differing line before
    // the run fails; it must never call such a file identical.
    Check(verification.verdict != Verdict::kIdentical, "verified a header that makes nothing");
    return 0;
  }
  const Verification again = VerifyDataset(made);
  if (again.verdict != Verdict::kIdentical) {
    std::fprintf(stderr, "%s\n", again.message.c_str());
    Check(false, "a file made from a header does not verify as identical");
  }
  return 0;
}
