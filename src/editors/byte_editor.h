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
  // Enter in the byte editor: writes its text into the current row's value cell.
  void commit();

 private:
  const WindowControls& c_;
  WindowState& state_;
};

}  // namespace tolvane::editors
