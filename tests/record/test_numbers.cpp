// The number rules: reading box texts, writing cell texts, splitting values into bytes and
// the strict reading that saving does. Hostile texts must never crash or reach the file.
#include <QTest>
#include <cmath>
#include <string>

#include "record/numbers.h"

using namespace tolvane::record;

class NumbersTest : public QObject {
  Q_OBJECT
 private slots:
  void readNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "36000" << 36000.0;
    QTest::newRow("leading blank") << " 1944" << 1944.0;
    QTest::newRow("tabs and line feeds") << "\t\n 12" << 12.0;
    QTest::newRow("trailing text") << "250mph" << 250.0;
    QTest::newRow("inner text") << "19x4" << 19.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("negative") << "-5" << -5.0;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("fraction") << "12.5" << 12.5;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("exponent E") << "1E3" << 1000.0;
    QTest::newRow("exponent D") << "2D2" << 200.0;
    QTest::newRow("exponent lower") << "3e1x" << 30.0;
    QTest::newRow("exponent without digits") << "5E" << 5.0;
    QTest::newRow("exponent sign without digits") << "5E-" << 5.0;
    QTest::newRow("negative exponent") << "25E-1" << 2.5;
    QTest::newRow("nan is not a number") << "nan" << 0.0;
    QTest::newRow("inf is not a number") << "inf" << 0.0;
    QTest::newRow("carriage return is not skipped") << "\r5" << 0.0;
    QTest::newRow("minus zero") << "-0" << 0.0;
    QTest::newRow("underflow") << "1E-999" << 0.0;
    QTest::newRow("zero mantissa huge exponent") << "0E999999" << 0.0;
  }
  void readNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double value = tolvane::record::readNumber(text.toStdString());
    QCOMPARE(value, expected);
    QVERIFY(!std::signbit(value) || expected < 0);
  }

  void overflowReadsAsInfinity_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("sign");
    QTest::newRow("1E999") << "1E999" << 1.0;
    QTest::newRow("-1D999") << "-1D999" << -1.0;
    QTest::newRow("huge exponent") << "7E99999999999999999999" << 1.0;
    QTest::newRow("5000 digits") << QString(5000, '9') << 1.0;
    QTest::newRow("fraction digits then exponent") << "0.000001E400" << 1.0;
  }
  void overflowReadsAsInfinity() {
    QFETCH(QString, text);
    QFETCH(double, sign);
    const double value = tolvane::record::readNumber(text.toStdString());
    QVERIFY(std::isinf(value));
    QCOMPARE(value > 0 ? 1.0 : -1.0, sign);
  }

  void numberToText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("minus zero") << -0.0 << "0";
    QTest::newRow("byte") << 255.0 << "255";
    QTest::newRow("negative") << -1.0 << "-1";
    QTest::newRow("fraction") << 12.5 << "12.5";
    QTest::newRow("kph") << 57934 * 0.01 << "579.34";
    QTest::newRow("fifteen digits") << 1000.0 / 21.0 << "47.6190476190476";
    QTest::newRow("large fraction") << 4294967295.0 / 21.0 << "204522252.142857";
    QTest::newRow("max 32-bit") << 4294967295.0 << "4294967295";
    QTest::newRow("exponent") << 1e16 << "1E+16";
    QTest::newRow("small") << 0.0001 << "0.0001";
    QTest::newRow("infinity") << HUGE_VAL << "inf";
    QTest::newRow("nan") << std::nan("") << "nan";
  }
  void numberToText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(tolvane::record::numberToText(value)), text);
  }

  void signPadded() {
    QCOMPARE(QString::fromStdString(tolvane::record::signPadded(1)), QString(" 1"));
    QCOMPARE(QString::fromStdString(tolvane::record::signPadded(0)), QString(" 0"));
    QCOMPARE(QString::fromStdString(tolvane::record::signPadded(-3)), QString("-3"));
  }

  void split32_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("parts");
    QTest::newRow("36000") << 36000.0 << "160 140 0 0";
    QTest::newRow("66000000") << 66000000.0 << "128 20 239 3";
    QTest::newRow("max") << 4294967295.0 << "255 255 255 255";
    QTest::newRow("one") << 1.0 << "1 0 0 0";
    QTest::newRow("negative has a negative top") << -1.0 << "255 255 255 -1";
    QTest::newRow("too large") << 4294967296.0 << "0 0 0 256";
    QTest::newRow("fraction stays low") << 12.5 << "12.5 0 0 0";
  }
  void split32() {
    QFETCH(double, value);
    QFETCH(QString, parts);
    QStringList texts;
    for (double p : tolvane::record::split32(value)) {
      texts << QString::fromStdString(tolvane::record::numberToText(p));
    }
    QCOMPARE(texts.join(' '), parts);
  }

  void split16() {
    const auto a = tolvane::record::split16(1944);
    QCOMPARE(a[0], 152.0);
    QCOMPARE(a[1], 7.0);
    const auto b = tolvane::record::split16(300);
    QCOMPARE(b[0], 44.0);
    QCOMPARE(b[1], 1.0);
  }

  void cellByte_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("byte");  // -1: refused
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("leading blank") << " 12" << 12;
    QTest::newRow("trailing blank") << "12 " << 12;
    QTest::newRow("tie to even down") << "2.5" << 2;
    QTest::newRow("tie to even up") << "3.5" << 4;
    QTest::newRow("rounds into range") << "255.4" << 255;
    QTest::newRow("rounds out of range") << "255.5" << -1;
    QTest::newRow("small negative rounds to zero") << "-0.4" << 0;
    QTest::newRow("exponent form") << "1E-05" << 0;
    QTest::newRow("256") << "256" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("blank") << " " << -1;
    QTest::newRow("text") << "abc" << -1;
    QTest::newRow("trailing text") << "12abc" << -1;
    QTest::newRow("infinity") << "inf" << -1;
    QTest::newRow("nan") << "nan" << -1;
    QTest::newRow("overflow") << "1E999" << -1;
    QTest::newRow("two numbers") << "1 2" << -1;
    QTest::newRow("a code character") << "A" << -1;
  }
  void cellByte() {
    QFETCH(QString, text);
    QFETCH(int, byte);
    const auto parsed = tolvane::record::cellByte(text.toStdString());
    QCOMPARE(parsed ? int(*parsed) : -1, byte);
  }

  void cellPosition_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("position");  // -1: refused
    QTest::newRow("5") << "5" << 5LL;
    QTest::newRow("6436") << "6436" << 6436LL;
    QTest::newRow("blanks") << " 221 " << 221LL;
    QTest::newRow("zero") << "0" << -1LL;
    QTest::newRow("empty") << "" << -1LL;
    QTest::newRow("fraction") << "5.5" << -1LL;
    QTest::newRow("beyond 32 bits") << "2147483648" << -1LL;
    QTest::newRow("huge") << "99999999999999999999999" << -1LL;
  }
  void cellPosition() {
    QFETCH(QString, text);
    QFETCH(qlonglong, position);
    const auto parsed = tolvane::record::cellPosition(text.toStdString());
    QCOMPARE(parsed ? qlonglong(*parsed) : -1LL, position);
  }
};

QTEST_APPLESS_MAIN(NumbersTest)
#include "test_numbers.moc"
