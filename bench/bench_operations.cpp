// Speed of the list of data operations on a long series: one magnitude step of a night, and the
// undo of the last of many operations, which restores the store as loaded and applies the
// others again.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "store/Loading.h"
#include "store/Operations.h"

namespace {

using namespace ombrane;

// `count` observations over 100 nights, 0.4 d of each night, magnitudes 12 .. 12.3.
struct LongStore {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();

  explicit LongStore(int32_t count) {
    std::vector<Observation> observations;
    observations.reserve(static_cast<size_t>(count));
    const int32_t perNight = count / 100;
    for (int32_t i = 0; i < count; ++i) {
      const long double night = i / perNight;
      const long double time = 2450000.25L + night + 0.4L * (i % perNight) / perNight;
      observations.push_back({time, 12.0L + 0.3L * ((i * 37) % 101) / 101.0L, 0});
    }
    LoadObservations(observations, "long", "long", *data, *star, *view);
  }
};

void BM_MagnitudeStep(benchmark::State& state) {
  LongStore s(static_cast<int32_t>(state.range(0)));
  OperationLog log;
  int sign = 1;
  for (auto _ : state) {
    log.Apply(StepOperation{.night = 7, .sign = sign, .step = 0.005L}, *s.data, *s.view);
    sign = -sign;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_MagnitudeStep)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// 50 operations (steps of ten nights, marks, two Deletes); each iteration undoes the last and
// redoes it.
void BM_UndoLastOfMany(benchmark::State& state) {
  LongStore s(static_cast<int32_t>(state.range(0)));
  OperationLog log;
  for (int32_t k = 0; k < 50; ++k) {
    if (k == 10 || k == 30)
      log.Apply(DeleteOperation{.first = 100 * k, .last = 100 * k + 99}, *s.data, *s.view);
    else if (k % 3 == 0)
      log.Apply(MarkOperation{{1000 * k}}, *s.data, *s.view);
    else
      log.Apply(StepOperation{.night = k % 10, .sign = 1, .step = 0.01L}, *s.data, *s.view);
  }
  for (auto _ : state) {
    log.Undo(*s.data, *s.view);
    log.Redo(*s.data, *s.view);
  }
}
BENCHMARK(BM_UndoLastOfMany)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
