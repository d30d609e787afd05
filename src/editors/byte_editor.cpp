#include "editors/byte_editor.h"

#include <QItemSelectionModel>
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
  // The box belongs to the row it was opened for: when another row becomes current (a click,
  // the arrow keys) it closes without writing.
  connect(c_.G1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (openRow_ != 0 && current.row() != openRow_) close();
          });
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
  close();
  const int row = c_.G1->row();
  if (record::isByteEditorRow(row)) {
    openRow_ = row;
    c_.Text4->show();
    c_.Text4->setText(c_.G1->textMatrix(row, record::kValueColumn));
  }
}

void ByteEditor::commit() {
  c_.G1->setEnabled(true);
  const int row = openRow_;
  if (row == 0) return;
  // The text goes in as typed; a value that is not a byte is marked red in the grid and
  // refused by the save.
  const QString text = c_.Text4->text();
  close();
  c_.G1->setTextMatrix(row, record::kValueColumn, text);
  state_.recordModified = true;
}

void ByteEditor::close() {
  openRow_ = 0;
  c_.Text4->hide();
}

}  // namespace tolvane::editors
