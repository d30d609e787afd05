// The gun-group panel: group choice, number, position, type, damage, ammunition, sound and smoke.
#pragma once

#include <QObject>

#include "editors/window_controls.h"
#include "editors/window_state.h"

namespace tolvane::editors {

class GunGroupEditor : public QObject {
  Q_OBJECT
 public:
  GunGroupEditor(const WindowControls& controls, WindowState& state);

 private:
  const WindowControls& c_;
  WindowState& state_;
};

}  // namespace tolvane::editors
