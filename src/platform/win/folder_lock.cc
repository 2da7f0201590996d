#include "platform/folder_lock.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

#include "platform/win/wide.h"

namespace tolvan {

namespace {

// The lock is one byte far past any holder text: Windows locks bar reads
// of what they cover, and whoever finds the lock held reads the text.
constexpr DWORD kLockOffsetHigh = 0x7fffffff;

OVERLAPPED at(DWORD offset, DWORD offsetHigh = 0) {
  OVERLAPPED where{};
  where.Offset = offset;
  where.OffsetHigh = offsetHigh;
  return where;
}

std::string readAll(HANDLE h) {
  std::string text;
  char chunk[512];
  DWORD n = 0;
  for (OVERLAPPED where = at(0); text.size() <= 4096; where = at(static_cast<DWORD>(text.size()))) {
    if (::ReadFile(h, chunk, sizeof chunk, &n, &where) == 0 || n == 0) break;
    text.append(chunk, n);
  }
  return text;
}

bool writeAll(HANDLE h, const std::string& text) {
  LARGE_INTEGER start{};
  DWORD n = 0;
  return ::SetFilePointerEx(h, start, nullptr, FILE_BEGIN) != 0 && ::SetEndOfFile(h) != 0 &&
         (text.empty() || (::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) != 0 &&
                           n == text.size()));
}

// The lock file, never through a symbolic link; opened for reading by a
// user who may not write it, which locks just as well.
HANDLE openLockFile(const std::string& path, std::string& error) {
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  std::wstring name = win::widen(path);
  HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_ALWAYS,
                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
    h = ::CreateFileW(name.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_NOT_FOUND) ::SetLastError(ERROR_ACCESS_DENIED);
  }
  if (h == INVALID_HANDLE_VALUE) {
    win::failed();
    error = std::strerror(errno);
    return h;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(h, &info) == 0 ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
      ::GetFileType(h) != FILE_TYPE_DISK) {
    bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    error = link ? "it is a symbolic link" : "it is not a regular file";
    ::CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

}  // namespace

FolderLock::~FolderLock() { close(); }

void FolderLock::close() {
  if (fd_ >= 0) ::_close(fd_);
  fd_ = -1;
  taken_ = false;
}

FolderLock::Outcome FolderLock::tryTake(const std::string& path, const std::string& holderText) {
  close();
  holder_.clear();
  error_.clear();
  HANDLE h = openLockFile(path, error_);
  if (h == INVALID_HANDLE_VALUE) return Outcome::Unavailable;
  fd_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY);
  if (fd_ < 0) {
    ::CloseHandle(h);
    error_ = std::strerror(errno);
    return Outcome::Unavailable;
  }
  // The lock belongs to the handle: a second open in this process is
  // refused as well, which keeps in-process runs apart too.
  OVERLAPPED where = at(0, kLockOffsetHigh);
  if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) == 0) {
    bool held = ::GetLastError() == ERROR_LOCK_VIOLATION;
    win::failed();
    error_ = std::strerror(errno);
    holder_ = readAll(h);
    close();
    return held ? Outcome::HeldByAnother : Outcome::Unavailable;
  }
  taken_ = true;
  // The holder's facts are only a courtesy to whoever finds the lock held.
  (void)writeAll(h, holderText);
  return Outcome::Taken;
}

long currentProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

}  // namespace tolvan
