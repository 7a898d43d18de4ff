// Dataset files: the settings their headers record, and whether a file is what they make.
#pragma once

#include <string>

#include "pelmora/settings.h"
#include "pelmora/status.h"

namespace pelmora {

// Reads the header of the dataset file at path into *settings, which then makes the file's boxes
// with Generate. Axes the dimension does not use keep the defaults of Settings. Fails, leaving
// *settings as it was, with a message naming the file, and the header line or the setting that
// cannot be used.
Status ReadSettings(const std::string& path, Settings* settings);

struct FileVerification {
  bool identical = false;  // the file is byte for byte what its header's settings make
  std::string message;     // what `pelmora-gen --verify path` says: "path: identical", or
                           // "path: " and the first difference, or why the file cannot be read
};

// Regenerates the dataset that the header of the file at path describes and compares it with the
// file; writes nothing.
FileVerification VerifyFile(const std::string& path);

}  // namespace pelmora
