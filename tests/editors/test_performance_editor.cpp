// The fifteen performance boxes: bytes written on every keystroke and on Enter, the unit
// captions, the mark on values the four bytes cannot hold, and what a load runs.
#include <QLineEdit>
#include <QPalette>
#include <QTest>

#include "editors/performance_editor.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/controls.h"

using namespace tolvane;
using test::Fixture;

namespace {

QString fieldCells(const Fixture& f, int i) {
  QStringList cells;
  for (int row = 4 * i + 13; row <= 4 * i + 16; ++row) cells << f.cell(row);
  return cells.join(',');
}

bool marked(const QLineEdit* box) {
  return !box->toolTip().isEmpty() && box->palette().color(QPalette::Text) == QColor(Qt::red);
}

}  // namespace

class PerformanceEditorTest : public QObject {
  Q_OBJECT
 private slots:
  // Each row types a text into a loaded box as a user does.
  void typingWritesBytesAndCaption_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cells");  // rows 4i+13 to 4i+16
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("refused");
    QTest::newRow("stall 10000") << 0 << "10000"
                                 << "16,39,0,0"
                                 << "Label10(0)"
                                 << " 160.93 kph" << false;
    QTest::newRow("max speed 36000") << 3 << "36000"
                                     << "160,140,0,0"
                                     << "Label10(3)"
                                     << " 579.34 kph" << false;
    QTest::newRow("max speed 1") << 3 << "1"
                                 << "1,0,0,0"
                                 << "Label10(3)"
                                 << " 0.01 kph" << false;
    QTest::newRow("empty wt 7000") << 4 << "7000"
                                   << "88,27,0,0"
                                   << "Label10(4)"
                                   << " 3175 Kg" << false;
    QTest::newRow("wt of fuel 1000") << 6 << "1000"
                                     << "232,3,0,0"
                                     << "Label10(6)"
                                     << " 453 Kg" << false;
    QTest::newRow("range 66000000") << 7 << "66000000"
                                    << "128,20,239,3"
                                    << "Label9(7)"
                                    << " 500 Miles / 804Km" << false;
    QTest::newRow("range 131999") << 7 << "131999"
                                  << "159,3,2,0"
                                  << "Label9(7)"
                                  << " 0 Miles / 1Km" << false;
    QTest::newRow("close 2100") << 8 << "2100"
                                << "52,8,0,0"
                                << "Label9(8)"
                                << " 100ft/ 30.4m" << false;
    QTest::newRow("close 1000") << 8 << "1000"
                                << "232,3,0,0"
                                << "Label9(8)"
                                << " 47.6190476190476ft/ 14.5m" << false;
    QTest::newRow("collision 21") << 14 << "21"
                                  << "21,0,0,0"
                                  << "Label9(14)"
                                  << " 1ft/ 0.3m" << false;
    QTest::newRow("medium max") << 9 << "4294967295"
                                << "255,255,255,255"
                                << "Label9(9)"
                                << " 204522252.142857ft/ 62338382.4m" << false;
    QTest::newRow("external default") << 13 << "2100"
                                      << "52,8,0,0"
                                      << "Label9(13)"
                                      << " 100ft/ 30.4m" << false;
    // A text that is not one number as a whole goes into the cells as typed, where saving
    // refuses it, and the box is marked.
    QTest::newRow("trailing text") << 1 << "250mph"
                                   << "250mph,250mph,250mph,250mph"
                                   << "Label10(1)"
                                   << " 4.02 kph" << true;
    QTest::newRow("no number") << 14 << "abc"
                               << "abc,abc,abc,abc"
                               << "Label9(14)"
                               << " 0ft/ 0m" << true;
    QTest::newRow("thousands separator") << 10 << "31,500"
                                         << "31,500,31,500,31,500,31,500"
                                         << "Label9(10)"
                                         << " 1.47619047619048ft/ 0.4m" << true;
    QTest::newRow("blank inside") << 8 << "12 600"
                                  << "12 600,12 600,12 600,12 600"
                                  << "Label9(8)"
                                  << " 0.571428571428571ft/ 0.1m" << true;
    QTest::newRow("blanks around and a plus") << 0 << " +250 "
                                              << "250,0,0,0"
                                              << "Label10(0)"
                                              << " 4.02 kph" << false;
    QTest::newRow("empty") << 2 << ""
                           << "0,0,0,0"
                           << "Label10(2)"
                           << " 0 kph" << false;
    QTest::newRow("minus zero") << 7 << "-0"
                                << "0,0,0,0"
                                << "Label9(7)"
                                << " 0 Miles / 0Km" << false;
    // Values the four bytes cannot hold reach the grid as they are and mark the box.
    QTest::newRow("negative") << 3 << "-1"
                              << "255,255,255,-1"
                              << "Label10(3)"
                              << "-0.02 kph" << true;
    QTest::newRow("too large") << 9 << "4294967296"
                               << "0,0,0,256"
                               << "Label9(9)"
                               << " 204522252.190476ft/ 62338382.4m" << true;
    QTest::newRow("fraction") << 0 << "12.5"
                              << "12.5,0,0,0"
                              << "Label10(0)"
                              << " 0.2 kph" << false;
    QTest::newRow("overflow") << 4 << "1E999"
                              << "nan,nan,nan,inf"
                              << "Label10(4)"
                              << " inf Kg" << true;
  }
  void typingWritesBytesAndCaption() {
    QFETCH(int, box);
    QFETCH(QString, typed);
    QFETCH(QString, cells);
    QFETCH(QString, label);
    QFETCH(QString, caption);
    QFETCH(bool, refused);
    Fixture f;
    f.pick(7);
    auto* text3 = f.find<QLineEdit>(QStringLiteral("Text3(%1)").arg(box));
    QVERIFY(!f.window->state().recordModified);
    text3->selectAll();
    QTest::keyClick(text3, Qt::Key_Delete);
    QTest::keyClicks(text3, typed);
    QCOMPARE(fieldCells(f, box), cells);
    QCOMPARE(f.find<ui::CaptionLabel>(label)->caption(), caption);
    QCOMPARE(marked(text3), refused);
    // A fraction is accepted by the save, rounded half to even: a note, not an error.
    if (typed == "12.5") QVERIFY(test::noteShown(text3, "12"));
    QVERIFY(f.window->state().recordModified);
    // Only the field's own rows changed (the crew cell holds the loaded number padded).
    for (int row = 1; row <= record::kRecordBytes; ++row) {
      if (row < 4 * box + 13 || row > 4 * box + 16) {
        QCOMPARE(f.cell(row).trimmed(), f.cell(row, 1));
      }
    }
  }

  void fuelBurnRateHasNoCaption() {
    Fixture f;
    f.pick(7);
    auto* text3 = f.find<QLineEdit>("Text3(5)");
    text3->setText("123456");
    QCOMPARE(fieldCells(f, 5), QString("64,226,1,0"));
    QCOMPARE(f.find<ui::CaptionLabel>("Label10(5)")->caption(), QString());
    QVERIFY(!f.find<ui::CaptionLabel>("Label10(5)")->isVisible());
  }

  void markClearsWhenTheValueFitsAgain() {
    Fixture f;
    f.pick(2);
    auto* text3 = f.find<QLineEdit>("Text3(10)");
    text3->setText("-5");
    QVERIFY(marked(text3));
    QVERIFY(f.window->controls().G1->valueCellRefused(56));
    text3->setText("5");
    QVERIFY(!marked(text3));
    QVERIFY(text3->toolTip().isEmpty());
    QVERIFY(!f.window->controls().G1->valueCellRefused(56));
  }

  void everyKeystrokeWritesAndEnterWritesAgain() {
    Fixture f;
    f.pick(4);
    auto* text3 = f.find<QLineEdit>("Text3(8)");
    auto* label = f.find<ui::CaptionLabel>("Label9(8)");
    text3->selectAll();
    QTest::keyClicks(text3, "2");
    QCOMPARE(fieldCells(f, 8), QString("2,0,0,0"));
    QTest::keyClicks(text3, "1");
    QCOMPARE(fieldCells(f, 8), QString("21,0,0,0"));
    QCOMPARE(label->caption(), QString(" 1ft/ 0.3m"));

    // Enter rewrites the same bytes and marks the record, but leaves the caption alone.
    f.window->state().recordModified = false;
    f.setCell(45, 2, "x");
    f.setCell(48, 2, "y");
    label->setCaption("unchanged");
    QTest::keyClick(text3, Qt::Key_Return);
    QCOMPARE(fieldCells(f, 8), QString("21,0,0,0"));
    QCOMPARE(label->caption(), QString("unchanged"));
    QCOMPARE(text3->text(), QString("21"));
    QVERIFY(f.window->state().recordModified);
  }

  void loadFillsBoxesAndCaptions() {
    Fixture f;
    f.setRecordBytes(5, 13, {16, 39, 0, 0});
    f.pick(5);
    QCOMPARE(f.find<QLineEdit>("Text3(0)")->text(), QString(" 10000"));
    QCOMPARE(f.find<ui::CaptionLabel>("Label10(0)")->caption(), QString(" 160.93 kph"));
    QVERIFY(!f.window->state().recordModified);
    // Every field reproduces its loaded bytes, and the captions the loader does not refresh
    // were set by the reactions it raised.
    for (int row = 13; row <= 72; ++row) QCOMPARE(f.cell(row), f.cell(row, 1));
    for (int i = 0; i < 15; ++i) {
      QVERIFY(f.find<QLineEdit>(QStringLiteral("Text3(%1)").arg(i))->text().startsWith(' '));
    }
    QCOMPARE(f.find<ui::CaptionLabel>("Label10(4)")->caption(),
             tolvane::editors::weightCaption(f.find<QLineEdit>("Text3(4)")->text()));
    QCOMPARE(f.find<ui::CaptionLabel>("Label9(7)")->caption(),
             tolvane::editors::rangeCaption(f.find<QLineEdit>("Text3(7)")->text()));
  }

  void loadOfEqualFiguresRunsNoReaction() {
    Fixture f;
    // Slot 9 gets slot 8's performance figures.
    QByteArray bytes = f.folder.bytes();
    for (int k = 13; k <= 72; ++k) {
      bytes[static_cast<int>(record::bytePosition(9, k) - 1)] =
          bytes[static_cast<int>(record::bytePosition(8, k) - 1)];
    }
    f.folder.setBytes(bytes);
    f.pick(8);
    f.find<ui::CaptionLabel>("Label9(7)")->setCaption("range kept");
    f.find<ui::CaptionLabel>("Label10(6)")->setCaption("fuel kept");
    f.pick(9);
    QCOMPARE(f.find<ui::CaptionLabel>("Label9(7)")->caption(), QString("range kept"));
    QCOMPARE(f.find<ui::CaptionLabel>("Label10(6)")->caption(), QString("fuel kept"));
    QVERIFY(!f.window->state().recordModified);
  }
};

QTEST_MAIN(PerformanceEditorTest)
#include "test_performance_editor.moc"
