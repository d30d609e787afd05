#include "record/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

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

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the result, so that a failing close is not lost.
  int release() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

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
  Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
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

std::string RecordWriter::makeBackup(const std::filesystem::path& file) {
  std::filesystem::path backup = file;
  backup += ".bak";
  std::filesystem::path temporary = file;
  temporary += ".bak.tmp";
  const std::string failed = "No byte was written to " + quoted(file) +
                             ", because its backup copy " + quoted(backup) + " could not be made: ";

  Fd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) return failed + systemReason(errno) + ".";
  // A fresh file of our own: a leftover temporary, or a link planted in its place, is
  // removed rather than written through.
  if (::unlink(temporary.c_str()) != 0 && errno != ENOENT)
    return failed + systemReason(errno) + ".";
  Fd out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (out.get() < 0) return failed + systemReason(errno) + ".";

  auto fail = [&](int error) {
    ::unlink(temporary.c_str());
    return failed + systemReason(error) + ".";
  };
  std::uint8_t buffer[65536];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(errno);
    if (n == 0) break;
    int error = 0;
    if (!writeAll(out.get(), buffer, static_cast<std::size_t>(n), offset, &error)) {
      return fail(error);
    }
    offset += n;
  }
  if (::fsync(out.get()) != 0) return fail(errno);
  if (out.release() != 0) return fail(errno);
  if (::rename(temporary.c_str(), backup.c_str()) != 0) return fail(errno);
  return {};
}

std::string RecordWriter::write(const std::filesystem::path& file, std::int64_t firstPosition,
                                const RecordBytes& bytes) {
  const std::string notSaved = "The record was not saved to " + quoted(file) + ": ";
  // Check before the backup, so that a vanished or shortened file is reported as such.
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) {
    if (errno == ENOENT) {
      return notSaved +
             "the file is no longer there (it was removed or renamed since the "
             "record was loaded).";
    }
    return notSaved + systemReason(errno) + ".";
  }
  if (!S_ISREG(info.st_mode)) return notSaved + "it is not a regular file. Nothing was written.";
  const std::int64_t lastPosition = firstPosition + kRecordBytes - 1;
  if (info.st_size < lastPosition) {
    return notSaved + "the file has become too short (" + std::to_string(info.st_size) +
           " bytes) to hold this record, which ends at byte " + std::to_string(lastPosition) +
           ". Nothing was written.";
  }
  if (!backupMade_) {
    std::string error = makeBackup(file);
    if (!error.empty()) return error;
    backupMade_ = true;
  }
  Fd fd(::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT) {
      return notSaved +
             "the file is no longer there (it was removed or renamed since the "
             "record was loaded).";
    }
    return notSaved + "it cannot be opened for writing: " + systemReason(errno) + ".";
  }
  int error = 0;
  if (!writeAll(fd.get(), bytes.data(), bytes.size(), static_cast<off_t>(firstPosition - 1),
                &error)) {
    return notSaved + "writing failed: " + systemReason(error) + ".";
  }
  if (::fdatasync(fd.get()) != 0) {
    return notSaved + "flushing to disk failed: " + systemReason(errno) + ".";
  }
  if (fd.release() != 0) {
    return notSaved + "closing the file failed: " + systemReason(errno) + ".";
  }
  return {};
}

}  // namespace tolvane::record
