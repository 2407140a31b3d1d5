#include "measure/Selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "measure/ClickedPoint.h"
#include "phase/FoldPresentation.h"
#include "store/NightIndex.h"
#include "view/LightCurve.h"
#include "view/NightFixture.h"

namespace ombrane {
namespace {

constexpr uint32_t kLime = 0x00FF00;

// Three nights of three observations (entries 0..8) and the repeat (entry 9): night k at Julian
// Days 2450000 + k + 0.1, 0.11, 0.12 and magnitudes 10 + k + 0, 0.001, 0.002. A fold written by
// hand: sorted position p holds entry (7 p) mod 10 at phase p / 10, so the night order is mixed.
struct Fixture {
  test::NightStore store = test::MakeNights({3, 3, 3});
  Data& data = *store.data;
  ViewState& view = *store.view;
  std::unique_ptr<Star> star = std::make_unique<Star>();
  ChartModel chart;

  Fixture() {
    for (int32_t p = 0; p < 10; ++p) {
      data.sortIndex[p] = (7 * p) % 10;
      data.sortedPhase[p] = p / 10.0;
      data.jdAverage[p] = 2450001.0L + p / 10.0L;
    }
    view.currentNight = -1;
    star->period = 1;
  }
  // The whole light curve, as after a load.
  void DrawAll() { DrawLightCurveRange(chart, data, 0, data.pointCount); }
  // Night k alone, as navigation shows it.
  void ShowNight(int32_t k) {
    ClearNightView(chart);
    view.currentNight = k;
    view.shownNightFirst = view.nightFirst[k];
    DrawNightEntries(chart, data, k, data.pointCount - 1);
  }
  // The phase diagram of the fold (positions 1..9, then 0..8 one cycle on).
  void DrawDiagram(PhaseAxis axis) { PlotPhaseDiagram(data, star->period, axis, chart, view); }
  ClickOutcome Click(int graphItem, int series, int r, PhaseAxis axis = PhaseAxis::Phase) {
    return ChartClick(data, *star, view, chart,
                      {.graphItem = graphItem,
                       .dataItem = -1,
                       .axis = axis,
                       .series = series,
                       .index = r,
                       .separator = '.'});
  }
};

constexpr int kPoint = 0, kArea = 1, kSingleNight = 2, kNight = 3;

TEST(SelectPoint, MarksTheClickedEntryOfTheNightShownOnce) {
  Fixture f;
  f.ShowNight(2);
  f.Click(kPoint, kLightCurveSeries, 1);  // the second point of night 2: entry 7
  f.Click(kPoint, kLightCurveSeries, 1);
  EXPECT_EQ(f.data.markFlag[7], 1);
  EXPECT_EQ(f.data.markCount, 1);
  ASSERT_EQ(f.chart.Series(kMarkedSeries).Count(), 1);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Point(0).x, static_cast<double>(2450002.11L));
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Point(0).y, static_cast<double>(12.001L));
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Point(0).colour, kSeriesColour);
  // Another night and back: the mark is drawn on the same entry.
  f.ShowNight(0);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Count(), 0);
  f.ShowNight(2);
  ASSERT_EQ(f.chart.Series(kMarkedSeries).Count(), 1);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Point(0).x, static_cast<double>(2450002.11L));
}

TEST(SelectPoint, OnThePhaseDiagramMarksTheEntryOfTheSortedPosition) {
  for (PhaseAxis axis : {PhaseAxis::Phase, PhaseAxis::JdAverage}) {
    Fixture f;
    f.DrawDiagram(axis);
    f.chart.Series(kMarkedSeries).Clear();
    f.Click(kPoint, kPhaseSeries, 2, axis);  // position 3: entry 1, phase 0.3
    EXPECT_EQ(f.data.markFlag[1], 1);
    ASSERT_EQ(f.chart.Series(kMarkedSeries).Count(), 1);
    EXPECT_EQ(f.chart.Series(kMarkedSeries).Point(0).x, axis == PhaseAxis::Phase ? 0.3 : 2450001.3);
    EXPECT_EQ(f.chart.Series(kMarkedSeries).Point(0).y, static_cast<double>(10.001L));
  }
}

TEST(SelectPoint, ACrossOnTheLightCurveUnmarksItsEntryOnThePhaseDiagramNothing) {
  Fixture f;
  f.data.markFlag[4] = 1;
  f.data.markFlag[6] = 1;
  f.data.markCount = 2;
  f.DrawAll();
  const ClickOutcome outcome = f.Click(kPoint, kMarkedSeries, 1);  // the cross of entry 6
  EXPECT_EQ(outcome.colourButtonShown, std::optional<bool>(false));
  EXPECT_EQ(f.data.markFlag[6], 0);
  EXPECT_EQ(f.data.markFlag[4], 1);
  EXPECT_EQ(f.data.markCount, 1);
  ASSERT_EQ(f.chart.Series(kMarkedSeries).Count(), 1);

  f.DrawDiagram(PhaseAxis::Phase);
  const int crosses = f.chart.Series(kMarkedSeries).Count();
  ASSERT_GT(crosses, 0);
  f.Click(kPoint, kMarkedSeries, 0);
  EXPECT_EQ(f.data.markFlag[4], 1);
  EXPECT_EQ(f.data.markCount, 1);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Count(), crosses);
}

// Clear marks takes off the marks of a click and of the fit's clipping alike, the copies of the
// second cycle too, and the crosses of the picture; the other series stay.
TEST(ClearMarks, TakesEveryMarkAndItsCrossOff) {
  Fixture f;
  f.Click(kPoint, kLightCurveSeries, 2);  // a mark by hand: entry 2 of the whole curve
  f.data.markFlag[7] = 1;                 // and one as the clipping leaves it
  ++f.data.markCount;
  f.DrawDiagram(PhaseAxis::Phase);  // the second cycle names the same entries and their flags
  ASSERT_EQ(f.data.markFlag.size(), 10u);
  const int points = f.chart.Series(kPhaseSeries).Count();
  ASSERT_GT(f.chart.Series(kMarkedSeries).Count(), 0);

  EXPECT_EQ(ClearMarks(f.data, f.chart), 2);
  for (size_t i = 0; i < f.data.markFlag.size(); ++i) ASSERT_EQ(f.data.markFlag[i], 0) << i;
  EXPECT_EQ(f.data.markCount, 0);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Count(), 0);
  EXPECT_EQ(f.chart.Series(kPhaseSeries).Count(), points);
  // Nothing marked: nothing to count; a point can be marked again.
  EXPECT_EQ(ClearMarks(f.data, f.chart), 0);
  f.DrawAll();
  f.Click(kPoint, kLightCurveSeries, 2);
  EXPECT_EQ(f.data.markFlag[2], 1);
  EXPECT_EQ(f.data.markCount, 1);
}

// The outcome names the mark or unmark the click made, for the list of operations. The cross of
// the loader's repeat of the last observation (entry 9, the values of entry 8) unmarks the
// repeat, not its unmarked twin.
TEST(SelectPoint, NamesTheOperationItMade) {
  Fixture f;
  f.DrawAll();
  EXPECT_EQ(f.Click(kPoint, kLightCurveSeries, 9).operation, std::optional<Operation>(MarkOperation{{9}}));
  EXPECT_EQ(f.Click(kPoint, kLightCurveSeries, 9).operation, std::nullopt);  // marked already
  ASSERT_EQ(f.chart.Series(kMarkedSeries).Count(), 1);
  EXPECT_EQ(f.Click(kPoint, kMarkedSeries, 0).operation, std::optional<Operation>(UnmarkOperation{{9}}));
  EXPECT_EQ(f.data.markFlag[9], 0);
  EXPECT_EQ(f.data.markFlag[8], 0);
  EXPECT_EQ(f.data.markCount, 0);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Count(), 0);
}

// After marks are undone or redone the crosses are drawn again over the points shown: those of
// the night shown on the light curve, and both cycles of a marked entry on the phase diagram,
// where the diagram's own drawing puts them.
TEST(RedrawMarks, CrossesThePointsShownOfMarkedEntries) {
  Fixture f;
  f.data.markFlag[4] = 1;
  f.data.markFlag[8] = 1;
  f.data.markCount = 2;
  f.ShowNight(1);  // entries 3, 4, 5
  f.chart.Series(kMarkedSeries).Clear();
  f.chart.Series(kMarkedSeries).Add(1, 1);  // a cross left from before
  RedrawMarks(f.data, f.view, f.chart);
  ASSERT_EQ(f.chart.Series(kMarkedSeries).Count(), 1);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Point(0).x, static_cast<double>(f.data.jd[4]));
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Point(0).y, static_cast<double>(f.data.mag[4]));

  f.DrawDiagram(PhaseAxis::Phase);
  std::vector<std::pair<double, double>> drawn;
  for (const ChartPoint& p : f.chart.Series(kMarkedSeries).Points()) drawn.emplace_back(p.x, p.y);
  ASSERT_EQ(drawn.size(), 4u);  // entry 4 at positions 2 and 12, entry 8 at 4 and 14
  RedrawMarks(f.data, f.view, f.chart);
  std::vector<std::pair<double, double>> redrawn;
  for (const ChartPoint& p : f.chart.Series(kMarkedSeries).Points()) redrawn.emplace_back(p.x, p.y);
  std::sort(drawn.begin(), drawn.end());
  std::sort(redrawn.begin(), redrawn.end());
  EXPECT_EQ(redrawn, drawn);
}

TEST(SelectPoint, OtherSeriesDoNothing) {
  Fixture f;
  f.DrawAll();
  f.chart.Series(kMarkerSeries).Add(2450000.1, 10, kLime);
  for (int series : {kSecondCycleSeries, kMarkerSeries}) f.Click(kPoint, series, 0);
  EXPECT_EQ(f.data.markCount, 0);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Count(), 0);
}

TEST(SelectArea, PhaseDiagramThenLightCurve) {
  Fixture f;
  f.DrawDiagram(PhaseAxis::Phase);
  f.chart.Series(kMarkerSeries).Add(0.5, 10, 0x0000FF);  // a marker of an earlier picture
  ClickOutcome first = f.Click(kArea, kPhaseSeries, 4);  // position 5: entry 5, phase 0.5
  EXPECT_TRUE(first.crosshair);
  EXPECT_EQ(first.colourButtonShown, std::optional<bool>(true));
  EXPECT_EQ(first.minimumTimingEnabled, std::optional<bool>(false));
  EXPECT_EQ(first.deleteEnabled, std::optional<bool>(false));
  EXPECT_EQ(f.view.areaIndex1, 5);
  EXPECT_EQ(f.view.areaFirstDone, true);
  EXPECT_EQ(f.view.areaOnLightCurve, false);
  ASSERT_EQ(f.chart.Series(kMarkerSeries).Count(), 1);
  const ChartPoint& marker = f.chart.Series(kMarkerSeries).Point(0);
  EXPECT_EQ(marker.x, 0.5);
  EXPECT_EQ(marker.y, static_cast<double>(11.002L));
  EXPECT_EQ(marker.label, "min");
  EXPECT_EQ(marker.colour, kLime);

  f.DrawAll();  // the light curve with the first marker gone from the picture
  ClickOutcome second = f.Click(kArea, kLightCurveSeries, 8);
  EXPECT_EQ(f.view.areaIndex2, 8);
  EXPECT_EQ(f.view.areaOnLightCurve, true);
  EXPECT_EQ(f.view.areaFirstDone, false);
  EXPECT_EQ(second.minimumTimingEnabled, std::optional<bool>(true));
  EXPECT_FALSE(second.deleteEnabled.has_value());  // a phase diagram was drawn
}

TEST(SelectArea, DeleteIsEnabledOnlyWhileNoPhaseDiagramWasDrawn) {
  for (bool phaseView : {false, true}) {
    Fixture f;
    f.view.phaseView = phaseView;
    f.view.shownNightFirst = 3;
    f.ShowNight(1);
    f.Click(kArea, kLightCurveSeries, 0);
    const ClickOutcome second = f.Click(kArea, kLightCurveSeries, 2);
    EXPECT_EQ(f.view.areaIndex1, 3);
    EXPECT_EQ(f.view.areaIndex2, 5);
    EXPECT_EQ(second.minimumTimingEnabled, std::optional<bool>(true));
    EXPECT_EQ(second.deleteEnabled, !phaseView ? std::optional<bool>(true) : std::nullopt);
    // Both lime markers stand, on the clicked points.
    ASSERT_EQ(f.chart.Series(kMarkerSeries).Count(), 2);
    EXPECT_EQ(f.chart.Series(kMarkerSeries).Point(1).x, static_cast<double>(2450001.12L));
  }
}

TEST(SelectArea, TheSecondCycleApartOfTheMagnitudeStepsIsItsOwnPoint) {
  Fixture f;
  // kSecondCycleSeries point 2 shows sorted position 2 one cycle on: entry 4 at phase 1.2.
  f.chart.Series(kSecondCycleSeries).Add(1.2, 11.001, 0);
  f.Click(kArea, kSecondCycleSeries, 2);
  EXPECT_EQ(f.view.areaIndex1, 12);  // position N + 2
  ASSERT_EQ(f.chart.Series(kMarkerSeries).Count(), 1);
  EXPECT_EQ(f.chart.Series(kMarkerSeries).Point(0).x, 1.2);
  EXPECT_EQ(f.chart.Series(kMarkerSeries).Point(0).y, static_cast<double>(11.001L));
}

TEST(SelectArea, AClickOnAMarkerOrTheFittedCurveIsNoEndOfTheArea) {
  Fixture f;
  f.DrawAll();
  f.Click(kArea, kLightCurveSeries, 2);
  for (int series : {kFittedCurveSeries, kMarkerSeries}) {
    f.chart.Series(series).Add(2450000.1, 10, kLime);
    const ClickOutcome outcome = f.Click(kArea, series, 0);
    EXPECT_TRUE(outcome.crosshair);
    EXPECT_FALSE(outcome.minimumTimingEnabled.has_value());
  }
  EXPECT_EQ(f.view.areaFirstDone, true);
  EXPECT_EQ(f.view.areaIndex1, 2);
}

TEST(SelectArea, ACrossStandsForThePointUnderIt) {
  Fixture f;
  f.data.markFlag[6] = 1;
  f.DrawAll();
  f.Click(kArea, kMarkedSeries, 0);  // the only cross, over entry 6
  EXPECT_EQ(f.view.areaIndex1, 6);
  EXPECT_EQ(f.view.areaOnLightCurve, true);
}

// A cross stands for the first point at exactly its x and y, looked for in the light curve, then
// the phase diagram's two series. Among many points of one x (a column of a sorted series) the
// first of the cross's y is found; a series holding a NaN x is searched whole.
TEST(PointUnderCross, FindsTheFirstPointOfTheCrossesValues) {
  ChartModel chart;
  ChartSeries& curve = chart.Series(kLightCurveSeries);
  for (int i = 0; i < 1000; ++i) curve.Add(i / 100, i % 100);  // columns x = 0..9 of y = 0..99
  curve.Add(5, 42);  // a second (5, 42), at index 600: the points after it move up by one
  ChartSeries& second = chart.Series(kSecondCycleSeries);
  second.Add(3.5, 7);
  second.Add(std::numeric_limits<double>::quiet_NaN(), 1);
  second.Add(1.5, 7);  // after the NaN: appended, out of x order (3.5, NaN, 1.5)
  ChartSeries& crosses = chart.Series(kMarkedSeries);
  for (const auto& [x, y] :
       std::vector<std::pair<double, double>>{{5, 42}, {1.5, 7}, {9, 100}, {0, 0}, {9, 99}})
    crosses.Add(x, y);
  // The crosses stand in x order: (0, 0), (1.5, 7), (5, 42), (9, 100), (9, 99).
  const struct {
    SeriesPoint clicked;
    SeriesPoint expected;
  } cases[] = {
      {{kMarkedSeries, 2}, {kLightCurveSeries, 542}},    // the first of the two (5, 42)
      {{kMarkedSeries, 1}, {kSecondCycleSeries, 2}},     // found past the NaN
      {{kMarkedSeries, 3}, {kMarkedSeries, 3}},          // over nothing: unchanged
      {{kMarkedSeries, 0}, {kLightCurveSeries, 0}},      // the very first point
      {{kMarkedSeries, 4}, {kLightCurveSeries, 1000}},   // the very last point
      {{kMarkedSeries, 5}, {kMarkedSeries, 5}},          // no such cross
      {{kLightCurveSeries, 7}, {kLightCurveSeries, 7}},  // not a cross
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.clicked.series << " " << c.clicked.index);
    const SeriesPoint found = PointUnderCross(chart, c.clicked);
    EXPECT_EQ(found.series, c.expected.series);
    EXPECT_EQ(found.index, c.expected.index);
  }
}

TEST(SelectArea, APendingFirstPointSurvivesModesButNotALoad) {
  Fixture f;
  f.DrawAll();
  f.Click(kArea, kLightCurveSeries, 2);
  f.Click(kPoint, kLightCurveSeries, 3);
  EXPECT_EQ(f.view.areaFirstDone, true);
  ForgetPendingArea(f.view);
  f.Click(kArea, kLightCurveSeries, 4);
  EXPECT_EQ(f.view.areaFirstDone, true);
  EXPECT_EQ(f.view.areaIndex1, 4);
}

TEST(SelectSingleNight, FromTheLightCurveShowsTheWholeDayInTheClickedNightsColour) {
  Fixture f;
  // Entry 7 moves back to the first day: night index 2 but the Julian Day of night 0.
  f.data.jd[7] = 2450000.5L;
  f.DrawAll();
  f.data.markFlag[1] = 1;
  f.chart.Series(kMarkerSeries).Add(2450000.1, 10, kLime);
  const ClickOutcome outcome = f.Click(kSingleNight, kLightCurveSeries, 0);  // entry 0, night 0
  EXPECT_TRUE(outcome.newPicture);
  EXPECT_EQ(outcome.colourButtonShown, std::optional<bool>(false));
  const ChartSeries& curve = f.chart.Series(kLightCurveSeries);
  ASSERT_EQ(curve.Count(), 4);  // entries 0, 1, 2 and 7
  for (const ChartPoint& p : curve.Points()) EXPECT_EQ(p.colour, nightColours[0]);
  EXPECT_EQ(curve.Point(3).x, 2450000.5);
  EXPECT_EQ(f.chart.Series(kMarkedSeries).Count(), 1);
  EXPECT_EQ(f.chart.Series(kMarkerSeries).Count(), 0);
  EXPECT_EQ(f.chart.bottomAxisTitle, "Julian Day");
  EXPECT_EQ(f.view.currentNight, 0);
  EXPECT_EQ(f.view.shownNightFirst, 0);
  const NightButtons& b = outcome.nightButtons;
  for (const auto* state : {&b.first, &b.previous, &b.next, &b.last, &b.all})
    EXPECT_EQ(*state, std::optional<bool>(true));
}

TEST(SelectSingleNight, FromThePhaseDiagramShowsTheNightOfTheClickedEntry) {
  Fixture f;
  f.DrawDiagram(PhaseAxis::Phase);
  // Point 5 is position 6: entry 2, night 0. Position 9 (entry 3, night 1) is not visited.
  f.Click(kSingleNight, kPhaseSeries, 5);
  EXPECT_EQ(f.view.currentNight, 0);
  EXPECT_EQ(f.chart.Series(kPhaseSeries).Count(), 0);
  const ChartSeries& curve = f.chart.Series(kLightCurveSeries);
  ASSERT_EQ(curve.Count(), 3);
  EXPECT_EQ(curve.Point(0).x, static_cast<double>(2450000.1L));
  EXPECT_EQ(curve.Point(2).x, static_cast<double>(2450000.12L));

  Fixture g;
  g.DrawDiagram(PhaseAxis::Phase);
  g.Click(kSingleNight, kPhaseSeries, 3);  // position 4: entry 8, night 2
  EXPECT_EQ(g.view.currentNight, 2);
  EXPECT_EQ(g.view.shownNightFirst, 6);
}

TEST(SelectSingleNight, OnThePhaseDiagramTheNightSkipsPositionNMinusOne) {
  Fixture f;
  f.DrawDiagram(PhaseAxis::Phase);
  // Position 9 holds entry 3 (night 1); night 1 is entries 3, 4, 5: only 4 and 5 are visited.
  f.Click(kSingleNight, kPhaseSeries, 8);  // position 9 itself
  EXPECT_EQ(f.view.currentNight, 1);
  EXPECT_EQ(f.view.shownNightFirst, 3);
  EXPECT_EQ(f.chart.Series(kLightCurveSeries).Count(), 2);
}

TEST(SelectNight, OnThePhaseDiagramPicksTheNightOfTheMagnitudeSteps) {
  Fixture f;
  f.DrawDiagram(PhaseAxis::Phase);
  f.data.nightShift = 0.25L;
  const ClickOutcome outcome = f.Click(kNight, kPhaseSeries, 3);  // position 4: entry 8, night 2
  EXPECT_EQ(f.data.nightShift, 0);
  EXPECT_EQ(f.data.selectedNightDay, 2450002);
  EXPECT_EQ(f.view.currentNight, 2);
  EXPECT_EQ(f.view.shownNightFirst, 6);
  EXPECT_EQ(outcome.colourButtonShown, std::optional<bool>(false));
  EXPECT_EQ(outcome.nightButtons.first, std::optional<bool>(true));
  EXPECT_EQ(outcome.nightButtons.next, std::optional<bool>(false));
  EXPECT_EQ(outcome.nightButtons.previous, std::optional<bool>(false));
  EXPECT_EQ(outcome.nightButtons.last, std::optional<bool>(true));
  EXPECT_EQ(outcome.nightButtons.all, std::optional<bool>(true));
  EXPECT_FALSE(outcome.chartChanged);
}

TEST(SelectNight, OnTheLightCurveStartsTheReportOfTheClickedDayAndKeepsTheNight) {
  Fixture f;
  f.ShowNight(1);
  f.data.nightShift = 0.25L;
  const ClickOutcome outcome = f.Click(kNight, kLightCurveSeries, 0);  // entry 3
  EXPECT_EQ(f.data.nightShift, 0);
  EXPECT_EQ(f.data.selectedNightDay, 2450001);
  EXPECT_EQ(f.view.currentNight, 1);
  EXPECT_FALSE(outcome.nightButtons.first.has_value());
  EXPECT_FALSE(outcome.nightButtons.next.has_value());
}

TEST(ChartClick, TheDataGroupMeasuresWithTheCrosshair) {
  Fixture f;
  f.DrawAll();
  auto measure = [&f](int r) {
    return ChartClick(f.data, *f.star, f.view, f.chart,
                      {.graphItem = -1,
                       .dataItem = 1,
                       .axis = PhaseAxis::Phase,
                       .series = kLightCurveSeries,
                       .index = r,
                       .separator = ','});
  };
  const ClickOutcome first = measure(0);
  EXPECT_TRUE(first.crosshair);
  EXPECT_EQ(first.colourButtonShown, std::optional<bool>(true));
  EXPECT_FALSE(first.note.has_value());
  const ClickOutcome second = measure(8);
  ASSERT_TRUE(second.note.has_value());
  EXPECT_EQ(*second.note, "dmag: 2,002 ( X1: 2450000,1 X2: 2450002,12 -- Y1: 10 Y2: 12,002 ) ");
  EXPECT_FALSE(second.chartChanged);
}

TEST(ChartClick, NoItemChosenDoesNothing) {
  Fixture f;
  f.DrawAll();
  const ClickOutcome outcome = f.Click(-1, kLightCurveSeries, 0);
  EXPECT_FALSE(outcome.crosshair);
  EXPECT_FALSE(outcome.chartChanged);
  EXPECT_FALSE(outcome.colourButtonShown.has_value());
  EXPECT_EQ(f.data.markCount, 0);
}

TEST(SwitchGroups, TwiceReturnsToSelectPoint) {
  const GroupSwitch once = SwitchGroups(true);
  EXPECT_FALSE(once.graphEnabled);
  EXPECT_EQ(once.graphItem, -1);
  EXPECT_EQ(once.dataItem, 0);
  const GroupSwitch twice = SwitchGroups(once.graphEnabled);
  EXPECT_TRUE(twice.graphEnabled);
  EXPECT_EQ(twice.graphItem, 0);
  EXPECT_EQ(twice.dataItem, -1);
}

}  // namespace
}  // namespace ombrane
