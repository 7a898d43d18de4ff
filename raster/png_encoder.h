// The one PNG encoding of Pelmora's pictures: the window's "Save Picture..." and pelmora-gen's
// PNG pictures both go through it, so one picture always gives the same PNG bytes.
#pragma once

#include <QImage>
#include <string>

#include "pelmora/status.h"

namespace pelmora {

// The PNG file of image, with Qt's PNG writer at its default settings, into png (replaced).
// Fails, with the writer's reason, only when the image cannot be encoded (a null image).
Status EncodePng(const QImage& image, std::string& png);

}  // namespace pelmora
