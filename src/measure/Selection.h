// What a click on a chart point does: the four selections of the "Graph " group (mark a point,
// pick the two ends of an area, show a single night, pick the night of the magnitude steps),
// the switch between the two radio groups, and the dispatch of a click to a selection or to a
// two-click measurement. Everything acts on the records and the chart model; the outcome tells
// the window what to do with its controls.
#pragma once

#include <optional>
#include <string>

#include "phase/Fold.h"
#include "store/Operations.h"
#include "store/Records.h"
#include "view/ChartModel.h"
#include "view/Navigation.h"

namespace ombrane {

// The items of the "Graph " radio group, in their order.
enum class GraphSelection { Point = 0, Area = 1, SingleNight = 2, Night = 3 };

struct ClickOutcome {
  bool crosshair = false;                    // draw the exclusive-or crosshair at the click's pixel
  std::optional<bool> colourButtonShown;     // show or hide the crosshair colour button
  std::optional<bool> minimumTimingEnabled;  // the minimum timing
  std::optional<bool> deleteEnabled;         // Delete
  NightButtons nightButtons;                 // First, Previous, Next, Last, All
  bool chartChanged = false;                 // the chart model changed: repaint
  bool newPicture = false;                   // a new picture replaced the old one: show it whole
  std::optional<std::string> note;           // a line for the notes pane
  // The data operation the click made, already applied to the records (a mark or an unmark of
  // Select Point): the window records it in its list of operations.
  std::optional<Operation> operation;
};

// Select Point: a light-curve or phase-diagram point marks its entry (once) and draws its cross
// in kMarkedSeries; a cross of kMarkedSeries on the light curve removes the mark of the first
// marked entry with the cross's values. The outcome names the mark or unmark made.
ClickOutcome SelectPoint(Data& data, ChartModel& chart, const ViewState& view, int series, int r,
                         PhaseAxis axis);

// Edit > Clear marks: takes every mark off (those of Select Point and those of the automatic
// fit's outlier clipping are one kind of mark), the second-cycle copies included, and removes
// their crosses (kMarkedSeries) from the picture. Returns how many observations were marked.
int32_t ClearMarks(Data& data, ChartModel& chart);

// The crosses of kMarkedSeries drawn anew over the points shown (kLightCurveSeries, kPhaseSeries,
// kSecondCycleSeries) whose entries are marked, at the points' own places: the picture after
// marks were undone or redone.
void RedrawMarks(const Data& data, const ViewState& view, ChartModel& chart);

// Select Area: the first click stores areaIndex1 and draws a lime "min" marker in kMarkerSeries, the
// second stores areaIndex2 and a second marker and enables the minimum timing, and Delete while
// no phase diagram has been drawn since loading.
ClickOutcome SelectArea(const Data& data, ChartModel& chart, ViewState& view, int series, int r,
                        PhaseAxis axis);

// Select Single Night: the light curve of the clicked point's night alone (from the light curve:
// every observation of that whole Julian Day, in the colour of the clicked night; from the phase
// diagram: the entries of the clicked night), which becomes the current night.
ClickOutcome SelectSingleNight(const Data& data, ChartModel& chart, ViewState& view, int series, int r);

// Select Night: starts a new brightness-shift report for the clicked night; on the phase
// diagram its night becomes the night of the magnitude steps.
ClickOutcome SelectNight(Data& data, ViewState& view, int series, int r);

// A click on point r of `series` with the given items of the two radio groups (-1 = none):
// the selection of the "Graph " group or the measurement of the "Data" group.
struct ClickRequest {
  int graphItem = -1;
  int dataItem = -1;
  PhaseAxis axis = PhaseAxis::Phase;  // the abscissa of the phase diagram ("Plot/File")
  int series = 0;
  int index = 0;
  char separator = '.';
};
ClickOutcome ChartClick(Data& data, const Star& star, ViewState& view, ChartModel& chart,
                        const ClickRequest& request);

// The radio group switch: which group is enabled and the item each one shows afterwards.
struct GroupSwitch {
  bool graphEnabled = true;
  int graphItem = 0;
  int dataItem = -1;
};
GroupSwitch SwitchGroups(bool graphEnabledNow);

// A load forgets a pending first area click: the second click of the next file must not pair
// with a point of the previous one.
void ForgetPendingArea(ViewState& view);

}  // namespace ombrane
