// The picture file of pelmora-gen.
#pragma once

#include <string>

#include "cli/options.h"
#include "generator/generation_run.h"

namespace pelmora {

// Draws the scene of the run that just completed in state into options.file (SVG or PNG), as
// the window redraws right after "Create Dataset": random colours and 1D rows continue from the
// state's random source. Returns false and sets *error when the picture cannot be written.
bool WritePicture(const PictureOptions& options, GeneratorState& state, std::string* error);

}  // namespace pelmora
