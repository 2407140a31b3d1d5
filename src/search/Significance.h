// The significance of a peak of each method: the false-alarm probability of a Lomb–Scargle
// power (Baluev 2008), the probabilities of the multi-harmonic AoV and PDM statistics under
// white noise, and the signal detection efficiency of a box-least-squares peak.
#pragma once

#include <cstdint>
#include <vector>

namespace ombrane {

// Single-frequency probability that white noise reaches the normalised power z with N
// observations: (1 − z)^((N − 3)/2) (Baluev 2008, MNRAS 385, 1279, table 1).
long double GlsSingleProbability(long double z, int64_t n);

// The effective time span of Baluev (2008): √(4π·Var(t)), the variance weighted by w (empty:
// equal weights).
double EffectiveTimeSpan(const std::vector<double>& t, const std::vector<double>& w);

// Baluev's (2008, eq. 6) alias-free false-alarm probability of the highest power z over a
// band of frequencies `bandwidth` wide (cycles per unit of time): 1 − (1 − p₁)·exp(−τ), with
// τ = γ(N − 1)·W·(1 − z)^((N − 4)/2)·√((N − 1)·z/2), W = bandwidth·Teff and
// γ(N) = √(2/N)·Γ(N/2)/Γ((N − 1)/2). Needs N > 4.
long double GlsFalseAlarm(long double z, int64_t n, double bandwidth, double effectiveSpan);

// P(F > Θ) for F(2n, N − 2n − 1): the chance that white noise gives a multi-harmonic AoV
// statistic of Θ or more at one frequency. Needs N > 2n + 1.
long double MhaovProbability(long double theta, int harmonics, int64_t n);

// The chance that white noise folds to a PDM Θ of `theta` or less at one frequency, with Θ read
// as W/(W + B)·(N − 1)/(N − bins) for the within- and between-bin sums W and B of one cover:
// then W/(W + B) follows Beta((N − bins)/2, (bins − 1)/2), whose lower tail is the upper tail of
// F(bins − 1, N − bins) at (1 − x)/x·(N − bins)/(bins − 1). Exact for one cover and
// non-empty bins, an approximation with more covers. Needs N > bins.
long double PdmProbability(long double theta, int bins, int64_t n);

// (peak − mean)/σ over the powers of all trials (Kovács et al. 2002): the signal detection
// efficiency of a box-least-squares peak.
struct PowerSpread {
  long double mean = 0;
  long double deviation = 0;  // σ, the population standard deviation
};
PowerSpread SpreadOf(const std::vector<double>& powers);  // NaN entries left out
long double DetectionEfficiency(long double power, const PowerSpread& spread);

}  // namespace ombrane
