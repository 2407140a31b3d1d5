#include "timing/KweeVanWoerden.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Tolerance.h"
#include "common/FloatingPoint.h"

namespace ombrane {
namespace {

TEST(SolveLinearSystem3, SolvesAndPivotsOnTheFirstLargest) {
  // 2x + y - z = 8, -3x - y + 2z = -11, -2x + y + 2z = -3: x = 2, y = 3, z = -1 (by hand).
  Matrix3x4 m{{{2, 1, -1, 8}, {-3, -1, 2, -11}, {-2, 1, 2, -3}}};
  std::array<double, 3> x{};
  ASSERT_TRUE(SolveLinearSystem3(m, x));
  EXPECT_TRUE(test::Close(x[0], 2.0, 16.0));
  EXPECT_TRUE(test::Close(x[1], 3.0, 16.0));
  EXPECT_TRUE(test::Close(x[2], -1.0, 16.0));
  // Column 0 pivots on row 1 (|-3| is the largest): after the exchange row 0 holds it.
  EXPECT_EQ(m[0][0], -3.0);
}

TEST(SolveLinearSystem3, ZeroPivotFails) {
  struct Case {
    const char* what;
    Matrix3x4 m;
  };
  const Case cases[] = {
      {"a zero column", {{{0, 1, 2, 1}, {0, 3, 4, 2}, {0, 5, 6, 3}}}},
      {"three equal rows", {{{4, 2, 1, 7}, {4, 2, 1, 7}, {4, 2, 1, 7}}}},
      {"a dependent third row", {{{1, 0, 0, 1}, {0, 1, 0, 2}, {1, 1, 0, 3}}}},
  };
  for (Case c : cases) {
    std::array<double, 3> x{};
    EXPECT_FALSE(SolveLinearSystem3(c.m, x)) << c.what;
  }
}

// A symmetric eclipse: a Gaussian dip of depth 1 mag about `centre`, sampled every `step` from
// `start` on.
struct Eclipse {
  std::vector<double> x, y;
};
Eclipse Dip(double centre, double start, double step, int count, double width = 0.03) {
  Eclipse e;
  for (int i = 0; i < count; ++i) {
    const double t = start + i * step;
    e.x.push_back(t);
    e.y.push_back(10.0 + std::exp(-0.5 * ((t - centre) / width) * ((t - centre) / width)));
  }
  return e;
}

TEST(KweeVanWoerden, RecoversTheCentreOfASymmetricEclipse) {
  // Centre off the sampling grid (0.4137 lies between samples 0.412 and 0.416).
  const Eclipse e = Dip(0.4137, 0.3, 0.004, 60);
  const KweeResult r = KweeVanWoerden(e.x, e.y, e.x[2], e.x[57]);
  ASSERT_EQ(r.status, KweeStatus::Done);
  EXPECT_EQ(r.lo, 3);   // the candidate at xLo enters (1-based numbering)
  EXPECT_EQ(r.hi, 57);  // the one at xHi does not
  EXPECT_EQ(r.n, 55);
  EXPECT_EQ(r.grid, 109);
  EXPECT_NEAR(r.t0, 0.4137, 2e-4);
  EXPECT_GT(r.sigma, 0.0);
  EXPECT_LT(std::fabs(r.t0 - 0.4137), 3 * r.sigma + 1e-5);
}

TEST(KweeVanWoerden, NoiseDoesNotMoveTheCentreBeyondItsError) {
  // A fixed pseudo-random noise of 0.01 mag (a linear congruential sequence).
  Eclipse e = Dip(1.2345, 1.1, 0.0015, 180, 0.02);
  unsigned state = 12345;
  for (double& v : e.y) {
    state = state * 1103515245u + 12345u;
    v += 0.02 * (static_cast<double>((state >> 16) & 0x7fff) / 32767.0 - 0.5);
  }
  const KweeResult r = KweeVanWoerden(e.x, e.y, e.x[5], e.x[170]);
  ASSERT_EQ(r.status, KweeStatus::Done);
  EXPECT_LT(std::fabs(r.t0 - 1.2345), 3 * r.sigma);
  EXPECT_LT(r.sigma, 0.001);
}

TEST(KweeVanWoerden, VShapedMinimumWorkedByHand) {
  // y = |x - 4| at x = 0 .. 9, range [0, 9): candidates 1 .. 9 (x = 0 .. 8), n = 9, G = 17,
  // the grid runs from x = 0 to x = 7 (candidate hi - 1) in steps h = 7/16, Z = 17/8 = 2.
  // Linear interpolation reproduces |t - 4| exactly (x = 4 is a sample). Search window
  // k = 4 .. 11. At t9 = 3.9375 every reflected pair differs by 0.125: S9 = 7 x 0.015625 =
  // 0.109375; at t8 = 3.5: 0.875^2 + 6 x 1^2 = 6.765625; at t10 = 4.375: 6 x 0.75^2 = 3.375.
  // The parabola through these three (solved in exact fractions): a = 1270/49,
  // b = -11647/56, c = 26701/64, vertex -b/2a = 4.012253937007874,
  // sigma = sqrt(|4ac - b^2| / (4a^2 (Z - 1))) = 0.0369887926704369.
  std::vector<double> x, y;
  for (int i = 0; i <= 9; ++i) {
    x.push_back(i);
    y.push_back(std::fabs(i - 4.0));
  }
  const KweeResult r = KweeVanWoerden(x, y, 0.0, 9.0);
  ASSERT_EQ(r.status, KweeStatus::Done);
  EXPECT_EQ(r.n, 9);
  EXPECT_EQ(r.grid, 17);
  EXPECT_EQ(r.smallest, 9);
  EXPECT_TRUE(test::Close(r.a, 1270.0 / 49, 1024.0));
  EXPECT_TRUE(test::Close(r.b, -11647.0 / 56, 1024.0));
  EXPECT_TRUE(test::Close(r.c, 26701.0 / 64, 1024.0));
  EXPECT_NEAR(r.t0, 4.012253937007874, 1e-12);
  EXPECT_NEAR(r.sigma, 0.0369887926704369, 1e-12);
}

// The search window of the smallest sum is k = G/4 .. 3(G/4) - 1, not one point more. A V whose
// bottom lies on grid point 12, just past the window's end 11 (n = 9, G = 17, h = 7/16, t12 =
// 5.25, a sample), has S12 = 0 but must not be chosen: within the window the smallest is S11 =
// 5 x (2h)^2 (every reflected pair about t11 = 5.25 - h differs by 2h), whose neighbours
// are larger (S10 = 5 x (4h)^2 ... ), so k* = 11 at the window's edge.
TEST(KweeVanWoerden, SearchWindowEndsAtThreeQuartersOfTheGrid) {
  const std::vector<double> x = {0, 1, 2, 3, 4, 5.25, 6, 7, 8};
  std::vector<double> y;
  for (double xi : x) y.push_back(std::fabs(xi - 5.25));
  const KweeResult r = KweeVanWoerden(x, y, 0.0, 9.0);
  ASSERT_EQ(r.status, KweeStatus::Done);
  EXPECT_EQ(r.n, 9);
  EXPECT_EQ(r.grid, 17);
  EXPECT_EQ(r.smallest, 11);
}

TEST(KweeVanWoerden, SumsOfTheWholeGridAgreeWithThePlainDefinition) {
  // The plain method, every S[k] summed one after the other, on an asymmetric noisy dip: the
  // production code sums four grid points side by side and only the window it needs, and must
  // give the same smallest sum and vertex to the last bit.
  Eclipse e = Dip(0.731, 0.6, 0.0011, 250, 0.025);
  for (size_t i = 0; i < e.y.size(); ++i)
    e.y[i] += 0.003 * std::sin(37.0 * static_cast<double>(i)) + 0.2 * e.x[i];
  const size_t loIndex = 7, hiIndex = 241;
  const KweeResult r = KweeVanWoerden(e.x, e.y, e.x[loIndex], e.x[hiIndex]);
  ASSERT_EQ(r.status, KweeStatus::Done);

  const int n = static_cast<int>(hiIndex - loIndex);
  const int g = 2 * n - 1;
  const double x0 = e.x[loIndex];
  // Candidates loIndex .. hiIndex - 1 form the range; the grid ends one before its last.
  const double h = (e.x[hiIndex - 2] - x0) / (g - 1);
  std::vector<double> t(static_cast<size_t>(g)), u(static_cast<size_t>(g)), s(static_cast<size_t>(g));
  for (int k = 0; k < g; ++k) t[static_cast<size_t>(k)] = x0 + k * h;
  u[0] = e.y[loIndex];
  u[static_cast<size_t>(g - 1)] = e.y[hiIndex - 2];
  size_t p = loIndex;
  for (int k = 1; k < g - 1; ++k) {
    while (e.x[p] <= t[static_cast<size_t>(k)]) ++p;
    const double dx = e.x[p] - e.x[p - 1], dy = e.y[p] - e.y[p - 1];
    u[static_cast<size_t>(k)] = dy * t[static_cast<size_t>(k)] / dx + (e.y[p - 1] - dy * e.x[p - 1] / dx);
  }
  for (int k = 1; k < g - 1; ++k) {
    double sum = 0;
    for (int i = 1; i < std::min(k, g - k); ++i) {
      const double d = u[static_cast<size_t>(k - i)] - u[static_cast<size_t>(k + i)];
      sum += d * d;
    }
    s[static_cast<size_t>(k)] = sum;
  }
  int best = -1;
  double smallest = 1e10;
  for (int k = g / 4; k < 3 * (g / 4); ++k)
    if (s[static_cast<size_t>(k)] < smallest) smallest = s[static_cast<size_t>(best = k)];
  EXPECT_EQ(r.smallest, best);
  Matrix3x4 m{};
  for (int i = 0; const int k : {best, best - 1, best + 1}) {
    const double tk = t[static_cast<size_t>(k)];
    m[static_cast<size_t>(i++)] = {tk * tk, tk, 1.0, s[static_cast<size_t>(k)]};
  }
  std::array<double, 3> abc{};
  ASSERT_TRUE(SolveLinearSystem3(m, abc));
  EXPECT_EQ(r.t0, -abc[1] / (2 * abc[0]));
}

TEST(KweeVanWoerden, TooFewCandidatesOrZeroDivisors) {
  const Eclipse e = Dip(0.5, 0.0, 0.05, 21, 0.1);
  struct Case {
    int lo, hi;  // 0-based indexes of the range ends
    bool fault;
    KweeStatus status;
  };
  const Case cases[] = {
      {3, 7, false, KweeStatus::TooFewPoints},  // n = 4
      {3, 4, false, KweeStatus::TooFewPoints},  // n = 1
      {4, 4, false, KweeStatus::TooFewPoints},  // n = 0: both ends at one point
      {3, 8, true, KweeStatus::Done},           // n = 5: Z - 1 = 0
      {3, 11, true, KweeStatus::Done},          // n = 8: Z - 1 = 0
      {3, 12, false, KweeStatus::Done},         // n = 9: the smallest range with an error
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "range " << c.lo << " .. " << c.hi);
    if (c.fault) {
      try {
        KweeVanWoerden(e.x, e.y, e.x[c.lo], e.x[c.hi]);
        ADD_FAILURE() << "no fault";
      } catch (const FloatingPointError& error) {
        EXPECT_EQ(error.fault(), FloatingPointFault::DivisionByZero);
      }
    } else {
      EXPECT_EQ(KweeVanWoerden(e.x, e.y, e.x[c.lo], e.x[c.hi]).status, c.status);
    }
  }
}

TEST(KweeVanWoerden, NoCandidateBelowTheUpperEnd) {
  const std::vector<double> x{5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  const std::vector<double> y(x.size(), 1.0);
  const KweeResult r = KweeVanWoerden(x, y, 1.0, 4.0);
  EXPECT_EQ(r.status, KweeStatus::TooFewPoints);
  EXPECT_EQ(r.hi, 0);
}

TEST(KweeVanWoerden, RangeOfOneAbscissaIsASingularParabola) {
  // Ten candidates at one abscissa and one beyond: the grid has zero width.
  std::vector<double> x(10, 2.0);
  x.push_back(3.0);
  std::vector<double> y{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  EXPECT_EQ(KweeVanWoerden(x, y, 2.0, 3.0).status, KweeStatus::SingularParabola);
}

TEST(KweeVanWoerden, RangeOutOfOrderIsRefused) {
  std::vector<double> x{0, 1, 2, 3, 4, 5, 3.5, 7, 8, 9, 10, 11};
  const std::vector<double> y(x.size(), 1.0);
  EXPECT_EQ(KweeVanWoerden(x, y, 0.0, 11.0).status, KweeStatus::NotAscending);
}

TEST(KweeVanWoerden, FlatCurveHasNoVertex) {
  // Every reflection sum is zero: the parabola has a = b = 0 and the vertex is 0 / 0.
  std::vector<double> x, y;
  for (int i = 0; i < 20; ++i) {
    x.push_back(i);
    y.push_back(3.0);
  }
  try {
    KweeVanWoerden(x, y, 0.0, 19.0);
    ADD_FAILURE() << "no fault";
  } catch (const FloatingPointError& error) {
    EXPECT_EQ(error.fault(), FloatingPointFault::InvalidOperation);
  }
}

}  // namespace
}  // namespace ombrane
