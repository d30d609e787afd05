// A cell write reports only the cells whose text or colour it changes, so that a keystroke in
// an editor box redraws a row of the grid, not the whole grid.
#include <QAbstractItemModel>
#include <QSignalSpy>
#include <QTest>

#include "record/layout.h"
#include "ui/byte_grid.h"

using namespace tolvane;
using tolvane::ui::ByteGrid;

class GridUpdatesTest : public QObject {
  Q_OBJECT
 private slots:
  void writeReportsItsRowOnly_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    // The value cell's colour depends on the position and loaded cells of its row, so a
    // write to one of those reports it with the value cell; a value cell (what a keystroke in
    // an editor box writes) and the other cells report themselves alone.
    QTest::newRow("value") << int(record::kValueColumn) << int(record::kValueColumn)
                           << int(record::kValueColumn);
    QTest::newRow("loaded") << int(record::kLoadedColumn) << int(record::kLoadedColumn)
                            << int(record::kValueColumn);
    QTest::newRow("position") << int(record::kPositionColumn) << 0 << int(record::kValueColumn);
    QTest::newRow("label") << int(record::kLabelColumn) << int(record::kLabelColumn)
                           << int(record::kLabelColumn);
  }
  void writeReportsItsRowOnly() {
    QFETCH(int, column);
    QFETCH(int, first);
    QFETCH(int, last);
    ByteGrid grid;
    QSignalSpy spy(grid.model(), &QAbstractItemModel::dataChanged);
    grid.setTextMatrix(40, column, QStringLiteral("77"));
    QCOMPARE(spy.size(), 1);
    const auto from = spy[0][0].value<QModelIndex>();
    const auto to = spy[0][1].value<QModelIndex>();
    QCOMPARE(from.row(), 40);
    QCOMPARE(to.row(), 40);
    QCOMPARE(from.column(), first);
    QCOMPARE(to.column(), last);

    // Writing the same text again changes nothing and reports nothing.
    grid.setTextMatrix(40, column, QStringLiteral("77"));
    QCOMPARE(spy.size(), 1);
  }
};

QTEST_MAIN(GridUpdatesTest)
#include "test_grid_updates.moc"
