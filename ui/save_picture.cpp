#include "ui/save_picture.h"

#include <memory>
#include <string>

#include "drawing/svg_canvas.h"
#include "generator/output_file.h"
#include "raster/png_encoder.h"

namespace pelmora {

PictureKind PictureKindOf(const QString& name) {
  return name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ? PictureKind::kSvg
                                                                    : PictureKind::kPng;
}

QString WithPictureExtension(const QString& name) {
  if (name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ||
      name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    return name;
  }
  return name + QStringLiteral(".png");
}

std::string PictureSvg(const RedrawStart& start, const BoxTable& boxTable,
                       const SceneSettings& scene) {
  RandomSource random = start.random;
  SvgCanvas canvas(start.width, start.height);
  DrawScene(canvas, start.width, start.height, start.settings, boxTable, scene, random);
  return canvas.Document();
}

QString SavePicture(const QString& file, const QImage& shown, const RedrawStart& start,
                    const BoxTable& boxTable, const SceneSettings& scene) {
  std::string bytes;
  if (PictureKindOf(file) == PictureKind::kSvg) {
    bytes = PictureSvg(start, boxTable, scene);
  } else if (const Status encoded = EncodePng(shown, bytes); !encoded.ok()) {
    return QStringLiteral("Cannot save the picture '%1': %2.")
        .arg(file, QString::fromStdString(encoded.message()));
  }
  const std::unique_ptr<Output> output = OpenOutputFile(file.toStdString(), "picture");
  output->Write(bytes);
  return QString::fromStdString(output->Commit().message());
}

}  // namespace pelmora
