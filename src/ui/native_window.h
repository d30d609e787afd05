// Making a hidden window's native window ahead of its showing, in two steps. Qt gives a new
// native window its icon twice (as the window is made, and again from the widget), each time
// converting every size of the icon and sending it to the window system: for Tolvane's icon,
// a third of a megabyte of pixels each time, which the window system must take in before the
// program goes on. Here the window is made with the icon's smallest size, and given the
// whole icon once, in a step of its own.
#pragma once

#include <QIcon>

class QWidget;

namespace tolvane::ui {

// Makes the window's native window with the smallest size of its icon; returns the icon it
// had, for giveWindowIcon.
QIcon makeNativeWindow(QWidget* window);
// Gives the window its whole icon again: the same images a window made at its showing has.
void giveWindowIcon(QWidget* window, const QIcon& icon);

}  // namespace tolvane::ui
