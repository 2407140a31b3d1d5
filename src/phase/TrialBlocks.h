// Runs the trials of a search in blocks of consecutive trials on several threads, with progress
// reported and cancellation asked on the caller's thread. Shared by the period search on the
// records (phase/PeriodSearch.h) and the methods on arrays (search/Methods.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace ombrane {

// Called on the caller's thread now and then with (trials done, trials in all); false cancels.
using TrialProgress = std::function<bool(int64_t done, int64_t total)>;

struct TrialRun {
  int64_t count = 0;      // trials 0 .. count − 1
  int64_t blockSize = 1;  // consecutive trials one call of the body handles
  unsigned threads = 0;   // 0: every core of the machine
  TrialProgress progress;
  // When given, a block whose first trial lies beyond this trial is not begun: a body lowers
  // it when the trials after some point can no longer change the outcome (a fault).
  const std::atomic<int64_t>* lastNeeded = nullptr;
};

// The threads a run uses: the request (every core for 0), at most one per block, at least one.
unsigned WorkerCount(const TrialRun& run);

// Calls body(first, end, worker) for every block [first, end) of the trials, on WorkerCount
// threads (worker = 0 .. WorkerCount − 1 names the thread, for its scratch memory). The first
// exception a body throws stops the others and is thrown here. Returns false when the progress
// callback cancelled the run (blocks already begun still finish).
bool RunTrialBlocks(const TrialRun& run,
                    const std::function<void(int64_t first, int64_t end, unsigned worker)>& body);

}  // namespace ombrane
