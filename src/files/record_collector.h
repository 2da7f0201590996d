// RecordCollector: gathers the records of one import and hands them to the
// run's record list and header list in their final order. An import may
// read hundreds of thousands of lines with repeated numbers; the collector
// finds an earlier record of the same number through a flat hash index
// (one probe sequence in one array, no node per record), sorts
// once at the end and fills the lists in one pass, so an import never
// costs more than O(n log n) however its lines are ordered.
#pragma once

#include <cstdint>
#include <vector>

#include "core/record_list.h"

namespace tolvan {

class RecordCollector {
 public:
  enum class Order {
    // "standard", "seasia": ascending key; a key read again replaces the
    // earlier record (one data type and mode per import).
    ByKey,
    // "wmsmart": file order; a record replaces the earlier one of the same
    // data type and key, whatever its mode, and moves to the end.
    FileOrder,
  };

  explicit RecordCollector(Order order) : order_(order) {}
  RecordCollector(const RecordCollector&) = delete;
  RecordCollector& operator=(const RecordCollector&) = delete;
  // Frees the records not handed over.
  ~RecordCollector();

  // Takes ownership of `record` (released with std::free).
  void add(const RecordHeader& header, PackedRecord* record);

  // Moves every kept record into the lists, applying the same insertion
  // rules to any entries the lists already hold. The collector is empty
  // afterwards.
  void handOver(RecordList& records, RecordHeaderList& headers);

 private:
  struct Entry {
    RecordHeader header;
    PackedRecord* record = nullptr;  // nullptr: replaced by a later record
  };

  void handOverOrdered(RecordList& records, RecordHeaderList& headers);
  void handOverFileOrder(RecordList& records, RecordHeaderList& headers);

  uint64_t indexKey(const RecordHeader& header) const;
  // The slot of `key` in index_: the one holding it, or the empty one where
  // it belongs.
  size_t findSlot(uint64_t key) const;
  void growIndex();
  // Indexes every entry kept so far, once the keys stop rising.
  void buildIndex();
  bool indexed(uint64_t key) const { return index_[findSlot(key)].entry != kNoEntry; }

  static constexpr uint32_t kNoEntry = 0xFFFFFFFF;
  struct Slot {
    uint64_t key = 0;
    uint32_t entry = kNoEntry;  // position in entries_
  };

  Order order_;
  // ByKey: one slot per key, replaced in place. FileOrder: a replaced
  // record leaves an empty slot and the new one goes to the end.
  std::vector<Entry> entries_;
  std::vector<Slot> index_ = std::vector<Slot>(kInitialSlots);  // size a power of two
  size_t kept_ = 0;
  // While every key rose above the one before, no key came twice and
  // index_ stays empty: a store's file is mostly in key order.
  bool rising_ = true;
  uint64_t lastKey_ = 0;
  static constexpr size_t kInitialSlots = 1024;
};

}  // namespace tolvan
