#include "editors/field_boxes.h"

#include "ui/byte_grid.h"

namespace tolvane::editors {

const record::Field* fieldOfControl(const QWidget* control, int gunGroup) {
  if (control == nullptr) return nullptr;
  return record::fieldOfBox(control->objectName().toStdString(), gunGroup);
}

void writeValue(const WindowControls& c, int row, const QString& text) {
  c.G1->document().setValue(row, text.toStdString());
}

}  // namespace tolvane::editors
