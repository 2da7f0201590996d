// Shared helpers of the text conversion tests: a scale of a given country
// and label width, byte strings, and an output area with guard bytes on
// both sides to catch any write outside the span given to a converter.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/scale_entry.h"

namespace tolvan::testing {

inline constexpr uint8_t kGuard = 0xA5;
inline constexpr size_t kGuardLen = 32;
inline const std::string kEscC = "\x1b" "C";
inline const std::string kEscD = "\x1b" "D";

inline void setCountry(ScaleEntry& scale, int version, int labelWidth = 594) {
  scale.version = version;
  scale.labelWidth = labelWidth;
}

inline std::string repeat(size_t n, char c = 'x') { return std::string(n, c); }

// The pieces one after another, appended into one string (long chains of
// operator+ trip GCC 12's -Wrestrict in optimised builds).
inline std::string cat(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view p : pieces) out.append(p);
  return out;
}

// Bytes 1..255 spread by `step`, never a NUL: text no converter expects.
inline std::string noise(int n, int step) {
  std::string out;
  for (int i = 0; i < n; ++i) out += static_cast<char>((i * step + 11) % 255 + 1);
  return out;
}

class GuardedArea {
 public:
  explicit GuardedArea(size_t size) : bytes_(size + 2 * kGuardLen, kGuard), size_(size) {}
  std::span<uint8_t> span() { return {bytes_.data() + kGuardLen, size_}; }
  std::span<char> chars() { return {reinterpret_cast<char*>(bytes_.data() + kGuardLen), size_}; }
  bool guardsIntact() const {
    for (size_t i = 0; i < kGuardLen; ++i) {
      if (bytes_[i] != kGuard || bytes_[kGuardLen + size_ + i] != kGuard) return false;
    }
    return true;
  }
  std::string text(size_t n) const { return std::string(bytes_.begin() + kGuardLen, bytes_.begin() + kGuardLen + n); }
  // The text up to the first NUL (or the whole area).
  std::string cString() const { std::string all = text(size_); return all.substr(0, all.find('\0')); }
  uint8_t at(size_t i) const { return bytes_[kGuardLen + i]; }

 private:
  std::vector<uint8_t> bytes_;
  size_t size_;
};

inline std::span<const uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace tolvan::testing
