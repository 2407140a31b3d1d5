// Finding the clicked point: ChartWidget::HitTest over a phase diagram of 12 000 diamonds
// (kPhaseSeries, two cycles of a 6000-entry store), 600 crosses of marked entries (kMarkedSeries), a
// 20 000-point fitted curve (kFittedCurveSeries) and two vertical markers (kMarkerSeries) on an 857 x 465
// chart. A click beside every point visits every symbol, the curve and the markers (the worst case); a click
// on a diamond visits the symbols only. A light curve of a million observations is clicked the same two ways,
// and on the cross of a marked observation; and a million observations drawn out of time order.
#include <benchmark/benchmark.h>

#include <QPoint>
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ChartWidget.h"
#include "measure/ClickedPoint.h"
#include "view/ChartModel.h"

namespace {

using ombrane::ChartModel;
using ombrane::ChartWidget;

constexpr int kDiamonds = 12000;
constexpr int kMarks = 600;
constexpr int kCurvePoints = 20000;

double Magnitude(double phase) {
  return 11.0 + 0.8 * std::exp(-std::pow((std::fmod(phase, 1.0) - 0.5) / 0.06, 2));
}

void Fill(ChartModel& model) {
  for (int i = 0; i < kDiamonds; ++i) {
    const double phase = 2.0 * i / kDiamonds;
    const double mag = Magnitude(phase) + 0.05 * std::sin(37.0 * i);
    model.Series(ombrane::kPhaseSeries).Add(phase, mag, 0x008000);
    if (i % (kDiamonds / kMarks) == 0) model.Series(ombrane::kMarkedSeries).Add(phase, mag);
  }
  for (int i = 0; i < kCurvePoints; ++i) {
    const double phase = 2.0 * i / kCurvePoints;
    model.Series(ombrane::kFittedCurveSeries).Add(phase, Magnitude(phase), 0x00FFFF);
  }
  model.Series(ombrane::kMarkerSeries).Add(0.45, 11.5, 0x00FF00, "min");
  model.Series(ombrane::kMarkerSeries).Add(0.55, 11.5, 0x00FF00, "min");
}

void HitLoop(benchmark::State& state, bool onAPoint) {
  ChartModel model;
  Fill(model);
  ChartWidget chart(&model);
  chart.resize(857, 465);
  chart.Refresh();
  // Beside everything: the top left corner of the plot (the curve and the points lie lower);
  // on a point: the diamond at phase 0.25.
  const QPoint at =
      onAPoint ? QPoint(chart.XPixel(0.25), chart.YPixel(model.Series(ombrane::kPhaseSeries).Point(1500).y))
               : chart.PlotRect().topLeft() + QPoint(2, 2);
  const bool hits = chart.HitTest(at).has_value();
  if (hits != onAPoint) state.SkipWithError("the click does not fall where the benchmark means it to");
  for (auto _ : state) benchmark::DoNotOptimize(chart.HitTest(at));
}

void BM_HitTestBesideEveryPoint(benchmark::State& state) {
  HitLoop(state, false);
}
BENCHMARK(BM_HitTestBesideEveryPoint)->Unit(benchmark::kMicrosecond);

void BM_HitTestOnAPoint(benchmark::State& state) {
  HitLoop(state, true);
}
BENCHMARK(BM_HitTestOnAPoint)->Unit(benchmark::kMicrosecond);

// A million observations in Julian Day order over 200 nights, a 0.37-day pulsation of 0.3 mag.
void FillMillion(ChartModel& model) {
  constexpr int kCount = 1000000;
  constexpr int kPerNight = kCount / 200;
  ombrane::ChartSeries& series = model.Series(ombrane::kLightCurveSeries);
  series.Reserve(kCount);
  for (int i = 0; i < kCount; ++i) {
    const double jd = 2459000.0 + i / kPerNight + 0.3 * (i % kPerNight) / kPerNight;
    series.Add(jd, 12.0 + 0.3 * std::sin(2 * M_PI * jd / 0.37) + 0.001 * (i % 31), 0x008000);
  }
}

void MillionLoop(benchmark::State& state, bool onAPoint) {
  ChartModel model;
  FillMillion(model);
  ChartWidget chart(&model);
  chart.resize(857, 465);
  chart.Refresh();
  const ombrane::ChartPoint& p = model.Series(ombrane::kLightCurveSeries).Point(612345);
  const QPoint at =
      onAPoint ? QPoint(chart.XPixel(p.x), chart.YPixel(p.y)) : chart.PlotRect().topLeft() + QPoint(2, 2);
  const bool hits = chart.HitTest(at).has_value();
  if (hits != onAPoint) state.SkipWithError("the click does not fall where the benchmark means it to");
  for (auto _ : state) benchmark::DoNotOptimize(chart.HitTest(at));
}

void BM_HitTestMillionBeside(benchmark::State& state) {
  MillionLoop(state, false);
}
BENCHMARK(BM_HitTestMillionBeside)->Unit(benchmark::kMicrosecond);

void BM_HitTestMillionOnAPoint(benchmark::State& state) {
  MillionLoop(state, true);
}
BENCHMARK(BM_HitTestMillionOnAPoint)->Unit(benchmark::kMicrosecond);

// A click on the cross of a marked observation among a million stands for the observation under
// it (PointUnderCross): the cross marks the observation near the end of the series, which a scan
// from the start reaches last; the series are searched by bisection.
void BM_PointUnderCrossMillion(benchmark::State& state) {
  ChartModel model;
  FillMillion(model);
  const ombrane::ChartPoint p = model.Series(ombrane::kLightCurveSeries).Point(987654);
  model.Series(ombrane::kMarkedSeries).Add(p.x, p.y);
  const ombrane::SeriesPoint cross{ombrane::kMarkedSeries, 0};
  if (ombrane::PointUnderCross(model, cross).index != 987654)
    state.SkipWithError("the cross does not stand for the observation the benchmark marked");
  for (auto _ : state) benchmark::DoNotOptimize(ombrane::PointUnderCross(model, cross));
}
BENCHMARK(BM_PointUnderCrossMillion)->Unit(benchmark::kMicrosecond);

// Drawing n observations that do not come in time order (ChartSeries::Add, then the first read,
// which merges what came out of order): a file of several seasons written newest night first
// (each night in time order), and one whose lines were shuffled.
void BM_AddOutOfOrder(benchmark::State& state) {
  const auto count = static_cast<int>(state.range(0));
  const bool shuffled = state.range(1) != 0;
  constexpr int kPerNight = 500;
  std::vector<double> days(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int night = shuffled ? i / kPerNight : (count - 1 - i) / kPerNight;
    days[static_cast<size_t>(i)] = 2459000.0 + night + 0.3 * (i % kPerNight) / kPerNight;
  }
  if (shuffled) std::shuffle(days.begin(), days.end(), std::mt19937_64(12345));
  for (auto _ : state) {
    ombrane::ChartSeries series(ombrane::SeriesKind::Diamond, 0x0000FF);
    for (int i = 0; i < count; ++i)
      series.Add(days[static_cast<size_t>(i)], 12.0 + 0.001 * (i % 97), 0x008000);
    benchmark::DoNotOptimize(series.Points().data());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_AddOutOfOrder)
    ->ArgNames({"points", "shuffled"})
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Args({100000, 1})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
