// A cell write reports only the cells whose text or colour it changes, so that a keystroke in
// an editor box redraws a row of the grid, not the whole grid.
#include <QAbstractItemModel>
#include <QBrush>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <optional>

#include "record/layout.h"
#include "record/numbers.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"

using namespace tolvane;
using tolvane::ui::ByteGrid;

namespace {

// A shown grid filled the way a load fills it, with rows of other labels and bytes.
struct ShownGrid {
  QWidget window;
  ByteGrid* grid = new ByteGrid(&window);
  explicit ShownGrid(int seed) {
    // The main window's size and column widths: the label column is on view.
    window.resize(172, 175);
    grid->setGeometry(0, 0, 172, 175);
    for (int column = 0; column < record::kGridColumns; ++column) {
      grid->setColWidthTwips(column, record::kColumnWidthsTwips[column]);
    }
    for (int row = 1; row < record::kGridRows; ++row) {
      grid->setTextMatrix(row, record::kPositionColumn, QString::number(row - 1));
      grid->setTextMatrix(row, record::kLabelColumn, QStringLiteral("Byte %1").arg(row));
      grid->setTextMatrix(row, record::kByteNumberColumn, QString::number(row));
    }
    fill(seed);
  }
  void fill(int seed) {
    const ByteGrid::Batch batch(grid);
    for (int row = 1; row < record::kGridRows; ++row) {
      grid->setTextMatrix(row, record::kLoadedColumn, QString::number((row * seed) % 256));
      grid->setTextMatrix(row, record::kValueColumn, QString::number((row * seed + 1) % 256));
    }
  }
  QImage shown() {
    QCoreApplication::processEvents();
    return window.screen()->grabWindow(window.winId()).toImage();
  }
};

}  // namespace

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

  // A load writes its cells in a batch: the views hear of them once, as one block that holds
  // every written cell (and the value cells whose colour they change), while each value cell
  // still reports its own change at once and in order, as the edit history needs.
  void batchReportsOnceAtItsEnd_data() {
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("firstColumn");
    QTest::newRow("whole value column")
        << QList<int>{1, 2, 84, 168} << int(record::kValueColumn) << int(record::kValueColumn);
    QTest::newRow("loaded cells") << QList<int>{30, 7} << int(record::kLoadedColumn)
                                  << int(record::kLoadedColumn);
    QTest::newRow("one position") << QList<int>{12} << int(record::kPositionColumn)
                                  << int(record::kPositionColumn);
  }
  void batchReportsOnceAtItsEnd() {
    QFETCH(QList<int>, rows);
    QFETCH(int, column);
    QFETCH(int, firstColumn);
    ByteGrid grid;
    QSignalSpy views(grid.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy values(&grid, &ByteGrid::valueChanged);
    {
      const ByteGrid::Batch batch(&grid);
      {
        const ByteGrid::Batch inner(&grid);  // batches nest: only the outer one reports
        for (int row : rows) grid.setTextMatrix(row, column, QString::number(row));
      }
      QCOMPARE(views.size(), 0);
      QCOMPARE(grid.textMatrix(rows.first(), column), QString::number(rows.first()));
      QCOMPARE(values.size(), column == record::kValueColumn ? rows.size() : 0);
      for (int i = 0; i < values.size(); ++i) QCOMPARE(values[i][0].toInt(), rows[i]);
    }
    QCOMPARE(views.size(), 1);
    const auto from = views[0][0].value<QModelIndex>();
    const auto to = views[0][1].value<QModelIndex>();
    QCOMPARE(from.row(), *std::min_element(rows.begin(), rows.end()));
    QCOMPARE(to.row(), *std::max_element(rows.begin(), rows.end()));
    QCOMPARE(from.column(), firstColumn);
    QCOMPARE(to.column(), int(record::kValueColumn));

    // A batch that changed nothing reports nothing.
    {
      const ByteGrid::Batch batch(&grid);
      grid.setTextMatrix(rows.first(), column, QString::number(rows.first()));
    }
    QCOMPARE(views.size(), 1);
  }

  // A load redraws the loaded and value cells it changed, not the label and position cells
  // nor the grid's cells hidden under the fixed columns, and the screen then shows what a grid
  // loaded that way from the start shows, wherever it is scrolled.
  void loadRedrawsOnlyItsCells_data() {
    QTest::addColumn<int>("topRow");
    QTest::addColumn<int>("sideways");
    QTest::newRow("top") << 1 << 0;
    QTest::newRow("scrolled down") << 90 << 0;
    QTest::newRow("at the end") << 168 << 0;
    QTest::newRow("scrolled sideways") << 40 << 20;
  }
  void loadRedrawsOnlyItsCells() {
    QFETCH(int, topRow);
    QFETCH(int, sideways);
    ShownGrid changed(7);
    changed.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&changed.window));
    auto place = [&](ShownGrid& g) {
      g.grid->setTopRow(topRow);
      g.grid->horizontalScrollBar()->setValue(sideways);
    };
    place(changed);
    changed.shown();
    auto* fixed = changed.grid->findChild<QTableView*>(QStringLiteral("G1FixedColumns"));
    QVERIFY(fixed);
    test::PaintWatch paints;
    paints.watch(changed.grid->viewport());
    paints.watch(fixed->viewport());
    changed.fill(11);
    const QImage after = changed.shown();
    const QRegion main = paints.region(changed.grid->viewport());
    const QRegion beside = paints.region(fixed->viewport());

    auto columnArea = [](QTableView* view, int column) {
      return QRect(view->columnViewportPosition(column), 0, view->columnWidth(column),
                   view->viewport()->height());
    };
    QVERIFY(!main.isEmpty());
    QVERIFY(!main.intersects(columnArea(changed.grid, record::kLabelColumn)));
    const int fixedWidth = changed.grid->columnWidth(record::kPositionColumn) +
                           changed.grid->columnWidth(record::kLoadedColumn);
    QVERIFY(!main.intersects(QRect(0, 0, fixedWidth, changed.grid->height())));
    QVERIFY(!beside.isEmpty());
    QVERIFY(!beside.intersects(columnArea(fixed, record::kPositionColumn)));

    ShownGrid fresh(11);
    fresh.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh.window));
    place(fresh);
    QCOMPARE(after, fresh.shown());
  }

  // The grid reads each value cell once, when it is written, and answers from that reading
  // afterwards: the answer must be the one saving gives for the same text, for the short
  // plain numbers a load writes as for anything a user can type.
  void valueByteIsWhatSavingReads_data() {
    QTest::addColumn<QString>("text");
    for (const char* text :
         {"0",   "7",     "255",   "256", "999", "007", "0255", "",      " ",   " 5",  "5 ", "5.5",
          "2.5", "255.4", "255.5", "-0",  "-1",  "+3",  "1E2",  "1E999", "abc", "12a", "0x1"}) {
      QTest::newRow(*text ? text : "empty") << QString::fromLatin1(text);
    }
    QTest::newRow("full-width digit") << QStringLiteral("\uFF17");
    QTest::newRow("Arabic-Indic digits") << QStringLiteral("\u0661\u0662");
  }
  void valueByteIsWhatSavingReads() {
    QFETCH(QString, text);
    ByteGrid grid;
    grid.setTextMatrix(20, record::kPositionColumn, QStringLiteral("1000"));
    grid.setTextMatrix(20, record::kLoadedColumn, QStringLiteral("9"));
    grid.setTextMatrix(20, record::kValueColumn, QStringLiteral("9"));
    grid.setTextMatrix(20, record::kValueColumn, text);
    const std::optional<std::uint8_t> saved = record::cellByte(text.toStdString());
    QCOMPARE(grid.valueByte(20), saved);
    QCOMPARE(grid.valueCellRefused(20), !saved.has_value());
    // The colour follows the same reading: red when refused, yellow when it differs from 9.
    const QModelIndex cell = grid.model()->index(20, record::kValueColumn);
    const QColor colour = cell.data(Qt::BackgroundRole).value<QBrush>().color();
    if (!saved) {
      QCOMPARE(colour, QColor(200, 30, 30));
    } else if (*saved != 9) {
      QCOMPARE(colour, QColor(255, 236, 140));
    } else {
      QVERIFY(!cell.data(Qt::BackgroundRole).isValid());
    }
  }
};

QTEST_MAIN(GridUpdatesTest)
#include "test_grid_updates.moc"
