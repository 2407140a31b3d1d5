// Speed of the fold and of the period search on a light curve of full size: 6000 entries over
// 60 nights, an eclipsing binary of period 0.8372 days (a 0.7 mag primary and a 0.3 mag
// secondary eclipse, Gaussian in phase) with 0.01 mag of noise.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "phase/Fold.h"
#include "phase/PeriodSearch.h"
#include "store/Records.h"

namespace ombrane {
namespace {

constexpr long double kTruePeriod = 0.8372L;
constexpr long double kEpoch = 2450000.2L;

std::unique_ptr<Data> SyntheticCurve() {
  auto data = std::make_unique<Data>();
  std::mt19937 random(2024);
  std::normal_distribution<double> noise(0.0, 0.01);
  constexpr int32_t kObservations = kMaxEntries - 1;  // the last one is repeated, as loaded
  constexpr int32_t kNights = 60;
  constexpr int32_t kPerNight = kObservations / kNights;
  int32_t i = 0;
  for (int32_t night = 0; night < kNights && i < kObservations; ++night)
    for (int32_t j = 0; j < kPerNight && i < kObservations; ++j, ++i) {
      const long double jd = 2450000.0L + night * 1.37L + 0.1L + 0.35L * j / kPerNight;
      const double phase = std::fmod(static_cast<double>((jd - kEpoch) / kTruePeriod), 1.0);
      const double p = phase < 0 ? phase + 1 : phase;
      auto dip = [&](double centre, double depth) {
        const double d = std::min(std::fabs(p - centre), 1 - std::fabs(p - centre));
        return depth * std::exp(-d * d / (2 * 0.03 * 0.03));
      };
      data->jd[i] = jd;
      data->mag[i] = 12.0 + dip(0.0, 0.7) + dip(0.5, 0.3) + noise(random);
      data->night[i] = night;
    }
  data->jd[i] = data->jd[i - 1];
  data->mag[i] = data->mag[i - 1];
  data->night[i] = data->night[i - 1];
  data->pointCount = i + 1;
  return data;
}

Star SyntheticStar() {
  Star star;
  star.epoch = kEpoch;
  star.period = kTruePeriod;
  return star;
}

// 10 000 trial periods around the true one.
SearchRequest TenThousandTrials(SearchMethod method, unsigned threads) {
  SearchRequest request;
  request.searchMin = 0.8322L;
  request.searchMax = 0.8322L + 0.01L - 0.0000005L;
  request.increment = 0.000001L;
  request.method = method;
  request.threads = threads;
  return request;
}

// What the period box computes at every keystroke, without the drawing: fold, string length,
// AoV statistic.
void BM_Edit3ChangeComputation(benchmark::State& state) {
  auto data = SyntheticCurve();
  Star star = SyntheticStar();
  for (auto _ : state) {
    FoldPhases(*data, star, star.period);
    FoldStringLength(*data, star);
    benchmark::DoNotOptimize(AovStatistic(*data));
  }
}
BENCHMARK(BM_Edit3ChangeComputation)->Unit(benchmark::kMillisecond);

// The same with the plain sort and the ten-pass statistic, for comparison.
void BM_Edit3ChangeComputationPlain(benchmark::State& state) {
  auto data = SyntheticCurve();
  Star star = SyntheticStar();
  for (auto _ : state) {
    FoldPhasesPlain(*data, star, star.period);
    FoldStringLength(*data, star);
    benchmark::DoNotOptimize(AovStatisticPlain(*data));
  }
}
BENCHMARK(BM_Edit3ChangeComputationPlain)->Unit(benchmark::kMillisecond);

// The fold and the drawing of the phase diagram, as the period box runs them.
void BM_Edit3ChangeWithDrawing(benchmark::State& state) {
  auto data = SyntheticCurve();
  Star star = SyntheticStar();
  ViewState view;
  ChartModel chart;
  FoldRequest request;
  request.computeAov = true;
  for (auto _ : state) {
    FoldOutcome outcome;
    RunFold(*data, star, view, chart, request, outcome);
    benchmark::DoNotOptimize(outcome.aovText);
  }
}
BENCHMARK(BM_Edit3ChangeWithDrawing)->Unit(benchmark::kMillisecond);

void BM_SearchPeriod(benchmark::State& state) {
  auto data = SyntheticCurve();
  Star star = SyntheticStar();
  const auto method = static_cast<SearchMethod>(state.range(0));
  const SearchRequest request = TenThousandTrials(method, 0);
  SearchResult result;
  for (auto _ : state) result = SearchPeriod(*data, star, request);
  state.counters["trials"] = static_cast<double>(result.trials);
  state.counters["bestPeriod"] = static_cast<double>(result.bestPeriod);
}
BENCHMARK(BM_SearchPeriod)
    ->ArgName("aov")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

// The threaded search on one thread: the cost of the trials alone, whatever the other
// processes of the machine leave free.
void BM_SearchPeriodOneThread(benchmark::State& state) {
  auto data = SyntheticCurve();
  Star star = SyntheticStar();
  const auto method = static_cast<SearchMethod>(state.range(0));
  const SearchRequest request = TenThousandTrials(method, 1);
  SearchResult result;
  for (auto _ : state) result = SearchPeriod(*data, star, request);
  state.counters["trials"] = static_cast<double>(result.trials);
}
BENCHMARK(BM_SearchPeriodOneThread)
    ->ArgName("aov")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

void BM_SearchPeriodSequential(benchmark::State& state) {
  auto data = SyntheticCurve();
  Star star = SyntheticStar();
  const auto method = static_cast<SearchMethod>(state.range(0));
  const SearchRequest request = TenThousandTrials(method, 1);
  SearchResult result;
  for (auto _ : state) result = SearchPeriodSequential(*data, star, request);
  state.counters["trials"] = static_cast<double>(result.trials);
  state.counters["bestPeriod"] = static_cast<double>(result.bestPeriod);
}
BENCHMARK(BM_SearchPeriodSequential)
    ->ArgName("aov")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
}  // namespace ombrane

BENCHMARK_MAIN();
