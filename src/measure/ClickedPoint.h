// What a clicked chart point stands for. The chart reports a click as a series and the point's
// index r within it; the drawing rules fix what each point shows:
//   kLightCurveSeries (light curve)       point r is entry r + shownNightFirst;
//   kPhaseSeries (phase diagram)     point r is sorted position r + 1 (first the positions 1 .. N-1,
//                               then the second cycle N .. 2N-2), entry sortIndex[r + 1];
//   kSecondCycleSeries (second cycle drawn apart by the magnitude steps or a fit)
//                               point r is sorted position p = r + view.secondCycleFirst one
//                               cycle on (the steps draw from position 0, a fit from 1): entry
//                               sortIndex[p], abscissa sortedPhase[p] + 1; it is named as
//                               position N + p, where the phase drawing keeps the second cycle
//                               of position p;
//   kMarkedSeries (marks)             a cross over a point of one of the series above.
// The other series (fitted curve, vertical markers, the unused two) stand for no observation.
#pragma once

#include <cstdint>
#include <optional>

#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane {

struct ClickedEntry {
  int32_t entry = 0;     // entry index of the observation
  int32_t position = 0;  // sorted position on the phase diagram; the entry on the light curve
  bool onPhaseDiagram = false;
  bool secondCycleApart = false;  // a kSecondCycleSeries point: the abscissa is sortedPhase[entry's pos] + 1
};

// The observation behind point r of `series`, or nullopt for a series that stands for none or an
// index outside the arrays (the chart never delivers one; a stale fold may hold any index).
std::optional<ClickedEntry> EntryOfClick(const Data& data, const ViewState& view, int series, int r);

// The phase of a phase-diagram click (second-cycle points one more), as the diagram stores it.
double PhaseOfClick(const Data& data, const ClickedEntry& clicked);

// A click on a cross of kMarkedSeries stands for the point under it: the first point of kLightCurveSeries,
// kPhaseSeries or kSecondCycleSeries (in this order) at exactly the cross's x and y. Any other click, and a
// cross over nothing, is returned unchanged.
struct SeriesPoint {
  int series = 0;
  int index = 0;
};
SeriesPoint PointUnderCross(const ChartModel& chart, SeriesPoint clicked);

}  // namespace ombrane
