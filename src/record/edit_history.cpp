#include "record/edit_history.h"

#include <iterator>

namespace tolvane::record {

void EditHistory::record(int row, const std::string& before, const std::string& after,
                         EditOrigin origin) {
  // A change from another control ends the step of the previous one.
  if (!pending_.empty() &&
      (pendingOrigin_.source != origin.source || pendingOrigin_.typing != origin.typing)) {
    finishStep();
  }
  auto found = pending_.find(row);
  if (found == pending_.end()) {
    pending_.emplace(row, ValueChange{before, after});
  } else {
    found->second.after = after;
  }
  pendingOrigin_ = origin;
}

void EditHistory::finishStep() {
  if (pending_.empty()) return;
  ValueChanges changes;
  changes.swap(pending_);
  // Values that ended where they began make no step.
  for (auto it = changes.begin(); it != changes.end();) {
    it = it->second.before == it->second.after ? changes.erase(it) : std::next(it);
  }
  const std::uintptr_t source = pendingOrigin_.typing ? pendingOrigin_.source : 0;
  if (changes.empty()) return;
  const bool mergeable = mergeable_ && source != 0;
  add(Step{"Edit", std::move(changes), source}, mergeable);
  // The next change of the same box continues this run; anything else breaks it.
  mergeable_ = source != 0;
}

void EditHistory::push(const std::string& name, const ValueChanges& changes) {
  finishStep();
  ValueChanges kept;
  for (const auto& [row, change] : changes) {
    if (change.before != change.after) kept.emplace(row, change);
  }
  mergeable_ = false;
  if (kept.empty()) return;
  add(Step{name, std::move(kept), 0}, false);
}

void EditHistory::add(Step step, bool mergeable) {
  // A new step drops the steps that were undone.
  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(index_), steps_.end());
  if (mergeable && !steps_.empty() && steps_.back().source == step.source) {
    ValueChanges& into = steps_.back().changes;
    for (const auto& [row, change] : step.changes) {
      auto found = into.find(row);
      if (found == into.end()) {
        into.emplace(row, change);
      } else {
        found->second.after = change.after;
      }
    }
    return;
  }
  steps_.push_back(std::move(step));
  if (steps_.size() > kLimit) steps_.pop_front();
  index_ = steps_.size();
}

std::optional<Values> EditHistory::undo() {
  finishStep();
  mergeable_ = false;
  if (!canUndo()) return std::nullopt;
  const Step& step = steps_[--index_];
  Values values;
  for (const auto& [row, change] : step.changes) values[row] = change.before;
  return values;
}

std::optional<Values> EditHistory::redo() {
  finishStep();
  mergeable_ = false;
  if (!canRedo()) return std::nullopt;
  const Step& step = steps_[index_++];
  Values values;
  for (const auto& [row, change] : step.changes) values[row] = change.after;
  return values;
}

std::string EditHistory::undoName() const {
  return canUndo() ? steps_[index_ - 1].name : std::string();
}

std::string EditHistory::redoName() const {
  return canRedo() ? steps_[index_].name : std::string();
}

void EditHistory::clear() {
  pending_.clear();
  mergeable_ = false;
  steps_.clear();
  index_ = 0;
}

}  // namespace tolvane::record
