// Filling the field editors from the grid's value column, as a load does: boxes, captions,
// flag boxes and the code show what the cells hold, and no editor writes a cell back.
#pragma once

#include <QString>

#include "editors/window_controls.h"
#include "editors/window_state.h"

namespace tolvane::editors {

void fillEditorsFromGrid(const WindowControls& c, WindowState& state);

// The code as the value cells of bytes 165 to 168 hold it; empty when a cell is not a byte.
QString codeInGrid(const WindowControls& c);

// What the player sees of a refused value cell: the field's name, the value as typed in its
// box (or as the grid holds it) and the range it takes, e.g. "Max speed: -5 is not possible;
// it takes 0 to 4294967295."
QString refusalText(const WindowControls& c, const WindowState& state, int row);

// Whether a row's value is typed in the grid's byte editor rather than in a box.
bool editedInGrid(int row);

}  // namespace tolvane::editors
