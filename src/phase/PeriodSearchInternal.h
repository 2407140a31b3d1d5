// Internal to the period search: the trial plan, the periodogram's slices and the wording of a
// trial's fault, shared with the plain sequential search the tests and benchmarks compare
// against. Not for use by the program's other folders: their interface is PeriodSearch.h.
#pragma once

#include <cstdint>
#include <vector>

#include "common/FloatingPoint.h"
#include "phase/Fold.h"
#include "phase/PeriodSearch.h"
#include "phase/Periodogram.h"
#include "store/Records.h"

namespace ombrane::search_internal {

// The trial periods t_0 = searchMin, t_{k+1} = t_k + increment (repeated addition in extended
// precision) below searchMax. Only every blockSize-th period is kept; a worker rebuilds the
// others of its block by the same additions, so it gets exactly the same values.
//
// A plan even in frequency (PlanFrequencyTrials) has the trial frequencies 1/searchMax + j·step
// up to 1/searchMin instead, taken in ascending period: trial k is the period
// 1/(lowestFrequency + (count − 1 − k)·frequencyStep), each formed on its own.
struct TrialPlan {
  int64_t count = 0;
  int64_t blockSize = 1;
  long double increment = 0;
  std::vector<long double> blockStart;
  bool inFrequency = false;
  long double lowestFrequency = 0;
  long double frequencyStep = 0;

  int64_t BlockCount() const { return static_cast<int64_t>(blockStart.size()); }
  long double TrialAt(int64_t k) const {
    if (inFrequency) return 1 / (lowestFrequency + static_cast<long double>(count - 1 - k) * frequencyStep);
    long double t = blockStart[static_cast<size_t>(k / blockSize)];
    for (int64_t j = k % blockSize; j > 0; --j) t = t + increment;
    return t;
  }
  // Trial k + 1 after trial k, which is t.
  long double Next(long double t, int64_t k) const { return inFrequency ? TrialAt(k + 1) : t + increment; }
};

// True when the search has something to do; false for no data or an empty range.
inline bool HasWork(const Data& data, const SearchRequest& request) {
  return data.pointCount >= 1 && request.searchMin < request.searchMax;
}

// The refusals of a range that has work: a step that is not positive, a start below 0, a step
// too small to move the trial period, or a range of too many trials.
TrialPlan PlanTrials(long double searchMin, long double searchMax, long double increment);
// The plan even in frequency, with the same refusals: a step that is not positive, a range
// that does not start above 0, too many trials.
TrialPlan PlanFrequencyTrials(long double searchMin, long double searchMax, long double frequencyStep);
// The plan of a request: in period, or in frequency when it says so.
inline TrialPlan PlanOf(const SearchRequest& request) {
  return request.frequencyStep ? PlanFrequencyTrials(request.searchMin, request.searchMax, request.increment)
                               : PlanTrials(request.searchMin, request.searchMax, request.increment);
}

// The score of one trial: the string length with every pair counted, or Θ, whose `undefined`
// says when it has none.
struct Scored {
  long double score = 0;
  AovUndefined undefined = AovUndefined::None;
};

// The fault of a trial, saying at which trial period it happened.
FloatingPointError AtTrial(const FloatingPointError& error, long double t);

// Keeps the best score of each slice of consecutive trials (Periodogram::points), fed with the
// defined trials in trial order; equal scores keep the earlier trial, as the search does.
class SliceKeeper {
 public:
  SliceKeeper(SearchMethod method, int64_t sliceSize, std::vector<TrialScore>& out)
      : method_(method), sliceSize_(sliceSize), out_(out) {}
  void Add(int64_t trial, long double period, long double score) {
    const int64_t slice = trial / sliceSize_;
    if (has_ && slice != slice_) Flush();
    if (!has_ || BetterScore(method_, score, best_.score)) best_ = TrialScore{period, score, trial};
    has_ = true;
    slice_ = slice;
  }
  void Flush() {
    if (has_) out_.push_back(best_);
    has_ = false;
  }

 private:
  SearchMethod method_;
  int64_t sliceSize_;
  std::vector<TrialScore>& out_;
  bool has_ = false;
  int64_t slice_ = 0;
  TrialScore best_;
};

// The periodogram of a search before its points are kept.
Periodogram EmptyPeriodogram(const Data& data, const SearchRequest& request, const TrialPlan& plan);

}  // namespace ombrane::search_internal
