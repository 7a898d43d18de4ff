// Runs whose output fails for real: a file that may not grow past a size (the write or the close
// fails, as on a full disk), a device that is always full, names that cannot be written, and a
// read-only folder as a user for whom it is read-only. Each must leave the earlier file of that
// name, the box table and the scene settings as they were, and say why.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "generator/generation_run.h"
#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

// What happened to the output of the latest run.
struct OutputRecord {
  int writes = 0;
  int failedWrite = 0;  // the number of the first write that failed, 0 if none did
  bool commitFailed = false;
};

// Passes everything to the real output and notes in *record which call failed first.
class SpyOutput final : public Output {
 public:
  SpyOutput(std::unique_ptr<Output> inner, OutputRecord* record)
      : inner_(std::move(inner)), record_(record) {}
  void Write(std::string_view bytes) override {
    ++record_->writes;
    inner_->Write(bytes);
    if (!inner_->status().ok() && record_->failedWrite == 0) record_->failedWrite = record_->writes;
  }
  const Status& status() const override { return inner_->status(); }
  Status Complete() override { return inner_->Complete(); }
  Status Commit() override {
    const bool failedBefore = !inner_->status().ok();
    Status committed = inner_->Commit();
    record_->commitFailed = !failedBefore && !committed.ok();
    return committed;
  }
  void Discard() noexcept override { inner_->Discard(); }

 private:
  std::unique_ptr<Output> inner_;
  OutputRecord* record_;
};

// Files this process writes may not grow past bytes while the guard lives. SIGXFSZ is ignored,
// so that a write past the limit fails with EFBIG, as one on a full disk fails with ENOSPC.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0) << std::strerror(errno);
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  sighandler_t previousHandler_;
};

// Runs over real files after an earlier completed run, and what a failed run must leave.
class FaultTest : public ::testing::Test {
 protected:
  FaultTest() {
    controls_.rbSeedConstant = true;
    controls_.edfName = folder_.File("Output.txt");
    services_.openDataset = [this](const std::string& name) {
      output_ = OutputRecord();
      return std::make_unique<SpyOutput>(OpenDatasetFile(name), &output_);
    };
  }

  void SetUp() override {
    ASSERT_EQ(GenerateDataset(controls_, *state_, services_).end, RunEnd::kCompleted);
    earlierFile_ = ReadFile(controls_.edfName);
    earlierBox_ = state_->boxTable[1];
    earlierSource_ = state_->randomSource;
    controls_.spSeed = 2;
  }

  RunResult Run() { return GenerateDataset(controls_, *state_, services_); }

  void ExpectNothingChanged(const RunResult& result, const std::string& message) {
    EXPECT_EQ(result.end, RunEnd::kFailed);
    EXPECT_EQ(result.message, message);
    EXPECT_EQ(ReadFile(folder_.File("Output.txt")), earlierFile_);
    EXPECT_EQ(CountEntries(folder_.path()), 1) << "a temporary file stayed behind";
    EXPECT_EQ(state_->sceneSettings.boxCount, 200);
    EXPECT_EQ(state_->sceneSettings.lastSeed, 1);
    EXPECT_TRUE(state_->boxTable[1] == earlierBox_);
    EXPECT_EQ(state_->randomSource.StateLow, earlierSource_.StateLow);
    EXPECT_EQ(state_->randomSource.StateHigh, earlierSource_.StateHigh);
  }

  TempFolder folder_;
  GeneratorControls controls_;
  std::unique_ptr<GeneratorState> state_ = std::make_unique<GeneratorState>();
  RunServices services_;
  OutputRecord output_;
  std::string earlierFile_;
  BoxRecord earlierBox_;
  RandomSource earlierSource_;
};

TEST_F(FaultTest, WriteThatFailsPartWayThroughTheFile) {
  controls_.spBoxes.value = 50000;  // about 1.4 MB, handed over 64 KB at a time
  RunResult result;
  {
    const FileSizeLimit limit(300000);
    result = Run();
  }
  EXPECT_GE(output_.failedWrite, 4) << "the file should fail after several good writes";
  EXPECT_FALSE(output_.commitFailed);
  ExpectNothingChanged(result,
                       "Cannot write the dataset file '" + controls_.edfName + "': File too large");
}

TEST_F(FaultTest, TheOnlyWriteFails) {
  // A few boxes are handed over in one write, at the end, which is where they fail.
  controls_.spBoxes.value = 20;
  RunResult result;
  {
    const FileSizeLimit limit(100);
    result = Run();
  }
  EXPECT_EQ(output_.writes, 1);
  EXPECT_EQ(output_.failedWrite, 1);
  ExpectNothingChanged(result,
                       "Cannot write the dataset file '" + controls_.edfName + "': File too large");
}

TEST_F(FaultTest, DeviceThatIsFull) {
  // /dev/full takes nothing: the first write fails, for a large run as for a small one.
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  controls_.edfName = "/dev/full";
  for (const int32_t boxes : {50000, 20}) {
    controls_.spBoxes.value = boxes;
    const RunResult result = Run();
    EXPECT_FALSE(output_.commitFailed) << boxes;
    EXPECT_EQ(output_.failedWrite, 1) << boxes;
    ExpectNothingChanged(result,
                         "Cannot write the dataset file '/dev/full': No space left on device");
  }
}

TEST_F(FaultTest, NamesThatCannotBeWritten) {
  WriteFile(folder_.File("plain.txt"), "a file");
  fs::create_directory(folder_.File("folder"));
  struct Case {
    std::string name;
    std::string message;
  };
  const std::string folder = folder_.File("folder");
  const std::string fileAsFolder = folder_.File("plain.txt/Output.txt");
  const Case cases[] = {
      {"", "Cannot create the dataset file: the file name is empty."},
      {folder, "Cannot create the dataset file '" + folder + "': Is a directory"},
      {folder + "/", "Cannot create the dataset file '" + folder + "/': Is a directory"},
      {fileAsFolder, "Cannot create the dataset file '" + fileAsFolder + "': Not a directory"},
  };
  for (const Case& c : cases) {
    controls_.edfName = c.name;
    const RunResult result = Run();
    EXPECT_EQ(result.end, RunEnd::kFailed) << c.name;
    EXPECT_EQ(result.message, c.message);
    EXPECT_EQ(ReadFile(folder_.File("Output.txt")), earlierFile_);
    EXPECT_EQ(ReadFile(folder_.File("plain.txt")), "a file");
    EXPECT_EQ(CountEntries(folder_.path()), 3) << "something was created for " << c.name;
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_EQ(state_->sceneSettings.boxCount, 200);
    EXPECT_EQ(state_->randomSource.StateLow, earlierSource_.StateLow);
  }
}

// What a run in a folder of limited rights did, as seen by the user who ran it.
struct Outcome {
  int end = -1;
  std::string message;
  bool stateKept = false;  // box table, scene settings and random source as after the earlier run
  bool fileKept = false;   // the file named holds what it held before the run
};

// Runs body as a user without rights to the folders of the test: as the user "nobody" (65534)
// in a child process when this one runs as root, for whom nothing is read-only, or in this
// process otherwise. body returns one line per run: "end|stateKept|fileKept|message".
std::vector<Outcome> AsUnprivilegedUser(const std::function<std::string()>& body,
                                        std::string* skipReason) {
  std::string report;
  if (geteuid() != 0) {
    report = body();
  } else {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
      *skipReason = "no pipe";
      return {};
    }
    const pid_t child = fork();
    if (child == 0) {
      close(pipeEnds[0]);
      std::string text;
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
        text = "!cannot become the user nobody: " + std::string(std::strerror(errno));
      } else {
        text = body();
      }
      ssize_t ignored = write(pipeEnds[1], text.data(), text.size());
      (void)ignored;
      close(pipeEnds[1]);
      _exit(0);
    }
    close(pipeEnds[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) report.append(buffer, got);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      *skipReason = "the unprivileged run did not end normally";
      return {};
    }
  }
  if (report.starts_with("!")) {
    *skipReason = report.substr(1);
    return {};
  }
  std::vector<Outcome> outcomes;
  size_t start = 0;
  while (start < report.size()) {
    const size_t end = report.find('\n', start);
    const std::string line = report.substr(start, end - start);
    Outcome outcome;
    outcome.end = line[0] - '0';
    outcome.stateKept = line[2] == '1';
    outcome.fileKept = line[4] == '1';
    outcome.message = line.substr(6);
    outcomes.push_back(outcome);
    start = end + 1;
  }
  return outcomes;
}

std::string Line(const RunResult& result, bool stateKept, bool fileKept) {
  return std::to_string(static_cast<int>(result.end)) + "|" + (stateKept ? "1" : "0") + "|" +
         (fileKept ? "1" : "0") + "|" + result.message + "\n";
}

TEST(ReadOnlyFolderTest, RunsAsAUserWhoMayNotWriteThere) {
  const TempFolder folder;
  const bool root = geteuid() == 0;
  // open/: anyone may create files. locked/: no new file. mine.txt in locked/ may be written by
  // the user; theirs.txt in open/ may not.
  const std::string open = folder.File("open");
  const std::string locked = folder.File("locked");
  fs::create_directory(open);
  fs::create_directory(locked);
  const std::string mine = locked + "/mine.txt";
  const std::string theirs = open + "/theirs.txt";
  WriteFile(mine, "mine before");
  WriteFile(theirs, "theirs before");
  chmod(open.c_str(), root ? 0777 : 0755);
  chmod(theirs.c_str(), root ? 0644 : 0444);  // root owns it; for its owner, read-only
  chmod(mine.c_str(), 0666);
  chmod(locked.c_str(), root ? 0755 : 0555);  // root owns it; for its owner, read-only
  const std::string newInLocked = locked + "/new.txt";
  struct Unlock {
    std::string folder;
    ~Unlock() { chmod(folder.c_str(), 0755); }  // so that the folder can be removed
  } unlock{locked};

  std::string skipReason;
  const std::vector<Outcome> outcomes = AsUnprivilegedUser(
      [&] {
        auto state = std::make_unique<GeneratorState>();
        GeneratorControls c;
        c.rbSeedConstant = true;
        c.spBoxes.value = 30;
        c.edfName = open + "/earlier.txt";
        if (GenerateDataset(c, *state, RunServices()).end != RunEnd::kCompleted) {
          return std::string("!the earlier run failed");
        }
        const BoxRecord box = state->boxTable[1];
        const uint32_t low = state->randomSource.StateLow;
        const auto kept = [&] {
          return state->sceneSettings.boxCount == 30 && state->boxTable[1] == box &&
                 state->randomSource.StateLow == low;
        };
        std::string report;
        c.spSeed = 5;
        for (const std::string& name : {newInLocked, theirs}) {
          c.edfName = name;
          const RunResult result = GenerateDataset(c, *state, RunServices());
          report += Line(result, kept(), true);
        }
        // A writable file in a folder that takes no new file is never written over in place:
        // the run fails and the file stays, also where a write in place would fail half way.
        c.edfName = mine;
        c.spBoxes.value = 2000;
        {
          const FileSizeLimit limit(1000);
          const RunResult result = GenerateDataset(c, *state, RunServices());
          report += Line(result, kept(), ReadFile(mine) == "mine before");
        }
        c.spBoxes.value = 30;
        report += Line(GenerateDataset(c, *state, RunServices()), kept(),
                       ReadFile(mine) == "mine before");
        return report;
      },
      &skipReason);
  if (!skipReason.empty()) GTEST_SKIP() << skipReason;
  ASSERT_EQ(outcomes.size(), 4u);

  for (int i = 0; i < 2; ++i) {
    const std::string name = i == 0 ? newInLocked : theirs;
    EXPECT_EQ(outcomes[i].end, static_cast<int>(RunEnd::kFailed)) << name;
    EXPECT_EQ(outcomes[i].message,
              "Cannot create the dataset file '" + name + "': Permission denied");
    EXPECT_TRUE(outcomes[i].stateKept) << name;
  }
  EXPECT_FALSE(fs::exists(newInLocked));
  EXPECT_EQ(ReadFile(theirs), "theirs before");
  EXPECT_EQ(CountEntries(locked), 1) << "a temporary file was left in the locked folder";

  for (int i = 2; i < 4; ++i) {
    EXPECT_EQ(outcomes[i].end, static_cast<int>(RunEnd::kFailed));
    EXPECT_EQ(outcomes[i].message, "Cannot write the dataset file '" + mine + "': its folder '" +
                                       locked +
                                       "' takes no new file (Permission denied), and a "
                                       "file is only replaced whole; it is left as it was");
    EXPECT_TRUE(outcomes[i].stateKept);
    EXPECT_TRUE(outcomes[i].fileKept) << "the file was written over in place";
  }
  EXPECT_EQ(ReadFile(mine), "mine before");
  EXPECT_EQ(CountEntries(locked), 1);
}

}  // namespace
}  // namespace pelmora
