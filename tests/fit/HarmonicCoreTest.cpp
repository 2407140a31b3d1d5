#include "fit/HarmonicCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "FitFixture.h"
#include "Tolerance.h"
#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "store/Loading.h"

namespace ombrane {
namespace {

// An independent least-squares solution: Householder QR of the design matrix in long double
// (Golub & Van Loan, Matrix Computations, 5.2), never forming the normal equations.
struct QrSolution {
  std::vector<long double> coefficient;   // [0] = A0, [2k-1] = a_k, [2k] = b_k
  std::vector<long double> unscaledDiag;  // diagonal of (A^T A)^-1
  long double residualSum = 0;
};

QrSolution SolveByQr(const Data& data, long double period, int32_t n) {
  const int32_t m = 2 * n + 1;
  std::vector<std::vector<long double>> a;  // rows of the design matrix
  std::vector<long double> b;
  for (int32_t e = 0; e + 1 < data.pointCount; ++e) {
    if (data.markFlag[static_cast<size_t>(e)] != 0) continue;
    const long double t = data.jd[static_cast<size_t>(e)];
    std::vector<long double> row{1.0L};
    for (int32_t k = 1; k <= n; ++k) {
      const double argument = static_cast<double>(test::FrequencyOf(k, period) * t);
      row.push_back(std::sin(argument));
      row.push_back(std::cos(argument));
    }
    a.push_back(row);
    b.push_back(data.mag[static_cast<size_t>(e)]);
  }
  const size_t rows = a.size();
  for (int32_t j = 0; j < m; ++j) {
    const auto col = static_cast<size_t>(j);
    long double norm = 0;
    for (size_t i = col; i < rows; ++i) norm += a[i][col] * a[i][col];
    norm = std::sqrt(norm);
    const long double alpha = a[col][col] > 0 ? -norm : norm;
    std::vector<long double> v(rows, 0.0L);
    for (size_t i = col; i < rows; ++i) v[i] = a[i][col];
    v[col] -= alpha;
    long double vv = 0;
    for (size_t i = col; i < rows; ++i) vv += v[i] * v[i];
    for (int32_t c = j; c < m; ++c) {
      const auto cc = static_cast<size_t>(c);
      long double dot = 0;
      for (size_t i = col; i < rows; ++i) dot += v[i] * a[i][cc];
      for (size_t i = col; i < rows; ++i) a[i][cc] -= 2 * dot / vv * v[i];
    }
    long double dot = 0;
    for (size_t i = col; i < rows; ++i) dot += v[i] * b[i];
    for (size_t i = col; i < rows; ++i) b[i] -= 2 * dot / vv * v[i];
  }
  QrSolution s;
  s.coefficient.assign(static_cast<size_t>(m), 0.0L);
  for (int32_t i = m - 1; i >= 0; --i) {
    const auto r = static_cast<size_t>(i);
    long double x = b[r];
    for (size_t j = r + 1; j < static_cast<size_t>(m); ++j) x -= a[r][j] * s.coefficient[j];
    s.coefficient[r] = x / a[r][r];
  }
  for (size_t i = static_cast<size_t>(m); i < rows; ++i) s.residualSum += b[i] * b[i];
  // (A^T A)^-1 = R^-1 R^-T: the inverse of the upper triangle R column by column.
  const auto size = static_cast<size_t>(m);
  std::vector<std::vector<long double>> rInverse(size, std::vector<long double>(size, 0.0L));
  for (size_t c = 0; c < size; ++c) {
    for (size_t i = c + 1; i-- > 0;) {
      long double x = i == c ? 1.0L : 0.0L;
      for (size_t j = i + 1; j <= c; ++j) x -= a[i][j] * rInverse[j][c];
      rInverse[i][c] = x / a[i][i];
    }
  }
  s.unscaledDiag.assign(size, 0.0L);
  for (size_t i = 0; i < size; ++i)
    for (size_t j = 0; j < size; ++j) s.unscaledDiag[i] += rInverse[i][j] * rInverse[i][j];
  return s;
}

bool RelativelyClose(long double a, long double b, long double tolerance) {
  return std::fabs(a - b) <= tolerance * std::max(std::fabs(a), std::fabs(b));
}

Star StarWithPeriod(long double period) {
  Star star;
  star.period = period;
  return star;
}

TEST(InvertSymmetric, TwoByTwo) {
  auto m = std::make_unique<HarmonicMatrix>();
  (*m)[1][1] = 4;
  (*m)[1][2] = 2;
  (*m)[2][1] = 2;
  (*m)[2][2] = 3;
  EXPECT_TRUE(InvertSymmetric(*m, 2));
  EXPECT_EQ((*m)[1][1], 0.375L);
  EXPECT_EQ((*m)[1][2], -0.25L);
  EXPECT_EQ((*m)[2][1], -0.25L);
  EXPECT_EQ((*m)[2][2], 0.5L);
}

TEST(InvertSymmetric, TridiagonalThreeByThree) {
  // [[2,-1,0],[-1,2,-1],[0,-1,2]]^-1 = [[3,2,1],[2,4,2],[1,2,3]] / 4.
  auto m = std::make_unique<HarmonicMatrix>();
  const long double in[3][3] = {{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}};
  const long double out[3][3] = {{0.75L, 0.5L, 0.25L}, {0.5L, 1, 0.5L}, {0.25L, 0.5L, 0.75L}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) (*m)[static_cast<size_t>(i + 1)][static_cast<size_t>(j + 1)] = in[i][j];
  EXPECT_TRUE(InvertSymmetric(*m, 3));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_TRUE(test::Close((*m)[static_cast<size_t>(i + 1)][static_cast<size_t>(j + 1)], out[i][j]))
          << i << "," << j;
}

TEST(InvertSymmetric, StopsWhereOnlyZeroPivotsRemain) {
  // Row and column 2 are zero: steps 1 and 2 invert the block of indices 1 and 3, step 3 finds
  // only the zero diagonal and stops; the lower triangle keeps the input.
  auto m = std::make_unique<HarmonicMatrix>();
  const long double in[3][3] = {{4, 0, 2}, {0, 0, 0}, {2, 0, 3}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) (*m)[static_cast<size_t>(i + 1)][static_cast<size_t>(j + 1)] = in[i][j];
  EXPECT_FALSE(InvertSymmetric(*m, 3));
  EXPECT_EQ((*m)[1][1], 0.375L);
  EXPECT_EQ((*m)[1][3], -0.25L);
  EXPECT_EQ((*m)[3][3], 0.5L);
  EXPECT_EQ((*m)[1][2], 0.0L);
  EXPECT_EQ((*m)[2][2], 0.0L);
  EXPECT_EQ((*m)[2][3], 0.0L);
  EXPECT_EQ((*m)[2][1], 0.0L);
  EXPECT_EQ((*m)[3][1], 2.0L);  // not mirrored
  EXPECT_EQ((*m)[3][2], 0.0L);
}

// 10 + 0.3 sin(wt) + 0.1 cos(wt) without noise, observed over 12 nights.
std::unique_ptr<Data> NoiseFreeCurve(long double period) {
  const auto t = test::CampaignTimes(3, 150, 12);
  const long double a = 0.3L, b = 0.1L;
  const std::vector<test::Harmonic> terms{{1, std::sqrt(a * a + b * b), std::atan2(b, a)}};
  return test::MakeCurve(t, test::CurveMagnitudes(t, 10.0L, terms, period));
}

TEST(FitHarmonicSeries, NoiseFreeFirstHarmonic) {
  const long double period = 0.61L;
  auto data = NoiseFreeCurve(period);
  auto fit = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*data, StarWithPeriod(period), 1, false, *fit);
  EXPECT_NEAR(static_cast<double>(fit->coefficient[1]), 10.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(fit->coefficient[2]), 0.3, 1e-12);
  EXPECT_NEAR(static_cast<double>(fit->coefficient[3]), 0.1, 1e-12);
  EXPECT_LT(fit->residualSum, 1e-24L);
  EXPECT_TRUE(fit->fullyInverted);
}

TEST(FitHarmonicSeries, NoiseFreeSecondHarmonicComesOutZero) {
  const long double period = 0.61L;
  auto data = NoiseFreeCurve(period);
  auto fit = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*data, StarWithPeriod(period), 2, false, *fit);
  EXPECT_NEAR(static_cast<double>(fit->coefficient[4]), 0.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(fit->coefficient[5]), 0.0, 1e-12);
  EXPECT_LT(fit->variance, 1e-24L);
  EXPECT_EQ(fit->coefficients, 5);
}

TEST(FitHarmonicSeries, MeanLevelAloneForNoHarmonics) {
  auto data = test::MakeCurve({2450000.1L, 2450000.2L, 2450000.3L}, {10.0L, 11.0L, 12.5L});
  auto fit = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*data, StarWithPeriod(0.5L), 0, true, *fit);
  // A0 = 33.5 / 3; S = sum of squared deviations; divisor N - 2 = 2.
  const long double mean = 33.5L / 3;
  EXPECT_TRUE(test::Close(fit->coefficient[1], mean));
  const long double s =
      (10 - mean) * (10 - mean) + (11 - mean) * (11 - mean) + (12.5L - mean) * (12.5L - mean);
  EXPECT_TRUE(test::Close(fit->variance, s / 2));
  EXPECT_TRUE(test::Close(fit->covariance[1][1], s / 2 / 3));
  EXPECT_TRUE(test::Close(data->fitMag[2], mean));
  EXPECT_EQ(data->fitMag[3], 0.0L);  // the repeat takes no part
}

// Noisy observations of an RR Lyrae-like curve with four harmonics, from a campaign.
struct AccuracyCase {
  const char* name;
  long double period;
  int32_t count;
  int32_t harmonics;  // fitted
  double noise;
};

class FitAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

TEST_P(FitAccuracy, MatchesHouseholderQr) {
  const AccuracyCase& c = GetParam();
  const std::vector<test::Harmonic> terms{
      {1, 0.42L, 1.1L}, {2, 0.2L, -2.4L}, {3, 0.13L, 0.6L}, {4, 0.08L, 2.9L}};
  const auto t = test::CampaignTimes(17, c.count, 45);
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, 11.2L, terms, c.period, c.noise, 5));
  // Two marked observations take no part.
  data->markFlag[7] = 1;
  data->markFlag[40] = 1;
  data->markCount = 2;
  auto fit = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*data, StarWithPeriod(c.period), c.harmonics, false, *fit);
  const QrSolution qr = SolveByQr(*data, c.period, c.harmonics);
  const int32_t m = 2 * c.harmonics + 1;
  for (int32_t i = 1; i <= m; ++i)
    EXPECT_TRUE(RelativelyClose(fit->coefficient[static_cast<size_t>(i)],
                                qr.coefficient[static_cast<size_t>(i - 1)], 1e-10L))
        << "coefficient " << i << ": " << static_cast<double>(fit->coefficient[static_cast<size_t>(i)])
        << " vs " << static_cast<double>(qr.coefficient[static_cast<size_t>(i - 1)]);
  // The observations that take part (count - 2 marked) less the 2n + 1 coefficients.
  const long double freedom = c.count - 2 - (2 * c.harmonics + 1);
  EXPECT_TRUE(RelativelyClose(fit->variance, qr.residualSum / freedom, 1e-9L));
  for (int32_t i = 1; i <= m; ++i)
    EXPECT_TRUE(RelativelyClose(fit->covariance[static_cast<size_t>(i)][static_cast<size_t>(i)],
                                fit->variance * qr.unscaledDiag[static_cast<size_t>(i - 1)], 1e-9L))
        << "variance of coefficient " << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, FitAccuracy,
                         ::testing::Values(AccuracyCase{"RRab_4", 0.5665L, 900, 4, 0.02},
                                           AccuracyCase{"RRab_8", 0.5665L, 900, 8, 0.02},
                                           AccuracyCase{"Cepheid_6", 5.366L, 400, 6, 0.05},
                                           AccuracyCase{"Overfit_15", 0.3137L, 1500, 15, 0.01}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FitHarmonicSeries, OnePassEqualsTermByTermBitForBit) {
  const long double period = 0.5665L;
  const std::vector<test::Harmonic> terms{{1, 0.4L, 0.3L}, {2, 0.15L, 1.3L}};
  const auto t = test::CampaignTimes(9, 700, 30);
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, 12.0L, terms, period, 0.03, 2));
  data->markFlag[11] = 1;
  data->markCount = 1;
  auto fast = std::make_unique<HarmonicFit>();
  auto plain = std::make_unique<HarmonicFit>();
  const int32_t n = 7;
  SeriesTable table;
  NormalEquations(*data, StarWithPeriod(period), n, *fast, table);
  NormalEquationsPlain(*data, StarWithPeriod(period), n, *plain);
  for (int32_t i = 1; i <= 2 * n + 1; ++i) {
    const auto r = static_cast<size_t>(i);
    EXPECT_EQ(std::memcmp(&fast->rightHandSide[r], &plain->rightHandSide[r], 10), 0) << "R " << i;
    for (int32_t j = 1; j <= 2 * n + 1; ++j) {
      const auto c = static_cast<size_t>(j);
      // The ten bytes of the extended value (the rest of the storage is padding).
      EXPECT_EQ(std::memcmp(&fast->inverse[r][c], &plain->inverse[r][c], 10), 0) << "M " << i << "," << j;
    }
  }
}

TEST(EvaluateSeries, FromTheTableEqualsAFreshEvaluation) {
  const long double period = 0.5665L;
  const std::vector<test::Harmonic> terms{{1, 0.4L, 0.3L}, {2, 0.15L, 1.3L}};
  const auto t = test::CampaignTimes(12, 300, 20);
  auto data = test::MakeCurve(t, test::CurveMagnitudes(t, 12.0L, terms, period, 0.03, 4));
  auto fit = std::make_unique<HarmonicFit>();
  SeriesTable table;
  FitHarmonicSeries(*data, StarWithPeriod(period), 6, true, *fit, &table);
  for (int32_t e = 0; e + 1 < data->pointCount; ++e) {
    const long double fresh = EvaluateSeries(*fit, data->jd[static_cast<size_t>(e)]);
    EXPECT_EQ(EvaluateSeries(*fit, table, e), fresh);
    EXPECT_EQ(data->fitMag[static_cast<size_t>(e)], fresh);
  }
}

TEST(FitHarmonicSeries, MarkedEntryAndRepeatTakeNoPart) {
  const long double period = 0.77L;
  const std::vector<test::Harmonic> terms{{1, 0.3L, 0.5L}};
  const auto t = test::CampaignTimes(4, 60, 8);
  const auto mag = test::CurveMagnitudes(t, 9.0L, terms, period, 0.01, 3);
  auto reference = test::MakeCurve(t, mag);

  // The same observations with a wild point added and marked, and a wild repeat.
  std::vector<long double> t2 = t;
  std::vector<long double> mag2 = mag;
  t2.insert(t2.begin() + 20, 2452010.0L);
  mag2.insert(mag2.begin() + 20, 3.0L);
  auto data = test::MakeCurve(t2, mag2);
  data->markFlag[20] = 1;
  data->markCount = 1;
  data->fitMag[20] = 99.0L;
  data->mag[static_cast<size_t>(data->pointCount - 1)] = -50.0L;

  auto a = std::make_unique<HarmonicFit>();
  auto b = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*reference, StarWithPeriod(period), 1, true, *a);
  FitHarmonicSeries(*data, StarWithPeriod(period), 1, true, *b);
  for (size_t i = 1; i <= 3; ++i) EXPECT_EQ(a->coefficient[i], b->coefficient[i]);
  EXPECT_EQ(a->variance, b->variance);
  EXPECT_EQ(data->fitMag[20], 99.0L);
  EXPECT_EQ(data->fitMag[21], reference->fitMag[20]);
}

TEST(FitHarmonicSeries, PartialInversionGoesOn) {
  // Two observations at Julian Day 0 give a zero sine column: the inversion stops after one step.
  // By hand: upper triangle [[0.5, 0, -1], [., 0, 0], [., ., 0]], lower triangle as filled
  // (M31 = 2), R = (22, 0, 22); X = (-11, 0, 44), fitted 33 at t = 0, S = 23^2 + 21^2 = 970;
  // divisor N - 2 - 2 = -1 gives a negative variance, whose square root is invalid.
  auto data = test::MakeCurve({0.0L, 0.0L}, {10.0L, 12.0L});
  auto fit = std::make_unique<HarmonicFit>();
  try {
    FitHarmonicSeries(*data, StarWithPeriod(1.0L), 1, false, *fit);
    FAIL() << "no fault";
  } catch (const FloatingPointError& e) {
    EXPECT_EQ(e.fault(), FloatingPointFault::InvalidOperation);
  }
  EXPECT_FALSE(fit->fullyInverted);
  EXPECT_EQ(fit->coefficient[1], -11.0L);
  EXPECT_EQ(fit->coefficient[2], 0.0L);
  EXPECT_EQ(fit->coefficient[3], 44.0L);
  EXPECT_EQ(fit->residualSum, 970.0L);
  EXPECT_EQ(fit->variance, -970.0L);
}

struct FaultCase {
  const char* name;
  std::vector<long double> mag;  // observations at distinct times (the last one repeated)
  bool markRepeat;               // the repeat marked: the divisor loses one, the sums nothing
  FloatingPointFault fault;
};

class FitFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FitFaults, DivisorOfTheVariance) {
  const FaultCase& c = GetParam();
  std::vector<long double> t;
  for (size_t i = 0; i < c.mag.size(); ++i) t.push_back(2450000.1L + 0.1L * static_cast<long double>(i));
  auto data = test::MakeCurve(t, c.mag);
  if (c.markRepeat) {
    data->markFlag[static_cast<size_t>(data->pointCount - 1)] = 1;
    data->markCount = 1;
  }
  auto fit = std::make_unique<HarmonicFit>();
  try {
    FitHarmonicSeries(*data, StarWithPeriod(0.5L), 0, false, *fit);
    FAIL() << "no fault";
  } catch (const FloatingPointError& e) {
    EXPECT_EQ(e.fault(), c.fault);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitFaults,
    ::testing::Values(
        // One observation: S = 0 over N - 2 = 0.
        FaultCase{"ZeroOverZero", {10.0L}, false, FloatingPointFault::InvalidOperation},
        // Two observations, the repeat marked: S = 0.5 over 3 - 2 - 1 = 0.
        FaultCase{"ResidualOverZero", {10.0L, 11.0L}, true, FloatingPointFault::DivisionByZero}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(FitHarmonicSeries, RefusesCountsBeyondTheStorage) {
  auto data = NoiseFreeCurve(0.61L);
  auto fit = std::make_unique<HarmonicFit>();
  EXPECT_THROW(FitHarmonicSeries(*data, StarWithPeriod(0.61L), kMaxHarmonics + 1, false, *fit), InputError);
  EXPECT_THROW(FitHarmonicSeries(*data, StarWithPeriod(0.61L), -1, false, *fit), InputError);
}

TEST(EvaluateSeries, SumsTheTermsInOrder) {
  auto fit = std::make_unique<HarmonicFit>();
  fit->harmonics = 2;
  fit->coefficients = 5;
  fit->frequency[1] = 0.5L;
  fit->frequency[2] = 1.0L;
  fit->coefficient[1] = 10;
  fit->coefficient[2] = 0.3L;
  fit->coefficient[3] = 0.1L;
  fit->coefficient[4] = -0.2L;
  fit->coefficient[5] = 0.05L;
  const long double t = 2.0L;
  const long double expected =
      10 + 0.3L * std::sin(1.0) + 0.1L * std::cos(1.0) + -0.2L * std::sin(2.0) + 0.05L * std::cos(2.0);
  EXPECT_TRUE(test::Close(EvaluateSeries(*fit, t), expected));
}

// The weighted form against an exact rational solution of the weighted normal equations
// (make_weighted_reference.py): eleven observations with errors from 0.01 to 0.05 mag, two
// harmonics at P = 0.7 d; χ² and the errors scaled by the reduced χ². The same observations
// without weighting give a different fit: the weights reach the sums.
TEST(HarmonicCore, WeightedFitMatchesAnExactSolution) {
  // Made by tests/fit/make_weighted_reference.py; see there.
  constexpr double kWeightedCoefficients[] = {12.098043857682756, -0.020509765676681817, 0.09023287283401771,
                                              -0.15313205297607085, 0.0423958679608828};
  constexpr double kWeightedChi2 = 627.9511505719686;
  constexpr double kWeightedErrors[] = {0.06737615712677168, 0.0772588115508128, 0.09125946882985507,
                                        0.08817930525558135, 0.07393163832462488};
  const long double t[] = {1.0, 1.37, 1.81, 2.26, 2.9, 3.33, 3.72, 4.41, 4.95, 5.5, 6.08};
  const long double y[] = {12.10, 12.45, 12.31, 11.92, 12.38, 12.02, 12.20, 12.47, 11.95, 12.29, 12.11};
  const long double sigma[] = {0.01, 0.02, 0.05, 0.01, 0.03, 0.02, 0.01, 0.04, 0.02, 0.01, 0.03};
  std::vector<Observation> observations;
  for (size_t i = 0; i < 11; ++i) observations.push_back({t[i], y[i], sigma[i]});
  auto data = std::make_unique<Data>();
  Star star;
  ViewState view;
  LoadObservations(observations, "w", "w", *data, star, view);
  star.period = 0.7L;
  auto fit = std::make_unique<HarmonicFit>();
  fit->weighted = true;
  FitHarmonicSeries(*data, star, 2, false, *fit);
  for (int32_t i = 1; i <= 5; ++i) {
    const double expected = kWeightedCoefficients[i - 1];
    EXPECT_NEAR(static_cast<double>(fit->coefficient[i]), expected, 1e-11) << i;
    EXPECT_NEAR(std::sqrt(static_cast<double>(fit->covariance[i][i])), kWeightedErrors[i - 1],
                1e-10 * kWeightedErrors[i - 1])
        << i;
  }
  EXPECT_NEAR(static_cast<double>(fit->residualSum), kWeightedChi2, 1e-9 * kWeightedChi2);

  auto plain = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*data, star, 2, false, *plain);
  EXPECT_GT(std::fabs(static_cast<double>(plain->coefficient[4]) - kWeightedCoefficients[3]), 1e-3);
}

}  // namespace
}  // namespace ombrane
