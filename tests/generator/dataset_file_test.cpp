#include "generator/dataset_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/generator/temp_folder.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

// Collects what a writer hands over, failing at the write numbered failAt (1-based) if set.
class MemorySink : public DatasetSink {
 public:
  explicit MemorySink(int failAt = 0) : failAt_(failAt) {}
  bool Write(const char* data, size_t size) override {
    ++writes;
    if (writes == failAt_) return false;
    bytes.append(data, size);
    return true;
  }
  bool Finish() override { return true; }
  void Discard() noexcept override {}
  std::string Error() const override { return "failed"; }

  std::string bytes;
  int writes = 0;

 private:
  int failAt_;
};

TEST(DatasetWriterTest, FormatsLinesWithCrLf) {
  MemorySink sink;
  DatasetWriter out(sink);
  out.Text("a\nb").Int(-2147483647 - 1).Text(" ").Int(0).Text(" ").Int(2147483647).LineEnd();
  out.Fixed2(350.5).Text(" ").Fixed2(350.01f).Text(" ").Fixed2(100.0).Text(" ").Fixed2(0.125);
  ASSERT_TRUE(out.Flush());
  EXPECT_EQ(sink.bytes, "a\r\nb-2147483648 0 2147483647\r\n350.50 350.01 100.00 0.12");
}

TEST(DatasetWriterTest, LargeOutputArrivesWholeAndAFailedWriteSticks) {
  MemorySink sink;
  DatasetWriter out(sink);
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    out.Int(i).LineEnd();
    expected += std::to_string(i) + "\r\n";
  }
  ASSERT_TRUE(out.Flush());
  EXPECT_GT(sink.writes, 1);
  EXPECT_EQ(sink.bytes, expected);

  MemorySink failing(2);
  DatasetWriter broken(failing);
  for (int i = 0; i < 100000; ++i) broken.Int(i).LineEnd();
  EXPECT_TRUE(broken.failed());
  EXPECT_FALSE(broken.Flush());
  EXPECT_EQ(failing.writes, 2);  // nothing more is handed over after the failure
}

class DatasetFileTest : public ::testing::Test {
 protected:
  bool WriteThrough(const std::string& name, const std::string& bytes, bool finish,
                    std::string* error) {
    auto sink = OpenDatasetFile(name, error);
    if (!sink) return false;
    if (!sink->Write(bytes.data(), bytes.size())) {
      *error = sink->Error();
      return false;
    }
    if (!finish) {
      sink->Discard();
      return true;
    }
    if (!sink->Finish()) {
      *error = sink->Error();
      return false;
    }
    return true;
  }

  TempFolder folder_;
};

TEST_F(DatasetFileTest, ReplacesAFileOnlyWhenFinished) {
  const std::string name = folder_.File("data.txt");
  WriteFile(name, "earlier");
  std::string error;
  {
    auto sink = OpenDatasetFile(name, &error);
    ASSERT_NE(sink, nullptr) << error;
    ASSERT_TRUE(sink->Write("new", 3));
    EXPECT_EQ(ReadFile(name), "earlier");  // still the earlier file while writing
    ASSERT_TRUE(sink->Finish());
  }
  EXPECT_EQ(ReadFile(name), "new");
  EXPECT_EQ(CountEntries(folder_.path()), 1);

  ASSERT_TRUE(WriteThrough(name, "abandoned", false, &error));
  EXPECT_EQ(ReadFile(name), "new");
  EXPECT_EQ(CountEntries(folder_.path()), 1);

  // A sink dropped without Finish abandons its output too.
  { auto sink = OpenDatasetFile(name, &error); ASSERT_TRUE(sink->Write("x", 1)); }
  EXPECT_EQ(ReadFile(name), "new");
  EXPECT_EQ(CountEntries(folder_.path()), 1);
}

TEST_F(DatasetFileTest, ALinkKeepsPointingAtTheNewContents) {
  const std::string real = folder_.File("real.txt");
  const std::string link = folder_.File("link.txt");
  WriteFile(real, "old");
  fs::create_symlink(real, link);
  std::string error;
  ASSERT_TRUE(WriteThrough(link, "fresh", true, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "fresh");
}

TEST_F(DatasetFileTest, WritesDevicesDirectly) {
  std::string error;
  EXPECT_TRUE(WriteThrough("/dev/null", "bytes", true, &error)) << error;
  EXPECT_TRUE(fs::exists("/dev/null"));
  EXPECT_FALSE(fs::is_regular_file("/dev/null"));
}

TEST_F(DatasetFileTest, NamesThatCannotBeWritten) {
  struct Case {
    std::string name;
    std::string message;
  };
  const std::string missing = folder_.File("missing/data.txt");
  const Case cases[] = {
      {"", "Cannot create the dataset file: the file name is empty."},
      {missing, "Cannot create the dataset file '" + missing + "': No such file or directory"},
      {folder_.path().string(),
       "Cannot create the dataset file '" + folder_.path().string() + "': Is a directory"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(OpenDatasetFile(c.name, &error), nullptr) << c.name;
    EXPECT_EQ(error, c.message);
  }
  EXPECT_EQ(CountEntries(folder_.path()), 0);
}

TEST_F(DatasetFileTest, ReadOnlyFolderAndFile) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, for whom no folder is read-only";
  const std::string inFolder = folder_.File("locked/data.txt");
  fs::create_directory(folder_.File("locked"));
  fs::permissions(folder_.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  std::string error;
  EXPECT_EQ(OpenDatasetFile(inFolder, &error), nullptr);
  EXPECT_EQ(error, "Cannot create the dataset file '" + inFolder + "': Permission denied");

  const std::string lockedFile = folder_.File("readonly.txt");
  WriteFile(lockedFile, "keep");
  fs::permissions(lockedFile, fs::perms::owner_read);
  EXPECT_EQ(OpenDatasetFile(lockedFile, &error), nullptr);
  EXPECT_EQ(error, "Cannot create the dataset file '" + lockedFile + "': Permission denied");
  EXPECT_EQ(ReadFile(lockedFile), "keep");
}

}  // namespace
}  // namespace pelmora
