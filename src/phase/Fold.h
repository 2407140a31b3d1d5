// Phase folding with the ephemeris (epoch M0, period P) and the statistics of a fold (string
// length, analysis of variance over ten phase bins). Nothing here draws or writes text: the phase
// diagram, "DataPhase.txt", the labels and the fold as the buttons run it are in
// phase/FoldPresentation.h.
#pragma once

#include <cstdint>

#include "store/Records.h"

namespace ombrane {

enum class PhaseAxis { Phase = 0, JdAverage = 1 };

// Phases of jd[0..N-1] at period P about star.epoch into entryPhase and sortedPhase, a stable
// ascending sort with sortIndex, meanJd and meanEpoch. Needs N >= 1; raises the floating-point
// faults of the division at the entry where they happen (P = 0: division by zero).
void FoldPhases(Data& data, const Star& star, long double period);

// What the folds of one set of observations share whatever the period: the sum of the Julian
// Days (in double, as the fold forms it) and the grand mean of the magnitudes (as the AoV
// statistic forms it). The period search folds the same observations thousands of times and
// forms them once. Not valid when forming them faults (the folds then fault themselves).
struct FoldInvariants {
  double jdSum = 0;
  long double magMean = 0;
  bool valid = false;
};
FoldInvariants ComputeFoldInvariants(const Data& data);

// FoldPhases and AovStatistic with the invariants of `data` given: the same results, faster.
void FoldPhases(Data& data, const Star& star, long double period, const FoldInvariants& invariants);
double AovStatistic(Data& data, const FoldInvariants& invariants);

// String length of the fold (pairs with a marked entry left out) into star.stringLength.
void FoldStringLength(Data& data, Star& star);

// String length of the fold counting every pair (the score of the period search).
long double SearchStringLength(const Data& data);

// AoV statistic of the fold (ten bins); fills the AoV tables. Raises the floating-point fault of
// an empty bin, N = 10 or W = 0 at the step where it happens.
double AovStatistic(Data& data);

// Why the AoV statistic of a fold has no value: with ten bins it needs more than ten entries
// (N - 10 degrees of freedom within the bins) and an entry in every bin (a bin mean).
enum class AovUndefined { None, TooFewEntries, EmptyBin };

// The reason in words, for messages: "fewer than 10 observations", "empty phase bin".
const char* AovUndefinedReason(AovUndefined undefined);

struct AovValue {
  double theta = 0;
  AovUndefined undefined = AovUndefined::None;
  bool defined() const { return undefined == AovUndefined::None; }
};

// AovStatistic, except that an undefined statistic (N <= 10 or an empty bin) is returned as such
// instead of faulting; the tables then hold the counts, and the means and terms of the bins
// that have entries (0 for the others). A zero within-bin sum and every other fault still
// raise.
AovValue AovStatisticIfDefined(Data& data, const FoldInvariants& invariants = {});

// jdAverage[i] = sortedPhase[i] * P + meanEpoch for i < N.
void SetJdAverage(Data& data, long double period);

}  // namespace ombrane
