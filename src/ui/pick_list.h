// A list from which the user picks one entry. Qt's item view changes the current item and the
// selection in separate steps for one key press or click (and a drag changes it once per item
// passed), so reacting to its selection signals runs a reaction several times for one user
// action. This list reports each user action once, when it is complete: a key press that moved
// the selection, or a left click (or a drag) released over the list.
#pragma once

#include <QListWidget>

namespace tolvane::ui {

class PickList : public QListWidget {
  Q_OBJECT
 public:
  explicit PickList(QWidget* parent = nullptr);

  // The row of the selected entry, or -1 when none is selected.
  int selectedRow() const;
  // Shows a row as selected and current (or none for -1) without reporting a pick.
  void showPicked(int row);

 signals:
  // One user action picked an entry (row >= 0), or took the highlight away (row -1). A click
  // on the entry that is already selected is a pick too.
  void picked(int row);

 protected:
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;      // a left press on an entry awaits its release
  int selectionBefore_ = -1;  // the selected row when the action began
};

}  // namespace tolvane::ui
