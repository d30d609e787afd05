// The subcommands as a user runs them: the real tolvane binary with no display at all
// (DISPLAY and QT_QPA_PLATFORM unset), on a generated planes.dat. Exit codes, standard output
// and error, and the bytes of planes.dat and of the folder around it.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "record/fields.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/controls.h"
#include "ui/dir_list.h"

using namespace tolvane;
using test::DataFolder;

namespace {

struct Run {
  int code = -1;
  QByteArray out;
  QByteArray err;
};

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The environment of a run without any display, in the current folder.
QProcessEnvironment environmentWithoutDisplay() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir::current().filePath("config"));
  return environment;
}

Run finish(QProcess& process, const QStringList& arguments) {
  Run run;
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
    qWarning("tolvane %s did not finish", qPrintable(arguments.join(' ')));
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.code = process.exitCode();
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

// Runs the program in the current folder (a DataFolder's) without any display.
Run runTolvane(const QStringList& arguments) {
  QProcess process;
  process.setProcessEnvironment(environmentWithoutDisplay());
  process.start(QStringLiteral(TOLVANE_BINARY), arguments);
  return finish(process, arguments);
}

bool straceWorks() {
  QProcess p;
  p.start(QStringLiteral("strace"), {"-qq", "-o", "/dev/null", "true"});
  return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The process id of the only child of a process.
qint64 childOf(qint64 pid) {
  QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
  if (!children.open(QIODevice::ReadOnly)) return 0;
  return children.readAll().trimmed().toLongLong();
}

// Runs the program under strace with `trace`, strace's options (the calls traced, the fault
// injected). When the options stop the program with SIGSTOP, `whileStopped` acts as another
// program would while it is stopped, and then the program goes on.
Run runTraced(const QStringList& trace, const QStringList& arguments,
              const std::function<void()>& whileStopped) {
  QTemporaryDir logs;
  const QString log = logs.filePath(QStringLiteral("strace.log"));
  QProcess process;
  QProcessEnvironment environment = environmentWithoutDisplay();
  // In a sanitizer build the leak check at exit cannot run under ptrace.
  environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":detect_leaks=0");
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral("strace"), QStringList{"-qq", "-o", log} + trace +
                                              QStringList{QStringLiteral(TOLVANE_BINARY)} +
                                              arguments);
  if (whileStopped) {
    // strace notes the stop in its log once the program has stopped.
    QElapsedTimer waited;
    waited.start();
    while (!readAll(log).contains("stopped by SIGSTOP")) {
      if (process.state() == QProcess::NotRunning || waited.hasExpired(30000)) {
        qWarning("tolvane did not stop: %s", readAll(log).right(2000).constData());
        return finish(process, arguments);
      }
      QTest::qWait(10);
    }
    const qint64 pid = childOf(process.processId());
    whileStopped();
    ::kill(static_cast<pid_t>(pid), SIGCONT);
  }
  return finish(process, arguments);
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray golden(const QString& name) {
  return readAll(QStringLiteral(TOLVANE_GOLDEN_DIR "/") + name);
}

// The file's bytes and the names in its folder, to tell that nothing was written.
struct FolderState {
  QByteArray data;
  QStringList names;
  bool operator==(const FolderState& other) const {
    return data == other.data && names == other.names;
  }
};

FolderState stateOf(const DataFolder& folder) {
  return {folder.bytes(), QDir(folder.path()).entryList(QDir::Files | QDir::Hidden)};
}

// A script of a slot's generated record, as export writes it, with some lines replaced
// (line numbers counted from 1).
QByteArray exportedScript(int slot, const QMap<int, QByteArray>& lines = {}) {
  const Run run = runTolvane({"export", "--slot", QString::number(slot)});
  QList<QByteArray> split = run.out.split('\n');
  for (auto it = lines.begin(); it != lines.end(); ++it) split[it.key() - 1] = it.value() + "\r";
  return split.join('\n');
}

QJsonObject fieldByKey(const QJsonArray& fields, const QString& key) {
  for (const QJsonValue& field : fields) {
    if (field.toObject().value("key").toString() == key) return field.toObject();
  }
  return {};
}

}  // namespace

class CommandLineTest : public QObject {
  Q_OBJECT
 private slots:
  void showPrintsTheTableAndOneAircraftAsTheGoldenText() {
    DataFolder folder;
    Run run = runTolvane({"show"});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, golden("show_all.txt"));

    run = runTolvane({"show", folder.path(), "--slot", "b-24D"});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, golden("show_b24d.txt"));
    // The number and the name give the same aircraft.
    QCOMPARE(runTolvane({"show", "--slot", "7"}).out, run.out);
    run = runTolvane({"show", "--slot", "7", "--json"});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, golden("show_b24d.json"));
  }

  void showJsonHoldsRawBytesBesideDecodedValues() {
    DataFolder folder;
    const Run run = runTolvane({"show", "--json"});
    QCOMPARE(run.code, 0);
    const QJsonObject root = QJsonDocument::fromJson(run.out).object();
    const QJsonArray aircraft = root.value("aircraft").toArray();
    QCOMPARE(aircraft.size(), record::kSlotCount);
    const QJsonObject b24 = aircraft[7].toObject();
    QCOMPARE(b24.value("aircraft").toString(), QString("B-24D"));
    QCOMPARE(b24.value("first_position").toInt(), 1517);
    const QJsonArray fields = b24.value("fields").toArray();
    QCOMPARE(fields.size(), static_cast<int>(record::allFields().size()));
    // Keys are unique and every byte of the record is in exactly one field.
    QSet<QString> keys;
    int rows = 0;
    for (const QJsonValue& value : fields) {
      const QJsonObject field = value.toObject();
      QVERIFY2(!keys.contains(field.value("key").toString()),
               qPrintable(field.value("key").toString()));
      keys.insert(field.value("key").toString());
      rows += field.value("raw").toArray().size();
    }
    QCOMPARE(rows, record::kRecordBytes);

    const QJsonObject speed = fieldByKey(fields, "max_speed");
    QCOMPARE(speed.value("raw").toArray(), QJsonArray({92, 118, 0, 0}));
    QCOMPARE(speed.value("value").toInt(), 30300);
    QCOMPARE(speed.value("unit").toString(), QString("mph"));
    QCOMPARE(speed.value("unit_value").toDouble(), 303.0);
    QCOMPARE(speed.value("metric_unit").toString(), QString("km/h"));
    QCOMPARE(speed.value("metric_value").toDouble(), 487.61);
    QCOMPARE(speed.value("text").toString(), QString("303 mph (487.61 km/h)"));
    // Flags by bit number and, in the same order, by the names of the window's boxes.
    const QJsonObject flags = fieldByKey(fields, "flags_byte_5");
    QCOMPARE(flags.value("bits").toArray(), QJsonArray({1, 2, 5}));
    QCOMPARE(flags.value("flags").toArray(), QJsonArray({"Bomber", "Flyable", "Four engined"}));
    QCOMPARE(flags.value("text").toString(), QString("38 (Bomber, Flyable, Four engined)"));
    QCOMPARE(fieldByKey(fields, "flags_byte_8").value("flags").toArray(),
             QJsonArray({"Defensive gun", "Multi crewed", "Light Armour"}));
    const QJsonObject code = fieldByKey(fields, "code");
    QCOMPARE(code.value("value").toString(), QString("B24D"));
    QCOMPARE(code.value("raw").toArray(), QJsonArray({'B', '2', '4', 'D'}));
  }

  void badPathsAndSlotsAreTroubleWithAMessage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("fileBytes");  // planes.dat replaced by these when not null
    QTest::addColumn<QString>("message");
    const QByteArray keep;
    QTest::newRow("missing folder") << QStringList{"show", "nowhere"} << keep << "does not exist";
    QTest::newRow("no planes.dat")
        << QStringList{"show", "config-empty"} << keep << "There is no planes.dat";
    QTest::newRow("short file") << QStringList{"show"} << test::demoBytes().left(3000)
                                << "too short";
    QTest::newRow("short file, one aircraft before its end")
        << QStringList{"show", "--slot", "29"} << test::demoBytes().left(6000) << "too short";
    QTest::newRow("slot 30") << QStringList{"show", "--slot", "30"} << keep << "no aircraft \"30\"";
    QTest::newRow("unknown name") << QStringList{"export", "--slot", "Spitfire"} << keep
                                  << "no aircraft \"Spitfire\"";
    QTest::newRow("export without slot") << QStringList{"export"} << keep << "needs --slot";
    QTest::newRow("unknown option") << QStringList{"show", "--colour"} << keep << "colour";
    QTest::newRow("diff with one path") << QStringList{"diff", "."} << keep << "two paths";
  }
  void badPathsAndSlotsAreTroubleWithAMessage() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, fileBytes);
    QFETCH(QString, message);
    DataFolder folder;
    QVERIFY(QDir().mkdir("config-empty"));
    if (!fileBytes.isNull()) folder.setBytes(fileBytes);
    const Run run = runTolvane(arguments);
    QCOMPARE(run.code, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith("tolvane: ") && run.err.contains(message.toUtf8()), run.err);
  }

  void diffExitsZeroWhenEqualOneWhenTheyDifferTwoOnTrouble() {
    DataFolder folder;
    QVERIFY(QDir().mkdir("other"));
    QVERIFY(QFile::copy(folder.filePath(), "other/PLANES.DAT"));
    Run run = runTolvane({"diff", ".", "other"});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, QByteArray());

    // Max speed and armour of the B-24D and the year of the Me 262 in one; a byte between two
    // records.
    QByteArray changed = folder.bytes();
    changed[static_cast<int>(record::bytePosition(7, 25) - 1)] = char(0x10);
    changed[static_cast<int>(record::bytePosition(7, 8) - 1)] = char(35);  // Heavy armour
    changed[static_cast<int>(record::bytePosition(24, 9) - 1)] = char(0x99);
    writeAll("other/PLANES.DAT", changed);
    run = runTolvane({"diff", "planes.dat", "other"});
    QCOMPARE(run.code, 1);
    QCOMPARE(run.out, golden("diff_two_aircraft.txt"));
    run = runTolvane({"diff", "planes.dat", "other", "--json"});
    QCOMPARE(run.code, 1);
    QCOMPARE(run.out, golden("diff_two_aircraft.json"));
    // One aircraft alone; one that did not change.
    QCOMPARE(runTolvane({"diff", ".", "other", "--slot", "Me 262"}).out,
             QByteArray("Me 262 (slot 24):\n  Year: 1944 \u2192 1945\n"));
    QCOMPARE(runTolvane({"diff", ".", "other", "--slot", "0"}).code, 0);

    const int between = static_cast<int>(record::bytePosition(3, record::kRecordBytes));
    changed = folder.bytes();
    changed[between] = static_cast<char>(changed[between] ^ 1);
    writeAll("other/PLANES.DAT", changed);
    run = runTolvane({"diff", ".", "other"});
    QCOMPARE(run.code, 1);
    QCOMPARE(run.out, QByteArray("Outside the aircraft records: 1 bytes differ; A holds 6484 "
                                 "bytes, B 6484.\n"));

    run = runTolvane({"diff", ".", "missing"});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.startsWith("tolvane: "), run.err);
  }

  void diffJsonHasTheFieldsOfShow() {
    DataFolder folder;
    QVERIFY(QDir().mkdir("other"));
    QByteArray changed = folder.bytes();
    changed[static_cast<int>(record::bytePosition(7, 9) - 1)] = char(0x98);      // 1943 -> 1944
    changed[static_cast<int>(record::bytePosition(7, 5) - 1)] = char(38 | 128);  // and German
    writeAll("other/planes.dat", changed);
    const Run run = runTolvane({"diff", ".", "other", "--json"});
    QCOMPARE(run.code, 1);
    const QJsonObject root = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(root.value("equal").toBool(), false);
    QCOMPARE(root.value("a").toObject().value("kind").toString(), QString("data_file"));
    const QJsonArray aircraft = root.value("aircraft").toArray();
    QCOMPARE(aircraft.size(), 1);
    QCOMPARE(aircraft[0].toObject().value("slot").toInt(), 7);
    const QJsonArray changes = aircraft[0].toObject().value("changes").toArray();
    QCOMPARE(changes.size(), 2);
    const QJsonObject flags = changes[0].toObject();
    QCOMPARE(flags.value("key").toString(), QString("flags_byte_5"));
    QCOMPARE(flags.value("b").toObject().value("bits").toArray(), QJsonArray({1, 2, 5, 7}));
    QCOMPARE(flags.value("b").toObject().value("flags").toArray(),
             QJsonArray({"Bomber", "Flyable", "Four engined", "German"}));
    const QJsonObject change = changes[1].toObject();
    QCOMPARE(change.value("key").toString(), QString("year"));
    // The field objects are the ones show prints.
    const QJsonObject shownA =
        fieldByKey(QJsonDocument::fromJson(runTolvane({"show", "--slot", "7", "--json"}).out)
                       .object()
                       .value("aircraft")
                       .toArray()[0]
                       .toObject()
                       .value("fields")
                       .toArray(),
                   "year");
    QCOMPARE(change.value("a").toObject(), shownA);
    QCOMPARE(change.value("b").toObject().value("value").toInt(), 1944);
  }

  void exportThenApplyToTheSameSlotChangesNoByte() {
    DataFolder folder;
    for (const int slot : {0, 7, 29}) {
      const FolderState before = stateOf(folder);
      const Run exported = runTolvane({"export", "--slot", QString::number(slot), "-o", "x.oaw"});
      QCOMPARE(exported.code, 0);
      const Run applied = runTolvane({"apply", "x.oaw"});
      QCOMPARE(applied.code, 0);
      QVERIFY2(applied.out.contains("no value changed"), applied.out);
      QCOMPARE(folder.bytes(), before.data);
      // Nothing to write: not even a backup is made.
      QVERIFY(!QFile::exists("planes.dat.bak"));
      QCOMPARE(runTolvane({"diff", "x.oaw", "."}).code, 0);
      QVERIFY(QFile::remove("x.oaw"));
    }
  }

  void exportIsTheScriptMakersFile() {
    test::Fixture f;
    const auto& c = f.window->controls();
    f.pick(7);
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QTemporaryDir parent;
    c.Dir1->setPath(parent.path());
    c.Text12->clear();
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QVERIFY2(f.prompter.errors.isEmpty(), qPrintable(f.prompter.errors.join('\n')));
    const QByteArray made = readAll(parent.filePath("B-24D.oaw"));
    QVERIFY(!made.isEmpty());
    const Run run = runTolvane({"export", "--slot", "B-24D"});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, made);

    // With a name line and a description typed in the panel.
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QTest::keyClicks(c.Text11, "pn_b24");
    c.Text10->setPlainText("Two\nlines");
    f.prompter.answers = {true};
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QCOMPARE(
        runTolvane({"export", "--slot", "7", "--pnames", "pn_b24", "--description", "Two\nlines"})
            .out,
        readAll(parent.filePath("B-24D.oaw")));
  }

  void exportToAFileKeepsAnExistingScriptUnlessForced() {
    DataFolder folder;
    writeAll("mine.oaw", "mine");
    Run run = runTolvane({"export", "--slot", "3", "-o", "mine.oaw"});
    QCOMPARE(run.code, 1);
    QCOMPARE(readAll("mine.oaw"), QByteArray("mine"));
    run = runTolvane({"export", "--slot", "3", "-o", "mine.oaw", "--force"});
    QCOMPARE(run.code, 0);
    QCOMPARE(readAll("mine.oaw"), runTolvane({"export", "--slot", "3"}).out);
    // Only a script's name: planes.dat can never be the output.
    run = runTolvane({"export", "--slot", "3", "-o", "planes.dat", "--force"});
    QCOMPARE(run.code, 2);
    QCOMPARE(folder.bytes(), test::demoBytes());
    // A name line longer than a script holds is refused, not cut.
    run = runTolvane({"export", "--slot", "3", "--pnames", "a name line of twenty"});
    QCOMPARE(run.code, 1);
    QCOMPARE(run.out, QByteArray());
  }

  void applyWritesTheScriptBacksUpAndPrintsTheChanges() {
    DataFolder folder;
    // Line 26 holds record byte 25, the low byte of the max speed.
    writeAll("fast.oaw", exportedScript(7, {{26, "100"}}));
    const FolderState before = stateOf(folder);
    Run run = runTolvane({"apply", "fast.oaw", "--dry-run"});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.out.startsWith("B-24D (slot 7) from \"fast.oaw\", would change:\n"
                                "  Max speed: 303 mph (487.61 km/h) \u2192 303.08 mph"),
             run.out);
    QVERIFY(stateOf(folder) == before);

    // To another aircraft with --slot: only its record changes.
    run = runTolvane({"apply", "fast.oaw", "--slot", "Spit IX", "--to", folder.filePath()});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.out.startsWith("Spit IX (slot 11) from \"fast.oaw\", changed:\n"), run.out);
    const QByteArray after = folder.bytes();
    QCOMPARE(after.size(), before.data.size());
    for (int i = 0; i < after.size(); ++i) {
      const bool inSlot11 = i + 1 >= record::bytePosition(11, 1) &&
                            i + 1 <= record::bytePosition(11, record::kRecordBytes);
      if (!inSlot11) QCOMPARE(after[i], before.data[i]);
    }
    QCOMPARE(readAll("planes.dat.bak"), before.data);
    QCOMPARE(readAll("planes.dat.orig"), before.data);
    QCOMPARE(runTolvane({"diff", "fast.oaw", ".", "--slot", "11"}).code, 0);
  }

  void everyRefusalOfApplyWritesNothing_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("a value that is no byte")
        << QStringList{"apply", "good.oaw", "bad-value.oaw"} << 1
        << "\"bad-value.oaw\" cannot be applied: line 20: \"256\"";
    QTest::newRow("a slot line out of range")
        << QStringList{"apply", "bad-slot.oaw"} << 1 << "line 2: \"30\"";
    QTest::newRow("a missing script")
        << QStringList{"apply", "good.oaw", "none.oaw"} << 1 << "none.oaw";
    QTest::newRow("two scripts for one aircraft")
        << QStringList{"apply", "good.oaw", "good.oaw"} << 1 << "two scripts are for B-24D";
    QTest::newRow("--slot with two scripts")
        << QStringList{"apply", "good.oaw", "other.oaw", "--slot", "3"} << 2
        << "--slot applies one script";
    QTest::newRow("into a backup") << QStringList{"apply", "good.oaw", "--to", "copy.bak"} << 2
                                   << "apply writes only into planes.dat";
    QTest::newRow("no planes.dat there")
        << QStringList{"apply", "good.oaw", "--to", "empty"} << 2 << "There is no planes.dat";
    QTest::newRow("no script") << QStringList{"apply"} << 2 << "at least one aircraft script";
  }
  void everyRefusalOfApplyWritesNothing() {
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, message);
    DataFolder folder;
    writeAll("good.oaw", exportedScript(7, {{26, "100"}}));
    writeAll("other.oaw", exportedScript(2, {{26, "100"}}));
    writeAll("bad-value.oaw", exportedScript(2, {{20, "256"}}));
    writeAll("bad-slot.oaw", exportedScript(2, {{2, "30"}}));
    writeAll("copy.bak", folder.bytes());
    QVERIFY(QDir().mkdir("empty"));
    const FolderState before = stateOf(folder);
    const Run run = runTolvane(arguments);
    QCOMPARE(run.code, code);
    QVERIFY2(run.err.startsWith("tolvane: ") && run.err.contains(message.toUtf8()), run.err);
    QCOMPARE(run.out, QByteArray());
    QVERIFY(stateOf(folder) == before);
    QCOMPARE(readAll("copy.bak"), before.data);
  }

  // The faults the window's save is tested with, through apply: a full disk, a folder that
  // takes no backup, planes.dat changed, replaced, cut short or removed by another program
  // between the read and the write (the program is stopped there), a short or missing file.
  // Each ends with a message and its exit status, and planes.dat and its backups exactly as
  // docs/command-line.md says.
  void applyFileFaults_data() {
    QTest::addColumn<QStringList>("trace");    // strace's options; "%1" is planes.dat
    QTest::addColumn<QString>("fault");        // what the test does to the folder or file
    QTest::addColumn<QStringList>("scripts");  // b24: B-24D (slot 7); spit: Spit IX (11);
                                               // last: slot 29
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("after");  // planes.dat: "as it was", "theirs", "B-24D written",
                                         // "Spit IX written", or "gone"
    QTest::addColumn<bool>("backups");   // .bak and .orig hold the file as it was
    const QStringList b24{"b24.oaw"};
    auto onData = [](const QString& call, const QString& inject) {
      return QStringList{"-P", "%1", "-e", "trace=" + call, "-e", "inject=" + call + ":" + inject};
    };
    // Calls counted in the whole program: the first pwrite64 copies planes.dat to its backup.
    auto anywhere = [](const QString& call, const QString& inject) {
      return QStringList{"-e", "trace=" + call, "-e", "inject=" + call + ":" + inject};
    };
    // planes.dat is opened to read the aircraft (1), then to check it before the write (2).
    const QStringList stopBeforeTheCheck = onData("openat", "signal=SIGSTOP:when=2");
    QTest::newRow("full disk: the record's write")
        << onData("pwrite64", "error=ENOSPC:when=1") << "" << b24 << 2
        << "writing failed: No space left on device. Nothing was written."
        << "as it was" << true;
    QTest::newRow("full disk: the record's flush")
        << onData("fdatasync", "error=ENOSPC:when=1") << "" << b24 << 2
        << "flushing to disk failed: No space left on device. \"%1\" holds the new record of "
           "B-24D, but it may not have reached the disk"
        << "B-24D written" << true;
    QTest::newRow("full disk: the backup copy")
        << anywhere("pwrite64", "error=ENOSPC:when=1") << "" << b24 << 1
        << "backup copy \"%1.bak\" could not be made: No space left on device"
        << "as it was" << false;
    QTest::newRow("full disk: the second aircraft's write")
        << onData("pwrite64", "error=ENOSPC:when=2") << "" << QStringList{"spit.oaw", "b24.oaw"}
        << 2
        << "B-24D (slot 7) could not be written: The record was not saved to \"%1\": writing "
           "failed: No space left on device. B-24D (slot 7) and the aircraft after it were not "
           "written; the ones listed above were."
        << "Spit IX written" << true;
    QTest::newRow("a write not read back as written")
        << onData("pwrite64", "retval=168:when=1") << "" << b24 << 2
        << "reading it back does not give the bytes written"
        << "as it was" << true;
    QTest::newRow("unwritable folder: no backup possible")
        << QStringList() << "unwritable folder" << b24 << 1
        << "its backup copy \"%1.bak\" could not be made"
        << "as it was" << false;
    QTest::newRow("changed by another program between the read and the write")
        << stopBeforeTheCheck << "change" << b24 << 1
        << "another program changed B-24D (slot 7) in \"%1\" since it was read (Empty wt "
           "32605 \u2192 10845). Nothing was written."
        << "theirs" << false;
    QTest::newRow("replaced by another program's file between the read and the write")
        << stopBeforeTheCheck << "replace" << b24 << 1
        << "another program changed B-24D (slot 7) in \"%1\" since it was read (Empty wt "
           "32605 \u2192 10845)"
        << "theirs" << false;
    QTest::newRow("cut short between the read and the write")
        << stopBeforeTheCheck << "shorten" << b24 << 2 << "\"%1\" is too short: it holds 1000 bytes"
        << "theirs" << false;
    QTest::newRow("removed between the read and the write")
        << stopBeforeTheCheck << "remove" << b24 << 2 << "the file is no longer there"
        << "gone" << false;
    QTest::newRow("short planes.dat") << QStringList() << "short" << QStringList{"last.oaw"} << 2
                                      << "\"%1\" is too short: it holds 6400 bytes"
                                      << "theirs" << false;
    QTest::newRow("missing planes.dat")
        << QStringList() << "missing" << b24 << 2 << "There is no planes.dat in the folder"
        << "gone" << false;
  }
  void applyFileFaults() {
    QFETCH(QStringList, trace);
    QFETCH(QString, fault);
    QFETCH(QStringList, scripts);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, after);
    QFETCH(bool, backups);
    if (!trace.isEmpty() &&
        (QStandardPaths::findExecutable("strace").isEmpty() || !straceWorks())) {
      QSKIP("strace is missing or cannot trace here");
    }
    DataFolder folder;
    const QString data = folder.filePath();
    const QByteArray original = folder.bytes();
    // The Heavy armour flag (byte 8) and the code's third letter (byte 167) of the B-24D, so
    // that a record written in part would show; the max speed of the others.
    writeAll("b24.oaw", exportedScript(7, {{9, "35"}, {168, "90"}}));
    writeAll("spit.oaw", exportedScript(11, {{26, "100"}}));
    writeAll("last.oaw", exportedScript(29, {{26, "100"}}));
    auto written = [](QByteArray file, int slot, QMap<int, int> bytes) {
      for (auto it = bytes.begin(); it != bytes.end(); ++it) {
        file[int(record::bytePosition(slot, it.key()) - 1)] = char(it.value());
      }
      return file;
    };
    // Another program's version: the B-24D's empty weight changed (32605 to 10845).
    QByteArray theirs = written(original, 7, {{30, 42}});
    if (fault == "short") theirs = original.left(6400);
    if (fault == "shorten") theirs = original.left(1000);
    if (fault == "short") folder.setBytes(theirs);
    if (fault == "missing") QVERIFY(QFile::remove(data));

    // A folder that takes no new file: immutable for root, read-only for anyone else.
    const QByteArray dir = QFile::encodeName(folder.path());
    struct Unlock {
      QString path;
      void release() {
        if (path.isEmpty()) return;
        if (::geteuid() == 0) QProcess::execute("chattr", {"-i", path});
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        path.clear();
      }
      ~Unlock() { release(); }
    } unlock;
    if (fault == "unwritable folder") {
      unlock.path = folder.path();
      const bool locked = ::geteuid() == 0 ? QProcess::execute("chattr", {"+i", folder.path()}) == 0
                                           : ::chmod(dir.constData(), 0555) == 0;
      if (!locked) QSKIP("the folder cannot be made unwritable here (chattr +i needs root)");
    }

    const auto whileStopped = [&] {
      if (fault == "change") writeAll(data, theirs);
      if (fault == "shorten") QFile::resize(data, 1000);
      if (fault == "remove") QFile::remove(data);
      if (fault == "replace") {
        writeAll(folder.path() + "/theirs.tmp", theirs);
        ::rename(QFile::encodeName(folder.path() + "/theirs.tmp").constData(),
                 QFile::encodeName(data).constData());
      }
    };
    for (QString& option : trace) option.replace("%1", data);
    const QStringList arguments =
        QStringList{"apply"} + scripts + QStringList{"--to", folder.path()};
    const bool stops = trace.join(' ').contains("SIGSTOP");
    const Run run = trace.isEmpty() ? runTolvane(arguments)
                                    : runTraced(trace, arguments,
                                                stops ? whileStopped : std::function<void()>());
    unlock.release();

    QCOMPARE(run.code, code);
    QVERIFY2(run.err.startsWith("tolvane: "), run.err);
    QVERIFY2(QString::fromUtf8(run.err).contains(QString(message).replace("%1", data)), run.err);
    // Only an aircraft written before the fault is reported as changed.
    QCOMPARE(run.out.isEmpty(), after != "Spit IX written");
    if (after == "as it was") QCOMPARE(folder.bytes(), original);
    if (after == "theirs") QCOMPARE(folder.bytes(), theirs);
    if (after == "B-24D written")
      QCOMPARE(folder.bytes(), written(original, 7, {{8, 35}, {167, 90}}));
    if (after == "Spit IX written") QCOMPARE(folder.bytes(), written(original, 11, {{25, 100}}));
    if (after == "gone") QVERIFY(!QFile::exists(data));
    QCOMPARE(readAll(data + ".bak"), backups ? original : QByteArray());
    QCOMPARE(readAll(data + ".orig"), backups ? original : QByteArray());
    // No temporary copy is left behind.
    QCOMPARE(QDir(folder.path()).entryList({".*"}, QDir::Files | QDir::Hidden), QStringList());
  }

  // A command loads Qt Core and not the GUI libraries, which cost more to load than most
  // commands take to run: the window comes from a library of its own.
  void aCommandLoadsNoGuiLibrary() {
    DataFolder folder;
    QProcess process;
    QProcessEnvironment environment = environmentWithoutDisplay();
    // The dynamic loader lists what it would load for the program, and stops there.
    environment.insert(QStringLiteral("LD_TRACE_LOADED_OBJECTS"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TOLVANE_BINARY), {"show"});
    const Run run = finish(process, {"show"});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.out.contains("libQt6Core.so"), run.out.constData());
    for (const char* gui : {"libQt6Gui", "libQt6Widgets", "libQt6Svg", "libGL", "libfontconfig"}) {
      QVERIFY2(!run.out.contains(gui), gui);
    }
  }

  // A program file without the window's library beside it: the commands still work, and the
  // window says why it cannot start instead of failing somewhere later.
  void withoutTheWindowsLibraryTheCommandsStillWork() {
    DataFolder folder;
    const QString program = QDir(folder.path()).filePath("tolvane-alone");
    QVERIFY(QFile::copy(QStringLiteral(TOLVANE_BINARY), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    const auto runAlone = [&](const QStringList& arguments) {
      QProcess process;
      process.setProcessEnvironment(environmentWithoutDisplay());
      process.start(program, arguments);
      return finish(process, arguments);
    };
    Run run = runAlone({"show", "--slot", "7"});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, golden("show_b24d.txt"));

    const QByteArray before = folder.bytes();
    QProcessEnvironment offscreen = environmentWithoutDisplay();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess window;
    window.setProcessEnvironment(offscreen);
    window.start(program, {folder.path()});
    run = finish(window, {folder.path()});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.startsWith("tolvane: the window cannot start: "), run.err.constData());
    QVERIFY2(run.err.contains("libtolvane-window.so"), run.err.constData());
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(folder.bytes(), before);
  }

  // The completion script lists the aircraft names itself; they must stay the list's.
  void bashCompletionOffersTheAircraftNames() {
    const QByteArray script = readAll(QStringLiteral(TOLVANE_GOLDEN_DIR "/../../../packaging/"
                                                                        "tolvane.bash-completion"));
    const qsizetype start = script.indexOf("local names=\"");
    QVERIFY(start >= 0);
    const qsizetype from = start + qsizetype(sizeof("local names=\"") - 1);
    const QList<QByteArray> names = script.mid(from, script.indexOf('"', from) - from).split('\n');
    QCOMPARE(names.size(), record::kSlotCount);
    for (int slot = 0; slot < record::kSlotCount; ++slot) {
      QCOMPARE(names[slot], QByteArray(record::slotNames()[static_cast<std::size_t>(slot)]));
    }
  }
};

QTEST_MAIN(CommandLineTest)
#include "test_command_line.moc"
