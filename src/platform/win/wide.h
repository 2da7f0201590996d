// What the Windows side of the platform layer shares: names travel through
// the driver as UTF-8 bytes and meet the system as UTF-16 only here, and
// the system's error numbers become the C library's, so lastFileError()
// words a failure as it does on every other system.
#pragma once

#include <windows.h>

#include <string>

namespace tolvan::win {

std::wstring widen(const std::string& text);
std::string narrow(const wchar_t* text, size_t length);
inline std::string narrow(const std::wstring& text) { return narrow(text.data(), text.size()); }

// Sets errno from GetLastError(); returns false, for `return failed();`.
bool failed();

// Devices are written through, never replaced: NUL, CON and the other
// reserved names (in any folder, with any extension, in any case), and
// names under \\.\ .
bool isDeviceName(const std::string& path);
// CON and CONOUT$: the console, which is standard output here, as
// /dev/stdout is elsewhere.
bool isConsoleName(const std::string& path);

}  // namespace tolvan::win
