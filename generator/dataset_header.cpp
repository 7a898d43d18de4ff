#include "generator/dataset_header.h"

#include <charconv>
#include <iterator>
#include <utility>
#include <vector>

#include "generator/families.h"
#include "generator/numeric.h"
#include "generator/quoted.h"
#include "generator/setting_checks.h"

namespace pelmora {

namespace {

// The texts of the header, in the order of its lines; the writer writes them and the reader
// expects them. Line 1 is kApplicationTitle.
constexpr int kHeaderLines = 16;
constexpr std::string_view kWorldSettings = "World Settings:";
constexpr std::string_view kDimensions = "  Dimensions [1..3]: ";
constexpr std::string_view kSize = "  Size [";
constexpr std::string_view kGeneratorSettings = "Generator Settings:";
constexpr std::string_view kBoxesCreated = "  Boxes created [";
constexpr std::string_view kHighRanges = "  High ranges for the box size [";
constexpr std::string_view kVariableSize = "  Variable size of boxes: ";
constexpr std::string_view kNonZeroSize = "  Non-zero size of boxes: ";
constexpr std::string_view kDistribution = "  Distribution: ";
constexpr std::string_view kSeed = "  Seed [1..65535]: ";
constexpr std::string_view kOutputFilename = "  Output Filename: ";
constexpr std::string_view kStartOfDataset = "Start of Dataset:";

// Within the lines: "[min..max, min..max]: value, value", "Yes" or "No".
constexpr std::string_view kRangeTo = "..";
constexpr std::string_view kNext = ", ";
constexpr std::string_view kValuesFollow = "]: ";
constexpr std::string_view kYes = "Yes";
constexpr std::string_view kNo = "No";

// The limits in brackets that every run prints: the world fields' 1..100000, and for the high
// ranges the same with the maximum less 1, as a high range stays below its world size.
constexpr int32_t kWorldMin = static_cast<int32_t>(kWorldSetting.min);
constexpr int32_t kWorldMax = static_cast<int32_t>(kWorldSetting.max);

// A parameter of a distribution line: its label, what a message calls it, and for a family the
// member of FamilySettings that holds it (a real or a whole number). The window's Gauss and
// Skewed parameters live in their own controls.
struct Parameter {
  std::string_view label;
  std::string_view what;
  double FamilySettings::*real = nullptr;
  int32_t FamilySettings::*whole = nullptr;
};

// The distribution line of each kind: "  Distribution: " and its name, then, for a kind with
// parameters, " (" first label ": " value [", " second label ": " value] ")".
struct DistributionLine {
  std::string_view name;
  Parameter first;   // no label: the kind has no parameters
  Parameter second;  // no label: the kind has one parameter at most
};

constexpr DistributionLine kDistributionLines[] = {
    {"Uniform", {}, {}},
    {"Gauss", {"Mean", "the Gauss mean"}, {"Sigma", "the Gauss sigma"}},
    {"Skewed", {"p", "the exponent"}, {}},
    {"Diagonal",
     {"Fraction", "the diagonal fraction", &FamilySettings::diagonalFraction},
     {"Width", "the diagonal width", &FamilySettings::diagonalWidth}},
    {"Bit",
     {"Probability", "the bit probability", &FamilySettings::bitProbability},
     {"Digits", "the bit digits", nullptr, &FamilySettings::bitDigits}},
    {"Sierpinski", {}, {}},
    {"Clustered",
     {"Clusters", "the clusters", nullptr, &FamilySettings::clusters},
     {"Sigma", "the cluster sigma", &FamilySettings::clusterSigma}},
    {"Parcel",
     {"Split", "the parcel split", &FamilySettings::parcelSplit},
     {"Dither", "the parcel dither", &FamilySettings::parcelDither}},
};
static_assert(std::size(kDistributionLines) == kParcel + 1, "a line for every kind");

// What stands before a parameter's value: " (Mean: " for the first, ", Sigma: " for the second.
std::string Opening(const Parameter& parameter, bool first) {
  return std::string(first ? " (" : kNext) + std::string(parameter.label) + ": ";
}
constexpr std::string_view kClose = ")";

// ---- Writing ----

// "[min..max, ...]: value, ..." after start, for count axes; then the line end.
void WriteRangesAndValues(DatasetWriter& out, std::string_view start, int32_t count,
                          const int32_t mins[3], const int32_t maxs[3], const int32_t values[3]) {
  out.Text(start);
  for (int32_t axis = 0; axis < count; ++axis) {
    if (axis > 0) out.Text(kNext);
    out.Int(mins[axis]).Text(kRangeTo).Int(maxs[axis]);
  }
  out.Text(kValuesFollow);
  for (int32_t axis = 0; axis < count; ++axis) {
    if (axis > 0) out.Text(kNext);
    out.Int(values[axis]);
  }
  out.LineEnd();
}

void WriteYesNo(DatasetWriter& out, std::string_view start, bool yes) {
  out.Text(start).Text(yes ? kYes : kNo).LineEnd();
}

// A parameter's value as the distribution line prints it.
std::string ParameterText(const Parameter& parameter, int index, const GeneratorControls& c,
                          const RunPlan& plan) {
  const BoxRecipe& recipe = plan.recipe;
  if (parameter.real != nullptr) return FormatFamilyReal(recipe.families.*parameter.real);
  if (parameter.whole != nullptr) return std::to_string(recipe.families.*parameter.whole);
  if (recipe.kind == kGauss) return FormatFixed2(index == 0 ? recipe.param1 : recipe.param2);
  return std::to_string(c.rgExponent + 1);  // Skewed's p
}

void WriteDistributionLine(DatasetWriter& out, const GeneratorControls& c, const RunPlan& plan) {
  const DistributionLine& line = kDistributionLines[plan.recipe.kind];
  out.Text(kDistribution).Text(line.name);
  const Parameter* parameters[2] = {&line.first, &line.second};
  for (int index = 0; index < 2 && !parameters[index]->label.empty(); ++index) {
    out.Text(Opening(*parameters[index], index == 0))
        .Text(ParameterText(*parameters[index], index, c, plan));
  }
  if (!line.first.label.empty()) out.Text(kClose);
  out.LineEnd();
}

// ---- Reading ----

// Reads one header line from left to right; the first thing that does not match fails it.
class LineReader {
 public:
  LineReader(int number, std::string_view line) : number_(number), rest_(line), line_(line) {}

  bool Literal(std::string_view text) {
    if (failed_) return false;
    if (!rest_.starts_with(text)) return Fail("expected '" + std::string(text) + "'");
    rest_.remove_prefix(text.size());
    return true;
  }

  bool Int(int32_t* value, std::string_view what) {
    if (failed_) return false;
    const auto [end, error] = std::from_chars(rest_.data(), rest_.data() + rest_.size(), *value);
    if (error != std::errc() || end == rest_.data())
      return Fail("cannot read " + std::string(what));
    rest_.remove_prefix(static_cast<size_t>(end - rest_.data()));
    return true;
  }

  // Text up to (not including) stop, which must follow.
  bool Until(std::string_view stop, std::string* text, std::string_view what) {
    if (failed_) return false;
    const size_t at = rest_.find(stop);
    if (at == std::string_view::npos) return Fail("cannot read " + std::string(what));
    *text = std::string(rest_.substr(0, at));
    rest_.remove_prefix(at);
    return true;
  }

  bool YesNo(bool* value, std::string_view what) {
    if (failed_) return false;
    if (rest_ == kYes)
      *value = true;
    else if (rest_ == kNo)
      *value = false;
    else
      return Fail("expected Yes or No for " + std::string(what));
    rest_ = std::string_view();
    return true;
  }

  bool Rest(std::string* text) {
    if (failed_) return false;
    *text = std::string(rest_);
    rest_ = std::string_view();
    return true;
  }

  // A value read so far must satisfy ok; otherwise the line fails with what.
  bool Require(bool ok, std::string_view what) {
    if (failed_) return false;
    return ok || Fail(std::string(what));
  }

  // A whole number read so far must pass the check pelmora-gen's option of it makes.
  bool Within(int32_t value, const WholeNumberSetting& setting, std::string_view what) {
    if (failed_) return false;
    if (ParseWholeNumber(std::to_string(value), setting)) return true;
    return Fail(std::string(what) + ": " + ExpectedGot(setting.accepted, std::to_string(value)));
  }

  // Limits printed in brackets must be the ones every run prints.
  bool Limits(int32_t min, int32_t max, int32_t expectedMin, int32_t expectedMax) {
    if (failed_) return false;
    if (min == expectedMin && max == expectedMax) return true;
    return Fail("the limits must read " + std::to_string(expectedMin) + ".." +
                std::to_string(expectedMax) + ", not " + std::to_string(min) + ".." +
                std::to_string(max));
  }

  bool End() {
    if (failed_) return false;
    if (!rest_.empty()) return Fail("unexpected " + QuoteExcerpt(rest_));
    return true;
  }

  bool failed() const { return failed_; }
  // Done, or the first thing that did not match, naming the line.
  Status status() const { return failed_ ? Status::Error(error_) : Status::Ok(); }

 private:
  bool Fail(const std::string& what) {
    failed_ = true;
    error_ = "line " + std::to_string(number_) + ": " + what + " in " + QuoteExcerpt(line_);
    return false;
  }

  int number_;
  std::string_view rest_;
  std::string_view line_;
  bool failed_ = false;
  std::string error_;
};

std::vector<std::string_view> SplitLines(std::string_view bytes, size_t count) {
  std::vector<std::string_view> lines;
  while (lines.size() < count && !bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + 1);
  }
  return lines;
}

// A whole number and nothing else, as the writer prints it (a minus sign is read, for the range
// check to refuse).
std::optional<int32_t> WholeNumberText(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || text.empty() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// Puts a family parameter's text into the member of c.families that holds it.
bool ReadFamilyParameter(LineReader& in, const Parameter& parameter, std::string_view text,
                         FamilySettings& f) {
  const std::string cannot = "cannot read " + std::string(parameter.what);
  if (parameter.real != nullptr) {
    const std::optional<double> value = ParseFamilyReal(text);
    if (!value) return in.Require(false, cannot);
    f.*parameter.real = *value;
  } else {
    const std::optional<int32_t> value = WholeNumberText(text);
    if (!value) return in.Require(false, cannot);
    f.*parameter.whole = *value;
  }
  return true;
}

// Line 11, the distribution line of any kind, into c.
void ReadDistributionLine(LineReader& in, std::string_view line, GeneratorControls& c) {
  if (!in.Literal(kDistribution)) return;
  const std::string_view rest = line.substr(kDistribution.size());
  int32_t kind = -1;
  for (int32_t k = 0; k <= kParcel && kind < 0; ++k) {
    const DistributionLine& candidate = kDistributionLines[k];
    const bool named =
        candidate.first.label.empty() ? rest == candidate.name : rest.starts_with(candidate.name);
    if (named) kind = k;
  }
  if (kind < 0) {
    std::string names;
    for (int32_t k = 0; k <= kParcel; ++k) {
      names += k == 0 ? "" : k == kParcel ? " or " : ", ";
      names += kDistributionLines[k].name;
    }
    in.Require(false, "expected a distribution, " + names);
    return;
  }
  // The name and the parameters' texts, each up to what follows it.
  const DistributionLine& d = kDistributionLines[kind];
  const Parameter* parameters[2] = {&d.first, &d.second};
  std::string texts[2];
  std::string expected(d.name);
  for (int index = 0; index < 2 && !parameters[index]->label.empty(); ++index) {
    expected += Opening(*parameters[index], index == 0);
    in.Literal(expected);
    const bool last = index == 1 || d.second.label.empty();
    const std::string stop = last ? std::string(kClose) : Opening(d.second, false);
    in.Until(stop, &texts[index], parameters[index]->what);
    expected = std::string();
  }
  if (!d.first.label.empty()) expected += kClose;
  in.Literal(expected);
  if (!in.End()) return;

  if (kind == kUniform || kind == kGauss || kind == kSkewed) {
    c.rbDist = kind;
  } else {
    c.family = kind;
  }
  if (kind == kGauss) {
    c.edMean = texts[0];
    c.edSigma = texts[1];
    in.Require(IsTwoDecimalNumber(c.edMean) && IsTwoDecimalNumber(c.edSigma),
               "the Gauss mean and sigma must be numbers");
  } else if (kind == kSkewed) {
    const std::optional<int32_t> p = WholeNumberText(texts[0]);
    if (!in.Require(p.has_value(), "cannot read the exponent")) return;
    in.Require(*p == 1 || *p == 2, "the exponent must be 1 or 2");
    c.rgExponent = *p - 1;
  } else if (IsFamily(kind)) {
    for (int index = 0; index < 2 && !parameters[index]->label.empty(); ++index) {
      if (!ReadFamilyParameter(in, *parameters[index], texts[index], c.families)) return;
    }
    // The settings of a header pass the checks of pelmora-gen's options.
    if (const auto error = CheckFamilySettings(c.families)) {
      in.Require(false, "--" + error->name + ": expected " + error->accepted);
    }
  }
}

// After start: "min..max" pairs separated by ", ", then "]: ", then the values separated by
// ", ", count of each. Each pair must read limitMin..limitMax(value), and each value pass the
// check of setting.
bool ReadRangesAndValues(LineReader& in, std::string_view start, int32_t count, int32_t values[3],
                         std::string_view what, int32_t limitMin,
                         int32_t (*limitMax)(int32_t value), const WholeNumberSetting& setting) {
  int32_t mins[3], maxs[3];
  in.Literal(start);
  for (int32_t axis = 0; axis < count; ++axis) {
    if (axis > 0) in.Literal(kNext);
    in.Int(&mins[axis], "a lower limit");
    in.Literal(kRangeTo);
    in.Int(&maxs[axis], "an upper limit");
  }
  in.Literal(kValuesFollow);
  for (int32_t axis = 0; axis < count; ++axis) {
    if (axis > 0) in.Literal(kNext);
    in.Int(&values[axis], what);
  }
  if (!in.End()) return false;
  for (int32_t axis = 0; axis < count; ++axis) {
    if (!in.Limits(mins[axis], maxs[axis], limitMin, limitMax(values[axis]))) return false;
    if (!in.Within(values[axis], setting, what)) return false;
  }
  return true;
}

// Reads the 16 lines into c: done, or the first line that does not read.
Status ReadHeaderLines(const std::vector<std::string_view>& lines, GeneratorControls& c) {
  const auto fixed = [&](int number, std::string_view text) {
    LineReader in(number, lines[number - 1]);
    in.Literal(text);
    in.End();
    return in.status();
  };
  for (const auto& [number, text] :
       {std::pair<int, std::string_view>{1, kApplicationTitle}, {2, ""}, {3, kWorldSettings}}) {
    if (Status line = fixed(number, text); !line.ok()) return line;
  }

  int32_t dimension = 0;
  {
    LineReader in(4, lines[3]);
    in.Literal(kDimensions);
    in.Int(&dimension, "the dimension");
    if (in.End() && (dimension < 1 || dimension > 3)) {
      return Status::Error("line 4: the dimension must be 1, 2 or 3");
    }
    if (in.failed()) return in.status();
  }
  c.rgDimension = dimension - 1;
  {
    int32_t values[3];
    LineReader in(5, lines[4]);
    if (!ReadRangesAndValues(
            in, kSize, dimension, values, "a world size", kWorldMin,
            [](int32_t) { return kWorldMax; }, kWorldSetting)) {
      return in.status();
    }
    SpinEditValue* world[3] = {&c.spWorldX, &c.spWorldY, &c.spWorldZ};
    for (int32_t axis = 0; axis < dimension; ++axis) {
      *world[axis] = SpinEditValue{values[axis], kWorldMin, kWorldMax};
    }
  }
  if (Status line = fixed(6, kGeneratorSettings); !line.ok()) return line;
  {
    LineReader in(7, lines[6]);
    if (!ReadRangesAndValues(in, kBoxesCreated, 1, &c.spBoxes.value, "the box count", 1,
                             BoxCountLimit, kBoxesSetting)) {
      return in.status();
    }
    c.spBoxes.minValue = 1;
    c.spBoxes.maxValue = BoxCountLimit(c.spBoxes.value);
  }
  {
    int32_t values[3];
    LineReader in(8, lines[7]);
    if (!ReadRangesAndValues(
            in, kHighRanges, dimension, values, "a high range", kWorldMin,
            [](int32_t) { return kWorldMax - 1; }, kHighSetting)) {
      return in.status();
    }
    int32_t* high[3] = {&c.spHighX, &c.spHighY, &c.spHighZ};
    for (int32_t axis = 0; axis < dimension; ++axis) *high[axis] = values[axis];
  }
  {
    LineReader in(9, lines[8]);
    in.Literal(kVariableSize);
    if (!in.YesNo(&c.cbBoxSize, "the variable size")) return in.status();
  }
  {
    LineReader in(10, lines[9]);
    in.Literal(kNonZeroSize);
    if (!in.YesNo(&c.cbVarBoxSize, "non-zero boxes")) return in.status();
  }
  {
    LineReader in(11, lines[10]);
    ReadDistributionLine(in, lines[10], c);
    if (in.failed()) return in.status();
  }
  {
    LineReader in(12, lines[11]);
    in.Literal(kSeed);
    in.Int(&c.spSeed, "the seed");
    if (in.End()) in.Within(c.spSeed, kSeedSetting, "the seed");
    if (in.failed()) return in.status();
  }
  {
    LineReader in(13, lines[12]);
    in.Literal(kOutputFilename);
    if (!in.Rest(&c.edfName)) return in.status();
  }
  for (const auto& [number, text] :
       {std::pair<int, std::string_view>{14, ""}, {15, kStartOfDataset}, {16, ""}}) {
    if (Status line = fixed(number, text); !line.ok()) return line;
  }
  return Status::Ok();
}

}  // namespace

void WriteDatasetHeader(DatasetWriter& out, const GeneratorControls& c, const RunPlan& plan) {
  const int32_t dimension = plan.recipe.dimension;
  const SpinEditValue* world[3] = {&c.spWorldX, &c.spWorldY, &c.spWorldZ};
  int32_t worldMins[3], worldMaxs[3], worldValues[3], highMaxs[3];
  for (int32_t axis = 0; axis < 3; ++axis) {
    worldMins[axis] = world[axis]->minValue;
    worldMaxs[axis] = world[axis]->maxValue;
    worldValues[axis] = world[axis]->value;
    // A high range must stay below the world size: its range is the world field's, less 1 above.
    highMaxs[axis] = WrapSub(world[axis]->maxValue, 1);
  }
  const int32_t high[3] = {c.spHighX, c.spHighY, c.spHighZ};

  // 4. The header down to the "Non-zero size of boxes" line.
  out.Text(kApplicationTitle).LineEnd().LineEnd();
  out.Text(kWorldSettings).LineEnd();
  out.Text(kDimensions).Int(dimension).LineEnd();
  WriteRangesAndValues(out, kSize, dimension, worldMins, worldMaxs, worldValues);
  out.Text(kGeneratorSettings).LineEnd();
  WriteRangesAndValues(out, kBoxesCreated, 1, &c.spBoxes.minValue, &c.spBoxes.maxValue,
                       &c.spBoxes.value);
  WriteRangesAndValues(out, kHighRanges, dimension, worldMins, highMaxs, high);
  WriteYesNo(out, kVariableSize, c.cbBoxSize);
  WriteYesNo(out, kNonZeroSize, c.cbVarBoxSize);
  // 5. The distribution line.
  WriteDistributionLine(out, c, plan);
  // 6. and 7. The seed, the file name and the lines that open the dataset.
  out.Text(kSeed).Int(plan.seed).LineEnd();
  out.Text(kOutputFilename).Text(c.edfName).LineEnd();
  out.LineEnd().Text(kStartOfDataset).LineEnd().LineEnd();
}

HeaderReading ReadDatasetHeader(std::string_view bytes) {
  HeaderReading reading;
  const std::vector<std::string_view> lines = SplitLines(bytes, kHeaderLines);
  if (lines.size() < kHeaderLines) {
    // Something that is not a dataset at all says so by its first line.
    if (!lines.empty() && lines[0] != kApplicationTitle) {
      reading.status = Status::Error("line 1: expected '" + std::string(kApplicationTitle) +
                                     "' in " + QuoteExcerpt(lines[0]));
      return reading;
    }
    reading.status = Status::Error("the header ends after " + std::to_string(lines.size()) +
                                   " of its " + std::to_string(kHeaderLines) + " lines");
    return reading;
  }
  reading.controls.rbSeedConstant = true;
  reading.controls.decimalSeparator = ".";
  reading.status = ReadHeaderLines(lines, reading.controls);
  return reading;
}

HeaderReading ReadDatasetHeader(Input& input, std::string* consumed) {
  HeaderReading reading;
  consumed->clear();
  size_t lines = 0;
  size_t lineStart = 0;
  size_t scanned = 0;
  char buffer[1 << 14];
  while (lines < kHeaderLines) {
    for (; scanned < consumed->size() && lines < kHeaderLines; ++scanned) {
      if ((*consumed)[scanned] == '\n') {
        ++lines;
        lineStart = scanned + 1;
      }
    }
    if (lines == kHeaderLines) break;
    if (consumed->size() - lineStart > kMaxLineBytes) {
      reading.status = Status::Error(
          "line " + std::to_string(lines + 1) +
          " is longer than any line of a dataset file (more than " + std::to_string(kMaxLineBytes) +
          " bytes): " + QuoteExcerpt(std::string_view(*consumed).substr(lineStart)));
      return reading;
    }
    size_t got = 0;
    if (Status read = input.Read(buffer, sizeof buffer, &got); !read.ok()) {
      reading.status = std::move(read);
      reading.inputFailed = true;
      return reading;
    }
    if (got == 0) break;
    consumed->append(buffer, got);
  }
  return ReadDatasetHeader(*consumed);
}

}  // namespace pelmora
