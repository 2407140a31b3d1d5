#include "phase/Periodogram.h"

#include <algorithm>
#include <cmath>

#include "phase/FDistribution.h"

namespace ombrane {

namespace {

// AoV with ten phase bins: 10 − 1 degrees of freedom between the bins, N − 10 within them.
constexpr int32_t kAovBetweenDof = kAovBins - 1;

}  // namespace

int64_t SliceSizeFor(int64_t trials, int64_t keepAtMost) {
  keepAtMost = std::max<int64_t>(keepAtMost, 1);
  if (trials <= keepAtMost) return 1;
  return (trials + keepAtMost - 1) / keepAtMost;
}

bool GapBetween(const Periodogram& periodogram, const TrialScore& a, const TrialScore& b) {
  const int64_t slice = std::max<int64_t>(periodogram.sliceSize, 1);
  return b.trial / slice > a.trial / slice + 1;
}

long double TimeSpan(const Data& data) {
  if (data.pointCount < 1) return 0;
  long double first = data.jd[0];
  long double last = data.jd[0];
  for (int32_t i = 1; i < data.pointCount; ++i) {
    first = std::min(first, data.jd[static_cast<size_t>(i)]);
    last = std::max(last, data.jd[static_cast<size_t>(i)]);
  }
  return last - first;
}

long double PeakSeparation(const Periodogram& periodogram) {
  return periodogram.timeSpan > 0 ? 1 / periodogram.timeSpan : 0;
}

std::vector<Peak> FindPeaks(const Periodogram& periodogram, int count) {
  const std::vector<TrialScore>& points = periodogram.points;
  const SearchMethod method = periodogram.method;
  std::vector<size_t> candidates;
  // Runs of equal scores: a run is a peak when it is better than the points beside it (an end of
  // the range has one neighbour only).
  for (size_t i = 0; i < points.size();) {
    size_t end = i + 1;
    while (end < points.size() && points[end].score == points[i].score) ++end;
    const bool overLeft = i == 0 || BetterScore(method, points[i].score, points[i - 1].score);
    const bool overRight = end == points.size() || BetterScore(method, points[i].score, points[end].score);
    if (overLeft && overRight) candidates.push_back(i);
    i = end;
  }
  std::sort(candidates.begin(), candidates.end(),
            [&](size_t a, size_t b) { return RanksBefore(method, points[a], points[b]); });

  const long double separation = PeakSeparation(periodogram);
  std::vector<Peak> peaks;
  for (size_t index : candidates) {
    if (static_cast<int>(peaks.size()) >= count) break;
    const TrialScore& p = points[index];
    const long double frequency = 1 / p.period;
    const bool taken = std::any_of(peaks.begin(), peaks.end(), [&](const Peak& q) {
      return std::fabs(q.frequency - frequency) < separation;
    });
    if (taken) continue;
    peaks.push_back(
        Peak{.period = p.period, .frequency = frequency, .score = p.score, .trial = p.trial, .point = index});
  }
  return peaks;
}

long double AovSingleTrialProbability(long double theta, int32_t entries) {
  return FisherUpperTail(theta, kAovBetweenDof, static_cast<long double>(entries) - kAovBins);
}

long double IndependentFrequencies(long double periodMin, long double periodMax, long double timeSpan) {
  const long double m = (1 / periodMin - 1 / periodMax) * timeSpan;
  return std::isfinite(m) ? std::max(m, 1.0L) : 1.0L;
}

long double FalseAlarmProbability(long double probability, long double independentTrials) {
  return -std::expm1(independentTrials * std::log1p(-probability));
}

std::optional<AovSignificance> SignificanceOf(const Periodogram& periodogram, long double theta) {
  if (periodogram.method != SearchMethod::Aov || periodogram.entries <= kAovBins) return std::nullopt;
  AovSignificance s;
  s.probability = AovSingleTrialProbability(theta, periodogram.entries);
  s.independentTrials =
      IndependentFrequencies(periodogram.searchMin, periodogram.searchMax, periodogram.timeSpan);
  s.falseAlarm = FalseAlarmProbability(s.probability, s.independentTrials);
  return s;
}

}  // namespace ombrane
