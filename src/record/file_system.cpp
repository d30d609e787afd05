#include "record/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <random>

namespace tolvane::record::files {
namespace {

std::error_code lastError() {
  return {errno, std::system_category()};
}

std::error_code errorOf(int error) {
  return {error, std::system_category()};
}

std::mutex seamMutex;
testing::Seam seam;

// The seam is copied out under the lock and called outside it, so that a step may run a
// whole second write (as another window would) without waiting on itself.
std::error_code atStep(testing::Step step, const std::filesystem::path& path) {
  std::function<std::error_code(testing::Step, const std::filesystem::path&)> call;
  {
    const std::lock_guard<std::mutex> lock(seamMutex);
    call = seam.atStep;
  }
  return call ? call(step, path) : std::error_code();
}

std::string uniquePart() {
  {
    const std::lock_guard<std::mutex> lock(seamMutex);
    if (seam.uniquePart) return seam.uniquePart();
  }
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random{[] {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
           static_cast<std::uint64_t>(::getpid());
  }()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string part(6, ' ');
  for (char& c : part) c = kLetters[pick(random)];
  return part;
}

void fill(const struct stat& info, Status* out) {
  out->identity = {static_cast<std::uint64_t>(info.st_dev),
                   static_cast<std::uint64_t>(info.st_ino)};
  out->size = static_cast<std::int64_t>(info.st_size);
  out->regular = S_ISREG(info.st_mode);
  out->directory = S_ISDIR(info.st_mode);
  out->link = S_ISLNK(info.st_mode);
  out->permissions = static_cast<unsigned>(info.st_mode & 07777);
}

std::error_code openWith(const std::filesystem::path& path, int flags, unsigned permissions,
                         File* out) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(permissions));
  if (fd < 0) return lastError();
  *out = File(fd);
  return {};
}

}  // namespace

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

std::error_code File::close() {
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0 ? std::error_code() : lastError();
}

std::error_code statusOf(const File& file, Status* out) {
  struct stat info {};
  if (::fstat(file.native(), &info) != 0) return lastError();
  fill(info, out);
  return {};
}

std::error_code statusOfName(const std::filesystem::path& path, Status* out, Links links) {
  struct stat info {};
  const int result =
      links == Links::Follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
  if (result != 0) return lastError();
  fill(info, out);
  return {};
}

// O_NONBLOCK: a FIFO or device in the file's place must not make the open wait forever; for
// a regular file the flag changes nothing.
std::error_code openForReading(const std::filesystem::path& path, File* out) {
  return openWith(path, O_RDONLY | O_NONBLOCK, 0, out);
}

std::error_code openForWriting(const std::filesystem::path& path, File* out) {
  if (const std::error_code injected = atStep(testing::Step::OpenForWriting, path)) {
    return injected;
  }
  return openWith(path, O_WRONLY | O_NONBLOCK, 0, out);
}

std::error_code createNew(const std::filesystem::path& path, unsigned permissions, File* out) {
  return openWith(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, permissions, out);
}

std::error_code createTemporaryBeside(const std::filesystem::path& target, const std::string& tag,
                                      unsigned permissions, File* out,
                                      std::filesystem::path* name) {
  const std::string stem = "." + target.filename().native() + tag + ".";
  std::error_code error;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = target.parent_path() / (stem + uniquePart());
    error = createNew(candidate, permissions, out);
    if (error == std::errc::file_exists) continue;
    if (error) return error;
    *name = std::move(candidate);
    if (const std::error_code injected = atStep(testing::Step::TemporaryCreated, *name)) {
      *out = File();
      ::unlink(name->c_str());
      return injected;
    }
    return {};
  }
  return error;
}

std::error_code readAt(const File& file, void* data, std::size_t size, std::int64_t offset,
                       std::size_t* done) {
  auto* bytes = static_cast<unsigned char*>(data);
  *done = 0;
  while (*done < size) {
    const ssize_t n = ::pread(file.native(), bytes + *done, size - *done,
                              static_cast<off_t>(offset + static_cast<std::int64_t>(*done)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastError();
    if (n == 0) break;
    *done += static_cast<std::size_t>(n);
  }
  return {};
}

std::error_code readSome(const File& file, void* data, std::size_t size, std::size_t* done) {
  for (;;) {
    const ssize_t n = ::read(file.native(), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastError();
    *done = static_cast<std::size_t>(n);
    return {};
  }
}

std::error_code writeAllAt(const File& file, const void* data, std::size_t size,
                           std::int64_t offset) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(file.native(), bytes, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastError();
    // A write that takes nothing would repeat forever.
    if (n == 0) return errorOf(EIO);
    bytes += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return {};
}

std::error_code writeAll(const File& file, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(file.native(), bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastError();
    if (n == 0) return errorOf(EIO);
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return {};
}

std::error_code flushData(const File& file) {
  return ::fdatasync(file.native()) == 0 ? std::error_code() : lastError();
}

std::error_code flush(const File& file) {
  return ::fsync(file.native()) == 0 ? std::error_code() : lastError();
}

std::error_code setPermissions(const File& file, unsigned permissions) {
  return ::fchmod(file.native(), static_cast<mode_t>(permissions)) == 0 ? std::error_code()
                                                                        : lastError();
}

std::error_code renameReplacing(const std::filesystem::path& from,
                                const std::filesystem::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : lastError();
}

std::error_code renameWithoutReplacing(const std::filesystem::path& from,
                                       const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return lastError();
  // File systems without that flag: a hard link never replaces either.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return {};
  }
  if (errno == EEXIST) return lastError();
  // Nor hard links (FAT, some network shares): look, then rename.
  struct stat info {};
  if (::lstat(to.c_str(), &info) == 0) return errorOf(EEXIST);
  if (errno != ENOENT) return lastError();
  return renameReplacing(from, to);
}

std::error_code removeFile(const std::filesystem::path& path) {
  return ::unlink(path.c_str()) == 0 ? std::error_code() : lastError();
}

std::error_code makeFolder(const std::filesystem::path& path) {
  return ::mkdir(path.c_str(), 0777) == 0 ? std::error_code() : lastError();
}

std::error_code syncFolder(const std::filesystem::path& folder) {
  File dir;
  if (const std::error_code error = openWith(folder.empty() ? std::filesystem::path(".") : folder,
                                             O_RDONLY | O_DIRECTORY, 0, &dir)) {
    return error;
  }
  if (::fsync(dir.native()) != 0 && errno != EINVAL) return lastError();
  return {};
}

namespace testing {
void setSeam(Seam newSeam) {
  const std::lock_guard<std::mutex> lock(seamMutex);
  seam = std::move(newSeam);
}
}  // namespace testing

}  // namespace tolvane::record::files
