#include "core/record_list.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tolvan {
namespace {

constexpr size_t kZeroRun = 256;
constexpr std::array<uint8_t, kZeroRun> kZeros{};

// The length of `bytes` without its zero bytes at the end, looked at 256
// bytes at a time first: a description ends long before its 2048 bytes do.
size_t keptLength(const uint8_t* bytes, size_t length) {
  while (length >= kZeroRun && std::memcmp(bytes + length - kZeroRun, kZeros.data(), kZeroRun) == 0) length -= kZeroRun;
  while (length >= 32) {
    uint64_t words[4];
    std::memcpy(words, bytes + length - 32, sizeof words);
    if ((words[0] | words[1] | words[2] | words[3]) != 0) break;
    length -= 32;
  }
  while (length > 0 && bytes[length - 1] == 0) --length;
  return length;
}

// `size` rounded up to the next offset fit for a PackedRecord.
size_t alignedSize(size_t size) {
  return (size + alignof(PackedRecord) - 1) / alignof(PackedRecord) * alignof(PackedRecord);
}

}  // namespace

PackedRecord* PackedRecord::pack(const void* image, size_t imageLen, RecordBlocks* blocks) {
  if (image == nullptr || imageLen > kMaxRecordImageLen) return nullptr;
  const auto* bytes = static_cast<const uint8_t*>(image);
  const size_t kept = keptLength(bytes, imageLen);
  const size_t size = sizeof(PackedRecord) + kept;
  void* block = blocks != nullptr ? blocks->take(size) : std::malloc(size);
  if (block == nullptr) return nullptr;
  auto* packed = new (block) PackedRecord{static_cast<uint16_t>(kept), static_cast<uint16_t>(blocks != nullptr)};
  if (kept > 0) std::memcpy(packed + 1, bytes, kept);
  return packed;
}

void PackedRecord::release(PackedRecord* record) {
  if (record != nullptr && record->inBlocks == 0) std::free(record);
}

// glibc hands out blocks of 16-byte steps with an 8-byte header of its own.
size_t PackedRecord::heapBytes() const {
  if (inBlocks != 0) return alignedSize(sizeof(PackedRecord) + length);
  const size_t asked = sizeof(PackedRecord) + length + 8;
  return std::max<size_t>(32, (asked + 15) / 16 * 16);
}

void* RecordBlocks::take(size_t size) {
  size = alignedSize(size);
  if (size > kLargeBlockSize) return nullptr;
  if (blocks_.empty() || kLargeBlockSize - used_ < size) {
    auto* block = static_cast<uint8_t*>(allocateLargeBlock());
    if (block == nullptr) return nullptr;
    blocks_.push_back(block);
    used_ = 0;
  }
  void* at = blocks_.back() + used_;
  used_ += size;
  return at;
}

void RecordBlocks::adopt(RecordBlocks&& other) noexcept {
  if (other.blocks_.empty()) return;
  // The last block of `other` goes last, so its free room stays usable.
  blocks_.insert(blocks_.end(), other.blocks_.begin(), other.blocks_.end());
  used_ = other.used_;
  other.blocks_.clear();
  other.used_ = 0;
}

bool RecordBlocks::holds(const void* p) const {
  const auto at = reinterpret_cast<uintptr_t>(p);
  auto within = [at](const uint8_t* block) { return at - reinterpret_cast<uintptr_t>(block) < kLargeBlockSize; };
  if (lastHeld_ < blocks_.size() && within(blocks_[lastHeld_])) return true;
  for (size_t i = 0; i < blocks_.size(); ++i) {
    if (!within(blocks_[i])) continue;
    lastHeld_ = i;
    return true;
  }
  return false;
}

void RecordBlocks::clear() {
  for (uint8_t* block : blocks_) freeLargeBlock(block);
  blocks_.clear();
  used_ = 0;
}

const void* RecordImage::unpack(const PackedRecord* record) {
  if (record == nullptr) return nullptr;
  const size_t kept = std::min<size_t>(record->length, bytes_.size());
  std::memcpy(bytes_.data(), record->bytes(), kept);
  if (dirty_ > kept) std::memset(bytes_.data() + kept, 0, dirty_ - kept);
  dirty_ = kept;
  return bytes_.data();
}

void* RecordImage::blank(size_t imageLen) {
  std::memset(bytes_.data(), 0, dirty_);
  dirty_ = std::min(imageLen, bytes_.size());  // what the caller may write
  return bytes_.data();
}

PackedRecord* RecordImage::pack(size_t imageLen, RecordBlocks* blocks) {
  // Every byte from dirty_ on is zero already: no need to look at them.
  PackedRecord* packed = PackedRecord::pack(bytes_.data(), std::min({imageLen, bytes_.size(), dirty_}), blocks);
  // What was not kept is zero, and a record is written within its image.
  if (packed != nullptr) dirty_ = packed->length;
  return packed;
}

bool RecordList::appendImage(const void* image, size_t imageLen) {
  PackedRecord* packed = PackedRecord::pack(image, imageLen);
  if (packed == nullptr) return false;
  append(packed);
  return true;
}

}  // namespace tolvan
