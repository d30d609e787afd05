// Finding, reading and writing planes.dat: in place, nothing else touched, failures reported.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "record/demo_data.h"
#include "record/record_file.h"
#include "support/test_support.h"

using namespace tolvane::record;
using tolvane::test::demoBytes;
namespace files = tolvane::record::files;

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

// The hidden files beside planes.dat: temporary copies left behind.
QStringList temporaries(const QString& folder) {
  return QDir(folder).entryList({".*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
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

  // Reading all records at once says and gives what reading them one slot at a time does:
  // the same bytes, or the failure of the first slot that cannot be read.
  void allRecordsAgreeWithOneSlotAtATime_data() {
    QTest::addColumn<int>("length");
    QTest::newRow("whole file") << -1;
    QTest::newRow("exactly to slot 29's last byte") << 6436;
    QTest::newRow("one byte short") << 6435;
    QTest::newRow("ends inside slot 13") << 3000;
    QTest::newRow("empty file") << 0;
  }
  void allRecordsAgreeWithOneSlotAtATime() {
    QFETCH(int, length);
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    QByteArray bytes = demoBytes();
    if (length >= 0) bytes = bytes.left(length);
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(bytes[i] ^ (i % 251));
    writeFile(path, bytes);
    const RecordsRead all = readAllRecords(fs(path));
    std::string firstError;
    for (int slot = 0; slot < kSlotCount && firstError.empty(); ++slot) {
      const RecordRead one = readRecord(fs(path), slot);
      firstError = one.error;
      if (all.ok()) QVERIFY(all.records[static_cast<std::size_t>(slot)] == one.bytes);
    }
    QCOMPARE(QString::fromStdString(all.error), QString::fromStdString(firstError));
  }

  void allRecordsOfAFolderOrMissingFileFail() {
    QTemporaryDir dir;
    QVERIFY(QString::fromStdString(readAllRecords(fs(dir.path())).error).contains("regular"));
    QVERIFY(QString::fromStdString(readAllRecords(fs(dir.filePath("none"))).error)
                .contains("cannot be opened"));
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
    QCOMPARE(temporaries(dir.path()), QStringList());

    // The backup is made once a run: a second write keeps the copy of the file as it was.
    bytes[75] = 100;
    QVERIFY(writer.write(fs(path), bytePosition(7, 1), bytes).ok());
    QCOMPARE(readFile(path + ".bak"), original);
  }

  // A FIFO in the file's place is refused at once instead of blocking the open.
  void specialFilesAreNotFollowed() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.dat");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const RecordRead read = readRecordAt(fs(fifo), 5);
    QVERIFY2(QString::fromStdString(read.error).contains("not a regular file"), read.error.c_str());
  }

  // Whatever already has the name a temporary copy would take (the half copy a crash left, a
  // link planted there, a folder) is neither written through nor renamed into place: the
  // copies take other names, and what was there stays as it was.
  void leftoverTemporariesNeverBecomeBackups_data() {
    QTest::addColumn<QString>("leftover");
    QTest::newRow("a crash's half copies") << "file";
    QTest::newRow("links to another file") << "link";
    QTest::newRow("folders") << "folder";
  }
  void leftoverTemporariesNeverBecomeBackups() {
    QFETCH(QString, leftover);
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    const QString victim = dir.filePath("victim.txt");
    writeFile(victim, "keep");
    // The first names tried are the ones taken.
    int next = 0;
    files::testing::setSeam({{}, [&next] { return QString::number(next++ % 3).toStdString(); }});
    const QStringList taken = {".planes.dat.bak.0", ".planes.dat.bak.1", ".planes.dat.orig.2"};
    for (const QString& name : taken) {
      if (leftover == "file") writeFile(dir.filePath(name), original.left(100));
      if (leftover == "link") QVERIFY(QFile::link(victim, dir.filePath(name)));
      if (leftover == "folder") QVERIFY(QDir(dir.path()).mkdir(name));
    }
    RecordWriter writer;
    const WriteResult result = writer.write(fs(path), bytePosition(1, 1), demoRecord(1));
    files::testing::setSeam({});
    QVERIFY2(result.ok(), result.error.c_str());
    QCOMPARE(readFile(path + ".bak"), original);
    QCOMPARE(readFile(path + ".orig"), original);
    QCOMPARE(readFile(victim), QByteArray("keep"));
    QCOMPARE(temporaries(dir.path()), taken);
    if (leftover == "file") QCOMPARE(readFile(dir.filePath(taken[0])), original.left(100));
  }

  // Two windows save into one planes.dat at the same moment: the second saves whole while
  // the first is between making its temporary copy and renaming it. Both saves go through,
  // each backup is a whole copy of the file as one of them found it, and no temporary stays.
  void backupsOfTwoWritersAtOnce_data() {
    QTest::addColumn<QString>("interrupted");
    QTest::newRow("while the first makes its .bak") << ".bak.";
    QTest::newRow("while the first makes its .orig") << ".orig.";
  }
  void backupsOfTwoWritersAtOnce() {
    QFETCH(QString, interrupted);
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    RecordWriter first;
    RecordWriter second;
    RecordBytes secondRecord = demoRecord(9);
    secondRecord[3] = 77;
    WriteResult secondResult;
    secondResult.error = "not run";
    bool ran = false;
    files::testing::setSeam(
        {[&](files::testing::Step step, const std::filesystem::path& name) {
           if (!ran && step == files::testing::Step::TemporaryCreated &&
               QString::fromStdString(name.filename().string()).contains(interrupted)) {
             ran = true;
             secondResult = second.write(fs(path), bytePosition(9, 1), secondRecord);
           }
           return std::error_code();
         },
         {}});
    RecordBytes firstRecord = demoRecord(2);
    firstRecord[3] = 55;
    const WriteResult firstResult = first.write(fs(path), bytePosition(2, 1), firstRecord);
    files::testing::setSeam({});

    QVERIFY(ran);
    QVERIFY2(firstResult.ok(), firstResult.error.c_str());
    QVERIFY2(secondResult.ok(), secondResult.error.c_str());
    QByteArray withSecond = original;
    withSecond.replace(
        int(bytePosition(9, 1) - 1), kRecordBytes,
        QByteArray(reinterpret_cast<const char*>(secondRecord.data()), kRecordBytes));
    QByteArray both = withSecond;
    both.replace(int(bytePosition(2, 1) - 1), kRecordBytes,
                 QByteArray(reinterpret_cast<const char*>(firstRecord.data()), kRecordBytes));
    QCOMPARE(readFile(path), both);
    QCOMPARE(readFile(path + ".orig"), original);
    const QByteArray backup = readFile(path + ".bak");
    QVERIFY(backup == original || backup == withSecond);
    QCOMPARE(temporaries(dir.path()), QStringList());
  }

  // Many writers in threads, each with its own run (so each makes a backup), save their own
  // aircraft into one file at once while one of them removes .orig now and then: every save
  // goes through, every byte of each backup is a byte the file held, and no temporary stays.
  void manyWritersAtOnceLeaveWholeBackups() {
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    constexpr int kWriters = 4;
    constexpr int kRounds = 25;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kWriters; ++t) {
      threads.emplace_back([&, t] {
        for (int round = 0; round < kRounds; ++round) {
          if (t == 0 && round % 5 == 0) QFile::remove(path + ".orig");
          RecordBytes bytes{};
          bytes.fill(static_cast<std::uint8_t>(200 + t));
          RecordWriter writer;
          if (!writer.write(fs(path), bytePosition(t, 1), bytes).ok()) ++failures;
        }
      });
    }
    for (auto& thread : threads) thread.join();
    QCOMPARE(failures.load(), 0);
    for (const QString& copy : {path + ".bak", path + ".orig"}) {
      const QByteArray bytes = readFile(copy);
      QCOMPARE(bytes.size(), original.size());
      for (int i = 0; i < bytes.size(); ++i) {
        bool written = false;
        for (int t = 0; t < kWriters; ++t) {
          const int first = int(bytePosition(t, 1)) - 1;
          written =
              written || (i >= first && i < first + kRecordBytes && uchar(bytes[i]) == 200 + t);
        }
        QVERIFY2(bytes[i] == original[i] || written, qPrintable(copy + QString::number(i)));
      }
    }
    QCOMPARE(temporaries(dir.path()), QStringList());
  }

  // The caller checked the record of one file, and another file stands at the name when the
  // write begins: nothing is copied or written, and the result says the file was replaced.
  void aWriteIntoAnotherFileThanTheCheckedOneIsRefused() {
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    const RecordRead checked = readRecord(fs(path), 29);
    QVERIFY(checked.ok());
    writeFile(dir.filePath("new.dat"), original);
    QVERIFY(::rename(QFile::encodeName(dir.filePath("new.dat")).constData(),
                     QFile::encodeName(path).constData()) == 0);
    RecordBytes bytes = demoRecord(29);
    bytes[0] = 1;
    RecordWriter writer;
    const WriteResult result = writer.write(fs(path), bytePosition(29, 1), bytes, checked.identity);
    QVERIFY(result.replaced);
    QVERIFY2(QString::fromStdString(result.error).contains("another program replaced the file"),
             result.error.c_str());
    QCOMPARE(readFile(path), original);
    QVERIFY(!QFile::exists(path + ".bak"));
    QCOMPARE(temporaries(dir.path()), QStringList());
    // The file read afresh is the one written.
    const RecordRead again = readRecord(fs(path), 29);
    QVERIFY(writer.write(fs(path), bytePosition(29, 1), bytes, again.identity).ok());
    QCOMPARE(uchar(readFile(path)[int(bytePosition(29, 1)) - 1]), uchar(1));
  }

  // Between the check by name and the open, another program puts a new file in planes.dat's
  // place, cuts it short or removes it: the write sees it on the open file and writes nothing.
  void fileChangedBetweenCheckAndOpen_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("message");
    QTest::newRow("replaced by another file") << "replaced"
                                              << "another program replaced the file";
    QTest::newRow("cut short in place") << "shortened"
                                        << "too short";
    QTest::newRow("removed") << "removed"
                             << "no longer there";
  }
  void fileChangedBetweenCheckAndOpen() {
    QFETCH(QString, change);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("planes.dat");
    const QByteArray original = demoBytes();
    writeFile(path, original);
    QByteArray theirs = original;
    theirs[10] = char(1);
    files::testing::setSeam({[&](files::testing::Step step, const std::filesystem::path&) {
                               if (step != files::testing::Step::OpenForWriting)
                                 return std::error_code();
                               if (change == "replaced") {
                                 writeFile(dir.filePath("new.dat"), theirs);
                                 QFile::rename(dir.filePath("new.dat"), path + ".x");
                                 ::rename(QFile::encodeName(path + ".x").constData(),
                                          QFile::encodeName(path).constData());
                               }
                               if (change == "shortened") QFile::resize(path, 3000);
                               if (change == "removed") QFile::remove(path);
                               return std::error_code();
                             },
                             {}});
    RecordWriter writer;
    RecordBytes bytes = demoRecord(29);
    bytes[0] = 1;
    const WriteResult result = writer.write(fs(path), bytePosition(29, 1), bytes);
    files::testing::setSeam({});
    QVERIFY2(QString::fromStdString(result.error).contains(message), result.error.c_str());
    QVERIFY(!result.backupFailed);
    if (change == "replaced") QCOMPARE(readFile(path), theirs);
    if (change == "shortened") QCOMPARE(readFile(path), original.left(3000));
    if (change == "removed") QVERIFY(!QFile::exists(path));
    QCOMPARE(readFile(path + ".bak"), original);
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
    QCOMPARE(temporaries(dir.path()), QStringList());
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
    QTest::newRow("no room for the .orig copy") << "orig"
                                                << "No space left on device";
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
    } else if (blocker == "orig") {
      files::testing::setSeam(
          {[](files::testing::Step step, const std::filesystem::path& name) {
             const bool orig = step == files::testing::Step::TemporaryCreated &&
                               name.filename().string().find(".orig.") != std::string::npos;
             return orig ? std::make_error_code(std::errc::no_space_on_device) : std::error_code();
           },
           {}});
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
    files::testing::setSeam({});

    QVERIFY(refused.backupFailed);
    QCOMPARE(QString::fromStdString(refused.backupReason), reason);
    QVERIFY2(QString::fromStdString(refused.error).contains("No byte was written"),
             refused.error.c_str());
    QCOMPARE(afterRefusal, original);
    QVERIFY2(allowed.ok(), allowed.error.c_str());
    QCOMPARE(int(static_cast<unsigned char>(afterAllowed[int(bytePosition(0, 6) - 1)])), 42);
    QCOMPARE(temporaries(dir.path()), QStringList());
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
    QCOMPARE(temporaries(dir.path()), QStringList());
  }
};

QTEST_GUILESS_MAIN(RecordFileTest)
#include "test_record_file.moc"
