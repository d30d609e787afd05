#include "record/fields.h"

#include <vector>

#include "record/charset.h"

namespace tolvane::record {
namespace {

std::vector<Field> makeFields() {
  std::vector<Field> fields;
  auto add = [&fields](std::string name, int first, int bytes, Field::Kind kind,
                       bool inGrid = false) {
    fields.push_back(Field{std::move(name), first, bytes, kind, inGrid});
  };
  using K = Field::Kind;
  for (int row = 1; row <= 4; ++row) add("Pln No, byte " + std::to_string(row), row, 1, K::Raw);
  for (int row = 5; row <= 8; ++row) {
    add("Flags (byte " + std::to_string(row) + ")", row, 1, K::Flags);
  }
  add("Year", 9, 2, K::Number);
  // Only byte 11 is written from the crew box; byte 12 keeps what the file holds.
  add("Crew", 11, 1, K::Number);
  add("Crew, high byte", 12, 1, K::Raw);
  static const char* const kPerformance[15] = {
      "Stall speed", "Cruise speed",          "Corner speed",    "Max speed",
      "Empty wt",    "Fuel burn rate",        "Wt of fuel",      "Max range",
      "Close view",  "Medium view",           "Far view",        "Line view",
      "Max view",    "External default view", "Collision radius"};
  for (int i = 0; i < 15; ++i) add(kPerformance[i], 13 + 4 * i, 4, K::Number);
  for (int row = 73; row <= 84; ++row) add(rowLabel(row) + " damage", row, 1, K::Raw, true);
  add("Gun groups", 85, 1, K::Number);
  for (int row = 86; row <= 88; ++row) add("Byte " + std::to_string(row), row, 1, K::Raw);
  for (int n = 1; n <= kGunGroupCount; ++n) {
    const int s = gunGroupFirstRow(n);
    const std::string group = "Gun group " + std::to_string(n) + " ";
    add(group + "number", s, 1, K::Number);
    add(group + "byte " + std::to_string(s + 1), s + 1, 1, K::Raw);
    add(group + "position", s + 2, 1, K::Number);
    add(group + "byte " + std::to_string(s + 3), s + 3, 1, K::Raw);
    add(group + "damage", s + 4, 2, K::Number);
    add(group + "ammunition", s + 6, 2, K::Number);
    add(group + "sound", s + 8, 1, K::Number);
    add(group + "byte " + std::to_string(s + 9), s + 9, 1, K::Raw);
    add(group + "smoke", s + 10, 1, K::Number);
    add(group + "byte " + std::to_string(s + 11), s + 11, 1, K::Raw);
  }
  for (int row = 161; row <= 164; ++row) add(rowLabel(row), row, 1, K::Raw, true);
  add("Code", 165, 4, K::Code);
  return fields;
}

}  // namespace

double Field::highest() const {
  double high = 1.0;
  for (int k = 0; k < bytes; ++k) high *= 256.0;
  return high - 1.0;
}

const Field& fieldOfRow(int row) {
  static const std::vector<Field> fields = makeFields();
  static const std::array<int, kRecordBytes + 1> index = [] {
    std::array<int, kRecordBytes + 1> out{};
    for (std::size_t f = 0; f < fields.size(); ++f) {
      for (int k = 0; k < fields[f].bytes; ++k) out[fields[f].firstRow + k] = static_cast<int>(f);
    }
    return out;
  }();
  if (row < 1 || row > kRecordBytes) row = 1;
  return fields[static_cast<std::size_t>(index[row])];
}

std::string fieldValueText(const Field& field,
                           const std::array<std::uint8_t, kRecordBytes>& bytes) {
  if (field.kind == Field::Kind::Code) {
    std::string text;
    for (int k = 0; k < field.bytes; ++k) {
      appendUtf8(text, charFromByte(bytes[static_cast<std::size_t>(field.firstRow - 1 + k)]));
    }
    return text;
  }
  std::uint64_t value = 0;
  for (int k = field.bytes - 1; k >= 0; --k) {
    value = value * 256 + bytes[static_cast<std::size_t>(field.firstRow - 1 + k)];
  }
  return std::to_string(value);
}

}  // namespace tolvane::record
