// Reads an aircraft script (".oaw") back: the name line, the slot and the 167 record bytes 2
// to 168, and the description, with the rules the writer writes them by. Nothing here
// touches the window.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace tolvane::script {

// Scripts are a few kilobytes; a larger file is not read.
constexpr qint64 kMaxScriptBytes = 1024 * 1024;

struct ParsedScript {
  QString pnames;  // line 1, at most 18 characters (the writer pads it to exactly 18)
  int slot = -1;   // line 2: 0..29
  std::array<std::uint8_t, 167> values{};  // lines 3..169: record bytes 2..168
  QString description;                     // the lines after, joined with "\n"; may be empty
  QString error;                           // why the script cannot be used; empty when it parsed
  int errorLine = 0;  // the line the error is about, counted from 1; 0 for a file error
  QString errorText;  // that line's text, as the script holds it
  bool ok() const { return error.isEmpty(); }
};

// Reads a script's bytes as the Script Maker writes them, or as a text editor leaves them:
// lines ending in CR LF, LF or CR CR LF, and a UTF-8 byte-order mark before the first line
// skipped. Line 1 is the name line (at most 18 characters; blanks after them are dropped),
// line 2 the slot (a whole number 0..29), lines 3 to 169 one byte each, read as the save
// reads a value cell (blanks around it allowed, rounded to the nearest whole number with ties
// to even, 0..255), and the rest is the description. The name line and the description are
// Windows-1252, or UTF-8 when they are valid UTF-8 with a character beyond ASCII. A script
// that does not read gives an error naming the line and its text.
ParsedScript readScript(const QByteArray& bytes);

// Reads a script file (a path as native_path.h keeps it); a file that cannot be read, is
// not a plain file or is larger than kMaxScriptBytes gives an error with the reason.
ParsedScript readScriptFile(const QString& path);

}  // namespace tolvane::script
