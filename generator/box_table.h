// The boxes of the last run and what it left for the drawing and the next run.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace pelmora {

// A point of the world in world units. Every coordinate a run makes is a whole number.
struct Point3D {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  friend bool operator==(const Point3D&, const Point3D&) = default;
};

// One generated box. The corner order is fixed; projection and faces index corners by number:
//   0 (x1,y1,z1)  1 (x2,y1,z1)  2 (x2,y1,z2)  3 (x1,y1,z2)     - round the face y = y1
//   4 (x1,y2,z1)  5 (x2,y2,z1)  6 (x2,y2,z2)  7 (x1,y2,z2)     - round the face y = y2
// Corner 0 is the low corner, corner 6 the high corner. Unused coordinates are 0: a 1D box has
// y1 = y2 = z1 = z2 = 0, a 2D box z1 = z2 = 0.
struct BoxRecord {
  Point3D corners[8];
  int32_t dimension = 0;  // 1, 2 or 3: the dimension of the run that made the box

  friend bool operator==(const BoxRecord&, const BoxRecord&) = default;
};

// Builds a complete record from the low and high corner and stores it whole into entry.
void SetBoxCorners(BoxRecord& entry, double x1, double y1, double z1, double x2, double y2,
                   double z2, int32_t dimension);

// A fixed table of kCapacity records, all zero at first, numbered from 1. A run with box count n
// writes entries 1..n in order; higher entries keep what an earlier run left there. The storage
// is reserved once, for the table's life; nothing is allocated per box.
class BoxTable {
 public:
  static constexpr int32_t kCapacity = 100000;  // the largest box count the window accepts

  BoxTable();

  // REQUIRES: 1 <= number <= kCapacity.
  BoxRecord& operator[](int32_t number) { return entries_.get()[number]; }
  const BoxRecord& operator[](int32_t number) const { return entries_.get()[number]; }

  // Copies entries first..last of other over the same entries of this table; nothing when
  // last < first. REQUIRES: 1 <= first, last <= kCapacity.
  void CopyEntries(const BoxTable& other, int32_t first, int32_t last);

  // Exchanges the contents of the two tables without copying them.
  void Swap(BoxTable& other) noexcept { entries_.swap(other.entries_); }

 private:
  struct Free {
    void operator()(BoxRecord* p) const { std::free(p); }
  };
  std::unique_ptr<BoxRecord, Free> entries_;  // kCapacity + 1 records; entry 0 is never used
};

// What the last run left for the drawing and for the next run.
struct SceneSettings {
  int32_t boxCount = 0;  // entries 1..boxCount are the last run's boxes; 0 before the first run
  int32_t worldX = 100;
  int32_t worldY = 100;
  int32_t worldZ = 100;
  double theta = 0.7;    // angle of the oblique projection, radians; never changed
  int32_t lastSeed = 0;  // the seed of the last run; part of the next random seed
};

}  // namespace pelmora
