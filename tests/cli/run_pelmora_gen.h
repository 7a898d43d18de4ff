// pelmora-gen run as a separate process in a test's folder, as a user runs it from a shell.
// The including test target defines PELMORA_GEN as the path of the binary.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "tests/generator/temp_folder.h"

namespace pelmora {

struct Outcome {
  int status;       // the exit status; -1 when the process did not exit by itself
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs pelmora-gen with arguments (shell words, quoted by the caller) in folder.
inline Outcome RunGen(const TempFolder& folder, const std::string& arguments) {
  const std::string errFile = folder.File("stderr.log");
  const std::string command = "cd '" + folder.path().string() + "' && " PELMORA_GEN " " +
                              arguments + " 2>'" + errFile + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ReadFile(errFile)};
}

}  // namespace pelmora
