#include "script/native_path.h"

#include <QFile>

#include "record/charset.h"

namespace tolvane::script {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at bytes[i], and its code point; 0 when the bytes
// there are not one (a stray continuation byte, a cut sequence, an overlong form, a
// surrogate or a value above U+10FFFF).
int utf8Sequence(const std::string& bytes, std::size_t i, char32_t& code) {
  const auto at = [&bytes](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char b0 = at(i);
  int length = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    code = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2;
    min = 0x80;
    code = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3;
    min = 0x800;
    code = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4;
    min = 0x10000;
    code = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + static_cast<std::size_t>(length) > bytes.size()) return 0;
  for (int k = 1; k < length; ++k) {
    const unsigned char b = at(i + static_cast<std::size_t>(k));
    if (!isContinuation(b)) return 0;
    code = (code << 6) | (b & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool isKeptByte(char16_t c) {
  return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

}  // namespace

QString textFromNative(const std::string& bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t code = 0;
    const int length = utf8Sequence(bytes, i, code);
    if (length == 0) {
      text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
      ++i;
      continue;
    }
    text += QString::fromUcs4(&code, 1);
    i += static_cast<std::size_t>(length);
  }
  return text;
}

QString textFromPath(const std::filesystem::path& path) {
  return textFromNative(path.native());
}

std::string nativeFromText(const QString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      record::appendUtf8(out, QChar::surrogateToUcs4(c, text[i + 1].unicode()));
      ++i;
    } else if (isKeptByte(c)) {
      out += static_cast<char>(c - kEscapeBase);
    } else if (QChar::isSurrogate(c)) {
      record::appendUtf8(out, 0xFFFD);
    } else {
      record::appendUtf8(out, c);
    }
  }
  return out;
}

std::filesystem::path pathFromText(const QString& text) {
  return std::filesystem::path(nativeFromText(text));
}

std::filesystem::path pathFromDialogText(const QString& text) {
  const std::filesystem::path asRead = pathFromText(text);
  if (!text.contains(QChar::ReplacementCharacter)) return asRead;
  std::filesystem::path found = asRead.root_path();
  for (const std::filesystem::path& part : asRead.relative_path()) {
    const QString name = textFromPath(part);
    std::filesystem::path next = found / part;
    if (name.contains(QChar::ReplacementCharacter)) {
      int matches = 0;
      std::error_code ec;
      for (std::filesystem::directory_iterator it(found.empty() ? "." : found, ec), end;
           !ec && it != end; it.increment(ec)) {
        // A copy: filename() is a temporary, and its native() would not outlive it.
        const std::string bytes = it->path().filename().native();
        // Read as Qt reads a name, the way the dialog showed it.
        if (QFile::decodeName(QByteArray::fromStdString(bytes)) == name) {
          next = found / it->path().filename();
          ++matches;
        }
      }
      if (matches != 1) return asRead;
    }
    found = next;
  }
  return found;
}

QString displayPath(const QString& text) {
  QString shown = text;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    const char16_t c = shown[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < shown.size() && shown[i + 1].isLowSurrogate()) {
      ++i;
    } else if (QChar::isSurrogate(c)) {
      shown[i] = QChar::ReplacementCharacter;
    }
  }
  return shown;
}

bool hasUnpairedSurrogate(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;
    } else if (c.isSurrogate()) {
      return true;
    }
  }
  return false;
}

QStringList argumentTexts(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << textFromNative(argv[i]);
  return arguments;
}

}  // namespace tolvane::script
