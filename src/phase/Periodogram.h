// The periodogram of a period search: the score of every trial period, kept within a bounded
// number of points; its best separate peaks; the significance of an AoV peak. Its texts (CSV,
// peak lines, table, summary) and its picture are in phase/PeriodogramPresentation.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/Records.h"

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

// Better score first; equal scores: the earlier trial first.
inline bool RanksBefore(SearchMethod method, const TrialScore& a, const TrialScore& b) {
  if (BetterScore(method, a.score, b.score)) return true;
  if (BetterScore(method, b.score, a.score)) return false;
  return a.trial < b.trial;
}

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

}  // namespace ombrane
