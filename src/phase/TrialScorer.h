// Internal to the period search: the score of one trial period computed on the search's own
// arrays, with the same operations in the same order as the fold (FoldPhases) followed by
// SearchStringLength or AovStatisticIfDefined, so that it gives exactly their numbers.
//
// What the fold forms anew at every trial and the score does not need is formed once here: the
// distance of each Julian Day from the epoch, the record of each entry with its magnitude. The
// entries are kept in the phase order of the previous trial; a search over closely spaced trial
// periods moves few of them, so an insertion sort puts them back in order in about linear time.
// When the order changes much, a bucket sort takes over. No table of the records is written:
// the search folds its best trial on the records itself.
#pragma once

#include <cstdint>
#include <cstring>
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
  // The observations jd[0..n), mag[0..n) folded about `epoch`; `invariants` must be valid (the
  // sums ComputeFoldInvariants forms on the same observations).
  TrialScorer(const long double* jd, const long double* mag, int64_t n, long double epoch,
              const FoldInvariants& invariants);

  // The score of the fold at `period`, or nothing when this trial has to go through the checked
  // fold: a fault anywhere (zero period, a cycle count near the 32-bit limit, an overflow, an
  // AoV statistic that divides by zero) is left to it, which raises it at the right step.
  std::optional<TrialOutcome> Score(long double period, SearchMethod method);

 private:
  // One entry: its distance from the epoch (|jd - epoch|, `before` for a negative one), its
  // magnitude, its phase at the current trial and its index in the records.
  // The extended numbers are kept as their bytes, so that moving an entry in the sorts copies
  // memory instead of passing through the x87 registers (slow for 80-bit loads and stores).
  struct Extended {
    alignas(16) unsigned char bytes[sizeof(long double)];
    static Extended Of(long double value) {
      Extended e{};
      std::memcpy(e.bytes, &value, sizeof value);
      return e;
    }
    long double get() const {
      long double value;
      std::memcpy(&value, bytes, sizeof value);
      return value;
    }
  };
  struct Entry {
    Extended distance;
    Extended mag;
    double phase;
    int32_t index;
    bool before;
  };

  bool ComputePhases(long double period);
  bool InsertionSort(int64_t budget);
  void BucketSort();
  void Sort();
  std::optional<TrialOutcome> StringLength() const;
  std::optional<TrialOutcome> Aov() const;

  std::vector<Entry> entries_;
  std::vector<Entry> spare_;
  std::vector<int64_t> bucketEnd_;
  long double epoch_;
  double jdSum_;
  long double magMean_;
  bool sorted_ = false;      // the entries hold the order of an earlier trial
  int64_t bucketSorts_ = 0;  // trials left to sort by buckets before insertion is tried again
  int64_t backOff_ = 1;
};

}  // namespace ombrane
