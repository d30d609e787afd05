// The record's bytes grouped into the fields a player knows. This table is the one place that
// says what each byte is: the field's name as the window gives it, its rows, its kind, its unit
// with the conversions to metric units, and the box of the window that writes it. Captions,
// refusal messages, the changed-by-another-program question and the editors read it from here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record/layout.h"

namespace tolvane::record {

// The units of the figures, with the factors the window has always converted them by. The
// stored numbers are steps of a unit: hundredths of a mile per hour, twenty-firsts of a foot,
// 132000ths of a mile, pounds.
enum class Unit {
  None,
  Speed,   // stored in 1/100 mph; metric km/h
  Length,  // stored in 1/21 ft; metric m
  Range,   // stored in 1/132000 mile; metric km
  Weight,  // stored in lb; metric kg
};

constexpr double kKmPerMile = 1.6093;
constexpr double kMetresPerFoot = 0.3048;
constexpr double kKgPerPound = 0.4536;

constexpr double kSpeedStepsPerMph = 100.0;
constexpr double kLengthStepsPerFoot = 21.0;
constexpr double kRangeStepsPerMile = 132000.0;
constexpr double kWeightStepsPerPound = 1.0;

// Conversions between the imperial units and their metric ones, both ways.
constexpr double mphToKmh(double mph) {
  return mph * kKmPerMile;
}
constexpr double kmhToMph(double kmh) {
  return kmh / kKmPerMile;
}
constexpr double milesToKm(double miles) {
  return miles * kKmPerMile;
}
constexpr double kmToMiles(double km) {
  return km / kKmPerMile;
}
constexpr double feetToMetres(double feet) {
  return feet * kMetresPerFoot;
}
constexpr double metresToFeet(double metres) {
  return metres / kMetresPerFoot;
}
constexpr double poundsToKg(double pounds) {
  return pounds * kKgPerPound;
}
constexpr double kgToPounds(double kg) {
  return kg / kKgPerPound;
}

// The player's unit ("mph", "ft", "miles", "lb") and its metric one ("km/h", "m", "km", "kg");
// empty for Unit::None.
std::string_view unitName(Unit unit);
std::string_view metricUnitName(Unit unit);
// A stored number in the player's unit and back (Unit::None: the number itself).
double toPlayerUnit(Unit unit, double stored);
double fromPlayerUnit(Unit unit, double value);
// A stored number in the metric unit and back (Unit::None: the number itself).
double toMetric(Unit unit, double stored);
double fromMetric(Unit unit, double metric);
// The metric figure as the window shows it: km/h cut down to hundredths, metres to tenths,
// km and kg to whole numbers (cut, never rounded up).
double metricShown(Unit unit, double stored);

// The window's unit captions of a stored number, sign-padded as the boxes are:
//   Speed  36000    -> " 579.34 kph"
//   Length 2100     -> " 100ft/ 30.4m"
//   Range  66000000 -> " 500 Miles / 804Km"   (both cut to whole numbers)
//   Weight 7000     -> " 3175 Kg"
// Unit::None gives an empty text.
std::string unitCaption(Unit unit, double stored);

// The name of the in-place byte editor of the grid, the "box" of the bytes typed in the grid.
constexpr std::string_view kByteEditorBox = "Text4";

struct Field {
  enum class Kind {
    Flags,   // one byte of flag bits
    Number,  // unsigned little-endian over `bytes` bytes: 8, 16 or 32 bits
    Text,    // characters, one a byte (the four-letter code)
    Code,    // a number that picks one of a few choices (gun position, sound, smoke)
    Raw,     // a byte the editor does not interpret
  };
  std::string name;
  int firstRow = 0;  // record byte 1..168
  int bytes = 1;
  Kind kind = Kind::Raw;
  Unit unit = Unit::None;
  // The objectName of the control that writes the field: a box ("Text3(3)", "Text8"), a
  // caption that its option buttons set ("Label3"), a check box ("smoke"), the name of an
  // array of check boxes ("Check1" for Check1(0) to Check1(7)), or kByteEditorBox. Empty for a
  // byte that no control writes. A gun group's field names the control of the group panel,
  // which writes it while its group (gunGroup) is chosen.
  std::string box;
  int gunGroup = 0;  // 1..6 for the fields of a gun group, else 0
  // Whether the box writes the field on every change of its text, so that a run of typing in
  // it is one edit.
  bool typedIn = false;
  // A typed box that writes this field along with its own: the damage box, whose standard
  // values choose a gun type and with it the type's sound.
  std::string alsoTypedBy;
  // Flags: the names of bits 0 to 7 as the player knows them, the captions of the window's
  // check boxes ("Fighter", "Light Armour"); empty for a bit that has no box.
  std::vector<std::string> bitNames;

  bool holds(int row) const { return row >= firstRow && row < firstRow + bytes; }
  int lastRow() const { return firstRow + bytes - 1; }
  // The largest value the field takes.
  double highest() const;
  // Whether the player types this byte in the grid's byte editor rather than in a box.
  bool editedInGrid() const { return box == kByteEditorBox; }
};

// Every field, in the order of their rows.
const std::vector<Field>& allFields();

// The field that a record byte (1..168) belongs to; every byte belongs to exactly one.
const Field& fieldOfRow(int row);

// The field that a control writes; for the gun-group panel's controls, in the given group.
// Null when the control writes no field. A field's own box is found, not a box that writes it
// along with another (alsoTypedBy).
const Field* fieldOfBox(std::string_view box, int gunGroup = 0);

// Whether typing in the box named `box` writes the row, with gun group `gunGroup` chosen (0:
// none): the rows of its own field when it writes on every change, and of fields it writes
// along with that.
bool typedRow(std::string_view box, int gunGroup, int row);

using RecordBytes = std::array<std::uint8_t, kRecordBytes>;  // as in record_file.h

// The field's stored number (little-endian over its bytes); for a Text field the bytes read the
// same way.
std::uint64_t fieldValue(const Field& field, const RecordBytes& bytes);

// The field's value in a record as a plain text: the stored number, or the code's characters
// (UTF-8). The changed-by-another-program question lists these ("Year: 1942 → 1952").
std::string fieldValueText(const Field& field, const RecordBytes& bytes);

// The field's value in the player's terms, for a command line and a compare view:
//   a figure with a unit:  "<player value> <unit> (<metric value> <metric unit>)"
//       "390.22 mph (627.98 km/h)", "100 ft (30.4 m)", "500 miles (804 km)", "7000 lb (3175 kg)"
//     The player's value is exact (up to 15 significant digits: "47.6190476190476 ft (14.5 m)"),
//     so the text alone gives back the stored number; the metric value is the one the window's
//     caption shows, so the two never disagree.
//   flags:                 the names of the bits set, "53 (Fighter, Flyable, Twin engined,
//                          Four engined)", "0 (none)"
//   the code:              its four characters as they are, "B24D"
//   anything else:         the stored number, "1942"
std::string playerText(const Field& field, const RecordBytes& bytes);
// The same for a stored number of a field without Text kind.
std::string playerText(const Field& field, std::uint64_t value);

// The bits (0 to 7) set in a flag field's value, from the lowest up.
std::vector<int> setBits(const Field& field, std::uint64_t value);
// A flag bit's name: its check box's caption, or "bit 6" for a bit that has no box.
std::string bitName(const Field& field, int bit);

// The field's name as a stable key of lower-case letters, digits and underscores, for
// machine-readable output: "max_speed", "gun_group_1_number", "flags_byte_5".
std::string fieldKey(const Field& field);

// A field whose bytes differ between two versions of a record, with its value in each as
// fieldValueText gives it. The changed-by-another-program question (the document's bytes
// before, the file's after), a script's preview and a comparison of two records list these.
struct FieldChange {
  const Field* field = nullptr;
  std::string before;
  std::string after;
};

// The fields whose bytes differ between two versions of a record, in record order. Rows
// before firstRow are left out (a script holds no byte 1).
std::vector<FieldChange> changedFields(const RecordBytes& before, const RecordBytes& after,
                                       int firstRow = 1);

}  // namespace tolvane::record
