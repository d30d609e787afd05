// The edit history of one open record: every change of a value is recorded, the changes made
// by one user action form one step, and a run of typing in one box merges into one step until
// the focus leaves the box or another step comes between. At most kLimit steps are kept, so
// that memory stays flat over a long session. Plain C++: the history knows rows and texts, not
// controls; a control is only an opaque number that tells two sources apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>

namespace tolvane::record {

// What one step changed: for each row, the value's text before and after.
struct ValueChange {
  std::string before;
  std::string after;
};
using ValueChanges = std::map<int, ValueChange>;
// Texts by row, as an undo or a redo puts them back.
using Values = std::map<int, std::string>;

// Where a change of a value came from.
struct EditOrigin {
  std::uintptr_t source = 0;  // the control it came from; 0 when none counts
  bool typing = false;        // a keystroke in that control's box, which may merge
};

class EditHistory {
 public:
  // At least this many steps are kept; older ones are dropped.
  static constexpr std::size_t kLimit = 1000;

  // A change made by the user's hand (the value already holds `after`). Changes from one
  // source while `typing` merge with that source's previous step while nothing came between.
  void record(int row, const std::string& before, const std::string& after, EditOrigin origin);
  // Whether changes are waiting to become a step.
  bool stepUnderWay() const { return !pending_.empty(); }
  // Ends the step under way; the caller ends it when the user's action is over.
  void finishStep();
  // Makes the next step start anew even when it comes from the same box (the focus moved, a
  // save, an undo).
  void breakTypingRun() { mergeable_ = false; }

  // One step in one go (an applied script, a revert) whose values are already in place. Rows
  // that end where they began are left out; a step without rows is not kept.
  void push(const std::string& name, const ValueChanges& changes);

  bool canUndo() const { return index_ > 0; }
  bool canRedo() const { return index_ < steps_.size(); }
  // The values the step before the current point had, or after it; the history moves over the
  // step. Nothing when there is no such step.
  std::optional<Values> undo();
  std::optional<Values> redo();
  // The name of the step an undo or a redo would take ("Edit", "Apply script", ...).
  std::string undoName() const;
  std::string redoName() const;

  std::size_t count() const { return steps_.size(); }
  std::size_t index() const { return index_; }

  // Forgets every step: another record was opened.
  void clear();

 private:
  struct Step {
    std::string name;
    ValueChanges changes;
    std::uintptr_t source = 0;  // the box of a typing run, or 0
  };
  void add(Step step, bool mergeable);

  std::deque<Step> steps_;
  std::size_t index_ = 0;  // steps_[0, index_) are done, the rest undone
  ValueChanges pending_;
  EditOrigin pendingOrigin_;
  bool mergeable_ = false;
};

}  // namespace tolvane::record
