// The Fourier fits of the folded light curve: the automatic fit (the number of harmonics chosen
// by significance, outliers beyond 2.5 sigma marked), the fit with a chosen number of harmonics
// and the sine-plus-cosine fit. Each reports the mean level, the amplitudes and phases of the
// harmonics and the Fourier parameters R_k1 = A_k / A_1 and phi_k1 = phi_k - k phi_1 with their
// standard errors (Simon & Lee 1981, ApJ 248, 291; errors by linear propagation through the
// covariance matrix, Petersen 1986, A&A 170, 59), and draws the fitted curve over the phase
// diagram with its extremes and the rising time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fit/HarmonicCore.h"
#include "phase/Fold.h"
#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane {

inline constexpr const char* kFourierFileName = "FourierOut.txt";
inline constexpr const char* kDataFileName = "DataOut.txt";
inline constexpr const char* kSinCosFileName = "SinCosOut.txt";

// Colours of the fit's picture (0x00BBGGRR).
inline constexpr uint32_t kFitCurveColour = 0x00FFFF;       // yellow
inline constexpr uint32_t kMinimumMarkerColour = 0x0000FF;  // red
inline constexpr uint32_t kMaximumMarkerColour = 0xFF0000;  // blue

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

// Marks every unmarked observation whose residual from the fit exceeds 2.5 sigma (strictly);
// returns how many it marked.
// With `table` (covering the fit's harmonics) the residuals read their sines and cosines there.
int32_t ClipOutliers(Data& data, const HarmonicFit& fit, const SeriesTable* table = nullptr);

// The extremes of the fitted curve over the first cycle, and the rising time (minimum to
// maximum light, in cycles, in [0, 1]).
struct FitExtremes {
  long double maximumX = 0;  // abscissa of maximum light (smallest magnitude)
  long double maximumMag = 0;
  long double minimumX = 0;  // abscissa of minimum light (largest magnitude)
  long double minimumMag = 0;
  long double risingTime = 0;
};

// The picture of a fit: the folded curve (sorted positions 1 .. N-2) in kPhaseSeries and one cycle
// later in kSecondCycleSeries, marked entries in kMarkedSeries, the fitted curve in kFittedCurveSeries
// (yellow) over two cycles, against phase (the series evaluated at time meanEpoch + x P, phase x of the fold)
// or against averaged time (from meanEpoch). The extremes are tracked over the first cycle from the curve's
// first point.
FitExtremes DrawFitCurve(const Data& data, long double period, const HarmonicFit& fit, PhaseAxis axis,
                         ChartModel& chart);

// The MIN (red) and MAX (blue) markers of kMarkerSeries.
void AddExtremeMarkers(const FitExtremes& extremes, ChartModel& chart);

// The line "FourierOut.txt" receives: the Fourier results (FourierResults, in its slot order) and the rising
// time in fixed notation with 6 decimals, each followed by two blanks, then the data file's name and CR LF.
std::string FourierOutLine(const Star& star, long double risingTime, std::string_view openPath);

// The block "DataOut.txt" receives: for sorted positions 1 .. N-2 the abscissa, magnitude,
// fitted magnitude, residual and Julian Day with 4 decimals, separated by two blanks, CR LF;
// then an empty line.
std::string DataOutBlock(const Data& data, PhaseAxis axis);

// The line "SinCosOut.txt" receives: for k = 1 .. n, k, a_k, sigma(a_k), b_k, sigma(b_k) (fixed,
// 6 decimals), each followed by two blanks, then the data file's name and CR LF.
std::string SinCosLine(const HarmonicFit& fit, std::string_view openPath);

// Where a fit's results go: the notes pane, and the output files (opened for appending, which
// creates them, then appended to). Any of them may be empty.
struct FitSink {
  std::function<void(const std::string& line)> note;
  std::function<void(const std::string& file)> open;
  std::function<void(const std::string& file, const std::string& text)> append;
};

// The two file steps of the fits: FourierOutLine appended to "FourierOut.txt" and DataOutBlock
// to "DataOut.txt", through the sink.
void WriteFourierOut(const Star& star, long double risingTime, std::string_view openPath,
                     const FitSink& sink);
void WriteDataOut(const Data& data, PhaseAxis axis, const FitSink& sink);

struct FitRequest {
  PhaseAxis axis = PhaseAxis::Phase;  // "Plot/File": phase or averaged time
  bool linesToNotes = false;          // "Fourier To Edit": the result lines go to the pane
  bool fourierFile = false;           // "Save Fourier To File" (the sin+cos line, too)
  bool dataFile = false;              // "Save Data To File"
  bool openFiles = true;              // open the output files even when their box is off
  char separator = '.';               // decimal separator of the pane
};

// What a fit produced, filled step by step so that after a failure it holds what was done.
struct FitOutcome {
  bool ran = false;  // the period was positive
  int32_t harmonics = 0;
  std::optional<FitExtremes> extremes;    // after the curve was drawn
  std::optional<std::string> sinCosLine;  // after a sin+cos fit
};

// The automatic fit (the NJD button). Nothing when star.period <= 0.
void RunAutomaticFit(Data& data, Star& star, ViewState& view, ChartModel& chart, const FitRequest& request,
                     const FitSink& sink, FitOutcome& outcome);

// Refuses, before anything is touched, a harmonics box whose number is a count a fit cannot
// hold (below 0 or above kMaxHarmonics after truncation); a text that is not a number passes
// here and fails where the fit reads the box.
void CheckHarmonicsBox(std::string_view text, char separator);

// The fit with the number of harmonics of the box (the "sin" button): no outlier clipping.
void RunFixedFit(std::string_view harmonicsText, Data& data, Star& star, ViewState& view, ChartModel& chart,
                 const FitRequest& request, const FitSink& sink, FitOutcome& outcome);

// The sine-plus-cosine fit (the "sin+cos" button): the raw coefficients with their errors as one
// line of "SinCosOut.txt" (written with request.fourierFile); draws nothing.
void RunSinCosFit(std::string_view harmonicsText, Data& data, Star& star, const ViewState& view,
                  const FitRequest& request, const FitSink& sink, FitOutcome& outcome);

}  // namespace ombrane
