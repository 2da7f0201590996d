#include "platform/win/wide.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace tolvan::win {

std::wstring widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string narrow(const wchar_t* text, size_t length) {
  if (length == 0) return std::string();
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

bool failed() {
  switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: errno = ENOENT; break;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_DIRECTORY: errno = ENOTDIR; break;
    case ERROR_WRITE_PROTECT: errno = EROFS; break;
    case ERROR_TOO_MANY_OPEN_FILES: errno = EMFILE; break;
    case ERROR_NOT_ENOUGH_MEMORY: case ERROR_OUTOFMEMORY: errno = ENOMEM; break;
    case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY: errno = EACCES; break;
    default: errno = EIO; break;
  }
  return false;
}

namespace {

// The last step of a path, upper-cased, without extension or trailing
// spaces and colon: what Windows compares against its device names.
std::string deviceStem(const std::string& path) {
  size_t slash = path.find_last_of("/\\:");
  std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (slash != std::string::npos && path[slash] == ':' && slash + 1 == path.size()) {
    stem = path.substr(0, slash);  // "NUL:" names the device as well
  }
  stem = stem.substr(0, stem.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::toupper(c); });
  return stem;
}

}  // namespace

bool isDeviceName(const std::string& path) {
  if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
  std::string stem = deviceStem(path);
  if (stem == "NUL" || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "CONOUT$" || stem == "CONIN$") {
    return true;
  }
  return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

bool isConsoleName(const std::string& path) {
  std::string stem = deviceStem(path);
  return isDeviceName(path) && (stem == "CON" || stem == "CONOUT$");
}

}  // namespace tolvan::win
