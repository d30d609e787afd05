// The window's view of the whole file: its title naming the open aircraft, the overview of all
// 30 aircraft, and copying one aircraft into another slot.
#include <QAction>
#include <QListWidgetItem>
#include <QTableView>
#include <QTimer>
#include <map>

#include "app/compare_view.h"
#include "app/main_window.h"
#include "app/record_session.h"
#include "record/layout.h"
#include "script/native_path.h"
#include "ui/controls.h"
#include "ui/overview.h"
#include "ui/pick_list.h"
#include "ui/prompter.h"

namespace tolvane::app {
namespace {

const QString kCopyTitle = QStringLiteral("Copy to slot");

QString aircraftName(int slot) {
  return QString::fromLatin1(record::slotNames()[static_cast<std::size_t>(slot)]);
}

}  // namespace

void MainWindow::createOverviewActions() {
  overviewAction_ = new QAction(QStringLiteral("Overview of all aircraft..."), this);
  overviewAction_->setObjectName("OverviewAction");
  overviewAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  copyToSlotAction_ = new QAction(QStringLiteral("Copy to slot..."), this);
  copyToSlotAction_->setObjectName("CopyToSlotAction");
  for (QAction* action : {overviewAction_, copyToSlotAction_}) {
    action->setShortcutContext(Qt::WindowShortcut);
    action->setShortcutVisibleInContextMenu(true);
    addAction(action);
  }
  connect(overviewAction_, &QAction::triggered, this, [this] { showOverview(); });
  connect(copyToSlotAction_, &QAction::triggered, this, [this] { copyToSlot(); });

  // The title follows the open aircraft and whether it has unsaved changes.
  session_->document().addListener([this](const record::RecordDocument::Change&) { showTitle(); });
  showTitle();
}

void MainWindow::showTitle() {
  const int slot = session_->openSlot();
  if (slot != titledSlot_) {
    titledSlot_ = slot;
    // With no aircraft open the window is plain "Tolvane", as it starts.
    setWindowTitle(
        slot < 0
            ? QStringLiteral("Tolvane")
            : QStringLiteral("%1[*] \u2014 planes.dat \u2014 Tolvane").arg(aircraftName(slot)));
    // The game folder, where the name of the open aircraft is shown: its entry in the list
    // and the script name above the buttons.
    const QString where =
        slot < 0 ? QString()
                 : QStringLiteral("%1 (slot %2) from planes.dat in the game folder \"%3\"")
                       .arg(aircraftName(slot))
                       .arg(slot)
                       .arg(script::displayPath(script::textFromPath(session_->folder())));
    for (int row = 0; row < controls_.List1->count(); ++row) {
      controls_.List1->item(row)->setToolTip(row == slot ? where : QString());
    }
    controls_.Label7->setToolTip(where);
  }
  const bool unsaved = slot >= 0 && session_->hasUnsavedChanges();
  if (isWindowModified() != unsaved) setWindowModified(unsaved);
}

void MainWindow::folderChanged() {
  titledSlot_ = -2;
  showTitle();
  if (overview_ != nullptr && overview_->isVisible()) overview_->model()->refresh();
}

void MainWindow::makeOverview() {
  overview_ = new ui::OverviewDialog(
      session_->sharedDocument(), [this] { return session_->folder(); }, this);
  // The same path as a pick in the list: pending edits are saved or asked about, and a
  // refused or cancelled pick leaves the open aircraft as it was.
  connect(overview_, &ui::OverviewDialog::openRequested, this, [this](int slot) {
    session_->pick(slot);
    if (session_->openSlot() == slot) {
      raise();
      activateWindow();
    }
  });
}

ui::OverviewDialog* MainWindow::showOverview() {
  if (overview_ == nullptr) makeOverview();
  overview_->present();
  return overview_;
}

namespace {
// The views are made ready once the window has been on screen this long, so that the work
// never delays the window's first appearance...
constexpr int kPrepareAfterStartMs = 500;
// ...and again once the player has stopped opening aircraft for this long (the compare view
// reads its sources for the open aircraft).
constexpr int kPrepareAfterPickMs = 300;
}  // namespace

void MainWindow::prepareViewsWhenIdle() {
  if (prepareTimer_ != nullptr) return;
  prepareTimer_ = new QTimer(this);
  prepareTimer_->setSingleShot(true);
  connect(prepareTimer_, &QTimer::timeout, this, [this] {
    // One step a turn of the event loop: a key pressed meanwhile waits for one step at most.
    if (prepareViewStep()) prepareTimer_->start(0);
  });
  session_->document().addListener([this](const record::RecordDocument::Change& change) {
    if (change.kind != record::RecordDocument::Change::Kind::Values && painted_) {
      prepareTimer_->start(kPrepareAfterPickMs);
    }
  });
  if (painted_) prepareTimer_->start(kPrepareAfterStartMs);
}

bool MainWindow::prepareViewStep() {
  if (!compareView_) {
    makeCompareView();
    return true;
  }
  if (compareView_->prepareStep()) return true;
  if (overview_ == nullptr) {
    makeOverview();
    return true;
  }
  return overview_->prepareStep();
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (painted_) return;
  painted_ = true;
  if (prepareTimer_ != nullptr) prepareTimer_->start(kPrepareAfterStartMs);
}

bool MainWindow::copyToSlot() {
  const int source = session_->openSlot();
  if (source < 0) {
    ui::prompter().showError(kCopyTitle,
                             QStringLiteral("No aircraft is open: pick the aircraft to copy in the "
                                            "list first. Nothing was changed."));
    return false;
  }
  QStringList names;
  std::vector<int> targets;
  for (int slot = 0; slot < record::kSlotCount; ++slot) {
    if (slot == source) continue;
    names << QStringLiteral("%1 (slot %2)").arg(aircraftName(slot)).arg(slot);
    targets.push_back(slot);
  }
  const int chosen = ui::prompter().chooseItem(
      kCopyTitle,
      QStringLiteral("Copy the values of %1 into which aircraft? That aircraft is opened, and "
                     "a preview shows what would change before anything does.")
          .arg(aircraftName(source)),
      names, 0, QStringLiteral("Open and preview"));
  if (chosen < 0 || chosen >= static_cast<int>(targets.size())) return false;
  return copyToSlot(targets[static_cast<std::size_t>(chosen)]);
}

bool MainWindow::copyToSlot(int target) {
  const int source = session_->openSlot();
  if (source < 0 || target < 0 || target >= record::kSlotCount || target == source) return false;
  // The target is opened as a pick opens it: the source's pending edits are saved (or asked
  // about) first, so what is copied is the source as planes.dat then holds it.
  session_->pick(target);
  if (session_->openSlot() != target) return false;
  const record::Located located = record::locateDataFile(session_->folder());
  record::RecordRead read;
  if (located.ok()) read = record::readRecord(located.path, source);
  if (!located.ok() || !read.ok()) {
    ui::prompter().showError(
        kCopyTitle,
        QStringLiteral("%1 cannot be read from planes.dat, so nothing was copied.\n\n%2")
            .arg(aircraftName(source),
                 QString::fromStdString(located.ok() ? read.error : located.error)));
    return false;
  }
  const QString intro = QStringLiteral(
                            "Copy %1 (slot %2) into %3 (slot %4), as a script of %1 applied to "
                            "%3 would: bytes 2 to 168; byte 1 stays that of %3.\n\n")
                            .arg(aircraftName(source))
                            .arg(source)
                            .arg(aircraftName(target))
                            .arg(target);
  return previewAndApply(kCopyTitle, intro, aircraftName(source), read.bytes,
                         QStringLiteral("Copy"),
                         QStringLiteral("Copy %1").arg(aircraftName(source)));
}

}  // namespace tolvane::app
