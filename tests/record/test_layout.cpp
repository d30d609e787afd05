// Record positions, slot names and the grid's row labels.
#include <QTest>

#include "record/charset.h"
#include "record/layout.h"

using namespace tolvane::record;

class LayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void positions() {
    QCOMPARE(bytePosition(0, 1), 5);
    QCOMPARE(bytePosition(0, 168), 172);
    QCOMPARE(bytePosition(1, 1), 221);
    QCOMPARE(bytePosition(29, 1), 6269);
    QCOMPARE(bytePosition(29, 168), 6436);
    QCOMPARE(kLastRecordPosition, 6436);
    QCOMPARE(kFullFileBytes, 6484);
  }

  void slotNames() {
    const auto& names = tolvane::record::slotNames();
    QCOMPARE(QString(names[0]), QString("P-38H"));
    QCOMPARE(QString(names[5]), QString("P51-D"));
    QCOMPARE(QString(names[7]), QString("B-24D"));
    QCOMPARE(QString(names[29]), QString("V1 Doodlebug"));
  }

  void rowLabels_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("label");
    QTest::newRow("1") << 1 << "Pln No";
    QTest::newRow("2") << 2 << "";
    QTest::newRow("5") << 5 << "Pln chr";
    QTest::newRow("10") << 10 << "";
    QTest::newRow("69") << 69 << "Collision Radius";
    QTest::newRow("73") << 73 << "Hydraulics";
    QTest::newRow("84") << 84 << "Engine 4";
    QTest::newRow("85") << 85 << "Gun Groups";
    QTest::newRow("86") << 86 << "";
    QTest::newRow("89") << 89 << " 1 Number";
    QTest::newRow("90") << 90 << "";
    QTest::newRow("91") << 91 << " 1 Position";
    QTest::newRow("101") << 101 << " 2 Number";
    QTest::newRow("143") << 143 << " 5 Ammunition";
    QTest::newRow("159") << 159 << " 6 Smoke";
    QTest::newRow("160") << 160 << "";
    QTest::newRow("161") << 161 << "MB 1";
    QTest::newRow("164") << 164 << "MB 4";
    QTest::newRow("165") << 165 << "";
  }
  void rowLabels() {
    QFETCH(int, row);
    QFETCH(QString, label);
    QCOMPARE(QString::fromStdString(rowLabel(row)), label);
  }

  void byteEditorRows() {
    QString rows;
    for (int r = 0; r <= 168; ++r) {
      if (isByteEditorRow(r)) rows += QString::number(r) + ' ';
    }
    QCOMPARE(rows.trimmed(), QString("73 74 75 76 77 78 79 80 81 82 83 84 161 162 163 164"));
  }

  // Every byte maps to one character and back, the five unassigned codes included.
  void charsetRoundTrip() {
    for (int b = 0; b < 256; ++b) {
      const auto back = byteFromChar(charFromByte(static_cast<std::uint8_t>(b)));
      QVERIFY2(back && *back == b, qPrintable(QString::number(b)));
    }
    QCOMPARE(int(charFromByte(0x80)), 0x20AC);
    QCOMPARE(int(charFromByte(129)), 129);
    QVERIFY(!byteFromChar(U'\u4E00'));
    QVERIFY(!byteFromChar(0x80));  // U+0080 is not in the set; the euro sign holds byte 128
  }
};

QTEST_APPLESS_MAIN(LayoutTest)
#include "test_layout.moc"
