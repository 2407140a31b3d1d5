#include "timing/EclipseTiming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/InputError.h"
#include "timing/EphemerisFit.h"

namespace ombrane {
namespace {

// An eclipse 0.8 mag deep whose contacts are `half` days from its middle, with a smooth bottom
// and smooth contacts (a cubic smoothstep in |x|), on a level of 10 mag.
double Eclipse(double x, double half = 0.05, double depth = 0.8) {
  const double a = std::fabs(x) / half;
  return a >= 1 ? 10 : 10 + depth * (1 - a * a * (3 - 2 * a));
}

struct Draws {
  double bias = 0, scatter = 0, chiSquare = 0, bootstrap = 0;
};

// Times `draws` noisy copies of one eclipse (n points over ±0.08 d, minimum at 0.0123 d, noise σ)
// and returns the bias and scatter of the times and the mean of each reported error.
Draws TimeNoisyEclipses(int n, double sigma, int draws) {
  std::mt19937_64 random(42);
  std::normal_distribution<double> noise(0, sigma);
  const double truth = 0.0123;
  std::vector<double> times;
  Draws out;
  for (int d = 0; d < draws; ++d) {
    std::vector<double> t, m;
    for (int i = 0; i < n; ++i) {
      const double x = -0.08 + 0.16 * i / (n - 1);
      t.push_back(x);
      m.push_back(Eclipse(x - truth) + noise(random));
    }
    EclipseTimingOptions options;
    options.bootstrapDraws = 100;
    options.seed = static_cast<uint64_t>(d);
    const EclipseTime e = TimeEclipse(t, m, options);
    EXPECT_TRUE(e.timed);
    EXPECT_EQ(e.method, EclipseMethod::KweeVanWoerden);
    times.push_back(e.time - truth);
    out.chiSquare += e.chiSquareError / draws;
    out.bootstrap += e.bootstrapError / draws;
  }
  for (double t : times) out.bias += t / draws;
  for (double t : times) out.scatter += (t - out.bias) * (t - out.bias) / (draws - 1);
  out.scatter = std::sqrt(out.scatter);
  return out;
}

// The errors are honest: over many noise draws of a synthetic eclipse with a known time, the
// χ² error and the bootstrap error each match the scatter of the times within 20 %, and the times
// are unbiased (the mean within three of its own errors of the truth).
TEST(EclipseTiming, ErrorsMatchTheScatterOfTimesOverNoiseDraws) {
  const struct {
    int points;
    double sigma;
  } cases[] = {{60, 0.005}, {200, 0.01}};
  for (const auto& c : cases) {
    const int draws = 300;
    const Draws d = TimeNoisyEclipses(c.points, c.sigma, draws);
    EXPECT_NEAR(d.chiSquare / d.scatter, 1, 0.2) << c.points;
    EXPECT_NEAR(d.bootstrap / d.scatter, 1, 0.2) << c.points;
    EXPECT_LT(std::fabs(d.bias), 3 * d.scatter / std::sqrt(double{draws})) << c.points;
  }
}

// Without noise a symmetric eclipse is timed at its middle, whatever the sampling's phase (up to
// the linear interpolation's error, a small fraction of the step of 0.0016 d).
TEST(EclipseTiming, ASymmetricEclipseIsTimedAtItsMiddle) {
  for (const double truth : {0.0, 0.0007, -0.0123, 0.02}) {
    std::vector<double> t, m;
    for (int i = 0; i < 101; ++i) {
      const double x = -0.08 + 0.0016 * i;
      t.push_back(x);
      m.push_back(Eclipse(x - truth));
    }
    const EclipseTime e = TimeEclipse(t, m);
    ASSERT_TRUE(e.timed);
    EXPECT_NEAR(e.time, truth, 5e-5) << truth;
    EXPECT_FALSE(e.outsideFaintest);
  }
}

// Fewer than 9 points cannot form the sums: a parabola through the bottom times them, exactly
// for points on a parabola.
TEST(EclipseTiming, FewPointsAreTimedByAParabola) {
  std::vector<double> t, m;
  for (int i = 0; i < 6; ++i) {
    const double x = -0.01 + 0.005 * i;
    t.push_back(x);
    m.push_back(10.5 - 200 * (x - 0.003) * (x - 0.003));
  }
  const EclipseTime e = TimeEclipse(t, m);
  ASSERT_TRUE(e.timed);
  EXPECT_EQ(e.method, EclipseMethod::Parabola);
  EXPECT_NEAR(e.time, 0.003, 1e-12);
  const EclipseTime none = TimeEclipse(std::vector<double>{0, 1}, std::vector<double>{10, 11});
  EXPECT_FALSE(none.timed);
}

// The noise of one observation from the observations themselves: the scatter about the cubic of
// the neighbours ignores a curve's slow bends. Pure noise of σ = 0.01 on a quadratic trend.
// Branches observed: a V-shaped eclipse 0.7 mag deep, 0.02 d from the bottom to the out-of-eclipse
// level on either side, sampled every 2 minutes from `from` to `to` (days from the minimum). A
// branch cut at half depth climbs 0.35 mag, half the 0.7 of a whole one (as CM Dra's cycle 7023,
// whose TESS points start halfway down the ingress).
TEST(EclipseCoverage, ABranchCutShortIsNotObserved) {
  const struct {
    double from, to;
    Coverage coverage;
  } cases[] = {
      {-0.03, 0.03, Coverage::Both},            // whole
      {-0.016, 0.03, Coverage::Both},           // the ingress climbs 0.56 of 0.7: 80 %
      {-0.0097, 0.0194, Coverage::EgressOnly},  // the ingress from half depth
      {-0.0194, 0.0097, Coverage::IngressOnly},
      {0.0, 0.03, Coverage::EgressOnly},      // nothing before the bottom
      {-0.0021, 0.03, Coverage::EgressOnly},  // one point before it
  };
  for (const auto& c : cases) {
    std::vector<double> t, m;
    for (double x = c.from; x <= c.to + 1e-12; x += 2.0 / 1440) {
      t.push_back(x);
      m.push_back(10.7 - 0.7 * std::min(std::fabs(x) / 0.02, 1.0));
    }
    EXPECT_EQ(CoverageOf(t, m), c.coverage) << c.from << " " << c.to;
  }
}

TEST(EclipseTiming, NoiseOfNeighboursMeasuresTheNoiseNotTheCurve) {
  std::mt19937_64 random(1);
  std::normal_distribution<double> noise(0, 0.01);
  std::vector<double> t, m;
  for (int i = 0; i < 4000; ++i) {
    t.push_back(i * 0.001);
    m.push_back(10 + 3 * (i * 0.001) * (i * 0.001) + noise(random));
  }
  EXPECT_NEAR(NoiseOfNeighbours(t, m), 0.01, 0.0006);
}

// A series of 14 cycles of P = 1.7 d, observed every 0.003 d on stretches that cover some
// eclipses whole, one from its middle on (egress only), one with a few points, and one with a
// gap over its egress; each primary late by a known O−C, the secondaries at phase 0.5.
class EveryEclipse : public ::testing::Test {
 protected:
  static constexpr long double kEpoch = 2459000.3L, kPeriod = 1.7L;
  static long double Shift(int n) { return 0.0004L * (n % 3); }  // the O−C of primary n, days

  void SetUp() override {
    std::mt19937_64 random(9);
    std::normal_distribution<double> noise(0, 0.002);
    auto observe = [&](long double from, long double to, long double step) {
      for (long double x = from; x < to; x += step) {
        double mag = 10;
        for (int n = -1; n <= 15; ++n) {
          const long double p = kEpoch + n * kPeriod + Shift(n);
          const long double s = kEpoch + (n + 0.5L) * kPeriod;
          mag +=
              Eclipse(static_cast<double>(x - p)) - 10 + Eclipse(static_cast<double>(x - s), 0.05, 0.3) - 10;
        }
        t.push_back(x);
        m.push_back(mag + noise(random));
      }
    };
    for (int n = 0; n < 14; ++n) {
      const long double p = kEpoch + n * kPeriod;
      if (n == 0) {
        observe(p + 0.002L, p + 0.2L, 0.003L);  // from the middle on: egress only
      } else if (n == 5) {
        observe(p - 0.2L, p + 0.2L, 0.02L);  // 20 points, 5 of them in the eclipse's window
      } else if (n == 9) {
        observe(p - 0.2L, p + 0.004L, 0.003L);  // the egress in a gap
        observe(p + 0.045L, p + 0.2L, 0.003L);
      } else {
        observe(p - 0.2L, p + 0.2L, 0.003L);
      }
      observe(p + 0.5L * kPeriod - 0.15L, p + 0.5L * kPeriod + 0.15L, 0.003L);
    }
  }

  std::vector<long double> t, m;
};

TEST_F(EveryEclipse, TimesAndFlagsEachEclipseTheDataCover) {
  EclipseSearch search;
  search.epoch = kEpoch;
  search.period = kPeriod;
  search.width = 0.12L;
  const std::vector<TimedEclipse> eclipses = TimeEveryEclipse(t, m, search);
  ASSERT_EQ(eclipses.size(), 28u);
  for (size_t i = 0; i < eclipses.size(); ++i) {
    const TimedEclipse& e = eclipses[i];
    const int n = static_cast<int>(i / 2);
    ASSERT_EQ(e.kind, i % 2 == 0 ? MinimumKind::Primary : MinimumKind::Secondary) << i;
    ASSERT_EQ(e.cycle, n + (i % 2 == 0 ? 0 : 0.5L)) << i;
    const long double truth =
        e.kind == MinimumKind::Primary ? kEpoch + n * kPeriod + Shift(n) : kEpoch + (n + 0.5L) * kPeriod;
    if (e.kind == MinimumKind::Primary && n == 0) {
      EXPECT_EQ(e.coverage, Coverage::EgressOnly);
      EXPECT_NE(e.flag.find("one-sided"), std::string::npos) << e.flag;
      continue;
    }
    if (e.kind == MinimumKind::Primary && n == 5) {
      EXPECT_EQ(e.flag, "few-points");
      EXPECT_EQ(e.eclipse.method, EclipseMethod::Parabola);
      continue;
    }
    if (e.kind == MinimumKind::Primary && n == 9) {
      EXPECT_NE(e.flag.find("gapped"), std::string::npos) << e.flag;
      continue;
    }
    EXPECT_EQ(e.coverage, Coverage::Both) << i;
    EXPECT_EQ(e.flag, "") << i;
    ASSERT_TRUE(e.eclipse.timed) << i;
    EXPECT_LT(std::fabs(static_cast<double>(e.time - truth)), 4 * e.eclipse.error) << i;
  }
}

// The minima, fitted: the ephemeris comes back within its errors.
TEST_F(EveryEclipse, TheirEphemerisComesBack) {
  EclipseSearch search;
  search.epoch = kEpoch + 0.01L;  // a slightly wrong epoch still finds every eclipse
  search.period = kPeriod;
  std::vector<TimedMinimum> minima;
  for (const TimedEclipse& e : TimeEveryEclipse(t, m, search)) {
    if (!e.flag.empty() || e.kind != MinimumKind::Primary) continue;
    TimedMinimum minimum;
    minimum.time = e.time - Shift(static_cast<int>(e.cycle));  // the known O−C taken out
    minimum.error = e.eclipse.error;
    minimum.cycle = e.cycle;
    minima.push_back(minimum);
  }
  ASSERT_GE(minima.size(), 10u);
  std::vector<long double> cycles;
  for (const TimedMinimum& minimum : minima) cycles.push_back(*minimum.cycle);
  const EphemerisFit fit = FitEphemeris(minima, cycles, false);
  EXPECT_LT(std::fabs(static_cast<double>(fit.period - kPeriod)), 4 * fit.periodError);
  EXPECT_LT(std::fabs(static_cast<double>(fit.epoch - kEpoch)), 4 * fit.epochError);
}

TEST_F(EveryEclipse, TheWidthIsFoundFromTheFold) {
  const long double width = EclipseWidth(t, m, kEpoch, kPeriod);
  EXPECT_GT(width, 0.08L);
  EXPECT_LT(width, 0.16L);
}

TEST(EveryEclipseInput, BadRequestsAreRefused) {
  const std::vector<long double> t = {1, 2, 3}, m = {10, 11, 10};
  EclipseSearch search;
  search.period = 0;
  EXPECT_THROW(TimeEveryEclipse(t, m, search), InputError);
  search.period = 1;
  search.width = -1;
  EXPECT_THROW(TimeEveryEclipse(t, m, search), InputError);
  search.width.reset();
  search.period = 1e-9L;
  EXPECT_THROW(TimeEveryEclipse(t, m, search), InputError);
}

}  // namespace
}  // namespace ombrane
