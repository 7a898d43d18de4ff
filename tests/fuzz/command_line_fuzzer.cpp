// The command line of pelmora-gen: any arguments, split at NUL bytes. A command line is either
// refused with a message or gives options whose every value lies within the limits of the
// window's field it stands for.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "generator/setting_checks.h"
#include "generator/str_to_float.h"

namespace pelmora {
namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "command line fuzzer: %s\n", what);
  std::abort();
}

bool Within(int32_t value, int32_t min, int32_t max) {
  return value >= min && value <= max;
}

// A Gauss text as the options accept it: a number, finite as a single.
bool IsGaussText(const std::string& text) {
  const auto value = TryStrToFloat(text, ".");
  return value && std::isfinite(static_cast<float>(*value));
}

void CheckOptions(const CliOptions& o) {
  const GeneratorControls& c = o.controls;
  const GeneratorControls window;
  Check(Within(c.rgDimension, 0, 2), "dimension out of range");
  for (const SpinEditValue* v : {&c.spWorldX, &c.spWorldY, &c.spWorldZ}) {
    Check(Within(v->value, 1, 100000), "world size out of range");
    Check(v->minValue == 1 && v->maxValue == 100000, "a field's limits changed");
  }
  // pelmora-gen takes any positive box count; the header shows the window's range up to 100000.
  Check(Within(c.spBoxes.value, 1, 2147483647), "box count out of range");
  Check(c.spBoxes.minValue == 1 && c.spBoxes.maxValue == BoxCountLimit(c.spBoxes.value),
        "the box count's limits");
  for (const int32_t high : {c.spHighX, c.spHighY, c.spHighZ}) {
    Check(Within(high, 1, 100000), "high range out of range");
  }
  Check(Within(c.rbDist, 0, 2), "distribution out of range");
  Check(Within(c.rgExponent, 0, 1), "exponent out of range");
  Check(IsGaussText(c.edMean) && IsGaussText(c.edSigma), "mean or sigma not a number");
  Check(c.decimalSeparator == window.decimalSeparator, "decimal separator changed");
  Check(!c.rbSeedConstant || Within(c.spSeed, 1, 65535), "seed out of range");
  Check(!c.edfName.empty(), "empty output name");
  if (o.verifyFile) Check(!o.verifyFile->empty(), "empty --verify name");
  if (o.fromFile) Check(!o.fromFile->empty(), "empty --from name");
  if (o.picture) {
    const PictureOptions& p = *o.picture;
    Check(p.file.size() > 4, "picture without a file name");
    Check(p.file.ends_with(p.format == PictureFormat::kSvg ? ".svg" : ".png"),
          "picture format does not match its name");
    Check(Within(p.width, 1, 10000) && Within(p.height, 1, 10000), "picture size out of range");
    Check(Within(p.draw.spPercent, 1, 100), "percent out of range");
    Check(Within(p.draw.spGridLines, 5, 100), "grid lines out of range");
    Check(Within(p.draw.rgGridStyle, 0, 2), "grid style out of range");
    Check(Within(p.draw.rgBoxColour, 0, 1), "box colour mode out of range");
    Check((p.draw.boxColour >> 24) == 0, "box colour has a top byte");
  }
}

}  // namespace
}  // namespace pelmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> args;
  size_t start = 0;
  while (start <= bytes.size() && args.size() < 64) {
    const size_t end = bytes.find('\0', start);
    args.push_back(bytes.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (size == 0) args.clear();

  const pelmora::ParseOutcome outcome = pelmora::ParseCommandLine(args);
  if (outcome.options) {
    pelmora::Check(outcome.error.empty(), "accepted with an error text");
    pelmora::CheckOptions(*outcome.options);
  } else {
    pelmora::Check(!outcome.error.empty(), "refused without a message");
  }
  return 0;
}
