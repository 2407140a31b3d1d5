// The harmonic fits on a store of 5999 observations (6000 entries with the loader's repeat) of
// an RRab-like curve with ten harmonics, folded. BM_AutomaticFit is the NJD button without the
// window, at 5999 and at 100 000 observations: the search (which ends at ten harmonics), the
// final fit, the clipping, the results, the drawing and the 20 000-point curve. BM_FixedFit45 is the "sin"
// button with 45 harmonics, curve included. BM_NormalEquations* compare the one pass per observation with the
// term-by- term sums it reproduces bit for bit.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

#include "fit/FourierPresentation.h"
#include "fit/HarmonicCore.h"
#include "phase/Fold.h"
#include "store/Records.h"
#include "view/ChartModel.h"

namespace {

using namespace ombrane;

constexpr long double kPeriod = 0.5665L;
constexpr int32_t kDefaultObservations = 5999;

// Ten harmonics with amplitudes falling from 0.4 mag and phases away from 0, plus a faint 30th
// harmonic standing for the noise: over evenly spread observations it is orthogonal to the
// lower harmonics, so the search ends exactly at ten and nothing is clipped.
struct Scene {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  Star star;
  ViewState view;
  ChartModel chart;

  explicit Scene(int32_t observations = kDefaultObservations) {
    const int32_t cycles = 40;
    data->Resize(observations + 1);
    for (int32_t i = 0; i < observations; ++i) {
      const long double t = 2452000.3L + cycles * kPeriod * i / observations;
      long double y = 11.0L;
      for (int32_t k = 1; k <= 10; ++k) {
        const double argument = static_cast<double>(k * (static_cast<long double>(kTwoPi) / kPeriod) * t);
        y += 0.4L * std::pow(0.7L, k - 1) * std::sin(argument + 0.9 + 0.6 * k);
      }
      const double noise = static_cast<double>(30 * (static_cast<long double>(kTwoPi) / kPeriod) * t);
      y += 0.01L * std::sin(noise);
      data->jd[static_cast<size_t>(i)] = t;
      data->mag[static_cast<size_t>(i)] = y;
    }
    data->jd[observations] = data->jd[observations - 1];
    data->mag[observations] = data->mag[observations - 1];
    data->pointCount = observations + 1;
    data->fileName = "bench.dat";
    star.period = kPeriod;
    star.epoch = 2450000;
    view.openPath = "bench.dat";
    FoldPhases(*data, star, kPeriod);
    SetJdAverage(*data, kPeriod);
  }
};

void BM_AutomaticFit(benchmark::State& state) {
  Scene scene(static_cast<int32_t>(state.range(0)));
  FitOutcome outcome;
  for (auto _ : state) {
    RunAutomaticFit(*scene.data, scene.star, scene.view, scene.chart, FitRequest{.linesToNotes = true},
                    FitSink{}, outcome);
    benchmark::DoNotOptimize(&scene.star.fourierResults);
  }
  if (outcome.harmonics != 10 || scene.data->markCount != 0)
    state.SkipWithError("the search did not end at 10");
  state.counters["harmonics"] = outcome.harmonics;
  state.counters["curvePoints"] = scene.chart.Series(kFittedCurveSeries).Count();
}
BENCHMARK(BM_AutomaticFit)->Arg(kDefaultObservations)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FixedFit45(benchmark::State& state) {
  Scene scene;
  FitOutcome outcome;
  for (auto _ : state) {
    RunFixedFit("45", *scene.data, scene.star, scene.view, scene.chart, FitRequest{.linesToNotes = true},
                FitSink{}, outcome);
    benchmark::DoNotOptimize(&scene.star.fourierResults);
  }
  state.counters["curvePoints"] = scene.chart.Series(kFittedCurveSeries).Count();
}
BENCHMARK(BM_FixedFit45)->Unit(benchmark::kMillisecond);

void BM_NormalEquations(benchmark::State& state, bool plain) {
  Scene scene;
  auto fit = std::make_unique<HarmonicFit>();
  const auto n = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    SeriesTable table;  // fresh: the sines and cosines are taken in each round
    if (plain)
      NormalEquationsPlain(*scene.data, scene.star, n, *fit);
    else
      NormalEquations(*scene.data, scene.star, n, *fit, table);
    benchmark::DoNotOptimize(fit->inverse.data());
  }
}
BENCHMARK_CAPTURE(BM_NormalEquations, onePass, false)->Arg(10)->Arg(45)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NormalEquations, termByTerm, true)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
