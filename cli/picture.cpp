#include "cli/picture.h"

#ifdef PELMORA_HAS_PNG
#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QMessageLogContext>
#include <QString>
#endif
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "drawing/scene.h"
#include "drawing/svg_canvas.h"
#include "generator/output_file.h"
#include "generator/quoted.h"
#ifdef PELMORA_HAS_PNG
#include "raster/painter_canvas.h"
#include "raster/raster_canvas.h"
#endif

namespace pelmora {

namespace {

std::string CannotWrite(const std::string& file, const std::string& reason) {
  return "Cannot write the picture " + QuoteName(file) + ": " + reason;
}

#ifdef PELMORA_HAS_PNG
// Fonts need a QGuiApplication. pelmora-gen makes one only for a PNG, on the offscreen platform
// unless QT_QPA_PLATFORM names another, so that it never needs a display, and ends it when the
// picture is written. A process that already runs one (the window, a test) keeps its own.
class GuiApplicationForPng {
 public:
  GuiApplicationForPng() {
    if (QCoreApplication::instance() != nullptr) {
      if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        error_ = "A PNG picture needs a Qt GUI application, and this process runs another kind.";
      }
      return;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about its environment (no XDG_RUNTIME_DIR, say) are not pelmora-gen's to
    // show; its errors still are.
    previousHandler_ =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
          if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "pelmora-gen: %s\n", text.toLocal8Bit().constData());
          }
        });
    owned_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  ~GuiApplicationForPng() {
    if (!owned_) return;
    owned_.reset();
    qInstallMessageHandler(previousHandler_);
  }
  GuiApplicationForPng(const GuiApplicationForPng&) = delete;
  GuiApplicationForPng& operator=(const GuiApplicationForPng&) = delete;

  // Empty when fonts can be used.
  const std::string& error() const { return error_; }

 private:
  // QGuiApplication keeps references to these for its whole life.
  inline static char name_[] = "pelmora-gen";
  inline static char* argv_[] = {name_, nullptr};
  inline static int argc_ = 1;

  std::unique_ptr<QGuiApplication> owned_;
  QtMessageHandler previousHandler_ = nullptr;
  std::string error_;
};

#endif

Status WriteSvg(const PictureOptions& options, GeneratorState& state, Output& output) {
  SvgCanvas canvas(options.width, options.height);
  DrawScene(canvas, options.width, options.height, options.draw, state.boxTable,
            state.sceneSettings, state.randomSource);
  output.Write(canvas.Document());
  return output.Complete();
}

#ifdef PELMORA_HAS_PNG
Status WritePng(const PictureOptions& options, GeneratorState& state, Output& output) {
  const GuiApplicationForPng application;
  if (!application.error().empty()) return Status::Error(application.error());
  QImage image(options.width, options.height, QImage::Format_RGB32);
  if (image.isNull()) {
    return Status::Error(CannotWrite(options.file, "there is not enough memory for a picture of " +
                                                       std::to_string(options.width) + " x " +
                                                       std::to_string(options.height) + " pixels"));
  }
  image.fill(Qt::white);
  {
    RasterCanvas canvas(image, PaintBoxFont());
    DrawScene(canvas, options.width, options.height, options.draw, state.boxTable,
              state.sceneSettings, state.randomSource);
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) {
    return Status::Error(CannotWrite(options.file, writer.errorString().toStdString()));
  }
  output.Write(std::string_view(png.constData(), static_cast<size_t>(png.size())));
  return output.Complete();
}
#else
Status WritePng(const PictureOptions& options, GeneratorState&, Output&) {
  return Status::Error(CannotWrite(options.file, "this build of pelmora-gen has no PNG "
                                                 "pictures (it was built without Qt); an .svg "
                                                 "picture works"));
}
#endif

}  // namespace

Status DrawPicture(const PictureOptions& options, GeneratorState& state, Output& output) {
  switch (options.format) {
    case PictureFormat::kSvg:
      return WriteSvg(options, state, output);
    case PictureFormat::kPng:
      return WritePng(options, state, output);
  }
  return Status::Error(CannotWrite(options.file, "unknown picture format"));
}

bool WritePicture(const PictureOptions& options, GeneratorState& state, std::string* error) {
  const std::unique_ptr<Output> output = OpenOutputFile(options.file, "picture");
  Status written = output->status();
  if (written.ok()) written = DrawPicture(options, state, *output);
  if (written.ok()) written = output->Commit();
  if (!written.ok()) *error = written.message();
  return written.ok();
}

}  // namespace pelmora
