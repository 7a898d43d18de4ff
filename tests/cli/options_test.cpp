#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora {
namespace {

ParseOutcome Parse(std::vector<std::string_view> args) { return ParseCommandLine(args); }

TEST(ParseCommandLineTest, DefaultsAreTheWindowsStartValues) {
  const ParseOutcome outcome = Parse({});
  ASSERT_TRUE(outcome.options.has_value()) << outcome.error;
  const GeneratorControls& c = outcome.options->controls;
  const GeneratorControls window;
  EXPECT_EQ(c.rgDimension, 2);
  EXPECT_EQ(c.spWorldX.value, 700);
  EXPECT_EQ(c.spWorldZ.value, 50);
  EXPECT_EQ(c.spBoxes.value, 200);
  EXPECT_EQ(c.spBoxes.maxValue, 100000);
  EXPECT_EQ(c.edfName, "Output.txt");
  EXPECT_FALSE(c.rbSeedConstant);  // the clock makes the seed
  EXPECT_EQ(c.edMean, window.edMean);
  EXPECT_FALSE(outcome.options->picture.has_value());
}

TEST(ParseCommandLineTest, EveryOptionReachesItsControl) {
  const ParseOutcome outcome =
      Parse({"-d", "2", "--world=1000,900", "-n50000", "--high", "10,11,12", "--variable",
             "--allow-zero-size", "--distribution", "gauss", "--mean", "500.5", "--sigma=80",
             "--exponent", "2", "-s", "42", "-o", "g.txt", "-q", "--picture", "p.png", "--size",
             "1200x900", "--percent", "50", "--grid-lines", "7", "--grid-style", "dashdot",
             "--no-grid", "--outline", "--colour", "12A4fe", "--random-colour", "--perspective",
             "-5"});
  ASSERT_TRUE(outcome.options.has_value()) << outcome.error;
  const CliOptions& o = *outcome.options;
  const GeneratorControls& c = o.controls;
  EXPECT_EQ(c.rgDimension, 1);
  EXPECT_EQ(c.spWorldX.value, 1000);
  EXPECT_EQ(c.spWorldY.value, 900);
  EXPECT_EQ(c.spWorldZ.value, 50);  // not given: the default stays
  EXPECT_EQ(c.spBoxes.value, 50000);
  EXPECT_EQ(c.spHighX, 10);
  EXPECT_EQ(c.spHighY, 11);
  EXPECT_EQ(c.spHighZ, 12);
  EXPECT_TRUE(c.cbBoxSize);
  EXPECT_FALSE(c.cbVarBoxSize);
  EXPECT_EQ(c.rbDist, 1);
  EXPECT_EQ(c.edMean, "500.5");
  EXPECT_EQ(c.edSigma, "80");
  EXPECT_EQ(c.rgExponent, 1);
  EXPECT_TRUE(c.rbSeedConstant);
  EXPECT_EQ(c.spSeed, 42);
  EXPECT_EQ(c.edfName, "g.txt");
  EXPECT_TRUE(o.quiet);
  ASSERT_TRUE(o.picture.has_value());
  const PictureOptions& p = *o.picture;
  EXPECT_EQ(p.file, "p.png");
  EXPECT_EQ(p.format, PictureFormat::kPng);
  EXPECT_EQ(p.width, 1200);
  EXPECT_EQ(p.height, 900);
  EXPECT_EQ(p.draw.spPercent, 50);
  EXPECT_EQ(p.draw.spGridLines, 7);
  EXPECT_EQ(p.draw.rgGridStyle, 2);
  EXPECT_FALSE(p.draw.cbShowGrid);
  EXPECT_FALSE(p.draw.cbColouredBoxes);
  EXPECT_EQ(p.draw.boxColour, 0xFEA412u);  // RRGGBB as typed, red in the low byte
  EXPECT_EQ(p.draw.rgBoxColour, 1);
  EXPECT_TRUE(p.draw.cbShow3D);
  EXPECT_EQ(p.draw.spDelta, -5);
}

TEST(ParseCommandLineTest, BadUsageNamesTheOption) {
  struct Case {
    std::vector<std::string_view> args;
    const char* error;
  };
  const Case cases[] = {
      {{"-d", "4"}, "--dimension: expected 1, 2 or 3, got '4'"},
      {{"--boxes", "2147483648"},
       "--boxes: expected a whole number from 1 to 2147483647, got '2147483648'"},
      {{"--boxes", "+5"}, "--boxes: expected a whole number from 1 to 2147483647, got '+5'"},
      {{"--boxes", "99999999999999999999"},
       "--boxes: expected a whole number from 1 to 2147483647, got '99999999999999999999'"},
      {{"--world", "1,2,3,4"},
       "--world: expected one to three whole numbers X,Y,Z from 1 to 100000, got '1,2,3,4'"},
      {{"--world", "10,,3"},
       "--world: expected one to three whole numbers X,Y,Z from 1 to 100000, got '10,,3'"},
      {{"--high", "0"}, "--high: expected one to three whole numbers X,Y,Z from 1 to 100000, got '0'"},
      {{"--seed", "65536"}, "--seed: expected a whole number from 1 to 65535, got '65536'"},
      {{"--mean", "1.234"},
       "--mean: expected a number with at most two decimals, such as 350 or 350.25, got '1.234'"},
      {{"--mean", "1e3"},
       "--mean: expected a number with at most two decimals, such as 350 or 350.25, got '1e3'"},
      {{"--sigma", "350,5"},
       "--sigma: expected a number with at most two decimals, such as 100 or 80.5, got '350,5'"},
      {{"--mean", std::string_view("1000000000000000000000000000000000000000")},
       "--mean: expected a number with at most two decimals, such as 350 or 350.25, got "
       "'1000000000000000000000000000000000000000'"},
      {{"--distribution", "zipf"},
       "--distribution: expected uniform, gauss, skewed, diagonal, bit, sierpinski, clustered or "
       "parcel, got 'zipf'"},
      {{"--exponent", "3"}, "--exponent: expected 1 or 2, got '3'"},
      {{"-o", ""}, "--output: expected a file name, or - for standard output, got ''"},
      {{"-o", "a\nb"}, "--output: expected a file name without line breaks, got 'a\\nb'"},
      {{"--picture", "x.gif"}, "--picture: expected a file name ending in .svg or .png, got 'x.gif'"},
      {{"--picture", "a.svg", "--size", "0x5"},
       "--size: expected WIDTHxHEIGHT, each from 1 to 10000, such as 603x586, got '0x5'"},
      {{"--picture", "a.svg", "--grid-lines", "4"},
       "--grid-lines: expected a whole number from 5 to 100, got '4'"},
      {{"--picture", "a.svg", "--colour", "red"},
       "--colour: expected six hexadecimal digits RRGGBB, got 'red'"},
      {{"--percent", "50"}, "the picture options need --picture FILE"},
      {{"--format", "xml"}, "--format: expected pelmora, csv, wkt, npy or geojson, got 'xml'"},
      {{"--verify", "a.txt", "-n", "5"},
       "--verify checks a file against its own header and takes no other options but --quiet"},
      {{"--from", ""}, "--from: expected the name of a dataset file, got ''"},
      {{"--nope"}, "unknown option '--nope'"},
      {{"-x"}, "unknown option '-x'"},
      {{"--variable=yes"}, "option '--variable' takes no value"},
      {{"-qv"}, "option '-q' takes no value"},
      {{"--seed"}, "option '--seed' needs a value"},
      {{"extra"}, "unexpected argument 'extra'"},
      {{"--", "extra"}, "unexpected argument 'extra'"},
  };
  for (const Case& c : cases) {
    const ParseOutcome outcome = Parse(c.args);
    EXPECT_FALSE(outcome.options.has_value()) << c.error;
    EXPECT_EQ(outcome.error, c.error);
  }
}

TEST(ParseCommandLineTest, FamilyOptionsReachTheirSettings) {
  struct Case {
    std::vector<std::string_view> args;
    int32_t kind;
  };
  const Case cases[] = {
      {{"--distribution", "diagonal", "--diagonal-fraction", "0.25", "--diagonal-width", ".5"},
       kDiagonal},
      {{"--distribution", "bit", "--bit-probability", "1", "--bit-digits", "30"}, kBit},
      {{"--distribution", "sierpinski", "-d", "2"}, kSierpinski},
      {{"--distribution=clustered", "--clusters=100000", "--cluster-sigma=0.001"}, kClustered},
      {{"--distribution", "parcel", "--parcel-split", "0.49", "--parcel-dither", "0"}, kParcel},
  };
  for (const Case& c : cases) {
    const ParseOutcome outcome = Parse(c.args);
    ASSERT_TRUE(outcome.options.has_value()) << outcome.error;
    EXPECT_EQ(DistributionKindOf(outcome.options->controls), c.kind);
    EXPECT_TRUE(outcome.options->generatorOptionGiven);
  }
  const ParseOutcome all =
      Parse({"--diagonal-fraction", "0.25", "--diagonal-width", ".5", "--bit-probability", "1",
             "--bit-digits", "30", "--clusters", "7", "--cluster-sigma", "0.001", "--parcel-split",
             "0.49", "--parcel-dither", "0"});
  ASSERT_TRUE(all.options.has_value()) << all.error;
  // In the order of FamilySettings: fraction, width, probability, digits, clusters, sigma,
  // split, dither.
  EXPECT_EQ(all.options->controls.families,
            (FamilySettings{0.25, 0.5, 1.0, 30, 7, 0.001, 0.49, 0.0}));
  // Defaults as documented.
  EXPECT_EQ(Parse({}).options->controls.families,
            (FamilySettings{0.5, 0.1, 0.2, 10, 10, 0.02, 0.2, 0.2}));
}

TEST(ParseCommandLineTest, BadFamilyValuesNameTheOptionAndItsRange) {
  struct Case {
    std::vector<std::string_view> args;
    const char* error;
  };
  const Case cases[] = {
      {{"--diagonal-fraction", "1.5"},
       "--diagonal-fraction: expected a number from 0 to 1, got '1.5'"},
      {{"--diagonal-fraction", "-0.1"},
       "--diagonal-fraction: expected a number from 0 to 1, got '-0.1'"},
      {{"--diagonal-width", "0"}, "--diagonal-width: expected a number greater than 0, got '0'"},
      {{"--diagonal-width", "1e-3"},
       "--diagonal-width: expected a number greater than 0, got '1e-3'"},
      {{"--bit-probability", "nan"}, "--bit-probability: expected a number from 0 to 1, got 'nan'"},
      {{"--bit-digits", "31"}, "--bit-digits: expected a whole number from 1 to 30, got '31'"},
      {{"--bit-digits", "2.0"}, "--bit-digits: expected a whole number from 1 to 30, got '2.0'"},
      {{"--clusters", "0"}, "--clusters: expected a whole number from 1 to 100000, got '0'"},
      {{"--cluster-sigma", "0.0"}, "--cluster-sigma: expected a number greater than 0, got '0.0'"},
      {{"--parcel-split", "0.5"},
       "--parcel-split: expected a number greater than 0 and less than 0.5, got '0.5'"},
      {{"--parcel-split", "0"},
       "--parcel-split: expected a number greater than 0 and less than 0.5, got '0'"},
      {{"--parcel-dither", "1.01"}, "--parcel-dither: expected a number from 0 to 1, got '1.01'"},
      {{"--distribution", "sierpinski", "-d", "1"},
       "--distribution sierpinski: the chaos game needs a plane or space, so --dimension 2 or 3 "
       "(got 1)"},
      {{"-d", "1", "--distribution", "sierpinski"},
       "--distribution sierpinski: the chaos game needs a plane or space, so --dimension 2 or 3 "
       "(got 1)"},
  };
  for (const Case& c : cases) {
    const ParseOutcome outcome = Parse(c.args);
    EXPECT_FALSE(outcome.options.has_value()) << c.error;
    EXPECT_EQ(outcome.error, c.error);
  }
}

TEST(ParseCommandLineTest, FromStartsFromTheHeaderAndTracksWhatWasGiven) {
  GeneratorControls base;
  base.spBoxes.value = 1234;
  base.edfName = "from-header.txt";
  ParseOutcome outcome = ParseCommandLine(std::vector<std::string_view>{"--from", "f.txt"}, base);
  ASSERT_TRUE(outcome.options.has_value());
  EXPECT_EQ(outcome.options->fromFile, "f.txt");
  EXPECT_EQ(outcome.options->controls.spBoxes.value, 1234);
  EXPECT_FALSE(outcome.options->generatorOptionGiven);
  EXPECT_FALSE(outcome.options->outputGiven);

  outcome = ParseCommandLine(
      std::vector<std::string_view>{"--from", "f.txt", "-n", "9", "--format", "wkt", "-o", "x"},
      base);
  ASSERT_TRUE(outcome.options.has_value());
  EXPECT_EQ(outcome.options->controls.spBoxes.value, 9);
  EXPECT_EQ(outcome.options->format, BoxFormat::kWkt);
  EXPECT_TRUE(outcome.options->generatorOptionGiven);
  EXPECT_TRUE(outcome.options->outputGiven);
}

TEST(HelpTextTest, DocumentsEveryOption) {
  const std::string help = HelpText();
  for (const char* option :
       {"--dimension", "--world", "--boxes", "--high", "--variable", "--allow-zero-size",
        "--distribution", "--mean", "--sigma", "--exponent", "--seed", "--output", "--quiet",
        "--picture", "--size", "--percent", "--grid-lines", "--grid-style", "--no-grid",
        "--outline", "--colour", "--random-colour", "--perspective", "--format", "--verify",
        "--from", "--help", "--version", "--diagonal-fraction", "--diagonal-width",
        "--bit-probability", "--bit-digits", "--clusters", "--cluster-sigma", "--parcel-split",
        "--parcel-dither"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
    const ParseOutcome outcome = Parse({option, "x"});
    EXPECT_EQ(outcome.error.find("unknown option"), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace pelmora
