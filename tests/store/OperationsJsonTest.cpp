#include "store/OperationsJson.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/InputError.h"
#include "store/Loading.h"

namespace ombrane {
namespace {

using nlohmann::json;

// Four nights of three, three, three and two observations and the loader's repeat: 12
// entries, nights 0 .. 3.
struct Store {
  std::unique_ptr<Data> data = std::make_unique<Data>();

  Store() {
    const long double days[] = {2450001.1L, 2450001.2L, 2450001.3L, 2450002.1L, 2450002.2L, 2450002.3L,
                                2450003.1L, 2450003.2L, 2450003.3L, 2450004.1L, 2450004.2L};
    std::vector<Observation> observations;
    for (long double day : days) observations.push_back({day, 10, 0});
    Star star;
    ViewState view;
    LoadObservations(observations, "four.dat", "four.dat", *data, star, view);
  }
};

TEST(OperationsToJson, WritesOneObjectAnOperationWithTheStepAsExactText) {
  const std::vector<Operation> operations = {
      DeleteOperation{.first = 2, .last = 0}, StepOperation{.night = 1, .sign = -1, .step = 0.005L},
      MarkOperation{{4, 7}}, UnmarkOperation{{4}}, ClearMarksOperation{}};
  EXPECT_EQ(OperationsToJson(operations).dump(),
            R"([{"first":2,"last":0,"op":"delete"},)"
            R"({"night":1,"op":"magnitude step","sign":-1,"step":"0.005"},)"
            R"({"entries":[4,7],"op":"mark"},{"entries":[4],"op":"unmark"},{"op":"clear marks"}])");
  EXPECT_EQ(OperationsToJson({}).dump(), "[]");
}

// Written, turned into text, read back: the same operations, every step to the last bit of
// the extended value (none of these is a double).
TEST(OperationsFromJson, ReadsBackWhatWasWritten) {
  Store s;
  std::vector<Operation> operations = {MarkOperation{{11, 0}}, DeleteOperation{.first = 11, .last = 9}};
  for (long double step : {0.1L, 1.0L / 3, -0.005L, 1e-30L, std::nextafter(0.005L, 1.0L), 0.0L})
    operations.push_back(StepOperation{.night = 2, .sign = 1, .step = step});
  operations.push_back(StepOperation{.night = 0, .sign = -1, .step = 2.5L});
  operations.push_back(UnmarkOperation{{8, 8, 3}});
  operations.push_back(ClearMarksOperation{});
  const std::vector<Operation> read =
      OperationsFromJson(json::parse(OperationsToJson(operations).dump()), *s.data);
  EXPECT_EQ(read, operations);
  // A step given as a JSON number is read as the double it is.
  const std::vector<Operation> number =
      OperationsFromJson(json::parse(R"([{"op":"magnitude step","night":3,"sign":1,"step":0.1}])"), *s.data);
  EXPECT_EQ(number, (std::vector<Operation>{StepOperation{.night = 3, .sign = 1, .step = 0.1}}));
}

// JSON text holds no infinity (the parser refuses 1e999), but a list built in memory may.
TEST(OperationsFromJson, RefusesAnInfiniteStep) {
  Store s;
  const json list = json::array({json{{"op", "magnitude step"},
                                      {"night", 0},
                                      {"sign", 1},
                                      {"step", std::numeric_limits<double>::infinity()}}});
  try {
    OperationsFromJson(list, *s.data);
    ADD_FAILURE() << "no error";
  } catch (const InputError& error) {
    EXPECT_EQ(std::string(error.what()), R"(operation 1 (magnitude step): "step" is not a finite number)");
  }
}

struct MalformedCase {
  const char* name;
  const char* text;
  const char* message;
};

class MalformedOperations : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedOperations, AreRefusedWithWhatIsWrong) {
  Store s;
  const json list = json::parse(GetParam().text);
  try {
    OperationsFromJson(list, *s.data);
    ADD_FAILURE() << "no error";
  } catch (const InputError& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedOperations,
    testing::Values(
        MalformedCase{"NotAList", R"({"op":"delete"})", "the operations are not a list"},
        MalformedCase{"NotAnObject", R"([7])", R"(operation 1: is not an object with an "op" field)"},
        MalformedCase{"NoOp", R"([{"first":1}])", R"(operation 1: has no "op" field)"},
        MalformedCase{"OpNotText", R"([{"op":3}])", R"(operation 1: "op" is not a text)"},
        MalformedCase{
            "UnknownOp", R"([{"op":"clear marks"},{"op":"rotate"}])",
            "operation 2 (rotate): is not an operation of this program (delete, magnitude step, mark, "
            "unmark, clear marks)"},
        MalformedCase{"MissingField", R"([{"op":"delete","first":1}])",
                      R"(operation 1 (delete): has no "last" field)"},
        MalformedCase{"ExtraField", R"([{"op":"delete","first":1,"last":2,"lst":3}])",
                      R"(operation 1 (delete): has a field "lst" that it does not take)"},
        MalformedCase{"ClearWithEntries", R"([{"op":"clear marks","entries":[1]}])",
                      R"(operation 1 (clear marks): has a field "entries" that it does not take)"},
        MalformedCase{"FractionalIndex", R"([{"op":"delete","first":1.5,"last":2}])",
                      R"(operation 1 (delete): "first" is not a whole number)"},
        MalformedCase{"IndexAsText", R"([{"op":"delete","first":1,"last":"2"}])",
                      R"(operation 1 (delete): "last" is not a whole number)"},
        MalformedCase{"EntryPastTheEnd", R"([{"op":"delete","first":12,"last":0}])",
                      R"(operation 1 (delete): "first" is 12, outside the store, whose entries are 0 .. 11)"},
        MalformedCase{"NegativeEntry", R"([{"op":"delete","first":0,"last":-1}])",
                      R"(operation 1 (delete): "last" is -1, outside the store, whose entries are 0 .. 11)"},
        MalformedCase{
            "HugeEntry", R"([{"op":"delete","first":18446744073709551615,"last":0}])",
            R"(operation 1 (delete): "first" is 18446744073709551615, outside the store, whose entries )"
            R"(are 0 .. 11)"},
        // After the first Delete two entries are left.
        MalformedCase{"EntryDeletedBefore",
                      R"([{"op":"delete","first":2,"last":11},{"op":"delete","first":2,"last":2}])",
                      R"(operation 2 (delete): "first" is 2, outside the store, whose entries are 0 .. 1)"},
        MalformedCase{"MarkOnAnEmptyStore",
                      R"([{"op":"delete","first":0,"last":11},{"op":"mark","entries":[0]}])",
                      R"(operation 2 (mark): an entry is 0, outside the store, which holds no entry)"},
        MalformedCase{"EntriesNotAList", R"([{"op":"unmark","entries":3}])",
                      R"(operation 1 (unmark): "entries" is not a list)"},
        MalformedCase{"NoEntries", R"([{"op":"mark","entries":[]}])",
                      R"(operation 1 (mark): "entries" is empty)"},
        MalformedCase{"OneEntryOutside", R"([{"op":"mark","entries":[3,12]}])",
                      R"(operation 1 (mark): an entry is 12, outside the store, whose entries are 0 .. 11)"},
        MalformedCase{"NightPastTheLast", R"([{"op":"magnitude step","night":4,"sign":1,"step":"0.1"}])",
                      R"(operation 1 (magnitude step): "night" is 4, outside the nights 0 .. 3)"},
        MalformedCase{"NegativeNight", R"([{"op":"magnitude step","night":-1,"sign":1,"step":"0.1"}])",
                      R"(operation 1 (magnitude step): "night" is -1, outside the nights 0 .. 3)"},
        // Entries 3 .. 11 deleted: one night is left, and the night shown is then 1.
        MalformedCase{
            "NightDeletedBefore",
            R"([{"op":"delete","first":3,"last":11},{"op":"magnitude step","night":1,"sign":1,"step":"1"},)"
            R"({"op":"magnitude step","night":2,"sign":1,"step":"1"}])",
            R"(operation 3 (magnitude step): "night" is 2, outside the nights 0 .. 1)"},
        MalformedCase{"SignZero", R"([{"op":"magnitude step","night":0,"sign":0,"step":"0.1"}])",
                      R"(operation 1 (magnitude step): "sign" is 0, not 1 or -1)"},
        MalformedCase{"SignTwo", R"([{"op":"magnitude step","night":0,"sign":2,"step":"0.1"}])",
                      R"(operation 1 (magnitude step): "sign" is 2, not 1 or -1)"},
        MalformedCase{"SignAsText", R"([{"op":"magnitude step","night":0,"sign":"+","step":"0.1"}])",
                      R"(operation 1 (magnitude step): "sign" is not a whole number)"},
        MalformedCase{"StepNotANumber", R"([{"op":"magnitude step","night":0,"sign":1,"step":"0,1"}])",
                      R"(operation 1 (magnitude step): "step" "0,1" is not a number)"},
        MalformedCase{"StepBeyondTheRange",
                      R"([{"op":"magnitude step","night":0,"sign":1,"step":"1e99999"}])",
                      R"(operation 1 (magnitude step): "step" "1e99999" is not a number)"},
        MalformedCase{
            "StepOfAnotherKind", R"([{"op":"magnitude step","night":0,"sign":1,"step":[0.1]}])",
            R"(operation 1 (magnitude step): "step" is neither a number nor a number written as text)"}),
    [](const testing::TestParamInfo<MalformedCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace ombrane
