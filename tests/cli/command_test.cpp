// pelmora-gen as a user runs it: exit status, messages, and the file it leaves.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "generator/generation_run.h"
#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

struct Outcome {
  int status;
  std::string out;  // standard output
  std::string err;  // standard error
};

class CommandTest : public ::testing::Test {
 protected:
  Outcome Run(const std::string& arguments) {
    const std::string errFile = folder_.File("stderr.log");
    const std::string command = "cd '" + folder_.path().string() + "' && " PELMORA_GEN " " +
                                arguments + " 2>'" + errFile + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ReadFile(errFile)};
  }

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
       "pelmora-gen: --boxes: expected a whole number from 1 to 100000, got 'lots'\n"
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

}  // namespace
}  // namespace pelmora
