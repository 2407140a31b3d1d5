#include "phase/Periodogram.h"
#include "phase/PeriodogramPresentation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "PhaseFixture.h"
#include "Tolerance.h"
#include "phase/FDistribution.h"
#include "phase/PeriodSearch.h"

namespace ombrane {
namespace {

using test::MakeLoaded;
using test::Observation;

// A periodogram of the given (frequency, score) points in trial order, one trial per point.
Periodogram Made(SearchMethod method, const std::vector<std::pair<long double, long double>>& frequencyScore,
                 long double timeSpan) {
  Periodogram periodogram;
  periodogram.method = method;
  periodogram.timeSpan = timeSpan;
  periodogram.trials = static_cast<int64_t>(frequencyScore.size());
  int64_t trial = 0;
  for (const auto& [frequency, score] : frequencyScore)
    periodogram.points.push_back(TrialScore{1 / frequency, score, trial++});
  return periodogram;
}

std::vector<long double> PeakFrequencies(const std::vector<Peak>& peaks) {
  std::vector<long double> out;
  for (const Peak& p : peaks) out.push_back(p.frequency);
  return out;
}

TEST(SliceSizeFor, KeepsAtMostTheBound) {
  const struct {
    int64_t trials, keepAtMost, slice;
  } cases[] = {
      {1, kMaxKeptScores, 1},
      {100'000, kMaxKeptScores, 1},
      {100'001, kMaxKeptScores, 2},  // 50 001 points
      {200'000, kMaxKeptScores, 2},
      {200'001, kMaxKeptScores, 3},
      {100'000'000, kMaxKeptScores, 1000},
      {10, 3, 4},  // slices 0-3, 4-7, 8-9
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trials);
    const int64_t slice = SliceSizeFor(c.trials, c.keepAtMost);
    EXPECT_EQ(slice, c.slice);
    EXPECT_LE((c.trials + slice - 1) / slice, c.keepAtMost);
  }
}

// Frequencies 1.00, 1.02, ... with a time span of 10 days: peaks closer than 0.1 in frequency
// are one peak.
TEST(FindPeaks, LocalBestsSeparatedByThePeakWidth) {
  const Periodogram aov = Made(SearchMethod::Aov,
                               {{1.00L, 1},
                                {1.02L, 3},
                                {1.04L, 9},  // the best
                                {1.06L, 4},
                                {1.08L, 7},  // a bump on its flank, 0.04 away: the same peak
                                {1.10L, 2},
                                {1.20L, 1},
                                {1.30L, 8},  // second
                                {1.40L, 1},
                                {1.50L, 5},  // a plateau of two: its first point stands for it
                                {1.52L, 5},
                                {1.54L, 2},
                                {1.60L, 3},
                                {1.62L, 3},   // a plateau that rises on: no peak
                                {1.64L, 6}},  // the last point, better than its one neighbour
                               10);
  const std::vector<Peak> peaks = FindPeaks(aov, 5);
  EXPECT_EQ(PeakFrequencies(peaks),
            (std::vector<long double>{1 / (1 / 1.04L), 1 / (1 / 1.30L), 1 / (1 / 1.64L), 1 / (1 / 1.50L)}));
  ASSERT_EQ(peaks.size(), 4u);
  EXPECT_EQ(peaks[0].score, 9);
  EXPECT_EQ(peaks[0].point, 2u);
  EXPECT_EQ(peaks[0].period, 1 / 1.04L);
  EXPECT_EQ(peaks[3].trial, 9);
  EXPECT_EQ(FindPeaks(aov, 2).size(), 2u);

  // Without a time span every local best is a peak, the flank bump too.
  Periodogram noSpan = aov;
  noSpan.timeSpan = 0;
  EXPECT_EQ(FindPeaks(noSpan, 10).size(), 5u);

  // String length: the smallest is best. Equal scores rank the earlier trial first.
  const Periodogram sl = Made(SearchMethod::StringLength,
                              {{1.0L, 5}, {1.2L, 2}, {1.4L, 6}, {1.6L, 2}, {1.8L, 4}, {2.0L, 3}}, 10);
  const std::vector<Peak> slPeaks = FindPeaks(sl, 5);
  ASSERT_EQ(slPeaks.size(), 3u);
  EXPECT_EQ(slPeaks[0].trial, 1);
  EXPECT_EQ(slPeaks[1].trial, 3);
  EXPECT_EQ(slPeaks[2].trial, 5);
}

// The peak width is 1/T, not less: with T = 10 d two peaks 0.07 apart in frequency are one
// (half the width, 0.05, would keep both), two peaks 0.11 apart are two.
TEST(FindPeaks, PeaksWithinOneOverTAreOne) {
  const Periodogram aov =
      Made(SearchMethod::Aov, {{2.00L, 9}, {2.03L, 1}, {2.07L, 8}, {2.09L, 1}, {2.11L, 7}, {2.13L, 1}}, 10);
  EXPECT_EQ(PeakFrequencies(FindPeaks(aov, 5)), (std::vector<long double>{1 / (1 / 2.00L), 1 / (1 / 2.11L)}));
}

// Two sines of periods 0.3137 d and 0.7219 d, equally strong, sampled at random times over 40
// nights of 80 days: a search from 0.25 to 0.95 d, by AoV or by string length, lists both
// periods among its five best peaks, besides the double of the shorter one and aliases.
TEST(FindPeaks, BothPeriodsOfATwoPeriodCurve) {
  constexpr long double kP1 = 0.3137L, kP2 = 0.7219L;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> hour(0.0, 0.25);
  std::normal_distribution<double> noise(0.0, 0.02);
  std::vector<Observation> curve;
  const double pi = std::acos(-1.0);
  for (int night = 0; night < 40; ++night) {
    for (int i = 0; i < 30; ++i) {
      const long double jd = 2450000.0L + night * 2 + (night % 3) * 0.1 + hour(random);
      const double t = static_cast<double>(jd - 2450000.0L);
      const double mag = 12.0 + 0.2 * std::sin(2 * pi * t / static_cast<double>(kP1)) +
                         0.2 * std::sin(2 * pi * t / static_cast<double>(kP2) + 1.0) + noise(random);
      curve.push_back({jd, mag, night});
    }
  }
  std::sort(curve.begin(), curve.end(),
            [](const Observation& a, const Observation& b) { return a.jd < b.jd; });
  for (SearchMethod method : {SearchMethod::Aov, SearchMethod::StringLength}) {
    SCOPED_TRACE(static_cast<int>(method));
    auto data = MakeLoaded(curve);
    Star star;
    star.epoch = 2450000;
    SearchRequest request;
    request.searchMin = 0.25L;
    request.searchMax = 0.95L;
    request.increment = 0.0002L;
    request.method = method;
    const SearchResult result = SearchPeriod(*data, star, request);
    ASSERT_EQ(result.status, SearchResult::Status::Done);
    EXPECT_EQ(result.periodogram.timeSpan, curve.back().jd - curve.front().jd);
    const std::vector<Peak> peaks = FindPeaks(result.periodogram, 5);
    ASSERT_EQ(peaks.size(), 5u);
    // Within a quarter of the peak width 1/T in frequency.
    const long double width = 1 / result.periodogram.timeSpan;
    auto found = [&](long double period) {
      return std::any_of(peaks.begin(), peaks.end(),
                         [&](const Peak& p) { return std::fabs(p.frequency - 1 / period) < width / 4; });
    };
    EXPECT_TRUE(found(kP1));
    EXPECT_TRUE(found(kP2));
    EXPECT_EQ(peaks[0].period, result.bestPeriod);
  }
}

// Upper tail of F(9, d2) against the regularized incomplete beta function
// Q = I_{d2/(d2 + 9x)}(d2/2, 9/2), evaluated independently with mpmath 1.3.0 at 50 digits
// (python3: mpmath.betainc(d2/2, 4.5, 0, d2/(d2 + 9*x), regularized=True)). The first four x are
// the 5 % and 1 % critical values of the printed F tables (Abramowitz & Stegun, table 26.9:
// F(9, 20) = 2.39 and 3.46, F(9, 120) = 1.96 and 2.56), so p comes out near 0.05 and 0.01.
TEST(AovSignificance, FDistributionAgainstAnIndependentComputation) {
  const struct {
    long double theta;
    int32_t entries;  // N: 9 and N - 10 degrees of freedom
    long double p;
    long double relative;
  } cases[] = {
      {2.39L, 30, 0.050224876747636071746L, 1e-14L},
      {3.46L, 30, 0.0099526838960361186478L, 1e-14L},
      {1.96L, 130, 0.049840205680518035769L, 1e-14L},
      {2.56L, 130, 0.009960771928790474217L, 1e-14L},
      {1, 100, 0.44603524841999305113L, 1e-14L},
      {0, 40, 1, 0},
      {10, 110, 8.0822953345636097264e-11L, 1e-12L},
      {45.5L, 765, 2.1814237880585540871e-65L, 1e-11L},
      // Far below the smallest double: the extended range keeps it.
      {500, 6000, 9.7238249759474968711e-720L, 1e-9L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.theta));
    const long double p = AovSingleTrialProbability(c.theta, c.entries);
    EXPECT_LE(std::fabs(p - c.p), c.relative * c.p) << static_cast<double>(p);
  }
  EXPECT_NEAR(static_cast<double>(AovSingleTrialProbability(2.39L, 30)), 0.05, 0.001);
  EXPECT_NEAR(static_cast<double>(AovSingleTrialProbability(3.46L, 30)), 0.01, 0.0002);
  EXPECT_THROW(FisherUpperTail(1, 9, 0), std::domain_error);
  EXPECT_THROW(FisherUpperTail(-1, 9, 10), std::domain_error);
}

// 1 − (1 − p)^M; the expected values by mpmath at 50 digits (1 - (1 - p)**M), and where the
// naive formula in double fails.
TEST(AovSignificance, FalseAlarmProbabilityKeepsTinyAndNearOneValues) {
  const struct {
    long double p, m, fap, relative;
  } cases[] = {
      {1e-30L, 1000, 1e-27L, 1e-15L},  // 1 − (1 − 1e-30)^1000 is 0 in double
      {0.05L, 20, 0.64151407759145776564L, 1e-15L},
      {0.999L, 3.5L, 0.9999999999683772233983162L, 1e-18L},
      {0, 500, 0, 0},
      {1, 2, 1, 0},
      {0.3L, 1, 0.3L, 1e-18L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.p));
    EXPECT_LE(std::fabs(FalseAlarmProbability(c.p, c.m) - c.fap), c.relative * c.fap);
  }
  EXPECT_EQ(1 - std::pow(1 - 1e-30, 1000.0), 0.0);  // why log1p and expm1
}

TEST(AovSignificance, IndependentFrequenciesOfTheRange) {
  EXPECT_EQ(IndependentFrequencies(0.5L, 1, 100), 100);     // (2 − 1) · 100
  EXPECT_EQ(IndependentFrequencies(0.25L, 0.5L, 69), 138);  // (4 − 2) · 69
  EXPECT_EQ(IndependentFrequencies(1, 1.001L, 1), 1);       // fewer than one: one
  EXPECT_EQ(IndependentFrequencies(1, 2, 0), 1);

  // A peak of an AoV periodogram of N = 30 over 0.5 ... 1 d and 100 days: p from F(9, 20),
  // FAP over M = 100.
  Periodogram aov = Made(SearchMethod::Aov, {{1.5L, 2.39L}}, 100);
  aov.searchMin = 0.5L;
  aov.searchMax = 1;
  aov.entries = 30;
  const std::optional<AovSignificance> s = SignificanceOf(aov, 2.39L);
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->independentTrials, 100);
  EXPECT_EQ(s->probability, AovSingleTrialProbability(2.39L, 30));
  EXPECT_TRUE(test::Close(s->falseAlarm, 1 - std::pow(1 - s->probability, 100.0L), 64.0L));
  // None for a string length, none when N - 10 leaves no degrees of freedom.
  Periodogram sl = aov;
  sl.method = SearchMethod::StringLength;
  EXPECT_FALSE(SignificanceOf(sl, 2.39L).has_value());
  aov.entries = 10;
  EXPECT_FALSE(SignificanceOf(aov, 2.39L).has_value());
}

TEST(PeriodogramCsv, HeaderAndOneLinePerKeptPoint) {
  Periodogram sl;
  sl.method = SearchMethod::StringLength;
  sl.points = {{0.5L, 1.25L, 0}, {0.625L, 0.875L, 1}, {0.8L, 2, 2}};
  EXPECT_EQ(PeriodogramCsv(sl),
            "period,frequency,string_length\n"
            "0.5,2,1.25\n"
            "0.625,1.6,0.875\n"
            "0.8,1.25,2\n");
  Periodogram aov;
  aov.method = SearchMethod::Aov;
  aov.points = {{0.3L, 123.456L, 0}, {2.5L, 0.00001L, 7}};
  EXPECT_EQ(PeriodogramCsv(aov),
            "period,frequency,aov_theta\n"
            "0.3,3.33333333333333,123.456\n"
            "2.5,0.4,1E-5\n");
  aov.points.clear();
  EXPECT_EQ(PeriodogramCsv(aov), "period,frequency,aov_theta\n");
}

// The table's p column is the single-trial probability and its FAP column the false-alarm
// probability over M = 100 frequencies: p = 0.0502 (the 5 % point of F(9, 20) is 2.39 in the
// printed tables), FAP = 1 - (1 - 0.0502249)^100 = 0.994.
TEST(PeakTable, ProbabilityAndFalseAlarmInTheirOwnColumns) {
  Periodogram aov = Made(SearchMethod::Aov, {{1.6L, 2.39L}}, 100);
  aov.searchMin = 0.5L;
  aov.searchMax = 1;
  aov.entries = 30;
  const std::vector<std::string> header = PeakTableHeader(SearchMethod::Aov);
  ASSERT_EQ(header.size(), 5u);
  const std::vector<std::string> row = PeakTableRow(aov, FindPeaks(aov, 1)[0], '.');
  ASSERT_EQ(row.size(), 5u);
  EXPECT_EQ(header[3], "p (one trial)");
  EXPECT_EQ(row[3], "0.0502");
  EXPECT_EQ(header[4], "FAP (range)");
  EXPECT_EQ(row[4], "0.994");
}

// An infinite statistic has no chance at all under noise.
TEST(AovSignificance, InfiniteThetaHasProbabilityZero) {
  const long double inf = std::numeric_limits<long double>::infinity();
  EXPECT_EQ(FisherUpperTail(inf, 9, 20), 0.0L);
  EXPECT_EQ(AovSingleTrialProbability(inf, 30), 0.0L);
  EXPECT_EQ(FisherUpperTail(0, 9, 20), 1.0L);
}

// What the p column claims: under pure noise the AoV statistic of N entries follows F(9, N - 10),
// so its p is uniform on [0, 1]. 1000 folds of 60 Gaussian magnitudes at random times (a fixed
// seed): the Kolmogorov-Smirnov distance of the p values from the uniform distribution stays
// below 1.95 / sqrt(1000), its 0.1 % critical value.
TEST(AovSignificance, ThetaOfNoiseFollowsTheFDistribution) {
  std::mt19937 random(20261210);
  std::uniform_real_distribution<double> time(0, 100);
  std::normal_distribution<double> noise(0, 0.05);
  constexpr int kDraws = 1000;
  constexpr int kEntries = 60;
  std::vector<long double> p;
  Star star;
  star.epoch = 0;
  for (int draw = 0; draw < kDraws; ++draw) {
    std::vector<Observation> entries;
    for (int i = 0; i < kEntries; ++i) entries.push_back({2450000 + time(random), 12 + noise(random), 0, 0});
    auto data = MakeData(entries);
    FoldPhases(*data, star, 0.731L);
    const AovValue theta = AovStatisticIfDefined(*data);
    if (!theta.defined()) continue;  // an empty bin: no statistic to test
    p.push_back(AovSingleTrialProbability(theta.theta, kEntries));
  }
  ASSERT_GT(p.size(), 900u);
  std::sort(p.begin(), p.end());
  long double distance = 0;
  const auto n = static_cast<long double>(p.size());
  for (size_t i = 0; i < p.size(); ++i)
    distance = std::max({distance, std::fabs((i + 1) / n - p[i]), std::fabs(p[i] - i / n)});
  EXPECT_LT(distance, 1.95L / std::sqrt(n)) << p.size() << " draws";
}

TEST(PeakLine, TextsOfBothMethods) {
  Periodogram sl = Made(SearchMethod::StringLength, {{2, 1.5L}}, 10);
  EXPECT_EQ(PeakLine(sl, FindPeaks(sl, 1)[0], 1, ','), "Peak 1: period 0,5 frequency 2 SL 1,5");
  Periodogram aov = Made(SearchMethod::Aov, {{1.6L, 2.39L}}, 100);
  aov.searchMin = 0.5L;
  aov.searchMax = 1;
  aov.entries = 30;
  // p = 0.0502249 (F(9, 20)); FAP = 1 − (1 − p)^100 = 0.994218 (mpmath).
  EXPECT_EQ(PeakLine(aov, FindPeaks(aov, 1)[0], 3, '.'),
            "Peak 3: period 0.625 frequency 1.6 theta 2.39 p 0.0502 FAP 0.994");
}

TEST(DrawPeriodogram, BetterIsUpAndTheCurveBreaksWhereUndefined) {
  // Slices of two trials; trials 4 and 5 (slice 2) undefined: a break between trials 2 and 6.
  Periodogram aov;
  aov.method = SearchMethod::Aov;
  aov.sliceSize = 2;
  aov.trials = 8;
  aov.timeSpan = 0;
  aov.points = {{0.5L, 3, 1}, {0.625L, 9, 2}, {0.8L, 4, 6}};
  const std::vector<Peak> peaks = FindPeaks(aov, 5);
  ASSERT_EQ(peaks.size(), 1u);
  ChartModel chart;
  chart.Series(kPhaseSeries).Add(1, 1);
  const int64_t picture = chart.pictureNumber;
  const PeriodogramPicture byPeriod = DrawPeriodogram(aov, peaks, PeriodogramAxis::Period, "star.txt", chart);
  EXPECT_EQ(chart.pictureNumber, picture + 1);
  EXPECT_EQ(chart.Series(kPhaseSeries).Count(), 0);
  EXPECT_FALSE(chart.leftAxisInverted);  // a large Θ is up
  EXPECT_EQ(chart.titleLines[0], "Periodogram of star.txt");
  EXPECT_EQ(chart.titleLines[1], "AoV, 8 trial periods, each point the best of 2");
  EXPECT_EQ(chart.bottomAxisTitle, "Trial period (d)");
  const ChartSeries& curve = chart.Series(kPeriodogramCurveSeries);
  ASSERT_EQ(curve.Count(), 4);
  EXPECT_EQ(curve.Point(0).x, 0.5);
  EXPECT_EQ(curve.Point(1).x, 0.625);
  EXPECT_TRUE(std::isnan(curve.Point(2).x));
  EXPECT_EQ(curve.Point(3).y, 4);
  EXPECT_EQ(byPeriod.curvePoint, (std::vector<std::optional<size_t>>{0, 1, std::nullopt, 2}));
  ASSERT_EQ(chart.Series(kPeakSeries).Count(), 1);
  EXPECT_EQ(chart.Series(kPeakSeries).Point(0).x, 0.625);
  EXPECT_EQ(chart.Series(kPeakSeries).Point(0).y, 9);
  ASSERT_EQ(chart.Series(kMarkerSeries).Count(), 1);
  EXPECT_EQ(chart.Series(kMarkerSeries).Point(0).x, 0.625);    // the best period
  EXPECT_EQ(chart.Series(kMarkerSeries).Point(0).y, 6);        // halfway between 3 and 9
  EXPECT_TRUE(chart.Series(kMarkerSeries).markersSpanPlot());  // across the plot
  EXPECT_EQ(curve.lineWidth(), 1);

  // Against frequency the curve runs the other way, in ascending frequency.
  const PeriodogramPicture byFrequency = DrawPeriodogram(aov, peaks, PeriodogramAxis::Frequency, "", chart);
  EXPECT_EQ(chart.titleLines[0], "Periodogram");
  EXPECT_EQ(chart.bottomAxisTitle, "Frequency (1/d)");
  ASSERT_EQ(curve.Count(), 4);
  EXPECT_EQ(curve.Point(0).x, 1.25);
  EXPECT_TRUE(std::isnan(curve.Point(1).x));
  EXPECT_EQ(curve.Point(2).x, 1.6);
  EXPECT_EQ(curve.Point(3).x, 2);
  EXPECT_EQ(byFrequency.curvePoint, (std::vector<std::optional<size_t>>{2, std::nullopt, 1, 0}));

  // String length: shorter is up.
  Periodogram sl = aov;
  sl.method = SearchMethod::StringLength;
  DrawPeriodogram(sl, FindPeaks(sl, 5), PeriodogramAxis::Period, "", chart);
  EXPECT_TRUE(chart.leftAxisInverted);
  EXPECT_EQ(chart.Series(kMarkerSeries).Point(0).x, 0.5);
}

TEST(DrawPeriodogram, PeakSymbolsNameTheirRank) {
  const Periodogram aov =
      Made(SearchMethod::Aov, {{1.0L, 1}, {1.2L, 5}, {1.4L, 1}, {1.6L, 9}, {1.8L, 1}, {2.0L, 7}}, 100);
  const std::vector<Peak> peaks = FindPeaks(aov, 5);
  ASSERT_EQ(peaks.size(), 3u);  // 1.6 (9), 2.0 (7), 1.2 (5)
  ChartModel chart;
  const PeriodogramPicture picture = DrawPeriodogram(aov, peaks, PeriodogramAxis::Frequency, "", chart);
  // Symbols in ascending frequency: 1.2, 1.6, 2.0 are peaks 3, 1, 2.
  EXPECT_EQ(picture.peakRank, (std::vector<size_t>{2, 0, 1}));
  EXPECT_EQ(chart.Series(kPeakSeries).Point(0).y, 5);
  const PeriodogramPicture byPeriod = DrawPeriodogram(aov, peaks, PeriodogramAxis::Period, "", chart);
  EXPECT_EQ(byPeriod.peakRank, (std::vector<size_t>{1, 0, 2}));
}

TEST(BestPointWithin, TheTopOfThePeakUnderTheMouse) {
  const Periodogram aov =
      Made(SearchMethod::Aov, {{1.0L, 1}, {1.2L, 5}, {1.4L, 1}, {1.6L, 9}, {1.8L, 1}, {2.0L, 7}}, 100);
  EXPECT_EQ(BestPointWithin(aov, PeriodogramAxis::Frequency, 1.1, 1.5), 1u);
  EXPECT_EQ(BestPointWithin(aov, PeriodogramAxis::Frequency, 1.1, 1.7), 3u);
  EXPECT_EQ(BestPointWithin(aov, PeriodogramAxis::Period, 0.5, 0.6), 5u);  // frequency 2
  EXPECT_FALSE(BestPointWithin(aov, PeriodogramAxis::Frequency, 2.1, 3).has_value());
}

}  // namespace
}  // namespace ombrane
