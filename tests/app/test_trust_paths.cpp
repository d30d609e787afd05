// Every path of picking, saving and closing tells the truth: one pick per user action, the
// highlight always on the open aircraft, no edit dropped without a question, and messages in
// the player's words. Driven by real key and mouse events.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <csignal>

#include "app/main_window.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/pick_list.h"

using namespace tolvane;
using test::Fixture;

namespace {

constexpr int kOpen = 10;  // Spit Ia

ui::PickList* list(Fixture& f) {
  return f.window->controls().List1;
}

void clickItem(Fixture& f, int row, Qt::KeyboardModifiers modifiers = {}) {
  QListWidget* l = list(f);
  l->scrollToItem(l->item(row));
  QTest::mouseClick(l->viewport(), Qt::LeftButton, modifiers,
                    l->visualItemRect(l->item(row)).center());
}

// Does one user action on the list: a key or a click.
void act(Fixture& f, const QString& action) {
  if (action.startsWith("click ")) return clickItem(f, action.mid(6).toInt());
  if (action.startsWith("ctrl+click ")) {
    return clickItem(f, action.mid(11).toInt(), Qt::ControlModifier);
  }
  static const QMap<QString, Qt::Key> keys = {
      {"Down", Qt::Key_Down},         {"Up", Qt::Key_Up},
      {"Home", Qt::Key_Home},         {"End", Qt::Key_End},
      {"PageDown", Qt::Key_PageDown}, {"PageUp", Qt::Key_PageUp}};
  if (keys.contains(action)) return QTest::keyClick(list(f), keys[action]);
  QTest::keyClicks(list(f), action);  // a typed letter
}

// A byte typed in the grid's byte editor, which differs from the file.
void editInGrid(Fixture& f, int row, const QString& value) {
  f.typeInGrid(row, value);
}

}  // namespace

class TrustPathsTest : public QObject {
  Q_OBJECT
 private slots:
  // With edits that a pick must ask about, each user action asks exactly once; going back
  // leaves the open aircraft highlighted, discarding opens the aircraft the action chose.
  void oneActionOnePickAndTheHighlightFollowsTheOpenSlot_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("target");  // -1: no pick at all
    QTest::newRow("Down") << "Down" << kOpen + 1;
    QTest::newRow("Up") << "Up" << kOpen - 1;
    QTest::newRow("Home") << "Home" << 0;
    QTest::newRow("End") << "End" << 29;
    QTest::newRow("PageDown") << "PageDown" << -2;  // somewhere further down
    QTest::newRow("PageUp") << "PageUp" << -3;      // somewhere further up
    QTest::newRow("typed letter") << "T" << 13;
    QTest::newRow("click") << "click 20" << 20;
    QTest::newRow("ctrl+click another") << "ctrl+click 20" << 20;
    QTest::newRow("click the open aircraft") << "click 10" << kOpen;
    QTest::newRow("ctrl+click the open aircraft") << "ctrl+click 10" << -1;
  }
  void oneActionOnePickAndTheHighlightFollowsTheOpenSlot() {
    QFETCH(QString, action);
    QFETCH(int, target);
    for (const QString answer : {"Go back", "Discard"}) {
      Fixture f;
      f.pick(kOpen);
      editInGrid(f, 80, "3");
      // The Script Maker, opened and cancelled, leaves the edit to be asked about.
      QTest::mouseClick(f.window->controls().Command2, Qt::LeftButton);
      QTest::mouseClick(f.window->controls().Command5, Qt::LeftButton);
      list(f)->setFocus();
      f.prompter.choices = {answer};
      act(f, action);
      QCOMPARE(f.prompter.questions.size(), target == -1 ? 0 : 1);
      QVERIFY(f.prompter.errors.isEmpty());
      const int open = f.window->openSlot();
      if (answer == "Go back" || target == -1) {
        QCOMPARE(open, kOpen);
        QCOMPARE(f.cell(80), QString("3"));
      } else if (target >= 0) {
        QCOMPARE(open, target);
      } else {
        QVERIFY(target == -2 ? open > kOpen : open < kOpen);
      }
      QCOMPARE(list(f)->selectedRow(), open);
      QCOMPARE(list(f)->currentRow(), open);
    }
  }

  // A refused save cancels the pick with one message naming both aircraft.
  void aRefusedSaveKeepsTheOpenAircraftHighlighted_data() {
    QTest::addColumn<QString>("action");
    for (const char* a : {"Down", "End", "T", "click 3"}) QTest::newRow(a) << QString(a);
  }
  void aRefusedSaveKeepsTheOpenAircraftHighlighted() {
    QFETCH(QString, action);
    Fixture f;
    f.pick(kOpen);
    editInGrid(f, 161, "300");
    const QByteArray before = f.folder.bytes();
    list(f)->setFocus();
    act(f, action);
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY2(f.prompter.errors[0].contains("MB 1: \"300\""), qPrintable(f.prompter.errors[0]));
    QVERIFY(f.prompter.errors[0].contains("Spit Ia"));
    QCOMPARE(f.window->openSlot(), kOpen);
    QCOMPARE(list(f)->selectedRow(), kOpen);
    QCOMPARE(f.folder.bytes(), before);
  }

  // "Save planes.dat" rereads the slot the grid holds, whatever row of the list is current.
  void saveRereadsTheOpenSlotNotTheListsCurrentRow() {
    Fixture f;
    f.pick(5);
    ui::PickList* l = list(f);
    l->selectionModel()->setCurrentIndex(l->model()->index(0, 0), QItemSelectionModel::Clear);
    editInGrid(f, 80, "7");
    QTest::mouseClick(f.window->controls().Command3, Qt::LeftButton);
    QCOMPARE(f.window->openSlot(), 5);
    QCOMPARE(f.cell(1, 0), QString::number(record::bytePosition(5, 1)));
    QCOMPARE(f.fileByte(5, 80), 7);
    QCOMPARE(l->selectedRow(), 5);
  }

  void saveBeforeAnyLoadSaysSoAndKeepsTheValues() {
    Fixture f;
    f.typeInto("Text8", "1950");  // 1950 = 158 + 256 * 7
    const QByteArray before = f.folder.bytes();
    QTest::mouseClick(f.window->controls().Command3, Qt::LeftButton);
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY(f.prompter.errors[0].contains("no aircraft is open"));
    QCOMPARE(f.cell(9), QString("158"));
    QCOMPARE(f.folder.bytes(), before);
  }

  // The pick saved the edits but cannot load the picked aircraft: the message says that the
  // edits were saved, and the grid shows the file as it now is (no yellow marks left).
  void aSavedPickWhoseLoadFailsSaysTheEditsWereSaved() {
    Fixture f;
    f.pick(2);
    editInGrid(f, 80, "7");
    f.folder.setBytes(f.folder.bytes().left(3000));
    clickItem(f, 25);
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY2(f.prompter.errors[0].contains("were saved"), qPrintable(f.prompter.errors[0]));
    QCOMPARE(f.fileByte(2, 80), 7);
    QCOMPARE(f.window->openSlot(), 2);
    QCOMPARE(f.cell(80, 1), QString("7"));
    QVERIFY(!f.window->hasUnsavedChanges());
  }

  // A close whose save fails asks once, naming the reason; no earlier message is assumed.
  void theCloseQuestionNamesTheReason() {
    Fixture f;
    f.pick(4);
    editInGrid(f, 80, "7");
    QFile::remove(f.folder.filePath());
    QVERIFY(!f.close());
    QCOMPARE(f.prompter.questions.size(), 1);
    QVERIFY(f.prompter.errors.isEmpty());
    QVERIFY(f.prompter.questions[0].contains("There is no planes.dat"));
    QVERIFY(!f.prompter.questions[0].contains("previous message"));
  }

  // Edits that are not saved by themselves are asked about at the close too.
  void aCloseWithEditsThatAreNotSavedByThemselvesAsks_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("written");
    QTest::newRow("Escape") << "" << false << false;
    QTest::newRow("Go back") << "Go back" << false << false;
    QTest::newRow("Discard") << "Discard" << true << false;
    QTest::newRow("Save") << "Save to planes.dat" << true << true;
  }
  void aCloseWithEditsThatAreNotSavedByThemselvesAsks() {
    QFETCH(QString, answer);
    QFETCH(bool, closes);
    QFETCH(bool, written);
    Fixture f;
    f.pick(4);
    editInGrid(f, 80, "7");
    QTest::mouseClick(f.window->controls().Command2, Qt::LeftButton);  // the Script Maker
    if (!answer.isEmpty()) f.prompter.choices = {answer};
    QCOMPARE(f.close(), closes);
    QCOMPARE(f.prompter.questions.size(), 1);
    QCOMPARE(f.fileByte(4, 80) == 7, written);
    if (!closes) QCOMPARE(f.cell(80), QString("7"));
  }

  // A click on the open aircraft rereads it, so another program's change shows.
  void aClickOnTheOpenAircraftRereadsIt() {
    Fixture f;
    f.pick(6);
    f.setRecordBytes(6, 80, {123});
    clickItem(f, 6);
    QCOMPARE(f.cell(80, 1), QString("123"));
    QCOMPARE(f.cell(80), QString("123"));
    QVERIFY(f.prompter.questions.isEmpty());
  }

  // A code typed without Enter is committed by a save, a pick or a close when it has four
  // characters, and refused with the code box named otherwise.
  void aCodeTypedWithoutEnterIsNotThrownAway_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("typed");
    for (const char* how : {"save", "pick", "close"}) {
      QTest::addRow("%s, four characters", how) << QString(how) << "WXYZ";
      QTest::addRow("%s, three characters", how) << QString(how) << "WXY";
    }
  }
  void aCodeTypedWithoutEnterIsNotThrownAway() {
    QFETCH(QString, how);
    QFETCH(QString, typed);
    Fixture f;
    f.pick(8);
    auto* code = f.window->controls().Text5;
    code->selectAll();
    QTest::keyClicks(code, typed);
    const QByteArray before = f.folder.bytes();
    bool closed = false;
    if (how == "save") QTest::mouseClick(f.window->controls().Command3, Qt::LeftButton);
    if (how == "pick") clickItem(f, 9);
    if (how == "close") closed = f.close();
    if (typed.size() == 4) {
      for (int k = 0; k < 4; ++k) QCOMPARE(f.fileByte(8, 165 + k), int(typed[k].unicode()));
      QVERIFY(f.prompter.errors.isEmpty() && f.prompter.questions.isEmpty());
      return;
    }
    QCOMPARE(f.folder.bytes(), before);
    QVERIFY(!closed);
    const QString told = f.prompter.errors.value(0) + f.prompter.questions.value(0);
    QVERIFY2(told.contains("\"Code\"") && told.contains("WXY"), qPrintable(told));
    QCOMPARE(f.window->openSlot(), 8);
    QCOMPARE(code->text(), typed);
  }

  // A backup that cannot be made (a folder sits where the copy must go) is asked about once
  // per run and file; Cancel keeps the edits, "Save without a backup" saves.
  void aBackupThatCannotBeMadeIsAskedAboutOnce() {
    Fixture f;
    QVERIFY(QDir(f.folder.path()).mkdir("planes.dat.bak"));
    QVERIFY(QDir(f.folder.path()).mkdir("planes.dat.orig"));
    f.pick(4);
    editInGrid(f, 80, "7");
    QVERIFY(!f.window->save());  // Cancel
    QCOMPARE(f.prompter.questions.size(), 1);
    QCOMPARE(f.prompter.buttonSets[0], QStringList({"Save without a backup", "Cancel"}));
    QVERIFY(f.fileByte(4, 80) != 7);
    QCOMPARE(f.cell(80), QString("7"));
    f.prompter.choices = {"Save without a backup"};
    QVERIFY(f.window->save());
    QCOMPARE(f.fileByte(4, 80), 7);
    editInGrid(f, 80, "8");
    QVERIFY(f.window->save());
    QCOMPARE(f.fileByte(4, 80), 8);
    QCOMPARE(f.prompter.questions.size(), 2);
    QVERIFY(f.prompter.errors.isEmpty());
  }

  // SIGTERM does what a close does, without a question: pending edits are saved.
  void aTerminationSignalSavesPendingEdits() {
    Fixture f;
    app::endWithTheSession(*f.window);
    f.pick(3);
    editInGrid(f, 80, "9");
    std::raise(SIGTERM);
    QTRY_COMPARE(f.fileByte(3, 80), 9);
    QVERIFY(f.prompter.questions.isEmpty() && f.prompter.errors.isEmpty());
  }
};

QTEST_MAIN(TrustPathsTest)
#include "test_trust_paths.moc"
