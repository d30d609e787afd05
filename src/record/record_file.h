// Reading and writing aircraft records in planes.dat, in place, one record at a time.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

// Reads the 168 bytes at positions firstPosition .. firstPosition + 167 (counted from 1).
// Fails, with the system's reason, when the file cannot be opened or read, or is too short.
RecordRead readRecordAt(const std::filesystem::path& file, std::int64_t firstPosition);

// Reads the record of a slot (0..29).
RecordRead readRecord(const std::filesystem::path& file, int slot);

// Writes records back in place. The first write of a run copies the file as it was to
// "<name>.bak" beside it, replacing an older copy; a failed copy writes nothing. Each write
// goes into the existing file only (never creates it, never changes its length), is checked,
// flushed to disk and checked again.
class RecordWriter {
 public:
  // Returns an empty string on success, otherwise what failed with the system's reason.
  std::string write(const std::filesystem::path& file, std::int64_t firstPosition,
                    const RecordBytes& bytes);

  bool backupMade() const { return backupMade_; }

 private:
  std::string makeBackup(const std::filesystem::path& file);
  bool backupMade_ = false;
};

}  // namespace tolvane::record
