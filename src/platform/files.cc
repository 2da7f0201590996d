#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tolvan {

bool removeFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  return errno == ENOENT;
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

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

bool isTerminal(std::FILE* stream) { return stream != nullptr && ::isatty(::fileno(stream)) == 1; }

}  // namespace tolvan
