#include "timing/EphemerisFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/InputError.h"
#include "timing/MinimaTable.h"
#include "timing/OcDiagram.h"

namespace ombrane {
namespace {

std::vector<TimedMinimum> Minima(const std::vector<long double>& times,
                                 const std::vector<long double>& errors = {}) {
  std::vector<TimedMinimum> minima(times.size());
  for (size_t i = 0; i < times.size(); ++i) {
    minima[i].time = times[i];
    if (!errors.empty()) minima[i].error = errors[i];
  }
  return minima;
}

// Three minima on a line: the line itself, with nothing left over.
TEST(EphemerisFit, ThreeMinimaOnALineGiveItExactly) {
  const auto minima = Minima({2450000.5L, 2450001.75L, 2450004.25L});
  const EphemerisFit fit = FitEphemeris(minima, {0, 1, 3}, false);
  EXPECT_NEAR(static_cast<double>(fit.epoch - 2450000.5L), 0, 1e-12);
  EXPECT_NEAR(static_cast<double>(fit.period), 1.25, 1e-15);
  EXPECT_NEAR(static_cast<double>(fit.chiSquare), 0, 1e-24);
  EXPECT_FALSE(fit.weighted);
  EXPECT_EQ(fit.degreesOfFreedom, 1);
}

// Four unweighted minima, solved by hand: x̄ = 1.5, t̄ = 1.5, Sxx = 5, Sxt = 4.9, so P = 0.98 and
// T0 = 0.03; residuals ∓0.03, ±0.09 give s² = 0.018/2; var P = s²/Sxx, var T0 = s²(1/4 + x̄²/Sxx).
TEST(EphemerisFit, FourUnweightedMinimaWorkedByHand) {
  const auto minima = Minima({100, 101.1L, 101.9L, 103});
  const EphemerisFit fit = FitEphemeris(minima, {0, 1, 2, 3}, false);
  EXPECT_NEAR(static_cast<double>(fit.period), 0.98, 1e-14);
  EXPECT_NEAR(static_cast<double>(fit.epoch), 100.03, 1e-12);
  const double expected[] = {-0.03, 0.09, -0.09, 0.03};
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(static_cast<double>(fit.residuals[i]), expected[i], 1e-12);
  EXPECT_NEAR(static_cast<double>(fit.periodError), std::sqrt(0.009 / 5), 1e-12);
  EXPECT_NEAR(static_cast<double>(fit.epochError), std::sqrt(0.009 * (0.25 + 2.25 / 5)), 1e-12);
  EXPECT_NEAR(static_cast<double>(fit.rms), std::sqrt(0.018 / 4), 1e-12);
  EXPECT_TRUE(fit.errorsKnown);
}

// Three minima weighted 100, 100, 400 (σ = 0.1, 0.1, 0.05), solved in fractions by hand:
// W = 600, x̄ = 3/2, t̄ = 29/20, Sxx = 350, Sxt = 325: P = 13/14, T0 = 2/35, χ² = 12/7 > ν = 1,
// so the formal errors (var P = 1/Sxx, var T0 = 1/W + x̄²/Sxx) are scaled by √(12/7).
TEST(EphemerisFit, WeightedMinimaWorkedByHand) {
  const auto minima = Minima({500, 501.1L, 501.9L}, {0.1L, 0.1L, 0.05L});
  const EphemerisFit fit = FitEphemeris(minima, {0, 1, 2}, false);
  ASSERT_TRUE(fit.weighted);
  EXPECT_NEAR(static_cast<double>(fit.period), 13.0 / 14, 1e-14);
  EXPECT_NEAR(static_cast<double>(fit.epoch - 500), 2.0 / 35, 1e-12);
  EXPECT_NEAR(static_cast<double>(fit.chiSquare), 12.0 / 7, 1e-12);
  EXPECT_NEAR(static_cast<double>(fit.errorScale), std::sqrt(12.0 / 7), 1e-12);
  EXPECT_NEAR(static_cast<double>(fit.periodError), std::sqrt(12.0 / 7 / 350), 1e-12);
  EXPECT_NEAR(static_cast<double>(fit.epochError), std::sqrt(12.0 / 7 * (1.0 / 600 + 2.25 / 350)), 1e-12);
}

// A quadratic ephemeris of a real star's size (T0 ≈ 2.46e6, cycles ±5000, Q = 1e-9) comes back
// from exact times: the fit counts from the mean cycle, so T0 keeps its last digits.
TEST(EphemerisFit, QuadraticOfExactTimesIsRecovered) {
  const long double t0 = 2458739.9291169L, p = 1.2683899L, q = 1e-9L;
  std::vector<TimedMinimum> minima;
  std::vector<long double> cycles;
  for (int e = -5000; e <= 5000; e += 250) {
    TimedMinimum m;
    m.time = t0 + p * e + q * e * e;
    minima.push_back(m);
    cycles.push_back(e);
  }
  const EphemerisFit fit = FitEphemeris(minima, cycles, true);
  EXPECT_NEAR(static_cast<double>(fit.epoch - t0), 0, 1e-10);
  EXPECT_NEAR(static_cast<double>(fit.period - p), 0, 1e-13);
  EXPECT_NEAR(static_cast<double>(fit.quadraticTerm / q), 1, 1e-6);
  EXPECT_NEAR(static_cast<double>(fit.periodChange / (2 * q)), 1, 1e-6);
  EXPECT_NEAR(static_cast<double>(fit.periodRate / (2 * q / p)), 1, 1e-6);
}

// A synthetic series with a known quadratic ephemeris and Gaussian timing noise: dP/dE comes back
// within three of its errors, without bias over many noise draws, and the reported errors of P
// and dP/dE match the scatter of the recovered values (within 20 %).
TEST(EphemerisFit, ErrorsMatchTheScatterOfNoisyMinima) {
  const long double t0 = 2457000.25L, p = 0.7654321L, q = 2e-9L, sigma = 5e-4L;
  std::mt19937_64 random(20261211);
  std::normal_distribution<double> noise(0, static_cast<double>(sigma));
  const int draws = 300;
  std::vector<double> periods, changes;
  double reportedPeriod = 0, reportedChange = 0;
  for (int d = 0; d < draws; ++d) {
    std::vector<TimedMinimum> minima;
    std::vector<long double> cycles;
    for (int e = 0; e <= 4000; e += 20) {
      TimedMinimum m;
      m.time = t0 + p * e + q * e * e + noise(random);
      m.error = sigma;
      minima.push_back(m);
      cycles.push_back(e);
    }
    const EphemerisFit fit = FitEphemeris(minima, cycles, true);
    if (d == 0) {
      EXPECT_LT(std::fabs(static_cast<double>(fit.periodChange - 2 * q)), 3 * fit.periodChangeError);
    }
    periods.push_back(static_cast<double>(fit.period - p));
    changes.push_back(static_cast<double>(fit.periodChange - 2 * q));
    // Without the χ² scaling the formal error is the same for every draw; with it, nearly so.
    reportedPeriod += static_cast<double>(fit.periodError) / draws;
    reportedChange += static_cast<double>(fit.periodChangeError) / draws;
  }
  auto spread = [](const std::vector<double>& values) {
    const double n = static_cast<double>(values.size());
    double mean = 0, squares = 0;
    for (double v : values) mean += v / n;
    for (double v : values) squares += (v - mean) * (v - mean);
    return std::sqrt(squares / (n - 1));
  };
  // No bias: the mean of the draws lies within three of its own errors of the truth.
  double bias = 0;
  for (double v : changes) bias += v / draws;
  EXPECT_LT(std::fabs(bias), 3 * reportedChange / std::sqrt(double{draws}));
  EXPECT_NEAR(spread(periods) / reportedPeriod, 1, 0.2);
  EXPECT_NEAR(spread(changes) / reportedChange, 1, 0.2);
}

TEST(EphemerisFit, ExcludedMinimaAreLeftOutButGetTheirResidual) {
  auto minima = Minima({10, 12, 14, 17, 18});
  minima[3].excluded = true;  // 1 day late
  const EphemerisFit fit = FitEphemeris(minima, {0, 1, 2, 3, 4}, false);
  EXPECT_EQ(fit.used, 4);
  EXPECT_NEAR(static_cast<double>(fit.period), 2, 1e-14);
  EXPECT_NEAR(static_cast<double>(fit.residuals[3]), 1, 1e-12);
}

TEST(EphemerisFit, TooFewMinimaOrCyclesAreRefused) {
  EXPECT_THROW(FitEphemeris(Minima({1}), {0}, false), InputError);
  EXPECT_THROW(FitEphemeris(Minima({1, 2}), {0, 1}, true), InputError);
  EXPECT_THROW(FitEphemeris(Minima({1, 1.001L, 0.999L}), {4, 4, 4}, false), InputError);
  auto bad = Minima({1, 2, 3});
  bad[1].time = NAN;
  EXPECT_THROW(FitEphemeris(bad, {0, 1, 2}, false), InputError);
}

// A secondary of an eccentric orbit at phase 0.42: its cycle is written n + ½ and its
// prediction is T0 + P·(n + 0.42).
TEST(EphemerisFit, SecondariesFallAtTheirPhase) {
  std::vector<TimedMinimum> minima = Minima({100, 102, 104.84L, 106.84L});
  minima[2].kind = MinimumKind::Secondary;
  minima[3].kind = MinimumKind::Secondary;
  const std::vector<long double> cycles = NumberCycles(minima, std::nullopt, 2.0L, 0.42L);
  EXPECT_EQ(cycles, (std::vector<long double>{0, 1, 2.5L, 3.5L}));
  const EphemerisFit fit = FitEphemeris(minima, cycles, false, 0.42L);
  EXPECT_NEAR(static_cast<double>(fit.period), 2, 1e-14);
  EXPECT_NEAR(static_cast<double>(fit.epoch), 100, 1e-12);
}

// Minima without cycles are numbered from their intervals: a period of 0.8 d seen only across
// gaps of several cycles (the shortest interval is two cycles), with 0.001 d of timing noise and
// a secondary.
TEST(NumberCycles, FromTheIntervalsAlone) {
  const long double p = 0.8L, t0 = 2459000.1L;
  const std::vector<long double> truth = {0, 2, 6, 9.5, 14, 32, 33.5, 70, 151};
  const double noise[] = {0.0004, -0.0007, 0.001, -0.0002, 0.0006, -0.001, 0.0003, -0.0005, 0.0008};
  std::vector<TimedMinimum> minima;
  for (size_t i = 0; i < truth.size(); ++i) {
    TimedMinimum m;
    m.time = t0 + p * truth[i] + noise[i];
    if (truth[i] != std::floor(truth[i])) m.kind = MinimumKind::Secondary;
    minima.push_back(m);
  }
  std::swap(minima[1], minima[7]);  // the order of the table does not matter
  std::vector<long double> expected = truth;
  std::swap(expected[1], expected[7]);
  EXPECT_EQ(NumberCycles(minima, std::nullopt, std::nullopt), expected);
  // Against a given epoch a cycle earlier, every number is one more.
  for (long double& e : expected) e += 1;
  EXPECT_EQ(NumberCycles(minima, t0 - p, p), expected);
}

// Twenty thousand cycles of a period that grows (the O−C bends by 0.12 d, a seventh of a cycle,
// by the end): numbered from the minima alone, each from the line through those before it.
TEST(NumberCycles, ALongSeriesWithAChangingPeriod) {
  std::mt19937_64 random(3);
  std::normal_distribution<double> noise(0, 2e-4);
  std::vector<TimedMinimum> minima;
  std::vector<long double> truth;
  for (int i = 0; i < 10000; ++i) {
    const long double e = 2 * i + (i % 3 == 0 ? 0.5L : 0);
    TimedMinimum m;
    m.time = 2455000.1234L + 0.8765432L * e + 3e-10L * e * e + noise(random);
    m.kind = i % 3 == 0 ? MinimumKind::Secondary : MinimumKind::Primary;
    minima.push_back(m);
    truth.push_back(e - 2);  // the first primary (e = 2) is cycle 0
  }
  EXPECT_EQ(NumberCycles(minima, std::nullopt, std::nullopt), truth);
}

TEST(NumberCycles, GivenCyclesAreKeptAndNumberTheRest) {
  std::vector<TimedMinimum> minima = Minima({10, 13, 25, 31.01L});
  minima[0].cycle = 100;
  minima[1].cycle = 101;
  EXPECT_EQ(NumberCycles(minima, std::nullopt, std::nullopt), (std::vector<long double>{100, 101, 105, 107}));
}

TEST(NumberCycles, OneMinimumWithoutAPeriodIsRefused) {
  EXPECT_THROW(NumberCycles(Minima({10}), std::nullopt, std::nullopt), InputError);
  EXPECT_THROW(NumberCycles(Minima({10, 11}), std::nullopt, -1.0L), InputError);
}

TEST(MinimaTable, ReadsTheColumnsItsHeaderNames) {
  const std::vector<TimedMinimum> minima = ReadMinimaTable(
      "# published and own times\n"
      "Cycle, \"BJD_TDB\", Type, Err, observer\n"
      "7023,2458738.6607358,P,0.0000191,Deeg\n"
      "\n"
      "7023.5,2458739.2952,s,,me\n"
      ",2458739.9291169,,1.25e-5,Deeg\n",
      "minima.csv");
  ASSERT_EQ(minima.size(), 3u);
  EXPECT_EQ(minima[0].time, 2458738.6607358L);
  EXPECT_EQ(minima[0].error, 0.0000191L);
  EXPECT_EQ(minima[0].kind, MinimumKind::Primary);
  EXPECT_EQ(minima[0].cycle, 7023.0L);
  EXPECT_EQ(minima[1].kind, MinimumKind::Secondary);
  EXPECT_EQ(minima[1].error, 0);
  EXPECT_EQ(minima[1].cycle, 7023.5L);
  EXPECT_FALSE(minima[2].kind.has_value());
  EXPECT_FALSE(minima[2].cycle.has_value());
  EXPECT_EQ(minima[2].error, 1.25e-5L);
}

// The table's time scale: a time_scale column, else the time column's name, else unknown; rows of
// two scales are refused.
TEST(MinimaTable, TheTimeScaleItsHeaderOrColumnSays) {
  const struct {
    const char* text;
    std::optional<TimeScale> scale;
    size_t rows;
  } cases[] = {
      {"time,error\n10,0.1\n", std::nullopt, 1},
      {"HJD,error\n10,0.1\n", TimeScale::Hjd, 1},
      {"bjd_tdb,error\n10,0.1\n", TimeScale::BjdTdb, 1},
      {"BJD\n10\n", TimeScale::BjdTdb, 1},
      {"jd\n10\n", TimeScale::Jd, 1},
      {"time,time_scale\n10,BJD_TDB\n11,bjd_tdb\n", TimeScale::BjdTdb, 2},
      {"time,scale\n10,\n11,HJD\n", TimeScale::Hjd, 2},
  };
  for (const auto& c : cases) {
    std::optional<TimeScale> scale = TimeScale::Jd;  // overwritten, also with nothing
    EXPECT_EQ(ReadMinimaTable(c.text, "m.csv", &scale).size(), c.rows) << c.text;
    EXPECT_EQ(scale, c.scale) << c.text;
  }
}

// Minima joining the O-C table: an empty table takes their scale, a known one refuses another
// and notes an unknown one.
TEST(OcTable, MinimaOfOneScaleOnly) {
  OcTable table;
  EXPECT_FALSE(JoinTimeScale(table, TimeScale::BjdTdb, "own.txt").has_value());
  EXPECT_EQ(table.timeScale, TimeScale::BjdTdb);
  table.minima.push_back(TimedMinimum{});
  EXPECT_FALSE(JoinTimeScale(table, TimeScale::BjdTdb, "more.csv").has_value());
  const std::optional<std::string> note = JoinTimeScale(table, std::nullopt, "old.csv");
  ASSERT_TRUE(note.has_value());
  EXPECT_EQ(*note,
            "old.csv does not say its time scale; its times are taken to be in BJD_TDB like the table's");
  try {
    JoinTimeScale(table, TimeScale::Hjd, "hjd.csv");
    ADD_FAILURE() << "HJD joined a BJD_TDB table";
  } catch (const InputError& error) {
    EXPECT_EQ(std::string(error.what()),
              "hjd.csv holds times in HJD and the table times in BJD_TDB: convert them to one scale first "
              "(one fit must not mix them)");
  }
  EXPECT_EQ(table.timeScale, TimeScale::BjdTdb);
  // A table whose first source did not say takes the scale of the next that does.
  OcTable unknown;
  JoinTimeScale(unknown, std::nullopt, "a.csv");
  unknown.minima.push_back(TimedMinimum{});
  EXPECT_FALSE(JoinTimeScale(unknown, TimeScale::Hjd, "b.csv").has_value());
  EXPECT_EQ(unknown.timeScale, TimeScale::Hjd);
  // The epoch line names the scale.
  EphemerisFit fit;
  fit.epoch = 2458738.6607358L;
  fit.period = 1.2683899L;
  const std::vector<std::string> lines = EphemerisFitLines(fit, table.minima, TimeScale::BjdTdb);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_TRUE(lines[2].starts_with("epoch: 2458738.66")) << lines[2];
  EXPECT_TRUE(lines[2].ends_with(" BJD_TDB")) << lines[2];
}

TEST(MinimaTable, WhatCannotBeReadSaysWhereAndWhy) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"cycle,error\n1,0.1\n", "m.csv line 1: the header names no time column"},
      {"time,error\n10,0.1\n11,x\n", "m.csv line 3: the error 'x' is not a number"},
      {"time,type\n10,P\n11,Q\n", "m.csv line 3: the type 'Q' is neither P nor S"},
      {"time,error\n10,-0.1\n", "m.csv line 2: the error must not be negative"},
      {"time,error\n,0.1\n", "m.csv line 2: the time is missing"},
      {"# nothing\n", "m.csv: no header line"},
      {"time,time_scale\n10,TCB\n", "m.csv line 2: the time scale 'TCB' is not JD, HJD or BJD_TDB"},
      {"hjd,time_scale\n10,HJD\n11,BJD_TDB\n", "m.csv line 3: a time in BJD_TDB among times in HJD"},
  };
  for (const auto& c : cases) {
    try {
      ReadMinimaTable(c.text, "m.csv");
      ADD_FAILURE() << c.text;
    } catch (const InputError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << error.what();
    }
  }
}

}  // namespace
}  // namespace ombrane
