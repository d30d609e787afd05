// The window lives in a library of its own (libtolvane-window.so) that the program loads only
// when it opens the window. The commands (show, diff, apply, export) then start without
// loading Qt's GUI libraries, which take more time to load than most commands take to run.
#pragma once

#include <filesystem>
#include <string>

namespace tolvane::app {

// Where the window's library is looked for, in this order: installed, in the library folder
// beside the program's bin folder; in a build folder, beside the program. `program` is the
// program file itself (symbolic links followed).
std::filesystem::path installedWindowLibrary(const std::filesystem::path& program);
std::filesystem::path builtWindowLibrary(const std::filesystem::path& program);

// Loads the window's library and runs the window with the program's arguments; returns the
// process's exit code. When the library cannot be loaded, says why on standard error (the
// commands still work) and returns 2.
int runWindow(int& argc, char** argv);

}  // namespace tolvane::app
