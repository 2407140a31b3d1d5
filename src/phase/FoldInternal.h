// Internal to src/phase: the pieces of the fold that the period search's own scorer
// (TrialScorer.h) repeats operation for operation, so that both give identical numbers. Not for
// use outside the phase folder.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "store/Records.h"

namespace ombrane {

// The entries a fold works on (Fold.cpp's count).
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

// The mean Julian Day of a fold from the sum of its Julian Days (in double), and the origin of
// the "JD average" axis from it; both raise the faults of their steps.
double MeanJd(double jdSum, int64_t n);
double MeanEpoch(long double meanJd, long double m0, long double period);

// Bin bounds of the AoV statistic: bin k is [bound[k], bound[k + 1]).
const std::array<double, kAovBins + 1>& AovBinBounds();

}  // namespace ombrane
