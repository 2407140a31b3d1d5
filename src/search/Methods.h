// The period-search methods on plain arrays: the generalised Lomb–Scargle periodogram, the
// multi-harmonic analysis of variance, phase dispersion minimisation and box least squares.
// Each scores every trial of a grid (TrialGrid.h) on all cores, with progress and cancel.
#pragma once

#include <cstdint>
#include <vector>

#include "phase/TrialBlocks.h"
#include "search/TrialGrid.h"

namespace ombrane {

// The observations a method reads: times (days), magnitudes and optional weights 1/σ² (empty:
// every observation weighs the same). Equal lengths; weights positive and finite.
struct Observations {
  std::vector<double> t;
  std::vector<double> y;
  std::vector<double> w;
};

struct MethodScores {
  bool cancelled = false;
  // One score per trial, in trial order; NaN where the method is undefined at that trial (a
  // singular fit, an empty phase grid). Empty when cancelled.
  std::vector<double> score;
  // Box least squares only, per trial: the best duration (days), the depth (magnitudes, positive
  // for a dimming) and the time of the middle of one eclipse (in the units of t).
  std::vector<double> duration;
  std::vector<double> depth;
  std::vector<double> epoch;
};

// Generalised Lomb–Scargle (Zechmeister & Kürster 2009, A&A 496, 577): the fit of a sine and a
// floating mean, weighted; the power p = (χ²₀ − χ²)/χ²₀ between 0 and 1, with χ²₀ the weighted
// scatter about the mean. Needs at least 3 observations.
MethodScores GlsPowers(const Observations& data, const TrialGrid& grid, const TrialRun& run);

// Multi-harmonic analysis of variance (Schwarzenberg-Czerny 1996, ApJ 460, L107) with n
// harmonics: Θ = (N − 2n − 1)/(2n) · (χ²₀ − χ²)/χ², the least-squares fit of a mean and n
// harmonics against the mean alone; Θ follows F(2n, N − 2n − 1) under white noise. Needs
// N > 2n + 1 and 1 <= n <= 10.
MethodScores MhaovStatistics(const Observations& data, const TrialGrid& grid, int harmonics,
                             const TrialRun& run);

// Phase dispersion minimisation (Stellingwerf 1978, ApJ 224, 953) with `bins` phase bins and
// `covers` covers (bins · covers staggered bins of width 1/bins, phases counted from the first
// observation): Θ = s²/σ², the pooled variance within the bins over the total variance; small
// is good. Empty bins are left out of the degrees of freedom. Needs 2 <= bins, 1 <= covers,
// bins · covers <= 1000 and more observations than bins.
MethodScores PdmThetas(const Observations& data, const TrialGrid& grid, int bins, int covers,
                       const TrialRun& run);

// The phase resolution of box least squares: the shortest duration spans this many phase cells.
inline constexpr int kBlsOversample = 10;

// Box least squares (Kovács, Zucker & Mazeh 2002, A&A 391, 369) with the durations given as
// fractions of the period (each in (0, 0.5]). The folded light curve is binned into cells of
// (shortest duration)/kBlsOversample; every run of cells as long as a duration, at every
// starting cell, is a trial box. The power of a box is the gain in log-likelihood
// ½·W_in·depth² (W_in the weight in the box, depth the mean magnitude in the box minus the mean
// outside, counted only when the box is fainter); each trial keeps its best box.
MethodScores BlsPowers(const Observations& data, const TrialGrid& grid, const std::vector<double>& durations,
                       const TrialRun& run);

}  // namespace ombrane
