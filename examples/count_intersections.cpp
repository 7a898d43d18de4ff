// Generates a million boxes in memory and counts the pairs of the first 1000 that intersect.
//
//   count_intersections [BOXES]    (BOXES defaults to 1000000)
#include <pelmora/pelmora.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  pelmora::Settings settings;  // pelmora-gen's defaults: 3D, world 700 x 700 x 50, seed 1
  settings.boxes = argc > 1 ? std::atoi(argv[1]) : 1000000;
  settings.variable = true;

  std::vector<pelmora::Box> boxes;
  const pelmora::Status status = pelmora::GenerateBoxes(settings, &boxes);
  if (!status.ok()) {
    std::fprintf(stderr, "count_intersections: %s\n", status.message().c_str());
    return 1;
  }

  // Closed boxes: touching faces count as intersecting.
  const size_t first = boxes.size() < 1000 ? boxes.size() : 1000;
  long pairs = 0;
  for (size_t i = 0; i < first; ++i) {
    for (size_t j = i + 1; j < first; ++j) {
      bool meet = true;
      for (int axis = 0; axis < settings.dimension; ++axis) {
        meet = meet && boxes[i].low[axis] <= boxes[j].high[axis] &&
               boxes[j].low[axis] <= boxes[i].high[axis];
      }
      pairs += meet ? 1 : 0;
    }
  }
  std::printf("%zu boxes generated; %ld pairs of the first %zu intersect\n", boxes.size(), pairs,
              first);
  return 0;
}
