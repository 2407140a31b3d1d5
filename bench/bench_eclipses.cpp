// Every eclipse of a long series: 100 000 observations (every 0.002 d) of a binary of period
// 1.3334 d with primaries and secondaries, 300 eclipses, each timed by the classic Kwee & van
// Woerden sums with the chi-square and bootstrap errors.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "timing/EclipseTiming.h"

namespace ombrane {
namespace {

void BM_TimeEveryEclipse(benchmark::State& state) {
  const long double epoch = 2459000.1L, period = 1.3334L;
  std::mt19937_64 random(5);
  std::normal_distribution<double> noise(0, 0.003);
  std::vector<long double> t, m;
  for (int i = 0; i < 100000; ++i) {
    const long double x = epoch - 0.1L + 0.002L * i;
    long double phase = (x - epoch) / period;
    phase -= std::floor(phase + 0.25L);  // −¼ … ¾: the primary at 0, the secondary at ½
    const double dp = static_cast<double>(phase) / 0.01, ds = static_cast<double>(phase - 0.5L) / 0.01;
    t.push_back(x);
    m.push_back(10 + 0.7 * std::exp(-0.5 * dp * dp) + 0.3 * std::exp(-0.5 * ds * ds) + noise(random));
  }
  EclipseSearch search;
  search.epoch = epoch;
  search.period = period;
  size_t eclipses = 0;
  for (auto _ : state) {
    const std::vector<TimedEclipse> timed = TimeEveryEclipse(t, m, search);
    eclipses = timed.size();
    benchmark::DoNotOptimize(timed.data());
  }
  state.counters["eclipses"] = static_cast<double>(eclipses);
}
BENCHMARK(BM_TimeEveryEclipse)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ombrane

BENCHMARK_MAIN();
