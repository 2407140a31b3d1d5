// The harmonic least-squares core shared by the three Fourier fits: a truncated Fourier series
// in time,
//     y(t) = A0 + sum over k = 1 .. n of [ a_k sin(k w t) + b_k cos(k w t) ],  w = 2 pi / P,
// fitted to the unmarked observations through the normal equations, the symmetric normal
// matrix inverted in place by Gauss-Jordan exchange on the diagonal, then the residual variance
// and the covariance matrix of the coefficients. The phase origin of every coefficient is
// Julian Day 0 (the epoch plays no part).
//
// Coefficients are numbered from 1, as in the normal equations: 1 is A0, 2k is a_k (sine) and
// 2k + 1 is b_k (cosine); index 0 of every array is unused.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/SkyAngle.h"
#include "store/Records.h"

namespace ombrane {

inline constexpr int32_t kMaxHarmonics = 49;                        // the working storage holds no more
inline constexpr int32_t kMaxCoefficients = 2 * kMaxHarmonics + 1;  // 99
inline constexpr int32_t kHarmonicStorage = 100;                    // 1-based arrays of 99 coefficients

// 2 pi and pi as the double-precision constants every fit uses.
inline constexpr double kTwoPi = 6.283185307179586;

using HarmonicVector = std::array<long double, kHarmonicStorage>;
using HarmonicMatrix = std::array<HarmonicVector, kHarmonicStorage>;

// The result of one fit. Large (about 330 KB): allocate it on the heap.
struct HarmonicFit {
  // In: the weighted form, each observation weighed by 1/σ² (data.magError, which must hold the
  // entries' errors). S is then χ² = Σ (r/σ)², sigma^2 = S / (degrees of freedom) the variance
  // of unit weight (the reduced χ²), and C = sigma^2 * inverse scales the errors by it.
  bool weighted = false;
  int32_t harmonics = 0;           // n
  int32_t coefficients = 0;        // m = 2n + 1
  HarmonicVector coefficient{};    // X[1 .. m]
  HarmonicVector frequency{};      // w_k = k w for k = 1 .. n
  HarmonicMatrix inverse{};        // the normal matrix after InvertSymmetric
  HarmonicMatrix covariance{};     // C = sigma^2 * inverse
  HarmonicVector rightHandSide{};  // R[1 .. m]
  long double residualSum = 0;     // S, the sum of the squared residuals
  long double variance = 0;        // sigma^2 = S / (N - 2 - markCount - 2n)
  long double sigma = 0;           // sqrt(sigma^2), taken in double precision
  bool fullyInverted = true;       // false when the inversion met only zero pivots
};

// The sines and cosines of w_k t of the observations (entries 0 .. N-2) for k = 1 .. n, each the
// double-precision sine or cosine of the extended argument w_k t, taken once and shared by the
// fits of one click: the search refits the same observations with more and more harmonics, and
// the final fit, its residuals and the clipping need the same values again. A value read from
// the table is the value a fresh evaluation gives, so results do not depend on it.
class SeriesTable {
 public:
  // Makes the columns up to harmonic n for `data` and the frequencies (w_k = frequency[k]);
  // columns made before for the same record and frequencies are kept.
  void Cover(const Data& data, const HarmonicVector& frequency, int32_t n);
  double Sin(int32_t k, int32_t entry) const { return sin_[Index(k, entry)]; }
  double Cos(int32_t k, int32_t entry) const { return cos_[Index(k, entry)]; }

 private:
  size_t Index(int32_t k, int32_t entry) const {
    return static_cast<size_t>(k - 1) * static_cast<size_t>(entries_) + static_cast<size_t>(entry);
  }

  const Data* data_ = nullptr;
  long double omega_ = 0;
  int32_t entries_ = 0;
  int32_t harmonics_ = 0;
  std::vector<double> sin_;
  std::vector<double> cos_;
};

// Inverts the symmetric matrix m[1 .. size][1 .. size] in place (Gauss-Jordan exchange with the
// largest remaining diagonal element as pivot; among equal magnitudes the lowest index). Only
// the upper triangle is worked on; the lower one is rebuilt from it at the end. When only zero
// diagonal elements remain, the inversion stops at that step, leaves the lower triangle as it
// was and returns false.
bool InvertSymmetric(HarmonicMatrix& m, int32_t size);

// Fits n harmonics (0 <= n <= kMaxHarmonics, else InputError) at period star.period > 0 to the
// entries 0 .. N-2 whose markFlag is 0. Sums are extended; each argument k w t is formed in
// extended precision and its sine and cosine are taken in double precision. With `storeFitted`
// the fitted value of every entry that takes part goes to data.fitMag. Raises the floating-point
// fault of the variance's divisor N - 2 - markCount - 2n (zero: division; negative: the square
// root) and of a non-number or overflow in the solution.
// `table`, when given, keeps the sines and cosines for the next fits of the same click.
// With fit.weighted the least squares weigh each observation by 1/σ² (HarmonicFit).
void FitHarmonicSeries(Data& data, const Star& star, int32_t n, bool storeFitted, HarmonicFit& fit,
                       SeriesTable* table = nullptr);

// A0 + sum over k of [ X[2k] sin(w_k t) + X[2k+1] cos(w_k t) ], in ascending k.
long double EvaluateSeries(const HarmonicFit& fit, long double t);

// EvaluateSeries at the Julian Day of an observation, its sines and cosines read from a table
// that covers the fit's harmonics: the same value, bit for bit.
long double EvaluateSeries(const HarmonicFit& fit, const SeriesTable& table, int32_t entry);

// The normal equations of the fit (the first steps of FitHarmonicSeries): the frequencies into
// fit.frequency, the normal matrix, both triangles, into fit.inverse (not yet inverted) and the
// right-hand side into fit.rightHandSide. Each observation's sines and cosines are taken once
// (into `table`) and the upper triangle is summed, then mirrored.
void NormalEquations(const Data& data, const Star& star, int32_t n, HarmonicFit& fit, SeriesTable& table);

// The same normal equations term by term, every product from fresh sine and cosine evaluations
// and every element of both triangles summed on its own: the plain reference NormalEquations
// matches bit for bit (the same products summed in the same order).
void NormalEquationsPlain(const Data& data, const Star& star, int32_t n, HarmonicFit& fit);

}  // namespace ombrane
