// Reading a script back: what is refused, with the line it is about, and that a script the
// writer made reads back to the record, slot and description it was made from.
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "record/charset.h"
#include "script/native_path.h"
#include "script/script_reader.h"
#include "script/script_writer.h"

using namespace tolvane::script;

namespace {

// A script of values 0, 1, 2, ... with LF or CR LF line ends, a slot and a description.
QByteArray script(const QByteArray& end = "\r\n", const QByteArray& slot = "7",
                  const QByteArray& description = "About it") {
  QByteArray bytes = "P51-D             " + end + slot + end;
  for (int i = 0; i < kScriptValueLines; ++i) bytes += QByteArray::number(i % 256) + end;
  return bytes + description + end;
}

// The script with line n (from 1) replaced.
QByteArray withLine(int n, const QByteArray& text) {
  QList<QByteArray> lines = script().split('\n');
  lines[n - 1] = text + "\r";
  return lines.join('\n');
}

QByteArray firstLines(int n) {
  QList<QByteArray> lines = script().split('\n');
  return lines.mid(0, n).join('\n') + (n > 0 ? "\n" : "");
}

// A script the Script Maker writes: a name line of 18 characters, slot 7, values 0 to 166
// and a two-line description, with letters beyond ASCII in the name and the description.
const QString kEditedName = QString::fromUtf8("Gärtner's P-51D v2");
const QString kEditedDescription = QString::fromUtf8("Geändert für 5 €\nZweite Zeile");

QByteArray writtenScript() {
  ScriptTexts texts;
  texts.pnames = kEditedName;
  texts.slot = "7";
  for (int i = 0; i < kScriptValueLines; ++i) texts.values << QString::number(i);
  texts.description = kEditedDescription;
  return buildScript(texts).bytes;
}

// The Windows-1252 bytes as a text editor saves them in UTF-8.
QByteArray asUtf8(const QByteArray& windows1252) {
  QString text;
  for (const char b : windows1252) {
    const char32_t c = tolvane::record::charFromByte(static_cast<std::uint8_t>(b));
    text += QString::fromUcs4(&c, 1);
  }
  return text.toUtf8();
}

QByteArray crCrLf(QByteArray bytes) {
  return bytes.replace("\r\n", "\r\r\n");
}

}  // namespace

class TestScriptReader : public QObject {
  Q_OBJECT
 private slots:
  void refused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty file") << QByteArray() << 1 << "line 1: missing";
    QTest::newRow("name line only") << firstLines(1) << 2 << "line 2: missing";
    QTest::newRow("one value short")
        << firstLines(168) << 169 << "line 169: missing: the script ends after 168 lines";
    QTest::newRow("name line too long")
        << withLine(1, "ABCDEFGHIJKLMNOPQRS") << 1 << "line 1: \"ABCDEFGHIJKLMNOPQRS\" is longer";
    QTest::newRow("empty slot") << withLine(2, "") << 2 << "line 2: \"\" is not a slot";
    QTest::newRow("slot 30") << withLine(2, "30") << 2
                             << "line 2: \"30\" is not a slot (a whole number from 0 to 29)";
    QTest::newRow("negative slot") << withLine(2, "-1") << 2 << "line 2: \"-1\" is not a slot";
    QTest::newRow("fractional slot") << withLine(2, "7.5") << 2 << "line 2: \"7.5\"";
    QTest::newRow("slot with text") << withLine(2, "7a") << 2 << "line 2: \"7a\"";
    QTest::newRow("256") << withLine(40, "256") << 40
                         << "line 40: \"256\" is not a byte (a whole number from 0 to 255)";
    QTest::newRow("rounds to 256") << withLine(3, "255.5") << 3 << "line 3: \"255.5\"";
    QTest::newRow("negative value") << withLine(169, "-1") << 169 << "line 169: \"-1\"";
    QTest::newRow("text") << withLine(100, "abc") << 100 << "line 100: \"abc\" is not a byte";
    QTest::newRow("empty value") << withLine(50, "") << 50 << "line 50: \"\"";
    QTest::newRow("number then text") << withLine(60, "12 x") << 60 << "line 60: \"12 x\"";
    QTest::newRow("non-finite") << withLine(61, "1E999") << 61 << "line 61: \"1E999\"";
    QTest::newRow("windows-1252 in a value")
        << withLine(70, "\x80") << 70 << QString::fromUtf8("line 70: \"€\"");
    QTest::newRow("long line shown cut") << withLine(80, QByteArray(500, '9')) << 80
                                         << "line 80: \"" + QString(60, '9') + "\u2026\"";
  }
  void refused() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(QString, message);
    const ParsedScript parsed = readScript(bytes);
    QVERIFY(!parsed.ok());
    QCOMPARE(parsed.errorLine, line);
    QVERIFY2(parsed.error.startsWith(message), qPrintable(parsed.error));
  }

  // What the writer allows and the save's reading of a cell accepts reads as that byte.
  void accepted_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("value");  // of line 3
    QTest::addColumn<QString>("description");
    QTest::newRow("CR LF") << script() << 7 << 0 << "About it";
    QTest::newRow("LF") << script("\n") << 7 << 0 << "About it";
    QTest::newRow("no line end at the end") << script().chopped(2) << 7 << 0 << "About it";
    QTest::newRow("no description line") << firstLines(169) << 7 << 0 << "";
    QTest::newRow("slot with blanks") << script("\r\n", " 29\t") << 29 << 0 << "About it";
    QTest::newRow("half to even") << withLine(3, "2.5") << 7 << 2 << "About it";
    QTest::newRow("half to even, up") << withLine(3, " 231.5 ") << 7 << 232 << "About it";
    QTest::newRow("exponent") << withLine(3, "2E2") << 7 << 200 << "About it";
    QTest::newRow("description of lines")
        << script("\r\n", "0", "one\r\n\r\nthree\r\n") << 0 << 0 << "one\n\nthree\n";
    QTest::newRow("LF inside CR LF") << script("\r\n", "0", "a\nb") << 0 << 0 << "a\nb";
  }
  void accepted() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, slot);
    QFETCH(int, value);
    QFETCH(QString, description);
    const ParsedScript parsed = readScript(bytes);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(parsed.slot, slot);
    QCOMPARE(parsed.values[0], value);
    QCOMPARE(parsed.values[166], 166);
    QCOMPARE(parsed.description, description);
    QCOMPARE(parsed.pnames, QString("P51-D             "));
  }

  // A script opened and saved again in a text editor reads as the player meant it: the
  // byte-order mark is not part of the name, CR CR LF ends one line, and a name and a
  // description saved as UTF-8 keep their letters.
  void editedByHand_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray bom = "\xEF\xBB\xBF";
    const QByteArray written = writtenScript();
    QTest::newRow("as written") << written;
    QTest::newRow("byte-order mark") << bom + written;
    QTest::newRow("CR CR LF") << crCrLf(written);
    QTest::newRow("LF") << QByteArray(written).replace("\r\n", "\n");
    QTest::newRow("UTF-8") << asUtf8(written);
    QTest::newRow("UTF-8 with byte-order mark") << bom + asUtf8(written);
    QTest::newRow("UTF-8, mark and CR CR LF") << bom + crCrLf(asUtf8(written));
    QTest::newRow("blanks typed after the name line")
        << QByteArray(written).insert(written.indexOf("\r\n"), "    ");
    QTest::newRow("CR CR at the very end") << written.chopped(2) + "\r\r";
  }
  void editedByHand() {
    QFETCH(QByteArray, bytes);
    const ParsedScript parsed = readScript(bytes);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(parsed.pnames, kEditedName);
    QCOMPARE(parsed.slot, 7);
    for (int i = 0; i < kScriptValueLines; ++i) QCOMPARE(parsed.values[i], i);
    QCOMPARE(parsed.description, kEditedDescription);
  }

  // A description that is not valid UTF-8 stays Windows-1252, also where one part of it would
  // pass for UTF-8; pure ASCII is the same either way.
  void descriptionEncoding_data() {
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Windows-1252") << QByteArray("Ge\xE4ndert") << QString::fromUtf8("Geändert");
    QTest::newRow("UTF-8") << QByteArray("Ge\xC3\xA4ndert") << QString::fromUtf8("Geändert");
    QTest::newRow("UTF-8 over several lines")
        << QByteArray("one\r\n\xE2\x82\xAC 5\r\nthree") << QString::fromUtf8("one\n€ 5\nthree");
    QTest::newRow("mixed: one byte is not UTF-8")
        << QByteArray("\xC3\xA4\r\n\xE4") << QString::fromUtf8("Ã¤\nä");
    QTest::newRow("cut UTF-8 sequence") << QByteArray("\xE2\x82") << QString::fromUtf8("â‚");
    QTest::newRow("ASCII") << QByteArray("plain") << QString("plain");
  }
  void descriptionEncoding() {
    QFETCH(QByteArray, description);
    QFETCH(QString, shown);
    const ParsedScript parsed = readScript(script("\r\n", "7", description));
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(parsed.description, shown);
  }

  // Any record, slot and description the writer takes reads back the same, Windows-1252
  // characters (the no-break space among them) included.
  void roundTrip() {
    QRandomGenerator rng(1944);
    QString letters;
    for (int b = 32; b < 256; ++b) {
      if (b != 127 && (b < 128 || b >= 160)) letters += QChar(b);
    }
    letters += QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    for (int round = 0; round < 200; ++round) {
      std::array<std::uint8_t, kScriptValueLines> values{};
      ScriptTexts texts;
      for (auto& v : values) {
        v = static_cast<std::uint8_t>(rng.bounded(256));
        texts.values << QString::number(v);
      }
      const int slot = static_cast<int>(rng.bounded(30));
      texts.slot = QString::number(slot);
      texts.pnames = "pn\u00A0" + QString::number(round);
      const int lines = static_cast<int>(rng.bounded(4));
      QStringList description;
      for (int l = 0; l <= lines; ++l) {
        QString line;
        const int length = static_cast<int>(rng.bounded(30));
        for (int k = 0; k < length; ++k) line += letters[rng.bounded(letters.size())];
        description << line;
      }
      texts.description = description.join('\n');
      const BuiltScript built = buildScript(texts);
      QVERIFY2(built.ok(), qPrintable(built.error));
      const ParsedScript parsed = readScript(built.bytes);
      QVERIFY2(parsed.ok(), qPrintable(parsed.error));
      QCOMPARE(parsed.values, values);
      QCOMPARE(parsed.slot, slot);
      QCOMPARE(parsed.description, texts.description);
      QCOMPARE(parsed.pnames, nameLine(texts.pnames));
    }
  }

  void files() {
    QTemporaryDir dir;
    const QByteArray raw = QFile::encodeName(dir.path()) + "/J\xe4ger.oaw";
    {
      QFile out;
      QVERIFY(out.open(std::fopen(raw.constData(), "wb"), QIODevice::WriteOnly,
                       QFileDevice::AutoCloseHandle));
      out.write(script());
    }
    const ParsedScript parsed = readScriptFile(textFromNative(raw.toStdString()));
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(parsed.slot, 7);

    const ParsedScript missing = readScriptFile(dir.filePath("none.oaw"));
    QVERIFY2(missing.error.contains("No such file"), qPrintable(missing.error));
    QVERIFY2(missing.error.contains("none.oaw"), qPrintable(missing.error));
    QCOMPARE(missing.errorLine, 0);
    QVERIFY(readScriptFile(dir.path()).error.contains("it is a folder"));

    QFile big(dir.filePath("big.oaw"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(script());
    QVERIFY(big.resize(kMaxScriptBytes + 1));
    big.close();
    const ParsedScript tooLarge = readScriptFile(big.fileName());
    QVERIFY2(tooLarge.error.contains("1048577 bytes long"), qPrintable(tooLarge.error));
    QVERIFY(big.resize(kMaxScriptBytes));
    QVERIFY2(readScriptFile(big.fileName()).ok(), "a script of the largest size reads");
  }
};

QTEST_GUILESS_MAIN(TestScriptReader)
#include "test_script_reader.moc"
