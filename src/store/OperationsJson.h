// The list of data operations as JSON, the form a saved analysis keeps it in. One object an
// operation, in the order they were done:
//
//   [{"op": "delete", "first": 12, "last": 15},
//    {"op": "magnitude step", "night": 3, "sign": 1, "step": "0.005"},
//    {"op": "mark", "entries": [4, 9]},
//    {"op": "unmark", "entries": [4]},
//    {"op": "clear marks"}]
//
// Entry and night indexes count from 0 in the store as it is when the operation is applied
// (after the Deletes before it). The step is text: the shortest decimal that reads back as the
// very extended value the window stepped by, so a replay moves the magnitudes by exactly what
// the user did; a JSON number is read too, as the double it is.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <vector>

#include "store/Operations.h"
#include "store/Records.h"

namespace ombrane {

nlohmann::json OperationsToJson(const std::vector<Operation>& operations);

// Reads a list written by OperationsToJson for replay on `loaded`, the store as loaded (N
// entries, the Julian Days fileJd). Everything is checked before anything is returned: the
// list and each operation's form (known "op", the fields it needs and no others, whole numbers
// where indexes go), each index inside the store it will act on (the entries left by the
// Deletes before it, the nights they form), signs of +1 or -1, finite steps. A fault throws
// InputError naming the operation (counted from 1) and what is wrong.
std::vector<Operation> OperationsFromJson(const nlohmann::json& json, const Data& loaded);

}  // namespace ombrane
