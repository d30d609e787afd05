#include "editors/flag_editor.h"

#include <QCheckBox>
#include <QGroupBox>

#include "editors/field_boxes.h"
#include "editors/text_rules.h"
#include "editors/value_mark.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

namespace tolvane::editors {

FlagEditor::FlagEditor(const WindowControls& controls, WindowState& state)
    : c_(controls), state_(state) {
  for (int array = 0; array < 4; ++array) {
    const Flags f = flags(array);
    for (int i = 0; i < f.count; ++i) {
      connect(f.boxes[i], &QCheckBox::toggled, this, [this, array, i] { stateChanged(array, i); });
    }
  }
}

FlagEditor::Flags FlagEditor::flags(int array) const {
  switch (array) {
    case 0:
      return {c_.Check1.data(), 8, 4};  // Twin engined / Four engined
    case 1:
      return {c_.Check2.data(), 8, 5};  // Gear Inwards / Gear Outwards
    case 2:
      return {c_.Check3.data(), 8, 6};  // Turn fighter / Energy fighter
    default:
      return {c_.Check4.data(), 6, 4};  // Light Armour / Heavy armour
  }
}

void FlagEditor::stateChanged(int array, int i) {
  const Flags f = flags(array);
  // The table names the array of check boxes ("Check1" for Check1(0) to Check1(7)).
  const int row = record::fieldOfBox("Check" + std::to_string(array + 1))->firstRow;

  // A fill shows the byte in the boxes and the frame as it is stored: nothing is rebuilt or
  // written, and a pair stored with both bits set shows both boxes checked.
  if (state_.filling) {
    c_.F[static_cast<std::size_t>(array)]->setTitle(c_.G1->textMatrix(row, record::kValueColumn));
    return;
  }
  // The player checking one box of the exclusive pair unchecks the other, whose own reaction
  // runs first. A click anywhere else leaves the pair as it is, both bits included.
  if ((i == f.pairLow || i == f.pairLow + 1) && f.boxes[i]->isChecked()) {
    const int partner = i == f.pairLow ? f.pairLow + 1 : f.pairLow;
    f.boxes[partner]->setChecked(false);
  }

  // The byte is rebuilt from its boxes. Byte 8 has boxes for bits 0 to 5 only: bits 6 and 7
  // are kept as the value cell holds them, so the editor never clears bits it does not show.
  // A cell that is not a whole byte contributes no high bits.
  unsigned sum = 0;
  for (int j = 0; j < f.count; ++j) {
    if (f.boxes[j]->isChecked()) sum |= 1u << j;
  }
  if (f.count < 8) {
    const double cell = cellValue(c_.G1, row);
    if (wholeIn(cell, 255.0)) sum |= static_cast<unsigned>(cell) & ~((1u << f.count) - 1u);
  }

  const QString text = QString::number(sum);
  c_.F[static_cast<std::size_t>(array)]->setTitle(text);
  writeValue(c_, row, text);
  state_.recordModified = true;
}

}  // namespace tolvane::editors
