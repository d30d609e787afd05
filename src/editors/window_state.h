// The window-level variables shared by the loader, the saver and every field editor.
#pragma once

#include <cstdint>

namespace tolvane::editors {

struct WindowState {
  // True while the grid's value column holds edits that are not yet in planes.dat.
  // Pick and close save it without a question; opening the Script Maker clears it, so
  // that edits made before then are asked about instead of saved by themselves.
  bool recordModified = false;
  // True while the editors are filled from the grid (a load, an undo): their reactions then
  // show values but write no cell and mark nothing modified.
  bool filling = false;
  // The selected gun group (1..6) and the grid row of its first byte.
  std::int16_t gunGroupNumber = 0;
  std::int16_t gunGroupRow = 0;
};

}  // namespace tolvane::editors
