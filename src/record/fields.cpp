#include "record/fields.h"

#include <algorithm>

#include "record/charset.h"
#include "record/numbers.h"

namespace tolvane::record {
namespace {

std::vector<Field> makeFields() {
  std::vector<Field> fields;
  using K = Field::Kind;
  auto add = [&fields](std::string name, int first, int bytes, K kind, std::string box = {},
                       Unit unit = Unit::None, bool typed = false) -> Field& {
    Field field;
    field.name = std::move(name);
    field.firstRow = first;
    field.bytes = bytes;
    field.kind = kind;
    field.unit = unit;
    field.box = std::move(box);
    field.typedIn = typed;
    fields.push_back(std::move(field));
    return fields.back();
  };
  const std::string byteEditor(kByteEditorBox);

  for (int row = 1; row <= 4; ++row) add("Pln No, byte " + std::to_string(row), row, 1, K::Raw);
  // The captions of the check boxes, bit 0 first. Byte 8 has boxes for bits 0 to 5 only.
  static const std::vector<std::string> kBitNames[4] = {
      {"Fighter", "Bomber", "Flyable", "Jet", "Twin engined", "Four engined", "Rocket (V1)",
       "German"},
      {"British", "American", "Inline engine", "Not used", "Gear Back", "Gear Inwards",
       "Gear Outwards", "Nose wheel"},
      {"Counter rotating props", "Counter clockwise prop", "Gravity fed carburettor", "Not used",
       "Dive bomber", "Attack plane", "Turn fighter", "Energy fighter"},
      {"Defensive gun", "Multi crewed", "Combat flaps", "Automatic slats", "Light Armour",
       "Heavy armour", "", ""}};
  for (int k = 0; k < 4; ++k) {
    add("Flags (byte " + std::to_string(5 + k) + ")", 5 + k, 1, K::Flags,
        "Check" + std::to_string(k + 1))
        .bitNames = kBitNames[k];
  }
  add("Year", 9, 2, K::Number, "Text8", Unit::None, true);
  // The crew box writes byte 11 and clears byte 12, which a stored file may hold; a load
  // leaves both as the file holds them.
  add("Crew", 11, 1, K::Number, "Text7", Unit::None, true);
  add("Crew, high byte", 12, 1, K::Raw).alsoTypedBy = "Text7";
  struct Figure {
    const char* name;
    Unit unit;
  };
  static const Figure kPerformance[15] = {
      {"Stall speed", Unit::Speed},      {"Cruise speed", Unit::Speed},
      {"Corner speed", Unit::Speed},     {"Max speed", Unit::Speed},
      {"Empty wt", Unit::Weight},        {"Fuel burn rate", Unit::None},
      {"Wt of fuel", Unit::Weight},      {"Max range", Unit::Range},
      {"Close view", Unit::Length},      {"Medium view", Unit::Length},
      {"Far view", Unit::Length},        {"Line view", Unit::Length},
      {"Max view", Unit::Length},        {"External default view", Unit::Length},
      {"Collision radius", Unit::Length}};
  for (int i = 0; i < 15; ++i) {
    add(kPerformance[i].name, 13 + 4 * i, 4, K::Number, "Text3(" + std::to_string(i) + ")",
        kPerformance[i].unit, true);
  }
  for (int row = 73; row <= 84; ++row) add(rowLabel(row) + " damage", row, 1, K::Raw, byteEditor);
  add("Gun groups", 85, 1, K::Number, "Text6", Unit::None, true);
  for (int row = 86; row <= 88; ++row) add("Byte " + std::to_string(row), row, 1, K::Raw);
  for (int n = 1; n <= kGunGroupCount; ++n) {
    const int s = gunGroupFirstRow(n);
    const std::string group = "Gun group " + std::to_string(n) + " ";
    auto addInGroup = [&](const std::string& what, int offset, int bytes, K kind,
                          std::string box = {}, bool typed = false) -> Field& {
      Field& field = add(group + what, s + offset, bytes, kind, std::move(box), Unit::None, typed);
      field.gunGroup = n;
      return field;
    };
    auto spare = [&](int offset) {
      addInGroup("byte " + std::to_string(s + offset), offset, 1, K::Raw);
    };
    addInGroup("number", 0, 1, K::Number, "Text1", true);
    spare(1);
    // The position buttons set the caption, whose change writes the byte.
    addInGroup("position", 2, 1, K::Code, "Label3");
    spare(3);
    addInGroup("damage", 4, 2, K::Number, "Gundamage", true);
    addInGroup("ammunition", 6, 2, K::Number, "Text2", true);
    addInGroup("sound", 8, 1, K::Code, "Label5").alsoTypedBy = "Gundamage";
    spare(9);
    addInGroup("smoke", 10, 1, K::Code, "smoke");
    spare(11);
  }
  for (int row = 161; row <= 164; ++row) add(rowLabel(row), row, 1, K::Raw, byteEditor);
  add("Code", 165, 4, K::Text, "Text5");
  return fields;
}

const std::vector<Field>& table() {
  static const std::vector<Field> fields = makeFields();
  return fields;
}

double stepsPerUnit(Unit unit) {
  switch (unit) {
    case Unit::Speed:
      return kSpeedStepsPerMph;
    case Unit::Length:
      return kLengthStepsPerFoot;
    case Unit::Range:
      return kRangeStepsPerMile;
    case Unit::Weight:
      return kWeightStepsPerPound;
    case Unit::None:
      break;
  }
  return 1.0;
}

double metricPerUnit(Unit unit) {
  switch (unit) {
    case Unit::Speed:
    case Unit::Range:
      return kKmPerMile;
    case Unit::Length:
      return kMetresPerFoot;
    case Unit::Weight:
      return kKgPerPound;
    case Unit::None:
      break;
  }
  return 1.0;
}

}  // namespace

std::string_view unitName(Unit unit) {
  switch (unit) {
    case Unit::Speed:
      return "mph";
    case Unit::Length:
      return "ft";
    case Unit::Range:
      return "miles";
    case Unit::Weight:
      return "lb";
    case Unit::None:
      break;
  }
  return {};
}

std::string_view metricUnitName(Unit unit) {
  switch (unit) {
    case Unit::Speed:
      return "km/h";
    case Unit::Length:
      return "m";
    case Unit::Range:
      return "km";
    case Unit::Weight:
      return "kg";
    case Unit::None:
      break;
  }
  return {};
}

double toPlayerUnit(Unit unit, double stored) {
  return stored / stepsPerUnit(unit);
}

double fromPlayerUnit(Unit unit, double value) {
  return value * stepsPerUnit(unit);
}

double toMetric(Unit unit, double stored) {
  return toPlayerUnit(unit, stored) * metricPerUnit(unit);
}

double fromMetric(Unit unit, double metric) {
  return fromPlayerUnit(unit, metric / metricPerUnit(unit));
}

double metricShown(Unit unit, double stored) {
  // The order of the operations is the window's, so that the figures agree to the last digit.
  switch (unit) {
    case Unit::Speed:
      // Hundredths of a mph times km per mile are hundredths of a km/h.
      return intPart(stored * kKmPerMile) * (1.0 / kSpeedStepsPerMph);
    case Unit::Length:
      return intPart(toPlayerUnit(unit, stored) * (kMetresPerFoot * 10.0)) / 10.0;
    case Unit::Range:
      return intPart(toPlayerUnit(unit, stored) * kKmPerMile);
    case Unit::Weight:
      return intPart(toPlayerUnit(unit, stored) * kKgPerPound);
    case Unit::None:
      break;
  }
  return stored;
}

std::string unitCaption(Unit unit, double stored) {
  switch (unit) {
    case Unit::Speed:
      return signPadded(metricShown(unit, stored)) + " kph";
    case Unit::Length:
      return signPadded(toPlayerUnit(unit, stored)) + "ft/" +
             signPadded(metricShown(unit, stored)) + "m";
    case Unit::Range:
      return signPadded(intPart(toPlayerUnit(unit, stored))) + " Miles /" +
             signPadded(metricShown(unit, stored)) + "Km";
    case Unit::Weight:
      return signPadded(metricShown(unit, stored)) + " Kg";
    case Unit::None:
      break;
  }
  return {};
}

double Field::highest() const {
  double high = 1.0;
  for (int k = 0; k < bytes; ++k) high *= 256.0;
  return high - 1.0;
}

const std::vector<Field>& allFields() {
  return table();
}

const Field& fieldOfRow(int row) {
  static const std::array<int, kRecordBytes + 1> index = [] {
    std::array<int, kRecordBytes + 1> out{};
    const std::vector<Field>& fields = table();
    for (std::size_t f = 0; f < fields.size(); ++f) {
      for (int k = 0; k < fields[f].bytes; ++k) out[fields[f].firstRow + k] = static_cast<int>(f);
    }
    return out;
  }();
  if (row < 1 || row > kRecordBytes) row = 1;
  return table()[static_cast<std::size_t>(index[row])];
}

const Field* fieldOfBox(std::string_view box, int gunGroup) {
  if (box.empty()) return nullptr;
  for (const Field& field : table()) {
    if (field.box == box && field.gunGroup == (field.gunGroup == 0 ? 0 : gunGroup)) return &field;
  }
  return nullptr;
}

bool typedRow(std::string_view box, int gunGroup, int row) {
  if (box.empty() || row < 1 || row > kRecordBytes) return false;
  const Field& field = fieldOfRow(row);
  if (field.gunGroup != 0 && field.gunGroup != gunGroup) return false;
  return (field.typedIn && field.box == box) || field.alsoTypedBy == box;
}

std::uint64_t fieldValue(const Field& field, const RecordBytes& bytes) {
  std::uint64_t value = 0;
  for (int k = field.bytes - 1; k >= 0; --k) {
    value = value * 256 + bytes[static_cast<std::size_t>(field.firstRow - 1 + k)];
  }
  return value;
}

std::string fieldValueText(const Field& field, const RecordBytes& bytes) {
  if (field.kind == Field::Kind::Text) {
    std::string text;
    for (int k = 0; k < field.bytes; ++k) {
      appendUtf8(text, charFromByte(bytes[static_cast<std::size_t>(field.firstRow - 1 + k)]));
    }
    return text;
  }
  return std::to_string(fieldValue(field, bytes));
}

std::string playerText(const Field& field, const RecordBytes& bytes) {
  if (field.kind == Field::Kind::Text) return fieldValueText(field, bytes);
  return playerText(field, fieldValue(field, bytes));
}

std::string playerText(const Field& field, std::uint64_t value) {
  std::string text = std::to_string(value);
  if (field.kind == Field::Kind::Flags) {
    std::string names;
    for (const int bit : setBits(field, value)) {
      names += (names.empty() ? "" : ", ") + bitName(field, bit);
    }
    return text + " (" + (names.empty() ? "none" : names) + ")";
  }
  if (field.unit == Unit::None) return text;
  const auto stored = static_cast<double>(value);
  return numberToText(toPlayerUnit(field.unit, stored)) + " " + std::string(unitName(field.unit)) +
         " (" + numberToText(metricShown(field.unit, stored)) + " " +
         std::string(metricUnitName(field.unit)) + ")";
}

std::vector<int> setBits(const Field& field, std::uint64_t value) {
  std::vector<int> bits;
  for (int bit = 0; bit < 8 * field.bytes; ++bit) {
    if (value & (std::uint64_t{1} << bit)) bits.push_back(bit);
  }
  return bits;
}

std::string bitName(const Field& field, int bit) {
  const auto i = static_cast<std::size_t>(bit);
  if (bit >= 0 && i < field.bitNames.size() && !field.bitNames[i].empty()) {
    return field.bitNames[i];
  }
  return "bit " + std::to_string(bit);
}

std::string fieldKey(const Field& field) {
  std::string key;
  bool gap = false;
  for (const char c : field.name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    const bool upper = c >= 'A' && c <= 'Z';
    if (letter || upper) {
      if (gap && !key.empty()) key += '_';
      key += upper ? static_cast<char>(c - 'A' + 'a') : c;
      gap = false;
    } else {
      gap = true;
    }
  }
  return key;
}

std::vector<FieldChange> changedFields(const RecordBytes& before, const RecordBytes& after,
                                       int firstRow) {
  std::vector<FieldChange> changes;
  for (int row = std::max(firstRow, 1); row <= kRecordBytes;) {
    const Field& field = fieldOfRow(row);
    bool differs = false;
    for (int k = 0; k < field.bytes; ++k) {
      const auto i = static_cast<std::size_t>(field.firstRow - 1 + k);
      differs = differs || before[i] != after[i];
    }
    if (differs) {
      changes.push_back({&field, fieldValueText(field, before), fieldValueText(field, after)});
    }
    row = field.firstRow + field.bytes;
  }
  return changes;
}

}  // namespace tolvane::record
