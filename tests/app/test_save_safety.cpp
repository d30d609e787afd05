// What saving does when the world around planes.dat is not as it was at the load: another
// program changed the record, the file became immutable, read-only, full, removed or short,
// or a write, flush or backup fails in the kernel. Each case must end with a clear message
// carrying the system's reason, the edits still pending, and the file either as it was or
// holding the whole new record, never a part of it.
#include <sys/mount.h>

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "app/record_session.h"
#include "record/demo_data.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/dir_list.h"

using namespace tolvane;
using test::Fixture;

namespace {

// Changes bytes of the file in place, as another program would (same file, same length).
void patchFile(const QString& path, std::int64_t position, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadWrite));
  QVERIFY(file.seek(position - 1));
  QCOMPARE(file.write(bytes), bytes.size());
}

// The file as it was with the record of a slot replaced by the given values.
QByteArray withRecord(QByteArray file, int slot, const QByteArray& record) {
  file.replace(int(record::bytePosition(slot, 1) - 1), record.size(), record);
  return file;
}

QByteArray recordOf(const QByteArray& file, int slot) {
  return file.mid(int(record::bytePosition(slot, 1) - 1), record::kRecordBytes);
}

// The edit every fault case makes, typed as the user types it: the year (bytes 9 and 10) and
// the code (bytes 165 to 168) of slot 6, so that a record written only in part would show.
constexpr int kSlot = 6;
void makeEdit(Fixture& f) {
  f.pick(kSlot);
  f.typeInto("Text8", "1999");        // 1999 = 207 + 256 * 7
  f.typeInto("Text5", "ZZZZ", true);  // committed by Enter
}

QByteArray editedRecord(const QByteArray& original) {
  QByteArray record = recordOf(original, kSlot);
  record[8] = char(207);
  record[9] = char(7);
  for (int k = 164; k < 168; ++k) record[k] = 'Z';
  return record;
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Runs a program under strace with a fault injected into one system call, in a folder.
struct Traced {
  QString out;
  QString err;
  int exitCode = -1;
};
Traced runTraced(const QString& file, const QString& inject, const QString& folder) {
  QProcess p;
  p.setWorkingDirectory(folder);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  // In a sanitizer build the leak check at exit cannot run under ptrace.
  env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
  p.setProcessEnvironment(env);
  const QString call = inject.section(':', 0, 0);
  p.start("strace",
          {"-qq", "-o", "/dev/null", "-P", folder + "/" + file, "-e", "trace=" + call, "-e",
           "inject=" + inject, QCoreApplication::applicationDirPath() + "/save_fault_child"});
  Traced t;
  if (!p.waitForFinished(60000)) return t;
  t.out = QString::fromUtf8(p.readAllStandardOutput());
  t.err = QString::fromUtf8(p.readAllStandardError());
  t.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return t;
}

}  // namespace

class SaveSafetyTest : public QObject {
  Q_OBJECT
 private slots:
  // Another program changes a byte of the open aircraft after the load. Every kind of save
  // asks, naming the field and its values; going back writes nothing and keeps the edit
  // pending, overwriting writes the whole record of the grid, and the file's version drops
  // the window's edits and rereads the aircraft.
  void changesByOthersAreAsked_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("answer");
    for (const char* how : {"save", "pick", "close"}) {
      for (const char* answer : {"Go back", "Overwrite", "Load the file's version"}) {
        QTest::addRow("%s, %s", how, answer) << QString(how) << QString(answer);
      }
    }
  }
  void changesByOthersAreAsked() {
    QFETCH(QString, how);
    QFETCH(QString, answer);
    Fixture f;
    f.pick(4);
    const QByteArray loaded = f.folder.bytes();
    f.typeInGrid(80, "77");
    const auto at = [](int k) { return int(record::bytePosition(4, k) - 1); };
    const quint32 weightBefore = quint8(loaded[at(29)]) | quint8(loaded[at(30)]) << 8 |
                                 quint8(loaded[at(31)]) << 16 |
                                 quint32(quint8(loaded[at(32)])) << 24;
    patchFile(f.folder.filePath(), record::bytePosition(4, 30), QByteArray(1, char(250)));
    const QByteArray changed = f.folder.bytes();
    const quint32 weightAfter = (weightBefore & 0xFFFF00FFu) | (250u << 8);

    f.prompter.choices = {answer};
    bool closed = false;
    if (how == "save") f.window->save();
    if (how == "pick") f.pick(9);
    if (how == "close") closed = f.close();
    QCOMPARE(f.prompter.questions.size(), 1);
    const QString question = f.prompter.questions[0];
    QVERIFY2(question.contains("Another program"), qPrintable(question));
    QVERIFY2(question.contains(
                 QStringLiteral("Empty wt: %1 \u2192 %2").arg(weightBefore).arg(weightAfter)),
             qPrintable(question));
    QCOMPARE(f.prompter.buttonSets[0],
             QStringList({"Overwrite", "Load the file's version", "Go back"}));
    QVERIFY(f.prompter.errors.isEmpty());
    if (answer == "Overwrite") {
      QByteArray expected = loaded;
      expected[at(80)] = char(77);
      QCOMPARE(f.folder.bytes(), expected);
      QCOMPARE(closed, how == "close");
      QCOMPARE(f.window->openSlot(), how == "pick" ? 9 : 4);
      return;
    }
    QCOMPARE(f.folder.bytes(), changed);
    QVERIFY(!closed);
    if (answer == "Go back") {
      QVERIFY(f.window->hasUnsavedChanges());
      QCOMPARE(f.window->openSlot(), 4);
      QCOMPARE(f.cell(80), QString("77"));
      return;
    }
    // The file's version: the pick goes on, the others show the file's record.
    QVERIFY(!f.window->hasUnsavedChanges());
    if (how == "pick") {
      QCOMPARE(f.window->openSlot(), 9);
    } else {
      QCOMPARE(f.window->openSlot(), 4);
      QCOMPARE(f.cell(30, 1), QString("250"));
      QCOMPARE(f.cell(80), f.cell(80, 1));
      // The same question does not come back: a close now closes without a word.
      QVERIFY(f.close());
      QCOMPARE(f.prompter.questions.size(), 1);
    }
  }

  // A save that is not followed by a reload (the close's, when the window stays) must not
  // take its own bytes for another program's change at the next save.
  void ownEarlierSaveIsNoChangeByOthers() {
    Fixture f;
    f.pick(4);
    f.typeInGrid(80, "77");
    QVERIFY(f.close());
    f.typeInGrid(81, "78");
    QVERIFY(f.window->save());
    QVERIFY2(f.prompter.questions.isEmpty(), qPrintable(f.prompter.questions.value(0)));
    QCOMPARE(int(quint8(f.folder.bytes()[int(record::bytePosition(4, 81) - 1)])), 78);
  }

  // Changes elsewhere in the file (another aircraft, the lead-in) are not this record's
  // business: the save asks nothing and keeps them.
  void changesElsewhereAreKeptWithoutAQuestion() {
    Fixture f;
    f.pick(4);
    patchFile(f.folder.filePath(), 2, QByteArray(1, char(9)));
    patchFile(f.folder.filePath(), record::bytePosition(5, 1), QByteArray(3, char(1)));
    const QByteArray changed = f.folder.bytes();
    f.typeInGrid(82, "3");
    QVERIFY(f.window->save());
    QVERIFY(f.prompter.questions.isEmpty());
    QByteArray expected = changed;
    expected[int(record::bytePosition(4, 82) - 1)] = char(3);
    QCOMPARE(f.folder.bytes(), expected);
  }

  // Faults made in the file system itself, in this process.
  void fileSystemFaults_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("removed") << "removed"
                             << "There is no planes.dat";
    QTest::newRow("shortened") << "shortened"
                               << "too short";
    QTest::newRow("immutable (chattr +i)") << "immutable"
                                           << "Operation not permitted";
    QTest::newRow("read-only bind mount") << "readonly"
                                          << "Read-only file system";
  }
  void fileSystemFaults() {
    QFETCH(QString, fault);
    QFETCH(QString, message);
    Fixture f;
    const QByteArray original = f.folder.bytes();
    makeEdit(f);
    const QString path = f.folder.filePath();
    QString mountPoint;
    if (fault == "removed") QVERIFY(QFile::remove(path));
    if (fault == "shortened") f.folder.setBytes(original.left(1000));
    if (fault == "immutable" && !run("chattr", {"+i", path})) {
      QSKIP("chattr +i is not possible here (needs root and a file system with attributes)");
    }
    if (fault == "readonly") {
      const QByteArray dir = QFile::encodeName(f.folder.path());
      if (::mount(dir.constData(), dir.constData(), nullptr, MS_BIND, nullptr) != 0) {
        QSKIP("bind mounts are not possible here (needs root)");
      }
      mountPoint = f.folder.path();
      ::mount(nullptr, dir.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
    }
    const bool saved = f.window->save();
    if (fault == "immutable") run("chattr", {"-i", path});
    if (!mountPoint.isEmpty()) QCOMPARE(::umount(QFile::encodeName(mountPoint).constData()), 0);

    QVERIFY(!saved);
    QVERIFY(f.window->recordModified());
    // A folder that refuses the backup copy is asked about (and cancelled here); the other
    // faults are told.
    const QStringList& told = fault == "readonly" ? f.prompter.questions : f.prompter.errors;
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(message), qPrintable(told[0]));
    if (fault == "removed") QVERIFY(!QFile::exists(path));
    if (fault == "shortened") QCOMPARE(f.folder.bytes(), original.left(1000));
    if (fault == "immutable" || fault == "readonly") QCOMPARE(f.folder.bytes(), original);
    // The edits are still there to be saved once the fault is gone.
    if (fault != "removed" && fault != "shortened") {
      QVERIFY(f.window->save());
      QCOMPARE(f.folder.bytes(), withRecord(original, kSlot, editedRecord(original)));
    }
  }

  // A tiny file system that has room for planes.dat but not for its backup copy.
  void fullFileSystemWhileTheBackupIsMade() {
    QTemporaryDir outer;
    const QString dir = outer.filePath("small");
    QVERIFY(QDir().mkdir(dir));
    const QByteArray encoded = QFile::encodeName(dir);
    if (::mount("tolvane-test", encoded.constData(), "tmpfs", 0, "size=12k") != 0) {
      QSKIP("mounting a tmpfs is not possible here (needs root)");
    }
    const QByteArray original = test::demoBytes();
    QByteArray after;
    QString error;
    bool modified = false;
    bool backupLeft = true;
    {
      QFile file(dir + "/planes.dat");
      if (file.open(QIODevice::WriteOnly)) file.write(original);
      file.close();
      const QString previous = QDir::currentPath();
      QDir::setCurrent(dir);
      {
        test::RecordingPrompter prompter;
        app::MainWindow window;
        window.session().pick(kSlot);
        test::typeInto(window.controls().Text8, "1999");
        window.save();  // the question about saving without a backup: Cancel
        error = prompter.questions.value(0);
        modified = window.recordModified();
      }
      QDir::setCurrent(previous);
      QFile in(dir + "/planes.dat");
      if (in.open(QIODevice::ReadOnly)) after = in.readAll();
      backupLeft = !QDir(dir)
                        .entryList({".*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty();
    }
    QCOMPARE(::umount(encoded.constData()), 0);
    QVERIFY2(error.contains("backup copy") && error.contains("No space left on device") &&
                 error.contains("without a backup"),
             qPrintable(error));
    QVERIFY(modified);
    QCOMPARE(after, original);
    QVERIFY(!backupLeft);
  }

  // Another program replaces planes.dat with a file of its own between two saves of a run:
  // the second save copies that file to planes.dat.bak before writing into it, and
  // planes.dat.orig keeps the file as it was before the first save ever.
  void replacedFileIsBackedUpBeforeTheNextSave() {
    Fixture f;
    const QByteArray original = f.folder.bytes();
    f.pick(4);
    f.typeInGrid(80, "77");
    QVERIFY(f.window->save());
    QCOMPARE(readAll(f.folder.filePath() + ".bak"), original);

    QByteArray theirs = f.folder.bytes();
    theirs[2] = char(99);  // the lead-in: no byte of the open record
    const QString replacement = f.folder.path() + "/theirs.dat";
    {
      QFile file(replacement);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(theirs);
    }
    QVERIFY(std::rename(QFile::encodeName(replacement).constData(),
                        QFile::encodeName(f.folder.filePath()).constData()) == 0);
    f.typeInGrid(81, "78");
    QVERIFY(f.window->save());
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.value(0)));
    QCOMPARE(readAll(f.folder.filePath() + ".bak"), theirs);
    QCOMPARE(readAll(f.folder.filePath() + ".orig"), original);
    QByteArray expected = theirs;
    expected[int(record::bytePosition(4, 81) - 1)] = char(78);
    QCOMPARE(f.folder.bytes(), expected);
  }

  // The Script Maker's folder cannot be made, or its script cannot be written: a message with
  // the system's reason, the panel stays open, planes.dat and the pending edits are untouched.
  void scriptFolderFaults_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("parent immutable (chattr +i)") << "immutable"
                                                  << "Operation not permitted";
    QTest::newRow("parent on a read-only mount") << "readonly"
                                                 << "Read-only file system";
    QTest::newRow("file system full") << "full"
                                      << "cannot be written";
  }
  void scriptFolderFaults() {
    QFETCH(QString, fault);
    QFETCH(QString, message);
    Fixture f;
    const QByteArray original = f.folder.bytes();
    const auto& c = f.window->controls();
    QTemporaryDir root;
    const QString parent = root.filePath("parent");
    QVERIFY(QDir().mkdir(parent));
    const QByteArray encoded = QFile::encodeName(parent);
    bool mounted = false;
    if (fault == "immutable" && !run("chattr", {"+i", parent})) {
      QSKIP("chattr +i is not possible here (needs root and a file system with attributes)");
    }
    if (fault == "readonly") {
      if (::mount(encoded.constData(), encoded.constData(), nullptr, MS_BIND, nullptr) != 0) {
        QSKIP("bind mounts are not possible here (needs root)");
      }
      mounted = true;
      ::mount(nullptr, encoded.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
    }
    if (fault == "full") {
      if (::mount("tolvane-test", encoded.constData(), "tmpfs", 0, "size=4k,nr_inodes=3") != 0) {
        QSKIP("mounting a tmpfs is not possible here (needs root)");
      }
      mounted = true;
      QFile filler(parent + "/filler");  // takes the only data page
      if (filler.open(QIODevice::WriteOnly)) filler.write(QByteArray(4096, 'x'));
    }
    f.pick(3);
    f.typeInGrid(80, "5");
    c.Command2->click();
    c.Text12->setText("P-51");
    c.Dir1->setPath(parent);
    c.Command4->click();
    if (fault == "immutable") run("chattr", {"-i", parent});
    if (mounted) QCOMPARE(::umount(encoded.constData()), 0);

    QCOMPARE(f.prompter.errors.size(), 1);
    QVERIFY2(f.prompter.errors[0].contains(message), qPrintable(f.prompter.errors[0]));
    QVERIFY(c.Frame3->isVisible());
    QCOMPARE(f.folder.bytes(), original);
    QCOMPARE(f.cell(80), QString("5"));
  }

  // Faults injected into single system calls of a child process through strace: the write
  // of the record, its flush, the backup's flush, and a write that claims success without
  // writing (caught by reading the record back). The child then saves again.
  void injectedSystemCallFaults_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("inject");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("recordMayBeWritten");
    // Calls are counted on the named file only, and each fault strikes once, so that the
    // child's second save finds the fault gone. On planes.dat, pread64 runs for the load (1),
    // the check for changes by others (2) and the read back (3).
    const QString data = "planes.dat";
    const QString backup = ".planes.dat.bak.fault";
    QTest::newRow("record write EIO") << data << "pwrite64:error=EIO:when=1"
                                      << "Input/output error" << false;
    QTest::newRow("record write ENOSPC") << data << "pwrite64:error=ENOSPC:when=1"
                                         << "No space left" << false;
    QTest::newRow("record write EDQUOT") << data << "pwrite64:error=EDQUOT:when=1"
                                         << "quota" << false;
    QTest::newRow("record flush EIO") << data << "fdatasync:error=EIO:when=1"
                                      << "flushing to disk failed: Input/output error" << true;
    QTest::newRow("lost write") << data << "pwrite64:retval=168:when=1"
                                << "reading it back" << false;
    QTest::newRow("check read EIO") << data << "pread64:error=EIO:when=2"
                                    << "cannot be read: Input/output error" << false;
    QTest::newRow("read back EIO") << data << "pread64:error=EIO:when=3"
                                   << "reading it back" << true;
    QTest::newRow("open for writing EACCES")
        << data << "openat:error=EACCES:when=4"
        << "cannot be opened for writing: Permission denied" << false;
    QTest::newRow("backup write EIO") << backup << "pwrite64:error=EIO:when=1"
                                      << "backup copy" << false;
    QTest::newRow("backup write ENOSPC") << backup << "pwrite64:error=ENOSPC:when=1"
                                         << "No space left" << false;
    QTest::newRow("backup flush EIO") << backup << "fsync:error=EIO:when=1"
                                      << "backup copy" << false;
    QTest::newRow("backup rename EXDEV") << backup << "rename:error=EXDEV:when=1"
                                         << "backup copy" << false;
    const QString first = ".planes.dat.orig.fault";
    QTest::newRow("first backup write EIO") << first << "pwrite64:error=EIO:when=1"
                                            << "planes.dat.orig\" could not be made" << false;
    QTest::newRow("first backup flush EIO") << first << "fsync:error=EIO:when=1"
                                            << "Input/output error" << false;
    QTest::newRow("first backup rename EXDEV") << first << "renameat2:error=EXDEV:when=1"
                                               << "Invalid cross-device link" << false;
  }
  void injectedSystemCallFaults() {
    QFETCH(QString, file);
    QFETCH(QString, inject);
    QFETCH(QString, message);
    QFETCH(bool, recordMayBeWritten);
    if (QStandardPaths::findExecutable("strace").isEmpty() ||
        !run("strace", {"-qq", "-o", "/dev/null", "true"})) {
      QSKIP("strace is missing or cannot trace here");
    }
    test::DataFolder folder;
    const QByteArray original = folder.bytes();
    const Traced t = runTraced(file, inject, folder.path());
    QVERIFY2(t.exitCode == 0, qPrintable(t.out + t.err));
    QVERIFY2(t.out.contains(message), qPrintable(t.out));
    QVERIFY2(t.out.contains("modified=1"), qPrintable(t.out));
    QVERIFY2(t.out.contains("saved=0"), qPrintable(t.out));
    QFile first(folder.path() + "/after-first-save.dat");
    QVERIFY(first.open(QIODevice::ReadOnly));
    const QByteArray after = first.readAll();
    const QByteArray whole = withRecord(original, kSlot, editedRecord(original));
    QVERIFY2(after == original || (recordMayBeWritten && after == whole),
             "the file holds part of a record");
    // Once the fault has passed, saving again writes the whole record without a question
    // (the failed save's own bytes are no other program's change).
    QVERIFY2(t.out.contains("again: saved=1 questions=0"), qPrintable(t.out));
    QCOMPARE(folder.bytes(), whole);
    // Both copies are whole once the save has gone through, and no temporary is left.
    QCOMPARE(readAll(folder.filePath() + ".bak"), original);
    QCOMPARE(readAll(folder.filePath() + ".orig"), original);
    QCOMPARE(QDir(folder.path())
                 .entryList({".*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
  }
};

QTEST_MAIN(SaveSafetyTest)
#include "test_save_safety.moc"
