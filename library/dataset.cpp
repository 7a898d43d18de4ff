#include "pelmora/dataset.h"

#include <memory>

#include "generator/dataset_header.h"
#include "generator/dataset_verify.h"
#include "generator/input_file.h"
#include "generator/quoted.h"
#include "library/settings_controls.h"

namespace pelmora {

// Both read through a bounded Input, in the words of pelmora-gen's --from and --verify.

Status ReadSettings(const std::string& path, Settings* settings) {
  const std::unique_ptr<Input> input = OpenInputFile(path);
  std::string consumed;
  const HeaderReading header = ReadDatasetHeader(*input, &consumed);
  if (!header.status.ok()) {
    if (header.inputFailed) return header.status;
    return Status::Error(QuoteName(path) + ": cannot read the header: " + header.status.message());
  }
  // The header's values passed pelmora-gen's checks; so do the settings made of them.
  const Settings read = FromControls(header.controls);
  if (Status valid = Validate(read); !valid.ok()) {
    return Status::Error(QuoteName(path) +
                         ": the header's settings cannot be used: " + valid.message());
  }
  *settings = read;
  return Status::Ok();
}

FileVerification VerifyFile(const std::string& path) {
  const std::unique_ptr<Input> input = OpenInputFile(path);
  const Verification verification = VerifyDataset(*input);
  FileVerification result;
  result.identical = verification.verdict == Verdict::kIdentical;
  result.message = verification.inputFailed ? verification.message
                                            : EscapeText(path) + ": " + verification.message;
  return result;
}

}  // namespace pelmora
