#include "records/field_format.h"

#include <cstdio>

namespace tolvan {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// True when every conversion of `format` is %d or %ld, with at most a
// precision of up to three digits: the formats written here.
bool digitsOnly(const char* format) {
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    if (*++p == '.') {
      const char* first = ++p;
      while (isDigit(*p)) ++p;
      if (p - first > 3) return false;
    }
    if (*p == 'l') ++p;
    if (*p != 'd') return false;
  }
  return true;
}

// Collects the characters as vsnprintf does: as many as fit before the
// closing NUL, while counting all of them.
class Output {
 public:
  explicit Output(std::span<char> out) : out_(out) {}
  void put(char c) {
    if (count_ + 1 < out_.size()) out_[count_] = c;
    ++count_;
  }
  int finish() {
    if (!out_.empty()) out_[count_ < out_.size() ? count_ : out_.size() - 1] = '\0';
    return static_cast<int>(count_);
  }

 private:
  std::span<char> out_;
  size_t count_ = 0;
};

// A '-' for a negative value, then at least `precision` digits.
void putNumber(Output& out, long value, int precision) {
  unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  char digits[24];
  int count = 0;
  for (; magnitude > 0; magnitude /= 10) digits[count++] = static_cast<char>('0' + magnitude % 10);
  if (value < 0) out.put('-');
  for (int i = count; i < precision; ++i) out.put('0');
  while (count > 0) out.put(digits[--count]);
}

}  // namespace

int formatFieldText(std::span<char> out, const char* format, va_list args) {
  if (!digitsOnly(format)) return std::vsnprintf(out.data(), out.size(), format, args);
  Output text(out);
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      text.put(*p);
      continue;
    }
    int precision = 1;  // without one, 0 still shows as "0"
    if (*++p == '.') {
      precision = 0;
      while (isDigit(*++p)) precision = precision * 10 + (*p - '0');
    }
    const bool isLong = *p == 'l';
    if (isLong) ++p;
    putNumber(text, isLong ? va_arg(args, long) : va_arg(args, int), precision);
  }
  return text.finish();
}

}  // namespace tolvan
