// The in-place byte editor and the clicks that scroll the grid.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/test_support.h"
#include "ui/byte_grid.h"

using tolvane::test::Fixture;
using tolvane::ui::ByteGrid;

namespace {

void clickRow(ByteGrid* grid, int row) {
  grid->setTopRow(row);
  const QRect cell = grid->visualRect(grid->model()->index(row, 3));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

}  // namespace

class ByteEditorTest : public QObject {
  Q_OBJECT
 private slots:
  void clickShowsTheEditorOnlyOnDamageAndMbRows_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("shown");
    QTest::newRow("72") << 72 << false;
    QTest::newRow("73") << 73 << true;
    QTest::newRow("84") << 84 << true;
    QTest::newRow("85") << 85 << false;
    QTest::newRow("160") << 160 << false;
    QTest::newRow("161") << 161 << true;
    QTest::newRow("164") << 164 << true;
    QTest::newRow("165") << 165 << false;
    QTest::newRow("5") << 5 << false;
  }
  void clickShowsTheEditorOnlyOnDamageAndMbRows() {
    QFETCH(int, row);
    QFETCH(bool, shown);
    Fixture f;
    f.pick(1);
    auto* grid = f.find<ByteGrid>("G1");
    auto* editor = f.find<QLineEdit>("Text4");
    clickRow(grid, 80);  // open it first, with text typed but not committed
    editor->setText("uncommitted");
    clickRow(grid, row);
    QCOMPARE(grid->row(), row);
    QCOMPARE(editor->isVisible(), shown);
    if (shown) QCOMPARE(editor->text(), f.cell(row, 2));
    QCOMPARE(f.cell(80, 2), f.cell(80, 1));
  }

  void enterCommitsIntoTheRowItWasOpenedFor() {
    Fixture f;
    f.pick(1);
    auto* grid = f.find<ByteGrid>("G1");
    auto* editor = f.find<QLineEdit>("Text4");
    clickRow(grid, 74);
    // Unchanged text still marks the record modified.
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(f.window->state().recordModified);
    QVERIFY(!editor->isVisible());

    // The text goes in as typed; saving would refuse it, and the cell shows that.
    clickRow(grid, 76);
    editor->selectAll();
    QTest::keyClicks(editor, " 300x");
    QTest::keyClick(editor, Qt::Key_Enter);
    QCOMPARE(f.cell(76, 2), QString(" 300x"));
    QVERIFY(grid->valueCellRefused(76));
    QVERIFY(!editor->isVisible());
  }

  // Whatever moves the grid or the record away from the row the box was opened for closes
  // it without writing, and a later Enter in it writes nothing anywhere.
  void theBoxClosesWhenItsRowOrRecordGoes_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("arrow down in the grid") << "down";
    QTest::newRow("arrow up in the grid") << "up";
    QTest::newRow("pick of another aircraft") << "pick";
    QTest::newRow("pick of the same aircraft") << "repick";
    QTest::newRow("revert") << "revert";
    QTest::newRow("undo of an edit of its row") << "undo";
  }
  void theBoxClosesWhenItsRowOrRecordGoes() {
    QFETCH(QString, action);
    Fixture f;
    f.pick(1);
    auto* grid = f.find<ByteGrid>("G1");
    auto* editor = f.find<QLineEdit>("Text4");
    if (action == "undo") {
      // An earlier edit of the same row, which the undo takes back.
      clickRow(grid, 81);
      editor->selectAll();
      QTest::keyClicks(editor, "7");
      QTest::keyClick(editor, Qt::Key_Return);
      QCoreApplication::processEvents();
    }
    QByteArray file = f.folder.bytes();
    clickRow(grid, 81);
    QVERIFY(editor->isVisible());
    // (Text typed into the box before an undo is a step of its own, which the undo takes.)
    if (action != "undo") {
      editor->selectAll();
      QTest::keyClicks(editor, "99x");
    }
    const QStringList before = [&] {
      QStringList cells;
      for (int row = 1; row <= 168; ++row) cells << f.cell(row);
      return cells;
    }();
    if (action == "down") QTest::keyClick(grid, Qt::Key_Down);
    if (action == "up") QTest::keyClick(grid, Qt::Key_Up);
    if (action == "pick") f.pick(4);
    if (action == "repick") f.pick(1);
    if (action == "revert") {
      f.prompter.answers = {true};
      f.window->revertAction()->trigger();
    }
    if (action == "undo") QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!editor->isVisible());
    const int open = f.window->openSlot();
    QStringList cells;
    for (int row = 1; row <= 168; ++row) cells << f.cell(row);
    // The Enter that used to write into whichever row was current.
    QTest::keyClick(editor, Qt::Key_Return);
    QStringList after;
    for (int row = 1; row <= 168; ++row) after << f.cell(row);
    QCOMPARE(after, cells);
    QCOMPARE(f.window->openSlot(), open);
    if (action == "down" || action == "up") QCOMPARE(cells, before);
    QVERIFY(!cells.contains("99x"));
    // Nothing of it reaches the file either.
    f.pick(open == 4 ? 1 : 4);
    QCOMPARE(f.folder.bytes(), file);
  }

  void clicksScrollTheGrid_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("topRow");
    QTest::newRow("Command1") << "Command1" << 73;
    QTest::newRow("Year caption") << "Label2(1)" << 89;
    QTest::newRow("Year box") << "Text8" << 9;
    QTest::newRow("Crew box") << "Text7" << 11;
    QTest::newRow("Gun group count") << "Text6" << 85;
    QTest::newRow("Stall speed") << "Text3(0)" << 13;
    QTest::newRow("Max view") << "Text3(12)" << 61;
    QTest::newRow("Collision radius") << "Text3(14)" << 69;
  }
  void clicksScrollTheGrid() {
    QFETCH(QString, control);
    QFETCH(int, topRow);
    Fixture f;
    f.pick(0);
    auto* grid = f.find<ByteGrid>("G1");
    clickRow(grid, 150);
    const QString before = f.cell(topRow, 2);
    QWidget* w = f.find<QWidget>(control);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(grid->topRow(), topRow);
    // Scrolling leaves the current row alone; the button also makes its row current, so that
    // Enter or F2 in the grid edits it.
    QCOMPARE(grid->row(), control == "Command1" ? topRow : 150);
    QCOMPARE(f.cell(topRow, 2), before);
  }

  void topRowNearTheEndScrollsAsFarAsItCan() {
    Fixture f;
    auto* grid = f.find<ByteGrid>("G1");
    grid->setTopRow(168);
    QVERIFY(grid->topRow() < 168);
    QVERIFY(grid->topRow() > 150);
    grid->setTopRow(1);
    QCOMPARE(grid->topRow(), 1);
  }
};

QTEST_MAIN(ByteEditorTest)
#include "test_byte_editor.moc"
