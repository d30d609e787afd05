#include "support/test_support.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>

#include "editors/value_mark.h"
#include "record/demo_data.h"
#include "record/layout.h"
#include "ui/byte_grid.h"
#include "ui/pick_list.h"

namespace tolvane::test {

RecordingPrompter::RecordingPrompter() {
  ui::setPrompter(this);
}
RecordingPrompter::~RecordingPrompter() {
  ui::setPrompter(nullptr);
}

void RecordingPrompter::showError(const QString&, const QString& text) {
  errors << text;
}

bool RecordingPrompter::ask(const QString&, const QString& text, const QString&, const QString&) {
  questions << text;
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

int RecordingPrompter::choose(const QString&, const QString& text, const QStringList& buttons, int,
                              int escapeIndex) {
  questions << text;
  buttonSets << buttons;
  if (chooser) {
    const int taken = chooser(text, buttons);
    if (taken < 0 || taken >= buttons.size())
      qFatal("test chooser took a button that is not there");
    return taken;
  }
  if (choices.isEmpty()) return escapeIndex;
  const int taken = static_cast<int>(buttons.indexOf(choices.takeFirst()));
  if (taken < 0) qFatal("test answers a question with a button it does not have");
  return taken;
}

QString RecordingPrompter::chooseFolder(const QString& title, const QString& from) {
  folderTitles << title;
  if (folders.isEmpty()) return Prompter::chooseFolder(title, from);
  return folders.takeFirst();
}

int RecordingPrompter::chooseItem(const QString&, const QString& text, const QStringList& list, int,
                                  const QString&) {
  questions << text;
  itemSets << list;
  if (items.isEmpty()) return -1;
  const int taken = static_cast<int>(list.indexOf(items.takeFirst()));
  if (taken < 0) qFatal("test takes an entry the list does not have");
  return taken;
}

bool noteShown(const QLineEdit* box, const QString& savedAs) {
  const QColor colour = box->palette().color(QPalette::Text);
  return colour != QColor(Qt::red) && colour == editors::noteColour() &&
         box->toolTip().startsWith(QStringLiteral("Saved as %1:").arg(savedAs));
}

QByteArray demoBytes() {
  const std::vector<std::uint8_t> bytes = record::demoFile();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

DataFolder::DataFolder(const QString& fileName)
    : fileName_(fileName), previous_(QDir::currentPath()) {
  setBytes(demoBytes());
  QDir::setCurrent(dir_.path());
}

DataFolder::~DataFolder() {
  QDir::setCurrent(previous_);
}

QByteArray DataFolder::bytes() const {
  QFile file(filePath());
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void DataFolder::setBytes(const QByteArray& bytes) const {
  QFile file(filePath());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test data");
  file.write(bytes);
}

Fixture::Fixture() : window(std::make_unique<app::MainWindow>()) {
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) qWarning("window not exposed");
}

Fixture::~Fixture() {
  window.reset();
}

void Fixture::setRecordBytes(int slot, int k, const QList<int>& values) const {
  QByteArray bytes = folder.bytes();
  for (int n = 0; n < values.size(); ++n) {
    bytes[static_cast<int>(record::bytePosition(slot, k + n) - 1)] = static_cast<char>(values[n]);
  }
  folder.setBytes(bytes);
}

int Fixture::fileByte(int slot, int k) const {
  return static_cast<unsigned char>(
      folder.bytes()[static_cast<int>(record::bytePosition(slot, k) - 1)]);
}

bool Fixture::close() const {
  QCloseEvent event;
  QCoreApplication::sendEvent(window.get(), &event);
  return event.isAccepted();
}

void Fixture::pick(int slot) {
  QListWidget* list = window->controls().List1;
  QListWidgetItem* item = list->item(slot);
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                    list->visualItemRect(item).center());
}

QString Fixture::cell(int row, int column) const {
  return window->controls().G1->textMatrix(row, column);
}

void Fixture::setCell(int row, int column, const QString& text) {
  window->controls().G1->setTextMatrix(row, column, text);
}

void typeInto(QLineEdit* box, const QString& text, bool enter) {
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  // A character that is not ASCII comes as a key press carrying it, as from a keyboard layout
  // or an input method.
  for (const QChar c : text) {
    if (c.unicode() < 128) {
      QTest::keyClick(box, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
  if (enter) QTest::keyClick(box, Qt::Key_Return);
}

void typeInGrid(app::MainWindow& window, int row, const QString& text) {
  ui::ByteGrid* grid = window.controls().G1;
  grid->setTopRow(row);
  const QRect cell = grid->visualRect(grid->model()->index(row, record::kLabelColumn));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  typeInto(window.controls().Text4, text, true);
}

void Fixture::typeInto(const QString& box, const QString& text, bool enter) {
  test::typeInto(find<QLineEdit>(box), text, enter);
}

void Fixture::typeInGrid(int row, const QString& text) {
  test::typeInGrid(*window, row, text);
}

bool PaintWatch::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) {
    ++paints_[watched];
    regions_[watched] += static_cast<QPaintEvent*>(event)->region();
  }
  return false;
}

QStringList takeFromContextMenu(QWidget* widget, const QString& entry) {
  QStringList seen;
  QTimer::singleShot(50, widget, [&seen, entry] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    QAction* taken = nullptr;
    for (QAction* action : menu->actions()) {
      if (action->isSeparator()) continue;
      seen << action->text() + "\t" + action->shortcut().toString(QKeySequence::NativeText);
      if (action->text() == entry && action->isEnabled()) taken = action;
    }
    if (taken) {
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(taken).center());
    } else {
      menu->close();
    }
  });
  const QPoint at(5, 5);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
  QApplication::sendEvent(widget, &event);
  return seen;
}

bool contextMenuOffers(QWidget* widget, const QString& entry) {
  bool offered = false;
  QTimer::singleShot(50, widget, [&offered, entry] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* action : menu->actions()) {
      if (action->text() == entry && action->isEnabled()) offered = true;
    }
    menu->close();
  });
  const QPoint at(5, 5);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
  QApplication::sendEvent(widget, &event);
  return offered;
}

}  // namespace tolvane::test
