#include "store/Deletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "StoreValue.h"
#include "store/Loading.h"
#include "store/NightIndex.h"

namespace ombrane {
namespace {

using test::FillWith;
using test::ValueAt;

// A loaded store: the given Julian Days (the caller writes the repeat of the last one), the
// magnitudes 10.0, 10.1, ... as loaded, and working magnitudes one magnitude fainter with every
// entry marked, as if shifts and marks had been made since loading.
struct Store {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();

  explicit Store(const std::vector<long double>& days) {
    Data& d = *data;
    d.Resize(static_cast<int32_t>(days.size()));
    d.AddSecondCycle();
    for (size_t i = 0; i < days.size(); ++i) {
      d.fileJd[i] = days[i];
      d.fileMag[i] = 10.0L + 0.1L * static_cast<long double>(i);
      d.jd[i] = days[i];
      d.mag[i] = d.fileMag[i] + 1;
      d.markFlag[i] = 1;
    }
    d.markCount = d.pointCount;
    view->currentNight = 2;
    view->shownNightFirst = 3;
    view->nightFirst.assign(8, 77);  // leftovers the rebuild must clear
    view->nightEnd.assign(8, 77);
    view->nightCount.assign(8, 77);
  }
};

// Four nights of three observations (the last night two and the repeat).
const std::vector<long double> kFourNights = {2450001.1L, 2450001.2L, 2450001.3L, 2450002.1L,
                                              2450002.2L, 2450002.3L, 2450003.1L, 2450003.2L,
                                              2450003.3L, 2450004.1L, 2450004.2L, 2450004.2L};

struct DeleteCase {
  const char* name;
  int32_t a, b;
  std::vector<int32_t> kept;  // former entry index of each entry left, in order
  std::vector<int32_t> nights;
  int32_t lastNight;
};

class DeleteEntriesTest : public testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteEntriesTest, KeepsTheOtherEntriesInOrderWithTheirLoadedValues) {
  const DeleteCase& c = GetParam();
  Store s(kFourNights);
  DeleteEntries(*s.data, *s.view, c.a, c.b);
  const Data& d = *s.data;
  ASSERT_EQ(d.pointCount, static_cast<int32_t>(c.kept.size()));
  for (size_t k = 0; k < c.kept.size(); ++k) {
    const auto former = static_cast<size_t>(c.kept[k]);
    SCOPED_TRACE(k);
    EXPECT_EQ(d.jd[k], kFourNights[former]);
    EXPECT_EQ(d.mag[k], 10.0L + 0.1L * static_cast<long double>(former));  // the shift is undone
    EXPECT_EQ(d.fileJd[k], d.jd[k]);
    EXPECT_EQ(d.fileMag[k], d.mag[k]);
    EXPECT_EQ(d.night[k], c.nights[k]);
  }
  EXPECT_EQ(s.view->lastNight, c.lastNight);
  // Nothing is left beyond the new end of the working arrays, and no mark anywhere.
  for (size_t i = c.kept.size(); i < 2 * kFourNights.size(); ++i) {
    ASSERT_EQ(ValueAt(d.jd, i), 0) << i;
    ASSERT_EQ(ValueAt(d.mag, i), 0) << i;
  }
  for (int32_t flag : d.markFlag) ASSERT_EQ(flag, 0);
  EXPECT_EQ(d.markCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, DeleteEntriesTest,
    testing::Values(
        // Entries 3..6 go; 7, 8, ... move down to 3, 4, ...
        DeleteCase{"MiddleRun", 3, 6, {0, 1, 2, 7, 8, 9, 10, 11}, {0, 0, 0, 1, 1, 2, 2, 2}, 2},
        DeleteCase{"ClicksInTheOtherOrder", 6, 3, {0, 1, 2, 7, 8, 9, 10, 11}, {0, 0, 0, 1, 1, 2, 2, 2}, 2},
        DeleteCase{
            "OneEntry", 4, 4, {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11}, {0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 3}, 3},
        // The whole of night 1 goes: the later nights move down by one.
        DeleteCase{"AWholeNight", 3, 5, {0, 1, 2, 6, 7, 8, 9, 10, 11}, {0, 0, 0, 1, 1, 1, 2, 2, 2}, 2},
        // The repeat alone goes: entry N - 2 is now last, and the last night counts from the one
        // before it.
        DeleteCase{"TheRepeatedEntry",
                   11,
                   11,
                   {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                   {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3},
                   3},
        DeleteCase{"EverythingButTwoNights", 0, 5, {6, 7, 8, 9, 10, 11}, {0, 0, 0, 1, 1, 1}, 1},
        // Indexes beyond the store drop nothing there.
        DeleteCase{
            "PastTheEnd", 10, 5000, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3}, 2}),
    [](const testing::TestParamInfo<DeleteCase>& param) { return std::string(param.param.name); });

TEST(DeleteEntries, RebuildsTheNightTables) {
  Store s(kFourNights);
  DeleteEntries(*s.data, *s.view, 3, 5);
  const ViewState& v = *s.view;
  EXPECT_EQ(v.nightFirst[0], 0);
  EXPECT_EQ(v.nightFirst[1], 3);
  EXPECT_EQ(v.nightFirst[2], 6);
  EXPECT_EQ(v.nightEnd[2], 9);
  EXPECT_EQ(v.nightCount[2], 3);           // two observations and the repeat
  EXPECT_EQ(ValueAt(v.nightCount, 3), 0);  // rows beyond the last night are empty
  EXPECT_EQ(ValueAt(v.nightFirst, 3), 0);
  EXPECT_EQ(v.currentNight, -1);
  EXPECT_EQ(v.shownNightFirst, 0);
}

TEST(DeleteEntries, FewerThanThreeNightsShowNightOne) {
  Store s(kFourNights);
  s.view->minNightPoints = 7;
  DeleteEntries(*s.data, *s.view, 0, 5);
  EXPECT_EQ(s.view->lastNight, 1);
  EXPECT_EQ(s.view->currentNight, 1);
  EXPECT_EQ(s.view->minNightPoints, 1);
}

TEST(DeleteEntries, AnEmptyStoreStaysEmpty) {
  Store s({});
  DeleteEntries(*s.data, *s.view, 0, 0);
  EXPECT_EQ(s.data->pointCount, 0);
  EXPECT_EQ(s.view->lastNight, 0);
  EXPECT_EQ(ValueAt(s.view->nightCount, 0), 0);
}

TEST(DeleteEntries, ASecondDeleteWorksOnTheCompactedStore) {
  Store s(kFourNights);
  DeleteEntries(*s.data, *s.view, 3, 6);  // former 7.. are now 3..
  DeleteEntries(*s.data, *s.view, 0, 3);  // drops former 0, 1, 2, 7
  ASSERT_EQ(s.data->pointCount, 4);
  EXPECT_EQ(s.data->jd[0], kFourNights[8]);
  EXPECT_EQ(s.data->mag[0], 10.0L + 0.1L * 8);
}

// The errors go with their observations through a load and two deletions; a plain store has
// none and gets none.
TEST(DeleteEntries, ErrorsStayWithTheirEntries) {
  auto data = std::make_unique<Data>();
  auto star = std::make_unique<Star>();
  auto view = std::make_unique<ViewState>();
  std::vector<Observation> observations;
  for (size_t i = 0; i + 1 < kFourNights.size(); ++i)
    observations.push_back({kFourNights[i], 10.0L + 0.1L * static_cast<long double>(i),
                            0.001L * static_cast<long double>(i + 1)});
  LoadObservations(observations, "errors", "errors", *data, *star, *view);
  ASSERT_EQ(data->pointCount, 12);
  EXPECT_DOUBLE_EQ(data->magError[11], 0.011);  // the repeat's error is the last one's
  DeleteEntries(*data, *view, 3, 6);
  DeleteEntries(*data, *view, 0, 3);  // drops the entries first loaded as 0, 1, 2, 7
  ASSERT_EQ(data->pointCount, 4);
  const double expected[] = {0.009, 0.010, 0.011, 0.011};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(data->magError[i], expected[i]) << i;
    EXPECT_DOUBLE_EQ(data->fileMagError[i], expected[i]) << i;
    EXPECT_EQ(data->mag[i], 10.0L + 0.1L * static_cast<long double>(8 + std::min<size_t>(i, 2))) << i;
  }

  // A plain store (no errors given) stays without them.
  for (Observation& o : observations) o.error = 0;
  LoadObservations(observations, "plain", "plain", *data, *star, *view);
  DeleteEntries(*data, *view, 0, 1);
  EXPECT_FALSE(HasErrors(*data));
  EXPECT_TRUE(data->fileMagError.empty());
}

// The note of a Delete names the run in either order of the clicks, and the Julian Days of its
// ends in the general format with the user's separator.
TEST(DeletionNote, NamesTheEntriesAndTheirJulianDays) {
  struct Case {
    int32_t a, b;
    char separator;
    const char* line;
  };
  const Case cases[] = {
      {4, 1, '.', "Deleted entries 1 .. 4 (4 entries): JD 2450001.2 .. 2450002.2"},
      {7, 7, ',', "Deleted entry 7: JD 2450003,2"},
      {9, 11, '.', "Deleted entries 9 .. 11 (3 entries): JD 2450004.1 .. 2450004.2"},
  };
  Store s(kFourNights);
  for (const Case& c : cases) EXPECT_EQ(DeletionNote(*s.data, c.a, c.b, c.separator), c.line);
}

}  // namespace
}  // namespace ombrane
