#include "record/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "record/unique_fd.h"

namespace tolvane::record {
namespace {

std::string systemReason(int error) {
  return std::strerror(error);
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

// Writes all of a buffer at an offset, retrying short writes and interrupted calls.
bool writeAll(int fd, const std::uint8_t* data, std::size_t size, off_t offset, int* error) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return false;
    }
    if (n == 0) {
      *error = EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
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

RecordRead readRecordAt(const std::filesystem::path& file, std::int64_t firstPosition) {
  RecordRead result;
  // O_NONBLOCK: a FIFO or device in the file's place must not make the open wait forever;
  // the check below refuses it, and for a regular file the flag changes nothing.
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    result.error = quoted(file) + " cannot be opened for reading: " + systemReason(errno) + ".";
    return result;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) {
    result.error = quoted(file) + " cannot be examined: " + systemReason(errno) + ".";
    return result;
  }
  if (!S_ISREG(info.st_mode)) {
    result.error = quoted(file) + " is not a regular file.";
    return result;
  }
  const std::int64_t lastPosition = firstPosition + kRecordBytes - 1;
  if (info.st_size < lastPosition) {
    result.error = quoted(file) + " is too short: it holds " + std::to_string(info.st_size) +
                   " bytes, and this aircraft's record ends at byte " +
                   std::to_string(lastPosition) + ".";
    return result;
  }
  std::size_t done = 0;
  while (done < result.bytes.size()) {
    const ssize_t n = ::pread(fd.get(), result.bytes.data() + done, result.bytes.size() - done,
                              static_cast<off_t>(firstPosition - 1 + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.error = quoted(file) + " cannot be read: " + systemReason(errno) + ".";
      return result;
    }
    if (n == 0) {
      result.error = quoted(file) + " ended while its record was being read.";
      return result;
    }
    done += static_cast<std::size_t>(n);
  }
  return result;
}

RecordRead readRecord(const std::filesystem::path& file, int slot) {
  return readRecordAt(file, bytePosition(slot, 1));
}

namespace {

// Why a backup copy could not be made, and which copy it was.
struct BackupFailure {
  std::filesystem::path copy;
  int error = 0;
};

std::filesystem::path withSuffix(const std::filesystem::path& file, const char* suffix) {
  std::filesystem::path p = file;
  p += suffix;
  return p;
}

// A fresh temporary file of our own: a leftover one, or a link planted in its place, is
// removed rather than written through. Returns the descriptor, or -1 with errno set.
int createTemporary(const std::filesystem::path& temporary) {
  if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) return -1;
  return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

// Gives a finished temporary copy a name that is never replaced once it exists, whatever
// stands there (a file, a link, a folder). Returns 0, EEXIST when the name is taken, or the
// system's error.
int renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without that flag: a hard link never replaces either.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return EEXIST;
  // Nor hard links (FAT, some network shares): look, then rename.
  struct stat info {};
  if (::lstat(to.c_str(), &info) == 0) return EEXIST;
  if (errno != ENOENT) return errno;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Flushes a folder, so that a file just renamed into it keeps its name after a crash.
int syncFolder(const std::filesystem::path& folder) {
  UniqueFd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return errno;
  // Some file systems cannot flush a folder; the rename itself has been made.
  if (::fsync(dir.get()) != 0 && errno != EINVAL) return errno;
  return 0;
}

// Copies the file as it is to "<name>.bak", replacing an older copy, and to "<name>.orig"
// when there is no such name yet. Each copy is written to a fresh temporary file, flushed and
// renamed into place, so that a backup is either whole or not there. Returns true on success
// with the identity of the file that was read.
bool makeBackup(const std::filesystem::path& file, struct stat* copied, BackupFailure* failure) {
  const std::filesystem::path backup = withSuffix(file, ".bak");
  const std::filesystem::path original = withSuffix(file, ".orig");
  const std::filesystem::path backupTemporary = withSuffix(file, ".bak.tmp");
  const std::filesystem::path originalTemporary = withSuffix(file, ".orig.tmp");
  failure->copy = backup;

  UniqueFd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0 || ::fstat(in.get(), copied) != 0) {
    failure->error = errno;
    return false;
  }
  // The first copy ever made is kept as well; anything already named so is left alone.
  struct stat existing {};
  bool keepOriginal = false;
  if (::lstat(original.c_str(), &existing) != 0) {
    if (errno != ENOENT) {
      failure->copy = original;
      failure->error = errno;
      return false;
    }
    keepOriginal = true;
  }

  UniqueFd backupOut(createTemporary(backupTemporary));
  if (backupOut.get() < 0) {
    failure->error = errno;
    return false;
  }
  UniqueFd originalOut(keepOriginal ? createTemporary(originalTemporary) : -1);
  bool originalPending = keepOriginal && originalOut.get() >= 0;
  auto fail = [&](const std::filesystem::path& copy, int error) {
    ::unlink(backupTemporary.c_str());
    if (originalPending) ::unlink(originalTemporary.c_str());
    failure->copy = copy;
    failure->error = error;
    return false;
  };
  if (keepOriginal && originalOut.get() < 0) return fail(original, errno);

  std::uint8_t buffer[65536];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(backup, errno);
    if (n == 0) break;
    int error = 0;
    if (!writeAll(backupOut.get(), buffer, static_cast<std::size_t>(n), offset, &error)) {
      return fail(backup, error);
    }
    if (keepOriginal &&
        !writeAll(originalOut.get(), buffer, static_cast<std::size_t>(n), offset, &error)) {
      return fail(original, error);
    }
    offset += n;
  }
  if (::fsync(backupOut.get()) != 0) return fail(backup, errno);
  if (backupOut.release() != 0) return fail(backup, errno);
  if (keepOriginal) {
    if (::fsync(originalOut.get()) != 0) return fail(original, errno);
    if (originalOut.release() != 0) return fail(original, errno);
    const int error = renameWithoutReplacing(originalTemporary, original);
    // EEXIST: another program made the first copy meanwhile; it stays as it is.
    if (error == EEXIST) ::unlink(originalTemporary.c_str());
    originalPending = false;  // the temporary is renamed or removed
    if (error != 0 && error != EEXIST) {
      ::unlink(originalTemporary.c_str());
      return fail(original, error);
    }
  }
  if (::rename(backupTemporary.c_str(), backup.c_str()) != 0) return fail(backup, errno);
  if (const int error = syncFolder(file.parent_path())) return fail(backup, error);
  return true;
}

std::string pathKey(const std::filesystem::path& file) {
  return file.lexically_normal().string();
}

}  // namespace

void RecordWriter::allowWithoutBackup(const std::filesystem::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return;  // the write reports what is wrong with it
  backedUp_[pathKey(file)] = {static_cast<std::uint64_t>(info.st_dev),
                              static_cast<std::uint64_t>(info.st_ino)};
}

bool RecordWriter::backupMade(const std::filesystem::path& file) const {
  const auto known = backedUp_.find(pathKey(file));
  struct stat info {};
  return known != backedUp_.end() && ::stat(file.c_str(), &info) == 0 &&
         known->second == Identity{static_cast<std::uint64_t>(info.st_dev),
                                   static_cast<std::uint64_t>(info.st_ino)};
}

WriteResult RecordWriter::write(const std::filesystem::path& file, std::int64_t firstPosition,
                                const RecordBytes& bytes) {
  WriteResult result;
  const std::string notSaved = "The record was not saved to " + quoted(file) + ": ";
  const std::string gone =
      "the file is no longer there (it was removed or renamed since the record was loaded).";
  // Check before the backup, so that a vanished or shortened file is reported as such.
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) {
    result.error = notSaved + (errno == ENOENT ? gone : systemReason(errno) + ".");
    return result;
  }
  if (!S_ISREG(info.st_mode)) {
    result.error = notSaved + "it is not a regular file. Nothing was written.";
    return result;
  }
  const std::int64_t lastPosition = firstPosition + kRecordBytes - 1;
  if (info.st_size < lastPosition) {
    result.error = notSaved + "the file has become too short (" + std::to_string(info.st_size) +
                   " bytes) to hold this record, which ends at byte " +
                   std::to_string(lastPosition) + ". Nothing was written.";
    return result;
  }
  // A file not copied yet in this run, or put in the copied one's place since, is copied first.
  const std::string key = pathKey(file);
  const Identity now{static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino)};
  auto known = backedUp_.find(key);
  if (known == backedUp_.end() || !(known->second == now)) {
    struct stat copied {};
    BackupFailure failure;
    if (!makeBackup(file, &copied, &failure)) {
      result.backupFailed = true;
      result.backupReason = systemReason(failure.error);
      result.error = "No byte was written to " + quoted(file) + ", because its backup copy " +
                     quoted(failure.copy) + " could not be made: " + result.backupReason + ".";
      return result;
    }
    known = backedUp_
                .insert_or_assign(key, Identity{static_cast<std::uint64_t>(copied.st_dev),
                                                static_cast<std::uint64_t>(copied.st_ino)})
                .first;
  }
  UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    result.error =
        notSaved +
        (errno == ENOENT ? gone : "it cannot be opened for writing: " + systemReason(errno) + ".");
    return result;
  }
  // The file opened must be the one copied: another program may have put a new file in its
  // place since. The next write copies that one first.
  struct stat opened {};
  if (::fstat(fd.get(), &opened) != 0) {
    result.error = notSaved + "it cannot be examined: " + systemReason(errno) + ".";
    return result;
  }
  if (!(known->second == Identity{static_cast<std::uint64_t>(opened.st_dev),
                                  static_cast<std::uint64_t>(opened.st_ino)})) {
    result.error = notSaved +
                   "another program replaced the file while it was being saved. Nothing was "
                   "written; save again.";
    return result;
  }
  int error = 0;
  if (!writeAll(fd.get(), bytes.data(), bytes.size(), static_cast<off_t>(firstPosition - 1),
                &error)) {
    result.error = notSaved + "writing failed: " + systemReason(error) + ".";
    return result;
  }
  if (::fdatasync(fd.get()) != 0) {
    result.error = notSaved + "flushing to disk failed: " + systemReason(errno) + ".";
    return result;
  }
  if (fd.release() != 0) {
    result.error = notSaved + "closing the file failed: " + systemReason(errno) + ".";
  }
  return result;
}

}  // namespace tolvane::record
