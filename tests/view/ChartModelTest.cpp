#include "view/ChartModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace ombrane {
namespace {

std::vector<std::string> Labels(const ChartSeries& s) {
  std::vector<std::string> out;
  for (const ChartPoint& p : s.Points()) out.push_back(p.label);
  return out;
}

TEST(ChartSeriesTest, KeepsAscendingXAndTheOrderOfEqualX) {
  ChartSeries s(SeriesKind::Diamond, 0x0000FF);
  struct Step {
    double x;
    const char* label;
    int expectedIndex;  // where the point stands right after it was added
  };
  const Step steps[] = {
      {1, "1", 0},     // first point
      {3, "3", 1},     // appended
      {2, "2", 1},     // into the middle, between 1 and 3
      {3, "3b", 3},    // equal to the last x: appended after it
      {2, "2b", 2},    // after the last point with x <= 2, before both 3s
      {0, "0", 0},     // smaller than all: at the front
      {-0.0, "-0", 1}  // equal to 0: after it
  };
  for (const Step& step : steps) {
    EXPECT_EQ(s.Add(step.x, 10, 0, step.label), step.expectedIndex) << step.label;
  }
  EXPECT_EQ(Labels(s), (std::vector<std::string>{"0", "-0", "1", "2", "2b", "3", "3b"}));
}

// Points added in any order end where inserting each at once after the last point of x not
// greater would put it (the plain way, kept here as the reference), and each Add returns that
// place, also while the series is read between additions.
TEST(ChartSeriesTest, OutOfOrderAdditionsMatchInsertingEachAtOnce) {
  struct Case {
    const char* name;
    int count;
    double (*x)(int i);
    int readEvery;  // read the series after every readEvery-th addition (0: only at the end)
  };
  const Case cases[] = {
      {"descending", 3000, [](int i) { return -static_cast<double>(i); }, 0},
      {"few distinct values", 3000, [](int i) { return static_cast<double>((i * 7919) % 13); }, 0},
      {"ascending blocks in descending order", 3000,
       [](int i) { return static_cast<double>(-(i / 100) * 1000 + i % 100); }, 0},
      {"scattered, read now and then", 3000,
       [](int i) { return static_cast<double>((static_cast<int64_t>(i) * 104729) % 1009) * 0.5; }, 337},
      {"zero and minus zero", 400,
       [](int i) { return i % 3 == 0 ? -0.0 : (i % 3 == 1 ? 0.0 : -1.0 * (i % 5)); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChartSeries s(SeriesKind::Diamond, 0x0000FF);
    std::vector<ChartPoint> reference;
    for (int i = 0; i < c.count; ++i) {
      const double x = c.x(i);
      const auto at = std::upper_bound(reference.begin(), reference.end(), x,
                                       [](double value, const ChartPoint& q) { return value < q.x; });
      const int expected = static_cast<int>(at - reference.begin());
      reference.insert(at, ChartPoint{x, static_cast<double>(i), {}, kSeriesColour});
      ASSERT_EQ(s.Add(x, i), expected) << i;
      ASSERT_EQ(s.Count(), i + 1);
      if (c.readEvery > 0 && i % c.readEvery == 0) {
        ASSERT_EQ(s.Point(expected).y, static_cast<double>(i));
      }
    }
    ASSERT_EQ(s.Points().size(), reference.size());
    for (size_t k = 0; k < reference.size(); ++k) {
      ASSERT_EQ(s.Points()[k].y, reference[k].y) << k;  // y numbers the additions
      ASSERT_EQ(std::signbit(s.Points()[k].x), std::signbit(reference[k].x)) << k;
    }
    EXPECT_TRUE(s.SortedByX());
    s.Delete(0);  // the merged series is the one edited
    EXPECT_EQ(s.Point(0).y, reference[1].y);
  }
}

TEST(ChartSeriesTest, DeleteRemovesOnePointAndIgnoresBadIndexes) {
  ChartSeries s(SeriesKind::Diamond, 0x0000FF);
  for (const char* label : {"a", "b", "c", "d"}) s.Add(label[0] - 'a', 0, 0, label);
  s.Delete(1);
  EXPECT_EQ(Labels(s), (std::vector<std::string>{"a", "c", "d"}));
  s.Delete(-1);
  s.Delete(3);
  EXPECT_EQ(Labels(s), (std::vector<std::string>{"a", "c", "d"}));
  s.Delete(2);
  s.Delete(0);
  EXPECT_EQ(Labels(s), (std::vector<std::string>{"c"}));
}

TEST(ChartSeriesTest, MinAndMaxY) {
  ChartSeries s(SeriesKind::Line, 0x00FFFF);
  EXPECT_EQ(s.MinY(), 0.0);
  EXPECT_EQ(s.MaxY(), 0.0);
  s.Add(5, 3.5);
  s.Add(1, -1);
  s.Add(9, 7.25);
  s.Add(2, 0.5);
  EXPECT_EQ(s.MinY(), -1.0);
  EXPECT_EQ(s.MaxY(), 7.25);
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
  s.Add(1, -4);  // one negative point: both extremes are it
  EXPECT_EQ(s.MinY(), -4.0);
  EXPECT_EQ(s.MaxY(), -4.0);
}

// A label keeps its text whatever other labels were made, equal texts give equal labels, and
// an empty text is the empty label of a point added without one.
TEST(ChartLabelTest, KeepsItsTextAndComparesByIt) {
  const std::string longText(300, 'w');
  const ChartLabel min("min"), max(std::string("MAX")), empty(""), none, longOne(longText);
  const ChartLabel minAgain(std::string_view("min"));
  struct Case {
    const ChartLabel& label;
    std::string text;
  };
  const Case cases[] = {{min, "min"}, {max, "MAX"}, {empty, ""}, {none, ""}, {longOne, longText}};
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<std::string>(c.label), c.text);
    EXPECT_EQ(c.label.view(), c.text);
    EXPECT_EQ(c.label.empty(), c.text.empty()) << c.text;
    EXPECT_TRUE(c.label == c.text) << c.text;
  }
  EXPECT_TRUE(min == minAgain);
  EXPECT_FALSE(min == ChartLabel("MIN"));
  EXPECT_TRUE(empty == none);
  EXPECT_FALSE(min == max);
  ChartSeries s(SeriesKind::VerticalMarker, 0x00FF80);
  s.Add(2, 1, 0x00FF00, "MIN");
  s.Add(1, 1);
  EXPECT_EQ(s.Point(1).label, "MIN");
  EXPECT_TRUE(s.Point(0).label.empty());
}

// Series stay in ascending x, and so searchable by x, until a point whose x is NaN (a break in
// a line) comes; a Clear makes the series searchable again.
TEST(ChartSeriesTest, SortedByXUntilANanX) {
  ChartSeries s(SeriesKind::Line, 0x00FFFF);
  EXPECT_TRUE(s.SortedByX());
  s.Add(3, 0);
  s.Add(1, 0);
  s.Add(-std::numeric_limits<double>::infinity(), 0);
  EXPECT_TRUE(s.SortedByX());
  s.Add(std::numeric_limits<double>::quiet_NaN(), 0);
  EXPECT_FALSE(s.SortedByX());
  s.Add(2, 0);  // appended after the NaN: the series is no longer in x order
  EXPECT_EQ(s.Point(4).x, 2.0);
  s.Delete(3);
  EXPECT_FALSE(s.SortedByX());
  s.Clear();
  EXPECT_TRUE(s.SortedByX());
  s.Add(1, 0);
  EXPECT_TRUE(s.SortedByX());
}

TEST(ChartModelTest, OwnColourOfEachSeries) {
  ChartModel chart;
  struct Case {
    int series;
    SeriesKind kind;
    uint32_t own;  // 0x00BBGGRR
  };
  const Case cases[] = {
      {kLightCurveSeries, SeriesKind::Diamond, 0x0000FF},    // red
      {kMarkedSeries, SeriesKind::DiagonalCross, 0x000000},  // black
      {kPeakSeries, SeriesKind::Square, 0x008000},           // green
      {kFittedCurveSeries, SeriesKind::Line, 0x00FFFF},      // yellow
      {kSpareSeries, SeriesKind::Square, 0xFF0000},          // blue
      {kPhaseSeries, SeriesKind::Diamond, 0x0000FF},
      {kSecondCycleSeries, SeriesKind::Diamond, 0x0000FF},
      {kMarkerSeries, SeriesKind::VerticalMarker, 0x00FF80},
  };
  for (const Case& c : cases) {
    ChartSeries& s = chart.Series(c.series);
    EXPECT_EQ(s.kind(), c.kind) << c.series;
    s.Add(1, 1, kSeriesColour);
    s.Add(2, 2, 0x123456);
    EXPECT_EQ(s.DrawnColour(s.Point(0)), c.own) << c.series;
    EXPECT_EQ(s.DrawnColour(s.Point(1)), 0x123456u) << c.series;
  }
}

TEST(ChartModelTest, ClearNightViewLeavesSeries3AndSeries5) {
  ChartModel chart;
  for (int s = 0; s < kSeriesCount; ++s) {
    for (int k = 0; k <= s; ++k) chart.Series(s).Add(k, k);
  }
  ClearNightView(chart);
  const int expected[kSeriesCount] = {0, 0, 3, 0, 5, 0, 0, 0};
  for (int s = 0; s < kSeriesCount; ++s) EXPECT_EQ(chart.Series(s).Count(), expected[s]) << "series " << s;
}

TEST(ChartModelTest, OnlyANewPictureIsCounted) {
  ChartModel chart;
  EXPECT_EQ(chart.pictureNumber, 0);
  ClearNightView(chart);
  EXPECT_EQ(chart.pictureNumber, 1);
  // Adding to the picture (a clicked point, a marker) or deleting from it is no new picture.
  chart.Series(kMarkedSeries).Add(1, 2);
  chart.Series(kMarkerSeries).Add(1, 2);
  chart.Series(kMarkedSeries).Delete(0);
  chart.leftAxisInverted = false;
  EXPECT_EQ(chart.pictureNumber, 1);
  ClearNightView(chart);
  EXPECT_EQ(chart.pictureNumber, 2);
}

TEST(ChartModelTest, StartsWithTheLightCurveTitleAndAnInvertedLeftAxis) {
  const ChartModel chart;
  EXPECT_EQ(chart.titleLines, std::vector<std::string>{"Light Curve"});
  EXPECT_EQ(chart.leftAxisTitle, "Bright");
  EXPECT_TRUE(chart.leftAxisInverted);
}

}  // namespace
}  // namespace ombrane
