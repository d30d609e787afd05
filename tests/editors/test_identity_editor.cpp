// Year, crew and code: their writes into the grid, the marks on values their bytes cannot
// hold, the code's commit on Enter and what a load leaves behind.
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QTest>

#include "record/charset.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"

using namespace tolvane;
using test::Fixture;

namespace {

QString cells(const Fixture& f, int first, int last, int column = 2) {
  QStringList out;
  for (int row = first; row <= last; ++row) out << f.cell(row, column);
  return out.join(',');
}

bool marked(const QLineEdit* box) {
  return !box->toolTip().isEmpty() && box->palette().color(QPalette::Text) == QColor(Qt::red);
}

}  // namespace

class IdentityEditorTest : public QObject {
  Q_OBJECT
 private slots:
  void yearWritesBytes9And10_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<bool>("refused");
    QTest::newRow("1944") << "1944"
                          << "152,7" << false;
    QTest::newRow("0") << "0"
                       << "0,0" << false;
    QTest::newRow("empty") << ""
                           << "0,0" << false;
    QTest::newRow("65535") << "65535"
                           << "255,255" << false;
    // A text that is not one number as a whole is refused, not read as its leading number.
    QTest::newRow("19x4") << "19x4"
                          << "19x4,19x4" << true;
    QTest::newRow("abc") << "abc"
                         << "abc,abc" << true;
    QTest::newRow("-0") << "-0"
                        << "0,0" << false;
    QTest::newRow("65536") << "65536"
                           << "0,256" << true;
    QTest::newRow("-1") << "-1"
                        << "255,-1" << true;
    QTest::newRow("12.5") << "12.5"
                          << "12.5,0" << false;
    QTest::newRow("1E999") << "1E999"
                           << "nan,inf" << true;
    QTest::newRow("4294967296") << "4294967296"
                                << "0,16777216" << true;
  }
  void yearWritesBytes9And10() {
    QFETCH(QString, typed);
    QFETCH(QString, bytes);
    QFETCH(bool, refused);
    Fixture f;
    f.pick(2);
    auto* year = f.find<QLineEdit>("Text8");
    year->selectAll();
    QTest::keyClick(year, Qt::Key_Delete);
    QTest::keyClicks(year, typed);
    QCOMPARE(cells(f, 9, 10), bytes);
    QCOMPARE(marked(year), refused);
    if (typed == "12.5") QVERIFY(test::noteShown(year, "12"));
    QVERIFY(f.window->state().recordModified);
    // The crew is untouched (the load padded its cell).
    QCOMPARE(f.cell(11).trimmed(), f.cell(11, 1));
    QCOMPARE(f.cell(12), f.cell(12, 1));
  }

  void yearEnterWritesAgain() {
    Fixture f;
    f.pick(2);
    auto* year = f.find<QLineEdit>("Text8");
    year->setText("1941");
    f.setCell(9, 2, "x");
    f.setCell(10, 2, "y");
    f.window->state().recordModified = false;
    QTest::keyClick(year, Qt::Key_Return);
    QCOMPARE(cells(f, 9, 10), QString("149,7"));
    QVERIFY(f.window->state().recordModified);
    QCOMPARE(year->text(), QString("1941"));
  }

  void crewWritesItsTextIntoByte11_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::newRow("2") << "2" << false;
    QTest::newRow("255") << "255" << false;
    QTest::newRow("padded") << " 7" << false;
    QTest::newRow("empty") << "" << false;  // saved as 0, with a note
    QTest::newRow("abc") << "abc" << true;
    QTest::newRow("256") << "256" << true;
    QTest::newRow("-1") << "-1" << true;
    QTest::newRow("2.5") << "2.5" << false;
    QTest::newRow("2 men") << "2 men" << true;
    QTest::newRow("1E999") << "1E999" << true;
    QTest::newRow("4294967296") << "4294967296" << true;
  }
  void crewWritesItsTextIntoByte11() {
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    Fixture f;
    f.setRecordBytes(7, 12, {1});  // the byte after the crew is not 0
    f.pick(7);
    auto* crew = f.find<QLineEdit>("Text7");
    crew->selectAll();
    QTest::keyClick(crew, Qt::Key_Delete);
    QTest::keyClicks(crew, typed);
    const QString written = typed.isEmpty() ? QString("0") : typed;  // an empty box is 0
    QCOMPARE(f.cell(11), written);
    QCOMPARE(f.cell(12), QString("0"));  // the crew typed is the whole crew
    QCOMPARE(marked(crew), refused);
    if (typed == "2.5") QVERIFY(test::noteShown(crew, "2"));
    if (typed.isEmpty()) QVERIFY(test::noteShown(crew, "0"));
    QVERIFY(f.window->state().recordModified);

    f.setCell(11, 2, "x");
    QTest::keyClick(crew, Qt::Key_Enter);
    QCOMPARE(f.cell(11), written);
  }

  void loadFillsYearAndCrew() {
    Fixture f;
    f.setRecordBytes(4, 9, {152, 7, 2, 0});
    f.pick(4);
    QCOMPARE(f.find<QLineEdit>("Text8")->text(), QString(" 1944"));
    QCOMPARE(f.find<QLineEdit>("Text7")->text(), QString(" 2"));
    QCOMPARE(cells(f, 9, 12), QString("152,7,2,0"));
    QVERIFY(!f.window->state().recordModified);
  }

  // A crew whose byte 12 is not 0 shows both bytes in the box, but the load leaves byte 11 as
  // the file holds it, so the aircraft can be saved; only an edit of the crew writes byte 11.
  void loadOfCrewAbove255() {
    Fixture f;
    f.setRecordBytes(4, 11, {2, 1});
    f.pick(4);
    auto* crew = f.find<QLineEdit>("Text7");
    QCOMPARE(crew->text(), QString(" 258"));
    QCOMPARE(f.cell(11), QString("2"));
    QVERIFY(!f.window->controls().G1->valueCellRefused(11));
    QVERIFY(!marked(crew));
    QVERIFY(!f.window->hasUnsavedChanges());
    f.typeInGrid(74, "9");
    QVERIFY(f.window->save());
    QCOMPARE(f.fileByte(4, 11), 2);
    QCOMPARE(f.fileByte(4, 12), 1);
    QCOMPARE(f.fileByte(4, 74), 9);
    // Typing in the box writes the crew typed: byte 11, and byte 12 cleared, so that the box
    // shows the same crew after the save's reread.
    crew->selectAll();
    QTest::keyClicks(crew, "2");
    QCOMPARE(f.cell(11), QString("2"));
    QCOMPARE(f.cell(12), QString("0"));
    QVERIFY(f.window->save());
    QCOMPARE(f.fileByte(4, 11), 2);
    QCOMPARE(f.fileByte(4, 12), 0);
    QCOMPARE(crew->text().trimmed(), QString("2"));
    // A crew above 255 is refused as before.
    crew->selectAll();
    QTest::keyClicks(crew, "258");
    QVERIFY(f.window->controls().G1->valueCellRefused(11));
    QVERIFY(marked(crew));
  }

  // A code that cannot be saved is marked red with the reason as soon as it is typed, and
  // the mark goes once the text is a code again.
  void aCodeThatIsNoCodeIsMarkedAsItIsTyped_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reason");  // empty: not marked
    QTest::newRow("four") << "P51D"
                          << "";
    QTest::newRow("five") << "P51DX"
                          << "four characters";
    QTest::newRow("three") << "P51"
                           << "four characters";
    QTest::newRow("empty") << ""
                           << "four characters";
    QTest::newRow("outside the character set") << QString::fromUtf8("P5\u03a91") << "character set";
  }
  void aCodeThatIsNoCodeIsMarkedAsItIsTyped() {
    QFETCH(QString, typed);
    QFETCH(QString, reason);
    Fixture f;
    f.pick(3);
    auto* code = f.find<QLineEdit>("Text5");
    const QString loaded = code->text();
    f.typeInto("Text5", typed);
    QCOMPARE(code->toolTip().contains(reason), true);
    QCOMPARE(code->toolTip().isEmpty(), reason.isEmpty());
    QCOMPARE(code->palette().color(QPalette::Text) == QColor(Qt::red), !reason.isEmpty());
    f.typeInto("Text5", loaded);
    QVERIFY(code->toolTip().isEmpty());
  }

  void codeEnter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("bytes");  // empty: nothing written
    QTest::addColumn<QString>("error");  // the character the message names
    QTest::newRow("P51D") << "P51D"
                          << "80,53,49,68"
                          << "";
    QTest::newRow("three") << "P51"
                           << ""
                           << "";
    QTest::newRow("five") << "P51DX"
                          << ""
                          << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("Windows-1252") << QString::fromUtf8("\u20ac\u00ff\u0081\u0178")
                                  << "128,255,129,159"
                                  << "";
    QTest::newRow("no code") << QString::fromUtf8("P5\u2713D") << "" << QString::fromUtf8("\u2713");
    QTest::newRow("Latin-1 control without its place")
        << QString::fromUtf8("AB\u0080C") << "" << QString::fromUtf8("\u0080");
    QTest::newRow("outside the BMP")
        << QString::fromUtf8("P\U0001F600DE") << "" << QString::fromUtf8("\U0001F600");
  }
  void codeEnter() {
    QFETCH(QString, typed);
    QFETCH(QString, bytes);
    QFETCH(QString, error);
    Fixture f;
    f.pick(6);
    const QString loaded = cells(f, 165, 168, 1);
    const QString labels = cells(f, 165, 168, 3);
    auto* code = f.find<QLineEdit>("Text5");
    code->setText(typed);
    QCOMPARE(cells(f, 165, 168), loaded);  // typing alone writes nothing
    QVERIFY(!f.window->state().recordModified);
    QTest::keyClick(code, Qt::Key_Return);
    QCOMPARE(cells(f, 165, 168), bytes.isEmpty() ? loaded : bytes);
    QCOMPARE(f.window->state().recordModified, !bytes.isEmpty());
    QCOMPARE(cells(f, 165, 168, 3), labels);
    if (error.isEmpty()) {
      QVERIFY(f.prompter.errors.isEmpty());
    } else {
      QCOMPARE(f.prompter.errors.size(), 1);
      QVERIFY2(f.prompter.errors[0].contains('"' + error + '"'), qPrintable(f.prompter.errors[0]));
    }
  }

  // A changed code is a pending edit: picking another aircraft saves it into its own slot.
  void changedCodeIsSavedByThePick() {
    Fixture f;
    const QByteArray before = f.folder.bytes();
    f.pick(6);
    auto* code = f.find<QLineEdit>("Text5");
    code->setText("ZX9Q");
    QTest::keyClick(code, Qt::Key_Return);
    f.pick(8);
    QVERIFY(f.prompter.errors.isEmpty());
    QByteArray expected = before;
    expected.replace(static_cast<int>(record::bytePosition(6, 165) - 1), 4, "ZX9Q");
    QCOMPARE(f.folder.bytes(), expected);
    QCOMPARE(f.fileByte(6, 165), int('Z'));
  }

  // Every byte 0..255 loads into the code box and goes back unchanged on Enter, the zero
  // byte and the control characters included.
  void everyCodeByteRoundTrips() {
    Fixture f;
    auto* code = f.find<QLineEdit>("Text5");
    for (int first = 0; first < 256; first += 4) {
      const int slot = (first / 4) % 2;
      f.setRecordBytes(slot, 165, {first, first + 1, first + 2, first + 3});
      f.pick(slot);
      QCOMPARE(code->text().size(), 4);
      QCOMPARE(code->text().at(1).unicode(),
               static_cast<char16_t>(record::charFromByte(static_cast<std::uint8_t>(first + 1))));
      QTest::keyClick(code, Qt::Key_Return);
      QCOMPARE(cells(f, 165, 168), cells(f, 165, 168, 1));
      QVERIFY(f.prompter.errors.isEmpty());
      f.window->state().recordModified = false;
    }
  }

  void loadedZeroByteIsKept() {
    Fixture f;
    f.setRecordBytes(3, 165, {'A', 0, 'B', 'C'});
    f.pick(3);
    auto* code = f.find<QLineEdit>("Text5");
    QCOMPARE(code->text(), QString::fromUtf16(u"A\0BC", 4));
    QCOMPARE(f.cell(166, 3), QString(QChar(0)));
    QTest::keyClick(code, Qt::Key_Return);
    QCOMPARE(cells(f, 165, 168), QString("65,0,66,67"));
  }
};

QTEST_MAIN(IdentityEditorTest)
#include "test_identity_editor.moc"
