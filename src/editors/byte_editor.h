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
  // Enter in the byte editor: writes its text into the value of the row it was opened for,
  // and closes it.
  void commit();
  // Closes the box without writing (another row became current, another record was opened,
  // the row's value changed under it).
  void close();
  // The row the open box belongs to; 0 while it is closed.
  int openRow() const { return openRow_; }

 private:
  const WindowControls& c_;
  WindowState& state_;
  int openRow_ = 0;
};

}  // namespace tolvane::editors
