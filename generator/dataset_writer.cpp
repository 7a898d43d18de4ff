#include "generator/dataset_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace pelmora {

std::string FormatFixed2(double value) {
  // Large enough for the longest double in fixed notation with two decimals.
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  return std::string(text, result.ptr);
}

void DatasetWriter::Reserve(size_t size) {
  if (kBufferSize - used_ < size) (void)Flush();
}

DatasetWriter& DatasetWriter::Text(std::string_view text) {
  if (text.size() <= kBufferSize / 2 && text.find('\n') == std::string_view::npos) {
    Reserve(text.size());
    std::memcpy(buffer_ + used_, text.data(), text.size());
    used_ += text.size();
    return *this;
  }
  for (const char c : text) {
    Reserve(2);
    if (c == '\n' && crlf_) buffer_[used_++] = '\r';
    buffer_[used_++] = c;
  }
  return *this;
}

DatasetWriter& DatasetWriter::Bytes(std::string_view bytes) {
  while (!bytes.empty()) {
    if (used_ == kBufferSize) (void)Flush();
    const size_t piece = std::min(bytes.size(), kBufferSize - used_);
    std::memcpy(buffer_ + used_, bytes.data(), piece);
    used_ += piece;
    bytes.remove_prefix(piece);
  }
  return *this;
}

DatasetWriter& DatasetWriter::Int(int32_t value) {
  return Int64(value);
}

DatasetWriter& DatasetWriter::Int64(int64_t value) {
  Reserve(20);
  const auto result = std::to_chars(buffer_ + used_, buffer_ + kBufferSize, value);
  used_ = static_cast<size_t>(result.ptr - buffer_);
  return *this;
}

DatasetWriter& DatasetWriter::Fixed2(double value) {
  return Text(FormatFixed2(value));
}

Status DatasetWriter::Flush() {
  if (used_ != 0 && output_.status().ok()) output_.Write(std::string_view(buffer_, used_));
  used_ = 0;
  return output_.status();
}

}  // namespace pelmora
