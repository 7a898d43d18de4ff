// The output layer over the real file system: what each kind of name gets, and that a target is
// replaced whole, keeps its mode, and leaves no temporary file behind.
#include "generator/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

// Writes bytes through an output of name and commits it; the status of the whole.
Status WriteThrough(const std::string& name, const std::string& bytes) {
  const std::unique_ptr<Output> output = OpenOutputFile(name, "dataset file");
  output->Write(bytes);
  return output->Commit();
}

mode_t ModeOf(const std::string& name) {
  struct stat info {};
  EXPECT_EQ(stat(name.c_str(), &info), 0) << name;
  return info.st_mode & 07777;
}

class OutputFileTest : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(OutputFileTest, ReplacesAFileOnlyWhenCommitted) {
  const std::string name = folder_.File("data.txt");
  WriteFile(name, "earlier");
  {
    const std::unique_ptr<Output> output = OpenOutputFile(name, "dataset file");
    ASSERT_TRUE(output->status().ok()) << output->status().message();
    output->Write("new");
    EXPECT_EQ(ReadFile(name), "earlier");  // still the earlier file while writing
    ASSERT_TRUE(output->Complete().ok());
    EXPECT_EQ(ReadFile(name), "earlier");  // and once complete, until the commit
    EXPECT_EQ(CountEntries(folder_.path()), 2);
    ASSERT_TRUE(output->Commit().ok());
  }
  EXPECT_EQ(ReadFile(name), "new");
  EXPECT_EQ(CountEntries(folder_.path()), 1);

  // Discarded, completed then discarded, or dropped: the file stays, nothing is left.
  for (int way = 0; way < 3; ++way) {
    const std::unique_ptr<Output> output = OpenOutputFile(name, "dataset file");
    output->Write("abandoned");
    if (way == 1) {
      ASSERT_TRUE(output->Complete().ok());
    }
    if (way != 2) {
      output->Discard();
      EXPECT_FALSE(output->Commit().ok()) << "a discarded output was committed";
    }
  }
  EXPECT_EQ(ReadFile(name), "new");
  EXPECT_EQ(CountEntries(folder_.path()), 1);
}

TEST_F(OutputFileTest, TemporaryNamesAreUnpredictableAndLeftoversNeverBlock) {
  // A thousand leftovers of killed runs, under the names a fixed pool would use.
  for (int i = 0; i < 1000; ++i)
    WriteFile(folder_.File(".pelmora-" + std::to_string(i) + ".tmp"), "");
  const std::string name = folder_.File("data.txt");
  std::string seen;
  for (int i = 0; i < 2; ++i) {
    const std::unique_ptr<Output> output = OpenOutputFile(name, "dataset file");
    ASSERT_TRUE(output->status().ok()) << output->status().message();
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
      const std::string file = entry.path().filename().string();
      if (file.size() == 9 + 16 + 4 && file.starts_with(".pelmora-")) {
        EXPECT_NE(file, seen) << "the same temporary name twice";
        seen = file;
      }
    }
    ASSERT_TRUE(output->Commit().ok());
  }
  EXPECT_FALSE(seen.empty()) << "no temporary file of 16 random digits was seen";
  EXPECT_EQ(CountEntries(folder_.path()), 1001);
}

TEST_F(OutputFileTest, KeepsTheModeOfTheFileItReplaces) {
  const std::string name = folder_.File("private.txt");
  WriteFile(name, "secret");
  for (const mode_t mode : {0600, 0640, 0755, 0604}) {
    chmod(name.c_str(), mode);
    ASSERT_TRUE(WriteThrough(name, "new secret").ok());
    EXPECT_EQ(ModeOf(name), mode);
  }
  // A new file: 0666 less the umask.
  const mode_t mask = umask(022);
  umask(mask);
  const std::string fresh = folder_.File("fresh.txt");
  ASSERT_TRUE(WriteThrough(fresh, "x").ok());
  EXPECT_EQ(ModeOf(fresh), 0666 & ~mask);
}

// The replaced file keeps its owner and group where the process may set them (as root, any).
TEST_F(OutputFileTest, KeepsTheOwnerAndGroupOfTheFileItReplaces) {
  if (geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  const std::string name = folder_.File("owned.txt");
  WriteFile(name, "old");
  const uid_t owner = 65534;  // nobody
  const gid_t group = 65534;
  ASSERT_EQ(chown(name.c_str(), owner, group), 0);
  ASSERT_TRUE(WriteThrough(name, "new").ok());
  struct stat after {};
  ASSERT_EQ(stat(name.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, owner);
  EXPECT_EQ(after.st_gid, group);
  EXPECT_EQ(ReadFile(name), "new");
}

TEST_F(OutputFileTest, LinksAreWrittenThrough) {
  const std::string real = folder_.File("real.txt");
  WriteFile(real, "old");
  chmod(real.c_str(), 0600);
  fs::create_directory(folder_.File("sub"));
  // A relative link from another folder, and a link to that link.
  const std::string link = folder_.File("sub/link.txt");
  const std::string chain = folder_.File("chain.txt");
  fs::create_symlink("../real.txt", link);
  fs::create_symlink(link, chain);
  ASSERT_TRUE(WriteThrough(chain, "fresh").ok());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(chain));
  EXPECT_EQ(ReadFile(real), "fresh");
  EXPECT_EQ(ModeOf(real), 0600u);
  EXPECT_EQ(CountEntries(folder_.path()), 3);  // real.txt, sub, chain.txt
  EXPECT_EQ(CountEntries(folder_.File("sub")), 1);

  // A hard link is another name of the same file: writing the name gives it new contents, the
  // other name keeps the earlier ones (the file is replaced, not rewritten).
  const std::string hard = folder_.File("hard.txt");
  fs::create_hard_link(real, hard);
  ASSERT_TRUE(WriteThrough(real, "newest").ok());
  EXPECT_EQ(ReadFile(real), "newest");
  EXPECT_EQ(ReadFile(hard), "fresh");
}

TEST_F(OutputFileTest, WritesPipesAndDevicesDirectly) {
  EXPECT_TRUE(WriteThrough("/dev/null", "bytes").ok());
  EXPECT_FALSE(fs::is_regular_file("/dev/null"));

  const std::string fifo = folder_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = ReadFile(fifo); });
  const Status written = WriteThrough(fifo, "through the pipe");
  reader.join();
  EXPECT_TRUE(written.ok()) << written.message();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_EQ(CountEntries(folder_.path()), 1);
  EXPECT_TRUE(fs::is_fifo(fifo));

  if (fs::exists("/dev/full")) {
    EXPECT_EQ(WriteThrough("/dev/full", "bytes").message(),
              "Cannot write the dataset file '/dev/full': No space left on device");
  }
}

TEST_F(OutputFileTest, NamesThatAreRefused) {
  struct Case {
    std::string name;
    std::string message;
  };
  const std::string missing = folder_.File("missing/data.txt");
  const std::string dangling = folder_.File("dangling.txt");
  const std::string loop = folder_.File("loop.txt");
  const std::string other = folder_.File("other.txt");
  fs::create_symlink("nowhere.txt", dangling);
  fs::create_symlink(other, loop);
  fs::create_symlink(loop, other);
  const std::string folder = folder_.path().string();
  const Case cases[] = {
      {"", "Cannot create the dataset file: the file name is empty."},
      {missing, "Cannot create the dataset file '" + missing + "': No such file or directory"},
      {folder, "Cannot create the dataset file '" + folder + "': Is a directory"},
      {dangling, "Cannot create the dataset file '" + dangling +
                     "': it is a link to 'nowhere.txt', which does not exist"},
      {loop, "Cannot create the dataset file '" + loop + "': Too many levels of symbolic links"},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<Output> output = OpenOutputFile(c.name, "dataset file");
    EXPECT_EQ(output->status().message(), c.message) << c.name;
    output->Write("x");
    EXPECT_EQ(output->Commit().message(), c.message);
  }
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_TRUE(fs::is_symlink(loop));
  EXPECT_FALSE(fs::exists(folder_.File("nowhere.txt")));
  EXPECT_EQ(CountEntries(folder_.path()), 3);

  // A socket is neither a file nor a pipe nor a device.
  const std::string socketName = folder_.File("socket");
  if (std::system(
          ("/usr/bin/python3 -c \"import socket; s=socket.socket(socket.AF_UNIX); s.bind('" +
           socketName + "')\"")
              .c_str()) == 0) {
    EXPECT_EQ(WriteThrough(socketName, "x").message(),
              "Cannot create the dataset file '" + socketName +
                  "': it is not a regular file, a pipe or a character device");
  }
}

TEST_F(OutputFileTest, ControlCharactersInNamesAreShownEscaped) {
  const std::string name = folder_.File("\x1b]0;owned\x07\n.txt");
  fs::create_directory(name);
  EXPECT_EQ(WriteThrough(name, "x").message(), "Cannot create the dataset file '" +
                                                   folder_.path().string() +
                                                   "/\\x1B]0;owned\\x07\\n.txt': Is a directory");
}

TEST_F(OutputFileTest, ReadOnlyFolderAndFile) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, for whom no folder is read-only";
  const std::string locked = folder_.File("locked");
  const std::string inFolder = locked + "/data.txt";
  const std::string existing = locked + "/mine.txt";
  fs::create_directory(locked);
  WriteFile(existing, "keep in place");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(WriteThrough(inFolder, "x").message(),
            "Cannot create the dataset file '" + inFolder + "': Permission denied");
  // A writable file in a folder that takes no new file is not rewritten in place.
  EXPECT_EQ(WriteThrough(existing, "x").message(),
            "Cannot write the dataset file '" + existing + "': its folder '" + locked +
                "' takes no new file (Permission denied), and a file is only replaced whole; it "
                "is left as it was");
  EXPECT_EQ(ReadFile(existing), "keep in place");
  fs::permissions(locked, fs::perms::owner_all);

  const std::string lockedFile = folder_.File("readonly.txt");
  WriteFile(lockedFile, "keep");
  fs::permissions(lockedFile, fs::perms::owner_read);
  EXPECT_EQ(WriteThrough(lockedFile, "x").message(),
            "Cannot create the dataset file '" + lockedFile + "': Permission denied");
  EXPECT_EQ(ReadFile(lockedFile), "keep");
  EXPECT_EQ(CountEntries(folder_.path()), 2);
}

}  // namespace
}  // namespace pelmora
