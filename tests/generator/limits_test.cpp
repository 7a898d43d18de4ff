// The generator at the limits of its fields and past them: the largest box count in every
// distribution and dimension, the largest worlds, and values that typed text can hold before it
// is brought into range.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "generator/dataset_header.h"
#include "generator/dataset_verify.h"
#include "generator/generation_run.h"
#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

// A run into memory, as the verifier and the other formats make it.
RunResult RunIntoMemory(const GeneratorControls& controls, GeneratorState& state,
                        std::string* file) {
  RunServices services;
  services.openDataset = [file](const std::string&) {
    return std::make_unique<MemoryOutput>(file);
  };
  return GenerateDataset(controls, state, services);
}

// Every box of the run lies inside the world on each axis it uses, with whole coordinates and
// an extent within its high range; the file holds the header, one line per box and the footer.
void ExpectEveryBoxInside(const GeneratorControls& c, const GeneratorState& state,
                          const std::string& file, const std::string& what) {
  const int32_t n = c.spBoxes.value;
  const int32_t dimension = c.rgDimension + 1;
  const int32_t world[3] = {c.spWorldX.value, c.spWorldY.value, c.spWorldZ.value};
  const int32_t high[3] = {c.spHighX, c.spHighY, c.spHighZ};
  ASSERT_EQ(state.sceneSettings.boxCount, n) << what;
  for (int32_t i = 1; i <= n; ++i) {
    const BoxRecord& box = state.boxTable[i];
    ASSERT_EQ(box.dimension, dimension) << what << ", box " << i;
    const double low[3] = {box.corners[0].x, box.corners[0].y, box.corners[0].z};
    const double top[3] = {box.corners[6].x, box.corners[6].y, box.corners[6].z};
    for (int32_t axis = 0; axis < 3; ++axis) {
      if (axis >= dimension) {
        ASSERT_TRUE(low[axis] == 0 && top[axis] == 0) << what << ", box " << i;
        continue;
      }
      ASSERT_GE(low[axis], 1) << what << ", box " << i << ", axis " << axis;
      ASSERT_LE(top[axis], world[axis]) << what << ", box " << i << ", axis " << axis;
      ASSERT_EQ(low[axis], std::trunc(low[axis])) << what;
      const double extent = top[axis] - low[axis];
      if (c.cbBoxSize) {
        ASSERT_TRUE(extent >= 1 && extent <= high[axis]) << what << ", box " << i;
      } else {
        ASSERT_EQ(extent, high[axis]) << what << ", box " << i;
      }
    }
  }
  size_t lines = 1;
  for (const char ch : file) lines += ch == '\n';
  EXPECT_EQ(lines, 16u + static_cast<size_t>(n) + 2u) << what;
  EXPECT_NE(file.find("\r\n" + std::to_string(n) + ": "), std::string::npos) << what;
  EXPECT_TRUE(file.ends_with("\r\n\r\nEnd of dataset.")) << what;
}

struct Law {
  const char* name;
  int32_t dist;
  int32_t exponent;
};
constexpr Law kLaws[] = {
    {"Uniform", 0, 0}, {"Gauss", 1, 0}, {"Skewed p = 1", 2, 0}, {"Skewed p = 2", 2, 1}};

TEST(LimitsTest, HundredThousandBoxesInEveryDistributionAndDimension) {
  auto state = std::make_unique<GeneratorState>();
  for (const int32_t dimension : {0, 1, 2}) {
    for (const Law& law : kLaws) {
      for (const bool variable : {false, true}) {
        GeneratorControls c;
        c.rbSeedConstant = true;
        c.spBoxes.value = 100000;
        c.rgDimension = dimension;
        c.rbDist = law.dist;
        c.rgExponent = law.exponent;
        c.cbBoxSize = variable;
        const std::string what =
            std::to_string(dimension + 1) + "D " + law.name + (variable ? " variable" : " fixed");
        std::string file;
        const RunResult result = RunIntoMemory(c, *state, &file);
        ASSERT_EQ(result.end, RunEnd::kCompleted) << what << ": " << result.message;
        ExpectEveryBoxInside(c, *state, file, what);
      }
    }
  }
}

TEST(LimitsTest, TheLargestBoxCountIntoARealFile) {
  const TempFolder folder;
  GeneratorControls c;
  c.rbSeedConstant = true;
  c.spBoxes.value = 100000;
  c.cbBoxSize = true;
  c.edfName = folder.File("Output.txt");
  auto state = std::make_unique<GeneratorState>();
  ASSERT_EQ(GenerateDataset(c, *state).end, RunEnd::kCompleted);
  ExpectEveryBoxInside(c, *state, ReadFile(c.edfName), "100000 boxes into a file");
  EXPECT_EQ(CountEntries(folder.path()), 1);
}

TEST(LimitsTest, TheLargestWorlds) {
  struct Case {
    const char* what;
    int32_t dimension;
    int32_t high;
    bool variable;
  };
  // A high range one below the world needs the 3D shift: in 1D or 2D it fits at position 1
  // alone, one uniform draw in 100000.
  const Case cases[] = {
      {"1D high 20", 0, 20, false},
      {"2D high 20 variable", 1, 20, true},
      {"3D high 20", 2, 20, false},
      {"3D high 99999", 2, 99999, false},
      {"3D high 99999 variable", 2, 99999, true},
  };
  auto state = std::make_unique<GeneratorState>();
  for (const Case& k : cases) {
    for (const Law& law : kLaws) {
      GeneratorControls c;
      c.rbSeedConstant = true;
      c.spBoxes.value = 2000;
      c.rgDimension = k.dimension;
      c.spWorldX.value = c.spWorldY.value = c.spWorldZ.value = 100000;
      c.spHighX = c.spHighY = c.spHighZ = k.high;
      c.cbBoxSize = k.variable;
      c.rbDist = law.dist;
      c.rgExponent = law.exponent;
      c.edMean = "99990";  // Gauss: against the upper bound of every axis
      c.edSigma = "30";
      const std::string what = std::string(k.what) + " " + law.name;
      std::string file;
      const RunResult result = RunIntoMemory(c, *state, &file);
      ASSERT_EQ(result.end, RunEnd::kCompleted) << what << ": " << result.message;
      ExpectEveryBoxInside(c, *state, file, what);
      EXPECT_NE(file.find("  Size [1..100000"), std::string::npos);
    }
  }
}

TEST(LimitsTest, TypedValuesBeyondTheFields) {
  // Text brought into range only when the field loses focus reads as typed until then: the run
  // takes it as it is, and the arithmetic holds without overflow.
  struct Case {
    const char* what;
    int32_t dimension;
    int32_t world;
    int32_t high;
    int32_t dist;
  };
  const Case cases[] = {
      {"the largest 32-bit world, uniform", 0, 2147483647, 20, 0},
      {"the largest 32-bit world, skewed", 1, 2147483647, 20, 2},
      {"the largest 32-bit world, Gauss", 2, 2147483647, 2147483646, 1},
      {"the largest 32-bit world in 3D", 2, 2147483647, 1000000, 0},
  };
  auto state = std::make_unique<GeneratorState>();
  for (const Case& k : cases) {
    GeneratorControls c;
    c.rbSeedConstant = true;
    c.spBoxes.value = 500;
    c.rgDimension = k.dimension;
    c.spWorldX.value = c.spWorldY.value = c.spWorldZ.value = k.world;
    c.spHighX = c.spHighY = c.spHighZ = k.high;
    c.rbDist = k.dist;
    c.edMean = "3000000000";  // beyond 32 bits: the Gaussian value wraps and then clamps
    c.edSigma = "1";
    std::string file;
    const RunResult result = RunIntoMemory(c, *state, &file);
    ASSERT_EQ(result.end, RunEnd::kCompleted) << k.what << ": " << result.message;
    ExpectEveryBoxInside(c, *state, file, k.what);
  }
}

TEST(LimitsTest, AGaussValueBeyondSinglePrecision) {
  // A mean of 40 digits reads as a number but is infinite as the single the run holds: the run
  // completes and prints "inf", and the header that says so is refused when read back, as is
  // one that gives such a mean in digits.
  GeneratorControls c;
  c.rbSeedConstant = true;
  c.rbDist = 1;
  c.spBoxes.value = 5;
  c.edMean = std::string(40, '3');
  std::string file;
  auto state = std::make_unique<GeneratorState>();
  ASSERT_EQ(RunIntoMemory(c, *state, &file).end, RunEnd::kCompleted);
  EXPECT_NE(file.find("  Distribution: Gauss (Mean: inf, Sigma: 100.00)\r\n"), std::string::npos);
  const std::string refused =
      "line 11: the Gauss mean and sigma must be numbers in '  Distribution: Gauss (Mean: ";
  EXPECT_EQ(ReadDatasetHeader(file).status.message(), refused + "inf, Sigma: 100.00)'");
  EXPECT_EQ(VerifyDataset(file).verdict, Verdict::kUnreadable);

  const std::string digits = std::string(40, '3') + ".00";
  std::string typed = file;
  typed.replace(typed.find("inf"), 3, digits);
  // A line that long is quoted in part.
  EXPECT_EQ(ReadDatasetHeader(typed).status.message(), refused + digits + ", Sigma:...'");
}

TEST(LimitsTest, AConversionErrorNamesTheWholeText) {
  // A text with a NUL byte: the message must not end there.
  GeneratorControls c;
  c.rbDist = 1;
  c.edMean = std::string("35\0x", 4);
  std::string file = "earlier";
  auto state = std::make_unique<GeneratorState>();
  const RunResult result = RunIntoMemory(c, *state, &file);
  EXPECT_EQ(result.end, RunEnd::kFailed);
  EXPECT_EQ(result.message, std::string("'35\0x' is not a valid floating point value", 42));
  EXPECT_EQ(file, "earlier");
}

}  // namespace
}  // namespace pelmora
