// Between the library's Settings and the generator's snapshot of the window's controls, and the
// texts pelmora-gen's messages about settings are made of. Internal: not installed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "generator/generation_run.h"
#include "pelmora/settings.h"

namespace pelmora {

// "--option: expected <what the option accepts>, got '<got>'", as pelmora-gen says it for the
// options of Settings ("dimension", "world", "boxes", "high", "distribution", "mean", "sigma",
// "exponent", "seed").
std::string ExpectedMessage(std::string_view option, std::string_view got);

// The text a mean or sigma is handed to the run as: the shortest decimal that reads back as the
// same double, when that has at most two decimals and stays finite as a single; else nothing.
std::optional<std::string> TwoDecimalText(double value);

// The controls that make the dataset of valid settings with its constant seed.
// REQUIRES: Validate(settings).ok().
GeneratorControls ToControls(const Settings& settings);

// The settings of controls read from a dataset header (constant seed, full stop decimals).
// Axes beyond the dimension keep the defaults of Settings.
Settings FromControls(const GeneratorControls& controls);

}  // namespace pelmora
