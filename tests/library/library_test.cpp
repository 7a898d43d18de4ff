// The library's settings, generation, header reading and verification, each against what
// pelmora-gen does with the same settings.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "pelmora/pelmora.h"
#include "tests/cli/run_pelmora_gen.h"
#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

// The boxes as pelmora-gen --format csv writes them.
std::string Csv(const std::vector<Box>& boxes, int32_t dimension) {
  static const char* const kColumns[3][2] = {{"x1", "x2"}, {"y1", "y2"}, {"z1", "z2"}};
  std::string csv = "id";
  for (int end = 0; end < 2; ++end) {
    for (int32_t axis = 0; axis < dimension; ++axis) csv += std::string(",") + kColumns[axis][end];
  }
  csv += "\n";
  for (size_t i = 0; i < boxes.size(); ++i) {
    csv += std::to_string(i + 1);
    for (int32_t axis = 0; axis < dimension; ++axis)
      csv += "," + std::to_string(boxes[i].low[axis]);
    for (int32_t axis = 0; axis < dimension; ++axis)
      csv += "," + std::to_string(boxes[i].high[axis]);
    csv += "\n";
  }
  return csv;
}

struct Case {
  std::string arguments;               // pelmora-gen's options
  std::function<void(Settings&)> set;  // the same settings in the struct
};

// Every dimension and distribution, fixed and variable size, against pelmora-gen's CSV.
TEST(LibraryTest, GeneratesTheBoxesOfPelmoraGen) {
  const std::vector<Case> cases = {
      {"", [](Settings&) {}},
      {"-d 1 -n 500 -s 3", [](Settings& s) { s.dimension = 1, s.boxes = 500, s.seed = 3; }},
      {"-d 2 -n 500 --variable -s 9",
       [](Settings& s) { s.dimension = 2, s.boxes = 500, s.variable = true, s.seed = 9; }},
      {"-d 3 -n 1000 --variable --allow-zero-size -s 65535",
       [](Settings& s) {
         s.boxes = 1000, s.variable = true, s.allowZeroSize = true, s.seed = 65535;
       }},
      {"-d 1 --distribution gauss --mean 120.5 --sigma 33.25 -w 300 --high 7 -n 400",
       [](Settings& s) {
         s.dimension = 1, s.distribution = Distribution::kGauss, s.mean = 120.5, s.sigma = 33.25;
         s.world[0] = 300, s.high[0] = 7, s.boxes = 400;
       }},
      {"-d 2 --distribution gauss --mean 500 --sigma 80.1 -w 1000,900 -n 800 -s 42",
       [](Settings& s) {
         s.dimension = 2, s.distribution = Distribution::kGauss, s.mean = 500, s.sigma = 80.1;
         s.world = {1000, 900, 50}, s.boxes = 800, s.seed = 42;
       }},
      {"-d 3 --distribution gauss --mean -3.5 --sigma 200 --variable -n 300",
       [](Settings& s) {
         s.distribution = Distribution::kGauss, s.mean = -3.5, s.sigma = 200, s.variable = true;
         s.boxes = 300;
       }},
      {"-d 1 --distribution skewed --exponent 2 -n 300 -s 5",
       [](Settings& s) {
         s.dimension = 1, s.distribution = Distribution::kSkewed, s.exponent = 2, s.boxes = 300;
         s.seed = 5;
       }},
      {"-d 2 --distribution skewed -w 5000,4000 --high 30,40 -n 600",
       [](Settings& s) {
         s.dimension = 2, s.distribution = Distribution::kSkewed, s.world = {5000, 4000, 50};
         s.high = {30, 40, 20}, s.boxes = 600;
       }},
      {"-d 3 --distribution skewed --exponent 2 --variable -w 900,800,700 -n 700 -s 11",
       [](Settings& s) {
         s.distribution = Distribution::kSkewed, s.exponent = 2, s.variable = true;
         s.world = {900, 800, 700}, s.boxes = 700, s.seed = 11;
       }},
      {"-d 2 --distribution diagonal --diagonal-fraction 0.25 --diagonal-width 0.5 -n 500",
       [](Settings& s) {
         s.dimension = 2, s.distribution = Distribution::kDiagonal, s.boxes = 500;
         s.diagonalFraction = 0.25, s.diagonalWidth = 0.5;
       }},
      {"-d 3 --distribution bit --bit-probability 0.4 --bit-digits 12 --variable -n 400 -s 8",
       [](Settings& s) {
         s.distribution = Distribution::kBit, s.bitProbability = 0.4, s.bitDigits = 12;
         s.variable = true, s.boxes = 400, s.seed = 8;
       }},
      {"-d 2 --distribution sierpinski -w 2000,2000 -n 600",
       [](Settings& s) {
         s.dimension = 2, s.distribution = Distribution::kSierpinski, s.world = {2000, 2000, 50};
         s.boxes = 600;
       }},
      {"-d 1 --distribution clustered --clusters 3 --cluster-sigma 0.1 -w 4000 -n 300",
       [](Settings& s) {
         s.dimension = 1, s.distribution = Distribution::kClustered, s.clusters = 3;
         s.clusterSigma = 0.1, s.world[0] = 4000, s.boxes = 300;
       }},
      {"-d 3 --distribution parcel --parcel-split 0.1 --parcel-dither 0.75 -n 900 --high 50,50,50",
       [](Settings& s) {
         s.distribution = Distribution::kParcel, s.parcelSplit = 0.1, s.parcelDither = 0.75;
         s.boxes = 900, s.high = {50, 50, 50};
       }},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    Settings settings;
    c.set(settings);
    std::vector<Box> boxes;
    const Status status = GenerateBoxes(settings, &boxes);
    ASSERT_TRUE(status.ok()) << status.message();
    ASSERT_EQ(boxes.size(), static_cast<size_t>(settings.boxes));
    const Outcome gen = RunGen(folder, "-q -s 1 --format csv -o - " + c.arguments);
    ASSERT_EQ(gen.status, 0) << gen.err;
    EXPECT_EQ(Csv(boxes, settings.dimension), gen.out);
  }
}

// A bad value gets pelmora-gen's own message, naming the option.
TEST(LibraryTest, ValidationSaysWhatPelmoraGenSays) {
  const std::vector<Case> cases = {
      {"--dimension 4", [](Settings& s) { s.dimension = 4; }},
      {"--dimension 0", [](Settings& s) { s.dimension = 0; }},
      {"--world 0,700,50", [](Settings& s) { s.world[0] = 0; }},
      {"--world 700,700,100001", [](Settings& s) { s.world[2] = 100001; }},
      {"--boxes 0", [](Settings& s) { s.boxes = 0; }},
      {"--boxes -5", [](Settings& s) { s.boxes = -5; }},
      {"--high 20,0,20", [](Settings& s) { s.high[1] = 0; }},
      {"--mean 350.125", [](Settings& s) { s.mean = 350.125; }},
      {"--sigma 0.001", [](Settings& s) { s.sigma = 0.001; }},
      {"--exponent 3", [](Settings& s) { s.exponent = 3; }},
      {"--seed 0", [](Settings& s) { s.seed = 0; }},
      {"--seed 65536", [](Settings& s) { s.seed = 65536; }},
      {"--high 20,20,50", [](Settings& s) { s.high[2] = 50; }},
      {"-d 1 --high 20,20,50", [](Settings& s) { s.dimension = 1, s.high[2] = 50; }},
      {"--diagonal-fraction 1.5", [](Settings& s) { s.diagonalFraction = 1.5; }},
      {"--diagonal-width 0", [](Settings& s) { s.diagonalWidth = 0; }},
      {"--bit-probability 2", [](Settings& s) { s.bitProbability = 2; }},
      {"--bit-digits 31", [](Settings& s) { s.bitDigits = 31; }},
      {"--clusters 0", [](Settings& s) { s.clusters = 0; }},
      {"--cluster-sigma 0", [](Settings& s) { s.clusterSigma = 0; }},
      {"--parcel-split 0.5", [](Settings& s) { s.parcelSplit = 0.5; }},
      {"--parcel-dither 1.25", [](Settings& s) { s.parcelDither = 1.25; }},
      {"-d 1 --distribution sierpinski",
       [](Settings& s) { s.dimension = 1, s.distribution = Distribution::kSierpinski; }},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    Settings settings;
    c.set(settings);
    const Status status = Validate(settings);
    ASSERT_FALSE(status.ok());
    const Outcome gen = RunGen(folder, "-q -o - " + c.arguments);
    ASSERT_NE(gen.status, 0);
    const std::string first = gen.err.substr(0, gen.err.find('\n'));
    EXPECT_EQ("pelmora-gen: " + status.message(), first);
    std::vector<Box> boxes;
    EXPECT_EQ(GenerateBoxes(settings, &boxes).message(), status.message());
    EXPECT_TRUE(boxes.empty());
  }
  EXPECT_TRUE(Validate(Settings()).ok());
  // Too large for the single the run holds it in (as pelmora-gen refuses the same number).
  Settings huge;
  huge.mean = 1e39;
  EXPECT_TRUE(Validate(huge).message().starts_with("--mean: expected a number with at most two"));
  Settings unnamed;
  unnamed.distribution = static_cast<Distribution>(8);
  EXPECT_EQ(Validate(unnamed).message(),
            "--distribution: expected uniform, gauss, skewed, diagonal, bit, sierpinski, clustered "
            "or parcel, got '8'");
  // Parcel does not use the high ranges; a world too small for its boxes fails as the run does.
  Settings parcel;
  parcel.distribution = Distribution::kParcel;
  parcel.dimension = 2;
  parcel.world = {10, 10, 10};
  EXPECT_TRUE(Validate(parcel).ok());
  parcel.boxes = 65;
  std::vector<Box> none;
  EXPECT_EQ(GenerateBoxes(parcel, &none).message(),
            "The world is too small for 65 parcel boxes of at least one unit: it spans 9 x 9 "
            "units, and parcel needs the product of its sides, each rounded down to a power of "
            "two, to reach the box count rounded up to a power of two.");
}

TEST(LibraryTest, DistributionNames) {
  for (int32_t d = 0; d <= static_cast<int32_t>(Distribution::kParcel); ++d) {
    EXPECT_EQ(ParseDistribution(DistributionName(static_cast<Distribution>(d))),
              static_cast<Distribution>(d));
  }
  EXPECT_STREQ(DistributionName(Distribution::kSierpinski), "sierpinski");
  EXPECT_EQ(ParseDistribution("Gauss"), std::nullopt);
  EXPECT_EQ(DistributionName(static_cast<Distribution>(-1)), nullptr);
}

TEST(LibraryTest, ConsumerStopsTheRun) {
  Settings settings;
  std::vector<Box> seen;
  const Status status = Generate(settings, [&seen](const Box& box) {
    seen.push_back(box);
    return seen.size() < 3;
  });
  EXPECT_EQ(status.message(), "stopped by the consumer at box 3");
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], (Box{{250, 105, 30}, {270, 125, 50}}));
  EXPECT_EQ(seen[2], (Box{{657, 435, 30}, {677, 455, 50}}));
}

// A run whose boxes cannot be placed fails with the run's message, as pelmora-gen's does.
TEST(LibraryTest, RunThatCannotPlaceItsBoxesFails) {
  Settings settings;
  settings.dimension = 1;
  settings.world[0] = 1000;
  settings.high[0] = 10;
  settings.distribution = Distribution::kGauss;
  settings.mean = 100000;
  settings.sigma = 0.01;
  settings.boxes = 1;
  std::vector<Box> boxes;
  const Status status = GenerateBoxes(settings, &boxes);
  ASSERT_FALSE(status.ok());
  TempFolder folder;
  const Outcome gen = RunGen(folder,
                             "-q -o - -d 1 -w 1000 --high 10 --distribution gauss "
                             "--mean 100000 --sigma 0.01 -n 1");
  EXPECT_EQ(gen.status, 1);
  EXPECT_EQ(gen.err, "pelmora-gen: " + status.message() + "\n");
}

TEST(LibraryTest, ReadsSettingsThatRemakeTheFile) {
  TempFolder folder;
  const std::string arguments[] = {
      "-d 2 -w 1000,800 --high 12,9 -n 321 --variable --allow-zero-size --distribution gauss "
      "--mean 410.5 --sigma 60.25 -s 777",
      "-d 1 -w 5000 --high 40 -n 50 --distribution skewed --exponent 2 -s 2",
      "-d 2 -n 80 --distribution diagonal --diagonal-fraction 0.125 --diagonal-width 0.3",
      "-d 3 -n 80 --distribution bit --bit-probability 0.75 --bit-digits 3",
      "-d 3 -n 80 --distribution sierpinski --variable",
      "-d 2 -n 80 --distribution clustered --clusters 99 --cluster-sigma 0.001",
      "-d 2 -n 80 --distribution parcel --parcel-split 0.45 --parcel-dither 0",
      "-n 20"};  // a random seed
  for (const std::string& args : arguments) {
    SCOPED_TRACE(args);
    ASSERT_EQ(RunGen(folder, "-q -o data.txt " + args).status, 0);
    Settings settings;
    settings.boxes = 1;
    const Status read = ReadSettings(folder.File("data.txt"), &settings);
    ASSERT_TRUE(read.ok()) << read.message();
    std::vector<Box> boxes;
    ASSERT_TRUE(GenerateBoxes(settings, &boxes).ok());
    // The boxes of the settings read are the file's: pelmora-gen --from makes the same CSV.
    const Outcome csv = RunGen(folder, "-q --from data.txt --format csv -o -");
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(Csv(boxes, settings.dimension), csv.out);
  }
  Settings settings;
  ASSERT_TRUE(ReadSettings(folder.File("data.txt"), &settings).ok());
  EXPECT_EQ(settings.boxes, 20);
  EXPECT_EQ(settings.world, (std::array<int32_t, 3>{700, 700, 50}));
}

// A file whose settings cannot be read gets pelmora-gen --from's message, naming the file and
// the header line.
TEST(LibraryTest, ReadSettingsFailsAsPelmoraGenFromDoes) {
  TempFolder folder;
  WriteFile(folder.File("notes.txt"), "Dear diary\r\n");
  ASSERT_EQ(RunGen(folder, "-q -o bad.txt -n 5").status, 0);
  std::string bytes = ReadFile(folder.File("bad.txt"));
  bytes.replace(bytes.find("[1..100000]: 5"), 14, "[1..100000]: 0");
  WriteFile(folder.File("bad.txt"), bytes);
  for (const std::string name : {"missing.txt", ".", "notes.txt", "bad.txt"}) {
    SCOPED_TRACE(name);
    Settings settings;
    settings.boxes = 77;
    const Status status = ReadSettings(folder.File(name), &settings);
    EXPECT_EQ(settings.boxes, 77);  // unchanged
    const Outcome gen = RunGen(folder, "--from " + folder.File(name) + " -o out.txt");
    EXPECT_EQ(gen.status, 1);
    EXPECT_EQ("pelmora-gen: " + status.message() + "\n", gen.err);
    EXPECT_NE(status.message().find(folder.File(name)), std::string::npos);
  }
}

// What VerifyFile says is what pelmora-gen --verify prints.
TEST(LibraryTest, VerifiesAsPelmoraGenDoes) {
  TempFolder folder;
  ASSERT_EQ(RunGen(folder, "-q -o good.txt -d 2 -n 300 -s 4").status, 0);
  std::string bytes = ReadFile(folder.File("good.txt"));
  std::string changed = bytes;
  changed.replace(changed.find("\r\n7: ") + 5, 1, "9");
  WriteFile(folder.File("changed.txt"), changed);
  WriteFile(folder.File("short.txt"), bytes.substr(0, bytes.size() / 2));
  for (const auto& [name, identical] : {std::pair<std::string, bool>{"good.txt", true},
                                        {"changed.txt", false},
                                        {"short.txt", false}}) {
    SCOPED_TRACE(name);
    const FileVerification verification = VerifyFile(folder.File(name));
    EXPECT_EQ(verification.identical, identical);
    const Outcome gen = RunGen(folder, "--verify " + folder.File(name));
    EXPECT_EQ(gen.status, identical ? 0 : 1);
    EXPECT_EQ(verification.message + "\n", gen.out);
  }
  EXPECT_FALSE(VerifyFile(folder.File("missing.txt")).identical);
}

}  // namespace
}  // namespace pelmora
