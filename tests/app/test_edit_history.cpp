// The edit history on its own: steps, typing runs, redo, the bound.
#include <QTest>
#include <map>

#include "app/edit_history.h"

using namespace tolvane;
using app::EditHistory;

namespace {

// A stand-in for the grid: the history's cells by row.
struct Cells {
  std::map<int, QString> texts;
  EditHistory history{[this](const std::map<int, QString>& cells) {
    for (const auto& [row, text] : cells) texts[row] = text;
  }};
  QObject box;
  QObject otherBox;

  // A change as an editor makes it: the cell first, then the record of it.
  void edit(int row, const QString& text, QObject* source = nullptr, bool typing = false) {
    const QString before = texts[row];
    texts[row] = text;
    history.recordChange(row, before, text, source, typing);
  }
};

}  // namespace

class EditHistoryTest : public QObject {
  Q_OBJECT
 private slots:
  void oneStepPerActionAndTypingRunsMerge_data() {
    QTest::addColumn<QString>("script");  // actions, space-separated
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("afterOneUndo");  // cells 1,2 after one undo
    // t: a keystroke in box A writing row 1; T: box B writing row 2; c: a click writing row 2;
    // f: the focus moves; |: the event loop runs (the end of one user action).
    QTest::newRow("typing run") << "t | t | t |" << 1 << "0,0";
    QTest::newRow("run broken by focus") << "t | t | f t |" << 2 << "2,0";
    QTest::newRow("run broken by a click") << "t | c | t |" << 3 << "1,0c";
    QTest::newRow("two boxes") << "t | T |" << 2 << "1,0";
    QTest::newRow("clicks never merge") << "c | c |" << 2 << "0,0c";
  }
  void oneStepPerActionAndTypingRunsMerge() {
    QFETCH(QString, script);
    QFETCH(int, steps);
    QFETCH(QString, afterOneUndo);
    Cells cells;
    cells.texts = {{1, "0"}, {2, "0"}};
    int n = 0;
    for (const QString& action : script.split(' ', Qt::SkipEmptyParts)) {
      if (action == "t") cells.edit(1, QString::number(++n), &cells.box, true);
      if (action == "T") cells.edit(2, QString::number(++n), &cells.otherBox, true);
      if (action == "c") cells.edit(2, cells.texts[2] + "c", nullptr, false);
      if (action == "f") cells.history.breakTypingRun();
      if (action == "|") cells.history.finishStep();
    }
    QCOMPARE(cells.history.stack()->count(), steps);
    cells.history.undo();
    QCOMPARE(cells.texts[1] + "," + cells.texts[2], afterOneUndo);
  }

  void undoRedoAndANewEditClearsRedo() {
    Cells cells;
    cells.texts = {{5, "1"}};
    cells.edit(5, "2");
    cells.history.finishStep();
    cells.edit(5, "3");
    cells.history.undo();  // ends the pending step first
    QCOMPARE(cells.texts[5], QString("2"));
    cells.history.undo();
    QCOMPARE(cells.texts[5], QString("1"));
    cells.history.redo();
    QCOMPARE(cells.texts[5], QString("2"));
    QVERIFY(cells.history.stack()->canRedo());
    cells.edit(5, "9");
    cells.history.finishStep();
    QVERIFY(!cells.history.stack()->canRedo());
    cells.history.undo();
    QCOMPARE(cells.texts[5], QString("2"));
    // A step whose cells end where they began is no step.
    cells.edit(5, "4");
    cells.edit(5, "2");
    cells.history.finishStep();
    QCOMPARE(cells.history.stack()->index(), 1);
    QVERIFY(cells.history.stack()->canRedo());
  }

  void aStepPushedInOneGoIsAppliedAndUndoneAsOne() {
    Cells cells;
    app::CellChanges changes;
    for (int row = 1; row <= 168; ++row) {
      cells.texts[row] = "0";
      changes[row] = {"0", QString::number(row % 256)};
    }
    cells.history.pushStep("Apply script", changes);
    QCOMPARE(cells.texts[168], QString("168"));
    cells.history.undo();
    for (int row = 1; row <= 168; ++row) QCOMPARE(cells.texts[row], QString("0"));
  }

  void theHistoryIsBounded() {
    Cells cells;
    for (int i = 0; i < EditHistory::kLimit + 500; ++i) {
      cells.edit(1, QString::number(i));
      cells.history.finishStep();
    }
    QCOMPARE(cells.history.stack()->count(), EditHistory::kLimit);
    int undone = 0;
    while (cells.history.stack()->canUndo()) {
      cells.history.undo();
      ++undone;
    }
    QCOMPARE(undone, EditHistory::kLimit);
    QCOMPARE(cells.texts[1], QString::number(499));
  }
};

QTEST_MAIN(EditHistoryTest)
#include "test_edit_history.moc"
