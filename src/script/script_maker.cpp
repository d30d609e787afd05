#include "script/script_maker.h"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QToolTip>

#include "record/layout.h"
#include "record/numbers.h"
#include "script/native_path.h"
#include "script/script_writer.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
#include "ui/dir_list.h"
#include "ui/pick_list.h"
#include "ui/prompter.h"

namespace tolvane::script {
namespace {

// The row of a list's selected entry, or -1 when none is selected.
int selectedRow(const QListWidget* list) {
  const QList<QListWidgetItem*> items = list->selectedItems();
  return items.isEmpty() ? -1 : list->row(items.first());
}

const QString kTitle = QStringLiteral("Script Maker");

}  // namespace

ScriptMaker::ScriptMaker(const editors::WindowControls& controls, editors::WindowState& state,
                         const QString& startFolder)
    : c_(controls), state_(state) {
  // Found with the panel it drives (tests reach it there). The window's own pointer deletes
  // it before the panel goes, which takes it off the panel's children.
  setParent(c_.Frame3);
  setObjectName(QStringLiteral("ScriptMaker"));
  // The folder list starts at the current folder; the hidden Label18 follows its path.
  connect(c_.Dir1, &ui::DirList::pathChanged, c_.Label18, &ui::CaptionLabel::setCaption);
  c_.Dir1->setPath(startFolder);
  c_.Label18->setCaption(c_.Dir1->path());

  connect(c_.List2, &QListWidget::itemSelectionChanged, this, [this] { onSlotSelectionChanged(); });
  connect(c_.Command2, &QPushButton::clicked, this, [this] { open(); });
  connect(c_.Command4, &QPushButton::clicked, this, [this] { saveScript(); });
  connect(c_.Command5, &QPushButton::clicked, this, [this] { cancel(); });
  // Escape anywhere in the panel is its Cancel.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), c_.Frame3);
  escape->setObjectName(QStringLiteral("ScriptMakerEscape"));
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, [this] { cancel(); });
}

void ScriptMaker::selectSlot(int slot) {
  if (slot >= 0) {
    c_.List2->setCurrentRow(slot);
  } else {
    clearingSlot_ = true;
    c_.List2->clearSelection();
    clearingSlot_ = false;
  }
}

void ScriptMaker::open() {
  // The selection is made before and after showing, so that the list scrolls to it once it
  // is visible.
  const int slot = selectedRow(c_.List1);
  selectSlot(slot);
  c_.Frame3->show();
  c_.Frame3->raise();
  selectSlot(slot);
  if (slot >= 0) c_.List2->scrollToItem(c_.List2->item(slot));
  // The panel keeps the keyboard while it is open; typing starts in its first box.
  c_.Text9->setFocus(Qt::OtherFocusReason);
  // A modder writing a script may not want planes.dat changed by the next pick or the close.
  state_.recordModified = false;
  agreedSlots_ = {-1, -1};
}

void ScriptMaker::onSlotSelectionChanged() {
  const int slot = selectedRow(c_.List2);
  if (slot < 0) {
    const QString chosen = c_.Label14->caption();
    if (clearingSlot_ || chosen.isEmpty()) {
      // The panel was opened with nothing loaded: the script's slot line is empty.
      c_.Label14->setCaption(QString());
      return;
    }
    // A Ctrl+click took the highlight off the chosen slot: the slot stays chosen, and so
    // does the highlight, and the typed name is left alone.
    const QSignalBlocker blocker(c_.List2);
    c_.List2->setCurrentRow(chosen.toInt());
    return;
  }
  c_.Label14->setCaption(QString::number(slot));
  c_.Text9->setText(c_.List2->item(slot)->text());
}

QString ScriptMaker::missing() const {
  // An aircraft that is open fills every value cell of the grid; a script without its values
  // would be blank lines that no reader takes.
  bool gridEmpty = true;
  for (int row = kFirstScriptRow; row <= record::kRecordBytes && gridEmpty; ++row) {
    gridEmpty = c_.G1->textMatrix(row, record::kValueColumn).isEmpty();
  }
  if (gridEmpty) {
    return QStringLiteral(
        "No aircraft is open, so the script would hold no values. Pick the aircraft in the "
        "list of aircraft first; the script holds its values as the grid shows them.");
  }
  // The name is the file's name: an empty one would make a hidden file called ".oaw".
  if (c_.Text9->text().trimmed().isEmpty()) {
    return QStringLiteral(
        "The \"Aircraft Name\" is empty, and it names the script's file (NAME.oaw). Type a "
        "name, or choose a slot in the \"Slot:\" list to take its aircraft's name.");
  }
  if (c_.Label14->caption().isEmpty()) {
    return QStringLiteral(
        "No slot is chosen for the script. Choose the aircraft's slot in the \"Slot:\" list; "
        "a script without one cannot be applied.");
  }
  return {};
}

bool ScriptMaker::gatherValues(QStringList& values) {
  values.clear();
  for (int row = kFirstScriptRow; row <= record::kRecordBytes; ++row) {
    const QString cell = c_.G1->textMatrix(row, record::kValueColumn);
    const auto byte = record::cellByte(cell.toStdString());
    if (!byte) {
      c_.G1->setTopRow(row);
      const QString what =
          refusalText_ ? refusalText_(row)
                       : QStringLiteral(
                             "byte %1 (%2) holds \"%3\", which is not a whole number from 0 "
                             "to 255; it is marked red in the grid")
                             .arg(row)
                             .arg(c_.G1->textMatrix(row, record::kLabelColumn), cell);
      ui::prompter().showError(
          kTitle, QStringLiteral("The script was not written: a value in the grid is not a byte, "
                                 "and planes.dat could not store it either.\n\n%1")
                      .arg(what));
      return false;
    }
    // Written as the save would store it: "231.5" goes out as 232.
    values << QString::number(*byte);
  }
  return true;
}

bool ScriptMaker::confirmNameLine(const QString& pnames) {
  const QString cut = pastNameLine(pnames);
  // Blanks past the line are padding; they are dropped without a word.
  if (cut.trimmed().isEmpty()) return true;
  return ui::prompter().ask(
      kTitle,
      QStringLiteral("The \"Pnames string name\" has %1 characters, and a script's name line "
                     "takes %2. The script would hold \"%3\" and leave out \"%4\".\n\nSave "
                     "the script with the name cut, or go back and shorten it?")
          .arg(pnames.toUcs4().size())
          .arg(kNameLineWidth)
          .arg(nameLine(pnames).trimmed(), cut),
      QStringLiteral("Save it cut"), QStringLiteral("Go back"));
}

bool ScriptMaker::confirmSlot(int chosen) {
  const int open = openSlot_ ? openSlot_() : -1;
  if (open < 0 || chosen < 0 || open == chosen || agreedSlots_ == std::pair(open, chosen)) {
    return true;
  }
  const QString openName = c_.List2->item(open)->text();
  const QString chosenName = c_.List2->item(chosen)->text();
  const bool go = ui::prompter().ask(
      kTitle,
      QStringLiteral("The grid holds %1 (slot %2), but the slot chosen for the script is %3. "
                     "The script will hold the values of %1 under slot %3, %4.\n\nSave the "
                     "script that way, or go back and choose the slot?")
          .arg(openName)
          .arg(open)
          .arg(chosen)
          .arg(chosenName),
      QStringLiteral("Save the script"), QStringLiteral("Go back"));
  if (go) agreedSlots_ = {open, chosen};
  return go;
}

bool ScriptMaker::write(const QByteArray& bytes) {
  const QString parent = c_.Label18->caption();
  const QString folder = c_.Text12->text();
  const QString name = c_.Text9->text();
  WriteResult written = writeScript(parent, folder, name, bytes, Existing::Keep);
  if (written.existed) {
    const bool replace = ui::prompter().ask(
        kTitle,
        QStringLiteral("A script \"%1\" is already there.\n\nReplace it with this one?")
            .arg(displayPath(QDir::toNativeSeparators(written.path))),
        QStringLiteral("Replace"), QStringLiteral("Cancel"));
    if (!replace) return false;
    written = writeScript(parent, folder, name, bytes, Existing::Replace);
  }
  if (!written.ok()) {
    ui::prompter().showError(kTitle, written.error);
    return false;
  }
  showWhereItWent(displayPath(QDir::toNativeSeparators(QDir::cleanPath(written.path))));
  return true;
}

// The panel closes after writing, so the path is shown over "Save Script", which opened it:
// at once as a passing tooltip, and for later on that button's own tooltip. A screen reader
// gets it as the button's description, read out as the focus comes back to the button.
void ScriptMaker::showWhereItWent(const QString& path) {
  c_.Command2->setToolTip(QStringLiteral("Last script saved: %1").arg(path));
  c_.Command2->setAccessibleDescription(QStringLiteral("Script saved: %1").arg(path));
  QToolTip::showText(c_.Command2->mapToGlobal(c_.Command2->rect().center()),
                     QStringLiteral("Script saved: %1").arg(path), c_.Command2);
}

bool ScriptMaker::saveScript() {
  if (const QString what = missing(); !what.isEmpty()) {
    ui::prompter().showError(kTitle, QStringLiteral("The script was not written. %1").arg(what));
    return false;
  }
  ScriptTexts texts;
  texts.pnames = c_.Text11->text();
  texts.slot = c_.Label14->caption();
  if (!gatherValues(texts.values)) return false;
  // The document's own text: toPlainText() would turn a no-break space into a blank. Its
  // paragraph and line separators become the script's line breaks.
  texts.description = c_.Text10->document()->toRawText();

  const BuiltScript built = buildScript(texts);
  if (!built.ok()) {
    ui::prompter().showError(kTitle, built.error);
    return false;
  }
  if (!confirmNameLine(texts.pnames)) return false;
  if (!confirmSlot(texts.slot.toInt())) return false;
  if (!write(built.bytes)) return false;
  close();
  return true;
}

void ScriptMaker::cancel() {
  close();
}

void ScriptMaker::close() {
  c_.Frame3->hide();
  // The keyboard goes back to the button that opened the panel.
  c_.Command2->setFocus(Qt::OtherFocusReason);
}

}  // namespace tolvane::script
