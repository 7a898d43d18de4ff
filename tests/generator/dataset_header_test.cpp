#include "generator/dataset_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "generator/dataset_verify.h"
#include "generator/generation_run.h"

namespace pelmora {
namespace {

// The file a run with these controls writes, from a fresh state.
std::string DatasetOf(const GeneratorControls& controls) {
  std::string bytes;
  RunServices services;
  services.openDataset = [&bytes](const std::string&) {
    return std::make_unique<MemoryOutput>(&bytes);
  };
  services.clockSeconds = [] { return 1234567; };
  auto state = std::make_unique<GeneratorState>();
  const RunResult result = GenerateDataset(controls, *state, services);
  EXPECT_EQ(result.end, RunEnd::kCompleted) << result.message;
  return bytes;
}

TEST(DatasetHeaderTest, EveryWritableSettingReadsBackToTheSameFile) {
  struct Case {
    const char* what;
    int32_t dimension, dist, exponent, boxes, seed;
    bool constant, variable, nonZero;
    const char* mean;
    const char* sigma;
    const char* separator;
    const char* name;
  };
  const Case cases[] = {
      {"default", 2, 0, 0, 200, 1, true, false, true, "350.00", "100.00", ".", "Output.txt"},
      {"1D gauss comma", 0, 1, 0, 300, 9, true, true, false, "350,5", "7,25", ",", "a b/c.txt"},
      {"2D skewed p2", 1, 2, 1, 100, 65535, true, true, true, "", "", ".", "x"},
      {"3D skewed p1 random seed", 2, 2, 0, 50, 0, false, false, false, "", "", ".", "r.txt"},
      {"large two-decimal mean", 2, 1, 0, 40, 5, true, false, true, "99999.99", "0.01", ".", "m"},
      {"negative mean", 2, 1, 0, 40, 5, true, false, true, "-12.5", "1234567.89", ".", "n"},
  };
  for (const Case& c : cases) {
    GeneratorControls controls;
    controls.rgDimension = c.dimension;
    controls.rbDist = c.dist;
    controls.rgExponent = c.exponent;
    controls.spBoxes.value = c.boxes;
    controls.rbSeedConstant = c.constant;
    controls.spSeed = c.seed;
    controls.cbBoxSize = c.variable;
    controls.cbVarBoxSize = c.nonZero;
    controls.edMean = c.mean;
    controls.edSigma = c.sigma;
    controls.decimalSeparator = c.separator;
    controls.edfName = c.name;
    controls.spWorldX.value = 1000;
    controls.spHighX = 37;
    const std::string original = DatasetOf(controls);

    const HeaderReading reading = ReadDatasetHeader(original);
    ASSERT_TRUE(reading.status.ok()) << c.what << ": " << reading.status.message();
    EXPECT_TRUE(reading.controls.rbSeedConstant) << c.what;
    EXPECT_EQ(reading.controls.edfName, c.name) << c.what;
    EXPECT_EQ(DatasetOf(reading.controls), original) << c.what;
    EXPECT_EQ(VerifyDataset(original).verdict, Verdict::kIdentical) << c.what;
  }
}

// The header that WriteDatasetHeader writes for controls, and the plan it wrote it from.
struct WrittenHeader {
  RunPlan plan;
  std::string bytes;
};

WrittenHeader HeaderOf(const GeneratorControls& controls) {
  RunServices services;
  services.clockSeconds = [] { return 1234567; };
  const PlanOutcome planned = PlanRun(controls, 0, services);
  EXPECT_TRUE(planned.plan.has_value()) << planned.failure.message;
  if (!planned.plan) return {};
  WrittenHeader written{*planned.plan, std::string()};
  MemoryOutput output(&written.bytes);
  DatasetWriter out(output);
  WriteDatasetHeader(out, controls, written.plan);
  EXPECT_TRUE(out.Flush().ok());
  EXPECT_TRUE(output.Commit().ok());
  return written;
}

// Every dimension, distribution and family, with their options at ordinary values and at the
// ends of their ranges: the header written reads back to the settings that wrote it (the run
// they plan is the same, on the axes the dimension uses), and writing it again from what was
// read gives the same bytes. Each row also names one line the header must hold as it stands.
TEST(DatasetHeaderTest, EverySettingWrittenReadsBackTheSame) {
  struct Case {
    const char* what;
    std::function<void(GeneratorControls&)> set;
    const char* line;  // a line of the header, without its line end
  };
  const auto family = [](int32_t kind, FamilySettings settings = {}, int32_t dimension = 3) {
    return [kind, settings, dimension](GeneratorControls& c) {
      c.rgDimension = dimension - 1;
      c.family = kind;
      c.families = settings;
    };
  };
  const Case cases[] = {
      {"start values", [](GeneratorControls&) {}, "  Distribution: Uniform"},
      {"1D", [](GeneratorControls& c) { c.rgDimension = 0; }, "  Size [1..100000]: 700"},
      {"2D smallest and largest world",
       [](GeneratorControls& c) {
         c.rgDimension = 1;
         c.spWorldX.value = 2;
         c.spHighX = 1;
         c.spWorldY.value = 100000;
         c.spHighY = 99999;
       },
       "  High ranges for the box size [1..99999, 1..99999]: 1, 99999"},
      {"3D every axis its own",
       [](GeneratorControls& c) {
         c.spWorldX.value = 1000;
         c.spWorldY.value = 900;
         c.spWorldZ.value = 800;
         c.spHighX = 99;
         c.spHighY = 98;
         c.spHighZ = 97;
       },
       "  Size [1..100000, 1..100000, 1..100000]: 1000, 900, 800"},
      {"variable, zero size allowed",
       [](GeneratorControls& c) {
         c.cbBoxSize = true;
         c.cbVarBoxSize = false;
       },
       "  Variable size of boxes: Yes"},
      {"variable, non-zero", [](GeneratorControls& c) { c.cbBoxSize = true; },
       "  Non-zero size of boxes: Yes"},
      {"fixed, zero size allowed", [](GeneratorControls& c) { c.cbVarBoxSize = false; },
       "  Non-zero size of boxes: No"},
      {"one box", [](GeneratorControls& c) { c.spBoxes.value = 1; },
       "  Boxes created [1..100000]: 1"},
      {"the window's most boxes", [](GeneratorControls& c) { c.spBoxes.value = 100000; },
       "  Boxes created [1..100000]: 100000"},
      // Beyond the window's 100000 the field's limit is the one pelmora-gen gives the count.
      {"more boxes than the window takes",
       [](GeneratorControls& c) {
         c.spBoxes.value = 100001;
         c.spBoxes.maxValue = 2147483647;
       },
       "  Boxes created [1..2147483647]: 100001"},
      {"the most boxes",
       [](GeneratorControls& c) {
         c.spBoxes = SpinEditValue{2147483647, 1, 2147483647};
       },
       "  Boxes created [1..2147483647]: 2147483647"},
      {"seed 65535", [](GeneratorControls& c) { c.spSeed = 65535; }, "  Seed [1..65535]: 65535"},
      {"random seed", [](GeneratorControls& c) { c.rbSeedConstant = false; }, nullptr},
      {"gauss",
       [](GeneratorControls& c) {
         c.rbDist = kGauss;
         c.edMean = "12.5";
         c.edSigma = "3.25";
       },
       "  Distribution: Gauss (Mean: 12.50, Sigma: 3.25)"},
      {"gauss, comma separator, negative mean",
       [](GeneratorControls& c) {
         c.rgDimension = 0;
         c.rbDist = kGauss;
         c.decimalSeparator = ",";
         c.edMean = "-7,5";
         c.edSigma = "99999,99";
       },
       "  Distribution: Gauss (Mean: -7.50, Sigma: 99999.99)"},
      {"skewed p = 1",
       [](GeneratorControls& c) {
         c.rbDist = kSkewed;
         c.rgExponent = 0;
       },
       "  Distribution: Skewed (p: 1)"},
      {"skewed p = 2, 2D",
       [](GeneratorControls& c) {
         c.rgDimension = 1;
         c.rbDist = kSkewed;
         c.rgExponent = 1;
       },
       "  Distribution: Skewed (p: 2)"},
      {"diagonal", family(kDiagonal), "  Distribution: Diagonal (Fraction: 0.5, Width: 0.1)"},
      {"diagonal at its ends", family(kDiagonal, {.diagonalFraction = 0, .diagonalWidth = 1e-9}),
       "  Distribution: Diagonal (Fraction: 0, Width: 0.000000001)"},
      {"diagonal, all on it, 1D",
       family(kDiagonal, {.diagonalFraction = 1, .diagonalWidth = 3.141592653589793}, 1),
       "  Distribution: Diagonal (Fraction: 1, Width: 3.141592653589793)"},
      {"bit", family(kBit), "  Distribution: Bit (Probability: 0.2, Digits: 10)"},
      {"bit at its ends", family(kBit, {.bitProbability = 1, .bitDigits = 30}),
       "  Distribution: Bit (Probability: 1, Digits: 30)"},
      {"bit, one digit, a third, 2D", family(kBit, {.bitProbability = 1.0 / 3, .bitDigits = 1}, 2),
       "  Distribution: Bit (Probability: 0.3333333333333333, Digits: 1)"},
      {"sierpinski 2D", family(kSierpinski, {}, 2), "  Distribution: Sierpinski"},
      {"sierpinski 3D", family(kSierpinski), "  Distribution: Sierpinski"},
      {"clustered", family(kClustered), "  Distribution: Clustered (Clusters: 10, Sigma: 0.02)"},
      {"clustered at its ends", family(kClustered, {.clusters = 100000, .clusterSigma = 123456.75}),
       "  Distribution: Clustered (Clusters: 100000, Sigma: 123456.75)"},
      {"clustered, one cluster, 2D, the least double above 0",
       family(kClustered, {.clusters = 1, .clusterSigma = 5e-324}, 2), nullptr},
      {"parcel", family(kParcel), "  Distribution: Parcel (Split: 0.2, Dither: 0.2)"},
      {"parcel at its ends, the largest double below 0.5, 1D",
       family(kParcel, {.parcelSplit = 0.49999999999999994, .parcelDither = 0}, 1),
       "  Distribution: Parcel (Split: 0.49999999999999994, Dither: 0)"},
      {"parcel, full dither", family(kParcel, {.parcelDither = 1}),
       "  Distribution: Parcel (Split: 0.2, Dither: 1)"},
      {"a name with what the lines hold",
       [](GeneratorControls& c) { c.edfName = "a b/c]: 1, 2 (x: y).txt"; },
       "  Output Filename: a b/c]: 1, 2 (x: y).txt"},
      {"a name of the most bytes", [](GeneratorControls& c) { c.edfName.assign(4096, 'n'); },
       nullptr},
  };
  for (const Case& c : cases) {
    GeneratorControls controls;
    controls.rbSeedConstant = true;
    controls.spSeed = 1;
    c.set(controls);
    const WrittenHeader written = HeaderOf(controls);
    if (c.line != nullptr) {
      EXPECT_NE(written.bytes.find("\r\n" + std::string(c.line) + "\r\n"), std::string::npos)
          << c.what << ":\n"
          << written.bytes;
    }

    const HeaderReading reading = ReadDatasetHeader(written.bytes);
    ASSERT_TRUE(reading.status.ok()) << c.what << ": " << reading.status.message();
    const GeneratorControls& read = reading.controls;
    EXPECT_TRUE(read.rbSeedConstant) << c.what;
    EXPECT_EQ(read.edfName, controls.edfName) << c.what;
    const WrittenHeader again = HeaderOf(read);
    const BoxRecipe& want = written.plan.recipe;
    const BoxRecipe& got = again.plan.recipe;
    EXPECT_EQ(again.plan.seed, written.plan.seed) << c.what;
    EXPECT_EQ(got.dimension, want.dimension) << c.what;
    EXPECT_EQ(got.boxCount, want.boxCount) << c.what;
    for (int32_t axis = 0; axis < want.dimension; ++axis) {
      EXPECT_EQ(got.world[axis], want.world[axis]) << c.what << ", axis " << axis;
      EXPECT_EQ(got.high[axis], want.high[axis]) << c.what << ", axis " << axis;
    }
    EXPECT_EQ(got.variableSize, want.variableSize) << c.what;
    EXPECT_EQ(got.zeroSizeAllowed, want.zeroSizeAllowed) << c.what;
    EXPECT_EQ(got.kind, want.kind) << c.what;
    EXPECT_EQ(got.param1, want.param1) << c.what;
    EXPECT_EQ(got.param2, want.param2) << c.what;
    EXPECT_EQ(got.families, want.families) << c.what;
    EXPECT_EQ(again.bytes, written.bytes) << c.what;
  }
}

// The window's start values with the constant seed 1.
GeneratorControls SeedOne() {
  GeneratorControls controls;
  controls.rbSeedConstant = true;
  return controls;
}

TEST(DatasetHeaderTest, LinesThatDoNotReadNameTheLine) {
  const std::string good = DatasetOf(SeedOne());
  struct Case {
    const char* from;
    const char* to;
    const char* error;
  };
  const Case cases[] = {
      {"Pelmora 1.0", "Other 2.0", "line 1: expected 'Pelmora 1.0' in 'Other 2.0'"},
      {"Dimensions [1..3]: 3", "Dimensions [1..3]: 4", "line 4: the dimension must be 1, 2 or 3"},
      {"700, 700, 50", "700, 700",
       "line 5: expected ', ' in "
       "'  Size [1..100000, 1..100000, 1..100000]: 700, 700'"},
      {"created [1..100000]: 200", "created [1..100000]: lots",
       "line 7: cannot read the box count in '  Boxes created [1..100000]: lots'"},
      {"boxes: No", "boxes: Maybe",
       "line 9: expected Yes or No for the variable size in '  Variable size of boxes: Maybe'"},
      {"Distribution: Uniform", "Distribution: Poisson",
       "line 11: expected a distribution, Uniform, Gauss, Skewed, Diagonal, Bit, Sierpinski, "
       "Clustered or Parcel in '  Distribution: Poisson'"},
      {"Seed [1..65535]: 1", "Seed [1..65535]: one",
       "line 12: cannot read the seed in '  Seed [1..65535]: one'"},
      {"Start of Dataset:", "Start of Data:",
       "line 15: expected 'Start of Dataset:' in "
       "'Start of Data:'"},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    bad.replace(bad.find(c.from), std::string(c.from).size(), c.to);
    const HeaderReading reading = ReadDatasetHeader(bad);
    EXPECT_FALSE(reading.status.ok()) << c.to;
    EXPECT_FALSE(reading.inputFailed) << c.to;
    EXPECT_EQ(reading.status.message(), c.error);
  }
  EXPECT_EQ(ReadDatasetHeader("Pelmora 1.0\r\n\r\n").status.message(),
            "the header ends after 2 of its 16 lines");
  EXPECT_EQ(ReadDatasetHeader("").status.message(), "the header ends after 0 of its 16 lines");
}

// Values that pelmora-gen's own options refuse are refused in a header too, naming the line.
TEST(DatasetHeaderTest, ValuesTheOptionsRefuse) {
  const std::string good = DatasetOf(SeedOne());
  struct Case {
    const char* from;
    const char* to;
    const char* error;
  };
  const Case cases[] = {
      {"created [1..100000]: 200", "created [1..100000]: -5",
       "line 7: the box count: expected a whole number from 1 to 2147483647, got '-5' in "
       "'  Boxes created [1..100000]: -5'"},
      {"created [1..100000]: 200", "created [1..100000]: 0",
       "line 7: the box count: expected a whole number from 1 to 2147483647, got '0' in "
       "'  Boxes created [1..100000]: 0'"},
      {"Seed [1..65535]: 1", "Seed [1..65535]: 70000",
       "line 12: the seed: expected a whole number from 1 to 65535, got '70000' in "
       "'  Seed [1..65535]: 70000'"},
      {"700, 700, 50\r", "2147483647, 700, 50\r",
       "line 5: a world size: expected a whole number from 1 to 100000, got '2147483647' in "
       "'  Size [1..100000, 1..100000, 1..100000]: 2147483647, 700, 50'"},
      {"Size [1..100000, ", "Size [5..3, ",
       "line 5: the limits must read 1..100000, not 5..3 in "
       "'  Size [5..3, 1..100000, 1..100000]: 700, 700, 50'"},
      {"size [1..99999, ", "size [1..100000, ",
       "line 8: the limits must read 1..99999, not 1..100000 in "
       "'  High ranges for the box size [1..100000, 1..99999, 1..99999]: 20, 20, 20'"},
      {": 20, 20, 20", ": 20, 0, 20",
       "line 8: a high range: expected a whole number from 1 to 100000, got '0' in "
       "'  High ranges for the box size [1..99999, 1..99999, 1..99999]: 20, 0, 20'"},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    ASSERT_NE(bad.find(c.from), std::string::npos) << c.from;
    bad.replace(bad.find(c.from), std::string(c.from).size(), c.to);
    const HeaderReading reading = ReadDatasetHeader(bad);
    EXPECT_FALSE(reading.status.ok()) << c.to;
    EXPECT_FALSE(reading.inputFailed) << c.to;
    EXPECT_EQ(reading.status.message(), c.error);
    EXPECT_EQ(VerifyDataset(bad).message, "cannot read the header: " + std::string(c.error));
  }
}

// Gives its bytes a few at a time, then ends or fails as a file that cannot be read any
// further does.
class PiecewiseInput final : public Input {
 public:
  PiecewiseInput(std::string bytes, bool fails) : bytes_(std::move(bytes)), fails_(fails) {}
  Status Read(char* buffer, size_t size, size_t* got) override {
    *got = std::min({size, size_t{7}, bytes_.size() - at_});
    if (*got == 0 && fails_) return Status::Error("'x.txt' went away: Input/output error");
    bytes_.copy(buffer, *got, at_);
    at_ += *got;
    return Status::Ok();
  }

 private:
  std::string bytes_;
  size_t at_ = 0;
  bool fails_;
};

// Read from an input, a header that does not read is told apart from an input that fails,
// whatever the wording of its message: the latter keeps the input's own message, which names
// the file.
TEST(DatasetHeaderTest, AnInputThatFailsIsToldApartFromAHeaderThatDoesNotRead) {
  const std::string good = DatasetOf(SeedOne());
  const std::string fiveLines = good.substr(0, good.find("Generator Settings:"));
  struct Case {
    const char* what;
    std::string bytes;
    bool fails;
    bool ok;
    bool inputFailed;
    std::string message;
  };
  const Case cases[] = {
      {"a dataset", good, false, true, false, ""},
      {"a dataset, then the input fails", good, true, true, false, ""},
      {"fails at once", "", true, false, true, "'x.txt' went away: Input/output error"},
      {"fails after five lines", fiveLines, true, false, true,
       "'x.txt' went away: Input/output error"},
      {"ends after five lines", fiveLines, false, false, false,
       "the header ends after 5 of its 16 lines"},
      {"one endless line", std::string(kMaxLineBytes + 100, 'x'), true, false, false,
       "line 1 is longer than any line of a dataset file (more than 4160 bytes): '" +
           std::string(80, 'x') + "...'"},
  };
  for (const Case& c : cases) {
    PiecewiseInput input(c.bytes, c.fails);
    std::string consumed;
    const HeaderReading reading = ReadDatasetHeader(input, &consumed);
    EXPECT_EQ(reading.status.ok(), c.ok) << c.what;
    EXPECT_EQ(reading.inputFailed, c.inputFailed) << c.what;
    EXPECT_EQ(reading.status.message(), c.message) << c.what;
    // What was taken from the input is handed on, from its first byte.
    EXPECT_TRUE(c.bytes.starts_with(consumed)) << c.what;
    if (c.ok) {
      EXPECT_EQ(reading.controls.spSeed, 1) << c.what;
      EXPECT_GE(consumed.size(), good.find("1: 250")) << c.what;
    } else {
      // Verification says the same, and names the header only where the header is at fault.
      PiecewiseInput again(c.bytes, c.fails);
      const Verification verification = VerifyDataset(again);
      EXPECT_EQ(verification.inputFailed, c.inputFailed) << c.what;
      EXPECT_EQ(verification.message,
                c.inputFailed ? c.message : "cannot read the header: " + c.message)
          << c.what;
    }
  }
}

// Whatever the file, the reading ends in bounded time and memory with a message that shows
// what is there: long lines are cut, invisible characters escaped.
TEST(DatasetVerifyTest, FilesThatAreNoDatasetGetAClearMessage) {
  const std::string good = DatasetOf(SeedOne());
  std::string longRecord = good;
  longRecord.insert(longRecord.find("2: 245 613") + 3, std::string(200000, '7'));
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;
  };
  const std::string tooLong =
      "cannot read the header: line 1 is longer than any line of a dataset file (more than 4160 "
      "bytes): '";
  std::string zeros;
  for (int i = 0; i < 80; ++i) zeros += "\\x00";
  const Case cases[] = {
      {"one endless line", std::string(3 << 20, 'x'), tooLong + std::string(80, 'x') + "...'"},
      {"zero bytes", std::string(1 << 20, '\0'), tooLong + zeros + "...'"},
      {"binary junk", std::string("\x1b[2J\x7f\xff\tPelmora\r\n", 16),
       "cannot read the header: line 1: expected 'Pelmora 1.0' in "
       "'\\x1B[2J\\x7F\\xFF\\tPelmora'"},
      {"a long record", longRecord,
       "line 18 differs: expected '2: 245 613 30 265 633 50', found '2: " + std::string(77, '7') +
           "...'"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VerifyDataset(c.bytes).message, c.message) << c.what;
  }
}

TEST(DatasetVerifyTest, ChangedTruncatedAndExtendedFiles) {
  const std::string good = DatasetOf(SeedOne());
  struct Case {
    const char* what;
    std::string bytes;
    Verdict verdict;
    const char* message;
  };
  std::string changed = good;
  changed.replace(changed.find("2: 245 613"), 10, "2: 245 614");
  std::string header = good;
  header.replace(header.find("Variable size of boxes: No"), 26, "Variable size of boxes: Yes");
  const Case cases[] = {
      {"good", good, Verdict::kIdentical, "identical"},
      {"one number changed", changed, Verdict::kDiffers,
       "line 18 differs: expected '2: 245 613 30 265 633 50', found '2: 245 614 30 265 633 50'"},
      // The header now asks for variable sizes, whose first box is known.
      {"a setting changed", header, Verdict::kDiffers,
       "line 17 differs: expected '1: 250 105 37 255 118 41', found '1: 250 105 30 270 125 50'"},
      {"cut after a record", good.substr(0, good.find("3: 657")), Verdict::kTruncated,
       "truncated: the file stops in line 19 without \"End of dataset.\"; what is there matches "
       "its header"},
      {"cut mid-line", good.substr(0, good.find("3: 657") + 4), Verdict::kTruncated,
       "truncated: the file stops in line 19 without \"End of dataset.\"; what is there matches "
       "its header"},
      {"no last full stop", good.substr(0, good.size() - 1), Verdict::kTruncated,
       "truncated: the file stops in line 218 without \"End of dataset.\"; what is there matches "
       "its header"},
      {"more after the footer", good + "\r\n", Verdict::kDiffers,
       "line 218 differs: the file goes on after \"End of dataset.\""},
      {"LF line ends",
       [&] {
         std::string lf;
         for (char ch : good)
           if (ch != '\r') lf += ch;
         return lf;
       }(),
       Verdict::kDiffers, "line 1 ends in LF, expected CR LF"},
      {"not a dataset", "hello", Verdict::kUnreadable,
       "cannot read the header: line 1: expected 'Pelmora 1.0' in 'hello'"},
      {"a header cut short", good.substr(0, 40), Verdict::kUnreadable,
       "cannot read the header: the header ends after 4 of its 16 lines"},
  };
  for (const Case& c : cases) {
    const Verification v = VerifyDataset(c.bytes);
    EXPECT_EQ(v.verdict, c.verdict) << c.what;
    EXPECT_EQ(v.message, c.message) << c.what;
  }
  std::string refused = good;
  refused.replace(refused.find(": 20, 20, 20"), 12, ": 20, 20, 50");
  const Verification v = VerifyDataset(refused);
  EXPECT_EQ(v.verdict, Verdict::kUnreadable);
  EXPECT_EQ(v.message,
            "the settings of the header make no dataset: High ranges for boxes out "
            "of world range!");
}

}  // namespace
}  // namespace pelmora
