#include "timing/MinimumTimingPresentation.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/FloatingPoint.h"
#include "phase/Fold.h"
#include "phase/FoldPresentation.h"
#include "view/ChartModel.h"

namespace ombrane {
namespace {

// A detached binary's primary eclipse: a Gaussian dip of 0.8 mag and sigma 0.02 d on a flat
// 11.0 mag, around the minima M0 + k P.
constexpr long double kM0 = 2459000.4137L;
constexpr long double kPeriod = 0.83L;

long double Brightness(long double jd) {
  const long double cycles = (jd - kM0) / kPeriod;
  const long double offset = (cycles - std::round(cycles)) * kPeriod;
  return 11.0L + 0.8L * std::exp(-0.5L * (offset / 0.02L) * (offset / 0.02L));
}

struct Fixture {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  Star star;
  ViewState view;
  ChartModel chart;

  // Observations at `start` + i `step`, stored as loading stores them (the last one twice), and
  // the light curve drawn in kLightCurveSeries.
  void Load(long double start, long double step, int count) {
    data->Resize(count + 1);
    for (int i = 0; i <= count; ++i) {
      const int j = std::min(i, count - 1);
      data->jd[i] = start + j * step;
      data->mag[i] = Brightness(data->jd[i]);
    }
    data->pointCount = count + 1;
    data->fileName = "eclipse.txt";
    for (int i = 0; i <= count; ++i)
      chart.Series(kLightCurveSeries)
          .Add(static_cast<double>(data->jd[i]), static_cast<double>(data->mag[i]));
    star.epoch = kM0;
    star.period = kPeriod;
  }
  void Fold(PhaseAxis axis) {
    FoldOutcome outcome;
    RunFold(*data, star, view, chart, FoldRequest{.axis = axis}, outcome);
  }
  // The picks around phase 1 of a phase fold: the first position at phase 0.95 or later in the
  // first cycle, the last below 1.05 in the second (positions N .. 2N - 2 hold phase + 1).
  std::pair<int32_t, int32_t> AroundPhaseOne() const {
    const int32_t n = data->pointCount;
    int32_t first = -1, second = -1;
    for (int32_t k = 1; k < n - 1; ++k)
      if (data->sortedPhase[k] < 0.95L) first = k + 1;
    for (int32_t k = n; k < 2 * n - 1; ++k)
      if (data->sortedPhase[k] < 1.05L) second = k;
    return {first, second};
  }
  void Pick(int32_t first, int32_t second, bool onLightCurve) {
    view.areaIndex1 = first;
    view.areaIndex2 = second;
    view.areaOnLightCurve = onLightCurve;
  }
  MinimumOutcome Run(PhaseAxis axis = PhaseAxis::Phase, bool helio = false) {
    MinimumOutcome outcome;
    TimeMinimum(*data, star, view, chart,
                MinimumRequest{.axis = axis, .heliocentric = helio, .barycentric = true, .separator = '.'},
                outcome);
    return outcome;
  }
};

// The markers of kMarkerSeries in one colour (the series keeps ascending x, whatever the order of
// adding).
std::vector<ChartPoint> Markers(const ChartModel& chart, uint32_t colour) {
  std::vector<ChartPoint> out;
  for (const ChartPoint& p : chart.Series(kMarkerSeries).Points())
    if (p.colour == colour) out.push_back(p);
  return out;
}

// The number after `prefix` in a line.
long double After(const std::string& line, const std::string& prefix) {
  EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
  return std::stold(line.substr(prefix.size()));
}

TEST(TimeMinimum, LightCurveEclipseIsTimedWithinItsError) {
  Fixture f;
  f.Load(2459000.30L, 0.0021L, 110);  // the minimum at 2459000.4137 falls between samples
  f.Pick(12, 98, true);
  const MinimumOutcome out = f.Run();
  ASSERT_TRUE(out.finished);
  ASSERT_EQ(out.lines.size(), 2u);
  EXPECT_EQ(out.lines[0], "Points:  86");
  const long double t = After(out.lines[1], "Minimum: ");
  const double sigma = static_cast<double>(std::stold(out.lines[1].substr(out.lines[1].find("+/- ") + 4)));
  EXPECT_NEAR(static_cast<double>(t - kM0), 0.0, 1e-5);  // written to 1e-5 day
  EXPECT_LT(std::fabs(static_cast<double>(out.time - kM0)), 3 * out.kwee.sigma + 1e-9);
  EXPECT_NEAR(sigma, out.kwee.sigma, 1e-5);
  // T is formed in extended precision from the day offset q = 2459000 and T0.
  EXPECT_EQ(out.time, 2459000.0L + out.kwee.t0);

  ASSERT_EQ(f.chart.Series(kMarkerSeries).Count(), 3);
  // Red at T, halfway between the brightest and the faintest point of kLightCurveSeries.
  const auto red = Markers(f.chart, 0x0000FF);
  ASSERT_EQ(red.size(), 1u);
  const double faintest = f.chart.Series(kLightCurveSeries).MaxY();
  EXPECT_DOUBLE_EQ(red[0].x, static_cast<double>(out.time));
  EXPECT_DOUBLE_EQ(red[0].y, std::fabs((faintest + f.chart.Series(kLightCurveSeries).MinY()) * 0.5));
  EXPECT_EQ(red[0].label, "min");
  // Lime at the two picked entries.
  const auto lime = Markers(f.chart, 0x00FF00);
  ASSERT_EQ(lime.size(), 2u);
  EXPECT_DOUBLE_EQ(lime[0].x, static_cast<double>(f.data->jd[12]));
  EXPECT_DOUBLE_EQ(lime[0].y, static_cast<double>(f.data->mag[12]));
  EXPECT_DOUBLE_EQ(lime[1].x, static_cast<double>(f.data->jd[98]));
  EXPECT_EQ(f.view.phaseView, true);
  EXPECT_EQ(f.data->minimumShift, 0);
}

// The corrections follow the minimum only for a Julian Day and for coordinates given since the
// load; otherwise one line says why, and no correction is printed for zeros nobody typed.
TEST(TimeMinimum, CorrectionsNeedAJulianDayAndGivenCoordinates) {
  struct Case {
    const char* what;
    bool coordinatesGiven;
    std::vector<std::string> after;  // the line prefixes after "Minimum:"
    TimeScale scale = TimeScale::Jd;
    const char* minimumEnd = "";  // how the "Minimum:" line ends: the scale unless it is JD
  };
  const Case cases[] = {
      {"coordinates given", true, {"hjd-jd = ", "minimum+(hjd-jd) = ", "bjd_tdb = "}},
      {"coordinates not given since the load", false, {kCoordinatesMissingLine}},
      // Times already heliocentric get their BJD_TDB only; barycentric ones no correction.
      {"HJD", true, {"hjd-jd: the times are already heliocentric", "bjd_tdb = "}, TimeScale::Hjd, " HJD"},
      {"BJD_TDB",
       true,
       {"hjd-jd: the times are barycentric", "bjd_tdb: the times are already BJD_TDB; no correction"},
       TimeScale::BjdTdb,
       " BJD_TDB"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.Load(2459000.30L, 0.0021L, 110);
    f.data->timeScale = c.scale;
    f.star.coordinatesGiven = c.coordinatesGiven;
    f.Pick(12, 98, true);
    const MinimumOutcome out = f.Run(PhaseAxis::Phase, true);
    ASSERT_TRUE(out.finished) << c.what;
    if (*c.minimumEnd != 0)
      EXPECT_TRUE(out.lines[1].ends_with(c.minimumEnd)) << out.lines[1];
    else
      EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(out.lines[1].back()))) << out.lines[1];
    ASSERT_EQ(out.lines.size(), 2 + c.after.size()) << c.what;
    for (size_t i = 0; i < c.after.size(); ++i)
      EXPECT_EQ(out.lines[2 + i].rfind(c.after[i], 0), 0u) << c.what << ": " << out.lines[2 + i];
  }
}

TEST(TimeMinimum, ClickOrderDoesNotMatter) {
  Fixture a, b;
  a.Load(2459000.30L, 0.0021L, 110);
  b.Load(2459000.30L, 0.0021L, 110);
  a.Pick(12, 98, true);
  b.Pick(98, 12, true);
  EXPECT_EQ(a.Run().lines, b.Run().lines);
}

TEST(TimeMinimum, MarkedEntriesAreLeftOut) {
  // Marking entries inside the range gives the time of the same curve without them.
  Fixture marked;
  marked.Load(2459000.30L, 0.0021L, 110);
  for (int i : {40, 41, 55, 70}) marked.data->markFlag[i] = 1;
  marked.data->markCount = 4;
  marked.Pick(12, 98, true);
  const MinimumOutcome withMarks = marked.Run();

  Fixture removed;
  removed.Load(2459000.30L, 0.0021L, 110);
  int kept = 0;
  for (int i = 0; i < 111; ++i) {
    if (i == 40 || i == 41 || i == 55 || i == 70) continue;
    removed.data->jd[kept] = marked.data->jd[i];
    removed.data->mag[kept] = marked.data->mag[i];
    ++kept;
  }
  removed.data->pointCount = kept;
  removed.Pick(12, 94, true);  // entry 98 is entry 94 once four entries before it are gone
  const MinimumOutcome without = removed.Run();
  ASSERT_TRUE(withMarks.finished);
  EXPECT_EQ(withMarks.kwee.n, 82);
  EXPECT_EQ(withMarks.time, without.time);
  EXPECT_EQ(withMarks.kwee.sigma, without.kwee.sigma);
}

TEST(TimeMinimum, SelectionsThatCannotBeTimedChangeNothing) {
  struct Case {
    int32_t first, second;
    std::string line;
  };
  const Case cases[] = {
      {30, 30, "Minimum not computed: both clicks fell on the same point"},
      {30, 34, "Minimum not computed: 4 points in the range, at least 9 are needed"},
      {30, 500, "Minimum not computed: the picked points are not in the data; pick the eclipse again"},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.Load(2459000.30L, 0.0021L, 110);
    f.chart.Series(kMarkerSeries).Add(1, 1, 0x00FF00);
    f.Pick(c.first, c.second, true);
    const MinimumOutcome out = f.Run();
    EXPECT_FALSE(out.finished);
    ASSERT_EQ(out.lines.size(), 2u);
    EXPECT_EQ(out.lines[1], c.line);
    EXPECT_EQ(f.chart.Series(kMarkerSeries).Count(), 1);
    EXPECT_EQ(f.view.phaseView, false);
  }
}

TEST(TimeMinimum, FiveToEightPointsStopWithTheDivisionByZero) {
  Fixture f;
  f.Load(2459000.30L, 0.0021L, 110);
  f.chart.Series(kMarkerSeries).Add(1, 1, 0x00FF00);
  f.Pick(50, 57, true);  // 7 candidates: G = 13, Z = 1
  MinimumOutcome out;
  try {
    TimeMinimum(*f.data, f.star, f.view, f.chart, MinimumRequest{}, out);
    ADD_FAILURE() << "no fault";
  } catch (const FloatingPointError& error) {
    EXPECT_EQ(error.fault(), FloatingPointFault::DivisionByZero);
  }
  EXPECT_EQ(out.lines, std::vector<std::string>{"Points:  7"});
  EXPECT_FALSE(out.finished);
  EXPECT_EQ(f.chart.Series(kMarkerSeries).Count(), 1);
}

// On the phase diagram the candidates are the first cycle's positions 1 .. N-2 and the second
// cycle's N+1 ..; position N-1, the end of the first cycle, never enters (the second cycle
// starts over the same phases). Its observation can be made wild: the time stays the same.
TEST(TimeMinimum, PhaseDiagramLeavesOutPositionNMinusOne) {
  auto timed = [](bool wild) {
    Fixture f;
    f.Load(2459000.0L, 0.0037L, 900);
    f.Fold(PhaseAxis::Phase);
    const int32_t n = f.data->pointCount;
    const auto [first, second] = f.AroundPhaseOne();
    EXPECT_GT(f.data->sortedPhase[n - 1], f.data->sortedPhase[first]);  // inside the range
    if (wild) f.data->mag[f.data->sortIndex[n - 1]] = 3.0L;
    f.Pick(first, second, false);
    return f.Run(PhaseAxis::Phase, false);
  };
  const MinimumOutcome plain = timed(false);
  const MinimumOutcome wild = timed(true);
  ASSERT_TRUE(plain.finished);
  ASSERT_TRUE(wild.finished);
  EXPECT_EQ(wild.time, plain.time);
  EXPECT_EQ(wild.kwee.sigma, plain.kwee.sigma);
}

TEST(TimeMinimum, PhaseDiagramAcrossPhaseOne) {
  // Four cycles observed; the eclipse at phase 0 is picked in the second cycle of the diagram,
  // from phase 0.95 to 1.05.
  Fixture f;
  f.Load(2459000.0L, 0.0037L, 900);
  f.star.epoch = kM0;
  f.Fold(PhaseAxis::Phase);
  const int32_t n = f.data->pointCount;
  const auto [first, second] = f.AroundPhaseOne();
  f.Pick(second, first, false);
  f.star.coordinatesGiven = true;
  const MinimumOutcome out = f.Run(PhaseAxis::Phase, true);
  ASSERT_TRUE(out.finished) << out.lines.back();
  // The minimum is at phase 1 (0 of the next cycle): within its error.
  EXPECT_LT(std::fabs(static_cast<double>(out.time) - 1.0), 3 * out.kwee.sigma + 1e-6);
  EXPECT_LT(out.kwee.sigma, 0.001);
  // Lines: Points, Minimum and one line that a phase takes no correction.
  ASSERT_EQ(out.lines.size(), 3u);
  EXPECT_EQ(out.lines[2], kCorrectionNeedsJulianDayLine);
  // The diagram is redrawn with the markers kept: red and the two lime points.
  EXPECT_EQ(f.chart.Series(kPhaseSeries).Count(), 2 * n - 2);
  ASSERT_EQ(Markers(f.chart, 0x0000FF).size(), 1u);
  const auto lime = Markers(f.chart, 0x00FF00);
  ASSERT_EQ(lime.size(), 2u);
  EXPECT_DOUBLE_EQ(lime[0].x, static_cast<double>(f.data->sortedPhase[first]));
  EXPECT_DOUBLE_EQ(lime[1].x, static_cast<double>(f.data->sortedPhase[second]));
}

TEST(TimeMinimum, JdAverageShiftsTheTimeToTheCycleOfTheSelection) {
  // Eight cycles on the JD-average axis (jdAverage = phase x P + meanEpoch). The eclipse is
  // picked across the end of the first cycle; the time is moved by minimumShift into the cycle
  // of the selection's mean Julian Day, and must be a minimum of the ephemeris.
  Fixture f;
  f.Load(2459000.0L, 0.0041L, 1600);
  f.Fold(PhaseAxis::JdAverage);
  const int32_t n = f.data->pointCount;
  int32_t first = -1, second = -1;
  for (int32_t k = 1; k < n - 1; ++k)
    if (f.data->sortedPhase[k] < 0.94L) first = k + 1;
  for (int32_t k = n; k < 2 * n - 1; ++k)
    if (f.data->jdAverage[k] < f.data->meanEpoch + 1.06L * kPeriod) second = k;
  f.Pick(first, second, false);
  f.star.coordinatesGiven = true;
  const MinimumOutcome out = f.Run(PhaseAxis::JdAverage, true);
  ASSERT_TRUE(out.finished) << out.lines.back();

  // selectionEpoch by hand from the mean Julian Day of the selected positions.
  long double sum = 0;
  for (int32_t k = first; k < second; ++k) sum += f.data->jd[f.data->sortIndex[k]];
  const long double mean = sum / (second - first);
  const long double cycles = (mean - kM0) / kPeriod;
  const long double epoch = (1 - (cycles - std::trunc(cycles))) * kPeriod + mean;
  EXPECT_EQ(f.data->selectionEpoch, epoch);
  EXPECT_EQ(f.data->minimumShift, f.data->meanEpoch - epoch);
  // The time is a minimum of the ephemeris: an instant of phase 0, to within the error.
  const long double cyclesAtT = (out.time - kM0) / kPeriod;
  EXPECT_LT(std::fabs(static_cast<double>((cyclesAtT - std::round(cyclesAtT)) * kPeriod)),
            3 * out.kwee.sigma + 1e-6);
  // Lines: Points, First point, Minimum, the two heliocentric lines and the barycentric one.
  ASSERT_EQ(out.lines.size(), 6u);
  EXPECT_EQ(out.lines[1].rfind("First point:  ", 0), 0u);
  EXPECT_NE(out.lines[1].find("  Last point:"), std::string::npos);
  EXPECT_EQ(out.lines[5].rfind("bjd_tdb = ", 0), 0u);
  // kPhaseSeries is drawn with the shift; the stored abscissae are not.
  const auto lime = Markers(f.chart, 0x00FF00);
  ASSERT_EQ(lime.size(), 2u);
  EXPECT_DOUBLE_EQ(lime[0].x, static_cast<double>(f.data->jdAverage[first] + f.data->minimumShift));
}

}  // namespace
}  // namespace ombrane
