// The picture file of pelmora-gen.
#pragma once

#include <string>

#include "cli/options.h"
#include "generator/generation_run.h"
#include "generator/output_file.h"

namespace pelmora {

// Draws the scene of the run that just completed in state as options.format (SVG or PNG), as the
// window redraws right after "Create Dataset" (random colours and 1D rows continue from the
// state's random source), into output, which it completes but does not commit: the caller commits
// it with the other outputs of its command. A PNG is drawn by the PNG module in the file
// pngModule, or by the one installed with pelmora-gen when that is empty (cli/picture_module.h).
Status DrawPicture(const PictureOptions& options, GeneratorState& state, Output& output,
                   const std::string& pngModule = "");

// The same into the picture file options.file, replaced once complete. Returns false and sets
// *error when the picture cannot be written.
bool WritePicture(const PictureOptions& options, GeneratorState& state, std::string* error,
                  const std::string& pngModule = "");

}  // namespace pelmora
