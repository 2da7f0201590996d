#include "platform/file_moves.h"

#include "platform/win/wide.h"

namespace tolvan {

NewFolder makeFolder(const std::string& path) {
  if (::CreateDirectoryW(win::widen(path).c_str(), nullptr) != 0) return NewFolder::Created;
  return ::GetLastError() == ERROR_ALREADY_EXISTS ? NewFolder::Exists : NewFolder::Failed;
}

bool moveFileNoReplace(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move refuses a name that is taken.
  return ::MoveFileExW(win::widen(from).c_str(), win::widen(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace tolvan
