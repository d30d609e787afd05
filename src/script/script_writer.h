// Builds and writes the text of an aircraft script (".oaw"): a name line, the slot number,
// record bytes 2 to 168 one per line and a free description, in Windows-1252 with CR LF line
// ends. Nothing here touches the window; the Script Maker panel gathers the texts.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tolvane::script {

// The width of the script's first line.
constexpr int kNameLineWidth = 18;
// Record bytes 2 to 168 are written, one per line.
constexpr int kFirstScriptRow = 2;
constexpr int kScriptValueLines = 167;

struct ScriptTexts {
  QString pnames;       // first line, padded or cut to 18 characters
  QString slot;         // second line, as the panel holds it
  QStringList values;   // the value cells of grid rows 2 to 168, exactly as they stand
  QString description;  // the rest, with its own line breaks
};

struct BuiltScript {
  QByteArray bytes;
  QString error;  // why the texts cannot be written; empty when bytes holds the script
  bool ok() const { return error.isEmpty(); }
};

// Line 1: the text padded on the right with blanks, or cut, to exactly 18 characters.
QString nameLine(const QString& pnames);
// What nameLine cuts off: the text after its first 18 characters (empty when it has no more).
QString pastNameLine(const QString& pnames);

// The whole file. A character that Windows-1252 cannot hold, or a line break inside a
// one-line item, is refused with a message naming it; the description's line breaks
// (LF, CR LF, CR, U+2028, U+2029) all become CR LF.
BuiltScript buildScript(const ScriptTexts& texts);

// Why a name cannot be used as one plain name inside the chosen parent folder: a separator,
// a character the platform forbids in names, or (for the folder) "." or "..". Empty when the
// name is usable; an empty folder name is usable and means the parent itself.
QString folderNameProblem(const QString& name);
QString fileNameProblem(const QString& name);

// The folder that receives the script: the parent, the platform's separator, the name. An
// empty name is the parent folder itself.
QString scriptFolder(const QString& parent, const QString& folderName);
// The script's path inside that folder: folder, separator, aircraft name, ".oaw".
QString scriptFile(const QString& folder, const QString& aircraftName);

// What to do when a script of that name is already there.
enum class Existing { Keep, Replace };

struct WriteResult {
  QString path;          // the script's path (the parent as native_path.h keeps it)
  QString error;         // a message for the user; empty on success
  bool existed = false;  // Existing::Keep met a script of that name: nothing was written
  bool ok() const { return error.isEmpty(); }
};

// Checks the names, makes the folder (one level) unless it exists, and writes the bytes
// through a temporary file that takes the script's name only once it is complete, so that a
// failure leaves any earlier script as it was and no partial file behind. With
// Existing::Keep a file already there is never replaced, not even one that appears while
// the script is being written. The parent is a path as native_path.h keeps it, so a folder
// whose name is not UTF-8 is written into exactly.
WriteResult writeScript(const QString& parent, const QString& folderName,
                        const QString& aircraftName, const QByteArray& bytes,
                        Existing existing = Existing::Keep);

}  // namespace tolvane::script
