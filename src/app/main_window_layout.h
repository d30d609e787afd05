// Creates every control of the main window at its fixed place.
#pragma once

#include <QRect>
#include <QSize>
#include <vector>

#include "editors/window_controls.h"

class QWidget;

namespace tolvane::app {

// Twips to pixels at 96 dots per inch (15 twips a pixel); Qt scales for high-dpi screens.
int twips(int value);

// Creates all controls as children of the window, with their names, captions and start-up
// visibility, and returns pointers to them.
editors::WindowControls createControls(QWidget* window);

// Where a window larger than its default size puts the extra room: the byte grid grows sideways
// and takes half the extra height, the aircraft list the other half; what lies right of the grid
// moves right with it, what lies below it moves down. At the default size every control is at
// its default place. The places are taken once, when the controls are new.
class ExtraRoom {
 public:
  explicit ExtraRoom(const editors::WindowControls& controls);
  // Places the controls for a window `extra` larger than its default size (negative parts
  // count as none).
  void apply(QSize extra) const;

 private:
  enum Move { Stay = 0, Right = 1, Wider = 2, Down = 4, TallerTop = 8, TallerBottom = 16 };
  struct Place {
    QWidget* widget;
    QRect rect;
    int moves;
  };
  std::vector<Place> places_;
};

}  // namespace tolvane::app
