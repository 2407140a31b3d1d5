#include "measure/Selection.h"

#include <algorithm>
#include <cmath>

#include "common/FloatingPoint.h"
#include "measure/ClickedPoint.h"
#include "measure/Measurement.h"
#include "store/NightIndex.h"
#include "view/LightCurve.h"

namespace ombrane {
namespace {

constexpr uint32_t kLime = 0x00FF00;

size_t At(int32_t i) {
  return static_cast<size_t>(i);
}

// The abscissa a phase-diagram point is drawn at in the current mode of the diagram: the stored
// phase or averaged time of its sorted position (the drawing writes the second cycle of the mode
// it draws); a kSecondCycleSeries point always shows the phase one cycle on.
double DiagramAbscissa(const Data& data, const ClickedEntry& clicked, PhaseAxis axis) {
  if (clicked.secondCycleApart) return PhaseOfClick(data, clicked);
  const long double x = axis == PhaseAxis::Phase ? data.sortedPhase[At(clicked.position)]
                                                 : data.jdAverage[At(clicked.position)];
  return ToDouble(x);
}

// The point a click stands for as the chart draws it: (abscissa, magnitude).
struct DrawnPoint {
  double x = 0;
  double y = 0;
};
DrawnPoint DrawnPointOf(const Data& data, const ClickedEntry& clicked, PhaseAxis axis) {
  const double y = ToDouble(data.mag[At(clicked.entry)]);
  if (clicked.onPhaseDiagram) return {DiagramAbscissa(data, clicked, axis), y};
  return {ToDouble(data.jd[At(clicked.entry)]), y};
}

bool IsNight(const ViewState& view, int32_t k) {
  return k >= 0 && static_cast<size_t>(k) < view.nightFirst.size();
}

}  // namespace

ClickOutcome SelectPoint(Data& data, ChartModel& chart, const ViewState& view, int series, int r,
                         PhaseAxis axis) {
  ClickOutcome outcome;
  if (series == kLightCurveSeries || series == kPhaseSeries) {
    const std::optional<ClickedEntry> clicked = EntryOfClick(data, view, series, r);
    if (!clicked) return outcome;
    const DrawnPoint p = DrawnPointOf(data, *clicked, axis);
    uint8_t& flag = data.markFlag[At(clicked->entry)];
    if (flag == 0) {
      flag = 1;
      ++data.markCount;
      chart.Series(kMarkedSeries).Add(p.x, p.y, kSeriesColour);
      outcome.chartChanged = true;
      outcome.operation = MarkOperation{{clicked->entry}};
    }
    return outcome;
  }
  if (series == kMarkedSeries) {
    outcome.colourButtonShown = false;
    ChartSeries& crosses = chart.Series(kMarkedSeries);
    if (r < 0 || r >= crosses.Count()) return outcome;
    const ChartPoint cross = crosses.Point(r);
    // The cross holds the entry's values rounded to double: the first marked entry with exactly
    // these values is the one it marks (the loader's repeat of the last observation has its
    // values too). A cross on the phase diagram has a phase or an averaged time for x and
    // matches no entry, so marks are removed on the light curve only.
    const int32_t n = std::clamp<int32_t>(data.pointCount, 0, static_cast<int32_t>(data.night.size()));
    for (int32_t i = 0; i < n; ++i) {
      if (data.markFlag[At(i)] != 0 && static_cast<double>(data.jd[At(i)]) == cross.x &&
          static_cast<double>(data.mag[At(i)]) == cross.y) {
        data.markFlag[At(i)] = 0;
        --data.markCount;
        crosses.Delete(r);
        outcome.chartChanged = true;
        outcome.operation = UnmarkOperation{{i}};
        break;
      }
    }
  }
  return outcome;
}

int32_t ClearMarks(Data& data, ChartModel& chart) {
  const int32_t n = std::max<int32_t>(data.pointCount, 0);
  int32_t cleared = 0;
  for (int32_t i = 0; i < n; ++i)
    if (data.markFlag[At(i)] != 0) ++cleared;
  std::fill(data.markFlag.begin(), data.markFlag.end(), uint8_t{0});
  data.markCount = 0;
  chart.Series(kMarkedSeries).Clear();
  return cleared;
}

void RedrawMarks(const Data& data, const ViewState& view, ChartModel& chart) {
  ChartSeries& crosses = chart.Series(kMarkedSeries);
  crosses.Clear();
  for (int s : {kLightCurveSeries, kPhaseSeries, kSecondCycleSeries}) {
    const ChartSeries& series = chart.Series(s);
    for (int r = 0; r < series.Count(); ++r) {
      const std::optional<ClickedEntry> clicked = EntryOfClick(data, view, s, r);
      if (!clicked || data.markFlag[At(clicked->entry)] == 0) continue;
      const ChartPoint& p = series.Point(r);
      crosses.Add(p.x, p.y, kSeriesColour);
    }
  }
}

ClickOutcome SelectArea(const Data& data, ChartModel& chart, ViewState& view, int series, int r,
                        PhaseAxis axis) {
  ClickOutcome outcome;
  outcome.colourButtonShown = true;
  outcome.crosshair = true;
  const std::optional<ClickedEntry> clicked = EntryOfClick(data, view, series, r);
  if (!clicked) return outcome;  // a marker or the fitted curve is no end of an area
  view.areaOnLightCurve = !clicked->onPhaseDiagram;
  const DrawnPoint p = DrawnPointOf(data, *clicked, axis);
  ChartSeries& markers = chart.Series(kMarkerSeries);
  if (!view.areaFirstDone) {
    markers.Clear();
    view.areaIndex1 = clicked->position;
    markers.Add(p.x, p.y, kLime, "min");
    view.areaFirstDone = true;
    outcome.minimumTimingEnabled = false;
    outcome.deleteEnabled = false;
  } else {
    view.areaIndex2 = clicked->position;
    markers.Add(p.x, p.y, kLime, "min");
    view.areaFirstDone = false;
    outcome.minimumTimingEnabled = true;
    // Delete takes entry indexes: only while no phase diagram has been drawn since loading.
    if (!view.phaseView) outcome.deleteEnabled = true;
  }
  outcome.chartChanged = true;
  return outcome;
}

ClickOutcome SelectSingleNight(const Data& data, ChartModel& chart, ViewState& view, int series, int r) {
  ClickOutcome outcome;
  if (series != kLightCurveSeries && series != kPhaseSeries) return outcome;
  const std::optional<ClickedEntry> clicked = EntryOfClick(data, view, series, r);
  if (!clicked) return outcome;
  const int32_t e = clicked->entry;
  const int32_t nightOfClick = data.night[At(e)];
  if (!IsNight(view, nightOfClick)) return outcome;
  outcome.colourButtonShown = false;
  ClearNightView(chart);
  chart.bottomAxisTitle = TimeAxisTitle(data.timeScale);
  const int32_t observations = RealCount(data);
  if (series == kLightCurveSeries) {
    // Every observation of the clicked point's whole Julian Day, in the clicked night's colour.
    DrawDayEntries(chart, data, std::trunc(data.jd[At(e)]), NightColour(nightOfClick), observations);
  } else {
    // The clicked night's entries, visited in phase order (position N - 1 is not visited).
    for (int32_t k = 0; k < observations; ++k) {
      const int32_t f = data.sortIndex[At(k)];
      if (HoldsEntry(data, f) && data.night[At(f)] == nightOfClick) AddLightCurvePoint(chart, data, f);
    }
  }
  view.currentNight = nightOfClick;
  view.shownNightFirst = view.nightFirst[At(nightOfClick)];
  outcome.nightButtons = {
      .first = true, .previous = true, .next = true, .last = true, .all = true, .scrollBar = {}};
  outcome.chartChanged = true;
  outcome.newPicture = true;
  return outcome;
}

ClickOutcome SelectNight(Data& data, ViewState& view, int series, int r) {
  ClickOutcome outcome;
  outcome.colourButtonShown = false;
  const std::optional<ClickedEntry> clicked = EntryOfClick(data, view, series, r);
  if (!clicked) return outcome;
  data.nightShift = 0;
  data.selectedNightDay = TruncToInt32(data.jd[At(clicked->entry)]);
  if (clicked->onPhaseDiagram) {
    const int32_t nightOfClick = data.night[At(clicked->entry)];
    if (!IsNight(view, nightOfClick)) return outcome;
    view.currentNight = nightOfClick;
    view.shownNightFirst = view.nightFirst[At(nightOfClick)];
    outcome.nightButtons = {
        .first = true, .previous = false, .next = false, .last = true, .all = true, .scrollBar = {}};
  }
  return outcome;
}

ClickOutcome ChartClick(Data& data, const Star& star, ViewState& view, ChartModel& chart,
                        const ClickRequest& request) {
  SeriesPoint point{request.series, request.index};
  // Only marking knows a cross of its own; every other action takes the point under it.
  if (request.graphItem != static_cast<int>(GraphSelection::Point)) point = PointUnderCross(chart, point);
  switch (request.graphItem) {
    case static_cast<int>(GraphSelection::Point):
      return SelectPoint(data, chart, view, point.series, point.index, request.axis);
    case static_cast<int>(GraphSelection::Area):
      return SelectArea(data, chart, view, point.series, point.index, request.axis);
    case static_cast<int>(GraphSelection::SingleNight):
      return SelectSingleNight(data, chart, view, point.series, point.index);
    case static_cast<int>(GraphSelection::Night):
      return SelectNight(data, view, point.series, point.index);
    default:
      break;
  }
  ClickOutcome outcome;
  if (request.dataItem >= 0 && request.dataItem < kMeasurementCount) {
    outcome.colourButtonShown = true;
    outcome.crosshair = true;
    outcome.note = MeasureClick(static_cast<Measurement>(request.dataItem), data, star, view, point.series,
                                point.index, request.separator);
  }
  return outcome;
}

GroupSwitch SwitchGroups(bool graphEnabledNow) {
  if (graphEnabledNow) return {.graphEnabled = false, .graphItem = -1, .dataItem = 0};
  return {.graphEnabled = true, .graphItem = 0, .dataItem = -1};
}

void ForgetPendingArea(ViewState& view) {
  view.areaFirstDone = false;
}

}  // namespace ombrane
