// The header of a dataset file, written by a run and read back by --from, --verify and the
// library: its 16 lines record the settings and seed that made the file, from the banner
// "Pelmora 1.0" down to the empty line after "Start of Dataset:".
//
// Writer and reader live here side by side and share every text of those lines (the line
// texts, the ranges in brackets, the distribution and family names and their parameters), so
// what one run writes reads back to the settings that wrote it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <pelmora/status.h>
#include "generator/dataset_writer.h"
#include "generator/generation_run.h"
#include "generator/input_file.h"

namespace pelmora {

// Writes the header of a run of controls as plan holds it: the dimension, the distribution
// kind and its parameters (Gauss as the single-precision numbers of the run, "%.2f") and the
// seed come from plan; the limits of the fields, the exponent and the file name from controls.
void WriteDatasetHeader(DatasetWriter& out, const GeneratorControls& controls, const RunPlan& plan);

// What reading a header gives.
struct HeaderReading {
  // Done, or why not: "line N: ..." naming the line that does not read, "the header ends after
  // N of its 16 lines", or, when inputFailed, the input's own failure, which names the file.
  Status status;
  bool inputFailed = false;
  // When status is ok: the controls that reproduce the file, with its seed as a constant seed.
  // World sizes and high ranges of axes the dimension does not use keep the window's start
  // values; Gauss texts come back as printed, with a full stop as decimal separator.
  GeneratorControls controls;
};

// Reads the 16 header lines of a dataset file (CR LF or LF line ends). Every value a run can
// write reads back to the control value that wrote it; a value pelmora-gen's options refuse is
// refused, naming the line.
HeaderReading ReadDatasetHeader(std::string_view bytes);

// No line of a dataset file is longer than this, line end included: the longest, the output
// name's, holds a name of at most kMaxOutputName bytes.
inline constexpr size_t kMaxOutputName = 4096;
inline constexpr size_t kMaxLineBytes = kMaxOutputName + 64;

// Reads the header from input in bounded memory: at most its 16 lines of at most kMaxLineBytes
// each. *consumed receives every byte taken from input (the header and perhaps the start of what
// follows it), for a reader that goes on. A line longer than any a dataset has ends the reading
// with a message; an input that fails ends it with its own, and inputFailed set.
HeaderReading ReadDatasetHeader(Input& input, std::string* consumed);

}  // namespace pelmora
