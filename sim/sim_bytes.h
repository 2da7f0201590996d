// Byte helpers of the simulated scales: little-endian integers, packed
// decimal digits (two digits a byte, most significant first) and hex text
// for dumps and seeds. Written for the scale's side of the wire, apart from
// the driver's own helpers, so that each side checks the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvan::sim {

using Bytes = std::vector<uint8_t>;
// What one answer of the scale is made of: one entry per socket send (and
// per datagram on UDP).
using Sends = std::vector<Bytes>;

inline void appendLe16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void appendLe32(Bytes& out, uint32_t v) {
  appendLe16(out, static_cast<uint16_t>(v));
  appendLe16(out, static_cast<uint16_t>(v >> 16));
}
inline uint16_t readLe16(std::span<const uint8_t> in, size_t at) {
  return static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
}
inline uint32_t readLe32(std::span<const uint8_t> in, size_t at) {
  return readLe16(in, at) | (static_cast<uint32_t>(readLe16(in, at + 2)) << 16);
}

// The number held in packed digits, or -1 when a nibble is not a digit.
int64_t decodeBcd(std::span<const uint8_t> digits);
// `value` as `digits` packed digits (even count); only its lowest digits
// are kept, and a negative value is written as 0.
void appendBcd(Bytes& out, int64_t value, int digits);
// A message number 0..99 as one packed byte; -1 when it is not one.
int messageNumberOf(uint8_t packed);
uint8_t packedMessageNumber(int number);

std::string toHex(std::span<const uint8_t> bytes);
// Two hex digits a byte, either case; false on any other character.
bool fromHex(std::string_view text, Bytes& out);

// Decimal digits at text[at, at + width) read as a number; -1 when the
// field is missing or holds anything but digits.
int64_t readDigits(std::string_view text, size_t at, size_t width);

// A whole file's bytes in and out, under names the driver would accept
// (UTF-8 on every system); false when it cannot be read or written.
bool readWholeFile(const std::string& path, std::string& bytes);
bool writeWholeFile(const std::string& path, const std::string& bytes);

}  // namespace tolvan::sim
