// The record's bytes grouped into the fields a player knows, with the names the window gives
// them, so that messages speak of "Max speed" or "Year" and not of byte numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "record/layout.h"

namespace tolvane::record {

struct Field {
  enum class Kind {
    Number,  // unsigned little-endian over `bytes` bytes
    Flags,   // one flag byte
    Code,    // characters, one a byte
    Raw,     // one byte the editor does not interpret
  };
  std::string name;
  int firstRow = 0;  // record byte 1..168
  int bytes = 1;
  Kind kind = Kind::Raw;
  // Whether the player types this byte in the grid's byte editor rather than in a box.
  bool editedInGrid = false;

  bool holds(int row) const { return row >= firstRow && row < firstRow + bytes; }
  // The largest value the field takes.
  double highest() const;
};

// The field that a record byte (1..168) belongs to; every byte belongs to exactly one.
const Field& fieldOfRow(int row);

// The field's value in a record, as the player reads it: a number, or the code's characters
// (UTF-8).
std::string fieldValueText(const Field& field, const std::array<std::uint8_t, kRecordBytes>& bytes);

}  // namespace tolvane::record
