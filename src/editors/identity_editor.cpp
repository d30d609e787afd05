#include "editors/identity_editor.h"

#include <QLineEdit>

#include "editors/field_boxes.h"
#include "editors/text_rules.h"
#include "editors/value_mark.h"
#include "record/charset.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
#include "ui/prompter.h"

namespace tolvane::editors {

IdentityEditor::IdentityEditor(const WindowControls& controls, WindowState& state)
    : c_(controls), state_(state) {
  // Year and crew write on every change of their text and again on Enter; the code is
  // written by Enter only. The key always goes on to the box.
  connect(c_.Text8, &QLineEdit::textChanged, this, [this] { writeYear(); });
  connect(ui::inputHook(c_.Text8), &ui::InputHook::keyPressed, this, [this](int code) {
    if (code == 13) writeYear();
  });
  connect(c_.Text7, &QLineEdit::textChanged, this, [this] { writeCrew(); });
  connect(ui::inputHook(c_.Text7), &ui::InputHook::keyPressed, this, [this](int code) {
    if (code == 13) writeCrew();
  });
  connect(ui::inputHook(c_.Text5), &ui::InputHook::keyPressed, this, [this](int code) {
    if (code == 13) commitCode();
  });
  connect(c_.Text5, &QLineEdit::textChanged, this, [this] { markCode(); });
}

void IdentityEditor::refreshMarks() {
  const bool wasFilling = state_.filling;
  state_.filling = true;  // marks only: nothing is written
  writeYear();
  writeCrew();
  state_.filling = wasFilling;
  markCode();
}

void IdentityEditor::markCode() {
  const QString typed = c_.Text5->text();
  const std::u32string code = typed.toStdU32String();
  QString reason;
  if (code.size() != 4) {
    reason = QStringLiteral("A code has exactly four characters; \"%1\" has %2.")
                 .arg(typed)
                 .arg(code.size());
  } else {
    for (const char32_t character : code) {
      if (!record::byteFromChar(character)) {
        reason = QStringLiteral(
                     "The character \"%1\" is not in the game's character set (Windows-1252).")
                     .arg(QString::fromUcs4(&character, 1));
        break;
      }
    }
  }
  if (!reason.isEmpty()) {
    QPalette palette = c_.Text5->palette();
    palette.setColor(QPalette::Text, Qt::red);
    c_.Text5->setPalette(palette);
    setRefusalText(c_.Text5, reason);
  } else if (!c_.Text5->toolTip().isEmpty()) {
    c_.Text5->setPalette(QPalette());
    setMarkText(c_.Text5, QString());
  }
}

void IdentityEditor::writeYear() {
  const int row = fieldOfControl(c_.Text8)->firstRow;
  // A year outside 0..65535, or a text that is not a number, gives cells that saving refuses.
  if (!state_.filling) writeTypedNumber(c_, row, 2, c_.Text8->text());
  markTypedNumber(
      c_.Text8, 65535.0, c_.G1->valueCellRefused(row) || c_.G1->valueCellRefused(row + 1),
      QStringLiteral("The year is stored in two bytes: it must be a whole number from 0 "
                     "to 65535."));
  if (!state_.filling) state_.recordModified = true;
}

void IdentityEditor::writeCrew() {
  // The text goes in verbatim (the loader's leading blank included); saving reads it as a
  // number and refuses a cell that is not one from 0 to 255.
  // A fill shows both crew bytes in the box; only an edit writes byte 11, so that a crew
  // whose byte 12 is not 0 loads unchanged.
  const int row = fieldOfControl(c_.Text7)->firstRow;
  const QString crew = c_.Text7->text();
  const QString need =
      QStringLiteral("The crew is stored in one byte: it must be a whole number from 0 to 255.");
  if (state_.filling) {
    // The box shows both bytes after a fill; the mark is the crew cell's, as the save reads it.
    const QString cell = c_.G1->textMatrix(row, record::kValueColumn);
    const bool refused = c_.G1->valueCellRefused(row);
    markValue(c_.Text7, record::readNumber(cell.toStdString()), 255.0, refused, need);
    return;
  }
  // An empty box is a crew of 0, as in every number box.
  writeValue(c_, row, blankBox(crew) ? QStringLiteral("0") : crew);
  // The crew typed is the whole crew: the byte after it, which a stored file may hold, is
  // cleared, so that the box shows what was typed after the next load.
  writeValue(c_, row + 1, QStringLiteral("0"));
  markTypedNumber(c_.Text7, 255.0, c_.G1->valueCellRefused(row), need);
  state_.recordModified = true;
}

bool IdentityEditor::commitCode() {
  const std::u32string code = c_.Text5->text().toStdU32String();
  if (code.size() != 4) return false;
  // Every character must have a byte in the game's character set; otherwise nothing is
  // written and the user is told which character it is.
  std::array<std::uint8_t, 4> bytes{};
  for (std::size_t k = 0; k < 4; ++k) {
    const auto byte = record::byteFromChar(code[k]);
    if (!byte) {
      const QString character = QString::fromStdU32String(code.substr(k, 1));
      ui::prompter().showError(
          QStringLiteral("Tolvane"),
          QStringLiteral("The code was not changed: its character %1 \"%2\" (U+%3) has no "
                         "code in the game's character set (Windows-1252).")
              .arg(k + 1)
              .arg(character)
              .arg(QString::number(static_cast<unsigned>(code[k]), 16)
                       .toUpper()
                       .rightJustified(4, QLatin1Char('0'))));
      return false;
    }
    bytes[k] = *byte;
  }
  const int first = fieldOfControl(c_.Text5)->firstRow;
  for (int k = 0; k < 4; ++k) writeValue(c_, first + k, QString::number(bytes[k]));
  // A committed code is a pending edit like any other, so the next pick or close saves it.
  state_.recordModified = true;
  c_.Text5->setModified(false);
  return true;
}

}  // namespace tolvane::editors
