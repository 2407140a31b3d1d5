// Speed of the fold and of the period search on a light curve of full size: 6000 entries over
// 60 nights, an eclipsing binary of period 0.8372 days (a 0.7 mag primary and a 0.3 mag
// secondary eclipse, Gaussian in phase) with 0.01 mag of noise.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "phase/Fold.h"
#include "phase/FoldPresentation.h"
#include "phase/PeriodSearch.h"
#include "phase/TrialScorer.h"
#include "store/Records.h"
#include "support/PlainReference.h"

namespace ombrane {
namespace {

constexpr long double kTruePeriod = 0.8372L;
constexpr long double kEpoch = 2450000.2L;

// The same light curve with `count` observations (the repeat of the last one included) over the
// same 60 nights, as two arrays.
struct Curve {
  std::vector<long double> jd, mag;
};

Curve SyntheticArrays(int64_t count) {
  Curve curve;
  std::mt19937 random(2024);
  std::normal_distribution<double> noise(0.0, 0.01);
  constexpr int64_t kNights = 60;
  const int64_t observations = count - 1;
  const int64_t perNight = (observations + kNights - 1) / kNights;
  for (int64_t i = 0; i < observations; ++i) {
    const int64_t night = i / perNight;
    const int64_t j = i % perNight;
    const long double jd = 2450000.0L + night * 1.37L + 0.1L + 0.35L * j / perNight;
    const double phase = std::fmod(static_cast<double>((jd - kEpoch) / kTruePeriod), 1.0);
    const double p = phase < 0 ? phase + 1 : phase;
    auto dip = [&](double centre, double depth) {
      const double d = std::min(std::fabs(p - centre), 1 - std::fabs(p - centre));
      return depth * std::exp(-d * d / (2 * 0.03 * 0.03));
    };
    curve.jd.push_back(jd);
    curve.mag.push_back(12.0 + dip(0.0, 0.7) + dip(0.5, 0.3) + noise(random));
  }
  curve.jd.push_back(curve.jd.back());
  curve.mag.push_back(curve.mag.back());
  return curve;
}

std::unique_ptr<Data> SyntheticCurve() {
  auto data = std::make_unique<Data>();
  data->Resize(6000);
  std::mt19937 random(2024);
  std::normal_distribution<double> noise(0.0, 0.01);
  constexpr int32_t kObservations = 5999;  // the last one is repeated, as loaded
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

// The cost of one trial per observation, on one thread, side by side: the search's scorer
// (path 1) and the fold it replaced in the search (path 0: FoldPhases with the period-free sums
// formed once, then SearchStringLength or AovStatisticIfDefined, on a copy of the records). The
// trials step 0.000001 from 0.8322 as BM_SearchPeriod does (`coarse:1`: 0.0001, where the order
// of the phases changes much from one trial to the next). The counter is the time per
// observation and trial.
void BM_TrialCost(benchmark::State& state) {
  const int64_t n = state.range(0);
  const auto method = static_cast<SearchMethod>(state.range(1));
  const bool scorerPath = state.range(2) == 1;
  const long double step = state.range(3) == 1 ? 0.0001L : 0.000001L;
  const int64_t trials = n > 10'000 ? 200 : 2000;
  const Curve curve = SyntheticArrays(n);
  std::unique_ptr<Data> data;
  if (!scorerPath) {
    data = std::make_unique<Data>();
    data->Resize(static_cast<int32_t>(n));
    std::copy(curve.jd.begin(), curve.jd.end(), data->jd.begin());
    std::copy(curve.mag.begin(), curve.mag.end(), data->mag.begin());
    data->pointCount = static_cast<int32_t>(n);
  }
  const Star star = SyntheticStar();
  auto records = std::make_unique<Data>();
  records->Resize(static_cast<int32_t>(n));
  std::copy(curve.jd.begin(), curve.jd.end(), records->jd.begin());
  std::copy(curve.mag.begin(), curve.mag.end(), records->mag.begin());
  // The period-free sums over all n observations, as ComputeFoldInvariants forms them.
  FoldInvariants invariants;
  {
    double jdSum = 0;
    double magSum = 0;
    for (int64_t i = 0; i < n; ++i) {
      jdSum = static_cast<double>(jdSum + curve.jd[static_cast<size_t>(i)]);
      magSum = static_cast<double>(magSum + curve.mag[static_cast<size_t>(i)]);
    }
    invariants = FoldInvariants{jdSum, static_cast<long double>(magSum) / n, true};
  }
  if (!scorerPath) invariants = ComputeFoldInvariants(*data);
  long double sink = 0;
  for (auto _ : state) {
    TrialScorer scorer(curve.jd.data(), curve.mag.data(), n, star.epoch, invariants);
    long double t = 0.8322L;
    for (int64_t k = 0; k < trials; ++k, t = t + step) {
      if (scorerPath) {
        sink += scorer.Score(t, method).value_or(TrialOutcome{}).score;
      } else {
        FoldPhases(*data, star, t, invariants);
        sink += method == SearchMethod::Aov ? AovStatisticIfDefined(*data, invariants).theta
                                            : SearchStringLength(*data);
      }
    }
  }
  benchmark::DoNotOptimize(sink);
  state.counters["per_point_trial"] =
      benchmark::Counter(static_cast<double>(n) * static_cast<double>(trials),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TrialCost)
    ->ArgNames({"n", "aov", "scorer", "coarse"})
    ->ArgsProduct({{6000}, {0, 1}, {0, 1}, {0, 1}})
    ->ArgsProduct({{100'000}, {0, 1}, {1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ombrane

BENCHMARK_MAIN();
