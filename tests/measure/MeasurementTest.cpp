#include "measure/Measurement.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/FloatingPoint.h"
#include "view/ChartModel.h"

namespace ombrane {
namespace {

struct LineCase {
  Measurement item;
  bool phaseForm;
  const char* line;
};

// Time form: X1 = 2450001.5, X2 = 2450001.625, Y1 = 12.5, Y2 = 12.25 (dX = 0.125, dY = 0.25).
// Phase form: X1 = 0.25, X2 = 0.75, the same magnitudes, P = 2 (dPh = 0.5, dt = 1).
class MeasurementLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(MeasurementLineTest, WritesTheLineOfTheItemInTheFormOfTheSecondClick) {
  const LineCase& c = GetParam();
  const MeasuredPair pair =
      c.phaseForm ? MeasuredPair{0.25, 12.5, 0.75, 12.25} : MeasuredPair{2450001.5, 12.5, 2450001.625, 12.25};
  EXPECT_EQ(MeasurementLine(c.item, c.phaseForm, pair, 2.0L, '.'), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MeasurementLineTest,
    testing::Values(
        LineCase{Measurement::TimeInterval, false,
                 "dt: 0.125 ( X1: 2450001.5 X2: 2450001.625 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::TimeInterval, true,
                 "dPh: 0.5 dt: 1 ( X1: 0.25 X2: 0.75 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::DeltaMag, false,
                 "dmag: 0.25 ( X1: 2450001.5 X2: 2450001.625 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::DeltaMag, true, "dmag: 0.25 ( X1: 0.25 X2: 0.75 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::EclipseTotalLength, false,
                 "D (dt): 0.125 day   ( X1: 2450001.5 X2: 2450001.625 ) "},
        LineCase{Measurement::EclipseTotalLength, true, "D (dPh): 0.5 dt: 1  ( X1: 0.25 X2: 0.75 ) "},
        LineCase{Measurement::FlatBottomLength, false,
                 "d (dt): 0.125 day  ( X1: 2450001.5 X2: 2450001.625 ) "},
        LineCase{Measurement::FlatBottomLength, true, "d (dPh): 0.5 dt: 1  ( X1: 0.25 X2: 0.75 ) "},
        LineCase{Measurement::OConnellEffect, false,
                 "O'Connell Effect: 0.25  (X1: 2450001.5 X2: 2450001.625 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::OConnellEffect, true,
                 "O'Connell Effect: 0.25 ( X1: 0.25 X2: 0.75 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::PrimaryAmplitude, false,
                 "A1: 0.25  ( X1: 2450001.5 X2: 2450001.625 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::PrimaryAmplitude, true,
                 "A1: 0.25  (X1: 0.25 X2: 0.75 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::SecondaryAmplitude, false,
                 "A2: 0.25  ( X1: 2450001.5 X2: 2450001.625 -- Y1: 12.5 Y2: 12.25 ) "},
        LineCase{Measurement::SecondaryAmplitude, true,
                 "A2: 0.25  (X1: 0.25 X2: 0.75 -- Y1: 12.5 Y2: 12.25 ) "}));

TEST(MeasurementLine, UsesTheGivenDecimalSeparatorAndScientificNotationForTinyDifferences) {
  // 2^-17 = 7.62939453125E-6 apart; times P = 2 gives 1.52587890625E-5.
  const MeasuredPair pair{0.25, 12.5, 0.25 + 1.0 / 131072, 12.5};
  EXPECT_EQ(
      MeasurementLine(Measurement::TimeInterval, true, pair, 2.0L, ','),
      "dPh: 7,62939453125E-6 dt: 1,52587890625E-5 ( X1: 0,25 X2: 0,250007629394531 -- Y1: 12,5 Y2: 12,5 ) ");
}

TEST(MeasurementLine, ADifferenceBeyondTheDoubleRangeIsAnOverflow) {
  const MeasuredPair pair{-1.5e308, 0, 1.5e308, 0};
  EXPECT_THROW(MeasurementLine(Measurement::TimeInterval, false, pair, 1.0L, '.'), FloatingPointError);
}

// Light curve: entries 0..4 on one night (the last a repeat); a fold drawn by hand: sorted
// positions 0..4 hold the entries 3, 0, 4, 1, 2 at phases 0.1, 0.2, 0.5, 0.7, 0.95.
struct Fixture {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();

  Fixture() {
    Data& d = *data;
    const long double days[] = {2450001.25L, 2450001.5L, 2450001.75L, 2450001.875L, 2450001.875L};
    const long double mags[] = {12.0L, 12.5L, 13.0L, 12.25L, 12.25L};
    d.Resize(5);
    d.AddSecondCycle();
    for (int i = 0; i < 5; ++i) {
      d.jd[i] = days[i];
      d.mag[i] = mags[i];
    }
    d.pointCount = 5;
    const int32_t order[] = {3, 0, 4, 1, 2};
    const double phases[] = {0.1, 0.2, 0.5, 0.7, 0.95};
    for (int i = 0; i < 5; ++i) {
      d.sortIndex[i] = order[i];
      d.sortedPhase[i] = phases[i];
      d.sortIndex[5 + i] = order[i];
      d.sortedPhase[5 + i] = 42;  // a stale second cycle, as after drawing against JD average
    }
    star->period = 2;
  }
};

struct PointCase {
  const char* name;
  int series;
  int r;
  int shownNightFirst;
  double x;
  double y;
  bool onPhaseDiagram;
};

class MeasuredPointTest : public testing::TestWithParam<PointCase> {};

TEST_P(MeasuredPointTest, TakesTheValuesThePointStandsFor) {
  const PointCase& c = GetParam();
  Fixture f;
  f.view->shownNightFirst = c.shownNightFirst;
  const std::optional<MeasuredPoint> p = MeasuredPointOf(*f.data, *f.view, c.series, c.r);
  ASSERT_TRUE(p.has_value());
  EXPECT_EQ(p->x, c.x);
  EXPECT_EQ(p->y, c.y);
  EXPECT_EQ(p->onPhaseDiagram, c.onPhaseDiagram);
}

INSTANTIATE_TEST_SUITE_P(
    Points, MeasuredPointTest,
    testing::Values(PointCase{"LightCurve", kLightCurveSeries, 1, 0, 2450001.5, 12.5, false},
                    PointCase{"LightCurveOfAShownNight", kLightCurveSeries, 1, 2, 2450001.875, 12.25, false},
                    // kPhaseSeries point r is sorted position r + 1.
                    PointCase{"FirstCycle", kPhaseSeries, 0, 0, 0.2, 12.0, true},
                    PointCase{"LastOfFirstCycle", kPhaseSeries, 3, 0, 0.95, 13.0, true},
                    // Point 4 is position 5, the second cycle of position 0: phase 0.1 + 1, even
                    // where the upper half of the phases is stale.
                    PointCase{"SecondCycle", kPhaseSeries, 4, 0, 1.1, 12.25, true},
                    // A kSecondCycleSeries point r is position r one cycle on.
                    PointCase{"SecondCycleApart", kSecondCycleSeries, 2, 0, 1.5, 12.25, true}),
    [](const testing::TestParamInfo<PointCase>& param) { return std::string(param.param.name); });

TEST(MeasuredPoint, SeriesThatStandForNoObservationGiveNothing) {
  Fixture f;
  for (int series : {kMarkedSeries, kPeakSeries, kFittedCurveSeries, kSpareSeries, kMarkerSeries})
    EXPECT_FALSE(MeasuredPointOf(*f.data, *f.view, series, 0).has_value()) << series;
}

TEST(MeasureClick, TheFirstClickStoresTheSecondWritesTheLine) {
  Fixture f;
  ViewState& v = *f.view;
  EXPECT_FALSE(MeasureClick(Measurement::TimeInterval, *f.data, *f.star, v, kLightCurveSeries, 0, '.'));
  EXPECT_EQ(v.measureFirstDone, true);
  EXPECT_EQ(v.measureX1, 2450001.25);
  EXPECT_EQ(v.measureY1, 12.0);
  const auto line = MeasureClick(Measurement::DeltaMag, *f.data, *f.star, v, kLightCurveSeries, 2, '.');
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(*line, "dmag: 1 ( X1: 2450001.25 X2: 2450001.75 -- Y1: 12 Y2: 13 ) ");
  EXPECT_EQ(v.measureFirstDone, false);
  EXPECT_EQ(v.measureX2, 2450001.75);
  EXPECT_EQ(v.measureY2, 13.0);
  // The next click starts a new pair.
  EXPECT_FALSE(MeasureClick(Measurement::DeltaMag, *f.data, *f.star, v, kLightCurveSeries, 2, '.'));
}

TEST(MeasureClick, APairAcrossTheCycleBoundaryMeasuresAcrossIt) {
  Fixture f;
  // Position 4 at phase 0.95, then point 4 of kPhaseSeries: position 0 one cycle on, at 1.1.
  MeasureClick(Measurement::TimeInterval, *f.data, *f.star, *f.view, kPhaseSeries, 3, '.');
  const auto line = MeasureClick(Measurement::TimeInterval, *f.data, *f.star, *f.view, kPhaseSeries, 4, '.');
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->substr(0, 21), "dPh: 0.15 dt: 0.3 ( X");
}

TEST(MeasureClick, TheFormFollowsTheSecondClick) {
  Fixture f;
  MeasureClick(Measurement::TimeInterval, *f.data, *f.star, *f.view, kPhaseSeries, 0, '.');
  const auto timeForm =
      MeasureClick(Measurement::TimeInterval, *f.data, *f.star, *f.view, kLightCurveSeries, 0, '.');
  ASSERT_TRUE(timeForm.has_value());
  EXPECT_EQ(timeForm->substr(0, 4), "dt: ");
  MeasureClick(Measurement::TimeInterval, *f.data, *f.star, *f.view, kLightCurveSeries, 0, '.');
  const auto phaseForm =
      MeasureClick(Measurement::TimeInterval, *f.data, *f.star, *f.view, kPhaseSeries, 0, '.');
  ASSERT_TRUE(phaseForm.has_value());
  EXPECT_EQ(phaseForm->substr(0, 5), "dPh: ");
}

TEST(MeasureClick, TheOtherOrderSwapsTheValuesButNotTheDifference) {
  Fixture f;
  MeasureClick(Measurement::DeltaMag, *f.data, *f.star, *f.view, kLightCurveSeries, 2, '.');
  const auto line = MeasureClick(Measurement::DeltaMag, *f.data, *f.star, *f.view, kLightCurveSeries, 0, '.');
  EXPECT_EQ(*line, "dmag: 1 ( X1: 2450001.75 X2: 2450001.25 -- Y1: 13 Y2: 12 ) ");
}

TEST(MeasureClick, AClickOnAMarkerLeavesThePendingPoint) {
  Fixture f;
  MeasureClick(Measurement::DeltaMag, *f.data, *f.star, *f.view, kLightCurveSeries, 2, '.');
  EXPECT_FALSE(MeasureClick(Measurement::DeltaMag, *f.data, *f.star, *f.view, kMarkerSeries, 0, '.'));
  EXPECT_EQ(f.view->measureFirstDone, true);
  EXPECT_EQ(f.view->measureX1, 2450001.75);
}

}  // namespace
}  // namespace ombrane
