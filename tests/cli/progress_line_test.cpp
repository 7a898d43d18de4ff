#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <string>

namespace pelmora {
namespace {

using namespace std::chrono_literals;

TEST(ProgressLineTest, ShownAfterASecondRedrawnSparinglyAndCleared) {
  ProgressLine::Clock::time_point now{};
  std::string terminal;
  ProgressLine line(true, [&terminal](const std::string& text) { terminal += text; },
                    [&now] { return now; });
  now += 900ms;
  line.Report(900, 2000);
  EXPECT_EQ(terminal, "");  // a run of under a second shows nothing
  now += 100ms;
  line.Report(1000, 2000);
  EXPECT_EQ(terminal, "\rpelmora-gen: 1000 of 2000 boxes (50%), 0.0 M boxes/s, 1 s left");
  const std::string shown = terminal;
  now += 100ms;
  line.Report(1100, 2000);  // too soon after the last one
  EXPECT_EQ(terminal, shown);
  line.Clear();
  EXPECT_EQ(terminal, shown + "\r" + std::string(shown.size() - 1, ' ') + "\r");
  const size_t cleared = terminal.size();
  line.Clear();
  EXPECT_EQ(terminal.size(), cleared);
  EXPECT_EQ(ProgressLine::Text(5'000'000, 10'000'000, 0.5),
            "pelmora-gen: 5000000 of 10000000 boxes (50%), 10.0 M boxes/s, 0 s left");
}

TEST(ProgressLineTest, DisabledWritesNothing) {
  ProgressLine::Clock::time_point now{};
  std::string terminal;
  {
    ProgressLine line(false, [&terminal](const std::string& text) { terminal += text; },
                      [&now] { return now; });
    now += 5s;
    line.Report(1, 2);
  }
  EXPECT_EQ(terminal, "");
}

}  // namespace
}  // namespace pelmora
