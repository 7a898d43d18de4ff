// The picture file of pelmora-gen.
#pragma once

#include <string>

#include "cli/options.h"
#include "generator/generation_run.h"
#include "generator/output_file.h"
#include "generator/stream_run.h"

namespace pelmora {

// A run that has just completed, as its picture needs it: the plan its boxes came from, and the
// random source where the run's last draw left it.
struct CompletedRun {
  RunPlan plan;
  RandomSource random;
};

// Draws the scene of run as options.format (SVG or PNG), as the window redraws right after
// "Create Dataset" (random colours and 1D rows continue from run.random), into output, which it
// completes but does not commit: the caller commits it with the other outputs of its command.
// The boxes are made again from the plan's seed while they are drawn, so a run of any length
// takes the same memory; the picture is the one drawn from the window's box table.
// A PNG is drawn by the PNG module in the file pngModule, or by the one installed with
// pelmora-gen when that is empty (cli/picture_module.h). progress, when given, hears of the
// boxes drawn so far.
Status DrawPicture(const PictureOptions& options, const CompletedRun& run, Output& output,
                   const std::string& pngModule = "", const ProgressReport& progress = nullptr);

// The same into the picture file options.file, replaced once complete. Returns false and sets
// *error when the picture cannot be written.
bool WritePicture(const PictureOptions& options, const CompletedRun& run, std::string* error,
                  const std::string& pngModule = "");

}  // namespace pelmora
