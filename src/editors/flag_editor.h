// The flag check boxes of bytes 5 to 8.
#pragma once

#include <QObject>

#include "editors/window_controls.h"
#include "editors/window_state.h"

class QCheckBox;

namespace tolvane::editors {

class FlagEditor : public QObject {
  Q_OBJECT
 public:
  FlagEditor(const WindowControls& controls, WindowState& state);

 private:
  // One array of boxes: byte 5 + array in grid row 5 + array, shown in frame F[array].
  struct Flags {
    QCheckBox* const* boxes;
    int count;
    int pairLow;  // the exclusive pair pairLow / pairLow + 1
  };

  // Every change of a box's state, by a click or by the loader.
  void stateChanged(int array, int i);
  Flags flags(int array) const;

  const WindowControls& c_;
  WindowState& state_;
};

}  // namespace tolvane::editors
