// The command line of pelmora-gen: parsed into the same snapshots the window's controls give.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "drawing/scene.h"
#include "generator/box_formats.h"
#include "generator/generation_run.h"

namespace pelmora {

enum class PictureFormat { kSvg, kPng };

// The picture of a run: the scene redraw that follows "Create Dataset", on a paint box of
// width x height.
struct PictureOptions {
  std::string file;
  PictureFormat format = PictureFormat::kSvg;
  int32_t width = 603;  // the drawing area at start
  int32_t height = 586;
  DrawSettings draw;
};

struct CliOptions {
  GeneratorControls controls;  // the window's start values unless an option says otherwise
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::optional<PictureOptions> picture;
  BoxFormat format = BoxFormat::kPelmora;
  std::optional<std::string> verifyFile;  // --verify: check this file, generate nothing else
  std::optional<std::string> fromFile;    // --from: the settings come from this file's header
  bool outputGiven = false;               // -o was given
  bool generatorOptionGiven = false;      // an option that changes the dataset was given
};

struct ParseOutcome {
  std::optional<CliOptions> options;  // set when the command line is good
  std::string error;                  // otherwise: names the option and what it accepts
};

// Parses the arguments after the program name. GNU style: "--name value", "--name=value",
// "-x value", "-xvalue"; flags take no value. Every number is checked against the limits of the
// window's field; "--" ends the options, and there are no other arguments.
// base holds the controls the options start from: the window's start values, or with --from
// the settings read from that file's header (the caller reads it and parses again).
ParseOutcome ParseCommandLine(std::span<const std::string_view> args,
                              const GeneratorControls& base = GeneratorControls());

// The --help text; every option with its default.
std::string HelpText();

inline constexpr const char* kVersionText = "pelmora-gen (Pelmora) 1.0\n";

}  // namespace pelmora
