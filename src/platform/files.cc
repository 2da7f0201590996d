#include "platform/files.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace tolvan {

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::string lastFileError() { return std::strerror(errno); }

bool fileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::optional<FileStamp> fileStamp(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const int64_t nanos = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
  return FileStamp{uint64_t{info.st_dev} << 32 ^ uint64_t{info.st_ino}, int64_t{info.st_size}, nanos};
}

namespace {

// The system gives up on a chain of symbolic links at this length too.
constexpr int kMaxLinkSteps = 40;
// Temporary names tried before a replacement gives up.
constexpr int kTempNameTries = 100;

bool syncDescriptor(int fd) { return fd >= 0 && ::fsync(fd) == 0; }

// A file created during the run is only found after a power cut when its
// folder's entry for it is on disk as well.
bool syncFolderOf(const std::string& path) { return syncFolder(folderOf(path)); }

std::string readLink(const std::string& path) {
  std::vector<char> text(PATH_MAX + 1);
  ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
  if (n <= 0 || static_cast<size_t>(n) >= text.size()) return std::string();
  return std::string(text.data(), static_cast<size_t>(n));
}

bool onProcFileSystem(const std::string& folder) {
  struct statfs info {};
  return ::statfs(folder.c_str(), &info) == 0 && info.f_type == PROC_SUPER_MAGIC;
}

// OpenFile: a link the system keeps for an open file, written through too.
enum class WriteWay { Replace, Through, OpenFile, Refused };

// How a writer treats `path`; `target` gets the name a replacement goes
// to: the path itself, or the name its symbolic links finally lead to.
WriteWay wayToWrite(const std::string& path, std::string& target) {
  target = path;
  for (int step = 0; step < kMaxLinkSteps; ++step) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) return errno == ENOENT ? WriteWay::Replace : WriteWay::Refused;
    if (S_ISREG(info.st_mode)) return WriteWay::Replace;
    if (S_ISDIR(info.st_mode)) return WriteWay::Refused;
    if (!S_ISLNK(info.st_mode)) return WriteWay::Through;
    // A link the system keeps for an open file (/dev/stdout leads to
    // /proc/self/fd/1) names that open file, not a place in a folder.
    std::string folder = folderOf(target);
    if (onProcFileSystem(folder)) return WriteWay::OpenFile;
    std::string next = readLink(target);
    if (next.empty()) return WriteWay::Refused;
    target = next[0] == '/' ? next : folder + "/" + next;
  }
  return WriteWay::Refused;
}

// Deletes the regular file `path` names (through its links); `removed`
// tells whether there was one.
bool removeOwnFile(const std::string& path, std::string& target, bool& removed) {
  removed = false;
  switch (wayToWrite(path, target)) {
    case WriteWay::Replace:
      removed = ::unlink(target.c_str()) == 0;
      return removed || errno == ENOENT;
    case WriteWay::Through:
    case WriteWay::OpenFile:
      return true;
    case WriteWay::Refused:
      break;
  }
  return false;
}

// The descriptor number a link like /proc/self/fd/N names; -1 for another name.
int descriptorNamed(const std::string& link) {
  std::string number = link.substr(link.rfind('/') + 1);
  if (number.empty() || number.size() > 6 || number.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoi(number);
}

bool sameOpenFile(int a, int b) {
  struct stat first {}, second {};
  return ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// Opens what stands at `path` for writing through; no O_CREAT, so it is
// never replaced. A pipe nobody reads fails at once rather than holding
// the run for ever; the writes themselves wait. A link to one of the
// driver's own descriptors (/dev/stdout is /proc/self/fd/1) is written
// through that descriptor, so the bytes land where the console lines
// around them leave off, also when standard output is a file.
int openThrough(const std::string& path, const std::string& link, WriteWay way) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0 && ::fcntl(fd, F_SETFL, O_APPEND) != 0) {
    ::close(fd);
    return -1;
  }
  int own = way == WriteWay::OpenFile && fd >= 0 ? descriptorNamed(link) : -1;
  if (own >= 0 && sameOpenFile(fd, own)) {
    int copy = ::fcntl(own, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0) {
      ::close(fd);
      return copy;
    }
  }
  return fd;
}

std::FILE* streamOf(int fd, const char* mode) {
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, mode);
  if (file == nullptr) ::close(fd);
  return file;
}

// "." and ".." steps taken lexically, the name made absolute first.
std::string absoluteName(const std::string& path) {
  std::string whole = path;
  if (path.empty() || path[0] != '/') {
    std::vector<char> here(PATH_MAX + 1);
    whole = (::getcwd(here.data(), here.size()) != nullptr ? std::string(here.data()) : std::string()) + "/" + path;
  }
  std::vector<std::string> steps;
  size_t at = 0;
  while (at <= whole.size()) {
    size_t end = std::min(whole.find('/', at), whole.size());
    std::string step = whole.substr(at, end - at);
    if (step == "..") {
      if (!steps.empty()) steps.pop_back();
    } else if (!step.empty() && step != ".") {
      steps.push_back(step);
    }
    at = end + 1;
  }
  std::string name;
  for (const std::string& step : steps) name += "/" + step;
  return name.empty() ? "/" : name;
}

}  // namespace

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool synced = syncDescriptor(fd);
  if (fd >= 0) ::close(fd);
  return synced;
}

bool removeFile(const std::string& path) {
  std::string target;
  bool removed = false;
  return removeOwnFile(path, target, removed);
}

bool syncFile(std::FILE* file, const std::string& path) {
  if (file == nullptr) return false;
  if (std::fflush(file) != 0 || std::ferror(file) != 0) return false;
  return syncDescriptor(::fileno(file)) && syncFolderOf(path);
}

bool syncFileByName(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  bool synced = syncDescriptor(fd);
  if (fd >= 0) ::close(fd);
  return synced && syncFolderOf(path);
}

void ReplacementFile::discard() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool ReplacementFile::open() {
  discard();
  failed_ = false;
  temp_.clear();
  WriteWay way = wayToWrite(path_, target_);
  if (way == WriteWay::Refused) return false;
  if (way != WriteWay::Replace) {
    file_ = streamOf(openThrough(path_, target_, way), "ab");
    return file_ != nullptr;
  }
  static std::atomic<unsigned> counter{0};
  for (int i = 0; i < kTempNameTries; ++i) {
    std::string name = target_ + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    file_ = streamOf(fd, "wb");
    if (file_ != nullptr) temp_ = name;
    if (file_ == nullptr && fd >= 0) ::unlink(name.c_str());
    return file_ != nullptr;
  }
  return false;
}

bool ReplacementFile::commit() {
  if (file_ == nullptr || failed_) return false;
  bool replacing = !temp_.empty();
  bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0 && (!replacing || syncDescriptor(::fileno(file_)));
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!replacing) return written && closed;
  if (!written || !closed || ::rename(temp_.c_str(), target_.c_str()) != 0) {
    ::unlink(temp_.c_str());
    return false;
  }
  // The rename is the moment the new file takes the old one's place; it
  // survives a power cut only once the folder is on disk.
  return syncFolderOf(target_);
}

bool removeFileDurably(const std::string& path) {
  std::string target;
  bool removed = false;
  if (!removeOwnFile(path, target, removed)) return false;
  return !removed || syncFolderOf(target);
}

FileIdentity fileIdentity(const std::string& path) {
  FileIdentity id;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    id.kind = S_ISREG(info.st_mode) ? FileIdentity::Kind::Regular : FileIdentity::Kind::Other;
    id.device = static_cast<unsigned long long>(info.st_dev);
    id.inode = static_cast<unsigned long long>(info.st_ino);
    return id;
  }
  std::string target;
  (void)wayToWrite(path, target);
  id.name = absoluteName(target);
  return id;
}

long fileSize(std::FILE* file) {
  struct stat info {};
  if (file == nullptr || ::fstat(::fileno(file), &info) != 0) return -1;
  return static_cast<long>(info.st_size);
}

bool isTerminal(std::FILE* stream) { return stream != nullptr && ::isatty(::fileno(stream)) == 1; }

}  // namespace tolvan
