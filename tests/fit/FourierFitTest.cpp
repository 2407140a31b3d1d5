#include "fit/FourierFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "FitFixture.h"
#include "Tolerance.h"
#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/TextToFloat.h"
#include "fit/FourierPresentation.h"
#include "phase/Fold.h"

namespace ombrane {
namespace {

bool RelativelyClose(long double a, long double b, long double tolerance) {
  return std::fabs(a - b) <= tolerance * std::max(std::fabs(a), std::fabs(b));
}

// A fit result set by hand: coefficients X[1 .. 2n+1] and a covariance matrix.
std::unique_ptr<HarmonicFit> HandFit(std::vector<long double> coefficients) {
  auto fit = std::make_unique<HarmonicFit>();
  fit->coefficients = static_cast<int32_t>(coefficients.size());
  fit->harmonics = (fit->coefficients - 1) / 2;
  for (size_t i = 0; i < coefficients.size(); ++i) fit->coefficient[i + 1] = coefficients[i];
  return fit;
}

void SetCovariance(HarmonicFit& fit, size_t i, size_t j, long double value) {
  fit.covariance[i][j] = value;
  fit.covariance[j][i] = value;
}

TEST(AmplitudePhase, ByHand) {
  // a = 3, b = 4: A = 5, phi = atan2(4, 3). T = 9 * 0.01 + 2 * 12 * 0.002 + 16 * 0.04 = 0.778,
  // sigma^2(A) = 0.778 / 25; sigma^2(phi) = (16 * 0.01 - 24 * 0.002 + 9 * 0.04) / 625 = 0.472 / 625.
  auto fit = HandFit({10, 3, 4});
  SetCovariance(*fit, 2, 2, 0.01L);
  SetCovariance(*fit, 2, 3, 0.002L);
  SetCovariance(*fit, 3, 3, 0.04L);
  for (const PowerForm form : {PowerForm::Pow, PowerForm::Product}) {
    const HarmonicTerms h = AmplitudePhase(*fit, 1, form);
    EXPECT_EQ(h.amplitude, 5.0L);
    EXPECT_EQ(h.phase, static_cast<long double>(std::atan2(4.0, 3.0)));
    EXPECT_TRUE(RelativelyClose(h.amplitudeError, std::sqrt(0.778L / 25), 1e-15L));
    EXPECT_TRUE(RelativelyClose(h.phaseError, std::sqrt(0.472L / 625), 1e-15L));
  }
}

TEST(AmplitudePhase, ZeroAmplitudeIsInvalid) {
  // a = b = 0: T = 0 over A^2 = 0.
  auto fit = HandFit({10, 0, 0});
  SetCovariance(*fit, 2, 2, 0.01L);
  try {
    AmplitudePhase(*fit, 1, PowerForm::Pow);
    FAIL() << "no fault";
  } catch (const FloatingPointError& e) {
    EXPECT_EQ(e.fault(), FloatingPointFault::InvalidOperation);
  }
}

TEST(FourierParameters, ByHand) {
  // Harmonic 1: a = 3, b = 4 (A1 = 5); harmonic 2: a = 0.6, b = 0.8 (A2 = 1), the same phase, so
  // R21 = 0.2 and phi21 = phi - 2 phi = -phi, brought up by 2 pi. With C22 = C33 = 0.01,
  // C44 = C55 = 0.0004 and C[2][4] = 0.001 the only cross term:
  //   T1 = 0.25, T2 = 0.0004, U = 0.6 * 3 * 0.001 = 0.0018, V = -0.8 * 4 * 0.001 = -0.0032,
  //   sigma^2(R21) = 0.0004 / 25 - 2 * 0.0018 / 625 + 0.25 / 15625 = 0.00002624,
  //   sigma^2(phi1) = 0.25 / 625 = 0.0004, sigma^2(phi2) = 0.0004,
  //   sigma^2(phi21) = 0.0004 + 2 * 2 * (-0.0032) / (1 * 25) + 4 * 0.0004 = 0.001488.
  auto fit = HandFit({10, 3, 4, 0.6L, 0.8L});
  SetCovariance(*fit, 2, 2, 0.01L);
  SetCovariance(*fit, 3, 3, 0.01L);
  SetCovariance(*fit, 4, 4, 0.0004L);
  SetCovariance(*fit, 5, 5, 0.0004L);
  SetCovariance(*fit, 2, 4, 0.001L);
  const FourierParameter p = FourierParameters(*fit, 2);
  EXPECT_TRUE(RelativelyClose(p.ratio, 0.2L, 1e-15L));
  const long double phi = std::atan2(0.8, 0.6);
  EXPECT_TRUE(RelativelyClose(p.phaseDifference, 2.0L * kPi - phi, 1e-15L));
  EXPECT_TRUE(RelativelyClose(p.ratioError, std::sqrt(0.00002624L), 1e-12L));
  EXPECT_TRUE(RelativelyClose(p.phaseDifferenceError, std::sqrt(0.001488L), 1e-12L));
}

// The errors of R_k1 and phi_k1 against the linear propagation J C J^T with the Jacobian J taken
// by central differences of R_k1 = A_k / A_1 and phi_k1 = phi_k - k phi_1 in the coefficients,
// independently of the program's closed forms. Three harmonics of unequal amplitudes and a
// full covariance matrix C = L L^T (every cross term present), so that a wrong power of an
// amplitude or a wrong sign of a cross term shows.
TEST(FourierParameters, ErrorsAreTheLinearPropagation) {
  const std::vector<long double> x = {10, 0.31L, -0.22L, 0.083L, 0.061L, -0.027L, 0.019L};
  auto fit = HandFit(x);
  const size_t m = x.size();
  long double lower[8][8] = {};
  for (size_t i = 1; i <= m; ++i)
    for (size_t j = 1; j <= i; ++j) lower[i][j] = (i == j ? 0.01L : 0.002L * std::sin(1.7L * i + 0.9L * j));
  for (size_t i = 1; i <= m; ++i)
    for (size_t j = 1; j <= m; ++j) {
      long double sum = 0;
      for (size_t l = 1; l <= m; ++l) sum += lower[i][l] * lower[j][l];
      fit->covariance[i][j] = sum;
    }
  auto ratio = [](const std::vector<long double>& c, int k) {
    return std::hypot(c[2 * k - 1], c[2 * k]) / std::hypot(c[1], c[2]);
  };
  auto difference = [](const std::vector<long double>& c, int k) {
    return std::atan2(c[2 * k], c[2 * k - 1]) - k * std::atan2(c[2], c[1]);
  };
  for (int k = 2; k <= 3; ++k) {
    long double gradR[8] = {}, gradPhi[8] = {};
    const long double h = 1e-7L;
    for (size_t i = 1; i <= m; ++i) {
      std::vector<long double> up = x, down = x;  // x[i - 1] is coefficient X[i]
      up[i - 1] += h;
      down[i - 1] -= h;
      gradR[i] = (ratio(up, k) - ratio(down, k)) / (2 * h);
      gradPhi[i] = (difference(up, k) - difference(down, k)) / (2 * h);
    }
    long double varR = 0, varPhi = 0;
    for (size_t i = 1; i <= m; ++i)
      for (size_t j = 1; j <= m; ++j) {
        varR += gradR[i] * fit->covariance[i][j] * gradR[j];
        varPhi += gradPhi[i] * fit->covariance[i][j] * gradPhi[j];
      }
    const FourierParameter p = FourierParameters(*fit, k);
    EXPECT_TRUE(RelativelyClose(p.ratioError, std::sqrt(varR), 1e-7L))
        << k << ": " << static_cast<double>(p.ratioError) << " vs " << static_cast<double>(std::sqrt(varR));
    EXPECT_TRUE(RelativelyClose(p.phaseDifferenceError, std::sqrt(varPhi), 1e-7L))
        << k << ": " << static_cast<double>(p.phaseDifferenceError) << " vs "
        << static_cast<double>(std::sqrt(varPhi));
  }
}

struct RangeCase {
  long double d;
  long double expected;
};

class PhaseRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(PhaseRange, BringsIntoRange) {
  EXPECT_TRUE(test::Close(PhaseDifferenceInRange(GetParam().d), GetParam().expected))
      << static_cast<double>(GetParam().d);
}

constexpr long double kTwoPiL = 2.0L * kPi;

INSTANTIATE_TEST_SUITE_P(Cases, PhaseRange,
                         ::testing::Values(RangeCase{0, 0}, RangeCase{-kTwoPiL, kTwoPiL}, RangeCase{3, 3},
                                           RangeCase{7, 7 - kTwoPiL}, RangeCase{13, 13 - 2 * kTwoPiL},
                                           RangeCase{-0.5L, -0.5L + kTwoPiL},
                                           RangeCase{-7, -7 + 2 * kTwoPiL}));

// Observations evenly spaced over whole cycles, with chosen harmonics and, as "noise", one
// harmonic far above them: it is orthogonal to every lower harmonic over the samples, so it
// leaves their coefficients exact while giving every error a definite size.
struct CountCase {
  const char* name;
  std::vector<test::Harmonic> terms;
  int32_t expected;
};

class HarmonicCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(HarmonicCount, FindsTheHarmonicsOfTheCurve) {
  const long double period = 0.4532L;
  std::vector<test::Harmonic> terms = GetParam().terms;
  terms.push_back({9, 0.05L, 0.4L});
  const auto t = test::EvenTimes(400, 4, period);
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, 12.0L, terms, period));
  Star star;
  star.period = period;
  auto work = std::make_unique<HarmonicFit>();
  const HarmonicCountResult result = SelectHarmonicCount(*data, star, *work);
  EXPECT_EQ(result.harmonics, GetParam().expected);
  EXPECT_FALSE(result.capped);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HarmonicCount,
    ::testing::Values(CountCase{"None", {}, 0}, CountCase{"One", {{1, 0.4L, 0.7L}}, 1},
                      CountCase{"Two", {{1, 0.4L, 0.7L}, {2, 0.15L, 2.5L}}, 2},
                      CountCase{"Three", {{1, 0.4L, 0.7L}, {2, 0.15L, 2.5L}, {3, 0.06L, -1.9L}}, 3},
                      // A missing second harmonic ends the search at one, whatever follows.
                      CountCase{"Gap", {{1, 0.4L, 0.7L}, {3, 0.06L, -1.9L}}, 1}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(HarmonicCount, StopsAtTheStorageLimit) {
  // Fifty harmonics, every one clearly significant up to 49 (amplitude 0.1, phases and phase
  // differences away from 0), on 1500 evenly spaced observations.
  const long double period = 0.7L;
  std::vector<test::Harmonic> terms{{1, 1.0L, 0.5L}};
  for (int32_t k = 2; k <= 50; ++k) {
    long double phase = std::remainder(0.5L * k + 3.0L, kTwoPiL);
    if (std::fabs(phase) < 0.5L) phase = std::remainder(0.5L * k + 2.0L, kTwoPiL);
    terms.push_back({k, 0.1L, phase});
  }
  const auto t = test::EvenTimes(1500, 2, period);
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, 12.0L, terms, period));
  Star star;
  star.period = period;
  star.epoch = 2450000;
  FoldPhases(*data, star, period);
  SetJdAverage(*data, period);
  // The automatic fit says where it stopped and goes on with 49 harmonics.
  ViewState view;
  ChartModel chart;
  std::vector<std::string> notes;
  FitOutcome outcome;
  RunAutomaticFit(
      *data, star, view, chart, FitRequest{},
      FitSink{.note = [&](const std::string& line) { notes.push_back(line); }, .open = {}, .append = {}},
      outcome);
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "FOURIER  ", "The search for harmonics stopped at 49, the most a fit can hold",
                       "nr fit 49"}));
  EXPECT_EQ(outcome.harmonics, kMaxHarmonics);
  EXPECT_NEAR(static_cast<double>(star.fourierResults.Slot(9)), 0.1, 1e-6);  // A4
  EXPECT_GT(chart.Series(kFittedCurveSeries).Count(), 0);
}

TEST(ClipOutliers, MarksBeyondTwoAndAHalfSigma) {
  // A flat fit at 10 with sigma 0.5: the limit is 1.25, exactly representable.
  auto fit = HandFit({10});
  fit->sigma = 0.5L;
  auto data = test::MakeCurve({1, 2, 3, 4, 5, 6}, {11.25L, 8.74L, 11.2500001L, 10.3L, 20.0L, 30.0L});
  data->markFlag[4] = 1;  // already marked: left alone
  data->markCount = 1;
  // Entry 6 repeats entry 5 (30 mag) and is never looked at.
  EXPECT_EQ(ClipOutliers(*data, *fit), 3);
  const std::vector<int32_t> expected{0, 1, 1, 0, 1, 1, 0};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(data->markFlag[i], expected[i]) << i;
  EXPECT_EQ(data->markCount, 4);
}

// A fold of a curve for the drawing: sorted positions set by the fold itself.
std::unique_ptr<Data> FoldedCurve(long double period, long double a0,
                                  const std::vector<test::Harmonic>& terms) {
  const auto t = test::CampaignTimes(21, 60, 10);
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, a0, terms, period));
  Star star;
  star.period = period;
  star.epoch = 2450000;
  FoldPhases(*data, star, period);
  SetJdAverage(*data, period);
  return data;
}

struct CurveCase {
  const char* name;
  long double a0;
  long double a;         // the fit is a0 + a sin(w t)
  long double maximumX;  // phase of maximum light (smallest magnitude)
  long double minimumX;
};

class DrawFitCurveTest : public ::testing::TestWithParam<CurveCase> {};

TEST_P(DrawFitCurveTest, PhaseModeExtremes) {
  const CurveCase& c = GetParam();
  const long double period = 1.0L;  // the curve at x is a0 + a sin(2 pi x)
  auto data = FoldedCurve(period, 12.0L, {{1, 0.3L, 0.0L}});
  auto fit = HandFit({c.a0, c.a, 0});
  fit->frequency[1] = static_cast<long double>(kTwoPi) / period;
  ChartModel chart;
  chart.Series(kPeakSeries).Add(1, 1);
  const FitExtremes e = DrawFitCurve(*data, period, *fit, PhaseAxis::Phase, chart);
  EXPECT_NEAR(static_cast<double>(e.maximumX), static_cast<double>(c.maximumX), 1e-9);
  EXPECT_NEAR(static_cast<double>(e.minimumX), static_cast<double>(c.minimumX), 1e-9);
  EXPECT_NEAR(static_cast<double>(e.maximumMag), static_cast<double>(c.a0 - std::fabs(c.a)), 1e-12);
  EXPECT_NEAR(static_cast<double>(e.minimumMag), static_cast<double>(c.a0 + std::fabs(c.a)), 1e-12);
  // From minimum to maximum light, raised by one cycle when negative.
  long double rising = c.maximumX - c.minimumX;
  if (rising < 0) rising += 1;
  EXPECT_NEAR(static_cast<double>(e.risingTime), static_cast<double>(rising), 1e-9);

  const ChartSeries& curve = chart.Series(kFittedCurveSeries);
  EXPECT_GE(curve.Count(), 20000);
  EXPECT_LE(curve.Count(), 20001);
  EXPECT_EQ(curve.Point(0).x, 0.0);
  EXPECT_LT(curve.Points().back().x, 2.0);
  EXPECT_EQ(curve.Point(0).colour, 0x00FFFFu);
  EXPECT_EQ(chart.bottomAxisTitle, "Phase");
  EXPECT_EQ(chart.titleLines, std::vector<std::string>{"synthetic.dat"});
  EXPECT_EQ(chart.Series(kPeakSeries).Count(), 1);  // never cleared
  // Sorted positions 1 .. N-2 in kPhaseSeries, the same one cycle later in kSecondCycleSeries.
  const int32_t n = data->pointCount;
  ASSERT_EQ(chart.Series(kPhaseSeries).Count(), n - 2);
  ASSERT_EQ(chart.Series(kSecondCycleSeries).Count(), n - 2);
  EXPECT_EQ(chart.Series(kPhaseSeries).Point(0).x, static_cast<double>(data->sortedPhase[1]));
  EXPECT_EQ(chart.Series(kSecondCycleSeries).Point(0).x, static_cast<double>(data->sortedPhase[1] + 1));
}

INSTANTIATE_TEST_SUITE_P(Cases, DrawFitCurveTest,
                         ::testing::Values(
                             // Brightest where sin = -1 (x = 0.75), faintest at x = 0.25: rising time 0.5.
                             CurveCase{"Rising", 12.0L, 0.3L, 0.75L, 0.25L},
                             // Brightest at 0.25, faintest at 0.75: -0.5 raised to 0.5.
                             CurveCase{"Falling", 12.0L, -0.3L, 0.25L, 0.75L},
                             // Differential magnitudes wholly below 0 and instrumental ones above 25 still
                             // get their extremes.
                             CurveCase{"BelowZero", -1.5L, 0.3L, 0.75L, 0.25L},
                             CurveCase{"AboveTwentyFive", 27.0L, -0.3L, 0.25L, 0.75L}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(DrawFitCurve, CurveLiesOnTheFoldedPoints) {
  // A noise-free curve folded about an epoch that is no whole number of periods from Julian Day
  // 0: the fitted curve drawn against phase passes through the folded points.
  const long double period = 0.61L;
  const std::vector<test::Harmonic> terms{{1, 0.3L, 0.4L}, {2, 0.1L, 2.0L}};
  const auto t = test::CampaignTimes(8, 200, 15);
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, 12.0L, terms, period));
  Star star;
  star.period = period;
  star.epoch = 2450000.37L;
  FoldPhases(*data, star, period);
  auto fit = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*data, star, 2, false, *fit);
  ChartModel chart;
  DrawFitCurve(*data, period, *fit, PhaseAxis::Phase, chart);
  const ChartSeries& curve = chart.Series(kFittedCurveSeries);
  for (int32_t p = 1; p + 1 < data->pointCount; p += 7) {
    const auto index =
        static_cast<int>(std::lround(static_cast<double>(data->sortedPhase[static_cast<size_t>(p)]) * 1e4));
    const double mag =
        static_cast<double>(data->mag[static_cast<size_t>(data->sortIndex[static_cast<size_t>(p)])]);
    // Within a half step of 0.0001 in phase the curve moves by less than 2e-4 mag.
    EXPECT_NEAR(curve.Point(index).y, mag, 2e-4) << "position " << p;
  }
}

TEST(DrawFitCurve, FlatCurveHasBothExtremesAtTheStart) {
  auto data = FoldedCurve(0.5L, 12.0L, {{1, 0.3L, 0.0L}});
  auto fit = HandFit({12.5L});
  ChartModel chart;
  const FitExtremes e = DrawFitCurve(*data, 0.5L, *fit, PhaseAxis::Phase, chart);
  EXPECT_EQ(e.maximumX, 0.0L);
  EXPECT_EQ(e.minimumX, 0.0L);
  EXPECT_EQ(e.maximumMag, 12.5L);
  EXPECT_EQ(e.risingTime, 0.0L);
}

TEST(DrawFitCurve, AveragedTimeRunsTwoPeriodsFromMeanEpoch) {
  const long double period = 0.5L;
  auto data = FoldedCurve(period, 12.0L, {{1, 0.3L, 0.0L}});
  auto fit = HandFit({12, 0.3L, 0});
  fit->frequency[1] = static_cast<long double>(kTwoPi) / period;
  ChartModel chart;
  const FitExtremes e = DrawFitCurve(*data, period, *fit, PhaseAxis::JdAverage, chart);
  EXPECT_EQ(chart.bottomAxisTitle, "Julian Day Average");
  const ChartSeries& curve = chart.Series(kFittedCurveSeries);
  EXPECT_GE(curve.Count(), 10000);
  EXPECT_LE(curve.Count(), 10001);
  EXPECT_EQ(curve.Point(0).x, static_cast<double>(data->meanEpoch));
  // meanEpoch is an instant of phase 0 of the epoch 2450000, a whole number of half days from
  // Julian Day 0: the curve 12 + 0.3 sin(2 pi t / 0.5) is brightest three quarters of a period
  // after it (0.375 day) and faintest a quarter of a period after it (0.125 day).
  EXPECT_NEAR(static_cast<double>(e.maximumX - data->meanEpoch), 0.375, 1e-6);
  EXPECT_NEAR(static_cast<double>(e.minimumX - data->meanEpoch), 0.125, 1e-6);
  EXPECT_NEAR(static_cast<double>(e.risingTime), 0.5, 2e-4);
  EXPECT_EQ(chart.Series(kSecondCycleSeries).Point(0).x, static_cast<double>(data->jdAverage[1] + period));
}

TEST(DrawFitCurve, LongPeriodKeepsTheCurveBounded) {
  const long double period = 400.0L;  // a Mira: 8 million points at a step of 0.0001 day
  auto data = FoldedCurve(period, 8.0L, {{1, 2.0L, 0.0L}});
  auto fit = HandFit({8, 2, 0});
  fit->frequency[1] = static_cast<long double>(kTwoPi) / period;
  ChartModel chart;
  DrawFitCurve(*data, period, *fit, PhaseAxis::JdAverage, chart);
  EXPECT_LE(chart.Series(kFittedCurveSeries).Count(), kMaxCurvePoints + 1);
  EXPECT_GE(chart.Series(kFittedCurveSeries).Count(), kMaxCurvePoints - 1);
  EXPECT_NEAR(
      chart.Series(kFittedCurveSeries).Points().back().x - chart.Series(kFittedCurveSeries).Point(0).x, 800.0,
      0.01);
}

TEST(FourierOutLine, Format) {
  Star star;
  star.fourierResults.Slot(0) = -0.30103L;
  star.fourierResults.Slot(1) = 10.5L;
  star.fourierResults.Slot(2) = 0.5L;
  star.fourierResults.Slot(3) = 0.1234564L;
  star.fourierResults.Slot(30) = -1.25L;
  star.fourierResults.Slot(31) = 7;  // never written
  std::string expected = "-0.301030  10.500000  0.500000  0.123456  ";
  for (int i = 4; i < 30; ++i) expected += "0.000000  ";
  expected += "-1.250000  0.123457  star.dat\r\n";
  EXPECT_EQ(FourierOutLine(star, 0.123456789L, "star.dat"), expected);
}

TEST(DataOutBlock, Format) {
  // Three observations and the repeat; after the fold the sorted positions 1 and 2 are written.
  auto data = test::MakeCurve({2450000.1L, 2450000.35L, 2450001.3L}, {12.5L, 12.25L, 12.0L});
  Star star;
  star.epoch = 2450000;
  FoldPhases(*data, star, 0.5L);  // phases 0.2, 0.7, 0.6, 0.6: positions 0, 2, 3, 1
  SetJdAverage(*data, 0.5L);
  data->fitMag[2] = 12.1L;
  data->fitMag[3] = 11.95L;
  EXPECT_EQ(DataOutBlock(*data, PhaseAxis::Phase),
            "0.6000  12.0000  12.1000  -0.1000  2450001.3000\r\n"
            "0.6000  12.0000  11.9500  0.0500  2450001.3000\r\n"
            "\r\n");
}

TEST(SinCosLine, NoiseFreeFirstHarmonic) {
  const long double period = 0.61L;
  const auto t = test::CampaignTimes(3, 150, 12);
  const std::vector<test::Harmonic> terms{{1, std::sqrt(0.1L), std::atan2(0.1L, 0.3L)}};
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, 10.0L, terms, period));
  Star star;
  star.period = period;
  auto fit = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*data, star, 1, true, *fit);
  EXPECT_EQ(SinCosLine(*fit, "star.dat"), "1  0.300000  0.000000  0.100000  0.000000  star.dat\r\n");
  FitHarmonicSeries(*data, star, 0, true, *fit);
  EXPECT_EQ(SinCosLine(*fit, "star.dat"), "star.dat\r\n");
}

// Records what a fit sends to the pane and the files.
struct Recorder {
  std::vector<std::string> notes;
  std::vector<std::string> opened;
  std::vector<std::pair<std::string, std::string>> appended;
  FitSink Sink() {
    return FitSink{.note = [this](const std::string& line) { notes.push_back(line); },
                   .open = [this](const std::string& file) { opened.push_back(file); },
                   .append = [this](const std::string& file,
                                    const std::string& text) { appended.emplace_back(file, text); }};
  }
};

// An RR Lyrae-like curve with three harmonics and one wild observation, folded.
struct FitScene {
  std::unique_ptr<Data> data;
  Star star;
  ViewState view;
  ChartModel chart;
  explicit FitScene(bool outlier) {
    const long double period = 0.4532L;
    const std::vector<test::Harmonic> terms{
        {1, 0.4L, 0.7L}, {2, 0.15L, 2.5L}, {3, 0.06L, -1.9L}, {9, 0.01L, 0.4L}};
    const auto t = test::EvenTimes(400, 4, period);
    auto mag = test::CurveMagnitudes(t, 12.0L, terms, period);
    if (outlier) mag[100] += 1.0L;
    data = test::MakeCurve(t, mag);
    star.period = period;
    star.epoch = 2450000;
    view.openPath = "rrlyr.dat";
    FoldPhases(*data, star, period);
    SetJdAverage(*data, period);
  }
};

TEST(RunAutomaticFit, PaneLinesFilesAndClipping) {
  FitScene scene(true);
  Recorder recorder;
  FitOutcome outcome;
  RunAutomaticFit(
      *scene.data, scene.star, scene.view, scene.chart,
      FitRequest{.axis = PhaseAxis::Phase, .linesToNotes = true, .fourierFile = true, .dataFile = true},
      recorder.Sink(), outcome);
  ASSERT_TRUE(outcome.ran);
  const int32_t n = outcome.harmonics;
  EXPECT_GE(n, 3);
  const auto& notes = recorder.notes;
  ASSERT_EQ(notes.size(), static_cast<size_t>(4 + 2 + n + (n - 1) + 2));
  EXPECT_EQ(notes[0], "FOURIER  ");
  EXPECT_EQ(notes[1], "nr fit " + std::to_string(n));
  EXPECT_EQ(notes[2], "FOURIER  ");
  EXPECT_EQ(notes[3], "nr fit " + std::to_string(n));
  EXPECT_EQ(notes[4].rfind("Sigma", 0), 0u);
  EXPECT_EQ(notes[5].rfind("A0   sigA0", 0), 0u);
  EXPECT_EQ(notes[6].rfind("k A sigA PH sigPH     : 1  ", 0), 0u);
  EXPECT_EQ(notes[6 + static_cast<size_t>(n)].rfind("k rk sigrk fi sigfi   : 2  ", 0), 0u);
  EXPECT_EQ(notes[notes.size() - 2].rfind("Max   : JD ", 0), 0u);
  EXPECT_EQ(notes.back().rfind(" Rising Time: ", 0), 0u);
  EXPECT_EQ(recorder.opened, (std::vector<std::string>{"FourierOut.txt", "DataOut.txt"}));
  ASSERT_EQ(recorder.appended.size(), 2u);
  EXPECT_EQ(recorder.appended[0].first, "FourierOut.txt");
  EXPECT_EQ(recorder.appended[0].second,
            FourierOutLine(scene.star, outcome.extremes->risingTime, "rrlyr.dat"));
  EXPECT_EQ(recorder.appended[1].first, "DataOut.txt");

  // The wild observation is marked; the result vector holds log P, A0 and the harmonics.
  EXPECT_EQ(scene.data->markFlag[100], 1);
  EXPECT_EQ(scene.data->markCount, 1);
  EXPECT_TRUE(RelativelyClose(scene.star.fourierResults.Slot(0), std::log10(0.4532L), 1e-15L));
  EXPECT_NEAR(static_cast<double>(scene.star.fourierResults.Slot(3)), 0.4, 0.01);
  EXPECT_NEAR(static_cast<double>(scene.star.fourierResults.Slot(5)), 0.15, 0.01);
  // Markers: MIN in red at minimum light, MAX in blue at maximum light.
  const ChartSeries& markers = scene.chart.Series(kMarkerSeries);
  ASSERT_EQ(markers.Count(), 2);
  for (const ChartPoint& p : markers.Points()) {
    const bool minimum = p.label == "MIN";
    EXPECT_TRUE(minimum || p.label == "MAX");
    EXPECT_EQ(p.colour, minimum ? 0x0000FFu : 0xFF0000u);
    EXPECT_EQ(p.x, static_cast<double>(minimum ? outcome.extremes->minimumX : outcome.extremes->maximumX));
    EXPECT_EQ(p.y,
              static_cast<double>(minimum ? outcome.extremes->minimumMag : outcome.extremes->maximumMag));
  }
}

// The count lines say how many marked observations a fit left out: none on the first automatic
// fit (the wild observation is marked after it), the wild one on the next, marks by hand as
// well; the repeat of the last observation (entry N-1) takes no part and is not counted.
TEST(RunAutomaticFit, TheCountLineSaysHowManyPointsWereLeftOut) {
  FitScene scene(true);
  const int32_t repeat = scene.data->pointCount - 1;
  struct Step {
    std::vector<int32_t> markedByHand;  // before the fit
    const char* clause;                 // after "nr fit n"
  };
  const Step steps[] = {{{}, ""},
                        {{}, "; 1 point left out"},
                        {{5, 7}, "; 3 points left out"},
                        {{repeat}, "; 3 points left out"}};
  for (const Step& step : steps) {
    for (const int32_t e : step.markedByHand) {
      scene.data->markFlag[static_cast<size_t>(e)] = 1;
      ++scene.data->markCount;
    }
    Recorder recorder;
    FitOutcome outcome;
    RunAutomaticFit(*scene.data, scene.star, scene.view, scene.chart, FitRequest{.linesToNotes = true},
                    recorder.Sink(), outcome);
    const std::string line = "nr fit " + std::to_string(outcome.harmonics) + step.clause;
    ASSERT_GE(recorder.notes.size(), 4u);
    EXPECT_EQ(recorder.notes[1], line);
    EXPECT_EQ(recorder.notes[3], line);
    EXPECT_EQ(scene.data->markFlag[100], 1);  // the wild observation, marked by the first fit
  }
  // The fixed-count fit says the same of its count line.
  Recorder recorder;
  FitOutcome outcome;
  RunFixedFit("2", *scene.data, scene.star, scene.view, scene.chart, FitRequest{.linesToNotes = true},
              recorder.Sink(), outcome);
  EXPECT_EQ(recorder.notes[1], "nr fit 2; 3 points left out");
  EXPECT_EQ(PointsLeftOut(*scene.data), 3);
}

TEST(RunAutomaticFit, WithoutFourierToEditOnlyTheTwoLines) {
  FitScene scene(false);
  Recorder recorder;
  FitOutcome outcome;
  RunAutomaticFit(*scene.data, scene.star, scene.view, scene.chart, FitRequest{}, recorder.Sink(), outcome);
  EXPECT_EQ(recorder.notes,
            (std::vector<std::string>{"FOURIER  ", "nr fit " + std::to_string(outcome.harmonics)}));
  EXPECT_EQ(recorder.opened.size(), 2u);  // opened all the same
  EXPECT_TRUE(recorder.appended.empty());
}

TEST(RunAutomaticFit, NothingWithoutAPeriod) {
  FitScene scene(false);
  scene.star.period = 0;
  scene.star.fourierResults.Slot(5) = 3;
  Recorder recorder;
  FitOutcome outcome;
  RunAutomaticFit(*scene.data, scene.star, scene.view, scene.chart, FitRequest{.linesToNotes = true},
                  recorder.Sink(), outcome);
  EXPECT_FALSE(outcome.ran);
  EXPECT_TRUE(recorder.notes.empty());
  EXPECT_TRUE(recorder.opened.empty());
  EXPECT_EQ(scene.star.fourierResults.Slot(5), 3.0L);
}

TEST(RunFixedFit, ReproducesTheAutomaticFitWhenNothingIsClipped) {
  FitScene automatic(false);
  FitScene fixed(false);
  Recorder a, f;
  FitOutcome outcomeA, outcomeF;
  const FitRequest request{.linesToNotes = true, .fourierFile = true, .dataFile = true};
  RunAutomaticFit(*automatic.data, automatic.star, automatic.view, automatic.chart, request, a.Sink(),
                  outcomeA);
  ASSERT_EQ(automatic.data->markCount, 0);
  RunFixedFit(std::to_string(outcomeA.harmonics), *fixed.data, fixed.star, fixed.view, fixed.chart, request,
              f.Sink(), outcomeF);
  // The automatic fit writes "FOURIER  " and "nr fit" twice, the fixed one once.
  EXPECT_EQ(std::vector<std::string>(a.notes.begin() + 2, a.notes.end()), f.notes);
  EXPECT_EQ(a.appended, f.appended);
  EXPECT_EQ(fixed.star.harmonicCount, outcomeA.harmonics);
}

// Every slot of the result vector by its meaning, against values worked out by hand. Four
// harmonics and, as noise, harmonic 9 of amplitude 0.01 on 400 observations evenly spaced over
// 4 cycles: over such samples the basis is orthogonal, so the coefficients are exact, the
// normal matrix is diagonal (400 for A0, 200 for each sine and cosine) and
//   S = 400 * 0.01^2 / 2 = 0.02, sigma^2 = S / (400 - 9) (N = 401 with the repeat),
//   var(A0) = sigma^2 / 400, c = var(a_k) = var(b_k) = sigma^2 / 200, no covariances, so
//   sigma(A_k) = sqrt(c), sigma(phi_k) = sqrt(c) / A_k,
//   var(R_k1) = c / A_1^2 + c A_k^2 / A_1^4, var(phi_k1) = c / A_k^2 + k^2 c / A_1^2.
TEST(RunFixedFit, FillsEveryResultSlotByItsMeaning) {
  const long double period = 0.4532L;
  const long double amplitude[] = {0, 0.4L, 0.15L, 0.06L, 0.03L};
  const long double phase[] = {0, 0.7L, 2.5L, -1.9L, 1.2L};
  std::vector<test::Harmonic> terms;
  for (int32_t k = 1; k <= 4; ++k) terms.push_back({k, amplitude[k], phase[k]});
  terms.push_back({9, 0.01L, 0.4L});
  const auto t = test::EvenTimes(400, 4, period);
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, 12.0L, terms, period));
  Star star;
  star.period = period;
  star.epoch = 2450000;
  ViewState view;
  ChartModel chart;
  FoldPhases(*data, star, period);
  SetJdAverage(*data, period);
  FitOutcome outcome;
  RunFixedFit("4", *data, star, view, chart, FitRequest{}, FitSink{}, outcome);
  ASSERT_EQ(outcome.harmonics, 4);

  const long double variance = 0.02L / 391;
  const long double c = variance / 200;
  std::vector<std::pair<int, long double>> expected = {
      {0, std::log10(period)}, {1, 12.0L}, {2, std::sqrt(variance / 400)}};
  for (int k = 1; k <= 4; ++k) {
    expected.push_back({2 * k + 1, amplitude[k]});
    expected.push_back({2 * k + 2, std::sqrt(c)});
    expected.push_back({2 * k + 9, phase[k]});
    expected.push_back({2 * k + 10, std::sqrt(c) / amplitude[k]});
  }
  for (int k = 2; k <= 4; ++k) {
    const long double a1 = amplitude[1], ak = amplitude[k];
    long double d = std::fmod(phase[k] - k * phase[1], 2 * kPi);
    if (d < 0) d += 2 * kPi;
    expected.push_back({2 * k + 15, ak / a1});
    expected.push_back({2 * k + 16, std::sqrt(c / (a1 * a1) + c * ak * ak / (a1 * a1 * a1 * a1))});
    expected.push_back({2 * k + 21, d});
    expected.push_back({2 * k + 22, std::sqrt(c / (ak * ak) + k * k * c / (a1 * a1))});
  }
  ASSERT_EQ(expected.size(), 31u);  // slots 0 .. 30, each once
  for (const auto& [slot, value] : expected)
    EXPECT_TRUE(RelativelyClose(star.fourierResults.Slot(slot), value, 1e-6L))
        << "slot " << slot << ": " << static_cast<double>(star.fourierResults.Slot(slot)) << " expected "
        << static_cast<double>(value);
}

TEST(RunFixedFit, LeavesTheMarksAndTruncatesTheCount) {
  FitScene scene(true);
  Recorder recorder;
  FitOutcome outcome;
  RunFixedFit("2.9", *scene.data, scene.star, scene.view, scene.chart, FitRequest{.linesToNotes = true},
              recorder.Sink(), outcome);
  EXPECT_EQ(outcome.harmonics, 2);
  EXPECT_EQ(scene.star.harmonicCount, 2);
  EXPECT_EQ(recorder.notes[1], "nr fit 2");
  EXPECT_EQ(scene.data->markCount, 0);
  EXPECT_EQ(scene.star.fourierResults.Slot(7), 0.0L);  // no third harmonic
  EXPECT_NE(scene.star.fourierResults.Slot(5), 0.0L);
}

TEST(RunFixedFit, ZeroPeriodClearsAndOpensOnly) {
  FitScene scene(false);
  scene.star.period = 0;
  scene.star.fourierResults.Slot(5) = 3;
  Recorder recorder;
  FitOutcome outcome;
  RunFixedFit("3", *scene.data, scene.star, scene.view, scene.chart, FitRequest{.linesToNotes = true},
              recorder.Sink(), outcome);
  EXPECT_EQ(scene.star.fourierResults.Slot(5), 0.0L);
  EXPECT_EQ(recorder.opened.size(), 2u);
  EXPECT_TRUE(recorder.notes.empty());
}

struct RefusalCase {
  const char* text;
  bool refused;
};

class HarmonicsBox : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(HarmonicsBox, RefusesCountsBeyondTheStorageBeforeAnythingIsTouched) {
  FitScene scene(false);
  scene.star.fourierResults.Slot(5) = 3;
  scene.star.harmonicCount = 7;
  Recorder recorder;
  FitOutcome outcome;
  const std::string text = GetParam().text;
  for (int which = 0; which < 2; ++which) {
    auto run = [&] {
      if (which == 0)
        RunFixedFit(text, *scene.data, scene.star, scene.view, scene.chart, FitRequest{.linesToNotes = true},
                    recorder.Sink(), outcome);
      else
        RunSinCosFit(text, *scene.data, scene.star, scene.view, FitRequest{.linesToNotes = true},
                     recorder.Sink(), outcome);
    };
    if (GetParam().refused) {
      EXPECT_THROW(run(), InputError);
      EXPECT_EQ(scene.star.fourierResults.Slot(5), 3.0L);
      EXPECT_EQ(scene.star.harmonicCount, 7);
      EXPECT_TRUE(recorder.opened.empty());
      EXPECT_TRUE(recorder.notes.empty());
    } else {
      try {
        run();
      } catch (const InputError&) {
        ADD_FAILURE() << "refused";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, HarmonicsBox,
                         ::testing::Values(RefusalCase{"50", true}, RefusalCase{"1e9", true},
                                           RefusalCase{"-1", true}, RefusalCase{"49.9", false},
                                           RefusalCase{"-0.5", false}, RefusalCase{"0", false}));

TEST(RunFixedFit, TextThatIsNotANumberFailsAfterTheFirstSteps) {
  FitScene scene(false);
  scene.star.fourierResults.Slot(5) = 3;
  Recorder recorder;
  FitOutcome outcome;
  EXPECT_THROW(RunFixedFit("x", *scene.data, scene.star, scene.view, scene.chart,
                           FitRequest{.linesToNotes = true}, recorder.Sink(), outcome),
               ConversionError);
  EXPECT_EQ(scene.star.fourierResults.Slot(5), 0.0L);
  EXPECT_EQ(recorder.opened.size(), 2u);
  EXPECT_EQ(recorder.notes, std::vector<std::string>{"FOURIER  "});
}

TEST(RunSinCosFit, WritesTheLineOnlyWhenAsked) {
  FitScene scene(false);
  Recorder recorder;
  FitOutcome outcome;
  scene.star.fourierResults.Slot(3) = 1;
  RunSinCosFit("2", *scene.data, scene.star, scene.view, FitRequest{}, recorder.Sink(), outcome);
  EXPECT_EQ(recorder.opened, std::vector<std::string>{"SinCosOut.txt"});
  EXPECT_TRUE(recorder.appended.empty());
  EXPECT_EQ(scene.star.fourierResults.Slot(3), 0.0L);
  RunSinCosFit("2", *scene.data, scene.star, scene.view, FitRequest{.fourierFile = true}, recorder.Sink(),
               outcome);
  ASSERT_EQ(recorder.appended.size(), 1u);
  EXPECT_EQ(recorder.appended[0].first, "SinCosOut.txt");
  EXPECT_EQ(recorder.appended[0].second.rfind("1  ", 0), 0u);
  EXPECT_NE(recorder.appended[0].second.find("  2  "), std::string::npos);
  EXPECT_EQ(recorder.appended[0].second.substr(recorder.appended[0].second.size() - 11), "rrlyr.dat\r\n");
}

}  // namespace
}  // namespace ombrane
