// The window as a whole: start-up, loading a record, saving it in place, the automatic saves
// of a pick and of closing, and every failure path of loading and saving.
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "record/demo_data.h"
#include "record/fields.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

using namespace tolvane;
using test::Fixture;

namespace {

// Positions (counted from 1) at which two files differ.
QList<qint64> differences(const QByteArray& a, const QByteArray& b) {
  QList<qint64> out;
  for (int i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i] != b[i]) out << i + 1;
  }
  return out;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void startUp() {
    Fixture f;
    const auto& c = f.window->controls();
    QCOMPARE(f.window->windowTitle(), QString("Tolvane"));
    QCOMPARE(f.window->size(), QSize(660, 453));
    QCOMPARE(c.List1->count(), 30);
    QCOMPARE(c.List2->count(), 30);
    for (int i = 0; i < 30; ++i) {
      QCOMPARE(c.List1->item(i)->text(), QString(record::slotNames()[i]));
      QCOMPARE(c.List2->item(i)->text(), c.List1->item(i)->text());
    }
    // The list has the focus, so its first entry may be current, but nothing is picked.
    QCOMPARE(c.List1->selectedRow(), -1);
    QCOMPARE(f.window->openSlot(), -1);
    for (int col = 0; col < 5; ++col) QCOMPARE(f.cell(0, col), QString());
    QCOMPARE(f.cell(7, 4), QString("7"));
    QCOMPARE(f.cell(168, 4), QString("168"));
    QCOMPARE(f.cell(89, 3), QString(" 1 Number"));
    QCOMPARE(f.cell(159, 3), QString(" 6 Smoke"));
    QCOMPARE(f.cell(160, 3), QString());
    for (int row = 1; row <= 168; ++row) {
      QCOMPARE(f.cell(row, 0), QString());
      QCOMPARE(f.cell(row, 2), QString());
    }
    for (const char* hidden : {"Frame1", "FGG", "FGC", "FGS", "Frame3", "Text4"}) {
      QVERIFY2(!f.find<QWidget>(hidden)->isVisible(), hidden);
    }
    QVERIFY(!f.window->recordModified());
    QVERIFY(!f.find<QLabel>("Label9(13)")->isVisibleTo(f.window.get()));
    QVERIFY(!f.find<QLabel>("Label10(5)")->isVisibleTo(f.window.get()));
    QVERIFY(!f.find<QCheckBox>("Check2(3)")->isEnabled());
  }

  void controlsHaveTheirNamesAndCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Command3") << "Command3"
                              << "Save planes.dat";
    QTest::newRow("Command2") << "Command2"
                              << "Save Script";
    QTest::newRow("Command1") << "Command1"
                              << "Move to the top of the damage byte section";
    QTest::newRow("Command4") << "Command4"
                              << "Save the script";
    QTest::newRow("Command5") << "Command5"
                              << "Cancel";
    QTest::newRow("Check1(6)") << "Check1(6)"
                               << "Rocket (V1)";
    QTest::newRow("Check3(2)") << "Check3(2)"
                               << "Gravity fed carburettor";
    QTest::newRow("Check4(5)") << "Check4(5)"
                               << "Heavy armour";
    QTest::newRow("Option1(12)") << "Option1(12)"
                                 << "Nose (flexible)";
    QTest::newRow("Option2(24)") << "Option2(24)"
                                 << "30mm Cannon";
    QTest::newRow("Option3(0)") << "Option3(0)"
                                << "30 cal/7.9 mm MG";
    QTest::newRow("Option4(6)") << "Option4(6)"
                                << "6";
    QTest::newRow("Label4(15)") << "Label4(15)"
                                << "Stall speed";
    QTest::newRow("Label4(0)") << "Label4(0)"
                               << "Ammo Count";
    QTest::newRow("Label4(13)") << "Label4(13)"
                                << "External default";
    QTest::newRow("Label2(1)") << "Label2(1)"
                               << "Year";
    QTest::newRow("Label12") << "Label12"
                             << "Crew";
    QTest::newRow("Label6") << "Label6"
                            << "Code";
    QTest::newRow("Label1(0)") << "Label1(0)"
                               << "Number";
    QTest::newRow("Label16") << "Label16"
                             << "Pnames string name:";
    QTest::newRow("Label9(8)") << "Label9(8)"
                               << " ";
    QTest::newRow("Frame1") << "Frame1"
                            << "Gun Group";
    QTest::newRow("FGS") << "FGS"
                         << "Sound";
    QTest::newRow("Frame3") << "Frame3"
                            << "Script Maker";
    QTest::newRow("F1") << "F1"
                        << "";
    QTest::newRow("smoke") << "smoke"
                           << "Smoke";
  }
  void controlsHaveTheirNamesAndCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Fixture f;
    QWidget* w = f.find<QWidget>(name);
    QVERIFY2(w, qPrintable(name));
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
      text = b->text();
    else if (auto* l = qobject_cast<QLabel*>(w))
      text = l->text();
    else if (auto* g = qobject_cast<QGroupBox*>(w))
      text = g->title();
    QCOMPARE(text, caption);
  }

  // The flag boxes are captioned with the field table's bit names, which the script preview
  // and the command line print as well; a bit without a name has no box.
  void flagBoxesShowTheFieldTablesBitNames() {
    Fixture f;
    for (int row = 5; row <= 8; ++row) {
      const record::Field& field = record::fieldOfRow(row);
      QCOMPARE(field.kind, record::Field::Kind::Flags);
      for (int bit = 0; bit < 8; ++bit) {
        const QString name =
            QStringLiteral("%1(%2)").arg(QString::fromStdString(field.box)).arg(bit);
        auto* box = f.find<QCheckBox>(name);
        const std::string& caption = field.bitNames[static_cast<std::size_t>(bit)];
        if (caption.empty()) {
          QVERIFY2(!box, qPrintable(name));
          continue;
        }
        QVERIFY2(box, qPrintable(name));
        QCOMPARE(box->text(), QString::fromStdString(caption));
      }
    }
  }

  void topLevelControlsSitWhereTheTableSays_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twipRect");
    QTest::newRow("Label7") << "Label7" << QRect(120, 0, 924, 276);
    QTest::newRow("Command3") << "Command3" << QRect(24, 312, 1092, 540);
    QTest::newRow("G1") << "G1" << QRect(1125, 0, 2580, 2625);
    QTest::newRow("F3") << "F3" << QRect(6432, 24, 2004, 2556);
    QTest::newRow("Frame2") << "Frame2" << QRect(0, 2592, 9900, 1860);
    QTest::newRow("List1") << "List1" << QRect(24, 4512, 1332, 2010);
    QTest::newRow("FGS") << "FGS" << QRect(2352, 6264, 7548, 516);
    QTest::newRow("Frame3") << "Frame3" << QRect(1650, 510, 8004, 5940);
  }
  void topLevelControlsSitWhereTheTableSays() {
    QFETCH(QString, name);
    QFETCH(QRect, twipRect);
    Fixture f;
    const QRect g = f.find<QWidget>(name)->geometry();
    // One pixel is 15 twips; rounding may move an edge by at most one pixel.
    QVERIFY(std::abs(g.x() * 15 - twipRect.x()) <= 15);
    QVERIFY(std::abs(g.y() * 15 - twipRect.y()) <= 15);
    QVERIFY(std::abs(g.width() * 15 - twipRect.width()) <= 15);
    QVERIFY(std::abs(g.height() * 15 - twipRect.height()) <= 15);
  }

  // A larger window gives its extra room to the grid (sideways and half the height) and to the
  // aircraft list (the other half); what lies right of the grid or below it moves along, keeps
  // its size and overlaps nothing; back at the default size everything is where it was.
  void windowGrowsIntoTheGridAndTheList_data() {
    QTest::addColumn<QSize>("extra");
    QTest::newRow("wider") << QSize(300, 0);
    QTest::newRow("taller") << QSize(0, 200);
    QTest::newRow("both, odd height") << QSize(151, 301);
    QTest::newRow("smaller than the default") << QSize(-100, -80);
  }
  void windowGrowsIntoTheGridAndTheList() {
    QFETCH(QSize, extra);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.pick(5);
    const QStringList names{"G1",  "F1",  "F4",  "Frame2", "List1",    "Frame1",
                            "FGG", "FGC", "FGS", "Frame3", "Command1", "Label7"};
    QMap<QString, QRect> before;
    for (const QString& name : names) before[name] = f.find<QWidget>(name)->geometry();
    auto* grid = f.find<ui::ByteGrid>("G1");
    const int rowsShown = grid->rowAt(grid->viewport()->height() - 1);

    f.window->resize(app::MainWindow::defaultSize() + extra);
    QTRY_COMPARE(f.window->size(),
                 app::MainWindow::defaultSize().expandedTo(app::MainWindow::defaultSize() + extra));
    const int dw = std::max(0, extra.width());
    const int dh = std::max(0, extra.height());
    auto now = [&](const QString& name) { return f.find<QWidget>(name)->geometry(); };
    QCOMPARE(now("G1"), before["G1"].adjusted(0, 0, dw, dh / 2));
    QCOMPARE(now("List1"), before["List1"].adjusted(0, dh / 2, 0, dh));
    QCOMPARE(now("Frame2"), before["Frame2"].adjusted(0, dh / 2, dw, dh / 2));
    for (const char* name : {"F1", "F4"}) QCOMPARE(now(name), before[name].translated(dw, 0));
    for (const char* name : {"Frame1", "FGG", "FGC", "FGS"}) {
      QCOMPARE(now(name), before[name].translated(0, dh / 2));
    }
    for (const char* name : {"Frame3", "Command1", "Label7"}) QCOMPARE(now(name), before[name]);
    // Neighbours keep the gaps (or the overlap of borders) they have at the default size, and
    // everything is inside the window.
    auto gap = [](const QRect& a, const QRect& b) { return b.top() - a.bottom(); };
    QCOMPARE(now("F1").left() - now("G1").right(), before["F1"].left() - before["G1"].right());
    QCOMPARE(gap(now("G1"), now("Frame2")), gap(before["G1"], before["Frame2"]));
    QCOMPARE(gap(now("Frame2"), now("List1")), gap(before["Frame2"], before["List1"]));
    QVERIFY(now("List1").bottom() < f.window->height());
    QVERIFY(now("FGS").bottom() < f.window->height());
    QVERIFY(now("F4").right() < f.window->width());
    // The taller grid shows more rows, and its fixed columns reach down its whole height.
    if (dh > 0) QVERIFY(grid->rowAt(grid->viewport()->height() - 1) > rowsShown);
    auto* fixed = grid->findChild<QTableView*>("G1FixedColumns");
    QVERIFY(fixed->geometry().bottom() >= grid->viewport()->geometry().bottom());

    f.window->resize(app::MainWindow::defaultSize());
    QTRY_COMPARE(f.window->size(), app::MainWindow::defaultSize());
    for (const QString& name : names) QCOMPARE(now(name), before[name]);
  }

  // The window can be maximised, and comes back to its default places afterwards.
  void windowMaximises() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    const QRect grid = f.find<QWidget>("G1")->geometry();
    f.window->showMaximized();
    QTRY_VERIFY(f.window->width() > app::MainWindow::defaultSize().width());
    QVERIFY(f.find<QWidget>("G1")->width() > grid.width());
    f.window->showNormal();
    QTRY_COMPARE(f.window->size(), app::MainWindow::defaultSize());
    QCOMPARE(f.find<QWidget>("G1")->geometry(), grid);
  }

  // At the default size nothing is cut: the buttons of the short gun-type and sound frames lie
  // inside the frames' lines, and a ten-digit value shows whole in its box.
  void nothingIsCutAtTheDefaultSize_data() {
    QTest::addColumn<QString>("frame");
    QTest::newRow("sound") << "FGS";
    QTest::newRow("gun type") << "FGC";
  }
  void nothingIsCutAtTheDefaultSize() {
    QFETCH(QString, frame);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.pick(7);
    QTest::mouseClick(f.find<QWidget>("Option4(1)"), Qt::LeftButton);
    auto* box = f.find<QGroupBox>(frame);
    QTRY_VERIFY(box->isVisible());
    for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!child->isVisible()) continue;
      QVERIFY2(box->contentsRect().contains(child->geometry()), qPrintable(child->objectName()));
    }
    QVERIFY(f.window->rect().contains(box->geometry()));

    f.typeInto("Text3(7)", "4294967295", true);
    QVERIFY(ui::textFits(f.find<QLineEdit>("Text3(7)")));
    f.typeInto("Text3(7)", "2100", true);
    QCOMPARE(f.find<QLineEdit>("Text3(7)")->font(), f.find<QLineEdit>("Text3(6)")->font());
  }

  void pickLoadsTheSlotsRecord_data() {
    QTest::addColumn<int>("slot");
    QTest::newRow("slot 0") << 0;
    QTest::newRow("B-24D") << 7;
    QTest::newRow("slot 29") << 29;
  }
  void pickLoadsTheSlotsRecord() {
    QFETCH(int, slot);
    Fixture f;
    f.pick(slot);
    QVERIFY(f.prompter.errors.isEmpty());
    const record::RecordBytes expected = record::demoRecord(slot);
    for (int k = 1; k <= 168; ++k) {
      QCOMPARE(f.cell(k, 0), QString::number(record::bytePosition(slot, k)));
      QCOMPARE(f.cell(k, 1), QString::number(expected[k - 1]));
    }
    QCOMPARE(f.cell(1, 0), QString::number(216 * slot + 5));
    QCOMPARE(f.cell(168, 0), QString::number(216 * slot + 172));
    QCOMPARE(f.find<QLabel>("Label7")->text(), QStringLiteral(" %1.oaw").arg(slot));
    const int year = expected[8] + 256 * expected[9];
    QCOMPARE(f.find<QLineEdit>("Text8")->text(), QStringLiteral(" %1").arg(year));
    QCOMPARE(f.find<QLineEdit>("Text6")->text(), QString::number(expected[84]));
    QString code;
    for (int k = 165; k <= 168; ++k) code += QChar(expected[k - 1]);
    QCOMPARE(f.find<QLineEdit>("Text5")->text(), code);
    QCOMPARE(f.cell(165, 3), QString(code[0]));
    QVERIFY(f.find<QWidget>("Frame1")->isVisible());
    QVERIFY(!f.find<QWidget>("FGG")->isVisible());
    QVERIFY(!f.window->recordModified());
    QCOMPARE(f.window->openSlot(), slot);
  }

  void saveWithoutEditsLeavesTheFileIdentical() {
    Fixture f;
    const QByteArray before = f.folder.bytes();
    f.pick(12);
    f.find<QPushButton>("Command3")->click();
    QVERIFY(f.prompter.errors.isEmpty());
    QCOMPARE(f.folder.bytes(), before);
  }

  // The walk-through a user makes: pick B-24D, edit a damage byte, save. Exactly that byte
  // changes, in place.
  void damageByteEditSavesExactlyThatByte() {
    Fixture f;
    const QByteArray before = f.folder.bytes();
    f.pick(7);
    auto* grid = f.find<ui::ByteGrid>("G1");
    f.find<QPushButton>("Command1")->click();
    QCOMPARE(grid->topRow(), 73);
    const QRect cell = grid->visualRect(grid->model()->index(75, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    auto* editor = f.find<QLineEdit>("Text4");
    QVERIFY(editor->isVisible());
    editor->setText("99");
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(f.window->recordModified());
    QVERIFY(!editor->isVisible());
    f.find<QPushButton>("Command3")->click();
    QVERIFY(f.prompter.errors.isEmpty());
    QVERIFY(!f.window->recordModified());
    const QByteArray after = f.folder.bytes();
    QCOMPARE(after.size(), before.size());
    QCOMPARE(differences(before, after), QList<qint64>{record::bytePosition(7, 75)});
    QCOMPARE(f.fileByte(7, 75), 99);
    // The save reloads: the loaded column shows what the file holds now.
    QCOMPARE(f.cell(75, 1), QString("99"));
    QCOMPARE(QFile(f.folder.filePath() + ".bak").size(), 6484);
  }

  void pickAfterEditSavesIntoTheSlotItWasMadeIn() {
    Fixture f;
    const QByteArray before = f.folder.bytes();
    f.pick(3);
    f.typeInGrid(161, "7");
    f.pick(20);
    QVERIFY(f.prompter.errors.isEmpty());
    QCOMPARE(f.window->openSlot(), 20);
    QVERIFY(!f.window->recordModified());
    QCOMPARE(differences(before, f.folder.bytes()), QList<qint64>{record::bytePosition(3, 161)});
    QCOMPARE(f.cell(1, 0), QString::number(record::bytePosition(20, 1)));
  }

  void closeSavesPendingEditsAndNothingElse() {
    Fixture f;
    const QByteArray before = f.folder.bytes();
    f.pick(9);
    QVERIFY(f.close());
    QCOMPARE(f.folder.bytes(), before);
    QVERIFY2(!QFile::exists(f.folder.filePath() + ".bak"), "closing without edits wrote");

    Fixture g;
    g.pick(9);
    g.typeInGrid(80, "0");
    QVERIFY(g.close());
    QCOMPARE(differences(before, g.folder.bytes()), QList<qint64>{record::bytePosition(9, 80)});
  }

  void closeBeforeAnyLoadOpensNoFile() {
    Fixture f;
    f.typeInto("Text8", "1950");  // an edit before any record was loaded has nowhere to go
    const QByteArray before = f.folder.bytes();
    QVERIFY(f.close());
    QCOMPARE(f.folder.bytes(), before);
    QVERIFY(!QFile::exists(f.folder.filePath() + ".bak"));
  }

  void loadFailuresChangeNothing_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing"
                             << "There is no planes.dat";
    QTest::newRow("short for the slot") << "short"
                                        << "too short";
    QTest::newRow("two names") << "ambiguous"
                               << "several files";
  }
  void loadFailuresChangeNothing() {
    QFETCH(QString, fault);
    QFETCH(QString, message);
    Fixture f;
    f.pick(2);
    f.typeInGrid(74, "42");
    // The edit is saved first by the pick; make another one that stays pending.
    if (fault == "missing") QFile::remove(f.folder.filePath());
    if (fault == "short") f.folder.setBytes(f.folder.bytes().left(3000));
    if (fault == "ambiguous") QFile::copy(f.folder.filePath(), f.folder.path() + "/PLANES.DAT");
    // The edit is not saved by itself (as after opening the Script Maker): the pick asks, and
    // the user discards it; the load then fails and the record stays with its edit.
    f.typeInGrid(74, "43");
    QTest::mouseClick(f.window->controls().Command2, Qt::LeftButton);
    QTest::mouseClick(f.window->controls().Command5, Qt::LeftButton);
    f.prompter.choices = {"Discard"};
    f.pick(25);
    QCOMPARE(f.prompter.questions.size(), 1);
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY2(f.prompter.errors[0].contains(message), qPrintable(f.prompter.errors[0]));
    QVERIFY(f.prompter.errors[0].contains("Ju-88A"));
    QVERIFY(f.prompter.errors[0].contains(QDir::currentPath()));
    QCOMPARE(f.window->openSlot(), 2);
    QCOMPARE(f.window->controls().List1->currentRow(), 2);
    QCOMPARE(f.cell(1, 0), QString::number(record::bytePosition(2, 1)));
    QCOMPARE(f.cell(74, 2), QString("43"));
  }

  void saveRefusesABadCellAndWritesNothing_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("named");  // how the message names the value
    QTest::newRow("above 255") << 161 << "256"
                               << "MB 1: \"256\" is not possible; it takes 0 to 255";
    QTest::newRow("negative") << 73 << "-1"
                              << "Hydraulics damage: \"-1\"";
    QTest::newRow("text") << 84 << "abc"
                          << "Engine 4 damage: \"abc\"";
    QTest::newRow("empty") << 164 << ""
                           << "MB 4: an empty value";
    QTest::newRow("infinite") << 20 << "inf"
                              << "Cruise speed, byte 20: \"inf\"";
    QTest::newRow("last row") << 168 << "300"
                              << "Code, byte 168: \"300\"";
  }
  void saveRefusesABadCellAndWritesNothing() {
    QFETCH(int, row);
    QFETCH(QString, value);
    QFETCH(QString, named);
    Fixture f;
    const QByteArray before = f.folder.bytes();
    f.pick(5);
    // A good edit typed before the bad row must not be written either; the bad value is put
    // in the cell as a script or a stored file could bring it.
    f.typeInto("Text8", "1950");
    f.setCell(row, 2, value);
    QVERIFY(f.find<ui::ByteGrid>("G1")->valueCellRefused(row));
    QVERIFY(!f.window->save());
    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY2(f.prompter.errors[0].contains(named), qPrintable(f.prompter.errors[0]));
    // The grid hint only for rows that are typed in the grid.
    QCOMPARE(f.prompter.errors[0].contains("in the grid"), record::isByteEditorRow(row));
    QVERIFY(f.window->recordModified());
    QCOMPARE(f.folder.bytes(), before);
    // A pick is cancelled too, and the edits stay.
    f.pick(6);
    QCOMPARE(f.window->openSlot(), 5);
    QCOMPARE(f.window->controls().List1->currentRow(), 5);
    QCOMPARE(f.cell(row, 2), value);
    // The message says which aircraft was not saved, that the pick was cancelled and that the
    // edits are kept.
    QCOMPARE(f.prompter.errors.size(), 2);
    for (const char* part : {"P51-D", "B-17F", "cancelled", "edits are kept"}) {
      QVERIFY2(f.prompter.errors[1].contains(part), qPrintable(f.prompter.errors[1]));
    }
    QCOMPARE(f.folder.bytes(), before);
  }

  void saveFailureKeepsTheEditsAndAsksOnClose() {
    Fixture f;
    f.pick(11);
    f.typeInGrid(77, "1");
    QFile::remove(f.folder.filePath());
    QVERIFY(!f.window->save());
    QVERIFY(f.prompter.errors.last().contains("There is no planes.dat"));
    QVERIFY(f.prompter.errors.last().contains("not saved"));
    QVERIFY(f.window->recordModified());
    QVERIFY(!QFile::exists(f.folder.filePath()));  // never created anew

    f.prompter.answers = {false};  // go back to the editor
    QVERIFY(!f.close());
    QCOMPARE(f.prompter.questions.size(), 1);
    f.prompter.answers = {true};  // close and lose the changes
    QVERIFY(f.close());
  }

  void loadOfTheOpenSlotSavesFirstThenRereads() {
    Fixture f;
    f.pick(8);
    f.typeInGrid(162, "17");
    QVERIFY(f.window->save());
    QCOMPARE(f.cell(162, 1), QString("17"));
    QCOMPARE(f.fileByte(8, 162), 17);
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
