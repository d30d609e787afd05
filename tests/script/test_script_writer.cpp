// The script's bytes, the name checks and the writing of the file, without the window.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <iterator>

#include "script/native_path.h"
#include "script/script_writer.h"

using namespace tolvane::script;

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QStringList values() {
  QStringList cells;
  for (int row = 2; row <= 168; ++row) cells << QString::number(row % 256);
  return cells;
}

}  // namespace

class TestScriptWriter : public QObject {
  Q_OBJECT
 private slots:
  void nameLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << "" << QString(18, ' ');
    QTest::newRow("five") << "P51-D"
                          << "P51-D             ";
    QTest::newRow("eighteen") << "ABCDEFGHIJKLMNOPQR"
                              << "ABCDEFGHIJKLMNOPQR";
    QTest::newRow("twenty-five") << "ABCDEFGHIJKLMNOPQRSTUVWXY"
                                 << "ABCDEFGHIJKLMNOPQR";
    QTest::newRow("trailing blanks kept") << "ab  "
                                          << "ab                ";
  }
  void nameLine() {
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(tolvane::script::nameLine(text), line);
  }

  // The whole file, byte for byte, built here from the table's lines.
  void wholeScript() {
    ScriptTexts texts{"Mustang", "7", values(), "A fast fighter.\nSecond line"};
    QByteArray expected = "Mustang           \r\n7\r\n";
    for (int row = 2; row <= 168; ++row) expected += QByteArray::number(row % 256) + "\r\n";
    expected += "A fast fighter.\r\nSecond line\r\n";
    const BuiltScript built = buildScript(texts);
    QVERIFY2(built.ok(), qPrintable(built.error));
    QCOMPARE(built.bytes, expected);
    QCOMPARE(built.bytes.count("\r\n"), 171);
    QCOMPARE(built.bytes.count('\n'), 171);  // no bare line feed anywhere
  }

  void descriptionLineEnds_data() {
    QTest::addColumn<QString>("description");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty") << "" << QByteArray("255\r\n\r\n") << 170;
    QTest::newRow("one line") << "x" << QByteArray("255\r\nx\r\n") << 170;
    QTest::newRow("LF") << "a\nb" << QByteArray("255\r\na\r\nb\r\n") << 171;
    QTest::newRow("CR LF") << "a\r\nb" << QByteArray("255\r\na\r\nb\r\n") << 171;
    QTest::newRow("bare CR") << "a\rb" << QByteArray("255\r\na\r\nb\r\n") << 171;
    QTest::newRow("Unicode separators") << QString("a") + QChar(0x2028) + "b" + QChar(0x2029) + "c"
                                        << QByteArray("255\r\na\r\nb\r\nc\r\n") << 172;
    QTest::newRow("ends in a break") << "a\n" << QByteArray("255\r\na\r\n\r\n") << 171;
    QTest::newRow("blank lines") << "\n\n" << QByteArray("255\r\n\r\n\r\n\r\n") << 172;
  }
  void descriptionLineEnds() {
    QFETCH(QString, description);
    QFETCH(QByteArray, tail);
    QFETCH(int, lines);
    QStringList cells = values();
    cells.last() = "255";
    const BuiltScript built = buildScript({"", "", cells, description});
    QVERIFY2(built.ok(), qPrintable(built.error));
    QVERIFY(built.bytes.endsWith(tail));
    QCOMPARE(built.bytes.count("\r\n"), lines);
    QCOMPARE(built.bytes.count('\n'), lines);
    QCOMPARE(built.bytes.count('\r'), lines);
  }

  // Cells are written as they stand, even when empty or not a byte; missing ones are empty.
  void cellsAsTheyStand() {
    QStringList cells = values();
    cells[0] = "";
    cells[1] = " 300";
    const BuiltScript built = buildScript({"", "", cells.mid(0, 3), ""});
    QVERIFY(built.ok());
    QVERIFY(built.bytes.startsWith(QByteArray(18, ' ') + "\r\n\r\n\r\n 300\r\n4\r\n\r\n"));
    QCOMPARE(built.bytes.count("\r\n"), 170);
  }

  void windows1252() {
    const QString text = QString::fromUtf8("é€Ÿ™");
    const BuiltScript built = buildScript({text, "", values(), text + "\t<>"});
    QVERIFY2(built.ok(), qPrintable(built.error));
    QVERIFY(built.bytes.startsWith("\xE9\x80\x9F\x99              \r\n"));
    QVERIFY(built.bytes.endsWith("\r\n\xE9\x80\x9F\x99\t<>\r\n"));
  }

  void refusedCharacters_data() {
    QTest::addColumn<QString>("pnames");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("box");
    QTest::newRow("Greek in the pnames") << "Spitfire Ω"
                                         << "1"
                                         << ""
                                         << "\"Ω\" (U+03A9)"
                                         << "Pnames string name";
    QTest::newRow("Cyrillic in the description") << ""
                                                 << "1"
                                                 << "Як-3"
                                                 << "\"Я\" (U+042F)"
                                                 << "Description";
    QTest::newRow("emoji in the description") << ""
                                              << "1"
                                              << "ok\n✈ \U0001F6E9"
                                              << "\"✈\" (U+2708)"
                                              << "Description";
    QTest::newRow("beyond the BMP") << ""
                                    << "1"
                                    << "\U0001F6E9"
                                    << "(U+1F6E9)"
                                    << "Description";
    QTest::newRow("in a grid cell") << ""
                                    << "1Ω"
                                    << ""
                                    << "\"Ω\""
                                    << "byte 2";
    QTest::newRow("line break in a cell") << ""
                                          << "1\n2"
                                          << ""
                                          << "line break"
                                          << "byte 2";
    QTest::newRow("line break in the pnames") << "a\nb"
                                              << "1"
                                              << ""
                                              << "line break"
                                              << "Pnames string name";
  }
  void refusedCharacters() {
    QFETCH(QString, pnames);
    QFETCH(QString, cell);
    QFETCH(QString, description);
    QFETCH(QString, named);
    QFETCH(QString, box);
    QStringList cells = values();
    cells[0] = cell;
    const BuiltScript built = buildScript({pnames, "3", cells, description});
    QVERIFY(!built.ok());
    QVERIFY(built.bytes.isEmpty());
    QVERIFY2(built.error.contains(named), qPrintable(built.error));
    QVERIFY2(built.error.contains(box), qPrintable(built.error));
  }

  // Characters cut off the 18-character name line are not written, so they are not refused.
  void cutCharactersNotChecked() {
    const BuiltScript built = buildScript({QString(18, 'a') + "Ω", "", values(), ""});
    QVERIFY(built.ok());
    QVERIFY(built.bytes.startsWith(QByteArray(18, 'a') + "\r\n"));
  }

  void names_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folderOk");
    QTest::addColumn<bool>("fileOk");
    QTest::newRow("plain") << "P-51" << true << true;
    QTest::newRow("empty") << "" << true << true;
    QTest::newRow("blanks and dots inside") << "P 51.D" << true << true;
    QTest::newRow("dot") << "." << false << true;       // the file is "..oaw"
    QTest::newRow("dot dot") << ".." << false << true;  // the file is "...oaw"
    QTest::newRow("separator") << "a/b" << false << false;
    QTest::newRow("leading separator") << "/etc" << false << false;
    QTest::newRow("leaving the parent") << "../x" << false << false;
    QTest::newRow("NUL") << QString("a") + QChar(0) + "b" << false << false;
  }
  void names() {
    QFETCH(QString, name);
    QFETCH(bool, folderOk);
    QFETCH(bool, fileOk);
    QCOMPARE(folderNameProblem(name).isEmpty(), folderOk);
    QCOMPARE(fileNameProblem(name).isEmpty(), fileOk);
  }

  void paths() {
    const QString sep = QDir::separator();
    QCOMPARE(scriptFolder("/sims", "P-51"), QDir::toNativeSeparators("/sims") + sep + "P-51");
    QCOMPARE(scriptFile(scriptFolder("/sims", "P-51"), "P51-D"),
             QDir::toNativeSeparators("/sims") + sep + "P-51" + sep + "P51-D.oaw");
    // A parent that ends with the separator still gets one more; the system reads both as one.
    QCOMPARE(scriptFolder("/", "P-51"), sep + sep + "P-51");
    QCOMPARE(scriptFile(scriptFolder("/sims", ""), ""),
             QDir::toNativeSeparators("/sims") + sep + sep + ".oaw");
  }

  void writesNewAndExistingFolder() {
    QTemporaryDir dir;
    WriteResult result = writeScript(dir.path(), "P-51", "P51-D", "one\r\n");
    QVERIFY2(result.ok(), qPrintable(result.error));
    const QString path = dir.filePath("P-51/P51-D.oaw");
    QCOMPARE(QDir::cleanPath(QDir::fromNativeSeparators(result.path)), path);
    QCOMPARE(readAll(path), QByteArray("one\r\n"));

    // A second script into the same folder, and a rewrite of the first: shorter, so any
    // leftover of the old contents would show.
    result = writeScript(dir.path(), "P-51", "P51-B", "two\r\n");
    QVERIFY2(result.ok(), qPrintable(result.error));
    // Without leave to replace, the earlier script stays as it was.
    result = writeScript(dir.path(), "P-51", "P51-D", "3\r\n");
    QVERIFY(!result.ok());
    QVERIFY(result.existed);
    QCOMPARE(readAll(path), QByteArray("one\r\n"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    result = writeScript(dir.path(), "P-51", "P51-D", "3\r\n", Existing::Replace);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(readAll(path), QByteArray("3\r\n"));
    // The replaced script keeps its permissions.
    QCOMPARE(QFile::permissions(path) & 0x77, QFileDevice::Permissions());
    QCOMPARE(readAll(dir.filePath("P-51/P51-B.oaw")), QByteArray("two\r\n"));
    QCOMPARE(QDir(dir.filePath("P-51")).entryList(QDir::Files | QDir::Hidden).size(), 2);
  }

  void emptyNames() {
    QTemporaryDir dir;
    const WriteResult result = writeScript(dir.path(), "", "", "x\r\n");
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(readAll(dir.filePath(".oaw")), QByteArray("x\r\n"));
  }

  void folderCannotBeMade_data() {
    QTest::addColumn<QString>("parent");  // relative to the temporary folder
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a file of that name") << ""
                                         << "taken"
                                         << "exists";
    QTest::newRow("parent is a file") << "taken"
                                      << "P-51"
                                      << "directory";
    QTest::newRow("parent is missing") << "gone"
                                       << "P-51"
                                       << "No such file";
  }
  void folderCannotBeMade() {
    QFETCH(QString, parent);
    QFETCH(QString, folder);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    writeFile(dir.filePath("taken"), "keep");
    const QString parentPath = parent.isEmpty() ? dir.path() : dir.filePath(parent);
    const WriteResult result = writeScript(parentPath, folder, "P51-D", "x\r\n");
    QVERIFY(!result.ok());
    QVERIFY2(result.error.contains(QDir::toNativeSeparators(parentPath)), qPrintable(result.error));
    QVERIFY2(result.error.contains(reason, Qt::CaseInsensitive), qPrintable(result.error));
    QCOMPARE(readAll(dir.filePath("taken")), QByteArray("keep"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"taken"});
  }

  // The script's name is taken by a folder: nothing is replaced, no temporary file is left.
  void fileCannotBeWritten() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("P-51/P51-D.oaw"));
    const WriteResult result = writeScript(dir.path(), "P-51", "P51-D", "x\r\n");
    QVERIFY(!result.ok());
    QVERIFY2(result.error.contains("P51-D.oaw"), qPrintable(result.error));
    QVERIFY(QFileInfo(dir.filePath("P-51/P51-D.oaw")).isDir());
    QCOMPARE(QDir(dir.filePath("P-51"))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"P51-D.oaw"});
  }

  void refusedNamesWriteNothing_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    QTest::newRow("folder up") << ".."
                               << "P51-D";
    QTest::newRow("folder dot") << "."
                                << "P51-D";
    QTest::newRow("folder with separator") << "a/b"
                                           << "P51-D";
    QTest::newRow("file with separator") << "P-51"
                                         << "../P51-D";
    QTest::newRow("file with NUL") << "P-51" << QString("P51") + QChar(0);
  }
  void refusedNamesWriteNothing() {
    QFETCH(QString, folder);
    QFETCH(QString, file);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("inner"));
    const WriteResult result = writeScript(dir.filePath("inner"), folder, file, "x\r\n");
    QVERIFY(!result.ok());
    QVERIFY(result.error.contains("cannot be used"));
    QVERIFY(QDir(dir.filePath("inner"))
                .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"inner"});
  }

  // Path bytes become text and back unchanged, whether they are UTF-8 or not; UTF-8 reads as
  // Qt reads it.
  void pathBytesKeptInText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("ascii") << QByteArray("/sims/P-51") << true;
    QTest::newRow("utf-8 umlaut") << QByteArray("/J\xc3\xa4ger") << true;
    QTest::newRow("four-byte sequence") << QByteArray("/\xf0\x9f\x98\x80/x") << true;
    QTest::newRow("latin-1 umlaut") << QByteArray("/J\xe4ger") << false;
    QTest::newRow("latin-1 at the end") << QByteArray("/Caf\xe9") << false;
    QTest::newRow("cut sequence") << QByteArray("/a\xe2\x82") << false;
    QTest::newRow("overlong slash") << QByteArray("/\xc0\xaf") << false;
    QTest::newRow("encoded surrogate") << QByteArray("/\xed\xa0\x80") << false;
    QTest::newRow("above U+10FFFF") << QByteArray("/\xf4\x90\x80\x80") << false;
    QTest::newRow("pair then stray byte") << QByteArray("/\xf0\x9f\x98\x80\xff") << false;
  }
  void pathBytesKeptInText() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    const QString text = textFromNative(bytes.toStdString());
    QCOMPARE(QByteArray::fromStdString(nativeFromText(text)), bytes);
    QCOMPARE(text == QString::fromUtf8(bytes), utf8);
    if (utf8) QCOMPARE(displayPath(text), text);
    QCOMPARE(displayPath(text).contains(QChar::ReplacementCharacter), !utf8);
  }

  // A parent folder whose name is not UTF-8 receives the script under exactly its bytes.
  void parentFolderThatIsNotUtf8() {
    QTemporaryDir dir;
    const QByteArray raw = QFile::encodeName(dir.path()) + "/Caf\xe9";
    QVERIFY(::mkdir(raw.constData(), 0755) == 0);
    const QString parent = textFromNative(raw.toStdString());
    WriteResult result = writeScript(parent, QString::fromUtf8("Jäger"), "P51-D", "one\r\n");
    QVERIFY2(result.ok(), qPrintable(result.error));
    const QByteArray file = raw + "/J\xc3\xa4ger/P51-D.oaw";
    struct stat st {};
    QVERIFY(::stat(file.constData(), &st) == 0);
    QCOMPARE(st.st_size, 5);
    result = writeScript(parent, QString::fromUtf8("Jäger"), "P51-D", "two\r\n");
    QVERIFY(result.existed);
    QVERIFY2(result.error.contains(QString::fromUtf8("Caf\uFFFD")), qPrintable(result.error));
    // Nothing else in the folder: no temporary file stays.
    const auto entries = std::filesystem::directory_iterator(raw.toStdString() + "/J\xc3\xa4ger");
    QCOMPARE(std::distance(begin(entries), end(entries)), 1);
  }
};

QTEST_GUILESS_MAIN(TestScriptWriter)
#include "test_script_writer.moc"
