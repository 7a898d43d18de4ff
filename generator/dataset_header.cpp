#include "generator/dataset_header.h"

#include <charconv>
#include <utility>
#include <vector>

#include "generator/families.h"
#include "generator/quoted.h"
#include "generator/setting_checks.h"

namespace pelmora {

namespace {

constexpr int kHeaderLines = 16;

// Reads one header line from left to right; the first thing that does not match sets error.
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
    if (rest_ == "Yes")
      *value = true;
    else if (rest_ == "No")
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
  const std::string& error() const { return error_; }

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

// A family's distribution line, after "  Distribution: "; false when line names no family.
bool ReadFamilyLine(LineReader& in, std::string_view line, GeneratorControls& c) {
  FamilySettings& f = c.families;
  const auto real = [&](double* value, std::string_view what, std::string_view stop) {
    std::string text;
    if (!in.Until(stop, &text, what)) return false;
    const auto parsed = ParseFamilyReal(text);
    if (!parsed) return in.Require(false, "cannot read " + std::string(what));
    *value = *parsed;
    return true;
  };
  constexpr std::string_view kPrefix = "  Distribution: ";
  if (!line.starts_with(kPrefix)) return in.Require(false, "expected a distribution line");
  const std::string_view rest = line.substr(kPrefix.size());
  if (rest == "Sierpinski") {
    c.family = kSierpinski;
    in.Literal("Sierpinski");
  } else if (rest.starts_with("Diagonal")) {
    c.family = kDiagonal;
    in.Literal("Diagonal (Fraction: ");
    real(&f.diagonalFraction, "the diagonal fraction", ", ");
    in.Literal(", Width: ");
    real(&f.diagonalWidth, "the diagonal width", ")");
    in.Literal(")");
  } else if (rest.starts_with("Bit")) {
    c.family = kBit;
    in.Literal("Bit (Probability: ");
    real(&f.bitProbability, "the bit probability", ", ");
    in.Literal(", Digits: ");
    in.Int(&f.bitDigits, "the bit digits");
    in.Literal(")");
  } else if (rest.starts_with("Clustered")) {
    c.family = kClustered;
    in.Literal("Clustered (Clusters: ");
    in.Int(&f.clusters, "the clusters");
    in.Literal(", Sigma: ");
    real(&f.clusterSigma, "the cluster sigma", ")");
    in.Literal(")");
  } else if (rest.starts_with("Parcel")) {
    c.family = kParcel;
    in.Literal("Parcel (Split: ");
    real(&f.parcelSplit, "the parcel split", ", ");
    in.Literal(", Dither: ");
    real(&f.parcelDither, "the parcel dither", ")");
    in.Literal(")");
  } else {
    return false;
  }
  if (in.End()) {
    // The settings of a header pass the checks of pelmora-gen's options.
    if (const auto error = CheckFamilySettings(f)) {
      in.Require(false, "--" + error->name + ": expected " + error->accepted);
    }
  }
  return true;
}

// "min..max" pairs separated by ", ", then "]: ", then the values separated by ", ".
// Each pair must read limitMin..limitMax, and each value pass the check of setting.
bool ReadRangesAndValues(LineReader& in, int32_t dimension, int32_t mins[3], int32_t maxs[3],
                         int32_t values[3], std::string_view what, int32_t limitMin,
                         int32_t limitMax, const WholeNumberSetting& setting) {
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (axis > 0) in.Literal(", ");
    in.Int(&mins[axis], "a lower limit");
    in.Literal("..");
    in.Int(&maxs[axis], "an upper limit");
  }
  in.Literal("]: ");
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (axis > 0) in.Literal(", ");
    in.Int(&values[axis], what);
  }
  if (!in.End()) return false;
  for (int32_t axis = 0; axis < dimension; ++axis) {
    if (!in.Limits(mins[axis], maxs[axis], limitMin, limitMax)) return false;
    if (!in.Within(values[axis], setting, what)) return false;
  }
  return true;
}

// Reads the 16 lines into c; returns an empty string, or what could not be read.
std::string ReadHeaderLines(const std::vector<std::string_view>& lines, GeneratorControls& c) {
  const auto fixed = [&](int number, std::string_view text) {
    LineReader in(number, lines[number - 1]);
    in.Literal(text);
    in.End();
    return in.error();
  };
  for (const auto& [number, text] :
       {std::pair<int, std::string_view>{1, kApplicationTitle}, {2, ""}, {3, "World Settings:"}}) {
    if (std::string error = fixed(number, text); !error.empty()) return error;
  }

  int32_t dimension = 0;
  {
    LineReader in(4, lines[3]);
    in.Literal("  Dimensions [1..3]: ");
    in.Int(&dimension, "the dimension");
    if (in.End() && (dimension < 1 || dimension > 3)) {
      return "line 4: the dimension must be 1, 2 or 3";
    }
    if (in.failed()) return in.error();
  }
  c.rgDimension = dimension - 1;
  {
    int32_t mins[3], maxs[3], values[3];
    LineReader in(5, lines[4]);
    in.Literal("  Size [");
    if (!ReadRangesAndValues(in, dimension, mins, maxs, values, "a world size", 1,
                             static_cast<int32_t>(kWorldSetting.max), kWorldSetting)) {
      return in.error();
    }
    SpinEditValue* world[3] = {&c.spWorldX, &c.spWorldY, &c.spWorldZ};
    for (int32_t axis = 0; axis < dimension; ++axis) {
      *world[axis] = SpinEditValue{values[axis], mins[axis], maxs[axis]};
    }
  }
  if (std::string error = fixed(6, "Generator Settings:"); !error.empty()) return error;
  {
    LineReader in(7, lines[6]);
    in.Literal("  Boxes created [");
    in.Int(&c.spBoxes.minValue, "a lower limit");
    in.Literal("..");
    in.Int(&c.spBoxes.maxValue, "an upper limit");
    in.Literal("]: ");
    in.Int(&c.spBoxes.value, "the box count");
    if (in.End()) {
      in.Limits(c.spBoxes.minValue, c.spBoxes.maxValue, 1, BoxCountLimit(c.spBoxes.value));
      in.Within(c.spBoxes.value, kBoxesSetting, "the box count");
    }
    if (in.failed()) return in.error();
  }
  {
    // The high ranges print the world fields' limits (the maximum less 1); the values matter.
    int32_t mins[3], maxs[3], values[3];
    LineReader in(8, lines[7]);
    in.Literal("  High ranges for the box size [");
    if (!ReadRangesAndValues(in, dimension, mins, maxs, values, "a high range", 1,
                             static_cast<int32_t>(kWorldSetting.max) - 1, kHighSetting)) {
      return in.error();
    }
    int32_t* high[3] = {&c.spHighX, &c.spHighY, &c.spHighZ};
    for (int32_t axis = 0; axis < dimension; ++axis) *high[axis] = values[axis];
  }
  {
    LineReader in(9, lines[8]);
    in.Literal("  Variable size of boxes: ");
    if (!in.YesNo(&c.cbBoxSize, "the variable size")) return in.error();
  }
  {
    LineReader in(10, lines[9]);
    in.Literal("  Non-zero size of boxes: ");
    if (!in.YesNo(&c.cbVarBoxSize, "non-zero boxes")) return in.error();
  }
  {
    const std::string_view line = lines[10];
    LineReader in(11, line);
    in.Literal("  Distribution: ");
    if (line == "  Distribution: Uniform") {
      c.rbDist = 0;
    } else if (line.starts_with("  Distribution: Gauss")) {
      c.rbDist = 1;
      in.Literal("Gauss (Mean: ");
      in.Until(", Sigma: ", &c.edMean, "the Gauss mean");
      in.Literal(", Sigma: ");
      in.Until(")", &c.edSigma, "the Gauss sigma");
      in.Literal(")");
      if (in.End()) {
        in.Require(IsTwoDecimalNumber(c.edMean) && IsTwoDecimalNumber(c.edSigma),
                   "the Gauss mean and sigma must be numbers");
      }
    } else if (line.starts_with("  Distribution: Skewed")) {
      c.rbDist = 2;
      int32_t p = 0;
      in.Literal("Skewed (p: ");
      in.Int(&p, "the exponent");
      in.Literal(")");
      if (in.End()) in.Require(p == 1 || p == 2, "the exponent must be 1 or 2");
      c.rgExponent = p - 1;
    } else if (!ReadFamilyLine(in, line, c)) {
      in.Literal("Uniform, Gauss or Skewed");
    }
    if (in.failed()) return in.error();
  }
  {
    LineReader in(12, lines[11]);
    in.Literal("  Seed [1..65535]: ");
    in.Int(&c.spSeed, "the seed");
    if (in.End()) in.Within(c.spSeed, kSeedSetting, "the seed");
    if (in.failed()) return in.error();
  }
  {
    LineReader in(13, lines[12]);
    in.Literal("  Output Filename: ");
    if (!in.Rest(&c.edfName)) return in.error();
  }
  for (const auto& [number, text] :
       {std::pair<int, std::string_view>{14, ""}, {15, "Start of Dataset:"}, {16, ""}}) {
    if (std::string error = fixed(number, text); !error.empty()) return error;
  }
  return std::string();
}

}  // namespace

HeaderReading ReadDatasetHeader(std::string_view bytes) {
  HeaderReading reading;
  const std::vector<std::string_view> lines = SplitLines(bytes, kHeaderLines);
  if (lines.size() < kHeaderLines) {
    // Something that is not a dataset at all says so by its first line.
    if (!lines.empty() && lines[0] != kApplicationTitle) {
      reading.error =
          "line 1: expected '" + std::string(kApplicationTitle) + "' in " + QuoteExcerpt(lines[0]);
      return reading;
    }
    reading.error = "the header ends after " + std::to_string(lines.size()) + " of its " +
                    std::to_string(kHeaderLines) + " lines";
    return reading;
  }
  GeneratorControls c;
  c.rbSeedConstant = true;
  c.decimalSeparator = ".";
  reading.error = ReadHeaderLines(lines, c);
  if (reading.error.empty()) reading.controls = std::move(c);
  return reading;
}

}  // namespace pelmora

namespace pelmora {

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
      reading.error = "line " + std::to_string(lines + 1) +
                      " is longer than any line of a "
                      "dataset file (more than " +
                      std::to_string(kMaxLineBytes) +
                      " bytes): " + QuoteExcerpt(std::string_view(*consumed).substr(lineStart));
      return reading;
    }
    size_t got = 0;
    if (const Status read = input.Read(buffer, sizeof buffer, &got); !read.ok()) {
      reading.error = read.message();
      return reading;
    }
    if (got == 0) break;
    consumed->append(buffer, got);
  }
  return ReadDatasetHeader(*consumed);
}

}  // namespace pelmora
