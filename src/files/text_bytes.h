// Bytes above 127 in the texts an import file sends to the scales, and the
// encoding the file seems to be written in. The driver sends text bytes as
// they are, so a UTF-8 file's "ä" (two bytes) is two characters on a scale
// of single-byte characters, and a scale set to a double-byte charset
// (charset gbcode, big5, shiftjis) reads bytes above 127 in pairs. One
// finding per file, at the first line with such a byte.
#pragma once

#include <string>
#include <string_view>

#include "core/driver_options.h"
#include "files/finding.h"

namespace tolvan {

class TextBytes {
 public:
  // `charset` is the configuration's (DriverOptions.charset); any other
  // number counts as 1byte.
  explicit TextBytes(int charset)
      : charset_(charset > 0 && charset < static_cast<int>(kCharsetKeywords.size()) ? charset : kCharset1Byte) {}

  // One text of column `column` on line `lineNo`, as it goes to the scales.
  void look(int lineNo, std::string_view column, std::string_view text);
  // Appends the finding, if the texts call for one.
  void finish(const std::string& file, FindingList& out) const;

 private:
  std::string sample() const;

  int charset_;
  int firstLine_ = 0;  // 0 while no text had a byte above 127
  int lastLine_ = 0;
  int lines_ = 0;
  std::string column_;
  std::string first_;  // the first character beyond ASCII, as its bytes
  bool utf8_ = true;   // every byte above 127 belongs to a well-formed UTF-8 character
  bool pairs_ = true;  // every byte above 127 reads as part of a character of the double-byte charset
};

}  // namespace tolvan
