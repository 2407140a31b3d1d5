// Internal to the period search: the score of one trial period computed on the search's own
// arrays, with exactly the numbers of the fold (FoldPhases) followed by SearchStringLength or
// AovStatisticIfDefined.
//
// What the fold forms anew at every trial and the score does not need is formed once here: the
// distance of each Julian Day from the epoch and the magnitudes, each split exactly into two
// doubles. The order of the phases is kept from one trial to the next; a search over closely
// spaced trial periods moves few entries, so an insertion sort puts them back in order in about
// linear time, and a bucket sort takes over when the order changes much. The phases are formed
// with vector instructions where the processor has them (see TrialScorer.cpp for why they are
// the fold's phases bit for bit). No table of the records is written: the search folds its best
// trial on the records itself.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "phase/Fold.h"
#include "phase/Periodogram.h"
#include "store/Records.h"

namespace ombrane {

struct TrialOutcome {
  long double score = 0;                        // string length, or the AoV statistic
  AovUndefined undefined = AovUndefined::None;  // AoV: why the statistic has no value
};

class TrialScorer {
 public:
  // Whether this processor forms the phases with vector instructions (AVX2 and FMA).
  static bool VectorPhasesSupported();

  // The observations jd[0..n), mag[0..n) folded about `epoch`; `invariants` must be valid (the
  // sums ComputeFoldInvariants forms on the same observations). Without `vectorPhases` every
  // phase comes from the fold's extended arithmetic (the way of processors without AVX2).
  TrialScorer(const long double* jd, const long double* mag, int64_t n, long double epoch,
              const FoldInvariants& invariants, bool vectorPhases = VectorPhasesSupported());

  // The score of the fold at `period`, or nothing when this trial has to go through the checked
  // fold: a fault anywhere (zero period, a cycle count near the 32-bit limit, an overflow, an
  // AoV statistic that divides by zero) is left to it, which raises it at the right step.
  std::optional<TrialOutcome> Score(long double period, SearchMethod method);

 private:
  // An entry in the sort: its phase at the current trial and its index in the records.
  struct Key {
    double phase;
    int32_t index;
  };
  // An extended number split exactly into two doubles: value = high + low.
  struct Split {
    double high, low;
    long double Value() const { return static_cast<long double>(high) + low; }
  };

  bool ComputePhases(long double period);
  bool InsertionSort(int64_t budget);
  void BucketSort();
  void Sort();
  long double Mag(size_t j) const { return mag_[static_cast<size_t>(keys_[j].index)].Value(); }
  std::optional<TrialOutcome> StringLength() const;
  std::optional<TrialOutcome> Aov();

  // Per entry, in the order of the records: its distance from the epoch jd - epoch as
  // distanceHigh + distanceLow, its magnitude, and its phase at the current trial.
  std::vector<double> distanceHigh_, distanceLow_, phase_;
  std::vector<Split> mag_;
  // The entries in phase order (of the previous trial until sorted again), and the bucket sort's
  // counts.
  std::vector<Key> keys_;
  std::vector<int64_t> bucketEnd_;
  std::vector<Split> sortedMag_;  // AoV: the magnitudes in phase order
  long double epoch_;
  double jdSum_;
  long double magMean_;
  bool vectorPhases_;        // phases by VectorPhases where exact
  bool usable_ = true;       // every number of the records splits into two doubles
  bool sorted_ = false;      // the keys hold the order of an earlier trial
  int64_t bucketSorts_ = 0;  // trials left to sort by buckets before insertion is tried again
  int64_t backOff_ = 1;
};

}  // namespace ombrane
