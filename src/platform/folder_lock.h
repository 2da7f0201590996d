// FolderLock: an exclusive lock held through an open file. The kernel
// drops it when the process ends, however it ends, so a run that was
// killed never leaves a lock behind; the file itself stays and only names
// the last holder.
#pragma once

#include <string>

namespace tolvan {

class FolderLock {
 public:
  enum class Outcome { Taken, HeldByAnother, Unavailable };

  FolderLock() = default;
  // Releases the lock.
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Tries once, without waiting. The file is opened for writing, or for
  // reading by a user who may not write it (the lock is the same), and
  // never through a symbolic link. When taken, the file is rewritten to
  // hold `holderText` where it may be written; when another process holds
  // it, holder() gives the text that process wrote (empty if it has not
  // written it yet). Unavailable: there is no lock file to be had (none
  // can be created, it cannot be opened, it is a link or no regular file)
  // or it cannot be locked; the reason in errorText().
  Outcome tryTake(const std::string& path, const std::string& holderText);
  const std::string& holder() const { return holder_; }
  const std::string& errorText() const { return error_; }
  bool held() const { return fd_ >= 0 && taken_; }

 private:
  void close();

  int fd_ = -1;
  bool taken_ = false;
  std::string holder_;
  std::string error_;
};

// The process's id, for the holder text.
long currentProcessId();

}  // namespace tolvan
