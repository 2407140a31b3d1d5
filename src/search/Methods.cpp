#include "search/Methods.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "common/InputError.h"

namespace ombrane {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTwoPi = 2 * std::numbers::pi;

// Trials per block: long enough that seeding the phase factors of a block costs little against
// its trials, short enough that the rotation of the factors gathers no visible rounding.
constexpr int64_t kBlockTrials = 128;

// The observations made ready for the sums: times from their mean (which keeps the products
// frequency × time small), weights scaled to sum to 1, magnitudes from their weighted mean.
struct Prepared {
  size_t n = 0;
  double tMin = 0;
  std::vector<double> tau;  // t − mean t
  std::vector<double> w;    // Σw = 1
  std::vector<double> y;    // y − Σw·y
  std::vector<double> wy;   // w·y
  double yy = 0;            // Σ w·y², the scatter about the mean
};

Prepared Prepare(const Observations& data, size_t least) {
  const size_t n = data.t.size();
  if (data.y.size() != n || (!data.w.empty() && data.w.size() != n))
    throw InputError("The times, magnitudes and weights must be as many.");
  if (n < least)
    throw InputError("The method needs at least " + std::to_string(least) + " observations, not " +
                     std::to_string(n) + ".");
  Prepared p;
  p.n = n;
  double tSum = 0, wSum = 0;
  p.tMin = data.t.empty() ? 0 : data.t[0];
  for (size_t i = 0; i < n; ++i) {
    const double wi = data.w.empty() ? 1.0 : data.w[i];
    if (!std::isfinite(data.t[i]) || !std::isfinite(data.y[i]))
      throw InputError("A time or magnitude is not a finite number.");
    if (!(wi > 0) || !std::isfinite(wi)) throw InputError("A weight is not a positive finite number.");
    tSum += data.t[i];
    wSum += wi;
    p.tMin = std::min(p.tMin, data.t[i]);
  }
  const double tMean = tSum / static_cast<double>(n);
  p.tau.resize(n);
  p.w.resize(n);
  p.y.resize(n);
  p.wy.resize(n);
  double mean = 0;
  for (size_t i = 0; i < n; ++i) {
    p.tau[i] = data.t[i] - tMean;
    p.w[i] = (data.w.empty() ? 1.0 : data.w[i]) / wSum;
    mean += p.w[i] * data.y[i];
  }
  double largest = 0;
  for (size_t i = 0; i < n; ++i) {
    p.y[i] = data.y[i] - mean;
    p.wy[i] = p.w[i] * p.y[i];
    p.yy += p.wy[i] * p.y[i];
    largest = std::max(largest, std::fabs(data.y[i]));
  }
  // Magnitudes equal to rounding have no scatter to explain: every trial is undefined.
  if (!(std::sqrt(p.yy) > 1e-12 * largest)) p.yy = 0;
  return p;
}

// cos and sin of 2π·f·τ for every observation, trial after trial: exact at the first trial of a
// block; then, on a grid even in frequency, rotated by 2π·Δf·τ per trial, else formed anew.
class PhaseFactors {
 public:
  void Seed(const Prepared& p, const TrialGrid& grid, int64_t k) {
    c.resize(p.n);
    s.resize(p.n);
    const double f = grid.Frequency(k);
    for (size_t i = 0; i < p.n; ++i) CosSin(f * p.tau[i], c[i], s[i]);
    if (!grid.EvenInFrequency()) return;
    dc.resize(p.n);
    ds.resize(p.n);
    for (size_t i = 0; i < p.n; ++i) CosSin(grid.increment * p.tau[i], dc[i], ds[i]);
  }
  void Next(const Prepared& p, const TrialGrid& grid, int64_t k) {
    if (!grid.EvenInFrequency()) {
      Seed(p, grid, k);
      return;
    }
    for (size_t i = 0; i < p.n; ++i) {
      const double ci = c[i], si = s[i];
      c[i] = ci * dc[i] - si * ds[i];
      s[i] = ci * ds[i] + si * dc[i];
    }
  }
  std::vector<double> c, s;

 private:
  // cos and sin of 2π·cycles, the whole cycles taken off first for an exact argument.
  static void CosSin(double cycles, double& cosine, double& sine) {
    const double x = kTwoPi * (cycles - std::nearbyint(cycles));
    cosine = std::cos(x);
    sine = std::sin(x);
  }
  std::vector<double> dc, ds;
};

MethodScores Cancelled() {
  MethodScores scores;
  scores.cancelled = true;
  return scores;
}

TrialRun BlockedRun(const TrialRun& run, const TrialGrid& grid) {
  TrialRun blocked = run;
  blocked.count = grid.count;
  blocked.blockSize = kBlockTrials;
  return blocked;
}

// Solves the normal equations A·x = r of a weighted least-squares fit by Cholesky and returns
// rᵀA⁻¹r, the weighted sum of squares the fit explains; NaN when A is not positive definite to
// working precision (the basis is degenerate at this frequency).
double ExplainedSquares(std::vector<long double>& a, std::vector<long double>& r, int d) {
  for (int j = 0; j < d; ++j) {
    long double diagonal = a[static_cast<size_t>(j * d + j)];
    for (int k = 0; k < j; ++k)
      diagonal -= a[static_cast<size_t>(j * d + k)] * a[static_cast<size_t>(j * d + k)];
    if (!(diagonal > 1e-13L)) return kNaN;
    const long double root = std::sqrt(diagonal);
    a[static_cast<size_t>(j * d + j)] = root;
    for (int i = j + 1; i < d; ++i) {
      long double x = a[static_cast<size_t>(i * d + j)];
      for (int k = 0; k < j; ++k) x -= a[static_cast<size_t>(i * d + k)] * a[static_cast<size_t>(j * d + k)];
      a[static_cast<size_t>(i * d + j)] = x / root;
    }
  }
  long double explained = 0;
  for (int i = 0; i < d; ++i) {
    long double x = r[static_cast<size_t>(i)];
    for (int k = 0; k < i; ++k) x -= a[static_cast<size_t>(i * d + k)] * r[static_cast<size_t>(k)];
    x /= a[static_cast<size_t>(i * d + i)];
    r[static_cast<size_t>(i)] = x;
    explained += x * x;
  }
  return static_cast<double>(explained);
}

}  // namespace

MethodScores GlsPowers(const Observations& data, const TrialGrid& grid, const TrialRun& run) {
  const Prepared p = Prepare(data, 3);
  MethodScores out;
  out.score.assign(static_cast<size_t>(grid.count), kNaN);
  if (!(p.yy > 0)) return out;
  const TrialRun blocked = BlockedRun(run, grid);
  std::vector<PhaseFactors> factors(WorkerCount(blocked));
  const bool completed = RunTrialBlocks(blocked, [&](int64_t first, int64_t end, unsigned worker) {
    PhaseFactors& f = factors[worker];
    for (int64_t k = first; k < end; ++k) {
      if (k == first)
        f.Seed(p, grid, k);
      else
        f.Next(p, grid, k);
      // Zechmeister & Kürster (2009), eqs. 5–13, with Σw = 1 and Y = Σw·y = 0.
      double sumC = 0, sumS = 0, sumYC = 0, sumYS = 0, sumCC = 0, sumCS = 0;
      const double* c = f.c.data();
      const double* s = f.s.data();
      for (size_t i = 0; i < p.n; ++i) {
        const double wc = p.w[i] * c[i];
        sumC += wc;
        sumS += p.w[i] * s[i];
        sumYC += p.wy[i] * c[i];
        sumYS += p.wy[i] * s[i];
        sumCC += wc * c[i];
        sumCS += wc * s[i];
      }
      const double cc = sumCC - sumC * sumC;
      const double ss = (1 - sumCC) - sumS * sumS;
      const double cs = sumCS - sumC * sumS;
      const double d = cc * ss - cs * cs;
      if (!(d > 1e-15) || !(p.yy > 0)) continue;
      out.score[static_cast<size_t>(k)] =
          (ss * sumYC * sumYC + cc * sumYS * sumYS - 2 * cs * sumYC * sumYS) / (p.yy * d);
    }
  });
  if (!completed) return Cancelled();
  return out;
}

MethodScores MhaovStatistics(const Observations& data, const TrialGrid& grid, int harmonics,
                             const TrialRun& run) {
  if (harmonics < 1 || harmonics > 10) throw InputError("The number of harmonics must be from 1 to 10.");
  const int n = harmonics;
  const int d = 2 * n + 1;  // parameters of the fit: the mean and a cosine and a sine per harmonic
  const Prepared p = Prepare(data, static_cast<size_t>(d) + 1);
  const double factor = static_cast<double>(static_cast<int64_t>(p.n) - d) / (2.0 * n);
  MethodScores out;
  out.score.assign(static_cast<size_t>(grid.count), kNaN);
  if (!(p.yy > 0)) return out;
  const TrialRun blocked = BlockedRun(run, grid);
  std::vector<PhaseFactors> factors(WorkerCount(blocked));
  const bool completed = RunTrialBlocks(blocked, [&](int64_t first, int64_t end, unsigned worker) {
    PhaseFactors& f = factors[worker];
    // Σw·cos(mωt), Σw·sin(mωt) for m = 0 .. 2n; Σw·y·cos(mωt), Σw·y·sin(mωt) for m = 1 .. n.
    std::vector<double> sc(static_cast<size_t>(2 * n + 1)), ss(static_cast<size_t>(2 * n + 1));
    std::vector<double> yc(static_cast<size_t>(n + 1)), ys(static_cast<size_t>(n + 1));
    std::vector<long double> a(static_cast<size_t>(d * d)), r(static_cast<size_t>(d));
    for (int64_t k = first; k < end; ++k) {
      if (k == first)
        f.Seed(p, grid, k);
      else
        f.Next(p, grid, k);
      std::fill(sc.begin(), sc.end(), 0.0);
      std::fill(ss.begin(), ss.end(), 0.0);
      std::fill(yc.begin(), yc.end(), 0.0);
      std::fill(ys.begin(), ys.end(), 0.0);
      for (size_t i = 0; i < p.n; ++i) {
        const double c1 = f.c[i], s1 = f.s[i];
        double cm = c1, sm = s1;  // cos and sin of m·ωt, by powers of e^{iωt}
        for (int m = 1; m <= 2 * n; ++m) {
          sc[static_cast<size_t>(m)] += p.w[i] * cm;
          ss[static_cast<size_t>(m)] += p.w[i] * sm;
          if (m <= n) {
            yc[static_cast<size_t>(m)] += p.wy[i] * cm;
            ys[static_cast<size_t>(m)] += p.wy[i] * sm;
          }
          const double next = cm * c1 - sm * s1;
          sm = cm * s1 + sm * c1;
          cm = next;
        }
      }
      sc[0] = 1;  // Σw
      ss[0] = 0;
      // The normal matrix of the basis 1, cos ωt, sin ωt, ..., cos nωt, sin nωt from the sums by
      // the product formulas of cosines and sines.
      auto C = [&](int m) -> long double { return sc[static_cast<size_t>(std::abs(m))]; };
      auto S = [&](int m) -> long double {
        return m >= 0 ? ss[static_cast<size_t>(m)] : -static_cast<long double>(ss[static_cast<size_t>(-m)]);
      };
      auto at = [&](int i, int j) -> long double& { return a[static_cast<size_t>(i * d + j)]; };
      at(0, 0) = 1;
      r[0] = 0;
      for (int j = 1; j <= n; ++j) {
        at(2 * j - 1, 0) = C(j);
        at(2 * j, 0) = S(j);
        r[static_cast<size_t>(2 * j - 1)] = yc[static_cast<size_t>(j)];
        r[static_cast<size_t>(2 * j)] = ys[static_cast<size_t>(j)];
        for (int m = 1; m <= j; ++m) {
          at(2 * j - 1, 2 * m - 1) = (C(j - m) + C(j + m)) / 2;         // cos j · cos m
          at(2 * j, 2 * m) = (C(j - m) - C(j + m)) / 2;                 // sin j · sin m
          at(2 * j, 2 * m - 1) = (S(j + m) + S(j - m)) / 2;             // sin j · cos m
          if (m < j) at(2 * j - 1, 2 * m) = (S(m + j) + S(m - j)) / 2;  // cos j · sin m
        }
      }
      const double explained = ExplainedSquares(a, r, d);
      const double residual = p.yy - explained;
      if (!(residual > 1e-14 * p.yy) || !std::isfinite(explained)) continue;
      out.score[static_cast<size_t>(k)] = factor * explained / residual;
    }
  });
  if (!completed) return Cancelled();
  return out;
}

MethodScores PdmThetas(const Observations& data, const TrialGrid& grid, int bins, int covers,
                       const TrialRun& run) {
  if (bins < 2) throw InputError("PDM needs at least 2 phase bins.");
  if (covers < 1) throw InputError("PDM needs at least 1 cover.");
  if (static_cast<int64_t>(bins) * covers > 1000)
    throw InputError("PDM takes at most 1000 bins times covers.");
  const Prepared p = Prepare(data, static_cast<size_t>(bins) + 1);
  const int cells = bins * covers;  // the narrow cells the staggered bins are made of
  // Weights scaled to a mean of 1, so that the unweighted case is Stellingwerf's own.
  const double scale = static_cast<double>(p.n);
  const double total = p.yy * scale / static_cast<double>(p.n - 1);  // σ²
  MethodScores out;
  out.score.assign(static_cast<size_t>(grid.count), kNaN);
  if (!(total > 0)) return out;
  TrialRun blocked = BlockedRun(run, grid);
  struct Cells {
    std::vector<int64_t> count;
    std::vector<double> w, wy, wyy;
  };
  std::vector<Cells> scratch(WorkerCount(blocked));
  const bool completed = RunTrialBlocks(blocked, [&](int64_t first, int64_t end, unsigned worker) {
    Cells& cell = scratch[worker];
    cell.count.resize(static_cast<size_t>(cells));
    cell.w.resize(static_cast<size_t>(cells));
    cell.wy.resize(static_cast<size_t>(cells));
    cell.wyy.resize(static_cast<size_t>(cells));
    for (int64_t k = first; k < end; ++k) {
      const double f = grid.Frequency(k);
      std::fill(cell.count.begin(), cell.count.end(), 0);
      std::fill(cell.w.begin(), cell.w.end(), 0.0);
      std::fill(cell.wy.begin(), cell.wy.end(), 0.0);
      std::fill(cell.wyy.begin(), cell.wyy.end(), 0.0);
      for (size_t i = 0; i < p.n; ++i) {
        const double x = f * (data.t[i] - p.tMin);
        const double phase = x - std::floor(x);
        const int u = std::min(static_cast<int>(phase * cells), cells - 1);
        const double wi = p.w[i] * scale;
        cell.count[static_cast<size_t>(u)] += 1;
        cell.w[static_cast<size_t>(u)] += wi;
        cell.wy[static_cast<size_t>(u)] += wi * p.y[i];
        cell.wyy[static_cast<size_t>(u)] += wi * p.y[i] * p.y[i];
      }
      // Bin b of cover j gathers the cells b·covers + j ... b·covers + j + covers − 1 (round
      // the circle of phase).
      double within = 0;
      int64_t filled = 0;
      for (int j = 0; j < covers; ++j) {
        for (int b = 0; b < bins; ++b) {
          int64_t count = 0;
          double w = 0, wy = 0, wyy = 0;
          for (int m = 0; m < covers; ++m) {
            const size_t u = static_cast<size_t>((b * covers + j + m) % cells);
            count += cell.count[u];
            w += cell.w[u];
            wy += cell.wy[u];
            wyy += cell.wyy[u];
          }
          if (count == 0) continue;
          ++filled;
          within += std::max(0.0, wyy - wy * wy / w);
        }
      }
      const int64_t freedom = static_cast<int64_t>(p.n) * covers - filled;
      if (freedom <= 0) continue;
      out.score[static_cast<size_t>(k)] = within / static_cast<double>(freedom) / total;
    }
  });
  if (!completed) return Cancelled();
  return out;
}

MethodScores BlsPowers(const Observations& data, const TrialGrid& grid, const std::vector<double>& durations,
                       const TrialRun& run) {
  if (durations.empty()) throw InputError("Box least squares needs at least one duration.");
  for (double q : durations)
    if (!(q > 0 && q <= 0.5))
      throw InputError("The durations of box least squares are fractions of the period from above 0 to 0.5.");
  const Prepared p = Prepare(data, 3);
  const double qMin = *std::min_element(durations.begin(), durations.end());
  // The weights as given (1 without errors): the power is a log-likelihood in their units.
  std::vector<double> ivar(p.n), yIvar(p.n);
  double sumIvar = 0, sumY = 0;
  for (size_t i = 0; i < p.n; ++i) {
    ivar[i] = data.w.empty() ? 1.0 : data.w[i];
    // Brighter is up: a dimming lowers −magnitude.
    yIvar[i] = -p.y[i] * ivar[i];
    sumIvar += ivar[i];
    sumY += yIvar[i];
  }
  constexpr double kEmpty = std::numeric_limits<double>::epsilon();
  MethodScores out;
  const size_t count = static_cast<size_t>(grid.count);
  out.score.assign(count, kNaN);
  out.duration.assign(count, kNaN);
  out.depth.assign(count, kNaN);
  out.epoch.assign(count, kNaN);
  TrialRun blocked = BlockedRun(run, grid);
  struct Cells {
    std::vector<double> y, ivar;
  };
  std::vector<Cells> scratch(WorkerCount(blocked));
  const bool completed = RunTrialBlocks(blocked, [&](int64_t first, int64_t end, unsigned worker) {
    Cells& cell = scratch[worker];
    for (int64_t k = first; k < end; ++k) {
      const double period = grid.Period(k);
      const double width = qMin * period / kBlsOversample;  // one phase cell, days
      const int cells = static_cast<int>(std::ceil(period / width)) + kBlsOversample;
      cell.y.assign(static_cast<size_t>(cells) + 1, 0.0);
      cell.ivar.assign(static_cast<size_t>(cells) + 1, 0.0);
      for (size_t i = 0; i < p.n; ++i) {
        const double x = data.t[i] - p.tMin;
        const double wrapped = x - period * std::floor(x / period);
        const size_t u = static_cast<size_t>(wrapped / width) + 1;
        cell.y[u] += yIvar[i];
        cell.ivar[u] += ivar[i];
      }
      // The first cells again after the last, so that a box may run over phase 1; then the
      // running sums, whose differences are the sums over a box.
      // The data fill the cells 1 .. cells − kBlsOversample.
      for (int m = 1; m <= kBlsOversample; ++m) {
        cell.y[static_cast<size_t>(cells - kBlsOversample + m)] = cell.y[static_cast<size_t>(m)];
        cell.ivar[static_cast<size_t>(cells - kBlsOversample + m)] = cell.ivar[static_cast<size_t>(m)];
      }
      for (int m = 1; m <= cells; ++m) {
        cell.y[static_cast<size_t>(m)] += cell.y[static_cast<size_t>(m - 1)];
        cell.ivar[static_cast<size_t>(m)] += cell.ivar[static_cast<size_t>(m - 1)];
      }
      double best = -std::numeric_limits<double>::infinity();
      for (double q : durations) {
        const int span = static_cast<int>(std::round(q * period / width));
        for (int start = 0; start <= cells - span; ++start) {
          const double inIvar =
              cell.ivar[static_cast<size_t>(start + span)] - cell.ivar[static_cast<size_t>(start)];
          const double outIvar = sumIvar - inIvar;
          if (inIvar < kEmpty || outIvar < kEmpty) continue;
          const double in =
              (cell.y[static_cast<size_t>(start + span)] - cell.y[static_cast<size_t>(start)]) / inIvar;
          const double outside = (sumY - in * inIvar) / outIvar;
          const double depth = outside - in;
          const double power = 0.5 * inIvar * depth * depth;
          if (depth >= 0 && power > best) {
            best = power;
            out.score[static_cast<size_t>(k)] = power;
            out.duration[static_cast<size_t>(k)] = span * width;
            out.depth[static_cast<size_t>(k)] = depth;
            out.epoch[static_cast<size_t>(k)] = p.tMin + start * width + 0.5 * span * width;
          }
        }
      }
    }
  });
  if (!completed) return Cancelled();
  return out;
}

}  // namespace ombrane
