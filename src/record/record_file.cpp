#include "record/record_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "record/file_system.h"

namespace tolvane::record {
namespace {

std::string systemReason(const std::error_code& error) {
  return error.message();
}

bool sameNameIgnoringAsciiCase(const std::string& a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string quoted(const std::filesystem::path& p) {
  return "\"" + p.string() + "\"";
}

}  // namespace

Located locateDataFile(const std::filesystem::path& folder) {
  Located result;
  std::vector<std::string> matches;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) {
    result.error = "The folder " + quoted(folder) + " cannot be read: " + ec.message() + ".";
    return result;
  }
  for (const auto end = std::filesystem::directory_iterator(); it != end; it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    if (sameNameIgnoringAsciiCase(name, kDataFileName)) matches.push_back(name);
  }
  if (ec) {
    result.error = "The folder " + quoted(folder) + " cannot be read: " + ec.message() + ".";
    return result;
  }
  if (matches.empty()) {
    result.error = "There is no planes.dat in the folder " + quoted(folder) + ".";
  } else if (matches.size() > 1) {
    std::string names;
    for (const auto& m : matches) names += (names.empty() ? "" : ", ") + ("\"" + m + "\"");
    result.error = "The folder " + quoted(folder) + " holds several files named planes.dat (" +
                   names + "); Tolvane cannot tell which one is the game's. Keep only one.";
  } else {
    result.path = folder / matches.front();
  }
  return result;
}

namespace {

// Opens the file and checks that it is a regular file; the failure's message goes into *error.
bool openRecordFile(const std::filesystem::path& file, files::File* fd, files::Status* info,
                    std::string* error) {
  if (const std::error_code failure = files::openForReading(file, fd)) {
    *error = quoted(file) + " cannot be opened for reading: " + systemReason(failure) + ".";
    return false;
  }
  if (const std::error_code failure = files::statusOf(*fd, info)) {
    *error = quoted(file) + " cannot be examined: " + systemReason(failure) + ".";
    return false;
  }
  if (!info->regular) {
    *error = quoted(file) + " is not a regular file.";
    return false;
  }
  return true;
}

std::string tooShort(const std::filesystem::path& file, std::int64_t size,
                     std::int64_t lastPosition) {
  return quoted(file) + " is too short: it holds " + std::to_string(size) +
         " bytes, and this aircraft's record ends at byte " + std::to_string(lastPosition) + ".";
}

// Reads size bytes from the (0-based) offset; a file that ends before them is a failure.
bool readSpan(const std::filesystem::path& file, const files::File& fd, void* data,
              std::size_t size, std::int64_t offset, std::string* error) {
  std::size_t done = 0;
  if (const std::error_code failure = files::readAt(fd, data, size, offset, &done)) {
    *error = quoted(file) + " cannot be read: " + systemReason(failure) + ".";
    return false;
  }
  if (done < size) {
    *error = quoted(file) + " ended while its record was being read.";
    return false;
  }
  return true;
}

}  // namespace

RecordRead readRecordAt(const std::filesystem::path& file, std::int64_t firstPosition) {
  RecordRead result;
  files::File fd;
  files::Status info;
  if (!openRecordFile(file, &fd, &info, &result.error)) return result;
  result.identity = info.identity;
  const std::int64_t lastPosition = firstPosition + kRecordBytes - 1;
  if (info.size < lastPosition) {
    result.error = tooShort(file, info.size, lastPosition);
    return result;
  }
  readSpan(file, fd, result.bytes.data(), result.bytes.size(), firstPosition - 1, &result.error);
  return result;
}

RecordRead readRecord(const std::filesystem::path& file, int slot) {
  return readRecordAt(file, bytePosition(slot, 1));
}

RecordsRead readAllRecords(const std::filesystem::path& file) {
  RecordsRead result;
  files::File fd;
  files::Status info;
  if (!openRecordFile(file, &fd, &info, &result.error)) return result;
  result.identity = info.identity;
  // A short file is reported as the first slot whose record it does not hold.
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const std::int64_t lastPosition = bytePosition(slot, kRecordBytes);
    if (info.size < lastPosition) {
      result.error = tooShort(file, info.size, lastPosition);
      return result;
    }
  }
  // The records lie in one span of slot blocks: read it whole, then take each record out.
  const std::int64_t first = bytePosition(0, 1);
  std::vector<std::uint8_t> span(static_cast<std::size_t>(kLastRecordPosition - first + 1));
  if (!readSpan(file, fd, span.data(), span.size(), first - 1, &result.error)) return result;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const auto at = static_cast<std::ptrdiff_t>(bytePosition(slot, 1) - first);
    std::copy_n(span.begin() + at, kRecordBytes,
                result.records[static_cast<std::size_t>(slot)].begin());
  }
  return result;
}

namespace {

// Why a backup copy could not be made, and which copy it was.
struct BackupFailure {
  std::filesystem::path copy;
  std::error_code error;
};

std::filesystem::path withSuffix(const std::filesystem::path& file, const char* suffix) {
  std::filesystem::path p = file;
  p += suffix;
  return p;
}

// A copy being written: a hidden file of a unique name beside planes.dat, so that two
// programs saving at once never write into or rename each other's copy. It is removed
// unless it was renamed into place.
struct PendingCopy {
  std::filesystem::path target;
  std::filesystem::path temporary;
  files::File out;
  PendingCopy() = default;
  PendingCopy(const PendingCopy&) = delete;
  PendingCopy& operator=(const PendingCopy&) = delete;
  ~PendingCopy() {
    if (!temporary.empty()) files::removeFile(temporary);
  }
  std::error_code create(const std::filesystem::path& file, const char* suffix) {
    target = withSuffix(file, suffix);
    return files::createTemporaryBeside(file, suffix, 0644, &out, &temporary);
  }
  // Flushes the copy and closes it, so that it is whole on the disk before it takes a name.
  std::error_code finish() {
    if (const std::error_code error = files::flush(out)) return error;
    return out.close();
  }
  void renamed() { temporary.clear(); }
};

// Copies the file as it is to "<name>.bak", replacing an older copy, and to "<name>.orig"
// when there is no such name yet. Each copy is written to a fresh temporary file, flushed and
// renamed into place, so that a backup is either whole or not there. Returns true on success
// with the identity of the file that was read.
bool makeBackup(const std::filesystem::path& file, files::Identity* copied,
                BackupFailure* failure) {
  auto fail = [failure](const std::filesystem::path& copy, const std::error_code& error) {
    failure->copy = copy;
    failure->error = error;
    return false;
  };
  const std::filesystem::path backupName = withSuffix(file, ".bak");
  const std::filesystem::path originalName = withSuffix(file, ".orig");

  files::File in;
  files::Status info;
  if (const std::error_code error = files::openForReading(file, &in)) {
    return fail(backupName, error);
  }
  if (const std::error_code error = files::statusOf(in, &info)) return fail(backupName, error);
  // A FIFO or device put in the file's place would give an empty or endless copy that
  // replaces the good one.
  if (!info.regular) return fail(backupName, std::make_error_code(std::errc::invalid_argument));
  *copied = info.identity;

  // The first copy ever made is kept as well; anything already named so is left alone.
  files::Status existing;
  bool keepOriginal = false;
  if (const std::error_code error =
          files::statusOfName(originalName, &existing, files::Links::NoFollow)) {
    if (error != std::errc::no_such_file_or_directory) return fail(originalName, error);
    keepOriginal = true;
  }

  PendingCopy backup;
  PendingCopy original;
  if (const std::error_code error = backup.create(file, ".bak")) return fail(backupName, error);
  if (keepOriginal) {
    if (const std::error_code error = original.create(file, ".orig")) {
      return fail(originalName, error);
    }
  }

  std::uint8_t buffer[65536];
  std::int64_t offset = 0;
  for (;;) {
    std::size_t n = 0;
    if (const std::error_code error = files::readSome(in, buffer, sizeof buffer, &n)) {
      return fail(backupName, error);
    }
    if (n == 0) break;
    if (const std::error_code error = files::writeAllAt(backup.out, buffer, n, offset)) {
      return fail(backupName, error);
    }
    if (keepOriginal) {
      if (const std::error_code error = files::writeAllAt(original.out, buffer, n, offset)) {
        return fail(originalName, error);
      }
    }
    offset += static_cast<std::int64_t>(n);
  }
  if (const std::error_code error = backup.finish()) return fail(backupName, error);
  if (keepOriginal) {
    if (const std::error_code error = original.finish()) return fail(originalName, error);
    const std::error_code error = files::renameWithoutReplacing(original.temporary, originalName);
    // File exists: another program made the first copy meanwhile; it stays as it is, and
    // ours is removed.
    if (!error) original.renamed();
    if (error && error != std::errc::file_exists) return fail(originalName, error);
  }
  if (const std::error_code error = files::renameReplacing(backup.temporary, backupName)) {
    return fail(backupName, error);
  }
  backup.renamed();
  if (const std::error_code error = files::syncFolder(file.parent_path())) {
    return fail(backupName, error);
  }
  return true;
}

std::string pathKey(const std::filesystem::path& file) {
  return file.lexically_normal().string();
}

}  // namespace

void RecordWriter::allowWithoutBackup(const std::filesystem::path& file) {
  files::Status info;
  if (files::statusOfName(file, &info)) return;  // the write reports what is wrong with it
  backedUp_[pathKey(file)] = info.identity;
}

bool RecordWriter::backupMade(const std::filesystem::path& file) const {
  const auto known = backedUp_.find(pathKey(file));
  files::Status info;
  return known != backedUp_.end() && !files::statusOfName(file, &info) &&
         known->second == info.identity;
}

WriteResult RecordWriter::write(const std::filesystem::path& file, std::int64_t firstPosition,
                                const RecordBytes& bytes,
                                const std::optional<files::Identity>& checked) {
  WriteResult result;
  const std::string notSaved = "The record was not saved to " + quoted(file) + ": ";
  const std::string replaced =
      notSaved +
      "another program replaced the file while it was being saved. Nothing was written; save "
      "again.";
  const std::string gone =
      "the file is no longer there (it was removed or renamed since the record was loaded).";
  const std::int64_t lastPosition = firstPosition + kRecordBytes - 1;
  // Whether a file, looked at by name or on the open descriptor, can take the record.
  auto refusal = [&](const files::Status& info) -> std::string {
    if (!info.regular) return notSaved + "it is not a regular file. Nothing was written.";
    if (info.size < lastPosition) {
      return notSaved + "the file has become too short (" + std::to_string(info.size) +
             " bytes) to hold this record, which ends at byte " + std::to_string(lastPosition) +
             ". Nothing was written.";
    }
    return {};
  };
  // Check before the backup, so that a vanished or shortened file is reported as such.
  files::Status info;
  if (const std::error_code error = files::statusOfName(file, &info)) {
    result.error =
        notSaved +
        (error == std::errc::no_such_file_or_directory ? gone : systemReason(error) + ".");
    return result;
  }
  if (checked && info.identity != *checked) {
    result.replaced = true;
    result.error = replaced;
    return result;
  }
  result.error = refusal(info);
  if (!result.ok()) return result;
  // A file not copied yet in this run, or put in the copied one's place since, is copied first.
  const std::string key = pathKey(file);
  auto known = backedUp_.find(key);
  if (known == backedUp_.end() || known->second != info.identity) {
    files::Identity copied;
    BackupFailure failure;
    if (!makeBackup(file, &copied, &failure)) {
      result.backupFailed = true;
      result.backupReason = systemReason(failure.error);
      result.error = "No byte was written to " + quoted(file) + ", because its backup copy " +
                     quoted(failure.copy) + " could not be made: " + result.backupReason + ".";
      return result;
    }
    known = backedUp_.insert_or_assign(key, copied).first;
  }
  files::File fd;
  if (const std::error_code error = files::openForWriting(file, &fd)) {
    result.error =
        notSaved + (error == std::errc::no_such_file_or_directory
                        ? gone
                        : "it cannot be opened for writing: " + systemReason(error) + ".");
    return result;
  }
  // The file opened must be the one checked and copied, and still hold the record: another
  // program may have put a new file in its place or cut it short since. The next write
  // copies a new file first.
  files::Status opened;
  if (const std::error_code error = files::statusOf(fd, &opened)) {
    result.error = notSaved + "it cannot be examined: " + systemReason(error) + ".";
    return result;
  }
  if (opened.identity != known->second || (checked && opened.identity != *checked)) {
    result.replaced = true;
    result.error = replaced;
    return result;
  }
  result.error = refusal(opened);
  if (!result.ok()) return result;
  if (const std::error_code error =
          files::writeAllAt(fd, bytes.data(), bytes.size(), firstPosition - 1)) {
    result.error = notSaved + "writing failed: " + systemReason(error) + ".";
    return result;
  }
  if (const std::error_code error = files::flushData(fd)) {
    result.error = notSaved + "flushing to disk failed: " + systemReason(error) + ".";
    return result;
  }
  if (const std::error_code error = fd.close()) {
    result.error = notSaved + "closing the file failed: " + systemReason(error) + ".";
  }
  return result;
}

}  // namespace tolvane::record
