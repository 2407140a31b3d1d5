#include "fit/HarmonicCore.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/FloatingPoint.h"
#include "common/InputError.h"

namespace ombrane {

namespace {

// An entry takes part in a fit when it is an observation (not the repeat N - 1) and unmarked.
inline bool TakesPart(const Data& data, int32_t i) {
  return data.markFlag[i] == 0;
}

// Frequencies w_k = k * 2 pi / P, cleared matrix and right-hand side.
void Prepare(const Star& star, int32_t n, HarmonicFit& fit) {
  if (n < 0 || n > kMaxHarmonics)
    throw InputError("A fit takes 0 to " + std::to_string(kMaxHarmonics) + " harmonics; " +
                     std::to_string(n) + " cannot be fitted");
  fit.harmonics = n;
  fit.coefficients = 2 * n + 1;
  fit.fullyInverted = true;
  const long double omega = Divide(static_cast<long double>(kTwoPi), star.period);
  fit.frequency.fill(0);
  for (int32_t k = 1; k <= n; ++k) fit.frequency[k] = k * omega;
  for (HarmonicVector& row : fit.inverse) row.fill(0);
  fit.rightHandSide.fill(0);
}

// sin and cos of the extended argument w_k t, taken in double precision.
inline double SinOf(long double frequency, long double t) {
  return std::sin(static_cast<double>(frequency * t));
}
inline double CosOf(long double frequency, long double t) {
  return std::cos(static_cast<double>(frequency * t));
}

}  // namespace

void SeriesTable::Cover(const Data& data, const HarmonicVector& frequency, int32_t n) {
  const int32_t entries = RealCount(data);
  if (&data != data_ || frequency[1] != omega_ || entries != entries_) {
    data_ = &data;
    omega_ = frequency[1];
    entries_ = entries;
    harmonics_ = 0;
    sin_.clear();
    cos_.clear();
  }
  if (n <= harmonics_) return;
  const size_t size = static_cast<size_t>(n) * static_cast<size_t>(entries);
  sin_.resize(size);
  cos_.resize(size);
  for (int32_t k = harmonics_ + 1; k <= n; ++k) {
    for (int32_t e = 0; e < entries; ++e) {
      const double argument = static_cast<double>(frequency[k] * data.jd[e]);
      sin_[Index(k, e)] = std::sin(argument);
      cos_[Index(k, e)] = std::cos(argument);
    }
  }
  harmonics_ = n;
}

bool InvertSymmetric(HarmonicMatrix& m, int32_t size) {
  HarmonicVector p{};
  HarmonicVector q{};
  std::array<int32_t, kHarmonicStorage> avail{};
  for (int32_t i = 1; i <= size; ++i) avail[i] = 1;
  for (int32_t step = 1; step <= size; ++step) {
    // Pivot: the largest remaining diagonal magnitude, strictly greater, so the lowest index of
    // equal ones wins and a zero diagonal is never chosen.
    long double big = 0;
    int32_t kk = 0;
    for (int32_t i = 1; i <= size; ++i) {
      if (std::fabs(m[i][i]) - big > 0 && avail[i] != 0) {
        big = std::fabs(m[i][i]);
        kk = i;
      }
    }
    if (big == 0) return false;  // only zero pivots remain: stop, lower triangle untouched
    avail[kk] = 0;
    p[kk] = 1 / m[kk][kk];
    q[kk] = 1;
    m[kk][kk] = 0;
    for (int32_t i = 1; i < kk; ++i) {
      q[i] = m[i][kk];
      p[i] = avail[i] == 0 ? m[i][kk] * p[kk] : -m[i][kk] * p[kk];
      m[i][kk] = 0;
    }
    for (int32_t i = kk + 1; i <= size; ++i) {
      q[i] = avail[i] != 0 ? m[kk][i] : -m[kk][i];
      p[i] = -m[kk][i] * p[kk];
      m[kk][i] = 0;
    }
    for (int32_t i = 1; i <= size; ++i) {
      const long double qi = q[i];
      HarmonicVector& row = m[i];
      for (int32_t j = i; j <= size; ++j) row[j] += qi * p[j];
    }
  }
  for (int32_t r = size; r >= 2; --r)
    for (int32_t l = 1; l < r; ++l) m[r][l] = m[l][r];
  return true;
}

void NormalEquations(const Data& data, const Star& star, int32_t n, HarmonicFit& fit, SeriesTable& table) {
  Prepare(star, n, fit);
  table.Cover(data, fit.frequency, n);
  const int32_t size = fit.coefficients;
  const int32_t last = RealCount(data);  // the observations, entries 0 .. N-2
  HarmonicMatrix& m = fit.inverse;
  HarmonicVector& r = fit.rightHandSide;
  // A block of observations at a time: row b of `v` is (1, sin w_1 t, cos w_1 t, ...) of one
  // observation, a row of the design matrix. Each element of the normal matrix is loaded once
  // per block, the block's products (formed in extended precision) are added to it in the order
  // of the observations, and it is stored again: the same sums, in the same order, as adding
  // one observation after the other, without an extended load and store for every product.
  constexpr int32_t kBlock = 8;
  std::array<std::array<double, kHarmonicStorage>, kBlock> v{};
  std::array<long double, kBlock> y{};
  int32_t filled = 0;
  // The weighted form (fit.weighted): each row and its magnitude times sqrt(1/σ²), so that the
  // sums are Σ v_i v_j / σ² and Σ y v_i / σ².
  const bool weighted = fit.weighted && data.magError.size() >= static_cast<size_t>(std::max(last, 0));
  auto flush = [&] {
    for (int32_t i = 1; i <= size; ++i) {
      long double sum = r[i];
      for (int32_t b = 0; b < filled; ++b) sum += y[b] * v[b][i];
      r[i] = sum;
    }
    for (int32_t i = 1; i <= size; ++i) {
      HarmonicVector& row = m[i];
      for (int32_t j = i; j <= size; ++j) {
        long double sum = row[j];
        for (int32_t b = 0; b < filled; ++b) sum += static_cast<long double>(v[b][i]) * v[b][j];
        row[j] = sum;
      }
    }
    filled = 0;
  };
  for (int32_t e = 0; e < last; ++e) {
    if (!TakesPart(data, e)) continue;
    auto& row = v[filled];
    row[1] = 1;
    for (int32_t k = 1; k <= n; ++k) {
      row[2 * k] = table.Sin(k, e);
      row[2 * k + 1] = table.Cos(k, e);
    }
    y[filled] = data.mag[e];
    if (weighted) {
      const double root = 1 / data.magError[static_cast<size_t>(e)];
      for (int32_t i = 1; i <= size; ++i) row[i] *= root;
      y[filled] *= root;
    }
    if (++filled == kBlock) flush();
  }
  if (filled > 0) flush();
  // The matrix is symmetric: s_j c_k and c_k s_j are the same product, summed over the same
  // observations in the same order, so the mirrored triangle holds exactly those sums.
  for (int32_t i = 2; i <= size; ++i)
    for (int32_t j = 1; j < i; ++j) m[i][j] = m[j][i];
}

void NormalEquationsPlain(const Data& data, const Star& star, int32_t n, HarmonicFit& fit) {
  Prepare(star, n, fit);
  const int32_t last = RealCount(data);
  HarmonicMatrix& m = fit.inverse;
  HarmonicVector& r = fit.rightHandSide;
  const HarmonicVector& w = fit.frequency;
  for (int32_t e = 0; e < last; ++e) {
    if (!TakesPart(data, e)) continue;
    const long double t = data.jd[e];
    const long double y = data.mag[e];
    r[1] += y;
    m[1][1] += 1;
    for (int32_t k = 1; k <= n; ++k) {
      r[2 * k] += y * SinOf(w[k], t);
      r[2 * k + 1] += y * CosOf(w[k], t);
      m[1][2 * k] += SinOf(w[k], t);
      m[1][2 * k + 1] += CosOf(w[k], t);
      for (int32_t j = 1; j <= n; ++j) {
        m[2 * j][2 * k] += static_cast<long double>(SinOf(w[j], t)) * SinOf(w[k], t);
        m[2 * j][2 * k + 1] += static_cast<long double>(SinOf(w[j], t)) * CosOf(w[k], t);
        m[2 * j + 1][2 * k] += static_cast<long double>(CosOf(w[j], t)) * SinOf(w[k], t);
        m[2 * j + 1][2 * k + 1] += static_cast<long double>(CosOf(w[j], t)) * CosOf(w[k], t);
      }
    }
  }
  for (int32_t i = 2; i <= fit.coefficients; ++i) m[i][1] = m[1][i];
}

void FitHarmonicSeries(Data& data, const Star& star, int32_t n, bool storeFitted, HarmonicFit& fit,
                       SeriesTable* table) {
  SeriesTable own;
  SeriesTable& trig = table ? *table : own;
  NormalEquations(data, star, n, fit, trig);
  const int32_t size = fit.coefficients;
  fit.fullyInverted = InvertSymmetric(fit.inverse, size);

  const HarmonicMatrix& inverse = fit.inverse;
  fit.coefficient.fill(0);
  for (int32_t i = 1; i <= size; ++i) {
    long double x = 0;
    for (int32_t j = 1; j <= size; ++j) x += inverse[i][j] * fit.rightHandSide[j];
    fit.coefficient[i] = CheckResult(x);
  }

  const int32_t last = RealCount(data);
  long double sum = 0;
  for (int32_t e = 0; e < last; ++e) {
    if (!TakesPart(data, e)) continue;
    const long double f = EvaluateSeries(fit, trig, e);
    if (storeFitted) data.fitMag[e] = f;
    long double residual = data.mag[e] - f;
    if (fit.weighted && static_cast<size_t>(e) < data.magError.size())
      residual /= data.magError[static_cast<size_t>(e)];
    sum += residual * residual;
  }
  fit.residualSum = CheckResult(sum);

  // Degrees of freedom: the observations that take part (the entries before the loader's repeat,
  // less the marked ones) less the 2n + 1 coefficients. Zero divides by zero; a negative count gives a
  // negative variance whose square root below is invalid.
  const long double freedom = static_cast<long double>(RepeatIndex(data)) - data.markCount - (2 * n + 1);
  fit.variance = Divide(fit.residualSum, freedom);
  for (int32_t i = 1; i <= size; ++i)
    for (int32_t j = 1; j <= size; ++j) fit.covariance[i][j] = fit.variance * inverse[i][j];
  fit.sigma = Sqrt(ToDouble(fit.variance));
}

long double EvaluateSeries(const HarmonicFit& fit, long double t) {
  const HarmonicVector& x = fit.coefficient;
  long double f = x[1];
  for (int32_t k = 1; k <= fit.harmonics; ++k) {
    const double argument = static_cast<double>(fit.frequency[k] * t);
    f += x[2 * k] * std::sin(argument);
    f += x[2 * k + 1] * std::cos(argument);
  }
  return f;
}

long double EvaluateSeries(const HarmonicFit& fit, const SeriesTable& table, int32_t entry) {
  const HarmonicVector& x = fit.coefficient;
  long double f = x[1];
  for (int32_t k = 1; k <= fit.harmonics; ++k) {
    f += x[2 * k] * table.Sin(k, entry);
    f += x[2 * k + 1] * table.Cos(k, entry);
  }
  return f;
}

}  // namespace ombrane
