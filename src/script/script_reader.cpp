#include "script/script_reader.h"

#include <QDir>
#include <QList>
#include <QStringDecoder>
#include <algorithm>
#include <string_view>

#include "record/charset.h"
#include "record/file_system.h"
#include "record/numbers.h"
#include "script/native_path.h"
#include "script/script_writer.h"

namespace tolvane::script {
namespace {

constexpr int kSlotLine = 2;
constexpr int kFirstValueLine = 3;
constexpr int kLastValueLine = kFirstValueLine + kScriptValueLines - 1;
// A line this long is not a value: messages show its start only.
constexpr int kShownCharacters = 60;

QString fromWindows1252(QByteArrayView bytes) {
  QString text;
  text.reserve(bytes.size());
  for (const char b : bytes) {
    const char32_t c = record::charFromByte(static_cast<std::uint8_t>(b));
    text += QChar(static_cast<char16_t>(c));  // every code point of the set is in the BMP
  }
  return text;
}

// A text the player typed: scripts are written in Windows-1252, but a text editor may have
// saved the script as UTF-8. A text that is valid UTF-8 and holds a byte above 127 is read as
// UTF-8 (a Windows-1252 text of letters with accents is almost never valid UTF-8); any other
// text as Windows-1252.
QString decodeText(QByteArrayView bytes) {
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char b) { return static_cast<unsigned char>(b) < 0x80; });
  if (!ascii) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
  }
  return fromWindows1252(bytes);
}

// The lines of the script, without their line ends. A line ends in LF; the CRs just before
// it belong to the line end too, so CR LF and the CR CR LF that some editors make of a
// CR LF file both end one line. A line end after the last line ends it; it does not start
// an empty line.
QList<QByteArrayView> splitLines(QByteArrayView bytes) {
  QList<QByteArrayView> lines;
  qsizetype start = 0;
  while (start < bytes.size()) {
    qsizetype end = bytes.indexOf('\n', start);
    if (end < 0) end = bytes.size();
    qsizetype length = end - start;
    while (length > 0 && bytes[start + length - 1] == '\r') --length;
    lines << bytes.sliced(start, length);
    start = end + 1;
  }
  return lines;
}

ParsedScript refuse(int line, const QString& text, const QString& why) {
  ParsedScript parsed;
  parsed.errorLine = line;
  parsed.errorText = text;
  QString shown = text;
  if (shown.size() > kShownCharacters) shown = shown.left(kShownCharacters) + QChar(0x2026);
  parsed.error = QStringLiteral("line %1: \"%2\" %3").arg(line).arg(shown, why);
  return parsed;
}

ParsedScript refuseFile(const QString& path, const QString& why) {
  ParsedScript parsed;
  parsed.error = QStringLiteral("The script \"%1\" cannot be read: %2.")
                     .arg(displayPath(QDir::toNativeSeparators(path)), why);
  return parsed;
}

}  // namespace

ParsedScript readScript(const QByteArray& bytes) {
  // The byte-order mark a text editor puts before a file it saves as UTF-8 is no part of
  // the name line.
  QByteArrayView text(bytes);
  if (text.startsWith("\xEF\xBB\xBF")) text = text.sliced(3);
  const QList<QByteArrayView> lines = splitLines(text);
  const int count = static_cast<int>(std::min<qsizetype>(lines.size(), kLastValueLine + 1));
  if (count < kLastValueLine) {
    const int missing = count + 1;
    ParsedScript parsed;
    parsed.errorLine = missing;
    parsed.error = QStringLiteral(
                       "line %1: missing: the script ends after %2 lines, and a script has a "
                       "name line, a slot line and %3 byte values (%4 lines) before its "
                       "description")
                       .arg(missing)
                       .arg(count)
                       .arg(kScriptValueLines)
                       .arg(kLastValueLine);
    return parsed;
  }

  ParsedScript parsed;
  // The game's name line takes 18 characters; blanks after them are padding and are dropped,
  // as the Script Maker drops them.
  parsed.pnames = decodeText(lines[0]);
  const QString pastTheLine = parsed.pnames.mid(kNameLineWidth);
  if (!pastTheLine.trimmed().isEmpty()) {
    return refuse(1, parsed.pnames,
                  QStringLiteral("is longer than a name line (%1 characters; at most %2)")
                      .arg(parsed.pnames.size())
                      .arg(kNameLineWidth));
  }
  parsed.pnames.truncate(kNameLineWidth);

  const QByteArrayView slotLine = lines[kSlotLine - 1];
  const auto slot = record::wholeNumberIn(
      std::string_view(slotLine.data(), static_cast<std::size_t>(slotLine.size())), 0, 29);
  if (!slot) {
    return refuse(kSlotLine, fromWindows1252(slotLine),
                  QStringLiteral("is not a slot (a whole number from 0 to 29)"));
  }
  parsed.slot = static_cast<int>(*slot);

  for (int line = kFirstValueLine; line <= kLastValueLine; ++line) {
    const QByteArrayView text = lines[line - 1];
    const auto byte =
        record::cellByte(std::string_view(text.data(), static_cast<std::size_t>(text.size())));
    if (!byte) {
      return refuse(line, fromWindows1252(text),
                    QStringLiteral("is not a byte (a whole number from 0 to 255)"));
    }
    parsed.values[static_cast<std::size_t>(line - kFirstValueLine)] = *byte;
  }

  // The description's lines, joined with LF and decoded as a whole, so that one UTF-8 letter
  // decides for all of it.
  QByteArray description;
  for (qsizetype i = kLastValueLine; i < lines.size(); ++i) {
    if (i > kLastValueLine) description += '\n';
    description += lines[i];
  }
  parsed.description = decodeText(description);
  return parsed;
}

ParsedScript readScriptFile(const QString& path) {
  const auto reason = [](const std::error_code& error) {
    return QString::fromStdString(error.message());
  };
  record::files::File file;
  if (const std::error_code error = record::files::openForReading(pathFromText(path), &file)) {
    return refuseFile(path, reason(error));
  }
  record::files::Status st;
  if (const std::error_code error = record::files::statusOf(file, &st)) {
    return refuseFile(path, reason(error));
  }
  if (st.directory) return refuseFile(path, QStringLiteral("it is a folder"));
  if (!st.regular) return refuseFile(path, QStringLiteral("it is not a plain file"));
  if (st.size > kMaxScriptBytes) {
    return refuseFile(path, QStringLiteral("it is %1 bytes long, and an aircraft script is a few "
                                           "kilobytes (at most %2 bytes are read)")
                                .arg(st.size)
                                .arg(kMaxScriptBytes));
  }

  // Read up to one byte past the limit, so that a file that grew since the check is still
  // refused rather than cut.
  QByteArray bytes(static_cast<qsizetype>(kMaxScriptBytes + 1), Qt::Uninitialized);
  qsizetype filled = 0;
  while (filled < bytes.size()) {
    std::size_t n = 0;
    if (const std::error_code error = record::files::readSome(
            file, bytes.data() + filled, static_cast<std::size_t>(bytes.size() - filled), &n)) {
      return refuseFile(path, reason(error));
    }
    if (n == 0) break;
    filled += static_cast<qsizetype>(n);
  }
  if (filled > kMaxScriptBytes) {
    return refuseFile(path, QStringLiteral("it is larger than %1 bytes, and an aircraft script "
                                           "is a few kilobytes")
                                .arg(kMaxScriptBytes));
  }
  bytes.truncate(filled);
  return readScript(bytes);
}

}  // namespace tolvane::script
