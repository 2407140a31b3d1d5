// The periodogram of a period search: the score of every trial period, kept within a bounded
// number of points; its best separate peaks; the significance of an AoV peak; the CSV text and
// the chart picture of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane {

// The string length and the ten-bin AoV fold the records (PeriodSearch.h); the others are the
// methods on arrays of the search folder: generalised Lomb–Scargle, multi-harmonic AoV, phase
// dispersion minimisation and box least squares.
enum class SearchMethod { StringLength = 0, Aov = 1, Gls = 2, Mhaov = 3, Pdm = 4, Bls = 5 };

// A shorter string and a smaller PDM Θ are better; every other score is better larger.
inline bool LargerIsBetter(SearchMethod method) {
  return method != SearchMethod::StringLength && method != SearchMethod::Pdm;
}

// Equal scores are not better.
inline bool BetterScore(SearchMethod method, long double score, long double than) {
  return LargerIsBetter(method) ? score > than : score < than;
}

// The most points a periodogram keeps, whatever the number of trials.
inline constexpr int64_t kMaxKeptScores = 100'000;

// Trials per kept point for a search of `trials` trial periods keeping at most `keepAtMost`
// points: 1 up to that many trials, else the smallest slice size that needs no more points.
int64_t SliceSizeFor(int64_t trials, int64_t keepAtMost = kMaxKeptScores);

struct TrialScore {
  long double period = 0;
  long double score = 0;  // string length (every pair counted) or AoV statistic Θ
  int64_t trial = 0;      // 0 for the first trial period (searchMin), 1 for the next, ...
};

// How a method of the search folder names its score, its extra values per trial and the
// significance of a peak; the string-length and AoV periodograms have none.
struct ScoreColumns {
  std::string name;                             // "GLS"
  std::string scoreTitle;                       // "GLS power": the table's column and the chart's axis
  std::string scoreCsv;                         // "gls_power": the CSV column
  std::string scoreKey;                         // "power": the word before the score in a peak line
  std::vector<std::string> extraCsv;            // CSV columns after the score ("duration", ...)
  std::vector<std::string> extraTitles;         // their table columns
  std::vector<std::string> significanceTitles;  // table columns ("FAP (band)")
  std::vector<std::string> significanceKeys;    // words in a peak line ("FAP")
  // The significance values of a score, as many as significanceTitles.
  std::function<std::vector<long double>(long double score)> significance;
  std::string note;  // what the significance rests on, a sentence for the summary
};

struct Periodogram {
  SearchMethod method = SearchMethod::StringLength;
  long double searchMin = 0;  // the range searched, as requested
  long double searchMax = 0;
  int64_t trials = 0;     // trial periods of the search
  int64_t sliceSize = 1;  // consecutive trials whose best score one point keeps
  // In trial order. Point j holds the best score of the trials j·sliceSize ... (j+1)·sliceSize − 1
  // with its period and trial (equal scores keep the earlier trial), so no peak is lost when the
  // points are fewer than the trials. An AoV slice whose every trial is undefined has no point.
  std::vector<TrialScore> points;
  int32_t entries = 0;       // N of the statistic: the entries folded, the loader's repeat included
  long double timeSpan = 0;  // last minus first Julian Day of the observations
  // The methods of the search folder: their columns, and columns->extraCsv.size() values per
  // kept point (point j's at j·size ...), in the order of extraCsv.
  std::shared_ptr<const ScoreColumns> columns;
  std::vector<long double> extras;

  bool empty() const { return points.empty(); }
};

// True when a slice between kept points a and b (consecutive in `points`) has no point: an
// undefined stretch of an AoV search, where a drawn curve breaks.
bool GapBetween(const Periodogram& periodogram, const TrialScore& a, const TrialScore& b);

// Time span of the entries: the last minus the first Julian Day (the loader's repeat of the last
// observation changes nothing).
long double TimeSpan(const Data& data);

// A peak: a kept point better than its neighbours on either side (for a run of equal scores,
// than the points beside the run; the run's first point stands for it).
struct Peak {
  long double period = 0;
  long double frequency = 0;  // 1 / period
  long double score = 0;
  int64_t trial = 0;
  size_t point = 0;  // index in Periodogram::points
};

// Frequency distance below which two peaks count as one: 1/T, the width of a peak of a
// coherent signal observed over the time span T (0 when T = 0).
long double PeakSeparation(const Periodogram& periodogram);

// The `count` best separate peaks, best first (equal scores: the earlier trial first). A peak
// whose frequency lies within PeakSeparation of a better one already taken belongs to it and is
// left out, so that the list names distinct periods, not neighbouring trials of one peak.
std::vector<Peak> FindPeaks(const Periodogram& periodogram, int count);

// Significance of an AoV statistic Θ of N entries (Schwarzenberg-Czerny 1989, MNRAS 241, 153):
// with ten phase bins Θ follows the F distribution with (9, N − 10) degrees of freedom under
// pure noise, so the single-trial probability of reaching Θ by chance is its upper tail. Over a
// search of M independent frequencies the false-alarm probability is 1 − (1 − p)^M.
struct AovSignificance {
  long double probability = 1;        // p, single trial
  long double falseAlarm = 1;         // FAP over the range
  long double independentTrials = 1;  // M
};

// p = Q_F(Θ; 9, N − 10). Needs N > 10 and Θ >= 0.
long double AovSingleTrialProbability(long double theta, int32_t entries);

// M ≈ (1/Pmin − 1/Pmax)·T: the frequency range in units of the peak width 1/T; at least 1.
long double IndependentFrequencies(long double periodMin, long double periodMax, long double timeSpan);

// 1 − (1 − p)^M, as −expm1(M·log1p(−p)): a tiny p gives M·p instead of rounding to 0, and
// a p near 1 does not lose its distance from 1.
long double FalseAlarmProbability(long double probability, long double independentTrials);

// All three for a peak of an AoV periodogram; nothing for a string-length one or when N <= 10.
std::optional<AovSignificance> SignificanceOf(const Periodogram& periodogram, long double theta);

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
