#include "generator/box_table.h"

#include <cstring>
#include <new>
#include <type_traits>

namespace pelmora {

static_assert(std::is_trivially_copyable_v<BoxRecord>);

void SetBoxCorners(BoxRecord& entry, double x1, double y1, double z1, double x2, double y2,
                   double z2, int32_t dimension) {
  BoxRecord box;
  box.corners[0] = {x1, y1, z1};
  box.corners[1] = {x2, y1, z1};
  box.corners[2] = {x2, y1, z2};
  box.corners[3] = {x1, y1, z2};
  box.corners[4] = {x1, y2, z1};
  box.corners[5] = {x2, y2, z1};
  box.corners[6] = {x2, y2, z2};
  box.corners[7] = {x1, y2, z2};
  box.dimension = dimension;
  entry = box;
}

BoxTable::BoxTable() {
  // Zeroed pages from the system: the 20 MB cost memory only as runs fill them.
  void* memory = std::calloc(static_cast<size_t>(kCapacity) + 1, sizeof(BoxRecord));
  if (memory == nullptr) throw std::bad_alloc();
  entries_.reset(static_cast<BoxRecord*>(memory));
}

void BoxTable::CopyEntries(const BoxTable& other, int32_t first, int32_t last) {
  if (last < first) return;
  std::memcpy(entries_.get() + first, other.entries_.get() + first,
              static_cast<size_t>(last - first + 1) * sizeof(BoxRecord));
}

}  // namespace pelmora
