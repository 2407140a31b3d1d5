#include "store/Operations.h"

#include <algorithm>
#include <cmath>

#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "store/Deletion.h"
#include "store/Loading.h"
#include "store/NightIndex.h"

namespace ombrane {
namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

size_t At(int32_t i) {
  return static_cast<size_t>(i);
}

int32_t EntryCount(const Data& data) {
  return std::clamp<int32_t>(data.pointCount, 0, static_cast<int32_t>(data.night.size()));
}

void CheckEntry(const std::string& name, int64_t e, const Data& data) {
  const int32_t n = EntryCount(data);
  if (e >= 0 && e < n) return;
  std::string message = name;
  message.append(": entry ").append(std::to_string(e)).append(" is outside the store, ");
  if (n == 0)
    message.append("which holds no entry");
  else
    message.append("whose entries are 0 .. ").append(std::to_string(n - 1));
  throw InputError(message);
}

void CheckEntries(const std::string& name, const std::vector<int32_t>& entries, const Data& data) {
  if (entries.empty()) throw InputError(name + ": no entry given");
  for (int32_t e : entries) CheckEntry(name, e, data);
}

// The step's arithmetic, checked on every value before any is written: a fault leaves the store
// as it was. A night is one run of entries (SplitNights), so the night table bounds the scan;
// a store without the table (or a night past it) is scanned whole.
void ApplyStep(const StepOperation& step, Data& data, const ViewState& view) {
  const long double shift = Multiply(static_cast<long double>(step.sign), step.step);
  const int32_t n = EntryCount(data);
  int32_t first = 0;
  int32_t end = n;
  if (step.night >= 0 && At(step.night) < view.nightFirst.size() && At(step.night) < view.nightEnd.size()) {
    first = std::clamp(view.nightFirst[At(step.night)], 0, n);
    end = std::clamp(view.nightEnd[At(step.night)], first, n);
  }
  for (int32_t i = first; i < end; ++i)
    if (data.night[At(i)] == step.night) static_cast<void>(Add(data.mag[At(i)], shift));
  const long double nightShift = Add(data.nightShift, shift);
  for (int32_t i = first; i < end; ++i)
    if (data.night[At(i)] == step.night) data.mag[At(i)] = Add(data.mag[At(i)], shift);
  data.nightShift = nightShift;
}

// Marks or unmarks the entries; returns those it changed, in the order given.
std::vector<int32_t> SetMarks(const std::vector<int32_t>& entries, uint8_t flag, Data& data) {
  std::vector<int32_t> changed;
  for (int32_t e : entries) {
    uint8_t& mark = data.markFlag[At(e)];
    if ((mark != 0) == (flag != 0)) continue;
    mark = flag;
    data.markCount += flag != 0 ? 1 : -1;
    changed.push_back(e);
  }
  return changed;
}

int32_t MarkedEntries(const Data& data) {
  return static_cast<int32_t>(
      std::count_if(data.markFlag.begin(), data.markFlag.end(), [](uint8_t f) { return f != 0; }));
}

// The entries of a mark or unmark that `data` shows changed: marked (or unmarked) now, each once.
std::vector<int32_t> ChangedEntries(const std::vector<int32_t>& entries, bool marked, const Data& data) {
  std::vector<int32_t> changed;
  for (int32_t e : entries) {
    if (!HoldsEntry(data, e) || (data.markFlag[At(e)] != 0) != marked) continue;
    if (std::find(changed.begin(), changed.end(), e) == changed.end()) changed.push_back(e);
  }
  return changed;
}

}  // namespace

std::string OperationName(const Operation& operation) {
  return std::visit(
      Overloaded{
          [](const DeleteOperation&) { return std::string("Delete"); },
          [](const StepOperation&) { return std::string("Magnitude step"); },
          [](const MarkOperation& m) { return std::string(m.entries.size() > 1 ? "Marks" : "Mark"); },
          [](const UnmarkOperation& m) { return std::string(m.entries.size() > 1 ? "Unmarks" : "Unmark"); },
          [](const ClearMarksOperation&) { return std::string("Clear marks"); }},
      operation);
}

void CheckOperation(const Operation& operation, const Data& data, const ViewState& view) {
  const std::string name = OperationName(operation);
  std::visit(
      Overloaded{[&](const DeleteOperation& d) {
                   CheckEntry(name, d.first, data);
                   CheckEntry(name, d.last, data);
                 },
                 [&](const StepOperation& s) {
                   if (s.sign != 1 && s.sign != -1)
                     throw InputError(name + ": the sign is " + std::to_string(s.sign) + ", not +1 or -1");
                   if (!std::isfinite(s.step)) throw InputError(name + ": the step is not a finite number");
                   const int32_t lastNight = std::max(view.lastNight, 1);
                   if (s.night < 0 || s.night > lastNight)
                     throw InputError(name + ": night " + std::to_string(s.night) +
                                      " is outside the nights 0 .. " + std::to_string(lastNight));
                 },
                 [&](const MarkOperation& m) { CheckEntries(name, m.entries, data); },
                 [&](const UnmarkOperation& m) { CheckEntries(name, m.entries, data); },
                 [](const ClearMarksOperation&) {}},
      operation);
}

void ApplyOperation(const Operation& operation, Data& data, ViewState& view) {
  CheckOperation(operation, data, view);
  std::visit(Overloaded{[&](const DeleteOperation& d) { DeleteEntries(data, view, d.first, d.last); },
                        [&](const StepOperation& s) { ApplyStep(s, data, view); },
                        [&](const MarkOperation& m) { SetMarks(m.entries, 1, data); },
                        [&](const UnmarkOperation& m) { SetMarks(m.entries, 0, data); },
                        [&](const ClearMarksOperation&) {
                          std::fill(data.markFlag.begin(), data.markFlag.end(), uint8_t{0});
                          data.markCount = 0;
                        }},
             operation);
}

void OperationLog::Reset() {
  done_.clear();
  undone_.clear();
  loaded_ = LoadedStore{};
}

void OperationLog::TakeLoad(const Data& data) {
  if (loaded_.taken) return;
  const int32_t n = std::max<int32_t>(data.pointCount, 0);
  loaded_.pointCount = n;
  loaded_.jd.assign(data.fileJd.begin(), data.fileJd.begin() + n);
  loaded_.mag.assign(data.fileMag.begin(), data.fileMag.begin() + n);
  if (HasErrors(data) && data.fileMagError.size() >= At(n))
    loaded_.magError.assign(data.fileMagError.begin(), data.fileMagError.begin() + n);
  loaded_.taken = true;
}

void OperationLog::RestoreLoad(Data& data, ViewState& view) const {
  // A Delete keeps the size of every array, so the loaded entries fit where they were.
  const int32_t n = loaded_.pointCount;
  const size_t size = At(n);
  data.pointCount = n;
  std::copy(loaded_.jd.begin(), loaded_.jd.end(), data.fileJd.begin());
  std::copy(loaded_.mag.begin(), loaded_.mag.end(), data.fileMag.begin());
  std::copy(loaded_.jd.begin(), loaded_.jd.end(), data.jd.begin());
  std::copy(loaded_.mag.begin(), loaded_.mag.end(), data.mag.begin());
  if (!loaded_.magError.empty()) {
    if (data.fileMagError.size() < size) data.fileMagError.resize(size);
    if (data.magError.size() < size) data.magError.resize(size);
    std::copy(loaded_.magError.begin(), loaded_.magError.end(), data.fileMagError.begin());
    std::copy(loaded_.magError.begin(), loaded_.magError.end(), data.magError.begin());
  }
  // The night index and the marks as the load left them.
  ClearNightsAndMarks(data, view);
  SplitNights(data.jd, data, view);
  ApplyLoadedNightState(view);
}

bool OperationLog::Apply(const Operation& operation, Data& data, ViewState& view) {
  CheckOperation(operation, data, view);
  TakeLoad(data);
  Done entry{.operation = operation, .nightShiftBefore = data.nightShift};
  if (const auto* mark = std::get_if<MarkOperation>(&operation)) {
    entry.operation = MarkOperation{SetMarks(mark->entries, 1, data)};
    if (std::get<MarkOperation>(entry.operation).entries.empty()) return false;
  } else if (const auto* unmark = std::get_if<UnmarkOperation>(&operation)) {
    entry.operation = UnmarkOperation{SetMarks(unmark->entries, 0, data)};
    if (std::get<UnmarkOperation>(entry.operation).entries.empty()) return false;
  } else {
    if (std::holds_alternative<ClearMarksOperation>(operation) && data.markCount == 0 &&
        MarkedEntries(data) == 0)
      return false;
    ApplyOperation(operation, data, view);
  }
  done_.push_back(std::move(entry));
  undone_.clear();
  return true;
}

void OperationLog::Record(const Operation& operation, const Data& data) {
  TakeLoad(data);
  Done entry{.operation = operation, .nightShiftBefore = data.nightShift};
  if (const auto* mark = std::get_if<MarkOperation>(&operation))
    entry.operation = MarkOperation{ChangedEntries(mark->entries, true, data)};
  else if (const auto* unmark = std::get_if<UnmarkOperation>(&operation))
    entry.operation = UnmarkOperation{ChangedEntries(unmark->entries, false, data)};
  done_.push_back(std::move(entry));
  undone_.clear();
}

std::optional<Operation> OperationLog::Undo(Data& data, ViewState& view) {
  if (done_.empty()) return std::nullopt;
  Done entry = std::move(done_.back());
  done_.pop_back();
  const int32_t currentNight = view.currentNight;
  const int32_t shownNightFirst = view.shownNightFirst;
  const int32_t minNightPoints = view.minNightPoints;
  const long double nightShift = data.nightShift;
  if (const auto* mark = std::get_if<MarkOperation>(&entry.operation)) {
    SetMarks(mark->entries, 0, data);  // exact: each of them was unmarked before
  } else if (const auto* unmark = std::get_if<UnmarkOperation>(&entry.operation)) {
    SetMarks(unmark->entries, 1, data);
  } else {
    RestoreLoad(data, view);
    for (const Done& earlier : done_) ApplyOperation(earlier.operation, data, view);
    if (!std::holds_alternative<DeleteOperation>(entry.operation)) {
      view.currentNight = currentNight;
      view.shownNightFirst = shownNightFirst;
      view.minNightPoints = minNightPoints;
    }
  }
  data.nightShift =
      std::holds_alternative<StepOperation>(entry.operation) ? entry.nightShiftBefore : nightShift;
  Operation undone = entry.operation;
  undone_.push_back(std::move(entry));
  return undone;
}

std::optional<Operation> OperationLog::Redo(Data& data, ViewState& view) {
  if (undone_.empty()) return std::nullopt;
  const long double nightShiftBefore = data.nightShift;
  ApplyOperation(undone_.back().operation, data, view);  // a failure keeps it to redo
  Done entry = std::move(undone_.back());
  undone_.pop_back();
  entry.nightShiftBefore = nightShiftBefore;
  Operation redone = entry.operation;
  done_.push_back(std::move(entry));
  return redone;
}

std::vector<Operation> OperationLog::Operations() const {
  std::vector<Operation> operations;
  operations.reserve(done_.size());
  for (const Done& entry : done_) operations.push_back(entry.operation);
  return operations;
}

}  // namespace ombrane
