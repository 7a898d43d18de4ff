// A PNG picture for pelmora-gen: a raster canvas over an image, and the PNG file of what is
// drawn on it. The raster canvas and Qt live in the PNG module (libpelmora-png.so, built from
// png_module.cpp), which pelmora-gen opens at run time only when a PNG is asked for, so that no
// other run loads Qt. This header is Qt-free: it is the module's whole interface.
#pragma once

#include <cstdint>
#include <string>

#include "drawing/canvas.h"
#include "pelmora/status.h"

namespace pelmora {

class PngPicture {
 public:
  virtual ~PngPicture() = default;

  // The raster canvas of the window (RasterCanvas) over the picture's pixels, white at first.
  // REQUIRES: Encode has not been called.
  virtual Canvas& canvas() = 0;
  // Ends the drawing and puts the PNG file of the pixels into png, through the encoder of the
  // window's "Save Picture..." (raster/png_encoder.h). Fails with the reason alone.
  virtual Status Encode(std::string& png) = 0;
};

// The module's entry point, looked up by the name kPngModuleEntry: a picture of width x height
// pixels, or null with *reason set (not enough memory, no way to use fonts). The caller deletes
// the picture before the process ends. A change of this interface changes the name, so that a
// module of another build is refused rather than called wrongly.
using MakePngPictureFunction = PngPicture*(int32_t width, int32_t height, std::string* reason);
inline constexpr const char* kPngModuleEntry = "pelmora_make_png_picture_v1";

// The module's file name.
inline constexpr const char* kPngModuleFile = "libpelmora-png.so";

}  // namespace pelmora
