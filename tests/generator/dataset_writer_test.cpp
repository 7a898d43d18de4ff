#include "generator/dataset_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace pelmora {
namespace {

// Collects what a writer hands over, failing at the write numbered failAt (1-based) if set.
class CountingOutput final : public Output {
 public:
  explicit CountingOutput(int failAt = 0) : failAt_(failAt) {}
  void Write(std::string_view data) override {
    ++writes;
    if (!status_.ok()) return;
    if (writes == failAt_) {
      status_ = Status::Error("failed");
      return;
    }
    bytes.append(data);
  }
  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }
  Status Commit() override { return status_; }
  void Discard() noexcept override {}

  std::string bytes;
  int writes = 0;

 private:
  int failAt_;
  Status status_;
};

TEST(DatasetWriterTest, FormatsLinesWithCrLf) {
  CountingOutput output;
  DatasetWriter out(output);
  out.Text("a\nb").Int(-2147483647 - 1).Text(" ").Int(0).Text(" ").Int(2147483647).LineEnd();
  out.Fixed2(350.5).Text(" ").Fixed2(350.01f).Text(" ").Fixed2(100.0).Text(" ").Fixed2(0.125);
  out.Text(" ").Int64(-9223372036854775807 - 1).Text(" ").Int64(9223372036854775807);
  ASSERT_TRUE(out.Flush().ok());
  EXPECT_EQ(output.bytes,
            "a\r\nb-2147483648 0 2147483647\r\n350.50 350.01 100.00 0.12 "
            "-9223372036854775808 9223372036854775807");
}

TEST(DatasetWriterTest, LargeOutputArrivesWholeAndAFailedWriteSticks) {
  CountingOutput output;
  DatasetWriter out(output);
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    out.Int(i).LineEnd();
    expected += std::to_string(i) + "\r\n";
  }
  ASSERT_TRUE(out.Flush().ok());
  EXPECT_GT(output.writes, 1);
  EXPECT_EQ(output.bytes, expected);

  CountingOutput failing(2);
  DatasetWriter broken(failing);
  for (int i = 0; i < 100000; ++i) broken.Int(i).LineEnd();
  EXPECT_TRUE(broken.failed());
  EXPECT_EQ(broken.Flush().message(), "failed");
  EXPECT_EQ(failing.writes, 2);  // nothing more is handed over after the failure
}

}  // namespace
}  // namespace pelmora
