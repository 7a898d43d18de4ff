// Saving the picture the Drawing Area shows.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

#include "drawing/scene.h"
#include "generator/box_table.h"
#include "generator/random_source.h"

namespace pelmora {

// What a redraw started from: the random source before its first draw, the draw settings and
// the paint box's size. Drawing the same boxes again from a copy of this gives the same picture,
// random colours and 1D rows included, and leaves the real random source alone.
struct RedrawStart {
  RandomSource random;
  DrawSettings settings;
  int32_t width = 0;
  int32_t height = 0;
};

enum class PictureKind { kPng, kSvg };

// The kind a file name asks for by its extension (".png" or ".svg", in any case), and the name
// with ".png" added when it has neither.
PictureKind PictureKindOf(const QString& name);
QString WithPictureExtension(const QString& name);

// The SVG document of the redraw that start describes, over the boxes of the last run.
std::string PictureSvg(const RedrawStart& start, const BoxTable& boxTable,
                       const SceneSettings& scene);

// Writes the picture to file, as PNG (shown: the image on screen, drawn from start, through the
// encoder of pelmora-gen's PNG pictures, so the same picture has the same bytes) or as SVG
// (drawn again from a copy of start). The file is replaced only once complete. Returns an empty
// string, or a message naming the file and the reason.
QString SavePicture(const QString& file, const QImage& shown, const RedrawStart& start,
                    const BoxTable& boxTable, const SceneSettings& scene);

}  // namespace pelmora
