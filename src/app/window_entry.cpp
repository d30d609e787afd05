// The entry point of the window's library, which the program loads to open the window (see
// window_loader.h).
#include "app/game_folder.h"

extern "C" __attribute__((visibility("default"))) int tolvane_window_main(int* argc, char** argv) {
  return tolvane::app::run(*argc, argv);
}
