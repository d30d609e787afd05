// The thin controls: which keys and buttons the input hook reports, and long values that do
// not fit their box or caption but are still shown whole in the tooltip.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <memory>

#include "support/test_support.h"
#include "ui/controls.h"
#include "ui/pick_list.h"
#include "ui/prompter.h"

using tolvane::ui::CaptionLabel;
using tolvane::ui::InputHook;

namespace {

// Asks a widget for its tooltip as the pointer resting on it does, and returns what shows.
QString toolTipShown(QWidget* widget) {
  QToolTip::hideText();
  const QPoint at(2, 2);
  QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
  QApplication::sendEvent(widget, &help);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

}  // namespace

namespace {

// A window holding a flag frame laid out as the main window's are: boxes from y = 14 down.
struct FrameWindow {
  QWidget window;
  QGroupBox* frame = new tolvane::ui::TitleFrame(&window);
  QCheckBox* first = nullptr;

  FrameWindow() {
    window.resize(120, 90);
    frame->setGeometry(4, 4, 100, 80);
    for (int i = 0; i < 3; ++i) {
      auto* box = new QCheckBox(QStringLiteral("Box %1").arg(i), frame);
      box->setGeometry(3, 14 + 19 * i, 90, 19);
      if (i == 0) first = box;
    }
  }
  // What the screen shows now: the window system's copy, not a fresh rendering.
  QImage shown() {
    QCoreApplication::processEvents();
    return window.screen()->grabWindow(window.winId()).toImage();
  }
};

}  // namespace

class ControlsTest : public QObject {
  Q_OBJECT
 private slots:
  // A question with a long list (a script's changes) fits the screen: the list scrolls and
  // the buttons stay on screen, whatever the list's length; a button or Escape answers.
  void aLongListScrollsAndItsButtonsStayOnScreen_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("answer");  // a button's text, or "Escape"
    QTest::newRow("3 lines, Apply") << 3 << "Apply";
    QTest::newRow("300 lines, Apply") << 300 << "Apply";
    QTest::newRow("300 lines, Escape") << 300 << "Escape";
  }
  void aLongListScrollsAndItsButtonsStayOnScreen() {
    QFETCH(int, lines);
    QFETCH(QString, answer);
    QWidget parent;
    parent.show();
    QStringList list;
    for (int i = 0; i < lines; ++i) list << QStringLiteral("Max speed %1 \u2192 418.00 mph").arg(i);
    int taken = -1;
    std::unique_ptr<QDialog> dialog(
        tolvane::ui::detailsDialog(&parent, "Apply", "3 values would change", list.join('\n'),
                                   {"Apply", "Cancel"}, 0, 1, &taken));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    const QRect screen = dialog->screen()->availableGeometry();
    QVERIFY2(
        dialog->frameGeometry().height() <= screen.height(),
        qPrintable(QString("%1 > %2").arg(dialog->frameGeometry().height()).arg(screen.height())));
    auto* buttons = dialog->findChild<QDialogButtonBox*>("DetailsButtons");
    QVERIFY(dialog->rect().contains(buttons->geometry()));
    QVERIFY(buttons->isVisible());
    auto* text = dialog->findChild<QPlainTextEdit*>("DetailsText");
    QCOMPARE(text->toPlainText(), list.join('\n'));
    if (lines > 100) QVERIFY(text->verticalScrollBar()->maximum() > 0);
    if (answer == "Escape") {
      QTest::keyClick(dialog.get(), Qt::Key_Escape);
      QCOMPARE(taken, 1);
    } else {
      for (QAbstractButton* b : buttons->buttons()) {
        if (b->text() == answer) QTest::mouseClick(b, Qt::LeftButton);
      }
      QCOMPARE(taken, 0);
    }
    QVERIFY(!dialog->isVisible());
  }

  void hookReportsTypingNotMoving_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");  // -1: nothing reported
    QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier) << int('a');
    QTest::newRow("digit") << int(Qt::Key_7) << int(Qt::NoModifier) << int('7');
    QTest::newRow("return") << int(Qt::Key_Return) << int(Qt::NoModifier) << 13;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 13;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << int(Qt::NoModifier) << 8;
    QTest::newRow("tab") << int(Qt::Key_Tab) << int(Qt::NoModifier) << -1;
    QTest::newRow("shift+tab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << -1;
    QTest::newRow("escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << -1;
    QTest::newRow("left") << int(Qt::Key_Left) << int(Qt::NoModifier) << -1;
    QTest::newRow("end") << int(Qt::Key_End) << int(Qt::NoModifier) << -1;
    QTest::newRow("delete") << int(Qt::Key_Delete) << int(Qt::NoModifier) << -1;
    QTest::newRow("ctrl+v") << int(Qt::Key_V) << int(Qt::ControlModifier) << -1;
    QTest::newRow("f2") << int(Qt::Key_F2) << int(Qt::NoModifier) << -1;
  }
  void hookReportsTypingNotMoving() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, code);
    QWidget window;
    auto* box = new QLineEdit(&window);
    new QLineEdit(&window);  // somewhere for Tab to go
    QSignalSpy keys(tolvane::ui::inputHook(box), &InputHook::keyPressed);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(box, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(keys.size(), code < 0 ? 0 : 1);
    if (code >= 0) QCOMPARE(keys[0][0].toInt(), code);
  }

  void hookReportsOnlyLeftClicks() {
    QLineEdit box;
    QSignalSpy clicks(tolvane::ui::inputHook(&box), &InputHook::clicked);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(&box, Qt::RightButton);
    QTest::mouseClick(&box, Qt::MiddleButton);
    QCOMPARE(clicks.size(), 0);
    QTest::mouseClick(&box, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
  }

  void boxShowsItsWholeValueInTheTooltip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("shown");
    const QString longValue = QStringLiteral("123456789012345678901234567890");
    const QString note = QStringLiteral("It must be a whole number from 0 to 255.");
    QTest::newRow("fits, no note") << "12"
                                   << ""
                                   << "";
    QTest::newRow("fits, note") << "256" << note << note;
    QTest::newRow("too long") << longValue << "" << longValue;
    QTest::newRow("too long, note") << longValue << note << longValue + "\n" + note;
  }
  void boxShowsItsWholeValueInTheTooltip() {
    QFETCH(QString, text);
    QFETCH(QString, note);
    QFETCH(QString, shown);
    QWidget window;
    auto* box = new QLineEdit(&window);
    box->setGeometry(0, 0, 62, 20);
    tolvane::ui::showFullTextInToolTip(box);
    box->setText(text);
    box->setToolTip(note);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(tolvane::ui::textFits(box), text.size() < 10);
    QCOMPARE(toolTipShown(box), shown);
  }

  // After a frame's title changes, the screen shows exactly what a frame that had the last
  // title from the start shows.
  void titleChangeLeavesNoTrace_data() {
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("shorter") << QStringList{"168", "7"};
    QTest::newRow("longer") << QStringList{"7", "255"};
    QTest::newRow("digits in turn") << QStringList{"0", "64", "128", "9"};
    QTest::newRow("text, then digits") << QStringList{"12", "gy_,", "13"};
    QTest::newRow("to no title") << QStringList{"12", ""};
    QTest::newRow("from no title") << QStringList{"", "12"};
  }
  void titleChangeLeavesNoTrace() {
    QFETCH(QStringList, titles);
    FrameWindow changed;
    changed.frame->setTitle(QStringLiteral("99"));
    changed.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&changed.window));
    changed.shown();
    for (const QString& title : titles) {
      changed.frame->setTitle(title);
      changed.shown();
    }
    QCOMPARE(changed.frame->title(), titles.last());

    FrameWindow fresh;
    fresh.frame->setTitle(titles.last());
    fresh.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh.window));
    QCOMPARE(changed.shown(), fresh.shown());
  }

  // The aircraft list keeps the sizes of its entries; a new font or a renamed entry must
  // still give each entry the place a fresh list gives it.
  void listEntriesKeepTheirPlace_data() {
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<QString>("renamed");
    QTest::newRow("larger font") << 20 << QString();
    QTest::newRow("smaller font") << 6 << QString();
    QTest::newRow("longer name") << 0 << QStringLiteral("Messerschmitt Bf 109 G-6/R6 Kanonenboot");
    QTest::newRow("a name another entry has") << 0 << QStringLiteral("B-24D");
  }
  void listEntriesKeepTheirPlace() {
    QFETCH(int, pointSize);
    QFETCH(QString, renamed);
    const QStringList names{"Spitfire", "B-24D", "Fw 190A", "P-51B Mustang"};
    auto makeList = [&](tolvane::ui::PickList& list) {
      list.resize(160, 120);
      list.addItems(names);
      list.show();
    };
    tolvane::ui::PickList changed;
    makeList(changed);
    QVERIFY(QTest::qWaitForWindowExposed(&changed));
    changed.showPicked(2);  // asks the sizes once
    QFont font = changed.font();
    if (pointSize > 0) {
      font.setPointSize(pointSize);
      changed.setFont(font);
    }
    if (!renamed.isEmpty()) changed.item(0)->setText(renamed);
    changed.showPicked(3);

    tolvane::ui::PickList fresh;
    fresh.setFont(font);
    makeList(fresh);
    if (!renamed.isEmpty()) fresh.item(0)->setText(renamed);
    fresh.showPicked(3);
    for (int row = 0; row < names.size(); ++row) {
      QCOMPARE(changed.visualItemRect(changed.item(row)), fresh.visualItemRect(fresh.item(row)));
    }
  }

  void longCaptionIsCutShortButKeptWhole() {
    QWidget window;
    auto* label = new CaptionLabel(&window);
    label->setGeometry(0, 0, 64, 20);
    label->setToolTip(QStringLiteral("note"));
    QSignalSpy changes(label, &CaptionLabel::captionChanged);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    label->setCaption(QStringLiteral(" 5.12 kph"));
    QVERIFY(label->captionFits());
    QCOMPARE(toolTipShown(label), QStringLiteral("note"));

    const QString longCaption = QStringLiteral(" 69120000000.23 kph");
    label->setCaption(longCaption);
    QVERIFY(!label->captionFits());
    QCOMPARE(label->caption(), longCaption);
    QCOMPARE(toolTipShown(label), longCaption + "\nnote");
    // The cut-short drawing leaves the caption and its reports as they were.
    label->repaint();
    label->setCaption(longCaption);
    QCOMPARE(changes.size(), 2);
    QCOMPARE(changes[1][0].toString(), longCaption);

    // The answer follows the room and the font, not only the caption.
    label->setCaption(QStringLiteral(" 5.12 kph"));
    QVERIFY(label->captionFits());
    label->resize(12, 20);
    QVERIFY(!label->captionFits());
    label->resize(64, 20);
    QVERIFY(label->captionFits());
    QFont large = label->font();
    large.setPointSize(large.pointSize() * 3);
    label->setFont(large);
    QVERIFY(!label->captionFits());
  }
};

QTEST_MAIN(ControlsTest)
#include "test_controls.moc"
