// The edit history on its own: steps, typing runs, redo, the bound. No window, no
// application object.
#include <QString>
#include <QTest>
#include <map>

#include "record/edit_history.h"

using namespace tolvane;
using record::EditHistory;

namespace {

// A stand-in for the document: the history's values by row.
struct Cells {
  std::map<int, QString> texts;
  EditHistory history;
  const std::uintptr_t box = 1;
  const std::uintptr_t otherBox = 2;

  // A change as an editor makes it: the value first, then the record of it.
  void edit(int row, const QString& text, std::uintptr_t source = 0, bool typing = false) {
    const QString before = texts[row];
    texts[row] = text;
    history.record(row, before.toStdString(), text.toStdString(), {source, typing});
  }
  void put(const std::optional<record::Values>& values) {
    if (!values) return;
    for (const auto& [row, text] : *values) texts[row] = QString::fromStdString(text);
  }
  void undo() { put(history.undo()); }
  void redo() { put(history.redo()); }
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
      if (action == "t") cells.edit(1, QString::number(++n), cells.box, true);
      if (action == "T") cells.edit(2, QString::number(++n), cells.otherBox, true);
      if (action == "c") cells.edit(2, cells.texts[2] + "c", 0, false);
      if (action == "f") cells.history.breakTypingRun();
      if (action == "|") cells.history.finishStep();
    }
    QCOMPARE(int(cells.history.count()), steps);
    cells.undo();
    QCOMPARE(cells.texts[1] + "," + cells.texts[2], afterOneUndo);
  }

  void undoRedoAndANewEditClearsRedo() {
    Cells cells;
    cells.texts = {{5, "1"}};
    cells.edit(5, "2");
    cells.history.finishStep();
    cells.edit(5, "3");
    cells.undo();  // ends the pending step first
    QCOMPARE(cells.texts[5], QString("2"));
    cells.undo();
    QCOMPARE(cells.texts[5], QString("1"));
    cells.redo();
    QCOMPARE(cells.texts[5], QString("2"));
    QVERIFY(cells.history.canRedo());
    cells.edit(5, "9");
    cells.history.finishStep();
    QVERIFY(!cells.history.canRedo());
    cells.undo();
    QCOMPARE(cells.texts[5], QString("2"));
    // A step whose cells end where they began is no step.
    cells.edit(5, "4");
    cells.edit(5, "2");
    cells.history.finishStep();
    QCOMPARE(int(cells.history.index()), 1);
    QVERIFY(cells.history.canRedo());
  }

  void aStepPushedInOneGoIsUndoneAndRedoneAsOne() {
    Cells cells;
    record::ValueChanges changes;
    for (int row = 1; row <= 168; ++row) {
      cells.texts[row] = QString::number(row % 256);
      changes[row] = {"0", std::to_string(row % 256)};
    }
    cells.history.push("Apply script", changes);
    QCOMPARE(cells.history.undoName(), std::string("Apply script"));
    cells.undo();
    for (int row = 1; row <= 168; ++row) QCOMPARE(cells.texts[row], QString("0"));
    cells.redo();
    QCOMPARE(cells.texts[168], QString("168"));
    QVERIFY(!cells.history.canRedo());
  }

  void theHistoryIsBounded() {
    Cells cells;
    for (int i = 0; i < int(EditHistory::kLimit) + 500; ++i) {
      cells.edit(1, QString::number(i));
      cells.history.finishStep();
    }
    QCOMPARE(cells.history.count(), EditHistory::kLimit);
    int undone = 0;
    while (cells.history.canUndo()) {
      cells.undo();
      ++undone;
    }
    QCOMPARE(undone, int(EditHistory::kLimit));
    QCOMPARE(cells.texts[1], QString::number(499));
  }
};

QTEST_APPLESS_MAIN(EditHistoryTest)
#include "test_edit_history.moc"
