// Saving the open record into planes.dat, without a window: one call checks the values, reads
// the file's bytes at the record, compares them with what the document expects there, makes
// the backup, writes in place and reads the record back, and says how it went. A caller that
// can ask the player turns an outcome into a question and calls again with the answer; every
// call reads the file afresh, so nothing is written on an answer to a file that has changed
// again since the question.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "record/fields.h"
#include "record/record_document.h"
#include "record/record_file.h"

namespace tolvane::record {

// The player's answers to the questions of earlier calls.
struct SaveAnswers {
  // "Overwrite": the file's bytes the player saw in the question. The write goes on only while
  // the file still holds exactly these; otherwise the question comes again.
  std::optional<RecordBytes> overwrite;
  // "Save without a backup" for the file as it is now.
  bool withoutBackup = false;
};

struct SaveOutcome {
  enum class Status {
    Written,          // written and read back equal
    Refused,          // a value saving refuses; nothing was opened
    ChangedByOthers,  // another program changed the record since it was read; nothing written
    NoBackup,         // the backup copy cannot be made; nothing written
    Failed,           // the file could not be found, read or written
    NotReadBack,      // written, but reading it back did not give the bytes written
  };
  Status status = Status::Failed;
  int refusedRow = 0;                // Refused: the first row saving refuses
  std::vector<FieldChange> changes;  // ChangedByOthers, in record order
  RecordBytes fileBytes{};           // ChangedByOthers: the file's bytes now (the answer)
  std::filesystem::path file;        // the planes.dat it concerns, once found
  std::string reason;                // NoBackup, Failed, NotReadBack: what went wrong
  bool ok() const { return status == Status::Written; }
};

// Saves the document's record into planes.dat in `folder` through `writer`, whose backup
// state lasts the run. On Written and NotReadBack the document's file bytes become what was
// read back; on a failed write, what the file holds then.
SaveOutcome saveRecord(RecordDocument& document, const std::filesystem::path& folder,
                       RecordWriter& writer, const SaveAnswers& answers = {});

}  // namespace tolvane::record
