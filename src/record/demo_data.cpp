#include "record/demo_data.h"

#include <fstream>

namespace tolvane::record {
namespace {

struct Gun {
  int number, position, damage, ammo, sound, smoke;
};

struct Aircraft {
  const char* code;
  int year, crew;
  int stallMph, cruiseMph, cornerMph, maxMph;  // whole miles per hour
  int emptyLb, fuelBurn, fuelLb, rangeMiles;
  std::uint8_t flags5, flags6, flags7, flags8;
  int groups;
  Gun guns[3];
};

// Flag bits: byte 5 fighter 1, bomber 2, flyable 4, jet 8, twin 16, four 32, rocket 64,
// German 128; byte 6 British 1, American 2, inline 4, gear back 16, inwards 32, outwards 64,
// nose wheel 128; byte 7 dive bomber 16, attack 32, turn 64, energy 128; byte 8 defensive 1,
// multi crewed 2, combat flaps 4, slats 8, light armour 16, heavy armour 32.
// clang-format off
const Aircraft kAircraft[kSlotCount] = {
    {"P38H", 1943, 1, 95, 275, 260, 402, 12800, 90, 1800, 900, 21, 130, 0x81, 4, 4, {{4, 2, 4, 500, 1, 0}, {1, 2, 12, 150, 2, 0}}},
    {"P38J", 1944, 1, 95, 290, 270, 414, 12780, 95, 2460, 1100, 21, 130, 0x81, 4, 4, {{4, 2, 4, 500, 1, 0}, {1, 2, 12, 150, 2, 0}}},
    {"P47C", 1943, 1, 100, 300, 280, 420, 9900, 110, 1830, 640, 5, 34, 0x80, 16, 3, {{8, 1, 4, 425, 1, 0}}},
    {"P47D", 1944, 1, 100, 310, 285, 433, 10000, 115, 2220, 800, 5, 34, 0x80, 16, 3, {{8, 1, 4, 425, 1, 0}}},
    {"P51B", 1944, 1, 95, 320, 290, 440, 6985, 70, 1620, 1300, 5, 38, 0x80, 16, 2, {{4, 1, 4, 350, 1, 0}}},
    {"P51D", 1944, 1, 95, 330, 295, 437, 7125, 70, 1620, 1650, 5, 38, 0x80, 16, 2, {{6, 1, 4, 400, 1, 0}}},
    {"B17F", 1943, 10, 90, 170, 150, 299, 34000, 300, 10200, 2000, 0x26, 146, 0x20, 19, 3, {{2, 5, 4, 500, 1, 1}, {2, 9, 4, 500, 1, 0}, {2, 4, 4, 400, 1, 0}}},
    {"B24D", 1943, 10, 95, 175, 155, 303, 32605, 320, 16500, 2100, 0x26, 130, 0x20, 19, 3, {{2, 4, 4, 400, 1, 0}, {2, 9, 4, 500, 1, 0}, {1, 10, 4, 500, 1, 0}}},
    {"B26B", 1943, 7, 110, 216, 200, 282, 22380, 200, 5800, 1150, 0x16, 130, 0x20, 19, 3, {{2, 4, 4, 400, 1, 0}, {1, 3, 4, 800, 1, 0}, {4, 2, 4, 250, 1, 0}}},
    {"HURR", 1940, 1, 80, 210, 200, 328, 5745, 60, 700, 600, 5, 5, 0x40, 16, 1, {{8, 1, 2, 334, 0, 0}}},
    {"SP1A", 1940, 1, 75, 240, 230, 362, 4810, 55, 610, 575, 5, 5, 0x40, 24, 1, {{8, 1, 2, 300, 0, 0}}},
    {"SP9 ", 1943, 1, 80, 270, 250, 408, 5634, 65, 610, 434, 5, 5, 0x40, 24, 2, {{2, 1, 12, 120, 2, 0}, {2, 1, 4, 250, 1, 0}}},
    {"SP14", 1944, 1, 85, 300, 270, 448, 6600, 80, 800, 460, 5, 5, 0x40, 24, 2, {{2, 1, 12, 120, 2, 0}, {2, 1, 4, 250, 1, 0}}},
    {"TYPH", 1943, 1, 95, 300, 260, 412, 8840, 100, 1100, 510, 5, 5, 0xA0, 16, 1, {{4, 1, 12, 140, 2, 1}}},
    {"TEMP", 1944, 1, 95, 320, 280, 432, 9250, 105, 1100, 740, 5, 5, 0x80, 16, 1, {{4, 1, 12, 150, 2, 0}}},
    {"MOSQ", 1943, 2, 100, 300, 270, 408, 14300, 140, 4000, 1300, 0x15, 5, 0x80, 6, 2, {{4, 2, 12, 150, 2, 0}, {4, 2, 2, 750, 0, 0}}},
    {"109E", 1940, 1, 75, 250, 240, 348, 4421, 50, 580, 410, 0x85, 20, 0x40, 8, 2, {{2, 1, 12, 60, 2, 0}, {2, 2, 2, 1000, 0, 0}}},
    {"109G", 1943, 1, 85, 290, 260, 398, 5893, 65, 580, 440, 0x85, 20, 0x80, 8, 2, {{1, 2, 12, 150, 2, 0}, {2, 2, 4, 300, 1, 0}}},
    {"109K", 1944, 1, 90, 310, 275, 452, 6000, 75, 580, 355, 0x85, 20, 0x80, 8, 2, {{1, 2, 24, 65, 3, 0}, {2, 2, 4, 300, 1, 0}}},
    {"110C", 1940, 2, 90, 260, 240, 349, 9920, 120, 2000, 480, 0x95, 4, 0x20, 3, 3, {{2, 2, 12, 180, 2, 0}, {4, 2, 2, 1000, 0, 0}, {1, 5, 2, 750, 0, 0}}},
    {"110G", 1943, 3, 95, 270, 245, 342, 11230, 130, 2800, 560, 0x95, 4, 0x20, 3, 3, {{2, 2, 24, 135, 3, 0}, {2, 2, 12, 300, 2, 0}, {2, 5, 2, 800, 0, 0}}},
    {"M410", 1943, 2, 100, 290, 260, 388, 13560, 150, 3500, 1050, 0x95, 4, 0x20, 3, 3, {{2, 2, 12, 350, 2, 0}, {2, 2, 2, 1000, 0, 0}, {2, 10, 4, 500, 1, 0}}},
    {"190A", 1943, 1, 95, 300, 270, 408, 7000, 80, 940, 500, 0x85, 16, 0x80, 20, 2, {{4, 1, 12, 250, 2, 0}, {2, 2, 4, 475, 1, 0}}},
    {"190D", 1944, 1, 100, 320, 280, 426, 7694, 85, 940, 520, 0x85, 4 | 16, 0x80, 20, 2, {{2, 1, 12, 250, 2, 0}, {2, 2, 4, 475, 1, 0}}},
    {"M262", 1944, 1, 120, 420, 350, 540, 9741, 250, 3960, 650, 0x8D, 128, 0x80, 4, 1, {{4, 2, 24, 100, 3, 0}}},
    {"J88A", 1940, 4, 100, 230, 210, 292, 20000, 220, 6000, 1550, 0x92, 4, 0x10, 7, 3, {{1, 3, 2, 1000, 0, 0}, {1, 5, 2, 1000, 0, 0}, {1, 7, 2, 1000, 0, 0}}},
    {"J88C", 1943, 3, 100, 250, 225, 307, 20500, 230, 6000, 1200, 0x95, 4, 0x20, 7, 3, {{3, 2, 12, 300, 2, 0}, {3, 2, 2, 1000, 0, 0}, {1, 5, 2, 750, 0, 0}}},
    {"STUK", 1940, 2, 70, 180, 170, 242, 7086, 90, 1100, 370, 0x86, 4 | 16, 0x10, 7, 2, {{2, 1, 2, 500, 0, 0}, {1, 5, 2, 1000, 0, 0}}},
    {"H111", 1940, 5, 90, 200, 180, 273, 19136, 210, 6000, 1430, 0x92, 4, 0x00, 3, 3, {{1, 2, 2, 750, 0, 0}, {1, 6, 2, 750, 0, 0}, {1, 8, 2, 750, 0, 0}}},
    {"V1  ", 1944, 0, 200, 360, 300, 400, 4750, 300, 1000, 150, 0x48, 4, 0x00, 0, 0, {}},
};
// clang-format on

void put32(RecordBytes& r, int byte, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) r[byte - 1 + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put16(RecordBytes& r, int byte, std::uint32_t v) {
  r[byte - 1] = static_cast<std::uint8_t>(v & 0xFF);
  r[byte] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

}  // namespace

std::uint8_t untouchedPattern(std::int64_t position) {
  return static_cast<std::uint8_t>((position * 7 + 0x5A) & 0xFF);
}

RecordBytes demoRecord(int slot) {
  const Aircraft& a = kAircraft[slot];
  RecordBytes r{};
  // Bytes no editor decodes carry the pattern too, so that a stray write shows up.
  for (int k = 1; k <= kRecordBytes; ++k) r[k - 1] = untouchedPattern(bytePosition(slot, k));
  r[4] = a.flags5;
  r[5] = a.flags6;
  r[6] = a.flags7;
  r[7] = a.flags8;
  put16(r, 9, static_cast<std::uint32_t>(a.year));
  put16(r, 11, static_cast<std::uint32_t>(a.crew));
  put32(r, 13, static_cast<std::uint32_t>(a.stallMph) * 100);
  put32(r, 17, static_cast<std::uint32_t>(a.cruiseMph) * 100);
  put32(r, 21, static_cast<std::uint32_t>(a.cornerMph) * 100);
  put32(r, 25, static_cast<std::uint32_t>(a.maxMph) * 100);
  put32(r, 29, static_cast<std::uint32_t>(a.emptyLb));
  put32(r, 33, static_cast<std::uint32_t>(a.fuelBurn));
  put32(r, 37, static_cast<std::uint32_t>(a.fuelLb));
  put32(r, 41, static_cast<std::uint32_t>(a.rangeMiles) * 132000u);
  // View distances in 1/21 ft: close, medium, far, line, max, external default, collision.
  const std::uint32_t feet[7] = {600, 1500, 3000, 6000, 12000, 150, 20 + 4u * a.crew};
  for (int i = 0; i < 7; ++i) put32(r, 45 + 4 * i, feet[i] * 21u);
  for (int k = 73; k <= 84; ++k) r[k - 1] = static_cast<std::uint8_t>(20 + 5 * (k - 73) + slot);
  r[84] = static_cast<std::uint8_t>(a.groups);
  for (int g = 0; g < kGunGroupCount; ++g) {
    const int s = gunGroupFirstRow(g + 1);
    const Gun gun = g < 3 ? a.guns[g] : Gun{0, 0, 0, 0, 0, 0};
    r[s - 1] = static_cast<std::uint8_t>(gun.number);
    r[s + 1] = static_cast<std::uint8_t>(gun.position);
    put16(r, s + 4, static_cast<std::uint32_t>(gun.damage));
    put16(r, s + 6, static_cast<std::uint32_t>(gun.ammo));
    r[s + 7] = static_cast<std::uint8_t>(gun.sound);
    r[s + 9] = static_cast<std::uint8_t>(gun.smoke);
  }
  for (int i = 0; i < 4; ++i) r[164 + i] = static_cast<std::uint8_t>(a.code[i]);
  return r;
}

std::vector<std::uint8_t> demoFile() {
  std::vector<std::uint8_t> file(static_cast<std::size_t>(kFullFileBytes));
  for (std::size_t i = 0; i < file.size(); ++i) {
    file[i] = untouchedPattern(static_cast<std::int64_t>(i) + 1);
  }
  for (int s = 0; s < kSlotCount; ++s) {
    const RecordBytes r = demoRecord(s);
    for (int k = 1; k <= kRecordBytes; ++k) {
      file[static_cast<std::size_t>(bytePosition(s, k) - 1)] = r[k - 1];
    }
  }
  return file;
}

std::string writeDemoFile(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = demoFile();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return "cannot create " + path.string();
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return "cannot write " + path.string();
  return {};
}

}  // namespace tolvane::record
