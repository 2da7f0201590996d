#include "core/driver_log.h"

#include <cstdarg>

#include "core/time_stamp.h"
#include "platform/files.h"

namespace tolvan {

void DriverLog::plain(int code, ...) {
  va_list args;
  va_start(args, code);
  std::string text = formatMessageV(code, kMaxMessageLen, args);
  va_end(args);
  count(code);
  writeLine(text);
}

void DriverLog::error(int code, ...) {
  va_list args;
  va_start(args, code);
  std::string text = formatErrorMessageV(code, args);
  va_end(args);
  count(code);
  writeLine(text);
}

void DriverLog::writeLine(std::string_view text) {
  if (std::FILE* file = offDisk_ ? nullptr : openFile(path_, "ab")) {
    std::string line = formatTimeStamp(clock_.localNow());
    line += ':';
    line += text;
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
  }
  if (echo_) {
    echo_(text);
  } else if (console_ != nullptr) {
    std::fwrite(text.data(), 1, text.size(), console_);
    std::fputc('\n', console_);
    std::fflush(console_);
  }
}

void DriverLog::deleteFile() { removeFile(path_); }

int DriverLog::timesLogged(MessageCode code) const {
  if (code < 0 || code >= kMessageCount) return 0;
  return logged_[static_cast<size_t>(code)];
}

void DriverLog::count(int code) {
  if (code >= 0 && code < kMessageCount) ++logged_[static_cast<size_t>(code)];
}

}  // namespace tolvan
