#include "view/Navigation.h"

#include <charconv>

#include "store/Loading.h"
#include "view/LightCurve.h"

namespace ombrane {
namespace {

std::string IntText(int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// "Night: k/n" with both numbers counted from 1.
std::string NightText(int32_t nightIndex, int32_t lastNight) {
  return "Night: " + IntText(int64_t{nightIndex} + 1) + "/" + IntText(int64_t{lastNight} + 1);
}

bool InTable(int32_t k, const ViewState& view) {
  return k >= 0 && k <= view.lastNight && static_cast<size_t>(k) < view.nightCount.size();
}

// Row k of a night table; 0 for a row the table does not hold (an empty store has none).
int32_t RowOf(const std::vector<int32_t>& table, int32_t k) {
  return k >= 0 && static_cast<size_t>(k) < table.size() ? table[static_cast<size_t>(k)] : 0;
}

int32_t CountOf(const ViewState& view, int32_t k) {
  return RowOf(view.nightCount, k);
}

// Starts a new light-curve picture: clears the night view, sets the title and the abscissa.
void BeginPicture(ChartModel& chart, const Data& data, std::optional<std::string> titleLine) {
  ClearNightView(chart);
  chart.titleLines.clear();
  if (titleLine) chart.titleLines.push_back(std::move(*titleLine));
  chart.bottomAxisTitle = TimeAxisTitle(data.timeScale);
}

}  // namespace

NavigationOutcome ShowFirstNight(const Data& data, ViewState& view, ChartModel& chart) {
  BeginPicture(chart, data, "LIGHT CURVE  File name:" + data.fileName);
  DrawLightCurveRange(chart, data, 0, RowOf(view.nightEnd, 0));
  view.currentNight = 0;
  view.shownNightFirst = RowOf(view.nightFirst, 0);

  NavigationOutcome out;
  out.drawn = true;
  out.buttons = {.first = false, .previous = false, .next = true, .last = true, .all = true, .scrollBar = {}};
  out.nightText = view.lastNight != 0 ? NightText(0, view.lastNight) : IntText(1);
  return out;
}

NavigationOutcome ShowNextNight(const Data& data, ViewState& view, ChartModel& chart) {
  NavigationOutcome out;
  if (view.currentNight + 1 >= view.lastNight) {
    out.buttons.next = false;
    view.currentNight = view.lastNight;
    return out;
  }
  int32_t k = view.currentNight + 1;
  while (InTable(k, view) && CountOf(view, k) < view.minNightPoints) ++k;
  if (!InTable(k, view)) {  // no later night has enough points
    out.buttons.next = false;
    return out;
  }

  view.currentNight = k;
  BeginPicture(chart, data, data.fileName);
  DrawNightEntries(chart, data, k, data.pointCount);
  out.drawn = true;
  out.buttons = {
      .first = true, .previous = true, .next = std::nullopt, .last = true, .all = true, .scrollBar = {}};
  if (k == view.lastNight) out.buttons.next = false;
  out.nightText = NightText(k, view.lastNight);
  view.shownNightFirst = RowOf(view.nightFirst, k);
  return out;
}

NavigationOutcome ShowPreviousNight(const Data& data, ViewState& view, ChartModel& chart) {
  NavigationOutcome out;
  int32_t k = view.currentNight - 1;
  while (InTable(k, view) && CountOf(view, k) < view.minNightPoints) --k;
  if (!InTable(k, view)) {  // no earlier night has enough points
    out.buttons.previous = false;
    return out;
  }

  view.currentNight = k;
  BeginPicture(chart, data, data.fileName);
  DrawNightEntries(chart, data, k, RealCount(data));
  out.drawn = true;
  out.buttons = {
      .first = true, .previous = std::nullopt, .next = true, .last = true, .all = true, .scrollBar = {}};
  out.nightText = NightText(k, view.lastNight);
  view.shownNightFirst = RowOf(view.nightFirst, k);
  if (k == 0) out.buttons.previous = false;
  return out;
}

NavigationOutcome ShowLastNight(const Data& data, ViewState& view, ChartModel& chart) {
  const int32_t observations = RealCount(data);
  const int32_t lastObservedNight =
      observations >= 1 ? data.night[static_cast<size_t>(observations - 1)] : view.lastNight;
  BeginPicture(chart, data, std::nullopt);
  DrawNightEntries(chart, data, lastObservedNight, observations);
  view.currentNight = view.lastNight;

  NavigationOutcome out;
  out.drawn = true;
  out.buttons = {.first = true, .previous = true, .next = false, .last = false, .all = true, .scrollBar = {}};
  out.showNightText = true;
  out.nightText = NightText(view.lastNight, view.lastNight);
  if (InTable(view.lastNight, view))
    view.shownNightFirst = view.nightFirst[static_cast<size_t>(view.lastNight)];
  return out;
}

namespace {

// The night label of the whole light curve: how many nights it holds.
std::string AllNightsText(const ViewState& view) {
  return " Quantity nights: " + IntText(int64_t{view.lastNight} + 1);
}

}  // namespace

NavigationOutcome ShowAllNights(const Data& data, ViewState& view, ChartModel& chart) {
  BeginPicture(chart, data, data.fileName);
  DrawLightCurveRange(chart, data, 0, RealCount(data));

  NavigationOutcome out;
  out.drawn = true;
  out.buttons = {
      .first = true, .previous = false, .next = false, .last = true, .all = std::nullopt, .scrollBar = {}};
  out.showNightText = true;
  out.nightText = AllNightsText(view);
  view.currentNight = -1;
  view.shownNightFirst = 0;
  return out;
}

NavigationOutcome ApplyMinNightPoints(ViewState& view, int32_t position) {
  view.nightsShown = view.lastNight;
  view.minNightPoints = position;
  for (int32_t i = 0; i < view.lastNight; ++i) {
    if (CountOf(view, i) < view.minNightPoints) --view.nightsShown;
  }
  const int64_t count = view.nightsShown != 0 ? int64_t{view.nightsShown} + 1 : 0;

  NavigationOutcome out;
  out.showNightText = true;
  out.nightText = "Min points: " + IntText(view.minNightPoints) + "\n" + "Night: " + IntText(count) + "/" +
                  IntText(int64_t{view.lastNight} + 1);
  return out;
}

namespace {

// The buttons after the entries changed (a load, a deletion): the all-nights view with First and
// Last when there are three nights or more; otherwise night 1 with no minimum size, and All as
// `allWhenFew` says.
NightButtons ButtonsAfterNewEntries(ViewState& view, bool allWhenFew) {
  if (view.lastNight > 1)
    return {.first = true, .previous = false, .next = false, .last = true, .all = true, .scrollBar = true};
  ApplyLoadedNightState(view);
  return {
      .first = false, .previous = false, .next = false, .last = false, .all = allWhenFew, .scrollBar = {}};
}

}  // namespace

NavigationOutcome NightStateAfterLoad(ViewState& view) {
  NavigationOutcome out;
  // A load shows the whole new curve: the label, shown or not, names the new file's nights and
  // never keeps "Night: 26/40" of the file before.
  out.nightText = AllNightsText(view);
  out.buttons = ButtonsAfterNewEntries(view, true);
  return out;
}

NavigationOutcome NightStateAfterDelete(ViewState& view) {
  NavigationOutcome out;
  out.buttons = ButtonsAfterNewEntries(view, false);
  return out;
}

}  // namespace ombrane
