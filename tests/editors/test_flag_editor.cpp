// The flag boxes of bytes 5 to 8: clicks that rebuild a byte, the exclusive pairs, the bits
// without a box, and what a load of the flag bytes leaves behind.
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>

#include "record/layout.h"
#include "support/test_support.h"

using namespace tolvane;
using test::Fixture;

namespace {

QCheckBox* box(const Fixture& f, int byte, int i) {
  return f.find<QCheckBox>(QStringLiteral("Check%1(%2)").arg(byte - 4).arg(i));
}

// The indexes of the checked boxes of a flag byte, e.g. "0,5".
QString checkedBoxes(const Fixture& f, int byte) {
  QStringList checked;
  for (int i = 0; i < (byte == 8 ? 6 : 8); ++i) {
    if (box(f, byte, i)->isChecked()) checked << QString::number(i);
  }
  return checked.join(',');
}

void click(QCheckBox* b) {
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
}

// A flag byte's frame, as accessibility and styles see it.
QGroupBox* frame(const Fixture& f, int byte) {
  return f.find<QGroupBox>(QStringLiteral("F%1").arg(byte - 4));
}

// Saves as the player does, with the "Save planes.dat" button.
void save(const Fixture& f) {
  QTest::mouseClick(f.find<QPushButton>(QStringLiteral("Command3")), Qt::LeftButton);
}

// Bytes stored with both bits of their exclusive pair set, as some files have them.
void pairStoredWithBothBits() {
  QTest::addColumn<int>("byte");
  QTest::addColumn<int>("loaded");
  QTest::addColumn<QString>("checked");  // after the load
  QTest::addColumn<int>("other");        // a box outside the pair
  QTest::addColumn<int>("afterOther");
  QTest::addColumn<int>("pairBox");  // a box of the pair, clicked off and on again
  QTest::addColumn<int>("partner");  // the other box of the pair
  QTest::addColumn<int>("afterOff");
  QTest::addColumn<int>("afterOn");
  QTest::newRow("twin and four engined") << 5 << 53 << "0,2,4,5" << 0 << 52 << 4 << 5 << 37 << 21;
  QTest::newRow("gear inwards and outwards") << 6 << 98 << "1,5,6" << 0 << 99 << 6 << 5 << 34 << 66;
  QTest::newRow("turn and energy fighter") << 7 << 192 << "6,7" << 1 << 194 << 7 << 6 << 64 << 128;
  QTest::newRow("light and heavy armour, bits 6 and 7")
      << 8 << 241 << "0,4,5" << 0 << 240 << 5 << 4 << 209 << 225;
}

}  // namespace

class FlagEditorTest : public QObject {
  Q_OBJECT
 private slots:
  void clickRebuildsTheByte_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("loaded");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("checked");
    QTest::newRow("flyable fighter") << 5 << 1 << 2 << "5"
                                     << "0,2";
    QTest::newRow("four engined replaces twin") << 5 << 16 << 5 << "32"
                                                << "5";
    QTest::newRow("twin replaces four engined") << 5 << 33 << 4 << "17"
                                                << "0,4";
    QTest::newRow("gear outwards replaces inwards") << 6 << 33 << 6 << "65"
                                                    << "0,6";
    QTest::newRow("energy replaces turn fighter") << 7 << 64 << 7 << "128"
                                                  << "7";
    QTest::newRow("heavy replaces light armour") << 8 << 16 << 5 << "32"
                                                 << "5";
    QTest::newRow("uncheck the only box") << 7 << 4 << 2 << "0"
                                          << "";
    QTest::newRow("not used bit counts") << 6 << 8 << 0 << "9"
                                         << "0,3";
    // Byte 8 keeps bits 6 and 7, which have no boxes.
    QTest::newRow("multi crewed keeps bit 6") << 8 << 65 << 1 << "67"
                                              << "0,1";
    QTest::newRow("armour keeps bits 6 and 7") << 8 << 208 << 5 << "224"
                                               << "5";
  }
  void clickRebuildsTheByte() {
    QFETCH(int, byte);
    QFETCH(int, loaded);
    QFETCH(int, clicked);
    QFETCH(QString, written);
    QFETCH(QString, checked);
    Fixture f;
    f.setRecordBytes(3, byte, {loaded});
    f.pick(3);
    QVERIFY(!f.window->state().recordModified);
    click(box(f, byte, clicked));
    QCOMPARE(checkedBoxes(f, byte), checked);
    QCOMPARE(f.cell(byte), written);
    QCOMPARE(f.cell(byte, 1), QString::number(loaded));
    QCOMPARE(frame(f, byte)->title(), written);
    QVERIFY(f.window->state().recordModified);
  }

  void notUsedBoxesCannotBeClicked() {
    Fixture f;
    f.pick(3);
    for (int byte : {6, 7}) {
      QCheckBox* notUsed = box(f, byte, 3);
      QVERIFY(!notUsed->isEnabled());
      const bool before = notUsed->isChecked();
      click(notUsed);
      QCOMPARE(notUsed->isChecked(), before);
    }
    QVERIFY(!f.window->state().recordModified);
  }

  // A fresh window has every box unchecked, so each row's load changes some boxes.
  void loadShowsTheBits_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("loaded");
    QTest::addColumn<QString>("checked");
    QTest::newRow("both engine counts") << 5 << 48 + 1 << "0,4,5";
    QTest::newRow("both gear directions") << 6 << 96 << "5,6";
    QTest::newRow("both fighter kinds") << 7 << 192 << "6,7";
    QTest::newRow("both armours") << 8 << 48 << "4,5";
    QTest::newRow("not used bit of byte 6") << 6 << 8 << "3";
    QTest::newRow("not used bit of byte 7") << 7 << 8 + 2 << "1,3";
    QTest::newRow("byte 8 with bit 6") << 8 << 65 << "0";
    QTest::newRow("byte 8 with bit 7") << 8 << 128 + 2 << "1";
    QTest::newRow("byte 8 with bits 6, 7 and both armours") << 8 << 192 + 48 << "4,5";
  }
  void loadShowsTheBits() {
    QFETCH(int, byte);
    QFETCH(int, loaded);
    QFETCH(QString, checked);
    Fixture f;
    f.setRecordBytes(3, byte, {loaded});
    f.pick(3);
    // The load changes nothing and shows every stored bit that has a box.
    QCOMPARE(checkedBoxes(f, byte), checked);
    QCOMPARE(f.cell(byte), QString::number(loaded));
    QCOMPARE(f.cell(byte, 1), QString::number(loaded));
    QCOMPARE(frame(f, byte)->title(), QString::number(loaded));
    QVERIFY(!f.window->state().recordModified);
    QVERIFY(!f.window->hasUnsavedChanges());
    // Box 0 on and off again gives back the byte as stored.
    click(box(f, byte, 0));
    click(box(f, byte, 0));
    QCOMPARE(f.cell(byte), QString::number(loaded));
    QCOMPARE(frame(f, byte)->title(), QString::number(loaded));
  }

  void pairStoredWithBothBitsKeepsThemOnOtherClicks_data() { pairStoredWithBothBits(); }
  void pairStoredWithBothBitsBecomesExclusiveByAClickInThePair_data() { pairStoredWithBothBits(); }

  void pairStoredWithBothBitsKeepsThemOnOtherClicks() {
    QFETCH(int, byte);
    QFETCH(int, loaded);
    QFETCH(QString, checked);
    QFETCH(int, other);
    QFETCH(int, afterOther);
    Fixture f;
    f.setRecordBytes(3, byte, {loaded});
    const QByteArray stored = f.folder.bytes();
    f.pick(3);
    QCOMPARE(checkedBoxes(f, byte), checked);
    QCOMPARE(f.cell(byte), QString::number(loaded));
    save(f);
    QCOMPARE(f.folder.bytes(), stored);

    click(box(f, byte, other));
    QCOMPARE(f.cell(byte), QString::number(afterOther));
    QCOMPARE(frame(f, byte)->title(), QString::number(afterOther));
    save(f);
    QCOMPARE(f.fileByte(3, byte), afterOther);
    QCOMPARE(f.prompter.errors, QStringList());
  }
  void pairStoredWithBothBitsBecomesExclusiveByAClickInThePair() {
    QFETCH(int, byte);
    QFETCH(int, loaded);
    QFETCH(QString, checked);
    QFETCH(int, pairBox);
    QFETCH(int, partner);
    QFETCH(int, afterOff);
    QFETCH(int, afterOn);
    Fixture f;
    f.setRecordBytes(3, byte, {loaded});
    f.pick(3);
    QCOMPARE(checkedBoxes(f, byte), checked);
    // Unchecking one box of the pair leaves its partner checked.
    click(box(f, byte, pairBox));
    QCOMPARE(f.cell(byte), QString::number(afterOff));
    QVERIFY(box(f, byte, partner)->isChecked());
    // Checking it again unchecks the partner.
    click(box(f, byte, pairBox));
    QCOMPARE(f.cell(byte), QString::number(afterOn));
    QVERIFY(!box(f, byte, partner)->isChecked());
    save(f);
    QCOMPARE(f.fileByte(3, byte), afterOn);
  }

  void loadOfEqualFlagsRunsNoReaction() {
    Fixture f;
    // Slot 6 gets slot 5's flags, except that byte 8 also has bit 6, which no box shows.
    QByteArray bytes = f.folder.bytes();
    for (int k = 5; k <= 8; ++k) {
      bytes[static_cast<int>(record::bytePosition(6, k) - 1)] =
          bytes[static_cast<int>(record::bytePosition(5, k) - 1)];
    }
    f.folder.setBytes(bytes);
    const int byte8 =
        static_cast<unsigned char>(bytes[static_cast<int>(record::bytePosition(5, 8) - 1)]);
    f.setRecordBytes(6, 8, {byte8 | 64});
    f.pick(5);
    for (int i = 1; i <= 4; ++i) f.find<QGroupBox>(QStringLiteral("F%1").arg(i))->setTitle("kept");
    f.pick(6);
    // The titles show the bytes loaded, also byte 8's, whose bit 6 turns no box.
    for (int i = 1; i <= 4; ++i) {
      QCOMPARE(f.find<QGroupBox>(QStringLiteral("F%1").arg(i))->title(), f.cell(4 + i, 1));
    }
    for (int byte = 5; byte <= 8; ++byte) QCOMPARE(f.cell(byte), f.cell(byte, 1));
    QVERIFY(!f.window->state().recordModified);
  }

  // A pick redraws the flag boxes whose state it changes. A frame whose byte stays as it was
  // is not redrawn; a new title (the byte loaded) redraws its whole frame.
  void pickRedrawsOnlyFramesThatChange_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("one bit more") << 5 << 4 << 5;
    QTest::newRow("same bits, new title elsewhere") << 6 << 33 << 33;
    QTest::newRow("all bits turn") << 7 << 85 << 170;
    QTest::newRow("armour, high bits differ") << 8 << 16 << 16 + 64;
  }
  void pickRedrawsOnlyFramesThatChange() {
    QFETCH(int, byte);
    QFETCH(int, before);
    QFETCH(int, after);
    Fixture f;
    f.setRecordBytes(3, byte, {before});
    f.setRecordBytes(4, byte, {after});
    f.pick(3);
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QCoreApplication::processEvents();
    QGroupBox* titled = frame(f, byte);
    const QString titleBefore = titled->title();
    test::PaintWatch count;
    const int boxes = byte == 8 ? 6 : 8;
    for (int i = 0; i < boxes; ++i) count.watch(box(f, byte, i));
    f.pick(4);
    QCoreApplication::processEvents();
    const bool boxTurned = ((before ^ after) & ((1 << boxes) - 1)) != 0;
    for (int i = 0; i < boxes; ++i) {
      const bool changed = ((before ^ after) >> i) & 1;
      const bool painted = count.paints(box(f, byte, i)) > 0;
      if (changed) QVERIFY(painted);
      if (!boxTurned && before == after) QVERIFY(!painted);
    }
    // The title is the byte loaded, also when only bits without a box differ.
    QCOMPARE(titleBefore, QString::number(before));
    QCOMPARE(titled->title(), QString::number(after));
  }

  // Bits 6 and 7 come from the value cell; a cell that is no byte contributes none.
  void byte8HighBitsFromTheCell_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("written");
    QTest::newRow("192") << "192"
                         << "194";
    QTest::newRow("padded 64") << " 64"
                               << "66";
    QTest::newRow("too large") << "448"
                               << "2";
    QTest::newRow("negative") << "-64"
                              << "2";
    QTest::newRow("fraction") << "64.5"
                              << "2";
    QTest::newRow("not a number") << "x"
                                  << "2";
    QTest::newRow("overflow") << "1E999"
                              << "2";
  }
  void byte8HighBitsFromTheCell() {
    QFETCH(QString, cell);
    QFETCH(QString, written);
    Fixture f;
    f.setRecordBytes(3, 8, {0});
    f.pick(3);
    f.setCell(8, 2, cell);
    click(box(f, 8, 1));
    QCOMPARE(f.cell(8), written);
  }
};

QTEST_MAIN(FlagEditorTest)
#include "test_flag_editor.moc"
