// The Script Maker panel in the window: opening it, the slot list, cancel, and saving a script
// from the grid as it stands.
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
#include "ui/dir_list.h"

using namespace tolvane;
using test::Fixture;

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString name(int slot) {
  return QString(record::slotNames()[slot]);
}

// Clicks a row of the panel's slot list as the user does.
void clickSlot(QListWidget* list, int slot) {
  QListWidgetItem* item = list->item(slot);
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// Sets the panel's texts as typed, its parent folder and sub-folder.
void fillPanel(const editors::WindowControls& c, const QString& parent, const QString& folder) {
  c.Text11->clear();
  QTest::keyClicks(c.Text11, "pn_p51d");
  c.Text10->setPlainText("First line\nSecond line");
  c.Text12->setText(folder);
  c.Dir1->setPath(parent);
}

}  // namespace

class ScriptMakerTest : public QObject {
  Q_OBJECT
 private slots:
  void startsHiddenWithTheFolderListAtTheCurrentFolder() {
    Fixture f;
    const auto& c = f.window->controls();
    QVERIFY(!c.Frame3->isVisible());
    QCOMPARE(c.Label18->caption(), QDir::currentPath());
    QCOMPARE(c.Dir1->path(), QDir::currentPath());
    QCOMPARE(c.Text12->text(), QString("P-"));
    QCOMPARE(c.Label14->caption(), QString());

    QTemporaryDir other;
    c.Dir1->setPath(other.path());
    QCOMPARE(c.Label18->caption(), other.path());
  }

  // Slot 7 loaded, an unsaved edit in the grid, then slot 12 chosen in the panel: line 2 is
  // 12 while the bytes are the grid's, edit included.
  void scriptOfTheGridWithAnotherSlotChosen() {
    Fixture f;
    const auto& c = f.window->controls();
    f.pick(7);
    f.setCell(30, 2, "201");
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(c.Frame3->isVisible());
    QCOMPARE(c.List2->currentRow(), 7);
    QVERIFY(c.List2->currentItem()->isSelected());
    QCOMPARE(c.Label14->caption(), QString("7"));
    QCOMPARE(c.Text9->text(), name(7));

    clickSlot(c.List2, 12);
    QCOMPARE(c.Label14->caption(), QString("12"));
    QCOMPARE(c.Text9->text(), name(12));
    QCOMPARE(c.List1->currentRow(), 7);  // the loaded record stays

    QTemporaryDir parent;
    fillPanel(c, parent.path(), "P-51");
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    QVERIFY(!c.Frame3->isVisible());

    QCOMPARE(f.cell(30, 2), QString("201"));
    QByteArray expected = "pn_p51d           \r\n12\r\n";
    for (int row = 2; row <= 168; ++row) expected += f.cell(row, 2).toLatin1() + "\r\n";
    expected += "First line\r\nSecond line\r\n";
    QCOMPARE(readAll(parent.filePath("P-51/" + name(12) + ".oaw")), expected);
  }

  // Nothing loaded: no slot chosen, an empty line 2 and 167 empty lines.
  void scriptWithNothingLoaded() {
    Fixture f;
    const auto& c = f.window->controls();
    const QByteArray before = f.folder.bytes();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(c.Frame3->isVisible());
    QVERIFY(c.List2->selectedItems().isEmpty());
    QCOMPARE(c.Label14->caption(), QString());

    c.Text11->setText("x");
    c.Text9->setText("Nothing");
    c.Text12->setText("");  // the parent folder itself
    c.Dir1->setPath(f.folder.path());
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    const QByteArray expected = "x                 \r\n\r\n" +
                                QByteArray(167 * 2, '\0').replace(QByteArray(2, '\0'), "\r\n") +
                                "\r\n";
    QCOMPARE(expected.count("\r\n"), 170);
    QCOMPARE(readAll(f.folder.path() + "/Nothing.oaw"), expected);
    QCOMPARE(f.folder.bytes(), before);

    // A slot chosen by hand is dropped by the next opening while nothing is loaded: the slot
    // line follows the list, which again shows no choice; the typed name stays.
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    clickSlot(c.List2, 12);
    QCOMPARE(c.Label14->caption(), QString("12"));
    c.Text9->setText("Typed");
    QTest::mouseClick(c.Command5, Qt::LeftButton);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(c.List2->selectedItems().isEmpty());
    QCOMPARE(c.Label14->caption(), QString());
    QCOMPARE(c.Text9->text(), QString("Typed"));
  }

  void secondScriptIntoAnExistingFolder() {
    Fixture f;
    const auto& c = f.window->controls();
    QTemporaryDir parent;
    QVERIFY(QDir(parent.path()).mkdir("P-38"));
    QFile other(parent.filePath("P-38/other.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("keep");
    other.close();
    f.pick(0);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    fillPanel(c, parent.path(), "P-38");
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    QCOMPARE(readAll(parent.filePath("P-38/other.txt")), QByteArray("keep"));
    QCOMPARE(readAll(parent.filePath("P-38/" + name(0) + ".oaw")).count("\r\n"), 171);
  }

  // Every refusal and failure: a message, the panel open with its texts, no script.
  void failuresKeepThePanelOpen_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder taken by a file") << "taken"
                                            << "ok"
                                            << "cannot be made";
    QTest::newRow("folder leaving the parent") << ".."
                                               << "ok"
                                               << "cannot be used";
    QTest::newRow("folder with a separator") << "a/b"
                                             << "ok"
                                             << "cannot be used";
    QTest::newRow("character outside Windows-1252") << "P-51"
                                                    << "Як-3"
                                                    << "Description";
  }
  void failuresKeepThePanelOpen() {
    QFETCH(QString, folder);
    QFETCH(QString, description);
    QFETCH(QString, message);
    Fixture f;
    const auto& c = f.window->controls();
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkdir("parent"));
    const QString parent = root.filePath("parent");
    QFile taken(parent + "/taken");
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    f.pick(3);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    fillPanel(c, parent, folder);
    c.Text10->setPlainText(description);
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY2(f.prompter.errors[0].contains(message), qPrintable(f.prompter.errors[0]));
    QVERIFY(c.Frame3->isVisible());
    QCOMPARE(c.Text12->text(), folder);
    QCOMPARE(c.Text10->toPlainText(), description);
    QCOMPARE(c.Text11->text(), QString("pn_p51d"));
    QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"taken"});
    QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"parent"});
  }

  void cancelKeepsTheTexts() {
    Fixture f;
    const auto& c = f.window->controls();
    f.pick(5);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    c.Text9->clear();
    QTest::keyClicks(c.Text9, "My Spitfire");
    QTest::keyClicks(c.Text11, "pnames");
    QTest::keyClicks(c.Text10, "line one");
    QTest::keyClick(c.Text10, Qt::Key_Return);
    QTest::keyClicks(c.Text10, "line two");
    QTest::keyClicks(c.Text12, "51");
    QTest::mouseClick(c.Command5, Qt::LeftButton);
    QVERIFY(!c.Frame3->isVisible());

    // The same aircraft is still loaded, so the slot choice does not change and even the
    // typed name stays.
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(c.Frame3->isVisible());
    QCOMPARE(c.Text9->text(), QString("My Spitfire"));
    QCOMPARE(c.Text11->text(), QString("pnames"));
    QCOMPARE(c.Text10->toPlainText(), QString("line one\nline two"));
    QCOMPARE(c.Text12->text(), QString("P-51"));
    QCOMPARE(c.Label14->caption(), QString("5"));

    // Another aircraft loaded meanwhile: its slot and name are chosen, the rest stays.
    QTest::mouseClick(c.Command5, Qt::LeftButton);
    f.pick(9);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QCOMPARE(c.Text9->text(), name(9));
    QCOMPARE(c.Label14->caption(), QString("9"));
    QCOMPARE(c.Text11->text(), QString("pnames"));
    QCOMPARE(c.Text12->text(), QString("P-51"));
  }

  // Opening the panel gives up the automatic save of pending edits: a pick of another
  // aircraft then asks about them instead of saving them by itself, and never drops them
  // without a word.
  void openingThePanelDropsTheAutomaticSave() {
    Fixture f;
    const auto& c = f.window->controls();
    f.pick(7);
    const QByteArray before = f.folder.bytes();
    // A damage byte typed into the grid's in-place editor.
    c.G1->setTopRow(74);
    const QRect cell = c.G1->visualRect(c.G1->model()->index(74, 3));
    QTest::mouseClick(c.G1->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(c.Text4->isVisible());
    c.Text4->setText(f.cell(74, 1) == "9" ? "8" : "9");
    QTest::keyClick(c.Text4, Qt::Key_Return);
    QVERIFY(f.window->recordModified());
    QVERIFY(f.cell(74, 2) != f.cell(74, 1));
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(!f.window->recordModified());
    const QString edited = f.cell(74, 2);
    f.pick(8);  // no answer: Escape, which goes back and keeps everything
    QCOMPARE(f.prompter.questions.size(), 1);
    QCOMPARE(f.prompter.buttonSets[0], QStringList({"Save to planes.dat", "Discard", "Go back"}));
    QCOMPARE(c.List1->currentRow(), 7);
    QCOMPARE(f.window->openSlot(), 7);
    QCOMPARE(f.cell(74, 2), edited);
    f.prompter.choices = {"Discard"};
    f.pick(8);
    QCOMPARE(c.List1->currentRow(), 8);
    QCOMPARE(f.folder.bytes(), before);
    QVERIFY(f.prompter.errors.isEmpty());
  }
};

QTEST_MAIN(ScriptMakerTest)
#include "test_script_maker.moc"
