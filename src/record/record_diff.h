// A change of a field in the player's terms, one line each ("Year 1943 → 1942", "Max speed
// 390.22 → 418.00 mph (628.0 → 672.7 km/h)"), for the script preview and anything else that
// shows what a change would do. Which fields differ is changedFields in the field table.
#pragma once

#include <cstdint>
#include <string>

#include "record/fields.h"
#include "record/record_file.h"

namespace tolvane::record {

// A figure in the player's unit with two decimals and in the metric unit with one, as a
// change reads it: "390.22 mph (628.0 km/h)". A field without a unit gives its number.
std::string figureText(const Field& field, std::uint64_t stored);

// One line for a field that differs: its name, then the value before and after.
//   a figure with a unit:  "Max speed 390.22 → 418.00 mph (628.0 → 672.7 km/h)"
//   the code:              "Code P38H → P38X"
//   flags, by the names of the boxes that go off, then of those that come on:
//                          "Flags (byte 8) 19 → 35: Light Armour → Heavy armour"
//   anything else:         "Year 1943 → 1942", "Tail damage 3 → 12"
std::string changeText(const Field& field, const RecordBytes& before, const RecordBytes& after);

}  // namespace tolvane::record
