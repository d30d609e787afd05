// The Script Maker panel: writes the open record as an aircraft script (".oaw").
#pragma once

#include <QObject>
#include <QString>

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
  // "Cancel": hides the panel; every typed text stays for the next opening.
  void cancel();

 private:
  void onSlotSelectionChanged();
  void selectSlot(int slot);

  const editors::WindowControls& c_;
  editors::WindowState& state_;
};

}  // namespace tolvane::script
