#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tolvan {

FolderLock::~FolderLock() { close(); }

void FolderLock::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  taken_ = false;
}

namespace {

std::string readAll(int fd) {
  std::string text;
  char chunk[512];
  off_t at = 0;
  for (;;) {
    ssize_t n = ::pread(fd, chunk, sizeof chunk, at);
    if (n <= 0 || text.size() > 4096) break;
    text.append(chunk, static_cast<size_t>(n));
    at += n;
  }
  return text;
}

bool writeAll(int fd, const std::string& text) {
  if (::ftruncate(fd, 0) != 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The lock file, never through a symbolic link: whoever may write the
// folder could otherwise point the lock of every run at a file of their
// choice. A user who may not write the file opens it for reading, which
// locks just as well. Sets `error` when there is no lock file to be had.
int openLockFile(const std::string& path, std::string& error) {
  constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    int why = errno;
    fd = ::open(path.c_str(), O_RDONLY | kFlags);
    if (fd < 0 && errno == ENOENT) errno = why;  // no file, and none may be made
  }
  if (fd < 0) {
    error = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "it is not a regular file";
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

FolderLock::Outcome FolderLock::tryTake(const std::string& path, const std::string& holderText) {
  close();
  holder_.clear();
  error_.clear();
  fd_ = openLockFile(path, error_);
  if (fd_ < 0) return Outcome::Unavailable;
  // flock belongs to the open file, not to the process: a second open in
  // this process is refused as well, which keeps in-process runs apart too.
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    int why = errno;
    holder_ = readAll(fd_);
    error_ = std::strerror(why);
    close();
    return why == EWOULDBLOCK ? Outcome::HeldByAnother : Outcome::Unavailable;
  }
  taken_ = true;
  // The holder's facts are only a courtesy to whoever finds the lock held;
  // a failure to write them (a file opened for reading) keeps the lock.
  (void)writeAll(fd_, holderText);
  return Outcome::Taken;
}

long currentProcessId() { return static_cast<long>(::getpid()); }

}  // namespace tolvan
