// The numbers of the Fourier fits of the folded light curve: the amplitudes and phases of the
// harmonics and the Fourier parameters R_k1 = A_k / A_1 and phi_k1 = phi_k - k phi_1 with their
// standard errors (Simon & Lee 1981, ApJ 248, 291; errors by linear propagation through the
// covariance matrix, Petersen 1986, A&A 170, 59), the number of harmonics chosen by significance,
// the outliers beyond 2.5 sigma, and the fitted curve over two cycles with its extremes and the
// rising time. Nothing here draws or writes text: the picture, the pane lines, the output files
// and the fits as the buttons run them are in fit/FourierPresentation.h.
#pragma once

#include <cstdint>
#include <vector>

#include "fit/HarmonicCore.h"
#include "phase/Fold.h"
#include "store/Records.h"

namespace ombrane {

// The curve runs over two cycles in steps of 0.0001 (of phase, or of days against averaged
// time). Against averaged time a long period would make millions of points; beyond this count
// the step grows so that the two cycles keep this many points.
inline constexpr int32_t kMaxCurvePoints = 200000;

// How the fourth and sixth powers of an amplitude are formed: with the power function in double
// precision (the search and the Fourier parameters) or as a product in extended precision (the
// phase errors of the final fit).
enum class PowerForm { Pow, Product };

// A_k sin(k w t + phi_k) = a_k sin(k w t) + b_k cos(k w t), with standard errors.
struct HarmonicTerms {
  long double amplitude = 0;       // A_k = sqrt(a_k^2 + b_k^2)
  long double amplitudeError = 0;  // sigma(A_k)
  long double phase = 0;           // phi_k = atan2(b_k, a_k), radians in (-pi, pi]
  long double phaseError = 0;      // sigma(phi_k)
  long double phaseVariance = 0;   // sigma^2(phi_k)
  long double t = 0;               // T_k = A_k^2 sigma^2(A_k)
};

// The Fourier parameters of harmonic k >= 2 against the first harmonic.
struct FourierParameter {
  long double ratio = 0;                 // R_k1
  long double ratioError = 0;            // sigma(R_k1)
  long double phaseDifference = 0;       // phi_k1, brought into [0, 2 pi) (see PhaseDifferenceInRange)
  long double phaseDifferenceError = 0;  // sigma(phi_k1)
};

// Amplitude, phase and their errors of harmonic k (1 <= k <= fit.harmonics). Raises the fault of
// a zero amplitude (division) or a negative variance (square root).
HarmonicTerms AmplitudePhase(const HarmonicFit& fit, int32_t k, PowerForm form);

// R_k1 and phi_k1 with their errors, for 2 <= k <= fit.harmonics.
FourierParameter FourierParameters(const HarmonicFit& fit, int32_t k);

// Brings d = phi_k - k phi_1 into range: with j = trunc(d / 2 pi), a positive d becomes
// d - 2 j pi, and then a negative d becomes d - 2 (j - 1) pi. A positive d ends in [0, 2 pi),
// a negative one in (0, 2 pi]; -2 pi gives 2 pi.
long double PhaseDifferenceInRange(long double d);

struct HarmonicCountResult {
  int32_t harmonics = 0;  // the last count whose every term was significant
  bool capped = false;    // every count up to kMaxHarmonics passed: the search stopped there
};

// The number of harmonics by significance: n = 1, 2, ... are fitted until a fit has an
// amplitude, phase, R_k1 or phi_k1 smaller (strictly) than its own standard error; the result
// is that count less one. Stops at kMaxHarmonics.
// `table`, when given, keeps the sines and cosines for the final fit of the same click.
HarmonicCountResult SelectHarmonicCount(Data& data, const Star& star, HarmonicFit& work,
                                        SeriesTable* table = nullptr);

// The observations a fit leaves out: the marked entries among 0 .. N-2 (entry N-1 repeats an
// observation and takes no part anyway). The count lines of the fits ("nr fit n") add
// "; k points left out" when there are any.
int32_t PointsLeftOut(const Data& data);

// Marks every unmarked observation whose residual from the fit exceeds 2.5 sigma (strictly; in
// the weighted form 2.5 sigma times its own error);
// returns how many it marked.
// With `table` (covering the fit's harmonics) the residuals read their sines and cosines there.
int32_t ClipOutliers(Data& data, const HarmonicFit& fit, const SeriesTable* table = nullptr);

// The standard error of a variance: its square root in double precision (a negative variance
// is an invalid operation).
long double StandardError(long double variance);

// The mean level A0 of a fit with its standard error.
ValueAndError MeanLevel(const HarmonicFit& fit);

// The results keep the first four harmonics: harmonic k (1 based) goes to amplitude[k - 1] and
// phase[k - 1]; its Fourier parameters (k >= 2) to amplitudeRatio[k - 2] and
// phaseDifference[k - 2]. Harmonics beyond the fourth are left out.
void KeepHarmonic(FourierResults& results, int32_t k, const HarmonicTerms& h);
void KeepFourierParameter(FourierResults& results, int32_t k, const FourierParameter& p);

// The raw coefficients of harmonic k, a_k (sine) and b_k (cosine), with their standard errors.
struct SineCosineTerms {
  long double sine = 0;
  long double sineError = 0;
  long double cosine = 0;
  long double cosineError = 0;
};
SineCosineTerms SineCosineCoefficients(const HarmonicFit& fit, int32_t k);

// The extremes of the fitted curve over the first cycle, and the rising time (minimum to
// maximum light, in cycles, in [0, 1]).
struct FitExtremes {
  long double maximumX = 0;  // abscissa of maximum light (smallest magnitude)
  long double maximumMag = 0;
  long double minimumX = 0;  // abscissa of minimum light (largest magnitude)
  long double minimumMag = 0;
  long double risingTime = 0;
};

// The fitted curve over two cycles, from the abscissa of phase 0 (meanEpoch against time):
// against phase, x in [0, 2) by repeated addition of 0.0001 in double precision, the series
// evaluated at time meanEpoch + x P (an instant of phase x of the fold the points were drawn
// from, so the curve lies on the folded points whatever the epoch); against averaged time, the
// Julian Days meanEpoch .. meanEpoch + 2P in steps of 0.0001 d (more when kMaxCurvePoints would
// be passed). The extremes are tracked over the first cycle from the curve's first point; of
// equal values the first stays.
struct FittedCurve {
  std::vector<double> x;       // the abscissae (phase, or Julian Day rounded to double)
  std::vector<long double> y;  // the series at each abscissa
  FitExtremes extremes;
};
FittedCurve EvaluateFittedCurve(const Data& data, long double period, const HarmonicFit& fit, PhaseAxis axis);

}  // namespace ombrane
