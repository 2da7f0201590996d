#include "platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/win/wide.h"

namespace tolvan {

using win::failed;
using win::widen;

namespace {

// Temporary names tried before a replacement gives up.
constexpr int kTempNameTries = 100;

HANDLE handleOf(std::FILE* file) { return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file))); }

bool flushHandle(HANDLE h) { return h != INVALID_HANDLE_VALUE && (::FlushFileBuffers(h) != 0 || failed()); }

// A stdio stream on a handle the system gave; the handle is closed with it.
std::FILE* streamOf(HANDLE h, int flags, const char* mode) {
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(h);
    return nullptr;
  }
  std::FILE* file = ::_fdopen(fd, mode);
  if (file == nullptr) ::_close(fd);
  return file;
}

enum class WriteWay { Replace, Through, Refused };

// The name a reparse point (a symbolic link) finally leads to, or the path
// itself when it leads nowhere yet.
std::string finalName(const std::string& path) {
  HANDLE h = ::CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return path;
  wchar_t name[MAX_PATH * 4];
  DWORD length = ::GetFinalPathNameByHandleW(h, name, MAX_PATH * 4, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  ::CloseHandle(h);
  if (length == 0 || length >= MAX_PATH * 4) return path;
  std::string final = win::narrow(name, length);
  return final.rfind("\\\\?\\", 0) == 0 ? final.substr(4) : final;
}

// How a writer treats `path`; `target` gets the name a replacement goes to.
WriteWay wayToWrite(const std::string& path, std::string& target) {
  target = path;
  if (win::isDeviceName(path)) return WriteWay::Through;
  DWORD attributes = ::GetFileAttributesW(widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = ::GetLastError();
    failed();
    return error == ERROR_FILE_NOT_FOUND ? WriteWay::Replace : WriteWay::Refused;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return WriteWay::Refused;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) target = finalName(path);
  return WriteWay::Replace;
}

// Opens a device for writing through. The console is the program's own
// standard output, as /dev/stdout is elsewhere, so the bytes land where the
// lines around them leave off, also when standard output is a file.
std::FILE* openThrough(const std::string& path) {
  if (win::isConsoleName(path)) {
    std::fflush(stdout);
    int copy = ::_dup(::_fileno(stdout));
    std::FILE* file = copy >= 0 ? ::_fdopen(copy, "ab") : nullptr;
    if (file == nullptr && copy >= 0) ::_close(copy);
    return file;
  }
  HANDLE h = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) failed();
  return streamOf(h, _O_WRONLY | _O_APPEND, "ab");
}

bool removeOwnFile(const std::string& path, std::string& target, bool& removed) {
  removed = false;
  switch (wayToWrite(path, target)) {
    case WriteWay::Replace:
      removed = ::DeleteFileW(widen(target).c_str()) != 0;
      return removed || ::GetLastError() == ERROR_FILE_NOT_FOUND || failed();
    case WriteWay::Through:
      return true;
    case WriteWay::Refused:
      break;
  }
  return false;
}

std::string uniqueName(const std::string& beside, const char* ending) {
  static std::atomic<unsigned> counter{0};
  return beside + "." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(counter++) + ending;
}

bool moveOver(const std::string& from, const std::string& to) {
  return ::MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Windows refuses to move a file over one that is open (a resend file the
// run still reads while it writes its replacement). The open file can be
// moved aside, though: then the new one takes the name, and the old one
// goes once its last reader closes it.
bool replaceOpenFile(const std::string& temp, const std::string& target) {
  std::string aside = uniqueName(target, ".old");
  if (!moveOver(target, aside)) return false;
  if (!moveOver(temp, target)) {
    moveOver(aside, target);
    return false;
  }
  ::DeleteFileW(widen(aside).c_str());
  return true;
}

// The full name with "." and ".." steps taken and the case folded: Windows
// finds one file under "a.txt" and "A.TXT".
std::string fullFoldedName(const std::string& path) {
  std::wstring wide = widen(path);
  wchar_t full[MAX_PATH * 4];
  DWORD length = ::GetFullPathNameW(wide.c_str(), MAX_PATH * 4, full, nullptr);
  if (length == 0 || length >= MAX_PATH * 4) return path;
  ::CharUpperBuffW(full, length);
  return win::narrow(full, length);
}

}  // namespace

// Files are opened sharing everything, as on other systems: a resend file
// read while its replacement is moved over it, a log another program
// reads. "rb", "wb" and "ab", as the driver uses them.
std::FILE* openFile(const std::string& path, const char* mode) {
  std::string how(mode);
  if (win::isConsoleName(path) && how != "rb") return openThrough(path);
  bool reading = how.starts_with('r');
  bool appending = how.starts_with('a');
  HANDLE h = ::CreateFileW(widen(path).c_str(), reading ? GENERIC_READ : GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           reading ? OPEN_EXISTING : appending ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    failed();
    return nullptr;
  }
  return streamOf(h, reading ? _O_RDONLY : appending ? _O_WRONLY | _O_APPEND : _O_WRONLY, mode);
}

std::string lastFileError() { return std::strerror(errno); }

bool fileExists(const std::string& path) {
  return win::isDeviceName(path) || ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<FileStamp> fileStamp(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (win::isDeviceName(path) || ::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &info) == 0 ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  // The creation time stands in for the file's identity: a file written
  // anew under the same name gets a new one.
  auto join = [](DWORD high, DWORD low) { return int64_t{high} << 32 | low; };
  return FileStamp{static_cast<uint64_t>(join(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime)),
                   join(info.nFileSizeHigh, info.nFileSizeLow),
                   join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
}

std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  // The root of a drive or of the current one stays a root.
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

// A folder's entries reach the disk with the moves that change them
// (MOVEFILE_WRITE_THROUGH) and the file system's own journal; there is no
// folder handle to flush for a program without backup rights.
bool syncFolder(const std::string& folder) {
  DWORD attributes = ::GetFileAttributesW(widen(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool removeFile(const std::string& path) {
  std::string target;
  bool removed = false;
  return removeOwnFile(path, target, removed);
}

bool syncFile(std::FILE* file, const std::string& path) {
  if (file == nullptr) return false;
  if (std::fflush(file) != 0 || std::ferror(file) != 0) return false;
  return flushHandle(handleOf(file)) && syncFolder(folderOf(path));
}

bool syncFileByName(const std::string& path) {
  HANDLE h = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return failed();
  bool synced = flushHandle(h);
  ::CloseHandle(h);
  return synced && syncFolder(folderOf(path));
}

void ReplacementFile::discard() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) ::DeleteFileW(widen(temp_).c_str());
}

bool ReplacementFile::open() {
  discard();
  failed_ = false;
  temp_.clear();
  WriteWay way = wayToWrite(path_, target_);
  if (way == WriteWay::Refused) return false;
  if (way == WriteWay::Through) {
    file_ = openThrough(path_);
    return file_ != nullptr;
  }
  for (int i = 0; i < kTempNameTries; ++i) {
    std::string name = uniqueName(target_, ".tmp");
    HANDLE h = ::CreateFileW(widen(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) continue;
    if (h == INVALID_HANDLE_VALUE) return failed();
    file_ = streamOf(h, _O_WRONLY, "wb");
    if (file_ != nullptr) temp_ = name;
    else ::DeleteFileW(widen(name).c_str());
    return file_ != nullptr;
  }
  return false;
}

bool ReplacementFile::commit() {
  if (file_ == nullptr || failed_) return false;
  bool replacing = !temp_.empty();
  bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0 && (!replacing || flushHandle(handleOf(file_)));
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!replacing) return written && closed;
  // The move is the moment the new file takes the old one's place; write
  // through, it is on disk when the call returns.
  bool moved = written && closed && moveOver(temp_, target_);
  if (!moved && written && closed && ::GetLastError() == ERROR_ACCESS_DENIED) moved = replaceOpenFile(temp_, target_);
  if (!moved) {
    failed();
    ::DeleteFileW(widen(temp_).c_str());
    return false;
  }
  return true;
}

bool removeFileDurably(const std::string& path) {
  std::string target;
  bool removed = false;
  if (!removeOwnFile(path, target, removed)) return false;
  return !removed || syncFolder(folderOf(target));
}

FileIdentity fileIdentity(const std::string& path) {
  FileIdentity id;
  if (win::isDeviceName(path)) {
    id.kind = FileIdentity::Kind::Other;
    return id;
  }
  HANDLE h = ::CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  if (h != INVALID_HANDLE_VALUE) {
    bool known = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    if (known) {
      bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      id.kind = folder ? FileIdentity::Kind::Other : FileIdentity::Kind::Regular;
      id.device = info.dwVolumeSerialNumber;
      id.inode = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
      return id;
    }
  }
  id.name = fullFoldedName(path);
  return id;
}

long fileSize(std::FILE* file) {
  struct _stat64 info {};
  if (file == nullptr || ::_fstat64(::_fileno(file), &info) != 0) return -1;
  return static_cast<long>(info.st_size);
}

bool isTerminal(std::FILE* stream) { return stream != nullptr && ::_isatty(::_fileno(stream)) != 0; }

}  // namespace tolvan
