#include "script/script_maker.h"

#include "ui/controls.h"
#include "ui/dir_list.h"

namespace tolvane::script {

ScriptMaker::ScriptMaker(const editors::WindowControls& controls, editors::WindowState& state,
                         const QString& startFolder)
    : c_(controls), state_(state) {
  // The folder list starts at the current folder; the hidden Label18 follows its path.
  connect(c_.Dir1, &ui::DirList::pathChanged, c_.Label18, &ui::CaptionLabel::setCaption);
  c_.Dir1->setPath(startFolder);
  c_.Label18->setCaption(c_.Dir1->path());
}

}  // namespace tolvane::script
