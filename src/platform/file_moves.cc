#include "platform/file_moves.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tolvan {

NewFolder makeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return NewFolder::Created;
  return errno == EEXIST ? NewFolder::Exists : NewFolder::Failed;
}

bool moveFileNoReplace(const std::string& from, const std::string& to) {
  // A second name first, then the old one goes: link() refuses a name that
  // is taken, where rename() would silently replace it.
  if (::link(from.c_str(), to.c_str()) == 0) return ::unlink(from.c_str()) == 0;
  if (errno == EEXIST) return false;
  // File systems without hard links: a rename once the name is seen free.
  struct stat info {};
  if (::lstat(to.c_str(), &info) == 0 || errno != ENOENT) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace tolvan
