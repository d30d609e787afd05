#include "app/window_loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tolvane::app {
namespace {

namespace fs = std::filesystem;

// The entry point the window's library gives (see window_entry.cpp).
using WindowMain = int (*)(int*, char**);
constexpr const char* kEntryName = "tolvane_window_main";

}  // namespace

int runWindow(int& argc, char** argv) {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) {
    std::fprintf(stderr, "tolvane: cannot find the program's own file: %s\n",
                 error.message().c_str());
    return 2;
  }
  // Installed, the library lies in the library folder beside bin/; in a build folder, beside
  // the program. (`program` has its symbolic links followed.)
  fs::path library =
      (program.parent_path() / TOLVANE_WINDOW_LIBRARY_FROM_BIN / TOLVANE_WINDOW_LIBRARY)
          .lexically_normal();
  if (!fs::exists(library, error)) library = program.parent_path() / TOLVANE_WINDOW_LIBRARY;
  // Lazy binding as for the libraries a program is linked with; the library stays loaded
  // until the process ends.
  void* handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
  WindowMain entry = nullptr;
  if (handle != nullptr) entry = reinterpret_cast<WindowMain>(dlsym(handle, kEntryName));
  if (entry == nullptr) {
    const char* why = dlerror();
    std::fprintf(stderr,
                 "tolvane: the window cannot start: %s\n"
                 "tolvane: the commands show, diff, apply and export work without it "
                 "(tolvane --help).\n",
                 why != nullptr ? why : library.c_str());
    return 2;
  }
  return entry(&argc, argv);
}

}  // namespace tolvane::app
