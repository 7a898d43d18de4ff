// pelmora-gen's command: everything after the program name, in-process. The options are parsed,
// then one of --help, --version, --verify, or a run with its outputs (the dataset or another
// format, and the picture).
//
// One command, one transaction: every output is opened first, the run and the picture are
// written and completed, and only then are the outputs committed (the dataset first); a failure
// before that leaves every earlier file as it was and no temporary file. Two outputs naming the
// same file, or an output naming the --from file, are bad usage, checked on the files themselves
// (a link or "./" does not hide them). --from takes its output from -o only, never from the
// header it reads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "generator/input_file.h"
#include "generator/output_file.h"

namespace pelmora {

inline constexpr int kExitCompleted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadUsage = 2;

// What the command reads and writes, replaceable in tests. The defaults are the real ones.
struct CommandIo {
  // An output file by name; kind names it in messages ("dataset file", "picture").
  std::function<std::unique_ptr<Output>(const std::string& name, std::string_view kind)>
      openOutput = OpenOutputFile;
  // Standard output for the dataset ("-o -").
  std::function<std::unique_ptr<Output>(std::string_view kind)> openStandardOutput =
      OpenStandardOutput;
  std::function<std::unique_ptr<Input>(const std::string& name)> openInput = OpenInputFile;
  // Where a run without --seed starts its random seed: a fresh unpredictable number each call,
  // so that runs started within the same second differ.
  std::function<int32_t()> seedSource = UnpredictableSeedSource;
  // The PNG module's file (cli/picture_module.h); empty: the one installed with pelmora-gen.
  std::string pngModule;

  // What the command has for standard output and standard error, written by the caller once
  // the command returns (the dataset to standard output is written by its output).
  std::string out;
  std::string err;

  static int32_t UnpredictableSeedSource();
};

// Runs pelmora-gen with args (the arguments after the program name); returns the exit status.
int RunCommand(std::span<const std::string_view> args, CommandIo& io);

}  // namespace pelmora
