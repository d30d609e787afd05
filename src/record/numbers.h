// The editor's number rules: how box and cell texts become numbers and back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane::record {

// Reads the leading number of a text the way every box of the editor does: leading blanks,
// tabs and line feeds are skipped, then the longest prefix of the form
//   [sign] digits [. digits] [(E|D) [sign] digits]
// is taken and the rest ignored. A text without a leading number reads as 0. Values too large
// for a double read as +/-infinity; nothing here has undefined behaviour, whatever the input.
double readNumber(std::string_view text);

// General decimal form with up to 15 significant digits, "." as the decimal point, no
// trailing zeros, no decimal point for whole numbers, a leading minus for negatives and an
// exponent ("1E+16") only where the plain form would need more than 15 digits. Non-finite
// values give "inf", "-inf" or "nan", texts that saving refuses.
std::string numberToText(double value);

// numberToText with one blank in front of a number that is not negative.
std::string signPadded(double value);

// The largest whole number not greater than x (floor).
double intPart(double x);

// Splits a value into four little-endian parts by successive division by 16777216, 65536
// and 256. For whole values 0..4294967295 each part is a byte; other values give parts that
// are not bytes (negative, fractional, above 255 or non-finite), and so cells that saving
// refuses.
std::array<double, 4> split32(double value);

// Splits a value into a low and a high part by division by 256.
std::array<double, 2> split16(double value);

// Reads a box's text as the one number it must be as a whole: blanks around it and a sign are
// allowed, an empty text (or blanks only) is 0, and anything else ("19x4", "12 600",
// "31,500", "four") is no number. Values too large for a double read as +/-infinity.
std::optional<double> wholeNumber(std::string_view text);

// Reads a value cell strictly, as saving does: the whole text, blanks around it allowed, must
// be one decimal number; it is rounded to the nearest whole number (ties to even) and must
// then lie in 0..255. Anything else gives nothing.
std::optional<std::uint8_t> cellByte(std::string_view text);

// Reads a position cell: the whole text, blanks around it allowed, must be a whole decimal
// number from 1 to 2147483647.
std::optional<std::int64_t> cellPosition(std::string_view text);

// Reads a text strictly as one whole number in [low, high] (blanks around it allowed).
std::optional<std::int64_t> wholeNumberIn(std::string_view text, std::int64_t low,
                                          std::int64_t high);

}  // namespace tolvane::record
