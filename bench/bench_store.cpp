// Speed of loading a full store: reading a 6000-pair photometry text and splitting it into nights.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <charconv>
#include <memory>
#include <string>

#include "store/Loading.h"
#include "store/NightIndex.h"
#include "store/Photometry.h"

namespace {

using namespace ombrane;

// 60 nights of 100 observations, one pair a line, in the usual "2452153.3452 12.345" layout;
// 5999 pairs by default, so that with the repeat the store is exactly full.
std::string SyntheticFile(int32_t pairs = 5999) {
  std::string text;
  char buffer[64];
  for (int32_t i = 0; i < pairs; ++i) {
    const double day = 2452153.3 + (i / 100) + (i % 100) * 0.004;
    const double magnitude = 12.0 + 0.3 * ((i * 37) % 101) / 101.0;
    char* end = std::to_chars(buffer, buffer + sizeof buffer, day, std::chars_format::fixed, 4).ptr;
    *end++ = ' ';
    end = std::to_chars(end, buffer + sizeof buffer, magnitude, std::chars_format::fixed, 3).ptr;
    *end++ = '\n';
    text.append(buffer, end);
  }
  return text;
}

// Pair counts beyond the capacity show that the rest of the file is still only counted.
void BM_ReadPhotometryText(benchmark::State& state) {
  const std::string text = SyntheticFile(static_cast<int32_t>(state.range(0)));
  auto data = std::make_unique<Data>();
  for (auto _ : state) {
    PhotometryReadResult result = ReadPhotometryText(text, "bench.txt", *data);
    benchmark::DoNotOptimize(result.pointCount);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["entries"] = data->pointCount;
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadPhotometryText)
    ->Arg(1500)
    ->Arg(3000)
    ->Arg(5999)
    ->Arg(12000)
    ->Arg(1'000'000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

void BM_SplitNights(benchmark::State& state) {
  auto data = std::make_unique<Data>();
  auto view = std::make_unique<ViewState>();
  ReadPhotometryText(SyntheticFile(), "bench.txt", *data);
  for (auto _ : state) {
    SplitNights(data->fileJd, *data, *view);
    benchmark::DoNotOptimize(view->lastNight);
  }
  state.counters["nights"] = view->lastNight + 1;
}
BENCHMARK(BM_SplitNights)->Unit(benchmark::kMicrosecond);

// Both steps of a load, as the window runs them one after the other.
void BM_ReadAndSplit(benchmark::State& state) {
  const std::string text = SyntheticFile();
  auto data = std::make_unique<Data>();
  auto view = std::make_unique<ViewState>();
  for (auto _ : state) {
    ReadPhotometryText(text, "bench.txt", *data);
    SplitNights(data->fileJd, *data, *view);
    benchmark::DoNotOptimize(view->lastNight);
  }
}
BENCHMARK(BM_ReadAndSplit)->Unit(benchmark::kMicrosecond);

// Memory of a load: the heap the store and the night tables hold after a load of N pairs (nights
// of 100), from mallinfo2 before and after (small blocks and mapped ones), per observation; then
// once more after the phase diagram's second cycle is allocated.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_BytesPerObservation(benchmark::State& state) {
  const auto pairs = static_cast<int32_t>(state.range(0));
  const std::string text = SyntheticFile(pairs);
  double perObservation = 0;
  double withSecondCycle = 0;
  for (auto _ : state) {
    const size_t before = HeapInUse();
    auto data = std::make_unique<Data>();
    auto star = std::make_unique<Star>();
    auto view = std::make_unique<ViewState>();
    LoadPhotometry({.path = {}, .fileName = "bench.txt", .shownName = "bench.txt", .text = text}, *data,
                   *star, *view);
    const size_t loaded = HeapInUse();
    data->AddSecondCycle();
    const size_t drawn = HeapInUse();
    perObservation = static_cast<double>(loaded - before) / pairs;
    withSecondCycle = static_cast<double>(drawn - before) / pairs;
    benchmark::DoNotOptimize(data->pointCount);
  }
  state.counters["bytes_per_observation"] = perObservation;
  state.counters["with_second_cycle"] = withSecondCycle;
}
BENCHMARK(BM_BytesPerObservation)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
