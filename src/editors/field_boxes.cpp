#include "editors/field_boxes.h"

#include <QHash>
#include <QPair>

#include "editors/text_rules.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"

namespace tolvane::editors {

const record::Field* fieldOfControl(const QWidget* control, int gunGroup) {
  if (control == nullptr) return nullptr;
  // A pick asks for the fields of some fifty boxes. The answer depends only on the box's name
  // and the gun group, and the field table never changes, so each pair is looked up once:
  // converting the name to UTF-8 and searching the table at every call was 6 % of a pick.
  // Controls live in the GUI thread only.
  static QHash<QPair<QString, int>, const record::Field*> known;
  const QPair<QString, int> key(control->objectName(), gunGroup);
  const auto found = known.constFind(key);
  if (found != known.constEnd()) return *found;
  const record::Field* field = record::fieldOfBox(key.first.toStdString(), gunGroup);
  known.insert(key, field);
  return field;
}

void writeValue(const WindowControls& c, int row, const QString& text) {
  c.G1->document().setValue(row, text.toStdString());
}

QStringList typedNumberCells(const QString& text, int bytes) {
  QStringList cells;
  const std::optional<double> value = record::wholeNumber(text.toStdString());
  if (!value) {
    for (int k = 0; k < bytes; ++k) cells << text;
    return cells;
  }
  // Values outside the field's range give parts that are not bytes (and a fraction stays in
  // the lowest part): saving refuses what it cannot store, and the box is marked.
  if (bytes == 4) {
    for (const double part : record::split32(*value)) cells << numberText(part);
  } else if (bytes == 2) {
    for (const double part : record::split16(*value)) cells << numberText(part);
  } else {
    cells << numberText(*value);
  }
  return cells;
}

void writeTypedNumber(const WindowControls& c, int firstRow, int bytes, const QString& text) {
  const QStringList cells = typedNumberCells(text, bytes);
  for (int k = 0; k < bytes; ++k) writeValue(c, firstRow + k, cells[k]);
}

}  // namespace tolvane::editors
