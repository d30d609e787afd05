#include "editors/byte_editor.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "record/layout.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

namespace tolvane::editors {

ByteEditor::ByteEditor(const WindowControls& controls, WindowState& state)
    : c_(controls), state_(state) {
  connect(c_.G1, &ui::ByteGrid::cellClicked, this, [this] { gridClicked(); });
  connect(ui::inputHook(c_.Text4), &ui::InputHook::keyPressed, this, [this](int code) {
    if (code == 13) commit();
  });

  // Clicks that bring a field's first byte to the top of the grid.
  auto scrollOnClick = [this](QWidget* widget, int row) {
    connect(ui::inputHook(widget), &ui::InputHook::clicked, this,
            [this, row] { c_.G1->setTopRow(row); });
  };
  connect(c_.Command1, &QPushButton::clicked, this, [this] { c_.G1->setTopRow(73); });
  // The "Year" caption leads to the first gun group, the year box to the year itself.
  scrollOnClick(c_.Label2_1, record::gunGroupFirstRow(1));
  for (int i = 0; i < 15; ++i) scrollOnClick(c_.Text3[i], 4 * i + 13);
  scrollOnClick(c_.Text6, 85);
  scrollOnClick(c_.Text7, 11);
  scrollOnClick(c_.Text8, 9);
}

void ByteEditor::gridClicked() {
  c_.Text4->hide();
  const int row = c_.G1->row();
  if (record::isByteEditorRow(row)) {
    c_.Text4->show();
    c_.Text4->setText(c_.G1->textMatrix(row, record::kValueColumn));
  }
}

void ByteEditor::commit() {
  c_.G1->setEnabled(true);
  const int row = c_.G1->row();
  // The text goes in as typed; a value that is not a byte is marked red in the grid and
  // refused by the save.
  c_.G1->setTextMatrix(row, record::kValueColumn, c_.Text4->text());
  c_.Text4->hide();
  state_.recordModified = true;
}

}  // namespace tolvane::editors
