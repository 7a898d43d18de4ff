#include "cli/picture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QMessageLogContext>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "drawing/scene.h"
#include "drawing/svg_canvas.h"
#include "raster/painter_canvas.h"
#include "raster/raster_canvas.h"

namespace pelmora {

namespace {

std::string CannotWrite(const std::string& file, const std::string& reason) {
  return "Cannot write the picture '" + file + "': " + reason;
}

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

bool WriteSvg(const PictureOptions& options, GeneratorState& state, std::string* error) {
  SvgCanvas canvas(options.width, options.height);
  DrawScene(canvas, options.width, options.height, options.draw, state.boxTable,
            state.sceneSettings, state.randomSource);
  const std::string document = canvas.Document();

  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(options.file.c_str(), "wb"),
                                                       &std::fclose);
  if (!file) {
    *error = CannotWrite(options.file, std::strerror(errno != 0 ? errno : EIO));
    return false;
  }
  const bool written =
      std::fwrite(document.data(), 1, document.size(), file.get()) == document.size();
  const int writeError = errno;
  const bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed) {
    *error = CannotWrite(options.file, std::strerror(writeError != 0 ? writeError
                                                     : errno != 0    ? errno
                                                                     : EIO));
    return false;
  }
  return true;
}

bool WritePng(const PictureOptions& options, GeneratorState& state, std::string* error) {
  const GuiApplicationForPng application;
  if (!application.error().empty()) {
    *error = application.error();
    return false;
  }
  QImage image(options.width, options.height, QImage::Format_RGB32);
  if (image.isNull()) {
    *error = CannotWrite(options.file, "there is not enough memory for a picture of " +
                                           std::to_string(options.width) + " x " +
                                           std::to_string(options.height) + " pixels");
    return false;
  }
  image.fill(Qt::white);
  {
    RasterCanvas canvas(image, PaintBoxFont());
    DrawScene(canvas, options.width, options.height, options.draw, state.boxTable,
              state.sceneSettings, state.randomSource);
  }
  QImageWriter writer(QString::fromStdString(options.file), "png");
  if (!writer.write(image)) {
    *error = CannotWrite(options.file, writer.errorString().toStdString());
    return false;
  }
  return true;
}

}  // namespace

bool WritePicture(const PictureOptions& options, GeneratorState& state, std::string* error) {
  switch (options.format) {
    case PictureFormat::kSvg:
      return WriteSvg(options, state, error);
    case PictureFormat::kPng:
      return WritePng(options, state, error);
  }
  *error = CannotWrite(options.file, "unknown picture format");
  return false;
}

}  // namespace pelmora
