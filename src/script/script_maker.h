// The Script Maker panel: writes the open record as an aircraft script (".oaw").
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <utility>

#include "editors/window_controls.h"
#include "editors/window_state.h"

namespace tolvane::script {

class ScriptMaker : public QObject {
  Q_OBJECT
 public:
  ScriptMaker(const editors::WindowControls& controls, editors::WindowState& state,
              const QString& startFolder);

  // "Save Script": shows the panel with the slot of the loaded aircraft chosen in its list.
  // Pending edits are from now on saved only by "Save planes.dat", not by a pick or a close.
  void open();
  // "Save the script": writes the script and hides the panel. When it cannot be written the
  // user is told why and the panel stays open with its texts. Returns true when written.
  bool saveScript();
  // "Cancel" (or Escape in the panel): hides the panel; every typed text stays for the next
  // opening.
  void cancel();

  // The slot of the aircraft in the grid (-1 when none is loaded). When the slot chosen for
  // the script differs, saving asks first.
  void setOpenSlot(std::function<int()> openSlot) { openSlot_ = std::move(openSlot); }
  // The text that names a grid row's field and its value, for the message that refuses a
  // script over a value cell that is not a byte; without it the byte and its label are named.
  void setRefusalText(std::function<QString(int row)> refusalText) {
    refusalText_ = std::move(refusalText);
  }

 private:
  void onSlotSelectionChanged();
  void selectSlot(int slot);
  // What the script cannot be written without (an open aircraft, the aircraft name that
  // names its file, a slot), said to the user; empty when nothing is missing.
  QString missing() const;
  // The value lines: each cell as the save would store it, or an error naming the first
  // cell that the save would refuse.
  bool gatherValues(QStringList& values);
  // Asks before a name longer than the script's name line is cut; true to go on.
  bool confirmNameLine(const QString& pnames);
  // Asks whether the grid's record should go out under another slot; true to go on.
  bool confirmSlot(int chosen);
  // Writes the script, asking before a script of that name is replaced; true when written.
  bool write(const QByteArray& bytes);
  void showWhereItWent(const QString& path);
  // Hides the panel and gives the focus back to "Save Script".
  void close();

  const editors::WindowControls& c_;
  editors::WindowState& state_;
  std::function<int()> openSlot_;
  std::function<QString(int)> refusalText_;
  bool clearingSlot_ = false;  // the panel itself clears the slot list's choice
  // The pair (open slot, chosen slot) the user agreed to write since the panel was opened.
  std::pair<int, int> agreedSlots_{-1, -1};
};

}  // namespace tolvane::script
