#include "fit/FourierFit.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>

#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/OutputFile.h"
#include "common/TextToFloat.h"
#include "store/NightIndex.h"

namespace ombrane {

namespace {

int32_t EntryCount(const Data& data) {
  return std::max<int32_t>(data.pointCount, 0);
}

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

// The standard error from a variance: the square root in double precision (a negative
// variance is an invalid operation).
long double ErrorOf(long double variance) {
  return Sqrt(ToDouble(variance));
}

void Note(const FitSink& sink, const std::string& line) {
  if (sink.note) sink.note(line);
}

void Open(const FitSink& sink, const FitRequest& request, const char* file) {
  if (request.openFiles && sink.open) sink.open(file);
}

void Append(const FitSink& sink, const char* file, const std::string& text) {
  if (sink.append) sink.append(file, text);
}

// The harmonics box's number, truncated toward zero: the conversion error of a text that is not
// a number, the invalid operation of a count beyond the 32-bit range.
int32_t HarmonicsOfBox(std::string_view text, char separator) {
  return TruncToInt32(TextToFloat(text, separator));
}

// "nr fit n", with how many marked observations the fit left out when it left any out (the
// marks of Select Point and of the outlier clipping of earlier automatic fits).
std::string CountLine(int32_t n, const Data& data) {
  std::string line = "nr fit " + std::to_string(n);
  const int32_t out = PointsLeftOut(data);
  if (out > 0) line += "; " + std::to_string(out) + (out == 1 ? " point left out" : " points left out");
  return line;
}

std::string RefusedCount(const std::string& count) {
  return "A fit takes 0 to " + std::to_string(kMaxHarmonics) + " harmonics; " + count + " cannot be fitted";
}

// Steps common to the automatic and the fixed-count fit after the final fit: the result vector,
// the pane lines of sigma, A0, the harmonics and the Fourier parameters, the picture with its
// extremes and markers, and the two output files.
void ReportFit(Data& data, Star& star, ViewState& view, ChartModel& chart, const FitRequest& request,
               const FitSink& sink, const HarmonicFit& fit, FitOutcome& outcome) {
  const char sep = request.separator;
  auto general = [sep](long double x) { return FormatGeneral(x, sep); };
  const int32_t n = fit.harmonics;
  FourierResults& result = star.fourierResults;

  result.log10Period = Log10(ToDouble(star.period));
  const long double a0 = fit.coefficient[1];
  const long double a0Error = ErrorOf(fit.covariance[1][1]);
  result.a0 = {a0, a0Error};
  if (request.linesToNotes) {
    Note(sink, "Sigma" + general(fit.sigma));
    Note(sink, "A0   sigA0" + general(a0) + "  " + general(a0Error));
  }
  for (int32_t k = 1; k <= n; ++k) {
    const HarmonicTerms h = AmplitudePhase(fit, k, PowerForm::Product);
    if (request.linesToNotes)
      Note(sink, "k A sigA PH sigPH     : " + std::to_string(k) + "  " + general(h.amplitude) + "  " +
                     general(h.amplitudeError) + "  " + general(h.phase) + "  " + general(h.phaseError));
    if (k <= 4) {
      result.amplitude[static_cast<size_t>(k - 1)] = {h.amplitude, h.amplitudeError};
      result.phase[static_cast<size_t>(k - 1)] = {h.phase, h.phaseError};
    }
  }
  for (int32_t k = 2; k <= n; ++k) {
    const FourierParameter p = FourierParameters(fit, k);
    if (request.linesToNotes)
      Note(sink, "k rk sigrk fi sigfi   : " + std::to_string(k) + "  " + general(p.ratio) + "  " +
                     general(p.ratioError) + "  " + general(p.phaseDifference) + "  " +
                     general(p.phaseDifferenceError));
    if (k <= 4) {
      result.amplitudeRatio[static_cast<size_t>(k - 2)] = {p.ratio, p.ratioError};
      result.phaseDifference[static_cast<size_t>(k - 2)] = {p.phaseDifference, p.phaseDifferenceError};
    }
  }

  const FitExtremes extremes = DrawFitCurve(data, star.period, fit, request.axis, chart);
  view.secondCycleFirst = 1;  // the picture's kSecondCycleSeries starts at sorted position 1
  outcome.extremes = extremes;
  if (request.linesToNotes) {
    Note(sink, "Max   : JD " + general(extremes.maximumX) + " ;Bright: " + general(extremes.maximumMag) +
                   "   Min   : JD " + general(extremes.minimumX) +
                   " ;Bright: " + general(extremes.minimumMag));
    Note(sink, " Rising Time: " + general(extremes.risingTime) + " ");
  }
  AddExtremeMarkers(extremes, chart);
  if (request.fourierFile) WriteFourierOut(star, extremes.risingTime, view.openPath, sink);
  if (request.dataFile) WriteDataOut(data, request.axis, sink);
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
  h.amplitudeError = ErrorOf(Divide(h.t, Square(h.amplitude)));
  h.phaseVariance = Divide(b * b * css - 2 * a * b * csc + a * a * ccc, Power(h.amplitude, 4, form));
  h.phaseError = ErrorOf(h.phaseVariance);
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
  p.ratioError = ErrorOf(ratioVariance);
  // phi_k1 = phi_k - k phi_1, with phi = atan2(b, a): d phi / d a = -b / A^2, d phi / d b = a / A^2.
  // Linear propagation: var(phi_k1) = var(phi_k) + k^2 var(phi_1) - 2k cov(phi_k, phi_1), where
  // cov(phi_k, phi_1) = -V / (A_k^2 A_1^2) with V the sum below over the cross covariances of
  // the coefficients of harmonics k and 1.
  const long double v =
      -bk * b1 * c[2][2 * k] + bk * a1 * c[3][2 * k] + ak * b1 * c[2][2 * k + 1] - ak * a1 * c[3][2 * k + 1];
  const long double phaseVariance = hk.phaseVariance + 2 * k * Divide(v, Square(ampk) * Square(amp1)) +
                                    static_cast<long double>(k) * k * h1.phaseVariance;
  p.phaseDifferenceError = ErrorOf(phaseVariance);
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
  const int32_t last = EntryCount(data) - 1;
  int32_t out = 0;
  for (int32_t i = 0; i < last; ++i)
    if (data.markFlag[i] != 0) ++out;
  return out;
}

int32_t ClipOutliers(Data& data, const HarmonicFit& fit, const SeriesTable* table) {
  const int32_t last = EntryCount(data) - 1;
  const long double limit = 2.5L * fit.sigma;
  int32_t marked = 0;
  for (int32_t i = 0; i < last; ++i) {
    if (data.markFlag[i] != 0) continue;
    const long double f = table ? EvaluateSeries(fit, *table, i) : EvaluateSeries(fit, data.jd[i]);
    const long double residual = data.mag[i] - f;
    if (std::fabs(residual) > limit) {
      data.markFlag[i] = 1;
      ++data.markCount;
      ++marked;
    }
  }
  return marked;
}

FitExtremes DrawFitCurve(const Data& data, long double period, const HarmonicFit& fit, PhaseAxis axis,
                         ChartModel& chart) {
  const int32_t n = EntryCount(data);
  ClearNightView(chart);
  chart.titleLines = {data.fileName};
  const bool phaseAxis = axis == PhaseAxis::Phase;
  chart.bottomAxisTitle = phaseAxis ? "Phase" : "Julian Day Average";

  // The folded curve, sorted positions 1 .. N-2, then the same positions one cycle later.
  ChartSeries& marked = chart.Series(kMarkedSeries);
  auto add = [&](ChartSeries& series, long double x, int32_t e) {
    const double dx = ToDouble(x);
    const double y = ToDouble(data.mag[e]);
    series.Add(dx, y, NightColour(data.night[e]));
    if (data.markFlag[e] == 1) marked.Add(dx, y);
  };
  for (int32_t p = 1; p + 1 < n; ++p) {
    const int32_t e = data.sortIndex[p];
    add(chart.Series(kPhaseSeries), phaseAxis ? data.sortedPhase[p] : data.jdAverage[p], e);
  }
  for (int32_t p = 1; p + 1 < n; ++p) {
    const int32_t e = data.sortIndex[p];
    add(chart.Series(kSecondCycleSeries), phaseAxis ? data.sortedPhase[p] + 1.0L : data.jdAverage[p] + period,
        e);
  }

  // The fitted curve over two cycles; extremes over the first.
  ChartSeries& curve = chart.Series(kFittedCurveSeries);
  ExtremeTracker tracker;
  FitExtremes extremes;
  if (phaseAxis) {
    // Phase x in [0, 2) by repeated addition of the step in double precision. The series is
    // evaluated at time meanEpoch + x P, an instant of phase x of the fold the points were drawn
    // from, so the curve lies on the folded points whatever the epoch.
    const long double origin = data.meanEpoch;
    constexpr double kStep = 0.0001;
    for (double x = 0; x < 2; x += kStep) {
      const long double f = EvaluateSeries(fit, origin + x * period);
      curve.Add(x, ToDouble(f), kFitCurveColour);
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
      curve.Add(ToDouble(x), ToDouble(f), kFitCurveColour);
      if (x <= firstCycleEnd) tracker.See(x, f);
    }
    extremes.risingTime = Divide(tracker.brightX - tracker.faintX, period);
  }
  if (extremes.risingTime < 0) extremes.risingTime += 1;
  extremes.maximumX = tracker.brightX;
  extremes.maximumMag = tracker.bright;
  extremes.minimumX = tracker.faintX;
  extremes.minimumMag = tracker.faint;
  return extremes;
}

void AddExtremeMarkers(const FitExtremes& extremes, ChartModel& chart) {
  ChartSeries& markers = chart.Series(kMarkerSeries);
  markers.Add(ToDouble(extremes.minimumX), ToDouble(extremes.minimumMag), kMinimumMarkerColour, "MIN");
  markers.Add(ToDouble(extremes.maximumX), ToDouble(extremes.maximumMag), kMaximumMarkerColour, "MAX");
}

std::string FourierOutLine(const Star& star, long double risingTime, std::string_view openPath) {
  std::string line;
  const FourierResults& r = star.fourierResults;
  auto add = [&line](long double value) {
    line += FormatFileFixed(value, 6);
    line += "  ";
  };
  auto addWithError = [&add](const ValueAndError& v) {
    add(v.value);
    add(v.error);
  };
  add(r.log10Period);
  addWithError(r.a0);
  for (const auto* group : {&r.amplitude, &r.phase})
    for (const ValueAndError& v : *group) addWithError(v);
  for (const auto* group : {&r.amplitudeRatio, &r.phaseDifference})
    for (const ValueAndError& v : *group) addWithError(v);
  line += FormatFileFixed(risingTime, 6);
  line += "  ";
  line += openPath;
  line += kLineEnd;
  return line;
}

std::string DataOutBlock(const Data& data, PhaseAxis axis) {
  const int32_t n = EntryCount(data);
  std::string block;
  for (int32_t p = 1; p + 1 < n; ++p) {
    const int32_t e = data.sortIndex[p];
    const long double x = axis == PhaseAxis::Phase ? data.sortedPhase[p] : data.jdAverage[p];
    for (const long double v : {x, data.mag[e], data.fitMag[e], data.mag[e] - data.fitMag[e]}) {
      block += FormatFileFixed(v, 4);
      block += "  ";
    }
    block += FormatFileFixed(data.jd[e], 4);
    block += kLineEnd;
  }
  block += kLineEnd;
  return block;
}

void WriteFourierOut(const Star& star, long double risingTime, std::string_view openPath,
                     const FitSink& sink) {
  Append(sink, kFourierFileName, FourierOutLine(star, risingTime, openPath));
}

void WriteDataOut(const Data& data, PhaseAxis axis, const FitSink& sink) {
  Append(sink, kDataFileName, DataOutBlock(data, axis));
}

std::string SinCosLine(const HarmonicFit& fit, std::string_view openPath) {
  std::string line;
  for (int32_t k = 1; k <= fit.harmonics; ++k) {
    const long double values[] = {fit.coefficient[2 * k], ErrorOf(fit.covariance[2 * k][2 * k]),
                                  fit.coefficient[2 * k + 1], ErrorOf(fit.covariance[2 * k + 1][2 * k + 1])};
    line += std::to_string(k);
    line += "  ";
    for (const long double v : values) {
      line += FormatFileFixed(v, 6);
      line += "  ";
    }
  }
  line += openPath;
  line += kLineEnd;
  return line;
}

void RunAutomaticFit(Data& data, Star& star, ViewState& view, ChartModel& chart, const FitRequest& request,
                     const FitSink& sink, FitOutcome& outcome) {
  outcome = FitOutcome{};
  if (!(star.period > 0)) return;
  outcome.ran = true;
  Note(sink, "FOURIER  ");
  auto fit = std::make_unique<HarmonicFit>();
  SeriesTable table;  // the search's sines and cosines serve the final fit and the clipping
  const HarmonicCountResult count = SelectHarmonicCount(data, star, *fit, &table);
  const int32_t n = count.harmonics;
  outcome.harmonics = n;
  if (count.capped)
    Note(sink, "The search for harmonics stopped at " + std::to_string(kMaxHarmonics) +
                   ", the most a fit can hold");
  Note(sink, CountLine(n, data));
  star.fourierResults = {};
  Open(sink, request, kFourierFileName);
  Open(sink, request, kDataFileName);
  if (request.linesToNotes) {
    Note(sink, "FOURIER  ");
    Note(sink, CountLine(n, data));
  }
  FitHarmonicSeries(data, star, n, true, *fit, &table);
  ClipOutliers(data, *fit, &table);
  ReportFit(data, star, view, chart, request, sink, *fit, outcome);
}

void CheckHarmonicsBox(std::string_view text, char separator) {
  long double value;
  try {
    value = TextToFloat(text, separator);
  } catch (const ConversionError&) {
    return;  // reported where the fit reads the box
  }
  const long double count = std::trunc(value);
  if (count >= 0 && count <= kMaxHarmonics) return;
  throw InputError(RefusedCount(std::string(text)));
}

namespace {

// The steps the fixed-count fit and the sin+cos fit share: refuse a count beyond the storage,
// clear the result vector, open the output files, and (with a period) announce and run the fit
// with the box's harmonic count. Returns no fit when there is no period.
std::unique_ptr<HarmonicFit> FitWithBoxCount(std::string_view harmonicsText, Data& data, Star& star,
                                             const FitRequest& request, const FitSink& sink,
                                             std::initializer_list<const char*> files, FitOutcome& outcome) {
  outcome = FitOutcome{};
  CheckHarmonicsBox(harmonicsText, request.separator);
  star.fourierResults = {};
  for (const char* file : files) Open(sink, request, file);
  if (!(star.period > 0)) return nullptr;
  outcome.ran = true;
  if (request.linesToNotes) Note(sink, "FOURIER  ");
  star.harmonicCount = HarmonicsOfBox(harmonicsText, request.separator);
  const int32_t n = star.harmonicCount;
  outcome.harmonics = n;
  if (request.linesToNotes) Note(sink, CountLine(n, data));
  auto fit = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(data, star, n, true, *fit);
  return fit;
}

}  // namespace

void RunFixedFit(std::string_view harmonicsText, Data& data, Star& star, ViewState& view, ChartModel& chart,
                 const FitRequest& request, const FitSink& sink, FitOutcome& outcome) {
  const auto fit =
      FitWithBoxCount(harmonicsText, data, star, request, sink, {kFourierFileName, kDataFileName}, outcome);
  if (fit) ReportFit(data, star, view, chart, request, sink, *fit, outcome);
}

void RunSinCosFit(std::string_view harmonicsText, Data& data, Star& star, const ViewState& view,
                  const FitRequest& request, const FitSink& sink, FitOutcome& outcome) {
  const auto fit = FitWithBoxCount(harmonicsText, data, star, request, sink, {kSinCosFileName}, outcome);
  if (!fit) return;
  if (request.fourierFile) {
    outcome.sinCosLine = SinCosLine(*fit, view.openPath);
    Append(sink, kSinCosFileName, *outcome.sinCosLine);
  }
}

}  // namespace ombrane
