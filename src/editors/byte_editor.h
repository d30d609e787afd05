// Direct editing of the bytes that have no field editor (damage and MB bytes) through the
// byte editor box, and the clicks that scroll the grid to a field's rows.
#pragma once

#include <QObject>

#include "editors/window_controls.h"
#include "editors/window_state.h"

namespace tolvane::editors {

class ByteEditor : public QObject {
  Q_OBJECT
 public:
  ByteEditor(const WindowControls& controls, WindowState& state);

  // A click on a grid cell: shows the byte editor with the row's value on a damage or MB row,
  // hides it on any other row.
  void gridClicked();
  // Enter or F2 in the grid: on a damage or MB row, shows the byte editor for the current row
  // with the focus in it. Returns whether it opened.
  bool editCurrentRow();
  // Enter in the byte editor: writes its text into the value of the row it was opened for,
  // and closes it.
  void commit();
  // Closes the box without writing (Escape in it, another row became current, another record
  // was opened, the row's value changed under it). A box that had the focus gives it back to
  // the grid, whose current row is still the box's row.
  void close();
  // The row the open box belongs to; 0 while it is closed.
  int openRow() const { return openRow_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the box for a row with the row's value, named after the byte it edits.
  void open(int row);

  const WindowControls& c_;
  WindowState& state_;
  int openRow_ = 0;
};

}  // namespace tolvane::editors
