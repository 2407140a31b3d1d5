// Internal to the fold: the steps of FoldPhases and of the AoV statistic, shared with the period
// search's own scorer (TrialScorer.h), which repeats them operation for operation, and with the
// plain references the tests and benchmarks compare against. Not for use by the program's other
// folders: their interface is Fold.h.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "common/FloatingPoint.h"
#include "phase/Fold.h"
#include "store/Records.h"

namespace ombrane::fold_internal {

// The entries a fold works on: pointCount, clamped to the records' capacity.
int32_t FoldEntryCount(const Data& data);

// Cycle counts must fit a 32-bit integer; beyond this the truncation faults.
inline constexpr long double kCycleLimit = 2147483648.0L;

// The fold computes in the 80-bit extended type of the x87 unit, and the truncation below relies
// on its 64-bit significand (integers are exactly one apart at 2^63). Another long double (the
// 64-bit double of some platforms, the 128-bit quad of others) would fold to wrong phases
// without a word, so such a platform fails to build here.
static_assert(std::numeric_limits<long double>::digits == 64,
              "the fold needs the 80-bit extended long double (64-bit significand)");

// Truncation toward zero of 0 <= x < 2^31 without switching the rounding mode of the unit for
// an integer conversion: adding and subtracting 2^63 rounds x to the nearest integer (extended
// numbers are one apart there), and a step of one back toward zero undoes a rounding up.
inline long double TruncNonNegative(long double x) {
  constexpr long double kShift = 9223372036854775808.0L;  // 2^63
  const long double r = (x + kShift) - kShift;
  // The correction goes through an integer: a branch on it would be mispredicted half the time.
  return r - static_cast<int>(r > x);
}

// The same for |x| < 2^31 of either sign. Exact, and several times faster than a conversion to
// int32_t in the fold's loop.
inline long double TruncSmall(long double x) {
  constexpr long double kShift = 9223372036854775808.0L;  // 2^63
  if (x >= 0) return TruncNonNegative(x);
  const long double r = (x - kShift) + kShift;
  return r + static_cast<int>(r < x);
}

// sum + value, rounded to double; raises the overflow of a sum that leaves the double range.
inline double AddToDouble(double sum, long double value) {
  const long double wide = sum + value;
  const double rounded = static_cast<double>(wide);
  return std::isfinite(rounded) ? rounded : ToDouble(wide);
}

// The mean Julian Day of a fold from the sum of its Julian Days (in double), and the origin of
// the "JD average" axis from it; both raise the faults of their steps.
double MeanJd(double jdSum, int64_t n);
double MeanEpoch(long double meanJd, long double m0, long double period);

// A phase with the entry it belongs to, the unit the fold sorts.
struct PhaseItem {
  double phase;
  int32_t index;
};

// Phases of the entries into entryPhase and `items` (input order) with meanJd and meanEpoch.
// On a fault at entry i the entries before it are written, and sortedPhase / sortIndex hold
// them in input order, as the unsorted arrays of an interrupted fold do. With `knownSum` the sum
// of the Julian Days is taken from there (it does not depend on the period).
void ComputePhases(Data& data, const Star& star, long double period, PhaseItem* items,
                   const double* knownSum = nullptr);

// sortedPhase and sortIndex from the sorted items.
void StoreSorted(Data& data, const PhaseItem* sorted, int32_t n);

// Bin bounds of the AoV statistic, built by repeated addition of 0.1 in double precision: bin k
// is [bound[k], bound[k + 1]).
const std::array<double, kAovBins + 1>& AovBinBounds();

// Grand mean of the magnitudes over all entries: the sum in double precision, then / N.
long double GrandMean(const Data& data, int32_t n);

// The tables of the ten bins from their sums and counts, bin after bin, so that an empty bin k
// faults (0 / 0) with bins 0 .. k-1 written; returns the between-bin sum B.
long double FillBinTables(Data& data, long double m, const std::array<double, kAovBins>& binSum,
                          const std::array<int32_t, kAovBins>& count);

// (mag - bin mean)^2 of one position, a term of the within-bin sum W.
inline long double WithinTerm(const Data& data, int32_t position, int32_t bin) {
  const long double d = data.mag[data.sortIndex[position]] - data.aovBinMean[bin];
  return d * d;
}

// Between-bin variance over within-bin variance, with 9 and N - 10 degrees of freedom.
double Theta(long double between, long double within, int32_t n);

// Whether the statistic of a fold with these bin counts is defined: more than ten entries and
// an entry in every bin.
AovUndefined UndefinedFor(int32_t n, const std::array<int32_t, kAovBins>& count);

// The tables of an undefined statistic: every count, and the mean and term of each bin that has
// entries (0 for an empty one).
void FillUndefinedTables(Data& data, long double m, const std::array<double, kAovBins>& binSum,
                         const std::array<int32_t, kAovBins>& count);

}  // namespace ombrane::fold_internal
