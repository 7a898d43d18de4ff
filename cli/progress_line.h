// The progress line of a long run: on standard error, only when it is a terminal and not quiet.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace pelmora {

// Shown once a run has taken more than a second, then redrawn about five times a second:
// "pelmora-gen: 1234567 of 10000000 boxes (12%), 5.3 M boxes/s, 2 s left". Clear removes it.
// Report may be called from any one thread at a time, as often as wanted.
class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  // write receives each piece of text for the terminal.
  ProgressLine(bool enabled, std::function<void(const std::string&)> write,
               std::function<Clock::time_point()> now = Clock::now);
  ~ProgressLine() { Clear(); }

  void Report(int64_t done, int64_t total);
  void Clear();

  // The text of the line for done of total boxes after elapsed seconds.
  static std::string Text(int64_t done, int64_t total, double elapsed);

 private:
  bool enabled_;
  std::function<void(const std::string&)> write_;
  std::function<Clock::time_point()> now_;
  Clock::time_point start_;
  Clock::time_point shown_{};
  bool visible_ = false;
  size_t width_ = 0;
};

}  // namespace pelmora
