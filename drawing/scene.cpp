#include "drawing/scene.h"

#include <algorithm>

#include "generator/numeric.h"

namespace pelmora {

void ClearDrawingArea(Canvas& canvas, int32_t width, int32_t height) {
  canvas.SetBrushColour(kWhite);
  canvas.FillRect(-1, -1, WrapAdd(width, 1), WrapAdd(height, 1));
}

Colour DrawScene(Canvas& canvas, int32_t width, int32_t height, const DrawSettings& settings,
                 const BoxTable& boxTable, const SceneSettings& scene, RandomSource& random) {
  ClearDrawingArea(canvas, width, height);
  if (settings.cbShowGrid) {
    DrawGridLines(canvas, settings.spGridLines, settings.rgGridStyle, scene.worldX, scene.worldY,
                  width, height);
  }

  // Both held as singles: which boxes a percentage picks follows from their rounding.
  const float step = static_cast<float>(static_cast<long double>(settings.spPercent) / 100.0L);
  float accumulator = 0.0f;

  const bool randomColour = settings.rgBoxColour == 1;
  Colour colour = settings.boxColour;
  const BoxProjection projection(scene.theta, settings.cbShow3D,
                                 static_cast<double>(settings.spDelta), scene.worldY);
  const BoxScaling scaling(scene.worldX, scene.worldY, width, height);
  const int32_t last = std::min(scene.boxCount, BoxTable::kCapacity);
  for (int32_t i = 1; i <= last; ++i) {
    accumulator = static_cast<float>(static_cast<long double>(accumulator) + step);
    if (accumulator < 1.0f) continue;
    if (randomColour) colour = static_cast<Colour>(random.Next31()) & 0xFFFFFFu;
    if (const auto points = projection.Project(boxTable[i], random)) {
      scaling.DrawBox(*points, canvas, settings.cbColouredBoxes, colour);
    }
    accumulator = static_cast<float>(static_cast<long double>(accumulator) - 1.0L);
  }
  return colour;
}

}  // namespace pelmora
