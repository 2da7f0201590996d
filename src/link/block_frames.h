// Framing of the block protocol, free of sockets: the control bytes, the
// six-byte enquiry, building a block around up to 251 data bytes, the check
// byte, the block number sequence, and the tests a receiver applies to the
// bytes it holds. Everything works on caller-owned buffers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tolvan {

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kEot = 0x04;
inline constexpr uint8_t kEnq = 0x05;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kEtb = 0x17;

inline constexpr size_t kEnquiryLen = 6;
inline constexpr size_t kMaxBlockData = 251;
// STX, two number digits, terminator, check byte.
inline constexpr size_t kBlockOverhead = 5;
inline constexpr size_t kMaxBlockLen = kMaxBlockData + kBlockOverhead;
// A received message is held in this many bytes; one less is the most data.
inline constexpr size_t kReceivedMessageCap = 4096;
inline constexpr size_t kBlockHeaderLen = 3;

using Enquiry = std::array<uint8_t, kEnquiryLen>;

// EOT, "VQ", the scale number as two digits (modulo 100), ENQ.
Enquiry buildEnquiry(uint32_t scaleNo);

// 0x7F exclusive-or every byte of `span` (block number digits through the
// terminator); the top bit is cleared unless the scale is 8-bit.
uint8_t blockCheckByte(std::span<const uint8_t> span, bool is8bit);

// The number the next block carries, advancing `seq` (99 wraps to 0).
int takeBlockNumber(int& seq);

// Data bytes of the next block when `remaining` bytes are left to send.
size_t nextBlockDataLen(size_t remaining);

// Writes STX, the two digits of `number`, `data` (1 to 251 bytes), ETX when
// `last` else ETB, and the check byte into `out`. Returns the block length,
// or 0 when the data is empty, too long, or `out` is too small.
size_t buildBlock(std::span<uint8_t> out, int number, std::span<const uint8_t> data, bool last, bool is8bit);

// True when the bytes held after a block header end a block: more than one
// byte, the second last an ETX or ETB.
bool blockBodyComplete(std::span<const uint8_t> held);

// True when the check byte (last byte of `body`) matches the header digits
// (header bytes 1 and 2), the data and the terminator of `body`. `body`
// must hold at least the terminator and the check byte.
bool blockCheckMatches(std::span<const uint8_t> header, std::span<const uint8_t> body, bool is8bit);

// True when `bytes` are exactly the enquiry for `scaleNo`.
bool isEnquiry(std::span<const uint8_t> bytes, uint32_t scaleNo);

}  // namespace tolvan
