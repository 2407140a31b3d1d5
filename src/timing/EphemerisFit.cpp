#include "timing/EphemerisFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <string>
#include <utility>

#include "common/InputError.h"

namespace ombrane {

namespace {

bool IsHalf(long double cycle) {
  return std::fabs(cycle - std::floor(cycle) - 0.5L) < 1e-6L;
}

// The ephemeris' argument of a minimum of cycle E: E for a primary, n + φ for the secondary of
// cycle n + ½.
long double Argument(long double cycle, MinimumKind kind, long double secondaryPhase) {
  return kind == MinimumKind::Secondary ? cycle - 0.5L + secondaryPhase : cycle;
}

// The phase offset of a kind: 0 for a primary, φ for a secondary.
long double Offset(MinimumKind kind, long double secondaryPhase) {
  return kind == MinimumKind::Secondary ? secondaryPhase : 0;
}

// The cycle of a minimum at `time` against the ephemeris (epoch, period): the nearest whole
// number of periods from its offset, written n + ½ for a secondary.
long double CycleAt(long double time, MinimumKind kind, long double epoch, long double period,
                    long double secondaryPhase) {
  const long double n = std::nearbyint((time - epoch) / period - Offset(kind, secondaryPhase));
  return kind == MinimumKind::Secondary ? n + 0.5L : n;
}

void CheckFinite(const std::vector<TimedMinimum>& minima) {
  for (size_t i = 0; i < minima.size(); ++i) {
    if (!std::isfinite(minima[i].time))
      throw InputError("minimum " + std::to_string(i + 1) + ": its time is not a number");
    if (!std::isfinite(minima[i].error) || minima[i].error < 0)
      throw InputError("minimum " + std::to_string(i + 1) + ": its error must be a number of 0 or more");
    if (minima[i].cycle && !std::isfinite(*minima[i].cycle))
      throw InputError("minimum " + std::to_string(i + 1) + ": its cycle is not a number");
  }
}

// A linear fit T = a + b·x kept as running sums, counted from the first time and argument added
// (the sums of a few thousand minima then keep every digit that matters).
class RunningLine {
 public:
  void Add(long double x, long double t) {
    if (n_ == 0) {
      x0_ = x;
      t0_ = t;
    }
    x -= x0_;
    t -= t0_;
    ++n_;
    sx_ += x;
    st_ += t;
    sxx_ += x * x;
    sxt_ += x * t;
  }
  // False while the arguments added are all equal.
  bool Solve(long double& epoch, long double& period) const {
    const long double d = n_ * sxx_ - sx_ * sx_;
    if (n_ < 2 || !(std::fabs(d) > 1e-12L * std::max<long double>(1, n_ * sxx_))) return false;
    const long double b = (n_ * sxt_ - sx_ * st_) / d;
    const long double a = (st_ - b * sx_) / n_;
    period = b;
    epoch = t0_ + a - b * x0_;
    return true;
  }

 private:
  long double n_ = 0, x0_ = 0, t0_ = 0, sx_ = 0, st_ = 0, sxx_ = 0, sxt_ = 0;
};

// The period that numbers every interval between successive minima of one kind within a tenth
// of a cycle: the shortest interval divided by the smallest whole number that does. 0 when none.
long double PeriodFromIntervals(const std::vector<TimedMinimum>& minima, const std::vector<size_t>& order,
                                long double secondaryPhase) {
  std::vector<long double> intervals;  // between successive minima of one kind
  std::array<std::optional<long double>, 2> last;
  for (size_t i : order) {
    const int k = KindOf(minima[i]) == MinimumKind::Secondary ? 1 : 0;
    if (last[k] && minima[i].time - *last[k] > 0) intervals.push_back(minima[i].time - *last[k]);
    last[k] = minima[i].time;
  }
  if (intervals.empty()) return 0;
  const long double shortest = *std::min_element(intervals.begin(), intervals.end());
  // Between each secondary and the primary before it (or, before the first primary, after it):
  // the secondary's offset plus whole periods. Local, so that a period that changes over a long
  // series does not throw the check.
  std::vector<std::pair<long double, long double>> pairs;  // (primary, secondary) times
  {
    std::optional<long double> previous;
    std::vector<long double> waiting;  // secondaries before the first primary
    for (size_t i : order) {
      if (KindOf(minima[i]) == MinimumKind::Primary) {
        if (!previous)
          for (long double t : waiting) pairs.emplace_back(minima[i].time, t);
        previous = minima[i].time;
      } else if (previous) {
        pairs.emplace_back(*previous, minima[i].time);
      } else {
        waiting.push_back(minima[i].time);
      }
    }
  }
  auto nearWhole = [](long double cycles) { return std::fabs(cycles - std::nearbyint(cycles)) < 0.1L; };
  for (int divisor = 1; divisor <= 64; ++divisor) {
    const long double period = shortest / divisor;
    bool fits = std::all_of(intervals.begin(), intervals.end(),
                            [&](long double interval) { return nearWhole(interval / period); });
    for (size_t k = 0; fits && k < pairs.size(); ++k)
      fits = nearWhole((pairs[k].second - pairs[k].first) / period - secondaryPhase);
    if (fits) return period;
  }
  return 0;
}

// Householder QR of the m × k matrix `a` (columns), applied to `b` as it goes: on return the
// upper triangle of a's first k rows is R and b's first k values are Qᵀb.
template <size_t K>
void HouseholderQr(std::array<std::vector<long double>, K>& a, std::vector<long double>& b, size_t k) {
  const size_t m = b.size();
  for (size_t j = 0; j < k; ++j) {
    long double norm = 0;
    for (size_t i = j; i < m; ++i) norm += a[j][i] * a[j][i];
    norm = std::sqrt(norm);
    if (norm == 0) continue;
    const long double alpha = a[j][j] > 0 ? -norm : norm;
    // v = a_j(j:) − alpha·e_j; H = I − 2vvᵀ/(vᵀv).
    std::vector<long double> v(a[j].begin() + static_cast<std::ptrdiff_t>(j), a[j].end());
    v[0] -= alpha;
    long double vv = 0;
    for (long double x : v) vv += x * x;
    if (vv == 0) continue;
    auto reflect = [&](std::vector<long double>& column) {
      long double dot = 0;
      for (size_t i = j; i < m; ++i) dot += v[i - j] * column[i];
      const long double f = 2 * dot / vv;
      for (size_t i = j; i < m; ++i) column[i] -= f * v[i - j];
    };
    for (size_t c = j; c < k; ++c) reflect(a[c]);
    reflect(b);
  }
}

}  // namespace

MinimumKind KindOf(const TimedMinimum& minimum) {
  if (minimum.kind) return *minimum.kind;
  if (minimum.cycle && IsHalf(*minimum.cycle)) return MinimumKind::Secondary;
  return MinimumKind::Primary;
}

std::vector<long double> NumberCycles(const std::vector<TimedMinimum>& minima,
                                      std::optional<long double> epoch, std::optional<long double> period,
                                      long double secondaryPhase) {
  CheckFinite(minima);
  if (period && !(std::isfinite(*period) && *period > 0)) throw InputError("the period must be above 0");
  if (epoch && !std::isfinite(*epoch)) throw InputError("the epoch is not a number");
  std::vector<long double> cycles(minima.size());
  std::vector<size_t> order(minima.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return minima[a].time < minima[b].time; });

  // Minima that carry their cycle give the reference when nothing else does.
  RunningLine given;
  size_t unnumbered = 0;
  for (size_t i : order) {
    if (minima[i].cycle) {
      cycles[i] = *minima[i].cycle;
      given.Add(Argument(cycles[i], KindOf(minima[i]), secondaryPhase), minima[i].time);
    } else {
      ++unnumbered;
    }
  }
  if (unnumbered == 0) return cycles;

  long double e0 = 0, p = 0;
  if (period) {
    p = *period;
  } else if (!given.Solve(e0, p)) {
    p = PeriodFromIntervals(minima, order, secondaryPhase);
    if (p == 0)
      throw InputError(
          "the minima cannot be numbered: give the period (and the epoch), or a cycle for each minimum");
  } else {
    epoch = epoch.value_or(e0);
  }
  if (!epoch) {
    // The first primary is cycle 0; without one, the first secondary is cycle ½.
    epoch = minima[order.front()].time - Offset(KindOf(minima[order.front()]), secondaryPhase) * p;
    for (size_t i : order)
      if (KindOf(minima[i]) == MinimumKind::Primary) {
        epoch = minima[i].time;
        break;
      }
  }

  // Numbered in time order, each from the line through those before it (a period known only
  // to a few parts in a thousand from one interval then carries over a long series).
  const bool refine = !period;
  RunningLine line;
  long double e = *epoch;
  for (size_t i : order) {
    const MinimumKind kind = KindOf(minima[i]);
    if (!minima[i].cycle) cycles[i] = CycleAt(minima[i].time, kind, e, p, secondaryPhase);
    if (refine) {
      line.Add(Argument(cycles[i], kind, secondaryPhase), minima[i].time);
      long double fittedEpoch = 0, fittedPeriod = 0;
      if (line.Solve(fittedEpoch, fittedPeriod) && fittedPeriod > 0) e = fittedEpoch, p = fittedPeriod;
    }
  }
  return cycles;
}

namespace {

using Matrix3 = std::array<std::array<long double, 3>, 3>;

// The minima in the fit; InputError when they are too few, or span too few cycles, for `terms`.
std::vector<size_t> MinimaInFit(const std::vector<TimedMinimum>& minima, const std::vector<long double>& x,
                                size_t terms) {
  const std::string kind = terms == 3 ? "a quadratic" : "a linear";
  std::vector<size_t> used;
  for (size_t i = 0; i < minima.size(); ++i)
    if (!minima[i].excluded) used.push_back(i);
  if (used.size() < terms)
    throw InputError(kind + " ephemeris needs at least " + std::to_string(terms) + " minima in the fit");
  std::vector<long double> distinct;
  for (size_t i : used) distinct.push_back(x[i]);
  std::sort(distinct.begin(), distinct.end());
  if (static_cast<size_t>(std::unique(distinct.begin(), distinct.end()) - distinct.begin()) < terms)
    throw InputError(kind + " ephemeris needs minima of at least " + std::to_string(terms) +
                     " different cycles");
  return used;
}

// The least-squares solution c of the weighted rows (1, u, u²) · c = t − t0, u = x − xm, by
// Householder QR, with its unscaled covariance (RᵀR)⁻¹ = R⁻¹R⁻ᵀ.
void SolveCentred(const std::vector<TimedMinimum>& minima, const std::vector<long double>& x,
                  const std::vector<size_t>& used, bool weighted, long double xm, long double t0,
                  size_t terms, std::array<long double, 3>& c, Matrix3& cov) {
  const size_t m = used.size();
  std::array<std::vector<long double>, 3> a;
  for (auto& column : a) column.assign(m, 0);
  std::vector<long double> b(m);
  for (size_t r = 0; r < m; ++r) {
    const size_t i = used[r];
    const long double w = weighted ? 1 / minima[i].error : 1;
    const long double u = x[i] - xm;
    a[0][r] = w;
    a[1][r] = w * u;
    a[2][r] = w * u * u;
    b[r] = w * (minima[i].time - t0);
  }
  HouseholderQr(a, b, terms);
  // Back substitution R c = Qᵀb, and R⁻¹ column by column.
  Matrix3 rInverse{};
  for (size_t j = terms; j-- > 0;) {
    if (a[j][j] == 0) throw InputError("the minima do not determine the ephemeris");
    long double s = b[j];
    for (size_t k = j + 1; k < terms; ++k) s -= a[k][j] * c[k];
    c[j] = s / a[j][j];
  }
  for (size_t col = 0; col < terms; ++col)
    for (size_t j = terms; j-- > 0;) {
      long double s = j == col ? 1 : 0;
      for (size_t k = j + 1; k < terms; ++k) s -= a[k][j] * rInverse[k][col];
      rInverse[j][col] = s / a[j][j];
    }
  for (size_t i = 0; i < terms; ++i)
    for (size_t j = 0; j < terms; ++j)
      for (size_t k = 0; k < terms; ++k) cov[i][j] += rInverse[i][k] * rInverse[j][k];
}

// The residuals of every minimum, χ², the rms, and the factor of the covariance: (weighted) 1, or
// χ²/ν when above 1; (unweighted) χ²/ν, 0 without a degree of freedom.
long double Residuals(const std::vector<TimedMinimum>& minima, const std::vector<long double>& x,
                      const std::vector<size_t>& used, size_t terms, EphemerisFit& fit) {
  fit.residuals.resize(minima.size());
  for (size_t i = 0; i < minima.size(); ++i)
    fit.residuals[i] = minima[i].time - (fit.epoch + fit.period * x[i] + fit.quadraticTerm * x[i] * x[i]);
  long double sumSquares = 0;
  for (size_t i : used) {
    const long double r = fit.residuals[i];
    sumSquares += r * r;
    fit.chiSquare += fit.weighted ? (r / minima[i].error) * (r / minima[i].error) : r * r;
  }
  fit.used = static_cast<int32_t>(used.size());
  fit.degreesOfFreedom = static_cast<int32_t>(used.size() - terms);
  fit.rms = std::sqrt(sumSquares / static_cast<long double>(used.size()));
  if (fit.weighted) {
    if (fit.degreesOfFreedom > 0 && fit.chiSquare > fit.degreesOfFreedom) {
      fit.errorScale = std::sqrt(fit.chiSquare / fit.degreesOfFreedom);
      return fit.chiSquare / fit.degreesOfFreedom;
    }
    return 1;
  }
  if (fit.degreesOfFreedom > 0) return fit.chiSquare / fit.degreesOfFreedom;
  fit.errorsKnown = false;
  return 0;
}

}  // namespace

EphemerisFit FitEphemeris(const std::vector<TimedMinimum>& minima, const std::vector<long double>& cycles,
                          bool quadratic, long double secondaryPhase) {
  CheckFinite(minima);
  const size_t terms = quadratic ? 3 : 2;
  EphemerisFit fit;
  fit.quadratic = quadratic;
  fit.cycles = cycles;
  std::vector<long double> x(minima.size());
  for (size_t i = 0; i < minima.size(); ++i) x[i] = Argument(cycles[i], KindOf(minima[i]), secondaryPhase);
  const std::vector<size_t> used = MinimaInFit(minima, x, terms);
  fit.weighted = std::all_of(used.begin(), used.end(), [&](size_t i) { return minima[i].error > 0; });

  // Counted from the mean argument and the first time, so that R's entries stay of one size.
  long double xm = 0;
  for (size_t i : used) xm += x[i];
  xm /= static_cast<long double>(used.size());
  const long double t0 = minima[used.front()].time;
  std::array<long double, 3> c{};
  Matrix3 cov{};
  SolveCentred(minima, x, used, fit.weighted, xm, t0, terms, c, cov);

  // T = t0 + c0 + c1·(x − xm) + c2·(x − xm)²: at x = 0 the epoch, the period and Q.
  fit.quadraticTerm = quadratic ? c[2] : 0;
  fit.period = c[1] - 2 * fit.quadraticTerm * xm;
  fit.epoch = t0 + c[0] - c[1] * xm + fit.quadraticTerm * xm * xm;
  // The same change of variables for the covariance: J = d(T0, P, Q)/d(c0, c1, c2).
  const Matrix3 jacobian{{{1, -xm, xm * xm}, {0, 1, -2 * xm}, {0, 0, 1}}};
  Matrix3 covariance{};
  for (size_t i = 0; i < terms; ++i)
    for (size_t j = 0; j < terms; ++j)
      for (size_t k = 0; k < terms; ++k)
        for (size_t l = 0; l < terms; ++l) covariance[i][j] += jacobian[i][k] * cov[k][l] * jacobian[j][l];

  const long double variance = Residuals(minima, x, used, terms, fit);
  auto error = [&](size_t i) { return std::sqrt(std::max<long double>(0, covariance[i][i] * variance)); };
  fit.epochError = error(0);
  fit.periodError = error(1);
  if (quadratic) {
    fit.quadraticError = error(2);
    fit.periodChange = 2 * fit.quadraticTerm;
    fit.periodChangeError = 2 * fit.quadraticError;
    // dP/dt = 2Q/P: d = (2/P)·dQ − (2Q/P²)·dP.
    const long double dq = 2 / fit.period, dp = -2 * fit.quadraticTerm / (fit.period * fit.period);
    fit.periodRate = 2 * fit.quadraticTerm / fit.period;
    fit.periodRateError = std::sqrt(std::max<long double>(
        0, variance *
               (dq * dq * covariance[2][2] + dp * dp * covariance[1][1] + 2 * dq * dp * covariance[1][2])));
  }
  return fit;
}

}  // namespace ombrane
