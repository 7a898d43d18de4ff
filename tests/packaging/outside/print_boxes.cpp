// Prints the boxes of the settings read from a dataset file's header, as pelmora-gen --format
// csv does, through nothing but the installed headers and library.
//   print_boxes DATASET [BOXES]
#include <pelmora/pelmora.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  pelmora::Settings settings;
  if (pelmora::Status read = pelmora::ReadSettings(argv[1], &settings); !read.ok()) {
    std::fprintf(stderr, "print_boxes: %s\n", read.message().c_str());
    return 1;
  }
  if (argc > 2) settings.boxes = std::atoi(argv[2]);
  const char* const columns[3][2] = {{"x1", "x2"}, {"y1", "y2"}, {"z1", "z2"}};
  std::printf("id");
  for (int end = 0; end < 2; ++end) {
    for (int axis = 0; axis < settings.dimension; ++axis) std::printf(",%s", columns[axis][end]);
  }
  std::printf("\n");
  long number = 0;
  const pelmora::Status status = pelmora::Generate(settings, [&](const pelmora::Box& box) {
    std::printf("%ld", ++number);
    for (int axis = 0; axis < settings.dimension; ++axis) std::printf(",%d", box.low[axis]);
    for (int axis = 0; axis < settings.dimension; ++axis) std::printf(",%d", box.high[axis]);
    std::printf("\n");
    return true;
  });
  if (!status.ok()) {
    std::fprintf(stderr, "print_boxes: %s\n", status.message().c_str());
    return 1;
  }
  return pelmora::VerifyFile(argv[1]).identical ? 0 : 1;
}
