// The window without a mouse and through a screen reader's eyes: what the keyboard reaches,
// where the focus goes, and what the accessibility interfaces say.
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
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
#include "ui/dir_list.h"

using tolvane::test::Fixture;
namespace record = tolvane::record;
namespace ui = tolvane::ui;

namespace {

constexpr int kSlot = 7;  // B-24D

// A window over B-24D with its window active, so that Tab and shortcuts work as for a user.
struct ActiveFixture : Fixture {
  ActiveFixture() {
    pick(kSlot);
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("window not active");
  }
};

QString focusName() {
  QWidget* focus = QApplication::focusWidget();
  return focus ? focus->objectName() : QStringLiteral("(none)");
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* focus = QApplication::focusWidget();
  QVERIFY(focus);
  QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

// Presses Tab (or Shift+Tab) until the focus is on the named control; false when it is not
// reached within a round of the window.
bool tabTo(const QString& name, bool back = false) {
  for (int n = 0; n < 120 && focusName() != name; ++n) {
    if (back) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    } else {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
  }
  return focusName() == name;
}

QString accessibleText(QWidget* widget, QAccessible::Text which) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
  return iface ? iface->text(which) : QStringLiteral("(no interface)");
}

// Opens the Script Maker from "Save Script" by the keyboard.
void openScriptMaker(const tolvane::editors::WindowControls& c) {
  c.Command2->setFocus();
  press(Qt::Key_Space);
  QVERIFY(c.Frame3->isVisible());
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QAccessible::setActive(true); }

  // Tab, Shift+Tab and a focus given to a covered box all stay in the panel, so typing never
  // reaches a value the panel hides.
  void scriptMakerKeepsTheKeyboard_data() {
    QTest::addColumn<QString>("covered");
    QTest::newRow("medium view distance") << "Text3(9)";
    QTest::newRow("year") << "Text8";
    QTest::newRow("grid") << "G1";
    QTest::newRow("aircraft list, not covered") << "List1";
  }
  void scriptMakerKeepsTheKeyboard() {
    QFETCH(QString, covered);
    ActiveFixture f;
    const auto& c = f.window->controls();
    const QStringList cells = [&] {
      QStringList all;
      for (int row = 1; row <= record::kRecordBytes; ++row) all << f.cell(row);
      return all;
    }();
    openScriptMaker(c);
    QCOMPARE(focusName(), QStringLiteral("Text9"));
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(focusName(), QStringLiteral("Command5"));  // round the panel backwards
    for (int n = 0; n < 20; ++n) {
      press(n % 3 == 2 ? Qt::Key_Backtab : Qt::Key_Tab,
            n % 3 == 2 ? Qt::ShiftModifier : Qt::NoModifier);
      QVERIFY2(c.Frame3->isAncestorOf(QApplication::focusWidget()), qPrintable(focusName()));
    }

    QVERIFY(tabTo("Text10"));
    f.find<QWidget>(covered)->setFocus();
    QCOMPARE(focusName(), QStringLiteral("Text10"));  // back where it was
    QTest::keyClicks(QApplication::focusWidget(), "315007");
    QCOMPARE(f.find<QLineEdit>("Text3(9)")->text().contains("315007"), false);
    for (int row = 1; row <= record::kRecordBytes; ++row) QCOMPARE(f.cell(row), cells[row - 1]);
  }

  // Cancel, Escape in any of the panel's controls, and a written script all close the panel
  // and give the focus back to "Save Script".
  void closingTheScriptMakerGivesTheFocusBack_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::newRow("cancel") << "Command5" << int(Qt::Key_Space);
    QTest::newRow("escape in the name") << "Text9" << int(Qt::Key_Escape);
    QTest::newRow("escape in the slot list") << "List2" << int(Qt::Key_Escape);
    QTest::newRow("escape in the description") << "Text10" << int(Qt::Key_Escape);
    QTest::newRow("escape in the folder list") << "Dir1" << int(Qt::Key_Escape);
    QTest::newRow("save the script") << "Command4" << int(Qt::Key_Space);
  }
  void closingTheScriptMakerGivesTheFocusBack() {
    QFETCH(QString, from);
    QFETCH(int, key);
    ActiveFixture f;
    const auto& c = f.window->controls();
    QTemporaryDir parent;
    openScriptMaker(c);
    c.Dir1->setPath(parent.path());
    QVERIFY(tabTo(from));
    press(key);
    QVERIFY(!c.Frame3->isVisible());
    QCOMPARE(focusName(), QStringLiteral("Command2"));
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));

    // A written script is said where the focus lands: the button's description names it.
    const QString written = QDir(parent.path()).filePath("P-/" + c.Text9->text() + ".oaw");
    const QString description = accessibleText(c.Command2, QAccessible::Description);
    if (from == "Command4") {
      QVERIFY(QFileInfo::exists(written));
      QVERIFY2(description.startsWith("Script saved: ") && description.contains(c.Text9->text()),
               qPrintable(description));
    } else {
      QVERIFY(!QFileInfo::exists(written));
      QVERIFY2(!description.contains("saved"), qPrintable(description));
    }
  }

  // "Move to the top of the damage byte section" makes the first damage row current; the
  // arrows go on from there. Enter or F2 opens the byte box on a damage or MB row, named after
  // its byte; Enter in it commits into that row, Escape leaves the row as it was, and either
  // way the grid has the focus on the same row.
  void byteBoxByTheKeyboard_data() {
    QTest::addColumn<int>("down");  // rows down from the first damage byte
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("finish");
    QTest::addColumn<bool>("opens");
    QTest::newRow("first damage byte, Enter, Enter")
        << 0 << int(Qt::Key_Return) << int(Qt::Key_Return) << true;
    QTest::newRow("damage byte, F2, Enter") << 3 << int(Qt::Key_F2) << int(Qt::Key_Enter) << true;
    QTest::newRow("damage byte, F2, Escape") << 3 << int(Qt::Key_F2) << int(Qt::Key_Escape) << true;
    QTest::newRow("MB byte, Enter, Escape")
        << 88 << int(Qt::Key_Return) << int(Qt::Key_Escape) << true;
    QTest::newRow("gun group byte, Enter") << 12 << int(Qt::Key_Return) << 0 << false;
  }
  void byteBoxByTheKeyboard() {
    QFETCH(int, down);
    QFETCH(int, key);
    QFETCH(int, finish);
    QFETCH(bool, opens);
    ActiveFixture f;
    const auto& c = f.window->controls();
    c.Command1->setFocus();
    press(Qt::Key_Space);
    const int first = 73;
    QCOMPARE(c.G1->row(), first);
    QVERIFY(tabTo("G1"));
    QCOMPARE(c.G1->row(), first);
    for (int n = 0; n < down; ++n) press(Qt::Key_Down);
    const int row = first + down;
    QCOMPARE(c.G1->row(), row);
    const QString before = f.cell(row);

    press(key);
    QCOMPARE(c.Text4->isVisible(), opens);
    if (!opens) {
      QCOMPARE(focusName(), QStringLiteral("G1"));
      return;
    }
    QCOMPARE(focusName(), QStringLiteral("Text4"));
    const QString label = f.cell(row, record::kLabelColumn).trimmed();
    QVERIFY(!label.isEmpty());
    QCOMPARE(accessibleText(c.Text4, QAccessible::Name),
             QStringLiteral("Byte %1, %2").arg(row).arg(label));
    QCOMPARE(c.Text4->text(), before);
    QTest::keyClicks(c.Text4, "42");  // replaces the value, which opens selected
    press(finish);
    QVERIFY(!c.Text4->isVisible());
    QCOMPARE(focusName(), QStringLiteral("G1"));
    QCOMPARE(c.G1->row(), row);
    QCOMPARE(f.cell(row), finish == Qt::Key_Escape ? before : QStringLiteral("42"));
  }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
