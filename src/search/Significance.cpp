#include "search/Significance.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "phase/FDistribution.h"

namespace ombrane {

long double GlsSingleProbability(long double z, int64_t n) {
  if (!(z < 1)) return 0;
  if (!(z > 0)) return 1;
  return std::exp(0.5L * static_cast<long double>(n - 3) * std::log1p(-z));
}

double EffectiveTimeSpan(const std::vector<double>& t, const std::vector<double>& w) {
  long double sw = 0, st = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const long double wi = w.empty() ? 1 : w[i];
    sw += wi;
    st += wi * t[i];
  }
  if (!(sw > 0)) return 0;
  const long double mean = st / sw;
  long double var = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const long double wi = w.empty() ? 1 : w[i];
    var += wi * (t[i] - mean) * (t[i] - mean);
  }
  return static_cast<double>(std::sqrt(4 * std::numbers::pi_v<long double> * var / sw));
}

long double GlsFalseAlarm(long double z, int64_t n, double bandwidth, double effectiveSpan) {
  const long double single = GlsSingleProbability(z, n);
  if (!(z > 0 && z < 1)) return single;
  const long double nh = static_cast<long double>(n - 1);
  const long double gamma = std::sqrt(2 / nh) * std::exp(std::lgamma(nh / 2) - std::lgamma((nh - 1) / 2));
  const long double w = static_cast<long double>(bandwidth) * effectiveSpan;
  const long double tau = gamma * w * std::exp(0.5L * static_cast<long double>(n - 4) * std::log1p(-z)) *
                          std::sqrt(0.5L * nh * z);
  // 1 − (1 − p₁)·e^(−τ), kept exact for a tiny p₁ and τ.
  return -std::expm1(std::log1p(-single) - tau);
}

long double MhaovProbability(long double theta, int harmonics, int64_t n) {
  return FisherUpperTail(std::max(theta, 0.0L), 2.0L * harmonics,
                         static_cast<long double>(n - 2 * harmonics - 1));
}

long double PdmProbability(long double theta, int bins, int64_t n) {
  const long double within = static_cast<long double>(n - bins);
  const long double between = static_cast<long double>(bins - 1);
  const long double x = theta * within / static_cast<long double>(n - 1);
  if (!(x > 0)) return 0;
  if (!(x < 1)) return 1;
  return FisherUpperTail((1 - x) / x * within / between, between, within);
}

PowerSpread SpreadOf(const std::vector<double>& powers) {
  long double sum = 0;
  int64_t count = 0;
  for (double p : powers)
    if (!std::isnan(p)) {
      sum += p;
      ++count;
    }
  PowerSpread s;
  if (count == 0) return s;
  s.mean = sum / static_cast<long double>(count);
  long double squares = 0;
  for (double p : powers)
    if (!std::isnan(p)) squares += (p - s.mean) * (p - s.mean);
  s.deviation = std::sqrt(squares / static_cast<long double>(count));
  return s;
}

long double DetectionEfficiency(long double power, const PowerSpread& spread) {
  if (!(spread.deviation > 0)) return std::numeric_limits<long double>::quiet_NaN();
  return (power - spread.mean) / spread.deviation;
}

}  // namespace ombrane
