#include "ui/window_fonts.h"

#include <QDir>
#include <QFontDatabase>

namespace pelmora {

namespace {

QFont PixelFont(const QStringList& families, int pixelSize) {
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(pixelSize);
  return font;
}

}  // namespace

QStringList LoadWindowFonts(const QString& folder) {
  QStringList loaded;
  const QDir dir(folder);
  for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"}) {
    const QString path = dir.filePath(QString::fromLatin1(file));
    if (QFontDatabase::addApplicationFont(path) >= 0) loaded << path;
  }
  return loaded;
}

QFont SideChannelFont() {
  return PixelFont({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")}, 11);
}

QFont WindowFont() {
  return PixelFont({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")}, 11);
}

}  // namespace pelmora
