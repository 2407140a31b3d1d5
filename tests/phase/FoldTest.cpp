#include "phase/Fold.h"
#include "phase/FoldPresentation.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PhaseFixture.h"
#include "Tolerance.h"
#include "common/FloatingPoint.h"
#include "common/TextToFloat.h"
#include "store/NightIndex.h"
#include "support/PlainReference.h"

namespace ombrane {
namespace {

using test::Close;
using test::MakeData;
using test::MakeLoaded;
using test::Observation;

// Julian Days near 2.45e6 carry an error of up to half an extended ulp (2^-43 days); divided by
// a period of 0.5 that is about 2^-42 of phase, some 2000 double epsilons. Phases computed from
// such Julian Days are compared to the decimal value to within this many epsilons.
constexpr double kJdPhaseUlps = 8192;
// Mean Julian Days are doubles near 2.45e6: one ulp there is about 2^-31 days.
constexpr double kJdUlps = 8;

Star StarWithEpoch(long double epoch) {
  Star star;
  star.epoch = epoch;
  return star;
}

// The sort of the fold as its definition reads: bubble sort with a shrinking bound, exchanging
// only a strictly smaller successor.
void BubbleSort(std::vector<long double>& phase, std::vector<int32_t>& index) {
  int32_t bound = static_cast<int32_t>(phase.size()) - 1;
  for (;;) {
    int32_t last = -1;
    for (int32_t u = 0; u < bound; ++u) {
      if (phase[u + 1] < phase[u]) {
        std::swap(phase[u], phase[u + 1]);
        std::swap(index[u], index[u + 1]);
        last = u;
      }
    }
    if (last < 1) return;
    bound = last;
  }
}

TEST(FoldPhases, WorkedExampleWithRepeatedLastEntry) {
  // Phases by hand: 0.1 / 0.5 = 0.2; 0.35 / 0.5 = 0.7; 1.3 / 0.5 = 2.6 -> 0.6 (twice).
  auto data = MakeLoaded({{2450000.1L, 10}, {2450000.35L, 11}, {2450001.3L, 12}});
  const Star star = StarWithEpoch(2450000);
  FoldPhases(*data, star, 0.5L);

  const double phases[] = {0.2, 0.7, 0.6, 0.6};
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(Close<double>(static_cast<double>(data->entryPhase[i]), phases[i], kJdPhaseUlps)) << i;
  const int32_t order[] = {0, 2, 3, 1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(data->sortIndex[i], order[i]) << i;
    EXPECT_EQ(data->sortedPhase[i], data->entryPhase[order[i]]) << i;
  }
  // (0.1 + 0.35 + 1.3 + 1.3) / 4 = 0.7625 after 2450000; y = 1.525, so the next instant of
  // phase 0 is 2450000 + 2 * 0.5.
  EXPECT_TRUE(Close<double>(static_cast<double>(data->meanJd), 2450000.7625, kJdUlps));
  EXPECT_TRUE(Close<double>(static_cast<double>(data->meanEpoch), 2450001.0, kJdUlps));
}

TEST(FoldPhases, PhasesBeforeTheEpochAndMeanEpochCases) {
  const struct {
    const char* name;
    long double jd;
    double phase;      // of the single observation (and its repeat)
    double meanEpoch;  // meanJd is the observation itself
  } cases[] = {
      // -0.1 / 0.5 = -0.2 -> 0.8; y = -0.2 truncates to 0, so 2449999.9 + 1.2 * 0.5.
      {"before the epoch", 2449999.9L, 0.8, 2450000.5},
      // y = 0.2, so 2450000.1 + 0.8 * 0.5: the first instant of phase 0 after meanJd.
      {"after the epoch", 2450000.1L, 0.2, 2450000.5},
      // y = 2 exactly: meanJd + P.
      {"at phase 0", 2450001.0L, 0.0, 2450001.5},
      // -1 / 0.5 = -2 exactly: phase 0; y = -2, so meanJd + P.
      {"whole cycles before", 2449999.0L, 0.0, 2449999.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto data = MakeLoaded({{c.jd, 12}});
    FoldPhases(*data, StarWithEpoch(2450000), 0.5L);
    EXPECT_TRUE(Close<double>(static_cast<double>(data->entryPhase[0]), c.phase, kJdPhaseUlps));
    EXPECT_EQ(data->entryPhase[0], data->entryPhase[1]);
    EXPECT_GE(data->entryPhase[0], 0.0L);
    EXPECT_LT(data->entryPhase[0], 1.0L);
    EXPECT_TRUE(Close<double>(static_cast<double>(data->meanEpoch), c.meanEpoch, kJdUlps));
  }
}

TEST(FoldPhases, FaultsStopAtTheFailingEntry) {
  const struct {
    const char* name;
    std::vector<Observation> entries;
    long double epoch;
    long double period;
    FloatingPointFault fault;
    int32_t written;  // entries folded before the fault
  } cases[] = {
      {"zero period", {{2450000.5L, 12}, {2450001, 12}}, 2450000, 0, FloatingPointFault::DivisionByZero, 0},
      {"zero period at the epoch", {{2450000, 12}}, 2450000, 0, FloatingPointFault::InvalidOperation, 0},
      // (1e10 - 2450000) / 0.5 is far beyond a 32-bit cycle count.
      {"cycle count out of range",
       {{2450000.25L, 12}, {2450000.5L, 13}, {1e10L, 14}, {2450001, 15}},
       2450000,
       0.5L,
       FloatingPointFault::InvalidOperation,
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto data = MakeData(c.entries);
    const int32_t n = data->pointCount;
    for (int32_t i = 0; i < n; ++i) {
      data->entryPhase[i] = 9;
      data->sortedPhase[i] = 9;
      data->sortIndex[i] = 99;
    }
    data->meanJd = 7;
    data->meanEpoch = 7;
    try {
      FoldPhases(*data, StarWithEpoch(c.epoch), c.period);
      ADD_FAILURE() << "no fault";
    } catch (const FloatingPointError& error) {
      EXPECT_EQ(error.fault(), c.fault);
    }
    for (int32_t i = 0; i < n; ++i) {
      SCOPED_TRACE(i);
      if (i < c.written) {
        EXPECT_NE(data->entryPhase[i], 9.0L);
        EXPECT_EQ(data->sortedPhase[i], data->entryPhase[i]);  // input order: not sorted yet
        EXPECT_EQ(data->sortIndex[i], i);
      } else {
        EXPECT_EQ(data->entryPhase[i], 9.0L);
        EXPECT_EQ(data->sortIndex[i], 99);
      }
    }
    EXPECT_EQ(data->meanJd, 7.0L);
    EXPECT_EQ(data->meanEpoch, 7.0L);
  }
}

// Both folds must give the arrays of the bubble sort: ascending, equal phases in input order.
TEST(FoldPhases, SortEqualsTheBubbleSortWithManyTies) {
  const struct {
    const char* name;
    uint32_t seed;
    int32_t count;
    long double jdGrid;
    long double period;
  } cases[] = {
      // A grid of 1/8 day at P = 0.5 leaves four distinct phases: ties everywhere.
      {"four phases", 1, 3000, 0.125L, 0.5L},
      {"spread phases", 2, 2500, 0.0001L, 0.3141L},
      // A period much longer than the data crowds all phases into a few buckets.
      {"crowded phases", 3, 3000, 0.001L, 1e5L},
      {"crowded with ties", 4, 2000, 0.05L, 1e4L},
      {"few entries", 5, 3, 0.01L, 0.7L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto data = MakeLoaded(test::RandomCurve(c.seed, c.count, 40, c.jdGrid, 5));
    const int32_t n = data->pointCount;
    const Star star = StarWithEpoch(2450000.3L);
    auto plain = std::make_unique<Data>(*data);
    FoldPhases(*data, star, c.period);
    FoldPhasesPlain(*plain, star, c.period);

    std::vector<long double> phase(data->entryPhase.begin(), data->entryPhase.begin() + n);
    std::vector<int32_t> index(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) index[i] = i;
    BubbleSort(phase, index);
    for (int32_t i = 0; i < n; ++i) {
      ASSERT_EQ(data->sortIndex[i], index[i]) << i;
      ASSERT_EQ(data->sortedPhase[i], phase[i]) << i;
      ASSERT_EQ(plain->sortIndex[i], index[i]) << i;
      ASSERT_EQ(plain->sortedPhase[i], phase[i]) << i;
      ASSERT_EQ(plain->entryPhase[i], data->entryPhase[i]) << i;
    }
    EXPECT_EQ(plain->meanJd, data->meanJd);
    EXPECT_EQ(plain->meanEpoch, data->meanEpoch);
  }
}

// Four entries whose neighbouring segments are 3-4-5 triangles scaled by 1/8, so every length
// is exact: positions (phase, magnitude) = (0, 10), (0.375, 10.5), (0.5, 10.5), (0.875, 10);
// segments 0.625, 0.125 and 0.625. The positions hold entries 2, 0, 3, 1.
std::unique_ptr<Data> StringFixture(const std::vector<int32_t>& markedEntries) {
  auto data = MakeData({{0, 10.5L}, {0, 10}, {0, 10}, {0, 10.5L}});
  const long double phase[] = {0, 0.375L, 0.5L, 0.875L};
  const int32_t index[] = {2, 0, 3, 1};
  for (int i = 0; i < 4; ++i) {
    data->sortedPhase[i] = phase[i];
    data->sortIndex[i] = index[i];
  }
  for (int32_t e : markedEntries) data->markFlag[e] = 1;
  return data;
}

TEST(StringLength, MarkedEntriesLeaveTheirPairsOut) {
  const struct {
    const char* name;
    std::vector<int32_t> marked;
    long double length;
  } cases[] = {
      {"no marks", {}, 1.375L},
      {"entry at position 0", {2}, 0.75L},
      {"entry at position 2 drops both its pairs", {3}, 0.625L},
      {"entry at the last position", {1}, 0.75L},
      {"first and last", {2, 1}, 0.125L},
      {"everything", {0, 1, 2, 3}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto data = StringFixture(c.marked);
    Star star;
    star.stringLength = 99;
    FoldStringLength(*data, star);
    EXPECT_EQ(star.stringLength, c.length);
    // The search's score counts every pair whatever the marks.
    EXPECT_EQ(SearchStringLength(*data), 1.375);
  }
}

TEST(StringLength, TheRepeatAddsNothingAndOneEntryGivesZero) {
  // After the fold of the worked example the repeat stands next to its twin: segments
  // (0.2, 10) -> (0.6, 12) -> (0.6, 12) -> (0.7, 11).
  auto data = MakeLoaded({{2450000.1L, 10}, {2450000.35L, 11}, {2450001.3L, 12}});
  Star star = StarWithEpoch(2450000);
  FoldPhases(*data, star, 0.5L);
  FoldStringLength(*data, star);
  const double expected = std::sqrt(0.4 * 0.4 + 2.0 * 2.0) + std::sqrt(0.1 * 0.1 + 1.0);
  EXPECT_TRUE(Close<double>(static_cast<double>(star.stringLength), expected, kJdPhaseUlps));

  auto single = MakeData({{2450000.1L, 10}});
  FoldPhases(*single, star, 0.5L);
  FoldStringLength(*single, star);
  EXPECT_EQ(star.stringLength, 0.0L);
}

// A fold given directly: phases (ascending) with their magnitudes, entry i at position i.
std::unique_ptr<Data> SortedFixture(const std::vector<std::pair<double, long double>>& points) {
  std::vector<Observation> entries;
  for (const auto& p : points) entries.push_back({2450000, p.second});
  auto data = MakeData(entries);
  for (size_t i = 0; i < points.size(); ++i) {
    data->sortedPhase[i] = points[i].first;
    data->sortIndex[i] = static_cast<int32_t>(i);
  }
  return data;
}

// Twenty entries, two per bin at phases 0.1 k + 0.03 and 0.1 k + 0.07, magnitudes
// 10 + k/4 -+ 0.25. By hand: bin means 10 + k/4, grand mean 11.125, W = 20 * 0.0625 = 1.25,
// B = 2 * sum (k/4 - 1.125)^2 = (1/8) * 82.5 = 10.3125, Θ = (B / 9) / (W / 10) = 55/6.
std::vector<std::pair<double, long double>> TwoPerBin() {
  std::vector<std::pair<double, long double>> points;
  for (int k = 0; k < 10; ++k) {
    points.push_back({0.1 * k + 0.03, 10.0L + k / 4.0L - 0.25L});
    points.push_back({0.1 * k + 0.07, 10.0L + k / 4.0L + 0.25L});
  }
  return points;
}

TEST(AovStatistic, HandFixtureOfTwentyEntries) {
  for (auto statistic : {AovStatistic, AovStatisticPlain}) {
    auto data = SortedFixture(TwoPerBin());
    const double theta = statistic(*data);
    EXPECT_TRUE(Close<double>(theta, 55.0 / 6.0));
    for (int k = 0; k < 10; ++k) {
      SCOPED_TRACE(k);
      EXPECT_EQ(data->aovBinCount[k], 2);
      EXPECT_EQ(data->aovBinMean[k], 10.0L + k / 4.0L);
      const long double d = k / 4.0L - 1.125L;
      EXPECT_EQ(data->aovBinTerm[k], 2 * d * d);
    }
  }
}

// The textbook statistic, written independently: bins [k/10, (k+1)/10) by index, plain sums.
double IndependentAov(const std::vector<std::pair<double, long double>>& points) {
  const int n = static_cast<int>(points.size());
  std::vector<std::vector<double>> bins(10);
  double grand = 0;
  for (const auto& p : points) {
    bins[static_cast<size_t>(p.first * 10)].push_back(static_cast<double>(p.second));
    grand += static_cast<double>(p.second);
  }
  grand /= n;
  double between = 0;
  double within = 0;
  for (const auto& bin : bins) {
    double mean = 0;
    for (double m : bin) mean += m;
    mean /= static_cast<double>(bin.size());
    between += static_cast<double>(bin.size()) * (mean - grand) * (mean - grand);
    for (double m : bin) within += (m - mean) * (m - mean);
  }
  return (between / 9) / (within / (n - 10));
}

TEST(AovStatistic, AgreesWithAnIndependentComputation) {
  for (uint32_t seed : {11u, 12u, 13u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> phase(0.0, 1.0);
    std::uniform_real_distribution<double> mag(11.0, 13.0);
    std::vector<std::pair<double, long double>> points;
    for (int k = 0; k < 10; ++k) points.push_back({0.1 * k + 0.05, mag(random)});  // no bin empty
    for (int i = 0; i < 37; ++i) points.push_back({phase(random), mag(random)});
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    auto data = SortedFixture(points);
    auto plain = std::make_unique<Data>(*data);
    const double theta = AovStatistic(*data);
    EXPECT_TRUE(Close<double>(theta, IndependentAov(points), 4096));
    EXPECT_EQ(theta, AovStatisticPlain(*plain));
  }
}

TEST(AovStatistic, BinBoundsComeFromRepeatedAdditions) {
  // 0.1 + 0.1 + 0.1 = 0.30000000000000004 bounds bins 2 and 3, so the double 0.3 (just below
  // 0.3) lies in bin 2 and 0.30000000000000004 in bin 3. The last bound is the double just
  // below 1, so a phase equal to it lies in no bin but still counts in N and the grand mean.
  auto points = TwoPerBin();
  points.push_back({0.3, 10.5L});
  points.push_back({0.1 + 0.1 + 0.1, 10.75L});
  points.push_back({std::nextafter(1.0, 0.0), 12.0L});
  std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  auto data = SortedFixture(points);
  AovStatistic(*data);
  const int32_t counts[] = {2, 2, 3, 3, 2, 2, 2, 2, 2, 2};
  for (int k = 0; k < 10; ++k) EXPECT_EQ(data->aovBinCount[k], counts[k]) << k;
}

TEST(AovStatistic, UndefinedCasesFaultAtTheirStep) {
  std::vector<std::pair<double, long double>> emptyBin3;
  for (const auto& p : TwoPerBin())
    if (p.first < 0.3 || p.first >= 0.4) emptyBin3.push_back(p);
  // Ten entries, one per bin: each is its own bin mean. Magnitudes with more digits than a
  // double leave a tiny W > 0 (the bin sums are doubles), so W / (N - 10) divides by zero;
  // magnitudes exact in double leave W = 0 and 0 / 0.
  std::vector<std::pair<double, long double>> tenInexact;
  std::vector<std::pair<double, long double>> tenExact;
  for (int k = 0; k < 10; ++k) {
    tenInexact.push_back({0.1 * k + 0.05, 10.0L + k / 3.0L});
    tenExact.push_back({0.1 * k + 0.05, 10.0L + k / 4.0L});
  }
  // Equal magnitudes inside each bin: W = 0, so (B / 9) / 0 with B > 0, or 0 / 0 with B = 0.
  std::vector<std::pair<double, long double>> flatBins;
  std::vector<std::pair<double, long double>> allEqual;
  for (const auto& p : TwoPerBin()) {
    flatBins.push_back({p.first, 10.0L + static_cast<int>(p.first * 10)});
    allEqual.push_back({p.first, 12.0L});
  }
  const struct {
    const char* name;
    std::vector<std::pair<double, long double>> points;
    FloatingPointFault fault;
    std::string message;
    int binsWritten;
  } cases[] = {
      {"empty bin", emptyBin3, FloatingPointFault::InvalidOperation, "Invalid floating point operation", 3},
      {"ten entries", tenInexact, FloatingPointFault::DivisionByZero, "Floating point division by zero", 10},
      {"ten exact entries", tenExact, FloatingPointFault::InvalidOperation,
       "Invalid floating point operation", 10},
      {"W = 0", flatBins, FloatingPointFault::DivisionByZero, "Floating point division by zero", 10},
      {"W = 0 and B = 0", allEqual, FloatingPointFault::InvalidOperation, "Invalid floating point operation",
       10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (auto statistic : {AovStatistic, AovStatisticPlain}) {
      auto data = SortedFixture(c.points);
      data->aovBinCount.fill(-1);
      try {
        statistic(*data);
        ADD_FAILURE() << "no fault";
      } catch (const FloatingPointError& error) {
        EXPECT_EQ(error.fault(), c.fault);
        EXPECT_EQ(std::string(error.what()), c.message);
      }
      for (int k = 0; k < 10; ++k) EXPECT_EQ(data->aovBinCount[k] >= 0, k < c.binsWritten) << k;
    }
  }
}

// The same undefined cases through the variant that reports them: the two of bins and count
// come back as such, with the tables of the bins that hold entries; W = 0 still faults.
TEST(AovStatistic, IfDefinedNamesWhyInsteadOfFaulting) {
  std::vector<std::pair<double, long double>> emptyBin3;
  for (const auto& p : TwoPerBin())
    if (p.first < 0.3 || p.first >= 0.4) emptyBin3.push_back(p);
  std::vector<std::pair<double, long double>> ten;
  for (int k = 0; k < 10; ++k) ten.push_back({0.1 * k + 0.05, 10.0L + k / 4.0L});
  std::vector<std::pair<double, long double>> flatBins;
  for (const auto& p : TwoPerBin()) flatBins.push_back({p.first, 10.0L + static_cast<int>(p.first * 10)});
  for (auto statistic : {+[](Data& d) { return AovStatisticIfDefined(d); }, &AovStatisticIfDefinedPlain}) {
    auto empty = SortedFixture(emptyBin3);
    const AovValue a = statistic(*empty);
    EXPECT_EQ(a.undefined, AovUndefined::EmptyBin);
    EXPECT_FALSE(a.defined());
    EXPECT_EQ(empty->aovBinCount[3], 0);
    EXPECT_EQ(empty->aovBinMean[3], 0);
    EXPECT_EQ(empty->aovBinCount[4], 2);
    EXPECT_EQ(empty->aovBinMean[4], 11.0L);  // 10 + 4/4 -+ 0.25

    auto few = SortedFixture(ten);
    EXPECT_EQ(statistic(*few).undefined, AovUndefined::TooFewEntries);

    auto flat = SortedFixture(flatBins);
    EXPECT_THROW(statistic(*flat), FloatingPointError);

    auto full = SortedFixture(TwoPerBin());
    const AovValue defined = statistic(*full);
    EXPECT_TRUE(defined.defined());
    auto check = SortedFixture(TwoPerBin());
    EXPECT_EQ(defined.theta, AovStatistic(*check));
  }
  EXPECT_STREQ(AovUndefinedReason(AovUndefined::EmptyBin), "empty phase bin");
  EXPECT_STREQ(AovUndefinedReason(AovUndefined::TooFewEntries), "fewer than 10 observations");
}

// A chart with a point in every series, to see which ones the drawing clears.
ChartModel FilledChart() {
  ChartModel chart;
  for (int s = 0; s < kSeriesCount; ++s) chart.Series(s).Add(-5, -5);
  return chart;
}

TEST(PlotPhaseDiagram, PhaseModeDrawsBothCyclesAndWritesTheSecondCyclePositions) {
  // The worked example with night 1 for the third observation (and its repeat) and entry 1
  // marked: positions 0..3 hold entries 0, 2, 3, 1 at phases 0.2, 0.6, 0.6, 0.7.
  auto data = MakeLoaded({{2450000.1L, 10, 0, 0}, {2450000.35L, 11, 0, 1}, {2450001.3L, 12, 1, 0}});
  const Star star = StarWithEpoch(2450000);
  FoldPhases(*data, star, 0.5L);
  const long double p[] = {data->sortedPhase[0], data->sortedPhase[1], data->sortedPhase[2],
                           data->sortedPhase[3]};
  data->AddSecondCycle();  // a second cycle an earlier drawing left
  data->jdAverage[4] = 77;
  ChartModel chart = FilledChart();
  const int64_t picture = chart.pictureNumber;
  ViewState view;
  PlotPhaseDiagram(*data, 0.5L, PhaseAxis::Phase, chart, view);
  EXPECT_EQ(chart.pictureNumber, picture + 1);  // a new picture, whose zoom the window drops

  const uint32_t green = nightColours[0];
  const uint32_t olive = nightColours[1];
  const struct {
    double x;
    double y;
    uint32_t colour;
  } expected[] = {
      // first cycle: positions 1, 2, 3
      {double(p[1]), 12, olive},
      {double(p[2]), 12, olive},
      {double(p[3]), 11, green},
      // second cycle: positions 0, 1, 2 one cycle on
      {double(p[0] + 1), 10, green},
      {double(p[1] + 1), 12, olive},
      {double(p[2] + 1), 12, olive},
  };
  const ChartSeries& s6 = chart.Series(kPhaseSeries);
  ASSERT_EQ(s6.Count(), 6);
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(s6.Point(k).x, expected[k].x);
    EXPECT_EQ(s6.Point(k).y, expected[k].y);
    EXPECT_EQ(s6.Point(k).colour, expected[k].colour);
    EXPECT_EQ(s6.Point(k).label, "");
  }
  // Entry 1 (position 3) is marked; it is drawn in the first cycle only (position 3 = N - 1).
  ASSERT_EQ(chart.Series(kMarkedSeries).Count(), 1);
  EXPECT_EQ(chart.Series(kMarkedSeries).Point(0).x, double(p[3]));
  EXPECT_EQ(chart.Series(kMarkedSeries).Point(0).colour, kSeriesColour);
  for (int s : {kLightCurveSeries, kFittedCurveSeries, kSecondCycleSeries, kMarkerSeries})
    EXPECT_EQ(chart.Series(s).Count(), 0) << s;
  for (int s : {kPeakSeries, kSpareSeries}) EXPECT_EQ(chart.Series(s).Count(), 1) << s;
  EXPECT_EQ(chart.titleLines, std::vector<std::string>{"test.dat"});
  EXPECT_EQ(chart.bottomAxisTitle, "Phase");
  EXPECT_EQ(view.phaseView, true);

  const int32_t order[] = {0, 2, 3, 1};
  for (int w = 0; w < 3; ++w) {
    SCOPED_TRACE(w);
    EXPECT_EQ(data->sortedPhase[4 + w], static_cast<long double>(static_cast<double>(p[w] + 1)));
    EXPECT_EQ(data->sortIndex[4 + w], order[w]);
  }
  // The per-entry arrays hold one cycle: a second-cycle position names its entry.
  EXPECT_EQ(data->mag.size(), 4u);
  EXPECT_EQ(data->markFlag.size(), 4u);
  EXPECT_EQ(data->jdAverage[4], 77.0L);  // the other abscissa keeps its upper half
}

TEST(PlotPhaseDiagram, JdAverageModeShiftsBySeveralPeriods) {
  auto data = MakeLoaded({{2450000.1L, 10}, {2450000.35L, 11}, {2450001.3L, 12}});
  const Star star = StarWithEpoch(2450000);
  FoldPhases(*data, star, 0.5L);
  SetJdAverage(*data, 0.5L);
  // jdAverage = phase * P + meanEpoch: 0.2 * 0.5 + 2450001 for position 0.
  EXPECT_TRUE(Close<double>(static_cast<double>(data->jdAverage[0]), 2450001.1, kJdUlps));
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(data->jdAverage[i], data->sortedPhase[i] * 0.5L + data->meanEpoch) << i;
  data->AddSecondCycle();
  data->sortedPhase[4] = 55;
  ChartModel chart = FilledChart();
  ViewState view;
  PlotPhaseDiagram(*data, 0.5L, PhaseAxis::JdAverage, chart, view);

  EXPECT_EQ(chart.bottomAxisTitle, "JD average");
  const ChartSeries& s6 = chart.Series(kPhaseSeries);
  ASSERT_EQ(s6.Count(), 6);
  for (int v = 1; v < 4; ++v) EXPECT_EQ(s6.Point(v - 1).x, static_cast<double>(data->jdAverage[v])) << v;
  for (int w = 0; w < 3; ++w) {
    SCOPED_TRACE(w);
    EXPECT_EQ(data->jdAverage[4 + w], data->jdAverage[w] + 0.5L);
    EXPECT_EQ(s6.Point(3 + w).x, static_cast<double>(data->jdAverage[w] + 0.5L));
  }
  EXPECT_EQ(data->sortedPhase[4], 55.0L);
}

TEST(PlotPhaseDiagram, OneObservationAndItsRepeat) {
  auto data = MakeLoaded({{2450000.1L, 10}});
  FoldPhases(*data, StarWithEpoch(2450000), 0.5L);
  ChartModel chart;
  ViewState view;
  PlotPhaseDiagram(*data, 0.5L, PhaseAxis::Phase, chart, view);
  const ChartSeries& s6 = chart.Series(kPhaseSeries);
  ASSERT_EQ(s6.Count(), 2);
  EXPECT_EQ(s6.Point(0).x, static_cast<double>(data->sortedPhase[1]));
  EXPECT_EQ(s6.Point(1).x, static_cast<double>(data->sortedPhase[0] + 1));
}

TEST(PhaseFileBlock, EveryObservationOnceInPhaseOrder) {
  // Phase and magnitude by %g with six significant digits: 0.12345678 -> 0.123457,
  // 12.345 -> 12.345, 0.00001 -> 1e-05, 10.00001 -> 10. Julian Days and averaged times with all their digits:
  // 2451234.5678 stays 2451234.5678 (six digits would write 2.45123e+06, ten days wide).
  // Three observations and the loader's repeat of the last (entry 3), sorted by phase; the
  // repeat is the one entry left out, wherever the sort put it.
  auto data = MakeLoaded({{2451234.5678L, 12.345L}, {2450000, 11}, {2450000.5L, 10.25L}});
  struct Case {
    int32_t index[4];
    const char* phaseBlock;
  };
  const long double phase[] = {0.00001L, 0.12345678L, 0.5L, 0.9L};
  const Case cases[] = {
      {{2, 3, 0, 1}, "1e-05  10.25  2450000.5\r\n0.5  12.345  2451234.5678\r\n0.9  11  2450000\r\n\r\n"},
      {{0, 1, 2, 3}, "1e-05  12.345  2451234.5678\r\n0.123457  11  2450000\r\n0.5  10.25  2450000.5\r\n\r\n"},
      {{3, 2, 1, 0}, "0.123457  10.25  2450000.5\r\n0.5  11  2450000\r\n0.9  12.345  2451234.5678\r\n\r\n"},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 4; ++i) {
      data->sortedPhase[i] = phase[i];
      data->sortIndex[i] = c.index[i];
      data->jdAverage[i] = 2450001.25L + i;
    }
    EXPECT_EQ(PhaseFileBlock(*data, PhaseAxis::Phase), c.phaseBlock);
  }
  // The averaged times take the place of the phases.
  EXPECT_EQ(
      PhaseFileBlock(*data, PhaseAxis::JdAverage),
      "2450002.25  10.25  2450000.5\r\n2450003.25  11  2450000\r\n2450004.25  12.345  2451234.5678\r\n\r\n");

  // One observation and its repeat: one line.
  auto single = MakeLoaded({{2450000.5L, 9.5L}});
  single->sortedPhase[0] = single->sortedPhase[1] = 0.25L;
  single->sortIndex[0] = 0;
  single->sortIndex[1] = 1;
  EXPECT_EQ(PhaseFileBlock(*single, PhaseAxis::Phase), "0.25  9.5  2450000.5\r\n\r\n");
}

TEST(PhaseFileBlock, TimesReadBackExactly) {
  // Times with more digits than a double holds, and one that is not short in decimal: each reads
  // back (as the photometry reader reads it) as the very value written.
  const long double times[] = {2451234.56789012345L, 2450000.1L / 3, -0.5L, 1e-20L, 2.5e15L};
  for (long double t : times) {
    auto data = MakeLoaded({{t, 10}});
    data->sortIndex[0] = 0;
    data->sortIndex[1] = 1;
    data->jdAverage[0] = t;
    const std::string block = PhaseFileBlock(*data, PhaseAxis::JdAverage);
    const size_t first = block.find("  ");
    const size_t last = block.rfind("  ");
    EXPECT_EQ(TextToFloat(block.substr(0, first)), t) << block;
    EXPECT_EQ(TextToFloat(block.substr(last + 2, block.find("\r\n") - last - 2)), t) << block;
  }
}

TEST(PhaseFileBlock, ExtendedValuesAreRoundedOnceFromTheirOwnDigits) {
  // 10.00045 lies just below its halfway point as an extended value but just above as a
  // double: rounding through double would write 10.0005 (C printf "%Lg" of the extended value
  // gives 10.0004).
  auto data = MakeLoaded({{51230.15L, 10.00045L}});
  data->sortIndex[0] = 0;
  data->sortIndex[1] = 1;
  data->sortedPhase[0] = 0.25L;
  EXPECT_EQ(PhaseFileBlock(*data, PhaseAxis::Phase), "0.25  10.0004  51230.15\r\n\r\n");
}

TEST(WritePhaseFile, AppendsBlocksInTheCurrentFolderAndReportsAFailureOnce) {
  namespace fs = std::filesystem;
  const fs::path previous = fs::current_path();
  const fs::path folder = fs::temp_directory_path() / ("ombrane-phasefile-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);
  OutputFiles files;
  EXPECT_EQ(WritePhaseFile("0.5  11  2.45e+06\r\n\r\n", files), std::nullopt);
  EXPECT_EQ(WritePhaseFile("\r\n", files), std::nullopt);
  std::ifstream in(folder / "DataPhase.txt", std::ios::binary);
  const std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(contents, "0.5  11  2.45e+06\r\n\r\n\r\n");

  // A folder in the way of the file: the first failure is reported, the next one is not.
  fs::remove(folder / "DataPhase.txt");
  fs::create_directory(folder / "DataPhase.txt");
  EXPECT_EQ(WritePhaseFile("\r\n", files), "Could not write DataPhase.txt: Is a directory");
  EXPECT_EQ(WritePhaseFile("\r\n", files), std::nullopt);
  fs::current_path(previous);
  fs::remove_all(folder);
}

TEST(FoldLabels, FixedFormatWithSixDigits) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {StringLengthLabel(12.3456789L, '.'), "12.345700"},
      {StringLengthLabel(12.3456789L, ','), "12,345700"},
      {StringLengthLabel(0, '.'), "0.000000"},
      // Θ = 1.5e-8 shows as 1.5; Θ = 0.0123456789 shows 1234567.89, more than six digits
      // before the separator: general format with six digits.
      {AovLabel(1.5e-8, '.'), "1.500000"},
      {AovLabel(0.0123456789, '.'), "1.23457E6"},
      {AovLabel(2.5e-9, ','), "0,250000"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, c.expected);
}

// --- the handlers' sequences ---

struct Window {
  std::unique_ptr<Data> data;
  Star star = StarWithEpoch(2450000);
  ViewState view;
  ChartModel chart = FilledChart();
  FoldOutcome outcome;
};

// Twenty observations, two per phase bin at P = 1 (and the repeat of the last one).
Window TwentyObservations() {
  std::vector<Observation> entries;
  for (int k = 0; k < 10; ++k) {
    entries.push_back({2450000.03L + k * 1.1L, 10.0L + k / 4.0L - 0.25L, k, 0});
    entries.push_back({2450000.07L + k * 1.1L, 10.0L + k / 4.0L + 0.25L, k, 0});
  }
  Window w;
  w.data = MakeLoaded(entries);
  return w;
}

TEST(ApplyPeriodBox, FoldsComputesBothStatisticsDrawsAndWritesTheBlock) {
  Window w = TwentyObservations();
  FoldRequest request{
      .axis = PhaseAxis::Phase, .writePhaseFile = true, .computeAov = false, .separator = ','};
  ApplyPeriodBox("1,0", *w.data, w.star, w.view, w.chart, request, w.outcome);
  EXPECT_TRUE(w.outcome.ran);
  EXPECT_EQ(w.star.period, 1.0L);
  ASSERT_TRUE(w.outcome.stringLengthText && w.outcome.aovText && w.outcome.phaseFileBlock);
  EXPECT_EQ(*w.outcome.stringLengthText, StringLengthLabel(w.star.stringLength, ','));
  // The same fold checked against a fresh fold and statistic.
  auto check = std::make_unique<Data>(*w.data);
  FoldPhases(*check, w.star, 1.0L);
  EXPECT_EQ(*w.outcome.aovText, AovLabel(AovStatistic(*check), ','));
  EXPECT_EQ(w.chart.Series(kPhaseSeries).Count(), 2 * 21 - 2);
  EXPECT_EQ(w.view.phaseView, true);
  EXPECT_EQ(*w.outcome.phaseFileBlock, PhaseFileBlock(*w.data, PhaseAxis::Phase));
  for (int i = 0; i < 21; ++i)
    EXPECT_EQ(w.data->jdAverage[i], w.data->sortedPhase[i] * 1.0L + w.data->meanEpoch) << i;
}

TEST(ApplyPeriodBox, TextThatIsNotANumberChangesNothing) {
  Window w = TwentyObservations();
  w.star.period = 0.25L;
  FoldRequest request;
  EXPECT_THROW(ApplyPeriodBox("0.5x", *w.data, w.star, w.view, w.chart, request, w.outcome), ConversionError);
  EXPECT_EQ(w.star.period, 0.25L);
  EXPECT_FALSE(w.outcome.ran || w.outcome.stringLengthText || w.outcome.aovText);
  EXPECT_EQ(w.chart.Series(kPhaseSeries).Count(), 1);
  EXPECT_EQ(w.data->sortIndex[0], 0);
  EXPECT_EQ(w.data->entryPhase[0], 0.0L);
}

TEST(ApplyPeriodBox, NothingIsFoldedWithoutDataOrPositivePeriod) {
  const struct {
    const char* text;
    bool empty;
  } cases[] = {{"0", false}, {"-0.5", false}, {"0.5", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Window w = TwentyObservations();
    if (c.empty) w.data->pointCount = 0;
    ApplyPeriodBox(c.text, *w.data, w.star, w.view, w.chart, FoldRequest{}, w.outcome);
    EXPECT_EQ(w.star.period, TextToFloat(c.text));  // the number is stored in any case
    EXPECT_FALSE(w.outcome.ran || w.outcome.stringLengthText);
    EXPECT_EQ(w.chart.Series(kPhaseSeries).Count(), 1);
    EXPECT_EQ(w.view.phaseView, false);
  }
}

TEST(ApplyPeriodBox, AnUndefinedAovStatisticStillDrawsTheFold) {
  // Four entries: bins are empty, so the statistic is undefined. The fold is drawn and written as
  // any other; the AoV text is the dash and the outcome says why.
  Window w;
  w.data = MakeLoaded({{2450000.1L, 10}, {2450000.35L, 11}, {2450001.3L, 12}});
  FoldRequest request{.axis = PhaseAxis::Phase, .writePhaseFile = true};
  ApplyPeriodBox("0.5", *w.data, w.star, w.view, w.chart, request, w.outcome);
  EXPECT_EQ(w.star.period, 0.5L);
  EXPECT_EQ(w.data->sortIndex[1], 2);  // folded
  ASSERT_TRUE(w.outcome.stringLengthText && w.outcome.aovText && w.outcome.phaseFileBlock);
  EXPECT_EQ(*w.outcome.aovText, "\u2013");
  EXPECT_EQ(w.outcome.aovUndefined, AovUndefined::TooFewEntries);
  EXPECT_EQ(w.data->jdAverage[0], w.data->sortedPhase[0] * 0.5L + w.data->meanEpoch);
  EXPECT_EQ(w.chart.Series(kPhaseSeries).Count(), 6);
  EXPECT_EQ(w.view.phaseView, true);

  // Twenty entries whose nights lie 1.1 days apart, folded at 1.1 days: all fall into bin 0.
  Window twenty = TwentyObservations();
  ApplyPeriodBox("1.1", *twenty.data, twenty.star, twenty.view, twenty.chart, FoldRequest{}, twenty.outcome);
  EXPECT_EQ(twenty.outcome.aovUndefined, AovUndefined::EmptyBin);
  EXPECT_EQ(twenty.chart.Series(kPhaseSeries).Count(), 40);
}

TEST(RunFold, ThePhaseButtonDrawsWithoutTheStatistic) {
  // The same four entries: without the AoV statistic the fold draws in both axis modes.
  for (PhaseAxis axis : {PhaseAxis::Phase, PhaseAxis::JdAverage}) {
    Window w;
    w.data = MakeLoaded({{2450000.1L, 10}, {2450000.35L, 11}, {2450001.3L, 12}});
    w.star.period = 0.5L;
    RunFold(*w.data, w.star, w.view, w.chart, FoldRequest{.axis = axis, .writePhaseFile = true}, w.outcome);
    EXPECT_TRUE(w.outcome.ran);
    EXPECT_TRUE(w.outcome.stringLengthText.has_value());
    EXPECT_FALSE(w.outcome.aovText.has_value());
    ASSERT_TRUE(w.outcome.phaseFileBlock.has_value());
    EXPECT_EQ(*w.outcome.phaseFileBlock, PhaseFileBlock(*w.data, axis));
    EXPECT_EQ(w.chart.Series(kPhaseSeries).Count(), 6);
    EXPECT_EQ(w.view.phaseView, true);
  }
}

}  // namespace
}  // namespace ombrane
