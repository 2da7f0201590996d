#include "records/field_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tolvan {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Collects the characters as vsnprintf does: as many as fit before the
// closing NUL, while counting all of them.
class Output {
 public:
  explicit Output(std::span<char> out) : out_(out.data()), room_(out.empty() ? 0 : out.size() - 1), empty_(out.empty()) {}
  void put(char c) {
    if (count_ < room_) out_[count_] = c;
    ++count_;
  }
  void put(const char* chars, size_t n) {
    if (n <= room_ - std::min(count_, room_)) {
      std::memcpy(out_ + count_, chars, n);
      count_ += n;
    } else {
      for (size_t i = 0; i < n; ++i) put(chars[i]);
    }
  }
  int finish() {
    if (!empty_) out_[std::min(count_, room_)] = '\0';
    return static_cast<int>(count_);
  }

 private:
  char* out_;
  size_t room_;
  bool empty_;
  size_t count_ = 0;
};

// A '-' for a negative value, then at least `precision` digits, written
// back to front two at a time.
void putNumber(Output& out, long value, int precision) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  char digits[24];
  char* first = digits + sizeof digits;
  for (; magnitude >= 100; magnitude /= 100) {
    first -= 2;
    std::memcpy(first, kPairs + magnitude % 100 * 2, 2);
  }
  if (magnitude >= 10) {
    first -= 2;
    std::memcpy(first, kPairs + magnitude * 2, 2);
  } else if (magnitude > 0) {
    *--first = static_cast<char>('0' + magnitude);
  }
  const int count = static_cast<int>(digits + sizeof digits - first);
  if (value < 0) out.put('-');
  for (int i = count; i < precision; ++i) out.put('0');
  out.put(first, static_cast<size_t>(count));
}

}  // namespace

// One pass over the format; at the first conversion that is not plain
// digits, or a precision of more than three digits, the whole format goes
// to vsnprintf from a copy of the arguments as they came.
int formatFieldText(std::span<char> out, const char* format, va_list args) {
  va_list fromStart;
  va_copy(fromStart, args);
  Output text(out);
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      text.put(*p);
      continue;
    }
    int precision = 1;  // without one, 0 still shows as "0"
    int precisionDigits = 0;
    if (*++p == '.') {
      for (precision = 0, ++p; isDigit(*p); ++p, ++precisionDigits) {
        if (precisionDigits < 3) precision = precision * 10 + (*p - '0');
      }
    }
    const bool isLong = *p == 'l';
    if (isLong) ++p;
    if (*p != 'd' || precisionDigits > 3) {
      int n = std::vsnprintf(out.data(), out.size(), format, fromStart);
      va_end(fromStart);
      return n;
    }
    putNumber(text, isLong ? va_arg(args, long) : va_arg(args, int), precision);
  }
  va_end(fromStart);
  return text.finish();
}

}  // namespace tolvan
