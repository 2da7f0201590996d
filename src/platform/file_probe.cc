#include "platform/file_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/files.h"

namespace tolvan {
namespace {

FileProbe probeFolder(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return FileProbe::NoFolder;
  std::string probe = folder + "/TolvanDrvProbe-XXXXXX";
  int fd = ::mkstemp(probe.data());
  if (fd < 0) return FileProbe::Refused;
  ::close(fd);
  ::unlink(probe.c_str());
  return FileProbe::Creatable;
}

FileProbe probeWrittenThrough(const std::string& path, const struct stat& info) {
  if (S_ISFIFO(info.st_mode)) return ::access(path.c_str(), W_OK) == 0 ? FileProbe::Creatable : FileProbe::Refused;
  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return FileProbe::Refused;
  ::close(fd);
  return FileProbe::Creatable;
}

// The folder where the file a link leads to is replaced.
std::string folderOfTarget(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  std::string folder = folderOf(real != nullptr ? std::string(real) : path);
  std::free(real);
  return folder;
}

}  // namespace

FileProbe probeFileCreation(const std::string& path) {
  if (path.empty()) return FileProbe::NoFolder;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return FileProbe::IsFolder;
    if (!S_ISREG(info.st_mode)) return probeWrittenThrough(path, info);
    return probeFolder(folderOfTarget(path));
  }
  if (errno == ENOENT) return probeFolder(folderOf(path));
  return errno == ENOTDIR ? FileProbe::NoFolder : FileProbe::Refused;
}

}  // namespace tolvan
