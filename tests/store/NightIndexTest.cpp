#include "store/NightIndex.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "StoreValue.h"

namespace ombrane {
namespace {

using test::FillWith;
using test::ValueAt;

struct SplitCase {
  std::string name;
  std::vector<long double> t;  // Julian Days of entries 0 .. N-1
  std::vector<int32_t> night;
  std::vector<int32_t> first;  // one row per night
  std::vector<int32_t> end;
  std::vector<int32_t> count;
  int32_t lastNight;
};

// Expected values worked out by hand from the integer parts of the Julian Days.
const SplitCase kSplitCases[] = {
    {"TwoNightsWithRepeat",
     {2450001.1L, 2450001.3L, 2450002.2L, 2450002.2L},
     {0, 0, 1, 1},
     {0, 2},
     {2, 4},
     {2, 2},
     1},
    {"NightComingBackIsNew",
     {2450001.9L, 2450002.1L, 2450001.95L, 2450001.95L},
     {0, 1, 2, 2},
     {0, 1, 2},
     {1, 2, 4},
     {1, 1, 2},
     2},
    {"TruncationNotRounding", {2450001.999L, 2450002.0L, 2450002.0L}, {0, 1, 1}, {0, 1}, {1, 3}, {1, 2}, 1},
    {"OneNightCountsTheRepeat", {2450001.5L, 2450001.6L, 2450001.6L}, {0, 0, 0}, {0}, {3}, {3}, 0},
    {"SingleEntry", {2450001.5L}, {0}, {0}, {1}, {1}, 0},
    // A file whose last pair was skipped has no repeat: lastNight is the night of entry N-2.
    {"LastEntryWithoutRepeat", {2450001.5L, 2450002.5L}, {0, 1}, {0, 1}, {1, 2}, {1, 1}, 0},
    // Toward zero: -1.5 and -1.2 have integer part -1; -0.9, 0.3 and 0.9 all have 0.
    {"NegativeTruncateTowardZero",
     {-1.5L, -1.2L, -0.9L, 0.3L, 0.9L, 1.0L, 1.0L},
     {0, 0, 1, 1, 1, 2, 2},
     {0, 2, 5},
     {2, 5, 7},
     {2, 3, 2},
     2},
    // Beyond any 32- or 64-bit integer; 3e9 + 0.5 and 3e9 share a day, 1e25 and -1e25 do not.
    {"HugeDays",
     {3e9L, 3e9L + 0.5L, 1e25L, 1e25L, -1e25L, -1e25L},
     {0, 0, 1, 1, 2, 2},
     {0, 2, 4},
     {2, 4, 6},
     {2, 2, 2},
     2},
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << c.name;
}

class SplitNightsTest : public ::testing::TestWithParam<SplitCase> {};

void CheckSplit(const SplitCase& c, const Data& data, const ViewState& view) {
  const auto n = static_cast<int32_t>(c.t.size());
  for (int32_t i = 0; i < n; ++i) EXPECT_EQ(data.night[i], c.night[i]) << "entry " << i;
  for (size_t i = c.t.size(); i < data.night.size(); ++i) ASSERT_EQ(data.night[i], 0) << "entry " << i;
  const auto rows = static_cast<int32_t>(c.first.size());
  // One row a night, none beyond.
  ASSERT_EQ(view.nightFirst.size(), c.first.size());
  ASSERT_EQ(view.nightEnd.size(), c.first.size());
  ASSERT_EQ(view.nightCount.size(), c.first.size());
  for (int32_t k = 0; k < rows; ++k) {
    EXPECT_EQ(view.nightFirst[k], c.first[k]) << "night " << k;
    EXPECT_EQ(view.nightEnd[k], c.end[k]) << "night " << k;
    EXPECT_EQ(view.nightCount[k], c.count[k]) << "night " << k;
  }
  EXPECT_EQ(view.lastNight, c.lastNight);
}

TEST_P(SplitNightsTest, OverLoadedDays) {
  const SplitCase& c = GetParam();
  auto data = std::make_unique<Data>();
  auto view = std::make_unique<ViewState>();
  data->Resize(static_cast<int32_t>(c.t.size()));
  for (size_t i = 0; i < c.t.size(); ++i) data->fileJd[i] = c.t[i];
  SplitNights(data->fileJd, *data, *view);
  CheckSplit(c, *data, *view);
}

TEST_P(SplitNightsTest, OverWorkingDaysIgnoresUpperHalf) {
  const SplitCase& c = GetParam();
  auto data = std::make_unique<Data>();
  auto view = std::make_unique<ViewState>();
  data->Resize(static_cast<int32_t>(c.t.size()));
  data->AddSecondCycle();
  for (size_t i = 0; i < c.t.size(); ++i) data->jd[i] = c.t[i];
  // Values one cycle on, as a fold leaves them, must not take part.
  for (size_t i = c.t.size(); i < data->jd.size(); ++i) data->jd[i] = 1000.0L * static_cast<long double>(i);
  SplitNights(data->jd, *data, *view);
  CheckSplit(c, *data, *view);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitNightsTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& param) { return param.param.name; });

// Rows and entries the split does not write are cleared, whatever an earlier, longer store left
// there: a re-split after a deletion must not leave the nights of deleted entries behind.
TEST(SplitNights, ClearsWhatItDoesNotWrite) {
  const struct {
    const char* name;
    std::vector<long double> t;  // the entries, the repeat of the last included
    int32_t lastNight;
  } cases[] = {
      {"empty store", {}, 0},
      {"two nights", {2450001.1L, 2450001.3L, 2450002.2L, 2450002.2L}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto data = std::make_unique<Data>();
    auto view = std::make_unique<ViewState>();
    data->Resize(static_cast<int32_t>(c.t.size()) + 1);
    FillWith(data->night, 7);
    view->nightFirst.assign(9, 7);
    view->nightEnd.assign(9, 7);
    view->nightCount.assign(9, 7);
    view->lastNight = 5;
    for (size_t i = 0; i < c.t.size(); ++i) data->fileJd[i] = c.t[i];
    data->fileJd[c.t.size()] = 2450009.5L;  // beyond N: not split
    data->pointCount = static_cast<int32_t>(c.t.size());
    SplitNights(data->fileJd, *data, *view);
    EXPECT_EQ(view->lastNight, c.lastNight);
    const int32_t n = data->pointCount;
    const int32_t nights = n == 0 ? 0 : c.lastNight + 1;
    for (size_t i = static_cast<size_t>(n); i < data->night.size(); ++i) ASSERT_EQ(data->night[i], 0) << i;
    for (int32_t k = nights; k < 9; ++k) {
      ASSERT_EQ(ValueAt(view->nightFirst, static_cast<size_t>(k)), 0) << k;
      ASSERT_EQ(ValueAt(view->nightEnd, static_cast<size_t>(k)), 0) << k;
      ASSERT_EQ(ValueAt(view->nightCount, static_cast<size_t>(k)), 0) << k;
    }
    if (n > 0) {
      EXPECT_EQ(view->nightEnd[c.lastNight], n);
      EXPECT_EQ(data->night[n - 1], c.lastNight);
    }
  }
}

// Every entry on a day of its own gives one row an entry, past the 6000 rows the tables once had.
TEST(SplitNights, OneRowForEveryOnePointNight) {
  constexpr int32_t kEntries = 20'000;
  auto data = std::make_unique<Data>();
  auto view = std::make_unique<ViewState>();
  data->Resize(kEntries);
  for (int32_t i = 0; i < kEntries; ++i) data->fileJd[static_cast<size_t>(i)] = 2450000.5L + i;
  SplitNights(data->fileJd, *data, *view);
  ASSERT_EQ(view->nightFirst.size(), static_cast<size_t>(kEntries));
  for (int32_t i = 0; i < kEntries; ++i) {
    const auto at = static_cast<size_t>(i);
    ASSERT_EQ(data->night[at], i);
    ASSERT_EQ(view->nightFirst[at], i);
    ASSERT_EQ(view->nightEnd[at], i + 1);
    ASSERT_EQ(view->nightCount[at], 1);
  }
  EXPECT_EQ(view->lastNight, kEntries - 2);  // the night of the last observation, entry N - 2
}

// Index in the order green .. medium grey of each of the nineteen colours.
constexpr uint32_t kOrder[19] = {0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x00FF00, 0x00FFFF,
                                 0xFF00FF, 0xFFFF00, 0x0000FF, 0x000080, 0xFF0000, 0x000000, 0xC0C0C0,
                                 0xFFFFFF, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};

int PositionInOrder(uint32_t colour) {
  for (int p = 0; p < 19; ++p)
    if (kOrder[p] == colour) return p;
  return -1;
}

TEST(NightColourTable, FirstNineteenAreTheNamedColours) {
  const auto& colours = nightColours;
  for (int i = 0; i < 19; ++i) EXPECT_EQ(colours[i], kOrder[i]) << "night " << i;
  EXPECT_EQ(colours[14], 0xFFFFFFu);  // white, drawn on the white back wall
}

TEST(NightColourTable, FromNightNineHundredEightyAllBlack) {
  const auto& colours = nightColours;
  for (int i = 980; i < kNightColourCount; ++i) ASSERT_EQ(colours[i], 0u) << "night " << i;
}

// A night is drawn in its row's colour; nights past the table (and no night, -1) are drawn like
// its last rows, black.
TEST(NightColourTable, NightsPastTheTableAreDrawnLikeItsLastRows) {
  const struct {
    int32_t night;
    uint32_t colour;
  } cases[] = {{0, 0x008000}, {9, 0x0000FF}, {19, 0x008000}, {979, nightColours[979]}, {980, 0},
               {5999, 0},     {6000, 0},     {6001, 0},      {2'000'000, 0},           {-1, 0}};
  for (const auto& c : cases) EXPECT_EQ(NightColour(c.night), c.colour) << "night " << c.night;
  EXPECT_NE(nightColours[979], 0u);
}

// Nights 19 .. 979 are runs that start with green and go on in the order; a run may go back
// to repeat a stretch (never to green, which starts a new run) and never skips ahead. Every
// run that is not cut at 980 ends with cream or medium grey; most are the eighteen colours.
TEST(NightColourTable, LaterRunsFollowTheOrder) {
  const auto& colours = nightColours;
  ASSERT_EQ(PositionInOrder(colours[19]), 0);
  std::vector<std::vector<int>> runs;
  for (int i = 19; i < 980; ++i) {
    const int p = PositionInOrder(colours[i]);
    ASSERT_GE(p, 0) << "night " << i;
    if (p == 0) {
      runs.emplace_back();
    } else {
      const int previous = runs.back().back();
      ASSERT_TRUE(p == previous + 1 || p < previous) << "night " << i;
    }
    runs.back().push_back(p);
  }
  int eighteen = 0;
  for (size_t r = 0; r + 1 < runs.size(); ++r) {
    const int lastPosition = runs[r].back();
    EXPECT_TRUE(lastPosition == 17 || lastPosition == 18) << "run " << r;
    if (runs[r].size() == 18) ++eighteen;
  }
  EXPECT_GT(2 * eighteen, static_cast<int>(runs.size()));
}

}  // namespace
}  // namespace ombrane
