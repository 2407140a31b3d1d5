#include "phase/PeriodSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "PhaseFixture.h"
#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "phase/Fold.h"
#include "support/PlainReference.h"

namespace ombrane {
namespace {

using test::MakeData;
using test::MakeLoaded;
using test::Observation;

// Everything a search may write, compared exactly between two runs.
void ExpectSameRecords(const Data& a, const Data& b, const Star& sa, const Star& sb) {
  const int32_t n = a.pointCount;
  ASSERT_EQ(n, b.pointCount);
  for (int32_t i = 0; i < n; ++i) {
    ASSERT_EQ(a.entryPhase[i], b.entryPhase[i]) << i;
    ASSERT_EQ(a.sortedPhase[i], b.sortedPhase[i]) << i;
    ASSERT_EQ(a.sortIndex[i], b.sortIndex[i]) << i;
  }
  EXPECT_EQ(a.meanJd, b.meanJd);
  EXPECT_EQ(a.meanEpoch, b.meanEpoch);
  for (int k = 0; k < kAovBins; ++k) {
    EXPECT_EQ(a.aovBinMean[k], b.aovBinMean[k]) << k;
    EXPECT_EQ(a.aovBinTerm[k], b.aovBinTerm[k]) << k;
    EXPECT_EQ(a.aovBinCount[k], b.aovBinCount[k]) << k;
  }
  EXPECT_EQ(sa.period, sb.period);
  EXPECT_EQ(sa.bestPeriod, sb.bestPeriod);
}

void ExpectSamePeriodogram(const Periodogram& a, const Periodogram& b) {
  EXPECT_EQ(a.trials, b.trials);
  EXPECT_EQ(a.sliceSize, b.sliceSize);
  ASSERT_EQ(a.points.size(), b.points.size());
  for (size_t i = 0; i < a.points.size(); ++i) {
    ASSERT_EQ(a.points[i].trial, b.points[i].trial) << i;
    ASSERT_EQ(a.points[i].period, b.points[i].period) << i;
    ASSERT_EQ(a.points[i].score, b.points[i].score) << i;
  }
}

SearchRequest Request(long double min, long double max, long double step,
                      SearchMethod method = SearchMethod::StringLength, unsigned threads = 0) {
  SearchRequest request;
  request.searchMin = min;
  request.searchMax = max;
  request.increment = step;
  request.method = method;
  request.threads = threads;
  return request;
}

struct Outcome {
  SearchResult result;
  std::optional<FloatingPointFault> fault;
};

template <typename Search>
Outcome RunSearch(Search search, Data& data, Star& star, const SearchRequest& request) {
  Outcome out;
  try {
    out.result = search(data, star, request);
  } catch (const FloatingPointError& error) {
    out.fault = error.fault();
  }
  return out;
}

// Sentinels in what the search writes, so that "unchanged" can be seen.
void Poison(Data& data, Star& star) {
  data.meanJd = 7;
  data.aovBinCount.fill(-1);
  star.period = 3;
  star.bestPeriod = 3;
}

TEST(CountTrials, RepeatedAdditionBelowTheMaximum) {
  const struct {
    long double min, max, step;
    int64_t trials;
  } cases[] = {
      {0.5L, 1.0L, 0.25L, 2},           // 0.5 and 0.75; 1.0 is not tried
      {0.5L, 0.5L + 0.125L, 0.25L, 1},  // max = min + step / 2: one trial
      {0.5L, 1.0L + 1e-12L, 0.25L, 3},
      {1.0L, 1.0L, 0.1L, 0},  // empty range
      {2.0L, 1.0L, 0.1L, 0},
      // 0.1 is not exact, so the count follows the additions: ten extended additions of 0.1L
      // land just above 1 (1.00000000000000000011), so 1 is not tried; in double they would
      // land below 1 and give an eleventh trial.
      {0, 1.0L, 0.1L, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.max));
    EXPECT_EQ(CountTrials(c.min, c.max, c.step), c.trials);
  }
}

// Every trial of the constant curve below folds to one phase at periods dividing 2 days; at
// other periods the phases spread and the string is longer.
std::unique_ptr<Data> EvenDays() {
  std::vector<Observation> entries;
  for (int n : {0, 2, 6, 10, 14, 22, 30, 44, 58, 62, 90, 100}) entries.push_back({2450000.0L + n, 12});
  return MakeLoaded(entries);
}

TEST(SearchPeriod, EqualScoresKeepTheEarlierTrial) {
  // Trials j / 64 for j = 33 .. 130 (dyadic, so exact): the string length is 0 exactly at
  // P = 1 (j = 64, trial 31) and P = 2 (j = 128, trial 95), which lie in different blocks of
  // work; every other trial scores more. The smaller period wins.
  for (unsigned threads : {1u, 2u, 3u}) {
    SCOPED_TRACE(threads);
    auto data = EvenDays();
    Star star;
    star.epoch = 2450000;
    const SearchRequest request =
        Request(33 / 64.0L, 130.5L / 64.0L, 1 / 64.0L, SearchMethod::StringLength, threads);
    const SearchResult result = SearchPeriod(*data, star, request);
    EXPECT_EQ(result.status, SearchResult::Status::Done);
    EXPECT_EQ(result.trials, 98);
    EXPECT_EQ(result.best, 0.0L);
    EXPECT_EQ(result.bestPeriod, 1.0L);
    EXPECT_EQ(star.bestPeriod, 1.0L);
    EXPECT_EQ(star.period, request.searchMin);
  }
  // Started at P = 2 alone the later tie is the first trial.
  auto data = EvenDays();
  Star star;
  star.epoch = 2450000;
  const SearchResult single = SearchPeriod(*data, star, Request(2, 2.01L, 1 / 64.0L));
  EXPECT_EQ(single.trials, 1);
  EXPECT_EQ(single.bestPeriod, 2.0L);
}

TEST(SearchPeriod, AovTiesKeepTheEarlierTrial) {
  // Ten groups of three equal Julian Days at phases 0.05 .. 0.95 of P = 1: trials a millionth
  // apart keep every group in its bin and in the same order, so all of them score the same.
  std::vector<Observation> entries;
  for (int k = 0; k < 10; ++k)
    for (int j = 0; j < 3; ++j) entries.push_back({2450000.05L + k * 1.1L, 10.0L + (k % 4) + j * 0.1L});
  auto data = MakeLoaded(entries);
  Star star;
  star.epoch = 2450000;
  const SearchRequest request = Request(1, 1.0000405L, 1e-6L, SearchMethod::Aov, 2);
  const SearchResult result = SearchPeriod(*data, star, request);
  ASSERT_EQ(result.trials, 41);
  EXPECT_EQ(result.bestPeriod, 1.0L);
  auto check = std::make_unique<Data>(*data);
  FoldPhases(*check, star, 1.0L);
  EXPECT_EQ(result.best, AovStatistic(*check));
}

// Random curves with many equal magnitudes and Julian Days on a grid (equal phases).
struct SameAnswerCase {
  const char* name;
  std::vector<Observation> curve;
  long double min, max, step;
  SearchMethod method;
  bool faults;
  bool skips;
};

std::vector<Observation> Random(uint32_t seed, int32_t count, long double nightLength) {
  return test::RandomCurve(seed, count, 30, 0.01L, 4, nightLength);
}

// Ten observations on scattered days, at day fractions 0.05, 0.15, ... 0.95: at P = 1 one per
// phase bin, at other periods scrambled. With the repeat (N = 11) a trial that fills all ten
// bins has one magnitude per bin and W = 0, a fault; the trials before the first such one leave
// a bin empty and are skipped.
std::vector<Observation> OnePerBinNearOne() {
  constexpr int kDays[] = {0, 17, 41, 58, 93, 110, 147, 171, 196, 230};
  std::vector<Observation> entries;
  for (int k = 0; k < 10; ++k) entries.push_back({2450000.05L + kDays[k] + k * 0.1L, 10.0L + (k % 3)});
  return entries;
}

// The W = 0 case in a range of 201 trials 0.9, 0.9005, ... 1: its fault must come after several
// blocks of work (16 trials each), or it would not test the replay of the trial before it.
constexpr long double kLateMin = 0.9L, kLateMax = 1.0001L, kLateStep = 0.0005L;

TEST(SearchPeriod, SameAnswerAsTheSequentialSearch) {
  const SameAnswerCase cases[] = {
      {"string length", Random(22, 400, 0.45L), 0.3L, 0.9L, 0.0007L, SearchMethod::StringLength, false,
       false},
      {"aov", Random(22, 400, 0.45L), 0.3L, 0.9L, 0.0007L, SearchMethod::Aov, false, false},
      // 60 entries over nights of 0.3 days: from trial 91 of 0.3, 0.3007, ... on, phase bins run
      // empty now and then; those trials are skipped.
      {"aov skipping empty bins", Random(20, 60, 0.3L), 0.3L, 0.9L, 0.0007L, SearchMethod::Aov, false, true},
      {"aov with a late fault", OnePerBinNearOne(), kLateMin, kLateMax, kLateStep, SearchMethod::Aov, true,
       true},
      {"zero period first", Random(24, 50, 0.3L), 0, 0.5L, 0.01L, SearchMethod::StringLength, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (unsigned threads : {1u, 2u, 3u}) {
      SCOPED_TRACE(threads);
      auto sequentialData = MakeLoaded(c.curve);
      auto parallelData = MakeLoaded(c.curve);
      Star sequentialStar;
      sequentialStar.epoch = 2450000.123L;
      Poison(*sequentialData, sequentialStar);
      Star parallelStar = sequentialStar;
      Poison(*parallelData, parallelStar);
      const SearchRequest request = Request(c.min, c.max, c.step, c.method, threads);
      const Outcome sequential = RunSearch(SearchPeriodSequential, *sequentialData, sequentialStar, request);
      const Outcome parallel = RunSearch(SearchPeriod, *parallelData, parallelStar, request);
      ASSERT_EQ(sequential.fault.has_value(), c.faults);
      EXPECT_EQ(parallel.fault, sequential.fault);
      EXPECT_EQ(parallel.result.status, sequential.result.status);
      EXPECT_EQ(parallel.result.best, sequential.result.best);
      EXPECT_EQ(parallel.result.bestPeriod, sequential.result.bestPeriod);
      EXPECT_EQ(parallel.result.trials, sequential.result.trials);
      EXPECT_EQ(parallel.result.skipped, sequential.result.skipped);
      ExpectSamePeriodogram(parallel.result.periodogram, sequential.result.periodogram);
      if (!c.faults) {
        EXPECT_EQ(sequential.result.skipped > 0, c.skips);
      }
      ExpectSameRecords(*parallelData, *sequentialData, parallelStar, sequentialStar);
    }
  }
}

TEST(SearchPeriod, TheLateFaultComesAfterSeveralBlocks) {
  auto data = MakeLoaded(OnePerBinNearOne());
  Star star;
  star.epoch = 2450000.123L;
  int64_t first = -1;
  int64_t undefined = 0;
  long double t = kLateMin;
  for (int64_t k = 0; t < kLateMax; ++k, t = t + kLateStep) {
    FoldPhases(*data, star, t);
    try {
      if (!AovStatisticIfDefined(*data).defined()) ++undefined;
    } catch (const FloatingPointError&) {
      first = k;
      break;
    }
  }
  EXPECT_GT(first, 3 * 16);
  EXPECT_EQ(undefined, first);  // every trial before the fault was skipped
}

// The empty-bin trials of a search are skipped; the best is the best of the others, and the
// result says how many were skipped. By hand: twenty entries, two per tenth of a cycle at P = 1;
// at P = 1.1 (the spacing of their nights) all fall into bin 0.
TEST(SearchPeriod, AovSkipsUndefinedTrials) {
  std::vector<Observation> entries;
  for (int k = 0; k < 10; ++k) {
    entries.push_back({2450000.03L + k * 1.1L, 10.0L + k / 4.0L - 0.25L});
    entries.push_back({2450000.07L + k * 1.1L, 10.0L + k / 4.0L + 0.25L});
  }
  for (auto search : {SearchPeriod, SearchPeriodSequential}) {
    auto data = MakeLoaded(entries);
    Star star;
    star.epoch = 2450000;
    // Trials 1 and 1.1: the second is undefined.
    const SearchResult result = search(*data, star, Request(1, 1.15L, 0.1L, SearchMethod::Aov, 2));
    EXPECT_EQ(result.status, SearchResult::Status::Done);
    EXPECT_EQ(result.trials, 2);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.skippedBecause, AovUndefined::EmptyBin);
    EXPECT_EQ(result.bestPeriod, 1.0L);
    EXPECT_EQ(SearchSkippedLine(result),
              "AoV undefined at 1 of 2 trial periods (empty phase bin); they were skipped.");
    // Started at 1.1, the undefined trial comes first and cannot be best.
    auto again = MakeLoaded(entries);
    const SearchResult later = search(*again, star, Request(0.9L, 1.15L, 0.1L, SearchMethod::Aov, 2));
    ASSERT_EQ(later.trials, 3);
    EXPECT_EQ(later.skipped, 1);
    EXPECT_NE(later.bestPeriod, 1.1L);
  }
}

// With fewer than 10 observations no trial is defined: the search says so and changes nothing.
TEST(SearchPeriod, NoDefinedTrialChangesNothing) {
  for (auto search : {SearchPeriod, SearchPeriodSequential}) {
    auto data = MakeLoaded({{2450000.1L, 10}, {2450000.35L, 11}, {2450001.3L, 12}});
    Star star;
    Poison(*data, star);
    const auto before = std::make_unique<Data>(*data);
    const Star starBefore = star;
    const SearchResult result = search(*data, star, Request(0.4L, 0.6L, 0.05L, SearchMethod::Aov, 2));
    EXPECT_EQ(result.status, SearchResult::Status::AllUndefined);
    EXPECT_EQ(result.trials, 4);
    EXPECT_EQ(result.skipped, 4);
    ExpectSameRecords(*data, *before, star, starBefore);
    EXPECT_EQ(SearchSkippedLine(result),
              "AoV undefined at all 4 trial periods (fewer than 10 observations); nothing was changed.");
  }
}

TEST(SearchPeriod, ZeroPeriodLeavesTheRecordsOfTheFailingFold) {
  auto data = MakeLoaded(test::RandomCurve(5, 30, 5, 0.01L, 4));
  Star star;
  star.epoch = 2450000;
  Poison(*data, star);
  try {
    SearchPeriod(*data, star, Request(0, 1, 0.1L, SearchMethod::StringLength, 2));
    ADD_FAILURE() << "no fault";
  } catch (const FloatingPointError& error) {
    EXPECT_EQ(std::string(error.what()), "Floating point division by zero");
  }
  EXPECT_EQ(star.period, 0.0L);
  EXPECT_EQ(star.bestPeriod, 0.0L);
  EXPECT_EQ(data->meanJd, 7.0L);  // the first fold failed at its first entry
}

TEST(SearchPeriod, CancelChangesNothing) {
  auto data = MakeLoaded(test::RandomCurve(6, 5999, 60, 0.0001L, 50));
  Star star;
  star.epoch = 2450000;
  Poison(*data, star);
  const auto before = std::make_unique<Data>(*data);
  const Star starBefore = star;
  std::atomic<int> calls{0};
  int64_t seenTotal = -1;
  SearchRequest request = Request(0.2L, 0.3L, 1e-6L, SearchMethod::StringLength, 2);
  request.progress = [&](int64_t done, int64_t total) {
    ++calls;
    seenTotal = total;
    EXPECT_LE(done, total);
    return false;
  };
  const SearchResult result = SearchPeriod(*data, star, request);
  EXPECT_EQ(result.status, SearchResult::Status::Cancelled);
  EXPECT_EQ(calls.load(), 1);
  EXPECT_EQ(seenTotal, CountTrials(0.2L, 0.3L, 1e-6L));
  EXPECT_EQ(std::memcmp(before->sortIndex.data(), data->sortIndex.data(), sizeof data->sortIndex), 0);
  EXPECT_EQ(std::memcmp(before->entryPhase.data(), data->entryPhase.data(), sizeof data->entryPhase), 0);
  ExpectSameRecords(*data, *before, star, starBefore);
}

TEST(SearchPeriod, RefusesStepsAndRangesItCannotSearch) {
  const struct {
    long double min, max, step;
    const char* message;
  } cases[] = {
      {0.5L, 1, 0, "The period step must be greater than 0."},
      {0.5L, 1, -0.1L, "The period step must be greater than 0."},
      {-0.5L, 1, 0.1L, "The search range must not start below 0."},
      {1, 2, 1e-30L,
       "The search range holds more than 100000000 trial periods; choose a larger period step."},
      // 2^-66 is less than half the spacing of extended numbers at 1 (2^-63): t + step = t.
      {1, 1 + 0x1p-60L, 0x1p-66L, "The period step is too small to change the trial period."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    for (auto search : {SearchPeriod, SearchPeriodSequential}) {
      auto data = EvenDays();
      Star star;
      Poison(*data, star);
      try {
        search(*data, star, Request(c.min, c.max, c.step));
        ADD_FAILURE() << "not refused";
      } catch (const InputError& error) {
        EXPECT_EQ(std::string(error.what()), c.message);
      }
      EXPECT_EQ(star.period, 3.0L);
      EXPECT_EQ(data->meanJd, 7.0L);
    }
  }
}

TEST(SearchPeriod, NothingToSearch) {
  const struct {
    const char* name;
    bool empty;
    long double min, max, step;
  } cases[] = {
      {"no data", true, 0.5L, 1, 0.1L},
      {"empty range", false, 1, 1, 0.1L},
      {"reversed range with a bad step", false, 1, 0.5L, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (auto search : {SearchPeriod, SearchPeriodSequential}) {
      auto data = EvenDays();
      if (c.empty) data->pointCount = 0;
      Star star;
      Poison(*data, star);
      const SearchResult result = search(*data, star, Request(c.min, c.max, c.step));
      EXPECT_EQ(result.status, SearchResult::Status::NotRun);
      EXPECT_EQ(star.period, 3.0L);
      EXPECT_EQ(data->meanJd, 7.0L);
    }
  }
}

TEST(SearchNotRunLine, SaysWhyNothingWasSearched) {
  auto data = EvenDays();
  EXPECT_EQ(SearchNotRunLine(*data, Request(1, 0.5L, 0.1L), ','),
            "Search: Min (1) is not below Max (0,5); nothing was searched.");
  EXPECT_EQ(SearchNotRunLine(*data, Request(0.5L, 0.5L, 0.1L), '.'),
            "Search: Min (0.5) is not below Max (0.5); nothing was searched.");
  EXPECT_EQ(SearchNotRunLine(*data, Request(0.5L, 1, 0.1L), '.'), "");
  data->pointCount = 0;
  EXPECT_EQ(SearchNotRunLine(*data, Request(0.5L, 1, 0.1L), '.'),
            "Search: no data loaded; nothing was searched.");
}

TEST(SearchResultLine, TextsOfBothMethods) {
  const struct {
    SearchMethod method;
    long double best, bestPeriod;
    char separator;
    std::string line;
  } cases[] = {
      {SearchMethod::StringLength, 1.375L, 0.5L, '.', "Mesurment String - Length: 1.375 Best Period:0.5"},
      {SearchMethod::StringLength, 12.3456789012345678L, 0.25L, ',',
       "Mesurment String - Length: 12,3456789012346 Best Period:0,25"},
      // The AoV score shows multiplied by 10^8.
      {SearchMethod::Aov, 1.5e-7L, 0.75L, '.', "AoV: 15 Best Period:0.75"},
      {SearchMethod::Aov, 0.0123L, 1.2345L, ',', "AoV: 1230000 Best Period:1,2345"},
  };
  for (const auto& c : cases) {
    SearchResult result;
    result.best = c.best;
    result.bestPeriod = c.bestPeriod;
    EXPECT_EQ(SearchResultLine(c.method, result, c.separator), c.line);
  }
}

// Every trial's score as the plain fold forms it, independently of the search: in trial order,
// nothing for a trial whose AoV statistic is undefined.
std::vector<std::optional<TrialScore>> ScoresByFolding(const std::vector<Observation>& curve,
                                                       long double epoch, const SearchRequest& request) {
  auto data = MakeLoaded(curve);
  Star star;
  star.epoch = epoch;
  std::vector<std::optional<TrialScore>> scores;
  int64_t k = 0;
  for (long double t = request.searchMin; t < request.searchMax; t = t + request.increment, ++k) {
    FoldPhasesPlain(*data, star, t);
    if (request.method == SearchMethod::StringLength) {
      scores.push_back(TrialScore{t, SearchStringLength(*data), k});
    } else {
      const AovValue aov = AovStatisticIfDefinedPlain(*data);
      scores.push_back(aov.defined() ? std::optional(TrialScore{t, aov.theta, k}) : std::nullopt);
    }
  }
  return scores;
}

// The envelope by its definition: the best defined score of each slice of `slice` trials, the
// first of equal ones.
std::vector<TrialScore> Envelope(const std::vector<std::optional<TrialScore>>& scores, int64_t slice,
                                 SearchMethod method) {
  std::vector<TrialScore> kept;
  for (size_t first = 0; first < scores.size(); first += static_cast<size_t>(slice)) {
    std::optional<TrialScore> best;
    for (size_t k = first; k < std::min(scores.size(), first + static_cast<size_t>(slice)); ++k) {
      const bool better = method == SearchMethod::Aov
                              ? (scores[k] && (!best || scores[k]->score > best->score))
                              : (scores[k] && (!best || scores[k]->score < best->score));
      if (better) best = scores[k];
    }
    if (best) kept.push_back(*best);
  }
  return kept;
}

struct KeptCase {
  const char* name;
  std::vector<Observation> curve;
  SearchMethod method;
  int64_t keepAtMost;
  int64_t sliceSize;
};

// The kept points against the folds at every trial period: one point per trial while they fit,
// the best of each slice when the range holds more trials than points (slices of 18 trials cut
// across the 16-trial blocks of the threaded search, slices of 172 span several blocks). The
// threaded search on one to three threads and the sequential one keep the same points.
TEST(SearchPeriod, KeepsTheScoresOfTheFolds) {
  const KeptCase cases[] = {
      {"string length, every trial", Random(22, 400, 0.45L), SearchMethod::StringLength, kMaxKeptScores, 1},
      {"aov, every trial", Random(22, 400, 0.45L), SearchMethod::Aov, kMaxKeptScores, 1},
      {"aov with undefined trials", Random(20, 60, 0.3L), SearchMethod::Aov, kMaxKeptScores, 1},
      {"string length, slices of 18", Random(22, 400, 0.45L), SearchMethod::StringLength, 50, 18},
      {"aov with undefined trials, slices of 18", Random(20, 60, 0.3L), SearchMethod::Aov, 50, 18},
      {"aov, slices of 172", Random(22, 400, 0.45L), SearchMethod::Aov, 5, 172},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SearchRequest request = Request(0.3L, 0.9L, 0.0007L, c.method);
    request.keepAtMost = c.keepAtMost;
    const auto scores = ScoresByFolding(c.curve, 2450000.123L, request);
    ASSERT_EQ(scores.size(), 858u);
    const std::vector<TrialScore> expected = Envelope(scores, c.sliceSize, c.method);
    ASSERT_LE(expected.size(), static_cast<size_t>(c.keepAtMost));
    for (unsigned threads : {0u, 1u, 2u, 3u}) {
      SCOPED_TRACE(threads);  // 0: the sequential search
      auto data = MakeLoaded(c.curve);
      Star star;
      star.epoch = 2450000.123L;
      request.threads = threads;
      const SearchResult result =
          threads == 0 ? SearchPeriodSequential(*data, star, request) : SearchPeriod(*data, star, request);
      const Periodogram& periodogram = result.periodogram;
      EXPECT_EQ(periodogram.trials, 858);
      EXPECT_EQ(periodogram.sliceSize, c.sliceSize);
      EXPECT_EQ(periodogram.method, c.method);
      EXPECT_EQ(periodogram.entries, data->pointCount);
      ASSERT_EQ(periodogram.points.size(), expected.size());
      for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(periodogram.points[i].trial, expected[i].trial) << i;
        ASSERT_EQ(periodogram.points[i].period, expected[i].period) << i;
        ASSERT_EQ(periodogram.points[i].score, expected[i].score) << i;
      }
      // The search's best is among the kept points.
      EXPECT_TRUE(std::any_of(periodogram.points.begin(), periodogram.points.end(), [&](const TrialScore& p) {
        return p.period == result.bestPeriod && p.score == result.best;
      }));
    }
  }
}

// With the default bound: 100 003 trials keep 50 002 points, each the better of two trials.
TEST(SearchPeriod, KeepsAtMostAHundredThousandPoints) {
  std::vector<Observation> curve;
  for (int n : {0, 2, 6, 10, 14, 22, 30, 44, 58, 62, 90, 100})
    curve.push_back({2450000.0L + n + n * 0.013L, 12 + (n % 5) * 0.1L});
  const SearchRequest request =
      Request(0.5L, 0.5L + 100'002.5L * 0.00001L, 0.00001L, SearchMethod::StringLength, 2);
  ASSERT_EQ(CountTrials(request.searchMin, request.searchMax, request.increment), 100'003);
  auto data = MakeLoaded(curve);
  Star star;
  star.epoch = 2450000;
  const SearchResult result = SearchPeriod(*data, star, request);
  EXPECT_EQ(result.periodogram.sliceSize, 2);
  ASSERT_EQ(result.periodogram.points.size(), 50'002u);
  const std::vector<TrialScore> expected =
      Envelope(ScoresByFolding(curve, 2450000, request), 2, request.method);
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(result.periodogram.points[i].trial, expected[i].trial) << i;
    ASSERT_EQ(result.periodogram.points[i].score, expected[i].score) << i;
  }
}

}  // namespace
}  // namespace ombrane
