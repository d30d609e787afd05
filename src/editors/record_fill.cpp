#include "editors/record_fill.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include "editors/field_boxes.h"
#include "editors/performance_editor.h"
#include "editors/text_rules.h"
#include "record/charset.h"
#include "record/fields.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

namespace tolvane::editors {
namespace {

using record::kValueColumn;

QString character(std::uint8_t byte) {
  const char32_t c = record::charFromByte(byte);
  return QString::fromUcs4(&c, 1);
}

// Shows a text in a box. QLineEdit lays the text out again even when it is the text it shows,
// so a box already showing it as setText would leave it (not being edited, the cursor at the
// end, nothing selected) is left alone: a pick then redoes only the boxes that change.
void showText(QLineEdit* box, const QString& text) {
  if (box->text() == text && !box->hasFocus() && !box->isModified() && !box->hasSelectedText() &&
      box->cursorPosition() == text.size()) {
    return;
  }
  box->setText(text);
}

}  // namespace

QString codeInGrid(const WindowControls& c) {
  QString code;
  const record::Field& field = *fieldOfControl(c.Text5);
  for (int row = field.firstRow; row <= field.lastRow(); ++row) {
    const auto byte = record::cellByte(c.G1->textMatrix(row, kValueColumn).toStdString());
    if (!byte) return {};
    code += character(*byte);
  }
  return code;
}

void fillEditorsFromGrid(const WindowControls& c, WindowState& state) {
  const bool wasFilling = state.filling;
  state.filling = true;
  ui::ByteGrid* grid = c.G1;

  showText(c.Text5, codeInGrid(c));

  // Flag boxes from bytes 5 to 8. Each box is set straight to its bit, so that only a box
  // whose state really changes raises its reaction and is redrawn. The boxes show the bits as
  // stored: a pair stored with both bits set shows both boxes checked.
  auto showFlags = [&](const char* array, QCheckBox* const* boxes, int count) {
    const double value = cellValue(grid, record::fieldOfBox(array)->firstRow);
    const auto bits = value >= 0 && value <= 255 ? static_cast<unsigned>(value) : 0u;
    for (int i = count - 1; i >= 0; --i) {
      ui::showCheckState(boxes[i], bits & (1u << i) ? Qt::Checked : Qt::Unchecked);
    }
  };
  showFlags("Check1", c.Check1.data(), 8);
  showFlags("Check2", c.Check2.data(), 8);
  showFlags("Check3", c.Check3.data(), 8);
  showFlags("Check4", c.Check4.data(), 6);

  // Year and crew; the crew box shows both bytes, of which only byte 11 is ever written. A
  // crew typed as a text that is not a plain byte (refused, or a fraction) is shown as typed,
  // so that the box and its mark say what the cell holds.
  const int year = fieldOfControl(c.Text8)->firstRow;
  showText(c.Text8, padded(cellValue(grid, year + 1) * 256 + cellValue(grid, year)));
  const int crewRow = fieldOfControl(c.Text7)->firstRow;
  const QString crew = grid->textMatrix(crewRow, kValueColumn);
  const auto crewByte = grid->valueByte(crewRow);
  if (crewByte && crew == byteText(*crewByte)) {
    showText(c.Text7, padded(cellValue(grid, crewRow + 1) * 256 + cellValue(grid, crewRow)));
  } else {
    showText(c.Text7, crew);
  }

  // Performance figures: unsigned 32-bit little-endian.
  for (int i = 0; i < 15; ++i) {
    const int first = fieldOfControl(c.Text3[i])->firstRow;
    const double value = cellValue(grid, first) + 256.0 * cellValue(grid, first + 1) +
                         65536.0 * cellValue(grid, first + 2) +
                         16777216.0 * cellValue(grid, first + 3);
    showText(c.Text3[i], padded(value));
  }
  // Gun-group count, exactly as the cell holds it.
  showText(c.Text6, grid->textMatrix(fieldOfControl(c.Text6)->firstRow, kValueColumn));

  // Distance and speed captions.
  showLoadCaptions(c);

  state.filling = wasFilling;
}

bool editedInGrid(int row) {
  return record::fieldOfRow(row).editedInGrid();
}

QString refusalText(const WindowControls& c, const WindowState& state, int row) {
  const record::Field& field = record::fieldOfRow(row);
  const int first = field.firstRow;
  const QString name = QString::fromStdString(field.name);
  auto cell = [&c](int r) { return c.G1->textMatrix(r, kValueColumn); };

  // The box in which the player typed this field's number, when it shows this field now and
  // the cells still hold what it wrote. A gun group's box shows the chosen group only.
  const QLineEdit* box = nullptr;
  const bool onView = field.gunGroup == 0 || (field.gunGroup == state.gunGroupNumber &&
                                              state.gunGroupRow >= record::gunGroupFirstRow(1) &&
                                              c.FGG->isVisibleTo(c.Frame1));
  if (field.kind == record::Field::Kind::Number && onView) box = controlOf<QLineEdit>(c, field);
  bool boxHoldsIt = box != nullptr;
  if (box == c.Text7) {
    boxHoldsIt = box->text() == cell(row);
  } else if (box) {
    const QStringList written = typedNumberCells(box->text(), field.bytes);
    for (int k = 0; k < field.bytes; ++k) {
      boxHoldsIt = boxHoldsIt && written[k] == cell(first + k);
    }
  }
  const QString highest = QString::fromStdString(record::numberToText(field.highest()));
  if (boxHoldsIt) {
    const QString typed = box->text().trimmed();
    if (!record::wholeNumber(typed.toStdString())) {
      return QStringLiteral("%1: \"%2\" is not a number; it takes a whole number from 0 to %3.")
          .arg(name, typed, highest);
    }
    return QStringLiteral("%1: %2 is not possible; it takes 0 to %3.")
        .arg(name, typed.isEmpty() ? QStringLiteral("an empty value") : typed, highest);
  }
  const QString typed = cell(row).trimmed();
  const QString shown =
      typed.isEmpty() ? QStringLiteral("an empty value") : QStringLiteral("\"%1\"").arg(cell(row));
  if (field.bytes == 1) {
    return QStringLiteral("%1: %2 is not possible; it takes 0 to %3.").arg(name, shown, highest);
  }
  return QStringLiteral("%1, byte %2: %3 is not possible; a byte takes 0 to 255.")
      .arg(name)
      .arg(row)
      .arg(shown);
}

}  // namespace tolvane::editors
