// The busy cursor while the window works on a run or a redraw that takes noticeably long.
#pragma once

#include <QGuiApplication>
#include <chrono>

namespace pelmora {

// Everything runs on the event loop's one thread, so a piece of work cannot be timed while it
// runs: the busy cursor is shown for work of one kind when the last such work took longer than
// kNoticeable, or when the caller expects it to (a run or redraw of many boxes).
class BusyCursor {
 public:
  static constexpr std::chrono::milliseconds kNoticeable{100};

  // Runs work, with the busy cursor shown as above and taken away however work ends.
  template <typename Work>
  void Run(bool expectLong, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    const Shown shown(expectLong || last_ > kNoticeable);
    try {
      work();
    } catch (...) {
      last_ = std::chrono::steady_clock::now() - start;
      throw;
    }
    last_ = std::chrono::steady_clock::now() - start;
  }

 private:
  class Shown {
   public:
    explicit Shown(bool show) : show_(show) {
      if (show_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~Shown() {
      if (show_) QGuiApplication::restoreOverrideCursor();
    }
    Shown(const Shown&) = delete;
    Shown& operator=(const Shown&) = delete;

   private:
    bool show_;
  };

  std::chrono::steady_clock::duration last_{};
};

// Runs and redraws of at least this many boxes are expected to take noticeably long.
inline constexpr int32_t kManyBoxes = 20000;

}  // namespace pelmora
