#include "phase/TrialBlocks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

namespace ombrane {
namespace {

// 103 trials in blocks of 10 on three threads: every trial is handed out exactly once, in
// blocks [0, 10), [10, 20) ... [100, 103), and the workers are named 0 .. 2.
TEST(RunTrialBlocks, EveryTrialOnceInItsBlock) {
  const TrialRun run{.count = 103, .blockSize = 10, .threads = 3, .progress = {}};
  ASSERT_EQ(WorkerCount(run), 3u);
  std::mutex mutex;
  std::vector<int> seen(103, 0);
  std::vector<std::pair<int64_t, int64_t>> blocks;
  bool workerInRange = true;
  ASSERT_TRUE(RunTrialBlocks(run, [&](int64_t first, int64_t end, unsigned worker) {
    const std::lock_guard lock(mutex);
    blocks.emplace_back(first, end);
    for (int64_t k = first; k < end; ++k) ++seen[static_cast<size_t>(k)];
    if (worker >= 3) workerInRange = false;
  }));
  EXPECT_TRUE(workerInRange);
  for (int64_t k = 0; k < 103; ++k) EXPECT_EQ(seen[static_cast<size_t>(k)], 1) << k;
  ASSERT_EQ(blocks.size(), 11u);
  for (const auto& [first, end] : blocks) {
    EXPECT_EQ(first % 10, 0);
    EXPECT_EQ(end, first + 10 > 103 ? 103 : first + 10);
  }
}

// A body that lowers the last trial needed (as the period search does at a fault) stops the
// blocks that begin after it; the block it ran in and those before it still finish. On one
// thread the blocks come in order: the fault at trial 25 leaves blocks 0, 10 and 20 run.
TEST(RunTrialBlocks, NoBlockBeginsAfterTheLastTrialNeeded) {
  std::atomic<int64_t> lastNeeded{std::numeric_limits<int64_t>::max()};
  const TrialRun run{.count = 100, .blockSize = 10, .threads = 1, .progress = {}, .lastNeeded = &lastNeeded};
  std::vector<int64_t> firsts;
  ASSERT_TRUE(RunTrialBlocks(run, [&](int64_t first, int64_t, unsigned) {
    firsts.push_back(first);
    if (first == 20) lastNeeded = 25;
  }));
  EXPECT_EQ(firsts, (std::vector<int64_t>{0, 10, 20}));
}

}  // namespace
}  // namespace ombrane
