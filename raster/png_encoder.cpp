#include "raster/png_encoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>

namespace pelmora {

Status EncodePng(const QImage& image, std::string& png) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) {
    return Status::Error("it could not be encoded as PNG (" + writer.errorString().toStdString() +
                         ")");
  }
  png.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
  return Status::Ok();
}

}  // namespace pelmora
