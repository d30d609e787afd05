#include "cli/json_writer.h"

#include <QByteArray>
#include <QLocale>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tolvane::cli {
namespace {

char hexDigit(unsigned value) {
  return static_cast<char>(value < 10 ? '0' + value : 'a' + value - 10);
}

bool isAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string jsonNumber(double number) {
  if (!std::isfinite(number)) return "null";
  // Whole numbers up to 2^53 are written out in full ("1000000000000000", not "1e+15"), as
  // Qt's JSON writer does; everything else in the shortest form.
  const double whole = std::abs(number);
  const bool full = whole <= 9007199254740992.0 && whole == std::floor(whole);
  // Most values of a record are whole: printed as the integer they are, without the way
  // through Qt's conversion. A negative zero keeps its sign, as Qt prints it.
  if (full && !(number == 0 && std::signbit(number))) {
    char digits[24];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(number)).ptr;
    return std::string(digits, end);
  }
  return QByteArray::number(number, full ? 'f' : 'g', QLocale::FloatingPointShortest).toStdString();
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (!level.empty) out_ += ',';
  out_ += '\n';
  level.empty = false;
  out_.append(4 * levels_.size(), ' ');
}

void JsonWriter::key(std::string_view key) {
  assert(!levels_.empty() && !afterKey_);
  Level& level = levels_.back();
#ifndef NDEBUG
  // QJsonObject keeps its keys sorted; printing them in another order would differ from it.
  assert(level.empty || level.lastKey < key);
  level.lastKey.assign(key);
#else
  (void)level;
#endif
  beforeValue();
  string(key);
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::beginObject() {
  beforeValue();
  out_ += '{';
  levels_.emplace_back();
}

void JsonWriter::beginArray() {
  beforeValue();
  out_ += '[';
  levels_.emplace_back();
}

void JsonWriter::end(char close) {
  assert(!levels_.empty() && !afterKey_);
  // Qt breaks the line after the opening bracket even when nothing follows it.
  levels_.pop_back();
  out_ += '\n';
  out_.append(4 * levels_.size(), ' ');
  out_ += close;
  if (levels_.empty()) out_ += '\n';
}

void JsonWriter::endObject() {
  end('}');
}

void JsonWriter::endArray() {
  end(']');
}

void JsonWriter::value(std::int64_t number) {
  beforeValue();
  char digits[24];
  out_.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

void JsonWriter::value(double number) {
  beforeValue();
  out_ += jsonNumber(number);
}

void JsonWriter::value(std::string_view utf8) {
  beforeValue();
  if (isAscii(utf8)) {
    string(utf8);
  } else {
    // The way through QString puts U+FFFD for bytes that are not UTF-8, as QJsonValue does
    // for a string made with QString::fromStdString.
    const QByteArray valid =
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUtf8();
    string(std::string_view(valid.constData(), static_cast<std::size_t>(valid.size())));
  }
}

void JsonWriter::value(const QString& text) {
  beforeValue();
  const QByteArray utf8 = text.toUtf8();
  string(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// A string of valid UTF-8 between quotes, with the escapes Qt writes: quote, backslash and the
// control characters below U+0020 (named where JSON names them, else \u00xx).
void JsonWriter::string(std::string_view utf8) {
  out_ += '"';
  std::size_t plain = 0;  // start of the run of characters written as they are
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\') continue;
    out_.append(utf8.data() + plain, i - plain);
    plain = i + 1;
    out_ += '\\';
    switch (c) {
      case '"':
        out_ += '"';
        break;
      case '\\':
        out_ += '\\';
        break;
      case '\b':
        out_ += 'b';
        break;
      case '\f':
        out_ += 'f';
        break;
      case '\n':
        out_ += 'n';
        break;
      case '\r':
        out_ += 'r';
        break;
      case '\t':
        out_ += 't';
        break;
      default: {
        const auto u = static_cast<unsigned char>(c);
        out_ += "u00";
        out_ += hexDigit(u >> 4);
        out_ += hexDigit(u & 0xf);
      }
    }
  }
  out_.append(utf8.data() + plain, utf8.size() - plain);
  out_ += '"';
}

}  // namespace tolvane::cli
