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
};

QTEST_MAIN(UndoTest)
#include "test_undo.moc"
