#include "script/script_maker.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "record/layout.h"
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

}  // namespace

ScriptMaker::ScriptMaker(const editors::WindowControls& controls, editors::WindowState& state,
                         const QString& startFolder)
    : c_(controls), state_(state) {
  // The folder list starts at the current folder; the hidden Label18 follows its path.
  connect(c_.Dir1, &ui::DirList::pathChanged, c_.Label18, &ui::CaptionLabel::setCaption);
  c_.Dir1->setPath(startFolder);
  c_.Label18->setCaption(c_.Dir1->path());

  connect(c_.List2, &QListWidget::itemSelectionChanged, this, [this] { onSlotSelectionChanged(); });
  connect(c_.Command2, &QPushButton::clicked, this, [this] { open(); });
  connect(c_.Command4, &QPushButton::clicked, this, [this] { saveScript(); });
  connect(c_.Command5, &QPushButton::clicked, this, [this] { cancel(); });
}

void ScriptMaker::selectSlot(int slot) {
  if (slot >= 0) {
    c_.List2->setCurrentRow(slot);
  } else {
    c_.List2->clearSelection();
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
  // A modder writing a script may not want planes.dat changed by the next pick or the close.
  state_.recordModified = false;
}

void ScriptMaker::onSlotSelectionChanged() {
  const int slot = selectedRow(c_.List2);
  if (slot < 0) {
    // No slot chosen: the script's slot line is empty; the typed name stays.
    c_.Label14->setCaption(QString());
    return;
  }
  c_.Label14->setCaption(QString::number(slot));
  c_.Text9->setText(c_.List2->item(slot)->text());
}

bool ScriptMaker::saveScript() {
  ScriptTexts texts;
  texts.pnames = c_.Text11->text();
  texts.slot = c_.Label14->caption();
  for (int row = kFirstScriptRow; row <= record::kRecordBytes; ++row) {
    texts.values << c_.G1->textMatrix(row, record::kValueColumn);
  }
  texts.description = c_.Text10->toPlainText();

  const QString title = QStringLiteral("Script Maker");
  const BuiltScript built = buildScript(texts);
  if (!built.ok()) {
    ui::prompter().showError(title, built.error);
    return false;
  }
  const WriteResult written =
      writeScript(c_.Label18->caption(), c_.Text12->text(), c_.Text9->text(), built.bytes);
  if (!written.ok()) {
    ui::prompter().showError(title, written.error);
    return false;
  }
  c_.Frame3->hide();
  return true;
}

void ScriptMaker::cancel() {
  c_.Frame3->hide();
}

}  // namespace tolvane::script
