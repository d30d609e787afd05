// The calls into the operating system's file system that reading and writing planes.dat and
// the aircraft scripts need, in one place: open, positioned and sequential reads and writes,
// flushes, renames that never replace, unique temporary names, folder flushes, a file's
// identity and size. Callers see paths, an open File and std::error_code only, so another
// platform's side can be added here without touching them; this is the POSIX side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace tolvane::record::files {

// An open file or folder, closed on every path out of a scope.
class File {
 public:
  File() = default;
  explicit File(int fd) : fd_(fd) {}
  ~File();
  File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  int native() const { return fd_; }
  // Closes now and reports close()'s error, where a late write error shows.
  std::error_code close();

 private:
  int fd_ = -1;
};

// Which file a name stands for: another file put in its place has another identity.
struct Identity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const Identity& o) const { return device == o.device && inode == o.inode; }
  bool operator!=(const Identity& o) const { return !(*this == o); }
};

struct Status {
  Identity identity;
  std::int64_t size = 0;
  bool regular = false;  // a plain file (not a folder, link, FIFO or device)
  bool directory = false;
  bool link = false;  // only from statusOfName(..., NoFollow)
  unsigned permissions = 0;
};

enum class Links { Follow, NoFollow };

// The status of an open file, or of a name.
std::error_code statusOf(const File& file, Status* out);
std::error_code statusOfName(const std::filesystem::path& path, Status* out,
                             Links links = Links::Follow);

// Opens a file that must exist; never creates it and never waits on a FIFO or device in its
// place (the caller's status check refuses those).
std::error_code openForReading(const std::filesystem::path& path, File* out);
std::error_code openForWriting(const std::filesystem::path& path, File* out);

// Creates a new file (never one already there, never through a link) with the permissions
// given, less the umask.
std::error_code createNew(const std::filesystem::path& path, unsigned permissions, File* out);

// Creates a new hidden file of a unique name beside target (".<target's name><tag>.XXXXXX"),
// so that two programs writing beside the same target never share one; a file left by a
// crash is never reused. *name receives its path.
std::error_code createTemporaryBeside(const std::filesystem::path& target, const std::string& tag,
                                      unsigned permissions, File* out, std::filesystem::path* name);

// Reads up to size bytes at offset (counted from 0), stopping early only at the end of the
// file; *done receives how many were read. Interrupted calls are retried.
std::error_code readAt(const File& file, void* data, std::size_t size, std::int64_t offset,
                       std::size_t* done);
// Reads the next bytes, at most size; *done is 0 at the end of the file.
std::error_code readSome(const File& file, void* data, std::size_t size, std::size_t* done);

// Writes all the bytes, retrying short writes and interrupted calls.
std::error_code writeAllAt(const File& file, const void* data, std::size_t size,
                           std::int64_t offset);
std::error_code writeAll(const File& file, const void* data, std::size_t size);

// Flushes the file's data and its size to the disk (flushData), or everything (flush).
std::error_code flushData(const File& file);
std::error_code flush(const File& file);

std::error_code setPermissions(const File& file, unsigned permissions);

// Renames, replacing whatever file stands at to.
std::error_code renameReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// Renames without ever replacing what stands at to (a file, a link, a folder): fails with
// std::errc::file_exists when the name is taken, also when it was taken a moment ago. On file
// systems that cannot rename so, a hard link stands in, and without hard links a look just
// before the rename.
std::error_code renameWithoutReplacing(const std::filesystem::path& from,
                                       const std::filesystem::path& to);

std::error_code removeFile(const std::filesystem::path& path);
std::error_code makeFolder(const std::filesystem::path& path);

// Flushes a folder, so that a name just made in it survives a crash. File systems that
// cannot flush a folder count as done.
std::error_code syncFolder(const std::filesystem::path& folder);

// A test's view into the layer: it can change the file system, or fail a step, at named
// points, and fix the unique part of temporary names. Empty members do nothing.
namespace testing {
enum class Step {
  OpenForWriting,    // just before an existing file is opened for writing
  TemporaryCreated,  // just after a temporary file was created (the path is its name)
};
struct Seam {
  // Returns the error the step fails with, or no error to let it go on.
  std::function<std::error_code(Step, const std::filesystem::path&)> atStep;
  // The unique part of the next temporary name.
  std::function<std::string()> uniquePart;
};
void setSeam(Seam seam);
}  // namespace testing

}  // namespace tolvane::record::files
