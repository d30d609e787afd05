// The differences between two versions of a record in the player's terms: which fields differ,
// and a line for each ("Year 1943 → 1942", "Max speed 390.22 → 418.00 mph (628.0 → 672.7
// km/h)"), for the script preview and anything else that shows what a change would do.
#pragma once

#include <string>
#include <vector>

#include "record/fields.h"
#include "record/record_file.h"

namespace tolvane::record {

// The fields, in record order, whose bytes differ between two records, from row firstRow on.
std::vector<const Field*> differingFields(const RecordBytes& before, const RecordBytes& after,
                                          int firstRow = 1);

// A figure in the player's unit with two decimals and in the metric unit with one, as a
// change reads it: "390.22 mph (628.0 km/h)". A field without a unit gives its number.
std::string figureText(const Field& field, std::uint64_t stored);

// One line for a field that differs: its name, then the value before and after.
//   a figure with a unit:  "Max speed 390.22 → 418.00 mph (628.0 → 672.7 km/h)"
//   the code:              "Code P38H → P38X"
//   flags:                 "Flags (byte 8) bits 4 → bits 5" (the window names the boxes)
//   anything else:         "Year 1943 → 1942", "Tail damage 3 → 12"
std::string changeText(const Field& field, const RecordBytes& before, const RecordBytes& after);

}  // namespace tolvane::record
