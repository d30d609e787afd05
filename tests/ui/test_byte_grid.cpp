// The byte grid under the mouse and the keyboard: the fixed columns stay in place and in step
// with the rows, a click reaches the cell drawn under the pointer, only the left button
// selects, and Tab leaves the grid while the arrows move inside it.
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"

using tolvane::test::Fixture;
using tolvane::ui::ByteGrid;

namespace {

QTableView* fixedColumns(ByteGrid* grid) {
  return grid->findChild<QTableView*>(QStringLiteral("G1FixedColumns"));
}

// Where a user sees a cell, in the grid's coordinates: fixed cells on the fixed columns'
// view, other cells on the part of them that is not covered by it.
QPoint cellPoint(ByteGrid* grid, int row, int column) {
  QTableView* fixed = fixedColumns(grid);
  if (column <= tolvane::record::kLoadedColumn) {
    const QRect cell = fixed->visualRect(fixed->model()->index(row, column));
    return fixed->viewport()->mapTo(grid, cell.center());
  }
  QRect cell = grid->visualRect(grid->model()->index(row, column));
  const int fixedRight = grid->viewport()->mapFrom(grid, fixed->geometry().topRight()).x() + 1;
  cell.setLeft(std::max(cell.left(), fixedRight));
  return grid->viewport()->mapTo(grid, cell.center());
}

// Clicks a point of the grid as the window system does: the widget under it gets the click.
void clickAt(ByteGrid* grid, QPoint point, Qt::MouseButton button = Qt::LeftButton) {
  QWidget* target = grid->childAt(point);
  QVERIFY(target);
  QTest::mouseClick(target, button, {}, target->mapFrom(grid, point));
}

void clickCell(ByteGrid* grid, int row, int column, Qt::MouseButton button = Qt::LeftButton) {
  clickAt(grid, cellPoint(grid, row, column), button);
}

// A grid narrower than its columns scrolls sideways under its fixed columns. In the window
// every column is in view, so the grid is made narrower here by hand.
void outgrowTheGrid(Fixture& f) {
  ByteGrid* grid = f.window->controls().G1;
  grid->resize(grid->width() - 16, grid->height());
}

}  // namespace

class ByteGridTest : public QObject {
  Q_OBJECT
 private slots:
  void fixedColumnsScrollWithTheRows_data() {
    QTest::addColumn<int>("top");
    QTest::newRow("first row") << 1;
    QTest::newRow("damage bytes") << 73;
    QTest::newRow("as far as it goes") << 168;
  }
  void fixedColumnsScrollWithTheRows() {
    QFETCH(int, top);
    Fixture f;
    outgrowTheGrid(f);
    f.pick(7);
    ByteGrid* grid = f.window->controls().G1;
    QTableView* fixed = fixedColumns(grid);
    QVERIFY(fixed);
    QVERIFY(grid->horizontalScrollBar()->maximum() > 0);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    grid->setTopRow(top);
    // Every line of the grid shows the same row in the fixed columns as in the others.
    for (int y = 0; y < grid->viewport()->height(); y += 5) {
      const QPoint inGrid = grid->viewport()->mapTo(grid, QPoint(0, y));
      const int shown = grid->indexAt(QPoint(grid->viewport()->width() - 2, y)).row();
      const int fixedRow = fixed->indexAt(fixed->viewport()->mapFrom(grid, inGrid)).row();
      QCOMPARE(fixedRow, shown);
    }
    QVERIFY(grid->topRow() <= top);
  }

  // At the default size every column is whole in view with no sideways scrolling, the
  // byte-number column too, and every label fits its column (the long ones in the narrow face);
  // a wider window gives the room to the labels.
  void everyColumnIsInViewAtTheDefaultSize_data() {
    QTest::addColumn<int>("wider");
    QTest::newRow("default size") << 0;
    QTest::newRow("wider window") << 200;
  }
  void everyColumnIsInViewAtTheDefaultSize() {
    QFETCH(int, wider);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    ByteGrid* grid = f.window->controls().G1;
    const int defaultLabelWidth = grid->columnWidth(tolvane::record::kLabelColumn);
    f.window->resize(f.window->size() + QSize(wider, 0));
    f.pick(7);
    QTRY_COMPARE(grid->horizontalScrollBar()->maximum(), 0);
    const int byteColumn = tolvane::record::kByteNumberColumn;
    QVERIFY(grid->columnViewportPosition(byteColumn) + grid->columnWidth(byteColumn) <=
            grid->viewport()->width());
    const int labelWidth = grid->columnWidth(tolvane::record::kLabelColumn);
    QFont narrow = grid->font();
    narrow.setFamily(QStringLiteral("Liberation Sans Narrow"));
    for (int row = 1; row < grid->rows(); ++row) {
      const QString label = QString::fromStdString(tolvane::record::rowLabel(row));
      QVERIFY2(std::min(grid->fontMetrics().horizontalAdvance(label),
                        QFontMetrics(narrow).horizontalAdvance(label)) +
                       2 <=
                   labelWidth,
               qPrintable(label));
    }
    QCOMPARE(labelWidth, defaultLabelWidth + wider);
  }

  // Reached with Tab, the grid shows where the keys will act: a selected value cell in view,
  // clear of the fixed columns, wherever the grid was scrolled or clicked before.
  void tabShowsTheCurrentCell_data() {
    QTest::addColumn<int>("clickedRow");
    QTest::addColumn<int>("clickedColumn");
    QTest::addColumn<int>("scrolledTo");
    QTest::addColumn<int>("expectedRow");
    QTest::newRow("fresh pick") << 0 << 0 << 0 << 1;
    QTest::newRow("fresh pick, scrolled") << 0 << 0 << 90 << 90;
    QTest::newRow("value clicked, scrolled away") << 12 << 2 << 120 << 12;
    QTest::newRow("fixed column clicked") << 20 << 0 << 0 << 20;
  }
  void tabShowsTheCurrentCell() {
    QFETCH(int, clickedRow);
    QFETCH(int, clickedColumn);
    QFETCH(int, scrolledTo);
    QFETCH(int, expectedRow);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.pick(7);
    ByteGrid* grid = f.window->controls().G1;
    if (clickedRow > 0) {
      grid->setTopRow(clickedRow);
      clickCell(grid, clickedRow, clickedColumn);
    }
    if (scrolledTo > 0) grid->setTopRow(scrolledTo);
    // Away from the grid, then back to it by Tab.
    f.window->controls().List1->setFocus(Qt::MouseFocusReason);
    for (int i = 0; i < 200 && QApplication::focusWidget() != grid; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), grid);
    const QModelIndex current = grid->currentIndex();
    QCOMPARE(current.row(), expectedRow);
    QCOMPARE(current.column(), int(tolvane::record::kValueColumn));
    QVERIFY(grid->selectionModel()->isSelected(current));
    const QRect cell = grid->visualRect(current);
    QVERIFY(grid->viewport()->rect().contains(cell));
    QVERIFY(cell.left() >= fixedColumns(grid)->width());
  }

  void clickReachesTheCellUnderThePointer_data() {
    QTest::addColumn<bool>("sideways");
    QTest::addColumn<int>("column");
    for (bool sideways : {false, true}) {
      for (int column = 0; column < tolvane::record::kGridColumns - 1; ++column) {
        QTest::addRow("%s column %d", sideways ? "scrolled" : "unscrolled", column)
            << sideways << column;
      }
    }
  }
  void clickReachesTheCellUnderThePointer() {
    QFETCH(bool, sideways);
    QFETCH(int, column);
    Fixture f;
    outgrowTheGrid(f);
    f.pick(7);
    ByteGrid* grid = f.window->controls().G1;
    QScrollBar* bar = grid->horizontalScrollBar();
    QVERIFY(bar->maximum() > 0);  // the grid is narrower than its columns
    const QPoint fixedPlace = cellPoint(grid, 75, 0);
    if (sideways) bar->setValue(bar->maximum());
    // The fixed columns do not move sideways.
    QCOMPARE(cellPoint(grid, 75, 0), fixedPlace);

    QSignalSpy clicks(grid, &ByteGrid::cellClicked);
    grid->setTopRow(70);
    clickCell(grid, 75, column);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks[0][0].toInt(), 75);
    QCOMPARE(clicks[0][1].toInt(), column);
    QCOMPARE(grid->row(), 75);
    QCOMPARE(f.window->focusWidget(), grid);  // the fixed columns never keep the focus
  }

  void onlyTheLeftButtonSelects_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("column");
    QTest::newRow("right on a value") << int(Qt::RightButton) << 2;
    QTest::newRow("right on a label") << int(Qt::RightButton) << 3;
    QTest::newRow("right on a position") << int(Qt::RightButton) << 0;
    QTest::newRow("middle on a value") << int(Qt::MiddleButton) << 2;
    QTest::newRow("middle on a loaded value") << int(Qt::MiddleButton) << 1;
  }
  void onlyTheLeftButtonSelects() {
    QFETCH(int, button);
    QFETCH(int, column);
    Fixture f;
    f.pick(7);
    const auto& c = f.window->controls();
    ByteGrid* grid = c.G1;
    grid->setTopRow(70);
    clickCell(grid, 74, 3);  // "Pilot": the byte editor opens on it
    QVERIFY(c.Text4->isVisible());
    const QString pilot = f.cell(74);
    const QString other = f.cell(78);

    QSignalSpy clicks(grid, &ByteGrid::cellClicked);
    clickCell(grid, 78, column, static_cast<Qt::MouseButton>(button));
    const QPoint point = cellPoint(grid, 80, column);
    QWidget* target = grid->childAt(point);
    QTest::mouseDClick(target, static_cast<Qt::MouseButton>(button), {},
                       target->mapFrom(grid, point));
    QCOMPARE(clicks.size(), 0);
    QCOMPARE(grid->row(), 74);
    QCOMPARE(c.Text4->text(), pilot);

    // The byte editor still writes the row it was opened on.
    c.Text4->selectAll();
    QTest::keyClicks(c.Text4, "9");
    QTest::keyClick(c.Text4, Qt::Key_Return);
    QCOMPARE(f.cell(74), QStringLiteral("9"));
    QCOMPARE(f.cell(78), other);
  }

  void tabLeavesTheGridAndArrowsStayInside() {
    Fixture f;
    f.pick(7);
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    ByteGrid* grid = f.window->controls().G1;
    grid->setTopRow(36);
    clickCell(grid, 40, 2);
    QCOMPARE(grid->row(), 40);
    QCOMPARE(QApplication::focusWidget(), grid);

    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(grid->row(), 41);
    QCOMPARE(QApplication::focusWidget(), grid);
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Check1(0)"));
    QCOMPARE(grid->row(), 41);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), grid);
    QTest::keyClick(grid, Qt::Key_Tab, Qt::ShiftModifier);
    // The button left of the grid, above the (closed) byte box.
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
    QCOMPARE(grid->row(), 41);
  }
};

QTEST_MAIN(ByteGridTest)
#include "test_byte_grid.moc"
