#include "cli/picture.h"

#include <memory>

#include "drawing/scene.h"
#include "drawing/svg_canvas.h"
#include "generator/output_file.h"
#include "generator/quoted.h"
#ifdef PELMORA_HAS_PNG
#include "cli/picture_module.h"
#endif

namespace pelmora {

namespace {

std::string CannotWrite(const std::string& file, const std::string& reason) {
  return "Cannot write the picture " + QuoteName(file) + ": " + reason;
}

Status WriteSvg(const PictureOptions& options, GeneratorState& state, Output& output) {
  SvgCanvas canvas(options.width, options.height);
  DrawScene(canvas, options.width, options.height, options.draw, state.boxTable,
            state.sceneSettings, state.randomSource);
  output.Write(canvas.Document());
  return output.Complete();
}

#ifdef PELMORA_HAS_PNG
Status WritePng(const PictureOptions& options, GeneratorState& state, Output& output,
                const std::string& pngModule) {
  std::string reason;
  const std::unique_ptr<PngPicture> picture =
      MakePngPicture(pngModule, options.width, options.height, &reason);
  if (!picture) return Status::Error(CannotWrite(options.file, reason));
  DrawScene(picture->canvas(), options.width, options.height, options.draw, state.boxTable,
            state.sceneSettings, state.randomSource);
  std::string png;
  if (const Status encoded = picture->Encode(png); !encoded.ok()) {
    return Status::Error(CannotWrite(options.file, encoded.message()));
  }
  output.Write(png);
  return output.Complete();
}
#else
Status WritePng(const PictureOptions& options, GeneratorState&, Output&, const std::string&) {
  return Status::Error(CannotWrite(options.file,
                                   "this build of pelmora-gen has no PNG "
                                   "pictures (it was built without Qt); an .svg "
                                   "picture works"));
}
#endif

}  // namespace

Status DrawPicture(const PictureOptions& options, GeneratorState& state, Output& output,
                   const std::string& pngModule) {
  switch (options.format) {
    case PictureFormat::kSvg:
      return WriteSvg(options, state, output);
    case PictureFormat::kPng:
      return WritePng(options, state, output, pngModule);
  }
  return Status::Error(CannotWrite(options.file, "unknown picture format"));
}

bool WritePicture(const PictureOptions& options, GeneratorState& state, std::string* error,
                  const std::string& pngModule) {
  const std::unique_ptr<Output> output = OpenOutputFile(options.file, "picture");
  Status written = output->status();
  if (written.ok()) written = DrawPicture(options, state, *output, pngModule);
  if (written.ok()) written = output->Commit();
  if (!written.ok()) *error = written.message();
  return written.ok();
}

}  // namespace pelmora
