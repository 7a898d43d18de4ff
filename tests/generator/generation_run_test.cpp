#include "generator/generation_run.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

// Splits a file at CR LF; fails the test on a bare LF or CR.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "CR without LF at " << i;
      lines.push_back(line);
      line.clear();
      ++i;
    } else {
      EXPECT_NE(bytes[i], '\n') << "LF without CR at " << i;
      line += bytes[i];
    }
  }
  lines.push_back(line);
  return lines;
}

// The record lines of a completed file.
std::vector<std::string> Records(const std::string& bytes) {
  const std::vector<std::string> lines = Lines(bytes);
  return std::vector<std::string>(lines.begin() + 16, lines.end() - 2);
}

class GenerationRunTest : public ::testing::Test {
 protected:
  GenerationRunTest() {
    controls_.rbSeedConstant = true;
    controls_.edfName = folder_.File("Output.txt");
    services_.clockSeconds = [this] { return clock_; };
  }

  RunResult Run() { return GenerateDataset(controls_, *state_, services_); }
  std::string File() const { return ReadFile(controls_.edfName); }

  TempFolder folder_;
  GeneratorControls controls_;
  std::unique_ptr<GeneratorState> state_ = std::make_unique<GeneratorState>();
  RunServices services_;
  int32_t clock_ = 1700000000;
};

TEST_F(GenerationRunTest, DefaultRunWritesTheCompleteFile) {
  controls_.edfName = "Output.txt";  // as typed in the window, relative to the working folder
  const std::string name = folder_.File("Output.txt");
  const WorkingFolder guard(folder_.path());
  const RunResult result = Run();
  ASSERT_EQ(result.end, RunEnd::kCompleted) << result.message;
  EXPECT_EQ(result.seed, 1);
  EXPECT_FALSE(result.seedForField.has_value());

  const std::string bytes = ReadFile(name);
  const std::vector<std::string> lines = Lines(bytes);
  const std::vector<std::string> header = {
      "Pelmora 1.0",
      "",
      "World Settings:",
      "  Dimensions [1..3]: 3",
      "  Size [1..100000, 1..100000, 1..100000]: 700, 700, 50",
      "Generator Settings:",
      "  Boxes created [1..100000]: 200",
      "  High ranges for the box size [1..99999, 1..99999, 1..99999]: 20, 20, 20",
      "  Variable size of boxes: No",
      "  Non-zero size of boxes: Yes",
      "  Distribution: Uniform",
      "  Seed [1..65535]: 1",
      "  Output Filename: Output.txt",
      "",
      "Start of Dataset:",
      "",
  };
  ASSERT_EQ(lines.size(), 16u + 200u + 2u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 16), header);
  EXPECT_EQ(lines[16], "1: 250 105 30 270 125 50");
  EXPECT_EQ(lines[17], "2: 245 613 30 265 633 50");
  EXPECT_EQ(lines[18], "3: 657 435 30 677 455 50");
  EXPECT_EQ(lines[216], "");
  EXPECT_EQ(lines[217], "End of dataset.");
  EXPECT_TRUE(bytes.ends_with("\r\n\r\nEnd of dataset."));

  // Every record line: its number in order, then six whole numbers of a box inside the world.
  for (int i = 0; i < 200; ++i) {
    std::istringstream record(lines[16 + i]);
    int number;
    char colon;
    int x1, y1, z1, x2, y2, z2;
    ASSERT_TRUE(record >> number >> colon >> x1 >> y1 >> z1 >> x2 >> y2 >> z2) << lines[16 + i];
    EXPECT_EQ(number, i + 1);
    EXPECT_TRUE(x1 >= 1 && y1 >= 1 && z1 >= 1 && x2 <= 700 && y2 <= 700 && z2 <= 50);
    EXPECT_TRUE(x2 - x1 == 20 && y2 - y1 == 20 && z2 - z1 == 20);
  }

  // The box table and scene settings hold the run.
  EXPECT_EQ(state_->sceneSettings.boxCount, 200);
  EXPECT_EQ(state_->sceneSettings.worldX, 700);
  EXPECT_EQ(state_->sceneSettings.worldZ, 50);
  EXPECT_EQ(state_->sceneSettings.lastSeed, 1);
  const BoxRecord& first = state_->boxTable[1];
  EXPECT_EQ(first.dimension, 3);
  EXPECT_EQ(first.corners[0].x, 250);
  EXPECT_EQ(first.corners[0].z, 30);
  EXPECT_EQ(first.corners[6].y, 125);
  EXPECT_EQ(first.corners[6].z, 50);
}

TEST_F(GenerationRunTest, RecordLinesByDimensionAndSize) {
  struct Case {
    const char* what;
    int32_t dimension;
    bool variable;
    std::vector<std::string> firstRecords;
    const char* sizeLine;
    const char* highLine;
  };
  const Case cases[] = {
      {"1D",
       0,
       false,
       {"1: 250 270", "2: 105 125", "3: 245 265"},
       "  Size [1..100000]: 700",
       "  High ranges for the box size [1..99999]: 20"},
      {"2D",
       1,
       false,
       {"1: 250 105 270 125", "2: 613 384 633 404"},
       "  Size [1..100000, 1..100000]: 700, 700",
       "  High ranges for the box size [1..99999, 1..99999]: 20, 20"},
      {"3D variable",
       2,
       true,
       {"1: 250 105 37 255 118 41", "2: 657 435 37 659 437 42"},
       "  Size [1..100000, 1..100000, 1..100000]: 700, 700, 50",
       "  High ranges for the box size [1..99999, 1..99999, 1..99999]: 20, 20, 20"},
  };
  for (const Case& c : cases) {
    controls_.rgDimension = c.dimension;
    controls_.cbBoxSize = c.variable;
    ASSERT_EQ(Run().end, RunEnd::kCompleted) << c.what;
    const std::string bytes = File();
    const std::vector<std::string> lines = Lines(bytes);
    EXPECT_EQ(lines[3], "  Dimensions [1..3]: " + std::to_string(c.dimension + 1)) << c.what;
    EXPECT_EQ(lines[4], c.sizeLine) << c.what;
    EXPECT_EQ(lines[7], c.highLine) << c.what;
    EXPECT_EQ(lines[8],
              c.variable ? "  Variable size of boxes: Yes" : "  Variable size of boxes: No");
    const std::vector<std::string> records = Records(bytes);
    ASSERT_EQ(records.size(), 200u) << c.what;
    for (size_t i = 0; i < c.firstRecords.size(); ++i) EXPECT_EQ(records[i], c.firstRecords[i]);
  }
}

TEST_F(GenerationRunTest, UnusedCoordinatesAreZero) {
  for (const int32_t dimension : {0, 1}) {
    controls_.rgDimension = dimension;
    ASSERT_EQ(Run().end, RunEnd::kCompleted);
    for (int32_t i = 1; i <= 200; ++i) {
      const BoxRecord& box = (*state_).boxTable[i];
      ASSERT_EQ(box.dimension, dimension + 1);
      for (const Point3D& corner : box.corners) {
        ASSERT_EQ(corner.z, 0.0);
        if (dimension == 0) {
          ASSERT_EQ(corner.y, 0.0);
        }
      }
    }
  }
}

TEST_F(GenerationRunTest, DistributionLines) {
  struct Case {
    int32_t dist;
    int32_t exponent;
    const char* mean;
    const char* sigma;
    const char* separator;
    const char* line;
  };
  const Case cases[] = {
      {1, 0, "350.00", "100.00", ".", "  Distribution: Gauss (Mean: 350.00, Sigma: 100.00)"},
      {1, 0, "350,5", "80", ",", "  Distribution: Gauss (Mean: 350.50, Sigma: 80.00)"},
      {2, 0, "", "", ".", "  Distribution: Skewed (p: 1)"},
      {2, 1, "", "", ".", "  Distribution: Skewed (p: 2)"},
  };
  for (const Case& c : cases) {
    controls_.rbDist = c.dist;
    controls_.rgExponent = c.exponent;
    controls_.edMean = c.mean;
    controls_.edSigma = c.sigma;
    controls_.decimalSeparator = c.separator;
    ASSERT_EQ(Run().end, RunEnd::kCompleted) << c.line;
    EXPECT_EQ(Lines(File())[10], c.line);
  }
}

TEST_F(GenerationRunTest, SameSeedSameFileAndTable) {
  controls_.rbDist = 1;
  controls_.cbBoxSize = true;
  ASSERT_EQ(Run().end, RunEnd::kCompleted);
  const std::string first = File();
  const BoxRecord box = state_->boxTable[200];
  state_->randomSource.Next31();  // a redraw in between moves the source on
  ASSERT_EQ(Run().end, RunEnd::kCompleted);
  EXPECT_EQ(File(), first);
  EXPECT_TRUE(box == state_->boxTable[200]);
}

TEST_F(GenerationRunTest, RandomSeedIsShownAndRepeatable) {
  controls_.rbSeedConstant = false;
  state_->sceneSettings.lastSeed = 17;
  const RunResult random = Run();
  ASSERT_EQ(random.end, RunEnd::kCompleted);
  RandomSource expected(static_cast<uint32_t>(clock_ + 17));
  const int32_t seed = expected.Next15() % 65535 + 1;
  ASSERT_TRUE(random.seedForField.has_value());
  EXPECT_EQ(*random.seedForField, seed);
  EXPECT_EQ(state_->sceneSettings.lastSeed, seed);
  const std::string randomFile = File();
  EXPECT_EQ(Lines(randomFile)[11], "  Seed [1..65535]: " + std::to_string(seed));

  controls_.rbSeedConstant = true;
  controls_.spSeed = seed;
  ASSERT_EQ(Run().end, RunEnd::kCompleted);
  EXPECT_EQ(File(), randomFile);
}

TEST_F(GenerationRunTest, RangeCheckRefusesAndKeepsEverything) {
  ASSERT_EQ(Run().end, RunEnd::kCompleted);
  const std::string earlier = File();
  const RandomSource source = state_->randomSource;

  struct Case {
    const char* what;
    int32_t dimension;
    int32_t highX, highY, highZ;
  };
  const Case cases[] = {
      {"X equal", 2, 700, 20, 20},
      {"Y above", 2, 20, 701, 20},
      {"Z equal in 1D", 0, 20, 20, 50},
      {"Y equal in 1D", 0, 20, 700, 20},
  };
  for (const Case& c : cases) {
    GeneratorControls refused = controls_;
    refused.rgDimension = c.dimension;
    refused.spHighX = c.highX;
    refused.spHighY = c.highY;
    refused.spHighZ = c.highZ;
    refused.spBoxes.value = 5;
    const RunResult result = GenerateDataset(refused, *state_, services_);
    EXPECT_EQ(result.end, RunEnd::kRefused) << c.what;
    EXPECT_EQ(result.message, "High ranges for boxes out of world range!");
    EXPECT_EQ(File(), earlier);
    EXPECT_EQ(state_->sceneSettings.boxCount, 200);
    EXPECT_EQ(state_->randomSource.StateLow, source.StateLow);
  }
}

TEST_F(GenerationRunTest, HighRangeOneBelowTheWorld) {
  controls_.spWorldX.value = 100;
  controls_.spHighX = 99;
  controls_.spBoxes.value = 20;
  for (const int32_t dimension : {0, 1, 2}) {
    controls_.rgDimension = dimension;
    ASSERT_EQ(Run().end, RunEnd::kCompleted);
    for (int32_t i = 1; i <= 20; ++i) {
      EXPECT_EQ(state_->boxTable[i].corners[0].x, 1.0);
      EXPECT_EQ(state_->boxTable[i].corners[6].x, 100.0);
    }
  }
}

TEST_F(GenerationRunTest, ThreeDimensionalBoxesStayInsideWithFullExtents) {
  controls_.spBoxes.value = 5000;
  controls_.cbBoxSize = true;
  controls_.spWorldZ.value = 30;
  controls_.spHighZ = 29;
  for (const int32_t dist : {0, 1, 2}) {
    controls_.rbDist = dist;
    controls_.edMean = "690";
    controls_.edSigma = "30";
    ASSERT_EQ(Run().end, RunEnd::kCompleted);
    const int32_t world[3] = {700, 700, 30};
    for (int32_t i = 1; i <= 5000; ++i) {
      const BoxRecord& box = state_->boxTable[i];
      const double low[3] = {box.corners[0].x, box.corners[0].y, box.corners[0].z};
      const double high[3] = {box.corners[6].x, box.corners[6].y, box.corners[6].z};
      const int32_t range[3] = {20, 20, 29};
      for (int axis = 0; axis < 3; ++axis) {
        ASSERT_GE(low[axis], 1.0);
        ASSERT_LE(high[axis], world[axis]);
        ASSERT_GE(high[axis] - low[axis], 1.0);
        ASSERT_LE(high[axis] - low[axis], range[axis]);
      }
    }
  }
}

TEST_F(GenerationRunTest, FewerBoxesLeaveHigherEntries) {
  ASSERT_EQ(Run().end, RunEnd::kCompleted);
  const BoxRecord box150 = state_->boxTable[150];
  controls_.spBoxes.value = 100;
  controls_.spSeed = 2;
  ASSERT_EQ(Run().end, RunEnd::kCompleted);
  EXPECT_EQ(state_->sceneSettings.boxCount, 100);
  EXPECT_TRUE(box150 == state_->boxTable[150]);
}

TEST_F(GenerationRunTest, ZeroBoxesTypedWritesAnEmptyDataset) {
  controls_.spBoxes.value = 0;
  ASSERT_EQ(Run().end, RunEnd::kCompleted);
  const std::vector<std::string> lines = Lines(File());
  EXPECT_EQ(lines[6], "  Boxes created [1..100000]: 0");
  EXPECT_EQ(lines.size(), 18u);
  EXPECT_EQ(state_->sceneSettings.boxCount, 0);
}

// A failed or refused run must leave the state and the earlier file exactly as they were.
class FailedRunTest : public GenerationRunTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run().end, RunEnd::kCompleted);
    earlierFile_ = File();
    earlierSource_ = state_->randomSource;
    earlierBox_ = state_->boxTable[1];
    controls_.spSeed = 9;
    controls_.rbSeedConstant = false;
  }

  void ExpectNothingChanged(const RunResult& result, const std::string& message) {
    EXPECT_NE(result.end, RunEnd::kCompleted);
    EXPECT_EQ(result.message, message);
    EXPECT_FALSE(result.seedForField.has_value());
    EXPECT_EQ(File(), earlierFile_);
    EXPECT_EQ(state_->sceneSettings.boxCount, 200);
    EXPECT_EQ(state_->sceneSettings.worldX, 700);
    EXPECT_EQ(state_->sceneSettings.lastSeed, 1);
    EXPECT_EQ(state_->randomSource.StateLow, earlierSource_.StateLow);
    EXPECT_EQ(state_->randomSource.StateHigh, earlierSource_.StateHigh);
    EXPECT_TRUE(earlierBox_ == state_->boxTable[1]);
    EXPECT_EQ(CountEntries(folder_.path()), 1) << "a temporary file stayed behind";
  }

  std::string earlierFile_;
  RandomSource earlierSource_;
  BoxRecord earlierBox_;
};

TEST_F(FailedRunTest, GaussTextThatIsNotANumber) {
  controls_.rbDist = 1;
  controls_.spWorldX.value = 300;
  controls_.edMean = "3x5";
  controls_.edSigma = "bad";
  ExpectNothingChanged(Run(), "'3x5' is not a valid floating point value");  // mean first
  controls_.edMean = "350";
  ExpectNothingChanged(Run(), "'bad' is not a valid floating point value");
  controls_.edSigma = "100,5";  // not a number where the separator is a full stop
  ExpectNothingChanged(Run(), "'100,5' is not a valid floating point value");
}

TEST_F(FailedRunTest, BoxThatCannotBePlaced) {
  // Every Gaussian position is the world size itself, where no box fits.
  controls_.rbDist = 1;
  controls_.rgDimension = 0;
  controls_.spWorldX.value = 100;
  controls_.edMean = "100000";
  controls_.edSigma = "1";
  const RunResult result = Run();
  EXPECT_EQ(result.end, RunEnd::kFailed);
  ExpectNothingChanged(
      result,
      "Box 1 could not be placed in the world after 2000000 attempts: the box size leaves too "
      "little room on some axis, or the distribution puts almost every position where no box "
      "fits (a Gauss mean far outside the world, or a very small sigma). No dataset was written.");
}

TEST_F(FailedRunTest, RunThatRefusesTooOftenInAll) {
  // Each box fits at 2 positions of 100, so 200 boxes take about 10000 refused attempts.
  controls_.rgDimension = 0;
  controls_.spWorldX.value = 100;
  controls_.spHighX = 98;
  services_.maxAttemptsPerRun = 1000;
  const RunResult result = Run();
  EXPECT_EQ(result.end, RunEnd::kFailed);
  EXPECT_TRUE(result.message.starts_with("The run stopped at box ")) << result.message;
  EXPECT_NE(result.message.find(" of 200 after 1000 refused attempts in all: the box size "),
            std::string::npos)
      << result.message;
  ExpectNothingChanged(result, result.message);

  services_.maxAttemptsPerRun = kMaxAttemptsPerRun;  // the same run within the real limits
  controls_.rbSeedConstant = true;
  EXPECT_EQ(Run().end, RunEnd::kCompleted);
}

TEST_F(FailedRunTest, FileThatCannotBeCreated) {
  const std::string missing = folder_.File("missing/Output.txt");
  controls_.edfName = missing;
  const RunResult result = Run();
  EXPECT_EQ(result.end, RunEnd::kFailed);
  controls_.edfName = folder_.File("Output.txt");  // so File() reads the earlier file
  ExpectNothingChanged(
      result, "Cannot create the dataset file '" + missing + "': No such file or directory");
}

// Passes bytes to a real file output, failing at the n-th write or at Commit.
class FailingOutput final : public Output {
 public:
  FailingOutput(std::unique_ptr<Output> inner, int failAtWrite, bool failAtCommit)
      : inner_(std::move(inner)), failAtWrite_(failAtWrite), failAtCommit_(failAtCommit) {}
  void Write(std::string_view bytes) override {
    if (++writes_ == failAtWrite_) Fail();
    if (status_.ok()) inner_->Write(bytes);
  }
  const Status& status() const override { return status_.ok() ? inner_->status() : status_; }
  Status Complete() override { return status_.ok() ? inner_->Complete() : status_; }
  Status Commit() override {
    if (failAtCommit_) Fail();
    return status_.ok() ? inner_->Commit() : status_;
  }
  void Discard() noexcept override { inner_->Discard(); }

 private:
  void Fail() {
    status_ = Status::Error("Cannot write the dataset file: No space left on device");
    inner_->Discard();
  }

  std::unique_ptr<Output> inner_;
  int writes_ = 0;
  int failAtWrite_;
  bool failAtCommit_;
  Status status_;
};

TEST_F(FailedRunTest, WriteOrCloseThatFails) {
  controls_.spBoxes.value = 50000;  // several buffers of output
  for (const auto& [failAtWrite, failAtFinish] :
       std::vector<std::pair<int, bool>>{{1, false}, {3, false}, {0, true}}) {
    services_.openDataset = [&, failAtWrite = failAtWrite,
                             failAtFinish = failAtFinish](const std::string& name) {
      return std::make_unique<FailingOutput>(OpenDatasetFile(name), failAtWrite, failAtFinish);
    };
    ExpectNothingChanged(Run(), "Cannot write the dataset file: No space left on device");
  }
}

TEST_F(FailedRunTest, ChoicesTheWindowAlwaysHolds) {
  controls_.spBoxes.value = 100001;
  ExpectNothingChanged(Run(), "Cannot create 100001 boxes: at most 100000 fit in the box table.");
  controls_.spBoxes.value = 10;
  controls_.rgDimension = -1;
  ExpectNothingChanged(Run(), "Choose a dimension: 1D, 2D or 3D.");
  controls_.rgDimension = 2;
  controls_.rbDist = 3;
  ExpectNothingChanged(Run(), "Choose a distribution: Uniform, Gauss or Skewed.");
  controls_.rbDist = 2;
  controls_.rgExponent = -1;
  ExpectNothingChanged(Run(), "Choose an exponent for the skewed distribution: p = 1 or p = 2.");
}

}  // namespace
}  // namespace pelmora
