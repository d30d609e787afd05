#include "editors/gun_group_editor.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>
#include <array>
#include <cmath>

#include "editors/field_boxes.h"
#include "editors/text_rules.h"
#include "editors/value_mark.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

namespace tolvane::editors {
namespace {

using record::kValueColumn;

constexpr int kEnter = 13;

// The standard damage values, index of the type buttons, with the sound that each brings.
struct GunType {
  int damage;
  int sound;  // -1: the sound stays as it is
};
constexpr std::array<GunType, 5> kGunTypes = {{{0, -1}, {2, 0}, {4, 1}, {12, 2}, {24, 3}}};

// Tooltips of a box whose value its bytes cannot hold exactly.
const QString kNumberNeed = QStringLiteral(
    "The number of guns is stored in one byte: it must be a whole number from 0 to 255.");
const QString kCountNeed = QStringLiteral(
    "The gun-group count is stored in one byte: it must be a whole number from 0 to 255.");
const QString kAmmunitionNeed = QStringLiteral(
    "The ammunition is stored in two bytes: it must be a whole number from 0 to 65535.");
const QString kDamageNeed = QStringLiteral(
    "The damage value is stored in two bytes: it must be a whole number from 0 to 65535.");

// A code caption read as a button index; -1 for a code that no button can have.
int codeIndex(const QString& caption) {
  const double value = boxValue(caption);
  if (!(value >= 0.0 && value <= 1000.0) || value != std::floor(value)) return -1;
  return static_cast<int>(value);
}

}  // namespace

GunGroupEditor::GunGroupEditor(const WindowControls& controls, WindowState& state)
    : c_(controls), state_(state) {
  connect(c_.Option4, &ui::OptionArray::optionClicked, this, [this](int n) { selectGroup(n); });

  connect(c_.Text1, &QLineEdit::textChanged, this, [this] { writeNumber(); });
  connect(ui::inputHook(c_.Text1), &ui::InputHook::keyPressed, this, [this](int code) {
    if (code == kEnter) writeNumber();
  });
  connect(c_.Text2, &QLineEdit::textChanged, this, [this] { writeAmmunition(); });
  connect(ui::inputHook(c_.Text2), &ui::InputHook::keyPressed, this, [this](int code) {
    if (code == kEnter) writeAmmunition();
  });
  // The loader assigns Text6 too; its reaction then only marks the box.
  connect(c_.Text6, &QLineEdit::textChanged, this, [this] { writeCount(); });
  connect(ui::inputHook(c_.Text6), &ui::InputHook::keyPressed, this, [this](int code) {
    if (code == kEnter) writeCount();
  });

  connect(c_.Option1, &ui::OptionArray::optionClicked, this,
          [this](int k) { c_.Label3->setCaption(QString::number(k)); });
  connect(c_.Label3, &ui::CaptionLabel::captionChanged, this,
          [this](const QString& caption) { positionCaptionChanged(caption); });
  // Only a click (by the user) is an edit; the fill sets the state without one.
  connect(c_.smoke, &QCheckBox::clicked, this, [this] { writeSmoke(); });

  connect(c_.Option2, &ui::OptionArray::optionClicked, this, [this](int k) { chooseType(k); });
  connect(c_.Gundamage, &QLineEdit::textChanged, this, [this] { damageTextChanged(); });
  connect(ui::inputHook(c_.Gundamage), &ui::InputHook::keyPressed, this,
          [this](int code) { damageKeyPressed(code); });

  connect(c_.Option3, &ui::OptionArray::optionClicked, this, [this](int k) { chooseSound(k); });
  connect(c_.Label5, &ui::CaptionLabel::captionChanged, this,
          [this](const QString& caption) { soundCaptionChanged(caption); });
}

bool GunGroupEditor::groupChosen() const {
  return state_.gunGroupRow >= record::gunGroupFirstRow(1) &&
         state_.gunGroupRow <= record::gunGroupFirstRow(record::kGunGroupCount);
}

void GunGroupEditor::selectGroup(int n) {
  if (n < 1 || n > record::kGunGroupCount) return;
  state_.gunGroupNumber = static_cast<std::int16_t>(n);
  c_.FGG->setTitle(QStringLiteral("Gungroup ") + padded(n));
  state_.gunGroupRow = static_cast<std::int16_t>(record::gunGroupFirstRow(n));
  c_.G1->setTopRow(state_.gunGroupRow);
  c_.G1->refresh();

  refill();

  c_.Text2->show();
  c_.FGG->show();
  c_.FGC->show();
  c_.FGS->show();
}

void GunGroupEditor::refill() {
  if (!groupChosen()) return;
  {
    const QSignalBlocker blocker(c_.Text1);
    c_.Text1->setText(c_.G1->textMatrix(rowOf(c_.Text1), kValueColumn));
  }
  fillPosition();
  fillDamage();
  fillAmmunition();
  fillSound();
  fillSmoke();
  refreshMarks();
}

void GunGroupEditor::fillPosition() {
  const QString code = c_.G1->textMatrix(rowOf(c_.Label3), kValueColumn);
  {
    const QSignalBlocker blocker(c_.Label3);
    c_.Label3->setCaption(code);
  }
  // A code without a button (above 13) leaves every button clear; the byte stays as it is.
  c_.Option1->showSelected(codeIndex(code));
}

void GunGroupEditor::fillDamage() {
  // The box shows the low byte alone, as the cell holds it; a type button is selected only
  // for a cell text that is exactly its damage value.
  const QString low = c_.G1->textMatrix(rowOf(c_.Gundamage), kValueColumn);
  {
    const QSignalBlocker blocker(c_.Gundamage);
    c_.Gundamage->setText(low);
  }
  int type = -1;
  for (const GunType& t : kGunTypes) {
    if (low == QString::number(t.damage)) {
      type = t.damage;
      break;
    }
  }
  c_.Option2->showSelected(type);
}

void GunGroupEditor::fillAmmunition() {
  const int row = rowOf(c_.Text2);
  const double value = boxValue(c_.G1->textMatrix(row, kValueColumn)) +
                       256.0 * boxValue(c_.G1->textMatrix(row + 1, kValueColumn));
  const QSignalBlocker blocker(c_.Text2);
  c_.Text2->setText(padded(value));
}

void GunGroupEditor::fillSound() {
  const QString code = c_.G1->textMatrix(rowOf(c_.Label5), kValueColumn);
  {
    const QSignalBlocker blocker(c_.Label5);
    c_.Label5->setCaption(code);
  }
  // A code without a button (above 3) leaves every button clear; the byte stays as it is.
  c_.Option3->showSelected(codeIndex(code));
}

void GunGroupEditor::fillSmoke() {
  const double value = boxValue(c_.G1->textMatrix(rowOf(c_.smoke), kValueColumn));
  const QSignalBlocker blocker(c_.smoke);
  // 0 and 1 are the two states a user can click between; 2 (and any code without a state of
  // its own) shows the third state, which only the stored byte can give.
  if (value == 0.0 || value == 1.0) {
    ui::showCheckState(c_.smoke, value == 0.0 ? Qt::Unchecked : Qt::Checked);
    c_.smoke->setTristate(false);
  } else {
    ui::showCheckState(c_.smoke, Qt::PartiallyChecked);
  }
}

void GunGroupEditor::writeCell(int row, const QString& text) {
  writeValue(c_, row, text);
}

int GunGroupEditor::rowOf(const QWidget* control) const {
  const record::Field* field = fieldOfControl(control, state_.gunGroupNumber);
  return field ? field->firstRow : 0;
}

void GunGroupEditor::writePair(int lowRow, double value) {
  const auto parts = record::split16(value);
  writeCell(lowRow, numberText(parts[0]));
  writeCell(lowRow + 1, numberText(parts[1]));
}

void GunGroupEditor::writeNumber() {
  if (!groupChosen()) return;
  const int row = rowOf(c_.Text1);
  writeTypedNumber(c_, row, 1, c_.Text1->text());
  state_.recordModified = true;
  markBox(c_.Text1, 255.0, row, row, kNumberNeed);
}

void GunGroupEditor::writeAmmunition() {
  if (!groupChosen()) return;
  const int row = rowOf(c_.Text2);
  writeTypedNumber(c_, row, 2, c_.Text2->text());
  state_.recordModified = true;
  markBox(c_.Text2, 65535.0, row, row + 1, kAmmunitionNeed);
}

void GunGroupEditor::writeCount() {
  // A fill (a load) shows the cell as it stands; only an edit writes it.
  const int row = rowOf(c_.Text6);
  if (state_.filling) {
    markBox(c_.Text6, 255.0, row, row, kCountNeed);
    return;
  }
  writeTypedNumber(c_, row, 1, c_.Text6->text());
  state_.recordModified = true;
  markBox(c_.Text6, 255.0, row, row, kCountNeed);
}

void GunGroupEditor::writeSmoke() {
  if (!groupChosen()) return;
  // A click never leads to the third state: that one only shows a stored code.
  if (c_.smoke->checkState() == Qt::PartiallyChecked) {
    const QSignalBlocker blocker(c_.smoke);
    c_.smoke->setCheckState(Qt::Checked);
  }
  c_.smoke->setTristate(false);
  writeCell(rowOf(c_.smoke),
            c_.smoke->checkState() == Qt::Checked ? QStringLiteral("1") : QStringLiteral("0"));
  state_.recordModified = true;
}

void GunGroupEditor::positionCaptionChanged(const QString& caption) {
  if (!groupChosen()) return;
  writeCell(rowOf(c_.Label3), caption);
  state_.recordModified = true;
}

void GunGroupEditor::soundCaptionChanged(const QString& caption) {
  if (!groupChosen()) return;
  writeCell(rowOf(c_.Label5), caption);
  state_.recordModified = true;
}

void GunGroupEditor::damageTextChanged() {
  if (!groupChosen()) return;
  matchType();
  writeDamage();
}

void GunGroupEditor::damageKeyPressed(int code) {
  if (!groupChosen()) return;
  // The key has not reached the box yet: matching sees the text as it was.
  matchType();
  if (code == kEnter) writeDamage();
}

void GunGroupEditor::matchType() {
  c_.Option2->clear();
  // Only a number as a whole is a damage value: "12x" chooses no type.
  const double value = record::wholeNumber(c_.Gundamage->text().toStdString()).value_or(-1.0);
  for (const GunType& t : kGunTypes) {
    if (value == t.damage) {
      c_.Option2->showSelected(t.damage);
      chooseType(t.damage);
      return;
    }
  }
}

void GunGroupEditor::chooseType(int k) {
  if (!groupChosen()) return;
  rewriteDamageBox(padded(k));
  const int row = rowOf(c_.Gundamage);
  writeCell(row, QString::number(k));
  writeCell(row + 1, QStringLiteral("0"));
  // The type choice writes the damage value, so it is an edit to be saved like any other.
  state_.recordModified = true;
  markBox(c_.Gundamage, 65535.0, row, row + 1, kDamageNeed);
  for (const GunType& t : kGunTypes) {
    if (t.damage == k && t.sound >= 0) {
      c_.Option3->showSelected(t.sound);
      chooseSound(t.sound);
    }
  }
}

void GunGroupEditor::chooseSound(int k) {
  // The caption change writes the sound, and only when the shown code differs.
  c_.Label5->setCaption(QString::number(k));
}

void GunGroupEditor::writeDamage() {
  const int row = rowOf(c_.Gundamage);
  writeTypedNumber(c_, row, 2, c_.Gundamage->text());
  state_.recordModified = true;
  markBox(c_.Gundamage, 65535.0, row, row + 1, kDamageNeed);
}

void GunGroupEditor::rewriteDamageBox(const QString& text) {
  QLineEdit* box = c_.Gundamage;
  const QString old = box->text();
  if (old == text) return;
  // Keep the user's place: a fully selected text stays selected (so that the key being
  // pressed replaces it), otherwise the cursor keeps its distance from the end.
  const bool allSelected = !old.isEmpty() && box->selectedText() == old;
  const int fromEnd = static_cast<int>(old.size()) - box->cursorPosition();
  const QSignalBlocker blocker(box);
  box->setText(text);
  if (allSelected) {
    box->selectAll();
  } else {
    box->setCursorPosition(std::max(0, static_cast<int>(text.size()) - fromEnd));
  }
}

void GunGroupEditor::markBox(QLineEdit* box, double high, int first, int last,
                             const QString& need) {
  bool refused = false;
  for (int row = first; row <= last; ++row) refused = refused || c_.G1->valueCellRefused(row);
  markTypedNumber(box, high, refused, need);
}

void GunGroupEditor::refreshMarks() {
  const int number = rowOf(c_.Text1);
  const int ammunition = rowOf(c_.Text2);
  const int damage = rowOf(c_.Gundamage);
  markBox(c_.Text1, 255.0, number, number, kNumberNeed);
  markBox(c_.Text2, 65535.0, ammunition, ammunition + 1, kAmmunitionNeed);
  markBox(c_.Gundamage, 65535.0, damage, damage + 1, kDamageNeed);
}

}  // namespace tolvane::editors
