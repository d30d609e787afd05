#include "record/save_pipeline.h"

namespace tolvane::record {
namespace {

std::string quoted(const std::filesystem::path& p) {
  return "\"" + p.string() + "\"";
}

// How often the record is checked and written when another program keeps putting new files
// in planes.dat's place.
constexpr int kCheckAttempts = 3;

}  // namespace

SaveOutcome saveRecord(RecordDocument& document, const std::filesystem::path& folder,
                       RecordWriter& writer, const SaveAnswers& answers) {
  using Status = SaveOutcome::Status;
  SaveOutcome outcome;
  if (!document.isOpen()) {
    outcome.reason = "No aircraft is open.";
    return outcome;
  }
  // Every value is checked before the file is opened; the first refused one is reported.
  const std::optional<RecordBytes> bytes = document.bytes();
  if (!bytes) {
    outcome.status = Status::Refused;
    outcome.refusedRow = document.firstRefusedRow();
    return outcome;
  }

  const Located located = locateDataFile(folder);
  if (!located.ok()) {
    outcome.reason = located.error;
    return outcome;
  }
  outcome.file = located.path;
  const std::int64_t first = document.firstPosition();

  // Another program may have changed this aircraft since it was read or written here. It may
  // also put a new file in planes.dat's place between this check and the write: the writer
  // then writes nothing, and the check is made again on the new file.
  WriteResult written;
  for (int attempt = 1;; ++attempt) {
    const RecordRead current = readRecordAt(located.path, first);
    if (!current.ok()) {
      outcome.reason = current.error;
      return outcome;
    }
    const RecordBytes expected = document.expectedFileBytes();
    if (current.bytes != expected && answers.overwrite != current.bytes) {
      outcome.status = Status::ChangedByOthers;
      outcome.changes = changedFields(expected, current.bytes);
      outcome.fileBytes = current.bytes;
      return outcome;
    }

    // The answer was given for the file as it was at the first check.
    if (answers.withoutBackup && attempt == 1) writer.allowWithoutBackup(located.path);
    written = writer.write(located.path, first, *bytes, current.identity);
    if (!written.replaced || attempt == kCheckAttempts) break;
  }
  if (written.backupFailed) {
    outcome.status = Status::NoBackup;
    outcome.reason = written.error;
    return outcome;
  }
  if (written.replaced) {
    // Nothing was written, and what the file holds now is no doing of this program's.
    outcome.reason = written.error;
    return outcome;
  }
  if (!written.ok()) {
    // A write or flush that failed may still have changed the file (a flush fails after the
    // bytes went in): what it holds now is this program's doing, not another program's, and
    // saving again must not ask about it.
    const RecordRead after = readRecordAt(located.path, first);
    document.markWriteFailed(after.ok() ? std::optional<RecordBytes>(after.bytes) : std::nullopt);
    outcome.reason = written.error;
    return outcome;
  }

  // The record is read back through a fresh open; what the file holds must be what was
  // written, or the save did not take.
  const RecordRead back = readRecordAt(located.path, first);
  std::string mismatches;
  int shown = 0;
  if (back.ok()) {
    for (int row = 1; row <= kRecordBytes; ++row) {
      const auto i = static_cast<std::size_t>(row - 1);
      if (back.bytes[i] == (*bytes)[i]) continue;
      if (++shown > 8) break;
      if (!mismatches.empty()) mismatches += '\n';
      mismatches += "byte " + std::to_string(row) + ": written " + std::to_string((*bytes)[i]) +
                    ", read back " + std::to_string(back.bytes[i]);
    }
  }
  const bool readBack = back.ok() && mismatches.empty();
  // From here on the document knows the record as read back (or, when it could not be read,
  // as written), so that saving again does not take this write for another program's change.
  document.markWritten(back.ok() ? back.bytes : *bytes, !readBack);
  if (!readBack) {
    outcome.status = Status::NotReadBack;
    outcome.reason = "The record was written to " + quoted(located.path) +
                     ", but reading it back does not give the bytes written, so it may not be "
                     "saved. Save again, and check the file.\n\n" +
                     (back.ok() ? mismatches : back.error);
    return outcome;
  }
  outcome.status = Status::Written;
  return outcome;
}

}  // namespace tolvane::record
