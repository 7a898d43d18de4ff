// One box of a dataset, as the generator hands it on.
#pragma once

#include <cstdint>

namespace pelmora {

// A box by its whole-number corners in world units: the low corner (x1, y1, z1), then the high
// corner (x2, y2, z2). Axes the dimension does not use are 0 (a 2D box has z1 = z2 = 0).
struct Box {
  int32_t low[3] = {0, 0, 0};
  int32_t high[3] = {0, 0, 0};

  friend bool operator==(const Box&, const Box&) = default;
};

}  // namespace pelmora
