// The driver log: one time-stamped line per message, appended to the log
// file (opened and closed for every line, so it is complete even if the
// process is stopped) and echoed on the console. Only the main thread writes
// it; workers write their scale logs instead.
#pragma once

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "core/message_table.h"
#include "platform/clock.h"

namespace tolvan {

class DriverLog {
 public:
  // `path` is read at every line, so the caller may change it after the
  // command line names another log file. `console` receives the echo.
  DriverLog(const std::string& path, const Clock& clock, std::FILE* console)
      : path_(path), clock_(clock), console_(console) {}

  // Logs the formatted text of `code` as it stands.
  void plain(int code, ...);
  // Logs " Error 0012:" and the formatted text of `code`.
  void error(int code, ...);
  // Time stamp, ':', text, CR LF to the file; text and newline to the console.
  void writeLine(std::string_view text);
  // Deletes the log file (option -e); a missing file is no error.
  void deleteFile();
  // From now on lines go to the console only (a run that checks its files
  // leaves the log file as it is).
  void keepOffDisk() { offDisk_ = true; }
  // From now on the echo goes to `sink`, one line (without its newline) a
  // call, instead of the console: a program that runs jobs itself shows
  // the lines its own way.
  void echoTo(std::function<void(std::string_view)> sink) { echo_ = std::move(sink); }

  // How often a code was logged in this run (the exit status needs 32).
  int timesLogged(MessageCode code) const;
  // The text of the last message logged with `code`, its arguments filled
  // in and without the error prefix; the bare table text when none was.
  std::string lastText(MessageCode code) const;
  // Why the first line that did not reach the log file failed to ("No
  // such file or directory"); empty while every line did. The console
  // still had every line.
  const std::string& writeFailure() const { return writeFailure_; }

 private:
  void note(int code, std::string text);
  void appendToFile(std::string_view text);

  const std::string& path_;
  const Clock& clock_;
  std::FILE* console_;
  std::function<void(std::string_view)> echo_;
  bool offDisk_ = false;
  std::array<int, kMessageCount> logged_{};
  std::array<std::string, kMessageCount> lastTexts_;
  std::string writeFailure_;
};

}  // namespace tolvan
