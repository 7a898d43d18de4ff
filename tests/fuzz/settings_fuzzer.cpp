// The generation run on arbitrary settings: every dimension, distribution and flag, values
// inside and far outside the fields' limits (as typed text that has not yet been brought into
// range gives them), a fuzzed clock and last seed, and an output that can fail at its first
// write or at its close.
//
// Each input starts from the same earlier run, so a failing input replays alone. Checked:
//  - a completed run: every box 1..N has the run's dimension, lies inside the world on every
//    used axis, obeys the zero-size rule and has 0 in the unused coordinates; entries above N
//    keep the earlier run's boxes; the file is 16 header lines, N record lines that match the
//    table, an empty line and the footer; and it verifies as identical to its own header;
//  - a refused or failed run: a message, and the box table, scene settings, random source and
//    the earlier output exactly as they were;
//  - after either, the redraw of the scene on the recording canvas with arbitrary draw settings
//    (percent, grid count and style, colours, perspective and delta) on paint boxes from
//    negative and tiny to huge: the clear first, six faces for each box drawn, the pen solid
//    again after the grid, the grid's work bounded by the paint box, the colour returned.
//
// Box counts stay at most kMostBoxes. Settings in which no box fits make the run try
// kMaxAttemptsPerBox (2 million) positions for box 1 before it fails, up to a few seconds in this
// instrumented build: such settings run only within a budget of a tenth of the time
// (slow_settings.h), and .ci/fuzz gives each input a timeout of a minute.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/canvas.h"
#include "drawing/scene.h"
#include "generator/box_table.h"
#include "generator/dataset_verify.h"
#include "generator/dataset_writer.h"
#include "generator/distributions.h"
#include "generator/generation_run.h"
#include "generator/numeric.h"
#include "generator/str_to_float.h"
#include "tests/drawing/recording_canvas.h"
#include "tests/fuzz/slow_settings.h"

namespace pelmora {
namespace {

constexpr int32_t kMostBoxes = 48;
constexpr int32_t kEarlierBoxes = 64;  // the earlier run: more boxes than any fuzzed run makes

// The settings and outcome of the input being run, printed with a failed check.
std::string& Context() {
  static std::string context;
  return context;
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "settings fuzzer: %s\n%s\n", what.c_str(), Context().c_str());
  std::abort();
}

void Check(bool condition, const std::string& what) {
  if (!condition) Fail(what);
}

// The output of a run: kept in memory, failing on request at the n-th write or at Commit. What
// a committed output holds replaces *destination, as a file replaces the earlier one.
class FaultyOutput final : public Output {
 public:
  static constexpr const char* kError = "Cannot write the dataset file 'fuzz': injected failure";

  FaultyOutput(std::string* destination, int failAtWrite, bool failAtCommit)
      : destination_(destination), failAtWrite_(failAtWrite), failAtCommit_(failAtCommit) {}

  void Write(std::string_view bytes) override {
    if (committed_) Fail("a write after Commit");
    if (!status_.ok()) return;
    if (++writes_ == failAtWrite_) {
      status_ = Status::Error(kError);
      return;
    }
    pending_.append(bytes);
  }
  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }
  Status Commit() override {
    if (committed_) Fail("Commit twice");
    committed_ = true;
    if (failAtCommit_ && status_.ok()) status_ = Status::Error(kError);
    if (status_.ok()) *destination_ = std::move(pending_);
    return status_;
  }
  void Discard() noexcept override { pending_.clear(); }

 private:
  std::string* destination_;
  std::string pending_;
  int writes_ = 0;
  int failAtWrite_;
  bool failAtCommit_;
  bool committed_ = false;
  Status status_;
};

// An integer for a field with limits [min, max]: mostly inside, then the edges and just past
// them, then anything a 32-bit field can hold.
int32_t FieldValue(FuzzedDataProvider& in, int32_t min, int32_t max) {
  switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 4: {
      const int32_t edges[] = {min, max, WrapSub(min, 1), WrapAdd(max, 1), 0, -1};
      return edges[in.ConsumeIntegralInRange<size_t>(0, std::size(edges) - 1)];
    }
    case 5:
      return in.ConsumeIntegralInRange<int32_t>(-1000, 1000);
    case 6:
      return in.ConsumeIntegral<int32_t>();
    default:
      return in.ConsumeIntegralInRange<int32_t>(min, max);
  }
}

// A text for the mean or sigma field: a number in the chosen separator, or any bytes.
std::string GaussText(FuzzedDataProvider& in, const std::string& separator) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return std::to_string(in.ConsumeIntegralInRange<int32_t>(-200000, 200000));
    case 1: {
      std::string text = std::to_string(in.ConsumeIntegralInRange<int32_t>(-1000, 100000));
      return text + separator + std::to_string(in.ConsumeIntegralInRange<int>(0, 99));
    }
    case 2: {
      char text[64];
      const double value = in.ConsumeFloatingPoint<double>();
      const auto end = std::to_chars(text, text + sizeof text, value).ptr;
      std::string printed(text, end);
      const size_t point = printed.find('.');
      if (point != std::string::npos) printed.replace(point, 1, separator);
      return printed;
    }
    default:
      return in.ConsumeRandomLengthString(24);
  }
}

GeneratorControls Controls(FuzzedDataProvider& in) {
  GeneratorControls c;
  // The limits: the window's, or anything, since the header prints them as the fields hold them.
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
    for (SpinEditValue* v : {&c.spWorldX, &c.spWorldY, &c.spWorldZ, &c.spBoxes}) {
      v->minValue = in.ConsumeIntegral<int32_t>();
      v->maxValue = in.ConsumeIntegral<int32_t>();
    }
  }
  c.rgDimension = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? FieldValue(in, 0, 2)
                                                             : in.ConsumeIntegralInRange(0, 2);
  SpinEditValue* world[3] = {&c.spWorldX, &c.spWorldY, &c.spWorldZ};
  int32_t* high[3] = {&c.spHighX, &c.spHighY, &c.spHighZ};
  for (int axis = 0; axis < 3; ++axis) {
    world[axis]->value = FieldValue(in, 1, 100000);
    if (in.ConsumeBool() && world[axis]->value > 1) {
      // A high range that passes the range check: below the world size.
      *high[axis] = in.ConsumeIntegralInRange<int32_t>(1, world[axis]->value - 1);
    } else {
      *high[axis] = FieldValue(in, 1, 100000);
    }
  }
  switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: {
      const int32_t refused[] = {BoxTable::kCapacity + 1, std::numeric_limits<int32_t>::max(),
                                 std::numeric_limits<int32_t>::min(), -1};
      c.spBoxes.value = refused[in.ConsumeIntegralInRange<size_t>(0, std::size(refused) - 1)];
      break;
    }
    default:
      c.spBoxes.value = in.ConsumeIntegralInRange<int32_t>(0, kMostBoxes);
  }
  c.cbBoxSize = in.ConsumeBool();
  c.cbVarBoxSize = in.ConsumeBool();
  c.rbDist = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? FieldValue(in, 0, 2)
                                                        : in.ConsumeIntegralInRange(0, 2);
  c.rgExponent = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? FieldValue(in, 0, 1)
                                                            : in.ConsumeIntegralInRange(0, 1);
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      c.decimalSeparator = ".";
      break;
    case 1:
      c.decimalSeparator = ",";
      break;
    case 2:
      c.decimalSeparator = "\xD9\xAB";
      break;
    default:
      c.decimalSeparator = in.ConsumeRandomLengthString(3);
  }
  c.edMean = GaussText(in, c.decimalSeparator);
  c.edSigma = GaussText(in, c.decimalSeparator);
  c.rbSeedConstant = in.ConsumeBool();
  c.spSeed = FieldValue(in, 1, 65535);
  c.edfName = in.ConsumeBool() ? std::string("Output.txt") : in.ConsumeRandomLengthString(40);
  // Now and then a family of pelmora-gen and the library, its parameters mostly within their
  // ranges (a value outside is refused, and a refused run must change nothing).
  if (in.ConsumeIntegralInRange<int>(0, 3) == 0) {
    c.family = in.ConsumeIntegralInRange<int>(0, 15) == 0
                   ? FieldValue(in, kDiagonal, kParcel)
                   : in.ConsumeIntegralInRange<int32_t>(kDiagonal, kParcel);
    const auto real = [&in](double low, double high) {
      return in.ConsumeIntegralInRange<int>(0, 15) == 0
                 ? in.ConsumeFloatingPoint<double>()
                 : in.ConsumeFloatingPointInRange<double>(low, high);
    };
    FamilySettings& f = c.families;
    f.diagonalFraction = real(0.0, 1.0);
    f.diagonalWidth = real(1e-6, 0.5);
    f.bitProbability = real(0.0, 1.0);
    f.bitDigits = FieldValue(in, 1, kMaxBitDigits);
    f.clusters = FieldValue(in, 1, 64);
    f.clusterSigma = real(1e-6, 0.5);
    f.parcelSplit = real(1e-3, 0.499);
    f.parcelDither = real(0.0, 1.0);
    // Parcel boxes take no high ranges, so its run does not compare them with the world; but every
    // front end that offers it (pelmora-gen, the library) holds each high range at 1 or more.
    if (c.family == kParcel) {
      c.spHighX = std::max(c.spHighX, 1);
      c.spHighY = std::max(c.spHighY, 1);
      c.spHighZ = std::max(c.spHighZ, 1);
    }
  }
  return c;
}

// Text as a C string literal would show it: the fields hold arbitrary bytes.
std::string Escaped(std::string_view text) {
  std::string shown;
  for (const unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      shown += static_cast<char>(c);
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", c);
      shown += code;
    }
  }
  return shown;
}

std::string Describe(const GeneratorControls& c, const RunResult& result) {
  std::string text;
  const auto field = [&text](const char* name, const SpinEditValue& v) {
    text += std::string(name) + "=" + std::to_string(v.value) + " [" + std::to_string(v.minValue) +
            ".." + std::to_string(v.maxValue) + "] ";
  };
  field("spWorldX", c.spWorldX);
  field("spWorldY", c.spWorldY);
  field("spWorldZ", c.spWorldZ);
  field("spBoxes", c.spBoxes);
  text += "\nspHigh=" + std::to_string(c.spHighX) + "," + std::to_string(c.spHighY) + "," +
          std::to_string(c.spHighZ) + " cbBoxSize=" + std::to_string(c.cbBoxSize) +
          " cbVarBoxSize=" + std::to_string(c.cbVarBoxSize) +
          " rgDimension=" + std::to_string(c.rgDimension) + " rbDist=" + std::to_string(c.rbDist) +
          " rgExponent=" + std::to_string(c.rgExponent) + " family=" + std::to_string(c.family) +
          "\nedMean='" + Escaped(c.edMean) +
          "' edSigma='" + Escaped(c.edSigma) + "' separator='" + Escaped(c.decimalSeparator) +
          "' rbSeedConstant=" + std::to_string(c.rbSeedConstant) +
          " spSeed=" + std::to_string(c.spSeed) + " edfName='" + Escaped(c.edfName) + "'";
  text += "\nend=" + std::to_string(static_cast<int>(result.end)) + " message='" +
          Escaped(result.message) + "'";
  return text;
}

// The earlier run every input starts from.
struct Earlier {
  BoxRecord boxes[kEarlierBoxes + 1];
  SceneSettings scene;
  RandomSource random;
  int32_t highestEntry = 0;
  std::string file;
};

GeneratorState& State() {
  static GeneratorState* const state = new GeneratorState();
  return *state;
}

const Earlier& EarlierRun() {
  static const Earlier* const earlier = [] {
    GeneratorControls c;
    c.spBoxes.value = kEarlierBoxes;
    c.rbSeedConstant = true;
    c.spSeed = 4711;
    auto* e = new Earlier();
    RunServices services;
    services.openDataset = [e](const std::string&) {
      return std::make_unique<MemoryOutput>(&e->file);
    };
    if (GenerateDataset(c, State(), services).end != RunEnd::kCompleted) Fail("earlier run");
    for (int32_t i = 1; i <= kEarlierBoxes; ++i) e->boxes[i] = State().boxTable[i];
    e->scene = State().sceneSettings;
    e->random = State().randomSource;
    e->highestEntry = State().highestEntry;
    return e;
  }();
  return *earlier;
}

// Puts the state back to just after the earlier run. Entries above kEarlierBoxes are never
// written by any run here.
void RestoreEarlier(const Earlier& e, GeneratorState& state) {
  for (int32_t i = 1; i <= kEarlierBoxes; ++i) {
    state.boxTable[i] = e.boxes[i];
    state.pendingBoxes[i] = BoxRecord();
  }
  state.sceneSettings = e.scene;
  state.randomSource = e.random;
  state.highestEntry = e.highestEntry;
}

bool SameScene(const SceneSettings& a, const SceneSettings& b) {
  return a.boxCount == b.boxCount && a.worldX == b.worldX && a.worldY == b.worldY &&
         a.worldZ == b.worldZ && a.theta == b.theta && a.lastSeed == b.lastSeed;
}

// Splits at CR LF; any other CR or LF is a fault unless the file name, written into the
// header as typed, holds it.
std::vector<std::string_view> CrLfLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = bytes.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(bytes.substr(start));
      return lines;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
}

std::string RecordLine(const BoxRecord& box, int32_t number, int32_t dimension) {
  const double low[3] = {box.corners[0].x, box.corners[0].y, box.corners[0].z};
  const double high[3] = {box.corners[6].x, box.corners[6].y, box.corners[6].z};
  std::string line = std::to_string(number) + ":";
  for (int32_t axis = 0; axis < dimension; ++axis)
    line += " " + std::to_string(TruncToInt(low[axis]));
  for (int32_t axis = 0; axis < dimension; ++axis)
    line += " " + std::to_string(TruncToInt(high[axis]));
  return line;
}

void CheckBox(const BoxRecord& box, int32_t number, const GeneratorControls& c) {
  const int32_t dimension = c.rgDimension + 1;
  const std::string name = "box " + std::to_string(number) + ": ";
  Check(box.dimension == dimension, name + "wrong dimension");
  const double low[3] = {box.corners[0].x, box.corners[0].y, box.corners[0].z};
  const double high[3] = {box.corners[6].x, box.corners[6].y, box.corners[6].z};
  BoxRecord expected;
  SetBoxCorners(expected, low[0], low[1], low[2], high[0], high[1], high[2], dimension);
  Check(expected == box, name + "corners out of their order");
  const int32_t world[3] = {c.spWorldX.value, c.spWorldY.value, c.spWorldZ.value};
  for (int32_t axis = 0; axis < 3; ++axis) {
    if (axis >= dimension) {
      Check(low[axis] == 0 && high[axis] == 0, name + "an unused coordinate is not 0");
      continue;
    }
    Check(low[axis] == std::trunc(low[axis]) && high[axis] == std::trunc(high[axis]),
          name + "a coordinate that is not whole");
    Check(low[axis] >= 1 && high[axis] <= world[axis], name + "outside the world");
    Check(c.cbVarBoxSize ? high[axis] > low[axis] : high[axis] >= low[axis],
          name + "breaks the zero-size rule");
  }
}

// Whether the printed Gauss parameters read back to the values the run used, so that the
// header alone repeats the run.
bool GaussRoundTrips(const GeneratorControls& c) {
  if (DistributionKindOf(c) != kGauss) return true;
  for (const std::string* text : {&c.edMean, &c.edSigma}) {
    const float used = static_cast<float>(StrToFloat(*text, c.decimalSeparator));
    char printed[400];
    const auto end = std::to_chars(printed, printed + sizeof printed, static_cast<double>(used),
                                   std::chars_format::fixed, 2)
                         .ptr;
    const auto back = TryStrToFloat(std::string_view(printed, end - printed), ".");
    if (!back || static_cast<float>(*back) != used) return false;
  }
  return true;
}

void CheckCompleted(const GeneratorControls& c, const RunResult& result, const Earlier& e,
                    const GeneratorState& state, const std::string& file, int32_t clock) {
  Check(result.message.empty(), "a completed run with a message");
  const int32_t n = c.spBoxes.value;
  const int32_t dimension = c.rgDimension + 1;
  if (c.rbSeedConstant) {
    Check(result.seed == c.spSeed && !result.seedForField, "the constant seed was not used");
  } else {
    RandomSource random;
    random.Seed(static_cast<uint32_t>(WrapAdd(clock, e.scene.lastSeed)));
    const int32_t seed = random.Next15() % 65535 + 1;
    Check(result.seed == seed && result.seedForField == seed, "the random seed is not the clock's");
  }
  const SceneSettings& s = state.sceneSettings;
  Check(s.boxCount == n && s.worldX == c.spWorldX.value && s.worldY == c.spWorldY.value &&
            s.worldZ == c.spWorldZ.value && s.lastSeed == result.seed && s.theta == 0.7,
        "scene settings do not hold the run");
  for (int32_t i = 1; i <= n; ++i) CheckBox(state.boxTable[i], i, c);
  for (int32_t i = std::max(n, 0) + 1; i <= kEarlierBoxes; ++i) {
    Check(state.boxTable[i] == e.boxes[i], "an entry above the box count changed");
  }

  // The file: header, one record line per box in number order, the footer.
  const bool nameHasLineEnds = c.edfName.find_first_of("\r\n") != std::string::npos;
  const std::vector<std::string_view> lines = CrLfLines(file);
  if (!nameHasLineEnds) {
    for (const std::string_view line : lines) {
      Check(line.find_first_of("\r\n") == std::string_view::npos, "a bare CR or LF");
    }
  }
  // A line end in the name, written as typed, adds lines to the header (CR LF for each LF).
  const size_t count = static_cast<size_t>(std::max(n, 0));
  Check(lines.size() >= 16 + count + 2, "fewer than 16 header lines, N records and a footer");
  const size_t headerLines = nameHasLineEnds ? lines.size() - count - 2 : 16;
  Check(lines.size() == headerLines + count + 2, "not 16 header lines, N records and a footer");
  Check(lines[0] == kApplicationTitle && lines[1] == "" && lines[2] == "World Settings:",
        "the banner");
  Check(lines[3] == "  Dimensions [1..3]: " + std::to_string(dimension), "the dimension line");
  Check(lines[6].ends_with("]: " + std::to_string(n)), "the box count line");
  Check(lines[11] == "  Seed [1..65535]: " + std::to_string(result.seed), "the seed line");
  if (!nameHasLineEnds) {
    Check(lines[12] == "  Output Filename: " + c.edfName, "the file name line");
    Check(lines[13] == "" && lines[14] == "Start of Dataset:" && lines[15] == "",
          "the lines that open the dataset");
  }
  for (size_t i = 0; i < count; ++i) {
    const int32_t number = static_cast<int32_t>(i) + 1;
    Check(lines[headerLines + i] == RecordLine(state.boxTable[number], number, dimension),
          "record line " + std::to_string(number) + " does not match the box table");
  }
  Check(lines[lines.size() - 2] == "" && lines.back() == "End of dataset.", "the footer");

  // A header is read back with pelmora-gen's own limits: a window run whose fields still hold
  // typed values beyond them writes a file that pelmora-gen rightly refuses to reproduce.
  const auto within = [](const SpinEditValue& v) {
    return v.value >= 1 && v.value <= 100000 && v.minValue == 1 && v.maxValue == 100000;
  };
  const bool seedWithin = !c.rbSeedConstant || (c.spSeed >= 1 && c.spSeed <= 65535);
  const int32_t high[3] = {c.spHighX, c.spHighY, c.spHighZ};
  bool highWithin = true;
  for (int32_t axis = 0; axis < dimension; ++axis) {
    highWithin = highWithin && high[axis] >= 1 && high[axis] <= 100000;
  }
  const bool withinLimits = within(c.spWorldX) && within(c.spWorldY) && within(c.spWorldZ) &&
                            within(c.spBoxes) && seedWithin && highWithin;
  if (!nameHasLineEnds && GaussRoundTrips(c) && withinLimits) {
    const Verification verification = VerifyDataset(file);
    Check(verification.verdict == Verdict::kIdentical,
          "the file does not verify against its own header: " + verification.message);
  }
}

void CheckUnchanged(const RunResult& result, const Earlier& e, const GeneratorState& state,
                    const std::string& file) {
  Check(!result.message.empty(), "a refused or failed run without a message");
  Check(!result.seedForField, "a refused or failed run shows a seed");
  Check(SameScene(state.sceneSettings, e.scene), "scene settings changed");
  Check(state.randomSource.StateLow == e.random.StateLow &&
            state.randomSource.StateHigh == e.random.StateHigh,
        "the random source moved");
  Check(state.highestEntry == e.highestEntry, "the highest entry changed");
  for (int32_t i = 1; i <= kEarlierBoxes; ++i) {
    Check(state.boxTable[i] == e.boxes[i], "the box table changed");
  }
  Check(file == e.file, "the earlier output changed");
}

// The draw settings as the controls hold them, typed values included, and a paint box.
struct Picture {
  DrawSettings draw;
  int32_t width = 603;
  int32_t height = 586;
};

int32_t PaintSize(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return in.ConsumeIntegralInRange<int32_t>(-40, 40);
    case 1:
      return in.ConsumeIntegral<int32_t>();
    default:
      return in.ConsumeIntegralInRange<int32_t>(41, 4000);
  }
}

Picture PictureFrom(FuzzedDataProvider& in) {
  Picture p;
  DrawSettings& d = p.draw;
  d.cbShowGrid = in.ConsumeBool();
  d.spPercent = FieldValue(in, 1, 100);
  d.spGridLines = FieldValue(in, 5, 100);
  d.rgGridStyle = FieldValue(in, 0, 2);
  d.cbColouredBoxes = in.ConsumeBool();
  d.rgBoxColour = FieldValue(in, 0, 1);
  d.boxColour = in.ConsumeIntegral<uint32_t>() & 0xFFFFFFu;
  d.cbShow3D = in.ConsumeBool();
  const int32_t deltas[] = {1, 0, -5, 2147483647, -2147483647 - 1};
  d.spDelta = in.ConsumeBool() ? deltas[in.ConsumeIntegralInRange<size_t>(0, std::size(deltas) - 1)]
                               : in.ConsumeIntegral<int32_t>();
  p.width = PaintSize(in);
  p.height = PaintSize(in);
  // The grid draws a line per pixel row and column at most: a count past 100000 on a paint box
  // that large would take minutes here, so such a count is kept for small boxes.
  const int64_t larger = std::max(std::llabs(p.width), std::llabs(p.height));
  if (larger > 100000 && d.spGridLines > 100000) d.spGridLines = 100000;
  return p;
}

// The boxes picked for a percentage: every box at 100 or more, none at 0 or less, and between
// them the share p / 100 of the boxes, give or take one.
bool PickCountFits(int32_t picked, int32_t boxes, int32_t percent) {
  if (percent >= 100) return picked == boxes;
  if (percent <= 0) return picked == 0;
  const double share = static_cast<double>(boxes) * percent / 100.0;
  return picked >= share - 1 && picked <= share + 1;
}

void CheckScene(const Picture& p, const GeneratorState& state, RandomSource& random) {
  const DrawSettings& d = p.draw;
  const SceneSettings& scene = state.sceneSettings;
  const RandomSource before = random;
  RecordingCanvas canvas;
  const Colour returned = DrawScene(canvas, p.width, p.height, d, state.boxTable, scene, random);
  using Op = CanvasCall::Op;
  const std::vector<CanvasCall>& calls = canvas.calls;
  Check(calls.size() >= 2 && calls[0] == CanvasCall::Brush(kWhite) &&
            calls[1] == CanvasCall::Rect(-1, -1, WrapAdd(p.width, 1), WrapAdd(p.height, 1)),
        "the scene does not start with the white clear");

  // The grid: its style first, solid again at its end; a line per row or column at most.
  size_t lines = 0;
  size_t lastPen = 0;
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op == Op::kLineTo) ++lines;
    if (calls[i].op == Op::kPenStyle) lastPen = i;
  }
  if (d.cbShowGrid) {
    Check(lastPen > 0 && calls[lastPen].style == PenStyle::kSolid, "the pen stays dashed");
    const int64_t n = std::max(d.spGridLines, 0);
    const int64_t most = std::min<int64_t>(n, std::llabs(p.height) + 1) +
                         std::min<int64_t>(n, std::llabs(p.width) + 1);
    Check(static_cast<int64_t>(lines) <= most, "more grid lines than the paint box has rows");
  } else {
    Check(lines == 0 && lastPen == 0, "a grid drawn while it is switched off");
  }

  // The boxes: six faces each, after the grid, of four points (a polygon) or five (a polyline
  // back to its first point); a 2D box under perspective has no image and is not drawn.
  size_t faces = 0;
  Colour lastBrush = kWhite;
  bool brushSinceLastFace = false;
  for (size_t i = d.cbShowGrid ? lastPen + 1 : 2; i < calls.size(); ++i) {
    const CanvasCall& call = calls[i];
    if (call.op == Op::kBrushColour) {
      lastBrush = call.colour;
      brushSinceLastFace = true;
      Check(call.colour <= 0xFFFFFFu, "a colour with a top byte");
      if (d.rgBoxColour != 1) Check(call.colour == d.boxColour, "not the constant colour");
    } else if (call.op == Op::kPolygon || call.op == Op::kPolyline) {
      Check(call.op == (d.cbColouredBoxes ? Op::kPolygon : Op::kPolyline), "wrong kind of face");
      Check(call.points.size() == (d.cbColouredBoxes ? 4u : 5u), "a face with the wrong points");
      if (!d.cbColouredBoxes) Check(call.points.front() == call.points.back(), "an open outline");
      Check(faces % 6 != 0 || brushSinceLastFace, "a box drawn without its brush colour");
      brushSinceLastFace = false;
      ++faces;
    } else {
      Check(false, "call " + std::to_string(i) + " of kind " +
                       std::to_string(static_cast<int>(call.op)) + " among the boxes");
    }
  }
  Check(faces % 6 == 0, "a box with other than six faces");
  const int32_t boxes = std::clamp(scene.boxCount, 0, BoxTable::kCapacity);
  const bool noImage = scene.boxCount > 0 && state.boxTable[1].dimension == 2 && d.cbShow3D;
  if (noImage) {
    Check(faces == 0, "a 2D box drawn under perspective");
  } else {
    Check(PickCountFits(static_cast<int32_t>(faces / 6), boxes, d.spPercent),
          "not the share of the boxes the percentage picks");
  }
  if (d.rgBoxColour == 1) {
    if (faces > 0) Check(returned == lastBrush, "the colour returned is not the last one drawn");
    Check(returned <= 0xFFFFFFu, "a random colour with a top byte");
  } else {
    Check(returned == d.boxColour, "the constant colour changed");
    if (boxes == 0 || state.boxTable[1].dimension != 1) {
      Check(random.StateLow == before.StateLow && random.StateHigh == before.StateHigh,
            "a constant-colour redraw without rows moved the random source");
    }
  }
}

}  // namespace
}  // namespace pelmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelmora;
  FuzzedDataProvider in(data, size);
  const Earlier& earlier = EarlierRun();
  GeneratorState& state = State();
  RestoreEarlier(earlier, state);

  const GeneratorControls c = Controls(in);
  static SlowRunBudget slowRuns;
  const bool slow = LikelySlow(c);
  if (slow && !slowRuns.Allowed()) return 0;
  const auto started = std::chrono::steady_clock::now();
  state.sceneSettings.lastSeed = in.ConsumeIntegral<int32_t>();
  Earlier before = earlier;  // what a refused or failed run must leave
  before.scene.lastSeed = state.sceneSettings.lastSeed;
  const int32_t clock = in.ConsumeIntegral<int32_t>();
  const int failAtWrite = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? 1 : 0;
  const bool failAtFinish = in.ConsumeIntegralInRange<int>(0, 7) == 0;
  const Picture picture = PictureFrom(in);

  std::string file = earlier.file;
  RunServices services;
  services.clockSeconds = [clock] { return clock; };
  services.openDataset = [&](const std::string&) {
    return std::make_unique<FaultyOutput>(&file, failAtWrite, failAtFinish);
  };
  const RunResult result = GenerateDataset(c, state, services);
  if (slow) slowRuns.Spent(std::chrono::steady_clock::now() - started);
  Context() = Describe(c, result) + " failAtWrite=" + std::to_string(failAtWrite) +
              " failAtFinish=" + std::to_string(failAtFinish) + "\npicture " +
              std::to_string(picture.width) + "x" + std::to_string(picture.height) +
              " grid=" + std::to_string(picture.draw.cbShowGrid) +
              " lines=" + std::to_string(picture.draw.spGridLines) +
              " style=" + std::to_string(picture.draw.rgGridStyle) +
              " percent=" + std::to_string(picture.draw.spPercent) +
              " filled=" + std::to_string(picture.draw.cbColouredBoxes) +
              " colourMode=" + std::to_string(picture.draw.rgBoxColour) +
              " perspective=" + std::to_string(picture.draw.cbShow3D) +
              " delta=" + std::to_string(picture.draw.spDelta);
  // PELMORA_FUZZ_SHOW=1 prints what each input ran, to see what a slow or odd input does.
  static const bool show = std::getenv("PELMORA_FUZZ_SHOW") != nullptr;
  if (show) {
    const auto ms = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count() /
                    1000.0;
    std::fprintf(stderr, "%s\n%.1f ms\n", Context().c_str(), ms);
  }

  // Parcel boxes take no high ranges: their run makes no range check.
  const bool rangeRefused =
      c.family != kParcel && (c.spHighX >= c.spWorldX.value || c.spHighY >= c.spWorldY.value ||
                              c.spHighZ >= c.spWorldZ.value);
  if (rangeRefused) {
    Check(result.end == RunEnd::kRefused && result.message == kRangeMessage,
          "the range check did not refuse");
  }
  if (result.end == RunEnd::kCompleted) {
    Check(failAtWrite == 0 && !failAtFinish, "completed although its output failed");
    CheckCompleted(c, result, before, state, file, clock);
  } else {
    if (result.end == RunEnd::kFailed && (failAtWrite != 0 || failAtFinish) &&
        result.message.find("attempts") == std::string::npos &&
        result.message.find("floating point") == std::string::npos) {
      Check(result.message == FaultyOutput::kError, "a failed output without its message");
    }
    CheckUnchanged(result, before, state, file);
  }
  // The redraw that follows a completed run, or any later repaint of the last run's scene.
  CheckScene(picture, state, state.randomSource);
  return 0;
}
