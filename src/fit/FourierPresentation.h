// What the Fourier fits show and write: the picture of a fit (the folded points, the fitted curve,
// its extremes), the pane lines, the lines of the output files, and the three fits as the
// buttons run them (the automatic fit, the fit with a chosen number of harmonics and the
// sine-plus-cosine fit), each computing through fit/FourierFit.h and then presenting.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fit/FourierFit.h"
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

// The picture of a fit: the folded curve (sorted positions 1 .. N-2) in kPhaseSeries and one cycle
// later in kSecondCycleSeries, marked entries in kMarkedSeries, and the fitted curve of
// EvaluateFittedCurve in kFittedCurveSeries (yellow), against phase or against averaged time.
// Returns the curve's extremes and rising time.
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
  // The weighted form: each observation weighed by 1/σ² when the data carry their errors (the
  // pane then says so in one more line); the lines and files of the fit are otherwise the same.
  bool weighted = false;
};

// What a fit produced, filled step by step so that after a failure it holds what was done.
struct FitOutcome {
  bool ran = false;  // the period was positive
  int32_t harmonics = 0;
  std::optional<FitExtremes> extremes;    // after the curve was drawn
  std::optional<std::string> sinCosLine;  // after a sin+cos fit
  // The final fit, once made: every harmonic's coefficients and covariance, for a front end
  // that hands on more than the first four harmonics the results record keeps.
  std::shared_ptr<const HarmonicFit> fit;
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
