#include "view/Navigation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "NightFixture.h"

namespace ombrane {
namespace {

using Handler = NavigationOutcome (*)(const Data&, ViewState&, ChartModel&);

// Expected button states: 'E' enabled, 'D' disabled, '-' unchanged, in the order
// First, Previous, Next, Last, All.
void ExpectButtons(const NightButtons& b, const char (&states)[6], const std::string& where) {
  const std::optional<bool>* got[5] = {&b.first, &b.previous, &b.next, &b.last, &b.all};
  const char* names[5] = {"First", "Previous", "Next", "Last", "All"};
  for (int i = 0; i < 5; ++i) {
    const std::optional<bool> want = states[i] == '-' ? std::nullopt : std::optional<bool>(states[i] == 'E');
    EXPECT_EQ(*got[i], want) << where << ": button " << names[i];
  }
}

std::vector<double> Xs(const ChartSeries& s) {
  std::vector<double> out;
  for (const ChartPoint& p : s.Points()) out.push_back(p.x);
  return out;
}

std::vector<double> JdOf(const Data& d, const std::vector<int>& entries) {
  std::vector<double> out;
  for (int i : entries) out.push_back(static_cast<double>(d.jd[static_cast<size_t>(i)]));
  return out;
}

// Nights of 3, 2, 4 and 2 observations (the last night holds 3 entries with the repeat):
// night 0 = entries 0..2, night 1 = 3..4, night 2 = 5..8, night 3 = 9..10 and the repeat 11.
TEST(NavigationTest, EachHandlerDrawsItsEntriesTitleButtonsAndLabel) {
  struct Case {
    const char* what;
    Handler handler;
    int32_t currentBefore;
    std::vector<int> entries;  // drawn in kLightCurveSeries
    std::vector<std::string> title;
    char buttons[6];
    std::string label;
    bool showLabel;
    int32_t currentAfter;
    int32_t shownFirstAfter;
  };
  const Case cases[] = {
      {"First",
       ShowFirstNight,
       -1,
       {0, 1, 2},
       {"LIGHT CURVE  File name:star.txt"},
       "DDEEE",
       "Night: 1/4",
       false,
       0,
       0},
      {"Next from 0", ShowNextNight, 0, {3, 4}, {"star.txt"}, "EE-EE", "Night: 2/4", false, 1, 3},
      {"Next from 1", ShowNextNight, 1, {5, 6, 7, 8}, {"star.txt"}, "EE-EE", "Night: 3/4", false, 2, 5},
      {"Previous from 3",
       ShowPreviousNight,
       3,
       {5, 6, 7, 8},
       {"star.txt"},
       "E-EEE",
       "Night: 3/4",
       false,
       2,
       5},
      {"Previous from 2", ShowPreviousNight, 2, {3, 4}, {"star.txt"}, "E-EEE", "Night: 2/4", false, 1, 3},
      {"Previous from 1", ShowPreviousNight, 1, {0, 1, 2}, {"star.txt"}, "EDEEE", "Night: 1/4", false, 0, 0},
      {"Last", ShowLastNight, 0, {9, 10}, {}, "EEDDE", "Night: 4/4", true, 3, 9},
      {"All",
       ShowAllNights,
       2,
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       {"star.txt"},
       "EDDE-",
       " Quantity nights: 4",
       true,
       -1,
       0},
  };
  for (const Case& c : cases) {
    test::NightStore s = test::MakeNights({3, 2, 4, 2});
    s.data->markFlag[4] = 1;
    s.data->markFlag[9] = 1;
    s.view->currentNight = c.currentBefore;
    s.view->shownNightFirst = 77;
    ChartModel chart;
    for (int series = 0; series < kSeriesCount; ++series) chart.Series(series).Add(-5, -5);
    chart.bottomAxisTitle = "Phase";

    const NavigationOutcome out = c.handler(*s.data, *s.view, chart);

    EXPECT_TRUE(out.drawn) << c.what;
    EXPECT_EQ(Xs(chart.Series(kLightCurveSeries)), JdOf(*s.data, c.entries)) << c.what;
    std::vector<int> marked;
    for (int i : c.entries) {
      if (i == 4 || i == 9) marked.push_back(i);
    }
    EXPECT_EQ(Xs(chart.Series(kMarkedSeries)), JdOf(*s.data, marked)) << c.what;
    for (int series : {kFittedCurveSeries, kPhaseSeries, kSecondCycleSeries, kMarkerSeries})
      EXPECT_EQ(chart.Series(series).Count(), 0) << c.what;
    for (int series : {kPeakSeries, kSpareSeries}) EXPECT_EQ(chart.Series(series).Count(), 1) << c.what;
    EXPECT_EQ(chart.titleLines, c.title) << c.what;
    EXPECT_EQ(chart.bottomAxisTitle, "Julian Day") << c.what;
    ExpectButtons(out.buttons, c.buttons, c.what);
    EXPECT_EQ(out.nightText, std::optional<std::string>(c.label)) << c.what;
    EXPECT_EQ(out.showNightText, c.showLabel) << c.what;
    EXPECT_EQ(s.view->currentNight, c.currentAfter) << c.what;
    EXPECT_EQ(s.view->shownNightFirst, c.shownFirstAfter) << c.what;
  }
}

TEST(NavigationTest, FirstWithOneNightShowsTheBareNumber) {
  struct Case {
    std::vector<int> nights;
    std::string label;
    int drawn;  // entries 0 .. nightEnd[0] - 1
  };
  // One night of 4 observations holds the repeat too; with two nights night 0 has 4 entries.
  const Case cases[] = {{{4}, "1", 5}, {{4, 1}, "Night: 1/2", 4}};
  for (const Case& c : cases) {
    test::NightStore s = test::MakeNights(c.nights);
    ChartModel chart;
    const NavigationOutcome out = ShowFirstNight(*s.data, *s.view, chart);
    EXPECT_EQ(out.nightText, std::optional<std::string>(c.label));
    EXPECT_EQ(chart.Series(kLightCurveSeries).Count(), c.drawn);
  }
}

TEST(NavigationTest, TwelveNightsWalkedWithNext) {
  test::NightStore s = test::MakeNights(std::vector<int>(12, 3));
  Data& d = *s.data;
  ViewState& v = *s.view;
  v.minNightPoints = 1;
  ChartModel chart;

  ShowFirstNight(d, v, chart);
  for (int press = 1; press <= 10; ++press) {
    const NavigationOutcome out = ShowNextNight(d, v, chart);
    const std::string where = "press " + std::to_string(press);
    ASSERT_TRUE(out.drawn) << where;
    EXPECT_EQ(v.currentNight, press) << where;
    EXPECT_EQ(out.nightText, std::optional<std::string>("Night: " + std::to_string(press + 1) + "/12"))
        << where;
    EXPECT_EQ(Xs(chart.Series(kLightCurveSeries)), JdOf(d, {3 * press, 3 * press + 1, 3 * press + 2}))
        << where;
    ExpectButtons(out.buttons, "EE-EE", where);
  }

  // The eleventh press draws nothing: it disables Next and moves currentNight to the last night.
  const NavigationOutcome eleventh = ShowNextNight(d, v, chart);
  EXPECT_FALSE(eleventh.drawn);
  ExpectButtons(eleventh.buttons, "--D--", "eleventh press");
  EXPECT_FALSE(eleventh.nightText.has_value());
  EXPECT_FALSE(eleventh.showNightText);
  EXPECT_EQ(v.currentNight, 11);
  EXPECT_EQ(Xs(chart.Series(kLightCurveSeries)), JdOf(d, {30, 31, 32}));  // still night 11
  EXPECT_EQ(v.shownNightFirst, 30);

  const NavigationOutcome last = ShowLastNight(d, v, chart);
  EXPECT_EQ(last.nightText, std::optional<std::string>("Night: 12/12"));
  EXPECT_EQ(Xs(chart.Series(kLightCurveSeries)), JdOf(d, {33, 34, 35}));  // entry 36, the repeat, not drawn
  EXPECT_EQ(v.shownNightFirst, 33);
}

TEST(NavigationTest, ShortNightsArePassedBothWays) {
  // Nights of 5, 2 and 7 entries (the last: 6 observations and the repeat), minimum 3.
  test::NightStore s = test::MakeNights({5, 2, 6});
  Data& d = *s.data;
  ViewState& v = *s.view;
  ASSERT_EQ(v.nightCount[2], 7);
  ApplyMinNightPoints(v, 3);
  ChartModel chart;
  ShowFirstNight(d, v, chart);

  const NavigationOutcome next = ShowNextNight(d, v, chart);
  EXPECT_TRUE(next.drawn);
  EXPECT_EQ(v.currentNight, 2);
  EXPECT_EQ(next.nightText, std::optional<std::string>("Night: 3/3"));
  ExpectButtons(next.buttons, "EEDEE", "Next onto the last night");
  // Next draws every entry of the night, the repeated last entry included.
  EXPECT_EQ(Xs(chart.Series(kLightCurveSeries)), JdOf(d, {7, 8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(v.shownNightFirst, 7);

  const NavigationOutcome previous = ShowPreviousNight(d, v, chart);
  EXPECT_TRUE(previous.drawn);
  EXPECT_EQ(v.currentNight, 0);
  EXPECT_EQ(previous.nightText, std::optional<std::string>("Night: 1/3"));
  ExpectButtons(previous.buttons, "EDEEE", "Previous onto night 0");
  EXPECT_EQ(Xs(chart.Series(kLightCurveSeries)), JdOf(d, {0, 1, 2, 3, 4}));
  EXPECT_EQ(v.shownNightFirst, 0);

  // Previous and Last leave the repeat out of the last night.
  ShowLastNight(d, v, chart);
  EXPECT_EQ(Xs(chart.Series(kLightCurveSeries)), JdOf(d, {7, 8, 9, 10, 11, 12}));
}

TEST(NavigationTest, NoQualifyingNightOnlyDisablesTheButton) {
  struct Case {
    const char* what;
    Handler handler;
    std::vector<int> nights;
    int32_t minimum;
    int32_t current;
    char buttons[6];
  };
  const Case cases[] = {
      // Nights of 5, 2, 2, 2 entries: nothing after night 0 has 3.
      {"Next", ShowNextNight, {5, 2, 2, 1}, 3, 0, "--D--"},
      // Nights of 2, 2, 5 entries: nothing before night 2 has 3.
      {"Previous", ShowPreviousNight, {2, 2, 4}, 3, 2, "-D---"},
      // After All (currentNight -1) there is no earlier night at all.
      {"Previous after All", ShowPreviousNight, {4, 4, 4}, 0, -1, "-D---"},
  };
  for (const Case& c : cases) {
    test::NightStore s = test::MakeNights(c.nights);
    s.view->minNightPoints = c.minimum;
    s.view->currentNight = c.current;
    s.view->shownNightFirst = 42;
    ChartModel chart;
    chart.Series(kLightCurveSeries).Add(1, 2);
    chart.titleLines = {"before"};

    const NavigationOutcome out = c.handler(*s.data, *s.view, chart);

    EXPECT_FALSE(out.drawn) << c.what;
    ExpectButtons(out.buttons, c.buttons, c.what);
    EXPECT_FALSE(out.nightText.has_value()) << c.what;
    EXPECT_FALSE(out.showNightText) << c.what;
    EXPECT_EQ(s.view->currentNight, c.current) << c.what;
    EXPECT_EQ(s.view->shownNightFirst, 42) << c.what;
    EXPECT_EQ(chart.Series(kLightCurveSeries).Count(), 1) << c.what;
    EXPECT_EQ(chart.titleLines, std::vector<std::string>{"before"}) << c.what;
  }
}

TEST(NavigationTest, ScrollBarCountsTheNightsNextAndPreviousVisit) {
  struct Case {
    std::vector<int32_t> counts;  // nightCount per night; lastNight = size - 1
    int32_t position;
    int32_t nightsShown;
    std::string label;
  };
  const Case cases[] = {
      {{5, 2, 7, 1}, 3, 2, "Min points: 3\nNight: 3/4"},  // the last night is not examined
      {{5, 2, 7, 1}, 1, 3, "Min points: 1\nNight: 4/4"},
      {{5, 2, 7, 1}, 6, 1, "Min points: 6\nNight: 2/4"},
      {{1, 2, 2, 9}, 3, 0, "Min points: 3\nNight: 0/4"},  // every night but the last is short
      {{3, 3}, 3, 1, "Min points: 3\nNight: 2/2"},        // equal to the minimum is enough
      {{8}, 1, 0, "Min points: 1\nNight: 0/1"},           // one night: nothing examined
      {std::vector<int32_t>(12, 3), 200, 0, "Min points: 200\nNight: 0/12"},
  };
  for (const Case& c : cases) {
    auto view = std::make_unique<ViewState>();
    view->nightCount = c.counts;
    view->lastNight = static_cast<int32_t>(c.counts.size()) - 1;

    const NavigationOutcome out = ApplyMinNightPoints(*view, c.position);

    EXPECT_EQ(view->minNightPoints, c.position);
    EXPECT_EQ(view->nightsShown, c.nightsShown) << c.label;
    EXPECT_EQ(out.nightText, std::optional<std::string>(c.label));
    EXPECT_TRUE(out.showNightText);
    EXPECT_FALSE(out.drawn);
    ExpectButtons(out.buttons, "-----", c.label);
  }
}

TEST(NavigationTest, ButtonsAfterADeleteDisableAllWithFewerThanThreeNights) {
  struct Case {
    int32_t lastNight;
    const char* states;  // First, Previous, Next, Last, All
    int32_t currentNight;
    std::optional<bool> scrollBar;
  };
  const Case cases[] = {{2, "EDDEE", -1, true}, {1, "DDDDD", 1, std::nullopt}, {0, "DDDDD", 1, std::nullopt}};
  for (const Case& c : cases) {
    auto view = std::make_unique<ViewState>();
    view->lastNight = c.lastNight;
    view->currentNight = -1;
    view->minNightPoints = 5;
    const NavigationOutcome out = NightStateAfterDelete(*view);
    char states[6] = {};
    std::copy_n(c.states, 5, states);
    ExpectButtons(out.buttons, states, std::to_string(c.lastNight));
    EXPECT_EQ(out.buttons.scrollBar, c.scrollBar);
    EXPECT_EQ(view->currentNight, c.currentNight);
    EXPECT_EQ(view->minNightPoints, c.lastNight > 1 ? 5 : 1);
  }
}

// After a load the night label describes the new file (the whole curve is shown), whatever the
// file before left in it.
TEST(NavigationTest, LoadGivesTheNewFilesNightLabel) {
  struct Case {
    int32_t lastNight;
    const char* states;  // First, Previous, Next, Last, All
    const char* label;
  };
  const Case cases[] = {{68, "EDDEE", " Quantity nights: 69"},
                        {2, "EDDEE", " Quantity nights: 3"},
                        {0, "DDDDE", " Quantity nights: 1"}};
  for (const Case& c : cases) {
    auto view = std::make_unique<ViewState>();
    view->lastNight = c.lastNight;
    view->currentNight = 25;  // the file before showed its night 26
    const NavigationOutcome out = NightStateAfterLoad(*view);
    char states[6] = {};
    std::copy_n(c.states, 5, states);
    ExpectButtons(out.buttons, states, std::to_string(c.lastNight));
    EXPECT_EQ(out.nightText, std::optional<std::string>(c.label));
  }
}

}  // namespace
}  // namespace ombrane
