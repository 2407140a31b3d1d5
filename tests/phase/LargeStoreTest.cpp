// Loads across the size the store once had (5999 pairs and the repeat): every pair is stored,
// the nights are split, and the fold's string length and AoV equal the plain reference's.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "phase/Fold.h"
#include "store/Loading.h"
#include "support/PlainReference.h"

namespace ombrane {
namespace {

// Pair i: day 2450000.1 + (i / 50) + (i % 50) / 1000, fifty observations a night on night i / 50;
// magnitude 12 + (i % 13) / 100. Both written with the digits they have, so they read back
// exactly as the same decimal literals.
long double DayOf(int32_t i) {
  return 2450000.1L + (i / 50) + static_cast<long double>(i % 50) / 1000;
}
std::string PairText(int32_t pairs) {
  std::string text;
  for (int32_t i = 0; i < pairs; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%d.%03d 12.%02d\n", 2450000 + i / 50, 100 + i % 50, i % 13);
    text.append(line);
  }
  return text;
}

TEST(LargeStore, EveryPairIsStoredAcrossTheOldLimit) {
  const int32_t cases[] = {5999, 6000, 6001, 100'000};
  for (const int32_t pairs : cases) {
    SCOPED_TRACE(pairs);
    const std::string text = PairText(pairs);
    auto data = std::make_unique<Data>();
    auto star = std::make_unique<Star>();
    auto view = std::make_unique<ViewState>();
    const PhotometryReadResult read = LoadPhotometry(
        {.path = {}, .fileName = "big.txt", .shownName = "big.txt", .text = text}, *data, *star, *view);
    EXPECT_TRUE(read.messages.empty());
    EXPECT_FALSE(read.partial);
    ASSERT_EQ(data->pointCount, pairs + 1);  // the repeat on top
    EXPECT_EQ(RealCount(*data), pairs);
    EXPECT_EQ(RepeatIndex(*data), pairs);
    // First and last entries, and the repeat of the last.
    EXPECT_EQ(data->jd[0], 2450000.1L);
    EXPECT_EQ(data->mag[0], 12.0L);
    const auto last = static_cast<size_t>(pairs - 1);
    EXPECT_EQ(data->jd[last], std::stold(text.substr(text.rfind('\n', text.size() - 2) + 1)));
    EXPECT_NEAR(static_cast<double>(data->jd[last] - DayOf(pairs - 1)), 0, 1e-9);
    EXPECT_EQ(data->jd[last + 1], data->jd[last]);
    EXPECT_EQ(data->mag[last + 1], data->mag[last]);
    // Fifty a night: ceil(pairs / 50) nights, the last one holding the repeat.
    const int32_t nights = (pairs + 49) / 50;
    EXPECT_EQ(view->lastNight, nights - 1);
    ASSERT_EQ(view->nightCount.size(), static_cast<size_t>(nights));
    EXPECT_EQ(view->nightCount[0], 50);
    EXPECT_EQ(view->nightCount.back(), pairs - 50 * (nights - 1) + 1);
    EXPECT_EQ(data->night[last], nights - 1);

    // The fold and its statistics against the plain reference.
    star->epoch = 2450000.3L;
    auto plain = std::make_unique<Data>(*data);
    FoldPhases(*data, *star, 0.37L);
    FoldPhasesPlain(*plain, *star, 0.37L);
    ASSERT_EQ(data->sortIndex, plain->sortIndex);
    ASSERT_EQ(data->sortedPhase, plain->sortedPhase);
    EXPECT_EQ(SearchStringLength(*data), SearchStringLength(*plain));
    EXPECT_EQ(AovStatistic(*data), AovStatisticPlain(*plain));
  }
}

}  // namespace
}  // namespace ombrane
