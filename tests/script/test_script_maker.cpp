// The Script Maker panel in the window: opening it, the slot list, cancel, and saving a script
// from the grid as it stands.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
#include "record/numbers.h"
#include "script/native_path.h"
#include "script/script_maker.h"
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

// Types a text one key press per character, as a keyboard layout that has the characters
// would (QTest::keyClicks handles Latin-1 only).
void typeText(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
  }
}

script::ScriptMaker* maker(const Fixture& f) {
  return f.window->findChild<script::ScriptMaker*>();
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
    // The values of slot 7 under slot 12: asked once, naming both; "Go back" writes nothing.
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(f.prompter.questions.size(), 1);
    QVERIFY2(f.prompter.questions[0].contains("the values of " + name(7) + " under slot 12, " +
                                              name(12)),
             qPrintable(f.prompter.questions[0]));
    QVERIFY(c.Frame3->isVisible());
    QVERIFY(QDir(parent.path()).isEmpty());
    f.prompter.answers = {true};
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(f.prompter.questions.size(), 2);
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    QVERIFY(!c.Frame3->isVisible());

    QCOMPARE(f.cell(30, 2), QString("201"));
    QByteArray expected = "pn_p51d           \r\n12\r\n";
    // Each value as the save would store it ("231.5" as 232, " 10" as 10).
    for (int row = 2; row <= 168; ++row)
      expected += QByteArray::number(*record::cellByte(f.cell(row, 2).toStdString())) + "\r\n";
    expected += "First line\r\nSecond line\r\n";
    QCOMPARE(readAll(parent.filePath("P-51/" + name(12) + ".oaw")), expected);
  }

  // What the script cannot be written without is named, and nothing is written or made:
  // no aircraft open (a script of blank lines), an empty or blank Aircraft Name (a hidden
  // ".oaw"), no slot chosen (an aircraft picked after the panel was opened empty).
  void refusedWhenSomethingIsMissing_data() {
    QTest::addColumn<int>("loaded");       // slot open before the panel is opened, or -1
    QTest::addColumn<int>("pickedLater");  // slot picked in the aircraft list afterwards, or -1
    QTest::addColumn<QString>("name");     // typed into the cleared Aircraft Name; null: left
    QTest::addColumn<QString>("message");
    QTest::newRow("no aircraft, no name") << -1 << -1 << QString() << "No aircraft is open";
    QTest::newRow("no aircraft, a name") << -1 << -1 << "Mine"
                                         << "No aircraft is open";
    QTest::newRow("empty name") << 3 << -1 << ""
                                << "The \"Aircraft Name\" is empty";
    QTest::newRow("blank name") << 3 << -1 << "   "
                                << "The \"Aircraft Name\" is empty";
    QTest::newRow("no slot chosen") << -1 << 5 << "Mine"
                                    << "No slot is chosen";
  }
  void refusedWhenSomethingIsMissing() {
    QFETCH(int, loaded);
    QFETCH(int, pickedLater);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Fixture f;
    const auto& c = f.window->controls();
    const QByteArray before = f.folder.bytes();
    QTemporaryDir parent;
    if (loaded >= 0) f.pick(loaded);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    if (pickedLater >= 0) f.pick(pickedLater);
    c.Dir1->setPath(parent.path());
    QTest::keyClicks(c.Text11, "pn");
    if (!name.isNull()) {
      c.Text9->setFocus();
      QTest::keyClick(c.Text9, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(c.Text9, Qt::Key_Backspace);
      QTest::keyClicks(c.Text9, name);
    }
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY2(f.prompter.errors[0].contains(message), qPrintable(f.prompter.errors[0]));
    QVERIFY2(f.prompter.errors[0].contains("not written"), qPrintable(f.prompter.errors[0]));
    QVERIFY(f.prompter.questions.isEmpty());
    QVERIFY(c.Frame3->isVisible());
    QCOMPARE(QDir(parent.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QCOMPARE(f.folder.bytes(), before);
  }

  // A name longer than the script's 18-character name line is cut only when the user agrees
  // to the question that shows both parts; blanks past the line go without a word.
  void longNameLineIsCutOnlyWhenAgreed_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cut");  // the part the question names; empty: no question
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("5 characters") << "P51-D"
                                  << "" << QByteArray("P51-D             ");
    QTest::newRow("18 characters") << "Mustang P-51D 1944"
                                   << "" << QByteArray("Mustang P-51D 1944");
    QTest::newRow("blanks past 18") << "Mustang P-51D 1944   "
                                    << "" << QByteArray("Mustang P-51D 1944");
    QTest::newRow("26 characters") << "Supermarine Spitfire Mk IX"
                                   << "re Mk IX" << QByteArray("Supermarine Spitfi");
  }
  void longNameLineIsCutOnlyWhenAgreed() {
    QFETCH(QString, typed);
    QFETCH(QString, cut);
    QFETCH(QByteArray, line);
    Fixture f;
    const auto& c = f.window->controls();
    QTemporaryDir parent;
    f.pick(11);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    c.Dir1->setPath(parent.path());
    QTest::keyClicks(c.Text11, typed);
    const QString path = parent.filePath("P-/" + name(11) + ".oaw");
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    if (!cut.isEmpty()) {
      QCOMPARE(f.prompter.questions.size(), 1);
      const QString question = f.prompter.questions[0];
      for (const QString& part : {QString("%1 characters").arg(typed.size()),
                                  "\"" + QString(line) + "\"", "\"" + cut + "\""}) {
        QVERIFY2(question.contains(part), qPrintable(part + "\n---\n" + question));
      }
      QVERIFY(c.Frame3->isVisible());
      QVERIFY(QDir(parent.path()).isEmpty());
      f.prompter.answers = {true};
      QTest::mouseClick(c.Command4, Qt::LeftButton);
      QCOMPARE(f.prompter.questions.size(), 2);
    } else {
      QVERIFY(f.prompter.questions.isEmpty());
    }
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    QVERIFY(!c.Frame3->isVisible());
    QVERIFY(readAll(path).startsWith(line + "\r\n11\r\n"));
  }

  // A slot chosen by hand is dropped by the next opening while nothing is loaded: the slot
  // line follows the list, which again shows no choice; the typed name stays.
  void handChosenSlotIsDroppedWhileNothingIsLoaded() {
    Fixture f;
    const auto& c = f.window->controls();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(c.Frame3->isVisible());
    QVERIFY(c.List2->selectedItems().isEmpty());
    QCOMPARE(c.Label14->caption(), QString());
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
    QVERIFY(f.window->state().recordModified);
    QVERIFY(f.cell(74, 2) != f.cell(74, 1));
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(!f.window->state().recordModified);
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

  // The description goes out byte for byte as typed, a no-break space and every other
  // Windows-1252 character included; Enter and Shift+Enter both break the line.
  void descriptionKeepsEveryCharacter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("no-break space") << QString("a\u00A0b")
                                    << QByteArray(
                                           "a\xA0"
                                           "b\r\n");
    QTest::newRow("0x80 to 0x9F") << QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ")
                                  << QByteArray(
                                         "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B"
                                         "\x8C\x8E\x91\x92\x93\x94\x95\x96\x97\x98\x99"
                                         "\x9A\x9B\x9C\x9E\x9F\r\n");
    QString upper;
    QByteArray upperBytes;
    for (int b = 0xA0; b <= 0xFF; ++b) {
      upper += QChar(b);
      upperBytes += static_cast<char>(b);
    }
    QTest::newRow("0xA0 to 0xFF") << upper << upperBytes + "\r\n";
    QTest::newRow("blanks kept") << QString("  two  blanks  ") << QByteArray("  two  blanks  \r\n");
  }
  void descriptionKeepsEveryCharacter() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, lines);
    Fixture f;
    const auto& c = f.window->controls();
    f.pick(2);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QTemporaryDir parent;
    fillPanel(c, parent.path(), "");
    c.Text10->clear();
    typeText(c.Text10, typed);
    QTest::keyClick(c.Text10, Qt::Key_Return);
    typeText(c.Text10, QString("x\u00A0"));
    QTest::keyClick(c.Text10, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(c.Text10, "y");
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    const QByteArray script = readAll(parent.filePath(name(2) + ".oaw"));
    QCOMPARE(script.count('\n'), 169 + 3);
    const QByteArray description = lines + "x\xA0\r\ny\r\n";
    QCOMPARE(script.right(description.size()), description);
  }

  // A Ctrl+click on the highlighted slot would leave the slot line empty: the slot stays
  // chosen, the highlight comes back and the typed name stays.
  void ctrlClickKeepsTheChosenSlot() {
    Fixture f;
    const auto& c = f.window->controls();
    f.pick(7);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    clickSlot(c.List2, 4);
    c.Text9->clear();
    QTest::keyClicks(c.Text9, "Typed");
    QListWidgetItem* item = c.List2->item(4);
    QTest::mouseClick(c.List2->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      c.List2->visualItemRect(item).center());
    QVERIFY(item->isSelected());
    QCOMPARE(c.List2->selectedItems().size(), 1);
    QCOMPARE(c.Label14->caption(), QString("4"));
    QCOMPARE(c.Text9->text(), QString("Typed"));
    // Ctrl+Space, the keyboard's way to take the highlight off, does no more.
    c.List2->setFocus();
    QTest::keyClick(c.List2, Qt::Key_Space, Qt::ControlModifier);
    QVERIFY(item->isSelected());
    QCOMPARE(c.Label14->caption(), QString("4"));

    QTemporaryDir parent;
    c.Text12->setText("");
    c.Dir1->setPath(parent.path());
    f.prompter.answers = {true};
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    QCOMPARE(readAll(parent.filePath("Typed.oaw")).split('\n').value(1), QByteArray("4\r"));
  }

  // A value cell the save would refuse stops the script too, naming the byte; one the save
  // accepts goes out as the byte the save would store.
  void valueCellsAsTheSaveTakesThem_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("line");  // empty: refused
    QTest::newRow("above a byte") << "300"
                                  << "";
    QTest::newRow("text") << "abc"
                          << "";
    QTest::newRow("negative") << "-1"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("half up to even") << "231.5"
                                     << "232";
    QTest::newRow("half down to even") << "2.5"
                                       << "2";
    QTest::newRow("blanks around") << " 7 "
                                   << "7";
    QTest::newRow("exponent") << "2E2"
                              << "200";
  }
  void valueCellsAsTheSaveTakesThem() {
    QFETCH(QString, typed);
    QFETCH(QString, line);
    for (const bool injected : {false, true}) {
      Fixture f;
      const auto& c = f.window->controls();
      f.pick(7);
      // A damage byte typed into the grid's in-place editor.
      c.G1->setTopRow(74);
      QTest::mouseClick(c.G1->viewport(), Qt::LeftButton, {},
                        c.G1->visualRect(c.G1->model()->index(74, 3)).center());
      QVERIFY(c.Text4->isVisible());
      c.Text4->selectAll();
      QTest::keyClick(c.Text4, Qt::Key_Backspace);
      QTest::keyClicks(c.Text4, typed);
      QTest::keyClick(c.Text4, Qt::Key_Return);
      QCOMPARE(f.cell(74), typed);
      QTest::mouseClick(c.Command2, Qt::LeftButton);
      QTemporaryDir parent;
      fillPanel(c, parent.path(), "");
      if (injected) {
        maker(f)->setRefusalText([](int row) { return QString("Field of row %1").arg(row); });
      }
      QTest::mouseClick(c.Command4, Qt::LeftButton);
      const QString path = parent.filePath(name(7) + ".oaw");
      if (line.isEmpty()) {
        QCOMPARE(f.prompter.errors.size(), 1);
        // The window names the field as the save does; an injected namer is used as given.
        const QString expected = injected ? "Field of row 74" : "Pilot damage: ";
        QVERIFY2(f.prompter.errors[0].contains(expected), qPrintable(f.prompter.errors[0]));
        QVERIFY(c.Frame3->isVisible());
        QVERIFY(!QFile::exists(path));
      } else {
        QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
        QCOMPARE(readAll(path).split('\n').value(74), line.toLatin1() + "\r");
      }
    }
  }

  // A script already there is replaced only after a question; afterwards the path is shown
  // over "Save Script" without a box to close.
  void existingScriptIsReplacedOnlyWhenAsked() {
    Fixture f;
    const auto& c = f.window->controls();
    f.pick(1);
    QTemporaryDir parent;
    QVERIFY(QDir(parent.path()).mkdir("P-40"));
    const QString path = parent.filePath("P-40/" + name(1) + ".oaw");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("older");
    old.close();

    QTest::mouseClick(c.Command2, Qt::LeftButton);
    fillPanel(c, parent.path(), "P-40");
    QTest::mouseClick(c.Command4, Qt::LeftButton);  // "Cancel"
    QCOMPARE(f.prompter.questions.size(), 1);
    QVERIFY2(f.prompter.questions[0].contains(QDir::toNativeSeparators(path)),
             qPrintable(f.prompter.questions[0]));
    QCOMPARE(readAll(path), QByteArray("older"));
    QVERIFY(c.Frame3->isVisible());
    QVERIFY(f.prompter.errors.isEmpty());
    QVERIFY(c.Command2->toolTip().isEmpty() || !c.Command2->toolTip().contains(path));

    f.prompter.answers = {true};  // "Replace"
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(f.prompter.questions.size(), 2);
    QVERIFY(readAll(path).startsWith("pn_p51d"));
    QVERIFY(!c.Frame3->isVisible());
    QVERIFY2(c.Command2->toolTip().contains(QDir::toNativeSeparators(path)),
             qPrintable(c.Command2->toolTip()));
    QVERIFY(f.prompter.errors.isEmpty());
  }

  // "Save the script" for a pair of slots is asked once while the panel is open: a save
  // that then fails for another reason does not ask again when tried once more.
  void slotQuestionAskedOncePerOpening() {
    Fixture f;
    const auto& c = f.window->controls();
    f.pick(3);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    clickSlot(c.List2, 9);
    QTemporaryDir parent;
    fillPanel(c, parent.path(), "..");
    f.prompter.answers = {true};
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(f.prompter.questions.size(), 1);
    QCOMPARE(f.prompter.errors.size(), 1);  // ".." is refused
    c.Text12->setText("P-9");
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(f.prompter.questions.size(), 1);
    QVERIFY(QFile::exists(parent.filePath("P-9/" + name(9) + ".oaw")));

    // Another opening asks again.
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    clickSlot(c.List2, 9);
    c.Text9->setText("second");
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(f.prompter.questions.size(), 2);
  }

  // Started in a folder whose name is not UTF-8, the script goes into that very folder.
  void folderNameThatIsNotUtf8() {
    Fixture f;
    const QByteArray raw = QFile::encodeName(f.folder.path()) + "/J\xe4ger";
    QVERIFY(::mkdir(raw.constData(), 0755) == 0);
    const QByteArray data = f.folder.bytes();
    {
      const int fd = ::open((raw + "/planes.dat").constData(), O_WRONLY | O_CREAT, 0644);
      QVERIFY(fd >= 0);
      QCOMPARE(::write(fd, data.constData(), static_cast<std::size_t>(data.size())),
               static_cast<ssize_t>(data.size()));
      ::close(fd);
    }
    QVERIFY(::chdir(raw.constData()) == 0);
    app::MainWindow window;
    window.show();
    const auto& c = window.controls();
    clickSlot(c.List1, 6);
    QCOMPARE(c.List1->currentRow(), 6);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QCOMPARE(script::nativeFromText(c.Label18->caption()), raw.toStdString());
    c.Text12->clear();
    typeText(c.Text12, QString::fromUtf8("Jäger-2"));
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    struct stat st {};
    const QByteArray file = raw + "/J\xc3\xa4ger-2/" + name(6).toUtf8() + ".oaw";
    QVERIFY(::stat(file.constData(), &st) == 0);
    QCOMPARE(static_cast<int>(st.st_size) > 500, true);
    // Nothing went to the name Qt would have made of it.
    QVERIFY(!QFileInfo::exists(QFile::decodeName(raw)));
    QVERIFY(::chdir(QFile::encodeName(f.folder.path()).constData()) == 0);
  }
};

QTEST_MAIN(ScriptMakerTest)
#include "test_script_maker.moc"
