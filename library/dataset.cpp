#include "pelmora/dataset.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "generator/dataset_header.h"
#include "generator/dataset_verify.h"
#include "library/settings_controls.h"

namespace pelmora {

namespace {

// At most limit bytes from the start of the file at path, or the reason it cannot be read.
std::optional<std::string> ReadStart(const std::string& path, size_t limit, std::string* error) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    *error = "Cannot read '" + path + "': " + std::strerror(EISDIR);
    return std::nullopt;
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  while (in && bytes.size() < limit) {
    const size_t had = bytes.size();
    bytes.resize(had + std::min<size_t>(limit - had, 1 << 20));
    in.read(bytes.data() + had, static_cast<std::streamsize>(bytes.size() - had));
    bytes.resize(had + static_cast<size_t>(in.gcount()));
  }
  if (!in.bad() && (in || in.eof())) return bytes;
  *error = "Cannot read '" + path + "': " + std::strerror(errno != 0 ? errno : EIO);
  return std::nullopt;
}

// The largest file a verification reads: the longest dataset a run makes, with room to spare.
constexpr size_t kMaxDatasetBytes = size_t{1} << 30;

}  // namespace

Status ReadSettings(const std::string& path, Settings* settings) {
  std::string error;
  // The header is 16 short lines; its longest, the output name, is a file name.
  const auto bytes = ReadStart(path, 1 << 16, &error);
  if (!bytes) return Status::Error(error);
  const HeaderReading header = ReadDatasetHeader(*bytes);
  if (!header.controls) return Status::Error(path + ": cannot read the header: " + header.error);
  const Settings read = FromControls(*header.controls);
  if (Status valid = Validate(read); !valid.ok()) {
    return Status::Error(path + ": the header's settings cannot be used: " + valid.message());
  }
  *settings = read;
  return Status::Ok();
}

FileVerification VerifyFile(const std::string& path) {
  FileVerification result;
  std::string error;
  const auto bytes = ReadStart(path, kMaxDatasetBytes, &error);
  if (!bytes) {
    result.message = error;
    return result;
  }
  const Verification verification = VerifyDataset(*bytes);
  result.identical = verification.verdict == Verdict::kIdentical;
  result.message = path + ": " + verification.message;
  return result;
}

}  // namespace pelmora
