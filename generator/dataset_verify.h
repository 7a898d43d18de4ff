// Checking a dataset file against the settings and seed its own header records.
#pragma once

#include <string>
#include <string_view>

namespace pelmora {

enum class Verdict {
  kIdentical,   // the file is exactly what its header's settings make
  kDiffers,     // some line differs from what they make
  kTruncated,   // the file stops early: what is there matches, but the footer is missing
  kUnreadable,  // the header cannot be read, or its settings make no dataset
};

struct Verification {
  Verdict verdict = Verdict::kUnreadable;
  std::string message;  // "identical", or what differs and where
};

// Regenerates the dataset from the header of bytes (a whole dataset file) and compares the two
// byte for byte. Nothing is written anywhere.
Verification VerifyDataset(std::string_view bytes);

}  // namespace pelmora
