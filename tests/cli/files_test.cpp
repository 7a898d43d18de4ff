// pelmora-gen's files as the processes that write them die, race and run out of room: killed at
// random points, ended by signals, run five at a time, cut short by a file-size limit or a full
// file system, writing to a full standard output. Whatever happens, a target holds its earlier
// contents or the complete new ones, and no temporary file stays (but after SIGKILL, where a
// leftover never stops a later run).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

struct Exit {
  bool signalled = false;
  int code = -1;  // the exit status, or the signal
};

// Starts pelmora-gen in folder with arguments; standard output and error go to files there
// ("out.log", "err.log") unless stdoutFile names another. fileSizeLimit > 0 sets RLIMIT_FSIZE
// (and ignores SIGXFSZ, so that a write past it fails as on a full disk).
pid_t Start(const fs::path& folder, const std::vector<std::string>& arguments,
            const std::string& stdoutFile = "out.log", rlim_t fileSizeLimit = 0) {
  const pid_t child = fork();
  if (child != 0) return child;
  if (chdir(folder.c_str()) != 0) _exit(120);
  const int out = open(stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open("err.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0 || err < 0) _exit(121);
  dup2(out, STDOUT_FILENO);
  dup2(err, STDERR_FILENO);
  if (fileSizeLimit > 0) {
    rlimit limit{fileSizeLimit, fileSizeLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);
  }
  // PELMORA_GEN is a command of words (an emulator, then the program, in a cross build).
  std::vector<std::string> words;
  std::istringstream command(PELMORA_GEN);
  for (std::string word; command >> word;) words.push_back(word);
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(122);
}

Exit Wait(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  Exit exit;
  exit.signalled = WIFSIGNALED(status);
  exit.code = exit.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
  return exit;
}

Exit RunToEnd(const fs::path& folder, const std::vector<std::string>& arguments,
              const std::string& stdoutFile = "out.log", rlim_t fileSizeLimit = 0) {
  return Wait(Start(folder, arguments, stdoutFile, fileSizeLimit));
}

// The temporary files in folder.
int Temporaries(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with(".pelmora-")) ++count;
  }
  return count;
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef PELMORA_HAS_PICTURE
    GTEST_SKIP() << "this build draws no pictures";
#endif
  }

  std::string File(const std::string& name) const {
    return ReadFile(folder_.File(name));
  }

  TempFolder folder_;
};

// The pictures of these tests: PNG, or SVG where pelmora-gen was built without PNG pictures.
const std::string kBigPictureName = std::string("big.") + PELMORA_TEST_PICTURE;
const std::string kViewPictureName = std::string("view.") + PELMORA_TEST_PICTURE;

const std::vector<std::string> kBigRun = {"-q", "-s", "1", "-n", "100000", "-o", "big.txt"};
const std::vector<std::string> kBigPicture = {
    "-q",     "-s",       "1", "-n", "100000", "-o", "big.txt", "--picture", kBigPictureName,
    "--size", "2500x2500"};

TEST_F(FilesTest, KillsAtRandomPointsLeaveEarlierOrCompleteFiles) {
  // The complete files, made once.
  ASSERT_EQ(RunToEnd(folder_.path(), kBigPicture).code, 0) << File("err.log");
  const std::string dataset = File("big.txt");
  const std::string picture = File(kBigPictureName);
  WriteFile(folder_.File("big.txt"), "earlier dataset");
  WriteFile(folder_.File(kBigPictureName), "earlier picture");
  std::mt19937 random(12345);
  for (int kill = 0; kill < 12; ++kill) {
    const pid_t child = Start(folder_.path(), kBigPicture);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 1500000));
    ::kill(child, SIGKILL);
    Wait(child);
    const std::string nowDataset = File("big.txt");
    const std::string nowPicture = File(kBigPictureName);
    EXPECT_TRUE(nowDataset == "earlier dataset" || nowDataset == dataset) << "kill " << kill;
    EXPECT_TRUE(nowPicture == "earlier picture" || nowPicture == picture) << "kill " << kill;
    // Both or neither: the picture is only put in place after the dataset.
    EXPECT_FALSE(nowDataset == "earlier dataset" && nowPicture == picture) << "kill " << kill;
  }
  // Leftovers of the killed runs never stop a later one.
  ASSERT_EQ(RunToEnd(folder_.path(), kBigPicture).code, 0) << File("err.log");
  EXPECT_EQ(File("big.txt"), dataset);
  EXPECT_EQ(File(kBigPictureName), picture);
}

TEST_F(FilesTest, SignalsRemoveTemporaryFilesAndEndTheUsualWay) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    WriteFile(folder_.File("big.txt"), "earlier dataset");
    WriteFile(folder_.File(kBigPictureName), "earlier picture");
    bool signalled = false;
    for (int attempt = 0; attempt < 5 && !signalled; ++attempt) {
      const pid_t child = Start(folder_.path(), kBigPicture);
      // Once both temporary files exist the run is under way.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (Temporaries(folder_.path()) < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      ::kill(child, signal);
      const Exit exit = Wait(child);
      if (!exit.signalled && exit.code == 0) {
        // It completed before the signal came: the files are the new ones. Try again.
        WriteFile(folder_.File("big.txt"), "earlier dataset");
        WriteFile(folder_.File(kBigPictureName), "earlier picture");
        continue;
      }
      signalled = true;
      EXPECT_TRUE(exit.signalled) << "signal " << signal << ", exit " << exit.code;
      EXPECT_EQ(exit.code, signal);
      EXPECT_EQ(Temporaries(folder_.path()), 0) << "signal " << signal;
      EXPECT_EQ(File("big.txt"), "earlier dataset");
      EXPECT_EQ(File(kBigPictureName), "earlier picture");
    }
    EXPECT_TRUE(signalled) << "every run completed before signal " << signal;
  }
}

TEST_F(FilesTest, ConcurrentRunsToOneTargetLeaveOneCompleteFile) {
  for (const int runs : {2, 5}) {
    std::vector<pid_t> children;
    for (int i = 0; i < runs; ++i) {
      children.push_back(Start(folder_.path(),
                               {"-q", "-s", std::to_string(i + 1), "-n", "50000", "-o", "one.txt",
                                "--picture", "one.svg"},
                               "out" + std::to_string(i) + ".log"));
    }
    for (const pid_t child : children) {
      const Exit exit = Wait(child);
      EXPECT_FALSE(exit.signalled);
      EXPECT_EQ(exit.code, 0) << File("err.log");
    }
    EXPECT_EQ(Temporaries(folder_.path()), 0) << runs << " runs";
    ASSERT_EQ(RunToEnd(folder_.path(), {"--verify", "one.txt"}).code, 0) << File("out.log");
    EXPECT_EQ(File("out.log"), "one.txt: identical\n");
    EXPECT_TRUE(File("one.svg").ends_with("</svg>\n")) << runs << " runs";
  }
}

TEST_F(FilesTest, AFileSizeLimitOrAFullFileSystemKeepsTheEarlierFile) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"-s", "1", "-n", "20000", "-o", "data.txt"},
       "pelmora-gen: Cannot write the dataset file 'data.txt': File too large\n"},
      {{"-s", "1", "-n", "5000", "-o", "data.txt", "--picture", kViewPictureName, "--size",
        "1500x1500", "--random-colour"},
       "pelmora-gen: Cannot write the picture '" + kViewPictureName + "': File too large\n"},
  };
  for (const Case& c : cases) {
    WriteFile(folder_.File("data.txt"), "earlier");
    WriteFile(folder_.File(kViewPictureName), "earlier picture");
    // The dataset of 5000 boxes (140 kB) fits, their picture (210 kB) does not.
    const Exit exit = RunToEnd(folder_.path(), c.arguments, "out.log", 180000);
    EXPECT_EQ(exit.code, 1) << c.message;
    EXPECT_EQ(File("err.log"), c.message);
    EXPECT_TRUE(File("data.txt") == "earlier");
    EXPECT_TRUE(File(kViewPictureName) == "earlier picture");
    EXPECT_EQ(Temporaries(folder_.path()), 0);
  }

  // A small tmpfs, where this process may mount one.
  const fs::path mountPoint = folder_.path() / "small";
  fs::create_directory(mountPoint);
  if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
  }
  struct Unmount {
    fs::path path;
    ~Unmount() { umount(path.c_str()); }
  } unmount{mountPoint};
  WriteFile((mountPoint / "data.txt").string(), "earlier");
  const Exit exit = RunToEnd(folder_.path(), {"-s", "1", "-n", "20000", "-o", "small/data.txt"});
  EXPECT_EQ(exit.code, 1);
  EXPECT_EQ(
      File("err.log"),
      "pelmora-gen: Cannot write the dataset file 'small/data.txt': No space left on device\n");
  EXPECT_EQ(ReadFile((mountPoint / "data.txt").string()), "earlier");
  EXPECT_EQ(CountEntries(mountPoint), 1);
}

TEST_F(FilesTest, AReplacedFileKeepsItsModeAndLinksStay) {
  WriteFile(folder_.File("private.txt"), "secret");
  chmod(folder_.File("private.txt").c_str(), 0600);
  ASSERT_EQ(RunToEnd(folder_.path(), {"-q", "-s", "1", "-o", "private.txt"}).code, 0);
  struct stat info {};
  ASSERT_EQ(stat(folder_.File("private.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);

  // A dangling link and a link loop are refused and stay links.
  fs::create_symlink("nowhere.txt", folder_.File("dangling.txt"));
  fs::create_symlink("loop.txt", folder_.File("loop.txt"));
  EXPECT_EQ(RunToEnd(folder_.path(), {"-q", "-o", "dangling.txt"}).code, 1);
  EXPECT_EQ(File("err.log"),
            "pelmora-gen: Cannot create the dataset file 'dangling.txt': it is a link to "
            "'nowhere.txt', which does not exist\n");
  EXPECT_EQ(RunToEnd(folder_.path(), {"-q", "-o", "loop.txt"}).code, 1);
  EXPECT_TRUE(fs::is_symlink(folder_.File("dangling.txt")));
  EXPECT_TRUE(fs::is_symlink(folder_.File("loop.txt")));
  EXPECT_FALSE(fs::exists(folder_.File("nowhere.txt")));
}

// A dataset larger than what standard output holds back is passed on as it is made: it arrives
// whole and verifies, and the failure of a short one still writes nothing there.
TEST_F(FilesTest, StandardOutputCarriesADatasetOfAnySize) {
  const Exit big = RunToEnd(folder_.path(), {"-s", "3", "-n", "300000", "-o", "-"}, "big.txt");
  ASSERT_EQ(big.code, 0) << File("err.log");
  ASSERT_GT(fs::file_size(folder_.File("big.txt")), 4u << 20);
  EXPECT_EQ(RunToEnd(folder_.path(), {"--verify", "big.txt"}).code, 0) << File("out.log");

  const Exit refused = RunToEnd(folder_.path(), {"-s", "3", "-w", "10", "-o", "-"}, "small.txt");
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(fs::file_size(folder_.File("small.txt")), 0u);
}

TEST_F(FilesTest, AFullStandardOutputIsAnError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  ASSERT_EQ(RunToEnd(folder_.path(), {"-q", "-s", "1", "-o", "good.txt"}).code, 0);
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"-s", "1", "-o", "-"},
       "pelmora-gen: Cannot write the dataset to standard output: No space left on device\n"},
      {{"--help"}, "pelmora-gen: Cannot write to standard output: No space left on device\n"},
      {{"--verify", "good.txt"},
       "pelmora-gen: Cannot write to standard output: No space left on device\n"},
      {{"-s", "1", "-o", "other.txt"},
       "pelmora-gen: Cannot write to standard output: No space left on device\n"},
  };
  for (const Case& c : cases) {
    const Exit exit = RunToEnd(folder_.path(), c.arguments, "/dev/full");
    EXPECT_FALSE(exit.signalled);
    EXPECT_EQ(exit.code, 1) << c.arguments[0];
    EXPECT_EQ(File("err.log"), c.message);
  }
}

}  // namespace
}  // namespace pelmora
