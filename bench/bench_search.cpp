// Speed of the period-search methods on arrays (GLS, MHAOV with 2 harmonics, PDM with 10 bins
// and 2 covers, BLS with 5 durations) on one core: a synthetic eclipsing binary of period
// 0.8372 d (a 0.7 mag primary and a 0.3 mag secondary eclipse, Gaussian in phase, 0.01 mag of
// noise) sampled over 60 nights, searched on a grid even in frequency around the period (the
// phase factors rotate trial by trial) and, for GLS, on a grid even in period (sine and cosine
// formed anew at every trial). The counter point_trials/s is observations × trials per second
// of one thread: per core-second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "search/Methods.h"

namespace ombrane {
namespace {

Observations Curve(int64_t count) {
  Observations o;
  std::mt19937 random(2024);
  std::normal_distribution<double> noise(0.0, 0.01);
  constexpr int64_t kNights = 60;
  const int64_t perNight = (count + kNights - 1) / kNights;
  for (int64_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i / perNight) * 1.37 + 0.1 +
                     0.35 * static_cast<double>(i % perNight) / static_cast<double>(perNight);
    double p = std::fmod((t - 0.2) / 0.8372, 1.0);
    if (p < 0) p += 1;
    auto dip = [&](double centre, double depth) {
      const double d = std::min(std::fabs(p - centre), 1 - std::fabs(p - centre));
      return depth * std::exp(-d * d / (2 * 0.03 * 0.03));
    };
    o.t.push_back(t);
    o.y.push_back(12.0 + dip(0.0, 0.7) + dip(0.5, 0.3) + noise(random));
  }
  return o;
}

// Trials evenly spread over frequencies 0.5 to 3 per day (periods 0.33 to 2 d).
TrialGrid Grid(int64_t trials, GridStep step) {
  if (step == GridStep::Frequency)
    return TrialGrid{
        .step = step, .first = 0.5, .increment = 2.5 / static_cast<double>(trials), .count = trials};
  return TrialGrid{.step = step,
                   .first = 1.0 / 3,
                   .increment = (2 - 1.0 / 3) / static_cast<double>(trials),
                   .count = trials};
}

enum Method { kGls, kGlsPeriodGrid, kMhaov, kPdm, kBls };

void BM_Method(benchmark::State& state, Method method) {
  const Observations data = Curve(state.range(0));
  const int64_t trials = state.range(1);
  const TrialGrid grid = Grid(trials, method == kGlsPeriodGrid ? GridStep::Period : GridStep::Frequency);
  const TrialRun run{.threads = 1, .progress = {}};
  for (auto _ : state) {
    MethodScores s;
    switch (method) {
      case kGls:
      case kGlsPeriodGrid:
        s = GlsPowers(data, grid, run);
        break;
      case kMhaov:
        s = MhaovStatistics(data, grid, 2, run);
        break;
      case kPdm:
        s = PdmThetas(data, grid, 10, 2, run);
        break;
      case kBls:
        s = BlsPowers(data, grid, {0.02, 0.05, 0.1, 0.15, 0.2}, run);
        break;
    }
    benchmark::DoNotOptimize(s.score.data());
  }
  state.counters["point_trials/s"] =
      benchmark::Counter(static_cast<double>(state.range(0)) * static_cast<double>(trials) *
                             static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

// Observations × trials: 6000 × 10 000, 6000 × 100 000 and 100 000 × 10 000. The fourth
// combination, 100 000 × 100 000 (10^10 point-trials, tens of seconds a run on one core), is
// left out: the rate is flat in both sizes, so it adds nothing but time on a shared machine.
void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({6000, 10'000})->Args({6000, 100'000})->Args({100'000, 10'000});
  b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
}

BENCHMARK_CAPTURE(BM_Method, gls, kGls)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Method, gls_period_grid, kGlsPeriodGrid)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Method, mhaov, kMhaov)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Method, pdm, kPdm)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Method, bls, kBls)->Apply(Sizes);

}  // namespace
}  // namespace ombrane

BENCHMARK_MAIN();
