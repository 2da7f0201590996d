#include "core/record_list.h"

#include <algorithm>
#include <bit>
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

// Grouped, an image is kept in units of four bytes, eight units to a
// group: a byte whose bit i tells that unit i is not all zero, then those
// units. A record's fields are mostly numbers of four bytes or less, and
// most of them are zero.
constexpr size_t kUnit = 4;
constexpr size_t kUnitsPerGroup = 8;
constexpr size_t kGroup = kUnit * kUnitsPerGroup;
static_assert(kMaxRecordImageLen % kGroup == 0, "an unpacked group stays within the image");

// What grouping `length` bytes may write: the units (the last one filled
// up with zeros), a mask per group and one unit written past the last.
constexpr size_t groupedRoom(size_t length) {
  return (length + kUnit - 1) / kUnit * kUnit + (length + kGroup - 1) / kGroup + kUnit;
}

// Groups `units` units of four bytes (at most eight) at `at`; where the
// next group goes. Every unit is written and only those that are not zero
// are counted, so the loop takes no branch whatever the bytes.
uint8_t* groupUnits(const uint8_t* bytes, size_t units, uint8_t* at) {
  uint8_t* mask = at++;
  unsigned notZeroUnits = 0;
  for (size_t i = 0; i < units; ++i) {
    uint32_t unit;
    std::memcpy(&unit, bytes + i * kUnit, kUnit);
    std::memcpy(at, &unit, kUnit);
    const unsigned notZero = unit != 0;
    at += kUnit * notZero;
    notZeroUnits |= notZero << i;
  }
  *mask = static_cast<uint8_t>(notZeroUnits);
  return at;
}

// The first `length` bytes of `image` grouped into `out`, which has room
// for groupedRoom(length) bytes; the count of bytes grouped.
size_t group(const uint8_t* image, size_t length, uint8_t* out) {
  const size_t whole = length / kUnit;
  const size_t rest = length % kUnit;
  uint8_t* at = out;
  size_t unit = 0;
  for (; unit + kUnitsPerGroup <= whole; unit += kUnitsPerGroup) {
    at = groupUnits(image + unit * kUnit, kUnitsPerGroup, at);
  }
  if (unit == whole && rest == 0) return static_cast<size_t>(at - out);
  // The last group: its whole units, then the last bytes filled up with
  // zeros to a unit, which is never zero, as the kept bytes end on one
  // that is not.
  uint8_t* mask = at;
  at = groupUnits(image + unit * kUnit, whole - unit, at);
  if (rest > 0) {
    uint8_t last[kUnit] = {};
    for (size_t i = 0; i < rest; ++i) last[i] = image[whole * kUnit + i];
    std::memcpy(at, last, kUnit);
    at += kUnit;
    *mask = static_cast<uint8_t>(*mask | 1U << (whole - unit));
  }
  return static_cast<size_t>(at - out);
}

}  // namespace

// The record is grouped where it lands, in the blocks or on the stack, and
// kept as it is when grouping does not make it shorter (text).
PackedRecord* PackedRecord::pack(const void* image, size_t imageLen, RecordBlocks* blocks) {
  if (image == nullptr || imageLen > kMaxRecordImageLen) return nullptr;
  const auto* bytes = static_cast<const uint8_t*>(image);
  const size_t kept = keptLength(bytes, imageLen);
  std::array<uint8_t, sizeof(PackedRecord) + groupedRoom(kMaxRecordImageLen)> onStack;
  auto* at = blocks != nullptr ? static_cast<uint8_t*>(blocks->room(sizeof(PackedRecord) + groupedRoom(kept)))
                               : onStack.data();
  if (at == nullptr) return nullptr;
  uint8_t* data = at + sizeof(PackedRecord);
  size_t stored = group(bytes, kept, data);
  if (stored >= kept) {
    stored = kept;
    if (kept > 0) std::memcpy(data, bytes, kept);
  }
  const size_t size = sizeof(PackedRecord) + stored;
  void* block = blocks != nullptr ? blocks->take(size) : std::malloc(size);
  if (block == nullptr) return nullptr;
  if (blocks == nullptr && stored > 0) std::memcpy(static_cast<uint8_t*>(block) + sizeof(PackedRecord), data, stored);
  return new (block) PackedRecord{static_cast<uint16_t>(kept), static_cast<uint16_t>(stored),
                                  static_cast<uint16_t>(blocks != nullptr)};
}

void PackedRecord::unpackInto(uint8_t* image) const {
  const auto* in = reinterpret_cast<const uint8_t*>(this + 1);
  if (stored == length) {
    std::memcpy(image, in, stored);
    return;
  }
  const uint8_t* end = in + stored;
  // A grouped image never runs past kMaxRecordImageLen, a multiple of the
  // unit: pack() made it.
  for (uint8_t* out = image; in < end; out += kGroup) {
    for (unsigned mask = *in++; mask != 0; mask &= mask - 1) {
      std::memcpy(out + static_cast<size_t>(std::countr_zero(mask)) * kUnit, in, kUnit);
      in += kUnit;
    }
  }
}

void PackedRecord::release(PackedRecord* record) {
  if (record != nullptr && record->inBlocks == 0) std::free(record);
}

// glibc hands out blocks of 16-byte steps with an 8-byte header of its own.
size_t PackedRecord::heapBytes() const {
  if (inBlocks != 0) return alignedSize(size());
  const size_t asked = size() + 8;
  return std::max<size_t>(32, (asked + 15) / 16 * 16);
}

void* RecordBlocks::room(size_t size) {
  size = alignedSize(size);
  if (size > kLargeBlockSize) return nullptr;
  if (blocks_.empty() || kLargeBlockSize - used_ < size) {
    auto* block = static_cast<uint8_t*>(allocateLargeBlock());
    if (block == nullptr) return nullptr;
    blocks_.push_back(block);
    used_ = 0;
  }
  return blocks_.back() + used_;
}

void* RecordBlocks::take(size_t size) {
  void* at = room(size);
  if (at != nullptr) used_ += alignedSize(size);
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
  const size_t kept = record->length;
  // A grouped record writes only its bytes that are not zero, so its whole
  // image is cleared first; one kept as it is, only what lies behind it.
  const size_t from = record->stored == kept ? kept : 0;
  const size_t to = std::max(dirty_, kept);
  if (to > from) std::memset(bytes_.data() + from, 0, to - from);
  record->unpackInto(bytes_.data());
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
