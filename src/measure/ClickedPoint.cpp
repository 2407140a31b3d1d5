#include "measure/ClickedPoint.h"

#include <algorithm>

#include "common/FloatingPoint.h"

namespace ombrane {

std::optional<ClickedEntry> EntryOfClick(const Data& data, const ViewState& view, int series, int r) {
  if (r < 0) return std::nullopt;
  const int64_t n = data.pointCount;
  ClickedEntry clicked;
  switch (series) {
    case kLightCurveSeries: {
      const int64_t e = int64_t{r} + view.shownNightFirst;
      if (!HoldsEntry(data, e)) return std::nullopt;
      clicked.entry = static_cast<int32_t>(e);
      clicked.position = clicked.entry;
      return clicked;
    }
    case kPhaseSeries: {
      const int64_t p = int64_t{r} + 1;
      if (!HoldsPosition(data, p) || !HoldsEntry(data, data.sortIndex[static_cast<size_t>(p)]))
        return std::nullopt;
      clicked.position = static_cast<int32_t>(p);
      clicked.entry = data.sortIndex[static_cast<size_t>(p)];
      clicked.onPhaseDiagram = true;
      return clicked;
    }
    case kSecondCycleSeries: {
      // The picture that drew the series says where it starts (a fit's leaves out position 0).
      const int64_t p = int64_t{r} + view.secondCycleFirst;
      // Position N + p is named; its values are formed from p (a redraw writes no copies).
      if (!HoldsPosition(data, p) || !HoldsEntry(data, data.sortIndex[static_cast<size_t>(p)]))
        return std::nullopt;
      clicked.position = static_cast<int32_t>(n + p);
      clicked.entry = data.sortIndex[static_cast<size_t>(p)];
      clicked.onPhaseDiagram = true;
      clicked.secondCycleApart = true;
      return clicked;
    }
    default:
      return std::nullopt;
  }
}

double PhaseOfClick(const Data& data, const ClickedEntry& clicked) {
  // A second-cycle position stands one cycle after its first-cycle twin. The phase drawing stores
  // that value only while it draws phases, so it is formed here from the twin, as the drawing
  // forms it, and holds whichever abscissa the diagram shows.
  const int32_t n = data.pointCount;
  if (clicked.position >= n && n > 0) {
    const auto twin = static_cast<size_t>(clicked.position - n);
    return static_cast<double>(data.sortedPhase[twin] + 1.0L);
  }
  return ToDouble(data.sortedPhase[static_cast<size_t>(clicked.position)]);
}

SeriesPoint PointUnderCross(const ChartModel& chart, SeriesPoint clicked) {
  if (clicked.series != kMarkedSeries) return clicked;
  const ChartSeries& crosses = chart.Series(kMarkedSeries);
  if (clicked.index < 0 || clicked.index >= crosses.Count()) return clicked;
  const ChartPoint& cross = crosses.Point(clicked.index);
  for (int s : {kLightCurveSeries, kPhaseSeries, kSecondCycleSeries}) {
    const ChartSeries& series = chart.Series(s);
    const auto& points = series.Points();
    // A series in ascending x holds the points at the cross's x side by side: bisect to the
    // first of them. One holding a NaN x is in no order and is searched whole.
    auto first = points.begin();
    if (series.SortedByX())
      first = std::lower_bound(points.begin(), points.end(), cross.x,
                               [](const ChartPoint& p, double x) { return p.x < x; });
    for (auto it = first; it != points.end(); ++it) {
      if (it->x == cross.x && it->y == cross.y) return {s, static_cast<int>(it - points.begin())};
      if (series.SortedByX() && it->x != cross.x) break;
    }
  }
  return clicked;
}

}  // namespace ombrane
