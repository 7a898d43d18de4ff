#include "generator/shared_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace pelmora {
namespace {

// Every iteration of every loop runs exactly once, whatever the count and the chunk, loop after
// loop on the same two threads (including empty loops and chunks larger than the loop), run at
// once or started and finished later.
TEST(SharedLoopTest, EveryIterationRunsOnce) {
  SharedLoop loop;
  const size_t counts[] = {0, 1, 255, 256, 257, 4096 * 3, 100000};
  const size_t chunks[] = {0, 1, 7, 256, 1000000};
  for (int round = 0; round < 20; ++round) {
    for (const size_t count : counts) {
      for (const size_t chunk : chunks) {
        std::vector<std::atomic<int>> runs(count);
        const SharedLoop::Work work = [&runs](size_t begin, size_t end) {
          ASSERT_LT(begin, end);
          ASSERT_LE(end, runs.size());
          for (size_t i = begin; i < end; ++i) runs[i].fetch_add(1);
        };
        if (round % 2 == 0) {
          loop.Run(count, chunk, work);
        } else {
          // Started, then finished after this thread has done something else.
          loop.Start(count, chunk, work);
          std::this_thread::yield();
          loop.Finish();
        }
        size_t wrong = 0;
        for (const auto& r : runs) wrong += r.load() == 1 ? 0 : 1;
        ASSERT_EQ(wrong, 0u) << "count " << count << " chunk " << chunk;
      }
    }
  }
}

}  // namespace
}  // namespace pelmora
