#include "phase/PeriodSearch.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "phase/Fold.h"
#include "phase/FoldInternal.h"
#include "phase/PeriodSearchInternal.h"
#include "phase/TrialBlocks.h"
#include "phase/TrialScorer.h"

namespace ombrane {

namespace search_internal {

// More trials than this would keep the window busy for hours; such a range is refused.
constexpr int64_t kMaxTrials = 100'000'000;

// The refusals of a range that has work: a step that is not positive, a start below 0, a step
// too small to move the trial period, or a range of too many trials.
TrialPlan PlanTrials(long double searchMin, long double searchMax, long double increment) {
  if (!(increment > 0)) throw InputError("The period step must be greater than 0.");
  if (searchMin < 0) throw InputError("The search range must not start below 0.");
  const std::string tooMany = "The search range holds more than " + FormatGeneral(kMaxTrials) +
                              " trial periods; choose a larger period step.";
  const long double estimate = (searchMax - searchMin) / increment;
  if (!(estimate <= kMaxTrials)) throw InputError(tooMany);

  TrialPlan plan;
  plan.increment = increment;
  // Blocks of a few dozen trials at least: enough to share the work evenly among the threads
  // and to stop soon after a fault, few enough to keep the bookkeeping small.
  plan.blockSize = std::max<int64_t>(16, static_cast<int64_t>(estimate) / 8192);
  long double t = searchMin;
  while (t < searchMax) {
    if (plan.count % plan.blockSize == 0) plan.blockStart.push_back(t);
    ++plan.count;
    if (plan.count > kMaxTrials) throw InputError(tooMany);
    const long double next = t + increment;
    if (!(next > t)) throw InputError("The period step is too small to change the trial period.");
    t = next;
  }
  return plan;
}

TrialPlan PlanFrequencyTrials(long double searchMin, long double searchMax, long double frequencyStep) {
  if (!(frequencyStep > 0)) throw InputError("The frequency step must be greater than 0.");
  if (!(searchMin > 0)) throw InputError("The search range must start above 0 to step in frequency.");
  TrialPlan plan;
  plan.inFrequency = true;
  plan.lowestFrequency = 1 / searchMax;
  plan.frequencyStep = frequencyStep;
  // The frequencies up to 1/searchMin, the end included when a step lands on it to within a
  // millionth of a step (as the grid of the methods on arrays).
  const long double steps = std::floor((1 / searchMin - plan.lowestFrequency) / frequencyStep + 1e-6L);
  if (!(steps < kMaxTrials))
    throw InputError("The search range holds more than " + FormatGeneral(kMaxTrials) +
                     " trial frequencies; choose a larger frequency step.");
  plan.count = static_cast<int64_t>(steps) + 1;
  if (plan.count > 1 && !(plan.lowestFrequency + frequencyStep > plan.lowestFrequency))
    throw InputError("The frequency step is too small to change the trial frequency.");
  plan.blockSize = std::max<int64_t>(16, plan.count / 8192);
  for (int64_t k = 0; k < plan.count; k += plan.blockSize) plan.blockStart.push_back(plan.TrialAt(k));
  return plan;
}

// The fault of a trial, saying at which trial period it happened.
FloatingPointError AtTrial(const FloatingPointError& error, long double t) {
  std::string detail = "at trial period " + FormatGeneral(t);
  if (!error.detail().empty()) detail += ", " + error.detail();
  return FloatingPointError(error.fault(), detail);
}

// The periodogram of a search before its points are kept.
Periodogram EmptyPeriodogram(const Data& data, const SearchRequest& request, const TrialPlan& plan) {
  Periodogram periodogram;
  periodogram.method = request.method;
  periodogram.searchMin = request.searchMin;
  periodogram.searchMax = request.searchMax;
  periodogram.trials = plan.count;
  periodogram.sliceSize = SliceSizeFor(plan.count, request.keepAtMost);
  periodogram.entries = data.pointCount;
  periodogram.timeSpan = TimeSpan(data);
  return periodogram;
}

}  // namespace search_internal

using namespace search_internal;

namespace {

// The score of one trial by the fold on `data` (which it overwrites), with the invariants of
// `data` when they are given.
Scored Score(Data& data, const Star& star, long double t, SearchMethod method,
             const FoldInvariants& invariants = {}) {
  FoldPhases(data, star, t, invariants);
  if (method != SearchMethod::Aov) return Scored{.score = SearchStringLength(data)};
  const AovValue aov = AovStatisticIfDefined(data, invariants);
  return Scored{.score = aov.theta, .undefined = aov.undefined};
}

// What one block of trials found: the first best trial before any fault, and the first fault.
struct BlockOutcome {
  int64_t bestTrial = -1;
  long double best = 0;
  long double bestPeriod = 0;
  int64_t skipped = 0;  // trials before any fault whose AoV statistic is undefined
  AovUndefined skippedBecause = AovUndefined::None;
  int64_t faultTrial = -1;
  FloatingPointFault fault = FloatingPointFault::InvalidOperation;
  // The best score of each slice the block's trials reach into; a slice that runs on into the
  // next block is completed when the blocks are joined.
  std::vector<TrialScore> kept;
};

// A worker's own copy of the records for the checked fold, made the first time a trial needs it:
// with the scorer most searches never do, and the records can be large.
class RecordsCopy {
 public:
  explicit RecordsCopy(const Data& source) : source_(source) {}
  Data& Get() {
    if (!copy_) copy_ = std::make_unique<Data>(source_);
    return *copy_;
  }

 private:
  const Data& source_;
  std::unique_ptr<Data> copy_;
};

// The trials of one block, each scored by `scorer` when it can, else by the checked fold on the
// worker's copy of the records (which gives the same score, or raises the trial's fault).
void RunBlock(RecordsCopy& records, const Star& star, const TrialPlan& plan, SearchMethod method,
              int64_t sliceSize, const FoldInvariants& invariants, TrialScorer* scorer, int64_t block,
              BlockOutcome& out) {
  const int64_t first = block * plan.blockSize;
  const int64_t end = std::min(first + plan.blockSize, plan.count);
  long double t = plan.blockStart[static_cast<size_t>(block)];
  SliceKeeper keeper(method, sliceSize, out.kept);
  for (int64_t k = first; k < end; ++k) {
    Scored scored;
    if (const auto quick = scorer ? scorer->Score(t, method) : std::nullopt) {
      scored = Scored{.score = quick->score, .undefined = quick->undefined};
    } else {
      try {
        scored = Score(records.Get(), star, t, method, invariants);
      } catch (const FloatingPointError& error) {
        out.faultTrial = k;
        out.fault = error.fault();
        return;
      }
    }
    if (scored.undefined != AovUndefined::None) {
      if (out.skipped++ == 0) out.skippedBecause = scored.undefined;
    } else {
      keeper.Add(k, t, scored.score);
      if (out.bestTrial < 0 || BetterScore(method, scored.score, out.best)) {
        out.bestTrial = k;
        out.best = scored.score;
        out.bestPeriod = t;
      }
    }
    t = plan.Next(t, k);
  }
  keeper.Flush();
}

// What a worker scores with: its own copy of the star, the scorer over the caller's records
// (which are only read until every worker has finished), and its copy of the records for the
// checked fold.
struct Worker {
  RecordsCopy records;
  Star star;
  std::optional<TrialScorer> scorer;
  Worker(const Data& data, const Star& source, const FoldInvariants& invariants)
      : records(data), star(source) {
    if (invariants.valid)
      scorer.emplace(data.jd.data(), data.mag.data(), fold_internal::FoldEntryCount(data), star.epoch,
                     invariants);
  }
};

// Scores every block of the plan on the threads (RunTrialBlocks), one BlockOutcome per block;
// once a block has faulted, the blocks beginning after the fault are not begun, since they
// cannot change the outcome. False when the progress callback cancelled the search.
bool ScoreBlocks(const Data& data, const Star& star, const SearchRequest& request, const TrialPlan& plan,
                 const FoldInvariants& invariants, int64_t sliceSize, std::vector<BlockOutcome>& outcomes) {
  std::atomic<int64_t> firstFault{std::numeric_limits<int64_t>::max()};
  const TrialRun run{.count = plan.count,
                     .blockSize = plan.blockSize,
                     .threads = request.threads,
                     .progress = request.progress,
                     .lastNeeded = &firstFault};
  std::vector<std::unique_ptr<Worker>> workers(WorkerCount(run));
  return RunTrialBlocks(run, [&](int64_t first, int64_t, unsigned w) {
    std::unique_ptr<Worker>& worker = workers[w];
    if (!worker) worker = std::make_unique<Worker>(data, star, invariants);
    const int64_t block = first / plan.blockSize;
    BlockOutcome& out = outcomes[static_cast<size_t>(block)];
    RunBlock(worker->records, worker->star, plan, request.method, sliceSize, invariants,
             worker->scorer ? &*worker->scorer : nullptr, block, out);
    if (out.faultTrial >= 0) {
      int64_t seen = firstFault;
      while (out.faultTrial < seen && !firstFault.compare_exchange_weak(seen, out.faultTrial)) {
      }
    }
  });
}

// The blocks compared in trial order up to the first fault: the first best trial, the trials
// skipped, and the faulting block.
struct JoinedBlocks {
  int64_t bestTrial = -1;
  long double best = 0;
  long double bestPeriod = 0;
  int64_t skipped = 0;
  AovUndefined skippedBecause = AovUndefined::None;
  std::optional<BlockOutcome> fault;
};

JoinedBlocks JoinBlocks(const std::vector<BlockOutcome>& outcomes, SearchMethod method,
                        long double searchMin) {
  JoinedBlocks joined;
  joined.bestPeriod = searchMin;
  for (const BlockOutcome& out : outcomes) {
    if (out.bestTrial >= 0 && (joined.bestTrial < 0 || BetterScore(method, out.best, joined.best))) {
      joined.bestTrial = out.bestTrial;
      joined.best = out.best;
      joined.bestPeriod = out.bestPeriod;
    }
    if (out.skipped > 0 && joined.skipped == 0) joined.skippedBecause = out.skippedBecause;
    joined.skipped += out.skipped;
    if (out.faultTrial >= 0) {
      joined.fault = out;
      break;
    }
  }
  return joined;
}

// The sequential search stops in the faulting trial with the records of the trial before it
// beneath what the failing fold had written: both are replayed on the records, and the fault
// is raised saying at which trial period it happened.
[[noreturn]] void ReplayFault(Data& data, const Star& star, const TrialPlan& plan, SearchMethod method,
                              const BlockOutcome& fault) {
  const int64_t k = fault.faultTrial;
  if (k > 0) Score(data, star, plan.TrialAt(k - 1), method);
  const long double t = plan.TrialAt(k);
  try {
    Score(data, star, t, method);
  } catch (const FloatingPointError& error) {
    throw AtTrial(error, t);
  }
  throw AtTrial(FloatingPointError(fault.fault), t);  // not reached: the replay raises the same fault
}

// The blocks' slices in trial order; a slice that two or more blocks share keeps the best of
// their parts, the earlier part on equal scores.
void KeepSlices(const std::vector<BlockOutcome>& outcomes, SearchMethod method, int64_t trials,
                Periodogram& periodogram) {
  std::vector<TrialScore>& kept = periodogram.points;
  const int64_t slice = periodogram.sliceSize;
  kept.reserve(static_cast<size_t>((trials + slice - 1) / slice));
  for (const BlockOutcome& out : outcomes) {
    for (const TrialScore& part : out.kept) {
      if (!kept.empty() && kept.back().trial / slice == part.trial / slice) {
        if (BetterScore(method, part.score, kept.back().score)) kept.back() = part;
      } else {
        kept.push_back(part);
      }
    }
  }
}

}  // namespace

int64_t CountTrials(long double searchMin, long double searchMax, long double increment) {
  if (!(searchMin < searchMax)) return 0;
  return PlanTrials(searchMin, searchMax, increment).count;
}

// The trials run on several threads, each scoring them with its own TrialScorer (and, for a
// trial the scorer leaves to the fold, folding its own copy of the records); every block of
// consecutive trials keeps its first best score, and the blocks are compared in trial order at
// the end with the same strict comparison, which picks the same trial as one pass in order.
// Nothing of the caller's records is touched until all trials are done; then the last trial
// (or the trials around a fault) is folded again on them so that they end exactly as the
// sequential search leaves them.
SearchResult SearchPeriod(Data& data, Star& star, const SearchRequest& request) {
  SearchResult result;
  if (!HasWork(data, request)) return result;
  const TrialPlan plan = PlanOf(request);
  const SearchMethod method = request.method;

  // 1. Score the trials.
  const FoldInvariants invariants = ComputeFoldInvariants(data);
  Periodogram periodogram = EmptyPeriodogram(data, request, plan);
  std::vector<BlockOutcome> outcomes(static_cast<size_t>(plan.BlockCount()));
  if (!ScoreBlocks(data, star, request, plan, invariants, periodogram.sliceSize, outcomes)) {
    result.status = SearchResult::Status::Cancelled;
    return result;
  }

  // 2. Compare the blocks in trial order, up to the first fault.
  const JoinedBlocks joined = JoinBlocks(outcomes, method, request.searchMin);
  result.skipped = joined.skipped;
  result.skippedBecause = joined.skippedBecause;
  result.trials = plan.count;
  if (!joined.fault && joined.bestTrial < 0) {
    result.status = SearchResult::Status::AllUndefined;
    return result;  // nothing of the records was touched
  }

  // 3. The records as the sequential search leaves them.
  star.period = request.searchMin;
  star.bestPeriod = joined.bestPeriod;
  if (joined.fault) ReplayFault(data, star, plan, method, *joined.fault);
  Score(data, star, plan.TrialAt(plan.count - 1), method);

  // 4. The periodogram.
  KeepSlices(outcomes, method, plan.count, periodogram);
  result.status = SearchResult::Status::Done;
  result.best = joined.best;
  result.bestPeriod = joined.bestPeriod;
  result.periodogram = std::move(periodogram);
  return result;
}

std::string SearchSkippedLine(const SearchResult& result) {
  if (result.skipped == 0) return {};
  const std::string reason = AovUndefinedReason(result.skippedBecause);
  if (result.status == SearchResult::Status::AllUndefined)
    return (result.trials == 1
                ? std::string("AoV undefined at the one trial period (")
                : "AoV undefined at all " + FormatGeneral(result.trials) + " trial periods (") +
           reason + "); nothing was changed.";
  return "AoV undefined at " + FormatGeneral(result.skipped) + " of " + FormatGeneral(result.trials) +
         " trial periods (" + reason + "); they were skipped.";
}

std::string SearchNotRunLine(const Data& data, const SearchRequest& request, char separator) {
  if (data.pointCount < 1) return "Search: no data loaded; nothing was searched.";
  if (!(request.searchMin < request.searchMax))
    return "Search: Min (" + FormatGeneral(request.searchMin, separator) + ") is not below Max (" +
           FormatGeneral(request.searchMax, separator) + "); nothing was searched.";
  return {};
}

std::string SearchResultLine(SearchMethod method, const SearchResult& result, char separator) {
  const std::string period = " Best Period:" + FormatGeneral(result.bestPeriod, separator);
  if (method == SearchMethod::Aov) return "AoV: " + FormatGeneral(result.best * 1e8L, separator) + period;
  return "Mesurment String - Length: " + FormatGeneral(result.best, separator) + period;
}

}  // namespace ombrane
