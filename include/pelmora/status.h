// The outcome of anything that can fail for a reason the user should hear: done, or a message.
//
// Expected failures (a setting out of its limits, a file that cannot be read or written, a run
// that cannot place its boxes) are statuses, never exceptions. The message is for a person: it
// names what failed (the setting, the file, the header line) and why, and it is complete as it
// stands (no trailing full stop is added by callers, no prefix is needed to understand it).
#pragma once

#include <string>
#include <utility>

namespace pelmora {

class [[nodiscard]] Status {
 public:
  // Done.
  Status() = default;
  static Status Ok() { return Status(); }
  // Failed. REQUIRES: message is not empty.
  static Status Error(std::string message) { return Status(std::move(message)); }

  bool ok() const { return message_.empty(); }
  // Empty when ok().
  const std::string& message() const { return message_; }

 private:
  explicit Status(std::string message) : message_(std::move(message)) {
    if (message_.empty()) message_ = "failed";
  }

  std::string message_;
};

}  // namespace pelmora
