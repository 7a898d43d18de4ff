// Reading back the header of a dataset file: the settings and seed that made it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "generator/generation_run.h"
#include "generator/input_file.h"

namespace pelmora {

struct HeaderReading {
  // The controls that reproduce the file with a constant seed, when the header reads; world
  // sizes and high ranges of axes the dimension does not use keep the window's start values.
  std::optional<GeneratorControls> controls;
  std::string error;  // otherwise: "line N: ..." naming what could not be read
};

// Reads the 16 header lines of a dataset file (CR LF or LF line ends). Every value a run can
// write reads back to the control value that wrote it; Gauss texts come back as printed, with a
// full stop as decimal separator.
HeaderReading ReadDatasetHeader(std::string_view bytes);

// No line of a dataset file is longer than this, line end included: the longest, the output
// name's, holds a name of at most kMaxOutputName bytes.
inline constexpr size_t kMaxOutputName = 4096;
inline constexpr size_t kMaxLineBytes = kMaxOutputName + 64;

// Reads the header from input in bounded memory: at most its 16 lines of at most kMaxLineBytes
// each. *consumed receives every byte taken from input (the header and perhaps the start of what
// follows it), for a reader that goes on. A line longer than any a dataset has, or an input that
// fails, ends the reading with a message.
HeaderReading ReadDatasetHeader(Input& input, std::string* consumed);

}  // namespace pelmora
