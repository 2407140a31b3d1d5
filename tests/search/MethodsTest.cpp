// The methods on arrays against independent computations: astropy's LombScargle and
// BoxLeastSquares, numpy least squares and plain loops for the multi-harmonic AoV and PDM, scipy
// for the probabilities (ReferenceValues.h, made by make_reference.py).
#include "search/Methods.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <numbers>

#include "common/InputError.h"
#include "search/ReferenceValues.h"
#include "search/Significance.h"

namespace ombrane {
namespace {

using namespace reference;

void ExpectRelative(double expected, double actual, double tolerance, const std::string& what) {
  EXPECT_LE(std::fabs(actual - expected), tolerance * std::fabs(expected))
      << what << ": expected " << expected << ", got " << actual;
}

void ExpectAllRelative(const std::vector<double>& expected, const std::vector<double>& actual,
                       double tolerance, const std::string& what) {
  ASSERT_EQ(expected.size(), actual.size()) << what;
  for (size_t k = 0; k < expected.size(); ++k)
    ExpectRelative(expected[k], actual[k], tolerance, what + " trial " + std::to_string(k));
}

std::vector<double> Weights() {
  std::vector<double> w;
  for (double s : kSigma) w.push_back(1 / (s * s));
  return w;
}

// The grids of the reference script.
const TrialGrid kFrequencies{.step = GridStep::Frequency, .first = 0.05, .increment = 0.0371, .count = 60};
const TrialGrid kPeriods{.step = GridStep::Period, .first = 0.5, .increment = 0.0123, .count = 40};

TEST(GlsTest, PowersMatchAstropyWeightedAndPlainOnBothGrids) {
  const TrialRun run{};
  ExpectAllRelative(kGlsWeighted, GlsPowers({kT, kY, Weights()}, kFrequencies, run).score, 1e-9, "weighted");
  ExpectAllRelative(kGlsPlain, GlsPowers({kT, kY, {}}, kFrequencies, run).score, 1e-9, "plain");
  ExpectAllRelative(kGlsPeriodGrid, GlsPowers({kT, kY, Weights()}, kPeriods, run).score, 1e-9, "period grid");
}

TEST(GlsTest, BaluevFalseAlarmMatchesAstropy) {
  const TrialGrid one{.step = GridStep::Frequency, .first = 1 / 0.731, .increment = 1, .count = 1};
  const double z = GlsPowers({kT, kY, Weights()}, one, TrialRun{}).score[0];
  ExpectRelative(kGlsBestPower, z, 1e-9, "power at the planted frequency");
  const double fmax = kGlsBaluevBand;  // the band from 0, as astropy takes it
  const long double fap =
      GlsFalseAlarm(kGlsBestPower, static_cast<int64_t>(kT.size()), fmax, EffectiveTimeSpan(kT, Weights()));
  ExpectRelative(kGlsBaluev, static_cast<double>(fap), 1e-9, "Baluev FAP");
  // No power, no evidence; the whole power, certainty.
  EXPECT_EQ(GlsFalseAlarm(0, 47, fmax, 10), 1);
  EXPECT_EQ(GlsFalseAlarm(1, 47, fmax, 10), 0);
}

TEST(GlsTest, RotatedPhaseFactorsStayExactOverManyTrials) {
  // Thousands of trials on one thread: each block is seeded exactly and rotated after; every
  // trial must agree with a grid of that one frequency, formed directly.
  const TrialGrid grid{.step = GridStep::Frequency, .first = 0.01, .increment = 0.00173, .count = 3000};
  const MethodScores scores = GlsPowers({kT, kY, Weights()}, grid, TrialRun{.threads = 1, .progress = {}});
  for (int64_t k : {0, 1, 127, 128, 129, 1500, 2999}) {
    const TrialGrid one{.step = GridStep::Frequency, .first = grid.Frequency(k), .increment = 1, .count = 1};
    ExpectRelative(GlsPowers({kT, kY, Weights()}, one, TrialRun{}).score[0],
                   scores.score[static_cast<size_t>(k)], 1e-10, "trial " + std::to_string(k));
  }
}

TEST(MhaovTest, StatisticsMatchLeastSquaresForOneToThreeHarmonics) {
  const std::vector<double>* expected[] = {&kMhaov1, &kMhaov2, &kMhaov3};
  for (int n = 1; n <= 3; ++n)
    ExpectAllRelative(*expected[n - 1],
                      MhaovStatistics({kT, kY, Weights()}, kFrequencies, n, TrialRun{}).score, 1e-9,
                      std::to_string(n) + " harmonics");
}

TEST(MhaovTest, OneHarmonicIsTheLombScarglePowerRescaled) {
  // With one harmonic both fit the same sine and mean: Θ = (N − 3)/2 · p/(1 − p).
  const MethodScores theta = MhaovStatistics({kT, kY, {}}, kPeriods, 1, TrialRun{});
  const MethodScores power = GlsPowers({kT, kY, {}}, kPeriods, TrialRun{});
  for (size_t k = 0; k < theta.score.size(); ++k) {
    const double p = power.score[k];
    ExpectRelative((47 - 3) / 2.0 * p / (1 - p), theta.score[k], 1e-9, "trial " + std::to_string(k));
  }
}

TEST(MhaovTest, ProbabilityIsTheUpperTailOfF) {
  ExpectRelative(kMhaovP, static_cast<double>(MhaovProbability(kMhaovTheta, 2, 47)), 1e-9, "p");
  // F(2, d2) has the closed tail (1 + 2x/d2)^(−d2/2): one harmonic, N = 13, Θ = 3.
  ExpectRelative(std::pow(1 + 2 * 3.0 / 10, -5.0), static_cast<double>(MhaovProbability(3, 1, 13)), 1e-12,
                 "F(2,10)");
}

TEST(PdmTest, ThetasMatchPlainBinningWithAndWithoutCovers) {
  ExpectAllRelative(kPdm10x2, PdmThetas({kT, kY, {}}, kPeriods, 10, 2, TrialRun{}).score, 1e-9,
                    "10 bins 2 covers");
  ExpectAllRelative(kPdm5x1, PdmThetas({kT, kY, {}}, kPeriods, 5, 1, TrialRun{}).score, 1e-9,
                    "5 bins 1 cover");
}

TEST(PdmTest, SmallFoldWorkedByHand) {
  // Period 1, 2 bins, 1 cover, times 0, 0.1, 0.6, 0.7, 1.2, 1.8: phases 0, .1, .6, .7, .2, .8.
  // Bin 1 holds 10, 12, 11 (mean 11, squares 2), bin 2 holds 20, 22, 21 (squares 2). The
  // grand mean is 16, the deviations −6, −4, 4, 6, −5, 5 square to 154: σ² = 154/5, and
  // s² = (2 + 2)/(6 − 2) = 1.
  const Observations data{{0, 0.1, 0.6, 0.7, 1.2, 1.8}, {10, 12, 20, 22, 11, 21}, {}};
  const TrialGrid one{.step = GridStep::Period, .first = 1, .increment = 1, .count = 1};
  ExpectRelative(1 / (154.0 / 5), PdmThetas(data, one, 2, 1, TrialRun{}).score[0], 1e-12, "theta");
}

TEST(PdmTest, ProbabilityIsTheLowerTailOfBeta) {
  ExpectRelative(kPdmP, static_cast<double>(PdmProbability(kPdmTheta, 5, 47)), 1e-8, "p");
  EXPECT_EQ(PdmProbability(1.5, 5, 47), 1);
}

TEST(BlsTest, PowersDurationsDepthsAndEpochsMatchAstropy) {
  const TrialGrid grid{.step = GridStep::Period, .first = 1.9, .increment = 0.017, .count = 50};
  const MethodScores s = BlsPowers({kT, kYBox, Weights()}, grid, {0.04, 0.06, 0.1}, TrialRun{});
  ASSERT_GT(kBls.size(), 30u);
  for (const BlsRow& row : kBls) {
    const size_t k = static_cast<size_t>(row.trial);
    const std::string what = "trial " + std::to_string(row.trial);
    ExpectRelative(row.power, s.score[k], 1e-9, what + " power");
    ExpectRelative(row.duration, s.duration[k], 1e-9, what + " duration");
    ExpectRelative(row.depth, s.depth[k], 1e-9, what + " depth");
    const double period = grid.Period(row.trial);
    const double off = std::remainder(s.epoch[k] - row.epochModP, period);
    EXPECT_LE(std::fabs(off), 1e-9) << what << " epoch";
  }
}

TEST(BlsTest, FindsThePlantedBoxAndItsDepth) {
  // A 0.1-mag dimming over a tenth of a 1.7-day period, on an even sampling: the best trial is
  // the planted period, the depth 0.1, the middle of an eclipse at 0.3 + 0.085 (mod 1.7).
  std::vector<double> t, y;
  for (int i = 0; i < 600; ++i) {
    t.push_back(i * 0.0513);
    const double phase = std::fmod(t.back() - 0.3 + 17, 1.7) / 1.7;
    y.push_back(10 + (phase < 0.1 ? 0.1 : 0));
  }
  const TrialGrid grid{.step = GridStep::Period, .first = 1.5, .increment = 0.01, .count = 41};
  const MethodScores s = BlsPowers({t, y, {}}, grid, {0.05, 0.1, 0.2}, TrialRun{});
  size_t best = 0;
  for (size_t k = 1; k < s.score.size(); ++k)
    if (s.score[k] > s.score[best]) best = k;
  EXPECT_NEAR(grid.Period(static_cast<int64_t>(best)), 1.7, 1e-9);
  EXPECT_NEAR(s.depth[best], 0.1, 1e-9);
  EXPECT_NEAR(s.duration[best], 0.17, 0.017 / 2);
  EXPECT_NEAR(std::remainder(s.epoch[best] - (0.3 + 0.085), 1.7), 0, 0.017);
}

TEST(SignificanceTest, DetectionEfficiencyByHand) {
  // Powers 1, 2, 3, 4, 10 (and an undefined trial): mean 4, σ = √(50/5) = √10.
  const PowerSpread spread = SpreadOf({1, 2, std::nan(""), 3, 4, 10});
  EXPECT_DOUBLE_EQ(static_cast<double>(spread.mean), 4);
  EXPECT_DOUBLE_EQ(static_cast<double>(spread.deviation), std::sqrt(10.0));
  EXPECT_DOUBLE_EQ(static_cast<double>(DetectionEfficiency(10, spread)), 6 / std::sqrt(10.0));
}

TEST(MethodsTest, AnyNumberOfThreadsGivesTheSameScores) {
  const TrialGrid grid{.step = GridStep::Frequency, .first = 0.02, .increment = 0.0011, .count = 2000};
  const Observations data{kT, kY, Weights()};
  const auto all = [&](unsigned threads) {
    const TrialRun run{.threads = threads, .progress = {}};
    return std::vector<std::vector<double>>{GlsPowers(data, grid, run).score,
                                            MhaovStatistics(data, grid, 2, run).score,
                                            PdmThetas(data, grid, 10, 2, run).score};
  };
  EXPECT_EQ(all(1), all(3));
}

TEST(MethodsTest, ProgressReachesTheCallerAndCancelStops) {
  // Many observations and trials, so that the run outlasts the first report.
  std::vector<double> t, y;
  for (int i = 0; i < 20000; ++i) {
    t.push_back(i * 0.013);
    y.push_back(std::sin(i * 0.7));
  }
  const TrialGrid grid{.step = GridStep::Period, .first = 0.1, .increment = 1e-6, .count = 2'000'000};
  std::atomic<int> calls{0};
  const TrialRun run{.threads = 2, .progress = [&](int64_t done, int64_t total) {
                       EXPECT_EQ(total, grid.count);
                       EXPECT_LE(done, total);
                       ++calls;
                       return false;
                     }};
  const MethodScores s = GlsPowers({t, y, {}}, grid, run);
  EXPECT_TRUE(s.cancelled);
  EXPECT_TRUE(s.score.empty());
  EXPECT_GE(calls.load(), 1);
}

TEST(MethodsTest, RefusesWhatCannotBeComputed) {
  const Observations data{kT, kY, {}};
  const TrialRun run{};
  const Observations tooFew{{0, 1}, {1, 2}, {}};
  const Observations unequal{{0, 1, 2}, {1, 2}, {}};
  const Observations badWeight{{0, 1, 2, 3}, {1, 2, 3, 4}, {1, 0, 1, 1}};
  EXPECT_THROW(GlsPowers(tooFew, kPeriods, run), InputError);
  EXPECT_THROW(GlsPowers(unequal, kPeriods, run), InputError);
  EXPECT_THROW(GlsPowers(badWeight, kPeriods, run), InputError);
  EXPECT_THROW(MhaovStatistics(data, kPeriods, 0, run), InputError);
  EXPECT_THROW(MhaovStatistics(Observations{{0, 1, 2, 3, 4}, {1, 2, 3, 4, 5}, {}}, kPeriods, 2, run),
               InputError);
  EXPECT_THROW(PdmThetas(data, kPeriods, 1, 1, run), InputError);
  EXPECT_THROW(PdmThetas(data, kPeriods, 10, 0, run), InputError);
  EXPECT_THROW(BlsPowers(data, kPeriods, {}, run), InputError);
  EXPECT_THROW(BlsPowers(data, kPeriods, {0.6}, run), InputError);
  EXPECT_THROW(BlsPowers(data, kPeriods, {0}, run), InputError);
}

TEST(MethodsTest, ConstantMagnitudesLeaveEveryTrialUndefined) {
  const Observations flat{{0, 0.3, 0.9, 1.4, 2.2, 3.1}, {5, 5, 5, 5, 5, 5}, {}};
  for (double score : GlsPowers(flat, kPeriods, TrialRun{}).score) EXPECT_TRUE(std::isnan(score));
  for (double score : MhaovStatistics(flat, kPeriods, 1, TrialRun{}).score) EXPECT_TRUE(std::isnan(score));
  for (double score : PdmThetas(flat, kPeriods, 2, 1, TrialRun{}).score) EXPECT_TRUE(std::isnan(score));
}

}  // namespace
}  // namespace ombrane
