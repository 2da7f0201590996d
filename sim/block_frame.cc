#include "sim/block_frame.h"

namespace tolvan::sim {
namespace {
constexpr size_t kBlockOverhead = 5;  // STX, two digits, terminator, check byte
}

uint8_t blockCheck(std::span<const uint8_t> digitsThroughTerminator, bool eightBit) {
  uint8_t check = 0x7F;
  for (uint8_t b : digitsThroughTerminator) check ^= b;
  return eightBit ? check : static_cast<uint8_t>(check & 0x7F);
}

Bytes buildEnquiry(int scaleNo) {
  int n = scaleNo % 100;
  return Bytes{kEot, 'V', 'Q', static_cast<uint8_t>('0' + n / 10), static_cast<uint8_t>('0' + n % 10), kEnq};
}

bool isEnquiry(std::span<const uint8_t> bytes) {
  if (bytes.size() < kEnquiryLen) return false;
  auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
  return bytes[0] == kEot && bytes[1] == 'V' && bytes[2] == 'Q' && digit(bytes[3]) && digit(bytes[4]) &&
         bytes[5] == kEnq;
}

Bytes buildBlock(int seq, std::span<const uint8_t> data, bool last, bool eightBit) {
  int n = seq % 100;
  Bytes block;
  block.reserve(data.size() + kBlockOverhead);
  block.push_back(kStx);
  block.push_back(static_cast<uint8_t>('0' + n / 10));
  block.push_back(static_cast<uint8_t>('0' + n % 10));
  block.insert(block.end(), data.begin(), data.end());
  block.push_back(last ? kEtx : kEtb);
  block.push_back(blockCheck(std::span<const uint8_t>(block).subspan(1), eightBit));
  return block;
}

ScannedBlock scanBlock(std::span<const uint8_t> in, bool eightBit) {
  ScannedBlock found;
  size_t lastCandidate = 0;
  // Terminator at position p: data is in[3, p), at least one byte.
  for (size_t p = 4; p < in.size() && p <= 3 + kMaxBlockData; ++p) {
    if (in[p] != kEtx && in[p] != kEtb) continue;
    if (p + 1 >= in.size()) return found;  // its check byte has not come yet
    lastCandidate = p;
    if (blockCheck(in.subspan(1, p), eightBit) == in[p + 1]) {
      found.result = ScanResult::Block;
      found.length = p + 2;
      found.dataLength = p - 3;
      found.terminator = in[p];
      return found;
    }
  }
  bool full = in.size() >= kMaxBlockData + kBlockOverhead;
  bool endsAtCandidate = lastCandidate != 0 && lastCandidate + 2 == in.size();
  if (full || endsAtCandidate) {
    size_t end = lastCandidate != 0 ? lastCandidate + 2 : kMaxBlockData + kBlockOverhead;
    found.result = ScanResult::BadCheck;
    found.length = end;
    found.terminator = lastCandidate != 0 ? in[lastCandidate] : 0;
  }
  return found;
}

}  // namespace tolvan::sim
