// The window from the keyboard: the Tab order, option groups as single tab stops moved by the
// arrows, Ctrl+S, keys that move rather than type in the damage box, and the names that screen
// readers read out.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

using tolvane::test::Fixture;
namespace record = tolvane::record;
namespace ui = tolvane::ui;

namespace {

constexpr int kSlot = 7;  // B-24D
const int kGroup1 = record::gunGroupFirstRow(1);

// A window over B-24D with its window active, so that Tab and shortcuts work as for a user.
struct ActiveFixture : Fixture {
  ActiveFixture() {
    pick(kSlot);
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("window not active");
  }
};

void clickCell(ui::ByteGrid* grid, int row, int column) {
  grid->setTopRow(row);
  const QRect cell = grid->visualRect(grid->model()->index(row, column));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

QString focusName() {
  QWidget* focus = QApplication::focusWidget();
  return focus ? focus->objectName() : QStringLiteral("(none)");
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY(focus);
  QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

QString member(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// The button of an option array that Tab stops at: the selected one, else the first.
QString tabStop(const ui::OptionArray* array, const char* name) {
  const int selected = array->selected();
  return member(name, selected >= 0 ? selected : array->indexes().first());
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT
 private slots:
  // Tab goes round the window as it reads from the top left, Shift+Tab the same way back, and
  // neither is caught anywhere: the buttons, the byte box when it is open, the grid, the flag
  // frames, year and crew, the performance figures row by row with the code at the end of the
  // first, the aircraft list, then the gun group's controls while they are shown.
  void tabFollowsTheWindowAsItReads_data() {
    QTest::addColumn<bool>("pick");
    QTest::addColumn<bool>("group");
    QTest::addColumn<bool>("byteBox");
    QTest::newRow("at start-up") << false << false << false;
    QTest::newRow("aircraft open, no gun group") << true << false << false;
    QTest::newRow("gun group and byte box open") << true << true << true;
  }
  void tabFollowsTheWindowAsItReads() {
    QFETCH(bool, pick);
    QFETCH(bool, group);
    QFETCH(bool, byteBox);
    Fixture f;
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    const auto& c = f.window->controls();
    QCOMPARE(focusName(), QStringLiteral("List1"));  // where the window starts
    if (pick) f.pick(kSlot);
    if (group) QTest::mouseClick(c.Option4->button(1), Qt::LeftButton);
    if (byteBox) {
      clickCell(c.G1, 73, 3);
      QVERIFY(c.Text4->isVisible());
    }

    QStringList expected = {"Command3", "Command2", "Command1"};
    if (byteBox) expected << "Text4";
    expected << "G1";
    for (const char* name : {"Check1", "Check2", "Check3"}) {
      for (int i = 0; i < 8; ++i) {
        // The "Not used" boxes are disabled and passed over.
        if (i != 3 || QLatin1String(name) == QLatin1String("Check1")) expected << member(name, i);
      }
    }
    for (int i = 0; i < 6; ++i) expected << member("Check4", i);
    expected << "Text8"
             << "Text7";
    for (int i : {0, 8, 13}) expected << member("Text3", i);
    expected << "Text5";
    for (int i : {1, 9, 14, 2, 10, 7, 3, 11, 6, 4, 12, 5}) expected << member("Text3", i);
    expected << "List1";
    if (pick) expected << tabStop(c.Option4, "Option4") << "Text6";
    if (group) {
      expected << tabStop(c.Option1, "Option1") << "smoke"
               << "Text1"
               << "Text2" << tabStop(c.Option2, "Option2") << "Gundamage"
               << tabStop(c.Option3, "Option3");
    }

    // Round the window from where the focus is, back to it.
    const int start = static_cast<int>(expected.indexOf(focusName()));
    QVERIFY2(start >= 0, qPrintable(focusName()));
    const QStringList round = expected.mid(start) + expected.mid(0, start);
    QStringList forward;
    for (int n = 0; n < round.size(); ++n) {
      press(Qt::Key_Tab);
      forward << focusName();
    }
    QCOMPARE(forward, round.mid(1) + round.mid(0, 1));

    QStringList backward;
    for (int n = 0; n < round.size(); ++n) {
      press(Qt::Key_Backtab, Qt::ShiftModifier);
      backward.prepend(focusName());
    }
    QCOMPARE(backward, round);
  }

  void scriptMakerTabsInReadingOrder() {
    ActiveFixture f;
    const auto& c = f.window->controls();
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QVERIFY(c.Frame3->isVisible());
    QCOMPARE(focusName(), QStringLiteral("Text9"));
    QStringList seen;
    for (int n = 0; n < 8; ++n) {
      press(Qt::Key_Tab);
      seen << focusName();
    }
    // Round the panel's own controls only, back to its first box.
    const QStringList expected = {"List2",  "Text11",   "Text10",   "Dir1",
                                  "Text12", "Command4", "Command5", "Text9"};
    QCOMPARE(seen, expected);
    // Tab in the description moves on rather than typing a tab into the script.
    QCOMPARE(c.Text10->toPlainText().contains('\t'), false);
  }

  void arrowsSelectInsideAnOptionGroup_data() {
    QTest::addColumn<QString>("array");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("group down") << "Option4" << 1 << int(Qt::Key_Down) << 2;
    QTest::newRow("group right") << "Option4" << 3 << int(Qt::Key_Right) << 4;
    QTest::newRow("group up wraps") << "Option4" << 1 << int(Qt::Key_Up) << 6;
    QTest::newRow("group down wraps") << "Option4" << 6 << int(Qt::Key_Down) << 1;
    QTest::newRow("type skips to next index") << "Option2" << 4 << int(Qt::Key_Right) << 12;
    QTest::newRow("type left") << "Option2" << 12 << int(Qt::Key_Left) << 4;
    QTest::newRow("position down") << "Option1" << 4 << int(Qt::Key_Down) << 5;
    QTest::newRow("sound left wraps") << "Option3" << 0 << int(Qt::Key_Left) << 3;
  }
  void arrowsSelectInsideAnOptionGroup() {
    QFETCH(QString, array);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    ActiveFixture f;
    const auto& c = f.window->controls();
    QTest::mouseClick(c.Option4->button(1), Qt::LeftButton);
    auto* options = f.window->findChild<ui::OptionArray*>(array);
    QVERIFY(options);
    QTest::mouseClick(options->button(start), Qt::LeftButton);
    QCOMPARE(options->selected(), start);
    QCOMPARE(focusName(), member(array.toLatin1().constData(), start));

    press(key);
    QCOMPARE(options->selected(), expected);
    QCOMPARE(focusName(), member(array.toLatin1().constData(), expected));
    // The arrow selects as a click does: the array's reaction has run.
    const int s = c.Option4->selected() > 0 ? record::gunGroupFirstRow(c.Option4->selected()) : 0;
    if (array == "Option4") {
      QCOMPARE(c.G1->topRow(), record::gunGroupFirstRow(expected));
    } else if (array == "Option2") {
      QCOMPARE(f.cell(s + 4), QString::number(expected));
    } else if (array == "Option1") {
      QCOMPARE(f.cell(s + 2), QString::number(expected));
    } else {
      QCOMPARE(f.cell(s + 8), QString::number(expected));
    }
  }

  void ctrlSSavesFromAnyControl_data() {
    QTest::addColumn<QString>("focus");
    QTest::newRow("year box") << "Text8";
    QTest::newRow("performance box") << "Text3(1)";
    QTest::newRow("grid") << "G1";
    QTest::newRow("aircraft list") << "List1";
  }
  void ctrlSSavesFromAnyControl() {
    QFETCH(QString, focus);
    ActiveFixture f;
    const auto& c = f.window->controls();
    c.Text8->setFocus();
    c.Text8->selectAll();
    QTest::keyClicks(c.Text8, "1950");
    QVERIFY(f.fileByte(kSlot, 9) != (1950 & 0xff));
    f.find<QWidget>(focus)->setFocus();
    QCOMPARE(focusName(), focus);

    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.fileByte(kSlot, 9), 1950 & 0xff);
    QCOMPARE(f.fileByte(kSlot, 10), 1950 >> 8);
    QCOMPARE(f.prompter.errors, QStringList());
    QCOMPARE(c.Text8->text().trimmed(), QStringLiteral("1950"));  // the S typed nothing
  }

  void keysThatMoveDoNotRematchTheDamageType_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("sound");
    QTest::newRow("tab") << int(Qt::Key_Tab) << int(Qt::NoModifier) << "3";
    QTest::newRow("shift+tab") << int(Qt::Key_Tab) << int(Qt::ShiftModifier) << "3";
    QTest::newRow("backtab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << "3";
    QTest::newRow("escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << "3";
    QTest::newRow("left") << int(Qt::Key_Left) << int(Qt::NoModifier) << "3";
    QTest::newRow("home") << int(Qt::Key_Home) << int(Qt::NoModifier) << "3";
    QTest::newRow("up") << int(Qt::Key_Up) << int(Qt::NoModifier) << "3";
    QTest::newRow("select all") << int(Qt::Key_A) << int(Qt::ControlModifier) << "3";
    // Enter is a key press of the box: it matches the type again, which brings its sound.
    QTest::newRow("enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << "1";
  }
  void keysThatMoveDoNotRematchTheDamageType() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, sound);
    ActiveFixture f;
    const auto& c = f.window->controls();
    QTest::mouseClick(c.Option4->button(1), Qt::LeftButton);
    QTest::mouseClick(c.Option2->button(4), Qt::LeftButton);  // 50cal, sound 1
    QTest::mouseClick(c.Option3->button(3), Qt::LeftButton);  // sound chosen by hand
    QCOMPARE(f.cell(kGroup1 + 8), QStringLiteral("3"));
    QTest::mouseClick(c.Gundamage, Qt::LeftButton);
    QCOMPARE(focusName(), QStringLiteral("Gundamage"));

    QTest::keyClick(c.Gundamage, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(c.Label5->caption(), sound);
    QCOMPARE(f.cell(kGroup1 + 8), sound);
    QCOMPARE(c.Option3->selected(), sound.toInt());
  }

  void onlyTheLeftButtonScrollsTheGrid_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("row");
    QTest::newRow("cruise speed") << "Text3(1)" << 17;
    QTest::newRow("gun group count") << "Text6" << 85;
    QTest::newRow("year box") << "Text8" << 9;
    QTest::newRow("year caption") << "Label2(1)" << kGroup1;
  }
  void onlyTheLeftButtonScrollsTheGrid() {
    QFETCH(QString, control);
    QFETCH(int, row);
    Fixture f;
    f.pick(kSlot);
    const auto& c = f.window->controls();
    QTest::mouseClick(c.Option4->button(1), Qt::LeftButton);
    auto* widget = f.find<QWidget>(control);
    c.G1->setTopRow(150);
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
      QTest::mouseClick(widget, button, {}, QPoint(3, 3));
      QCOMPARE(c.G1->topRow(), 150);
    }
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(c.G1->topRow(), row);
  }

  void controlsAreNamedFromTheirCaptions_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("list") << "List1"
                          << "Aircraft";
    QTest::newRow("year") << "Text8"
                          << "Year";
    QTest::newRow("crew") << "Text7"
                          << "Crew";
    QTest::newRow("stall speed") << "Text3(0)"
                                 << "Stall speed";
    QTest::newRow("cruise speed") << "Text3(1)"
                                  << "Cruise speed";
    QTest::newRow("collision radius") << "Text3(14)"
                                      << "Collision radius";
    QTest::newRow("code") << "Text5"
                          << "Code";
    QTest::newRow("number of guns") << "Text1"
                                    << "Number of guns";
    QTest::newRow("no gun position") << "Option1(0)"
                                     << "None, no gun position";
    QTest::newRow("no gun type") << "Option2(0)"
                                 << "None, no gun type";
    QTest::newRow("ammunition") << "Text2"
                                << "Ammo Count";
    QTest::newRow("flag") << "Check1(1)"
                          << "Bomber";
    QTest::newRow("gun group") << "Option4(3)"
                               << "Gun group 3";
    QTest::newRow("type") << "Option2(12)"
                          << "20 mm Cannon";
    QTest::newRow("sound") << "Option3(2)"
                           << "20 mm Cannon sound";
    QTest::newRow("save") << "Command3"
                          << "Save planes.dat";
    QTest::newRow("script name") << "Text9"
                                 << "Aircraft Name";
  }
  void controlsAreNamedFromTheirCaptions() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    Fixture f;
    QCOMPARE(f.find<QWidget>(control)->accessibleName(), name);
  }

  void everyFocusableControlHasAName() {
    Fixture f;
    QStringList unnamed;
    for (QWidget* w : f.window->findChildren<QWidget*>()) {
      if (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty()) continue;
      if (w->accessibleName().isEmpty()) unnamed << w->objectName();
    }
    QCOMPARE(unnamed, QStringList());
  }
};

QTEST_MAIN(KeyboardTest)
#include "test_keyboard.moc"
