// The window-level variables shared by the loader, the saver and every field editor.
#pragma once

#include <cstdint>

namespace tolvane::editors {

struct WindowState {
  // True while the grid's value column holds edits that are not yet in planes.dat.
  bool recordModified = false;
  // The selected gun group (1..6) and the grid row of its first byte.
  std::int16_t gunGroupNumber = 0;
  std::int16_t gunGroupRow = 0;
};

}  // namespace tolvane::editors
