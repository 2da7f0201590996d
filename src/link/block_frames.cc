#include "link/block_frames.h"

#include <algorithm>

namespace tolvan {
namespace {

uint8_t digit(unsigned value) { return static_cast<uint8_t>('0' + value % 10); }

}  // namespace

Enquiry buildEnquiry(uint32_t scaleNo) {
  unsigned n = scaleNo % 100;
  return {kEot, 'V', 'Q', digit(n / 10), digit(n), kEnq};
}

uint8_t blockCheckByte(std::span<const uint8_t> span, bool is8bit) {
  uint8_t check = 0x7F;
  for (uint8_t b : span) check ^= b;
  return is8bit ? check : static_cast<uint8_t>(check & 0x7F);
}

int takeBlockNumber(int& seq) {
  if (seq < 0 || seq > 99) seq = 0;
  int number = seq;
  seq = number == 99 ? 0 : number + 1;
  return number;
}

size_t nextBlockDataLen(size_t remaining) { return std::min(remaining, kMaxBlockData); }

// Block: [0] STX  [1..2] number digits  [3..3+n) data  [3+n] ETX/ETB  [4+n] check
size_t buildBlock(std::span<uint8_t> out, int number, std::span<const uint8_t> data, bool last, bool is8bit) {
  size_t n = data.size();
  if (n == 0 || n > kMaxBlockData || out.size() < n + kBlockOverhead) return 0;
  unsigned num = static_cast<unsigned>(number < 0 ? 0 : number) % 100;
  out[0] = kStx;
  out[1] = digit(num / 10);
  out[2] = digit(num);
  std::copy(data.begin(), data.end(), out.begin() + 3);
  out[3 + n] = last ? kEtx : kEtb;
  out[4 + n] = blockCheckByte(out.subspan(1, n + 3), is8bit);
  return n + kBlockOverhead;
}

bool blockBodyComplete(std::span<const uint8_t> held) {
  if (held.size() < 2) return false;
  uint8_t terminator = held[held.size() - 2];
  return terminator == kEtx || terminator == kEtb;
}

bool blockCheckMatches(std::span<const uint8_t> header, std::span<const uint8_t> body, bool is8bit) {
  if (header.size() < kBlockHeaderLen || body.size() < 2) return false;
  uint8_t check = blockCheckByte(header.subspan(1, 2), true);
  check ^= blockCheckByte(body.first(body.size() - 1), true) ^ 0x7F;
  if (!is8bit) check &= 0x7F;
  return check == body.back();
}

bool isEnquiry(std::span<const uint8_t> bytes, uint32_t scaleNo) {
  Enquiry expected = buildEnquiry(scaleNo);
  return bytes.size() == expected.size() && std::equal(bytes.begin(), bytes.end(), expected.begin());
}

}  // namespace tolvan
