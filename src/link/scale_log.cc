#include "link/scale_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "core/driver.h"
#include "core/time_stamp.h"
#include "platform/files.h"

namespace tolvan {
namespace {

constexpr size_t kDumpBytesPerLine = 16;
constexpr size_t kDumpHexWidth = 48;

const Clock& clockOf(const ScaleEntry& scale) {
  static const SystemClock systemClock;
  return scale.driver != nullptr ? scale.driver->clock : systemClock;
}

// Time stamp followed by ':' where a line end would be.
void appendHeading(std::string& out, const ScaleEntry& scale) {
  out += formatTimeStamp(clockOf(scale).localNow());
  out += ':';
}

// 16 bytes a line: hex digits padded to 48 columns, two spaces, the bytes as
// characters (32..127 as they are, others '.'); an empty line after the last.
void appendHexDump(std::string& out, const uint8_t* bytes, size_t length) {
  if (bytes == nullptr || length == 0) return;
  for (size_t start = 0; start < length; start += kDumpBytesPerLine) {
    size_t n = length - start < kDumpBytesPerLine ? length - start : kDumpBytesPerLine;
    std::string hex;
    for (size_t i = 0; i < n; ++i) {
      // Two lowercase digits and a space per byte.
      static const char kDigits[] = "0123456789abcdef";
      hex += kDigits[bytes[start + i] >> 4];
      hex += kDigits[bytes[start + i] & 0x0f];
      hex += ' ';
    }
    hex.resize(kDumpHexWidth, ' ');
    out += hex;
    out += "  ";
    for (size_t i = 0; i < n; ++i) {
      uint8_t c = bytes[start + i];
      out += (c >= 32 && c <= 127) ? static_cast<char>(c) : '.';
    }
    out += "\r\n";
  }
  out += "\r\n";
}

void appendCounted(std::string& out, const char* word, size_t length) {
  char text[48];
  std::snprintf(text, sizeof text, " %s %d Bytes\r\n", word, static_cast<int>(length));
  out += text;
}

// The entry's bytes; false for a kind that writes nothing.
bool formatEntry(std::string& out, const ScaleEntry& scale, ScaleLogKind kind, const uint8_t* bytes,
                 size_t length) {
  switch (kind) {
    case ScaleLogKind::Send:
    case ScaleLogKind::Received:
      appendHeading(out, scale);
      appendCounted(out, kind == ScaleLogKind::Send ? "Send" : "Received", length);
      appendHexDump(out, bytes, length);
      return true;
    case ScaleLogKind::Text:
      appendHeading(out, scale);
      if (bytes != nullptr) out += reinterpret_cast<const char*>(bytes);
      out += "\r\n";
      return true;
    case ScaleLogKind::Dump:
      appendHexDump(out, bytes, length);
      return true;
    case ScaleLogKind::Error:
      appendHeading(out, scale);
      out += " Error - ";
      if (bytes != nullptr) out.append(reinterpret_cast<const char*>(bytes), length);
      out += "\r\n\r\n";
      return true;
  }
  return false;
}

// The name is set by the configuration before any worker starts, so it is
// read without the guard: a scale without a log costs its workers nothing.
bool hasLog(const ScaleEntry& scale) { return scale.trafficLogFile && !scale.trafficLogFile->empty(); }

void writeEntryUnlocked(ScaleEntry& scale, ScaleLogKind kind, const uint8_t* bytes, size_t length) {
  if (!hasLog(scale)) return;
  std::string entry;
  if (!formatEntry(entry, scale, kind, bytes, length) || entry.empty()) return;
  std::FILE* file = openFile(*scale.trafficLogFile, "ab");
  if (file == nullptr) return;
  std::fwrite(entry.data(), 1, entry.size(), file);
  std::fclose(file);
}

void writeErrorUnlocked(ScaleEntry& scale, int code, va_list args) {
  if (!hasLog(scale)) return;
  std::string text = formatMessageV(code, kScaleLogErrorMax, args);
  writeEntryUnlocked(scale, ScaleLogKind::Error, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace

void ScaleLogWrite(ScaleEntry& scale, ScaleLogKind kind, const uint8_t* bytes, size_t length) {
  if (!hasLog(scale)) return;
  std::lock_guard lock(scale.guard);
  if (scale.abandoned) return;
  writeEntryUnlocked(scale, kind, bytes, length);
}

void ScaleLogError(ScaleEntry& scale, int code, ...) {
  if (!hasLog(scale)) return;
  va_list args;
  va_start(args, code);
  {
    std::lock_guard lock(scale.guard);
    if (!scale.abandoned) writeErrorUnlocked(scale, code, args);
  }
  va_end(args);
}

void ScaleLogErrorFromMain(ScaleEntry& scale, int code, ...) {
  va_list args;
  va_start(args, code);
  writeErrorUnlocked(scale, code, args);
  va_end(args);
}

}  // namespace tolvan
