// The ephemeris of an eclipsing binary from its times of minimum: each minimum gets its cycle
// number E (an integer for a primary, n + ½ for a secondary), and a linear ephemeris
// T(E) = T0 + P·E, or a quadratic one T(E) = T0 + P·E + Q·E², is fitted to the times by weighted
// least squares (weights 1/σ²). The O−C of a minimum is its time less the ephemeris' prediction.
//
// A secondary eclipse need not fall at phase ½ (an eccentric orbit): with a secondary phase φ
// the prediction of the secondary of cycle n + ½ is T0 + P·(n + φ) (+ Q·(n + φ)²); its cycle is
// still written n + ½, as observers list them.
//
// The quadratic term gives the period's change: P(E) = P + 2Q·E, so dP/dE = 2Q (days a cycle)
// and dP/dt = 2Q/P (days a day; ×365.25 days a year).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ombrane {

enum class MinimumKind { Primary, Secondary };

// One time of minimum, typed in, read from a table or timed in the data.
struct TimedMinimum {
  long double time = 0;              // days (the scale is the user's: HJD, BJD_TDB...)
  long double error = 0;             // its standard error in days; 0 when not known
  std::optional<MinimumKind> kind;   // not known: taken as the cycle says, else a primary
  std::optional<long double> cycle;  // E when known (n or n + ½)
  bool excluded = false;             // left out of the fit (still numbered and shown)
};

// The kind of a minimum: as given, else from its cycle (n + ½: secondary), else primary.
MinimumKind KindOf(const TimedMinimum& minimum);

// The cycle numbers of `minima`, the given ones kept. The others are counted from the reference
// ephemeris (`epoch`, `period`) when given: E = n (primaries) or n + ½ (secondaries), with n the
// whole number of periods nearest to the minimum's phase offset (0, or `secondaryPhase`).
// Without a period it is found from the minima themselves: the shortest interval between
// successive minima of one kind, divided by the smallest whole number that leaves every interval
// within a tenth of a cycle of a whole one, then refined by linear fits while the minima are
// numbered in time order (each numbered from the fit of those before it). Without an epoch the
// first primary (else the first minimum) is cycle 0 (or ½). InputError when the minima cannot be
// numbered (fewer than two without a period, or no period that fits them all).
std::vector<long double> NumberCycles(const std::vector<TimedMinimum>& minima,
                                      std::optional<long double> epoch, std::optional<long double> period,
                                      long double secondaryPhase = 0.5L);

// A fitted ephemeris.
struct EphemerisFit {
  bool quadratic = false;
  // Weighted by the errors (every minimum in the fit has an error > 0); otherwise every minimum
  // weighs the same and the errors come from the scatter of the residuals.
  bool weighted = false;
  int32_t used = 0;  // minima in the fit
  int32_t degreesOfFreedom = 0;
  long double epoch = 0, epochError = 0;                // T0 (cycle 0)
  long double period = 0, periodError = 0;              // P
  long double quadraticTerm = 0, quadraticError = 0;    // Q (0 for a linear fit)
  long double periodChange = 0, periodChangeError = 0;  // dP/dE = 2Q, days a cycle
  long double periodRate = 0, periodRateError = 0;      // dP/dt = 2Q/P, days a day
  // χ² of the residuals (weighted: Σ (O−C)²/σ²; unweighted: Σ (O−C)² in days²).
  long double chiSquare = 0;
  long double rms = 0;  // root mean square of the residuals, days
  // The factor the formal errors of a weighted fit were multiplied by: √(χ²/ν) when above 1
  // (the residuals scatter more than the errors say), else 1. Unweighted fits take their errors
  // from the residuals.
  long double errorScale = 1;
  bool errorsKnown = true;             // false for an unweighted fit without a degree of freedom
  std::vector<long double> cycles;     // E of every minimum (excluded ones too)
  std::vector<long double> residuals;  // O−C of every minimum against the fit, days
};

// Fits the ephemeris to the minima not excluded, with their `cycles` (NumberCycles). The fit is
// weighted when every minimum in it has an error above 0. Solved by Householder QR in extended
// precision with the cycles counted from their mean (the normal equations of a quadratic over
// 10^4 cycles would lose the digits of T0). InputError with fewer minima than terms (2 linear,
// 3 quadratic), with fewer distinct cycles than terms, or with a time or error that is not finite.
EphemerisFit FitEphemeris(const std::vector<TimedMinimum>& minima, const std::vector<long double>& cycles,
                          bool quadratic, long double secondaryPhase = 0.5L);

}  // namespace ombrane
