#include "view/LightCurve.h"

#include <gtest/gtest.h>

#include <memory>

#include "NightFixture.h"
#include "common/FloatingPoint.h"

namespace ombrane {
namespace {

TEST(LightCurveTest, EachPointTakesItsNightsColour) {
  struct Case {
    int32_t night;
    uint32_t colour;  // 0x00BBGGRR
  };
  const Case cases[] = {
      {0, 0x008000},   // green
      {1, 0x008080},   // olive
      {5, 0x00FF00},   // lime
      {12, 0x000000},  // black
      {14, 0xFFFFFF},  // white
      {18, 0xA4A0A0},  // medium grey
      {979 + 1, 0x0},  // black from 980 on
      {5999, 0x0},
      // Past the end of the colour table: drawn like its last rows.
      {6000, 0x0},
      {250'000, 0x0},
  };
  auto data = std::make_unique<Data>();
  data->Resize(8);
  for (const Case& c : cases) {
    ChartModel chart;
    data->jd[7] = 2450001.25L;
    data->mag[7] = 12.5L;
    data->night[7] = c.night;
    AddLightCurvePoint(chart, *data, 7);
    ASSERT_EQ(chart.Series(kLightCurveSeries).Count(), 1);
    EXPECT_EQ(chart.Series(kLightCurveSeries).Point(0).colour, c.colour) << "night " << c.night;
    EXPECT_EQ(chart.Series(kMarkedSeries).Count(), 0);
  }
}

TEST(LightCurveTest, MarkedEntriesAlsoGoToSeries2InItsOwnColour) {
  auto data = std::make_unique<Data>();
  data->Resize(4);
  const long double jd = 2450001.123456789012345L;
  const long double mag = 11.987654321098765L;
  struct Case {
    int32_t flag;
    int series2Count;
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{2, 0}, Case{-1, 0}}) {
    ChartModel chart;
    data->jd[3] = jd;
    data->mag[3] = mag;
    data->night[3] = 2;
    data->markFlag[3] = static_cast<uint8_t>(c.flag);
    AddLightCurvePoint(chart, *data, 3);
    ASSERT_EQ(chart.Series(kMarkedSeries).Count(), c.series2Count) << "flag " << c.flag;
    const ChartPoint& p = chart.Series(kLightCurveSeries).Point(0);
    EXPECT_EQ(p.x, static_cast<double>(jd));
    EXPECT_EQ(p.y, static_cast<double>(mag));
    EXPECT_EQ(p.colour, 0x800000u);  // navy, night 2
    EXPECT_TRUE(p.label.empty());
    if (c.series2Count == 1) {
      const ChartPoint& q = chart.Series(kMarkedSeries).Point(0);
      EXPECT_EQ(q.x, p.x);
      EXPECT_EQ(q.y, p.y);
      EXPECT_EQ(q.colour, kSeriesColour);
    }
  }
}

TEST(LightCurveTest, RangeAndNightDrawing) {
  // Nights of 3, 2 and 2 observations; the repeat makes entry 7 a copy of entry 6.
  test::NightStore s = test::MakeNights({3, 2, 2});
  const Data& d = *s.data;
  struct Case {
    const char* what;
    void (*draw)(ChartModel&, const Data&);
    std::vector<int> entries;
  };
  const Case cases[] = {
      {"range 1..4",
       [](ChartModel& c, const Data& store) { DrawLightCurveRange(c, store, 1, 4); },
       {1, 2, 3}},
      {"empty range", [](ChartModel& c, const Data& store) { DrawLightCurveRange(c, store, 4, 4); }, {}},
      {"range from below 0",
       [](ChartModel& c, const Data& store) { DrawLightCurveRange(c, store, -2, 1); },
       {0}},
      {"night 1", [](ChartModel& c, const Data& store) { DrawNightEntries(c, store, 1, 8); }, {3, 4}},
      {"night 2 with repeat",
       [](ChartModel& c, const Data& store) { DrawNightEntries(c, store, 2, 8); },
       {5, 6, 7}},
      {"night 2 without", [](ChartModel& c, const Data& store) { DrawNightEntries(c, store, 2, 7); }, {5, 6}},
      {"night 0 cut at 2",
       [](ChartModel& c, const Data& store) { DrawNightEntries(c, store, 0, 2); },
       {0, 1}},
  };
  for (const Case& c : cases) {
    ChartModel chart;
    c.draw(chart, d);
    const ChartSeries& s1 = chart.Series(kLightCurveSeries);
    ASSERT_EQ(s1.Count(), static_cast<int>(c.entries.size())) << c.what;
    for (size_t k = 0; k < c.entries.size(); ++k) {
      EXPECT_EQ(s1.Point(static_cast<int>(k)).x, static_cast<double>(d.jd[static_cast<size_t>(c.entries[k])]))
          << c.what << " point " << k;
    }
  }
}

TEST(LightCurveTest, LoadedCurveReplacesThePictureAndDrawsAllEntries) {
  test::NightStore s = test::MakeNights({2, 3});
  s.data->markFlag[1] = 1;
  ChartModel chart;
  for (int series = 0; series < kSeriesCount; ++series) chart.Series(series).Add(1, 1);
  chart.titleLines = {"old", "lines"};
  chart.bottomAxisTitle = "Phase";
  chart.leftAxisInverted = false;

  DrawLoadedCurve(chart, *s.data, "rzcas.txt");

  EXPECT_EQ(chart.titleLines, std::vector<std::string>{"rzcas.txt"});
  EXPECT_EQ(chart.bottomAxisTitle, "Julian Day");
  EXPECT_TRUE(chart.leftAxisInverted);
  // Six entries: five observations and the repeat of the last.
  ASSERT_EQ(chart.Series(kLightCurveSeries).Count(), 6);
  EXPECT_EQ(chart.Series(kLightCurveSeries).Point(5).x, chart.Series(kLightCurveSeries).Point(4).x);
  EXPECT_EQ(chart.Series(kLightCurveSeries).Point(0).colour, 0x008000u);
  EXPECT_EQ(chart.Series(kLightCurveSeries).Point(5).colour, 0x008080u);
  ASSERT_EQ(chart.Series(kMarkedSeries).Count(), 1);
  EXPECT_EQ(chart.Series(kMarkedSeries).Point(0).x, static_cast<double>(s.data->jd[1]));
  const int kept[kSeriesCount] = {6, 1, 1, 0, 1, 0, 0, 0};
  for (int series = 0; series < kSeriesCount; ++series) EXPECT_EQ(chart.Series(series).Count(), kept[series]);
}

TEST(LightCurveTest, AValueBeyondTheDoubleRangeFaultsWhereItIsDrawn) {
  auto data = std::make_unique<Data>();
  data->Resize(2);
  data->jd[0] = 2450001.25L;
  data->mag[0] = 12.5L;
  data->jd[1] = 2450001.5L;
  data->mag[1] = 1e400L;  // an extended value no double can hold
  ChartModel chart;
  try {
    DrawLightCurveRange(chart, *data, 0, 2);
    FAIL() << "no fault";
  } catch (const FloatingPointError& error) {
    EXPECT_STREQ(error.what(), "Floating point overflow");
  }
  EXPECT_EQ(chart.Series(kLightCurveSeries).Count(), 1);  // the entries before it are drawn
}

}  // namespace
}  // namespace ombrane
