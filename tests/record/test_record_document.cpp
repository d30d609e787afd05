// The record document on its own: values as typed and the bytes they stand for, "unsaved",
// listeners, the history and "Revert to planes.dat". No window, no application object.
#include <QString>
#include <QStringList>
#include <QTest>
#include <string>
#include <vector>

#include "record/demo_data.h"
#include "record/record_document.h"

using namespace tolvane::record;
using Kind = RecordDocument::Change::Kind;

namespace {

constexpr int kSlot = 0;  // P38H: Year 1943 in rows 9-10 (151, 7), Max speed in rows 25-28
constexpr int kYearLow = 9;
constexpr int kMaxSpeed = 25;

void openSlot(RecordDocument& document, int slot = kSlot) {
  document.open(slot, bytePosition(slot, 1), demoRecord(slot));
}

std::string text(int byte) {
  return std::to_string(byte);
}

// What the listeners heard, one word a change: "O1-168", "V25-25", "F1-168".
struct Ear {
  QStringList heard;
  RecordDocument::Listener listener() {
    return [this](const RecordDocument::Change& change) {
      const char kind = change.kind == Kind::Opened ? 'O' : change.kind == Kind::Values ? 'V' : 'F';
      heard << QString("%1%2-%3").arg(kind).arg(change.firstRow).arg(change.lastRow);
    };
  }
  QString take() {
    const QString all = heard.join(' ');
    heard.clear();
    return all;
  }
};

QString rowsText(const std::vector<int>& rows) {
  QStringList out;
  for (const int row : rows) out << QString::number(row);
  return out.join(',');
}

// Whether every value is the file's byte at its row, as a load writes it.
bool valuesAreFileBytes(const RecordDocument& document, const RecordBytes& bytes) {
  for (int row = 1; row <= kRecordBytes; ++row) {
    if (document.value(row) != text(bytes[static_cast<std::size_t>(row - 1)])) return false;
    if (document.byte(row) != bytes[static_cast<std::size_t>(row - 1)]) return false;
  }
  return document.fileBytes() == bytes;
}

}  // namespace

class RecordDocumentTest : public QObject {
  Q_OBJECT
 private slots:
  void aLoadChangesNothing() {
    RecordDocument document;
    QVERIFY(!document.isOpen());
    QVERIFY(!document.unsaved());
    Ear ear;
    document.addListener(ear.listener());
    for (const int slot : {0, 6, 29}) {
      openSlot(document, slot);
      QCOMPARE(ear.take(), QString("O1-168"));
      QCOMPARE(document.slot(), slot);
      QCOMPARE(document.firstPosition(), bytePosition(slot, 1));
      QCOMPARE(document.position(168), bytePosition(slot, 168));
      QVERIFY(valuesAreFileBytes(document, demoRecord(slot)));
      QVERIFY(document.bytes() == demoRecord(slot));
      QVERIFY(!document.unsaved());
      QCOMPARE(document.firstRefusedRow(), 0);
      QVERIFY(!document.canUndo());
      // An edit and its history do not outlive the next load.
      QVERIFY(document.setValue(40, "x"));
      QVERIFY(document.unsaved());
      QCOMPARE(ear.take(), QString("V40-40"));
    }
    openSlot(document);
    QVERIFY(!document.unsaved());
    QVERIFY(!document.canUndo());
    QVERIFY(document.undo().empty());
  }

  void valuesAsTyped_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("byte");  // -1: saving refuses the text
    QTest::newRow("too large") << "256" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("trailing letter") << "1x" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("exponent beyond a byte") << "1e3" << -1;
    QTest::newRow("blank only") << "  " << -1;
    QTest::newRow("two numbers") << "1 2" << -1;
    QTest::newRow("four digits too large") << "1000" << -1;
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("blanks around") << " 12 " << 12;
    QTest::newRow("leading zeros") << "0012" << 12;
    QTest::newRow("half rounds to even, down") << "12.5" << 12;
    QTest::newRow("half rounds to even, up") << "13.5" << 14;
    QTest::newRow("rounds up") << "254.6" << 255;
    QTest::newRow("highest") << "255" << 255;
    QTest::newRow("lowest") << "0" << 0;
  }
  void valuesAsTyped() {
    QFETCH(QString, typed);
    QFETCH(int, byte);
    RecordBytes file = demoRecord(kSlot);
    constexpr int row = 30;
    file[row - 1] = 12;
    RecordDocument document;
    document.open(kSlot, bytePosition(kSlot, 1), file);
    document.setValue(row, typed.toStdString());
    // The text stays as typed; only saving reads it as a byte.
    QCOMPARE(QString::fromStdString(document.value(row)), typed);
    QCOMPARE(document.refused(row), byte < 0);
    QCOMPARE(document.byte(row).has_value() ? int(*document.byte(row)) : -1, byte);
    QCOMPARE(document.firstRefusedRow(), byte < 0 ? row : 0);
    QCOMPARE(document.bytes().has_value(), byte >= 0);
    if (byte >= 0) QCOMPARE(int((*document.bytes())[row - 1]), byte);
    // Unsaved means a byte differs from the file's, not a text: " 12 " is the file's 12.
    QCOMPARE(document.unsaved(), byte != 12);
    QCOMPARE(document.differs(row), byte != 12);
  }

  void firstRefusedRowIsTheLowest() {
    RecordDocument document;
    openSlot(document);
    document.setValue(100, "x");
    document.setValue(20, "300");
    document.setValue(168, "");
    QCOMPARE(document.firstRefusedRow(), 20);
    document.setValue(20, "30");
    QCOMPARE(document.firstRefusedRow(), 100);
    document.setValue(100, "1");
    QCOMPARE(document.firstRefusedRow(), 168);
    document.setValue(168, "72");
    QCOMPARE(document.firstRefusedRow(), 0);
    QVERIFY(document.bytes().has_value());
  }

  void unsavedFollowsTheValuesBackToTheFileBytes() {
    RecordDocument document;
    openSlot(document);
    const std::string year = document.value(kYearLow);
    document.setValue(kYearLow, "200");
    document.setValue(kMaxSpeed, "x");
    QVERIFY(document.unsaved());
    document.setValue(kYearLow, year);
    QVERIFY(document.unsaved());  // the refused value still differs
    document.setValue(kMaxSpeed, text(demoRecord(kSlot)[kMaxSpeed - 1]) + ".0");
    QVERIFY(!document.unsaved());
    // Back and forth through the history too.
    document.finishStep();
    document.setValue(168, "1");
    document.finishStep();
    QVERIFY(document.unsaved());
    QCOMPARE(rowsText(document.undo()), QString("168"));
    QVERIFY(!document.unsaved());
    QCOMPARE(rowsText(document.redo()), QString("168"));
    QVERIFY(document.unsaved());
  }

  void writtenAndFailedWritesSetTheFileBytes() {
    RecordDocument document;
    openSlot(document);
    document.setValue(50, "9");
    RecordBytes written = *document.bytes();
    document.markWritten(written, false);
    QVERIFY(!document.unsaved());
    QVERIFY(document.fileBytes() == written);
    QVERIFY(document.expectedFileBytes() == written);
    // Written, but not read back as written: there is still something to save.
    document.markWritten(written, true);
    QVERIFY(document.unsaved());
    // A write that failed part of the way: the file's bytes are this program's doing, so a save
    // expects them, and the record stays unsaved until a write holds.
    RecordBytes half = written;
    half[49] = 77;
    document.markWriteFailed(half);
    QVERIFY(document.fileBytes() == half);
    QVERIFY(document.expectedFileBytes() == half);
    QVERIFY(document.unsaved());
    document.markWriteFailed(std::nullopt);
    QVERIFY(document.fileBytes() == half);
    QVERIFY(document.unsaved());
    document.markWritten(written, false);
    QVERIFY(!document.unsaved());
  }

  void listenersHearTheRowsAndTheKind() {
    RecordDocument document;
    Ear first;
    Ear second;
    QStringList order;
    document.addListener(first.listener());
    const int removed = document.addListener(second.listener());
    document.addListener([&order](const RecordDocument::Change&) { order << "third"; });
    openSlot(document);
    QCOMPARE(first.take(), QString("O1-168"));
    QCOMPARE(second.take(), QString("O1-168"));
    document.removeListener(removed);

    QVERIFY(document.setValue(50, "1"));
    QCOMPARE(first.take(), QString("V50-50"));
    QVERIFY(!document.setValue(50, "1"));  // the same text: no change, nothing heard
    QVERIFY(!document.setValue(0, "1"));
    QVERIFY(!document.setValue(169, "1"));
    QCOMPARE(first.take(), QString());
    document.setValues("Apply script", {{120, "1"}, {3, "2"}, {60, document.value(60)}});
    QCOMPARE(first.take(), QString("V3-120"));
    QCOMPARE(rowsText(document.undo()), QString("3,120"));
    QCOMPARE(first.take(), QString("V3-120"));
    QVERIFY(document.undo().size() == 1);
    QCOMPARE(first.take(), QString("V50-50"));
    QVERIFY(document.undo().empty());
    QCOMPARE(first.take(), QString());

    RecordBytes fileNow = demoRecord(kSlot);
    fileNow[kYearLow - 1] = 160;
    fileNow[140] ^= 0xFF;
    document.revert(fileNow);
    QCOMPARE(first.take(), QString("F1-168 V9-141"));
    document.markWritten(fileNow, false);
    QCOMPARE(first.take(), QString("F1-168"));

    // Listeners are called in the order they were added; a removed one never again.
    QCOMPARE(second.take(), QString());
    QCOMPARE(order.size(), 8);
  }

  void aListenerRemovedDuringAChangeIsNotCalledForIt() {
    // A view destroyed in reaction to a change removes its listener; calling it afterwards
    // would reach a view that is gone.
    RecordDocument document;
    Ear later;
    int laterId = 0;
    document.addListener([&](const RecordDocument::Change&) { document.removeListener(laterId); });
    laterId = document.addListener(later.listener());
    openSlot(document);
    QCOMPARE(later.take(), QString());
    document.setValue(1, "1");
    QCOMPARE(later.take(), QString());
  }

  void typingInOneBoxMergesIntoOneStep_data() {
    QTest::addColumn<QString>("script");  // space-separated
    QTest::addColumn<int>("steps");
    // a: a keystroke in the Max speed box (row 25); b: a keystroke in the Year box (row 9);
    // c: a change with no box (row 168); f: the focus moves; |: the user's action ends.
    QTest::newRow("one run") << "a | a | a |" << 1;
    QTest::newRow("focus breaks the run") << "a | a | f a |" << 2;
    QTest::newRow("another box") << "a | b | a |" << 3;
    QTest::newRow("no box never merges") << "c | c | c |" << 3;
    QTest::newRow("a change without a box between") << "a | c | a |" << 3;
  }
  void typingInOneBoxMergesIntoOneStep() {
    QFETCH(QString, script);
    QFETCH(int, steps);
    RecordDocument document;
    document.setOriginProvider([](int row) {
      if (row == kMaxSpeed) return tolvane::record::EditOrigin{1, true};
      if (row == kYearLow) return tolvane::record::EditOrigin{2, true};
      return tolvane::record::EditOrigin{};
    });
    openSlot(document);
    int n = 0;
    for (const QString& action : script.split(' ', Qt::SkipEmptyParts)) {
      const std::string next = text(++n);
      if (action == "a") document.setValue(kMaxSpeed, next);
      if (action == "b") document.setValue(kYearLow, next);
      if (action == "c") document.setValue(168, next);
      if (action == "f") document.breakTypingRun();
      if (action == "|") document.finishStep();
    }
    QCOMPARE(int(document.history().count()), steps);
    int undone = 0;
    while (!document.undo().empty()) ++undone;
    QCOMPARE(undone, steps);
    QVERIFY(valuesAreFileBytes(document, demoRecord(kSlot)));
    QVERIFY(!document.unsaved());
  }

  void theChangesOfOneActionAreOneStep() {
    RecordDocument document;
    openSlot(document);
    document.setValue(kMaxSpeed, "1");
    document.setValue(kMaxSpeed, "12");
    document.setValue(30, "5");
    // The step under way ends before an undo.
    QCOMPARE(rowsText(document.undo()), QString("25,30"));
    QVERIFY(valuesAreFileBytes(document, demoRecord(kSlot)));
    QCOMPARE(rowsText(document.redo()), QString("25,30"));
    QCOMPARE(document.value(kMaxSpeed), std::string("12"));
    QVERIFY(document.undo().size() == 2);
    QVERIFY(document.undo().empty());
  }

  void setValuesIsOneStep() {
    RecordDocument document;
    openSlot(document);
    Values script;
    const RecordBytes loaded = demoRecord(kSlot);
    for (int row = 13; row <= 44; ++row) script[row] = text((loaded[row - 1] + 1) % 256);
    script[5] = document.value(5);  // unchanged: not part of the step
    document.setValues("Apply script", script);
    QCOMPARE(int(document.history().count()), 1);
    QCOMPARE(document.history().undoName(), std::string("Apply script"));
    const std::vector<int> undone = document.undo();
    QCOMPARE(int(undone.size()), 32);
    QCOMPARE(undone.front(), 13);
    QCOMPARE(undone.back(), 44);
    QVERIFY(valuesAreFileBytes(document, demoRecord(kSlot)));
    QCOMPARE(document.redo(), undone);
    for (int row = 13; row <= 44; ++row) QCOMPARE(document.value(row), script[row]);
    QVERIFY(document.redo().empty());
  }

  void theHistoryIsBounded() {
    RecordDocument document;
    openSlot(document);
    const int extra = 50;
    for (int i = 0; i < int(EditHistory::kLimit) + extra; ++i) {
      document.setValue(70, text(i % 256));
      document.setValue(71, text(i));
      document.finishStep();
    }
    QCOMPARE(document.history().count(), EditHistory::kLimit);
    int undone = 0;
    while (!document.undo().empty()) ++undone;
    QCOMPARE(undone, int(EditHistory::kLimit));
    // The oldest steps are gone: the values stop at the first step kept.
    QCOMPARE(document.value(71), text(extra - 1));
    QVERIFY(document.unsaved());
  }

  void revertTakesThePlayersEditsBackAsOneStep() {
    RecordDocument document;
    openSlot(document);
    const RecordBytes loaded = demoRecord(kSlot);
    document.setValue(kMaxSpeed, "9");
    document.finishStep();
    document.setValue(100, "x");
    document.finishStep();
    // Another program wrote Year 1952 meanwhile.
    RecordBytes fileNow = loaded;
    fileNow[kYearLow - 1] = 160;
    document.revert(fileNow);
    QVERIFY(valuesAreFileBytes(document, fileNow));
    QVERIFY(!document.unsaved());
    QCOMPARE(document.history().undoName(), std::string("Revert to planes.dat"));

    // The undo brings back the player's edits, not the file's old year.
    QCOMPARE(rowsText(document.undo()), QString("25,100"));
    QCOMPARE(document.value(kMaxSpeed), std::string("9"));
    QCOMPARE(document.value(100), std::string("x"));
    QCOMPARE(document.value(kYearLow), std::string("160"));
    QVERIFY(document.expectedFileBytes() == fileNow);
    QCOMPARE(rowsText(document.redo()), QString("25,100"));
    QVERIFY(valuesAreFileBytes(document, fileNow));
    // A revert with nothing of the player's to take back is no step.
    document.revert(fileNow);
    QCOMPARE(document.history().undoName(), std::string("Revert to planes.dat"));
    QCOMPARE(int(document.history().count()), 3);
  }

  void anUndoOfAByteTheFileNoLongerHoldsExpectsThatByte_data() {
    QTest::addColumn<QString>("after");  // what follows the two undos
    QTest::addColumn<bool>("expectsOldYear");
    QTest::newRow("two undos") << "" << true;
    QTest::newRow("then redo") << "redo" << false;
    QTest::newRow("then typed by hand") << "type" << false;
    QTest::newRow("then written") << "written" << false;
  }
  void anUndoOfAByteTheFileNoLongerHoldsExpectsThatByte() {
    QFETCH(QString, after);
    QFETCH(bool, expectsOldYear);
    RecordDocument document;
    openSlot(document);
    document.setValue(kYearLow, "152");  // 1944
    document.finishStep();
    RecordBytes fileNow = demoRecord(kSlot);
    fileNow[kYearLow - 1] = 160;  // another program: 1952
    document.revert(fileNow);
    QCOMPARE(rowsText(document.undo()), QString("9"));
    QCOMPARE(document.value(kYearLow), std::string("152"));
    QVERIFY(document.expectedFileBytes() == fileNow);
    // The player's own edit undone: the value is the year the file held before 1952.
    QCOMPARE(rowsText(document.undo()), QString("9"));
    QCOMPARE(document.value(kYearLow), std::string("151"));
    if (after == "redo") document.redo();
    if (after == "type") {
      document.setValue(kYearLow, "15");
      document.setValue(kYearLow, "151");
    }
    if (after == "written") document.markWritten(*document.bytes(), false);
    const RecordBytes file = after == "written" ? *document.bytes() : fileNow;
    QVERIFY(document.fileBytes() == file);
    RecordBytes expected = file;
    if (expectsOldYear) expected[kYearLow - 1] = 151;
    QVERIFY(document.expectedFileBytes() == expected);
    QVERIFY(document.unsaved() == (after != "written"));
  }
};

QTEST_APPLESS_MAIN(RecordDocumentTest)
#include "test_record_document.moc"
