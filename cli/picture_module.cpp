#include "cli/picture_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "generator/quoted.h"

namespace pelmora {

namespace {

// The folder of the running program, or empty when the system does not say.
std::filesystem::path ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : program.parent_path();
}

}  // namespace

std::vector<std::string> PngModuleCandidates() {
  const std::filesystem::path folder = ProgramFolder();
  if (folder.empty()) return {};
  return {(folder / kPngModuleFile).string(),
          (folder / PELMORA_PNG_MODULE_FROM_PROGRAM / kPngModuleFile).lexically_normal().string()};
}

std::unique_ptr<PngPicture> MakePngPicture(const std::string& moduleFile, int32_t width,
                                           int32_t height, std::string* reason) {
  std::string file = moduleFile;
  if (file.empty()) {
    const std::vector<std::string> candidates = PngModuleCandidates();
    for (const std::string& candidate : candidates) {
      if (access(candidate.c_str(), F_OK) == 0) {
        file = candidate;
        break;
      }
    }
    if (file.empty()) {
      *reason = std::string("PNG pictures are drawn by the module ") + kPngModuleFile +
                ", which is not installed with this pelmora-gen (looked for";
      for (const std::string& candidate : candidates)
        reason->append(" ").append(QuoteName(candidate));
      *reason += "); an .svg picture needs no module";
      return nullptr;
    }
  }
  // Never closed: Qt, once loaded, stays for the life of the process.
  void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* error = dlerror();
    *reason = "the PNG module " + QuoteName(file) + " cannot be loaded: " +
              (error != nullptr ? EscapeText(error) : std::string("no reason given"));
    return nullptr;
  }
  auto* make = reinterpret_cast<MakePngPictureFunction*>(dlsym(module, kPngModuleEntry));
  if (make == nullptr) {
    *reason = "the PNG module " + QuoteName(file) +
              " is not the one of this pelmora-gen (it has no " + kPngModuleEntry + ")";
    return nullptr;
  }
  return std::unique_ptr<PngPicture>(make(width, height, reason));
}

}  // namespace pelmora
