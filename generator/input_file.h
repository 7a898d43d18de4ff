// Every file Pelmora reads back (--verify, --from) comes in through an Input, a piece at a time,
// so that reading works in bounded memory whatever the file: a folder, /dev/zero, one endless
// line, binary junk or a dataset far larger than memory.
//
// A failure is a Status whose message names the file (quoted by QuoteName) and the reason.
//
// Adding a layer (a decompressing input, say): an Input that holds the Input it reads from and
// fills the caller's buffer from what it decodes; its failures name the same file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <pelmora/status.h>

namespace pelmora {

class Input {
 public:
  virtual ~Input() = default;
  // Reads up to size bytes (size > 0) into buffer and sets *got to how many; 0 at the end.
  virtual Status Read(char* buffer, size_t size, size_t* got) = 0;
};

// The file name, for reading: a regular file, a pipe or a character device. A folder, a missing
// file or one that may not be read fails on the first Read with a message naming the file. Never
// null.
std::unique_ptr<Input> OpenInputFile(const std::string& name);

// The bytes of text, which must outlive the input.
class MemoryInput final : public Input {
 public:
  explicit MemoryInput(std::string_view text) : rest_(text) {}
  Status Read(char* buffer, size_t size, size_t* got) override;

 private:
  std::string_view rest_;
};

}  // namespace pelmora
