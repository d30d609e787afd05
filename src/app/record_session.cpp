#include "app/record_session.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStringList>
#include <QTimer>
#include <algorithm>

#include "app/game_folder.h"
#include "editors/byte_editor.h"
#include "editors/field_boxes.h"
#include "editors/gun_group_editor.h"
#include "editors/identity_editor.h"
#include "editors/performance_editor.h"
#include "editors/record_fill.h"
#include "editors/text_rules.h"
#include "record/charset.h"
#include "record/fields.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "script/native_path.h"
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

// A path as the user reads it: every byte of its name kept, the ones that are not UTF-8
// shown as U+FFFD.
QString pathText(const std::filesystem::path& path) {
  return script::displayPath(script::textFromPath(path));
}

const QString kTitle = QStringLiteral("Tolvane");

}  // namespace

RecordSession::RecordSession(const editors::WindowControls& controls, editors::WindowState& state,
                             editors::ByteEditor& byteEditor,
                             editors::PerformanceEditor& performance,
                             editors::IdentityEditor& identity, editors::GunGroupEditor& gunGroups,
                             std::filesystem::path folder)
    : c_(controls),
      state_(state),
      byteEditor_(byteEditor),
      performance_(performance),
      identity_(identity),
      gunGroups_(gunGroups),
      document_(std::make_shared<record::RecordDocument>()),
      folder_(std::move(folder)) {
  c_.G1->setDocument(document_);
  document_->setOriginProvider([this](int row) { return originOf(row); });
  // The changes of one user action form one step, which ends when the event loop next runs.
  document_->addListener([this](const record::RecordDocument::Change&) {
    if (finishQueued_ || !document_->history().stepUnderWay()) return;
    finishQueued_ = true;
    QTimer::singleShot(0, this, [this] {
      finishQueued_ = false;
      document_->finishStep();
    });
  });
  // A run of typing ends when the focus leaves the box.
  connect(qApp, &QApplication::focusChanged, this, [this] { document_->breakTypingRun(); });
}

record::EditOrigin RecordSession::originOf(int row) const {
  // The boxes whose every change of text writes their cells: typing in one of them is one
  // step until the focus leaves it or another control is used. A change counts as typing
  // only when it falls in the rows of the focused box's own field (a click on a flag box
  // while the focus stays in a text box is a step of its own).
  // The field table says which rows each box writes as it is typed (the damage box also
  // chooses the gun type's sound).
  QWidget* focus = QApplication::focusWidget();
  const bool typing =
      focus != nullptr && record::typedRow(focus->objectName().toStdString(),
                                           state_.gunGroupRow > 0 ? state_.gunGroupNumber : 0, row);
  return {reinterpret_cast<std::uintptr_t>(focus), typing};
}

void RecordSession::showTitlesAndMarks() {
  for (int array = 0; array < 4; ++array) {
    const int row = record::fieldOfBox("Check" + std::to_string(array + 1))->firstRow;
    QGroupBox* frame = c_.F[static_cast<std::size_t>(array)];
    const QString title = c_.G1->textMatrix(row, kValueColumn);
    // Only a new title is set: setting a group box's title redraws the whole frame.
    if (frame->title() != title) frame->setTitle(title);
  }
  performance_.refreshMarks();
  identity_.refreshMarks();
}

void RecordSession::refillEditors() {
  editors::fillEditorsFromGrid(c_, state_);
  showTitlesAndMarks();
  if (c_.FGG->isVisibleTo(c_.Frame1)) gunGroups_.refill();
}

bool RecordSession::commitTypedText() {
  if (!document_->isOpen()) return true;
  // A byte typed in the byte editor's box and not yet entered.
  if (c_.Text4->isVisibleTo(c_.Text4->parentWidget()) && c_.Text4->isModified()) {
    document_->finishStep();
    byteEditor_.commit();
    document_->finishStep();
  }
  // A code typed and not yet entered: a text that is no code is dropped from the box, and
  // the key press takes back only that.
  QString reason;
  if (!commitTypedCodeAsStep(&reason)) {
    const QSignalBlocker blocker(c_.Text5);
    c_.Text5->setText(editors::codeInGrid(c_));
    c_.Text5->setModified(false);
    return false;
  }
  return true;
}

bool RecordSession::commitTypedCodeAsStep(QString* reason) {
  if (!c_.Text5->isModified() || c_.Text5->text() == editors::codeInGrid(c_)) return true;
  document_->finishStep();
  if (!commitTypedCode(reason)) return false;
  document_->finishStep();
  return true;
}

void RecordSession::historyMoved(const std::vector<int>& rows, bool wasUnsaved) {
  // The byte editor's box belongs to the row it was opened for: an undo that changes that
  // row closes it.
  for (const int row : rows) {
    if (row == byteEditor_.openRow()) byteEditor_.close();
  }
  refillEditors();
  if (rows.empty()) return;
  // An undo or a redo is an edit of the player's like any other, except that it does not arm
  // the silent save of edits that were left to be asked about (the Script Maker was opened).
  if (!state_.recordModified && wasUnsaved) askBeforeSaving_ = true;
  if (!askBeforeSaving_) state_.recordModified = true;
}

bool RecordSession::canUndo() {
  return document_->canUndo();
}

bool RecordSession::canRedo() {
  return document_->canRedo();
}

void RecordSession::undo() {
  if (!document_->isOpen()) return;
  if (!commitTypedText()) return;
  const bool wasUnsaved = document_->unsaved();
  historyMoved(document_->undo(), wasUnsaved);
}

void RecordSession::redo() {
  if (!document_->isOpen()) return;
  if (!commitTypedText()) return;
  const bool wasUnsaved = document_->unsaved();
  historyMoved(document_->redo(), wasUnsaved);
}

bool RecordSession::applyValues(const QString& stepName, const std::map<int, QString>& values) {
  // A code typed without Enter is kept, as a pick keeps it, and not replaced unseen by the
  // values put in now nor taken back with them by one undo. (The byte box's text is the
  // byte editor's own until Enter, as for a pick: it stays open, or closes when its row is
  // among the values.)
  QString reason;
  if (document_->isOpen() && !commitTypedCodeAsStep(&reason)) {
    showError(QStringLiteral("%1: nothing was changed.\n\n%2").arg(stepName, reason));
    return false;
  }
  record::Values texts;
  for (const auto& [row, text] : values) texts[row] = text.toStdString();
  {
    const ui::ByteGrid::Batch batch(c_.G1);
    document_->setValues(stepName.toStdString(), texts);
  }
  refillEditors();
  if (c_.Text4->isVisibleTo(c_.Text4->parentWidget()) && values.count(byteEditor_.openRow()) != 0) {
    byteEditor_.close();
  }
  state_.recordModified = true;
  return true;
}

bool RecordSession::revert() {
  if (!document_->isOpen()) return false;
  document_->finishStep();
  const int slot = document_->slot();
  if (hasUnsavedChanges() &&
      !ui::prompter().ask(kTitle,
                          QStringLiteral("Revert %1 to the values in planes.dat? Your changes "
                                         "are dropped from the grid; Undo brings them back.")
                              .arg(slotDescription(slot)),
                          QStringLiteral("Revert"), QStringLiteral("Cancel"))) {
    return false;
  }
  const record::Located located = record::locateDataFile(folder_);
  record::RecordRead read;
  if (located.ok()) read = record::readRecordAt(located.path, document_->firstPosition());
  if (!located.ok() || !read.ok()) {
    showError(QStringLiteral("%1 cannot be reverted: planes.dat in the folder \"%2\" cannot be "
                             "read. Nothing was changed.\n\n%3")
                  .arg(slotDescription(slot), pathText(folder_),
                       text(located.ok() ? read.error : located.error)));
    return false;
  }
  byteEditor_.close();
  {
    // One undoable step of the player's changes; the grid redraws once.
    const ui::ByteGrid::Batch batch(c_.G1);
    document_->revert(read.bytes);
  }
  // The editors are filled even when no value changed, so that boxes show the file's values
  // as a load shows them.
  refillEditors();
  state_.recordModified = false;
  askBeforeSaving_ = false;
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

void RecordSession::focusRefused(const Outcome& refusal) {
  if (refusal.status != Outcome::Refused) return;
  if (refusal.row == 0) {
    c_.Text5->setFocus(Qt::OtherFocusReason);
    return;
  }
  const record::Field& field = record::fieldOfRow(refusal.row);
  // A box shows the refused value only when it writes that row now: the gun group's boxes
  // show the chosen group alone.
  auto* box = editors::controlOf<QLineEdit>(c_, field);
  const int group = std::max(0, c_.Option4->selected());
  if (box != nullptr && box->isVisible() && box->isEnabled() &&
      record::typedRow(field.box, group, refusal.row)) {
    box->setFocus(Qt::OtherFocusReason);
    return;
  }
  c_.G1->setRow(refusal.row);
  c_.G1->setFocus(Qt::OtherFocusReason);
}

void RecordSession::showOpenSlot() {
  c_.List1->showPicked(document_->slot());
}

bool RecordSession::hasUnsavedChanges() const {
  return document_->unsaved();
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
    if (!located.ok()) *error += QStringLiteral("\n\n") + howToChooseGameFolder();
    return false;
  }

  const editors::WindowControls& c = c_;
  // The byte editor's box belongs to the record it was opened for.
  byteEditor_.close();

  // The gun-group panel returns to "no group chosen". A focus inside it (a save from the
  // "Number" box) is taken out before its frames hide, or it would pass along their hidden
  // controls; it comes back on the group chooser once the load is done. The panel itself stays
  // on screen, so that a load does not redraw it and all below it.
  QWidget* focus = QApplication::focusWidget();
  const bool gunFocus =
      focus != nullptr && (c.Frame1->isAncestorOf(focus) || c.FGG->isAncestorOf(focus) ||
                           c.FGC->isAncestorOf(focus) || c.FGS->isAncestorOf(focus));
  if (gunFocus) focus->clearFocus();
  c.FGG->hide();
  c.FGC->hide();
  c.FGS->hide();
  c.Option4->clear();

  c.Label7->setCaption(editors::padded(slot) + QStringLiteral(".oaw"));

  {
    // The grid redraws the record's cells once, when the load is over, not once per cell.
    const ui::ByteGrid::Batch batch(c.G1);
    if (keepHistory && slot == document_->slot()) {
      document_->reload(read.bytes);
    } else {
      document_->open(slot, record::bytePosition(slot, 1), read.bytes);
    }
    editors::fillEditorsFromGrid(c, state_);
    showTitlesAndMarks();
  }
  c.Frame1->show();
  if (gunFocus)
    c.Option4->button(c.Option4->indexes().constFirst())->setFocus(Qt::OtherFocusReason);
  c.G1->setEnabled(true);
  state_.recordModified = false;
  askBeforeSaving_ = false;
  return true;
}

bool RecordSession::commitTypedCode(QString* reason) {
  // The box is modified only by typing: a fill or a committed code clears the flag.
  if (!document_->isOpen() || !c_.Text5->isModified()) return true;
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

int RecordSession::askAboutOtherProgram(const record::SaveOutcome& outcome) {
  QStringList changed;
  for (const record::FieldChange& change : outcome.changes) {
    changed << QStringLiteral("%1: %2 \u2192 %3")
                   .arg(text(change.field->name), text(change.before), text(change.after));
  }
  const int shown = 8;
  QString list = QStringList(changed.mid(0, shown)).join(QLatin1Char('\n'));
  if (changed.size() > shown) {
    list += QStringLiteral("\n... and %1 more").arg(changed.size() - shown);
  }
  return ui::prompter().choose(
      kTitle,
      QStringLiteral("Another program has changed %1 in \"%2\" since Tolvane read it (the "
                     "file's value now after the arrow):\n\n%3\n\nOverwrite them with the "
                     "values in Tolvane, load the file's version (your edits of this "
                     "aircraft are dropped), or go back to the editor?")
          .arg(slotDescription(document_->slot()), pathText(outcome.file), list),
      {QStringLiteral("Overwrite"), QStringLiteral("Load the file's version"),
       QStringLiteral("Go back")},
      2, 2);
}

RecordSession::Outcome RecordSession::writeRecord(bool mayAsk) {
  using Status = record::SaveOutcome::Status;
  record::SaveAnswers answers;
  // Each answer leads to a new call, which reads the file again before it writes anything:
  // a file that changed once more while the question was open is asked about again.
  for (;;) {
    const record::SaveOutcome outcome = record::saveRecord(*document_, folder_, writer_, answers);
    switch (outcome.status) {
      case Status::Written:
        return {Outcome::Written, {}};
      case Status::Refused: {
        const int row = outcome.refusedRow;
        c_.G1->setTopRow(row);
        const QString where =
            editors::editedInGrid(row)
                ? QStringLiteral("Correct it in the grid, where it is marked red, and save again.")
                : QStringLiteral("Correct it in its box and save again.");
        return {Outcome::Refused, editors::refusalText(c_, state_, row) + QLatin1Char(' ') + where,
                row};
      }
      case Status::ChangedByOthers: {
        if (!mayAsk) return {Outcome::NeedsQuestion, {}};
        const int answer = askAboutOtherProgram(outcome);
        if (answer == 1) return {Outcome::FileVersion, {}};
        if (answer != 0) return {Outcome::WentBack, {}};
        answers.overwrite = outcome.fileBytes;
        break;
      }
      case Status::NoBackup: {
        // The copy cannot be made (no room, a folder that refuses new files, a folder where
        // the copy must go): the user decides once per run and file whether to save without
        // one.
        if (!mayAsk) return {Outcome::NeedsQuestion, {}};
        const int answer = ui::prompter().choose(
            kTitle,
            QStringLiteral("Tolvane cannot make the backup copy of \"%1\" that it makes before "
                           "the first save.\n\n%2\n\nSave the changes to %3 without a backup?")
                .arg(pathText(outcome.file), text(outcome.reason),
                     slotDescription(document_->slot())),
            {QStringLiteral("Save without a backup"), QStringLiteral("Cancel")}, 1, 1);
        if (answer != 0) return {Outcome::WentBack, {}};
        answers.withoutBackup = true;
        break;
      }
      case Status::Failed:
      case Status::NotReadBack:
        return {Outcome::Failed, text(outcome.reason)};
    }
  }
}

RecordSession::Outcome RecordSession::settlePendingEdits(bool mayAsk) {
  if (!document_->isOpen()) return {Outcome::Written, {}};
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
            .arg(slotDescription(document_->slot())),
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
  const int from = document_->slot();
  bool saved = false;
  if (!makeWay(QStringLiteral("the pick of %1 was cancelled").arg(slotDescription(row)), &saved)) {
    showOpenSlot();
    return;
  }
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

bool RecordSession::makeWay(const QString& cancelled, bool* saved) {
  const int from = document_->slot();
  const bool pending = hasUnsavedChanges();
  const Outcome settled = settlePendingEdits(true);
  if (settled.status == Outcome::Refused || settled.status == Outcome::Failed) {
    showError(QStringLiteral("The changes to %1 were not saved, so %2; your edits are kept."
                             "\n\n%3")
                  .arg(slotDescription(from), cancelled, settled.reason));
    focusRefused(settled);
  }
  *saved = pending && settled.status == Outcome::Written;
  return settled.status == Outcome::Written || settled.status == Outcome::FileVersion ||
         settled.status == Outcome::Discarded;
}

bool RecordSession::switchFolder(const std::filesystem::path& folder) {
  const int slot = document_->slot();
  bool saved = false;
  if (!makeWay(QStringLiteral("Tolvane stays in the folder \"%1\"").arg(pathText(folder_)),
               &saved)) {
    return false;
  }
  const std::filesystem::path previous = folder_;
  folder_ = folder;
  if (slot < 0) return true;
  // The aircraft that was open is read from the new file, so that the grid never shows the
  // old file's record while saves go to the new one.
  QString error;
  if (!loadSlot(slot, &error)) {
    folder_ = previous;
    const QString written = saved
                                ? QStringLiteral("Your changes to %1 were saved to planes.dat.\n\n")
                                      .arg(slotDescription(slot))
                                : QString();
    showError(written + error +
              QStringLiteral("\n\nTolvane stays in the folder \"%1\".").arg(pathText(folder_)));
    showOpenSlot();
    return false;
  }
  showOpenSlot();
  return true;
}

bool RecordSession::save() {
  if (!document_->isOpen()) {
    showError(
        QStringLiteral("Nothing was saved: no aircraft is open. Pick one in the list "
                       "first; values typed before then have no place in planes.dat."));
    return false;
  }
  QString reason;
  if (!commitTypedCode(&reason)) {
    showError(QStringLiteral("Nothing was saved. ") + reason);
    focusRefused({Outcome::Refused, reason, 0});
    return false;
  }
  const int slot = document_->slot();
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
        focusRefused(outcome);
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
      if (!loadSlot(document_->slot(), &error)) showError(error);
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
          .arg(slotDescription(document_->slot()), settled.reason),
      QStringLiteral("Close and lose the changes"), QStringLiteral("Go back to the editor"));
}

bool RecordSession::closeWithoutQuestions() {
  const Outcome settled = settlePendingEdits(false);
  return settled.status == Outcome::Written;
}

}  // namespace tolvane::app
