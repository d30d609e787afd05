#include "app/edit_history.h"

#include <QTimer>
#include <QUndoCommand>

namespace tolvane::app {

namespace {
constexpr int kTypingId = 1;
}

// One step: the cells it changed, put back by undo and again by redo.
class CellsCommand : public QUndoCommand {
 public:
  // applied: whether the grid already holds the step's result (a recorded edit) or the
  // first redo must put it there (a step pushed in one go).
  CellsCommand(EditHistory* history, const QString& name, CellChanges changes, QObject* source,
               bool mergeable, bool applied)
      : QUndoCommand(name),
        history_(history),
        changes_(std::move(changes)),
        source_(source),
        mergeable_(mergeable),
        first_(applied) {}

  int id() const override { return source_ ? kTypingId : -1; }

  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const CellsCommand*>(other);
    if (!next->mergeable_ || next->source_ != source_ || !source_) return false;
    for (const auto& [row, change] : next->changes_) {
      auto found = changes_.find(row);
      if (found == changes_.end()) {
        changes_.emplace(row, change);
      } else {
        found->second.after = change.after;
      }
    }
    return true;
  }

  void undo() override { history_->applyCells(side(true)); }
  void redo() override {
    // The first redo comes from the push: the cells already hold the step's result.
    if (first_) {
      first_ = false;
      return;
    }
    history_->applyCells(side(false));
  }

 private:
  std::map<int, QString> side(bool before) const {
    std::map<int, QString> cells;
    for (const auto& [row, change] : changes_) cells[row] = before ? change.before : change.after;
    return cells;
  }

  EditHistory* history_;
  CellChanges changes_;
  QObject* source_;  // the text box of a typing run, or null
  bool mergeable_;
  bool first_;
};

EditHistory::EditHistory(std::function<void(const std::map<int, QString>&)> apply, QObject* parent)
    : QObject(parent), apply_(std::move(apply)) {
  stack_.setUndoLimit(kLimit);
}

void EditHistory::recordChange(int row, const QString& before, const QString& after,
                               QObject* source, bool typing) {
  if (applying_) return;
  // A change from another control ends the step of the previous one.
  if (!pending_.empty() && (pendingSource_ != source || pendingTyping_ != typing)) finishStep();
  auto found = pending_.find(row);
  if (found == pending_.end()) {
    pending_.emplace(row, CellChange{before, after});
  } else {
    found->second.after = after;
  }
  pendingSource_ = source;
  pendingTyping_ = typing;
  if (!finishQueued_) {
    finishQueued_ = true;
    QTimer::singleShot(0, this, [this] { finishStep(); });
  }
}

void EditHistory::finishStep() {
  finishQueued_ = false;
  if (pending_.empty()) return;
  CellChanges changes;
  changes.swap(pending_);
  // Cells that ended where they began make no step.
  for (auto it = changes.begin(); it != changes.end();) {
    it = it->second.before == it->second.after ? changes.erase(it) : std::next(it);
  }
  QObject* source = pendingTyping_ ? pendingSource_.data() : nullptr;
  if (changes.empty()) return;
  const bool mergeable = mergeable_ && source != nullptr;
  stack_.push(
      new CellsCommand(this, QStringLiteral("Edit"), std::move(changes), source, mergeable, true));
  // The next change of the same box continues this run; anything else breaks it.
  mergeable_ = source != nullptr;
}

void EditHistory::pushStep(const QString& name, const CellChanges& changes) {
  finishStep();
  CellChanges kept;
  for (const auto& [row, change] : changes) {
    if (change.before != change.after) kept.emplace(row, change);
  }
  mergeable_ = false;
  if (kept.empty()) return;
  stack_.push(new CellsCommand(this, name, std::move(kept), nullptr, false, false));
}

void EditHistory::undo() {
  finishStep();
  mergeable_ = false;
  stack_.undo();
}

void EditHistory::redo() {
  finishStep();
  mergeable_ = false;
  stack_.redo();
}

void EditHistory::clear() {
  pending_.clear();
  mergeable_ = false;
  stack_.clear();
}

void EditHistory::applyCells(const std::map<int, QString>& cells) {
  applying_ = true;
  apply_(cells);
  applying_ = false;
}

}  // namespace tolvane::app
