#include "phase/TrialScorer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include "PhaseFixture.h"
#include "common/FloatingPoint.h"
#include "phase/Fold.h"
#include "support/PlainReference.h"

namespace ombrane {
namespace {

using test::MakeLoaded;
using test::Observation;

// A trial's score by the plain fold (library stable sort, ten-pass AoV): nothing when the fold
// faults.
struct PlainScore {
  bool faults = false;
  long double score = 0;
  AovUndefined undefined = AovUndefined::None;
};

PlainScore ScoreByPlainFold(Data& data, const Star& star, long double period, SearchMethod method) {
  PlainScore out;
  try {
    FoldPhasesPlain(data, star, period);
    if (method == SearchMethod::StringLength) {
      out.score = SearchStringLength(data);
    } else {
      const AovValue aov = AovStatisticIfDefinedPlain(data);
      out.score = aov.theta;
      out.undefined = aov.undefined;
    }
  } catch (const FloatingPointError&) {
    out.faults = true;
  }
  return out;
}

// Runs of trial periods: `count` trials from `start` in steps of `step` (repeated addition).
struct TrialRun {
  long double start, step;
  int count;
};

struct ScorerCase {
  const char* name;
  std::vector<Observation> curve;
  long double epoch;
  std::vector<TrialRun> runs;
  int expectedFaults;  // trials whose plain fold faults (the scorer must leave them to it)
};

std::vector<Observation> Random(uint32_t seed, int32_t count, int32_t nights, long double grid) {
  return test::RandomCurve(seed, count, nights, grid, 6, 0.4L);
}

// Entries whose phases at P = 1 about epoch 0 round to the edges of the cycle: 1 - 2^-60 has a
// fraction that rounds to 1.0 in double (and, before the epoch, to 0 once moved up by a cycle);
// whole days give phase 0 on both sides (a power of two of cycles or not); a fraction of
// 2^-40 cycles stays tiny after the epoch and moves up to just below 1 before it; 5 - 2^-60
// rounds to 5 in double, so its fraction borrows from the integer part; equal days tie. Ten
// more spread the bins.
std::vector<Observation> EdgePhases() {
  const long double nearOne = 1.0L - 0x1p-60L;
  std::vector<Observation> entries = {{nearOne, 10.1L},
                                      {-nearOne, 10.2L},
                                      {3 + nearOne, 10.3L},
                                      {-3 - nearOne, 10.4L},
                                      {2, 10.5L},
                                      {-2, 10.6L},
                                      {2, 10.7L},
                                      {0, 10.8L},
                                      {-0.5L, 10.9L},
                                      {3, 11.1L},
                                      {-3, 11.2L},
                                      {-5, 11.3L},
                                      {12, 11.4L},
                                      {5 + 0x1p-40L, 11.5L},
                                      {-5 - 0x1p-40L, 11.6L},
                                      {5 - 0x1p-60L, 11.7L},
                                      {-5 + 0x1p-60L, 11.8L}};
  for (int k = 0; k < 10; ++k) entries.push_back({k * 1.1L + 0.05L, 11.0L + (k % 3) * 0.2L});
  return entries;
}

// The scorer against the plain fold at every trial of runs that exercise its sorts: trials a
// ten-millionth apart move few entries (insertion from the previous order), steps of a
// hundredth reshuffle them (the bucket sort, and the return to insertion after it), periods much
// longer than the observations crowd them into a few buckets (each sorted on its own).
TEST(TrialScorer, SameScoresAsThePlainFold) {
  const ScorerCase cases[] = {
      {"fine steps, epoch amid the data", Random(31, 1500, 40, 0.001L), 2450020.5L, {{0.61L, 1e-7L, 40}}, 0},
      {"coarse steps, then fine again",
       Random(32, 900, 25, 0.0005L),
       2450003.25L,
       {{0.3L, 0.01L, 30}, {0.9L, 1e-8L, 20}, {1.7L, 0.037L, 12}, {2.0L, 1e-9L, 10}},
       0},
      {"equal days (ties everywhere)",
       Random(33, 700, 10, 0.05L),
       2450000.123L,
       {{0.5L, 1e-6L, 25}, {1.25L, 0.25L, 8}},
       0},
      {"crowded phases", Random(34, 600, 1, 0.0001L), 2450000.0L, {{40.0L, 3.0L, 12}, {400.0L, 1e-5L, 5}}, 0},
      {"edge phases", EdgePhases(), 0, {{1.0L, 0x1p-40L, 5}, {0.5L, 0.25L, 5}}, 0},
      // 2.45e6 days at P = 1e-3 is 2.45e9 cycles: beyond the 32-bit count, the fold faults.
      {"cycle count out of range", Random(35, 50, 5, 0.01L), 0, {{0.001L, 0.0005L, 3}, {2.0L, 0.5L, 2}}, 1},
      {"zero period", Random(36, 50, 5, 0.01L), 2450000.0L, {{0, 0.25L, 3}}, 1},
  };
  // Both ways of forming the phases: vector instructions where the processor has them, the
  // fold's extended arithmetic everywhere.
  std::vector<bool> ways = {false};
  if (TrialScorer::VectorPhasesSupported()) ways.push_back(true);
  for (const auto& c : cases)
    for (bool vectorPhases : ways)
      for (SearchMethod method : {SearchMethod::StringLength, SearchMethod::Aov}) {
        SCOPED_TRACE(c.name);
        SCOPED_TRACE(vectorPhases ? "vector phases" : "extended phases");
        SCOPED_TRACE(static_cast<int>(method));
        auto data = MakeLoaded(c.curve);
        Star star;
        star.epoch = c.epoch;
        const FoldInvariants invariants = ComputeFoldInvariants(*data);
        ASSERT_TRUE(invariants.valid);
        TrialScorer scorer(data->jd.data(), data->mag.data(), data->pointCount, c.epoch, invariants,
                           vectorPhases);
        int faults = 0;
        for (const TrialRun& run : c.runs) {
          long double t = run.start;
          for (int k = 0; k < run.count; ++k, t = t + run.step) {
            SCOPED_TRACE(static_cast<double>(t));
            const std::optional<TrialOutcome> quick = scorer.Score(t, method);
            const PlainScore plain = ScoreByPlainFold(*data, star, t, method);
            if (plain.faults) {
              ++faults;
              EXPECT_FALSE(quick.has_value());  // left to the checked fold, which raises
              continue;
            }
            // A trial without a fault is scored here, exactly as the fold scores it.
            ASSERT_TRUE(quick.has_value());
            EXPECT_EQ(quick->undefined, plain.undefined);
            if (plain.undefined == AovUndefined::None) {
              EXPECT_EQ(quick->score, plain.score);
            }
          }
        }
        EXPECT_EQ(faults, c.expectedFaults);
      }
}

// The string length of a fold straight from its definition, on plain arrays of any size: each
// phase as the fold forms it (the extended quotient, truncated by the library, its fraction
// rounded to double and moved up by a cycle when negative), the library's stable sort, the sum
// of the segments.
long double StringLengthByDefinition(const std::vector<long double>& jd, const std::vector<long double>& mag,
                                     long double epoch, long double period) {
  struct Point {
    double phase;
    size_t entry;
  };
  std::vector<Point> points;
  for (size_t i = 0; i < jd.size(); ++i) {
    const long double x = (jd[i] - epoch) / period;
    double f = static_cast<double>(x - std::trunc(x));
    if (f < 0) f = static_cast<double>(static_cast<long double>(f) + 1.0L);
    points.push_back({f, i});
  }
  std::stable_sort(points.begin(), points.end(),
                   [](const Point& a, const Point& b) { return a.phase < b.phase; });
  long double length = 0;
  for (size_t r = 0; r + 1 < points.size(); ++r) {
    const long double dp = static_cast<long double>(points[r + 1].phase) - points[r].phase;
    const long double dm = mag[points[r + 1].entry] - mag[points[r].entry];
    length += std::sqrt(std::fabs(static_cast<double>(dp * dp + dm * dm)));
  }
  return length;
}

// More entries than the records hold (the scorer works on any arrays): 40 000 observations over
// 50 nights on a grid of 10^-5 days (equal phases) with magnitudes of five levels, the epoch amid
// them; trials a billionth apart (insertion), a thousandth apart (the bucket sort with several
// entries a bucket) and much longer than the nights (crowded buckets).
TEST(TrialScorer, ManyEntriesAsByDefinition) {
  std::mt19937 random(41);
  std::uniform_int_distribution<int32_t> night(0, 49);
  std::uniform_int_distribution<int32_t> slot(0, 30'000);
  std::uniform_int_distribution<int32_t> level(0, 4);
  std::vector<long double> jd, mag;
  for (int32_t i = 0; i < 40'000; ++i) {
    jd.push_back(2450000.0L + night(random) * 1.3L + slot(random) * 0.00001L);
    mag.push_back(12.0L + level(random) * 0.05L);
  }
  const long double epoch = 2450031.7L;
  FoldInvariants invariants;
  invariants.valid = true;  // the sums only matter to the means, not to the string length
  for (const long double& t : jd) invariants.jdSum = static_cast<double>(invariants.jdSum + t);
  const struct {
    long double start, step;
    int count;
  } runs[] = {{0.7123L, 1e-9L, 6}, {0.9L, 0.001L, 6}, {500.0L, 7.0L, 3}};
  std::vector<bool> ways = {false};
  if (TrialScorer::VectorPhasesSupported()) ways.push_back(true);
  for (bool vectorPhases : ways) {
    SCOPED_TRACE(vectorPhases ? "vector phases" : "extended phases");
    TrialScorer scorer(jd.data(), mag.data(), static_cast<int64_t>(jd.size()), epoch, invariants,
                       vectorPhases);
    for (const auto& run : runs) {
      long double t = run.start;
      for (int k = 0; k < run.count; ++k, t = t + run.step) {
        SCOPED_TRACE(static_cast<double>(t));
        const std::optional<TrialOutcome> quick = scorer.Score(t, SearchMethod::StringLength);
        ASSERT_TRUE(quick.has_value());
        EXPECT_EQ(quick->score, StringLengthByDefinition(jd, mag, epoch, t));
      }
    }
  }
}

// The AoV statistic of a fold with one magnitude per bin has a within-bin sum of 0: the fold
// faults (division by zero) and the scorer leaves the trial to it.
TEST(TrialScorer, LeavesAZeroWithinSumToTheFold) {
  std::vector<Observation> entries;
  for (int k = 0; k < 10; ++k) entries.push_back({2450000.05L + k * 2.1L, 10.0L + (k % 3)});
  auto data = MakeLoaded(entries);
  Star star;
  star.epoch = 2450000;
  TrialScorer scorer(data->jd.data(), data->mag.data(), data->pointCount, star.epoch,
                     ComputeFoldInvariants(*data));
  EXPECT_FALSE(scorer.Score(1, SearchMethod::Aov).has_value());
  EXPECT_TRUE(ScoreByPlainFold(*data, star, 1, SearchMethod::Aov).faults);
  // The string length of the same trial has a value: 9 steps of 0.1 in phase, magnitudes
  // 10 11 12 10 11 12 10 11 12 10 (and the repeat, 0 apart): 6 steps of 1 and 3 of 2.
  const std::optional<TrialOutcome> length = scorer.Score(1, SearchMethod::StringLength);
  ASSERT_TRUE(length.has_value());
  EXPECT_NEAR(static_cast<double>(length->score), 6 * std::sqrt(1.01) + 3 * std::sqrt(4.01), 1e-8);
}

}  // namespace
}  // namespace ombrane
