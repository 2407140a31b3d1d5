#include "phase/TrialScorer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "common/FloatingPoint.h"
#include "phase/FoldInternal.h"

namespace ombrane {

using namespace fold_internal;

namespace {

// Entries longer than this in one bucket are sorted on their own instead of by the final pass
// of insertion over the whole array.
constexpr int64_t kShortBucket = 32;

// A budget of moves for the insertion sort, in moves per entry: past it the order has changed
// too much for insertion to be cheaper than the bucket sort.
constexpr int64_t kMovesPerEntry = 4;

// The longest run of trials sorted by buckets before insertion is tried again.
constexpr int64_t kMaxBackOff = 64;

}  // namespace

TrialScorer::TrialScorer(const long double* jd, const long double* mag, int64_t n, long double epoch,
                         const FoldInvariants& invariants)
    : epoch_(epoch), jdSum_(invariants.jdSum), magMean_(invariants.magMean) {
  entries_.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
  for (size_t i = 0; i < entries_.size(); ++i) {
    // The fold forms jd - epoch in extended precision at every trial: the same value each time.
    const long double d = jd[i] - epoch;
    entries_[i] = Entry{Extended::Of(std::fabs(d)), Extended::Of(mag[i]), 0, static_cast<int32_t>(i), d < 0};
  }
}

// The phase of each entry as the fold forms it: x = (jd - epoch) / P, its fraction x - trunc(x)
// rounded to double, moved up by one cycle when below zero. Division and truncation are
// symmetric about zero, so x is formed from the distance |jd - epoch| and the sign applied to the
// fraction: for an entry before the epoch the fold's fraction is the negative of this one, and
// one plus it is 1 - fraction. A fraction of zero stays zero (+0, as the fold's x - x).
bool TrialScorer::ComputePhases(long double period) {
  constexpr long double kShift = 9223372036854775808.0L;  // 2^63
  // Selections by table instead of by branch: a branch on the rounding direction or on the
  // side of the epoch would be mispredicted often.
  static constexpr float kStep[2] = {0.0F, 1.0F};
  bool inRange = true;
  for (Entry& e : entries_) {
    const long double x = e.distance.get() / period;
    inRange &= x < kCycleLimit;  // false for NaN too
    // TruncNonNegative(x): r is x rounded to an integer, one less when that rounded up.
    const long double r = (x + kShift) - kShift;
    const long double c = r - kStep[r > x];
    const double fraction = static_cast<double>(x - c);
    const double phases[2] = {fraction, static_cast<double>(1.0L - fraction)};
    e.phase = phases[e.before & (fraction != 0)];
  }
  return inRange;
}

namespace {

// The fold's order: ascending phase, equal phases in the order of the records (a stable sort of
// the records' order gives exactly this, whatever order the entries come in here).
template <typename Entry>
inline bool Before(const Entry& a, const Entry& b) {
  return a.phase < b.phase || (a.phase == b.phase && a.index < b.index);
}

// Insertion sort of a[0..n) by Before; gives up (with a still a permutation) once more than
// `budget` moves were made.
template <typename Entry>
bool InsertionSortOf(Entry* a, int64_t n, int64_t budget) {
  for (int64_t j = 1; j < n; ++j) {
    if (!Before(a[j], a[j - 1])) continue;
    const Entry v = a[j];
    int64_t k = j;
    do {
      a[k] = a[k - 1];
      --k;
    } while (k > 0 && Before(v, a[k - 1]));
    a[k] = v;
    budget -= j - k;
    if (budget < 0) return false;
  }
  return true;
}

}  // namespace

bool TrialScorer::InsertionSort(int64_t budget) {
  return InsertionSortOf(entries_.data(), static_cast<int64_t>(entries_.size()), budget);
}

// Bucket floor(phase * n), monotone in the phase, then insertion within the buckets (short ones)
// or a sort of each long bucket: the bucket sort of the fold, with the order of Before.
void TrialScorer::BucketSort() {
  const int64_t n = static_cast<int64_t>(entries_.size());
  const double scale = static_cast<double>(n);
  auto bucketOf = [&](double phase) {
    const double b = phase * scale;  // phases lie in [0, 1], so b lies in [0, n]
    return b < scale ? static_cast<int64_t>(b) : n - 1;
  };
  bucketEnd_.assign(static_cast<size_t>(n + 1), 0);
  for (const Entry& e : entries_) ++bucketEnd_[static_cast<size_t>(bucketOf(e.phase) + 1)];
  int64_t longest = 0;
  for (size_t b = 0; b < static_cast<size_t>(n); ++b) {
    longest = std::max(longest, bucketEnd_[b + 1]);
    bucketEnd_[b + 1] += bucketEnd_[b];
  }
  spare_.resize(entries_.size());
  for (const Entry& e : entries_)
    spare_[static_cast<size_t>(bucketEnd_[static_cast<size_t>(bucketOf(e.phase))]++)] = e;
  entries_.swap(spare_);
  Entry* a = entries_.data();
  if (longest <= kShortBucket) {
    InsertionSortOf(a, n, std::numeric_limits<int64_t>::max());
    return;
  }
  int64_t start = 0;
  for (size_t b = 0; b < static_cast<size_t>(n); ++b) {
    const int64_t end = bucketEnd_[b];
    if (end - start > kShortBucket)
      std::sort(a + start, a + end, Before<Entry>);  // Before is a strict total order: one result
    else if (end - start > 1)
      InsertionSortOf(a + start, end - start, std::numeric_limits<int64_t>::max());
    start = end;
  }
}

void TrialScorer::Sort() {
  if (sorted_ && bucketSorts_ == 0) {
    if (InsertionSort(kMovesPerEntry * static_cast<int64_t>(entries_.size()) + 64)) {
      backOff_ = 1;
      return;
    }
    backOff_ = std::min(2 * backOff_, kMaxBackOff);
    bucketSorts_ = backOff_;
  }
  if (bucketSorts_ > 0) --bucketSorts_;
  BucketSort();
  sorted_ = true;
}

// SearchStringLength on the sorted entries; nothing when a term or the sum is not finite (the
// fold's checked path raises the fault).
std::optional<TrialOutcome> TrialScorer::StringLength() const {
  long double length = 0;
  for (size_t r = 0; r + 1 < entries_.size(); ++r) {
    const long double dp = static_cast<long double>(entries_[r + 1].phase) - entries_[r].phase;
    const long double dm = entries_[r + 1].mag.get() - entries_[r].mag.get();
    const double s = static_cast<double>(dp * dp + dm * dm);
    if (!std::isfinite(s)) return std::nullopt;
    length += std::sqrt(std::fabs(s));
  }
  if (!std::isfinite(length)) return std::nullopt;
  return TrialOutcome{.score = length};
}

// AovStatisticIfDefined on the sorted entries, step for step: the bin sums in double in phase
// order, the bin means and terms, the within-bin sum in phase order, Θ. Nothing when a step
// would fault.
std::optional<TrialOutcome> TrialScorer::Aov() const {
  const auto& bound = AovBinBounds();
  const int64_t n = static_cast<int64_t>(entries_.size());
  std::array<double, kAovBins> binSum{};
  std::array<int64_t, kAovBins> count{};
  std::array<int64_t, kAovBins> first{};
  std::array<int64_t, kAovBins> end{};
  // The runs of the ten bins in the sorted entries (phases at or above the last bound are in no
  // bin).
  auto phaseBelow = [](const Entry& e, double limit) { return e.phase < limit; };
  const Entry* a = entries_.data();
  int64_t i = std::lower_bound(a, a + n, bound[0], phaseBelow) - a;
  for (size_t k = 0; k < kAovBins; ++k) {
    first[k] = i;
    i = std::lower_bound(a + i, a + n, bound[k + 1], phaseBelow) - a;
    end[k] = i;
    count[k] = i - first[k];
  }
  // Each bin's sum in double, entry after entry in phase order, as the fold adds them. The ten
  // sums are independent chains of additions: they advance side by side, so that the latency of
  // one addition and its rounding to double overlaps the others.
  const int64_t common = *std::min_element(count.begin(), count.end());
  for (int64_t r = 0; r < common; ++r)
    for (size_t k = 0; k < kAovBins; ++k)
      binSum[k] = static_cast<double>(binSum[k] + a[first[k] + r].mag.get());
  for (size_t k = 0; k < kAovBins; ++k) {
    double sum = binSum[k];
    for (int64_t p = first[k] + common; p < end[k]; ++p) sum = static_cast<double>(sum + a[p].mag.get());
    // A sum that leaves the double range stays infinite (or NaN) to the end of its bin.
    if (!std::isfinite(sum)) return std::nullopt;
    binSum[k] = sum;
  }
  if (n <= kAovBins) return TrialOutcome{.undefined = AovUndefined::TooFewEntries};
  for (int64_t c : count)
    if (c == 0) return TrialOutcome{.undefined = AovUndefined::EmptyBin};

  std::array<long double, kAovBins> mean{};
  long double between = 0;
  {
    std::array<long double, kAovBins> term{};
    for (size_t k = 0; k < kAovBins; ++k) {
      mean[k] = static_cast<long double>(binSum[k]) / static_cast<long double>(count[k]);
      const long double d = mean[k] - magMean_;
      term[k] = static_cast<long double>(count[k]) * (d * d);
    }
    for (size_t k = 0; k < kAovBins; ++k) between += term[k];
  }
  long double within = 0;
  for (size_t k = 0; k < kAovBins; ++k)
    for (int64_t p = first[k]; p < end[k]; ++p) {
      const long double d = a[p].mag.get() - mean[k];
      within += d * d;
    }
  if (!std::isfinite(between) || !std::isfinite(within)) return std::nullopt;
  const long double betweenVariance = between / 9.0L;
  const long double withinVariance = within / static_cast<long double>(n - 10);
  if (!(withinVariance > 0)) return std::nullopt;
  const long double ratio = betweenVariance / withinVariance;
  const double theta = static_cast<double>(ratio);
  if (!std::isfinite(ratio) || !std::isfinite(theta)) return std::nullopt;
  return TrialOutcome{.score = theta};
}

std::optional<TrialOutcome> TrialScorer::Score(long double period, SearchMethod method) {
  if (method != SearchMethod::StringLength && method != SearchMethod::Aov) return std::nullopt;
  if (entries_.empty() || !(period > 0)) return std::nullopt;
  try {
    // The fold's means: only their faults matter to the score.
    static_cast<void>(MeanEpoch(MeanJd(jdSum_, static_cast<int64_t>(entries_.size())), epoch_, period));
  } catch (const FloatingPointError&) {
    return std::nullopt;
  }
  if (!ComputePhases(period)) return std::nullopt;
  Sort();
  return method == SearchMethod::Aov ? Aov() : StringLength();
}

}  // namespace ombrane
