// Making a hidden window's native window ahead of its showing, in steps. Qt gives a new native
// window its icon twice (as the window is made, and again from the widget), each time
// converting every size of the icon to the form the window system takes and sending it: for
// Tolvane's icon, a third of a megabyte of pixels each time. Here the window is made with the
// icon's smallest size; the icon's sizes are converted once, a step each, and kept for every
// window; then the window is given the whole icon once, with nothing left to convert.
#pragma once

#include <QIcon>

class QWidget;

namespace tolvane::ui {

// Makes the window's native window with the smallest size of its icon; returns the icon it
// had, for giveWindowIcon.
QIcon makeNativeWindow(QWidget* window);
// Converts the next size of the icon to the window system's form (straight, not
// premultiplied, ARGB); returns whether there was one left.
bool convertWindowIconStep(const QIcon& icon);
// Gives the window its whole icon: the same images, converted ahead where they were.
void giveWindowIcon(QWidget* window, const QIcon& icon);

}  // namespace tolvane::ui
