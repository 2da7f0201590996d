#include "sim/transcript.h"

#include <algorithm>
#include <cstdio>

#include "core/time_stamp.h"
#include "platform/files.h"

namespace tolvan::sim {
namespace {
constexpr size_t kBytesPerLine = 16;
constexpr size_t kHexColumns = 48;
}  // namespace

std::string formatHexDump(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t start = 0; start < bytes.size(); start += kBytesPerLine) {
    std::span<const uint8_t> line = bytes.subspan(start, std::min(kBytesPerLine, bytes.size() - start));
    std::string hex;
    for (uint8_t b : line) {
      hex += kDigits[b >> 4];
      hex += kDigits[b & 0x0f];
      hex += ' ';
    }
    hex.resize(kHexColumns, ' ');
    out += hex + "  ";
    for (uint8_t b : line) out += (b >= 32 && b <= 127) ? static_cast<char>(b) : '.';
    out += "\r\n";
  }
  if (!bytes.empty()) out += "\r\n";
  return out;
}

void Transcript::note(std::string_view text) { append(heading() + " " + std::string(text) + "\r\n"); }

void Transcript::received(std::span<const uint8_t> bytes) { counted("Received", bytes); }

void Transcript::sent(std::span<const uint8_t> bytes) { counted("Send", bytes); }

void Transcript::counted(const char* word, std::span<const uint8_t> bytes) {
  if (path_.empty()) return;
  append(heading() + " " + word + " " + std::to_string(bytes.size()) + " Bytes\r\n" + formatHexDump(bytes));
}

std::string Transcript::heading() const { return formatTimeStamp(clock_.localNow()) + ":"; }

void Transcript::append(const std::string& text) {
  if (path_.empty()) return;
  if (std::FILE* f = openFile(path_, "ab")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

}  // namespace tolvan::sim
