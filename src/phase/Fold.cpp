#include "phase/Fold.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

#include "common/FloatingPoint.h"
#include "phase/FoldInternal.h"

namespace ombrane {

namespace fold_internal {

// The entries a fold works on.
int32_t EntryCount(const Data& data) {
  return std::max<int32_t>(data.pointCount, 0);
}

int32_t FoldEntryCount(const Data& data) {
  return EntryCount(data);
}

// Working arrays of one fold, kept per thread so that a fold allocates nothing once they have
// grown to the store (the search folds thousands of times, on several threads at once) and the
// records hold only what they document.
struct FoldScratch {
  std::vector<PhaseItem> items;
  std::vector<PhaseItem> sorted;
  std::vector<int32_t> bucketEnd;

  // Room for n entries; the arrays keep it for the next fold.
  void Hold(int32_t n) {
    const auto size = static_cast<size_t>(std::max<int32_t>(n, 0));
    if (items.size() >= size) return;
    items.resize(size);
    sorted.resize(size);
    bucketEnd.resize(size + 1);
  }
};

FoldScratch& ThreadScratch() {
  thread_local std::unique_ptr<FoldScratch> scratch;
  if (!scratch) scratch = std::make_unique<FoldScratch>();
  return *scratch;
}

// (jd - m0) / period through the checked helpers, and the checked truncation of the result:
// raises the fault a cycle count out of range, a zero period or an overflow produces.
constexpr const char* kCycleRangeDetail = "the cycle count leaves the 32-bit range";

// Truncation of a cycle count; its fault says what left the range.
int32_t CycleCount(long double x) {
  try {
    return TruncToInt32(x);
  } catch (const FloatingPointError& error) {
    throw FloatingPointError(error.fault(), kCycleRangeDetail);
  }
}

long double CheckedCycles(long double jd, long double m0, long double period) {
  const long double x = Divide(Subtract(jd, m0), period);
  static_cast<void>(CycleCount(x));
  return x;
}

double MeanJd(double jdSum, int64_t n) {
  return Divide(jdSum, static_cast<double>(n));
}

// The next instant of phase 0 after meanJd (the second one when meanJd lies before the epoch,
// since the fraction is not moved up here): the origin of the "JD average" axis.
double MeanEpoch(long double meanJd, long double m0, long double period) {
  const long double y = Divide(meanJd - m0, period);
  const long double c = CycleCount(y);
  return ToDouble(meanJd + (1.0L - (y - c)) * period);
}

// Phases of the entries into entryPhase and `items` (input order) with meanJd and meanEpoch.
// On a fault at entry i the entries before it are written, and sortedPhase / sortIndex hold
// them in input order, as the unsorted arrays of an interrupted fold do.
// With `knownSum` the sum of the Julian Days is taken from there (it does not depend on the
// period) instead of being formed again.
void ComputePhases(Data& data, const Star& star, long double period, PhaseItem* items,
                   const double* knownSum) {
  const int32_t n = EntryCount(data);
  const long double m0 = star.epoch;
  int32_t written = 0;
  try {
    double sum = 0;  // the sum of the Julian Days is kept in double precision
    for (int32_t i = 0; i < n; ++i) {
      const long double jd = data.jd[i];
      long double x = (jd - m0) / period;
      // NaN, infinities and out-of-range counts all fail this test; the checked path raises
      // exactly the fault of the step (or accepts a count just below -2^31).
      if (!(std::fabs(x) < kCycleLimit)) x = CheckedCycles(jd, m0, period);
      const long double c = TruncSmall(x);
      double f = static_cast<double>(x - c);
      // A fraction below zero (an entry before the epoch) moves up by one cycle; the sum is
      // formed in extended precision and rounded once to double.
      if (f < 0) f = static_cast<double>(static_cast<long double>(f) + 1.0L);
      data.entryPhase[i] = f;
      items[i] = PhaseItem{f, i};
      written = i + 1;
      if (!knownSum) sum = AddToDouble(sum, jd);
    }
    if (knownSum) sum = *knownSum;
    data.meanJd = MeanJd(sum, n);
    data.meanEpoch = MeanEpoch(data.meanJd, m0, period);
  } catch (...) {
    for (int32_t i = 0; i < written; ++i) {
      data.sortedPhase[i] = data.entryPhase[i];
      data.sortIndex[i] = i;
    }
    throw;
  }
}

void StoreSorted(Data& data, const PhaseItem* sorted, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    data.sortedPhase[i] = sorted[i].phase;
    data.sortIndex[i] = sorted[i].index;
  }
}

// Stable insertion sort: a strictly smaller phase moves in front, equal phases keep their order.
void InsertionSort(PhaseItem* a, int32_t n) {
  for (int32_t j = 1; j < n; ++j) {
    const PhaseItem v = a[j];
    int32_t k = j;
    while (k > 0 && v.phase < a[k - 1].phase) {
      a[k] = a[k - 1];
      --k;
    }
    a[k] = v;
  }
}

// Stable bottom-up merge sort of a[0..n) with the buffer tmp[0..n): short runs by insertion,
// then merges that take the right element only when it is strictly smaller.
void MergeSort(PhaseItem* a, PhaseItem* tmp, int32_t n) {
  constexpr int32_t kRun = 16;
  for (int32_t lo = 0; lo < n; lo += kRun) InsertionSort(a + lo, std::min(kRun, n - lo));
  PhaseItem* from = a;
  PhaseItem* to = tmp;
  for (int32_t width = kRun; width < n; width *= 2) {
    for (int32_t lo = 0; lo < n; lo += 2 * width) {
      const int32_t mid = std::min(lo + width, n);
      const int32_t hi = std::min(lo + 2 * width, n);
      int32_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) to[k++] = (from[j].phase < from[i].phase) ? from[j++] : from[i++];
      while (i < mid) to[k++] = from[i++];
      while (j < hi) to[k++] = from[j++];
    }
    std::swap(from, to);
  }
  if (from != a) std::copy(from, from + n, a);
}

// Stable ascending sort of the phases (the same order as a bubble sort that exchanges only a
// strictly smaller successor). A counting pass puts each item into bucket floor(phase * n),
// which is monotone in the phase, keeping input order; then only items of one bucket can be out
// of order. With short buckets one insertion pass over the whole array finishes the sort; when
// the phases crowd together (a period much longer than the data puts them all into a few
// buckets) each long bucket is merge-sorted on its own. Linear for phases spread over the
// cycle, O(n log n) at worst, and no allocation.
void BucketSort(FoldScratch& s, int32_t n) {
  const double scale = n;
  auto bucketOf = [&](double phase) {
    const double b = phase * scale;  // phases lie in [0, 1], so b lies in [0, n]
    return b < scale ? static_cast<int32_t>(b) : n - 1;
  };
  std::fill_n(s.bucketEnd.begin(), n + 1, 0);
  for (int32_t i = 0; i < n; ++i) ++s.bucketEnd[bucketOf(s.items[i].phase) + 1];
  constexpr int32_t kShortBucket = 32;
  int32_t longest = 0;
  for (int32_t b = 0; b < n; ++b) {
    longest = std::max(longest, s.bucketEnd[b + 1]);
    s.bucketEnd[b + 1] += s.bucketEnd[b];
  }
  // bucketEnd[b] is now the start of bucket b; filling moves it to the end of bucket b.
  for (int32_t i = 0; i < n; ++i) s.sorted[s.bucketEnd[bucketOf(s.items[i].phase)]++] = s.items[i];
  if (longest <= kShortBucket) {
    InsertionSort(s.sorted.data(), n);
    return;
  }
  int32_t start = 0;
  for (int32_t b = 0; b < n; ++b) {
    const int32_t end = s.bucketEnd[b];
    const int32_t size = end - start;
    if (size > kShortBucket)
      MergeSort(s.sorted.data() + start, s.items.data(), size);
    else if (size > 1)
      InsertionSort(s.sorted.data() + start, size);
    start = end;
  }
}

// Bin bounds of the AoV statistic, built by repeated addition of 0.1 in double precision: bin k
// is [bounds[k], bounds[k + 1]). The lower bound of a bin is the upper bound of the bin before
// it (both come out of the same additions), and the last upper bound is the double just below 1.
struct AovBounds {
  std::array<double, kAovBins + 1> bound{};
  AovBounds() {
    double lo = 0;
    double hi = 0.1;
    for (int32_t k = 0; k < kAovBins; ++k) {
      bound[k] = lo;
      bound[k + 1] = hi;
      lo = lo + 0.1;
      hi = hi + 0.1;
    }
  }
};

const AovBounds& Bounds() {
  static const AovBounds bounds;
  return bounds;
}

const std::array<double, kAovBins + 1>& AovBinBounds() {
  return Bounds().bound;
}

// Grand mean of the magnitudes over all entries: the sum in double precision, then / N.
long double GrandMean(const Data& data, int32_t n) {
  double sum = 0;
  for (int32_t e = 0; e < n; ++e) sum = AddToDouble(sum, data.mag[e]);
  return Divide(static_cast<long double>(sum), static_cast<long double>(n));
}

// The tables of the ten bins from their sums and counts, bin after bin, so that an empty bin k
// faults (0 / 0) with bins 0 .. k-1 written; returns the between-bin sum B.
long double FillBinTables(Data& data, long double m, const std::array<double, kAovBins>& binSum,
                          const std::array<int32_t, kAovBins>& count) {
  for (int32_t k = 0; k < kAovBins; ++k) {
    const long double mean = Divide(static_cast<long double>(binSum[k]), static_cast<long double>(count[k]));
    data.aovBinMean[k] = mean;
    data.aovBinCount[k] = count[k];
    const long double d = mean - m;
    data.aovBinTerm[k] = count[k] * (d * d);
  }
  long double between = 0;
  for (int32_t k = 0; k < kAovBins; ++k) between += data.aovBinTerm[k];
  return between;
}

// Between-bin variance over within-bin variance, with 9 and N - 10 degrees of freedom.
double Theta(long double between, long double within, int32_t n) {
  const long double betweenVariance = Divide(between, 9.0L);
  const long double withinVariance = Divide(within, static_cast<long double>(n - 10));
  return ToDouble(Divide(betweenVariance, withinVariance));
}

// Whether the statistic of a fold with these bin counts is defined: more than ten entries and
// an entry in every bin.
AovUndefined UndefinedFor(int32_t n, const std::array<int32_t, kAovBins>& count) {
  if (n <= kAovBins) return AovUndefined::TooFewEntries;
  for (int32_t c : count)
    if (c == 0) return AovUndefined::EmptyBin;
  return AovUndefined::None;
}

// The tables of an undefined statistic: every count, and the mean and term of each bin that has
// entries (0 for an empty one).
void FillUndefinedTables(Data& data, long double m, const std::array<double, kAovBins>& binSum,
                         const std::array<int32_t, kAovBins>& count) {
  for (int32_t k = 0; k < kAovBins; ++k) {
    data.aovBinCount[k] = count[k];
    data.aovBinMean[k] = 0;
    data.aovBinTerm[k] = 0;
    if (count[k] == 0) continue;
    const long double mean = Divide(static_cast<long double>(binSum[k]), static_cast<long double>(count[k]));
    data.aovBinMean[k] = mean;
    data.aovBinTerm[k] = count[k] * ((mean - m) * (mean - m));
  }
}

// Analysis of variance over ten equal phase bins (Schwarzenberg-Czerny 1989, MNRAS 241, 153):
// Θ = (B / 9) / (W / (N - 10)), B the between-bin and W the within-bin sum of squares of the
// magnitudes. The phases are sorted, so each bin is one run of positions: one scan finds the
// runs and sums them in the order of the ten-pass definition. With `tolerant` an
// undefined statistic is returned as such; without, it faults where the division does.
AovValue AovFast(Data& data, const FoldInvariants& invariants, bool tolerant) {
  const int32_t n = EntryCount(data);
  const long double m = invariants.valid ? invariants.magMean : GrandMean(data, n);
  const auto& bound = Bounds().bound;
  std::array<double, kAovBins> binSum{};
  std::array<int32_t, kAovBins> count{};
  std::array<int32_t, kAovBins> first{};
  std::array<int32_t, kAovBins> end{};
  int32_t i = 0;
  while (i < n && data.sortedPhase[i] < bound[0]) ++i;
  for (int32_t k = 0; k < kAovBins; ++k) {
    first[k] = i;
    double sum = 0;
    while (i < n && data.sortedPhase[i] < bound[k + 1]) {
      sum = AddToDouble(sum, data.mag[data.sortIndex[i]]);
      ++i;
    }
    binSum[k] = sum;
    end[k] = i;
    count[k] = i - first[k];
  }
  if (tolerant) {
    if (const AovUndefined undefined = UndefinedFor(n, count); undefined != AovUndefined::None) {
      FillUndefinedTables(data, m, binSum, count);
      return AovValue{.theta = 0, .undefined = undefined};
    }
  }
  const long double between = FillBinTables(data, m, binSum, count);
  long double within = 0;
  for (int32_t k = 0; k < kAovBins; ++k)
    for (int32_t p = first[k]; p < end[k]; ++p) within += WithinTerm(data, p, k);
  return AovValue{.theta = Theta(between, within, n)};
}

}  // namespace fold_internal

using namespace fold_internal;

FoldInvariants ComputeFoldInvariants(const Data& data) {
  FoldInvariants invariants;
  const int32_t n = EntryCount(data);
  if (n < 1) return invariants;
  try {
    double sum = 0;
    for (int32_t i = 0; i < n; ++i) sum = AddToDouble(sum, data.jd[i]);
    invariants.jdSum = sum;
    invariants.magMean = GrandMean(data, n);
    invariants.valid = true;
  } catch (const FloatingPointError&) {
    invariants = FoldInvariants{};  // the folds form the sums themselves and fault there
  }
  return invariants;
}

void FoldPhases(Data& data, const Star& star, long double period) {
  FoldPhases(data, star, period, FoldInvariants{});
}

void FoldPhases(Data& data, const Star& star, long double period, const FoldInvariants& invariants) {
  FoldScratch& s = ThreadScratch();
  const int32_t n = EntryCount(data);
  s.Hold(n);
  ComputePhases(data, star, period, s.items.data(), invariants.valid ? &invariants.jdSum : nullptr);
  BucketSort(s, n);
  StoreSorted(data, s.sorted.data(), n);
}

void FoldStringLength(Data& data, Star& star) {
  const int32_t n = EntryCount(data);
  star.stringLength = 0;
  for (int32_t r = 0; r + 1 < n; ++r) {
    const int32_t a = data.sortIndex[r];
    const int32_t b = data.sortIndex[r + 1];
    if (data.markFlag[a] == 1 || data.markFlag[b] == 1) continue;
    const long double dp = data.sortedPhase[r + 1] - data.sortedPhase[r];
    const long double dm = data.mag[b] - data.mag[a];
    const double s = ToDouble(dp * dp + dm * dm);
    star.stringLength = star.stringLength + std::sqrt(std::fabs(s));
  }
}

long double SearchStringLength(const Data& data) {
  const int32_t n = EntryCount(data);
  long double length = 0;
  for (int32_t r = 0; r + 1 < n; ++r) {
    const long double dp = data.sortedPhase[r + 1] - data.sortedPhase[r];
    const long double dm = data.mag[data.sortIndex[r + 1]] - data.mag[data.sortIndex[r]];
    const long double wide = dp * dp + dm * dm;
    double s = static_cast<double>(wide);
    if (!std::isfinite(s)) s = ToDouble(wide);  // raises the overflow
    length += std::sqrt(std::fabs(s));
  }
  return CheckResult(length);
}

double AovStatistic(Data& data) {
  return AovStatistic(data, FoldInvariants{});
}

double AovStatistic(Data& data, const FoldInvariants& invariants) {
  return AovFast(data, invariants, false).theta;
}

AovValue AovStatisticIfDefined(Data& data, const FoldInvariants& invariants) {
  return AovFast(data, invariants, true);
}

const char* AovUndefinedReason(AovUndefined undefined) {
  switch (undefined) {
    case AovUndefined::TooFewEntries:
      return "fewer than 10 observations";
    case AovUndefined::EmptyBin:
      return "empty phase bin";
    case AovUndefined::None:
      break;
  }
  return "";
}

void SetJdAverage(Data& data, long double period) {
  const int32_t n = EntryCount(data);
  for (int32_t i = 0; i < n; ++i) data.jdAverage[i] = data.sortedPhase[i] * period + data.meanEpoch;
}

}  // namespace ombrane
