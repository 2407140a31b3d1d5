#include "phase/MagnitudeSteps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "PhaseFixture.h"
#include "Tolerance.h"
#include "common/FloatingPoint.h"
#include "store/NightIndex.h"

namespace ombrane {
namespace {

// Night 0: one observation; night 1: two and the repeat. All at magnitude 10. The fold, written
// by hand: positions 0..3 are the entries 0..3 at phases 0.1, 0.4, 0.7, 0.7.
struct Fixture {
  std::unique_ptr<Data> data =
      test::MakeLoaded({{2450001.1L, 10, 0}, {2450002.1L, 10, 1}, {2450002.2L, 10, 1}});
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();
  ChartModel chart;

  Fixture() {
    const double phases[] = {0.1, 0.4, 0.7, 0.7};
    for (int i = 0; i < 4; ++i) {
      data->sortIndex[i] = i;
      data->sortedPhase[i] = phases[i];
    }
    data->night[3] = 1;
    data->AddSecondCycle();
    star->magnitudeStep = 0.3L;
    view->currentNight = 1;
    chart.Series(kLightCurveSeries).Add(2450001.1, 10, 0);
    chart.Series(kMarkerSeries).Add(0.5, 10, 0x00FF00);
  }
};

TEST(ShiftNightMagnitudes, MovesTheShownNightAndRedrawsTheDiagramInTwoSeries) {
  Fixture f;
  const int64_t picture = f.chart.pictureNumber;
  const MagnitudeStepOutcome outcome = ShiftNightMagnitudes(*f.data, *f.star, *f.view, f.chart, +1);
  EXPECT_TRUE(outcome.redrawn);
  EXPECT_EQ(f.chart.pictureNumber, picture + 1);  // a new picture: the window drops the zoom
  const Data& d = *f.data;
  EXPECT_EQ(d.mag[0], 10);
  for (int i : {1, 2, 3}) EXPECT_EQ(d.mag[i], 10 + 0.3L) << i;  // the repeat moves with its night
  EXPECT_EQ(d.nightShift, 0.3L);
  // String length: (0.1, 10) - (0.4, 10.3) - (0.7, 10.3) - (0.7, 10.3): 0.3 sqrt 2 + 0.3 + 0.
  EXPECT_TRUE(test::Close(static_cast<double>(f.star->stringLength), 0.3 * std::sqrt(2.0) + 0.3, 64.0));

  EXPECT_EQ(f.chart.Series(kLightCurveSeries).Count(), 0);
  EXPECT_EQ(f.chart.Series(kMarkerSeries).Count(), 0);
  EXPECT_EQ(f.chart.bottomAxisTitle, "Phase");
  EXPECT_EQ(f.chart.titleLines, std::vector<std::string>{"test.dat"});
  const ChartSeries& first = f.chart.Series(kPhaseSeries);
  const ChartSeries& second = f.chart.Series(kSecondCycleSeries);
  ASSERT_EQ(first.Count(), 3);   // positions 1..3
  ASSERT_EQ(second.Count(), 3);  // positions 0..2 one cycle on
  EXPECT_EQ(first.Point(0).x, 0.4);
  EXPECT_EQ(first.Point(0).y, static_cast<double>(10 + 0.3L));
  EXPECT_EQ(first.Point(0).colour, nightColours[1]);
  EXPECT_EQ(second.Point(0).x, 1.1);
  EXPECT_EQ(second.Point(0).y, 10.0);
  EXPECT_EQ(second.Point(0).colour, nightColours[0]);
  EXPECT_EQ(second.Point(2).x, 1.7);
}

TEST(ShiftNightMagnitudes, PlusThenMinusRestores) {
  Fixture f;
  f.star->magnitudeStep = 0.005L;
  ShiftNightMagnitudes(*f.data, *f.star, *f.view, f.chart, +1);
  ShiftNightMagnitudes(*f.data, *f.star, *f.view, f.chart, -1);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(test::Close(f.data->mag[i], 10.0L)) << i;
  EXPECT_EQ(f.data->nightShift, 0);
}

TEST(ShiftNightMagnitudes, WithAllNightsShownOnlyTheStringLengthIsRecomputed) {
  Fixture f;
  f.view->currentNight = -1;
  f.data->mag[1] = 10.4L;  // an earlier shift of night 1, no step since
  f.data->mag[2] = 10.4L;
  f.data->mag[3] = 10.4L;
  f.data->markFlag[2] = 1;  // the pairs with entry 2 are left out
  const MagnitudeStepOutcome outcome = ShiftNightMagnitudes(*f.data, *f.star, *f.view, f.chart, +1);
  EXPECT_FALSE(outcome.redrawn);
  EXPECT_EQ(f.data->mag[1], 10.4L);
  EXPECT_EQ(f.data->nightShift, 0);
  EXPECT_EQ(f.chart.Series(kLightCurveSeries).Count(), 1);
  EXPECT_EQ(f.chart.Series(kMarkerSeries).Count(), 1);
  EXPECT_TRUE(test::Close(static_cast<double>(f.star->stringLength), 0.5, 64.0));  // (0.3, 0.4) alone
}

TEST(ShiftNightMagnitudes, AStepBeyondTheRangeIsAnOverflow) {
  Fixture f;
  f.star->magnitudeStep = std::numeric_limits<long double>::max();
  f.data->mag[1] = std::numeric_limits<long double>::max();
  EXPECT_THROW(ShiftNightMagnitudes(*f.data, *f.star, *f.view, f.chart, +1), FloatingPointError);
}

TEST(NightShiftLine, ReportsTheDayAndTheShiftInTheGeneralFormat) {
  struct Case {
    int32_t day;
    long double shift;
    char separator;
    const char* line;
  };
  const Case cases[] = {
      {0, 0, '.', "Night 0 was change 0 mag"},
      {2452153, 0.05L, '.', "Night 2452153 was change 0.05 mag"},
      {2452153, -0.02L, ',', "Night 2452153 was change -0,02 mag"},
      {2452153, 0.005L + 0.005L + 0.005L, '.', "Night 2452153 was change 0.015 mag"},
  };
  for (const Case& c : cases) {
    auto data = std::make_unique<Data>();
    data->selectedNightDay = c.day;
    data->nightShift = c.shift;
    EXPECT_EQ(NightShiftLine(*data, c.separator), c.line);
  }
}

}  // namespace
}  // namespace ombrane
