// The field table without a window: every byte in one field, the rows and boxes of the fields,
// the rows a typed box writes, the unit conversions and the texts made from them.
#include <QString>
#include <QTest>
#include <cmath>
#include <set>
#include <string>

#include "record/fields.h"
#include "record/record_diff.h"

using namespace tolvane::record;
using Kind = Field::Kind;

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Unit)

namespace {

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

const Field& named(const char* name) {
  for (const Field& field : allFields()) {
    if (field.name == name) return field;
  }
  qFatal("no field %s", name);
}

}  // namespace

class FieldsTest : public QObject {
  Q_OBJECT
 private slots:
  void everyRowBelongsToExactlyOneField() {
    std::array<int, kRecordBytes + 1> owners{};
    int next = 1;
    for (const Field& field : allFields()) {
      // In the order of their rows, with no gap.
      QCOMPARE(field.firstRow, next);
      next = field.lastRow() + 1;
      for (int row = field.firstRow; row <= field.lastRow(); ++row) {
        ++owners[static_cast<std::size_t>(row)];
        QCOMPARE(&fieldOfRow(row), &field);
      }
    }
    QCOMPARE(next, kRecordBytes + 1);
    for (int row = 1; row <= kRecordBytes; ++row) {
      QCOMPARE(owners[row], 1);
      // The byte editor's rows agree with the layout's.
      QCOMPARE(fieldOfRow(row).editedInGrid(), isByteEditorRow(row));
    }
  }

  void fieldsHaveTheirRowsKindUnitAndBox_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Unit>("unit");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("group");
    QTest::newRow("pln no") << 2 << "Pln No, byte 2" << 2 << 1 << Kind::Raw << Unit::None << ""
                            << 0;
    QTest::newRow("flags 8") << 8 << "Flags (byte 8)" << 8 << 1 << Kind::Flags << Unit::None
                             << "Check4" << 0;
    QTest::newRow("year high") << 10 << "Year" << 9 << 2 << Kind::Number << Unit::None << "Text8"
                               << 0;
    QTest::newRow("crew") << 11 << "Crew" << 11 << 1 << Kind::Number << Unit::None << "Text7" << 0;
    QTest::newRow("crew high") << 12 << "Crew, high byte" << 12 << 1 << Kind::Raw << Unit::None
                               << "" << 0;
    QTest::newRow("stall") << 13 << "Stall speed" << 13 << 4 << Kind::Number << Unit::Speed
                           << "Text3(0)" << 0;
    QTest::newRow("max speed") << 28 << "Max speed" << 25 << 4 << Kind::Number << Unit::Speed
                               << "Text3(3)" << 0;
    QTest::newRow("empty wt") << 29 << "Empty wt" << 29 << 4 << Kind::Number << Unit::Weight
                              << "Text3(4)" << 0;
    QTest::newRow("fuel burn") << 33 << "Fuel burn rate" << 33 << 4 << Kind::Number << Unit::None
                               << "Text3(5)" << 0;
    QTest::newRow("range") << 41 << "Max range" << 41 << 4 << Kind::Number << Unit::Range
                           << "Text3(7)" << 0;
    QTest::newRow("collision") << 72 << "Collision radius" << 69 << 4 << Kind::Number
                               << Unit::Length << "Text3(14)" << 0;
    QTest::newRow("hydraulics") << 73 << "Hydraulics damage" << 73 << 1 << Kind::Raw << Unit::None
                                << "Text4" << 0;
    QTest::newRow("count") << 85 << "Gun groups" << 85 << 1 << Kind::Number << Unit::None << "Text6"
                           << 0;
    QTest::newRow("byte 88") << 88 << "Byte 88" << 88 << 1 << Kind::Raw << Unit::None << "" << 0;
    QTest::newRow("group 1 number")
        << 89 << "Gun group 1 number" << 89 << 1 << Kind::Number << Unit::None << "Text1" << 1;
    QTest::newRow("group 3 damage") << 118 << "Gun group 3 damage" << 117 << 2 << Kind::Number
                                    << Unit::None << "Gundamage" << 3;
    QTest::newRow("group 6 sound")
        << 157 << "Gun group 6 sound" << 157 << 1 << Kind::Code << Unit::None << "Label5" << 6;
    QTest::newRow("group 6 last") << 160 << "Gun group 6 byte 160" << 160 << 1 << Kind::Raw
                                  << Unit::None << "" << 6;
    QTest::newRow("mb 4") << 164 << "MB 4" << 164 << 1 << Kind::Raw << Unit::None << "Text4" << 0;
    QTest::newRow("code") << 168 << "Code" << 165 << 4 << Kind::Text << Unit::None << "Text5" << 0;
  }
  void fieldsHaveTheirRowsKindUnitAndBox() {
    QFETCH(int, row);
    const Field& field = fieldOfRow(row);
    QTEST(q(field.name), "name");
    QTEST(field.firstRow, "first");
    QTEST(field.bytes, "bytes");
    QTEST(field.kind, "kind");
    QTEST(field.unit, "unit");
    QTEST(q(field.box), "box");
    QTEST(field.gunGroup, "group");
  }

  // Each box writes one field (in each gun group), and the box finds that field again.
  void eachBoxFindsItsOwnField() {
    std::set<std::pair<std::string, int>> seen;
    for (const Field& field : allFields()) {
      if (field.box.empty() || field.editedInGrid()) continue;
      QVERIFY2(seen.insert({field.box, field.gunGroup}).second, field.box.c_str());
      QCOMPARE(fieldOfBox(field.box, field.gunGroup), &field);
    }
    QCOMPARE(fieldOfBox("Text1", 0), nullptr);  // a group's box without a chosen group
    QCOMPARE(fieldOfBox("Text9"), nullptr);     // the Script Maker's name box
    QCOMPARE(fieldOfBox(kByteEditorBox)->firstRow, 73);
  }

  void typedBoxesWriteTheirFieldsRows_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("rows");  // every row 1..168 that typing in the box writes
    QTest::newRow("max speed") << "Text3(3)" << 0 << "25 26 27 28";
    QTest::newRow("year") << "Text8" << 0 << "9 10";
    QTest::newRow("crew and its high byte, which it clears") << "Text7" << 0 << "11 12";
    QTest::newRow("count") << "Text6" << 0 << "85";
    QTest::newRow("number, group 2") << "Text1" << 2 << "101";
    QTest::newRow("ammunition, group 6") << "Text2" << 6 << "155 156";
    QTest::newRow("damage picks the sound") << "Gundamage" << 1 << "93 94 97";
    QTest::newRow("no group chosen") << "Gundamage" << 0 << "";
    QTest::newRow("code is committed") << "Text5" << 0 << "";
    QTest::newRow("byte editor commits") << "Text4" << 0 << "";
    QTest::newRow("smoke is clicked") << "smoke" << 1 << "";
    QTest::newRow("flags are clicked") << "Check1" << 0 << "";
    QTest::newRow("no box") << "" << 0 << "";
  }
  void typedBoxesWriteTheirFieldsRows() {
    QFETCH(QString, box);
    QFETCH(int, group);
    QStringList rows;
    for (int row = 0; row <= kRecordBytes + 1; ++row) {
      if (typedRow(box.toStdString(), group, row)) rows << QString::number(row);
    }
    QTEST(rows.join(' '), "rows");
  }

  void conversionsBothWays_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("converted");
    QTest::addColumn<double>("expected");
    QTest::newRow("mph to km/h") << 100.0 << mphToKmh(100.0) << 160.93;
    QTest::newRow("km/h to mph") << 160.93 << kmhToMph(160.93) << 100.0;
    QTest::newRow("miles to km") << 500.0 << milesToKm(500.0) << 804.65;
    QTest::newRow("km to miles") << 804.65 << kmToMiles(804.65) << 500.0;
    QTest::newRow("feet to metres") << 100.0 << feetToMetres(100.0) << 30.48;
    QTest::newRow("metres to feet") << 30.48 << metresToFeet(30.48) << 100.0;
    QTest::newRow("lb to kg") << 1000.0 << poundsToKg(1000.0) << 453.6;
    QTest::newRow("kg to lb") << 453.6 << kgToPounds(453.6) << 1000.0;
    QTest::newRow("stored speed in mph") << 36000.0 << toPlayerUnit(Unit::Speed, 36000.0) << 360.0;
    QTest::newRow("mph stored") << 360.0 << fromPlayerUnit(Unit::Speed, 360.0) << 36000.0;
    QTest::newRow("stored length in ft") << 2100.0 << toPlayerUnit(Unit::Length, 2100.0) << 100.0;
    QTest::newRow("stored range in miles")
        << 66000000.0 << toPlayerUnit(Unit::Range, 66000000.0) << 500.0;
    QTest::newRow("stored range in km")
        << 66000000.0 << toMetric(Unit::Range, 66000000.0) << 804.65;
    QTest::newRow("km stored") << 804.65 << fromMetric(Unit::Range, 804.65) << 66000000.0;
    QTest::newRow("kg stored") << 453.6 << fromMetric(Unit::Weight, 453.6) << 1000.0;
    QTest::newRow("no unit") << 1942.0 << toMetric(Unit::None, 1942.0) << 1942.0;
  }
  void conversionsBothWays() {
    QFETCH(double, converted);
    QFETCH(double, expected);
    QVERIFY2(std::fabs(converted - expected) <= 1e-9 * std::fabs(expected),
             qPrintable(QString::number(converted, 'g', 17)));
  }

  // The window's captions, to the character: sign-padded, cut (never rounded up).
  void captionsAsTheWindowShowsThem_data() {
    QTest::addColumn<Unit>("unit");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("caption");
    QTest::newRow("speed") << Unit::Speed << 36000.0 << " 579.34 kph";
    QTest::newRow("speed 0") << Unit::Speed << 0.0 << " 0 kph";
    QTest::newRow("speed fraction") << Unit::Speed << 12.5 << " 0.2 kph";
    QTest::newRow("speed negative") << Unit::Speed << -1.0 << "-0.02 kph";
    QTest::newRow("speed max") << Unit::Speed << 4294967295.0 << " 69118908.67 kph";
    QTest::newRow("length") << Unit::Length << 2100.0 << " 100ft/ 30.4m";
    QTest::newRow("length 0") << Unit::Length << 0.0 << " 0ft/ 0m";
    QTest::newRow("length fraction") << Unit::Length << 1000.0 << " 47.6190476190476ft/ 14.5m";
    QTest::newRow("length max") << Unit::Length << 4294967295.0
                                << " 204522252.142857ft/ 62338382.4m";
    QTest::newRow("range") << Unit::Range << 66000000.0 << " 500 Miles / 804Km";
    QTest::newRow("range 0") << Unit::Range << 0.0 << " 0 Miles / 0Km";
    QTest::newRow("range under a mile") << Unit::Range << 131999.0 << " 0 Miles / 1Km";
    QTest::newRow("range max") << Unit::Range << 4294967295.0 << " 32537 Miles / 52362Km";
    QTest::newRow("weight") << Unit::Weight << 7000.0 << " 3175 Kg";
    QTest::newRow("weight 0") << Unit::Weight << 0.0 << " 0 Kg";
    QTest::newRow("weight max") << Unit::Weight << 4294967295.0 << " 1948197165 Kg";
    QTest::newRow("weight overflow") << Unit::Weight << HUGE_VAL << " inf Kg";
    QTest::newRow("no unit") << Unit::None << 5.0 << "";
  }
  void captionsAsTheWindowShowsThem() {
    QFETCH(Unit, unit);
    QFETCH(double, stored);
    QTEST(q(unitCaption(unit, stored)), "caption");
  }

  void valuesInThePlayersTerms_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<qulonglong>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("speed") << "Max speed" << 39022ull << "390.22 mph (627.98 km/h)";
    QTest::newRow("speed 0") << "Stall speed" << 0ull << "0 mph (0 km/h)";
    QTest::newRow("speed max") << "Max speed" << 4294967295ull
                               << "42949672.95 mph (69118908.67 km/h)";
    QTest::newRow("view") << "Close view" << 2100ull << "100 ft (30.4 m)";
    QTest::newRow("view fraction") << "Far view" << 1000ull << "47.6190476190476 ft (14.5 m)";
    QTest::newRow("range") << "Max range" << 66000000ull << "500 miles (804 km)";
    QTest::newRow("range under a mile")
        << "Max range" << 131999ull << "0.999992424242424 miles (1 km)";
    QTest::newRow("weight") << "Empty wt" << 7000ull << "7000 lb (3175 kg)";
    QTest::newRow("no unit") << "Fuel burn rate" << 12ull << "12";
    QTest::newRow("year") << "Year" << 1942ull << "1942";
    QTest::newRow("flags") << "Flags (byte 5)" << 53ull
                           << "53 (Fighter, Flyable, Twin engined, Four engined)";
    QTest::newRow("no flags") << "Flags (byte 6)" << 0ull << "0 (none)";
    QTest::newRow("all flags") << "Flags (byte 7)" << 255ull
                               << "255 (Counter rotating props, Counter clockwise prop, Gravity "
                                  "fed carburettor, Not used, Dive bomber, Attack plane, Turn "
                                  "fighter, Energy fighter)";
    // Byte 8's bits 6 and 7 have no box and are named by their numbers.
    QTest::newRow("bits without a box")
        << "Flags (byte 8)" << 209ull << "209 (Defensive gun, Light Armour, bit 6, bit 7)";
  }
  void valuesInThePlayersTerms() {
    QFETCH(QString, field);
    QFETCH(qulonglong, value);
    QTEST(q(playerText(named(field.toUtf8().constData()), value)), "text");
  }

  // The flag bits are named as the window's check boxes have always been captioned; the window
  // and the command line take the names from here.
  void flagBitsHaveTheBoxesNames_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("byte 5") << "Flags (byte 5)"
                            << QStringList{"Fighter",      "Bomber",       "Flyable",     "Jet",
                                           "Twin engined", "Four engined", "Rocket (V1)", "German"};
    QTest::newRow("byte 6") << "Flags (byte 6)"
                            << QStringList{"British",       "American",  "Inline engine",
                                           "Not used",      "Gear Back", "Gear Inwards",
                                           "Gear Outwards", "Nose wheel"};
    QTest::newRow("byte 7") << "Flags (byte 7)"
                            << QStringList{"Counter rotating props",
                                           "Counter clockwise prop",
                                           "Gravity fed carburettor",
                                           "Not used",
                                           "Dive bomber",
                                           "Attack plane",
                                           "Turn fighter",
                                           "Energy fighter"};
    QTest::newRow("byte 8") << "Flags (byte 8)"
                            << QStringList{"Defensive gun",   "Multi crewed", "Combat flaps",
                                           "Automatic slats", "Light Armour", "Heavy armour",
                                           "bit 6",           "bit 7"};
  }
  void flagBitsHaveTheBoxesNames() {
    QFETCH(QString, field);
    QFETCH(QStringList, names);
    const Field& flags = named(field.toUtf8().constData());
    QStringList got;
    for (int bit = 0; bit < 8; ++bit) got << q(bitName(flags, bit));
    QCOMPARE(got, names);
    // Only the bits with a box have a name of their own.
    int boxes = 0;
    for (const std::string& name : flags.bitNames) boxes += name.empty() ? 0 : 1;
    QCOMPARE(boxes, field.endsWith("8)") ? 6 : 8);
  }

  // A flag byte's change names the boxes that go off, then those that come on, as the
  // script preview shows it.
  void flagChangesNameTheBoxes_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("text");
    QTest::newRow("one pair swapped") << 8 << 19 << 35
                                      << QString::fromUtf8(
                                             "Flags (byte 8) 19 \u2192 35: Light Armour \u2192 "
                                             "Heavy armour");
    QTest::newRow("only on, a bit without a box")
        << 8 << 0 << 65
        << QString::fromUtf8(
               "Flags (byte 8) 0 \u2192 65: none \u2192 Defensive "
               "gun, bit 6");
    QTest::newRow("only off") << 5 << 3 << 0
                              << QString::fromUtf8(
                                     "Flags (byte 5) 3 \u2192 0: Fighter, Bomber "
                                     "\u2192 none");
  }
  void flagChangesNameTheBoxes() {
    QFETCH(int, row);
    QFETCH(int, before);
    QFETCH(int, after);
    RecordBytes a{};
    RecordBytes b{};
    a[static_cast<std::size_t>(row - 1)] = static_cast<std::uint8_t>(before);
    b[static_cast<std::size_t>(row - 1)] = static_cast<std::uint8_t>(after);
    QTEST(q(changeText(fieldOfRow(row), a, b)), "text");
  }

  // From a record's bytes: little-endian numbers, the code's characters, the plain texts of
  // the changed-by-another-program question.
  void valuesFromBytes() {
    RecordBytes bytes{};
    bytes[8] = 158;  // Year 1950 = 7 * 256 + 158
    bytes[9] = 7;
    for (int k = 0; k < 4; ++k) bytes[static_cast<std::size_t>(24 + k)] = 0xFF;  // Max speed
    const char* code = "B24\xC9";  // É in the game's character set
    for (int k = 0; k < 4; ++k) {
      bytes[static_cast<std::size_t>(164 + k)] = static_cast<std::uint8_t>(code[k]);
    }
    QCOMPARE(fieldValue(named("Year"), bytes), 1950u);
    QCOMPARE(q(fieldValueText(named("Year"), bytes)), QString("1950"));
    QCOMPARE(fieldValue(named("Max speed"), bytes), 4294967295u);
    QCOMPARE(q(playerText(named("Max speed"), bytes)),
             QString("42949672.95 mph (69118908.67 km/h)"));
    QCOMPARE(q(fieldValueText(named("Code"), bytes)), QString::fromUtf8("B24\u00C9"));
    QCOMPARE(q(playerText(named("Code"), bytes)), QString::fromUtf8("B24\u00C9"));
    QCOMPARE(named("Year").highest(), 65535.0);
    QCOMPARE(named("Max speed").highest(), 4294967295.0);
  }
};

QTEST_APPLESS_MAIN(FieldsTest)
#include "test_fields.moc"
