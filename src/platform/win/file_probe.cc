#include "platform/file_probe.h"

#include <atomic>
#include <string>

#include "platform/files.h"
#include "platform/win/wide.h"

namespace tolvan {
namespace {

bool isFolder(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(win::widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A file created in the folder and gone again with its handle.
FileProbe probeFolder(const std::string& folder) {
  if (!isFolder(folder)) return FileProbe::NoFolder;
  static std::atomic<unsigned> counter{0};
  std::string probe = folder + "\\TolvanDrvProbe-" + std::to_string(::GetCurrentProcessId()) + "-" +
                      std::to_string(counter++);
  HANDLE h = ::CreateFileW(win::widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FileProbe::Refused;
  ::CloseHandle(h);
  return FileProbe::Creatable;
}

FileProbe probeDevice(const std::string& path) {
  if (win::isConsoleName(path)) return FileProbe::Creatable;
  HANDLE h = ::CreateFileW(win::widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FileProbe::Refused;
  ::CloseHandle(h);
  return FileProbe::Creatable;
}

}  // namespace

FileProbe probeFileCreation(const std::string& path) {
  if (path.empty()) return FileProbe::NoFolder;
  if (win::isDeviceName(path)) return probeDevice(path);
  DWORD attributes = ::GetFileAttributesW(win::widen(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileProbe::IsFolder : probeFolder(folderOf(path));
  }
  DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return probeFolder(folderOf(path));
  return error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY ? FileProbe::NoFolder : FileProbe::Refused;
}

}  // namespace tolvan
