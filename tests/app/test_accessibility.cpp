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
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
