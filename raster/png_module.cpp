// The PNG module: PngPicture over RasterCanvas and Qt Gui, built as libpelmora-png.so and opened
// by pelmora-gen only when a PNG is asked for. Everything but the entry point is hidden.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMessageLogContext>
#include <QString>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <type_traits>

#include "raster/painter_canvas.h"
#include "raster/png_encoder.h"
#include "raster/png_picture.h"
#include "raster/raster_canvas.h"

namespace pelmora {

namespace {

// Fonts need a QGuiApplication. pelmora-gen makes one only for a PNG, on the offscreen platform
// unless QT_QPA_PLATFORM names another, so that it never needs a display, and ends it when the
// picture is written. A process that already runs one (the window, a test) keeps its own.
class GuiApplicationForPng {
 public:
  GuiApplicationForPng() {
    if (QCoreApplication::instance() != nullptr) {
      if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        error_ = "a PNG picture needs a Qt GUI application, and this process runs another kind";
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

class RasterPngPicture final : public PngPicture {
 public:
  RasterPngPicture(int32_t width, int32_t height)
      : width_(width), height_(height), image_(width, height, QImage::Format_RGB32) {
    if (!application_.error().empty() || image_.isNull()) return;
    image_.fill(Qt::white);
    canvas_ = std::make_unique<RasterCanvas>(image_, PaintBoxFont());
  }

  // Empty when the picture can be drawn.
  std::string Problem() const {
    if (!application_.error().empty()) return application_.error();
    if (image_.isNull()) {
      return "there is not enough memory for a picture of " + std::to_string(width_) + " x " +
             std::to_string(height_) + " pixels";
    }
    return "";
  }

  Canvas& canvas() override { return *canvas_; }

  Status Encode(std::string& png) override {
    canvas_.reset();  // the painter ends before the pixels are read
    return EncodePng(image_, png);
  }

 private:
  int32_t width_;
  int32_t height_;
  GuiApplicationForPng application_;  // made before the image and the canvas, ended after them
  QImage image_;
  std::unique_ptr<RasterCanvas> canvas_;
};

}  // namespace

}  // namespace pelmora

extern "C" __attribute__((visibility("default"))) pelmora::PngPicture* pelmora_make_png_picture_v1(
    int32_t width, int32_t height, std::string* reason) {
  auto picture = std::unique_ptr<pelmora::RasterPngPicture>(
      new (std::nothrow) pelmora::RasterPngPicture(width, height));
  if (!picture) {
    *reason = "there is not enough memory for a picture";
    return nullptr;
  }
  if (std::string problem = picture->Problem(); !problem.empty()) {
    *reason = std::move(problem);
    return nullptr;
  }
  return picture.release();
}
static_assert(
    std::is_same_v<decltype(pelmora_make_png_picture_v1), pelmora::MakePngPictureFunction>);
