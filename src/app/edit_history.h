// The edit history of the open record: every change of a value cell is recorded, the changes
// made by one user action form one step, and a run of typing in one box merges into one step
// until the focus leaves the box or another step comes between. Steps are kept on a
// QUndoStack with a bound, so that memory stays flat over a long session.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <map>

namespace tolvane::app {

// What one step changed: for each row, the value cell's text before and after.
struct CellChange {
  QString before;
  QString after;
};
using CellChanges = std::map<int, CellChange>;

class EditHistory : public QObject {
  Q_OBJECT
 public:
  // At least this many steps are kept; older ones are dropped.
  static constexpr int kLimit = 1000;

  // `apply` puts cell texts into the grid (the side given: before for an undo, after for a
  // redo) and refreshes the editors; the changes it makes are not recorded.
  explicit EditHistory(std::function<void(const std::map<int, QString>&)> apply,
                       QObject* parent = nullptr);

  QUndoStack* stack() { return &stack_; }

  // A value cell changed by the user's hand. `source` is the control the change came from;
  // changes from a text box merge with the previous step of the same box while `typing` is
  // true for both and nothing came between.
  void recordChange(int row, const QString& before, const QString& after, QObject* source,
                    bool typing);
  // Ends the step under way (it also ends by itself when the event loop next runs).
  void finishStep();
  // Makes the next step start anew even when it comes from the same box (focus moved, a
  // save, an undo).
  void breakTypingRun() { mergeable_ = false; }

  // One step in one go (an applied script, a revert), with its own name: its cells are put
  // into the grid (through `apply`) and it is undone as one.
  void pushStep(const QString& name, const CellChanges& changes);

  void undo();
  void redo();
  // Forgets every step: a new record was loaded.
  void clear();

  bool applying() const { return applying_; }

 private:
  friend class CellsCommand;
  void applyCells(const std::map<int, QString>& cells);

  std::function<void(const std::map<int, QString>&)> apply_;
  QUndoStack stack_;
  CellChanges pending_;
  QPointer<QObject> pendingSource_;
  bool pendingTyping_ = false;
  bool finishQueued_ = false;
  bool mergeable_ = false;
  bool applying_ = false;
};

}  // namespace tolvane::app
