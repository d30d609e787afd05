// Year, crew and the four-character code.
#pragma once

#include <QObject>

#include "editors/window_controls.h"
#include "editors/window_state.h"

namespace tolvane::editors {

class IdentityEditor : public QObject {
  Q_OBJECT
 public:
  IdentityEditor(const WindowControls& controls, WindowState& state);

 private:
  const WindowControls& c_;
  WindowState& state_;
};

}  // namespace tolvane::editors
