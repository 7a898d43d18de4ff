// pelmora-gen as a user runs it: exit status, messages, and the file it leaves.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "generator/generation_run.h"
#include "tests/cli/run_pelmora_gen.h"
#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

class CommandTest : public ::testing::Test {
 protected:
  Outcome Run(const std::string& arguments) { return RunGen(folder_, arguments); }

  TempFolder folder_;
};

TEST_F(CommandTest, WritesTheSameFileAsTheRun) {
  const Outcome outcome = Run("--seed 7 -d 2 --distribution gauss --mean 400 --sigma 50.5");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "Output.txt: 200 boxes, seed 7\n");

  GeneratorControls controls;
  controls.rbSeedConstant = true;
  controls.spSeed = 7;
  controls.rgDimension = 1;
  controls.rbDist = 1;
  controls.edMean = "400.00";  // as the window's number field shows it
  controls.edSigma = "50.50";
  controls.edfName = "Output.txt";
  auto state = std::make_unique<GeneratorState>();
  {
    const WorkingFolder guard(folder_.path());
    const std::string cliFile = ReadFile("Output.txt");
    controls.edfName = "Window.txt";
    ASSERT_EQ(GenerateDataset(controls, *state).end, RunEnd::kCompleted);
    std::string windowFile = ReadFile("Window.txt");
    const std::string name = "Output Filename: ";
    windowFile.replace(windowFile.find(name) + name.size(), 10, "Output.txt");
    EXPECT_EQ(cliFile, windowFile);
  }
}

TEST_F(CommandTest, RandomSeedIsPrintedAndRepeats) {
  const Outcome first = Run("-n 20");
  ASSERT_EQ(first.status, 0) << first.err;
  int seed = 0;
  ASSERT_EQ(std::sscanf(first.out.c_str(), "Output.txt: 20 boxes, random seed %d", &seed), 1)
      << first.out;
  EXPECT_GE(seed, 1);
  EXPECT_LE(seed, 32768);
  const std::string randomFile = ReadFile(folder_.File("Output.txt"));
  EXPECT_NE(randomFile.find("  Seed [1..65535]: " + std::to_string(seed) + "\r\n"),
            std::string::npos);
  ASSERT_EQ(Run("-q -n 20 -s " + std::to_string(seed)).status, 0);
  EXPECT_EQ(ReadFile(folder_.File("Output.txt")), randomFile);
}

TEST_F(CommandTest, StandardOutputCarriesOnlyTheDataset) {
  const Outcome outcome = Run("-o - -s 1 -n 3");
  ASSERT_EQ(outcome.status, 0);
  EXPECT_TRUE(outcome.out.starts_with("Pelmora 1.0\r\n"));
  EXPECT_TRUE(outcome.out.ends_with("\r\n\r\nEnd of dataset."));
  EXPECT_NE(outcome.out.find("  Output Filename: -\r\n"), std::string::npos);
  EXPECT_EQ(outcome.err, "-: 3 boxes, seed 1\n");
}

TEST_F(CommandTest, ExitStatusAndMessages) {
  WriteFile(folder_.File("Output.txt"), "earlier");
  struct Case {
    const char* arguments;
    int status;
    const char* err;
  };
  const Case cases[] = {
      {"--high 700", 1, "pelmora-gen: High ranges for boxes out of world range!\n"},
      {"--high 9,700 -s 1 -d 1", 1,
       "pelmora-gen: High ranges for boxes out of world range!\n"},
      {"-o missing/x.txt", 1,
       "pelmora-gen: Cannot create the dataset file 'missing/x.txt': No such file or directory\n"},
      {"--boxes lots", 2,
       "pelmora-gen: --boxes: expected a whole number from 1 to 2147483647, got 'lots'\n"
       "Try 'pelmora-gen --help' for more information.\n"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.arguments;
    EXPECT_EQ(outcome.err, c.err) << c.arguments;
    EXPECT_EQ(outcome.out, "") << c.arguments;
    EXPECT_TRUE(ReadFile(folder_.File("Output.txt")) == "earlier") << c.arguments;
  }
  const Outcome help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: pelmora-gen [OPTION]..."));
  EXPECT_EQ(Run("--version").out, "pelmora-gen (Pelmora) 1.0\n");
}

TEST_F(CommandTest, VerifyTellsIdenticalChangedAndTruncated) {
  ASSERT_EQ(Run("-q -s 11 -d 2 --variable --distribution skewed --exponent 2 -o good.txt").status,
            0);
  const std::string good = ReadFile(folder_.File("good.txt"));
  std::string changed = good;
  const size_t record = changed.find("\r\n5: ") + 2;
  changed.replace(record, 4, "5: 9");
  WriteFile(folder_.File("changed.txt"), changed);
  WriteFile(folder_.File("cut.txt"), good.substr(0, good.size() / 2));
  WriteFile(folder_.File("junk.txt"), "not a dataset\n");

  const Outcome identical = Run("--verify good.txt");
  EXPECT_EQ(identical.status, 0);
  EXPECT_EQ(identical.out, "good.txt: identical\n");
  EXPECT_EQ(Run("-q --verify good.txt").out, "");

  const Outcome differs = Run("--verify changed.txt");
  EXPECT_EQ(differs.status, 1);
  EXPECT_TRUE(differs.out.starts_with("changed.txt: line 21 differs: expected '5: ")) << differs.out;

  const Outcome truncated = Run("--verify cut.txt");
  EXPECT_EQ(truncated.status, 1);
  EXPECT_NE(truncated.out.find("truncated"), std::string::npos) << truncated.out;

  const Outcome junk = Run("--verify junk.txt");
  EXPECT_EQ(junk.status, 1);
  EXPECT_EQ(junk.out, "junk.txt: cannot read the header: line 1: expected 'Pelmora 1.0' in "
                      "'not a dataset'\n");

  const Outcome missing = Run("--verify none.txt");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "pelmora-gen: Cannot read 'none.txt': No such file or directory\n");
  EXPECT_EQ(Run("--verify good.txt -n 5").status, 2);
}

TEST_F(CommandTest, FromTakesTheHeaderAndLetsOptionsOverride) {
  ASSERT_EQ(Run("-q -s 5 -d 1 -w 900 --high 30 --distribution gauss --mean 420.5 --sigma 60 "
                "-o base.txt").status, 0);
  // The same settings again, to another file: identical but for the name line.
  ASSERT_EQ(Run("-q --from base.txt -o again.txt").status, 0);
  std::string again = ReadFile(folder_.File("again.txt"));
  again.replace(again.find("again.txt"), 9, "base.txt");
  EXPECT_EQ(again, ReadFile(folder_.File("base.txt")));

  // Overriding the box count and seed; everything else from the header.
  ASSERT_EQ(Run("-q --from base.txt -n 7 -s 6 -o more.txt").status, 0);
  const std::string more = ReadFile(folder_.File("more.txt"));
  EXPECT_NE(more.find("  Boxes created [1..100000]: 7\r\n"), std::string::npos);
  EXPECT_NE(more.find("  Seed [1..65535]: 6\r\n"), std::string::npos);
  EXPECT_NE(more.find("  Distribution: Gauss (Mean: 420.50, Sigma: 60.00)\r\n"),
            std::string::npos);
  EXPECT_NE(more.find("  Size [1..100000]: 900\r\n"), std::string::npos);
  EXPECT_EQ(Run("--verify more.txt").status, 0);

  // The output is never taken from the header: without -o the command is bad usage, and the
  // file the settings came from is never replaced.
  const std::string base = ReadFile(folder_.File("base.txt"));
  for (const char* arguments : {"--from base.txt -n 8", "--from base.txt --format csv",
                                "--from base.txt --picture view.svg"}) {
    const Outcome refused = Run(arguments);
    EXPECT_EQ(refused.status, 2) << arguments;
    EXPECT_EQ(refused.err,
              "pelmora-gen: --from needs -o FILE: the output is never taken from the header of "
              "'base.txt'\nTry 'pelmora-gen --help' for more information.\n")
        << arguments;
  }
  EXPECT_EQ(ReadFile(folder_.File("base.txt")), base);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("view.svg")));

  WriteFile(folder_.File("junk.txt"), "nothing");
  EXPECT_EQ(Run("--from junk.txt -o x.txt").status, 1);
}

TEST_F(CommandTest, FormatsCarryTheSameBoxes) {
  ASSERT_EQ(Run("-q -s 3 -d 2 -n 4 -o boxes.txt").status, 0);
  const Outcome csv = Run("-q -s 3 -d 2 -n 4 --format csv -o -");
  ASSERT_EQ(csv.status, 0);
  const Outcome wkt = Run("-q -s 3 -d 2 -n 4 --format wkt -o -");
  ASSERT_EQ(wkt.status, 0);
  const std::string dataset = ReadFile(folder_.File("boxes.txt"));
  std::istringstream csvLines(csv.out);
  std::istringstream wktLines(wkt.out);
  std::string header;
  std::getline(csvLines, header);
  EXPECT_EQ(header, "id,x1,y1,x2,y2");
  for (int i = 1; i <= 4; ++i) {
    std::string row;
    std::string geometry;
    ASSERT_TRUE(std::getline(csvLines, row));
    ASSERT_TRUE(std::getline(wktLines, geometry));
    int id, x1, y1, x2, y2;
    ASSERT_EQ(std::sscanf(row.c_str(), "%d,%d,%d,%d,%d", &id, &x1, &y1, &x2, &y2), 5) << row;
    const std::string record = std::to_string(i) + ": " + std::to_string(x1) + " " +
                               std::to_string(y1) + " " + std::to_string(x2) + " " +
                               std::to_string(y2) + "\r\n";
    EXPECT_NE(dataset.find(record), std::string::npos) << record;
    EXPECT_TRUE(geometry.starts_with(std::to_string(i) + "\tPOLYGON ((" + std::to_string(x1) +
                                     " " + std::to_string(y1) + ", "))
        << geometry;
  }
  EXPECT_EQ(Run("--format xml").status, 2);
}

// The records of a dataset file: the lines after "Start of Dataset:" up to the empty line.
std::vector<std::string> Records(const std::string& dataset) {
  std::vector<std::string> records;
  size_t at = dataset.find("Start of Dataset:\r\n\r\n");
  if (at == std::string::npos) return records;
  at += 21;
  for (size_t end; (end = dataset.find("\r\n", at)) != std::string::npos && end > at;
       at = end + 2) {
    records.push_back(dataset.substr(at, end - at));
  }
  return records;
}

// Every family in every dimension it has, fixed and variable size: the file verifies, a longer
// file from its header verifies, and (point families) begins with the shorter file's boxes.
TEST_F(CommandTest, FamiliesRoundTripThroughVerifyAndFrom) {
  const std::string families[] = {
      "--distribution diagonal --diagonal-fraction 0.3 --diagonal-width 0.25",
      "--distribution bit --bit-probability 0.35 --bit-digits 7",
      "--distribution sierpinski",
      "--distribution clustered --clusters 4 --cluster-sigma 0.05",
      "--distribution parcel --parcel-split 0.3 --parcel-dither 0.5",
  };
  for (const std::string& family : families) {
    for (const char* shape :
         {"-d 1 -w 5000", "-d 2 -w 900,700 --variable", "-d 3", "-d 3 --variable"}) {
      const std::string settings = family + " " + shape;
      if (settings.find("sierpinski -d 1") != std::string::npos) continue;
      SCOPED_TRACE(settings);
      ASSERT_EQ(Run("-q -s 9 -n 300 " + settings + " -o short.txt").status, 0);
      const Outcome verify = Run("--verify short.txt");
      EXPECT_EQ(verify.status, 0);
      EXPECT_EQ(verify.out, "short.txt: identical\n");
      ASSERT_EQ(Run("-q --from short.txt -n 700 -o long.txt").status, 0);
      EXPECT_EQ(Run("-q --verify long.txt").status, 0);
      const std::vector<std::string> shortRecords = Records(ReadFile(folder_.File("short.txt")));
      std::vector<std::string> longRecords = Records(ReadFile(folder_.File("long.txt")));
      ASSERT_EQ(shortRecords.size(), 300u);
      ASSERT_EQ(longRecords.size(), 700u);
      longRecords.resize(300);
      if (family.find("parcel") == std::string::npos) {
        EXPECT_EQ(longRecords, shortRecords);
      } else {
        EXPECT_NE(longRecords, shortRecords);  // another N, another tiling
      }
    }
  }
}

// The header line of each family, and a run's boxes inside the world.
TEST_F(CommandTest, FamilyHeaderLinesRecordEveryParameter) {
  struct Case {
    const char* options;
    const char* line;
  };
  const Case cases[] = {
      {"--distribution diagonal", "  Distribution: Diagonal (Fraction: 0.5, Width: 0.1)"},
      {"--distribution diagonal --diagonal-fraction 1 --diagonal-width 0.0125",
       "  Distribution: Diagonal (Fraction: 1, Width: 0.0125)"},
      {"--distribution bit --bit-probability .75 --bit-digits 30",
       "  Distribution: Bit (Probability: 0.75, Digits: 30)"},
      {"--distribution sierpinski", "  Distribution: Sierpinski"},
      {"--distribution clustered --clusters 100000 --cluster-sigma 0.33333333333333331",
       "  Distribution: Clustered (Clusters: 100000, Sigma: 0.3333333333333333)"},
      {"--distribution parcel", "  Distribution: Parcel (Split: 0.2, Dither: 0.2)"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Run(std::string("-q -s 2 -n 50 ") + c.options + " -o f.txt").status, 0) << c.options;
    const std::string file = ReadFile(folder_.File("f.txt"));
    EXPECT_NE(file.find("\r\n" + std::string(c.line) + "\r\n  Seed [1..65535]: 2\r\n"),
              std::string::npos)
        << c.options;
    EXPECT_EQ(Run("-q --verify f.txt").status, 0) << c.options;
  }
}

// Without dither the parcel boxes of a run tile the world exactly, also in 3D, where no box is
// moved; the high ranges do not apply (here larger than the world).
TEST_F(CommandTest, ParcelRunTilesTheWorld) {
  const Outcome csv =
      Run("-s 4 -d 3 -w 41,31,21 --high 50,50,50 -n 700 --distribution parcel "
          "--parcel-dither 0 --format csv -o -");
  ASSERT_EQ(csv.status, 0) << csv.err;
  std::istringstream rows(csv.out);
  std::string row;
  std::getline(rows, row);
  std::vector<std::array<int, 6>> boxes;
  int64_t volume = 0;
  while (std::getline(rows, row)) {
    std::array<int, 6> b;
    int id;
    ASSERT_EQ(std::sscanf(row.c_str(), "%d,%d,%d,%d,%d,%d,%d", &id, &b[0], &b[1], &b[2], &b[3],
                          &b[4], &b[5]),
              7);
    for (const auto& other : boxes) {
      const bool apart = b[3] <= other[0] || other[3] <= b[0] || b[4] <= other[1] ||
                         other[4] <= b[1] || b[5] <= other[2] || other[5] <= b[2];
      ASSERT_TRUE(apart) << row;
    }
    volume += int64_t{b[3] - b[0]} * (b[4] - b[1]) * (b[5] - b[2]);
    boxes.push_back(b);
  }
  EXPECT_EQ(boxes.size(), 700u);
  EXPECT_EQ(volume, 40 * 30 * 20);
}

TEST_F(CommandTest, FamilySettingsThatCannotRunAreRefusedBeforeAnythingIsWritten) {
  WriteFile(folder_.File("Output.txt"), "earlier");
  struct Case {
    const char* arguments;
    int status;
    const char* err;
  };
  const Case cases[] = {
      {"-d 2 -w 10,10 -n 65 --distribution parcel", 1,
       "pelmora-gen: The world is too small for 65 parcel boxes of at least one unit: it spans "
       "9 x 9 units, and parcel needs the product of its sides, each rounded down to a power of "
       "two, to reach the box count rounded up to a power of two.\n"},
      {"-d 1 -w 100 -n 100 --distribution parcel", 1,
       "pelmora-gen: The world is too small for 100 parcel boxes of at least one unit: it spans "
       "99 units, one for each box.\n"},
      {"-d 1 --distribution sierpinski", 2,
       "pelmora-gen: --distribution sierpinski: the chaos game needs a plane or space, so "
       "--dimension 2 or 3 (got 1)\nTry 'pelmora-gen --help' for more information.\n"},
      {"--distribution clustered --cluster-sigma 0", 2,
       "pelmora-gen: --cluster-sigma: expected a number greater than 0, got '0'\n"
       "Try 'pelmora-gen --help' for more information.\n"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.arguments;
    EXPECT_EQ(outcome.err, c.err) << c.arguments;
    EXPECT_EQ(ReadFile(folder_.File("Output.txt")), "earlier") << c.arguments;
  }
  // The same world holds the count that fits, and any count with zero-size boxes.
  EXPECT_EQ(Run("-q -d 2 -w 10,10 -n 64 --distribution parcel").status, 0);
  EXPECT_EQ(Run("-q -d 1 -w 100 -n 100 --allow-zero-size --distribution parcel").status, 0);
}

// Every format and the picture take every family's boxes.
TEST_F(CommandTest, FamiliesInEveryFormatAndPicture) {
  for (const char* family : {"diagonal", "bit", "sierpinski", "clustered", "parcel"}) {
    SCOPED_TRACE(family);
    const std::string settings = std::string("-q -s 3 -d 2 -n 40 --distribution ") + family;
    ASSERT_EQ(Run(settings + " -o boxes.txt --picture boxes.svg").status, 0);
    const std::vector<std::string> records = Records(ReadFile(folder_.File("boxes.txt")));
    ASSERT_EQ(records.size(), 40u);
    const std::string svg = ReadFile(folder_.File("boxes.svg"));
    EXPECT_TRUE(svg.ends_with("</svg>\n"));
    const Outcome csv = Run(settings + " --format csv -o -");
    const Outcome wkt = Run(settings + " --format wkt -o -");
    std::istringstream csvRows(csv.out);
    std::istringstream wktRows(wkt.out);
    std::string row;
    std::getline(csvRows, row);
    for (const std::string& record : records) {
      int id, x1, y1, x2, y2;
      ASSERT_TRUE(std::getline(csvRows, row));
      ASSERT_EQ(std::sscanf(row.c_str(), "%d,%d,%d,%d,%d", &id, &x1, &y1, &x2, &y2), 5);
      EXPECT_EQ(record, std::to_string(id) + ": " + std::to_string(x1) + " " + std::to_string(y1) +
                            " " + std::to_string(x2) + " " + std::to_string(y2));
      std::string geometry;
      ASSERT_TRUE(std::getline(wktRows, geometry));
      EXPECT_TRUE(geometry.starts_with(std::to_string(id) + "\tPOLYGON ((" + std::to_string(x1) +
                                       " " + std::to_string(y1) + ", "));
    }
  }
}

}  // namespace
}  // namespace pelmora

namespace pelmora {
namespace {

// The large-data formats take every family's boxes too: npy rows, GeoJSON polygons and a
// compressed dataset that --verify reads back.
TEST_F(CommandTest, FamiliesInNpyGeoJsonAndCompressedFiles) {
  for (const char* family : {"diagonal", "bit", "sierpinski", "clustered", "parcel"}) {
    SCOPED_TRACE(family);
    const std::string settings = std::string("-q -s 5 -d 2 -n 30 --distribution ") + family;
    ASSERT_EQ(Run(settings + " -o boxes.txt").status, 0);
    const std::vector<std::string> records = Records(ReadFile(folder_.File("boxes.txt")));
    ASSERT_EQ(records.size(), 30u);
    ASSERT_EQ(Run(settings + " -o boxes.txt.zst").status, 0);
    EXPECT_EQ(Run("--verify boxes.txt.zst").out, "boxes.txt.zst: identical\n");
    ASSERT_EQ(Run(settings + " -o boxes.txt.gz").status, 0);
    EXPECT_EQ(Run("--verify boxes.txt.gz").out, "boxes.txt.gz: identical\n");

    const Outcome geojson = Run(settings + " --format geojson -o -");
    const Outcome npy = Run(settings + " --format npy -o -");
    ASSERT_EQ(npy.out.size(), 128u + 30u * 4u * 4u);  // the 1.0 header, then int32 rows
    for (size_t i = 0; i < records.size(); ++i) {
      int id, x1, y1, x2, y2;
      ASSERT_EQ(std::sscanf(records[i].c_str(), "%d: %d %d %d %d", &id, &x1, &y1, &x2, &y2), 5);
      const std::string polygon = "{\"id\":" + std::to_string(id) +
                                  "},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[[" +
                                  std::to_string(x1) + "," + std::to_string(y1) + "],[" +
                                  std::to_string(x2) + "," + std::to_string(y1) + "]";
      EXPECT_NE(geojson.out.find(polygon), std::string::npos) << polygon;
      int32_t row[4];
      std::memcpy(row, npy.out.data() + 128 + i * sizeof row, sizeof row);  // little-endian host
      EXPECT_EQ((std::array<int32_t, 4>{row[0], row[1], row[2], row[3]}),
                (std::array<int32_t, 4>{x1, y1, x2, y2}));
    }
  }
}

}  // namespace
}  // namespace pelmora
