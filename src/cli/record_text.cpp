#include "cli/record_text.h"

#include <QJsonValue>
#include <QString>

#include "record/layout.h"

namespace tolvane::cli {
namespace {

using record::Field;

// The text padded with blanks on the right to `width` characters (of UTF-8 text).
std::string padded(const std::string& text, std::size_t width) {
  std::size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return characters >= width ? text + " " : text + std::string(width - characters, ' ');
}

std::string rowsText(const Field& field) {
  if (field.bytes == 1) return std::to_string(field.firstRow);
  return std::to_string(field.firstRow) + "-" + std::to_string(field.lastRow());
}

std::string rawText(const Field& field, const RecordBytes& bytes) {
  std::string text;
  for (int row = field.firstRow; row <= field.lastRow(); ++row) {
    if (!text.empty()) text += ' ';
    text += std::to_string(bytes[static_cast<std::size_t>(row - 1)]);
  }
  return text;
}

const Field& fieldAt(int row) {
  return record::fieldOfRow(row);
}

QString qText(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

std::string aircraftName(int slot) {
  return record::slotNames()[static_cast<std::size_t>(slot)];
}

std::string aircraftTable(const std::array<RecordBytes, record::kSlotCount>& records) {
  const Field& year = fieldAt(9);
  const Field& crew = fieldAt(11);
  const Field& maxSpeed = fieldAt(25);
  const Field& guns = fieldAt(85);
  const Field& code = fieldAt(165);
  std::string text = padded("Slot", 6) + padded("Aircraft", 14) + padded("Year", 6) +
                     padded("Crew", 6) + padded("Max speed", 28) + padded("Gun groups", 12) +
                     "Code\n";
  for (int slot = 0; slot < record::kSlotCount; ++slot) {
    const RecordBytes& bytes = records[static_cast<std::size_t>(slot)];
    text += padded(std::to_string(slot), 6) + padded(aircraftName(slot), 14) +
            padded(record::playerText(year, bytes), 6) +
            padded(record::playerText(crew, bytes), 6) +
            padded(record::playerText(maxSpeed, bytes), 28) +
            padded(record::playerText(guns, bytes), 12) + record::playerText(code, bytes) + "\n";
  }
  return text;
}

std::string recordText(int slot, const RecordBytes& bytes) {
  std::string text = aircraftName(slot) + ", slot " + std::to_string(slot) + ", file positions " +
                     std::to_string(record::bytePosition(slot, 1)) + " to " +
                     std::to_string(record::bytePosition(slot, record::kRecordBytes)) + "\n";
  text += padded("Bytes", 9) + padded("Raw", 17) + padded("Field", 26) + "Value\n";
  for (const Field& field : record::allFields()) {
    text += padded(rowsText(field), 9) + padded(rawText(field, bytes), 17) +
            padded(field.name, 26) + record::playerText(field, bytes) + "\n";
  }
  return text;
}

QJsonObject fieldJson(const Field& field, const RecordBytes& bytes) {
  QJsonObject object;
  object[QStringLiteral("key")] = qText(record::fieldKey(field));
  object[QStringLiteral("name")] = qText(field.name);
  object[QStringLiteral("first_row")] = field.firstRow;
  object[QStringLiteral("last_row")] = field.lastRow();
  QJsonArray raw;
  for (int row = field.firstRow; row <= field.lastRow(); ++row) {
    raw.append(bytes[static_cast<std::size_t>(row - 1)]);
  }
  object[QStringLiteral("raw")] = raw;
  const std::uint64_t value = record::fieldValue(field, bytes);
  if (field.kind == Field::Kind::Text) {
    object[QStringLiteral("value")] = qText(record::fieldValueText(field, bytes));
  } else {
    // At most 32 bits: a double holds it exactly.
    object[QStringLiteral("value")] = static_cast<double>(value);
  }
  object[QStringLiteral("text")] = qText(record::playerText(field, bytes));
  if (field.kind == Field::Kind::Flags) {
    // The bits set and, in the same order, their names as the window's check boxes give them.
    QJsonArray bits;
    QJsonArray names;
    for (const int bit : record::setBits(field, value)) {
      bits.append(bit);
      names.append(qText(record::bitName(field, bit)));
    }
    object[QStringLiteral("bits")] = bits;
    object[QStringLiteral("flags")] = names;
  }
  if (field.unit != record::Unit::None) {
    const auto stored = static_cast<double>(value);
    object[QStringLiteral("unit")] = qText(std::string(record::unitName(field.unit)));
    object[QStringLiteral("unit_value")] = record::toPlayerUnit(field.unit, stored);
    object[QStringLiteral("metric_unit")] = qText(std::string(record::metricUnitName(field.unit)));
    object[QStringLiteral("metric_value")] = record::metricShown(field.unit, stored);
  }
  return object;
}

void writeFieldJson(JsonWriter& json, const Field& field, const RecordBytes& bytes) {
  // The members in the order QJsonObject keeps them (sorted by key), so that the text equals
  // fieldJson's.
  const std::uint64_t value = record::fieldValue(field, bytes);
  json.beginObject();
  const bool flags = field.kind == Field::Kind::Flags;
  std::vector<int> bits;
  if (flags) {
    // The bits set and, in the same order, their names as the window's check boxes give them.
    bits = record::setBits(field, value);
    json.key("bits");
    json.beginArray();
    for (const int bit : bits) json.value(bit);
    json.endArray();
  }
  json.key("first_row");
  json.value(field.firstRow);
  if (flags) {
    json.key("flags");
    json.beginArray();
    for (const int bit : bits) json.value(std::string_view(record::bitName(field, bit)));
    json.endArray();
  }
  json.key("key");
  json.value(std::string_view(record::fieldKey(field)));
  json.key("last_row");
  json.value(field.lastRow());
  const bool unit = field.unit != record::Unit::None;
  const auto stored = static_cast<double>(value);
  if (unit) {
    json.key("metric_unit");
    json.value(std::string_view(record::metricUnitName(field.unit)));
    json.key("metric_value");
    json.value(record::metricShown(field.unit, stored));
  }
  json.key("name");
  json.value(std::string_view(field.name));
  json.key("raw");
  json.beginArray();
  for (int row = field.firstRow; row <= field.lastRow(); ++row) {
    json.value(static_cast<int>(bytes[static_cast<std::size_t>(row - 1)]));
  }
  json.endArray();
  json.key("text");
  json.value(std::string_view(record::playerText(field, bytes)));
  if (unit) {
    json.key("unit");
    json.value(std::string_view(record::unitName(field.unit)));
    json.key("unit_value");
    json.value(record::toPlayerUnit(field.unit, stored));
  }
  json.key("value");
  if (field.kind == Field::Kind::Text) {
    json.value(std::string_view(record::fieldValueText(field, bytes)));
  } else {
    json.value(stored);
  }
  json.endObject();
}

void writeRecordJson(JsonWriter& json, int slot, const RecordBytes& bytes) {
  json.beginObject();
  json.key("aircraft");
  json.value(std::string_view(aircraftName(slot)));
  json.key("fields");
  json.beginArray();
  for (const Field& field : record::allFields()) writeFieldJson(json, field, bytes);
  json.endArray();
  json.key("first_position");
  json.value(static_cast<double>(record::bytePosition(slot, 1)));
  json.key("slot");
  json.value(slot);
  json.endObject();
}

QJsonObject recordJson(int slot, const RecordBytes& bytes) {
  QJsonObject object;
  object[QStringLiteral("slot")] = slot;
  object[QStringLiteral("aircraft")] = qText(aircraftName(slot));
  object[QStringLiteral("first_position")] = static_cast<double>(record::bytePosition(slot, 1));
  QJsonArray fields;
  for (const Field& field : record::allFields()) fields.append(fieldJson(field, bytes));
  object[QStringLiteral("fields")] = fields;
  return object;
}

std::string changesText(const RecordBytes& before, const RecordBytes& after, int firstRow) {
  std::string text;
  for (const record::FieldChange& change : record::changedFields(before, after, firstRow)) {
    text += "  " + change.field->name + ": " + record::playerText(*change.field, before) +
            " \u2192 " + record::playerText(*change.field, after) + "\n";
  }
  return text;
}

QJsonArray changesJson(const RecordBytes& before, const RecordBytes& after, int firstRow) {
  QJsonArray changes;
  for (const record::FieldChange& change : record::changedFields(before, after, firstRow)) {
    QJsonObject object;
    object[QStringLiteral("key")] = qText(record::fieldKey(*change.field));
    object[QStringLiteral("name")] = qText(change.field->name);
    object[QStringLiteral("a")] = fieldJson(*change.field, before);
    object[QStringLiteral("b")] = fieldJson(*change.field, after);
    changes.append(object);
  }
  return changes;
}

}  // namespace tolvane::cli
