// The editors' side of the field table: which field a control writes, the control of a field,
// and the writes of values into the record document.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "editors/window_controls.h"
#include "record/fields.h"
#include "ui/byte_grid.h"

namespace tolvane::editors {

// The field that a control writes (by its objectName); in the gun-group panel, in the given
// group. Null for a control that writes none.
const record::Field* fieldOfControl(const QWidget* control, int gunGroup = 0);

// The control that writes a field, when it is a widget of type T (null otherwise).
template <typename T>
T* controlOf(const WindowControls& c, const record::Field& field) {
  if (field.box.empty()) return nullptr;
  return c.G1->window()->findChild<T*>(QString::fromStdString(field.box));
}

// Puts an editor's text into a row's value in the record document, as typed; the grid shows it
// from there.
void writeValue(const WindowControls& c, int row, const QString& text);

// The texts a number typed in a box puts into the rows of its field of `bytes` bytes, lowest
// first: the value split into bytes; for a text that is not one number as a whole ("19x4",
// "31,500"), the text as typed in every row, where saving refuses it and the grid marks it.
QStringList typedNumberCells(const QString& text, int bytes);
void writeTypedNumber(const WindowControls& c, int firstRow, int bytes, const QString& text);

}  // namespace tolvane::editors
