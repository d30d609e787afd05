// Writes a generated planes.dat (our own figures, no game data) into the folder given.
#include <cstdio>
#include <filesystem>

#include "record/demo_data.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string error = tolvane::record::writeDemoFile(folder / "planes.dat");
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}
