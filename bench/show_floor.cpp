// The floors of the command-line benchmark: the least a program does to read planes.dat and
// print its 30 aircraft records as JSON. Every byte of a record is printed as an object of its
// row, raw value and hex digits, indented as Qt's JSON is, so that the output (about 0.8 MB) is
// of the same order as that of `tolvane show --json` (about 1.3 MB). Built twice: as plain C++,
// and with a QCoreApplication constructed first (TOLVANE_FLOOR_QT), the least a Qt program pays
// on top.
#include <cstdio>
#include <string>
#include <vector>

#include "record/layout.h"

#ifdef TOLVANE_FLOOR_QT
#include <QCoreApplication>
#endif

namespace {

void appendNumber(std::string& out, long long value) {
  out += std::to_string(value);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef TOLVANE_FLOOR_QT
  QCoreApplication application(argc, argv);
#else
  (void)argc;
  (void)argv;
#endif
  using namespace tolvane::record;
  std::FILE* file = std::fopen("planes.dat", "rb");
  if (!file) {
    std::perror("planes.dat");
    return 2;
  }
  std::vector<unsigned char> bytes;
  unsigned char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(file);
  if (static_cast<long long>(bytes.size()) < bytePosition(kSlotCount - 1, kRecordBytes)) {
    std::fprintf(stderr, "planes.dat is too short\n");
    return 2;
  }

  static const char kHex[] = "0123456789abcdef";
  std::string out = "{\n    \"file\": \"planes.dat\",\n    \"aircraft\": [\n";
  for (int slot = 0; slot < kSlotCount; ++slot) {
    out += "        {\n            \"slot\": ";
    appendNumber(out, slot);
    out += ",\n            \"bytes\": [\n";
    for (int row = 1; row <= kRecordBytes; ++row) {
      const long long position = bytePosition(slot, row);
      const unsigned value = bytes[static_cast<std::size_t>(position - 1)];
      out += "                {\n                    \"hex\": \"";
      out += kHex[value >> 4];
      out += kHex[value & 15];
      out += "\",\n                    \"position\": ";
      appendNumber(out, position);
      out += ",\n                    \"raw\": ";
      appendNumber(out, value);
      out += ",\n                    \"row\": ";
      appendNumber(out, row);
      out += row == kRecordBytes ? "\n                }\n" : "\n                },\n";
    }
    out += slot == kSlotCount - 1 ? "            ]\n        }\n" : "            ]\n        },\n";
  }
  out += "    ]\n}\n";
  return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() ? 0 : 2;
}
