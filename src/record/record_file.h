// Reading and writing aircraft records in planes.dat, in place, one record at a time.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "record/file_system.h"
#include "record/layout.h"

namespace tolvane::record {

using RecordBytes = std::array<std::uint8_t, kRecordBytes>;

// The data file's name as the game spells it; any letter case matches.
constexpr const char* kDataFileName = "planes.dat";

// planes.dat found in a folder by an ASCII case-insensitive match of its name.
struct Located {
  std::filesystem::path path;  // set when exactly one name matched
  std::string error;           // set otherwise: none, several, or the folder unreadable
  bool ok() const { return error.empty(); }
};
Located locateDataFile(const std::filesystem::path& folder);

struct RecordRead {
  RecordBytes bytes{};
  files::Identity identity;  // the file read
  std::string error;         // empty on success
  bool ok() const { return error.empty(); }
};

// Reads the 168 bytes at positions firstPosition .. firstPosition + 167 (counted from 1).
// Fails, with the system's reason, when the file cannot be opened or read, or is too short.
RecordRead readRecordAt(const std::filesystem::path& file, std::int64_t firstPosition);

// Reads the record of a slot (0..29).
RecordRead readRecord(const std::filesystem::path& file, int slot);

struct RecordsRead {
  std::array<RecordBytes, kSlotCount> records{};  // index = slot
  files::Identity identity;                       // the file read
  std::string error;                              // empty on success
  bool ok() const { return error.empty(); }
};

// Reads the records of all 30 slots with one open and one read of the file. Fails as
// readRecord does for the first slot that cannot be read, with the same message.
RecordsRead readAllRecords(const std::filesystem::path& file);

// What a write did. When the backup copy could not be made nothing was written, and
// backupFailed says so apart from every other failure, so that the caller can offer to write
// without a backup (allowWithoutBackup) and try again.
struct WriteResult {
  std::string error;          // empty when the record was written
  bool backupFailed = false;  // nothing was written because the backup copy could not be made
  std::string backupReason;   // the system's reason the copy could not be made
  bool replaced = false;      // nothing was written: another file took the checked one's place
  bool ok() const { return error.empty(); }
};

// Writes records back in place. Before the first write of a run into a file it copies the
// file as it was to "<name>.bak" beside it, replacing an older copy; the very first copy ever
// made beside the file is also kept as "<name>.orig", which is never replaced. When another
// program replaces the file (it becomes another file: a new inode or device), the next write
// copies it again first. A failed copy writes nothing. Each copy is written under a hidden
// temporary name of its own, so that two programs saving at once never rename each other's
// half-written copy into place. Each write goes into the existing file only (never creates
// it, never changes its length); the file opened must be the one checked and copied, still a
// regular file that holds the record; the write is flushed to disk. A caller that has checked
// the file's record first gives the identity of the file it read as `checked`: when another
// file has taken that one's place since, nothing is written (and nothing copied), so that no
// record goes unchecked into a file another program put there.
class RecordWriter {
 public:
  WriteResult write(const std::filesystem::path& file, std::int64_t firstPosition,
                    const RecordBytes& bytes,
                    const std::optional<files::Identity>& checked = std::nullopt);

  // The user agreed to write the file as it is now without a backup copy: writes into it make
  // no copy for the rest of the run. Another file put in its place is copied again.
  void allowWithoutBackup(const std::filesystem::path& file);

  // Whether the file as it is now was copied (or allowed to go without a copy) in this run.
  bool backupMade(const std::filesystem::path& file) const;

 private:
  // The identity each file had when it was copied (or allowed to go without a copy), by path.
  std::map<std::string, files::Identity> backedUp_;
};

}  // namespace tolvane::record
