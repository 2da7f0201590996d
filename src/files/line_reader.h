// LineReader: reads a text file line by line through one 32768-byte window,
// whatever the file's size. Lines end at CR, LF or CR LF; a run of line
// ends ends one line, so blank lines vanish and are not counted. A line of
// more than 3072 characters is reported (message 11) and ends the data.
// A UTF-8 byte-order mark (EF BB BF) at the start of the file, as
// spreadsheet programs write it, is never data and is skipped. A line
// holding a NUL byte is dropped whole: cut at the NUL it would be a record
// nobody wrote (a number with price 0 and no description).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/driver_log.h"

namespace tolvan {

inline constexpr int kMaxLineLen = 3072;
inline constexpr int kLineWindow = 262144;

class LineReader {
 public:
  // The caller keeps the file open and closes it after the reader is done.
  // `log` receives message 11 for an over-long line. Without memory for the
  // window the reader logs message 33 and ends the process with status 33.
  LineReader(std::FILE* file, DriverLog& log);

  // The next line as NUL-terminated text inside the window, valid until the
  // next call; nullptr at the end of the data or after an over-long line.
  // Lines holding a NUL byte are passed over (and counted).
  char* nextLine();
  // Back to the start of the file.
  void rewind();
  // The file's size when it was opened, and the bytes of it read as lines
  // so far: what is left tells how many more lines to expect.
  int64_t fileSize() const { return fileSize_; }
  int64_t consumed() const { return bytesRead_ - (end_ - pos_); }
  // The length of the line just returned, without its line end.
  size_t lineLength() const { return lineLength_; }
  // Lines handed out so far; the line just returned has this number.
  int lineCount() const { return lineCount_; }
  // The line just returned as an editor numbers it: blank lines counted,
  // CR LF, CR and LF each one line end.
  int physicalLine() const { return physicalLine_; }
  // The file started with a byte-order mark (seen at the first line).
  bool hadByteOrderMark() const { return byteOrderMark_; }
  // The data ended at an over-long line rather than at the end of the file.
  bool stoppedAtLongLine() const { return stopped_; }
  // The lines passed over for a NUL byte, as an editor numbers them.
  const std::vector<int>& linesWithNul() const { return linesWithNul_; }

 private:
  // The next line, NUL bytes or not; sets `holdsNul`.
  char* takeLine(bool& holdsNul);
  void refill();
  void skipLineEnds();
  void skipByteOrderMark();

  std::FILE* file_;
  DriverLog& log_;
  std::unique_ptr<char[]> buffer_;
  int pos_ = 0;
  int end_ = 0;
  int64_t fileSize_ = 0;
  size_t lineLength_ = 0;
  int64_t bytesRead_ = 0;
  int lineCount_ = 0;
  bool stopped_ = false;
  // The last line's run of line ends reached the edge of the window, so
  // the next window may start with more of them.
  bool inLineEnds_ = false;
  bool atFileStart_ = true;
  bool byteOrderMark_ = false;
  // Line ends counted so far; a CR at the end of the last run pairs with
  // an LF at the start of the next.
  int lineEnds_ = 0;
  bool lastWasCr_ = false;
  int physicalLine_ = 0;
  std::vector<int> linesWithNul_;
};

// A driver log for reading a file outside a run (a look for findings): the
// reader's note of an over-long line goes nowhere, not to the run's log.
class QuietLog {
 public:
  QuietLog() : log_(nowhere_, clock_, nullptr) { log_.keepOffDisk(); }
  DriverLog& log() { return log_; }

 private:
  const std::string nowhere_;
  SystemClock clock_;
  DriverLog log_;
};

}  // namespace tolvan
