// pelmora-gen: the generation run of the window, from the command line. The command itself is
// cli/command; this shell hands it the arguments and then writes what it has for standard output
// and standard error, where a failed write is a failure too.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"

namespace {

// Writes all of text to fd; 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  pelmora::CommandIo io;
  int status = pelmora::RunCommand(args, io);
  if (const int error = WriteAll(STDOUT_FILENO, io.out); error != 0) {
    io.err +=
        "pelmora-gen: Cannot write to standard output: " + std::string(std::strerror(error)) + "\n";
    status = pelmora::kExitFailed;
  }
  WriteAll(STDERR_FILENO, io.err);
  return status;
}
