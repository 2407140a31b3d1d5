// Time of minimum of an eclipse by the method of Kwee & van Woerden (1956, Bull. Astron. Inst.
// Netherlands 12, 327): the magnitudes of the picked stretch are interpolated linearly onto an
// equidistant grid, the curve is reflected about every trial grid point and the squared
// differences of the reflected pairs are summed; a parabola through the smallest sum and its two
// neighbours gives the time of minimum (its vertex) and, from its coefficients, the error.
#pragma once

#include <array>
#include <span>

namespace ombrane {

// The augmented 3 x 4 matrix of a 3 x 3 system: columns 0..2 the coefficients, column 3 the
// right-hand side.
using Matrix3x4 = std::array<std::array<double, 4>, 3>;

// Gaussian elimination with partial pivoting (the first largest pivot wins) and back
// substitution into x[0..2]; `m` is destroyed. False when a pivot is exactly zero.
bool SolveLinearSystem3(Matrix3x4& m, std::array<double, 3>& x);

enum class KweeStatus {
  Done,
  TooFewPoints,      // at most 4 candidates in the range: no reflection window exists
  SingularParabola,  // a pivot of the parabola system was exactly zero
  NoSmallestSum,     // no reflection sum in the search window fell below 1e10
  NotAscending,      // the candidates of the range are not in ascending abscissa
};

struct KweeResult {
  KweeStatus status = KweeStatus::TooFewPoints;
  int lo = 0;                  // first candidate of the range (1-based, as the candidates are numbered)
  int hi = 0;                  // last candidate of the range (1-based)
  int n = 0;                   // hi - lo + 1
  int grid = 0;                // G = 2n - 1
  int smallest = 0;            // k*, the grid index of the smallest reflection sum
  double a = 0, b = 0, c = 0;  // the parabola S(t) = a t^2 + b t + c
  double t0 = 0;               // the vertex -b / (2a): the time of minimum in the candidates' abscissa
  double sigma = 0;            // its error, in the same unit
};

// The method on the candidates (x[i], y[i]), i = 0 .. K-1, taken in ascending x, over the range
// whose first candidate is the first at or above xLo and whose last is the last below xHi (the
// point at xHi itself never enters). The last candidate of the range serves only the
// interpolation. Raises FloatingPointError where a divisor is zero: 5 to 8 candidates (the error
// estimate divides by floor(G/8) - 1 = 0) and a = 0 at the vertex. With a grid of zero width
// (all range candidates at one abscissa) the parabola is singular.
KweeResult KweeVanWoerden(std::span<const double> x, std::span<const double> y, double xLo, double xHi);

}  // namespace ombrane
