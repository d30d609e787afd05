#include "editors/byte_editor.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "editors/field_boxes.h"
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
  // The keyboard's way in and out: Enter or F2 on a row of the grid, Escape in the box.
  c_.G1->installEventFilter(this);
  c_.Text4->installEventFilter(this);

  // Clicks that bring a field's first byte to the top of the grid.
  auto scrollOnClick = [this](QWidget* widget, int row) {
    connect(ui::inputHook(widget), &ui::InputHook::clicked, this,
            [this, row] { c_.G1->setTopRow(row); });
  };
  // The button leads to the first of the bytes typed in the grid, the damage bytes.
  const int firstGridRow = record::fieldOfBox(record::kByteEditorBox)->firstRow;
  // The row is made current too, so that Enter or F2 in the grid edits it.
  connect(c_.Command1, &QPushButton::clicked, this, [this, firstGridRow] {
    c_.G1->setRow(firstGridRow);
    c_.G1->setTopRow(firstGridRow);
  });
  // The "Year" caption leads to the first gun group, each box to its own field.
  scrollOnClick(c_.Label2_1, record::gunGroupFirstRow(1));
  for (int i = 0; i < 15; ++i) scrollOnClick(c_.Text3[i], fieldOfControl(c_.Text3[i])->firstRow);
  for (QWidget* box : {static_cast<QWidget*>(c_.Text6), static_cast<QWidget*>(c_.Text7),
                       static_cast<QWidget*>(c_.Text8)}) {
    scrollOnClick(box, fieldOfControl(box)->firstRow);
  }
}

bool ByteEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & ~Qt::KeypadModifier) return false;
  if (watched == c_.G1 &&
      (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_F2)) {
    return editCurrentRow();
  }
  if (watched == c_.Text4 && key->key() == Qt::Key_Escape && openRow_ != 0) {
    close();
    return true;
  }
  return false;
}

void ByteEditor::open(int row) {
  openRow_ = row;
  const QString label = c_.G1->textMatrix(row, record::kLabelColumn).trimmed();
  c_.Text4->setAccessibleName(label.isEmpty() ? QStringLiteral("Byte %1").arg(row)
                                              : QStringLiteral("Byte %1, %2").arg(row).arg(label));
  c_.Text4->show();
  c_.Text4->setText(c_.G1->textMatrix(row, record::kValueColumn));
}

void ByteEditor::gridClicked() {
  close();
  const int row = c_.G1->row();
  if (row >= 1 && record::fieldOfRow(row).editedInGrid()) open(row);
}

bool ByteEditor::editCurrentRow() {
  const int row = c_.G1->row();
  if (row < 1 || !record::fieldOfRow(row).editedInGrid()) return false;
  if (openRow_ != row) {
    close();
    open(row);
  }
  c_.Text4->setFocus(Qt::OtherFocusReason);
  c_.Text4->selectAll();
  return true;
}

void ByteEditor::commit() {
  c_.G1->setEnabled(true);
  const int row = openRow_;
  if (row == 0) return;
  // The text goes in as typed; a value that is not a byte is marked red in the grid and
  // refused by the save.
  const QString text = c_.Text4->text();
  close();
  writeValue(c_, row, text);
  state_.recordModified = true;
}

void ByteEditor::close() {
  openRow_ = 0;
  // The grid takes the focus before the box goes, so that it does not pass on to the next
  // control in the meantime.
  if (c_.Text4->hasFocus()) c_.G1->setFocus(Qt::OtherFocusReason);
  c_.Text4->hide();
}

}  // namespace tolvane::editors
