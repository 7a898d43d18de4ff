// Checking a dataset file against the settings and seed its own header records.
#pragma once

#include <string>
#include <string_view>

#include "generator/input_file.h"

namespace pelmora {

enum class Verdict {
  kIdentical,   // the file is exactly what its header's settings make
  kDiffers,     // some line differs from what they make
  kTruncated,   // the file stops early: what is there matches, but the footer is missing
  kUnreadable,  // the file cannot be read, its header cannot, or its settings make no dataset
};

struct Verification {
  Verdict verdict = Verdict::kUnreadable;
  std::string message;       // "identical", or what differs and where
  bool inputFailed = false;  // unreadable because the file itself could not be read
};

// Regenerates the dataset from the header of input and compares the two byte for byte as it
// reads, in bounded memory whatever the file: it stops at the first difference, and a line
// longer than any line of a dataset ends the reading. Lines quoted in the message are shown
// escaped and cut to about 80 characters. Nothing is written anywhere.
Verification VerifyDataset(Input& input);

// The same for a whole file held in memory.
Verification VerifyDataset(std::string_view bytes);

}  // namespace pelmora
