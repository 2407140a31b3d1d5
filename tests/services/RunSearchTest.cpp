// The search service: a search finds a planted period and reports it in its lines; a search
// with nothing to do, or with no trial that counts, says why and changes nothing.
#include <gmock/gmock.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "services/RunSearch.h"
#include "store/Loading.h"
#include "support/PlainReference.h"

namespace ombrane {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class RunSearchTest : public ::testing::Test {
 protected:
  // n observations of a sine of period `period`, spread unevenly over 20 days.
  void LoadSine(int n, long double period) {
    std::vector<Observation> observations;
    for (int i = 0; i < n; ++i) {
      const long double t = 2450000 + 20.0L * i / n + 0.013L * ((i * 7) % 5);
      observations.push_back({t, 10 + 0.5L * std::sin(2 * std::numbers::pi_v<long double> * t / period)});
    }
    LoadObservations(observations, "sine", "sine", *data, *star, *view);
    ApplyNewObjectDefaults(*star, *view);
  }

  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();
};

TEST_F(RunSearchTest, FindsThePlantedPeriodWithEitherMethod) {
  LoadSine(400, 0.37L);
  star->searchMin = 0.30L;
  star->searchMax = 0.45L;
  star->increment = 0.0001L;
  for (const SearchMethod method : {SearchMethod::StringLength, SearchMethod::Aov}) {
    const SearchReport report = RunSearch(*data, *star, SearchRequestOf(*star, method), '.');
    ASSERT_EQ(report.result.status, SearchResult::Status::Done);
    EXPECT_NEAR(static_cast<double>(star->bestPeriod), 0.37, 0.0002);
    EXPECT_NEAR(static_cast<double>(report.result.trials), 1500, 1);  // repeated addition may reach one more
    EXPECT_FALSE(report.result.periodogram.points.empty());
    // The result line, then the line of skipped trials when an AoV trial had an empty bin.
    ASSERT_EQ(report.lines.size(), report.result.skipped > 0 ? 2u : 1u);
    if (report.result.skipped > 0) {
      EXPECT_THAT(report.lines[1], HasSubstr("they were skipped"));
    }
    EXPECT_THAT(report.lines[0],
                StartsWith(method == SearchMethod::Aov ? "AoV: " : "Mesurment String - Length: "));
    EXPECT_THAT(report.lines[0], HasSubstr("Best Period:0.37"));
  }
}

// The string length and AoV step in frequency over the trials of the methods on arrays
// (frequencies 1/Max + j·step up to 1/Min, in ascending period), and each trial's score is the
// plain fold's at that period.
TEST_F(RunSearchTest, FoldsStepInFrequencyAsTheMethodsDo) {
  LoadSine(150, 0.37L);
  star->searchMin = 0.30L;
  star->searchMax = 0.45L;
  star->increment = 0.01L;  // cycles per day
  const MethodSettings settings{.step = GridStep::Frequency};
  for (const SearchMethod method : {SearchMethod::StringLength, SearchMethod::Aov}) {
    const SearchRequest request = SearchRequestOf(*star, method);
    const TrialGrid grid = GridOf(request, GridStep::Frequency);
    ASSERT_EQ(grid.count, 112);  // 2.2222 .. 3.3333 /d
    const SearchReport report = RunSearch(*data, *star, request, settings, '.');
    ASSERT_EQ(report.result.status, SearchResult::Status::Done);
    EXPECT_EQ(report.result.trials, grid.count);
    const std::vector<TrialScore>& points = report.result.periodogram.points;
    ASSERT_EQ(static_cast<int64_t>(points.size()) + report.result.skipped, grid.count);
    // One step in frequency moves the period by about P²·0.01 = 0.0014 d here.
    EXPECT_NEAR(static_cast<double>(star->bestPeriod), 0.37, 0.0014);
    for (const TrialScore& point : points) {
      const int64_t k = grid.count - 1 - point.trial;
      EXPECT_NEAR(static_cast<double>(point.period), grid.Period(k), 1e-15 * grid.Period(k)) << point.trial;
      auto copy = std::make_unique<Data>(*data);
      FoldPhasesPlain(*copy, *star, point.period);
      const long double plain = method == SearchMethod::Aov
                                    ? static_cast<long double>(AovStatisticPlain(*copy))
                                    : SearchStringLength(*copy);
      EXPECT_EQ(point.score, plain) << MethodName(method) << " trial " << point.trial;
    }
  }
}

TEST_F(RunSearchTest, ASearchWithNothingToDoSaysWhy) {
  // No data.
  star->searchMin = 0.3L;
  star->searchMax = 0.4L;
  star->increment = 0.001L;
  SearchReport report = RunSearch(*data, *star, SearchRequestOf(*star, SearchMethod::StringLength), ',');
  EXPECT_EQ(report.result.status, SearchResult::Status::NotRun);
  EXPECT_THAT(report.lines, ::testing::ElementsAre("Search: no data loaded; nothing was searched."));

  // Min not below Max, written with the caller's decimal separator.
  LoadSine(50, 0.37L);
  star->searchMin = 0.5L;
  report = RunSearch(*data, *star, SearchRequestOf(*star, SearchMethod::StringLength), ',');
  EXPECT_EQ(report.result.status, SearchResult::Status::NotRun);
  EXPECT_THAT(report.lines,
              ::testing::ElementsAre("Search: Min (0,5) is not below Max (0,4); nothing was searched."));
}

TEST_F(RunSearchTest, AnAovSearchWithNoDefinedTrialSaysSoAndKeepsThePeriod) {
  // Eight observations: the AoV statistic needs more than ten entries.
  LoadSine(8, 0.37L);
  star->period = 0.25L;
  star->searchMin = 0.3L;
  star->searchMax = 0.4L;
  star->increment = 0.01L;
  const SearchReport report = RunSearch(*data, *star, SearchRequestOf(*star, SearchMethod::Aov), '.');
  EXPECT_EQ(report.result.status, SearchResult::Status::AllUndefined);
  ASSERT_EQ(report.lines.size(), 1u);
  EXPECT_THAT(report.lines[0], StartsWith("AoV undefined at all "));
  EXPECT_EQ(star->period, 0.25L);
}

}  // namespace
}  // namespace ombrane
