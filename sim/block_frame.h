// Frames of the block family as the scale sees them: control bytes, the
// 6-byte enquiry (EOT "VQ" two digits ENQ), and blocks
//   [0] STX  [1..2] block number, two digits  [3..] 1..251 data bytes
//   [3+n] ETX (last block of a message) or ETB  [4+n] check byte
// The check byte is 0x7F xor every byte from the first digit through the
// terminator, kept to 7 bits on scales that are not 8-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "sim/sim_bytes.h"

namespace tolvan::sim {

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kEot = 0x04;
inline constexpr uint8_t kEnq = 0x05;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kEtb = 0x17;
inline constexpr size_t kMaxBlockData = 251;
inline constexpr size_t kEnquiryLen = 6;

// Over the block number digits, the data and the terminator.
uint8_t blockCheck(std::span<const uint8_t> digitsThroughTerminator, bool eightBit);

Bytes buildEnquiry(int scaleNo);
// True when the 6 bytes are an enquiry (any two digits as scale number).
bool isEnquiry(std::span<const uint8_t> bytes);

// A block carrying `data` (1..251 bytes) numbered `seq` % 100.
Bytes buildBlock(int seq, std::span<const uint8_t> data, bool last, bool eightBit);

enum class ScanResult { NeedMore, Block, BadCheck };
struct ScannedBlock {
  ScanResult result = ScanResult::NeedMore;
  size_t length = 0;  // bytes of the block in the buffer (Block, BadCheck)
  size_t dataLength = 0;
  uint8_t terminator = 0;
};
// Looks for a whole block at the start of `in` (which starts with STX).
// The block ends at the first ETX or ETB whose following byte is its check
// byte; when none fits and nothing more can follow (the buffer ends right
// behind a terminator's check position, or holds a block's worth), the
// block is bad.
ScannedBlock scanBlock(std::span<const uint8_t> in, bool eightBit);

}  // namespace tolvan::sim
