// The MessageRecordHeader: the 8 bytes in front of every data record a
// message-family scale sends or receives.
//   [0] message number, BCD  [1..5] 0  [6..7] body length, unsigned 16 bits
#pragma once

#include <cstdint>
#include <span>

namespace tolvan {

inline constexpr int kMessageRecordHeaderLen = 8;

// Message numbers travel as one byte of two BCD digits (80 is 0x80).
uint8_t messageNumberByte(int number);

// Writes the header at the start of `buffer` and returns 8; returns 0 and
// writes nothing when `buffer` is shorter.
int MakeRecordHeader(std::span<uint8_t> buffer, int messageNumber, uint16_t bodyLength);

// Body length of a received MessageRecordHeader (bytes 6 and 7, unsigned).
uint16_t recordBodyLength(std::span<const uint8_t, kMessageRecordHeaderLen> recordHeader);

}  // namespace tolvan
