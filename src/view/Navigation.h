// Night-by-night navigation of the light curve: the buttons First, Previous, Next, Last and All
// and the scroll bar of the minimum number of points per night, as operations on the view
// state and the chart model. Each returns what the window has to do with its controls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane {

// New enabled state of each navigation button; nullopt leaves the button as it is.
struct NightButtons {
  std::optional<bool> first, previous, next, last, all;
  std::optional<bool> scrollBar;  // the scroll bar of the minimum number of points
};

struct NavigationOutcome {
  bool drawn = false;  // the chart model now shows a new picture
  NightButtons buttons;
  std::optional<std::string> nightText;  // new text of the night label, if any
  bool showNightText = false;            // make the night label visible
};

// Night 0 with the title "LIGHT CURVE  File name:<file>"; ignores minNightPoints.
NavigationOutcome ShowFirstNight(const Data& data, ViewState& view, ChartModel& chart);

// The next night with at least minNightPoints entries. From the last night but one on it
// draws nothing: it only disables Next and sets currentNight to lastNight, so only Last
// shows the last night. When no later night qualifies it only disables Next.
NavigationOutcome ShowNextNight(const Data& data, ViewState& view, ChartModel& chart);

// The previous night with at least minNightPoints entries; when no earlier night qualifies
// it only disables Previous.
NavigationOutcome ShowPreviousNight(const Data& data, ViewState& view, ChartModel& chart);

// The night of the last observation (the repeated entry not drawn), with an empty title;
// ignores minNightPoints.
NavigationOutcome ShowLastNight(const Data& data, ViewState& view, ChartModel& chart);

// Every observation (entries 0 .. N - 2); currentNight becomes -1.
NavigationOutcome ShowAllNights(const Data& data, ViewState& view, ChartModel& chart);

// The buttons after a load (also after a cancelled dialog): with three nights or more First,
// Last, All and the scroll bar enabled, Next and Previous disabled; with fewer only All
// enabled, currentNight = 1 and minNightPoints = 1 (the scroll bar is left as it was). The night
// label gets the text of the whole curve, " Quantity nights: " and the new file's count.
NavigationOutcome NightStateAfterLoad(ViewState& view);

// The buttons after a Delete: as after a load with three nights or more; with fewer every night
// button is disabled, All too (the whole curve is already shown), currentNight = 1 and
// minNightPoints = 1.
NavigationOutcome NightStateAfterDelete(ViewState& view);

// The scroll bar moved to `position`: sets minNightPoints and counts in nightsShown the
// nights that Next and Previous will visit (the last night is not examined). Draws nothing.
NavigationOutcome ApplyMinNightPoints(ViewState& view, int32_t position);

}  // namespace ombrane
