#include "timing/EclipseTiming.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "common/InputError.h"

namespace ombrane {

namespace {

// The observations interpolated linearly onto 2n − 1 equidistant points from the first time to
// the last: r = 2 grid steps a mean observation step.
struct Grid {
  double start = 0, step = 0;
  std::vector<double> u;
  // False where the grid point falls in a gap of the observations (an interval over three times
  // the median one): a straight line across a gap is no observation, and pairs with such a
  // point are left out of the sums.
  std::vector<char> valid;
};

Grid Interpolate(std::span<const double> t, std::span<const double> m) {
  const size_t n = t.size();
  Grid grid;
  const size_t g = 2 * n - 1;
  grid.start = t[0];
  grid.step = (t[n - 1] - t[0]) / static_cast<double>(g - 1);
  grid.u.resize(g);
  grid.valid.assign(g, 1);
  std::vector<double> intervals;
  for (size_t i = 1; i < n; ++i) intervals.push_back(t[i] - t[i - 1]);
  const auto middle = intervals.begin() + static_cast<std::ptrdiff_t>(intervals.size() / 2);
  std::nth_element(intervals.begin(), middle, intervals.end());
  const double gap = 3 * *middle;
  size_t p = 1;
  for (size_t k = 0; k < g; ++k) {
    const double tk = k + 1 == g ? t[n - 1] : grid.start + static_cast<double>(k) * grid.step;
    while (p < n - 1 && t[p] < tk) ++p;
    const double dx = t[p] - t[p - 1];
    const double w = dx > 0 ? (tk - t[p - 1]) / dx : 1;
    grid.u[k] = m[p - 1] + (m[p] - m[p - 1]) * std::clamp(w, 0.0, 1.0);
    grid.valid[k] = dx <= gap || tk == t[p - 1] || tk == t[p];
  }
  return grid;
}

// The mean squared difference of the reflected pairs j = 1 .. pairs about grid point k, over the
// pairs whose two points are both valid (`count` of them). With every point valid it is S / pairs,
// the classic sum of the same pairs at every trial time; across gaps a mean of the pairs there are
// keeps trial times with fewer pairs from looking better (which dragged the minimum to the edge).
double ReflectionMean(const Grid& grid, size_t k, size_t pairs, size_t& count) {
  double s = 0;
  count = 0;
  for (size_t j = 1; j <= pairs; ++j) {
    if (!grid.valid[k - j] || !grid.valid[k + j]) continue;
    const double d = grid.u[k - j] - grid.u[k + j];
    s += d * d;
    ++count;
  }
  // Too few pairs say nothing: such a trial time cannot win.
  return count >= std::max<size_t>(3, pairs / 4) ? s / static_cast<double>(count) : HUGE_VAL;
}

struct Vertex {
  bool found = false;
  double time = 0;       // the vertex
  double curvature = 0;  // a of S(T) = a T² + b T + c in time units, S the sum of the pairs used
  double smallest = 0;   // S at the vertex (c − b²/4a)
  size_t pairsUsed = 0;  // at the trial time nearest the vertex
  bool atEdge = false;
};

// The smallest reflection sum among the trial points [first, last] (each of `pairs` pairs) and
// the least-squares parabola through `folds` sums round it.
Vertex FitVertex(const Grid& grid, size_t pairs, size_t first, size_t last, int folds) {
  Vertex v;
  const size_t g = grid.u.size();
  const size_t q = static_cast<size_t>(folds / 2);
  if (pairs + q > g - 1 - pairs - q || last < first) return v;
  size_t best = first, count = 0;
  double smallest = ReflectionMean(grid, first, pairs, count);
  for (size_t k = first + 1; k <= last; ++k) {
    const double s = ReflectionMean(grid, k, pairs, count);
    if (s < smallest) smallest = s, best = k;
  }
  if (!std::isfinite(smallest)) return v;
  v.atEdge = (best == first && first == pairs) || (best == last && last == g - 1 - pairs);
  const size_t centre = std::clamp(best, pairs + q, g - 1 - pairs - q);
  // x in grid steps from the centre: Σx = Σx³ = 0 leaves b = Σx S / Σx² and a 2 × 2 for a, c.
  double s0 = 0, s1 = 0, s2 = 0, x2 = 0, x4 = 0;
  for (size_t k = centre - q; k <= centre + q; ++k) {
    const double x = static_cast<double>(k) - static_cast<double>(centre);
    const double s = ReflectionMean(grid, k, pairs, count);
    if (!std::isfinite(s)) return v;
    s0 += s;
    s1 += x * s;
    s2 += x * x * s;
    x2 += x * x;
    x4 += x * x * x * x;
  }
  ReflectionMean(grid, centre, pairs, v.pairsUsed);
  const double n = static_cast<double>(2 * q + 1);
  const double det = x4 * n - x2 * x2;
  const double a = (n * s2 - x2 * s0) / det;
  const double b = s1 / x2;
  const double c = (x4 * s0 - x2 * s2) / det;
  if (!(a > 0)) return v;
  const double vertex = -b / (2 * a);
  v.found = true;
  v.time = grid.start + (static_cast<double>(centre) + vertex) * grid.step;
  const double used = static_cast<double>(v.pairsUsed);
  v.curvature = used * a / (grid.step * grid.step);
  v.smallest = used * (c - b * b / (4 * a));
  return v;
}

// The residual of each point about the cubic through its two neighbours on either side (Lagrange
// interpolation at its time), scaled to the variance of one observation: e / √(1 + Σ w²), w the
// four interpolation weights. A cubic follows the bend of an eclipse far better than a line, so
// that the residuals measure the noise and not the curve's shape.
std::vector<double> NeighbourResiduals(std::span<const double> t, std::span<const double> m) {
  std::vector<double> residuals;
  for (size_t i = 2; i + 2 < t.size(); ++i) {
    const size_t near[4] = {i - 2, i - 1, i + 1, i + 2};
    double predicted = 0, weights = 0;
    bool distinct = true;
    for (size_t a = 0; a < 4 && distinct; ++a) {
      double w = 1;
      for (size_t b = 0; b < 4; ++b) {
        if (a == b) continue;
        const double span = t[near[a]] - t[near[b]];
        if (span == 0) distinct = false;
        w *= (t[i] - t[near[b]]) / span;
      }
      predicted += w * m[near[a]];
      weights += w * w;
    }
    if (!distinct || !std::isfinite(predicted)) continue;
    residuals.push_back((m[i] - predicted) / std::sqrt(1 + weights));
  }
  return residuals;
}

// The least-squares parabola through the faintest points: its vertex and the vertex's error from
// the fit's covariance (the residuals' variance, or the noise when it is larger or the fit has no
// degree of freedom).
bool FaintestParabola(std::span<const double> t, std::span<const double> m, double noise, double& time,
                      double& error) {
  const size_t n = t.size();
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return m[a] > m[b]; });
  // The points in the lower half of the eclipse's depth (between the brightest and the faintest
  // magnitude): a parabola fits the bottom, not the shoulders and the level outside. At least 3.
  const double threshold = 0.5 * (m[order.front()] + m[order.back()]);
  size_t k = 0;
  while (k < n && m[order[k]] >= threshold) ++k;
  k = std::max<size_t>(k, 3);
  order.resize(k);
  double mean = 0;
  for (size_t i : order) mean += t[i] / static_cast<double>(k);
  // Normal equations in x = t − mean: columns 1, x, x².
  double s[5] = {0, 0, 0, 0, 0}, r[3] = {0, 0, 0};
  for (size_t i : order) {
    const double x = t[i] - mean;
    double p = 1;
    for (double& sp : s) sp += p, p *= x;
    r[0] += m[i], r[1] += x * m[i], r[2] += x * x * m[i];
  }
  // Solve by Cramer's rule on the symmetric 3 × 3 [[s0 s1 s2] [s1 s2 s3] [s2 s3 s4]].
  const double m00 = s[0], m01 = s[1], m02 = s[2], m11 = s[2], m12 = s[3], m22 = s[4];
  const double det =
      m00 * (m11 * m22 - m12 * m12) - m01 * (m01 * m22 - m12 * m02) + m02 * (m01 * m12 - m11 * m02);
  if (!(std::fabs(det) > 0)) return false;
  // The inverse (symmetric).
  const double i00 = (m11 * m22 - m12 * m12) / det, i01 = (m02 * m12 - m01 * m22) / det,
               i02 = (m01 * m12 - m02 * m11) / det, i11 = (m00 * m22 - m02 * m02) / det,
               i12 = (m01 * m02 - m00 * m12) / det, i22 = (m00 * m11 - m01 * m01) / det;
  const double alpha = i00 * r[0] + i01 * r[1] + i02 * r[2];
  const double beta = i01 * r[0] + i11 * r[1] + i12 * r[2];
  const double gamma = i02 * r[0] + i12 * r[1] + i22 * r[2];
  if (!(gamma < 0)) return false;  // magnitudes: the eclipse is a maximum
  const double x0 = -beta / (2 * gamma);
  time = mean + x0;
  double rss = 0;
  for (size_t i : order) {
    const double x = t[i] - mean;
    const double d = m[i] - (alpha + beta * x + gamma * x * x);
    rss += d * d;
  }
  const double variance = k > 3 ? std::max(rss / static_cast<double>(k - 3), noise * noise) : noise * noise;
  const double gb = -1 / (2 * gamma), gg = beta / (2 * gamma * gamma);
  error = std::sqrt(std::max(0.0, variance * (gb * gb * i11 + 2 * gb * gg * i12 + gg * gg * i22)));
  return true;
}

// Whether `time` lies outside the span of the faintest third of the points (at least 3), which
// should straddle a minimum.
bool OutsideFaintest(std::span<const double> t, std::span<const double> m, double time) {
  const size_t n = t.size();
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  const size_t faint = std::min(n, std::max<size_t>(3, n / 3));
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(faint), order.end(),
                    [&](size_t a, size_t b) { return m[a] > m[b]; });
  double lo = t[order[0]], hi = t[order[0]];
  for (size_t i = 0; i < faint; ++i) lo = std::min(lo, t[order[i]]), hi = std::max(hi, t[order[i]]);
  return time < lo || time > hi;
}

}  // namespace

double NoiseOfNeighbours(std::span<const double> t, std::span<const double> m) {
  std::vector<double> residuals = NeighbourResiduals(t, m);
  if (residuals.empty()) return 0;
  for (double& r : residuals) r = std::fabs(r);
  const auto middle = residuals.begin() + static_cast<std::ptrdiff_t>(residuals.size() / 2);
  std::nth_element(residuals.begin(), middle, residuals.end());
  return 1.4826 * *middle;
}

EclipseTime TimeEclipse(std::span<const double> t, std::span<const double> m,
                        const EclipseTimingOptions& options) {
  EclipseTime result;
  const size_t n = t.size();
  result.points = static_cast<int32_t>(n);
  if (n < 3) {
    result.failure = "fewer than 3 points";
    return result;
  }
  result.noise = options.noise.value_or(NoiseOfNeighbours(t, m));
  const bool parabola = FaintestParabola(t, m, result.noise, result.parabolaTime, result.parabolaError);
  const Grid grid = n >= 9 ? Interpolate(t, m) : Grid{};
  const size_t g = grid.u.size();
  const size_t pairs = g > 0 ? (g - 1) / 4 : 0;  // the same pairs at every trial time of the middle half
  const int folds = std::clamp(options.folds | 1, 3, 9);
  const Vertex vertex = n >= 9 ? FitVertex(grid, pairs, pairs, g - 1 - pairs, folds) : Vertex{};
  // Too few points for the sums, or too few pairs across the gaps: the parabola times it.
  if (!vertex.found) {
    if (!parabola) {
      result.failure = "the points do not form a minimum";
      return result;
    }
    result.timed = true;
    result.gapped = n >= 9;  // enough points, but the gaps left too few pairs
    result.method = EclipseMethod::Parabola;
    result.time = result.parabolaTime;
    result.error = result.parabolaError;
    result.outsideFaintest = OutsideFaintest(t, m, result.time);
    return result;
  }

  result.timed = true;
  result.time = vertex.time;
  result.atEdge = vertex.atEdge;
  // r = 2 grid points a mean observation step; Z = pairs / 2 independent observation pairs.
  constexpr double kDuplication = 2;
  const double z = static_cast<double>(vertex.pairsUsed) / kDuplication;
  if (vertex.smallest > 0 && z > 1)
    result.classicError = std::sqrt(vertex.smallest / (vertex.curvature * (z - 1)));
  result.chiSquareError = std::sqrt(2 * kDuplication * result.noise * result.noise / vertex.curvature);

  const std::vector<double> residuals =
      options.bootstrapDraws > 0 ? NeighbourResiduals(t, m) : std::vector<double>{};
  if (!residuals.empty()) {
    std::mt19937_64 random(options.seed);
    std::uniform_int_distribution<size_t> pick(0, residuals.size() - 1);
    std::vector<double> drawn(n);
    const size_t centre = static_cast<size_t>(std::lround((vertex.time - grid.start) / grid.step));
    const size_t reach = std::max<size_t>(4, g / 10);
    const size_t first = std::max(pairs, centre > reach ? centre - reach : 0);
    const size_t last = std::min(g - 1 - pairs, centre + reach);
    double sum = 0, squares = 0;
    int count = 0;
    for (int d = 0; d < options.bootstrapDraws; ++d) {
      for (size_t i = 0; i < n; ++i) drawn[i] = m[i] + residuals[pick(random)];
      const Vertex again = FitVertex(Interpolate(t, drawn), pairs, first, last, folds);
      if (!again.found) continue;
      const double dt = again.time - vertex.time;
      sum += dt;
      squares += dt * dt;
      ++count;
    }
    if (count > 1) {
      const double mean = sum / count;
      result.bootstrapError = std::sqrt(std::max(0.0, (squares - count * mean * mean) / (count - 1)));
    }
  }
  // The larger of the two: they agree on well-sampled eclipses, and where they do not (a few
  // points, noise that is not white) the larger is the honest one.
  result.error = std::max(result.chiSquareError, result.bootstrapError);

  result.outsideFaintest = OutsideFaintest(t, m, result.time);
  return result;
}

const char* CoverageName(Coverage coverage) {
  switch (coverage) {
    case Coverage::Both:
      return "both";
    case Coverage::IngressOnly:
      return "ingress";
    case Coverage::EgressOnly:
      return "egress";
    case Coverage::None:
      break;
  }
  return "none";
}

long double EclipseWidth(std::span<const long double> t, std::span<const long double> m, long double epoch,
                         long double period) {
  constexpr int kBins = 200;
  std::vector<double> sum(kBins, 0), count(kBins, 0);
  for (size_t i = 0; i < t.size(); ++i) {
    long double phase = (t[i] - epoch) / period;
    phase -= std::floor(phase + 0.5L);  // −½ … ½, the primary at 0
    const int bin = std::clamp(static_cast<int>(std::floor((phase + 0.5L) * kBins)), 0, kBins - 1);
    sum[static_cast<size_t>(bin)] += static_cast<double>(m[i]);
    count[static_cast<size_t>(bin)] += 1;
  }
  std::vector<double> means;
  std::vector<int> bins;
  for (int b = 0; b < kBins; ++b)
    if (count[static_cast<size_t>(b)] > 0) {
      means.push_back(sum[static_cast<size_t>(b)] / count[static_cast<size_t>(b)]);
      bins.push_back(b);
    }
  const long double fallback = period / 10;
  if (means.size() < 10) return fallback;
  std::vector<double> sorted = means;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2),
                   sorted.end());
  const double level = sorted[sorted.size() / 2];
  // The faintest bin within a quarter of a cycle of phase 0.
  size_t peak = means.size();
  for (size_t i = 0; i < means.size(); ++i)
    if (std::abs(bins[i] - kBins / 2) < kBins / 4 && (peak == means.size() || means[i] > means[peak]))
      peak = i;
  if (peak == means.size()) return fallback;
  std::vector<double> spread;
  for (double v : means) spread.push_back(std::fabs(v - level));
  std::nth_element(spread.begin(), spread.begin() + static_cast<std::ptrdiff_t>(spread.size() / 2),
                   spread.end());
  const double depth = means[peak] - level;
  if (!(depth > 5 * 1.4826 * spread[spread.size() / 2])) return fallback;
  const double threshold = level + 0.1 * depth;
  size_t left = peak, right = peak;
  while (left > 0 && means[left - 1] > threshold) --left;
  while (right + 1 < means.size() && means[right + 1] > threshold) ++right;
  const int half = std::max(bins[peak] - bins[left], bins[right] - bins[peak]) + 1;
  const long double width = 2.4L * half * period / kBins;
  return std::clamp(width, period / 100, period / 2);
}

Coverage CoverageOf(std::span<const double> t, std::span<const double> m) {
  if (t.empty()) return Coverage::None;
  // The branches meet at the faintest point: a timing pulled to the edge of a one-sided window
  // would split the one branch into two.
  const size_t bottom = static_cast<size_t>(std::max_element(m.begin(), m.end()) - m.begin());
  const double minimum = t[bottom];
  int before = 0, after = 0;
  double faintest = -std::numeric_limits<double>::infinity();
  double brightestBefore = std::numeric_limits<double>::infinity();
  double brightestAfter = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < t.size(); ++i) {
    faintest = std::max(faintest, m[i]);
    if (t[i] < minimum) {
      ++before;
      brightestBefore = std::min(brightestBefore, m[i]);
    } else if (t[i] > minimum) {
      ++after;
      brightestAfter = std::min(brightestAfter, m[i]);
    }
  }
  // How far each branch climbs from the bottom: a branch cut short (the start of the ingress
  // lost to a gap or the end of the data) climbs less than the one observed whole.
  const double riseBefore = before > 0 ? faintest - brightestBefore : 0;
  const double riseAfter = after > 0 ? faintest - brightestAfter : 0;
  const double rise = std::max(riseBefore, riseAfter);
  const bool ingress = before >= 2 && riseBefore >= kBranchShare * rise;
  const bool egress = after >= 2 && riseAfter >= kBranchShare * rise;
  return ingress && egress ? Coverage::Both
         : ingress         ? Coverage::IngressOnly
         : egress          ? Coverage::EgressOnly
                           : Coverage::None;
}

std::vector<TimedEclipse> TimeEveryEclipse(std::span<const long double> t, std::span<const long double> m,
                                           const EclipseSearch& search) {
  if (!(search.period > 0) || !std::isfinite(search.period)) throw InputError("the period must be above 0");
  if (search.width && !(*search.width > 0)) throw InputError("the width must be above 0");
  if (!(search.secondaryPhase > 0 && search.secondaryPhase < 1))
    throw InputError("the secondary phase must be above 0 and below 1");
  std::vector<TimedEclipse> eclipses;
  if (t.empty()) return eclipses;
  std::vector<size_t> order(t.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return t[a] < t[b]; });
  std::vector<long double> times(t.size()), mags(t.size());
  for (size_t i = 0; i < order.size(); ++i) times[i] = t[order[i]], mags[i] = m[order[i]];
  const long double width = search.width.value_or(EclipseWidth(times, mags, search.epoch, search.period));
  // One noise for every eclipse, from the whole series (mostly outside the eclipses, where the
  // curve is flat), unless given: a window of a few points cannot tell its noise from its shape.
  EclipseTimingOptions timing = search.timing;
  if (!timing.noise) {
    std::vector<double> dt(times.size()), dm(times.size());
    for (size_t i = 0; i < times.size(); ++i)
      dt[i] = static_cast<double>(times[i] - times.front()), dm[i] = static_cast<double>(mags[i]);
    if (const double noise = NoiseOfNeighbours(dt, dm); noise > 0) timing.noise = noise;
  }
  const long double firstCycle = std::floor((times.front() - search.epoch) / search.period) - 1;
  const long double lastCycle = std::ceil((times.back() - search.epoch) / search.period) + 1;
  if (lastCycle - firstCycle > 1e7L)
    throw InputError("the period makes more than 10000000 cycles over the data");

  std::vector<double> rt, rm;
  for (long double n = firstCycle; n <= lastCycle; ++n) {
    for (int kind = 0; kind < (search.secondaries ? 2 : 1); ++kind) {
      const long double offset = kind == 0 ? 0 : search.secondaryPhase;
      const long double predicted = search.epoch + (n + offset) * search.period;
      const auto from = std::lower_bound(times.begin(), times.end(), predicted - width / 2);
      const auto to = std::upper_bound(from, times.end(), predicted + width / 2);
      if (from == to) continue;
      TimedEclipse e;
      e.kind = kind == 0 ? MinimumKind::Primary : MinimumKind::Secondary;
      e.cycle = kind == 0 ? n : n + 0.5L;
      e.predicted = predicted;
      rt.clear();
      rm.clear();
      for (auto it = from; it != to; ++it) {
        const size_t i = static_cast<size_t>(it - times.begin());
        rt.push_back(static_cast<double>(times[i] - predicted));
        rm.push_back(static_cast<double>(mags[i]));
      }
      e.eclipse = TimeEclipse(rt, rm, timing);
      e.time = predicted + static_cast<long double>(e.eclipse.time);
      e.coverage = CoverageOf(rt, rm);
      std::vector<std::string> flags;
      if (e.eclipse.points < 9) flags.emplace_back("few-points");
      if (e.coverage != Coverage::Both) flags.emplace_back("one-sided");
      if (e.eclipse.gapped) flags.emplace_back("gapped");
      if (e.eclipse.timed && (e.eclipse.atEdge || e.eclipse.outsideFaintest)) flags.emplace_back("edge");
      if (e.eclipse.timed && e.eclipse.method == EclipseMethod::KweeVanWoerden &&
          e.eclipse.parabolaError > 0) {
        const double both = std::hypot(e.eclipse.error, e.eclipse.parabolaError);
        if (std::fabs(e.eclipse.time - e.eclipse.parabolaTime) > 3 * both) flags.emplace_back("disagree");
      }
      if (!e.eclipse.timed) flags.emplace_back("failed");
      for (const std::string& f : flags) e.flag.append(e.flag.empty() ? "" : ";").append(f);
      eclipses.push_back(std::move(e));
    }
  }
  std::stable_sort(eclipses.begin(), eclipses.end(),
                   [](const TimedEclipse& a, const TimedEclipse& b) { return a.predicted < b.predicted; });
  return eclipses;
}

std::vector<TimedEclipse> TimeEveryEclipse(const Data& data, const EclipseSearch& search) {
  const auto count = static_cast<size_t>(std::max(RealCount(data), 0));
  return TimeEveryEclipse(std::span<const long double>(data.jd.data(), count),
                          std::span<const long double>(data.mag.data(), count), search);
}

}  // namespace ombrane
