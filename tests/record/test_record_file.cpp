// Finding, reading and writing planes.dat: in place, nothing else touched, failures reported.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "record/demo_data.h"
#include "record/record_file.h"
#include "support/test_support.h"

using namespace tolvane::record;
using tolvane::test::demoBytes;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::filesystem::path fs(const QString& p) {
  return std::filesystem::path(p.toStdString());
}

}  // namespace

class RecordFileTest : public QObject {
  Q_OBJECT
 private slots:
  void locate_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("found");  // empty: an error is expected
    QTest::newRow("lower case") << QStringList{"planes.dat"} << "planes.dat";
    QTest::newRow("upper case") << QStringList{"PLANES.DAT"} << "PLANES.DAT";
    QTest::newRow("mixed case") << QStringList{"Planes.Dat", "other.dat"} << "Planes.Dat";
    QTest::newRow("none") << QStringList{"planes.da", "planes.dat.bak"} << "";
    QTest::newRow("two matches") << QStringList{"planes.dat", "PLANES.DAT"} << "";
  }
  void locate() {
    QFETCH(QStringList, names);
    QFETCH(QString, found);
    QTemporaryDir dir;
    for (const QString& n : names) writeFile(dir.filePath(n), "x");
    const Located located = locateDataFile(fs(dir.path()));
    if (found.isEmpty()) {
      QVERIFY(!located.ok());
      if (names.size() == 2 && names[1] == "PLANES.DAT") {
        // The message names both files, so the user knows what to clean up.
        QVERIFY(QString::fromStdString(located.error).contains("\"planes.dat\""));
        QVERIFY(QString::fromStdString(located.error).contains("\"PLANES.DAT\""));
      }
    } else {
      QVERIFY2(located.ok(), located.error.c_str());
      QCOMPARE(QString::fromStdString(located.path.filename().string()), found);
    }
  }

  void readsEverySlotAtItsPositions() {
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    writeFile(path, demoBytes());
    for (int slot : {0, 7, 29}) {
      const RecordRead read = readRecord(fs(path), slot);
      QVERIFY2(read.ok(), read.error.c_str());
      QVERIFY(read.bytes == demoRecord(slot));
    }
  }

  void shortFileIsReported_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("ok");
    QTest::newRow("exactly to slot 29's last byte") << 6436 << 29 << true;
    QTest::newRow("one byte short") << 6435 << 29 << false;
    QTest::newRow("empty file") << 0 << 0 << false;
    QTest::newRow("slot 0 fits") << 172 << 0 << true;
  }
  void shortFileIsReported() {
    QFETCH(int, length);
    QFETCH(int, slot);
    QFETCH(bool, ok);
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    writeFile(path, demoBytes().left(length));
    const RecordRead read = readRecord(fs(path), slot);
    QCOMPARE(read.ok(), ok);
    if (!ok) QVERIFY(QString::fromStdString(read.error).contains("too short"));
  }

  void writeChangesOnlyTheRecordAndKeepsABackup() {
    QTemporaryDir dir;
    const QString path = dir.filePath("PLANES.DAT");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    RecordBytes bytes = demoRecord(7);
    bytes[75] = 99;
    RecordWriter writer;
    QCOMPARE(QString::fromStdString(writer.write(fs(path), bytePosition(7, 1), bytes).error),
             QString());
    const QByteArray after = readFile(path);
    QCOMPARE(after.size(), original.size());
    for (int i = 0; i < original.size(); ++i) {
      if (i == bytePosition(7, 76) - 1) {
        QCOMPARE(int(static_cast<unsigned char>(after[i])), 99);
      } else {
        QVERIFY2(after[i] == original[i], qPrintable(QString::number(i + 1)));
      }
    }
    QCOMPARE(readFile(path + ".bak"), original);
    QVERIFY(!QFile::exists(path + ".bak.tmp"));

    // The backup is made once a run: a second write keeps the copy of the file as it was.
    bytes[75] = 100;
    QVERIFY(writer.write(fs(path), bytePosition(7, 1), bytes).ok());
    QCOMPARE(readFile(path + ".bak"), original);
  }

  // A FIFO in the file's place is refused at once instead of blocking the open, and a link
  // planted where the backup's temporary copy goes is replaced, not written through.
  void specialFilesAreNotFollowed() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.dat");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const RecordRead read = readRecordAt(fs(fifo), 5);
    QVERIFY2(QString::fromStdString(read.error).contains("not a regular file"), read.error.c_str());

    const QString path = dir.filePath("planes.dat");
    writeFile(path, demoBytes());
    const QString victim = dir.filePath("victim.txt");
    writeFile(victim, "keep");
    QVERIFY(QFile::link(victim, path + ".bak.tmp"));
    RecordWriter writer;
    QVERIFY(writer.write(fs(path), bytePosition(1, 1), demoRecord(1)).ok());
    QCOMPARE(readFile(victim), QByteArray("keep"));
    QCOMPARE(readFile(path + ".bak"), demoBytes());
  }

  // The first copy ever made beside the file is kept as "<name>.orig" and survives later
  // runs; whatever already stands at that name (a copy, a link, a folder) is left as it is.
  void firstBackupIsKeptAsOrig_data() {
    QTest::addColumn<QString>("existing");
    QTest::newRow("nothing there") << "";
    QTest::newRow("an older copy") << "copy";
    QTest::newRow("a link to another file") << "link";
    QTest::newRow("a folder") << "folder";
  }
  void firstBackupIsKeptAsOrig() {
    QFETCH(QString, existing);
    QTemporaryDir dir;
    const QString path = dir.filePath("Planes.DAT");
    const QString orig = path + ".orig";
    const QString victim = dir.filePath("victim.txt");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    writeFile(victim, "keep");
    if (existing == "copy") writeFile(orig, "older");
    if (existing == "link") QVERIFY(QFile::link(victim, orig));
    if (existing == "folder") QVERIFY(QDir(dir.path()).mkdir("Planes.DAT.orig"));

    RecordBytes bytes = demoRecord(2);
    bytes[10] = 1;
    {
      RecordWriter firstRun;
      QVERIFY(firstRun.write(fs(path), bytePosition(2, 1), bytes).ok());
    }
    const QByteArray afterFirstRun = readFile(path);
    bytes[10] = 2;
    {
      RecordWriter secondRun;
      QVERIFY(secondRun.write(fs(path), bytePosition(2, 1), bytes).ok());
    }
    // .bak is the file before this run's first write; .orig the file before the first ever.
    QCOMPARE(readFile(path + ".bak"), afterFirstRun);
    if (existing.isEmpty()) QCOMPARE(readFile(orig), original);
    if (existing == "copy") QCOMPARE(readFile(orig), QByteArray("older"));
    if (existing == "link") QVERIFY(QFileInfo(orig).isSymLink());
    if (existing == "folder") QVERIFY(QFileInfo(orig).isDir());
    QCOMPARE(readFile(victim), QByteArray("keep"));
    QVERIFY(!QFile::exists(orig + ".tmp"));
    QVERIFY(!QFile::exists(path + ".orig.tmp"));
  }

  // Another program puts a new file in planes.dat's place (a new inode): the next write
  // copies that file first. A change in place (same file) is no reason for a new copy.
  void replacedFileIsCopiedAgain_data() {
    QTest::addColumn<bool>("replaced");
    QTest::newRow("replaced by a new file") << true;
    QTest::newRow("changed in place") << false;
  }
  void replacedFileIsCopiedAgain() {
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    RecordWriter writer;
    QVERIFY(writer.write(fs(path), bytePosition(3, 1), demoRecord(3)).ok());
    QVERIFY(writer.backupMade(fs(path)));

    QByteArray theirs = original;
    theirs[100] = char(7);
    if (replaced) {
      writeFile(dir.filePath("new.dat"), theirs);
      QVERIFY(::rename(QFile::encodeName(dir.filePath("new.dat")).constData(),
                       QFile::encodeName(path).constData()) == 0);
      QVERIFY(!writer.backupMade(fs(path)));
    } else {
      writeFile(path, theirs);
    }
    RecordBytes bytes = demoRecord(3);
    bytes[0] = 9;
    QVERIFY(writer.write(fs(path), bytePosition(3, 1), bytes).ok());
    QCOMPARE(readFile(path + ".bak"), replaced ? theirs : original);
    QCOMPARE(readFile(path + ".orig"), original);
    QCOMPARE(int(static_cast<unsigned char>(readFile(path)[int(bytePosition(3, 1) - 1)])), 9);
  }

  // When the copy cannot be made the result says so apart from other failures, with the
  // system's reason, and nothing is written. Once allowed, the same file is written without a
  // copy; a new file put in its place must be copied again.
  void failedBackupIsReportedAndCanBeSkipped_data() {
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder where .bak goes") << "planes.dat.bak"
                                              << "Is a directory";
    QTest::newRow("a folder where .orig's temporary goes") << "planes.dat.orig.tmp"
                                                           << "Is a directory";
    QTest::newRow("the folder refuses new files (chattr +i)") << "immutable"
                                                              << "Operation not permitted";
  }
  void failedBackupIsReportedAndCanBeSkipped() {
    QFETCH(QString, blocker);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    if (blocker == "immutable") {
      if (QProcess::execute("chattr", {"+i", dir.path()}) != 0) {
        QSKIP("chattr +i is not possible here (needs root and a file system with attributes)");
      }
    } else {
      QVERIFY(QDir(dir.path()).mkdir(blocker));
      QVERIFY(QDir(dir.filePath(blocker)).exists());
    }
    RecordWriter writer;
    RecordBytes bytes = demoRecord(0);
    bytes[5] = 42;
    const WriteResult refused = writer.write(fs(path), bytePosition(0, 1), bytes);
    const QByteArray afterRefusal = readFile(path);

    writer.allowWithoutBackup(fs(path));
    const WriteResult allowed = writer.write(fs(path), bytePosition(0, 1), bytes);
    const QByteArray afterAllowed = readFile(path);

    // A new file in the old one's place is another file: the user has not agreed for it.
    if (blocker != "immutable") writeFile(dir.filePath("copy.dat"), original);
    const bool replaced =
        blocker != "immutable" && ::rename(QFile::encodeName(dir.filePath("copy.dat")).constData(),
                                           QFile::encodeName(path).constData()) == 0;
    const WriteResult afterReplace = writer.write(fs(path), bytePosition(0, 1), bytes);
    if (blocker == "immutable") QProcess::execute("chattr", {"-i", dir.path()});

    QVERIFY(refused.backupFailed);
    QCOMPARE(QString::fromStdString(refused.backupReason), reason);
    QVERIFY2(QString::fromStdString(refused.error).contains("No byte was written"),
             refused.error.c_str());
    QCOMPARE(afterRefusal, original);
    QVERIFY2(allowed.ok(), allowed.error.c_str());
    QCOMPARE(int(static_cast<unsigned char>(afterAllowed[int(bytePosition(0, 6) - 1)])), 42);
    QVERIFY(!QFile::exists(path + ".bak.tmp"));
    QVERIFY(!QFileInfo(path + ".orig.tmp").isFile());
    if (replaced) QVERIFY(afterReplace.backupFailed);
  }

  void writeFailuresAreReportedAndWriteNothing_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("removed") << "removed"
                             << "no longer there";
    QTest::newRow("shortened") << "shortened"
                               << "too short";
    QTest::newRow("backup cannot be made") << "backup"
                                           << "backup copy";
    QTest::newRow("a folder in its place") << "folder"
                                           << "not a regular file";
  }
  void writeFailuresAreReportedAndWriteNothing() {
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    RecordWriter writer;
    if (fault == "removed") QFile::remove(path);
    if (fault == "shortened") writeFile(path, original.left(3000));
    // A folder where the backup goes makes the final rename fail.
    if (fault == "backup") QVERIFY(QDir(dir.path()).mkdir("planes.dat.bak"));
    if (fault == "folder") {
      // The backup is made first, then the file is swapped for a folder.
      QVERIFY(writer.write(fs(path), bytePosition(0, 1), demoRecord(0)).ok());
      QFile::remove(path);
      QVERIFY(QDir(dir.path()).mkdir("planes.dat"));
    }
    RecordBytes bytes = demoRecord(29);
    bytes[0] = 1;
    const WriteResult result = writer.write(fs(path), bytePosition(29, 1), bytes);
    QVERIFY2(QString::fromStdString(result.error).contains(message), result.error.c_str());
    QCOMPARE(result.backupFailed, fault == "backup");
    if (fault == "removed") QVERIFY(!QFile::exists(path));
    if (fault == "shortened") QCOMPARE(readFile(path), original.left(3000));
    if (fault == "backup") QCOMPARE(readFile(path), original);
    QVERIFY(!QFile::exists(path + ".bak.tmp"));
  }
};

QTEST_GUILESS_MAIN(RecordFileTest)
#include "test_record_file.moc"
