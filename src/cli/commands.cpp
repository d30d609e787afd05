#include "cli/commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/record_text.h"
#include "record/fields.h"
#include "record/layout.h"
#include "record/record_document.h"
#include "record/record_file.h"
#include "record/save_pipeline.h"
#include "script/native_path.h"
#include "script/script_reader.h"
#include "script/script_writer.h"

namespace tolvane::cli {
namespace {

namespace fs = std::filesystem;
using record::RecordBytes;
using Records = std::array<RecordBytes, record::kSlotCount>;

// A subcommand failed: what to say on standard error and the exit code.
struct Stop {
  int code = kExitTrouble;
  QString message;
};

// A message on standard error, every line of it starting with "tolvane: "; blank lines of
// the record layer's messages are left out.
void say(const QString& message) {
  QByteArray text;
  for (const QString& line : message.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    text += (QStringLiteral("tolvane: ") + line + QLatin1Char('\n')).toUtf8();
  }
  std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
}

void print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void print(const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

void printJson(const QJsonObject& object) {
  print(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

// A path as the user may read it, quoted; a byte that is not UTF-8 shows as U+FFFD.
QString quoted(const QString& pathText) {
  return QStringLiteral("\"%1\"").arg(script::displayPath(pathText));
}

QString quoted(const fs::path& path) {
  return quoted(script::textFromPath(path));
}

// A message of the record layer, which quotes paths as their bytes.
QString recordMessage(const std::string& message) {
  return script::displayPath(script::textFromNative(message));
}

QString nameOf(int slot) {
  return QString::fromStdString(aircraftName(slot));
}

bool endsWithCaseless(const fs::path& path, const char* suffix) {
  return script::textFromPath(path.filename()).endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

// --slot N|NAME: a slot number 0..29 or an aircraft's name as the list shows it, in any
// letter case.
std::optional<int> slotOf(const QString& text) {
  bool number = false;
  const int slot = text.trimmed().toInt(&number);
  if (number) {
    if (slot >= 0 && slot < record::kSlotCount) return slot;
    return std::nullopt;
  }
  for (int s = 0; s < record::kSlotCount; ++s) {
    if (nameOf(s).compare(text.trimmed(), Qt::CaseInsensitive) == 0) return s;
  }
  return std::nullopt;
}

Stop badSlot(const QString& text) {
  QStringList names;
  for (int s = 0; s < record::kSlotCount; ++s) names << nameOf(s);
  return {kExitTrouble, QStringLiteral("there is no aircraft \"%1\"; --slot takes a slot number "
                                       "from 0 to 29 or one of the names %2")
                            .arg(text, names.join(QStringLiteral(", ")))};
}

// The data file a PATH names: a folder's planes.dat (any letter case), or the file itself
// (planes.dat, a backup such as planes.dat.bak or .orig). An empty PATH is the current folder.
struct DataFile {
  fs::path file;
  fs::path folder;
};

std::optional<DataFile> findDataFile(const QString& argument, Stop* stop) {
  const fs::path path = argument.isEmpty() ? fs::path(".") : script::pathFromText(argument);
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (fs::is_directory(status)) {
    const record::Located located = record::locateDataFile(path);
    if (!located.ok()) {
      *stop = {kExitTrouble, recordMessage(located.error)};
      return std::nullopt;
    }
    return DataFile{located.path, path};
  }
  if (fs::exists(status)) {
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    return DataFile{path, folder};
  }
  *stop = {kExitTrouble, ec && ec != std::errc::no_such_file_or_directory
                             ? QStringLiteral("%1 cannot be examined: %2.")
                                   .arg(quoted(argument), QString::fromStdString(ec.message()))
                             : QStringLiteral("%1 does not exist.").arg(quoted(argument))};
  return std::nullopt;
}

bool readSlot(const fs::path& file, int slot, RecordBytes* bytes, Stop* stop) {
  const record::RecordRead read = record::readRecord(file, slot);
  if (!read.ok()) {
    *stop = {kExitTrouble, recordMessage(read.error)};
    return false;
  }
  *bytes = read.bytes;
  return true;
}

bool readAllSlots(const fs::path& file, Records* records, Stop* stop) {
  const record::RecordsRead read = record::readAllRecords(file);
  if (!read.ok()) {
    *stop = {kExitTrouble, recordMessage(read.error)};
    return false;
  }
  *records = read.records;
  return true;
}

// A parser with the options every subcommand has. The usage line reads
// "tolvane [options] <command> <positional syntax>".
struct Parser {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();

  Parser(const QString& description, const QString& positional, const QString& about,
         const QString& syntax) {
    parser.setApplicationDescription(description);
    parser.addPositionalArgument(positional, about, syntax);
  }

  // Parses the arguments after the subcommand; nothing when the run ends here (help shown
  // or a usage error), with the exit code in *code.
  bool parse(const QStringList& arguments, int* code) {
    if (!parser.parse(arguments)) {
      say(parser.errorText() + QStringLiteral("\nTry 'tolvane %1 --help' for more information.")
                                   .arg(arguments.value(1)));
      *code = kExitTrouble;
      return false;
    }
    if (parser.isSet(help)) {
      // The usage line reads "Usage: <program> [options] <command> ...": the positional
      // syntax starts with the subcommand.
      print(parser.helpText().toUtf8());
      *code = kExitDone;
      return false;
    }
    return true;
  }
};

std::optional<int> slotOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                              Stop* stop) {
  if (!parser.isSet(option)) return std::nullopt;
  const QString text = parser.value(option);
  const std::optional<int> slot = slotOf(text);
  if (!slot) *stop = badSlot(text);
  return slot;
}

QCommandLineOption slotOptionDefinition() {
  return QCommandLineOption(QStringLiteral("slot"),
                            QStringLiteral("The aircraft: its slot number (0 to 29) or its name "
                                           "as the list shows it, in any letter case."),
                            QStringLiteral("N|NAME"));
}

QCommandLineOption jsonOptionDefinition() {
  return QCommandLineOption(QStringLiteral("json"),
                            QStringLiteral("Print JSON (see docs/command-line.md)."));
}

// ---------------------------------------------------------------------------------------------
// show

int show(const QStringList& arguments) {
  Parser p(QStringLiteral("Shows one aircraft field by field, or a table of all 30 aircraft."),
           QStringLiteral("PATH"),
           QStringLiteral("The game folder, its planes.dat, or another data file such as "
                          "planes.dat.bak (default: the current folder)."),
           QStringLiteral("show [PATH]"));
  const QCommandLineOption slotOption_ = slotOptionDefinition();
  const QCommandLineOption json = jsonOptionDefinition();
  p.parser.addOption(slotOption_);
  p.parser.addOption(json);
  int code = kExitDone;
  if (!p.parse(arguments, &code)) return code;
  const QStringList paths = p.parser.positionalArguments().mid(1);
  if (paths.size() > 1) {
    say(QStringLiteral("show takes one PATH; %1 were given.").arg(paths.size()));
    return kExitTrouble;
  }
  Stop stop;
  const std::optional<int> slot = slotOption(p.parser, slotOption_, &stop);
  if (p.parser.isSet(slotOption_) && !slot) {
    say(stop.message);
    return stop.code;
  }
  const std::optional<DataFile> data = findDataFile(paths.value(0), &stop);
  if (!data) {
    say(stop.message);
    return stop.code;
  }
  Records records{};
  int first = 0;
  int count = record::kSlotCount;
  if (slot) {
    if (!readSlot(data->file, *slot, &records[0], &stop)) {
      say(stop.message);
      return stop.code;
    }
    if (!p.parser.isSet(json)) {
      print(recordText(*slot, records[0]));
      return kExitDone;
    }
    first = *slot;
    count = 1;
  } else {
    if (!readAllSlots(data->file, &records, &stop)) {
      say(stop.message);
      return stop.code;
    }
    if (!p.parser.isSet(json)) {
      print(aircraftTable(records));
      return kExitDone;
    }
  }
  // {"aircraft": [records], "file": path}, written straight as text (see JsonWriter).
  JsonWriter out;
  out.reserve(static_cast<std::size_t>(count) * 48 * 1024);  // an aircraft is about 43 KB
  out.beginObject();
  out.key("aircraft");
  out.beginArray();
  for (int i = 0; i < count; ++i) {
    writeRecordJson(out, first + i, records[static_cast<std::size_t>(i)]);
  }
  out.endArray();
  out.key("file");
  out.value(script::displayPath(script::textFromPath(data->file)));
  out.endObject();
  print(out.text());
  return kExitDone;
}

// ---------------------------------------------------------------------------------------------
// diff

// One side of a comparison: a data file (all its records and its bytes) or an aircraft
// script (one record without byte 1, for its slot).
struct Side {
  QString argument;
  bool isScript = false;
  fs::path file;
  Records records{};
  std::vector<char> whole;  // the data file's bytes
  script::ParsedScript script;
};

// Data files are a few kilobytes; a larger one is not compared byte by byte.
constexpr std::uintmax_t kMaxCompared = 64 * 1024 * 1024;

bool loadSide(const QString& argument, Side* side, Stop* stop) {
  side->argument = argument;
  const fs::path path = script::pathFromText(argument);
  std::error_code ec;
  if (endsWithCaseless(path, ".oaw") && fs::is_regular_file(path, ec)) {
    side->isScript = true;
    side->file = path;
    side->script = script::readScriptFile(argument);
    if (!side->script.ok()) {
      *stop = {kExitTrouble, side->script.errorLine > 0
                                 ? QStringLiteral("the script %1 cannot be read: %2")
                                       .arg(quoted(argument), side->script.error)
                                 : side->script.error};
      return false;
    }
    return true;
  }
  const std::optional<DataFile> data = findDataFile(argument, stop);
  if (!data) return false;
  side->file = data->file;
  if (!readAllSlots(data->file, &side->records, stop)) return false;
  const std::uintmax_t size = fs::file_size(data->file, ec);
  if (!ec && size <= kMaxCompared) {
    std::ifstream in(data->file, std::ios::binary);
    side->whole.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return true;
}

// The record a script stands for, with byte 1 taken from `first` (a script holds none).
RecordBytes scriptRecord(const script::ParsedScript& parsed, std::uint8_t first) {
  RecordBytes bytes{};
  bytes[0] = first;
  for (std::size_t i = 0; i < parsed.values.size(); ++i) bytes[i + 1] = parsed.values[i];
  return bytes;
}

// Whether a file position (counted from 1) lies in one of the aircraft records.
bool inRecord(std::int64_t position) {
  for (int slot = 0; slot < record::kSlotCount; ++slot) {
    if (position >= record::bytePosition(slot, 1) &&
        position <= record::bytePosition(slot, record::kRecordBytes)) {
      return true;
    }
  }
  return false;
}

QJsonObject sideJson(const Side& side) {
  QJsonObject object;
  object[QStringLiteral("path")] = script::displayPath(side.argument);
  object[QStringLiteral("kind")] =
      side.isScript ? QStringLiteral("script") : QStringLiteral("data_file");
  if (side.isScript) {
    object[QStringLiteral("slot")] = side.script.slot;
    object[QStringLiteral("pnames")] = side.script.pnames.trimmed();
  }
  return object;
}

int diff(const QStringList& arguments) {
  Parser p(QStringLiteral("Compares two data files or aircraft scripts field by field. Exit "
                          "status: 0 when they hold the same, 1 when they differ, 2 on "
                          "trouble."),
           QStringLiteral("A B"),
           QStringLiteral("Each a game folder, a planes.dat, a backup such as planes.dat.bak "
                          "or .orig, or an aircraft script (.oaw)."),
           QStringLiteral("diff A B"));
  const QCommandLineOption slotOption_ = slotOptionDefinition();
  const QCommandLineOption json = jsonOptionDefinition();
  p.parser.addOption(slotOption_);
  p.parser.addOption(json);
  int code = kExitDone;
  if (!p.parse(arguments, &code)) return code;
  const QStringList paths = p.parser.positionalArguments().mid(1);
  if (paths.size() != 2) {
    say(QStringLiteral("diff takes two paths, A and B; %1 were given.\nTry 'tolvane diff "
                       "--help' for more information.")
            .arg(paths.size()));
    return kExitTrouble;
  }
  Stop stop;
  const std::optional<int> slot = slotOption(p.parser, slotOption_, &stop);
  if (p.parser.isSet(slotOption_) && !slot) {
    say(stop.message);
    return stop.code;
  }
  Side a;
  Side b;
  if (!loadSide(paths[0], &a, &stop) || !loadSide(paths[1], &b, &stop)) {
    say(stop.message);
    return stop.code;
  }
  if (a.isScript && b.isScript && slot) {
    say(
        QStringLiteral("--slot chooses an aircraft of a data file, and both A and B are "
                       "scripts."));
    return kExitTrouble;
  }

  bool differ = false;
  std::string text;
  QJsonArray aircraft;
  const auto compare = [&](int slotA, const RecordBytes& ra, const RecordBytes& rb, int first) {
    const std::string changes = changesText(ra, rb, first);
    if (changes.empty()) return;
    differ = true;
    text += aircraftName(slotA) + " (slot " + std::to_string(slotA) + "):\n" + changes;
    QJsonObject entry;
    entry[QStringLiteral("slot")] = slotA;
    entry[QStringLiteral("aircraft")] = nameOf(slotA);
    entry[QStringLiteral("changes")] = changesJson(ra, rb, first);
    aircraft.append(entry);
  };

  QJsonObject result;
  if (!a.isScript && !b.isScript) {
    for (int s = 0; s < record::kSlotCount; ++s) {
      if (slot && s != *slot) continue;
      compare(s, a.records[static_cast<std::size_t>(s)], b.records[static_cast<std::size_t>(s)], 1);
    }
    // Without --slot the files are compared whole: a byte outside the records, or a length,
    // also makes them differ.
    if (!slot && !a.whole.empty() && !b.whole.empty()) {
      std::int64_t outside = 0;
      const std::size_t common = std::min(a.whole.size(), b.whole.size());
      for (std::size_t i = 0; i < common; ++i) {
        if (a.whole[i] != b.whole[i] && !inRecord(static_cast<std::int64_t>(i) + 1)) ++outside;
      }
      if (outside > 0 || a.whole.size() != b.whole.size()) {
        differ = true;
        text += "Outside the aircraft records: " + std::to_string(outside) +
                " bytes differ; A holds " + std::to_string(a.whole.size()) + " bytes, B " +
                std::to_string(b.whole.size()) + ".\n";
      }
      QJsonObject outsideJson;
      outsideJson[QStringLiteral("differing_bytes")] = static_cast<double>(outside);
      outsideJson[QStringLiteral("a_length")] = static_cast<double>(a.whole.size());
      outsideJson[QStringLiteral("b_length")] = static_cast<double>(b.whole.size());
      result[QStringLiteral("outside_records")] = outsideJson;
    }
  } else if (a.isScript && b.isScript) {
    if (a.script.slot != b.script.slot) {
      differ = true;
      text += "Slot: " + std::to_string(a.script.slot) + " (" + aircraftName(a.script.slot) +
              ") \u2192 " + std::to_string(b.script.slot) + " (" + aircraftName(b.script.slot) +
              ")\n";
    }
    compare(a.script.slot, scriptRecord(a.script, 0), scriptRecord(b.script, 0), 2);
  } else {
    // A script against a data file: the script's aircraft, or the one --slot names; byte 1,
    // which no script holds, is left out.
    const Side& script = a.isScript ? a : b;
    const Side& data = a.isScript ? b : a;
    const int s = slot ? *slot : script.script.slot;
    const RecordBytes& fileRecord = data.records[static_cast<std::size_t>(s)];
    const RecordBytes scriptBytes = scriptRecord(script.script, fileRecord[0]);
    compare(s, a.isScript ? scriptBytes : fileRecord, a.isScript ? fileRecord : scriptBytes, 2);
  }

  if (p.parser.isSet(json)) {
    result[QStringLiteral("a")] = sideJson(a);
    result[QStringLiteral("b")] = sideJson(b);
    result[QStringLiteral("equal")] = !differ;
    result[QStringLiteral("aircraft")] = aircraft;
    printJson(result);
  } else {
    print(text);
  }
  return differ ? kExitRefused : kExitDone;
}

// ---------------------------------------------------------------------------------------------
// apply

// The game folder and its planes.dat that --to names: the folder, or its planes.dat.
std::optional<DataFile> targetDataFile(const QString& argument, Stop* stop) {
  std::optional<DataFile> data = findDataFile(argument, stop);
  if (!data) return std::nullopt;
  // A backup beside planes.dat, or any other file, is never written: the save writes the
  // folder's planes.dat, and it must be the file named.
  const record::Located located = record::locateDataFile(data->folder);
  std::error_code ec;
  if (!located.ok() || !fs::equivalent(located.path, data->file, ec)) {
    *stop = {kExitTrouble,
             QStringLiteral("%1 is not a game folder's planes.dat; apply writes only into "
                            "planes.dat. Give the game folder, or its planes.dat, with --to.")
                 .arg(quoted(argument))};
    return std::nullopt;
  }
  data->file = located.path;
  return data;
}

// One script to apply and the record it goes into.
struct Application {
  QString script;
  script::ParsedScript parsed;
  int slot = -1;
  std::unique_ptr<record::RecordDocument> document;
  RecordBytes before{};
};

QString changedByOthersText(const record::SaveOutcome& outcome) {
  QStringList lines;
  for (const record::FieldChange& change : outcome.changes) {
    lines << QStringLiteral("%1 %2 \u2192 %3")
                 .arg(QString::fromStdString(change.field->name),
                      QString::fromStdString(change.before), QString::fromStdString(change.after));
  }
  return lines.join(QStringLiteral("; "));
}

// What planes.dat holds of an aircraft whose write failed, for the message: a flush fails
// after the bytes went in, and a write may fail part of the way. `notWritten` says which
// aircraft were written when this one's record is as it was.
QString afterFailedWrite(const Application& a, bool first, const fs::path& file,
                         const QString& notWritten) {
  const record::RecordRead now = record::readRecord(file, a.slot);
  // A file that cannot be read now (removed, cut short) was not written by this command; the
  // reason says what became of it.
  if (!now.ok() || now.bytes == a.before) return notWritten;
  const QString others = first ? QString()
                               : QStringLiteral(
                                     " The aircraft listed above were written, and "
                                     "the ones after this one were not.");
  const QString path = script::textFromPath(file);
  if (now.bytes == *a.document->bytes()) {
    return QStringLiteral(
               "%1 holds the new record of %2, but it may not have reached the disk; "
               "check the file.%3")
        .arg(quoted(path), nameOf(a.slot), others);
  }
  return QStringLiteral(
             "%1 holds part of the new record of %2; %3 holds the file as it was "
             "before this command.%4")
      .arg(quoted(path), nameOf(a.slot), quoted(path + QStringLiteral(".bak")), others);
}

int apply(const QStringList& arguments) {
  Parser p(QStringLiteral("Applies aircraft scripts to planes.dat. Every script is read and "
                          "checked first; a refusal writes nothing. The first write of the run "
                          "copies planes.dat to planes.dat.bak (and, the first time ever, to "
                          "planes.dat.orig), as the window does."),
           QStringLiteral("SCRIPT"), QStringLiteral("Aircraft scripts (.oaw)."),
           QStringLiteral("apply SCRIPT..."));
  const QCommandLineOption to(QStringLiteral("to"),
                              QStringLiteral("The game folder or its planes.dat (default: the "
                                             "current folder)."),
                              QStringLiteral("PATH"));
  const QCommandLineOption slotOption_(
      QStringLiteral("slot"),
      QStringLiteral("Apply the one script to this aircraft instead of the script's own: its "
                     "slot number (0 to 29) or its name."),
      QStringLiteral("N|NAME"));
  const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                  QStringLiteral("Print what would change; write nothing."));
  p.parser.addOption(to);
  p.parser.addOption(slotOption_);
  p.parser.addOption(dryRun);
  int code = kExitDone;
  if (!p.parse(arguments, &code)) return code;
  const QStringList scripts = p.parser.positionalArguments().mid(1);
  if (scripts.isEmpty()) {
    say(
        QStringLiteral("apply needs at least one aircraft script.\nTry 'tolvane apply --help' "
                       "for more information."));
    return kExitTrouble;
  }
  Stop stop;
  const std::optional<int> slot = slotOption(p.parser, slotOption_, &stop);
  if (p.parser.isSet(slotOption_)) {
    if (!slot) {
      say(stop.message);
      return stop.code;
    }
    if (scripts.size() > 1) {
      say(QStringLiteral("--slot applies one script to another aircraft; %1 scripts were "
                         "given.")
              .arg(scripts.size()));
      return kExitTrouble;
    }
  }

  // Every script is read before anything is written; one that does not read writes nothing.
  std::vector<Application> applications;
  bool refused = false;
  std::set<int> targets;
  for (const QString& path : scripts) {
    Application a;
    a.script = path;
    a.parsed = script::readScriptFile(path);
    if (!a.parsed.ok()) {
      say(a.parsed.errorLine > 0 ? QStringLiteral("the script %1 cannot be applied: %2")
                                       .arg(quoted(path), a.parsed.error)
                                 : a.parsed.error);
      refused = true;
      continue;
    }
    a.slot = slot ? *slot : a.parsed.slot;
    if (!targets.insert(a.slot).second) {
      say(QStringLiteral("two scripts are for %1 (slot %2), and only one can be applied to it; "
                         "%3 is the second.")
              .arg(nameOf(a.slot))
              .arg(a.slot)
              .arg(quoted(path)));
      refused = true;
    }
    applications.push_back(std::move(a));
  }
  if (refused) {
    say(QStringLiteral("nothing was written."));
    return kExitRefused;
  }

  const std::optional<DataFile> data = targetDataFile(p.parser.value(to), &stop);
  if (!data) {
    say(stop.message);
    return stop.code;
  }
  for (Application& a : applications) {
    if (!readSlot(data->file, a.slot, &a.before, &stop)) {
      say(stop.message + QStringLiteral(" Nothing was written."));
      return stop.code;
    }
    a.document = std::make_unique<record::RecordDocument>();
    a.document->open(a.slot, record::bytePosition(a.slot, 1), a.before);
    record::Values values;
    for (int row = script::kFirstScriptRow; row <= record::kRecordBytes; ++row) {
      values[row] = std::to_string(a.parsed.values[static_cast<std::size_t>(row - 2)]);
    }
    a.document->setValues("Apply script", values);
    a.document->finishStep();
  }

  const bool dry = p.parser.isSet(dryRun);
  const auto report = [dry](const Application& a) {
    const RecordBytes after = *a.document->bytes();
    const std::string changes = changesText(a.before, after);
    std::string heading = aircraftName(a.slot) + " (slot " + std::to_string(a.slot) + ") from " +
                          quoted(a.script).toStdString();
    if (changes.empty()) {
      print(heading + ": no value " + (dry ? "would change" : "changed") + ".\n");
    } else {
      print(heading + (dry ? ", would change:\n" : ", changed:\n") + changes);
    }
  };
  if (dry) {
    for (const Application& a : applications) report(a);
    return kExitDone;
  }

  // One writer for the run: planes.dat is copied before the first write only.
  record::RecordWriter writer;
  for (Application& a : applications) {
    if (!a.document->unsaved()) {
      report(a);
      continue;
    }
    const record::SaveOutcome outcome = record::saveRecord(*a.document, data->folder, writer);
    using Status = record::SaveOutcome::Status;
    const QString what = QStringLiteral("%1 (slot %2)").arg(nameOf(a.slot)).arg(a.slot);
    const QString notWritten =
        &a == &applications.front()
            ? QStringLiteral("Nothing was written.")
            : QStringLiteral(
                  "%1 and the aircraft after it were not written; the ones listed "
                  "above were.")
                  .arg(what);
    switch (outcome.status) {
      case Status::Written:
        report(a);
        continue;
      case Status::ChangedByOthers:
        say(QStringLiteral("another program changed %1 in %2 since it was read (%3). %4")
                .arg(what, quoted(outcome.file), changedByOthersText(outcome), notWritten));
        return kExitRefused;
      case Status::NoBackup:
        say(QStringLiteral("no backup of %1 can be made: %2 %3")
                .arg(quoted(outcome.file), recordMessage(outcome.reason), notWritten));
        return kExitRefused;
      case Status::NotReadBack:
        // The reason names the bytes read back otherwise, one line each.
        say(QStringLiteral("%1: %2%3")
                .arg(what, recordMessage(outcome.reason),
                     &a == &applications.back()
                         ? QString()
                         : QStringLiteral("\nThe aircraft after it were not written.")));
        return kExitTrouble;
      case Status::Refused:
      case Status::Failed:
        break;
    }
    say(QStringLiteral("%1 could not be written: %2 %3")
            .arg(what, recordMessage(outcome.reason),
                 afterFailedWrite(a, &a == &applications.front(), data->file, notWritten)));
    return kExitTrouble;
  }
  return kExitDone;
}

// ---------------------------------------------------------------------------------------------
// export

int exportScript(const QStringList& arguments) {
  Parser p(QStringLiteral("Writes an aircraft as the aircraft script (.oaw) the Script Maker "
                          "would write, byte for byte, to standard output or to a file."),
           QStringLiteral("PATH"),
           QStringLiteral("The game folder, its planes.dat, or another data file (default: the "
                          "current folder)."),
           QStringLiteral("export [PATH]"));
  const QCommandLineOption slotOption_ = slotOptionDefinition();
  const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                  QStringLiteral("Write the script to FILE, a name ending in "
                                                 ".oaw (\"-\": standard output)."),
                                  QStringLiteral("FILE"));
  const QCommandLineOption force(QStringLiteral("force"),
                                 QStringLiteral("Replace a script FILE that is already there."));
  const QCommandLineOption pnames(QStringLiteral("pnames"),
                                  QStringLiteral("The script's name line (at most 18 "
                                                 "characters), as \"Pnames string name\"."),
                                  QStringLiteral("TEXT"));
  const QCommandLineOption description(QStringLiteral("description"),
                                       QStringLiteral("The script's description."),
                                       QStringLiteral("TEXT"));
  p.parser.addOptions({slotOption_, output, force, pnames, description});
  int code = kExitDone;
  if (!p.parse(arguments, &code)) return code;
  const QStringList paths = p.parser.positionalArguments().mid(1);
  if (paths.size() > 1) {
    say(QStringLiteral("export takes one PATH; %1 were given.").arg(paths.size()));
    return kExitTrouble;
  }
  if (!p.parser.isSet(slotOption_)) {
    say(QStringLiteral("export needs --slot N|NAME, the aircraft to write."));
    return kExitTrouble;
  }
  Stop stop;
  const std::optional<int> slot = slotOption(p.parser, slotOption_, &stop);
  if (!slot) {
    say(stop.message);
    return stop.code;
  }
  const QString pnamesText = p.parser.value(pnames);
  if (!script::pastNameLine(pnamesText).trimmed().isEmpty()) {
    say(QStringLiteral("--pnames has %1 characters, and a script's name line takes %2; the "
                       "script would leave out \"%3\". Nothing was written.")
            .arg(pnamesText.toUcs4().size())
            .arg(script::kNameLineWidth)
            .arg(script::pastNameLine(pnamesText)));
    return kExitRefused;
  }
  // The output file's name is checked before anything is read.
  const QString outputText = p.parser.value(output);
  const bool toFile = !outputText.isEmpty() && outputText != QLatin1String("-");
  QString parent;
  QString name;
  if (toFile) {
    const fs::path outputPath = script::pathFromText(outputText);
    const QString fileName = script::textFromPath(outputPath.filename());
    if (!fileName.endsWith(QLatin1String(".oaw")) || fileName.size() <= 4) {
      say(QStringLiteral("%1 is not a script's name: it must end in .oaw. Nothing was written.")
              .arg(quoted(outputText)));
      return kExitTrouble;
    }
    name = fileName.chopped(4);
    parent = outputPath.has_parent_path() ? script::textFromPath(outputPath.parent_path())
                                          : QStringLiteral(".");
  }

  const std::optional<DataFile> data = findDataFile(paths.value(0), &stop);
  RecordBytes bytes{};
  if (!data || !readSlot(data->file, *slot, &bytes, &stop)) {
    say(stop.message);
    return stop.code;
  }
  script::ScriptTexts texts;
  texts.pnames = pnamesText;
  texts.slot = QString::number(*slot);
  for (int row = script::kFirstScriptRow; row <= record::kRecordBytes; ++row) {
    texts.values << QString::number(bytes[static_cast<std::size_t>(row - 1)]);
  }
  texts.description = p.parser.value(description);
  const script::BuiltScript built = script::buildScript(texts);
  if (!built.ok()) {
    say(built.error + QStringLiteral(" Nothing was written."));
    return kExitRefused;
  }
  if (!toFile) {
    print(built.bytes);
    return kExitDone;
  }
  const script::WriteResult written = script::writeScript(
      parent, QString(), name, built.bytes,
      p.parser.isSet(force) ? script::Existing::Replace : script::Existing::Keep);
  if (written.existed) {
    say(QStringLiteral("a script %1 is already there; --force replaces it. Nothing was "
                       "written.")
            .arg(quoted(written.path)));
    return kExitRefused;
  }
  if (!written.ok()) {
    say(written.error);
    return kExitTrouble;
  }
  return kExitDone;
}

struct Subcommand {
  const char* name;
  int (*run)(const QStringList&);
};

constexpr Subcommand kSubcommands[] = {
    {"show", show}, {"diff", diff}, {"apply", apply}, {"export", exportScript}};

}  // namespace

bool isSubcommand(int argc, char** argv) {
  if (argc < 2) return false;
  for (const Subcommand& command : kSubcommands) {
    if (std::strcmp(argv[1], command.name) == 0) return true;
  }
  return false;
}

int runSubcommand(int argc, char** argv) {
  // Qt Core only: nothing here needs, or connects to, a display.
  QCoreApplication application(argc, argv);
  // The program's name, the subcommand (which the parsers take as their first positional
  // argument), then its arguments; paths keep every byte.
  const QStringList arguments = script::argumentTexts(argc, argv);
  const QString name = arguments.value(1);
  for (const Subcommand& command : kSubcommands) {
    if (name == QLatin1String(command.name)) return command.run(arguments);
  }
  return kExitTrouble;
}

}  // namespace tolvane::cli
