// pelmora-gen: the generation run of the window, from the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "cli/picture.h"
#include "generator/box_formats.h"
#include "generator/dataset_header.h"
#include "generator/dataset_verify.h"
#include "generator/generation_run.h"

namespace pelmora {
namespace {

constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

int Usage(const std::string& error) {
  std::fprintf(stderr, "pelmora-gen: %s\nTry 'pelmora-gen --help' for more information.\n",
               error.c_str());
  return kBadUsage;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "pelmora-gen: %s\n", message.c_str());
  return kFailed;
}

// The whole file, or nothing with *error set.
std::optional<std::string> ReadWholeFile(const std::string& name, std::string* error) {
  errno = 0;
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    *error = "Cannot read '" + name + "': " + std::strerror(errno != 0 ? errno : ENOENT);
    return std::nullopt;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = "Cannot read '" + name + "': " + std::strerror(errno != 0 ? errno : EIO);
    return std::nullopt;
  }
  return bytes;
}

int Verify(const std::string& name, bool quiet) {
  std::string error;
  const auto bytes = ReadWholeFile(name, &error);
  if (!bytes) return Failure(error);
  const Verification verification = VerifyDataset(*bytes);
  if (!quiet || verification.verdict != Verdict::kIdentical) {
    std::printf("%s: %s\n", name.c_str(), verification.message.c_str());
  }
  return verification.verdict == Verdict::kIdentical ? kCompleted : kFailed;
}

// The output a name stands for: "-" is standard output, anything else a file.
std::unique_ptr<Output> OpenOutput(const std::string& name) {
  if (name == "-") return OpenStandardOutput("dataset");
  return OpenDatasetFile(name);
}

int Main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  ParseOutcome parsed = ParseCommandLine(args);
  if (!parsed.options) return Usage(parsed.error);
  if (parsed.options->help) {
    std::fputs(HelpText().c_str(), stdout);
    return kCompleted;
  }
  if (parsed.options->version) {
    std::fputs(kVersionText, stdout);
    return kCompleted;
  }
  if (parsed.options->verifyFile) return Verify(*parsed.options->verifyFile, parsed.options->quiet);

  if (parsed.options->fromFile) {
    // The header's settings first; then every option given on top of them.
    const std::string from = *parsed.options->fromFile;
    std::string error;
    const auto bytes = ReadWholeFile(from, &error);
    if (!bytes) return Failure(error);
    const HeaderReading header = ReadDatasetHeader(*bytes);
    if (!header.controls) return Failure(from + ": cannot read the header: " + header.error);
    parsed = ParseCommandLine(args, *header.controls);
    if (!parsed.options) return Usage(parsed.error);
    const CliOptions& o = *parsed.options;
    std::error_code ignored;
    if (!o.outputGiven && o.generatorOptionGiven &&
        std::filesystem::equivalent(o.controls.edfName, from, ignored)) {
      return Usage("--from: the header of '" + from +
                   "' names that file itself as the output; "
                   "name another output with -o, so the changed settings do not replace it");
    }
  }
  const CliOptions& options = *parsed.options;

  const bool toStandardOutput = options.controls.edfName == "-";
  RunServices services;
  services.openDataset = OpenOutput;
  std::string discarded;  // the dataset text of a run written in another format
  if (options.format != BoxFormat::kPelmora) {
    services.openDataset = [&discarded](const std::string&) {
      return std::make_unique<MemoryOutput>(&discarded);
    };
  }

  auto state = std::make_unique<GeneratorState>();
  const RunResult result = GenerateDataset(options.controls, *state, services);
  if (result.end != RunEnd::kCompleted) return Failure(result.message);

  if (options.format != BoxFormat::kPelmora) {
    const std::unique_ptr<Output> output = OpenOutput(options.controls.edfName);
    if (!output->status().ok()) return Failure(output->status().message());
    DatasetWriter out(*output, LineEnds::kLf);
    const int32_t count = state->sceneSettings.boxCount;
    const int32_t dimension = options.controls.rgDimension + 1;
    if (options.format == BoxFormat::kCsv) {
      WriteBoxesCsv(state->boxTable, count, dimension, out);
    } else {
      WriteBoxesWkt(state->boxTable, count, dimension, out);
    }
    if (const Status written = out.Flush(); !written.ok()) return Failure(written.message());
    if (const Status committed = output->Commit(); !committed.ok()) {
      return Failure(committed.message());
    }
  }

  if (!options.quiet) {
    // Messages go where the dataset does not.
    std::FILE* info = toStandardOutput ? stderr : stdout;
    if (result.seedForField) {
      std::fprintf(info, "%s: %d boxes, random seed %d (repeat with --seed %d)\n",
                   options.controls.edfName.c_str(), state->sceneSettings.boxCount, result.seed,
                   result.seed);
    } else {
      std::fprintf(info, "%s: %d boxes, seed %d\n", options.controls.edfName.c_str(),
                   state->sceneSettings.boxCount, result.seed);
    }
  }
  if (options.picture) {
#ifndef PELMORA_HAS_PICTURE
    return Failure("this build draws no pictures");
#else
    std::string error;
    if (!WritePicture(*options.picture, *state, &error)) return Failure(error);
#endif
  }
  return kCompleted;
}

}  // namespace
}  // namespace pelmora

int main(int argc, char** argv) {
  return pelmora::Main(argc, argv);
}
