#include "script/script_writer.h"

#include <QDir>
#include <filesystem>
#include <system_error>

#include "record/charset.h"
#include "record/file_system.h"
#include "script/native_path.h"

namespace tolvane::script {
namespace {

const QByteArray kLineEnd("\r\n");

// How a character is named in a message: itself (when it can be shown) and its code point.
QString describe(char32_t c) {
  const QString code =
      QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
  const bool printable = c > 0x20 && !(c >= 0x7F && c < 0xA0) && c != 0xFFFD;
  if (!printable) return code;
  return QStringLiteral("\"%1\" (%2)").arg(QString::fromUcs4(&c, 1), code);
}

// Appends text in Windows-1252; on a character the set cannot hold, returns a message naming
// the character and where it was typed, and appends nothing more.
QString appendEncoded(QByteArray& out, const QString& text, const QString& where) {
  for (const char32_t c : text.toUcs4()) {
    const auto byte = record::byteFromChar(c);
    if (!byte) {
      return QStringLiteral(
                 "The character %1 in %2 cannot be written in a script: the "
                 "script's character set (Windows-1252) has no such character. "
                 "Nothing was written.")
          .arg(describe(c), where);
    }
    out.append(static_cast<char>(*byte));
  }
  return {};
}

// A one-line item followed by its line end; a line break inside it would shift every line
// after it, so it is refused.
QString appendLine(QByteArray& out, const QString& text, const QString& where) {
  if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
    return QStringLiteral(
               "%1 holds a line break, which would move every following line of "
               "the script. Nothing was written.")
        .arg(where.left(1).toUpper() + where.mid(1));
  }
  const QString error = appendEncoded(out, text, where);
  if (error.isEmpty()) out.append(kLineEnd);
  return error;
}

// The first n characters (code points, so that no pair of surrogates is cut in two).
QString firstCharacters(const QString& text, int n) {
  const QList<uint> codes = text.toUcs4();
  if (codes.size() <= n) return text;
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), n);
}

#ifdef Q_OS_WIN
bool reservedWindowsName(const QString& name) {
  const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
  static const QStringList kDevices = {"CON", "PRN", "AUX", "NUL"};
  if (kDevices.contains(stem)) return true;
  return stem.size() == 4 && (stem.startsWith("COM") || stem.startsWith("LPT")) &&
         stem[3] >= QLatin1Char('1') && stem[3] <= QLatin1Char('9');
}
#endif

// What makes a name unusable as one plain name on this platform, or empty.
QString nameCharacterProblem(const QString& name) {
  for (const QChar c : name) {
    if (c == QLatin1Char('/') || c == QDir::separator()) {
      return QStringLiteral(
                 "it holds the folder separator \"%1\"; give a plain name, the "
                 "parent folder is chosen in the folder list")
          .arg(c);
    }
    if (c.unicode() == 0) return QStringLiteral("it holds a NUL character");
    if (c.isSurrogate() && hasUnpairedSurrogate(name)) {
      return QStringLiteral("it holds an unpaired surrogate (%1), which is no character")
          .arg(describe(c.unicode()));
    }
#ifdef Q_OS_WIN
    if (c.unicode() < 32 || QStringLiteral("<>:\"|?*").contains(c)) {
      return QStringLiteral("it holds the character %1, which Windows does not allow in names")
          .arg(describe(c.unicode()));
    }
#endif
  }
#ifdef Q_OS_WIN
  if (name.endsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char('.'))) {
    return QStringLiteral("Windows drops a blank or a dot at the end of a name");
  }
  if (reservedWindowsName(name)) {
    return QStringLiteral("Windows reserves that name for a device");
  }
#endif
  return {};
}

QString joined(const QString& folder, const QString& name) {
  return QDir::toNativeSeparators(folder) + QDir::separator() + name;
}

QString systemReason(const std::error_code& error) {
  return QString::fromStdString(error.message());
}

// Writes the bytes to a new hidden file beside the target, flushes it to disk and gives it the
// target's name; Existing::Keep never replaces a file of that name, also not one that
// appeared a moment ago. Returns the error of the step that failed; the temporary file never
// stays.
std::error_code writeThroughTemporary(const std::filesystem::path& folder,
                                      const std::filesystem::path& target, const QByteArray& bytes,
                                      Existing existing) {
  namespace files = record::files;
  // A script replaced keeps the permissions of the one it replaces; a new one gets the
  // usual 0666 less the umask.
  files::Status old;
  const bool replacing = !files::statusOfName(target, &old) && old.regular;
  files::File file;
  std::filesystem::path temporary;
  if (const std::error_code error =
          files::createTemporaryBeside(target, ".tmp", 0666, &file, &temporary)) {
    return error;
  }
  auto fail = [&temporary](const std::error_code& error) {
    files::removeFile(temporary);
    return error;
  };
  if (replacing && existing == Existing::Replace) files::setPermissions(file, old.permissions);
  if (const std::error_code error =
          files::writeAll(file, bytes.constData(), static_cast<std::size_t>(bytes.size()))) {
    return fail(error);
  }
  if (const std::error_code error = files::flush(file)) return fail(error);
  if (const std::error_code error = file.close()) return fail(error);
  const std::error_code moved = existing == Existing::Keep
                                    ? files::renameWithoutReplacing(temporary, target)
                                    : files::renameReplacing(temporary, target);
  if (moved) return fail(moved);
  // The new name itself reaches the disk with the folder's entry; the script is written
  // either way.
  files::syncFolder(folder);
  return {};
}

}  // namespace

QString nameLine(const QString& pnames) {
  const QString cut = firstCharacters(pnames, kNameLineWidth);
  return cut + QString(kNameLineWidth - static_cast<int>(cut.toUcs4().size()), QLatin1Char(' '));
}

QString pastNameLine(const QString& pnames) {
  const QList<uint> codes = pnames.toUcs4();
  if (codes.size() <= kNameLineWidth) return {};
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()) + kNameLineWidth,
                           codes.size() - kNameLineWidth);
}

BuiltScript buildScript(const ScriptTexts& texts) {
  BuiltScript built;
  QByteArray& out = built.bytes;
  auto fail = [&built](const QString& error) {
    built.bytes.clear();
    built.error = error;
    return built;
  };

  QString error = appendLine(out, nameLine(texts.pnames), QStringLiteral("\"Pnames string name\""));
  if (!error.isEmpty()) return fail(error);
  error = appendLine(out, texts.slot, QStringLiteral("the slot number"));
  if (!error.isEmpty()) return fail(error);
  for (int i = 0; i < kScriptValueLines; ++i) {
    const QString cell = i < texts.values.size() ? texts.values[i] : QString();
    error = appendLine(out, cell,
                       QStringLiteral("the grid's value of byte %1").arg(i + kFirstScriptRow));
    if (!error.isEmpty()) return fail(error);
  }

  // Each line of the description ends in CR LF, whatever break the text used (a pasted text
  // may bring CR or the Unicode line and paragraph separators).
  QString description = texts.description;
  description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  description.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  description.replace(QChar::LineSeparator, QLatin1Char('\n'));
  description.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  for (const QString& line : description.split(QLatin1Char('\n'))) {
    error = appendLine(out, line, QStringLiteral("\"Description\""));
    if (!error.isEmpty()) return fail(error);
  }
  return built;
}

QString folderNameProblem(const QString& name) {
  if (name == QLatin1String(".") || name == QLatin1String("..")) {
    return QStringLiteral("\"%1\" names no new folder inside the parent folder").arg(name);
  }
  return nameCharacterProblem(name);
}

QString fileNameProblem(const QString& name) {
  return nameCharacterProblem(name);
}

QString scriptFolder(const QString& parent, const QString& folderName) {
  return joined(parent, folderName);
}

QString scriptFile(const QString& folder, const QString& aircraftName) {
  return joined(folder, aircraftName + QStringLiteral(".oaw"));
}

WriteResult writeScript(const QString& parent, const QString& folderName,
                        const QString& aircraftName, const QByteArray& bytes, Existing existing) {
  WriteResult result;
  const QString folder = scriptFolder(parent, folderName);
  result.path = scriptFile(folder, aircraftName);
  const QString shownFolder = displayPath(QDir::toNativeSeparators(folder));
  const QString shownPath = displayPath(QDir::toNativeSeparators(result.path));

  if (const QString problem = folderNameProblem(folderName); !problem.isEmpty()) {
    result.error = QStringLiteral(
                       "The folder name \"%1\" in \"Save in folder\" cannot be used: "
                       "%2. Nothing was written.")
                       .arg(folderName, problem);
    return result;
  }
  if (const QString problem = fileNameProblem(aircraftName); !problem.isEmpty()) {
    result.error = QStringLiteral(
                       "The aircraft name \"%1\" cannot be used as a file name: %2. "
                       "Nothing was written.")
                       .arg(aircraftName, problem);
    return result;
  }

  // The paths go to the system as the bytes they stand for (see native_path.h), never
  // through Qt's file names, which would turn a byte that is not UTF-8 into another name.
  namespace files = record::files;
  const std::filesystem::path nativeFolder = pathFromText(folder);
  const std::filesystem::path nativeFile = pathFromText(result.path);

  // One level is made: the parent folder must already exist. An empty folder name is the
  // parent itself, which is never made here.
  files::Status st;
  if (!folderName.isEmpty() && !(!files::statusOfName(nativeFolder, &st) && st.directory)) {
    if (const std::error_code error = files::makeFolder(nativeFolder)) {
      QString reason = systemReason(error);
      if (!files::statusOfName(nativeFolder, &st, files::Links::NoFollow))
        reason = QStringLiteral("a file of that name is in the way (%1)").arg(reason);
      result.error = QStringLiteral("The folder \"%1\" cannot be made: %2. Nothing was written.")
                         .arg(shownFolder, reason);
      return result;
    }
  }

  if (!files::statusOfName(nativeFile, &st) && st.directory) {
    result.error = QStringLiteral(
                       "The script \"%1\" cannot be written: a folder of that name is in the "
                       "way. Nothing was written.")
                       .arg(shownPath);
    return result;
  }
  const auto taken = [&] { return !files::statusOfName(nativeFile, &st, files::Links::NoFollow); };
  if (existing == Existing::Keep && taken()) {
    result.existed = true;
    result.error =
        QStringLiteral("The script \"%1\" is already there. Nothing was written.").arg(shownPath);
    return result;
  }
  const std::error_code error = writeThroughTemporary(nativeFolder, nativeFile, bytes, existing);
  if (error == std::errc::file_exists && existing == Existing::Keep && taken()) {
    result.existed = true;
    result.error =
        QStringLiteral("The script \"%1\" is already there. Nothing was written.").arg(shownPath);
  } else if (error) {
    result.error = QStringLiteral("The script \"%1\" cannot be written: %2. Nothing was written.")
                       .arg(shownPath, systemReason(error));
  }
  return result;
}

}  // namespace tolvane::script
