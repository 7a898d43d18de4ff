// Writes the pelmora-gen(1) man page, made from the --help text, to the file given.
#include <cstdio>
#include <string>

#include "cli/man_page.h"
#include "cli/options.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_man_page OUTPUT\n");
    return 2;
  }
  const std::string page = pelmora::ManPage(pelmora::HelpText());
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr || std::fwrite(page.data(), 1, page.size(), file) != page.size() ||
      std::fclose(file) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
