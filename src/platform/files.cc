#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tolvan {

bool removeFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  return errno == ENOENT;
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::string lastFileError() { return std::strerror(errno); }

bool fileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

namespace {

bool syncDescriptor(int fd) { return fd >= 0 && ::fsync(fd) == 0; }

// A file created during the run is only found after a power cut when its
// folder's entry for it is on disk as well.
bool syncFolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool synced = syncDescriptor(fd);
  if (fd >= 0) ::close(fd);
  return synced;
}

}  // namespace

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

ReplacementFile::ReplacementFile(std::string path) : path_(std::move(path)), temp_(path_ + ".tmp") {}

ReplacementFile::~ReplacementFile() { discard(); }

void ReplacementFile::discard() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  ::unlink(temp_.c_str());
}

bool ReplacementFile::open() {
  discard();
  failed_ = false;
  file_ = std::fopen(temp_.c_str(), "wb");
  return file_ != nullptr;
}

bool ReplacementFile::write(const void* bytes, size_t length) {
  if (file_ == nullptr || failed_) return false;
  failed_ = length > 0 && std::fwrite(bytes, 1, length, file_) != length;
  return !failed_;
}

bool ReplacementFile::commit() {
  if (file_ == nullptr || failed_) return false;
  bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0 && syncDescriptor(::fileno(file_));
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed || ::rename(temp_.c_str(), path_.c_str()) != 0) {
    ::unlink(temp_.c_str());
    return false;
  }
  // The rename is the moment the new file takes the old one's place; it
  // survives a power cut only once the folder is on disk.
  return syncFolderOf(path_);
}

bool removeFileDurably(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return errno == ENOENT;
  return syncFolderOf(path);
}

long fileSize(std::FILE* file) {
  struct stat info {};
  if (file == nullptr || ::fstat(::fileno(file), &info) != 0) return -1;
  return static_cast<long>(info.st_size);
}

bool isTerminal(std::FILE* stream) { return stream != nullptr && ::isatty(::fileno(stream)) == 1; }

}  // namespace tolvan
