// Creates every control of the main window at its fixed place.
#pragma once

#include "editors/window_controls.h"

class QWidget;

namespace tolvane::app {

// Twips to pixels at 96 dots per inch (15 twips a pixel); Qt scales for high-dpi screens.
int twips(int value);

// Creates all controls as children of the window, with their names, captions and start-up
// visibility, and returns pointers to them.
editors::WindowControls createControls(QWidget* window);

}  // namespace tolvane::app
