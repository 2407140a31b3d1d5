// The time of one eclipse from the observations round it, with errors that can be trusted, and
// every eclipse of a series timed against an ephemeris.
//
// The Kwee & van Woerden (1956, BAN 12, 327) method in its classic form: the magnitudes are
// interpolated linearly onto an equidistant grid (twice as dense as the observations), the curve
// is reflected about trial times T and S(T), the sum of the squared differences of the reflected
// pairs, is formed with THE SAME number of pairs at every trial time; a parabola fitted to S at
// `folds` trial times round the smallest sum (3 in the original paper, 5 by default after Deeg
// 2021, Galaxies 9, 1) gives the time of minimum at its vertex.
//
// Three errors are given:
//  - the classic one, σ² = (4ac − b²) / (4a²(Z − 1)), Z the number of independent observations in
//    the sums: it takes the noise from the smallest sum, which for precise data holds mostly
//    interpolation error, and fails (4ac < b²) where the parabola dips below zero;
//  - the χ² one, after Deeg (2021): S(T) divided by the variance of a difference of two
//    observations (2σ², σ the noise of one observation) and by the grid's duplication of each
//    observation is a χ² curve in T, and the error is where it rises by 1 from its minimum:
//    σ_T² = 2 r σ² / a, r grid points per observation step, a the curvature of S. σ is given or
//    found from the observations themselves (the scatter about the cubic through each point's four
//    nearest neighbours, robust to the few points where the curve bends sharply);
//  - a bootstrap over the points of the eclipse: the residuals about those cubics, resampled with
//    replacement and added to the observations, re-timed many times; the spread of the times.
//
// Few points (fewer than 9 cannot form the sums), or too few reflected pairs across the gaps of
// the observations, are timed by a least-squares parabola through the points in the lower half of
// the eclipse's depth, with its error from the fit's covariance.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/Records.h"
#include "timing/EphemerisFit.h"

namespace ombrane {

struct EclipseTimingOptions {
  int folds = 5;                // trial times the parabola of S is fitted through (odd, 3 to 9)
  std::optional<double> noise;  // σ of one observation (magnitudes); found when not given
  int bootstrapDraws = 200;     // 0: no bootstrap
  uint64_t seed = 0x5eed;       // of the bootstrap's draws (the same result every run)
};

enum class EclipseMethod { KweeVanWoerden, Parabola };

struct EclipseTime {
  bool timed = false;
  std::string failure;  // why not, when not timed
  EclipseMethod method = EclipseMethod::KweeVanWoerden;
  double time = 0;          // in the abscissa given
  double error = 0;         // the error reported: the larger of the χ² and bootstrap errors
                            // (the parabola's for few points)
  double classicError = 0;  // KvW's own; 0 when its formula fails
  double chiSquareError = 0;
  double bootstrapError = 0;
  double noise = 0;         // σ used
  double parabolaTime = 0;  // the parabola through the faintest points (a cross-check)
  double parabolaError = 0;
  int32_t points = 0;
  bool atEdge = false;           // the smallest sum lay at the edge of the trial times
  bool outsideFaintest = false;  // the time lies outside the span of the faintest points
  bool gapped = false;           // 9 points or more, but too few reflected pairs across gaps
};

// Times the eclipse whose observations are (t[i], m[i]) in ascending t (magnitudes: fainter is
// larger). At least 9 points for the Kwee & van Woerden form; 3 to 8 are timed by the parabola.
EclipseTime TimeEclipse(std::span<const double> t, std::span<const double> m,
                        const EclipseTimingOptions& options = {});

// The robust noise of one observation: 1.4826 × the median of the residuals about the cubic
// through each point's four nearest neighbours, each scaled to one observation's variance. 0 with
// fewer than 5 points.
double NoiseOfNeighbours(std::span<const double> t, std::span<const double> m);

enum class Coverage { Both, IngressOnly, EgressOnly, None };
const char* CoverageName(Coverage coverage);  // "both", "ingress", "egress", "none"

// The share of the other branch's climb that a branch must climb to count as observed.
inline constexpr double kBranchShare = 0.7;

// Which branches of an eclipse the points (t, m) observe, split at the faintest point: a branch
// counts with 2 points or more that climb from the faintest point at least kBranchShare of the
// way the better branch climbs. An eclipse seen from half depth on one side and to the
// out-of-eclipse level on the other is observed on that other side only.
Coverage CoverageOf(std::span<const double> t, std::span<const double> m);

// What TimeEveryEclipse is asked.
struct EclipseSearch {
  long double epoch = 0;   // M0: a primary minimum
  long double period = 0;  // P
  long double secondaryPhase = 0.5L;
  bool secondaries = true;
  std::optional<long double> width;  // of the window round each eclipse, days; found when not given
  EclipseTimingOptions timing;
};

// One eclipse the data cover.
struct TimedEclipse {
  long double cycle = 0;  // n, or n + ½ for a secondary
  MinimumKind kind = MinimumKind::Primary;
  long double predicted = 0;  // by the ephemeris
  long double time = 0;       // timed (when eclipse.timed)
  EclipseTime eclipse;        // the timing (its time is relative to `predicted`)
  Coverage coverage = Coverage::None;
  // "" or words separated by ";": few-points (under 9), one-sided (a branch not observed, CoverageOf),
  // gapped, edge (the minimum at the edge of the trial times or outside the faintest points),
  // disagree (the sums and the parabola differ by over 3 σ), failed (not timed).
  std::string flag;
};

// The window's width found from the fold: twice the half-width at which the folded primary
// eclipse (binned in phase) comes back to within a tenth of its depth of the out-of-eclipse level,
// times 1.2; a tenth of the period when no eclipse stands out.
long double EclipseWidth(std::span<const long double> t, std::span<const long double> m, long double epoch,
                         long double period);

// Times every eclipse that the observations (t, m), in any order, cover: the primaries at
// epoch + n P and the secondaries at epoch + (n + φ) P, each from the observations within half the
// width of its predicted time, with the noise of the whole series (NoiseOfNeighbours over every
// observation, mostly outside the eclipses) unless `search.timing.noise` gives it. Eclipses with
// at least one observation are listed (in time order),
// timed when they can be, and flagged, never dropped silently. InputError for a period of 0 or less
// or a width that is not positive.
std::vector<TimedEclipse> TimeEveryEclipse(std::span<const long double> t, std::span<const long double> m,
                                           const EclipseSearch& search);

// The same on the loaded observations (entries 0 .. RealCount − 1: the working times and
// magnitudes), as the window and the batch time them.
std::vector<TimedEclipse> TimeEveryEclipse(const Data& data, const EclipseSearch& search);

}  // namespace ombrane
