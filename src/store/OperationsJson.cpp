#include "store/OperationsJson.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/TextToFloat.h"

namespace ombrane {
namespace {

using nlohmann::json;

constexpr std::string_view kDelete = "delete";
constexpr std::string_view kStep = "magnitude step";
constexpr std::string_view kMark = "mark";
constexpr std::string_view kUnmark = "unmark";
constexpr std::string_view kClearMarks = "clear marks";

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

// What the reader knows of the store at the operation it reads: the entries left, and the
// integer day of each (the nights are the runs of equal days), kept only while a magnitude
// step may ask for the night count.
class StoreShape {
 public:
  explicit StoreShape(const Data& loaded) {
    const int32_t n = std::clamp<int32_t>(loaded.pointCount, 0, static_cast<int32_t>(loaded.fileJd.size()));
    days_.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) days_.push_back(std::trunc(loaded.fileJd[static_cast<size_t>(i)]));
  }

  int32_t Entries() const { return static_cast<int32_t>(days_.size()); }

  void Delete(int32_t a, int32_t b) {
    const auto lo = static_cast<std::ptrdiff_t>(std::min(a, b));
    const auto hi = static_cast<std::ptrdiff_t>(std::max(a, b));
    days_.erase(days_.begin() + lo, days_.begin() + hi + 1);
    nights_ = -1;
  }

  // The last night index a magnitude step may name: lastNight, or 1 with fewer than three
  // nights (the night shown then).
  int32_t LastStepNight() {
    if (nights_ < 0) {
      nights_ = days_.empty() ? 0 : 1;
      for (size_t i = 1; i < days_.size(); ++i)
        if (days_[i] != days_[i - 1]) ++nights_;
    }
    return std::max(nights_ - 1, 1);
  }

 private:
  std::vector<long double> days_;
  int32_t nights_ = -1;
};

// Reads one operation's fields, with messages that name it.
class Reader {
 public:
  Reader(const json& object, size_t number)
      : object_(object), prefix_("operation " + std::to_string(number)) {}

  [[noreturn]] void Fail(const std::string& what) const { throw InputError(prefix_ + ": " + what); }

  std::string Kind() {
    if (!object_.is_object()) Fail("is not an object with an \"op\" field");
    const auto op = object_.find("op");
    if (op == object_.end()) Fail("has no \"op\" field");
    if (!op->is_string()) Fail("\"op\" is not a text");
    const std::string kind = op->get<std::string>();
    prefix_.append(" (").append(kind).append(")");
    return kind;
  }

  // The object holds these fields besides "op", and no others.
  void Fields(std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names)
      if (!object_.contains(name)) Fail("has no \"" + std::string(name) + "\" field");
    for (const auto& [key, value] : object_.items()) {
      if (key == "op") continue;
      if (std::find(names.begin(), names.end(), key) == names.end())
        Fail("has a field \"" + key + "\" that it does not take");
    }
  }

  int64_t Whole(const json& value, const std::string& name) const {
    if (value.is_number_unsigned()) {
      const auto u = value.get<uint64_t>();
      return u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
                 ? std::numeric_limits<int64_t>::max()
                 : static_cast<int64_t>(u);
    }
    if (value.is_number_integer()) return value.get<int64_t>();
    Fail(name + " is not a whole number");
  }

  int32_t Entry(const json& value, const std::string& name, int32_t entries) const {
    const int64_t e = Whole(value, name);
    if (e >= 0 && e < entries) return static_cast<int32_t>(e);
    std::string what = name + " is " + value.dump() + ", outside the store, ";
    if (entries == 0)
      what.append("which holds no entry");
    else
      what.append("whose entries are 0 .. ").append(std::to_string(entries - 1));
    Fail(what);
  }

  std::vector<int32_t> Entries(int32_t entries) const {
    const json& list = object_.at("entries");
    if (!list.is_array()) Fail("\"entries\" is not a list");
    if (list.empty()) Fail("\"entries\" is empty");
    std::vector<int32_t> out;
    out.reserve(list.size());
    for (const json& value : list) out.push_back(Entry(value, "an entry", entries));
    return out;
  }

  long double Step() const {
    const json& value = object_.at("step");
    long double step = 0;
    if (value.is_string()) {
      try {
        step = TextToFloat(value.get<std::string>());
      } catch (const ConversionError&) {
        Fail("\"step\" \"" + value.get<std::string>() + "\" is not a number");
      }
    } else if (value.is_number()) {
      step = value.get<double>();
    } else {
      Fail("\"step\" is neither a number nor a number written as text");
    }
    if (!std::isfinite(step)) Fail("\"step\" is not a finite number");
    return step;
  }

  const json& operator[](std::string_view name) const { return object_.at(name); }

 private:
  const json& object_;
  std::string prefix_;
};

}  // namespace

nlohmann::json OperationsToJson(const std::vector<Operation>& operations) {
  json list = json::array();
  for (const Operation& operation : operations) {
    list.push_back(std::visit(Overloaded{[](const DeleteOperation& d) {
                                           return json{{"op", kDelete}, {"first", d.first}, {"last", d.last}};
                                         },
                                         [](const StepOperation& s) {
                                           return json{{"op", kStep},
                                                       {"night", s.night},
                                                       {"sign", s.sign},
                                                       {"step", FormatFileExact(s.step)}};
                                         },
                                         [](const MarkOperation& m) {
                                           return json{{"op", kMark}, {"entries", m.entries}};
                                         },
                                         [](const UnmarkOperation& m) {
                                           return json{{"op", kUnmark}, {"entries", m.entries}};
                                         },
                                         [](const ClearMarksOperation&) {
                                           return json{{"op", kClearMarks}};
                                         }},
                              operation));
  }
  return list;
}

std::vector<Operation> OperationsFromJson(const nlohmann::json& list, const Data& loaded) {
  if (!list.is_array()) throw InputError("the operations are not a list");
  StoreShape store(loaded);
  std::vector<Operation> operations;
  operations.reserve(list.size());
  size_t number = 0;
  for (const json& object : list) {
    Reader read(object, ++number);
    const std::string kind = read.Kind();
    if (kind == kDelete) {
      read.Fields({"first", "last"});
      const int32_t first = read.Entry(read["first"], "\"first\"", store.Entries());
      const int32_t last = read.Entry(read["last"], "\"last\"", store.Entries());
      store.Delete(first, last);
      operations.emplace_back(DeleteOperation{.first = first, .last = last});
    } else if (kind == kStep) {
      read.Fields({"night", "sign", "step"});
      const int64_t night = read.Whole(read["night"], "\"night\"");
      const int32_t lastNight = store.LastStepNight();
      if (night < 0 || night > lastNight)
        read.Fail("\"night\" is " + read["night"].dump() + ", outside the nights 0 .. " +
                  std::to_string(lastNight));
      const int64_t sign = read.Whole(read["sign"], "\"sign\"");
      if (sign != 1 && sign != -1) read.Fail("\"sign\" is " + read["sign"].dump() + ", not 1 or -1");
      operations.emplace_back(StepOperation{
          .night = static_cast<int32_t>(night), .sign = static_cast<int32_t>(sign), .step = read.Step()});
    } else if (kind == kMark || kind == kUnmark) {
      read.Fields({"entries"});
      std::vector<int32_t> entries = read.Entries(store.Entries());
      if (kind == kMark)
        operations.emplace_back(MarkOperation{std::move(entries)});
      else
        operations.emplace_back(UnmarkOperation{std::move(entries)});
    } else if (kind == kClearMarks) {
      read.Fields({});
      operations.emplace_back(ClearMarksOperation{});
    } else {
      read.Fail("is not an operation of this program (delete, magnitude step, mark, unmark, clear marks)");
    }
  }
  return operations;
}

}  // namespace ombrane
