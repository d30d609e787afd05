#include "app/main_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSessionManager>
#include <QShortcut>
#include <QShowEvent>
#include <QStringList>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>

#include "app/compare_view.h"
#include "app/game_folder.h"
#include "app/main_window_layout.h"
#include "app/record_session.h"
#include "app/signal_bridge.h"
#include "editors/byte_editor.h"
#include "editors/flag_editor.h"
#include "editors/gun_group_editor.h"
#include "editors/identity_editor.h"
#include "editors/performance_editor.h"
#include "editors/record_fill.h"
#include "editors/text_rules.h"
#include "record/layout.h"
#include "record/numbers.h"
#include "record/record_diff.h"
#include "script/native_path.h"
#include "script/script_maker.h"
#include "script/script_reader.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
#include "ui/dir_list.h"
#include "ui/pick_list.h"
#include "ui/prompter.h"

namespace tolvane::app {
namespace {

using record::kLabelColumn;
using record::kRecordBytes;

const QString kTitle = QStringLiteral("Tolvane");

// Tolvane's icon, drawn from the SVG built into the program, at the sizes window managers and
// task bars ask for. The application keeps it, so that it is drawn once and every dialog shows
// it too.
QIcon applicationIcon() {
  if (!qApp->windowIcon().isNull()) return qApp->windowIcon();
  QSvgRenderer renderer(QStringLiteral(":/tolvane/tolvane.svg"));
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  QApplication::setWindowIcon(icon);
  return icon;
}

// The window is a frame to a screen reader; a plain widget's interface would call it a filler.
QAccessibleInterface* windowInterface(const QString& key, QObject* object) {
  if (key == QLatin1String(MainWindow::staticMetaObject.className()) && object->isWidgetType()) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  }
  return nullptr;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(std::filesystem::current_path(), parent) {}

MainWindow::MainWindow(std::filesystem::path folder, QWidget* parent) : QWidget(parent) {
  static const bool windowRole = [] {
    QAccessible::installFactory(windowInterface);
    return true;
  }();
  Q_UNUSED(windowRole);
  setObjectName("MainWindow");
  setWindowTitle(kTitle);
  setWindowIcon(applicationIcon());
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(8);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  setMinimumSize(defaultSize());
  resize(defaultSize());

  // Start-up: nothing pending, the folder list at the current folder, the grid labelled and
  // both slot lists filled. Nothing is read from planes.dat until an aircraft is picked.
  state_.recordModified = false;
  controls_ = createControls(this);
  extraRoom_ = std::make_unique<ExtraRoom>(controls_);
  ui::ByteGrid* grid = controls_.G1;
  for (int column = 0; column < record::kGridColumns; ++column) {
    grid->setColWidthTwips(column, record::kColumnWidthsTwips[column]);
  }
  for (int row = 1; row <= kRecordBytes; ++row) {
    grid->setTextMatrix(row, record::kByteNumberColumn, QString::number(row));
    grid->setTextMatrix(row, kLabelColumn, QString::fromStdString(record::rowLabel(row)));
  }

  byteEditor_ = std::make_unique<editors::ByteEditor>(controls_, state_);
  performanceEditor_ = std::make_unique<editors::PerformanceEditor>(controls_, state_);
  flagEditor_ = std::make_unique<editors::FlagEditor>(controls_, state_);
  identityEditor_ = std::make_unique<editors::IdentityEditor>(controls_, state_);
  gunGroupEditor_ = std::make_unique<editors::GunGroupEditor>(controls_, state_);
  scriptMaker_ =
      std::make_unique<script::ScriptMaker>(controls_, state_, script::textFromPath(folder));
  session_ = std::make_unique<RecordSession>(controls_, state_, *byteEditor_, *performanceEditor_,
                                             *identityEditor_, *gunGroupEditor_, folder);
  scriptMaker_->setOpenSlot([this] { return openSlot(); });
  scriptMaker_->setRefusalText(
      [this](int row) { return editors::refusalText(controls_, state_, row); });

  createHistoryActions();
  createOverviewActions();

  connect(controls_.List1, &ui::PickList::picked, this, [this](int row) { session_->pick(row); });
  connect(controls_.Command3, &QPushButton::clicked, this, [this] { save(); });

  connect(controls_.G1, &ui::ByteGrid::valueChanged, this, [this] {
    if (!accessibleDescription().isEmpty()) setAccessibleDescription(QString());
  });

  // The work starts by picking an aircraft: the list has the focus once the window is active.
  controls_.List1->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Shown the first time, the window asks to be the active one, so that the keyboard works in
  // it at once.
  if (!event->spontaneous() && !shownOnce_) {
    shownOnce_ = true;
    activateWindow();
  }
}

MainWindow::~MainWindow() {
  // The compare view works on the session, which goes before the window's children.
  delete compareView_;
}

QSize MainWindow::defaultSize() {
  return {twips(9900), twips(6795)};
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (extraRoom_) extraRoom_->apply(size() - defaultSize());
}

void MainWindow::setFolder(const std::filesystem::path& folder) {
  session_->setFolder(folder);
  controls_.Dir1->setPath(script::textFromPath(folder));
  controls_.Label18->setCaption(controls_.Dir1->path());
  folderChanged();
}

bool MainWindow::switchFolder(const std::filesystem::path& folder) {
  if (!session_->switchFolder(folder)) return false;
  controls_.Dir1->setPath(script::textFromPath(folder));
  controls_.Label18->setCaption(controls_.Dir1->path());
  folderChanged();
  return true;
}

int MainWindow::openSlot() const {
  return session_->openSlot();
}

bool MainWindow::hasUnsavedChanges() const {
  return session_->hasUnsavedChanges();
}

bool MainWindow::save() {
  const bool pending = hasUnsavedChanges();
  const bool done = session_->save();
  // Said in words as well as by the yellow marks going away; the next edit takes it back.
  if (done && session_->openSlot() >= 0) {
    const QString name =
        QString::fromLatin1(record::slotNames()[static_cast<std::size_t>(session_->openSlot())]);
    setAccessibleDescription(
        pending ? QStringLiteral("%1 saved to planes.dat.").arg(name)
                : QStringLiteral("Nothing to save: planes.dat holds the values of %1.").arg(name));
  }
  return done;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ending_ || session_->close()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindow::createHistoryActions() {
  undoAction_ = new QAction(QStringLiteral("Undo"), this);
  undoAction_->setObjectName("UndoAction");
  undoAction_->setShortcuts(QKeySequence::Undo);
  redoAction_ = new QAction(QStringLiteral("Redo"), this);
  redoAction_->setObjectName("RedoAction");
  redoAction_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  revertAction_ = new QAction(QStringLiteral("Revert to planes.dat"), this);
  revertAction_->setObjectName("RevertAction");
  applyScriptAction_ = new QAction(QStringLiteral("Apply an aircraft script..."), this);
  applyScriptAction_->setObjectName("ApplyScriptAction");
  applyScriptAction_->setShortcuts(QKeySequence::Open);
  chooseFolderAction_ = new QAction(kChooseFolderEntry, this);
  chooseFolderAction_->setObjectName("ChooseFolderAction");
  chooseFolderAction_->setShortcut(kChooseFolderShortcut);
  compareAction_ = new QAction(QStringLiteral("Compare with..."), this);
  compareAction_->setObjectName("CompareAction");
  compareAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  for (QAction* action : {undoAction_, redoAction_, revertAction_, applyScriptAction_,
                          chooseFolderAction_, compareAction_}) {
    action->setShortcutContext(Qt::WindowShortcut);
    action->setShortcutVisibleInContextMenu(true);
    addAction(action);
  }
  connect(undoAction_, &QAction::triggered, this, [this] { session_->undo(); });
  connect(redoAction_, &QAction::triggered, this, [this] { session_->redo(); });
  connect(revertAction_, &QAction::triggered, this, [this] { session_->revert(); });
  connect(applyScriptAction_, &QAction::triggered, this, [this] {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Apply an aircraft script"), script::textFromPath(session_->folder()),
        QStringLiteral("Aircraft scripts (*.oaw *.OAW);;All files (*)"));
    // The dialog's text of a name that is not UTF-8 is matched back to the name's bytes.
    if (!path.isEmpty()) applyScriptFile(script::textFromPath(script::pathFromDialogText(path)));
  });
  connect(chooseFolderAction_, &QAction::triggered, this, [this] { chooseGameFolder(*this); });
  connect(compareAction_, &QAction::triggered, this, [this] { openCompareView(); });
  setAcceptDrops(true);

  // The grid's own context menu holds the same entries.
  controls_.G1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(controls_.G1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { showHistoryMenu(controls_.G1->viewport()->mapToGlobal(at)); });

  // The window's history replaces the text boxes' own undo, so that Ctrl+Z takes back the
  // last edit of the record wherever the focus is. The Script Maker's boxes hold no record
  // values and keep their own.
  for (QLineEdit* box : findChildren<QLineEdit*>()) box->installEventFilter(this);
  controls_.Text10->installEventFilter(this);
  // The Script Maker's panel covers the record's values while it is open: the history keys
  // follow it (see enableHistoryKeys).
  controls_.Frame3->installEventFilter(this);
  // A multi-line box takes drops on its viewport, where the window looks for dropped files.
  for (QPlainTextEdit* box : findChildren<QPlainTextEdit*>()) {
    box->viewport()->installEventFilter(this);
  }
}

namespace {

const QString kApplyTitle = QStringLiteral("Apply an aircraft script");

// The local files a drag carries: the aircraft scripts among them and the rest.
struct DroppedFiles {
  QStringList scripts;
  QStringList others;
  bool any() const { return !scripts.isEmpty() || !others.isEmpty(); }
};

DroppedFiles droppedFiles(const QMimeData* data) {
  DroppedFiles files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    // The URL's path as the name's bytes: QUrl::toLocalFile turns the bytes of a name that
    // are not UTF-8 into U+FFFD, which names another file.
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    const QString path = script::textFromNative(bytes.toStdString());
    (path.endsWith(QLatin1String(".oaw"), Qt::CaseInsensitive) ? files.scripts : files.others)
        << path;
  }
  return files;
}

QString quotedNames(const QStringList& paths) {
  QStringList names;
  for (const QString& path : paths) {
    names << QStringLiteral("\"%1\"").arg(script::displayPath(QDir::toNativeSeparators(path)));
  }
  return names.join(QStringLiteral(", "));
}

// Why a drop of files that is not one aircraft script applies nothing.
QString whyNothingIsApplied(const DroppedFiles& files, const QString& gameFolder) {
  const QString nothing = QStringLiteral("\n\nNothing was changed.");
  if (files.scripts.size() > 1) {
    return QStringLiteral(
               "%1 aircraft scripts were dropped: %2. A drop applies one script, so that "
               "its preview shows what it changes; drop them one at a time.")
               .arg(files.scripts.size())
               .arg(quotedNames(files.scripts)) +
           nothing;
  }
  for (const QString& path : files.others) {
    if (QFileInfo(path).fileName().compare(QLatin1String("planes.dat"), Qt::CaseInsensitive) == 0) {
      return QStringLiteral(
                 "%1 is a planes.dat, and a dropped planes.dat is not opened: Tolvane edits "
                 "the planes.dat of the game folder %2. To edit another one, choose its "
                 "folder with \"Choose the game folder...\" (Ctrl+G). A drop applies an aircraft "
                 "script (a file ending in .oaw) to the "
                 "open aircraft.")
                 .arg(quotedNames({path}),
                      QStringLiteral("\"%1\"").arg(script::displayPath(gameFolder))) +
             nothing;
    }
  }
  const bool one = files.others.size() == 1;
  return QStringLiteral(
             "%1 %2. A drop applies an aircraft script, a file whose name ends in "
             ".oaw, to the open aircraft.")
             .arg(quotedNames(files.others), one ? QStringLiteral("is not an aircraft script")
                                                 : QStringLiteral("are not aircraft scripts")) +
         nothing;
}

// Takes a drag or a drop as a copy when the source offers one: the file is only read.
void acceptAsCopy(QDropEvent* event) {
  if (event->possibleActions() & Qt::CopyAction) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->acceptProposedAction();
  }
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  // Every drag of files is taken, so that a drop that applies nothing can say why.
  if (droppedFiles(event->mimeData()).any()) acceptAsCopy(event);
}

void MainWindow::dropEvent(QDropEvent* event) {
  const DroppedFiles files = droppedFiles(event->mimeData());
  if (!files.any()) return;
  // The file manager waits until the drop returns, so the preview or the message opens
  // after it, from the event loop.
  if (files.scripts.size() == 1) {
    acceptAsCopy(event);
    const QString path = files.scripts.first();
    QTimer::singleShot(0, this, [this, path] { applyScriptFile(path); });
    return;
  }
  event->ignore();
  const QString why = whyNothingIsApplied(files, script::textFromPath(session_->folder()));
  QTimer::singleShot(0, this, [why] { ui::prompter().showError(kApplyTitle, why); });
}

QStringList MainWindow::scriptChanges(const record::RecordBytes& script) const {
  const record::RecordDocument& document = session_->document();
  // The record as the window holds it; a value saving refuses is shown as typed.
  record::RecordBytes now = document.fileBytes();
  for (int row = 1; row <= kRecordBytes; ++row) {
    if (const auto byte = document.byte(row)) now[static_cast<std::size_t>(row - 1)] = *byte;
  }
  // The script holds bytes 2 to 168; byte 1 stays as it is.
  record::RecordBytes after = script;
  after[0] = now[0];
  QStringList changes;
  for (int row = 2; row <= kRecordBytes;) {
    const record::Field& field = record::fieldOfRow(row);
    row = field.firstRow + field.bytes;
    bool refused = false;
    bool differs = false;
    for (int k = 0; k < field.bytes; ++k) {
      const int r = field.firstRow + k;
      refused = refused || document.refused(r);
      differs =
          differs || now[static_cast<std::size_t>(r - 1)] != after[static_cast<std::size_t>(r - 1)];
    }
    if (refused) {
      QStringList typed;
      for (int k = 0; k < field.bytes; ++k) {
        typed << QString::fromStdString(document.value(field.firstRow + k));
      }
      changes << QStringLiteral("%1 \"%2\" \u2192 %3")
                     .arg(QString::fromStdString(field.name), typed.join(QStringLiteral("\", \"")),
                          QString::fromStdString(
                              record::figureText(field, record::fieldValue(field, after))));
      continue;
    }
    if (!differs) continue;
    changes << QString::fromStdString(record::changeText(field, now, after));
  }
  return changes;
}

bool MainWindow::applyScriptFile(const QString& path) {
  const script::ParsedScript parsed = script::readScriptFile(path);
  const QString& title = kApplyTitle;
  if (!parsed.ok()) {
    ui::prompter().showError(
        title, QStringLiteral("The script \"%1\" cannot be applied; nothing was changed.\n\n%2")
                   .arg(script::displayPath(path), parsed.error));
    return false;
  }
  const auto name = [](int slot) {
    return QString::fromLatin1(record::slotNames()[static_cast<std::size_t>(slot)]);
  };
  // With no aircraft open, the script's own slot is opened first.
  if (session_->openSlot() < 0) {
    session_->pick(parsed.slot);
    if (session_->openSlot() < 0) return false;
  }
  const int open = session_->openSlot();
  record::RecordBytes scriptBytes{};
  for (int row = 2; row <= kRecordBytes; ++row) {
    scriptBytes[static_cast<std::size_t>(row - 1)] =
        parsed.values[static_cast<std::size_t>(row - 2)];
  }
  QString text = QStringLiteral("Script \"%1\"\nName: %2\nMade for slot %3, %4.\n")
                     .arg(script::displayPath(path), parsed.pnames.trimmed())
                     .arg(parsed.slot)
                     .arg(name(parsed.slot));
  if (parsed.slot != open) {
    text += QStringLiteral(
                "\nThis script was made for %1, not for the open aircraft %2: its "
                "values would go into %2.\n")
                .arg(name(parsed.slot), name(open));
  }
  if (!parsed.description.trimmed().isEmpty()) {
    text += QStringLiteral("\nDescription:\n%1\n").arg(parsed.description.trimmed());
  }
  return previewAndApply(title, text + QStringLiteral("\n"), QStringLiteral("the script"),
                         scriptBytes, QStringLiteral("Apply"), QStringLiteral("Apply script"));
}

bool MainWindow::previewAndApply(const QString& title, const QString& intro, const QString& from,
                                 const record::RecordBytes& bytes, const QString& button,
                                 const QString& stepName) {
  const QString open =
      QString::fromLatin1(record::slotNames()[static_cast<std::size_t>(session_->openSlot())]);
  const QStringList changes = scriptChanges(bytes);
  QString summary;
  if (changes.isEmpty()) {
    summary = QStringLiteral("No value of %1 would change.").arg(open);
  } else {
    summary = QStringLiteral("%1 %2 of %3 would change (now \u2192 from %4):")
                  .arg(changes.size())
                  .arg(changes.size() == 1 ? QStringLiteral("value") : QStringLiteral("values"),
                       open, from);
  }
  const QString details = intro + summary + QStringLiteral("\n") + changes.join(QLatin1Char('\n')) +
                          QStringLiteral("\n\nNothing is written to planes.dat until you save.");
  const int answer = ui::prompter().chooseWithDetails(title, summary, details,
                                                      {button, QStringLiteral("Cancel")}, 0, 1);
  if (answer != 0) return false;
  // As an applied script: bytes 2 to 168; byte 1 stays the open record's own.
  std::map<int, QString> values;
  for (int row = 2; row <= kRecordBytes; ++row) {
    values[row] = QString::number(bytes[static_cast<std::size_t>(row - 1)]);
  }
  return session_->applyValues(stepName, values);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Files dropped on a text box are the window's drop (a script is applied, anything else
  // is refused with the reason), never typed into the box as their paths.
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
      event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (droppedFiles(drop->mimeData()).any()) {
      if (event->type() == QEvent::Drop) {
        dropEvent(drop);
      } else {
        acceptAsCopy(drop);
      }
      return true;
    }
  }
  if (watched == controls_.Frame3 &&
      (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    enableHistoryKeys();
  }
  const bool recordBox =
      watched->isWidgetType() && !controls_.Frame3->isAncestorOf(static_cast<QWidget*>(watched));
  if (recordBox &&
      (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    for (QAction* action : {undoAction_, redoAction_}) {
      if (action->shortcuts().contains(pressed)) {
        if (event->type() == QEvent::KeyPress) action->trigger();
        // Not taken by the box: the window's shortcut runs.
        event->ignore();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::enableHistoryKeys() {
  const bool covered = !controls_.Frame3->isHidden();
  for (QAction* action : {undoAction_, redoAction_, revertAction_}) action->setEnabled(!covered);
}

void MainWindow::showHistoryMenu(const QPoint& globalPosition) {
  const bool covered = !controls_.Frame3->isHidden();
  undoAction_->setEnabled(session_->canUndo() && !covered);
  redoAction_->setEnabled(session_->canRedo() && !covered);
  revertAction_->setEnabled(session_->openSlot() >= 0 && !covered);
  compareAction_->setEnabled(session_->openSlot() >= 0);
  copyToSlotAction_->setEnabled(session_->openSlot() >= 0);
  QMenu menu(this);
  menu.setObjectName("HistoryMenu");
  menu.addAction(undoAction_);
  menu.addAction(redoAction_);
  menu.addSeparator();
  menu.addAction(revertAction_);
  menu.addAction(applyScriptAction_);
  menu.addAction(compareAction_);
  menu.addAction(copyToSlotAction_);
  menu.addSeparator();
  menu.addAction(overviewAction_);
  menu.addAction(chooseFolderAction_);
  menu.exec(globalPosition);
  // The shortcuts work whenever there is something to do; the menu alone shows the state.
  for (QAction* action : {compareAction_, copyToSlotAction_}) action->setEnabled(true);
  enableHistoryKeys();
}

CompareView* MainWindow::openCompareView() {
  if (session_->openSlot() < 0) {
    ui::prompter().showError(kTitle, QStringLiteral("There is nothing to compare yet: pick an "
                                                    "aircraft in the list first."));
    return nullptr;
  }
  if (!compareView_) makeCompareView();
  compareView_->showAndRaise();
  return compareView_;
}

void MainWindow::makeCompareView() {
  compareView_ = new CompareView(*session_, this);
  // The history's keys and the compare entry work while the view has the keyboard too, and
  // so does Ctrl+S: restoring an aircraft is a Take all and a save, both from the view.
  compareView_->addActions({undoAction_, redoAction_, compareAction_});
  auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), compareView_);
  save->setObjectName("SaveShortcut");
  save->setContext(Qt::WindowShortcut);
  connect(save, &QShortcut::activated, controls().Command3,
          [button = controls().Command3] { button->click(); });
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
  showHistoryMenu(event->globalPos());
}

void MainWindow::endWithoutQuestions() {
  if (ending_) return;
  ending_ = true;
  session_->closeWithoutQuestions();
  QApplication::quit();
}

void endWithTheSession(MainWindow& window) {
  auto* bridge = new SignalBridge(&window);
  QObject::connect(bridge, &SignalBridge::terminationRequested, &window,
                   [&window] { window.endWithoutQuestions(); });
  // The desktop session ending asks for the data first; after that the session manager ends
  // the program, so the edits that need no question are saved now.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager&) { window.session().closeWithoutQuestions(); });
}

}  // namespace tolvane::app
