// The flag check boxes of bytes 5 to 8.
#pragma once

#include <QObject>

#include "editors/window_controls.h"
#include "editors/window_state.h"

namespace tolvane::editors {

class FlagEditor : public QObject {
  Q_OBJECT
 public:
  FlagEditor(const WindowControls& controls, WindowState& state);

 private:
  const WindowControls& c_;
  WindowState& state_;
};

}  // namespace tolvane::editors
