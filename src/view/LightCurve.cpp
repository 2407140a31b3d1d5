#include "view/LightCurve.h"

#include <algorithm>
#include <cmath>

#include "common/FloatingPoint.h"
#include "store/NightIndex.h"

namespace ombrane {

void AddLightCurvePoint(ChartModel& chart, const Data& data, int i) {
  if (!HoldsEntry(data, i)) return;
  AddLightCurvePoint(chart, data, i, NightColour(data.night[static_cast<size_t>(i)]));
}

void AddLightCurvePoint(ChartModel& chart, const Data& data, int i, uint32_t colour) {
  if (!HoldsEntry(data, i)) return;
  const auto at = static_cast<size_t>(i);
  // Rounded to double as the chart stores them; a value beyond the double range faults.
  const double x = ToDouble(data.jd[at]);
  const double y = ToDouble(data.mag[at]);
  chart.Series(kLightCurveSeries).Add(x, y, colour);
  AddErrorBar(chart, data, i, x, y, colour);
  if (data.markFlag[at] == 1) chart.Series(kMarkedSeries).Add(x, y, kSeriesColour);
}

void AddErrorBar(ChartModel& chart, const Data& data, int32_t e, double x, double y, uint32_t colour) {
  if (e < 0 || static_cast<size_t>(e) >= data.magError.size()) return;
  chart.errorBars.push_back({x, y, static_cast<float>(data.magError[static_cast<size_t>(e)]), colour});
}

void DrawLightCurveRange(ChartModel& chart, const Data& data, int first, int endExclusive) {
  const int end = std::min(endExclusive, static_cast<int>(data.night.size()));
  for (int i = std::max(first, 0); i < end; ++i) AddLightCurvePoint(chart, data, i);
}

void DrawNightEntries(ChartModel& chart, const Data& data, int nightIndex, int limitExclusive) {
  const int end = std::min(limitExclusive, static_cast<int>(data.night.size()));
  for (int i = 0; i < end; ++i) {
    if (data.night[static_cast<size_t>(i)] == nightIndex) AddLightCurvePoint(chart, data, i);
  }
}

void DrawDayEntries(ChartModel& chart, const Data& data, long double day, uint32_t colour,
                    int limitExclusive) {
  const int end = std::min(limitExclusive, static_cast<int>(data.night.size()));
  for (int i = 0; i < end; ++i) {
    if (std::trunc(data.jd[static_cast<size_t>(i)]) == day) AddLightCurvePoint(chart, data, i, colour);
  }
}

void DrawLoadedCurve(ChartModel& chart, const Data& data, const std::string& name) {
  ClearNightView(chart);
  chart.bottomAxisTitle = TimeAxisTitle(data.timeScale);
  chart.titleLines.clear();
  chart.leftAxisInverted = true;
  chart.titleLines.push_back(name);
  DrawLightCurveRange(chart, data, 0, data.pointCount);
}

}  // namespace ombrane
