// Undo, redo and revert in the window, by real keys: every kind of step is taken back whole,
// the editors follow the grid, and nothing reaches planes.dat until a save.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/main_window.h"
#include "app/record_session.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

using namespace tolvane;
using test::Fixture;

namespace {

constexpr int kSlot = 7;

struct ActiveFixture : Fixture {
  ActiveFixture() {
    pick(kSlot);
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("window not active");
  }
  const editors::WindowControls& c() const { return window->controls(); }
  QStringList values() const {
    QStringList out;
    for (int row = 1; row <= record::kRecordBytes; ++row) out << cell(row);
    return out;
  }
  // Ctrl+Z or Ctrl+Y (or Ctrl+Shift+Z) pressed where the focus is.
  void press(QKeyCombination keys) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, keys.key(), keys.keyboardModifiers());
  }
};

// A click on a grid row's label cell, as the user makes it.
void ByteGridClick(Fixture& f, int row) {
  auto* grid = f.find<ui::ByteGrid>("G1");
  grid->setTopRow(row);
  const QRect cell = grid->visualRect(grid->model()->index(row, record::kLabelColumn));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void typeInto(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, text);
}

}  // namespace

class UndoTest : public QObject {
  Q_OBJECT
 private slots:
  // Each kind of step: done, undone (cells and editors back as loaded), redone.
  void eachKindOfStepIsUndoneWhole_data() {
    QTest::addColumn<QString>("step");
    for (const char* s : {"typing run", "flag click", "option click", "byte editor commit",
                          "code Enter", "gun group typing"}) {
      QTest::newRow(s) << QString(s);
    }
  }
  void eachKindOfStepIsUndoneWhole() {
    QFETCH(QString, step);
    ActiveFixture f;
    const QByteArray file = f.folder.bytes();
    const QStringList loaded = f.values();
    const auto& c = f.c();
    QLineEdit* shown = nullptr;  // a box that must show the loaded value again
    QString shownLoaded;
    if (step == "typing run") {
      shown = c.Text3[3];
      shownLoaded = shown->text();
      typeInto(shown, "12345");
    } else if (step == "flag click") {
      QTest::mouseClick(c.Check2[5], Qt::LeftButton, {}, QPoint(6, c.Check2[5]->height() / 2));
    } else if (step == "option click" || step == "gun group typing") {
      QTest::mouseClick(c.Option4->button(2), Qt::LeftButton);
      if (step == "option click") {
        QTest::mouseClick(c.Option2->button(24), Qt::LeftButton);  // with its sound
      } else {
        shown = c.Text2;
        shownLoaded = shown->text();
        typeInto(shown, "777");
      }
    } else if (step == "byte editor commit") {
      c.G1->setTopRow(75);
      QTest::mouseClick(c.G1->viewport(), Qt::LeftButton, {},
                        c.G1->visualRect(c.G1->model()->index(75, 3)).center());
      c.Text4->selectAll();
      QTest::keyClicks(c.Text4, "201");
      QTest::keyClick(c.Text4, Qt::Key_Return);
    } else if (step == "code Enter") {
      shown = c.Text5;
      shownLoaded = shown->text();
      typeInto(shown, "QRST");
      QTest::keyClick(shown, Qt::Key_Return);
    }
    const QStringList edited = f.values();
    QVERIFY(edited != loaded);
    QVERIFY(f.window->hasUnsavedChanges());

    f.press(Qt::CTRL | Qt::Key_Z);
    QCOMPARE(f.values(), loaded);
    QVERIFY(!f.window->hasUnsavedChanges());
    if (shown) QCOMPARE(shown->text(), shownLoaded);
    if (step == "flag click") QVERIFY(!c.Check2[5]->isChecked() || loaded[5] == edited[5]);
    f.press(Qt::CTRL | Qt::Key_Y);
    QCOMPARE(f.values(), edited);
    f.press(Qt::CTRL | Qt::Key_Z);
    f.press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    QCOMPARE(f.values(), edited);
    QCOMPARE(f.folder.bytes(), file);  // nothing of it reached the file
  }

  // An undo back to the file's bytes leaves nothing to save: a pick writes nothing and
  // makes no backup.
  void anUndoBackToTheFileLeavesNothingToSave() {
    ActiveFixture f;
    const QByteArray file = f.folder.bytes();
    typeInto(f.c().Text8, "1950");
    f.press(Qt::CTRL | Qt::Key_Z);
    QVERIFY(f.window->state().recordModified);  // a pick would save without a question...
    QVERIFY(!f.window->recordModified());       // ...but there is nothing to save
    f.pick(kSlot + 1);
    QCOMPARE(f.folder.bytes(), file);
    QVERIFY(!QFile::exists(f.folder.filePath() + ".bak"));
    QVERIFY(f.prompter.questions.isEmpty());
  }

  // A save keeps the history: undoing after it makes the record modified again, and the
  // next save writes the older bytes back. A pick starts a new history.
  void aSaveKeepsTheHistoryAPickStartsANewOne() {
    ActiveFixture f;
    const int loadedYear = f.fileByte(kSlot, 9) + 256 * f.fileByte(kSlot, 10);
    typeInto(f.c().Text8, "1950");
    QTest::mouseClick(f.c().Command3, Qt::LeftButton);
    QCOMPARE(f.fileByte(kSlot, 9) + 256 * f.fileByte(kSlot, 10), 1950);
    QVERIFY(!f.window->hasUnsavedChanges());
    f.c().Text8->setFocus();
    f.press(Qt::CTRL | Qt::Key_Z);
    QVERIFY(f.window->hasUnsavedChanges());
    QTest::mouseClick(f.c().Command3, Qt::LeftButton);
    QCOMPARE(f.fileByte(kSlot, 9) + 256 * f.fileByte(kSlot, 10), loadedYear);
    f.pick(kSlot + 1);
    QVERIFY(!f.window->session().canUndo());
  }

  // Revert rereads the file's bytes as one step, asks first when edits are pending, and is
  // undone like any step.
  void revertIsAskedAndUndoable() {
    ActiveFixture f;
    const QStringList loaded = f.values();
    typeInto(f.c().Text3[0], "5000");
    const QStringList edited = f.values();
    f.prompter.answers = {false};
    f.window->revertAction()->trigger();
    QCOMPARE(f.prompter.questions.size(), 1);
    QCOMPARE(f.values(), edited);
    f.prompter.answers = {true};
    f.window->revertAction()->trigger();
    QCOMPARE(f.values(), loaded);
    QVERIFY(!f.window->hasUnsavedChanges());
    QCOMPARE(f.c().Text3[0]->text().trimmed(),
             QString::number(loaded[12].toInt() + 256 * loaded[13].toInt() +
                             65536 * loaded[14].toInt()));
    f.press(Qt::CTRL | Qt::Key_Z);
    QCOMPARE(f.values(), edited);
  }

  // The text boxes' own undo is replaced: Ctrl+Z in a box takes back the record's last step,
  // even one made in another control.
  void ctrlZInABoxUndoesTheWindowsLastStep() {
    ActiveFixture f;
    const QStringList loaded = f.values();
    QTest::mouseClick(f.c().Check1[0], Qt::LeftButton, {}, QPoint(6, 8));
    typeInto(f.c().Text7, "5");
    const QStringList flagged = [&] {
      QStringList v = f.values();
      v[10] = loaded[10];  // the crew's byte 11 as loaded
      return v;
    }();
    f.press(Qt::CTRL | Qt::Key_Z);  // the crew, and only the crew
    QCOMPARE(f.values(), flagged);
    f.press(Qt::CTRL | Qt::Key_Z);  // the flag, with the focus still in the crew box
    QCOMPARE(f.values(), loaded);
    QVERIFY(f.c().Text7->hasFocus());
  }

  // An undo never puts back a byte that the file no longer holds without the question about
  // another program's change; the player's own edits come back.
  void anUndoAfterARevertNeverBringsBackAnOutdatedByte_data() {
    QTest::addColumn<bool>("editYearFirst");
    QTest::addColumn<int>("undos");
    QTest::addColumn<bool>("asked");
    QTest::newRow("undo of the revert") << false << 1 << false;
    QTest::newRow("undo past the revert to the old year") << true << 3 << true;
  }
  void anUndoAfterARevertNeverBringsBackAnOutdatedByte() {
    QFETCH(bool, editYearFirst);
    QFETCH(int, undos);
    QFETCH(bool, asked);
    ActiveFixture f;
    const QString loadedYear = f.c().Text8->text().trimmed();
    if (editYearFirst) typeInto(f.c().Text8, "1944");
    typeInto(f.c().Text3[3], "36000");
    // Another program writes the year 1952.
    f.setRecordBytes(kSlot, 9, {1952 % 256, 1952 / 256});
    f.prompter.answers = {true};
    f.window->revertAction()->trigger();
    QCOMPARE(f.c().Text8->text().trimmed(), QString("1952"));
    // The revert, then the speed, then the year: back to the year the file no longer holds.
    for (int i = 0; i < undos; ++i) f.press(Qt::CTRL | Qt::Key_Z);
    if (editYearFirst) QCOMPARE(f.c().Text8->text().trimmed(), loadedYear);
    f.prompter.choices = {"Go back"};
    QTest::keyClick(f.c().Text3[3], Qt::Key_S, Qt::ControlModifier);
    const qsizetype questions = f.prompter.questions.size();
    QCOMPARE(questions, qsizetype(1 + (asked ? 1 : 0)));
    if (asked) {
      QVERIFY2(
          f.prompter.questions.last().contains(QString("Year: %1 \u2192 1952").arg(loadedYear)),
          qPrintable(f.prompter.questions.last()));
      QCOMPARE(f.fileByte(kSlot, 9) + 256 * f.fileByte(kSlot, 10), 1952);
      QVERIFY(f.window->hasUnsavedChanges());
      return;
    }
    // The player's own edit came back and was saved; the other program's year stays.
    QCOMPARE(f.fileByte(kSlot, 9) + 256 * f.fileByte(kSlot, 10), 1952);
    QCOMPARE(f.fileByte(kSlot, 25) + 256 * f.fileByte(kSlot, 26), 36000);
  }

  // Edits left to be asked about when the Script Maker was opened stay so after an undo:
  // the next pick asks instead of saving them without a word.
  void anUndoDoesNotArmTheSilentSaveAgain() {
    ActiveFixture f;
    const QByteArray file = f.folder.bytes();
    typeInto(f.c().Text3[3], "36000");
    typeInto(f.c().Text8, "1950");
    QTest::mouseClick(f.c().Command2, Qt::LeftButton);
    QTest::mouseClick(f.c().Command5, Qt::LeftButton);
    f.c().Text8->setFocus();
    f.press(Qt::CTRL | Qt::Key_Z);  // the year
    f.prompter.choices = {"Go back"};
    f.pick(kSlot + 1);
    QCOMPARE(f.prompter.questions.size(), 1);
    QCOMPARE(f.prompter.buttonSets.last(),
             QStringList({"Save to planes.dat", "Discard", "Go back"}));
    QCOMPARE(f.window->openSlot(), kSlot);
    QCOMPARE(f.folder.bytes(), file);
  }

  // Text typed and not yet entered (the code, the byte editor's box) is a step of its own:
  // Ctrl+Z takes back that text, not an older edit, and Ctrl+Y brings it back.
  void typedTextIsAStepOfItsOwnForUndo_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("code") << "Text5";
    QTest::newRow("byte editor") << "Text4";
  }
  void typedTextIsAStepOfItsOwnForUndo() {
    QFETCH(QString, box);
    ActiveFixture f;
    typeInto(f.c().Text3[3], "36000");
    const QStringList older = f.values();
    QStringList typed = older;
    if (box == "Text5") {
      typeInto(f.c().Text5, "ZZZZ");
      for (int k = 0; k < 4; ++k) typed[164 + k] = QString::number('Z');
    } else {
      ByteGridClick(f, 76);
      typeInto(f.c().Text4, "77");
      typed[75] = "77";
    }
    f.press(Qt::CTRL | Qt::Key_Z);
    QCOMPARE(f.values(), older);
    f.press(Qt::CTRL | Qt::Key_Y);
    QCOMPARE(f.values(), typed);
    f.press(Qt::CTRL | Qt::Key_Z);
    f.press(Qt::CTRL | Qt::Key_Z);
    QVERIFY(!f.window->hasUnsavedChanges());
  }

  // Every box refilled by an undo shows its cell's text and mark: a refused crew stays
  // "12x" and red, not "12".
  void boxesRefilledByUndoShowTheirCellsExactly() {
    ActiveFixture f;
    const QString crew = f.c().Text7->text();
    typeInto(f.c().Text7, "12x");
    QVERIFY(f.c().Text7->toolTip().contains("255"));
    typeInto(f.c().Text8, "1950");
    f.press(Qt::CTRL | Qt::Key_Z);  // the year
    QCOMPARE(f.cell(11), QString("12x"));
    QCOMPARE(f.c().Text7->text(), QString("12x"));
    QCOMPARE(f.c().Text7->palette().color(QPalette::Text), QColor(Qt::red));
    f.press(Qt::CTRL | Qt::Key_Z);  // the crew
    QCOMPARE(f.c().Text7->text(), crew);
    QVERIFY(f.c().Text7->toolTip().isEmpty());
    f.press(Qt::CTRL | Qt::Key_Y);
    QCOMPARE(f.c().Text7->text(), QString("12x"));
    QVERIFY(f.c().Text7->toolTip().contains("255"));
  }
};

QTEST_MAIN(UndoTest)
#include "test_undo.moc"
