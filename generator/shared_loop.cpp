#include "generator/shared_loop.h"

#include <algorithm>

namespace pelmora {

SharedLoop::SharedLoop() : helper_([this] { Help(); }) {}

SharedLoop::~SharedLoop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  helper_.join();
}

void SharedLoop::Run(size_t count, size_t chunk, const Work& work) {
  Start(count, chunk, work);
  Finish();
}

void SharedLoop::Start(size_t count, size_t chunk, const Work& work) {
  {
    // The second thread may still be leaving the last loop (it woke after that loop ended):
    // the loop's fields change only while it is outside.
    std::unique_lock lock(mutex_);
    left_.wait(lock, [this] { return !helping_; });
    work_ = &work;
    count_ = count;
    chunk_ = std::max<size_t>(chunk, 1);
    next_.store(0, std::memory_order_relaxed);
    ++loops_;
  }
  wake_.notify_one();
}

void SharedLoop::Finish() {
  TakeChunks();
  // Every chunk is taken; those of the second thread are done when it has left.
  std::unique_lock lock(mutex_);
  left_.wait(lock, [this] { return !helping_; });
}

void SharedLoop::TakeChunks() {
  for (;;) {
    const size_t begin = next_.fetch_add(chunk_, std::memory_order_relaxed);
    if (begin >= count_) return;
    (*work_)(begin, std::min(begin + chunk_, count_));
  }
}

void SharedLoop::Help() {
  uint64_t seen = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || loops_ != seen; });
    if (stop_) return;
    seen = loops_;
    helping_ = true;
    lock.unlock();
    TakeChunks();
    lock.lock();
    helping_ = false;
    left_.notify_one();
  }
}

}  // namespace pelmora
