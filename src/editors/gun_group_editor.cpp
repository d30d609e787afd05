#include "editors/gun_group_editor.h"

namespace tolvane::editors {

GunGroupEditor::GunGroupEditor(const WindowControls& controls, WindowState& state) : c_(controls), state_(state) {}

}  // namespace tolvane::editors
