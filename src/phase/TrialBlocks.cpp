#include "phase/TrialBlocks.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace ombrane {

namespace {

int64_t BlockCount(const TrialRun& run) {
  const int64_t size = std::max<int64_t>(run.blockSize, 1);
  return (run.count + size - 1) / size;
}

}  // namespace

unsigned WorkerCount(const TrialRun& run) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int64_t wanted = run.threads > 0 ? run.threads : cores;
  return static_cast<unsigned>(std::clamp<int64_t>(wanted, 1, std::max<int64_t>(BlockCount(run), 1)));
}

bool RunTrialBlocks(const TrialRun& run, const std::function<void(int64_t, int64_t, unsigned)>& body) {
  const int64_t blocks = BlockCount(run);
  if (blocks == 0) return true;
  const int64_t size = std::max<int64_t>(run.blockSize, 1);
  const unsigned workers = WorkerCount(run);

  std::atomic<int64_t> next{0};
  std::atomic<int64_t> done{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable changed;
  unsigned finished = 0;
  std::exception_ptr failure;

  auto work = [&](unsigned worker) {
    try {
      while (!stop) {
        const int64_t block = next++;
        if (block >= blocks) break;
        const int64_t first = block * size;
        if (run.lastNeeded && first > run.lastNeeded->load()) break;
        const int64_t end = std::min(first + size, run.count);
        body(first, end, worker);
        done += end - first;
      }
    } catch (...) {
      const std::lock_guard lock(mutex);
      if (!failure) failure = std::current_exception();
      stop = true;
    }
    const std::lock_guard lock(mutex);
    ++finished;
    changed.notify_one();
  };

  std::vector<std::thread> threads;
  threads.reserve(workers);
  bool cancelled = false;
  try {
    for (unsigned w = 0; w < workers; ++w) threads.emplace_back(work, w);
    std::unique_lock lock(mutex);
    while (finished < workers) {
      changed.wait_for(lock, std::chrono::milliseconds(50));
      if (finished == workers || !run.progress || cancelled) continue;
      lock.unlock();
      const bool goOn = run.progress(done.load(), run.count);
      lock.lock();
      if (!goOn) {
        cancelled = true;
        stop = true;
      }
    }
  } catch (...) {
    stop = true;
    for (std::thread& t : threads)
      if (t.joinable()) t.join();
    throw;
  }
  for (std::thread& t : threads)
    if (t.joinable()) t.join();
  if (failure) std::rethrow_exception(failure);
  return !cancelled;
}

}  // namespace ombrane
