#include "script/script_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "record/charset.h"
#include "record/unique_fd.h"
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

QString systemReason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  auto left = static_cast<std::size_t>(bytes.size());
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Gives the temporary file the script's name. Keep: fails with EEXIST when a file of that
// name is there, also one that appeared a moment ago; where the file system cannot rename
// without replacing, a check just before the rename stands in.
int moveIntoPlace(const std::string& temporary, const std::string& target, Existing existing) {
  if (existing == Existing::Keep) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
      return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) return EEXIST;
  }
  return ::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
}

// Writes the bytes to a new file beside the target, flushes it to disk and renames it to the
// target. Returns 0 or the errno of the step that failed; the temporary file never stays.
int writeThroughTemporary(const std::string& folder, const std::string& target,
                          const QByteArray& bytes, Existing existing) {
  // A script replaced keeps the permissions of the one it replaces; a new one gets the
  // usual 0666 less the umask.
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x",
                  static_cast<unsigned>(QRandomGenerator::global()->generate()));
    temporary = target + suffix;
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  record::UniqueFd file(fd);
  auto fail = [&temporary](int error) {
    ::unlink(temporary.c_str());
    return error;
  };
  if (replacing && existing == Existing::Replace) ::fchmod(file.get(), old.st_mode & 07777);
  if (!writeAll(file.get(), bytes)) return fail(errno);
  if (::fsync(file.get()) != 0) return fail(errno);
  if (file.release() != 0) return fail(errno);
  if (const int error = moveIntoPlace(temporary, target, existing); error != 0) return fail(error);
  // The new name itself reaches the disk with the folder's entry.
  record::UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return 0;
}

}  // namespace

QString nameLine(const QString& pnames) {
  const QString cut = firstCharacters(pnames, kNameLineWidth);
  return cut + QString(kNameLineWidth - static_cast<int>(cut.toUcs4().size()), QLatin1Char(' '));
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
  const std::string nativeFolder = nativeFromText(folder);
  const std::string nativeFile = nativeFromText(result.path);

  // One level is made: the parent folder must already exist. An empty folder name is the
  // parent itself, which is never made here.
  struct stat st {};
  if (!folderName.isEmpty() && !(::stat(nativeFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
    if (::mkdir(nativeFolder.c_str(), 0777) != 0) {
      const int error = errno;
      QString reason = systemReason(error);
      if (::lstat(nativeFolder.c_str(), &st) == 0)
        reason = QStringLiteral("a file of that name is in the way (%1)").arg(reason);
      result.error = QStringLiteral("The folder \"%1\" cannot be made: %2. Nothing was written.")
                         .arg(shownFolder, reason);
      return result;
    }
  }

  if (::stat(nativeFile.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    result.error = QStringLiteral(
                       "The script \"%1\" cannot be written: a folder of that name is in the "
                       "way. Nothing was written.")
                       .arg(shownPath);
    return result;
  }
  if (existing == Existing::Keep && ::lstat(nativeFile.c_str(), &st) == 0) {
    result.existed = true;
    result.error =
        QStringLiteral("The script \"%1\" is already there. Nothing was written.").arg(shownPath);
    return result;
  }
  const int error = writeThroughTemporary(nativeFolder, nativeFile, bytes, existing);
  if (error == EEXIST && existing == Existing::Keep && ::lstat(nativeFile.c_str(), &st) == 0) {
    result.existed = true;
    result.error =
        QStringLiteral("The script \"%1\" is already there. Nothing was written.").arg(shownPath);
  } else if (error != 0) {
    result.error = QStringLiteral("The script \"%1\" cannot be written: %2. Nothing was written.")
                       .arg(shownPath, systemReason(error));
  }
  return result;
}

}  // namespace tolvane::script
