// The ephemeris from times of minimum: numbering the cycles and the weighted quadratic fit of
// 10 000 minima (a long survey's worth), with timing noise.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "timing/EphemerisFit.h"

namespace ombrane {
namespace {

std::vector<TimedMinimum> NoisyMinima(int count) {
  std::mt19937_64 random(7);
  std::normal_distribution<double> noise(0, 2e-4);
  std::vector<TimedMinimum> minima(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const long double e = 2 * i + (i % 3 == 0 ? 0.5L : 0);  // every third a secondary
    TimedMinimum& m = minima[static_cast<size_t>(i)];
    m.time = 2455000.1234L + 0.8765432L * e + 3e-10L * e * e + noise(random);
    m.error = 2e-4L;
    m.kind = i % 3 == 0 ? MinimumKind::Secondary : MinimumKind::Primary;
  }
  return minima;
}

void BM_FitEphemeris(benchmark::State& state) {
  const std::vector<TimedMinimum> minima = NoisyMinima(static_cast<int>(state.range(0)));
  std::vector<long double> cycles(minima.size());
  for (size_t i = 0; i < minima.size(); ++i)
    cycles[i] = 2.0L * static_cast<long double>(i) + (i % 3 == 0 ? 0.5L : 0);
  for (auto _ : state) benchmark::DoNotOptimize(FitEphemeris(minima, cycles, true));
}
BENCHMARK(BM_FitEphemeris)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_NumberCycles(benchmark::State& state) {
  const std::vector<TimedMinimum> minima = NoisyMinima(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(NumberCycles(minima, std::nullopt, std::nullopt));
}
BENCHMARK(BM_NumberCycles)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ombrane

BENCHMARK_MAIN();
