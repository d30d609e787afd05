// The subcommands that work on planes.dat and aircraft scripts without a window: show, diff,
// apply and export. They run before any GUI application object exists, so they never need
// a display. Results go to standard output, messages to standard error.
#pragma once

namespace tolvane::cli {

// Exit codes, as diff(1) and git use them.
constexpr int kExitDone = 0;
constexpr int kExitRefused = 1;  // refused; for diff, "they differ"
constexpr int kExitTrouble = 2;  // the command line is wrong, or a file cannot be read or written

// Whether the first argument names a subcommand.
bool isSubcommand(int argc, char** argv);

// Runs the subcommand named by the first argument; returns the exit code.
int runSubcommand(int argc, char** argv);

}  // namespace tolvane::cli
