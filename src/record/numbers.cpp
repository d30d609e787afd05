#include "record/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tolvane::record {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the number that starts at text[0] (after any skipping), 0 when there is none.
// A number needs at least one digit in its mantissa; an exponent marker is taken only when
// digits follow it (with or without a sign), otherwise the number ends before it.
std::size_t numberLength(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const std::size_t expStart = j;
    while (j < text.size() && isDigit(text[j])) ++j;
    if (j > expStart) i = j;
  }
  return i;
}

// Converts a text that numberLength accepted in full. The exponent marker D becomes E, a
// leading '+' is dropped (from_chars does not take it), and an out-of-range result becomes
// infinity (overflow) or zero (underflow) with its sign.
double convert(std::string_view number) {
  std::string buffer(number);
  bool negative = false;
  std::size_t start = 0;
  if (!buffer.empty() && (buffer[0] == '+' || buffer[0] == '-')) {
    negative = buffer[0] == '-';
    start = 1;
  }
  for (char& c : buffer) {
    if (c == 'D' || c == 'd') c = 'E';
  }
  double value = 0.0;
  const char* first = buffer.data() + start;
  const char* last = buffer.data() + buffer.size();
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Decide between overflow and underflow: a mantissa of only zeros is zero; otherwise
    // the exponent sign and size tell. from_chars leaves value untouched here.
    std::string_view mantissa(first, static_cast<std::size_t>(last - first));
    long long exponent = 0;
    const std::size_t e = mantissa.find_first_of("Ee");
    if (e != std::string_view::npos) {
      std::string_view exp = mantissa.substr(e + 1);
      bool expNegative = false;
      if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
        expNegative = exp[0] == '-';
        exp.remove_prefix(1);
      }
      for (char c : exp) {
        if (exponent < 1000000000) exponent = exponent * 10 + (c - '0');
      }
      if (expNegative) exponent = -exponent;
      mantissa = mantissa.substr(0, e);
    }
    // Position of the first significant digit relative to the decimal point.
    long long intDigits = 0;
    bool seenPoint = false;
    bool seenNonZero = false;
    long long leadingFractionZeros = 0;
    for (char c : mantissa) {
      if (c == '.') {
        seenPoint = true;
        continue;
      }
      if (!seenPoint) {
        if (seenNonZero || c != '0') ++intDigits;
        if (c != '0') seenNonZero = true;
      } else if (!seenNonZero) {
        if (c == '0')
          ++leadingFractionZeros;
        else
          seenNonZero = true;
      }
    }
    if (!seenNonZero) {
      value = 0.0;
    } else {
      const long long magnitude =
          intDigits > 0 ? intDigits + exponent : exponent - leadingFractionZeros;
      value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

double readNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  text.remove_prefix(i);
  const std::size_t length = numberLength(text);
  if (length == 0) return 0.0;
  const double value = convert(text.substr(0, length));
  return value == 0.0 ? 0.0 : value;  // no negative zero
}

std::string numberToText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  if (value == 0.0) return "0";
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::string signPadded(double value) {
  std::string text = numberToText(value);
  if (text.empty() || text[0] != '-') text.insert(text.begin(), ' ');
  return text;
}

double intPart(double x) {
  return std::floor(x);
}

std::array<double, 4> split32(double value) {
  const double b4 = intPart(value / 16777216.0);
  double rest = value - 16777216.0 * b4;
  const double b3 = intPart(rest / 65536.0);
  rest = rest - 65536.0 * b3;
  const double b2 = intPart(rest / 256.0);
  const double b1 = rest - 256.0 * b2;
  return {b1, b2, b3, b4};
}

std::array<double, 2> split16(double value) {
  const double high = intPart(value / 256.0);
  const double low = value - 256.0 * high;
  return {low, high};
}

std::optional<double> wholeNumber(std::string_view text) {
  text = trimBlanks(text);
  if (text.empty()) return 0.0;
  if (numberLength(text) != text.size()) return std::nullopt;
  const double value = convert(text);
  return value == 0.0 ? 0.0 : value;  // no negative zero
}

std::optional<std::uint8_t> cellByte(std::string_view text) {
  text = trimBlanks(text);
  if (text.empty() || numberLength(text) != text.size()) return std::nullopt;
  const double value = convert(text);
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);  // default rounding mode: ties to even
  if (!(rounded >= 0.0 && rounded <= 255.0)) return std::nullopt;
  return static_cast<std::uint8_t>(rounded);
}

std::optional<std::int64_t> wholeNumberIn(std::string_view text, std::int64_t low,
                                          std::int64_t high) {
  text = trimBlanks(text);
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::int64_t value = 0;
  const char* first = text.data();
  if (text.front() == '+') ++first;
  const auto result = std::from_chars(first, text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<std::int64_t> cellPosition(std::string_view text) {
  return wholeNumberIn(text, 1, std::numeric_limits<std::int32_t>::max());
}

}  // namespace tolvane::record
