// A second thread that takes a share of loops whose iterations are independent of each other,
// so that a run can spread arithmetic that draws nothing over two cores.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace pelmora {

class SharedLoop {
 public:
  // The work of one loop: iterations begin..end-1.
  using Work = std::function<void(size_t begin, size_t end)>;

  SharedLoop();   // starts the second thread
  ~SharedLoop();  // stops it
  SharedLoop(const SharedLoop&) = delete;
  SharedLoop& operator=(const SharedLoop&) = delete;

  // Calls work over disjoint chunks of at most chunk iterations that together cover 0..count-1,
  // on the calling thread and, when it is free, on the second; returns when every chunk is done.
  // The chunks run in no particular order. Not to be called from two threads at once.
  void Run(size_t count, size_t chunk, const Work& work);

  // Run in two steps: Start hands the loop to the second thread and returns at once; Finish
  // takes the chunks left on the calling thread and returns when every chunk is done. work must
  // live until then. REQUIRES: every Start is followed by its Finish before the next Start.
  void Start(size_t count, size_t chunk, const Work& work);
  void Finish();

 private:
  void TakeChunks();
  void Help();

  std::mutex mutex_;
  std::condition_variable wake_;  // a new loop, or stop
  std::condition_variable left_;  // the second thread left a loop
  const Work* work_ = nullptr;    // the current loop, set under mutex_ while nobody helps
  size_t count_ = 0;
  size_t chunk_ = 1;
  std::atomic<size_t> next_{0};  // the first iteration not yet taken
  uint64_t loops_ = 0;           // loops started so far
  bool helping_ = false;         // the second thread is inside a loop
  bool stop_ = false;
  std::thread helper_;
};

}  // namespace pelmora
