#include "store/Operations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "store/Loading.h"
#include "store/OperationsJson.h"

namespace ombrane {
namespace {

// The magnitude of observation i as loaded.
long double Loaded(int i) {
  return 10.0L + 0.1L * i;
}

// Four nights: three observations on each of the first three, two on the last (the loader
// repeats the last one: 12 entries, nights 0 0 0 1 1 1 2 2 2 3 3 3). Magnitudes Loaded(i) and
// errors 0.01, 0.02, ... as loaded.
std::vector<Observation> FourNights() {
  const long double days[] = {2450001.1L, 2450001.2L, 2450001.3L, 2450002.1L, 2450002.2L, 2450002.3L,
                              2450003.1L, 2450003.2L, 2450003.3L, 2450004.1L, 2450004.2L};
  std::vector<Observation> observations;
  for (int i = 0; i < 11; ++i) observations.push_back({days[i], Loaded(i), 0.01L * (i + 1)});
  return observations;
}

struct Store {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();
  OperationLog log;

  Store() {
    const std::vector<Observation> observations = FourNights();
    LoadObservations(observations, "four.dat", "four.dat", *data, *star, *view);
    ApplyLoadedNightState(*view);
  }
  bool Apply(const Operation& operation) { return log.Apply(operation, *data, *view); }
};

// The same value to the last bit (the sign of a zero included).
template <typename T>
bool Same(const std::vector<T>& a, const std::vector<T>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!(a[i] == b[i]) ||
        std::signbit(static_cast<long double>(a[i])) != std::signbit(static_cast<long double>(b[i])))
      return false;
  return true;
}

// What the operations change: the entries, kept and working, the marks and the night index.
void ExpectSameStore(const Data& d, const ViewState& v, const Data& e, const ViewState& ev) {
  EXPECT_EQ(d.pointCount, e.pointCount);
  EXPECT_TRUE(Same(d.fileJd, e.fileJd));
  EXPECT_TRUE(Same(d.fileMag, e.fileMag));
  EXPECT_TRUE(Same(d.fileMagError, e.fileMagError));
  EXPECT_TRUE(Same(d.jd, e.jd));
  EXPECT_TRUE(Same(d.mag, e.mag));
  EXPECT_TRUE(Same(d.magError, e.magError));
  EXPECT_EQ(d.night, e.night);
  EXPECT_EQ(d.markFlag, e.markFlag);
  EXPECT_EQ(d.markCount, e.markCount);
  EXPECT_EQ(v.lastNight, ev.lastNight);
  EXPECT_EQ(v.nightFirst, ev.nightFirst);
  EXPECT_EQ(v.nightEnd, ev.nightEnd);
  EXPECT_EQ(v.nightCount, ev.nightCount);
}

struct Snapshot {
  Data data;
  ViewState view;
};

struct SequenceCase {
  const char* name;
  std::vector<Operation> operations;
};

class OperationSequence : public testing::TestWithParam<SequenceCase> {};

// Each undo gives back the store before its operation, to the bit, down to the store as
// loaded; each redo the store after it.
TEST_P(OperationSequence, UndoGivesBackEachStoreBeforeAndRedoEachAfter) {
  Store s;
  std::vector<Snapshot> after{{*s.data, *s.view}};
  for (const Operation& operation : GetParam().operations) {
    ASSERT_TRUE(s.Apply(operation)) << OperationName(operation);
    after.push_back({*s.data, *s.view});
  }
  for (size_t k = after.size() - 1; k > 0; --k) {
    SCOPED_TRACE("undo back to " + std::to_string(k - 1));
    ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
    ExpectSameStore(*s.data, *s.view, after[k - 1].data, after[k - 1].view);
  }
  EXPECT_FALSE(s.log.CanUndo());
  EXPECT_FALSE(s.log.Undo(*s.data, *s.view));
  for (size_t k = 1; k < after.size(); ++k) {
    SCOPED_TRACE("redo to " + std::to_string(k));
    ASSERT_TRUE(s.log.Redo(*s.data, *s.view));
    ExpectSameStore(*s.data, *s.view, after[k].data, after[k].view);
  }
  EXPECT_FALSE(s.log.CanRedo());
  EXPECT_EQ(s.log.Operations(), GetParam().operations);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OperationSequence,
    testing::Values(
        SequenceCase{"DeleteARun", {DeleteOperation{.first = 4, .last = 1}}},
        SequenceCase{"StepUp", {StepOperation{.night = 1, .sign = 1, .step = 0.1L}}},
        // 0.1 and 0.2 are not exact in binary: stepping back down would not land on the loaded values.
        SequenceCase{"StepsDown",
                     {StepOperation{.night = 2, .sign = -1, .step = 0.1L},
                      StepOperation{.night = 2, .sign = -1, .step = 0.2L},
                      StepOperation{.night = 2, .sign = 1, .step = 0.3L}}},
        SequenceCase{
            "MarkAndUnmark",
            {MarkOperation{{3}}, MarkOperation{{5, 7}}, UnmarkOperation{{5}}, UnmarkOperation{{3, 7}}}},
        SequenceCase{"MarkThenClear", {MarkOperation{{0, 11}}, MarkOperation{{6}}, ClearMarksOperation{}}},
        SequenceCase{"DeleteAfterStepsAndMarks",
                     {StepOperation{.night = 0, .sign = 1, .step = 0.25L}, MarkOperation{{2}},
                      DeleteOperation{.first = 3, .last = 5}}},
        SequenceCase{
            "Mixed",
            {StepOperation{.night = 0, .sign = 1, .step = 0.1L}, MarkOperation{{2}},
             DeleteOperation{.first = 3, .last = 5}, StepOperation{.night = 1, .sign = 1, .step = 1.0L / 3},
             MarkOperation{{0, 4}}, ClearMarksOperation{}, DeleteOperation{.first = 0, .last = 0},
             StepOperation{.night = 0, .sign = -1, .step = 0.05L}, MarkOperation{{1}}, UnmarkOperation{{1}},
             MarkOperation{{7}}}},
        // One night left: the night shown is 1, which has no entry; the step moves nothing.
        SequenceCase{
            "DeleteDownToOneNight",
            {DeleteOperation{.first = 3, .last = 11}, StepOperation{.night = 1, .sign = 1, .step = 0.1L},
             StepOperation{.night = 0, .sign = 1, .step = 0.1L}}}),
    [](const testing::TestParamInfo<SequenceCase>& p) { return std::string(p.param.name); });

// The values after a mix, worked out by hand: the step of night 0 is undone by the Delete (it
// rebuilds from the loaded magnitudes), the step after it moves the entries of the night that
// is now night 1 (2450003), and the mark made before the Delete is gone.
TEST(OperationLog, AppliesTheOperationsInOrder) {
  Store s;
  ASSERT_TRUE(s.Apply(StepOperation{.night = 0, .sign = 1, .step = 0.25L}));
  EXPECT_EQ(s.data->mag[1], Loaded(1) + 0.25L);
  ASSERT_TRUE(s.Apply(MarkOperation{{2}}));
  ASSERT_TRUE(s.Apply(DeleteOperation{.first = 5, .last = 3}));
  ASSERT_TRUE(s.Apply(StepOperation{.night = 1, .sign = -1, .step = 0.5L}));
  const Data& d = *s.data;
  ASSERT_EQ(d.pointCount, 9);
  const long double expected[] = {Loaded(0),        Loaded(1), Loaded(2),  Loaded(6) - 0.5L, Loaded(7) - 0.5L,
                                  Loaded(8) - 0.5L, Loaded(9), Loaded(10), Loaded(10)};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(d.mag[i], expected[i]) << i;
  EXPECT_EQ(d.markCount, 0);
  EXPECT_EQ(d.fileJd[3], 2450003.1L);
  EXPECT_EQ(s.view->lastNight, 2);
  EXPECT_EQ(d.nightShift, 0.25L - 0.5L);
}

TEST(OperationLog, ANewOperationEmptiesTheRedoList) {
  Store s;
  const Operation a = StepOperation{.night = 0, .sign = 1, .step = 0.5L};
  const Operation b = MarkOperation{{4}};
  const Operation c = DeleteOperation{.first = 0, .last = 0};
  ASSERT_TRUE(s.Apply(a));
  ASSERT_TRUE(s.Apply(b));
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  EXPECT_TRUE(s.log.CanRedo());
  ASSERT_NE(s.log.NextRedo(), nullptr);
  EXPECT_EQ(*s.log.NextRedo(), b);
  ASSERT_TRUE(s.Apply(c));
  EXPECT_FALSE(s.log.CanRedo());
  EXPECT_EQ(s.log.NextRedo(), nullptr);
  EXPECT_FALSE(s.log.Redo(*s.data, *s.view));
  EXPECT_EQ(s.log.Operations(), (std::vector<Operation>{a, c}));
  EXPECT_EQ(s.data->markFlag[4], 0);
}

// A mark or unmark keeps only the entries it changes; one that changes nothing is no operation.
TEST(OperationLog, RecordsOnlyWhatAMarkChanges) {
  Store s;
  ASSERT_TRUE(s.Apply(MarkOperation{{3, 3, 5}}));
  EXPECT_EQ(*s.log.NextUndo(), Operation(MarkOperation{{3, 5}}));
  EXPECT_EQ(s.data->markCount, 2);
  EXPECT_FALSE(s.Apply(MarkOperation{{5}}));    // already marked
  EXPECT_FALSE(s.Apply(UnmarkOperation{{4}}));  // not marked
  ASSERT_TRUE(s.Apply(UnmarkOperation{{4, 5}}));
  EXPECT_EQ(*s.log.NextUndo(), Operation(UnmarkOperation{{5}}));
  ASSERT_TRUE(s.Apply(ClearMarksOperation{}));
  EXPECT_FALSE(s.Apply(ClearMarksOperation{}));  // no mark left
  EXPECT_EQ(s.log.Operations().size(), 3u);
  // Undone in turn: the clear gives back entry 3's mark, the unmark entry 5's, the mark takes both off.
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  EXPECT_EQ(s.data->markFlag[3], 1);
  EXPECT_EQ(s.data->markCount, 1);
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  EXPECT_EQ(s.data->markFlag[5], 1);
  EXPECT_EQ(s.data->markCount, 2);
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  EXPECT_EQ(s.data->markCount, 0);
  EXPECT_EQ(s.data->markFlag, std::vector<uint8_t>(12, 0));
}

// The outliers a fit marked itself are recorded as one mark, and taken back as one.
TEST(OperationLog, RecordsMarksAlreadyMade) {
  Store s;
  ASSERT_TRUE(s.Apply(MarkOperation{{1}}));
  for (int e : {4, 9}) s.data->markFlag[e] = 1;
  s.data->markCount += 2;
  s.log.Record(MarkOperation{{4, 1, 9, 4}}, *s.data);  // entry 1 was marked before
  EXPECT_EQ(*s.log.NextUndo(), Operation(MarkOperation{{4, 1, 9}}));
  EXPECT_EQ(OperationName(*s.log.NextUndo()), "Marks");
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  EXPECT_EQ(s.data->markCount, 0);
  EXPECT_EQ(s.data->markFlag, std::vector<uint8_t>(12, 0));
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  EXPECT_FALSE(s.log.CanUndo());
}

// Undoing a step leaves the night shown and gives back the brightness report; undoing or
// redoing a Delete shows the whole curve as a Delete does.
TEST(OperationLog, KeepsTheNightShownExceptAcrossADelete) {
  Store s;
  ASSERT_TRUE(s.Apply(DeleteOperation{.first = 0, .last = 0}));  // nights 0 0 1 1 1 2 2 2 3 3 3
  s.view->currentNight = 2;
  s.view->shownNightFirst = 5;
  s.data->nightShift = 0.125L;  // "Bright" of the night picked
  ASSERT_TRUE(s.Apply(StepOperation{.night = 2, .sign = 1, .step = 0.5L}));
  EXPECT_EQ(s.data->nightShift, 0.625L);
  EXPECT_EQ(s.data->mag[5], Loaded(6) + 0.5L);
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  EXPECT_EQ(s.data->mag[5], Loaded(6));
  EXPECT_EQ(s.view->currentNight, 2);
  EXPECT_EQ(s.view->shownNightFirst, 5);
  EXPECT_EQ(s.data->nightShift, 0.125L);
  ASSERT_TRUE(s.log.Redo(*s.data, *s.view));
  EXPECT_EQ(s.data->nightShift, 0.625L);
  EXPECT_EQ(s.view->currentNight, 2);
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));  // the Delete
  EXPECT_EQ(s.data->pointCount, 12);
  EXPECT_EQ(s.view->currentNight, -1);
  EXPECT_EQ(s.view->shownNightFirst, 0);
  EXPECT_EQ(s.data->nightShift, 0.125L);

  // Fewer than three nights left: the night shown is 1, with no least count of points.
  s.view->minNightPoints = 7;
  ASSERT_TRUE(s.Apply(DeleteOperation{.first = 11, .last = 3}));
  EXPECT_EQ(s.view->currentNight, 1);
  EXPECT_EQ(s.view->minNightPoints, 1);
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  EXPECT_EQ(s.view->currentNight, -1);
  ASSERT_TRUE(s.log.Redo(*s.data, *s.view));
  EXPECT_EQ(s.view->currentNight, 1);
}

// An operation that does not fit the store, or whose arithmetic faults, changes nothing and is
// not recorded.
TEST(OperationLog, RefusesWhatDoesNotFitAndChangesNothing) {
  struct Case {
    Operation operation;
    const char* message;
  };
  const Case cases[] = {
      {DeleteOperation{.first = 0, .last = 12},
       "Delete: entry 12 is outside the store, whose entries are 0 .. 11"},
      {DeleteOperation{.first = -1, .last = 2},
       "Delete: entry -1 is outside the store, whose entries are 0 .. 11"},
      {StepOperation{.night = 4, .sign = 1, .step = 0.1L},
       "Magnitude step: night 4 is outside the nights 0 .. 3"},
      {StepOperation{.night = -1, .sign = 1, .step = 0.1L},
       "Magnitude step: night -1 is outside the nights 0 .. 3"},
      {StepOperation{.night = 0, .sign = 0, .step = 0.1L}, "Magnitude step: the sign is 0, not +1 or -1"},
      {StepOperation{.night = 0, .sign = 1, .step = std::numeric_limits<long double>::quiet_NaN()},
       "Magnitude step: the step is not a finite number"},
      {StepOperation{.night = 0, .sign = -1, .step = std::numeric_limits<long double>::infinity()},
       "Magnitude step: the step is not a finite number"},
      {MarkOperation{{}}, "Mark: no entry given"},
      {MarkOperation{{2, 12}}, "Marks: entry 12 is outside the store, whose entries are 0 .. 11"},
      {UnmarkOperation{{-3}}, "Unmark: entry -3 is outside the store, whose entries are 0 .. 11"},
  };
  for (const Case& c : cases) {
    Store s;
    const Data before = *s.data;
    try {
      s.Apply(c.operation);
      ADD_FAILURE() << c.message << ": no error";
    } catch (const InputError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
    ExpectSameStore(*s.data, *s.view, before, *s.view);
    EXPECT_FALSE(s.log.CanUndo()) << c.message;
  }

  // The second step overflows on night 0: its magnitudes stay as the first step left them.
  Store s;
  const long double huge = std::numeric_limits<long double>::max();
  ASSERT_TRUE(s.Apply(StepOperation{.night = 0, .sign = 1, .step = huge}));
  const Data before = *s.data;
  EXPECT_THROW(s.Apply(StepOperation{.night = 0, .sign = 1, .step = huge}), FloatingPointError);
  EXPECT_TRUE(Same(s.data->mag, before.mag));
  EXPECT_EQ(s.data->nightShift, huge);
  EXPECT_EQ(s.log.Operations().size(), 1u);

  // A store with no entry takes no Delete.
  Data empty;
  ViewState view;
  EXPECT_THROW(ApplyOperation(DeleteOperation{}, empty, view), InputError);
}

// A new load forgets the list and its copy of the old load: the next undo replays on the new one.
TEST(OperationLog, ResetForgetsTheOldLoad) {
  Store s;
  ASSERT_TRUE(s.Apply(DeleteOperation{.first = 0, .last = 5}));
  s.log.Reset();
  EXPECT_FALSE(s.log.CanUndo());
  std::vector<Observation> observations = {{2451000.1L, 8, 0}, {2451001.1L, 9, 0}, {2451002.1L, 7, 0}};
  LoadObservations(observations, "b.dat", "b.dat", *s.data, *s.star, *s.view);
  ASSERT_TRUE(s.Apply(DeleteOperation{.first = 1, .last = 1}));
  ASSERT_TRUE(s.log.Undo(*s.data, *s.view));
  ASSERT_EQ(s.data->pointCount, 4);
  EXPECT_EQ(s.data->jd[1], 2451001.1L);
  EXPECT_EQ(s.data->mag[2], 7);
  EXPECT_TRUE(s.data->magError.empty());
}

// What a saved analysis does: the list written as JSON text, read back for a fresh load of the
// same file and replayed there, gives the same store to the bit.
TEST(OperationLog, ReplayOfTheListReadBackGivesTheSameStore) {
  Store s;
  const std::vector<Operation> operations = {StepOperation{.night = 0, .sign = 1, .step = 0.1L},
                                             MarkOperation{{2, 9}},
                                             DeleteOperation{.first = 3, .last = 5},
                                             StepOperation{.night = 1, .sign = -1, .step = 1.0L / 3},
                                             MarkOperation{{1, 7}},
                                             UnmarkOperation{{7}},
                                             StepOperation{.night = 2, .sign = 1, .step = 0.7L},
                                             MarkOperation{{4}}};
  for (const Operation& operation : operations) ASSERT_TRUE(s.Apply(operation));
  const std::string text = OperationsToJson(s.log.Operations()).dump();

  Store fresh;
  for (const Operation& operation : OperationsFromJson(nlohmann::json::parse(text), *fresh.data))
    ASSERT_TRUE(fresh.Apply(operation));
  ExpectSameStore(*fresh.data, *fresh.view, *s.data, *s.view);
  EXPECT_EQ(fresh.data->nightShift, s.data->nightShift);
  EXPECT_EQ(fresh.log.Operations(), operations);
}

TEST(OperationName, NamesEachKind) {
  EXPECT_EQ(OperationName(DeleteOperation{}), "Delete");
  EXPECT_EQ(OperationName(StepOperation{}), "Magnitude step");
  EXPECT_EQ(OperationName(MarkOperation{{1}}), "Mark");
  EXPECT_EQ(OperationName(UnmarkOperation{{1, 2}}), "Unmarks");
  EXPECT_EQ(OperationName(ClearMarksOperation{}), "Clear marks");
}

}  // namespace
}  // namespace ombrane
