// The light-curve drawing rules: every entry is drawn in kLightCurveSeries in its night's colour, and
// marked entries once more in kMarkedSeries in that series' own colour.
#pragma once

#include <cstdint>
#include <string>

#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane {

// Adds (jd[i], mag[i]), rounded to double, to kLightCurveSeries in nightColours[night[i]]; when
// markFlag[i] is 1 the same point goes to kMarkedSeries in kSeriesColour. An index outside the
// store's capacity adds nothing.
void AddLightCurvePoint(ChartModel& chart, const Data& data, int i);
// The same in a given colour in place of the night's.
void AddLightCurvePoint(ChartModel& chart, const Data& data, int i, uint32_t colour);

// The error bar of entry e drawn at (x, y) in `colour`, when the store carries errors;
// nothing otherwise.
void AddErrorBar(ChartModel& chart, const Data& data, int32_t e, double x, double y, uint32_t colour);

// AddLightCurvePoint for every entry first <= i < endExclusive.
void DrawLightCurveRange(ChartModel& chart, const Data& data, int first, int endExclusive);

// AddLightCurvePoint for every entry i < limitExclusive whose night is nightIndex, in entry
// order (a night that comes back after another one is a different night index, so this is
// one run of consecutive entries).
void DrawNightEntries(ChartModel& chart, const Data& data, int nightIndex, int limitExclusive);

// AddLightCurvePoint in `colour` for every entry i < limitExclusive whose Julian Day has the
// integer part (truncated toward zero) `day`, in entry order: a whole day, also when it comes
// back after another night.
void DrawDayEntries(ChartModel& chart, const Data& data, long double day, uint32_t colour,
                    int limitExclusive);

// The picture after a load: clears the night view, bottom axis "Julian Day", the title is the
// one line `name`, the left axis inverted (brighter up), and all N entries drawn (the repeat
// of the last observation included).
void DrawLoadedCurve(ChartModel& chart, const Data& data, const std::string& name);

}  // namespace ombrane
