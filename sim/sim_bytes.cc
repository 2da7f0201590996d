#include "sim/sim_bytes.h"

#include <cstdio>

#include "platform/files.h"

namespace tolvan::sim {

int64_t decodeBcd(std::span<const uint8_t> digits) {
  int64_t value = 0;
  for (uint8_t b : digits) {
    int high = b >> 4;
    int low = b & 0x0f;
    if (high > 9 || low > 9) return -1;
    value = value * 100 + high * 10 + low;
  }
  return value;
}

void appendBcd(Bytes& out, int64_t value, int digits) {
  if (value < 0) value = 0;
  Bytes packed(static_cast<size_t>(digits / 2), 0);
  for (size_t i = packed.size(); i-- > 0;) {
    int low = static_cast<int>(value % 10);
    value /= 10;
    int high = static_cast<int>(value % 10);
    value /= 10;
    packed[i] = static_cast<uint8_t>((high << 4) | low);
  }
  out.insert(out.end(), packed.begin(), packed.end());
}

int messageNumberOf(uint8_t packed) {
  uint8_t one[1] = {packed};
  return static_cast<int>(decodeBcd(one));
}

uint8_t packedMessageNumber(int number) {
  return static_cast<uint8_t>(((number / 10 % 10) << 4) | (number % 10));
}

std::string toHex(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0f];
  }
  return text;
}

namespace {
int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

bool fromHex(std::string_view text, Bytes& out) {
  if (text.size() % 2 != 0) return false;
  out.clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = hexValue(text[i]);
    int low = hexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<uint8_t>((high << 4) | low));
  }
  return true;
}

int64_t readDigits(std::string_view text, size_t at, size_t width) {
  if (at > text.size() || width > text.size() - at || width == 0) return -1;
  int64_t value = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
  std::FILE* in = openFile(path, "rb");
  if (in == nullptr) return false;
  char chunk[65536];
  bytes.clear();
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) bytes.append(chunk, n);
  bool read = std::ferror(in) == 0;
  std::fclose(in);
  return read;
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
  std::FILE* out = openFile(path, "wb");
  if (out == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace tolvan::sim
