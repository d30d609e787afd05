// The whole file from the window: the title that names the open aircraft and its unsaved
// state, the overview of all 30 aircraft (opened, sorted, used to open an aircraft, showing the
// open one's unsaved values), and copying an aircraft into another slot.
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "cli/record_text.h"
#include "record/layout.h"
#include "record/record_file.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/overview.h"
#include "ui/pick_list.h"

using namespace tolvane;
using test::Fixture;
using Column = ui::OverviewModel::Column;

namespace {

const QString kDash = QStringLiteral(" \u2014 ");

// A fixture whose window is active, so that its shortcuts reach it.
struct ActiveFixture : Fixture {
  ActiveFixture() {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("window not active");
  }
  const editors::WindowControls& c() const { return window->controls(); }
  // A key pressed where the focus is, as the keyboard sends it.
  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
  }
  // The user goes back to the main window from the overview, which took the activation.
  void backToWindow() {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("window not active");
  }
  ui::OverviewDialog* overview() const {
    return window->findChild<ui::OverviewDialog*>("Overview");
  }
};

// Where a menu entry is taken from: "window" (the background) or "grid".
QWidget* menuTarget(ActiveFixture& f, const QString& where) {
  return where == "grid" ? static_cast<QWidget*>(f.c().G1->viewport()) : f.window.get();
}

int viewRowOf(const ui::OverviewDialog* d, int slot) {
  for (int row = 0; row < record::kSlotCount; ++row) {
    if (d->slotAtRow(row) == slot) return row;
  }
  return -1;
}

QModelIndex cellOf(const ui::OverviewDialog* d, int slot, int column) {
  return d->table()->model()->index(viewRowOf(d, slot), column);
}

QString cellText(const ui::OverviewDialog* d, int slot, int column) {
  return cellOf(d, slot, column).data().toString();
}

// Clicks a column's title, as the user sorts the table.
void clickHeader(ui::OverviewDialog* d, int column) {
  QHeaderView* header = d->table()->horizontalHeader();
  const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                  header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// Opens an aircraft from the overview: Enter on its row (reached with the arrow keys from the
// top) or a double-click on it.
void openFromOverview(ui::OverviewDialog* d, int slot, const QString& way) {
  QTableView* table = d->table();
  const int row = viewRowOf(d, slot);
  if (way == "Enter") {
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < row; ++i) QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Return);
  } else {
    const QModelIndex cell = table->model()->index(row, Column::AircraftColumn);
    table->scrollTo(cell);
    // A double-click as the windowing system delivers it: press, release, then the second
    // press as a double-click and its release.
    const QPoint at = table->visualRect(cell).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, at);
  }
}

// The number a cell's text starts with ("402 mph (646.93 km/h)" gives 402).
double leadingNumber(const QString& text) {
  return text.section(QLatin1Char(' '), 0, 0).toDouble();
}

QByteArray recordOf(const QByteArray& file, int slot) {
  return file.mid(static_cast<int>(record::bytePosition(slot, 1) - 1), record::kRecordBytes);
}

}  // namespace

class OverviewTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // The title names the open aircraft and marks unsaved changes; the mark goes with an undo, a
  // save, or a pick (which saves the edit), and the list names the game folder.
  void titleFollowsTheRecord_data() {
    QTest::addColumn<QString>("then");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("written");
    const QString b24 = "B-24D[*]" + kDash + "planes.dat" + kDash + "Tolvane";
    QTest::newRow("Ctrl+Z") << "undo" << b24 << false;
    QTest::newRow("Ctrl+S") << "save" << b24 << true;
    QTest::newRow("a pick") << "pick"
                            << "Hurricane[*]" + kDash + "planes.dat" + kDash + "Tolvane" << true;
  }
  void titleFollowsTheRecord() {
    QFETCH(QString, then);
    QFETCH(QString, title);
    QFETCH(bool, written);
    ActiveFixture f;
    QCOMPARE(f.window->windowTitle(), QString("Tolvane"));
    QVERIFY(!f.window->isWindowModified());
    f.pick(7);
    QCOMPARE(f.window->windowTitle(), "B-24D[*]" + kDash + "planes.dat" + kDash + "Tolvane");
    QVERIFY(!f.window->isWindowModified());
    QVERIFY(f.c().List1->item(7)->toolTip().contains(f.folder.path()));
    QVERIFY(f.c().List1->item(6)->toolTip().isEmpty());

    test::typeInto(f.c().Text3[3], "36000");
    QVERIFY(f.window->isWindowModified());
    if (then == "undo") f.press(Qt::Key_Z, Qt::ControlModifier);
    if (then == "save") f.press(Qt::Key_S, Qt::ControlModifier);
    if (then == "pick") f.pick(9);
    QCOMPARE(f.window->windowTitle(), title);
    QVERIFY(!f.window->isWindowModified());
    QCOMPARE(f.fileByte(7, 26) == 140, written);  // 36000 = 160 + 140 * 256
    QVERIFY(f.prompter.errors.isEmpty());
  }

  // The overview opens from the shortcut and from both context menus, beside the window (not
  // modal), with one row per aircraft in the same terms as the command line's table.
  void overviewOpens_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("Ctrl+T") << "shortcut";
    QTest::newRow("the window's context menu") << "window";
    QTest::newRow("the grid's context menu") << "grid";
  }
  void overviewOpens() {
    QFETCH(QString, way);
    ActiveFixture f;
    if (way == "shortcut") {
      f.press(Qt::Key_T, Qt::ControlModifier);
    } else {
      const QStringList entries =
          test::takeFromContextMenu(menuTarget(f, way), "Overview of all aircraft...");
      QVERIFY2(entries.contains("Overview of all aircraft...\tCtrl+T"),
               qPrintable(entries.join('|')));
      QVERIFY2(entries.contains("Copy to slot...\t"), qPrintable(entries.join('|')));
    }
    QTRY_VERIFY(f.overview() && f.overview()->isVisible());
    ui::OverviewDialog* d = f.overview();
    QVERIFY(!d->isModal());
    QCOMPARE(d->table()->model()->rowCount(), 30);
    // Every figure as `tolvane show` prints it: the table's columns cut at its header's words.
    std::array<record::RecordBytes, record::kSlotCount> records{};
    for (int slot = 0; slot < record::kSlotCount; ++slot) {
      records[static_cast<std::size_t>(slot)] =
          record::readRecord(f.folder.filePath().toStdString(), slot).bytes;
    }
    const QStringList lines = QString::fromStdString(cli::aircraftTable(records)).split('\n');
    const QString header = lines[0];
    const QList<std::pair<QString, int>> columns = {{"Aircraft", Column::AircraftColumn},
                                                    {"Year", Column::YearColumn},
                                                    {"Crew", Column::CrewColumn},
                                                    {"Max speed", Column::MaxSpeedColumn},
                                                    {"Gun groups", Column::GunGroupsColumn},
                                                    {"Code", Column::CodeColumn}};
    for (int slot = 0; slot < record::kSlotCount; ++slot) {
      const QString line = lines[slot + 1];
      for (int k = 0; k < columns.size(); ++k) {
        const int from = static_cast<int>(header.indexOf(columns[k].first));
        const int to = k + 1 < columns.size()
                           ? static_cast<int>(header.indexOf(columns[k + 1].first))
                           : static_cast<int>(line.size());
        QCOMPARE(cellText(d, slot, columns[k].second).trimmed(),
                 line.mid(from, to - from).trimmed());
      }
    }
    // The other speeds in the same terms: 95 mph is 152.88 km/h as the window shows it.
    QCOMPARE(cellText(d, 7, Column::StallSpeedColumn), QString("95 mph (152.88 km/h)"));
    QCOMPARE(cellText(d, 7, Column::CruiseSpeedColumn), QString("175 mph (281.62 km/h)"));
    QCOMPARE(cellText(d, 7, Column::CornerSpeedColumn), QString("155 mph (249.44 km/h)"));
    // Nothing is cut off: every text fits its column.
    const QAbstractItemView* view = d->table();
    for (int column = 0; column < Column::ColumnCount; ++column) {
      QVERIFY(view->sizeHintForColumn(column) <= d->table()->columnWidth(column));
    }
  }

  // A click on a column's title sorts by the figures' values, not by their text ("10" after
  // "9"), the open aircraft's unsaved value included; a second click reverses.
  void sortsByValue_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("first");  // the slot expected first; -1: no single one
    QTest::newRow("crew, lowest first") << int(Column::CrewColumn) << 1 << 29;
    QTest::newRow("crew, highest first") << int(Column::CrewColumn) << 2 << -1;
    QTest::newRow("max speed with an unsaved 99 mph") << int(Column::MaxSpeedColumn) << 1 << 7;
    QTest::newRow("gun groups") << int(Column::GunGroupsColumn) << 1 << 29;
    QTest::newRow("stall speed, highest first") << int(Column::StallSpeedColumn) << 2 << 29;
  }
  void sortsByValue() {
    QFETCH(int, column);
    QFETCH(int, clicks);
    QFETCH(int, first);
    ActiveFixture f;
    f.pick(7);
    test::typeInto(f.c().Text3[3], "9900");  // 99 mph, below every other aircraft
    ui::OverviewDialog* d = f.window->showOverview();
    for (int i = 0; i < clicks; ++i) clickHeader(d, column);
    const bool ascending = clicks % 2 == 1;
    QCOMPARE(d->table()->horizontalHeader()->sortIndicatorOrder(),
             ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    double previous = ascending ? -1.0 : 1e18;
    for (int row = 0; row < record::kSlotCount; ++row) {
      const double value = leadingNumber(d->table()->model()->index(row, column).data().toString());
      QVERIFY2(ascending ? value >= previous : value <= previous,
               qPrintable(QString("row %1: %2 after %3").arg(row).arg(value).arg(previous)));
      previous = value;
    }
    if (first >= 0) QCOMPARE(d->slotAtRow(0), first);
  }

  // Enter or a double-click on a row opens that aircraft as a pick in the list does: pending
  // edits are saved by themselves, or asked about after the Script Maker was opened, and a
  // refused save or "Go back" leaves the open aircraft, its edits and the file as they were.
  void openingFromTheOverview_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("crew");      // typed into the open B-24D's Crew box first
    QTest::addColumn<bool>("scriptMaker");  // opened and cancelled after typing
    QTest::addColumn<QString>("answer");    // to the pending-edit question
    QTest::addColumn<bool>("opened");       // the Hurricane is open afterwards
    QTest::addColumn<bool>("crewWritten");  // the crew is in planes.dat afterwards
    QTest::addColumn<QString>("message");   // part of the question or error; empty: none
    for (const QString way : {"Enter", "double-click"}) {
      const QByteArray w = way.toLatin1();
      QTest::addRow("%s, no edits", w.data()) << way << "" << false << "" << true << false << "";
      QTest::addRow("%s, edits saved by themselves", w.data())
          << way << "12" << false << "" << true << true << "";
      QTest::addRow("%s, Go back", w.data())
          << way << "12" << true << "Go back" << false << false << "are not saved";
      QTest::addRow("%s, Discard", w.data())
          << way << "12" << true << "Discard" << true << false << "are not saved";
      QTest::addRow("%s, a refused value", w.data())
          << way << "12x" << false << "" << false << false << "not saved, so the pick";
    }
  }
  void openingFromTheOverview() {
    QFETCH(QString, way);
    QFETCH(QString, crew);
    QFETCH(bool, scriptMaker);
    QFETCH(QString, answer);
    QFETCH(bool, opened);
    QFETCH(bool, crewWritten);
    QFETCH(QString, message);
    ActiveFixture f;
    f.pick(7);
    const QByteArray before = f.folder.bytes();
    if (!crew.isEmpty()) test::typeInto(f.c().Text7, crew);
    if (scriptMaker) {
      QTest::mouseClick(f.c().Command2, Qt::LeftButton);
      QTest::mouseClick(f.c().Command5, Qt::LeftButton);
    }
    if (!answer.isEmpty()) f.prompter.choices = {answer};
    ui::OverviewDialog* d = f.window->showOverview();
    openFromOverview(d, 9, way);

    QCOMPARE(f.window->openSlot(), opened ? 9 : 7);
    QCOMPARE(f.c().List1->selectedRow(), opened ? 9 : 7);
    const QString said = (f.prompter.questions + f.prompter.errors).join('\n');
    QCOMPARE(said.isEmpty(), message.isEmpty());
    QVERIFY2(said.contains(message), qPrintable(said));
    if (crewWritten) {
      QCOMPARE(f.fileByte(7, 11), 12);
    } else {
      QCOMPARE(f.folder.bytes(), before);
    }
    if (!opened && !crew.isEmpty()) {
      // Nothing was lost: the edit stays in its box and in the overview, marked.
      QCOMPARE(f.c().Text7->text(), crew);
      QVERIFY(f.window->hasUnsavedChanges());
      QCOMPARE(cellText(d, 7, Column::CrewColumn).remove('"'), crew);
      QVERIFY(cellOf(d, 7, Column::CrewColumn).data(Qt::BackgroundRole).isValid());
    }
    // The overview marks the open aircraft's row, wherever it is now.
    const int open = f.window->openSlot();
    QVERIFY(cellOf(d, open, Column::AircraftColumn).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!cellOf(d, open == 9 ? 7 : 9, Column::AircraftColumn).data(Qt::FontRole).isValid());
  }

  // The open aircraft's row shows the values as typed, before any save, marked as the window
  // marks them and said in words; an undo takes the mark away, and the other rows show the
  // file as a save leaves it.
  void showsUnsavedValues_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("said");
    QTest::newRow("max speed") << "Text3(3)"
                               << "36000" << int(Column::MaxSpeedColumn) << "360 mph (579.34 km/h)"
                               << "Max speed 360 mph (579.34 km/h), not saved yet";
    QTest::newRow("the longest max speed")
        << "Text3(3)"
        << "4294967295" << int(Column::MaxSpeedColumn) << "42949672.95 mph (69118908.67 km/h)"
        << "Max speed 42949672.95 mph (69118908.67 km/h), not saved yet";
    QTest::newRow("year") << "Text8"
                          << "1950" << int(Column::YearColumn) << "1950"
                          << "Year 1950, not saved yet";
    QTest::newRow("a crew saving refuses") << "Text7"
                                           << "12x" << int(Column::CrewColumn) << "\"12x\""
                                           << "Crew \"12x\", refused by saving";
  }
  void showsUnsavedValues() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(int, column);
    QFETCH(QString, shown);
    QFETCH(QString, said);
    ActiveFixture f;
    f.pick(7);
    ui::OverviewDialog* d = f.window->showOverview();
    const QString fileText = cellText(d, 7, column);
    QVERIFY(!cellOf(d, 7, column).data(Qt::BackgroundRole).isValid());

    f.backToWindow();
    f.typeInto(box, typed);
    QCOMPARE(cellText(d, 7, column), shown);
    // The column grows to the text as typed, so that nothing of it is cut off.
    QVERIFY(d->table()->sizeHintForIndex(cellOf(d, 7, column)).width() <=
            d->table()->columnWidth(column));
    QVERIFY(cellOf(d, 7, column).data(Qt::BackgroundRole).isValid());
    QCOMPARE(cellOf(d, 7, column).data(Qt::AccessibleTextRole).toString(), said);
    QVERIFY(cellOf(d, 7, Column::AircraftColumn)
                .data(Qt::AccessibleTextRole)
                .toString()
                .endsWith("open in the window, with unsaved changes"));
    QVERIFY(!cellOf(d, 8, column).data(Qt::BackgroundRole).isValid());

    f.press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cellText(d, 7, column), fileText);
    QVERIFY(!cellOf(d, 7, column).data(Qt::BackgroundRole).isValid());
    QVERIFY(cellOf(d, 7, Column::AircraftColumn)
                .data(Qt::AccessibleTextRole)
                .toString()
                .endsWith("open in the window"));
  }

  // After a save the other rows are read from planes.dat again: a change another program made
  // to another aircraft shows.
  void refreshesAfterASave() {
    ActiveFixture f;
    f.pick(7);
    ui::OverviewDialog* d = f.window->showOverview();
    QCOMPARE(cellText(d, 3, Column::YearColumn), QString("1944"));
    f.setRecordBytes(3, 9, {0x9E, 0x07});  // 1950, written by another program
    f.backToWindow();
    test::typeInto(f.c().Text8, "1945");
    QCOMPARE(cellText(d, 3, Column::YearColumn), QString("1944"));  // as read
    f.press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.fileByte(7, 9), 0x99);  // 1945
    QTRY_COMPARE(cellText(d, 3, Column::YearColumn), QString("1950"));
    QCOMPARE(cellText(d, 7, Column::YearColumn), QString("1945"));
    QVERIFY(!cellOf(d, 7, Column::YearColumn).data(Qt::BackgroundRole).isValid());
  }

  // "Copy to slot..." from either context menu: the list of the other 29 aircraft; the target
  // opens as a pick opens it (the source's pending edit saved by itself); the preview lists
  // what changes; "Copy" puts the source's bytes 2 to 168 into the target as one undoable
  // step, and a save writes them there and nowhere else. Byte 1 stays the target's, as with a
  // script. Cancel in the list changes nothing; Cancel in the preview leaves the target open
  // and unchanged.
  void copyToSlot_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("target");   // the list's entry taken; empty: Cancel
    QTest::addColumn<QString>("preview");  // the preview's button
    for (const QString where : {"window", "grid"}) {
      const QByteArray w = where.toLatin1();
      QTest::addRow("%s menu, copied", w.data()) << where << "B-17F (slot 6)"
                                                 << "Copy";
      QTest::addRow("%s menu, list cancelled", w.data()) << where << ""
                                                         << "";
      QTest::addRow("%s menu, preview cancelled", w.data()) << where << "B-17F (slot 6)"
                                                            << "Cancel";
    }
  }
  void copyToSlot() {
    QFETCH(QString, where);
    QFETCH(QString, target);
    QFETCH(QString, preview);
    ActiveFixture f;
    f.setRecordBytes(6, 1, {66});
    f.setRecordBytes(7, 1, {77});
    const QByteArray original = f.folder.bytes();
    f.pick(7);
    test::typeInto(f.c().Text3[3], "36000");  // B-24D's max speed, pending
    if (!target.isEmpty()) f.prompter.items = {target};
    if (!preview.isEmpty()) f.prompter.choices = {preview};
    test::takeFromContextMenu(menuTarget(f, where), "Copy to slot...");
    f.backToWindow();  // the menu has closed: the keys go to the window again

    QCOMPARE(f.prompter.itemSets.size(), 1);
    QCOMPARE(f.prompter.itemSets[0].size(), 29);
    QVERIFY(!f.prompter.itemSets[0].contains("B-24D (slot 7)"));
    if (target.isEmpty()) {
      QCOMPARE(f.window->openSlot(), 7);
      QVERIFY(f.window->hasUnsavedChanges());
      QCOMPARE(f.folder.bytes(), original);
      return;
    }
    // The pick saved the source's edit, so the copy carries it.
    QCOMPARE(f.window->openSlot(), 6);
    QCOMPARE(f.fileByte(7, 26), 140);
    QCOMPARE(f.prompter.questions.size(), 2);
    const QString shown = f.prompter.questions[1];
    QVERIFY2(shown.contains("Max speed 299.00 \u2192 360.00 mph (481.2 \u2192 579.3 km/h)"),
             qPrintable(shown));
    QVERIFY2(shown.contains("Code B17F \u2192 B24D"), qPrintable(shown));
    QVERIFY(!shown.contains("Pln No, byte 1"));
    const QByteArray afterPick = f.folder.bytes();
    if (preview == "Cancel") {
      QVERIFY(!f.window->hasUnsavedChanges());
      f.press(Qt::Key_S, Qt::ControlModifier);
      QCOMPARE(f.folder.bytes(), afterPick);
      return;
    }
    QVERIFY(f.window->hasUnsavedChanges());
    QCOMPARE(f.folder.bytes(), afterPick);  // nothing written before a save
    // One undo takes the whole copy back, a redo brings it again.
    f.press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!f.window->hasUnsavedChanges());
    f.press(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(f.window->hasUnsavedChanges());
    f.press(Qt::Key_S, Qt::ControlModifier);
    QVERIFY(f.prompter.errors.isEmpty());

    const QByteArray saved = f.folder.bytes();
    QCOMPARE(recordOf(saved, 6).mid(1), recordOf(saved, 7).mid(1));
    QCOMPARE(static_cast<int>(recordOf(saved, 6)[0]), 66);
    // Every other byte of the file is as the pick's save left it.
    QByteArray expected = afterPick;
    expected.replace(static_cast<int>(record::bytePosition(6, 1) - 1), record::kRecordBytes,
                     recordOf(saved, 6));
    QCOMPARE(saved, expected);
    QCOMPARE(saved.size(), original.size());
  }
};

QTEST_MAIN(OverviewTest)
#include "test_overview.moc"
