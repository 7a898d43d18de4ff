// Generating the boxes of a dataset in memory: the same boxes, in the same order, as the dataset
// file that pelmora-gen writes with the same settings.
#pragma once

#include <functional>
#include <vector>

#include "pelmora/box.h"
#include "pelmora/settings.h"
#include "pelmora/status.h"

namespace pelmora {

// Called once per box, in the order of the box numbers 1, 2, ... Returning false stops the run.
using BoxCallback = std::function<bool(const Box& box)>;

// Validates settings (see Validate) and generates its boxes, handing each to consumer as soon as
// it is made; nothing is kept. Returns the validation's message, or the run's when it cannot
// place its boxes within its attempt limits (boxes already handed over stay handed over), or
// "stopped by the consumer at box N" when consumer returned false. Nothing is written anywhere.
// Uses no state but its own: runs on several threads at once are independent.
Status Generate(const Settings& settings, const BoxCallback& consumer);

// As Generate, into *boxes (cleared first; on failure it holds the boxes made before it). The
// vector is reserved whole before the run; a count whose boxes do not fit in memory fails
// with a message saying so.
Status GenerateBoxes(const Settings& settings, std::vector<Box>* boxes);

}  // namespace pelmora
