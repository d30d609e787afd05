#include "editors/identity_editor.h"

namespace tolvane::editors {

IdentityEditor::IdentityEditor(const WindowControls& controls, WindowState& state) : c_(controls), state_(state) {}

}  // namespace tolvane::editors
