// The PNG module (raster/png_picture.h) opened at run time: pelmora-gen loads it, and with it
// Qt, only when a PNG picture is asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pelmora/status.h"
#include "raster/png_picture.h"

namespace pelmora {

// Where pelmora-gen looks for the module, in this order: beside the program itself (a build
// folder), then in the library folder of the installation the program is in.
std::vector<std::string> PngModuleCandidates();

// A PNG picture of width x height pixels made by the module in the file moduleFile, or by the
// first of PngModuleCandidates() that exists when moduleFile is empty. Null with *reason set
// when there is no module, it cannot be loaded (Qt missing, say) or it cannot make the picture.
// The module stays loaded until the process ends.
std::unique_ptr<PngPicture> MakePngPicture(const std::string& moduleFile, int32_t width,
                                           int32_t height, std::string* reason);

}  // namespace pelmora
