// Repainting the picture of a fit: the phase diagram of 6000 entries drawn by DrawFitCurve
// (sorted positions 1 .. N-2 in kPhaseSeries and one cycle later in kSecondCycleSeries, in night colours),
// the 20 001-point fitted curve in kFittedCurveSeries (3-pixel yellow line) and the two markers of
// kMarkerSeries, painted into an 857 x 465 image through ChartWidget::Render, the routine that also paints
// the screen.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

#include "ChartWidget.h"
#include "fit/FourierPresentation.h"
#include "phase/Fold.h"
#include "store/Records.h"
#include "view/ChartModel.h"

namespace {

using namespace ombrane;

constexpr int kWidth = 857;
constexpr int kHeight = 465;

void BM_RenderFitPicture(benchmark::State& state) {
  // 5999 observations of an RRab-like curve over 60 nights, with 0.02 mag of deterministic
  // scatter, folded and fitted with eight harmonics.
  const long double period = 0.5665L;
  auto data = std::make_unique<Data>();
  data->Resize(6000);
  for (int32_t i = 0; i < 5999; ++i) {
    const int32_t night = i / 100;
    const long double t = 2452000.3L + night + 0.003L * (i % 100);
    const double x = static_cast<double>(kTwoPi * t / period);
    data->jd[static_cast<size_t>(i)] = t;
    data->mag[static_cast<size_t>(i)] =
        11.0 + 0.4 * std::sin(x) + 0.15 * std::sin(2 * x + 2.4) + 0.02 * std::sin(37.0 * i);
    data->night[static_cast<size_t>(i)] = night;
  }
  data->jd[5999] = data->jd[5998];
  data->mag[5999] = data->mag[5998];
  data->night[5999] = data->night[5998];
  data->pointCount = 6000;
  data->fileName = "bench.dat";
  Star star;
  star.period = period;
  star.epoch = 2450000;
  FoldPhases(*data, star, period);
  SetJdAverage(*data, period);
  auto fit = std::make_unique<HarmonicFit>();
  FitHarmonicSeries(*data, star, 8, true, *fit);
  ChartModel model;
  AddExtremeMarkers(DrawFitCurve(*data, period, *fit, PhaseAxis::Phase, model), model);

  ChartWidget chart(&model);
  chart.resize(kWidth, kHeight);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    chart.Render(painter, image.rect());
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["points"] = model.Series(kPhaseSeries).Count() + model.Series(kSecondCycleSeries).Count();
  state.counters["curvePoints"] = model.Series(kFittedCurveSeries).Count();
}
BENCHMARK(BM_RenderFitPicture)->Unit(benchmark::kMillisecond);

}  // namespace
