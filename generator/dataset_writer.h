// Formatting text for an output: the dataset file's lines, and the interchange formats'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <pelmora/status.h>
#include "generator/output_file.h"

namespace pelmora {

enum class LineEnds { kCrLf, kLf };

// value as %.2f prints it: fixed point, two decimals rounded, a full stop as separator.
std::string FormatFixed2(double value);

// Formats text into a buffer and hands it to an output in large pieces. Every "\n" becomes CR LF
// (the dataset file) or stays LF (the interchange formats). After the output fails, further text
// is dropped and failed() stays true. The writer never completes or commits the output.
class DatasetWriter {
 public:
  explicit DatasetWriter(Output& output, LineEnds lineEnds = LineEnds::kCrLf)
      : output_(output), crlf_(lineEnds == LineEnds::kCrLf) {}
  DatasetWriter(const DatasetWriter&) = delete;
  DatasetWriter& operator=(const DatasetWriter&) = delete;

  DatasetWriter& Text(std::string_view text);  // "\n" written as the line end
  DatasetWriter& Int(int32_t value);           // %d
  DatasetWriter& Int64(int64_t value);         // %d of a wider count
  DatasetWriter& Fixed2(double value);         // %.2f with a full stop
  DatasetWriter& LineEnd() { return Text("\n"); }
  DatasetWriter& Bytes(std::string_view bytes);  // as they are, nothing translated

  // Hands everything buffered to the output; its status.
  Status Flush();
  bool failed() const { return !output_.status().ok(); }

 private:
  void Reserve(size_t size);

  static constexpr size_t kBufferSize = 1 << 16;
  Output& output_;
  bool crlf_;
  char buffer_[kBufferSize];
  size_t used_ = 0;
};

}  // namespace pelmora
