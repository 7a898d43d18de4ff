#include "generator/dataset_verify.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "generator/dataset_header.h"
#include "generator/generation_run.h"
#include "generator/quoted.h"
#include "generator/stream_run.h"

namespace pelmora {

namespace {

// The output of the regenerating run: each byte the run writes is compared with the next byte of
// the file. At the first difference the output fails, which stops the run; the verdict is kept.
class ComparingOutput final : public Output {
 public:
  ComparingOutput(Input& input, std::string start) : input_(input), file_(std::move(start)) {}

  void Write(std::string_view expected) override {
    if (verdict_) {
      // After a difference only the rest of the expected line is wanted, for the message.
      FinishExpectedLine(expected);
      return;
    }
    for (size_t i = 0; i < expected.size(); ++i) {
      const std::optional<char> found = Next();
      if (verdict_) return;  // the file could not be read
      if (!found) {
        Settle(Verdict::kTruncated,
               "truncated: the file stops in line " + std::to_string(line_) +
                   " without \"End of dataset.\"; what is there matches its header");
        return;
      }
      if (*found != expected[i]) {
        Differ(expected.substr(i), *found);
        return;
      }
      Keep(expected[i]);
    }
  }

  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }

  // The run is complete: identical if the file ends here too.
  Status Commit() override {
    if (verdict_) {
      if (pendingDiffers_) SettleDiffers();
      return status_;
    }
    if (Next()) {
      Settle(Verdict::kDiffers, "line " + std::to_string(line_) +
                                    " differs: the file goes on after \"End of dataset.\"");
    } else if (!verdict_) {
      verdict_ = Verdict::kIdentical;
      message_ = "identical";
    }
    return status_;
  }
  void Discard() noexcept override {}

  bool settled() const { return verdict_.has_value(); }
  Verification Result() {
    if (pendingDiffers_) SettleDiffers();
    Verification result;
    result.verdict = *verdict_;
    result.message = message_;
    result.inputFailed = inputFailed_;
    return result;
  }

 private:
  static constexpr size_t kShown = kQuoteLimit + 1;  // enough of a line to show it in a message

  // The next byte of the file, or nothing at its end or when it cannot be read.
  std::optional<char> Next() {
    if (at_ == file_.size()) {
      file_.clear();
      at_ = 0;
      char buffer[1 << 16];
      size_t got = 0;
      if (const Status read = input_.Read(buffer, sizeof buffer, &got); !read.ok()) {
        inputFailed_ = true;
        Settle(Verdict::kUnreadable, read.message());
        return std::nullopt;
      }
      if (got == 0) return std::nullopt;
      file_.assign(buffer, got);
    }
    return file_[at_++];
  }

  // A byte that matched: the line so far, for a message about a later byte of it.
  void Keep(char c) {
    if (c == '\n') {
      ++line_;
      lineSoFar_.clear();
    } else if (lineSoFar_.size() < kShown) {
      lineSoFar_ += c;
    }
  }

  void Differ(std::string_view expectedRest, char found) {
    if (found == '\n' && expectedRest.front() == '\r') {
      Settle(Verdict::kDiffers, "line " + std::to_string(line_) + " ends in LF, expected CR LF");
      return;
    }
    // What the file holds from here to its line end (or as much as a message shows).
    foundLine_ = lineSoFar_;
    std::optional<char> c = found;
    while (c && *c != '\n' && *c != '\r' && foundLine_.size() < kShown) {
      foundLine_ += *c;
      c = Next();
    }
    if (verdict_) return;  // the file could not be read
    expectedLine_ = lineSoFar_;
    verdict_ = Verdict::kDiffers;
    pendingDiffers_ = true;
    FinishExpectedLine(expectedRest);
    status_ = Status::Error("the file differs");
  }

  void FinishExpectedLine(std::string_view expected) {
    if (expectedDone_) return;
    for (const char c : expected) {
      if (c == '\r' || c == '\n' || expectedLine_.size() >= kShown) {
        expectedDone_ = true;
        return;
      }
      expectedLine_ += c;
    }
  }

  void SettleDiffers() {
    message_ = "line " + std::to_string(line_) + " differs: expected " +
               QuoteExcerpt(expectedLine_) + ", found " + QuoteExcerpt(foundLine_);
    pendingDiffers_ = false;
  }

  void Settle(Verdict verdict, std::string message) {
    verdict_ = verdict;
    message_ = std::move(message);
    status_ = Status::Error("the file differs");
  }

  Input& input_;
  std::string file_;  // bytes read from the file and not yet compared, from at_
  size_t at_ = 0;
  size_t line_ = 1;
  std::string lineSoFar_;
  std::string expectedLine_;
  std::string foundLine_;
  bool expectedDone_ = false;
  bool pendingDiffers_ = false;  // the message waits for the rest of the expected line
  std::optional<Verdict> verdict_;
  std::string message_;
  bool inputFailed_ = false;
  Status status_;
};

// Hands everything to an output that outlives the run.
class BorrowedOutput final : public Output {
 public:
  explicit BorrowedOutput(Output& inner) : inner_(inner) {}
  void Write(std::string_view bytes) override { inner_.Write(bytes); }
  const Status& status() const override { return inner_.status(); }
  Status Complete() override { return inner_.Complete(); }
  Status Commit() override { return inner_.Commit(); }
  void Discard() noexcept override { inner_.Discard(); }

 private:
  Output& inner_;
};

}  // namespace

Verification VerifyDataset(Input& input) {
  Verification result;
  std::string consumed;
  const HeaderReading header = ReadDatasetHeader(input, &consumed);
  if (!header.status.ok()) {
    // A file that cannot be read says so as it is; one that reads is named by its line.
    result.inputFailed = header.inputFailed;
    result.message = header.inputFailed ? header.status.message()
                                        : "cannot read the header: " + header.status.message();
    return result;
  }

  // The same run the header describes, compared as it goes, from a fresh state as at start.
  ComparingOutput comparing(input, std::move(consumed));
  RunServices services;
  services.openDataset = [&comparing](const std::string&) {
    return std::make_unique<BorrowedOutput>(comparing);
  };
  const StreamRunResult run = RunIntoOutput(header.controls, BoxFormat::kPelmora, services);
  if (!comparing.settled()) {
    result.message = "the settings of the header make no dataset: " + run.run.message;
    return result;
  }
  return comparing.Result();
}

Verification VerifyDataset(std::string_view bytes) {
  MemoryInput input(bytes);
  return VerifyDataset(input);
}

}  // namespace pelmora
