// pelmora-gen: the generation run of the window, from the command line.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "cli/picture.h"
#include "generator/generation_run.h"

namespace pelmora {
namespace {

int Main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const ParseOutcome parsed = ParseCommandLine(args);
  if (!parsed.options) {
    std::fprintf(stderr, "pelmora-gen: %s\nTry 'pelmora-gen --help' for more information.\n",
                 parsed.error.c_str());
    return 2;
  }
  const CliOptions& options = *parsed.options;
  if (options.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(kVersionText, stdout);
    return 0;
  }

  const bool toStandardOutput = options.controls.edfName == "-";
  RunServices services;
  if (toStandardOutput) {
    services.openDataset = [](const std::string&, std::string*) { return OpenStandardOutput(); };
  }

  auto state = std::make_unique<GeneratorState>();
  const RunResult result = GenerateDataset(options.controls, *state, services);
  if (result.end != RunEnd::kCompleted) {
    std::fprintf(stderr, "pelmora-gen: %s\n", result.message.c_str());
    return 1;
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
    std::fprintf(stderr, "pelmora-gen: this build draws no pictures\n");
    return 1;
#else
    std::string error;
    if (!WritePicture(*options.picture, *state, &error)) {
      std::fprintf(stderr, "pelmora-gen: %s\n", error.c_str());
      return 1;
    }
#endif
  }
  return 0;
}

}  // namespace
}  // namespace pelmora

int main(int argc, char** argv) { return pelmora::Main(argc, argv); }
