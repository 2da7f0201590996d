// RecordCollector: gathers the records of one import and hands them to the
// run's record list and header list in their final order. An import may
// read hundreds of thousands of lines with repeated numbers; the collector
// finds an earlier record of the same number through a key index, sorts
// once at the end and fills the lists in one pass, so an import never
// costs more than O(n log n) however its lines are ordered.
#pragma once

#include <cstdint>
#include <vector>

#include "core/record_list.h"
#include "files/key_index.h"

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

  // Takes ownership of `record`: one of its own heap block, or one packed
  // in blocks(). Returns the line of the record of the same key it
  // replaces, 0 when there is none.
  int32_t add(const RecordHeader& header, PackedRecord* record);
  // Where the import packs its records, side by side; they go to the
  // record list with the records.
  RecordBlocks* blocks() { return &blocks_; }

  // Room for about `rows` records, once the size of the import can be
  // told: the lists then grow once, not a step at a time.
  void expect(size_t rows);

  // Moves every kept record into the lists, applying the same insertion
  // rules to any entries the lists already hold. Empty lists take the
  // collector's own arrays. The collector is empty afterwards.
  void handOver(RecordList& records, RecordHeaderList& headers);

 private:
  using Records = PtrArray<PackedRecord, PackedRecordRelease>;

  size_t size() const { return headers_.size(); }
  void push(const RecordHeader& header, PackedRecord* record) {
    headers_.push_back(header);
    records_.append(record);
  }
  void sortByKey();
  void dropReplaced();
  void appendAll(RecordList& records, RecordHeaderList& headers);
  void handOverOrdered(RecordList& records, RecordHeaderList& headers);
  void handOverFileOrder(RecordList& records, RecordHeaderList& headers);

  uint64_t indexKey(const RecordHeader& header) const;
  // Indexes the entries kept so far, at the first key that does not rise.
  void buildIndex();
  void compactBlocks();

  Order order_;
  // One header and one record per entry, at the same position. ByKey: one
  // entry per key, replaced in place. FileOrder: a replaced record leaves
  // an empty entry (no record) and the new one goes to the end.
  std::vector<RecordHeader> headers_;
  Records records_;
  KeyIndex index_;  // key -> position of the entry, once indexed_
  bool indexed_ = false;
  size_t replacedInBlocks_ = 0;
  RecordBlocks blocks_;
  size_t kept_ = 0;
};

}  // namespace tolvan
