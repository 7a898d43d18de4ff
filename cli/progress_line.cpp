#include "cli/progress_line.h"

#include <cstdio>

namespace pelmora {

ProgressLine::ProgressLine(bool enabled, std::function<void(const std::string&)> write,
                           std::function<Clock::time_point()> now)
    : enabled_(enabled), write_(std::move(write)), now_(std::move(now)), start_(now_()) {}

std::string ProgressLine::Text(int64_t done, int64_t total, double elapsed) {
  const double rate = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
  const int percent =
      total > 0 ? static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total))
                : 100;
  char text[160];
  if (rate > 0.0) {
    const double left = static_cast<double>(total - done) / rate;
    std::snprintf(
        text, sizeof text, "pelmora-gen: %lld of %lld boxes (%d%%), %.1f M boxes/s, %.0f s left",
        static_cast<long long>(done), static_cast<long long>(total), percent, rate / 1e6, left);
  } else {
    std::snprintf(text, sizeof text, "pelmora-gen: %lld of %lld boxes (%d%%)",
                  static_cast<long long>(done), static_cast<long long>(total), percent);
  }
  return text;
}

void ProgressLine::Report(int64_t done, int64_t total) {
  if (!enabled_) return;
  const Clock::time_point now = now_();
  if (now - start_ < std::chrono::seconds(1)) return;
  if (visible_ && now - shown_ < std::chrono::milliseconds(200)) return;
  const std::string text = Text(done, total, std::chrono::duration<double>(now - start_).count());
  // Blanks over whatever a longer earlier line left.
  const size_t pad = width_ > text.size() ? width_ - text.size() : 0;
  write_("\r" + text + std::string(pad, ' '));
  width_ = text.size();
  shown_ = now;
  visible_ = true;
}

void ProgressLine::Clear() {
  if (!visible_) return;
  write_("\r" + std::string(width_, ' ') + "\r");
  visible_ = false;
}

}  // namespace pelmora
