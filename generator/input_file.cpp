#include "generator/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "generator/quoted.h"

namespace pelmora {

namespace {

std::string CannotRead(const std::string& name, int error) {
  return "Cannot read " + QuoteName(name) + ": " + std::strerror(error != 0 ? error : EIO);
}

class DescriptorInput final : public Input {
 public:
  DescriptorInput(std::string name, int fd, int error)
      : name_(std::move(name)), fd_(fd), error_(error) {}
  ~DescriptorInput() override {
    if (fd_ >= 0) close(fd_);
  }
  DescriptorInput(const DescriptorInput&) = delete;
  DescriptorInput& operator=(const DescriptorInput&) = delete;

  Status Read(char* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (error_ != 0) return Status::Error(CannotRead(name_, error_));
    for (;;) {
      const ssize_t n = read(fd_, buffer, size);
      if (n >= 0) {
        *got = static_cast<size_t>(n);
        return Status::Ok();
      }
      if (errno != EINTR) {
        error_ = errno;
        return Status::Error(CannotRead(name_, error_));
      }
    }
  }

 private:
  std::string name_;
  int fd_;
  int error_;
};

}  // namespace

std::unique_ptr<Input> OpenInputFile(const std::string& name) {
  const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::make_unique<DescriptorInput>(name, -1, errno);
  struct stat info {};
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
    close(fd);
    return std::make_unique<DescriptorInput>(name, -1, error);
  }
  return std::make_unique<DescriptorInput>(name, fd, 0);
}

Status MemoryInput::Read(char* buffer, size_t size, size_t* got) {
  *got = std::min(size, rest_.size());
  std::memcpy(buffer, rest_.data(), *got);
  rest_.remove_prefix(*got);
  return Status::Ok();
}

}  // namespace pelmora
