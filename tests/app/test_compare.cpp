// "Compare with...": opened by its shortcut and from both context menus, the sources it
// offers, the filter, the takes as single undoable steps, a view that follows the document,
// and a restore from planes.dat.orig that writes exactly the .orig's record.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/compare_view.h"
#include "app/main_window.h"
#include "record/fields.h"
#include "record/layout.h"
#include "script/native_path.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/compare_model.h"

using namespace tolvane;
using test::Fixture;
using ui::CompareModel;

namespace {

constexpr int kSlot = 7;   // B-24D, open in every test
constexpr int kOther = 3;  // P-47D

// The differences planes.dat gets from its .orig in the open slot: Year, Max speed, and gun
// group 2's number and ammunition (four fields).
const QList<QPair<int, QList<int>>> kChanges = {
    {9, {160, 7}}, {25, {16, 39, 0, 0}}, {101, {9}}, {107, {88, 2}}};

// Writes planes.dat as it is now beside it under another name, cut to `size` bytes if given.
void copyBeside(Fixture& f, const QString& suffix, qsizetype size = -1) {
  QByteArray bytes = f.folder.bytes();
  if (size >= 0) bytes.truncate(size);
  QFile out(f.folder.filePath() + suffix);
  QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(out.write(bytes), bytes.size());
}

// planes.dat.orig holds the generated file; planes.dat the open slot changed by kChanges
// (and another aircraft changed, so that a restore can be seen to leave it alone).
void makeOriginal(Fixture& f) {
  copyBeside(f, ".orig");
  for (const auto& [row, bytes] : kChanges) f.setRecordBytes(kSlot, row, bytes);
  f.setRecordBytes(kOther, 9, {100, 7});
}

// The compare view, opened by its shortcut from the aircraft list.
app::CompareView* openByShortcut(Fixture& f) {
  QTest::keyClick(f.window->controls().List1, Qt::Key_D, Qt::ControlModifier);
  auto* view = f.find<app::CompareView>("CompareView");
  if (view == nullptr || !view->isVisible()) return nullptr;
  return view;
}

template <typename T>
T* part(app::CompareView* view, const char* name) {
  return view->findChild<T*>(name);
}

// The table's text of a field: the open value, the mark, the other value, as shown.
QString shown(app::CompareView* view, int recordByte, int column) {
  return view->model().index(CompareModel::rowOfByte(recordByte), column).data().toString();
}

// Moves the table's current row with the keyboard to the field holding a record byte.
void selectWithKeys(app::CompareView* view, int recordByte) {
  auto* table = part<QTableView>(view, "CompareTable");
  table->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(table, Qt::Key_Home, Qt::ControlModifier);
  const QString name = QString::fromStdString(record::fieldOfRow(recordByte).name);
  for (int i = 0; i < table->model()->rowCount(); ++i) {
    if (table->currentIndex().siblingAtColumn(0).data().toString() == name) return;
    QTest::keyClick(table, Qt::Key_Down);
  }
  QFAIL(qPrintable("no row for " + name));
}

// The grid's values of a record's bytes.
QList<int> values(Fixture& f, int first, int count) {
  QList<int> out;
  for (int row = first; row < first + count; ++row) out << f.cell(row).toInt();
  return out;
}

QString differing(int count) {
  return QString("%1 of %2 fields differ.").arg(count).arg(record::allFields().size());
}

QList<int> fileRecord(const QByteArray& file, int slot) {
  QList<int> out;
  for (int k = 1; k <= record::kRecordBytes; ++k) {
    out << quint8(file[int(record::bytePosition(slot, k) - 1)]);
  }
  return out;
}

}  // namespace

class CompareTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // Ctrl+D and the entry in both context menus open the same view, beside the window.
  void opensFromEveryEntry_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("Ctrl+D") << "shortcut";
    QTest::newRow("the window's context menu") << "window";
    QTest::newRow("the grid's context menu") << "grid";
  }
  void opensFromEveryEntry() {
    QFETCH(QString, way);
    Fixture f;
    f.pick(kSlot);
    app::CompareView* view = nullptr;
    if (way == "shortcut") {
      view = openByShortcut(f);
    } else {
      QWidget* target = way == "grid" ? f.window->controls().G1->viewport() : f.window.get();
      const QStringList entries = tolvane::test::takeFromContextMenu(target, "Compare with...");
      QVERIFY2(entries.contains("Compare with...\tCtrl+D"), qPrintable(entries.join('|')));
      QTRY_VERIFY((view = f.find<app::CompareView>("CompareView")) && view->isVisible());
    }
    QVERIFY(view);
    QVERIFY(!view->isModal());
    QCOMPARE(view->parentWidget(), f.window.get());
    auto* table = part<QTableView>(view, "CompareTable");
    QCOMPARE(table->model()->rowCount(), int(record::allFields().size()));
    QCOMPARE(table->model()->headerData(CompareModel::kOpenColumn, Qt::Horizontal).toString(),
             "B-24D (open)");
    // Nothing differs from planes.dat itself, the source when there is no backup yet.
    QCOMPARE(part<QLabel>(view, "CompareSummary")->text(), "No field differs.");
    QCOMPARE(f.prompter.errors, QStringList());
  }

  // With no aircraft open there is nothing to compare: the user is told, no view opens.
  void nothingToCompareBeforeAPick() {
    Fixture f;
    QVERIFY(!openByShortcut(f));
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY(f.prompter.errors[0].contains("pick an aircraft"));
  }

  // A backup is offered only when it holds the aircraft; the view says why one is not.
  void offersOnlyReadableBackups_data() {
    QTest::addColumn<qsizetype>("bakSize");   // -2: no file
    QTest::addColumn<qsizetype>("origSize");  // -1: whole
    QTest::addColumn<QString>("note");
    QTest::newRow("no backups") << qsizetype(-2) << qsizetype(-2)
                                << "There is no planes.dat.bak|There is no planes.dat.orig";
    QTest::newRow("both whole") << qsizetype(-1) << qsizetype(-1) << "";
    QTest::newRow("a .orig too short for the aircraft")
        << qsizetype(-1) << qsizetype(record::bytePosition(kSlot, 100)) << "is too short";
    QTest::newRow("an empty .bak")
        << qsizetype(0) << qsizetype(-2) << "is too short|There is no planes.dat.orig";
  }
  void offersOnlyReadableBackups() {
    QFETCH(qsizetype, bakSize);
    QFETCH(qsizetype, origSize);
    QFETCH(QString, note);
    Fixture f;
    if (bakSize != -2) copyBeside(f, ".bak", bakSize);
    if (origSize != -2) copyBeside(f, ".orig", origSize);
    f.pick(kSlot);
    app::CompareView* view = openByShortcut(f);
    QVERIFY(view);
    auto* sources = part<QComboBox>(view, "CompareSource");
    QStringList items;
    for (int i = 0; i < sources->count(); ++i) items << sources->itemText(i);
    QCOMPARE(items.contains("planes.dat.bak, the same aircraft"), bakSize == -1);
    QCOMPARE(items.contains("planes.dat.orig, the same aircraft"), origSize == -1);
    QVERIFY(items.contains("P-47D (slot 3) in this planes.dat"));
    QVERIFY(items.contains("B-24D (slot 7) as saved in planes.dat"));
    auto* noteLabel = part<QLabel>(view, "CompareNote");
    QCOMPARE(noteLabel->isVisible(), !note.isEmpty());
    for (const QString& part : note.split('|', Qt::SkipEmptyParts)) {
      QVERIFY2(noteLabel->text().contains(part), qPrintable(noteLabel->text()));
    }
    // The first backup offered is what the view starts with.
    QCOMPARE(sources->currentText(), bakSize == -1    ? "planes.dat.bak, the same aircraft"
                                     : origSize == -1 ? "planes.dat.orig, the same aircraft"
                                                      : "B-24D (slot 7) as saved in planes.dat");
  }

  // "Only differences" keeps the fields that differ; Take, Take gun group and Take all each put
  // the other values into the open aircraft as one step, unsaved until a save, which one
  // Ctrl+Z takes back whole.
  void takesAreOneUndoableStepEach_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("selected");  // record byte of the field selected with the keys
    QTest::addColumn<QList<int>>("taken");
    QTest::newRow("Take") << "Take" << 25 << QList<int>{25};
    QTest::newRow("Take gun group") << "TakeGunGroup" << 107 << QList<int>{101, 107};
    QTest::newRow("Take all") << "TakeAll" << 101 << QList<int>{9, 25, 101, 107};
  }
  void takesAreOneUndoableStepEach() {
    QFETCH(QString, button);
    QFETCH(int, selected);
    QFETCH(QList<int>, taken);
    Fixture f;
    makeOriginal(f);
    const QByteArray before = f.folder.bytes();
    f.pick(kSlot);
    app::CompareView* view = openByShortcut(f);
    QVERIFY(view);
    QCOMPARE(part<QComboBox>(view, "CompareSource")->currentText(),
             "planes.dat.orig, the same aircraft");
    QCOMPARE(part<QLabel>(view, "CompareSummary")->text(), differing(4));
    auto* table = part<QTableView>(view, "CompareTable");
    auto* only = part<QCheckBox>(view, "OnlyDifferences");
    QTest::mouseClick(only, Qt::LeftButton, {}, QPoint(8, only->height() / 2));
    QVERIFY(only->isChecked());
    QCOMPARE(table->model()->rowCount(), 4);
    QCOMPARE(shown(view, 25, CompareModel::kOpenColumn), "100 mph (160.93 km/h)");
    QCOMPARE(shown(view, 25, CompareModel::kMarkColumn), CompareModel::differsMark());

    selectWithKeys(view, selected);
    auto* press = part<QPushButton>(view, qPrintable(button));
    QVERIFY(press->isEnabled());
    QTest::mouseClick(press, Qt::LeftButton);

    for (const auto& [row, bytes] : kChanges) {
      const QList<int> orig = fileRecord(test::demoBytes(), kSlot).mid(row - 1, bytes.size());
      QCOMPARE(values(f, row, int(bytes.size())), taken.contains(row) ? orig : bytes);
    }
    QCOMPARE(table->model()->rowCount(), 4 - int(taken.size()));
    QVERIFY(f.window->hasUnsavedChanges());
    QCOMPARE(f.folder.bytes(), before);  // nothing written until a save

    // One Ctrl+Z, pressed in the compare view as the active window, takes the whole take back.
    QApplication::setActiveWindow(view);
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    for (const auto& [row, bytes] : kChanges) QCOMPARE(values(f, row, int(bytes.size())), bytes);
    QVERIFY(!f.window->hasUnsavedChanges());
    QCOMPARE(table->model()->rowCount(), 4);
    QCOMPARE(f.folder.bytes(), before);
  }

  // A code typed in the window without Enter, then a Take of another field: the code is kept
  // as a step of its own before the take, or, when it is no code, the take is refused and
  // the box keeps what was typed.
  void aTakeKeepsACodeTypedWithoutEnter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("taken");
    QTest::newRow("a code") << "ZZ9A" << true;
    QTest::newRow("three characters") << "ZZ9" << false;
    QTest::newRow("a character the game cannot hold") << "ZZ9\u0416" << false;
  }
  void aTakeKeepsACodeTypedWithoutEnter() {
    QFETCH(QString, typed);
    QFETCH(bool, taken);
    Fixture f;
    makeOriginal(f);
    f.pick(kSlot);
    const QList<int> code = values(f, 165, 4);
    app::CompareView* view = openByShortcut(f);
    QVERIFY(view);
    f.typeInto("Text5", typed);
    selectWithKeys(view, 25);
    QTest::mouseClick(part<QPushButton>(view, "Take"), Qt::LeftButton);

    auto* box = f.find<QLineEdit>("Text5");
    QCOMPARE(box->text(), typed);
    const QList<int> taken25 = fileRecord(test::demoBytes(), kSlot).mid(24, 4);
    const QList<int> typedCode = {'Z', 'Z', '9', 'A'};
    if (!taken) {
      QCOMPARE(f.prompter.errors.size(), 1);
      QVERIFY2(f.prompter.errors[0].contains("nothing was changed"),
               qPrintable(f.prompter.errors[0]));
      QCOMPARE(values(f, 25, 4), kChanges[1].second);
      QCOMPARE(values(f, 165, 4), code);
      return;
    }
    QCOMPARE(f.prompter.errors, QStringList());
    QCOMPARE(values(f, 25, 4), taken25);
    QCOMPARE(values(f, 165, 4), typedCode);
    // The first Ctrl+Z takes back the take alone, the second the code.
    auto* table = part<QTableView>(view, "CompareTable");
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(values(f, 25, 4), kChanges[1].second);
    QCOMPARE(values(f, 165, 4), typedCode);
    QCOMPARE(box->text(), typed);
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(values(f, 165, 4), code);
  }

  // The view shows the document: a typed value and its undo at once, and a pick compares the
  // new aircraft with the same source.
  void followsTheOpenAircraft() {
    Fixture f;
    makeOriginal(f);
    f.pick(kSlot);
    app::CompareView* view = openByShortcut(f);
    QVERIFY(view);
    QCOMPARE(shown(view, 11, CompareModel::kMarkColumn), QString());
    f.typeInto("Text7", "5");  // Crew
    QCOMPARE(shown(view, 11, CompareModel::kOpenColumn), "5");
    QCOMPARE(shown(view, 11, CompareModel::kMarkColumn), CompareModel::differsMark());
    QCOMPARE(part<QLabel>(view, "CompareSummary")->text(), differing(5));
    QTest::keyClick(f.find<QWidget>("Text7"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(shown(view, 11, CompareModel::kMarkColumn), QString());

    f.pick(kOther);
    QCOMPARE(view->model()
                 .headerData(CompareModel::kOpenColumn, Qt::Horizontal, Qt::DisplayRole)
                 .toString(),
             "P-47D (open)");
    QCOMPARE(part<QComboBox>(view, "CompareSource")->currentText(),
             "planes.dat.orig, the same aircraft");
    // The other aircraft's Year differs from its .orig, and nothing else.
    QCOMPARE(shown(view, 9, CompareModel::kOtherColumn),
             QString::number(
                 quint8(test::demoBytes()[int(record::bytePosition(kOther, 9) - 1)]) +
                 256 * quint8(test::demoBytes()[int(record::bytePosition(kOther, 10) - 1)])));
    QCOMPARE(shown(view, 9, CompareModel::kOpenColumn), "1892");
    QCOMPARE(view->model().differingCount(), 1);
  }

  // Restoring an aircraft: compare with planes.dat.orig, Take all, Ctrl+S, all in the compare
  // view. planes.dat then holds the .orig's record in that slot, and every other byte as it
  // was.
  void takeAllFromOriginalThenSaveRestoresTheRecord() {
    Fixture f;
    makeOriginal(f);
    const QByteArray before = f.folder.bytes();
    QFile origFile(f.folder.filePath() + ".orig");
    QVERIFY(origFile.open(QIODevice::ReadOnly));
    const QByteArray orig = origFile.readAll();
    f.pick(kSlot);
    app::CompareView* view = openByShortcut(f);
    QVERIFY(view);
    QTest::mouseClick(part<QPushButton>(view, "TakeAll"), Qt::LeftButton);
    // The view is the active window, so the window's own shortcuts do not apply.
    QApplication::setActiveWindow(view);
    QCOMPARE(QApplication::activeWindow(), view);
    QTest::keyClick(part<QTableView>(view, "CompareTable"), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!f.window->hasUnsavedChanges());
    const QByteArray after = f.folder.bytes();
    QCOMPARE(after.size(), before.size());
    QCOMPARE(fileRecord(after, kSlot), fileRecord(orig, kSlot));
    for (int slot = 0; slot < record::kSlotCount; ++slot) {
      if (slot != kSlot) QCOMPARE(fileRecord(after, slot), fileRecord(before, slot));
    }
    const qsizetype first = record::bytePosition(kSlot, 1) - 1;
    QCOMPARE(after.left(first), before.left(first));
    QCOMPARE(after.mid(first + record::kRecordBytes), before.mid(first + record::kRecordBytes));
    // After the save, the view compares again, with the .bak the save made offered too.
    QCOMPARE(part<QLabel>(view, "CompareSummary")->text(), "No field differs.");
    QVERIFY(part<QComboBox>(view, "CompareSource")->findText("planes.dat.bak, the same aircraft") >=
            0);
  }

  // Another game folder's planes.dat, chosen in the folder chooser (a folder without one is
  // explained and the chooser opens again), then another aircraft chosen by typing its name
  // in the list of sources.
  void comparesWithAnotherFolderAndAnotherAircraft() {
    Fixture f;
    QTemporaryDir other;
    QTemporaryDir empty;
    QByteArray otherBytes = test::demoBytes();
    otherBytes[int(record::bytePosition(kSlot, 11) - 1)] = char(9);  // crew 9
    {
      QFile out(other.filePath("PLANES.DAT"));
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write(otherBytes);
    }
    f.pick(kSlot);
    app::CompareView* view = openByShortcut(f);
    QVERIFY(view);
    f.prompter.folders = QStringList{empty.path(), other.path()};
    QTest::mouseClick(part<QPushButton>(view, "CompareFolder"), Qt::LeftButton);
    QCOMPARE(f.prompter.folderTitles.size(), 2);
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY(f.prompter.errors[0].contains("There is no planes.dat"));
    QCOMPARE(shown(view, 11, CompareModel::kOtherColumn), "9");
    QCOMPARE(view->model().differingCount(), 1);
    QVERIFY(view->model().otherName().contains(script::displayPath(other.path())));

    auto* sources = part<QComboBox>(view, "CompareSource");
    sources->setFocus(Qt::OtherFocusReason);
    // "Spit" finds the first Spitfire; Down goes on to the next one.
    QTest::keyClicks(sources, "Spit");
    QCOMPARE(sources->currentText(), "Spit Ia (slot 10) in this planes.dat");
    QTest::keyClick(sources, Qt::Key_Down);
    QCOMPARE(sources->currentText(), "Spit IX (slot 11) in this planes.dat");
    QCOMPARE(view->model().otherName(), "Spit IX (slot 11)");
    QCOMPARE(shown(view, 165, CompareModel::kOtherColumn),
             QString::fromStdString(record::playerText(record::fieldOfRow(165), [] {
               record::RecordBytes bytes{};
               const QByteArray file = test::demoBytes();
               for (int k = 1; k <= record::kRecordBytes; ++k) {
                 bytes[std::size_t(k - 1)] = quint8(file[int(record::bytePosition(11, k) - 1)]);
               }
               return bytes;
             }())));
  }
};

QTEST_MAIN(CompareTest)
#include "test_compare.moc"
