// Year, crew and the four-character code.
#pragma once

#include <QObject>

#include "editors/window_controls.h"
#include "editors/window_state.h"

namespace tolvane::editors {

class IdentityEditor : public QObject {
  Q_OBJECT
 public:
  IdentityEditor(const WindowControls& controls, WindowState& state);

  // Code: Enter in Text5 writes its four characters into bytes 165 to 168. Returns false,
  // writing nothing, when the box does not hold four characters of the game's character set
  // (the user is told about a character the set cannot hold).
  bool commitCode();
  // Marks the year, crew and code boxes by what their cells hold now, also a box whose text a
  // fill left as it was.
  void refreshMarks();

 private:
  // Year: bytes 9 (low) and 10 (high) from the number in Text8.
  void writeYear();
  // Crew: Text7's text as it stands into the value cell of byte 11, and byte 12 cleared: the
  // crew typed is the whole crew.
  void writeCrew();
  // Marks the code box red, with the reason, while its text is not four characters of the
  // game's character set.
  void markCode();

  const WindowControls& c_;
  WindowState& state_;
};

}  // namespace tolvane::editors
