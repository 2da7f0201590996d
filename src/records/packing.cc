#include "records/packing.h"

#include <cstddef>

namespace tolvan {

namespace {

// Longest BCD field the number readers take: their local text holds 15
// digits and a NUL.
constexpr int kMaxUnpackDigits = 15;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the leading decimal digits of `text`; 0 when it starts otherwise.
int64_t readLeadingNumber(const char* text) {
  int64_t value = 0;
  for (const char* p = text; isDigit(*p); ++p) value = value * 10 + (*p - '0');
  return value;
}

// Unpacks a field of at most kMaxUnpackDigits digits into a number; false
// when `in` is shorter than the field.
bool unpackNumber(int64_t& value, std::span<const uint8_t> in, int digits) {
  value = 0;
  if (static_cast<size_t>(bcdBytes(digits)) > in.size()) return false;
  if (digits > kMaxUnpackDigits) return true;
  char text[kMaxUnpackDigits + 1];
  UnpackBcdText(text, in, digits);
  value = readLeadingNumber(text);
  return true;
}

}  // namespace

bool PackBcd(std::span<uint8_t> out, uint32_t value, int digits) {
  if (digits <= 0) return false;
  const size_t bytes = static_cast<size_t>(bcdBytes(digits));
  if (bytes > out.size()) return false;
  for (size_t i = 0; i < bytes; ++i) out[i] = 0;
  // Fill from the last digit backwards: low nibble, then high nibble of
  // the same byte, then the byte before it.
  size_t pos = static_cast<size_t>((digits - 1) / 2);
  bool lowNibble = true;
  for (int i = 0; i < digits; ++i) {
    if (value == 0) return true;
    const uint8_t digit = static_cast<uint8_t>(value % 10);
    if (lowNibble) {
      out[pos] = digit;
    } else {
      out[pos] = static_cast<uint8_t>(out[pos] + digit * 16);
      --pos;
    }
    lowNibble = !lowNibble;
    value /= 10;
  }
  return value == 0;
}

bool PackBcd16(std::span<uint8_t> out, uint16_t value, int digits) { return PackBcd(out, value, digits); }

bool PackDigitText(std::span<uint8_t> out, const char* text, int digits) {
  if (text == nullptr || digits <= 0) return false;
  if (static_cast<size_t>(bcdBytes(digits)) > out.size()) return false;
  int n = 0;
  while (n < digits && text[n] != '\0') ++n;
  const int pad = digits - n;
  for (int i = 0; i < digits; ++i) {
    const char c = i < pad ? '0' : text[i - pad];
    const uint8_t digit = isDigit(c) ? static_cast<uint8_t>(c - '0') : 0;
    uint8_t& byte = out[static_cast<size_t>(i / 2)];
    byte = (i % 2 == 0) ? static_cast<uint8_t>(digit * 16) : static_cast<uint8_t>(byte + digit);
  }
  return false;
}

int UnpackBcdText(std::span<char> out, std::span<const uint8_t> in, int digits) {
  if (digits < 0) digits = 0;
  const int bytes = bcdBytes(digits);
  if (static_cast<size_t>(digits) >= out.size() || static_cast<size_t>(bytes) > in.size()) {
    if (!out.empty()) out[0] = '\0';
    return 0;
  }
  out[static_cast<size_t>(digits)] = '\0';
  size_t pos = static_cast<size_t>(bytes) - 1;
  bool lowNibble = true;
  for (int k = digits - 1; k >= 0; --k) {
    const uint8_t nibble = lowNibble ? (in[pos] & 0x0F) : static_cast<uint8_t>(in[pos] >> 4);
    out[static_cast<size_t>(k)] = static_cast<char>('0' + nibble);
    if (!lowNibble) --pos;
    lowNibble = !lowNibble;
  }
  return bytes;
}

int UnpackBcdLong(int32_t& out, std::span<const uint8_t> in, int digits) {
  int64_t value = 0;
  const bool whole = unpackNumber(value, in, digits);
  out = static_cast<int32_t>(value);
  return whole ? bcdBytes(digits) : 0;
}

int UnpackBcdShort(int16_t& out, std::span<const uint8_t> in, int digits) {
  int64_t value = 0;
  const bool whole = unpackNumber(value, in, digits);
  out = static_cast<int16_t>(value);
  return whole ? bcdBytes(digits) : 0;
}

int CopyBounded(std::span<char> out, const char* in, int max) {
  if (out.empty()) return 0;
  size_t limit = max > 0 ? static_cast<size_t>(max) : 0;
  if (limit > out.size() - 1) limit = out.size() - 1;
  size_t n = 0;
  if (in != nullptr) {
    while (n < limit && in[n] != '\0') {
      out[n] = in[n];
      ++n;
    }
  }
  out[n] = '\0';
  return static_cast<int>(n);
}

int MakeEsc3(std::span<uint8_t> out, uint8_t a, uint8_t b) {
  if (out.size() < 4) return 0;
  out[0] = 0x1B;
  out[1] = a;
  out[2] = b;
  out[3] = 0;
  return 3;
}

char FontAttrDigit(int a, int b, int c) {
  return static_cast<char>('0' + (a != 0 ? 4 : 0) + (b != 0 ? 1 : 0) + (c != 0 ? 2 : 0));
}

}  // namespace tolvan
