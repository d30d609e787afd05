// The window without a mouse and through a screen reader's eyes: what the keyboard reaches,
// where the focus goes, and what the accessibility interfaces say.
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "record/fields.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"
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

// Every interface a screen reader reaches walking down from an interface.
void walk(QAccessibleInterface* iface, QList<QAccessibleInterface*>& seen) {
  if (iface == nullptr || seen.contains(iface)) return;
  seen << iface;
  for (int i = 0; i < iface->childCount(); ++i) walk(iface->child(i), seen);
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

  // Enter (or the keypad's) presses the button that has the focus, as Space does.
  void enterPressesTheFocusedButton_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::newRow("Save Script") << "Command2" << int(Qt::Key_Return);
    QTest::newRow("Cancel") << "Command5" << int(Qt::Key_Enter);
    QTest::newRow("Move to the top of the damage byte section")
        << "Command1" << int(Qt::Key_Return);
    QTest::newRow("Save planes.dat") << "Command3" << int(Qt::Key_Enter);
  }
  void enterPressesTheFocusedButton() {
    QFETCH(QString, button);
    QFETCH(int, key);
    ActiveFixture f;
    const auto& c = f.window->controls();
    c.G1->setRow(150);
    f.typeInto("Text8", "1950");
    if (button == "Command5") openScriptMaker(c);
    QVERIFY(tabTo(button));
    const Qt::KeyboardModifiers keypad = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), keypad);
    QCOMPARE(c.Frame3->isVisible(), button == "Command2");
    QCOMPARE(c.G1->row(), button == "Command1" ? 73 : 150);
    QCOMPARE(f.fileByte(kSlot, 9) == (1950 & 0xff), button == "Command3");
    QCOMPARE(f.prompter.errors, QStringList());
  }

  // A save reloads the record and hides the gun group's frames: a focus in them lands on the
  // group chooser, on screen, never on a hidden control.
  void saveFromTheGunPanelKeepsTheFocusOnScreen_data() {
    QTest::addColumn<QString>("from");
    QTest::newRow("number of guns") << "Text1";
    QTest::newRow("damage") << "Gundamage";
    QTest::newRow("sound") << "Option3(0)";
    QTest::newRow("gun group count") << "Text6";
  }
  void saveFromTheGunPanelKeepsTheFocusOnScreen() {
    QFETCH(QString, from);
    ActiveFixture f;
    const auto& c = f.window->controls();
    f.typeInto("Text8", "1950");
    QTest::mouseClick(c.Option4->button(1), Qt::LeftButton);
    QTest::mouseClick(c.Option3->button(0), Qt::LeftButton);
    QVERIFY(tabTo(from));
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.fileByte(kSlot, 9), 1950 & 0xff);
    QVERIFY(!c.FGG->isVisible());
    QVERIFY2(QApplication::focusWidget()->isVisible(), qPrintable(focusName()));
    QCOMPARE(focusName(), QStringLiteral("Option4(1)"));
  }

  // The grid says in words what its colours show: each cell joins its row's label, its column
  // and its text, a refused value says so, and the columns have names.
  void gridCellsSayWhatTheColoursShow() {
    Fixture f;
    f.pick(kSlot);
    const auto& c = f.window->controls();
    f.typeInGrid(76, "300");
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(c.G1);
    QVERIFY(grid && grid->tableInterface());
    auto cellText = [&](int row, int column) {
      QAccessibleInterface* cell = grid->tableInterface()->cellAt(row, column);
      return cell ? cell->text(QAccessible::Name) : QStringLiteral("(no cell)");
    };
    const QString label = f.cell(76, record::kLabelColumn).trimmed();
    QCOMPARE(cellText(76, record::kValueColumn), label + ", value 300, refused");
    QCOMPARE(cellText(76, record::kLoadedColumn), label + ", loaded value " + f.cell(76, 1));
    QCOMPARE(cellText(77, record::kValueColumn),
             f.cell(77, record::kLabelColumn).trimmed() + ", value " + f.cell(77));
    QCOMPARE(cellText(76, record::kLabelColumn), "Byte 76, label " + label);

    // The column headers as a screen reader walks the table's children. (A cell's
    // columnHeaderCells() would also do, but Qt 6.4 hands out a new interface per call that
    // nobody owns, and the sanitizer pass counts it as a leak.)
    QStringList headers;
    for (int i = 0; i < grid->childCount(); ++i) {
      QAccessibleInterface* child = grid->child(i);
      if (child && child->role() == QAccessible::ColumnHeader)
        headers << child->text(QAccessible::Name);
    }
    QCOMPARE(headers, QStringList({"file position", "loaded value", "value", "label", "byte"}));
  }

  // A box's description is what the window shows beside it and on it: the figure in other
  // units from its caption, then its red mark or blue note. Qt announces a description as it
  // changes (the tooltip alone is read only when asked for). The mark goes, the caption stays.
  void marksAreDescribed_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("caption");  // the label beside the box, or ""
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("said");  // the mark's words, after the caption
    QTest::addColumn<QString>("fixed");
    QTest::newRow("year refused") << "Text8"
                                  << ""
                                  << "70000"
                                  << "Refused: The year is stored in two bytes"
                                  << "1950";
    QTest::newRow("speed rounded") << "Text3(1)"
                                   << "Label10(1)"
                                   << "231.5"
                                   << "Saved as 232"
                                   << "231";
    QTest::newRow("speed not a number") << "Text3(3)"
                                        << "Label10(3)"
                                        << "19x4"
                                        << "Refused: \"19x4\" is not a number"
                                        << "194";
    QTest::newRow("weight refused") << "Text3(4)"
                                    << "Label10(4)"
                                    << "-3"
                                    << "Refused: This figure is stored in four bytes"
                                    << "3000";
    QTest::newRow("view distance in feet rounded") << "Text3(9)"
                                                   << "Label9(9)"
                                                   << "1000.25"
                                                   << "Saved as 1000"
                                                   << "1000";
    QTest::newRow("range refused") << "Text3(7)"
                                   << "Label9(7)"
                                   << "5000000000"
                                   << "Refused: This figure is stored in four bytes"
                                   << "500";
    QTest::newRow("fuel burn rate, no caption") << "Text3(5)"
                                                << ""
                                                << "-1"
                                                << "Refused: This figure is stored in four bytes"
                                                << "10";
    QTest::newRow("code refused") << "Text5"
                                  << ""
                                  << "ab"
                                  << "Refused: A code has exactly four characters"
                                  << "abcd";
  }
  void marksAreDescribed() {
    QFETCH(QString, box);
    QFETCH(QString, caption);
    QFETCH(QString, typed);
    QFETCH(QString, said);
    QFETCH(QString, fixed);
    ActiveFixture f;
    auto* edit = f.find<QLineEdit>(box);
    QLabel* label = caption.isEmpty() ? nullptr : f.find<QLabel>(caption);
    QVERIFY(caption.isEmpty() || label);
    auto shownBeside = [label] { return label ? label->text().trimmed() : QString(); };
    f.typeInto(box, typed);
    const QString marked = accessibleText(edit, QAccessible::Description);
    QCOMPARE(marked, edit->accessibleDescription());
    if (label) {
      QVERIFY(!shownBeside().isEmpty());
      QVERIFY2(marked.startsWith(shownBeside() + ". " + said), qPrintable(marked));
    } else {
      QVERIFY2(marked.startsWith(said), qPrintable(marked));
    }
    f.typeInto(box, fixed);
    QCOMPARE(accessibleText(edit, QAccessible::Description), shownBeside());
  }

  // The caption beside a figure follows the box as it is typed in, and so does the box's
  // description; a load sets both. The external default's caption is not shown (the code
  // sits in its place), and the fuel burn rate has none: their descriptions are empty.
  void unitCaptionsAreTheDescriptionsOfTheirBoxes() {
    ActiveFixture f;
    const auto& c = f.window->controls();
    for (int i : {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 14}) {
      const QString caption =
          (i >= 7 ? c.Label9[std::size_t(i)] : c.Label10[std::size_t(i)])->text().trimmed();
      QVERIFY2(!caption.isEmpty(), qPrintable(c.Text3[std::size_t(i)]->objectName()));
      QCOMPARE(accessibleText(c.Text3[std::size_t(i)], QAccessible::Description), caption);
    }
    QCOMPARE(accessibleText(c.Text3[5], QAccessible::Description), QString());
    QCOMPARE(accessibleText(c.Text3[13], QAccessible::Description), QString());
    f.typeInto("Text3(3)", "36000");
    QCOMPARE(accessibleText(c.Text3[3], QAccessible::Description), QStringLiteral("579.34 kph"));
  }

  // The flag frames show their byte's value as their title; their names carry it, and follow
  // it as it changes (Qt announces a group box's new title as a change of its name).
  void flagFramesSayTheirByte() {
    ActiveFixture f;
    const auto& c = f.window->controls();
    for (int n = 0; n < 4; ++n) {
      QGroupBox* frame = c.F[std::size_t(n)];
      QVERIFY(!frame->title().isEmpty());
      QCOMPARE(accessibleText(frame, QAccessible::Name),
               QStringLiteral("Flags %1, value %2").arg(n + 1).arg(frame->title()));
      QCOMPARE(QAccessible::queryAccessibleInterface(frame)->role(), QAccessible::Grouping);
    }
    const QString before = c.F[0]->title();
    QVERIFY(tabTo("Check1(2)"));
    press(Qt::Key_Space);
    const QString after = f.cell(record::fieldOfBox("Check1")->firstRow);
    QVERIFY(after != before);
    QCOMPARE(c.F[0]->title(), after);
    QCOMPARE(accessibleText(c.F[0], QAccessible::Name), "Flags 1, value " + after);
  }

  // The fixed columns are a second view of the grid's own cells: a screen reader walking the
  // window meets the grid alone, the view's own interface is an empty, invisible pane, and
  // Tab never lands in it. (Headless, Qt raises no accessibility events to watch.)
  void fixedColumnsStayOutOfTheTree() {
    ActiveFixture f;
    const auto& c = f.window->controls();
    auto* fixed = c.G1->findChild<QTableView*>("G1FixedColumns");
    QVERIFY(fixed);
    QCOMPARE(fixed->focusPolicy(), Qt::NoFocus);
    auto inFixed = [fixed](QObject* object) {
      auto* widget = qobject_cast<QWidget*>(object);
      return widget != nullptr && (widget == fixed || fixed->isAncestorOf(widget));
    };

    QList<QAccessibleInterface*> seen;
    walk(QAccessible::queryAccessibleInterface(f.window.get()), seen);
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(c.G1);
    QVERIFY(seen.contains(grid));
    int cells = 0;
    for (QAccessibleInterface* iface : seen) {
      QVERIFY2(!inFixed(iface->object()), qPrintable(iface->text(QAccessible::Name)));
      cells += iface->role() == QAccessible::Cell ? 1 : 0;
    }
    QVERIFY(cells >= record::kRecordBytes * record::kGridColumns);
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(fixed);
    QVERIFY(view);
    QCOMPARE(view->childCount(), 0);
    QVERIFY(view->state().invisible);

    // Round the window by Tab: the focus never lands in the fixed columns.
    QVERIFY(tabTo("G1"));
    for (int n = 0; n < 80; ++n) {
      press(Qt::Key_Tab);
      QVERIFY2(!inFixed(QApplication::focusWidget()), qPrintable(focusName()));
    }
  }

  // While the Script Maker covers the record's values, Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z change
  // none of them from any of its controls (its text boxes undo their own typing); once it is
  // closed the keys work again.
  void historyKeysLeaveCoveredValuesAlone_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    const int ctrl = int(Qt::ControlModifier);
    const int ctrlShift = int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("Ctrl+Z in the name box") << "Text9" << int(Qt::Key_Z) << ctrl;
    QTest::newRow("Ctrl+Z in the slot list") << "List2" << int(Qt::Key_Z) << ctrl;
    QTest::newRow("Ctrl+Y in the folder list") << "Dir1" << int(Qt::Key_Y) << ctrl;
    QTest::newRow("Ctrl+Shift+Z on Cancel") << "Command5" << int(Qt::Key_Z) << ctrlShift;
    QTest::newRow("Ctrl+Y in the description") << "Text10" << int(Qt::Key_Y) << ctrl;
    QTest::newRow("Ctrl+Z in the folder box") << "Text12" << int(Qt::Key_Z) << ctrl;
  }
  void historyKeysLeaveCoveredValuesAlone() {
    QFETCH(QString, in);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    ActiveFixture f;
    const auto& c = f.window->controls();
    const int year = record::fieldOfBox("Text8")->firstRow;
    const int crew = record::fieldOfBox("Text7")->firstRow;
    f.typeInto("Text8", "1950");
    f.typeInto("Text7", "7");
    press(Qt::Key_Z, Qt::ControlModifier);  // the crew back: there is a step to redo
    QCOMPARE(f.cell(year), QStringLiteral("158"));
    QVERIFY(f.cell(crew) != QStringLiteral("7"));
    auto cells = [&f] {
      QStringList all;
      for (int row = 1; row <= record::kRecordBytes; ++row) all << f.cell(row);
      return all;
    };
    const QStringList before = cells();
    const QString shownYear = c.Text8->text();

    openScriptMaker(c);
    QVERIFY(tabTo(in));
    if (auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
      QTest::keyClicks(box, "x");
    }
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key),
                    Qt::KeyboardModifiers(modifiers));
    QCOMPARE(cells(), before);
    QCOMPARE(c.Text8->text(), shownYear);
    QVERIFY(c.Frame3->isVisible());

    press(Qt::Key_Escape);
    QCOMPARE(focusName(), QStringLiteral("Command2"));
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key),
                    Qt::KeyboardModifiers(modifiers));
    if (key == Qt::Key_Z && modifiers == int(Qt::ControlModifier)) {
      QVERIFY(f.cell(year) != QStringLiteral("158"));  // the year undone
    } else {
      QCOMPARE(f.cell(crew), QStringLiteral("7"));  // the crew redone
    }
  }

  // "Revert to planes.dat" puts back every value the Script Maker covers: its context menu
  // entry is greyed while the panel is open, and offered again once it is closed.
  void revertLeavesCoveredValuesAlone() {
    ActiveFixture f;
    const auto& c = f.window->controls();
    const QString original = c.Text8->text();
    f.typeInto("Text8", "1950", true);
    QVERIFY(tolvane::test::contextMenuOffers(f.window.get(), "Revert to planes.dat"));
    openScriptMaker(c);
    const QString year = f.cell(record::fieldOfBox("Text8")->firstRow);
    f.prompter.answers = {true};
    tolvane::test::takeFromContextMenu(f.window.get(), "Revert to planes.dat");
    QVERIFY(f.prompter.questions.isEmpty());
    QCOMPARE(f.cell(record::fieldOfBox("Text8")->firstRow), year);
    QCOMPARE(c.Text8->text(), QStringLiteral("1950"));
    QTest::mouseClick(c.Command5, Qt::LeftButton);  // Cancel closes the panel
    QTRY_VERIFY(c.Frame3->isHidden());
    QVERIFY(tolvane::test::contextMenuOffers(f.window.get(), "Revert to planes.dat"));
    tolvane::test::takeFromContextMenu(f.window.get(), "Revert to planes.dat");
    QCOMPARE(f.prompter.questions.size(), 1);
    QCOMPARE(c.Text8->text(), original);
  }

  // After the message that refuses a save, the focus is where the value is corrected: its
  // box, or the grid on its row when it is typed in the grid or its box shows another group.
  void refusalTakesTheFocusToTheValue_data() {
    QTest::addColumn<QString>("box");  // where it is typed; "G1" for the byte box
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("row");  // the grid's current row afterwards, or 0
    QTest::newRow("year") << "Text8"
                          << "70000"
                          << "Text8" << 0;
    QTest::newRow("collision radius") << "Text3(14)"
                                      << "-3"
                                      << "Text3(14)" << 0;
    QTest::newRow("code") << "Text5"
                          << "ab"
                          << "Text5" << 0;
    QTest::newRow("damage byte") << "G1"
                                 << "300"
                                 << "G1" << 76;
    QTest::newRow("number of guns of another group") << "Text1"
                                                     << "300"
                                                     << "G1" << record::gunGroupFirstRow(1);
  }
  void refusalTakesTheFocusToTheValue() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, focus);
    QFETCH(int, row);
    ActiveFixture f;
    const auto& c = f.window->controls();
    if (box == "G1") {
      f.typeInGrid(76, typed);
    } else if (box == "Text1") {
      QTest::mouseClick(c.Option4->button(1), Qt::LeftButton);
      f.typeInto(box, typed);
      QTest::mouseClick(c.Option4->button(2), Qt::LeftButton);
    } else {
      f.typeInto(box, typed);
    }
    c.List1->setFocus();
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.prompter.errors.size(), 1);
    QCOMPARE(focusName(), focus);
    if (row != 0) QCOMPARE(c.G1->row(), row);
  }

  // The option buttons are radio buttons to a screen reader, checked as they show; the window
  // is a frame.
  void optionButtonsAreRadioButtons() {
    ActiveFixture f;
    const auto& c = f.window->controls();
    QTest::mouseClick(c.Option4->button(2), Qt::LeftButton);
    QTest::mouseClick(c.Option1->button(3), Qt::LeftButton);
    int checked = 0;
    for (const ui::OptionArray* array : {c.Option4, c.Option1, c.Option2, c.Option3}) {
      for (int i : array->indexes()) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(array->button(i));
        QVERIFY(iface);
        const QString what = array->button(i)->objectName();
        QVERIFY2(iface->role() == QAccessible::RadioButton, qPrintable(what));
        QVERIFY2(iface->state().checkable, qPrintable(what));
        QVERIFY2(bool(iface->state().checked) == array->button(i)->isChecked(), qPrintable(what));
        checked += iface->state().checked ? 1 : 0;
        QCOMPARE(iface->text(QAccessible::Name), array->button(i)->accessibleName());
      }
    }
    QVERIFY(checked >= 2);
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(f.window.get());
    QVERIFY(window);
    QCOMPARE(window->role(), QAccessible::Window);
  }

  // A save is said in words on the window, and the next edit takes the words back.
  void saveIsSaidInWords() {
    ActiveFixture f;
    QWidget* window = f.window.get();
    f.typeInto("Text8", "1950");
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.fileByte(kSlot, 9), 1950 & 0xff);
    const QString name = QString::fromLatin1(record::slotNames()[kSlot]);
    QCOMPARE(accessibleText(window, QAccessible::Description), name + " saved to planes.dat.");
    f.typeInto("Text8", "1951");
    QCOMPARE(accessibleText(window, QAccessible::Description), QString());
    f.typeInto("Text8", "1950");
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(accessibleText(window, QAccessible::Description),
             "Nothing to save: planes.dat holds the values of " + name + ".");
  }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
