// Painting a full chart: 12 000 diamonds of the phase diagram (kPhaseSeries, many colours) and a
// 20 000-point fitted curve (kFittedCurveSeries) into an 857 x 465 image through ChartWidget::Render, the
// routine that also paints the screen. The parts are measured alone too, to see where the
// time goes. The periodogram window's picture of 100 000 points, the most a search keeps, is
// measured the same way. A light curve of 10^5 and 10^6 observations is painted as the screen
// paints it (PointDetail::Visible) and as files and the printer do (every point).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>

#include "ChartWidget.h"
#include "phase/Periodogram.h"
#include "phase/PeriodogramPresentation.h"
#include "view/ChartModel.h"

namespace {

using ombrane::ChartModel;
using ombrane::ChartWidget;

constexpr int kWidth = 857;
constexpr int kHeight = 465;
constexpr int kDiamonds = 12000;
constexpr int kCurvePoints = 20000;

// A light curve folded over two cycles: an eclipse-like dip plus a ripple, night colours
// cycling over 19 values.
void FillDiamonds(ChartModel& model) {
  constexpr uint32_t kColours[] = {0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x00FF00, 0x00FFFF,
                                   0xFF00FF, 0xFFFF00, 0x0000FF, 0x000080, 0xFF0000, 0x000000, 0xC0C0C0,
                                   0xFFFFFF, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};
  for (int i = 0; i < kDiamonds; ++i) {
    const double phase = 2.0 * i / kDiamonds;
    const double mag =
        11.0 + 0.8 * std::exp(-std::pow((std::fmod(phase, 1.0) - 0.5) / 0.06, 2)) + 0.05 * std::sin(37.0 * i);
    model.Series(ombrane::kPhaseSeries).Add(phase, mag, kColours[(i / 300) % 19]);
  }
}

void FillCurve(ChartModel& model) {
  for (int i = 0; i < kCurvePoints; ++i) {
    const double phase = 2.0 * i / kCurvePoints;
    const double mag = 11.0 + 0.8 * std::exp(-std::pow((std::fmod(phase, 1.0) - 0.5) / 0.06, 2));
    model.Series(ombrane::kFittedCurveSeries).Add(phase, mag, 0x00FFFF);
  }
}

void RenderLoop(benchmark::State& state, ChartModel& model,
                ombrane::PointDetail detail = ombrane::PointDetail::Every) {
  ChartWidget chart(&model);
  chart.resize(kWidth, kHeight);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    chart.Render(painter, image.rect(), detail);
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}

void BM_RenderFullChart(benchmark::State& state) {
  ChartModel model;
  FillDiamonds(model);
  FillCurve(model);
  RenderLoop(state, model);
}
BENCHMARK(BM_RenderFullChart)->Unit(benchmark::kMillisecond);

void BM_RenderDiamondsOnly(benchmark::State& state) {
  ChartModel model;
  FillDiamonds(model);
  RenderLoop(state, model);
}
BENCHMARK(BM_RenderDiamondsOnly)->Unit(benchmark::kMillisecond);

void BM_RenderCurveOnly(benchmark::State& state) {
  ChartModel model;
  FillCurve(model);
  RenderLoop(state, model);
}
BENCHMARK(BM_RenderCurveOnly)->Unit(benchmark::kMillisecond);

// A light curve of `count` observations over 200 nights of 0.3 d in the 19 colours: a 0.37-day
// pulsation of 0.3 mag with +-0.03 mag of noise, in the order of their Julian Days as a load
// draws them.
void FillLightCurve(ChartModel& model, int64_t count) {
  constexpr uint32_t kColours[] = {0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x00FF00, 0x00FFFF,
                                   0xFF00FF, 0xFFFF00, 0x0000FF, 0x000080, 0xFF0000, 0x000000, 0xC0C0C0,
                                   0xFFFFFF, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};
  constexpr int64_t kNights = 200;
  const int64_t perNight = std::max<int64_t>(count / kNights, 1);
  ombrane::ChartSeries& series = model.Series(ombrane::kLightCurveSeries);
  series.Reserve(static_cast<int>(count));
  uint64_t noise = 12345;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t night = i / perNight;
    const double jd = 2459000.0 + static_cast<double>(night) +
                      0.3 * static_cast<double>(i % perNight) / static_cast<double>(perNight);
    noise = noise * 6364136223846793005ULL + 1442695040888963407ULL;
    const double scatter = 0.03 * (static_cast<double>(noise >> 11) / 9007199254740992.0 * 2 - 1);
    series.Add(jd, 12.0 + 0.3 * std::sin(2 * M_PI * jd / 0.37) + scatter, kColours[night % 19]);
  }
}

void BM_RenderLightCurveScreen(benchmark::State& state) {
  ChartModel model;
  FillLightCurve(model, state.range(0));
  RenderLoop(state, model, ombrane::PointDetail::Visible);
}
BENCHMARK(BM_RenderLightCurveScreen)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_RenderLightCurveEveryPoint(benchmark::State& state) {
  ChartModel model;
  FillLightCurve(model, state.range(0));
  RenderLoop(state, model, ombrane::PointDetail::Every);
}
BENCHMARK(BM_RenderLightCurveEveryPoint)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_RenderEmptyChart(benchmark::State& state) {
  ChartModel model;
  RenderLoop(state, model);
}
BENCHMARK(BM_RenderEmptyChart)->Unit(benchmark::kMillisecond);

// An AoV periodogram of 100 000 trial periods from 0.2 to 2 d: noise of spikes with a strong
// peak and its aliases.
ombrane::Periodogram SpikyPeriodogram() {
  ombrane::Periodogram periodogram;
  periodogram.method = ombrane::SearchMethod::Aov;
  periodogram.trials = ombrane::kMaxKeptScores;
  periodogram.timeSpan = 69;
  for (int64_t k = 0; k < periodogram.trials; ++k) {
    const long double period = 0.2L + k * 0.000018L;
    const double f = static_cast<double>(1 / period);
    double score = 10 + 8 * std::fabs(std::sin(977.0 * static_cast<double>(k)));
    for (double alias : {1.763, 0.763, 2.763, 0.8815})
      score += 1200 * std::exp(-std::pow((f - alias) / 0.004, 2));
    periodogram.points.push_back(ombrane::TrialScore{period, score, k});
  }
  return periodogram;
}

// What the window does with a search's periodogram before painting: the peaks and the model.
void BM_DrawPeriodogramModel(benchmark::State& state) {
  const ombrane::Periodogram periodogram = SpikyPeriodogram();
  ChartModel model;
  for (auto _ : state) {
    const std::vector<ombrane::Peak> peaks = ombrane::FindPeaks(periodogram, 5);
    ombrane::DrawPeriodogram(periodogram, peaks, ombrane::PeriodogramAxis::Frequency, "bench.txt", model);
    benchmark::DoNotOptimize(model.Series(ombrane::kFittedCurveSeries).Count());
  }
}
BENCHMARK(BM_DrawPeriodogramModel)->Unit(benchmark::kMillisecond);

void BM_RenderPeriodogram(benchmark::State& state) {
  const ombrane::Periodogram periodogram = SpikyPeriodogram();
  ChartModel model;
  ombrane::DrawPeriodogram(periodogram, ombrane::FindPeaks(periodogram, 5),
                           ombrane::PeriodogramAxis::Frequency, "bench.txt", model);
  RenderLoop(state, model);
}
BENCHMARK(BM_RenderPeriodogram)->Unit(benchmark::kMillisecond);

}  // namespace
