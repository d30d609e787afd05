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

 private:
  const editors::WindowControls& c_;
  editors::WindowState& state_;
};

}  // namespace tolvane::script
