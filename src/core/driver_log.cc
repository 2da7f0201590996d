#include "core/driver_log.h"

#include <algorithm>
#include <cstdarg>

#include "core/time_stamp.h"
#include "platform/files.h"

namespace tolvan {

void DriverLog::plain(int code, ...) {
  va_list args;
  va_start(args, code);
  std::string text = formatMessageV(code, kMaxMessageLen, args);
  va_end(args);
  note(code, text);
  writeLine(text);
}

void DriverLog::error(int code, ...) {
  va_list args;
  va_start(args, code);
  std::string text = formatErrorMessageV(code, args);
  va_end(args);
  // The error prefix " Error 0012:" ends at the text's first colon.
  note(code, text.substr(std::min(text.find(':') + 1, text.size())));
  writeLine(text);
}

void DriverLog::appendToFile(std::string_view text) {
  std::FILE* file = openFile(path_, "ab");
  bool written = file != nullptr;
  if (written) {
    std::string line = formatTimeStamp(clock_.localNow());
    line += ':';
    line += text;
    line += "\r\n";
    written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    written = std::fclose(file) == 0 && written;
  }
  if (!written && writeFailure_.empty()) writeFailure_ = lastFileError();
}

void DriverLog::writeLine(std::string_view text) {
  if (!offDisk_) appendToFile(text);
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

std::string DriverLog::lastText(MessageCode code) const {
  if (code < 0 || code >= kMessageCount) return "";
  const std::string& text = lastTexts_[static_cast<size_t>(code)];
  return logged_[static_cast<size_t>(code)] > 0 ? text : messageText(code);
}

void DriverLog::note(int code, std::string text) {
  if (code < 0 || code >= kMessageCount) return;
  ++logged_[static_cast<size_t>(code)];
  lastTexts_[static_cast<size_t>(code)] = std::move(text);
}

}  // namespace tolvan
