#include "fit/FourierPresentation.h"

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
#include "view/LightCurve.h"

namespace ombrane {

namespace {

int32_t EntryCount(const Data& data) {
  return std::max<int32_t>(data.pointCount, 0);
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
  result.a0 = MeanLevel(fit);
  if (request.linesToNotes) {
    Note(sink, "Sigma" + general(fit.sigma));
    Note(sink, "A0   sigA0" + general(result.a0.value) + "  " + general(result.a0.error));
  }
  for (int32_t k = 1; k <= n; ++k) {
    const HarmonicTerms h = AmplitudePhase(fit, k, PowerForm::Product);
    if (request.linesToNotes)
      Note(sink, "k A sigA PH sigPH     : " + std::to_string(k) + "  " + general(h.amplitude) + "  " +
                     general(h.amplitudeError) + "  " + general(h.phase) + "  " + general(h.phaseError));
    KeepHarmonic(result, k, h);
  }
  for (int32_t k = 2; k <= n; ++k) {
    const FourierParameter p = FourierParameters(fit, k);
    if (request.linesToNotes)
      Note(sink, "k rk sigrk fi sigfi   : " + std::to_string(k) + "  " + general(p.ratio) + "  " +
                     general(p.ratioError) + "  " + general(p.phaseDifference) + "  " +
                     general(p.phaseDifferenceError));
    KeepFourierParameter(result, k, p);
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

}  // namespace

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
    AddErrorBar(chart, data, e, dx, y, NightColour(data.night[e]));
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

  // The fitted curve over two cycles.
  const FittedCurve fitted = EvaluateFittedCurve(data, period, fit, axis);
  ChartSeries& curve = chart.Series(kFittedCurveSeries);
  for (size_t i = 0; i < fitted.x.size(); ++i) curve.Add(fitted.x[i], ToDouble(fitted.y[i]), kFitCurveColour);
  return fitted.extremes;
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
    const SineCosineTerms terms = SineCosineCoefficients(fit, k);
    line += std::to_string(k);
    line += "  ";
    for (const long double v : {terms.sine, terms.sineError, terms.cosine, terms.cosineError}) {
      line += FormatFileFixed(v, 6);
      line += "  ";
    }
  }
  line += openPath;
  line += kLineEnd;
  return line;
}

namespace {

// The line of a weighted fit in the pane.
std::string WeightedLine() {
  return "Weighted by 1/\u03c3\u00b2 of the observations' errors; the errors scaled by the reduced "
         "\u03c7\u00b2";
}

}  // namespace

void RunAutomaticFit(Data& data, Star& star, ViewState& view, ChartModel& chart, const FitRequest& request,
                     const FitSink& sink, FitOutcome& outcome) {
  outcome = FitOutcome{};
  if (!(star.period > 0)) return;
  outcome.ran = true;
  Note(sink, "FOURIER  ");
  auto fit = std::make_shared<HarmonicFit>();
  fit->weighted = request.weighted && HasErrors(data);
  if (fit->weighted) Note(sink, WeightedLine());
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
  outcome.fit = fit;
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
std::shared_ptr<HarmonicFit> FitWithBoxCount(std::string_view harmonicsText, Data& data, Star& star,
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
  auto fit = std::make_shared<HarmonicFit>();
  fit->weighted = request.weighted && HasErrors(data);
  if (fit->weighted) Note(sink, WeightedLine());
  FitHarmonicSeries(data, star, n, true, *fit);
  outcome.fit = fit;
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
