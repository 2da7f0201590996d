#include "core/message_table.h"

#include <array>
#include <cstdio>

namespace tolvan {
namespace {

constexpr std::array<const char*, kMessageCount> kTexts = {
    "",
    "Error",
    "Internal Error: %s ",
    "Import %s data from file %s",
    "Import %s deletions from file %s",
    "Delete all records of type: %s",
    "Receive %s data from scales and export to file %s",
    "Tolvan scale driver completed OK",
    "Tolvan scale driver error : Error code %d",
    "Invalid scale data type specified (%s)",
    "No import data file specified",
    "Text line is too long (line %d)",
    "Cannot open setup file : %s",
    "Invalid setup parameter on line %d : %s",
    "Invalid setup parameter value on line %d : %s=%s",
    "Cannot open text file : %s",
    "No data in import text file : %s",
    "Import data type [%s] not supported by scale : %s",
    "Cannot connect to scale: %s (Port = %d)",
    "Error converting to scale data format for line %d",
    "Error opening resend file for scale %s, file %s",
    "Error sending to scale",
    "Error receiving from scale",
    "NAK receiving from scale",
    "Invalid length data received from scale (Len = %d)",
    "Data error reported by scale (Scale received %d records with %d errors)",
    "Error occurred on scale (Error Code = %d)",
    "MerioPro scale is busy",
    "Receive timeout",
    "Checksum error on received data (retry %d)",
    "Maximum retries exceeded - canceling operation",
    "Unable to open work file : %s",
    "Error occurred on scale [%s] - See scale log file for details",
    "Insufficient memory",
    "Operation not supported",
    "Data format specified by -s option not recognized",
    "Tolvan scale backup/restore utility completed OK",
    "Tolvan scale backup/restore utility error : Error code %d",
    "Backup scale to file %s",
    "Restore %s data to scale from file %s",
    "No backup file specified",
    "Error opening backup file (%s) or backup file not compatible with scale",
    "%d additions and %d deletions imported: Data sent OK to %d scale(s). Errors ocurred on %d scale(s) "
    "(see below)",
    "%d additions and %d deletions imported: Data sent OK to all scales (%d scale(s)).",
    "",
};

// Formats into a buffer one larger than the limit; vsnprintf cuts there.
std::string formatCut(const char* format, size_t limit, va_list args) {
  std::string out(limit + 1, '\0');
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int n = std::vsnprintf(out.data(), out.size(), format, args);
#pragma GCC diagnostic pop
  if (n < 0) n = 0;
  out.resize(static_cast<size_t>(n) < limit ? static_cast<size_t>(n) : limit);
  return out;
}

}  // namespace

const char* messageText(int code) {
  if (code < 0 || code >= kMessageCount - 1) return kTexts[0];
  return kTexts[static_cast<size_t>(code)];
}

std::string formatMessageV(int code, size_t limit, va_list args) { return formatCut(messageText(code), limit, args); }

std::string formatMessage(int code, ...) {
  va_list args;
  va_start(args, code);
  std::string text = formatMessageV(code, kMaxMessageLen, args);
  va_end(args);
  return text;
}

std::string formatErrorMessageV(int code, va_list args) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, " %s %04d:", kTexts[kMsgErrorWord], code);
  std::string text = prefix;
  if (text.size() >= kMaxMessageLen) return text.substr(0, kMaxMessageLen);
  text += formatCut(messageText(code), kMaxMessageLen - text.size(), args);
  return text;
}

}  // namespace tolvan
