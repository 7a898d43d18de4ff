#include "cli/picture.h"

#include <functional>
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

// Feeds the redraw, then reports progress and calls afterBlock (which may stop the run by
// returning false).
class PictureFeed final : public BoxConsumer {
 public:
  PictureFeed(SceneRedraw& redraw, int32_t dimension, const std::function<bool()>& afterBlock,
              const ProgressReport& progress, int64_t total)
      : redraw_(redraw, dimension), afterBlock_(afterBlock), progress_(progress), total_(total) {}

  bool Accept(int64_t first, std::span<const Box> boxes) override {
    redraw_.Accept(first, boxes);
    if (progress_) progress_(first + static_cast<int64_t>(boxes.size()) - 1, total_);
    return !afterBlock_ || afterBlock_();
  }

 private:
  RedrawFeed redraw_;
  const std::function<bool()>& afterBlock_;
  const ProgressReport& progress_;
  int64_t total_;
};

// The redraw of the run on canvas, its boxes made again from its seed. Fails with the stream's
// reason, or with an empty message when afterBlock stopped it.
Status DrawRunScene(Canvas& canvas, const PictureOptions& options, const CompletedRun& run,
                    const ProgressReport& progress,
                    const std::function<bool()>& afterBlock = nullptr) {
  const BoxRecipe& recipe = run.plan.recipe;
  SceneSettings scene;  // as the run leaves it for the window's redraw
  scene.boxCount = recipe.boxCount;
  scene.worldX = recipe.world[0];
  scene.worldY = recipe.world[1];
  scene.worldZ = recipe.world[2];
  RandomSource colours = run.random;
  SceneRedraw redraw(canvas, options.width, options.height, options.draw, scene, colours);
  PictureFeed feed(redraw, recipe.dimension, afterBlock, progress, recipe.boxCount);
  RandomSource boxes(static_cast<uint32_t>(run.plan.seed));
  const StreamResult streamed = StreamBoxes(recipe, boxes, feed);
  redraw.Finish();
  if (streamed.end == StreamEnd::kAttemptLimit) return Status::Error(streamed.message);
  if (streamed.end == StreamEnd::kStopped) return Status::Error("stopped");
  return Status::Ok();
}

// The SVG document is passed on to the output as it is drawn, a block of boxes at a time.
Status WriteSvg(const PictureOptions& options, const CompletedRun& run, Output& output,
                const ProgressReport& progress) {
  SvgCanvas canvas(options.width, options.height);
  output.Write(canvas.Head());
  const Status drawn = DrawRunScene(canvas, options, run, progress, [&output, &canvas] {
    output.Write(canvas.TakeElements());
    return output.status().ok();
  });
  if (!output.status().ok()) return output.status();
  if (!drawn.ok()) return Status::Error(CannotWrite(options.file, drawn.message()));
  output.Write(canvas.TakeElements());
  output.Write(SvgCanvas::kTail);
  return output.Complete();
}

#ifdef PELMORA_HAS_PNG
Status WritePng(const PictureOptions& options, const CompletedRun& run, Output& output,
                const std::string& pngModule, const ProgressReport& progress) {
  std::string reason;
  const std::unique_ptr<PngPicture> picture =
      MakePngPicture(pngModule, options.width, options.height, &reason);
  if (!picture) return Status::Error(CannotWrite(options.file, reason));
  if (const Status drawn = DrawRunScene(picture->canvas(), options, run, progress); !drawn.ok()) {
    return Status::Error(CannotWrite(options.file, drawn.message()));
  }
  std::string png;
  if (const Status encoded = picture->Encode(png); !encoded.ok()) {
    return Status::Error(CannotWrite(options.file, encoded.message()));
  }
  output.Write(png);
  return output.Complete();
}
#else
Status WritePng(const PictureOptions& options, const CompletedRun&, Output&, const std::string&,
                const ProgressReport&) {
  return Status::Error(CannotWrite(options.file,
                                   "this build of pelmora-gen has no PNG "
                                   "pictures (it was built without Qt); an .svg "
                                   "picture works"));
}
#endif

}  // namespace

Status DrawPicture(const PictureOptions& options, const CompletedRun& run, Output& output,
                   const std::string& pngModule, const ProgressReport& progress) {
  switch (options.format) {
    case PictureFormat::kSvg:
      return WriteSvg(options, run, output, progress);
    case PictureFormat::kPng:
      return WritePng(options, run, output, pngModule, progress);
  }
  return Status::Error(CannotWrite(options.file, "unknown picture format"));
}

bool WritePicture(const PictureOptions& options, const CompletedRun& run, std::string* error,
                  const std::string& pngModule) {
  const std::unique_ptr<Output> output = OpenOutputFile(options.file, "picture");
  Status written = output->status();
  if (written.ok()) written = DrawPicture(options, run, *output, pngModule);
  if (written.ok()) written = output->Commit();
  if (!written.ok()) *error = written.message();
  return written.ok();
}

}  // namespace pelmora
