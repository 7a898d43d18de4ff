#include "cli/options.h"

#include <charconv>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

#include "generator/families.h"
#include "generator/quoted.h"
#include "generator/setting_checks.h"

namespace pelmora {

namespace {

using Handler = std::function<std::string(CliOptions&, std::string_view)>;

struct OptionRule {
  const char* longName;
  char shortName;  // 0 when there is none
  bool takesValue;
  Handler apply;  // returns an error text, or "" when the value is good
};

// The options that change the dataset a run makes (not where it goes or how it is shown).
bool ChangesTheDataset(std::string_view name) {
  for (const char* option :
       {"dimension", "world", "boxes", "high", "variable", "allow-zero-size", "distribution", "mean",
        "sigma", "exponent", "seed", "diagonal-fraction", "diagonal-width", "bit-probability",
        "bit-digits", "clusters", "cluster-sigma", "parcel-split", "parcel-dither"}) {
    if (name == option) return true;
  }
  return false;
}

std::string Expect(std::string_view option, std::string_view accepted, std::string_view value) {
  return "--" + std::string(option) + ": " + ExpectedGot(accepted, value);
}

// A family setting (--diagonal-fraction, --clusters, ...): a number as ParseFamilyReal reads
// it, or a whole number, stored and then checked against its range.
template <typename T>
std::string ApplyFamilySetting(CliOptions& o, std::string_view option, std::string_view value,
                               T FamilySettings::*field) {
  FamilySettings changed = o.controls.families;
  std::optional<T> parsed;
  if constexpr (std::is_same_v<T, double>) {
    parsed = ParseFamilyReal(value);
  } else {
    parsed = ParseWholeNumber(value, INT32_MIN, INT32_MAX);
  }
  if (parsed) changed.*field = *parsed;
  const auto error = CheckFamilySettings(changed);
  if (!parsed || (error && error->name == option)) {
    return Expect(option, FamilySettingAccepts(option), value);
  }
  o.controls.families = changed;
  return std::string();
}

// "X,Y,Z": one to three whole numbers of setting; the rest keep their values.
std::string ApplyTriple(std::string_view option, std::string_view value,
                        const WholeNumberSetting& setting, int32_t* targets[3]) {
  const int64_t min = setting.min;
  const int64_t max = setting.max;
  const std::string accepted = TripleAccepted(setting);
  int32_t parsed[3];
  size_t count = 0;
  size_t start = 0;
  for (;;) {
    const size_t comma = value.find(',', start);
    const std::string_view part = value.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (count == 3) return Expect(option, accepted, value);
    const auto number = ParseWholeNumber(part, min, max);
    if (!number) return Expect(option, accepted, value);
    parsed[count++] = *number;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  for (size_t i = 0; i < count; ++i) *targets[i] = parsed[i];
  return std::string();
}

PictureOptions& Picture(CliOptions& o) {
  if (!o.picture) o.picture.emplace();
  return *o.picture;
}

std::string ApplyColour(PictureOptions& picture, std::string_view value) {
  if (value.size() != 6) return Expect("colour", "six hexadecimal digits RRGGBB", value);
  uint32_t rgb = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + 6, rgb, 16);
  if (error != std::errc() || end != value.data() + 6) {
    return Expect("colour", "six hexadecimal digits RRGGBB", value);
  }
  // RRGGBB as typed; a Colour keeps red in its low byte.
  picture.draw.boxColour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
  return std::string();
}

const std::vector<OptionRule>& Options() {
  static const std::vector<OptionRule> options = {
      {"dimension", 'd', true,
       [](CliOptions& o, std::string_view v) {
         const auto d = ParseWholeNumber(v, kDimensionSetting);
         if (!d) return Expect("dimension", kDimensionSetting.accepted, v);
         o.controls.rgDimension = *d - 1;
         return std::string();
       }},
      {"world", 'w', true,
       [](CliOptions& o, std::string_view v) {
         int32_t* targets[3] = {&o.controls.spWorldX.value, &o.controls.spWorldY.value,
                                &o.controls.spWorldZ.value};
         return ApplyTriple("world", v, kWorldSetting, targets);
       }},
      {"boxes", 'n', true,
       [](CliOptions& o, std::string_view v) {
         const auto n = ParseWholeNumber(v, kBoxesSetting);
         if (!n) return Expect("boxes", kBoxesSetting.accepted, v);
         o.controls.spBoxes.value = *n;
         return std::string();
       }},
      {"high", 0, true,
       [](CliOptions& o, std::string_view v) {
         int32_t* targets[3] = {&o.controls.spHighX, &o.controls.spHighY, &o.controls.spHighZ};
         return ApplyTriple("high", v, kHighSetting, targets);
       }},
      {"variable", 0, false,
       [](CliOptions& o, std::string_view) {
         o.controls.cbBoxSize = true;
         return std::string();
       }},
      {"allow-zero-size", 0, false,
       [](CliOptions& o, std::string_view) {
         o.controls.cbVarBoxSize = false;
         return std::string();
       }},
      {"distribution", 0, true,
       [](CliOptions& o, std::string_view v) {
         const std::optional<int32_t> kind = DistributionKindNamed(v);
         if (!kind) return Expect("distribution", kDistributionAccepted, v);
         if (IsFamily(*kind)) {
           o.controls.family = *kind;
         } else {
           o.controls.rbDist = *kind;
           o.controls.family = 0;
         }
         return std::string();
       }},
      {"mean", 0, true,
       [](CliOptions& o, std::string_view v) {
         if (!IsTwoDecimalNumber(v)) {
           return Expect("mean", kMeanAccepted, v);
         }
         o.controls.edMean = std::string(v);
         return std::string();
       }},
      {"sigma", 0, true,
       [](CliOptions& o, std::string_view v) {
         if (!IsTwoDecimalNumber(v)) {
           return Expect("sigma", kSigmaAccepted, v);
         }
         o.controls.edSigma = std::string(v);
         return std::string();
       }},
      {"exponent", 0, true,
       [](CliOptions& o, std::string_view v) {
         const auto p = ParseWholeNumber(v, kExponentSetting);
         if (!p) return Expect("exponent", kExponentSetting.accepted, v);
         o.controls.rgExponent = *p - 1;
         return std::string();
       }},
      {"diagonal-fraction", 0, true,
       [](CliOptions& o, std::string_view v) {
         return ApplyFamilySetting(o, "diagonal-fraction", v, &FamilySettings::diagonalFraction);
       }},
      {"diagonal-width", 0, true,
       [](CliOptions& o, std::string_view v) {
         return ApplyFamilySetting(o, "diagonal-width", v, &FamilySettings::diagonalWidth);
       }},
      {"bit-probability", 0, true,
       [](CliOptions& o, std::string_view v) {
         return ApplyFamilySetting(o, "bit-probability", v, &FamilySettings::bitProbability);
       }},
      {"bit-digits", 0, true,
       [](CliOptions& o, std::string_view v) {
         return ApplyFamilySetting(o, "bit-digits", v, &FamilySettings::bitDigits);
       }},
      {"clusters", 0, true,
       [](CliOptions& o, std::string_view v) {
         return ApplyFamilySetting(o, "clusters", v, &FamilySettings::clusters);
       }},
      {"cluster-sigma", 0, true,
       [](CliOptions& o, std::string_view v) {
         return ApplyFamilySetting(o, "cluster-sigma", v, &FamilySettings::clusterSigma);
       }},
      {"parcel-split", 0, true,
       [](CliOptions& o, std::string_view v) {
         return ApplyFamilySetting(o, "parcel-split", v, &FamilySettings::parcelSplit);
       }},
      {"parcel-dither", 0, true,
       [](CliOptions& o, std::string_view v) {
         return ApplyFamilySetting(o, "parcel-dither", v, &FamilySettings::parcelDither);
       }},
      {"seed", 's', true,
       [](CliOptions& o, std::string_view v) {
         const auto s = ParseWholeNumber(v, kSeedSetting);
         if (!s) return Expect("seed", kSeedSetting.accepted, v);
         o.controls.rbSeedConstant = true;
         o.controls.spSeed = *s;
         return std::string();
       }},
      {"output", 'o', true,
       [](CliOptions& o, std::string_view v) {
         if (v.empty()) return Expect("output", "a file name, or - for standard output", v);
         // The name is a line of the header: a line break in it would make the file unreadable.
         if (v.find_first_of("\r\n") != std::string_view::npos) {
           return Expect("output", "a file name without line breaks", v);
         }
         o.controls.edfName = std::string(v);
         return std::string();
       }},
      {"format", 0, true,
       [](CliOptions& o, std::string_view v) {
         if (v == "pelmora")
           o.format = BoxFormat::kPelmora;
         else if (v == "csv")
           o.format = BoxFormat::kCsv;
         else if (v == "wkt")
           o.format = BoxFormat::kWkt;
         else if (v == "npy")
           o.format = BoxFormat::kNpy;
         else if (v == "geojson")
           o.format = BoxFormat::kGeoJson;
         else
           return Expect("format", "pelmora, csv, wkt, npy or geojson", v);
         return std::string();
       }},
      {"verify", 0, true,
       [](CliOptions& o, std::string_view v) {
         if (v.empty()) return Expect("verify", "the name of a dataset file", v);
         o.verifyFile = std::string(v);
         return std::string();
       }},
      {"from", 0, true,
       [](CliOptions& o, std::string_view v) {
         if (v.empty()) return Expect("from", "the name of a dataset file", v);
         o.fromFile = std::string(v);
         return std::string();
       }},
      {"quiet", 'q', false,
       [](CliOptions& o, std::string_view) {
         o.quiet = true;
         return std::string();
       }},
      {"help", 'h', false,
       [](CliOptions& o, std::string_view) {
         o.help = true;
         return std::string();
       }},
      {"version", 0, false,
       [](CliOptions& o, std::string_view) {
         o.version = true;
         return std::string();
       }},
      {"picture", 0, true,
       [](CliOptions& o, std::string_view v) {
         PictureOptions& picture = Picture(o);
         if (v.size() > 4 && v.ends_with(".svg"))
           picture.format = PictureFormat::kSvg;
         else if (v.size() > 4 && v.ends_with(".png"))
           picture.format = PictureFormat::kPng;
         else
           return Expect("picture", "a file name ending in .svg or .png", v);
         picture.file = std::string(v);
         return std::string();
       }},
      {"size", 0, true,
       [](CliOptions& o, std::string_view v) {
         const size_t x = v.find('x');
         const std::string accepted = "WIDTHxHEIGHT, each from 1 to 10000, such as 603x586";
         if (x == std::string_view::npos) return Expect("size", accepted, v);
         const auto w = ParseWholeNumber(v.substr(0, x), 1, 10000);
         const auto h = ParseWholeNumber(v.substr(x + 1), 1, 10000);
         if (!w || !h) return Expect("size", accepted, v);
         Picture(o).width = *w;
         Picture(o).height = *h;
         return std::string();
       }},
      {"percent", 0, true,
       [](CliOptions& o, std::string_view v) {
         const auto p = ParseWholeNumber(v, 1, 100);
         if (!p) return Expect("percent", "a whole number from 1 to 100", v);
         Picture(o).draw.spPercent = *p;
         return std::string();
       }},
      {"grid-lines", 0, true,
       [](CliOptions& o, std::string_view v) {
         const auto n = ParseWholeNumber(v, 5, 100);
         if (!n) return Expect("grid-lines", "a whole number from 5 to 100", v);
         Picture(o).draw.spGridLines = *n;
         return std::string();
       }},
      {"grid-style", 0, true,
       [](CliOptions& o, std::string_view v) {
         DrawSettings& draw = Picture(o).draw;
         if (v == "dash")
           draw.rgGridStyle = 0;
         else if (v == "dot")
           draw.rgGridStyle = 1;
         else if (v == "dashdot")
           draw.rgGridStyle = 2;
         else
           return Expect("grid-style", "dash, dot or dashdot", v);
         return std::string();
       }},
      {"no-grid", 0, false,
       [](CliOptions& o, std::string_view) {
         Picture(o).draw.cbShowGrid = false;
         return std::string();
       }},
      {"outline", 0, false,
       [](CliOptions& o, std::string_view) {
         Picture(o).draw.cbColouredBoxes = false;
         return std::string();
       }},
      {"colour", 0, true,
       [](CliOptions& o, std::string_view v) { return ApplyColour(Picture(o), v); }},
      {"random-colour", 0, false,
       [](CliOptions& o, std::string_view) {
         Picture(o).draw.rgBoxColour = 1;
         return std::string();
       }},
      {"perspective", 0, true,
       [](CliOptions& o, std::string_view v) {
         const auto delta = ParseWholeNumber(v, INT32_MIN, INT32_MAX);
         if (!delta) return Expect("perspective", "a whole number (the delta)", v);
         Picture(o).draw.cbShow3D = true;
         Picture(o).draw.spDelta = *delta;
         return std::string();
       }},
  };
  return options;
}

const OptionRule* FindLong(std::string_view name) {
  for (const OptionRule& rule : Options()) {
    if (name == rule.longName) return &rule;
  }
  return nullptr;
}

const OptionRule* FindShort(char name) {
  for (const OptionRule& rule : Options()) {
    if (rule.shortName != 0 && rule.shortName == name) return &rule;
  }
  return nullptr;
}

ParseOutcome Error(std::string message) {
  ParseOutcome outcome;
  outcome.error = std::move(message);
  return outcome;
}

}  // namespace

ParseOutcome ParseCommandLine(std::span<const std::string_view> args,
                              const GeneratorControls& base) {
  CliOptions options;
  options.controls = base;
  bool otherThanVerify = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--") {
      if (i + 1 < args.size()) return Error("unexpected argument " + QuoteExcerpt(args[i + 1]));
      break;
    }
    const OptionRule* rule = nullptr;
    std::string shown;  // the option as the user wrote it, for messages
    std::optional<std::string_view> value;
    if (arg.starts_with("--")) {
      const std::string_view body = arg.substr(2);
      const size_t equals = body.find('=');
      const std::string_view name = body.substr(0, equals);
      rule = FindLong(name);
      shown = "--" + std::string(name);
      if (rule == nullptr) return Error("unknown option " + QuoteExcerpt(shown));
      if (equals != std::string_view::npos) {
        if (!rule->takesValue) return Error("option '" + shown + "' takes no value");
        value = body.substr(equals + 1);
      }
    } else if (arg.size() >= 2 && arg[0] == '-') {
      rule = FindShort(arg[1]);
      shown = std::string(arg.substr(0, 2));
      if (rule == nullptr) return Error("unknown option " + QuoteExcerpt(shown));
      if (arg.size() > 2) {
        if (!rule->takesValue) return Error("option '" + shown + "' takes no value");
        value = arg.substr(2);
      }
    } else {
      return Error("unexpected argument " + QuoteExcerpt(arg));
    }
    if (rule->takesValue && !value) {
      if (i + 1 >= args.size()) return Error("option '" + shown + "' needs a value");
      value = args[++i];
    }
    const std::string error = rule->apply(options, value.value_or(std::string_view()));
    if (!error.empty()) return Error(error);
    const std::string_view name = rule->longName;
    if (name == "output") options.outputGiven = true;
    if (ChangesTheDataset(name)) options.generatorOptionGiven = true;
    if (name != "verify" && name != "quiet") otherThanVerify = true;
  }
  if (options.verifyFile && otherThanVerify) {
    return Error(
        "--verify checks a file against its own header and takes no other options but "
        "--quiet");
  }
  if (options.controls.family == kSierpinski && options.controls.rgDimension == 0) {
    return Error(kSierpinskiDimensionMessage);
  }
  // A picture option alone is a slip, not a request for a picture.
  if (options.picture && options.picture->file.empty()) {
    return Error("the picture options need --picture FILE");
  }
  // The box-count line of the header shows the range its count was taken from.
  options.controls.spBoxes.maxValue = BoxCountLimit(options.controls.spBoxes.value);
  ParseOutcome outcome;
  outcome.options = std::move(options);
  return outcome;
}

std::string HelpText() {
  return R"(Usage: pelmora-gen [OPTION]...
Generate a synthetic spatial dataset of axis-aligned boxes and write it to a dataset file;
the same settings and seed always give the same file, byte for byte. Defaults are the
window's start values; limits are its fields'.

World and boxes:
  -d, --dimension D        1, 2 or 3: intervals, rectangles or cuboids (3)
  -w, --world X,Y,Z        world size per axis, each 1..100000 (700,700,50); fewer than
                           three numbers keep the defaults of the rest
  -n, --boxes N            number of boxes, 1..100000 (200)
      --high X,Y,Z         high ranges of the box size, each 1..100000 and below the world
                           size of its axis (20,20,20)
      --variable           variable box size: each extent drawn from 1 to its high range
      --allow-zero-size    do not require non-zero boxes ("Non-zero boxes" unchecked)

Distribution of the box positions:
      --distribution D     uniform, gauss or skewed (uniform)
      --mean M             Gauss mean, at most two decimals, full stop (350)
      --sigma S            Gauss sigma, at most two decimals, full stop (100)
      --exponent P         skew exponent: 1 (Zipf) or 2 (1)

Distribution families of spatial benchmarks (each gives the low corner of a box; parcel cuts
the world into the boxes itself, without the high ranges):
      --distribution D     also diagonal, bit, sierpinski (2D and 3D), clustered or parcel
      --diagonal-fraction F  diagonal: share of points exactly on the diagonal, 0..1 (0.5)
      --diagonal-width B   diagonal: the others lie within about B of it, > 0 (0.1)
      --bit-probability P  bit: probability of each bit being 1, 0..1 (0.2)
      --bit-digits D       bit: bits per coordinate, 1..30 (10)
      --clusters K         clustered: number of centres, 1..100000 (10)
      --cluster-sigma S    clustered: deviation around a centre, > 0 (0.02)
      --parcel-split S     parcel: cuts fall within [S, 1 - S] of a side, 0 < S < 0.5 (0.2)
      --parcel-dither D    parcel: each side shrinks by up to D of it, 0..1 (0.2)
                           Reals are digits with an optional full stop (0.25, 3, .5).

Seed and output:
  -s, --seed N             constant seed, 1..65535; without it the seed is made from the
                           clock and printed, so the run can be repeated
  -o, --output FILE        dataset file, written into its header as given (Output.txt);
                           - writes the dataset to standard output
  -q, --quiet              print nothing but errors

Other formats, checking and repeating:
      --format F           pelmora (the dataset file), csv, wkt, npy or geojson
                           (pelmora); an output name ending in .gz or .zst is
                           compressed (gzip, Zstandard), and --verify and --from
                           read such names the same way
      --verify FILE        regenerate FILE from the settings in its header and compare
                           byte for byte: "identical" and status 0, or the first line that
                           differs (or that the file is truncated) and status 1
      --from FILE          take every setting from FILE's header; other options override

Picture of the run (the redraw that follows "Create Dataset" in the window):
      --picture FILE       write the picture to FILE.svg or FILE.png
      --size WxH           drawing area in pixels, each 1..10000 (603x586)
      --percent P          percent of boxes to show, 1..100 (100)
      --grid-lines N       number of grid lines, 5..100 (10)
      --grid-style S       dash, dot or dashdot (dot)
      --no-grid            no grid lines
      --outline            outlined boxes ("Coloured Boxes" unchecked)
      --colour RRGGBB      constant box colour (FF0000, red)
      --random-colour      a random colour for each box
      --perspective DELTA  "Attempt to show 3D world" with that delta, any whole number

  -h, --help               show this help and exit
      --version            show the version and exit

Exit status: 0 when the dataset was written, 1 when the run was refused or failed (the
message on standard error), 2 for bad usage.
)";
}

}  // namespace pelmora
