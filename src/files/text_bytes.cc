#include "files/text_bytes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "core/driver_options.h"

namespace tolvan {
namespace {

uint8_t byteAt(std::string_view t, size_t i) { return static_cast<uint8_t>(t[i]); }

// The length of the well-formed UTF-8 character at `i` (2 to 4 bytes), or
// 0: no overlong forms, no surrogates, nothing beyond U+10FFFF.
size_t utf8Length(std::string_view t, size_t i) {
  const uint8_t c = byteAt(t, i);
  size_t n = 0;
  uint8_t low = 0x80;
  uint8_t high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    low = c == 0xE0 ? 0xA0 : low;
    high = c == 0xED ? 0x9F : high;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    low = c == 0xF0 ? 0x90 : low;
    high = c == 0xF4 ? 0x8F : high;
  } else {
    return 0;
  }
  if (t.size() - i < n || byteAt(t, i + 1) < low || byteAt(t, i + 1) > high) return 0;
  for (size_t k = 2; k < n; ++k) {
    if (byteAt(t, i + k) < 0x80 || byteAt(t, i + k) > 0xBF) return 0;
  }
  return n;
}

bool wellFormedUtf8(std::string_view t) {
  for (size_t i = 0; i < t.size();) {
    const size_t n = byteAt(t, i) < 0x80 ? 1 : utf8Length(t, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// The length of the character of the double-byte `charset` at `i` (1 or
// 2), or 0 when its bytes do not read as one.
size_t pairLength(std::string_view t, size_t i, int charset) {
  const uint8_t c = byteAt(t, i);
  if (c < 0x80) return 1;
  const bool sjis = charset == kCharsetShiftJis;
  if (sjis && c >= 0xA1 && c <= 0xDF) return 1;  // a half-width kana
  const bool lead = sjis ? (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) : c >= 0x81 && c <= 0xFE;
  if (!lead || i + 1 >= t.size()) return 0;
  const uint8_t d = byteAt(t, i + 1);
  bool trail = d >= 0x40 && d != 0x7F && d <= 0xFE;
  if (charset == kCharsetBig5) trail = (d >= 0x40 && d <= 0x7E) || (d >= 0xA1 && d <= 0xFE);
  if (sjis) trail = trail && d <= 0xFC;
  return trail ? 2 : 0;
}

bool readsAsPairs(std::string_view t, int charset) {
  for (size_t i = 0; i < t.size();) {
    const size_t n = pairLength(t, i, charset);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string hexBytes(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    std::array<char, 4> hex{};
    const auto byte = static_cast<unsigned>(static_cast<uint8_t>(c));
    std::snprintf(hex.data(), hex.size(), "%s%02X", out.empty() ? "" : " ", byte);
    out += hex.data();
  }
  return out;
}

const char* countWord(size_t n) {
  constexpr std::array<const char*, 5> kWords = {"no", "one", "two", "three", "four"};
  return n < kWords.size() ? kWords[n] : "several";
}

}  // namespace

void TextBytes::look(int lineNo, std::string_view column, std::string_view text) {
  size_t at = 0;
  while (at < text.size() && byteAt(text, at) < 0x80) ++at;
  if (at == text.size()) return;
  utf8_ = utf8_ && wellFormedUtf8(text);
  if (charset_ != kCharset1Byte) pairs_ = pairs_ && readsAsPairs(text, charset_);
  if (firstLine_ == 0) {
    firstLine_ = lineNo;
    column_ = std::string(column);
    first_ = std::string(text.substr(at, std::max<size_t>(utf8Length(text, at), 1)));
  }
  if (lastLine_ != lineNo) ++lines_;
  lastLine_ = lineNo;
}

// The first character beyond ASCII as the finding shows it: a UTF-8
// character with its bytes, else the byte alone.
std::string TextBytes::sample() const {
  if (utf8_) return quoted(first_) + " (" + hexBytes(first_) + ")";
  return "byte " + hexBytes(first_.substr(0, 1));
}

void TextBytes::finish(const std::string& file, FindingList& out) const {
  if (firstLine_ == 0) return;
  const bool doubleByte = charset_ != kCharset1Byte;
  if (doubleByte && !utf8_ && pairs_) return;  // written in the scales' own charset
  const std::string charset = kCharsetKeywords[static_cast<size_t>(charset_)];
  std::string text = column_ + " holds " + sample() + ", beyond ASCII";
  if (lines_ > 1) {
    text += " (" + std::to_string(lines_) + " lines have such bytes, the last line " + std::to_string(lastLine_) + ")";
  }
  if (utf8_ && !doubleByte) {
    text += "; the file looks like UTF-8: " + quoted(first_) + " is " + countWord(first_.size()) +
            " characters on the scale";
  } else if (utf8_) {
    text += "; the file looks like UTF-8, but the scales read charset " + charset +
            ": they take its bytes in pairs as " + charset + " characters";
  } else if (!doubleByte) {
    text +=
        "; the file looks like a single-byte code page: each such byte is one character on the scale, the one "
        "the scale's own code page has there";
  } else {
    text += "; the file looks like a single-byte code page, but the scales read charset " + charset +
            ": they take such a byte and the one behind it as one " + charset + " character";
  }
  out.push_back(Finding{file, firstLine_, text + "; the driver sends the bytes as they are"});
}

}  // namespace tolvan
