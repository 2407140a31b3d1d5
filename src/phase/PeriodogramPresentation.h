// What a periodogram shows and writes: the CSV text, the peak lines of the batch program, the
// table of the peaks, the summary under the chart, and its picture with the click on the curve.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "phase/Periodogram.h"
#include "view/ChartModel.h"

namespace ombrane {

// The CSV text: a header line "period,frequency,<score>" (string_length or aov_theta), then one
// line per kept point in trial order, numbers in the general format with ".", lines ending in
// "\n".
std::string PeriodogramCsv(const Periodogram& periodogram);

// One line of a peak, as the batch program's search --peaks prints it:
// "Peak 1: period 0.567123 frequency 1.76328 SL 2.5" or
// "Peak 1: period 0.567123 frequency 1.76328 theta 45.6 p 1.2E-40 FAP 3.4E-38".
std::string PeakLine(const Periodogram& periodogram, const Peak& peak, int rank, char separator);

// The table of the peaks: its column titles, and one row of a peak (period with the 15 digits
// the period box takes, frequency and score with 10, the probabilities with 3).
std::vector<std::string> PeakTableHeader(SearchMethod method);
std::vector<std::string> PeakTableHeader(const Periodogram& periodogram);
std::vector<std::string> PeakTableRow(const Periodogram& periodogram, const Peak& peak, char separator);

// What the window says under the chart: the search, the points kept and, for AoV, what the
// probabilities of the peaks rest on (degrees of freedom, M, T).
std::string PeriodogramSummary(const Periodogram& periodogram, const std::string& fileName, char separator);

enum class PeriodogramAxis { Period = 0, Frequency = 1 };

// What a picture of the periodogram holds besides the chart model: which kept point each point
// of the curve stands for (none for a break) and which peak each peak symbol is.
struct PeriodogramPicture {
  PeriodogramAxis axis = PeriodogramAxis::Period;
  std::vector<std::optional<size_t>> curvePoint;  // per point of kPeriodogramCurveSeries
  std::vector<size_t> peakRank;                   // per point of kPeakSeries: index in the peak list
};

// Draws the periodogram into `chart` (cleared first): the curve in kPeriodogramCurveSeries against the trial
// period or the frequency, a break where a stretch is undefined; the listed peaks as squares
// in kPeakSeries; the best period as a vertical marker in kMarkerSeries. The left axis runs so that a
// better score is higher (inverted for the string length). Titles name the file and the method.
PeriodogramPicture DrawPeriodogram(const Periodogram& periodogram, const std::vector<Peak>& peaks,
                                   PeriodogramAxis axis, const std::string& fileName, ChartModel& chart);

// The abscissa of a kept point in a picture.
double Abscissa(const TrialScore& point, PeriodogramAxis axis);

// The best kept point of the curve whose abscissa lies in [from, to] (a click on the curve takes
// the top of the peak under the mouse); nothing when none does.
std::optional<size_t> BestPointWithin(const Periodogram& periodogram, PeriodogramAxis axis, double from,
                                      double to);

}  // namespace ombrane
