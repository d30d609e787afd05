// Saving the record document into a generated planes.dat without a window: what is written,
// what is refused, when the player must be asked and that nothing is written until they are.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "record/demo_data.h"
#include "record/file_system.h"
#include "record/save_pipeline.h"

using namespace tolvane::record;
using Status = SaveOutcome::Status;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kSlot = 0;  // P38H: Year 1943 in rows 9-10 (151, 7), Crew 1, Code "P38H"
constexpr int kYearLow = 9;
constexpr int kMaxSpeed = 25;

Bytes readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Another program writes bytes into the file in place.
void patch(const fs::path& file, std::int64_t position, const Bytes& bytes) {
  std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(static_cast<std::streamoff>(position - 1));
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  QVERIFY(out.good());
}

// The whole file as it must be with a record put in at a slot.
Bytes withRecord(Bytes file, int slot, const RecordBytes& record) {
  for (int row = 1; row <= kRecordBytes; ++row) {
    file[static_cast<std::size_t>(bytePosition(slot, row) - 1)] =
        record[static_cast<std::size_t>(row - 1)];
  }
  return file;
}

std::set<std::string> names(const fs::path& folder) {
  std::set<std::string> out;
  for (const auto& entry : fs::directory_iterator(folder)) out.insert(entry.path().filename());
  return out;
}

const char* statusName(Status status) {
  switch (status) {
    case Status::Written:
      return "Written";
    case Status::Refused:
      return "Refused";
    case Status::ChangedByOthers:
      return "ChangedByOthers";
    case Status::NoBackup:
      return "NoBackup";
    case Status::Failed:
      return "Failed";
    case Status::NotReadBack:
      return "NotReadBack";
  }
  return "?";
}

QString changesText(const SaveOutcome& outcome) {
  QStringList out;
  for (const FieldChange& change : outcome.changes) {
    out << QString::fromStdString(change.field->name + ": " + change.before + " -> " +
                                  change.after);
  }
  return out.join("; ");
}

// Temporary folders go into memory where the system has such a folder: every save flushes the
// file, its copies and the folder to disk, which on a disk costs tens of milliseconds a save.
QString temporaryTemplate() {
  const QFileInfo shm(QStringLiteral("/dev/shm"));
  const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
  return base + QStringLiteral("/tolvane-save-XXXXXX");
}

// A temporary folder with a generated planes.dat and a document opened from it.
struct Game {
  QTemporaryDir dir{temporaryTemplate()};
  fs::path folder{dir.path().toStdString()};
  fs::path file;
  RecordDocument document;
  RecordWriter writer;

  explicit Game(int slot = kSlot, const char* fileName = "planes.dat") : file(folder / fileName) {
    const std::string error = writeDemoFile(file);
    if (!error.empty()) qFatal("%s", error.c_str());
    const RecordRead read = readRecord(file, slot);
    if (!read.ok()) qFatal("%s", read.error.c_str());
    document.open(slot, bytePosition(slot, 1), read.bytes);
  }
  SaveOutcome save(const SaveAnswers& answers = {}) {
    return saveRecord(document, folder, writer, answers);
  }
  bool has(const std::string& name) const { return fs::exists(folder / name); }
  // The whole file as the document's values would make it.
  Bytes saved() const { return withRecord(demoFile(), document.slot(), *document.bytes()); }
};

#define COMPARE_STATUS(outcome, expected)  \
  QVERIFY2((outcome).status == (expected), \
           (std::string(statusName((outcome).status)) + ": " + (outcome).reason).c_str())

}  // namespace

class SavePipelineTest : public QObject {
  Q_OBJECT
 private slots:
  void aRefusedValueIsNamedAndNothingIsWritten() {
    Game game;
    game.document.setValue(40, "300");
    game.document.setValue(12, "1x");
    game.document.setValue(kMaxSpeed, "7");
    const SaveOutcome outcome = game.save();
    COMPARE_STATUS(outcome, Status::Refused);
    QCOMPARE(outcome.refusedRow, 12);
    QVERIFY(readAll(game.file) == demoFile());
    QCOMPARE(names(game.folder), std::set<std::string>{"planes.dat"});
    QVERIFY(game.document.unsaved());
    QVERIFY(game.document.fileBytes() == demoRecord(kSlot));
  }

  void writtenChangesOnlyTheRecord_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("first slot") << 0 << "planes.dat";
    QTest::newRow("middle slot") << 13 << "planes.dat";
    QTest::newRow("last slot, name in capitals") << 29 << "PLANES.DAT";
  }
  void writtenChangesOnlyTheRecord() {
    QFETCH(int, slot);
    QFETCH(QString, fileName);
    const std::string name = fileName.toStdString();
    Game game(slot, name.c_str());
    game.document.setValue(1, "201");
    game.document.setValue(kMaxSpeed, "12.5");
    game.document.setValue(168, " 202 ");
    const SaveOutcome outcome = game.save();
    COMPARE_STATUS(outcome, Status::Written);
    QVERIFY(outcome.file == game.file);
    RecordBytes record = demoRecord(slot);
    record[0] = 201;
    record[kMaxSpeed - 1] = 12;
    record[167] = 202;
    QVERIFY(readAll(game.file) == withRecord(demoFile(), slot, record));
    QVERIFY(readAll(game.folder / (name + ".bak")) == demoFile());
    QVERIFY(readAll(game.folder / (name + ".orig")) == demoFile());
    QCOMPARE(names(game.folder), (std::set<std::string>{name, name + ".bak", name + ".orig"}));
    // The document knows the record as read back; it is saved and a new save does not ask.
    QVERIFY(!game.document.unsaved());
    QVERIFY(game.document.fileBytes() == record);
    QVERIFY(game.document.expectedFileBytes() == record);
    QCOMPARE(game.document.value(kMaxSpeed), std::string("12.5"));  // the text stays as typed

    // Saving again in the same run copies nothing again: the backup is the file before the run.
    game.document.setValue(2, "5");
    COMPARE_STATUS(game.save(), Status::Written);
    record[1] = 5;
    QVERIFY(readAll(game.file) == withRecord(demoFile(), slot, record));
    QVERIFY(readAll(game.folder / (name + ".bak")) == demoFile());
    // A new run copies the file as it is then; the first copy ever made stays.
    RecordWriter nextRun;
    const Bytes beforeNextRun = readAll(game.file);
    game.document.setValue(3, "6");
    COMPARE_STATUS(saveRecord(game.document, game.folder, nextRun), Status::Written);
    QVERIFY(readAll(game.folder / (name + ".bak")) == beforeNextRun);
    QVERIFY(readAll(game.folder / (name + ".orig")) == demoFile());
  }

  void changesOutsideTheRecordAreKeptWithoutAQuestion() {
    Game game(7);
    // Another program changes the bytes just around the record and another aircraft.
    patch(game.file, bytePosition(7, 1) - 1, {1});
    patch(game.file, bytePosition(7, 168) + 1, {2});
    patch(game.file, bytePosition(8, 9), {3, 4});
    Bytes expected = readAll(game.file);
    game.document.setValue(100, "99");
    COMPARE_STATUS(game.save(), Status::Written);
    expected[static_cast<std::size_t>(bytePosition(7, 100) - 1)] = 99;
    QVERIFY(readAll(game.file) == expected);
  }

  void changesByAnotherProgramAreNamedAndNothingIsWritten_data() {
    QTest::addColumn<QList<int>>("patches");  // row, byte, row, byte, ...
    QTest::addColumn<QString>("changes");
    QTest::newRow("year") << QList<int>{kYearLow, 160} << "Year: 1943 -> 1952";
    QTest::newRow("crew and code, in record order")
        << QList<int>{168, 'X', 11, 2} << "Crew: 1 -> 2; Code: P38H -> P38X";
    QTest::newRow("high byte of a number")
        << QList<int>{kMaxSpeed + 2, 1} << "Max speed: 40200 -> 105736";
    QTest::newRow("the row the player edited")
        << QList<int>{100, 0} << "Gun group 1 byte 100: 50 -> 0";
  }
  void changesByAnotherProgramAreNamedAndNothingIsWritten() {
    QFETCH(QList<int>, patches);
    QFETCH(QString, changes);
    Game game;
    game.document.setValue(100, "42");
    RecordBytes theirs = demoRecord(kSlot);
    for (int i = 0; i < patches.size(); i += 2) {
      patch(game.file, bytePosition(kSlot, patches[i]), {std::uint8_t(patches[i + 1])});
      theirs[static_cast<std::size_t>(patches[i] - 1)] = std::uint8_t(patches[i + 1]);
    }
    const Bytes theirFile = readAll(game.file);
    const SaveOutcome outcome = game.save();
    COMPARE_STATUS(outcome, Status::ChangedByOthers);
    QCOMPARE(changesText(outcome), changes);
    QVERIFY(outcome.fileBytes == theirs);
    QVERIFY(readAll(game.file) == theirFile);
    QCOMPARE(names(game.folder), std::set<std::string>{"planes.dat"});
    QVERIFY(game.document.unsaved());
    QVERIFY(game.document.fileBytes() == demoRecord(kSlot));

    // "Overwrite" with the bytes shown: the player's record is written whole.
    COMPARE_STATUS(game.save({outcome.fileBytes, false}), Status::Written);
    QVERIFY(readAll(game.file) == game.saved());
    QVERIFY(readAll(game.folder / "planes.dat.bak") == theirFile);
    QVERIFY(!game.document.unsaved());
  }

  // Another program puts a new planes.dat in the old one's place after the record was checked
  // and before it is written (here: as the writer opens the file). The new file's record is
  // checked before anything goes into it: a change of this aircraft is asked about, a change
  // elsewhere is kept and the record written into the new file, copied first.
  void aFileReplacedAfterTheCheckIsCheckedAgain_data() {
    QTest::addColumn<int>("row");           // the byte the other program changed (0: none)
    QTest::addColumn<int>("replacements");  // how many opens for writing find a new file
    QTest::addColumn<QString>("status");
    QTest::newRow("their change of this aircraft") << kYearLow << 1 << "ChangedByOthers";
    QTest::newRow("their change elsewhere in the file") << 0 << 1 << "Written";
    QTest::newRow("a new file at every write") << 0 << 100 << "Failed";
  }
  void aFileReplacedAfterTheCheckIsCheckedAgain() {
    QFETCH(int, row);
    QFETCH(int, replacements);
    QFETCH(QString, status);
    Game game;
    game.document.setValue(100, "42");
    Bytes theirs = readAll(game.file);
    theirs[1] = 9;  // the lead-in: no aircraft's
    if (row != 0) theirs[static_cast<std::size_t>(bytePosition(kSlot, row) - 1)] = 160;
    int left = replacements;
    const fs::path next = game.folder / "theirs.dat";
    files::testing::setSeam({[&](files::testing::Step step, const fs::path&) {
                               if (step == files::testing::Step::OpenForWriting && left > 0) {
                                 --left;
                                 std::ofstream(next, std::ios::binary)
                                     .write(reinterpret_cast<const char*>(theirs.data()),
                                            static_cast<std::streamsize>(theirs.size()));
                                 fs::rename(next, game.file);
                               }
                               return std::error_code();
                             },
                             {}});
    const SaveOutcome outcome = game.save();
    files::testing::setSeam({});
    QCOMPARE(QString(statusName(outcome.status)), status);
    if (status == "Written") {
      QVERIFY(readAll(game.file) == withRecord(theirs, kSlot, *game.document.bytes()));
      QVERIFY(readAll(game.folder / "planes.dat.bak") == theirs);
      return;
    }
    // Nothing of the record went into their file.
    QVERIFY(readAll(game.file) == theirs);
    QVERIFY(game.document.unsaved());
    if (status == "ChangedByOthers") {
      QCOMPARE(changesText(outcome), QString("Year: 1943 -> 1952"));
      return;
    }
    QVERIFY2(outcome.reason.find("another program replaced the file") != std::string::npos,
             outcome.reason.c_str());
    // Their file is not taken for this program's own write: the next save checks it again
    // and, with the lead-in the only change, writes.
    COMPARE_STATUS(game.save(), Status::Written);
    QVERIFY(readAll(game.file) == withRecord(theirs, kSlot, *game.document.bytes()));
  }

  void aFileChangedAgainAfterTheQuestionIsAskedAbout() {
    Game game;
    game.document.setValue(kMaxSpeed, "1");
    patch(game.file, bytePosition(kSlot, kYearLow), {160});
    const SaveOutcome first = game.save();
    COMPARE_STATUS(first, Status::ChangedByOthers);
    // While the player reads the question, the other program writes again.
    patch(game.file, bytePosition(kSlot, 11), {3});
    const Bytes now = readAll(game.file);
    const SaveOutcome second = game.save({first.fileBytes, false});
    COMPARE_STATUS(second, Status::ChangedByOthers);
    QCOMPARE(changesText(second), QString("Year: 1943 -> 1952; Crew: 1 -> 3"));
    QVERIFY(second.fileBytes != first.fileBytes);
    QVERIFY(readAll(game.file) == now);
    QVERIFY(!game.has("planes.dat.bak"));
    // An old answer together with "without a backup" is no answer to the new question.
    COMPARE_STATUS(game.save({first.fileBytes, true}), Status::ChangedByOthers);
    QVERIFY(readAll(game.file) == now);
    COMPARE_STATUS(game.save({second.fileBytes, false}), Status::Written);
    QVERIFY(readAll(game.file) == game.saved());
  }

  void anUndoThatBringsBackAnOutdatedByteAsks_data() {
    // speed, year: the player types Max speed 1 or Year 1944 (one step each); revert: another
    // program writes Year 1952 and the player reverts to the file; undo; type: the player
    // types the old Year 1943 by hand.
    QTest::addColumn<QString>("player");
    QTest::addColumn<QString>("changes");   // the question; empty: written without one
    QTest::addColumn<int>("yearWritten");   // the low byte of the year
    QTest::addColumn<int>("speedWritten");  // the low byte of Max speed
    QTest::newRow("undo of the revert keeps the new year") << "speed revert undo"
                                                           << "" << 160 << 1;
    QTest::newRow("the own year comes back") << "speed year revert undo"
                                             << "" << 152 << 1;
    QTest::newRow("undo of the own year asks") << "speed year revert undo undo"
                                               << "Year: 1943 -> 1952" << 151 << 1;
    QTest::newRow("the old year typed by hand") << "speed revert type"
                                                << "" << 151 << 8;
    QTest::newRow("the old year typed again after the undo") << "speed year revert undo undo type"
                                                             << "" << 151 << 1;
  }
  void anUndoThatBringsBackAnOutdatedByteAsks() {
    QFETCH(QString, player);
    QFETCH(QString, changes);
    QFETCH(int, yearWritten);
    QFETCH(int, speedWritten);
    Game game;
    for (const QString& action : player.split(' ')) {
      if (action == "speed") game.document.setValue(kMaxSpeed, "1");
      if (action == "year") game.document.setValue(kYearLow, "152");
      if (action == "revert") {
        patch(game.file, bytePosition(kSlot, kYearLow), {160});
        game.document.revert(readRecord(game.file, kSlot).bytes);
      }
      if (action == "undo") QVERIFY(!game.document.undo().empty());
      if (action == "type") {
        game.document.setValue(kYearLow, "15");
        game.document.setValue(kYearLow, "151");
      }
      game.document.finishStep();
    }
    SaveOutcome outcome = game.save();
    if (!changes.isEmpty()) {
      COMPARE_STATUS(outcome, Status::ChangedByOthers);
      QCOMPARE(changesText(outcome), changes);
      QCOMPARE(int(readAll(game.file)[bytePosition(kSlot, kYearLow) - 1]), 160);
      QVERIFY(!game.has("planes.dat.bak"));
      outcome = game.save({outcome.fileBytes, false});
    }
    COMPARE_STATUS(outcome, Status::Written);
    QVERIFY(readAll(game.file) == game.saved());
    QCOMPARE(int(readAll(game.file)[bytePosition(kSlot, kYearLow) - 1]), yearWritten);
    QCOMPARE(int(readAll(game.file)[bytePosition(kSlot, kMaxSpeed) - 1]), speedWritten);
    QVERIFY(!game.document.unsaved());
  }

  void anOutdatedByteAsksAfterTwoReverts() {
    // The file changes twice under the player's year, with a revert after each change; undoing
    // back to the player's start brings back 1943, which the file held two versions ago.
    Game game;
    game.document.setValue(kYearLow, "152");  // 1944
    game.document.finishStep();
    for (const std::uint8_t year : {160, 170}) {  // 1952, then 1962
      patch(game.file, bytePosition(kSlot, kYearLow), {year});
      game.document.revert(readRecord(game.file, kSlot).bytes);
    }
    while (!game.document.undo().empty()) {
    }
    QCOMPARE(game.document.value(kYearLow), std::string("151"));
    const SaveOutcome outcome = game.save();
    COMPARE_STATUS(outcome, Status::ChangedByOthers);
    QCOMPARE(changesText(outcome), QString("Year: 1943 -> 1962"));
    QCOMPARE(int(readAll(game.file)[bytePosition(kSlot, kYearLow) - 1]), 170);
  }

  void aFileThatCannotBeReadFailsWithTheReason_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");  // a part of the reason
    QTest::newRow("no planes.dat") << "missing"
                                   << "There is no planes.dat";
    QTest::newRow("too short") << "short"
                               << "too short";
    QTest::newRow("a folder by that name") << "folder"
                                           << "not a regular file";
    QTest::newRow("two names that match") << "two"
                                          << "several files named planes.dat";
  }
  void aFileThatCannotBeReadFailsWithTheReason() {
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    Game game(29);
    game.document.setValue(50, "1");
    if (fault == "missing" || fault == "folder") fs::remove(game.file);
    if (fault == "folder") fs::create_directory(game.file);
    if (fault == "short") fs::resize_file(game.file, std::uintmax_t(bytePosition(29, 168) - 1));
    if (fault == "two") writeDemoFile(game.folder / "Planes.Dat");
    const std::set<std::string> before = names(game.folder);
    const Bytes file = fs::is_regular_file(game.file) ? readAll(game.file) : Bytes();
    const SaveOutcome outcome = game.save();
    COMPARE_STATUS(outcome, Status::Failed);
    QVERIFY2(QString::fromStdString(outcome.reason).contains(reason), outcome.reason.c_str());
    QCOMPARE(names(game.folder), before);
    if (!file.empty()) QVERIFY(readAll(game.file) == file);
    QVERIFY(game.document.unsaved());
    QVERIFY(game.document.fileBytes() == demoRecord(29));
  }

  void nothingOpenIsNothingSaved() {
    QTemporaryDir dir(temporaryTemplate());
    QVERIFY(writeDemoFile(fs::path(dir.path().toStdString()) / "planes.dat").empty());
    RecordDocument document;
    RecordWriter writer;
    const SaveOutcome outcome = saveRecord(document, dir.path().toStdString(), writer);
    COMPARE_STATUS(outcome, Status::Failed);
    QVERIFY(!outcome.reason.empty());
    QCOMPARE(names(dir.path().toStdString()), std::set<std::string>{"planes.dat"});
  }

  void withoutABackupTheSaveAsksFirst_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("the backup's name is a folder") << "folder";
    QTest::newRow("a read-only folder") << "read-only";
  }
  void withoutABackupTheSaveAsksFirst() {
    QFETCH(QString, fault);
    if (fault == "read-only" && ::geteuid() == 0) QSKIP("root writes into a read-only folder");
    Game game;
    game.document.setValue(kMaxSpeed, "3");
    if (fault == "folder") fs::create_directory(game.folder / "planes.dat.bak");
    if (fault == "read-only") QVERIFY(::chmod(game.folder.c_str(), 0555) == 0);
    const SaveOutcome outcome = game.save();
    if (fault == "read-only") ::chmod(game.folder.c_str(), 0755);
    COMPARE_STATUS(outcome, Status::NoBackup);
    QVERIFY2(outcome.reason.find("planes.dat.bak\"") != std::string::npos, outcome.reason.c_str());
    QVERIFY(readAll(game.file) == demoFile());
    QVERIFY(!game.has("planes.dat.bak.tmp"));
    QVERIFY(!game.has("planes.dat.orig.tmp"));
    QVERIFY(game.document.unsaved());

    if (fault == "read-only") QVERIFY(::chmod(game.folder.c_str(), 0555) == 0);
    const SaveOutcome answered = game.save({std::nullopt, true});
    if (fault == "read-only") ::chmod(game.folder.c_str(), 0755);
    COMPARE_STATUS(answered, Status::Written);
    QVERIFY(readAll(game.file) == game.saved());
    QVERIFY(!game.document.unsaved());
    if (fault == "folder") QVERIFY(fs::is_directory(game.folder / "planes.dat.bak"));
  }
};

QTEST_APPLESS_MAIN(SavePipelineTest)
#include "test_save_pipeline.moc"
