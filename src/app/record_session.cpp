#include "app/record_session.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QStringList>
#include <algorithm>

#include "editors/gun_group_editor.h"
#include "editors/identity_editor.h"
#include "editors/record_fill.h"
#include "editors/text_rules.h"
#include "record/charset.h"
#include "record/fields.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
#include "ui/pick_list.h"
#include "ui/prompter.h"

namespace tolvane::app {
namespace {

using record::kLabelColumn;
using record::kLoadedColumn;
using record::kPositionColumn;
using record::kRecordBytes;
using record::kValueColumn;

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

QString pathText(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

const QString kTitle = QStringLiteral("Tolvane");

}  // namespace

RecordSession::RecordSession(const editors::WindowControls& controls, editors::WindowState& state,
                             editors::IdentityEditor& identity, editors::GunGroupEditor& gunGroups,
                             std::filesystem::path folder)
    : c_(controls),
      state_(state),
      identity_(identity),
      gunGroups_(gunGroups),
      history_([this](const std::map<int, QString>& cells) { applyCells(cells); }),
      folder_(std::move(folder)) {
  connect(c_.G1, &ui::ByteGrid::valueChanged, this,
          [this](int row, const QString& before, const QString& after) {
            valueChanged(row, before, after);
          });
  // A run of typing ends when the focus leaves the box.
  connect(qApp, &QApplication::focusChanged, this, [this] { history_.breakTypingRun(); });
}

void RecordSession::valueChanged(int row, const QString& before, const QString& after) {
  if (loading_ || openSlot_ < 0 || history_.applying()) return;
  // The boxes whose every change of text writes their cells: typing in one of them is one
  // step until the focus leaves it or another control is used. A change counts as typing
  // only when it falls in the rows of the focused box's own field (a click on a flag box
  // while the focus stays in a text box is a step of its own).
  QWidget* focus = QApplication::focusWidget();
  bool typing = false;
  const auto within = [row](int first, int last) { return row >= first && row <= last; };
  for (int i = 0; i < 15; ++i) {
    if (focus == c_.Text3[static_cast<std::size_t>(i)]) typing = within(13 + 4 * i, 16 + 4 * i);
  }
  if (focus == c_.Text8) typing = within(9, 10);
  if (focus == c_.Text7) typing = row == 11;
  if (focus == c_.Text6) typing = row == 85;
  const int s = state_.gunGroupRow;
  if (s > 0) {
    if (focus == c_.Text1) typing = row == s;
    if (focus == c_.Text2) typing = within(s + 6, s + 7);
    // The damage box also chooses the gun type's sound as it is typed.
    if (focus == c_.Gundamage) typing = within(s + 4, s + 5) || row == s + 8;
  }
  history_.recordChange(row, before, after, focus, typing);
}

void RecordSession::refillEditors() {
  editors::fillEditorsFromGrid(c_, state_);
  for (int array = 0; array < 4; ++array) {
    c_.F[static_cast<std::size_t>(array)]->setTitle(c_.G1->textMatrix(5 + array, kValueColumn));
  }
  if (c_.FGG->isVisibleTo(c_.Frame1)) gunGroups_.refill();
  if (c_.Text4->isVisibleTo(c_.Text4->parentWidget())) {
    c_.Text4->setText(c_.G1->textMatrix(c_.G1->row(), kValueColumn));
  }
}

void RecordSession::applyCells(const std::map<int, QString>& cells) {
  {
    // The views redraw the step's cells once, not once a cell.
    const ui::ByteGrid::Batch batch(c_.G1);
    for (const auto& [row, text] : cells) c_.G1->setTextMatrix(row, kValueColumn, text);
  }
  refillEditors();
  // An undo or a redo is an edit of the player's like any other.
  state_.recordModified = true;
}

bool RecordSession::canUndo() {
  history_.finishStep();
  return history_.stack()->canUndo();
}

bool RecordSession::canRedo() {
  history_.finishStep();
  return history_.stack()->canRedo();
}

void RecordSession::undo() {
  if (openSlot_ >= 0) history_.undo();
}

void RecordSession::redo() {
  if (openSlot_ >= 0) history_.redo();
}

void RecordSession::applyValues(const QString& stepName, const std::map<int, QString>& values) {
  CellChanges changes;
  for (const auto& [row, text] : values) {
    changes.emplace(row, CellChange{c_.G1->textMatrix(row, kValueColumn), text});
  }
  history_.pushStep(stepName, changes);
}

bool RecordSession::revert() {
  if (openSlot_ < 0) return false;
  history_.finishStep();
  if (hasUnsavedChanges() &&
      !ui::prompter().ask(kTitle,
                          QStringLiteral("Revert %1 to the values in planes.dat? Your changes "
                                         "are dropped from the grid; Undo brings them back.")
                              .arg(slotDescription(openSlot_)),
                          QStringLiteral("Revert"), QStringLiteral("Cancel"))) {
    return false;
  }
  const record::Located located = record::locateDataFile(folder_);
  record::RecordRead read;
  if (located.ok()) read = record::readRecordAt(located.path, knownFirst_);
  if (!located.ok() || !read.ok()) {
    showError(QStringLiteral("%1 cannot be reverted: planes.dat in the folder \"%2\" cannot be "
                             "read. Nothing was changed.\n\n%3")
                  .arg(slotDescription(openSlot_), pathText(folder_),
                       text(located.ok() ? read.error : located.error)));
    return false;
  }
  // The window now knows the file's bytes as they are, and shows them as loaded.
  knownBytes_ = read.bytes;
  showKnownBytes();
  std::map<int, QString> values;
  for (int row = 1; row <= kRecordBytes; ++row) {
    values[row] = editors::byteText(read.bytes[static_cast<std::size_t>(row - 1)]);
  }
  // One undoable step. The editors are filled from the grid even when no cell changed, so
  // that boxes show the file's values as a load shows them.
  applyValues(QStringLiteral("Revert to planes.dat"), values);
  refillEditors();
  state_.recordModified = false;
  return true;
}

QString RecordSession::aircraftName(int slot) const {
  return QLatin1String(record::slotNames()[static_cast<std::size_t>(slot)]);
}

QString RecordSession::slotDescription(int slot) const {
  return QStringLiteral("\"%1\" (slot %2)").arg(aircraftName(slot)).arg(slot);
}

void RecordSession::showError(const QString& message) const {
  ui::prompter().showError(kTitle, message);
}

void RecordSession::showOpenSlot() {
  c_.List1->showPicked(openSlot_);
}

void RecordSession::showKnownBytes() {
  for (int row = 1; row <= kRecordBytes; ++row) {
    c_.G1->setTextMatrix(row, kLoadedColumn,
                         editors::byteText(knownBytes_[static_cast<std::size_t>(row - 1)]));
  }
  // The label cells of bytes 165 to 168 show the code's characters as the file holds them.
  for (int row = 165; row <= 168; ++row) {
    const char32_t character = record::charFromByte(knownBytes_[static_cast<std::size_t>(row - 1)]);
    c_.G1->setTextMatrix(row, kLabelColumn, QString::fromUcs4(&character, 1));
  }
}

bool RecordSession::hasUnsavedChanges() const {
  if (openSlot_ < 0) return false;
  if (unsure_) return true;
  for (int row = 1; row <= kRecordBytes; ++row) {
    const auto byte = c_.G1->valueByte(row);
    if (!byte || *byte != knownBytes_[static_cast<std::size_t>(row - 1)]) return true;
  }
  return false;
}

bool RecordSession::loadSlot(int slot, QString* error, bool keepHistory) {
  const record::Located located = record::locateDataFile(folder_);
  record::RecordRead read;
  if (located.ok()) read = record::readRecord(located.path, slot);
  if (!located.ok() || !read.ok()) {
    *error = QStringLiteral(
                 "The aircraft %1 cannot be loaded from planes.dat in the folder "
                 "\"%2\".\n\n%3")
                 .arg(slotDescription(slot), pathText(folder_),
                      text(located.ok() ? read.error : located.error));
    return false;
  }

  const editors::WindowControls& c = c_;
  ui::ByteGrid* grid = c.G1;

  // The gun-group panel returns to "no group chosen".
  c.FGG->hide();
  c.FGC->hide();
  c.FGS->hide();
  // The panel itself leaves the screen for the load only when it holds the focus, which then
  // moves on; otherwise it stays, so that a load does not redraw it and all below it.
  if (c.Frame1->isAncestorOf(QApplication::focusWidget())) c.Frame1->hide();
  c.Option4->clear();

  c.Label7->setCaption(editors::padded(slot) + QStringLiteral(".oaw"));

  if (keepHistory) {
    history_.finishStep();
    history_.breakTypingRun();
  } else {
    history_.clear();
  }
  unsure_ = false;
  loading_ = true;
  const std::int64_t base = record::bytePosition(slot, 0);
  // The grid redraws the record's cells once, when the load is over, not once per cell.
  const ui::ByteGrid::Batch batch(grid);
  for (int k = 1; k <= kRecordBytes; ++k) {
    const QString& byte = editors::byteText(read.bytes[static_cast<std::size_t>(k - 1)]);
    grid->setTextMatrix(k, kValueColumn, byte);
    grid->setTextMatrix(k, kPositionColumn, QString::number(base + k));
  }
  openSlot_ = slot;
  knownBytes_ = read.bytes;
  knownFirst_ = record::bytePosition(slot, 1);
  showKnownBytes();

  editors::fillEditorsFromGrid(c, state_);
  loading_ = false;
  c.Frame1->show();
  grid->setEnabled(true);
  state_.recordModified = false;
  return true;
}

bool RecordSession::commitTypedCode(QString* reason) {
  // The box is modified only by typing: a fill or a committed code clears the flag.
  if (openSlot_ < 0 || !c_.Text5->isModified()) return true;
  const QString typed = c_.Text5->text();
  if (typed == editors::codeInGrid(c_)) return true;
  const std::u32string code = typed.toStdU32String();
  if (code.size() != 4) {
    *reason = QStringLiteral(
                  "The box \"Code\" holds \"%1\", which is not a code: a code has "
                  "exactly four characters. Type four characters there, or put "
                  "back \"%2\".")
                  .arg(typed, editors::codeInGrid(c_));
    return false;
  }
  for (const char32_t character : code) {
    if (!record::byteFromChar(character)) {
      *reason = QStringLiteral(
                    "The box \"Code\" holds \"%1\", whose character \"%2\" the "
                    "game's character set (Windows-1252) cannot hold.")
                    .arg(typed, QString::fromUcs4(&character, 1));
      return false;
    }
  }
  return identity_.commitCode();
}

RecordSession::Outcome RecordSession::writeRecord(bool mayAsk) {
  ui::ByteGrid* grid = c_.G1;

  // Every row is checked before the file is opened; the first bad one is reported.
  record::RecordBytes bytes{};
  std::int64_t first = 0;
  for (int row = 1; row <= kRecordBytes; ++row) {
    const QString positionText = grid->textMatrix(row, kPositionColumn);
    const auto position = record::cellPosition(positionText.toStdString());
    if (row == 1 && position) first = *position;
    const bool slotStart =
        row != 1 || (position && *position >= record::bytePosition(0, 1) &&
                     (*position - record::bytePosition(0, 1)) % record::kSlotBlockBytes == 0 &&
                     *position <= record::bytePosition(29, 1));
    if (!position || !slotStart || *position != first + row - 1) {
      grid->setTopRow(row);
      return {Outcome::Refused,
              QStringLiteral("The position of byte %1 is \"%2\", which is not where this "
                             "record lies in planes.dat.")
                  .arg(row)
                  .arg(positionText)};
    }
    const auto byte = record::cellByte(grid->textMatrix(row, kValueColumn).toStdString());
    if (!byte) {
      grid->setTopRow(row);
      const QString where =
          editors::editedInGrid(row)
              ? QStringLiteral("Correct it in the grid, where it is marked red, and save again.")
              : QStringLiteral("Correct it in its box and save again.");
      return {Outcome::Refused, editors::refusalText(c_, state_, row) + QLatin1Char(' ') + where};
    }
    bytes[static_cast<std::size_t>(row - 1)] = *byte;
  }

  const record::Located located = record::locateDataFile(folder_);
  if (!located.ok()) return {Outcome::Failed, text(located.error)};

  // Another program may have changed this aircraft since the window last read or wrote it:
  // the user decides whether to overwrite the file's values, take them, or go back.
  const record::RecordRead current = record::readRecordAt(located.path, first);
  if (!current.ok()) return {Outcome::Failed, text(current.error)};
  record::RecordBytes known = knownBytes_;
  if (first != knownFirst_) {
    for (int row = 1; row <= kRecordBytes; ++row) {
      const auto loaded = record::cellByte(grid->textMatrix(row, kLoadedColumn).toStdString());
      known[static_cast<std::size_t>(row - 1)] = loaded ? *loaded : 0;
    }
  }
  QStringList changedByOthers;
  for (int row = 1; row <= kRecordBytes;) {
    const record::Field& field = record::fieldOfRow(row);
    bool differs = false;
    for (int k = 0; k < field.bytes; ++k) {
      const auto i = static_cast<std::size_t>(field.firstRow - 1 + k);
      differs = differs || known[i] != current.bytes[i];
    }
    if (differs) {
      changedByOthers << QStringLiteral("%1: %2 \u2192 %3")
                             .arg(text(field.name), text(record::fieldValueText(field, known)),
                                  text(record::fieldValueText(field, current.bytes)));
    }
    row = field.firstRow + field.bytes;
  }
  if (!changedByOthers.isEmpty()) {
    if (!mayAsk) return {Outcome::NeedsQuestion, {}};
    const int shown = 8;
    QString list = QStringList(changedByOthers.mid(0, shown)).join(QLatin1Char('\n'));
    if (changedByOthers.size() > shown) {
      list += QStringLiteral("\n... and %1 more").arg(changedByOthers.size() - shown);
    }
    const int answer = ui::prompter().choose(
        kTitle,
        QStringLiteral("Another program has changed %1 in \"%2\" since Tolvane read it (the "
                       "file's value now after the arrow):\n\n%3\n\nOverwrite them with the "
                       "values in Tolvane, load the file's version (your edits of this "
                       "aircraft are dropped), or go back to the editor?")
            .arg(slotDescription(openSlot_), pathText(located.path), list),
        {QStringLiteral("Overwrite"), QStringLiteral("Load the file's version"),
         QStringLiteral("Go back")},
        2, 2);
    if (answer == 1) return {Outcome::FileVersion, {}};
    if (answer != 0) return {Outcome::WentBack, {}};
  }

  record::WriteResult written = writer_.write(located.path, first, bytes);
  if (written.backupFailed) {
    // The copy cannot be made (no room, a folder that refuses new files, a folder where the
    // copy must go): the user decides once per run and file whether to save without one.
    if (!mayAsk) return {Outcome::NeedsQuestion, {}};
    const int answer = ui::prompter().choose(
        kTitle,
        QStringLiteral("Tolvane cannot make the backup copy of \"%1\" that it makes before the "
                       "first save.\n\n%2\n\nSave the changes to %3 without a backup?")
            .arg(pathText(located.path), text(written.error), slotDescription(openSlot_)),
        {QStringLiteral("Save without a backup"), QStringLiteral("Cancel")}, 1, 1);
    if (answer != 0) return {Outcome::WentBack, {}};
    writer_.allowWithoutBackup(located.path);
    written = writer_.write(located.path, first, bytes);
  }
  const std::string error = written.error;
  if (!error.empty()) {
    // A write or flush that failed may still have changed the file (a flush fails after the
    // bytes went in): what it holds now is this window's doing, not another program's, and
    // saving again must not ask about it.
    const record::RecordRead after = record::readRecordAt(located.path, first);
    if (after.ok()) knownBytes_ = after.bytes;
    unsure_ = true;
    return {Outcome::Failed, text(error)};
  }

  // The record is read back through a fresh open; what the file holds must be what was
  // written, or the user is told that the save did not take.
  const record::RecordRead back = record::readRecordAt(located.path, first);
  QStringList mismatches;
  if (back.ok()) {
    for (int row = 1; row <= kRecordBytes; ++row) {
      const auto i = static_cast<std::size_t>(row - 1);
      if (back.bytes[i] != bytes[i]) {
        mismatches << QStringLiteral("byte %1: written %2, read back %3")
                          .arg(row)
                          .arg(bytes[i])
                          .arg(back.bytes[i]);
      }
    }
  }
  // From here on the window knows the record as read back (or, when it could not be read, as
  // written), so that saving again does not take this write for another program's change.
  knownBytes_ = back.ok() ? back.bytes : bytes;
  knownFirst_ = first;
  // The loaded-value column shows the file as it now is, so the yellow marks of the saved
  // edits go, even when no reload follows.
  showKnownBytes();
  unsure_ = !back.ok() || !mismatches.isEmpty();
  if (unsure_) {
    return {Outcome::Failed,
            QStringLiteral("The record was written to \"%1\", but reading it back does not give "
                           "the bytes written, so it may not be saved. Save again, and check the "
                           "file.\n\n%2")
                .arg(pathText(located.path),
                     back.ok() ? QStringList(mismatches.mid(0, 8)).join(QLatin1Char('\n'))
                               : text(back.error))};
  }
  return {Outcome::Written, {}};
}

RecordSession::Outcome RecordSession::settlePendingEdits(bool mayAsk) {
  if (openSlot_ < 0) return {Outcome::Written, {}};
  QString reason;
  if (!commitTypedCode(&reason)) return {Outcome::Refused, reason};
  if (!hasUnsavedChanges()) return {Outcome::Written, {}};
  if (!state_.recordModified) {
    // Edits made before the Script Maker was opened are not saved by themselves, nor dropped
    // without a word.
    if (!mayAsk) return {Outcome::NeedsQuestion, {}};
    const int answer = ui::prompter().choose(
        kTitle,
        QStringLiteral("The changes to %1 are not saved in planes.dat. Save them, discard "
                       "them, or go back to the editor?")
            .arg(slotDescription(openSlot_)),
        {QStringLiteral("Save to planes.dat"), QStringLiteral("Discard"),
         QStringLiteral("Go back")},
        0, 2);
    if (answer == 1) return {Outcome::Discarded, {}};
    if (answer != 0) return {Outcome::WentBack, {}};
  }
  return writeRecord(mayAsk);
}

void RecordSession::pick(int row) {
  if (row < 0 || row >= record::kSlotCount) {
    showOpenSlot();  // the highlight was taken away: no pick, the open aircraft stays lit
    return;
  }
  const int from = openSlot_;
  const bool pending = hasUnsavedChanges();
  const Outcome settled = settlePendingEdits(true);
  if (settled.status == Outcome::Refused || settled.status == Outcome::Failed) {
    showError(QStringLiteral("The changes to %1 were not saved, so the pick of %2 was "
                             "cancelled; your edits are kept.\n\n%3")
                  .arg(slotDescription(from), slotDescription(row), settled.reason));
  }
  if (settled.status != Outcome::Written && settled.status != Outcome::FileVersion &&
      settled.status != Outcome::Discarded) {
    showOpenSlot();
    return;
  }
  const bool saved = pending && settled.status == Outcome::Written;
  QString error;
  if (!loadSlot(row, &error)) {
    if (saved) {
      error = QStringLiteral("Your changes to %1 were saved to planes.dat.\n\n")
                  .arg(slotDescription(from)) +
              error;
    }
    showError(error);
  }
  showOpenSlot();
}

bool RecordSession::save() {
  if (openSlot_ < 0) {
    showError(
        QStringLiteral("Nothing was saved: no aircraft is open. Pick one in the list "
                       "first; values typed before then have no place in planes.dat."));
    return false;
  }
  QString reason;
  if (!commitTypedCode(&reason)) {
    showError(QStringLiteral("Nothing was saved. ") + reason);
    return false;
  }
  const int slot = openSlot_;
  bool written = true;
  if (hasUnsavedChanges()) {
    const Outcome outcome = writeRecord(true);
    switch (outcome.status) {
      case Outcome::Written:
        break;
      case Outcome::FileVersion:
        written = false;
        break;
      case Outcome::Refused:
        showError(QStringLiteral("Nothing was saved. ") + outcome.reason);
        return false;
      case Outcome::Failed:
        showError(QStringLiteral("The changes to %1 were not saved.\n\n%2")
                      .arg(slotDescription(slot), outcome.reason));
        return false;
      default:
        return false;
    }
  }
  state_.recordModified = false;
  // The record is read back, so that the grid and every editor show what the file holds.
  QString error;
  if (!loadSlot(slot, &error, written)) {
    showError(written ? QStringLiteral("Your changes to %1 were saved to planes.dat, but "
                                       "reading it back failed.\n\n%2")
                            .arg(slotDescription(slot), error)
                      : error);
  }
  showOpenSlot();
  return written;
}

bool RecordSession::close() {
  const Outcome settled = settlePendingEdits(true);
  switch (settled.status) {
    case Outcome::Written:
    case Outcome::Discarded:
      state_.recordModified = false;
      return true;
    case Outcome::WentBack:
    case Outcome::NeedsQuestion:
      return false;
    case Outcome::FileVersion: {
      // The file's version is read in and the window stays open to show it.
      QString error;
      if (!loadSlot(openSlot_, &error)) showError(error);
      showOpenSlot();
      return false;
    }
    case Outcome::Refused:
    case Outcome::Failed:
      break;
  }
  return ui::prompter().ask(
      kTitle,
      QStringLiteral("The changes to %1 could not be saved:\n\n%2\n\nClose Tolvane and lose "
                     "them, or go back to the editor?")
          .arg(slotDescription(openSlot_), settled.reason),
      QStringLiteral("Close and lose the changes"), QStringLiteral("Go back to the editor"));
}

bool RecordSession::closeWithoutQuestions() {
  const Outcome settled = settlePendingEdits(false);
  return settled.status == Outcome::Written;
}

}  // namespace tolvane::app
