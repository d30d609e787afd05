// The aircraft records as the command line prints them: a table of all aircraft, one aircraft
// field by field, the differences between two versions of a record, as text in the player's
// terms and as JSON. Names, units and keys come from the field table, so these agree with
// the window.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <array>
#include <string>
#include <vector>

#include "cli/json_writer.h"
#include "record/fields.h"
#include "record/record_file.h"

namespace tolvane::cli {

using record::RecordBytes;

// The aircraft's name as the list of aircraft shows it.
std::string aircraftName(int slot);

// One line per aircraft: slot, name, year, crew, max speed, gun groups, code, under a header.
std::string aircraftTable(const std::array<RecordBytes, record::kSlotCount>& records);

// One aircraft field by field: the record's rows, their raw bytes, the field's name and its
// value in the player's terms, under a line naming the aircraft and where it lies.
std::string recordText(int slot, const RecordBytes& bytes);

// A field of a record as JSON: key, name, rows, raw bytes, the stored value and the player's
// text, with the unit's figures, or the flag bits and their names, where the field has them.
QJsonObject fieldJson(const record::Field& field, const RecordBytes& bytes);
// A whole record as JSON: slot, aircraft, first file position and every field.
QJsonObject recordJson(int slot, const RecordBytes& bytes);
// The same objects written straight as text, byte for byte what QJsonDocument prints for
// fieldJson and recordJson (a test compares them); this is what `show --json` prints.
void writeFieldJson(JsonWriter& json, const record::Field& field, const RecordBytes& bytes);
void writeRecordJson(JsonWriter& json, int slot, const RecordBytes& bytes);

// The fields that differ between two versions of a record, from firstRow on, one line each:
// "  Max speed: 390.22 mph (627.98 km/h) → 400 mph (643.72 km/h)".
std::string changesText(const RecordBytes& before, const RecordBytes& after, int firstRow = 1);
// The same as a JSON array of {key, name, a, b}, where a and b are field objects.
QJsonArray changesJson(const RecordBytes& before, const RecordBytes& after, int firstRow = 1);

}  // namespace tolvane::cli
