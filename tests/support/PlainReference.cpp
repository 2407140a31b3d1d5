#include "support/PlainReference.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "common/FloatingPoint.h"
#include "phase/FoldInternal.h"
#include "phase/PeriodSearchInternal.h"

namespace ombrane {

using namespace fold_internal;
using namespace search_internal;

namespace {

// The same statistic by ten passes over all positions, as the definition reads.
AovValue AovPlain(Data& data, bool tolerant) {
  const int32_t n = FoldEntryCount(data);
  const long double m = GrandMean(data, n);
  std::array<double, kAovBins> binSum{};
  std::array<int32_t, kAovBins> count{};
  double lo = 0;
  double hi = 0.1;
  for (int32_t k = 0; k < kAovBins; ++k) {
    for (int32_t i = 0; i < n; ++i) {
      if (lo <= data.sortedPhase[i] && data.sortedPhase[i] < hi) {
        binSum[k] = AddToDouble(binSum[k], data.mag[data.sortIndex[i]]);
        ++count[k];
      }
    }
    lo = lo + 0.1;
    hi = hi + 0.1;
  }
  if (tolerant) {
    if (const AovUndefined undefined = UndefinedFor(n, count); undefined != AovUndefined::None) {
      FillUndefinedTables(data, m, binSum, count);
      return AovValue{.theta = 0, .undefined = undefined};
    }
  }
  const long double between = FillBinTables(data, m, binSum, count);
  long double within = 0;
  lo = 0;
  hi = 0.1;
  for (int32_t k = 0; k < kAovBins; ++k) {
    for (int32_t i = 0; i < n; ++i)
      if (lo <= data.sortedPhase[i] && data.sortedPhase[i] < hi) within += WithinTerm(data, i, k);
    lo = lo + 0.1;
    hi = hi + 0.1;
  }
  return AovValue{.theta = Theta(between, within, n)};
}

// The score of one trial by the plain fold.
Scored ScorePlain(Data& data, const Star& star, long double t, SearchMethod method) {
  FoldPhasesPlain(data, star, t);
  if (method != SearchMethod::Aov) return Scored{.score = SearchStringLength(data)};
  const AovValue aov = AovStatisticIfDefinedPlain(data);
  return Scored{.score = aov.theta, .undefined = aov.undefined};
}

}  // namespace

void FoldPhasesPlain(Data& data, const Star& star, long double period) {
  const int32_t n = FoldEntryCount(data);
  std::vector<PhaseItem> items(static_cast<size_t>(n));
  ComputePhases(data, star, period, items.data());
  std::stable_sort(items.begin(), items.end(),
                   [](const PhaseItem& a, const PhaseItem& b) { return a.phase < b.phase; });
  StoreSorted(data, items.data(), n);
}

double AovStatisticPlain(Data& data) {
  return AovPlain(data, false).theta;
}

AovValue AovStatisticIfDefinedPlain(Data& data) {
  return AovPlain(data, true);
}

SearchResult SearchPeriodSequential(Data& data, Star& star, const SearchRequest& request) {
  SearchResult result;
  if (!HasWork(data, request)) return result;
  const TrialPlan plan = PlanTrials(request.searchMin, request.searchMax, request.increment);
  // A search without a defined trial changes nothing: keep what it would overwrite.
  const auto dataBefore = std::make_unique<Data>(data);
  const Star starBefore = star;
  star.period = request.searchMin;
  star.bestPeriod = request.searchMin;
  Periodogram periodogram = EmptyPeriodogram(data, request, plan);
  SliceKeeper keeper(request.method, periodogram.sliceSize, periodogram.points);
  long double best = 0;
  bool found = false;
  long double t = request.searchMin;
  for (int64_t k = 0; k < plan.count; ++k) {
    Scored scored;
    try {
      scored = ScorePlain(data, star, t, request.method);
    } catch (const FloatingPointError& error) {
      throw AtTrial(error, t);
    }
    if (scored.undefined != AovUndefined::None) {
      if (result.skipped++ == 0) result.skippedBecause = scored.undefined;
    } else {
      keeper.Add(k, t, scored.score);
      if (!found || BetterScore(request.method, scored.score, best)) {
        best = scored.score;
        star.bestPeriod = t;
        found = true;
      }
    }
    t = t + request.increment;
  }
  result.trials = plan.count;
  if (!found) {
    data = *dataBefore;
    star = starBefore;
    result.status = SearchResult::Status::AllUndefined;
    return result;
  }
  keeper.Flush();
  result.status = SearchResult::Status::Done;
  result.best = best;
  result.bestPeriod = star.bestPeriod;
  result.periodogram = std::move(periodogram);
  return result;
}

}  // namespace ombrane
