#include "phase/FoldPresentation.h"

#include <algorithm>

#include "common/FloatingPoint.h"
#include "common/NumberFormat.h"
#include "common/TextToFloat.h"
#include "store/NightIndex.h"
#include "view/LightCurve.h"

namespace ombrane {

namespace {

int32_t EntryCount(const Data& data) {
  return std::max<int32_t>(data.pointCount, 0);
}

}  // namespace

void AddPhasePoint(ChartModel& chart, const Data& data, int series, double x, int32_t e) {
  const double y = ToDouble(data.mag[e]);
  chart.Series(series).Add(x, y, NightColour(data.night[e]));
  AddErrorBar(chart, data, e, x, y, NightColour(data.night[e]));
  if (data.markFlag[e] == 1) chart.Series(kMarkedSeries).Add(x, y);
}

void PlotPhaseDiagram(Data& data, long double period, PhaseAxis axis, ChartModel& chart, ViewState& view,
                      const PhaseDrawing& drawing) {
  const int32_t n = EntryCount(data);
  ClearNightView(chart, drawing.keepMarkers);
  chart.titleLines = {data.fileName};
  const bool phaseAxis = axis == PhaseAxis::Phase;
  chart.bottomAxisTitle = phaseAxis ? "Phase" : "JD average";
  auto add = [&](double x, int32_t e) { AddPhasePoint(chart, data, kPhaseSeries, x, e); };
  // First cycle: positions 1 .. N-1 (position 0 is drawn in the second cycle only).
  for (int32_t v = 1; v < n; ++v) {
    const long double x = phaseAxis ? data.sortedPhase[v] : data.jdAverage[v] + drawing.shift;
    add(ToDouble(x), data.sortIndex[v]);
  }
  // Second cycle: positions 0 .. N-2 one cycle later, stored at N + w for the selection on the
  // diagram; each names its entry, whose magnitude and mark it shows.
  data.AddSecondCycle();
  for (int32_t w = 0; w + 1 < n; ++w) {
    const int32_t e = data.sortIndex[w];
    data.sortIndex[n + w] = e;
    double x;
    if (phaseAxis) {
      x = static_cast<double>(data.sortedPhase[w] + 1.0L);
      data.sortedPhase[n + w] = x;
    } else {
      const long double shifted = data.jdAverage[w] + period;
      data.jdAverage[n + w] = shifted;
      x = ToDouble(shifted + drawing.shift);
    }
    add(x, e);
  }
  view.phaseView = true;
}

std::string PhaseFileBlock(const Data& data, PhaseAxis axis) {
  const int32_t n = EntryCount(data);
  std::string block;
  // Every observation once, in phase order: the loader's repeat of the last observation is the
  // only entry left out.
  for (int32_t i = 0; i < n; ++i) {
    const int32_t e = data.sortIndex[i];
    if (e == RepeatIndex(data)) continue;
    // Times keep every digit (six would leave ten days of resolution near 2.45 million);
    // phases and magnitudes keep the short format of the stream.
    block += axis == PhaseAxis::Phase ? FormatFileG(data.sortedPhase[i]) : FormatFileExact(data.jdAverage[i]);
    block += "  ";
    block += FormatFileG(data.mag[e]);
    block += "  ";
    block += FormatFileExact(data.jd[e]);
    block += "\r\n";
  }
  block += "\r\n";
  return block;
}

std::optional<std::string> WritePhaseFile(std::string_view block, OutputFiles& files) {
  return files.Append(kPhaseFileName, block);
}

std::string StringLengthLabel(long double stringLength, char separator) {
  return FormatFixed(stringLength, 6, 6, separator);
}

std::string AovLabel(double theta, char separator) {
  return FormatFixed(static_cast<long double>(theta) * 1e8L, 6, 6, separator);
}

void RunFold(Data& data, Star& star, ViewState& view, ChartModel& chart, const FoldRequest& request,
             FoldOutcome& outcome) {
  outcome = FoldOutcome{};
  const long double period = star.period;
  if (EntryCount(data) <= 0 || !(period > 0)) return;
  outcome.ran = true;
  FoldPhases(data, star, period);
  FoldStringLength(data, star);
  outcome.stringLengthText = StringLengthLabel(star.stringLength, request.separator);
  if (request.computeAov) {
    const AovValue aov = AovStatisticIfDefined(data);
    outcome.aovUndefined = aov.undefined;
    outcome.aovText = aov.defined() ? AovLabel(aov.theta, request.separator) : kUndefinedAovText;
  }
  SetJdAverage(data, period);
  PlotPhaseDiagram(data, period, request.axis, chart, view);
  if (request.writePhaseFile) outcome.phaseFileBlock = PhaseFileBlock(data, request.axis);
}

void ApplyPeriodBox(std::string_view text, Data& data, Star& star, ViewState& view, ChartModel& chart,
                    const FoldRequest& request, FoldOutcome& outcome) {
  outcome = FoldOutcome{};
  star.period = TextToFloat(text, request.separator);
  FoldRequest withAov = request;
  withAov.computeAov = true;
  RunFold(data, star, view, chart, withAov, outcome);
}

}  // namespace ombrane
