#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
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

}  // namespace

FolderLock::Outcome FolderLock::tryTake(const std::string& path, const std::string& holderText) {
  close();
  holder_.clear();
  error_.clear();
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return Outcome::Unavailable;
  }
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
  // a failure to write them does not give the lock up.
  (void)writeAll(fd_, holderText);
  return Outcome::Taken;
}

long currentProcessId() { return static_cast<long>(::getpid()); }

}  // namespace tolvan
