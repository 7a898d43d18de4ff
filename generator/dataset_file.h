// The dataset file: where its bytes go, and how its lines are formatted.
//
// Text with CR LF line ends, one byte per character. A completed file ends with the final full
// stop of "End of dataset."; a file without that footer is incomplete. A good earlier file of
// the same name is never left half-overwritten: a file target is written beside itself and moved
// into place only when complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pelmora {

// Where the bytes of one dataset go. Write and Finish report failure by returning false, after
// which Error() describes it; Discard abandons the output and leaves any earlier file as it was.
class DatasetSink {
 public:
  virtual ~DatasetSink() = default;
  virtual bool Write(const char* data, size_t size) = 0;
  // Completes the output: closes it and, for a file, moves it over the target.
  virtual bool Finish() = 0;
  // Abandons the output; idempotent, never fails. Not needed after Finish.
  virtual void Discard() noexcept = 0;
  virtual std::string Error() const = 0;
};

// Opens the dataset output for name (the file name exactly as typed):
//   "" fails (there is no such file);
//   a name that does not exist or is a regular file (or a link to one) is written to a new file
//     beside it, which Finish moves over it;
//   any other existing name (a device, a pipe) is written directly; a folder fails.
// On failure returns null and sets *error to a message naming the file and the system's reason.
std::unique_ptr<DatasetSink> OpenDatasetFile(const std::string& name, std::string* error);

// As OpenDatasetFile, for any output file: kind names it in messages ("picture").
std::unique_ptr<DatasetSink> OpenOutputFile(const std::string& name, std::string* error,
                                            std::string_view kind);

// A sink that keeps every byte until Finish and then writes them to standard output in one go,
// so a run that fails writes nothing there.
std::unique_ptr<DatasetSink> OpenStandardOutput();

// Keeps the bytes in memory and, on Finish, moves them to *destination (which must outlive the
// sink): for output that is compared or converted rather than stored. A discarded output leaves
// *destination as it was.
class MemorySink final : public DatasetSink {
 public:
  explicit MemorySink(std::string* destination) : destination_(destination) {}
  bool Write(const char* data, size_t size) override {
    pending_.append(data, size);
    return true;
  }
  bool Finish() override {
    *destination_ = std::move(pending_);
    pending_.clear();
    return true;
  }
  void Discard() noexcept override { pending_.clear(); }
  std::string Error() const override { return std::string(); }

 private:
  std::string* destination_;
  std::string pending_;
};

enum class LineEnds { kCrLf, kLf };

// Formats text into a buffer and hands it to a sink in large pieces. Every "\n" becomes CR LF
// (the dataset file) or stays LF (the interchange formats). After the first failed write further
// output is dropped and failed() stays true.
class DatasetWriter {
 public:
  explicit DatasetWriter(DatasetSink& sink, LineEnds lineEnds = LineEnds::kCrLf)
      : sink_(sink), crlf_(lineEnds == LineEnds::kCrLf) {}
  DatasetWriter(const DatasetWriter&) = delete;
  DatasetWriter& operator=(const DatasetWriter&) = delete;

  DatasetWriter& Text(std::string_view text);  // "\n" written as CR LF
  DatasetWriter& Int(int32_t value);           // %d
  DatasetWriter& Fixed2(double value);         // %.2f with a full stop
  DatasetWriter& LineEnd() { return Text("\n"); }

  // Hands everything buffered to the sink; false when any write failed.
  bool Flush();
  bool failed() const { return failed_; }

 private:
  void Reserve(size_t size);

  static constexpr size_t kBufferSize = 1 << 16;
  DatasetSink& sink_;
  bool crlf_;
  char buffer_[kBufferSize];
  size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace pelmora
