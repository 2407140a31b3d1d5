#include "fit/FourierFit.h"

#include <algorithm>
#include <cmath>

#include "common/FloatingPoint.h"

namespace ombrane {

namespace {

long double Square(long double x) {
  return x * x;
}

// The fourth or sixth power of an amplitude in the requested form.
long double Power(long double a, int exponent, PowerForm form) {
  if (form == PowerForm::Pow) return Pow(ToDouble(a), exponent);
  long double p = 1;
  for (int i = 0; i < exponent; ++i) p *= a;
  return p;
}

// Tracks the brightest (smallest) and faintest (largest) value of the curve, from its first
// point on; of equal values the first stays.
struct ExtremeTracker {
  bool started = false;
  long double faint = 0, faintX = 0, bright = 0, brightX = 0;
  void See(long double x, long double f) {
    if (!started) {
      started = true;
      faint = bright = f;
      faintX = brightX = x;
      return;
    }
    if (f > faint) {
      faint = f;
      faintX = x;
    }
    if (f < bright) {
      bright = f;
      brightX = x;
    }
  }
};

}  // namespace

long double StandardError(long double variance) {
  return Sqrt(ToDouble(variance));
}

HarmonicTerms AmplitudePhase(const HarmonicFit& fit, int32_t k, PowerForm form) {
  const long double a = fit.coefficient[2 * k];
  const long double b = fit.coefficient[2 * k + 1];
  const auto& c = fit.covariance;
  const long double css = c[2 * k][2 * k];
  const long double csc = c[2 * k][2 * k + 1];
  const long double ccc = c[2 * k + 1][2 * k + 1];
  HarmonicTerms h;
  h.amplitude = Sqrt(ToDouble(a * a + b * b));
  h.phase = std::atan2(ToDouble(b), ToDouble(a));
  h.t = a * a * css + 2 * a * b * csc + b * b * ccc;
  h.amplitudeError = StandardError(Divide(h.t, Square(h.amplitude)));
  h.phaseVariance = Divide(b * b * css - 2 * a * b * csc + a * a * ccc, Power(h.amplitude, 4, form));
  h.phaseError = StandardError(h.phaseVariance);
  return h;
}

long double PhaseDifferenceInRange(long double d) {
  const int32_t j = TruncToInt32(Divide(d, static_cast<long double>(kTwoPi)));
  if (d > 0) d = d - 2.0L * j * kPi;
  if (d < 0) d = d - 2.0L * (j - 1) * kPi;
  return d;
}

FourierParameter FourierParameters(const HarmonicFit& fit, int32_t k) {
  const HarmonicTerms h1 = AmplitudePhase(fit, 1, PowerForm::Pow);
  const HarmonicTerms hk = AmplitudePhase(fit, k, PowerForm::Pow);
  const auto& x = fit.coefficient;
  const auto& c = fit.covariance;
  const long double a1 = x[2], b1 = x[3];
  const long double ak = x[2 * k], bk = x[2 * k + 1];
  const long double amp1 = h1.amplitude, ampk = hk.amplitude;

  FourierParameter p;
  p.ratio = Divide(ampk, amp1);
  p.phaseDifference = PhaseDifferenceInRange(hk.phase - k * h1.phase);
  const long double u =
      ak * a1 * c[2][2 * k] + ak * b1 * c[3][2 * k] + bk * a1 * c[2][2 * k + 1] + bk * b1 * c[3][2 * k + 1];
  const long double amp1Pow4 = Power(amp1, 4, PowerForm::Pow);
  const long double amp1Pow6 = Power(amp1, 6, PowerForm::Pow);
  const long double ratioVariance = Divide(hk.t, Square(amp1) * Square(ampk)) - Divide(2 * u, amp1Pow4) +
                                    Divide(h1.t * Square(ampk), amp1Pow6);
  p.ratioError = StandardError(ratioVariance);
  // phi_k1 = phi_k - k phi_1, with phi = atan2(b, a): d phi / d a = -b / A^2, d phi / d b = a / A^2.
  // Linear propagation: var(phi_k1) = var(phi_k) + k^2 var(phi_1) - 2k cov(phi_k, phi_1), where
  // cov(phi_k, phi_1) = -V / (A_k^2 A_1^2) with V the sum below over the cross covariances of
  // the coefficients of harmonics k and 1.
  const long double v =
      -bk * b1 * c[2][2 * k] + bk * a1 * c[3][2 * k] + ak * b1 * c[2][2 * k + 1] - ak * a1 * c[3][2 * k + 1];
  const long double phaseVariance = hk.phaseVariance + 2 * k * Divide(v, Square(ampk) * Square(amp1)) +
                                    static_cast<long double>(k) * k * h1.phaseVariance;
  p.phaseDifferenceError = StandardError(phaseVariance);
  return p;
}

HarmonicCountResult SelectHarmonicCount(Data& data, const Star& star, HarmonicFit& work, SeriesTable* table) {
  SeriesTable own;
  for (int32_t n = 1; n <= kMaxHarmonics; ++n) {
    FitHarmonicSeries(data, star, n, false, work, table ? table : &own);
    for (int32_t k = 1; k <= n; ++k) {
      const HarmonicTerms h = AmplitudePhase(work, k, PowerForm::Pow);
      if (std::fabs(h.amplitude) < h.amplitudeError || std::fabs(h.phase) < h.phaseError)
        return {.harmonics = n - 1, .capped = false};
    }
    for (int32_t k = 2; k <= n; ++k) {
      const FourierParameter p = FourierParameters(work, k);
      if (std::fabs(p.ratio) < p.ratioError || std::fabs(p.phaseDifference) < p.phaseDifferenceError)
        return {.harmonics = n - 1, .capped = false};
    }
  }
  return {.harmonics = kMaxHarmonics, .capped = true};
}

int32_t PointsLeftOut(const Data& data) {
  const int32_t last = RealCount(data);
  int32_t out = 0;
  for (int32_t i = 0; i < last; ++i)
    if (data.markFlag[i] != 0) ++out;
  return out;
}

int32_t ClipOutliers(Data& data, const HarmonicFit& fit, const SeriesTable* table) {
  const int32_t last = RealCount(data);
  const long double limit = 2.5L * fit.sigma;
  int32_t marked = 0;
  for (int32_t i = 0; i < last; ++i) {
    if (data.markFlag[i] != 0) continue;
    const long double f = table ? EvaluateSeries(fit, *table, i) : EvaluateSeries(fit, data.jd[i]);
    const long double residual = data.mag[i] - f;
    // The weighted fit: 2.5 times the observation's own σ scaled by the fit's unit weight.
    const long double bound = fit.weighted && static_cast<size_t>(i) < data.magError.size()
                                  ? limit * data.magError[static_cast<size_t>(i)]
                                  : limit;
    if (std::fabs(residual) > bound) {
      data.markFlag[i] = 1;
      ++data.markCount;
      ++marked;
    }
  }
  return marked;
}

ValueAndError MeanLevel(const HarmonicFit& fit) {
  const long double a0 = fit.coefficient[1];
  return {a0, StandardError(fit.covariance[1][1])};
}

void KeepHarmonic(FourierResults& results, int32_t k, const HarmonicTerms& h) {
  if (k < 1 || k > 4) return;
  results.amplitude[static_cast<size_t>(k - 1)] = {h.amplitude, h.amplitudeError};
  results.phase[static_cast<size_t>(k - 1)] = {h.phase, h.phaseError};
}

void KeepFourierParameter(FourierResults& results, int32_t k, const FourierParameter& p) {
  if (k < 2 || k > 4) return;
  results.amplitudeRatio[static_cast<size_t>(k - 2)] = {p.ratio, p.ratioError};
  results.phaseDifference[static_cast<size_t>(k - 2)] = {p.phaseDifference, p.phaseDifferenceError};
}

SineCosineTerms SineCosineCoefficients(const HarmonicFit& fit, int32_t k) {
  SineCosineTerms terms;
  terms.sine = fit.coefficient[2 * k];
  terms.sineError = StandardError(fit.covariance[2 * k][2 * k]);
  terms.cosine = fit.coefficient[2 * k + 1];
  terms.cosineError = StandardError(fit.covariance[2 * k + 1][2 * k + 1]);
  return terms;
}

FittedCurve EvaluateFittedCurve(const Data& data, long double period, const HarmonicFit& fit,
                                PhaseAxis axis) {
  FittedCurve curve;
  ExtremeTracker tracker;
  FitExtremes& extremes = curve.extremes;
  if (axis == PhaseAxis::Phase) {
    // Phase x in [0, 2) by repeated addition of the step in double precision.
    const long double origin = data.meanEpoch;
    constexpr double kStep = 0.0001;
    for (double x = 0; x < 2; x += kStep) {
      const long double f = EvaluateSeries(fit, origin + x * period);
      curve.x.push_back(x);
      curve.y.push_back(f);
      if (x <= 1) tracker.See(x, f);
    }
    extremes.risingTime = tracker.brightX - tracker.faintX;
  } else {
    const long double x0 = data.meanEpoch;
    const long double end = x0 + 2 * period;
    const long double firstCycleEnd = x0 + period;
    long double step = 0.0001L;
    if (2 * period / step > kMaxCurvePoints) step = 2 * period / kMaxCurvePoints;
    // The count bounds the loop where the step is lost against a huge abscissa.
    int32_t count = 0;
    for (long double x = x0; x < end && count <= kMaxCurvePoints + 1; x += step, ++count) {
      const long double f = EvaluateSeries(fit, x);
      curve.x.push_back(ToDouble(x));
      curve.y.push_back(f);
      if (x <= firstCycleEnd) tracker.See(x, f);
    }
    extremes.risingTime = Divide(tracker.brightX - tracker.faintX, period);
  }
  if (extremes.risingTime < 0) extremes.risingTime += 1;
  extremes.maximumX = tracker.brightX;
  extremes.maximumMag = tracker.bright;
  extremes.minimumX = tracker.faintX;
  extremes.minimumMag = tracker.faint;
  return curve;
}

}  // namespace ombrane
