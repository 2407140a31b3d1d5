#include "timing/KweeVanWoerden.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "common/FloatingPoint.h"

namespace ombrane {

bool SolveLinearSystem3(Matrix3x4& m, std::array<double, 3>& x) {
  for (int i = 0; i < 3; ++i) {
    int p = i;
    for (int r = i + 1; r < 3; ++r)
      if (std::fabs(m[r][i]) > std::fabs(m[p][i])) p = r;
    for (int c = i; c < 4; ++c) std::swap(m[i][c], m[p][c]);
    if (m[i][i] == 0) return false;
    // Columns from the right, so that m[r][i], the factor of the row, changes last.
    for (int r = i + 1; r < 3; ++r)
      for (int c = 3; c >= i; --c) m[r][c] = m[r][c] - m[i][c] * m[r][i] / m[i][i];
  }
  for (int j = 2; j >= 0; --j) {
    double sum = m[j][3];
    for (int k = j + 1; k < 3; ++k) sum -= m[j][k] * x[k];
    x[j] = sum / m[j][j];
  }
  return true;
}

namespace {

// The reflection sums S[k] = sum over i = 1 .. min(k, G - k) - 1 of (u[k - i] - u[k + i])^2 for
// k in [first, last], each summed in ascending i. Four grid points are summed side by side in
// separate accumulators: every sum keeps its own order (so its value is that of the plain loop)
// while the additions of the four overlap in the processor.
void ReflectionSums(const std::vector<double>& u, int grid, int first, int last, std::vector<double>& s) {
  auto terms = [grid](int k) { return std::min(k, grid - k) - 1; };
  int k = first;
  for (; k + 3 <= last; k += 4) {
    const int m0 = terms(k), m1 = terms(k + 1), m2 = terms(k + 2), m3 = terms(k + 3);
    const int common = std::min(std::min(m0, m1), std::min(m2, m3));
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const double* c = u.data();
    for (int i = 1; i <= common; ++i) {
      const double d0 = c[k - i] - c[k + i];
      const double d1 = c[k + 1 - i] - c[k + 1 + i];
      const double d2 = c[k + 2 - i] - c[k + 2 + i];
      const double d3 = c[k + 3 - i] - c[k + 3 + i];
      s0 += d0 * d0;
      s1 += d1 * d1;
      s2 += d2 * d2;
      s3 += d3 * d3;
    }
    auto finish = [&](double& sum, int kk, int mm) {
      for (int i = common + 1; i <= mm; ++i) {
        const double d = c[kk - i] - c[kk + i];
        sum += d * d;
      }
      s[static_cast<size_t>(kk)] = sum;
    };
    finish(s0, k, m0);
    finish(s1, k + 1, m1);
    finish(s2, k + 2, m2);
    finish(s3, k + 3, m3);
  }
  for (; k <= last; ++k) {
    double sum = 0;
    for (int i = 1; i <= terms(k); ++i) {
      const double d = u[static_cast<size_t>(k - i)] - u[static_cast<size_t>(k + i)];
      sum += d * d;
    }
    s[static_cast<size_t>(k)] = sum;
  }
}

// Candidates are numbered 1 .. K as in the method's description; X(j) is x[j - 1].
struct Candidates {
  std::span<const double> x;
  std::span<const double> y;
  double X(int j) const { return x[static_cast<size_t>(j - 1)]; }
  double Y(int j) const { return y[static_cast<size_t>(j - 1)]; }
};

// The range: from the first candidate at or above xLo to the last below xHi, into r.lo, r.hi
// and r.n.
void FindRange(const Candidates& c, double xLo, double xHi, KweeResult& r) {
  const int count = static_cast<int>(c.x.size());
  int lastBelowLo = 0;
  int lastBelowHi = 0;
  for (int j = 1; j <= count; ++j) {
    if (c.X(j) < xLo) lastBelowLo = j;
    if (c.X(j) < xHi) lastBelowHi = j;
  }
  r.lo = lastBelowLo + 1;
  r.hi = lastBelowHi;
  r.n = r.hi - r.lo + 1;
}

// The method needs the range in ascending abscissa (a light curve in time order).
bool Ascending(const Candidates& c, int lo, int hi) {
  for (int j = lo + 1; j <= hi; ++j)
    if (!(c.X(j) >= c.X(j - 1))) return false;
  return true;
}

// The grid t: g points of step h from candidate lo on, and the magnitudes u interpolated
// linearly onto it; the pointer only moves forward and never past the range's last candidate.
void InterpolateOntoGrid(const Candidates& c, int lo, int hi, int g, double h, std::vector<double>& t,
                         std::vector<double>& u) {
  t.assign(static_cast<size_t>(g), 0.0);
  u.assign(static_cast<size_t>(g), 0.0);
  for (int k = 0; k < g; ++k) t[static_cast<size_t>(k)] = c.X(lo) + k * h;
  u[0] = c.Y(lo);
  u[static_cast<size_t>(g - 1)] = c.Y(hi - 1);
  int p = lo;
  for (int k = 1; k <= g - 2; ++k) {
    const double tk = t[static_cast<size_t>(k)];
    while (p < hi && c.X(p) <= tk) ++p;
    const double x0 = c.X(p - 1), y0 = c.Y(p - 1), x1 = c.X(p), y1 = c.Y(p);
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    u[static_cast<size_t>(k)] = Divide(dy * tk, dx) + (y0 - Divide(dy * x0, dx));
  }
}

// The grid index of the smallest reflection sum in the middle half of the grid (the first of
// equal sums wins), with the sums there and at its two ends in s; -1 when no sum falls below
// 1e10.
int SmallestReflectionSum(const std::vector<double>& u, int g, std::vector<double>& s) {
  const int first = g / 4;
  const int last = 3 * (g / 4) - 1;
  s.assign(static_cast<size_t>(g), 0.0);
  ReflectionSums(u, g, first - 1, last + 1, s);
  double smallest = 10000000000.0;
  int best = -1;
  for (int k = first; k <= last; ++k) {
    if (s[static_cast<size_t>(k)] < smallest) {
      smallest = s[static_cast<size_t>(k)];
      best = k;
    }
  }
  return best;
}

// The parabola S(t) = a t^2 + b t + c through the smallest sum and its two neighbours, into
// r.a, r.b, r.c; false when it is singular.
bool FitParabola(const std::vector<double>& t, const std::vector<double>& s, int best, KweeResult& r) {
  Matrix3x4 m{};
  const int rows[3] = {best, best - 1, best + 1};
  for (int i = 0; i < 3; ++i) {
    const double tk = t[static_cast<size_t>(rows[i])];
    m[i] = {tk * tk, tk, 1.0, s[static_cast<size_t>(rows[i])]};
  }
  std::array<double, 3> abc{};
  if (!SolveLinearSystem3(m, abc)) return false;
  r.a = abc[0];
  r.b = abc[1];
  r.c = abc[2];
  return true;
}

// Vertex and error (Kwee & van Woerden 1956, eq. for sigma^2 with Z = G / 8 independent
// reflection pairs), into r.t0 and r.sigma.
void VertexAndError(int g, KweeResult& r) {
  r.t0 = Divide(-r.b, 2 * r.a);
  const int z = g / 8;
  const double variance = Divide(4 * r.a * r.c - r.b * r.b, 4 * r.a * r.a * (z - 1));
  r.sigma = Sqrt(std::fabs(variance));
}

}  // namespace

KweeResult KweeVanWoerden(std::span<const double> x, std::span<const double> y, double xLo, double xHi) {
  KweeResult r;
  const Candidates c{x, y};
  FindRange(c, xLo, xHi, r);
  // Fewer than five candidates leave the search window of the smallest sum without the
  // neighbours the parabola needs.
  if (r.n < 5) {
    r.status = KweeStatus::TooFewPoints;
    return r;
  }
  if (!Ascending(c, r.lo, r.hi)) {
    r.status = KweeStatus::NotAscending;
    return r;
  }
  const int g = 2 * r.n - 1;
  r.grid = g;

  // The grid: G points from candidate lo to candidate hi - 1.
  const double h = Divide(c.X(r.hi - 1) - c.X(r.lo), static_cast<double>(g - 1));
  if (h == 0) {
    // All grid points coincide: the three rows of the parabola are equal.
    r.status = KweeStatus::SingularParabola;
    return r;
  }
  std::vector<double> t;
  std::vector<double> u;
  InterpolateOntoGrid(c, r.lo, r.hi, g, h, t, u);

  std::vector<double> s;
  const int best = SmallestReflectionSum(u, g, s);
  if (best < 0) {
    r.status = KweeStatus::NoSmallestSum;
    return r;
  }
  r.smallest = best;

  if (!FitParabola(t, s, best, r)) {
    r.status = KweeStatus::SingularParabola;
    return r;
  }
  VertexAndError(g, r);
  r.status = KweeStatus::Done;
  return r;
}

}  // namespace ombrane
