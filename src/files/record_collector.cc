#include "files/record_collector.h"

#include <algorithm>
#include <cstring>

namespace tolvan {
namespace {

// Appends the entries that still hold a record (`n` of them) with one
// growth of the lists: setting the last slot first makes the record list
// take its final capacity at once.
template <class Entries>
void appendAll(const Entries& entries, size_t n, RecordList& records, RecordHeaderList& headers) {
  if (n == 0) return;
  int base = records.count();
  int last = base + static_cast<int>(n) - 1;
  records.set(last, nullptr);
  headers.reserve(static_cast<size_t>(last) + 1);
  while (headers.count() < base) headers.append(RecordHeader{});  // each header at its record's position
  int index = base;
  for (const auto& entry : entries) {
    if (entry.record == nullptr) continue;
    records.set(index, entry.record);
    headers.append(entry.header);
    ++index;
  }
}

void freeAt(int index, RecordList& records, RecordHeaderList& headers) {
  PackedRecord::release(records.remove(index));
  headers.remove(index);
}

uint64_t typeAndKey(const RecordHeader& header) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(header.dataType)) << 32) |
         static_cast<uint32_t>(header.key);
}

}  // namespace

RecordCollector::~RecordCollector() {
  for (auto& entry : entries_) PackedRecord::release(entry.record);
}

// The ordered formats read one data type and mode per import, so the key
// alone tells records apart; "wmsmart" mixes types and tells them apart by
// type and key.
uint64_t RecordCollector::indexKey(const RecordHeader& header) const {
  return order_ == Order::ByKey ? static_cast<uint32_t>(header.key) : typeAndKey(header);
}

int32_t RecordCollector::add(const RecordHeader& header, PackedRecord* record) {
  // While keys rise none can come twice, and the entries are their own
  // index, in key order.
  if (!indexed_) {
    if (entries_.empty() || indexKey(header) > indexKey(entries_.back().header)) {
      entries_.push_back(Entry{header, record});
      ++kept_;
      return 0;
    }
    buildIndex();
  }
  auto [position, fresh] = index_.insert(indexKey(header), static_cast<uint32_t>(entries_.size()));
  if (fresh) {
    entries_.push_back(Entry{header, record});
    ++kept_;
    return 0;
  }
  Entry& earlier = entries_[*position];
  const int32_t earlierLine = earlier.header.line;
  if (earlier.record != nullptr && earlier.record->inBlocks != 0) ++replacedInBlocks_;
  PackedRecord::release(earlier.record);
  if (order_ == Order::ByKey) {
    earlier = Entry{header, record};
    return earlierLine;
  }
  earlier.record = nullptr;
  *position = static_cast<uint32_t>(entries_.size());
  entries_.push_back(Entry{header, record});
  return earlierLine;
}

void RecordCollector::buildIndex() {
  indexed_ = true;
  for (size_t i = 0; i < entries_.size(); ++i) index_.insert(indexKey(entries_[i].header), static_cast<uint32_t>(i));
}

// A record replaced within the import leaves its bytes in the blocks. When
// there are more such records than kept ones, the kept records move to
// fresh blocks, so that a file giving each number several times holds no
// more than one that gives it once. Without memory for the move, both
// stay.
void RecordCollector::compactBlocks() {
  if (replacedInBlocks_ <= kept_) return;
  RecordBlocks fresh;
  bool movedAll = true;
  for (Entry& entry : entries_) {
    if (entry.record == nullptr || entry.record->inBlocks == 0) continue;
    const size_t size = entry.record->size();
    void* copy = fresh.take(size);
    movedAll = copy != nullptr;
    if (!movedAll) break;
    entry.record = static_cast<PackedRecord*>(std::memcpy(copy, entry.record, size));
  }
  if (!movedAll) fresh.adopt(std::move(blocks_));
  blocks_ = std::move(fresh);
  replacedInBlocks_ = 0;
}

void RecordCollector::handOver(RecordList& records, RecordHeaderList& headers) {
  compactBlocks();
  if (order_ == Order::ByKey) {
    auto byKey = [](const Entry& a, const Entry& b) { return a.header.key < b.header.key; };
    // A store's file is mostly in key order already.
    if (!std::is_sorted(entries_.begin(), entries_.end(), byKey)) std::sort(entries_.begin(), entries_.end(), byKey);
    handOverOrdered(records, headers);
  } else {
    handOverFileOrder(records, headers);
  }
  records.adoptBlocks(std::move(blocks_));
  entries_.clear();
  index_.clear();
  indexed_ = false;
  kept_ = 0;
  replacedInBlocks_ = 0;
}

void RecordCollector::handOverOrdered(RecordList& records, RecordHeaderList& headers) {
  if (records.count() == 0) {
    appendAll(entries_, kept_, records, headers);
    return;
  }
  // Lists that already hold records: insert one by one after the entries
  // whose key is not greater, dropping an entry of the same type, mode and key.
  for (const Entry& entry : entries_) {
    const RecordHeader& h = entry.header;
    for (int i = 0; i < headers.count(); ++i) {
      const RecordHeader* old = headers.get(i);
      if (old->dataType == h.dataType && old->mode == h.mode && old->key == h.key) {
        freeAt(i, records, headers);
        break;
      }
    }
    int at = 0;
    while (at < headers.count() && headers.get(at)->key <= h.key) ++at;
    records.insert(at, entry.record);
    headers.insert(at, h);
  }
}

void RecordCollector::handOverFileOrder(RecordList& records, RecordHeaderList& headers) {
  if (records.count() > 0) {
    if (!indexed_) buildIndex();
    // Earlier entries of the same data type and key give way to the import's.
    for (int i = headers.count() - 1; i >= 0; --i) {
      if (index_.find(typeAndKey(*headers.get(i))) != nullptr) freeAt(i, records, headers);
    }
  }
  appendAll(entries_, kept_, records, headers);
}

}  // namespace tolvan
