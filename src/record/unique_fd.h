// A file descriptor closed on every path out of a scope.
#pragma once

#include <unistd.h>

namespace tolvane::record {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }
  // Closes now and returns close()'s result (errno tells why on -1), so that a failing
  // close, where a late write error shows, is not lost.
  int release() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

}  // namespace tolvane::record
