// The window lives in a library of its own (libtolvane-window.so) that the program loads only
// when it opens the window. The commands (show, diff, apply, export) then start without
// loading Qt's GUI libraries, which take more time to load than most commands take to run.
#pragma once

namespace tolvane::app {

// Loads the window's library (installed, in the library folder beside the program's bin
// folder; in a build folder, beside the program) and runs the window with the program's
// arguments; returns the process's exit code. When the library cannot be loaded, says why on
// standard error (the commands still work) and returns 2.
int runWindow(int& argc, char** argv);

}  // namespace tolvane::app
