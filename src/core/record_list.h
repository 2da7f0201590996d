// The record list and the record header list of a run: what the import
// fills, the workers read, and a master-data receive appends to. Records
// are kept compact (PackedRecord) and unpacked into a full image only where
// one is needed, into a buffer the caller owns (RecordImage).
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "core/ptr_array.h"
#include "platform/memory.h"

namespace tolvan {

// One entry of the record header list, at the same position as its record.
struct RecordHeader {
  int32_t dataType = 0;
  int32_t mode = 0;  // 1 addition, 2 deletion
  int32_t key = 0;
  // The import file's line the record was read from (its first line), as
  // an editor counts them: the run's report names it when a scale cannot
  // take the record. 0 when the record came from no file.
  int32_t line = 0;
};

// Room for the record image of any data type (the largest, a PLU, takes
// 2196 bytes); a resend entry is read into a block of this size too.
inline constexpr size_t kMaxRecordImageLen = 4096;

class RecordBlocks;

// A record image without its zero bytes: a PLU without description keeps
// its fixed fields' bytes that are not zero (most of a PLU's fields are
// zero, or small numbers in four bytes), one with a description the text's
// own length as well, where the image holds 2196 bytes whatever the text.
// Unpacked, the zero bytes come back, so a converter reads exactly the
// bytes of the full image. A record lives in a heap block of its own,
// released with release(), or among an import's records in RecordBlocks,
// released with them.
struct PackedRecord {
  uint16_t length;    // of the image up to its last byte that is not zero
  uint16_t stored;    // bytes that follow the struct; below `length`: grouped
  uint16_t inBlocks;  // 1: among the records of RecordBlocks

  // A packed copy of the first `imageLen` bytes of `image`, in `blocks` or
  // else in a heap block of its own; nullptr when memory runs out or
  // `imageLen` is above kMaxRecordImageLen.
  static PackedRecord* pack(const void* image, size_t imageLen, RecordBlocks* blocks = nullptr);
  // Frees a record of its own block; one in RecordBlocks goes with them.
  static void release(PackedRecord* record);
  // Writes the first `length` bytes of the image into `image`, which holds
  // kMaxRecordImageLen bytes and is zero within them.
  void unpackInto(uint8_t* image) const;
  // What the record takes on the heap, the allocator's own header included.
  size_t heapBytes() const;
  // What the record takes where it lies, the struct included.
  size_t size() const { return sizeof(PackedRecord) + stored; }
};

struct PackedRecordRelease {
  void operator()(PackedRecord* p) const { PackedRecord::release(p); }
};

// The records of an import side by side in large blocks: one allocation
// per two megabytes instead of one per record, and nothing to free per
// record. A record replaced within an import leaves its bytes unused until
// the blocks go.
class RecordBlocks {
 public:
  RecordBlocks() = default;
  RecordBlocks(const RecordBlocks&) = delete;
  RecordBlocks& operator=(const RecordBlocks&) = delete;
  // Moving frees the blocks held before and leaves `other` empty.
  RecordBlocks(RecordBlocks&& other) noexcept { adopt(std::move(other)); }
  RecordBlocks& operator=(RecordBlocks&& other) noexcept {
    clear();
    adopt(std::move(other));
    return *this;
  }
  ~RecordBlocks() { clear(); }

  // Room for `size` bytes at an offset fit for a PackedRecord; nullptr
  // when memory runs out.
  void* take(size_t size);
  // Where take(size) would put the bytes, without taking them: a record
  // can be written there and then taken at its own, smaller size.
  void* room(size_t size);
  // Takes over the blocks of `other`, which is empty afterwards.
  void adopt(RecordBlocks&& other) noexcept;
  // `p` lies in one of the blocks. Records are mostly asked after in the
  // order they were packed, so the block that held the last one is tried
  // first.
  bool holds(const void* p) const;
  // What the blocks take from the system.
  size_t bytes() const { return blocks_.size() * kLargeBlockSize; }
  void clear();

 private:
  std::vector<uint8_t*> blocks_;
  size_t used_ = 0;  // of the last block
  mutable size_t lastHeld_ = 0;  // the block holds() found last
};

// The caller's buffer for one full record image, reused record after
// record: only the bytes the last record used are cleared for the next.
class RecordImage {
 public:
  // The full image of `record` (zero from its kept length on), valid until
  // the next call; nullptr for a null record.
  const void* unpack(const PackedRecord* record);
  // An all-zero image to fill within its first `imageLen` bytes; pack()
  // takes it afterwards.
  void* blank(size_t imageLen = kMaxRecordImageLen);
  // A packed copy of the first `imageLen` bytes of the image filled after
  // blank(), which must have written nothing beyond them, in `blocks` when
  // given; nullptr when memory runs out.
  PackedRecord* pack(size_t imageLen, RecordBlocks* blocks = nullptr);
  // Every byte of the image from `length` on is zero: the next blank()
  // need clear no more than the bytes before it.
  void zeroFrom(size_t length) { dirty_ = std::min(dirty_, length); }

 private:
  alignas(8) std::array<uint8_t, kMaxRecordImageLen> bytes_{};
  size_t dirty_ = 0;  // every byte from here on is zero
};

// The run's records, in order. Besides the records, the list knows the data
// type and number of every record a receive kept, so that finding whether a
// number already arrived does not search the list: with a million records
// per scale a search per record would take hours. Guarded by the run's
// record lock, except receivedBytes(), which any worker may read.
class RecordList : public PtrArray<PackedRecord, PackedRecordRelease> {
 public:
  // Appends a packed copy of `image` (`imageLen` bytes); false when memory
  // runs out (nothing appended).
  bool appendImage(const void* image, size_t imageLen);
  // The full image of the record at `index` in `into`; nullptr for a bad
  // index or an empty slot.
  const void* image(int index, RecordImage& into) const { return into.unpack(get(index)); }
  // Keeps the blocks an import packed its records in for as long as the
  // records are held.
  void adoptBlocks(RecordBlocks&& blocks) { blocks_.adopt(std::move(blocks)); }
  // What the blocks of the import's records take, beside the heap.
  size_t blockBytes() const { return blocks_.bytes(); }

  // True when no record of `dataType` and `number` was kept by a receive
  // before; the pair counts as kept from now on.
  bool claimReceived(int32_t dataType, int32_t number) {
    const uint64_t key = uint64_t{static_cast<uint32_t>(dataType)} << 32 | static_cast<uint32_t>(number);
    return received_.insert(key).second;
  }
  // Counts `bytes` more memory held by received records (the records and
  // their share of the list and its index).
  void addReceivedBytes(int64_t bytes) { receivedBytes_.fetch_add(bytes, std::memory_order_relaxed); }
  int64_t receivedBytes() const { return receivedBytes_.load(std::memory_order_relaxed); }

  // Emptying the list forgets the kept numbers as well.
  void clear() {
    PtrArray::clear();
    received_.clear();
    receivedBytes_ = 0;
  }
  // Frees the records of their own heap blocks, then the blocks: an
  // import's records are told by their address, not read one by one.
  void clearAndFree() {
    for (int i = 0; i < count(); ++i) {
      PackedRecord* record = get(i);
      if (!blocks_.holds(record)) PackedRecord::release(record);
    }
    PtrArray::clear();
    blocks_.clear();
    received_.clear();
    receivedBytes_ = 0;
  }

 private:
  RecordBlocks blocks_;
  std::unordered_set<uint64_t> received_;
  std::atomic<int64_t> receivedBytes_{0};
};
// The run's record headers, one per record at the same position, held by
// value: an import of hundreds of thousands of records costs one array,
// not a heap block per header. Filled by the import before the workers
// start, which only read it.
class RecordHeaderList {
 public:
  int count() const { return static_cast<int>(headers_.size()); }
  // The header at `index`; a bad index prints the console line
  // "Assertion! : exp" and yields null, as the record list does.
  const RecordHeader* get(int index) const {
    if (index < 0 || index >= count()) {
      std::fputs("Assertion! : exp\n", stdout);
      return nullptr;
    }
    return &headers_[static_cast<size_t>(index)];
  }
  void append(const RecordHeader& header) { headers_.push_back(header); }
  void insert(int index, const RecordHeader& header) { headers_.insert(headers_.begin() + index, header); }
  void remove(int index) { headers_.erase(headers_.begin() + index); }
  void reserve(size_t headers) { headers_.reserve(headers); }
  // Takes `headers` as the whole list; the list must be empty.
  void adopt(std::vector<RecordHeader>&& headers) { headers_ = std::move(headers); }
  void clearAndFree() { std::vector<RecordHeader>().swap(headers_); }

 private:
  std::vector<RecordHeader> headers_;
};

// A new all-zero record of type T, released with std::free (the received
// records of the masterdata handlers, deletions of the import).
template <class T>
T* allocRecord() {
  return static_cast<T*>(std::calloc(1, sizeof(T)));
}

}  // namespace tolvan
