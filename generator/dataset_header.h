// Reading back the header of a dataset file: the settings and seed that made it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "generator/generation_run.h"

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

}  // namespace pelmora
