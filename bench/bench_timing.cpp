// The time of minimum: Kwee & van Woerden on a 2000-point eclipse, alone and as the sincos
// button runs it (candidate list, method, markers and lines) on a light curve of 2000 entries.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "store/Records.h"
#include "timing/KweeVanWoerden.h"
#include "timing/MinimumTimingPresentation.h"
#include "view/ChartModel.h"

namespace ombrane {
namespace {

// A Gaussian dip of 0.8 mag and sigma 0.02 d with a little deterministic ripple, sampled every
// `step` days from JD 2459000.3.
double Magnitude(double t) {
  const double d = (t - 2459000.4137) / 0.02;
  return 11.0 + 0.8 * std::exp(-0.5 * d * d) + 0.003 * std::sin(977.0 * t);
}

void BM_KweeVanWoerden(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const double step = 0.2 / count;
  std::vector<double> x(static_cast<size_t>(count)), y(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    x[static_cast<size_t>(i)] = 0.3 + i * step;
    y[static_cast<size_t>(i)] = Magnitude(2459000.0 + x[static_cast<size_t>(i)]);
  }
  for (auto _ : state) {
    const KweeResult r = KweeVanWoerden(x, y, x.front(), x.back() + step);
    benchmark::DoNotOptimize(r.t0);
  }
  state.SetComplexityN(count);
}
BENCHMARK(BM_KweeVanWoerden)->Arg(500)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_TimeMinimumLightCurve(benchmark::State& state) {
  const int count = 2000;
  auto data = std::make_unique<Data>();
  data->Resize(count + 1);
  for (int i = 0; i <= count; ++i) {
    const int j = std::min(i, count - 1);
    data->jd[i] = 2459000.3L + j * (0.2L / count);
    data->mag[i] = Magnitude(static_cast<double>(data->jd[i]));
  }
  data->pointCount = count + 1;
  Star star;
  ViewState view;
  ChartModel chart;
  for (int i = 0; i <= count; ++i)
    chart.Series(kLightCurveSeries).Add(static_cast<double>(data->jd[i]), static_cast<double>(data->mag[i]));
  for (auto _ : state) {
    view.areaIndex1 = 0;
    view.areaIndex2 = count;
    view.areaOnLightCurve = true;
    MinimumOutcome outcome;
    TimeMinimum(*data, star, view, chart, MinimumRequest{}, outcome);
    benchmark::DoNotOptimize(outcome.time);
  }
}
BENCHMARK(BM_TimeMinimumLightCurve)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ombrane

BENCHMARK_MAIN();
