// The data operations of the window as values: deleting a run of entries, a magnitude step of
// one night, marking and unmarking observations, clearing the marks. They are what changes the
// observations after a load, so one list of them, applied in order to the store as loaded,
// arrives at the store as it is: the undo and redo of the window walk that list, and a saved
// analysis replays it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "store/Records.h"

namespace ombrane {

// Delete: entries min(first, last) .. max(first, last) dropped, the store compacted and the
// working arrays rebuilt from the kept copies (DeleteEntries). Entry indexes of the store the
// operation acts on.
struct DeleteOperation {
  int32_t first = 0;
  int32_t last = 0;
  bool operator==(const DeleteOperation&) const = default;
};

// "+" / "-": mag[i] += sign * step for every entry i of night `night` (its repeated last
// entry too), and nightShift grows by the same.
struct StepOperation {
  int32_t night = 0;
  int32_t sign = 1;      // +1 or -1
  long double step = 0;  // the magnitude step box's value
  bool operator==(const StepOperation&) const = default;
};

// Marks these entries (Select Point, or the outliers an automatic fit left out).
struct MarkOperation {
  std::vector<int32_t> entries;
  bool operator==(const MarkOperation&) const = default;
};

// Takes the marks of these entries off.
struct UnmarkOperation {
  std::vector<int32_t> entries;
  bool operator==(const UnmarkOperation&) const = default;
};

// Edit > Clear marks: every mark off.
struct ClearMarksOperation {
  bool operator==(const ClearMarksOperation&) const = default;
};

using Operation =
    std::variant<DeleteOperation, StepOperation, MarkOperation, UnmarkOperation, ClearMarksOperation>;

// The operation's name in the Undo and Redo items: "Delete", "Magnitude step", "Mark",
// "Marks" (more than one entry), "Unmark", "Unmarks", "Clear marks".
std::string OperationName(const Operation& operation);

// Throws InputError (with what is wrong) when `operation` does not fit the store as it is now:
// an entry outside 0 .. N-1, a night outside 0 .. max(lastNight, 1) (with fewer than three
// nights the night shown is 1), a sign other than +1 and -1, a step that is not finite, no
// entries to mark or unmark.
void CheckOperation(const Operation& operation, const Data& data, const ViewState& view);

// Applies `operation` to the store, checked first (CheckOperation). A magnitude step whose
// arithmetic would fault (FloatingPointError) changes nothing. Marking an entry already marked
// and unmarking one that is not change nothing for that entry.
void ApplyOperation(const Operation& operation, Data& data, ViewState& view);

// The list of operations done since the load, and those undone since the last new one.
//
// Undo brings back exactly the store before the operation (magnitudes, marks, nights, the
// entries a Delete dropped): a mark or an unmark by its exact inverse, every other operation by
// restoring the store as loaded and applying the operations before it again, in order, so no
// rounding creeps in. The store as loaded is copied once, when the first operation after a
// Reset is applied or recorded (the kept copies fileJd / fileMag / fileMagError and N are then
// still as loaded, because only a Delete changes them); an entry of the list holds only the
// operation itself.
//
// The navigation (currentNight, shownNightFirst, minNightPoints) stays as it is across an undo
// or redo, except that of a Delete, after which it is as after a Delete (the whole curve:
// currentNight = -1, or 1 with fewer than three nights). nightShift, the report of "Bright",
// stays as well, except that undoing a magnitude step gives back its value before the step.
class OperationLog {
 public:
  // Forgets both lists and the copy of the load: a new load calls it.
  void Reset();

  // Applies `operation` (ApplyOperation) and appends it to the list; the redo list is emptied.
  // Marks and unmarks keep only the entries they change; one that changes nothing (and a Clear
  // marks with no mark) is not recorded and returns false. Throws as ApplyOperation does, with
  // nothing changed.
  bool Apply(const Operation& operation, Data& data, ViewState& view);

  // Appends an operation the caller has already applied to `data` (the outliers a fit marked),
  // as Apply would have recorded it: a mark or unmark names only entries it changed. The redo
  // list is emptied.
  void Record(const Operation& operation, const Data& data);

  bool CanUndo() const { return !done_.empty(); }
  bool CanRedo() const { return !undone_.empty(); }
  // The operation Undo would take back and the one Redo would apply, if any.
  const Operation* NextUndo() const { return done_.empty() ? nullptr : &done_.back().operation; }
  const Operation* NextRedo() const { return undone_.empty() ? nullptr : &undone_.back().operation; }

  // Takes back the last operation; returns it, or nullopt when there is none.
  std::optional<Operation> Undo(Data& data, ViewState& view);
  // Applies the last operation undone again; returns it, or nullopt when there is none.
  std::optional<Operation> Redo(Data& data, ViewState& view);

  // The operations done since the load, in order: applied to the store as loaded they give the
  // store as it is (what a saved analysis keeps).
  std::vector<Operation> Operations() const;

 private:
  struct Done {
    Operation operation;
    long double nightShiftBefore = 0;
  };
  struct LoadedStore {
    bool taken = false;
    int32_t pointCount = 0;
    std::vector<long double> jd;
    std::vector<long double> mag;
    std::vector<double> magError;  // empty when the file gave no errors
  };

  void TakeLoad(const Data& data);
  void RestoreLoad(Data& data, ViewState& view) const;

  std::vector<Done> done_;
  std::vector<Done> undone_;
  LoadedStore loaded_;
};

}  // namespace ombrane
