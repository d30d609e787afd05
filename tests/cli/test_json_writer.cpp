// The JSON that `show --json` writes straight as text must be byte for byte what QJsonDocument
// prints for the same values: the JSON of `show` and `diff` is one format, and scripts that
// read it must not see a number or an escape change.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <cmath>
#include <limits>

#include "cli/json_writer.h"
#include "cli/record_text.h"
#include "record/demo_data.h"
#include "record/fields.h"
#include "record/layout.h"

using tolvane::cli::JsonWriter;
using tolvane::record::demoRecord;
using tolvane::record::kRecordBytes;
using tolvane::record::kSlotCount;
using tolvane::record::RecordBytes;

namespace {

QByteArray qtText(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray writerText(const JsonWriter& json) {
  return QByteArray::fromStdString(json.text());
}

}  // namespace

class TestJsonWriter : public QObject {
  Q_OBJECT

 private slots:
  void numbersAsQtPrintsThem_data() {
    QTest::addColumn<double>("number");
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             628.0,
                             390.22,
                             627.98,
                             0.1 + 0.2,
                             1.0 / 3.0,
                             0.0001,
                             0.00001,
                             0.000123456,
                             1e-300,
                             5e-324,
                             123456.0,
                             1e5,
                             1e15,
                             -1e15,
                             2.5e15,
                             9e15,
                             9007199254740992.0,
                             -9007199254740992.0,
                             9.1e15,
                             -9.1e15,
                             1e16,
                             1e20,
                             1e21,
                             264000000.0,
                             123456789012345680000.0,
                             4294967295.0,
                             2147483648.0,
                             9007199254740993.0,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (const double v : values) QTest::newRow(QByteArray::number(v, 'g', 17)) << v;
  }
  void numbersAsQtPrintsThem() {
    QFETCH(double, number);
    JsonWriter json;
    json.beginObject();
    json.key("v");
    json.value(number);
    json.endObject();
    QCOMPARE(writerText(json), qtText(QJsonObject{{"v", number}}));
  }

  void stringsAsQtEscapesThem_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("plain") << QByteArray("B-24D");
    QTest::newRow("quote and backslash") << QByteArray("a\"b\\c/d");
    QTest::newRow("named controls") << QByteArray("\b\f\n\r\t");
    QTest::newRow("other controls and DEL") << QByteArray("\x01\x1f\x7f", 3);
    QTest::newRow("NUL inside") << QByteArray("a\0b", 3);
    QTest::newRow("arrow and accents") << QByteArray("390 mph \u2192 km/h \u00e9\u00df");
    QTest::newRow("outside the BMP") << QByteArray("\U0001F680");
    QTest::newRow("not UTF-8") << QByteArray("a\xff\xfe z\xc3");
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf");
  }
  void stringsAsQtEscapesThem() {
    QFETCH(QByteArray, utf8);
    JsonWriter json;
    json.beginObject();
    json.key("s");
    json.value(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    json.key("t");
    json.value(QString::fromUtf8(utf8));
    json.endObject();
    const QString text = QString::fromStdString(utf8.toStdString());
    QCOMPARE(writerText(json), qtText(QJsonObject{{"s", text}, {"t", text}}));
  }

  void emptyAndNestedContainers() {
    JsonWriter json;
    json.beginObject();
    json.key("a");
    json.beginArray();
    json.endArray();
    json.key("b");
    json.beginObject();
    json.endObject();
    json.key("c");
    json.beginArray();
    json.beginArray();
    json.value(1);
    json.endArray();
    json.beginObject();
    json.key("x");
    json.value(std::int64_t{-4294967296});
    json.endObject();
    json.endArray();
    json.endObject();
    const QJsonObject object{{"a", QJsonArray()},
                             {"b", QJsonObject()},
                             {"c", QJsonArray{QJsonArray{1}, QJsonObject{{"x", -4294967296LL}}}}};
    QCOMPARE(writerText(json), qtText(object));
  }

  // Every field of every demo aircraft, and records of extreme bytes: all zero, all 255, and
  // each byte different, which sets every flag and gives every unit its largest values.
  void recordsAsQtPrintsThem_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("bytes");
    for (int slot = 0; slot < kSlotCount; ++slot) {
      const RecordBytes r = demoRecord(slot);
      QTest::newRow(qPrintable(QString::fromStdString(tolvane::cli::aircraftName(slot))))
          << slot << QByteArray(reinterpret_cast<const char*>(r.data()), kRecordBytes);
    }
    QByteArray counting(kRecordBytes, '\0');
    for (int i = 0; i < kRecordBytes; ++i) counting[i] = static_cast<char>(i * 37 + 11);
    QTest::newRow("all zero") << 0 << QByteArray(kRecordBytes, '\0');
    QTest::newRow("all 255") << 29 << QByteArray(kRecordBytes, '\xff');
    QTest::newRow("every byte different") << 13 << counting;
  }
  void recordsAsQtPrintsThem() {
    QFETCH(int, slot);
    QFETCH(QByteArray, bytes);
    RecordBytes record{};
    std::copy(bytes.begin(), bytes.end(), record.begin());
    JsonWriter json;
    json.beginObject();
    json.key("aircraft");
    json.beginArray();
    tolvane::cli::writeRecordJson(json, slot, record);
    json.endArray();
    json.endObject();
    const QJsonObject object{{"aircraft", QJsonArray{tolvane::cli::recordJson(slot, record)}}};
    QCOMPARE(writerText(json), qtText(object));
  }
};

QTEST_GUILESS_MAIN(TestJsonWriter)
#include "test_json_writer.moc"
