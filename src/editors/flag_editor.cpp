#include "editors/flag_editor.h"

namespace tolvane::editors {

FlagEditor::FlagEditor(const WindowControls& controls, WindowState& state) : c_(controls), state_(state) {}

}  // namespace tolvane::editors
