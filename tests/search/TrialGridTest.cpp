#include "search/TrialGrid.h"

#include <gtest/gtest.h>

#include "common/InputError.h"

namespace ombrane {
namespace {

TEST(TrialGridTest, PeriodGridStopsBelowTheUpperPeriod) {
  struct Case {
    double low, high, step;
    int64_t count;
  };
  // 0.5 + 10·0.01 is not below 0.6; 1 + 3·0.3 = 1.9 is below 2 and 2.2 is not; a step wider
  // than the range leaves the one trial at the lower end.
  for (const Case& c : {Case{0.5, 0.6, 0.01, 10}, Case{1, 2, 0.3, 4}, Case{1, 1.5, 1, 1}}) {
    const TrialGrid g = PeriodGrid(c.low, c.high, c.step);
    EXPECT_EQ(g.count, c.count) << c.low << " " << c.high << " " << c.step;
    EXPECT_LT(g.Period(g.count - 1), c.high);
    EXPECT_GE(g.Period(g.count), c.high);
    EXPECT_DOUBLE_EQ(g.Frequency(0), 1 / c.low);
  }
}

TEST(TrialGridTest, FrequencyGridRunsFromTheLongestToTheShortestPeriod) {
  // Periods 0.5 .. 1: frequencies 1, 1.25, 1.5, 1.75, 2 (the end reached by a step counts).
  const TrialGrid g = FrequencyGrid(0.5, 1, 0.25);
  EXPECT_EQ(g.count, 5);
  EXPECT_TRUE(g.EvenInFrequency());
  EXPECT_DOUBLE_EQ(g.Frequency(4), 2);
  EXPECT_DOUBLE_EQ(g.Period(0), 1);
  EXPECT_DOUBLE_EQ(g.LowestFrequency(), 1);
  EXPECT_DOUBLE_EQ(g.HighestFrequency(), 2);
  EXPECT_EQ(FrequencyGrid(0.5, 1, 0.3).count, 4);  // 1, 1.3, 1.6, 1.9
}

TEST(TrialGridTest, RefusesStepsAndRangesThatMakeNoGrid) {
  EXPECT_THROW(PeriodGrid(0.5, 1, 0), InputError);
  EXPECT_THROW(PeriodGrid(0.5, 1, -0.1), InputError);
  EXPECT_THROW(PeriodGrid(0, 1, 0.1), InputError);
  EXPECT_THROW(PeriodGrid(1, 1, 0.1), InputError);
  EXPECT_THROW(FrequencyGrid(2, 1, 0.1), InputError);
  EXPECT_THROW(PeriodGrid(0.1, 100, 1e-9), InputError);  // 1e11 trials
  EXPECT_THROW(FrequencyGrid(0.01, 100, 1e-9), InputError);
}

TEST(TrialGridTest, SuggestionFollowsTheBaselineAndTheMedianInterval) {
  // Times 0, 0.125, 0.25, 1, 1.125, 5 (0.25 twice): intervals 0.125, 0.125, 0.75, 0.125, 3.875,
  // median 0.125, so the upper frequency is 0.5/0.125 = 4; T = 5 gives 1/T = 0.2 and, oversampled
  // 5 times, a step of 0.04: (4 − 0.2)/0.04 = 95 steps, 96 trials.
  const SuggestedGrid g = SuggestGrid({0.25, 0, 1.125, 0.125, 1, 5, 0.25}, 5);
  EXPECT_DOUBLE_EQ(g.timeSpan, 5);
  EXPECT_DOUBLE_EQ(g.medianInterval, 0.125);
  EXPECT_DOUBLE_EQ(g.highestFrequency, 4);
  EXPECT_DOUBLE_EQ(g.periodMin, 0.25);
  EXPECT_DOUBLE_EQ(g.periodMax, 5);
  EXPECT_DOUBLE_EQ(g.frequencyStep, 0.04);
  EXPECT_EQ(g.trials, 96);
  EXPECT_EQ(g.trials, FrequencyGrid(g.periodMin, g.periodMax, g.frequencyStep).count);
  // A cap on the upper frequency; an even number of intervals takes the mean of the middle two.
  EXPECT_DOUBLE_EQ(SuggestGrid({0.25, 0, 1.125, 0.125, 1, 5}, 5, 2).highestFrequency, 2);
  EXPECT_DOUBLE_EQ(SuggestGrid({0, 1, 3, 6, 10}, 1).medianInterval, 2.5);
  EXPECT_THROW(SuggestGrid({0, 1, 1}, 5), InputError);
  EXPECT_THROW(SuggestGrid({0, 1, 2}, 0.5), InputError);
}

}  // namespace
}  // namespace ombrane
