// pelmora-gen's command in-process, with outputs that fail on request over the real file system:
// one command is one transaction, files are told apart by what they are, and what it reads is
// read in bounded memory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

enum class FailAt { kNever, kWrite, kComplete, kCommit };

// A real output that fails at one step, as a full disk or a lost folder would.
class BrokenOutput final : public Output {
 public:
  BrokenOutput(std::unique_ptr<Output> inner, FailAt at, std::string message)
      : inner_(std::move(inner)), at_(at), message_(std::move(message)) {}
  void Write(std::string_view bytes) override {
    if (at_ == FailAt::kWrite) Fail();
    if (status_.ok()) inner_->Write(bytes);
  }
  const Status& status() const override { return status_.ok() ? inner_->status() : status_; }
  Status Complete() override {
    if (at_ == FailAt::kComplete) Fail();
    return status_.ok() ? inner_->Complete() : status_;
  }
  Status Commit() override {
    if (at_ == FailAt::kCommit) Fail();
    return status_.ok() ? inner_->Commit() : status_;
  }
  void Discard() noexcept override { inner_->Discard(); }

 private:
  void Fail() {
    if (status_.ok()) status_ = Status::Error(message_);
    inner_->Discard();
  }

  std::unique_ptr<Output> inner_;
  FailAt at_;
  std::string message_;
  Status status_;
};

class TransactionTest : public ::testing::Test {
 protected:
  // Runs the command in the test's folder; the output of kind failKind fails at failAt.
  int Run(const std::vector<std::string>& arguments, std::string_view failKind = "",
          FailAt failAt = FailAt::kNever) {
    io_ = CommandIo();
    io_.openOutput = [&](const std::string& name,
                         std::string_view kind) -> std::unique_ptr<Output> {
      auto real = OpenOutputFile(name, kind);
      if (kind != failKind) return real;
      return std::make_unique<BrokenOutput>(
          std::move(real), failAt,
          "Cannot write the " + std::string(kind) + " '" + name + "': No space left on device");
    };
    const std::vector<std::string_view> args(arguments.begin(), arguments.end());
    const WorkingFolder guard(folder_.path());
    return RunCommand(args, io_);
  }

  std::string File(const std::string& name) const { return ReadFile(folder_.File(name)); }

  TempFolder folder_;
  CommandIo io_;
};

TEST_F(TransactionTest, AFailingOutputLeavesEveryEarlierFileAsItWas) {
  WriteFile(folder_.File("boxes.txt"), "earlier dataset");
  WriteFile(folder_.File("view.svg"), "earlier picture");
  WriteFile(folder_.File("boxes.csv"), "earlier csv");
  struct Case {
    std::vector<std::string> arguments;
    std::string_view failKind;
    FailAt at;
    std::string message;
  };
  const std::string full = "': No space left on device\n";
  const Case cases[] = {
      // The picture fails after the dataset is complete: the dataset is not replaced either.
      {{"-s", "1", "-o", "boxes.txt", "--picture", "view.svg"},
       "picture",
       FailAt::kWrite,
       "pelmora-gen: Cannot write the picture 'view.svg" + full},
      {{"-s", "1", "-o", "boxes.txt", "--picture", "view.svg"},
       "picture",
       FailAt::kComplete,
       "pelmora-gen: Cannot write the picture 'view.svg" + full},
      {{"-s", "1", "-o", "boxes.csv", "--format", "csv", "--picture", "view.svg"},
       "picture",
       FailAt::kComplete,
       "pelmora-gen: Cannot write the picture 'view.svg" + full},
      // The dataset fails: the picture, already complete, is not put in place.
      {{"-s", "1", "-o", "boxes.txt", "--picture", "view.svg"},
       "dataset file",
       FailAt::kWrite,
       "pelmora-gen: Cannot write the dataset file 'boxes.txt" + full},
      {{"-s", "1", "-o", "boxes.txt", "--picture", "view.svg"},
       "dataset file",
       FailAt::kCommit,
       "pelmora-gen: Cannot write the dataset file 'boxes.txt" + full},
      {{"-s", "1", "-o", "boxes.csv", "--format", "csv", "--picture", "view.svg"},
       "dataset file",
       FailAt::kComplete,
       "pelmora-gen: Cannot write the dataset file 'boxes.csv" + full},
      // A picture that cannot even be opened stops the run before it starts.
      {{"-s", "1", "-o", "boxes.txt", "--picture", "missing/view.svg"},
       "",
       FailAt::kNever,
       "pelmora-gen: Cannot create the picture 'missing/view.svg': No such file or directory\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.arguments, c.failKind, c.at), kExitFailed) << c.message;
    EXPECT_EQ(io_.err, c.message);
    EXPECT_EQ(File("boxes.txt"), "earlier dataset") << c.message;
    EXPECT_EQ(File("view.svg"), "earlier picture") << c.message;
    EXPECT_EQ(File("boxes.csv"), "earlier csv") << c.message;
    EXPECT_EQ(CountEntries(folder_.path()), 3) << "a temporary file stayed: " << c.message;
  }
  // Without a failure both are replaced.
  ASSERT_EQ(Run({"-q", "-s", "1", "-o", "boxes.txt", "--picture", "view.svg"}), kExitCompleted)
      << io_.err;
  EXPECT_TRUE(File("boxes.txt").starts_with("Pelmora 1.0\r\n"));
  EXPECT_TRUE(File("view.svg").starts_with("<?xml") || File("view.svg").starts_with("<svg"));
}

TEST_F(TransactionTest, FilesThatAreOneAreBadUsage) {
  WriteFile(folder_.File("same.svg"), "picture");
  WriteFile(folder_.File("data.txt"), "dataset");
  fs::create_symlink("same.svg", folder_.File("link.svg"));
  fs::create_symlink("data.txt", folder_.File("link.txt"));
  fs::create_hard_link(folder_.File("data.txt"), folder_.File("hard.txt"));
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"-o", "same.svg", "--picture", "same.svg"},
       "-o and --picture name the same file 'same.svg'"},
      {{"-o", "./same.svg", "--picture", "link.svg"},
       "-o and --picture name the same file 'link.svg'"},
      {{"-o", "new.svg", "--picture", "./new.svg"},
       "-o and --picture name the same file './new.svg'"},
      {{"--from", "data.txt", "-o", "link.txt"},
       "-o names the --from file 'data.txt' itself; name another output, so that it is not "
       "replaced"},
      {{"--from", "data.txt", "-o", "hard.txt", "-n", "5"},
       "-o names the --from file 'data.txt' itself; name another output, so that it is not "
       "replaced"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.arguments), kExitBadUsage) << c.message;
    EXPECT_EQ(io_.err,
              "pelmora-gen: " + c.message + "\nTry 'pelmora-gen --help' for more information.\n");
  }
  EXPECT_EQ(File("same.svg"), "picture");
  EXPECT_EQ(File("data.txt"), "dataset");
  EXPECT_EQ(CountEntries(folder_.path()), 5);
}

TEST_F(TransactionTest, FromRefusesHeaderValuesTheOptionsRefuse) {
  ASSERT_EQ(Run({"-q", "-s", "3", "-n", "20", "-o", "good.txt"}), kExitCompleted) << io_.err;
  const std::string good = File("good.txt");
  struct Case {
    std::string from, to, message;
  };
  const Case cases[] = {
      {"created [1..100000]: 20\r", "created [1..100000]: -5\r",
       "line 7: the box count: expected a whole number from 1 to 2147483647, got '-5' in "
       "'  Boxes created [1..100000]: -5'"},
      {"Seed [1..65535]: 3\r", "Seed [1..65535]: 70000\r",
       "line 12: the seed: expected a whole number from 1 to 65535, got '70000' in "
       "'  Seed [1..65535]: 70000'"},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    bad.replace(bad.find(c.from), c.from.size(), c.to);
    WriteFile(folder_.File("bad.txt"), bad);
    EXPECT_EQ(Run({"--from", "bad.txt", "-o", "out.txt"}), kExitFailed);
    EXPECT_EQ(io_.err, "pelmora-gen: 'bad.txt': cannot read the header: " + c.message + "\n");
    EXPECT_FALSE(fs::exists(folder_.File("out.txt")));
    EXPECT_EQ(Run({"--verify", "bad.txt"}), kExitFailed);
    EXPECT_EQ(io_.out, "bad.txt: cannot read the header: " + c.message + "\n");
  }
}

TEST_F(TransactionTest, WhatIsReadIsReadInBoundedMemory) {
  ASSERT_EQ(Run({"-q", "-s", "3", "-n", "20", "-o", "good.txt"}), kExitCompleted) << io_.err;
  std::string lf;
  for (const char c : File("good.txt")) {
    if (c != '\r') lf += c;
  }
  WriteFile(folder_.File("lf.txt"), lf);
  fs::create_directory(folder_.File("folder"));
  EXPECT_EQ(Run({"--verify", "lf.txt"}), kExitFailed);
  EXPECT_EQ(io_.out, "lf.txt: line 1 ends in LF, expected CR LF\n");

  const std::string longLine =
      "cannot read the header: line 1 is longer than any line of a dataset file (more than 4160 "
      "bytes): '";
  struct Case {
    std::vector<std::string> arguments;
    std::string out, err;
  };
  std::string zeros;
  for (int i = 0; i < 80; ++i) zeros += "\\x00";
  const Case cases[] = {
      {{"--verify", "folder"}, "", "pelmora-gen: Cannot read 'folder': Is a directory\n"},
      {{"--from", "folder", "-o", "x.txt"},
       "",
       "pelmora-gen: Cannot read 'folder': Is a directory\n"},
      {{"--verify", "/dev/zero"}, "/dev/zero: " + longLine + zeros + "...'\n", ""},
      {{"--from", "/dev/zero", "-o", "x.txt"},
       "",
       "pelmora-gen: '/dev/zero': " + longLine + zeros + "...'\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.arguments), kExitFailed) << c.arguments[1];
    EXPECT_EQ(io_.out, c.out);
    EXPECT_EQ(io_.err, c.err);
  }
  EXPECT_FALSE(fs::exists(folder_.File("x.txt")));
}

TEST_F(TransactionTest, NamesAreShownWithControlCharactersEscaped) {
  const std::string name = "\x1b[31mred\x1b[0m.txt";
  ASSERT_EQ(Run({"-s", "2", "-n", "5", "-o", name}), kExitCompleted) << io_.err;
  EXPECT_EQ(io_.out, "\\x1B[31mred\\x1B[0m.txt: 5 boxes, seed 2\n");
  EXPECT_EQ(Run({"--verify", name}), kExitCompleted);
  EXPECT_EQ(io_.out, "\\x1B[31mred\\x1B[0m.txt: identical\n");
  EXPECT_EQ(Run({"-o", "missing/\x07.txt"}), kExitFailed);
  EXPECT_EQ(io_.err,
            "pelmora-gen: Cannot create the dataset file 'missing/\\x07.txt': No such file or "
            "directory\n");
}

TEST_F(TransactionTest, RunsWithoutASeedDoNotRepeatOneAnother) {
  // Five runs in a row, well within one second: without -s each draws its own seed.
  std::set<std::string> seeds;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(Run({"-n", "3", "-o", "r.txt"}), kExitCompleted) << io_.err;
    const size_t at = io_.out.find("random seed ");
    ASSERT_NE(at, std::string::npos) << io_.out;
    seeds.insert(io_.out.substr(at, io_.out.find(' ', at + 12) - at));
  }
  EXPECT_GE(seeds.size(), 4u) << "runs in the same second share their seeds";
}

}  // namespace
}  // namespace pelmora
