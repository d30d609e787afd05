// The game's 8-bit character set: Windows-1252, with its five unassigned codes (129, 141,
// 143, 144, 157) taken as the C1 control characters of the same number, so that every byte
// 0..255 maps to exactly one character and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tolvane::record {

// The Unicode code point of byte b.
char32_t charFromByte(std::uint8_t b);

// The byte of a Unicode code point, or nothing when the set has no such character.
std::optional<std::uint8_t> byteFromChar(char32_t c);

// Appends a code point to a UTF-8 string.
void appendUtf8(std::string& out, char32_t c);

}  // namespace tolvane::record
