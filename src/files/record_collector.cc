#include "files/record_collector.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace tolvan {
namespace {

void freeAt(int index, RecordList& records, RecordHeaderList& headers) {
  PackedRecord::release(records.remove(index));
  headers.remove(index);
}

uint64_t typeAndKey(const RecordHeader& header) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(header.dataType)) << 32) |
         static_cast<uint32_t>(header.key);
}

}  // namespace

RecordCollector::~RecordCollector() { records_.clearAndFree(); }

// The ordered formats read one data type and mode per import, so the key
// alone tells records apart; "wmsmart" mixes types and tells them apart by
// type and key.
uint64_t RecordCollector::indexKey(const RecordHeader& header) const {
  return order_ == Order::ByKey ? static_cast<uint32_t>(header.key) : typeAndKey(header);
}

// Only a hint: without the memory the lists grow as they fill.
void RecordCollector::expect(size_t rows) {
  rows = std::min<size_t>(rows, INT32_MAX);
  try {
    headers_.reserve(rows);
  } catch (const std::exception&) {
    return;
  }
  records_.reserve(static_cast<int>(rows));
}

int32_t RecordCollector::add(const RecordHeader& header, PackedRecord* record) {
  // While keys rise none can come twice, and the entries are their own
  // index, in key order.
  if (!indexed_) {
    if (headers_.empty() || indexKey(header) > indexKey(headers_.back())) {
      push(header, record);
      ++kept_;
      return 0;
    }
    buildIndex();
  }
  auto [position, fresh] = index_.insert(indexKey(header), static_cast<uint32_t>(size()));
  if (fresh) {
    push(header, record);
    ++kept_;
    return 0;
  }
  const auto at = static_cast<int>(*position);
  const int32_t earlierLine = headers_[static_cast<size_t>(at)].line;
  PackedRecord* earlier = records_.get(at);
  if (earlier != nullptr && earlier->inBlocks != 0) ++replacedInBlocks_;
  PackedRecord::release(earlier);
  if (order_ == Order::ByKey) {
    headers_[static_cast<size_t>(at)] = header;
    records_.set(at, record);
    return earlierLine;
  }
  records_.set(at, nullptr);
  *position = static_cast<uint32_t>(size());
  push(header, record);
  return earlierLine;
}

void RecordCollector::buildIndex() {
  indexed_ = true;
  for (size_t i = 0; i < size(); ++i) index_.insert(indexKey(headers_[i]), static_cast<uint32_t>(i));
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
  for (int i = 0; i < records_.count() && movedAll; ++i) {
    PackedRecord* record = records_.get(i);
    if (record == nullptr || record->inBlocks == 0) continue;
    void* copy = fresh.take(record->size());
    movedAll = copy != nullptr;
    if (movedAll) records_.set(i, static_cast<PackedRecord*>(std::memcpy(copy, record, record->size())));
  }
  if (!movedAll) fresh.adopt(std::move(blocks_));
  blocks_ = std::move(fresh);
  replacedInBlocks_ = 0;
}

// A store's file is mostly in key order already; keys are unique here.
void RecordCollector::sortByKey() {
  auto byKey = [](const RecordHeader& a, const RecordHeader& b) { return a.key < b.key; };
  if (std::is_sorted(headers_.begin(), headers_.end(), byKey)) return;
  std::vector<uint32_t> order(size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  std::sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) { return headers_[a].key < headers_[b].key; });
  std::vector<RecordHeader> headers;
  headers.reserve(headers_.capacity());
  Records records;
  records.reserve(records_.capacity());
  for (uint32_t i : order) {
    headers.push_back(headers_[i]);
    records.append(records_.get(static_cast<int>(i)));
  }
  headers_.swap(headers);
  records_.swapWith(records);
}

// Closes up the entries whose record a later one replaced.
void RecordCollector::dropReplaced() {
  if (kept_ == size()) return;
  int to = 0;
  for (int i = 0; i < records_.count(); ++i) {
    PackedRecord* record = records_.get(i);
    if (record == nullptr) continue;
    headers_[static_cast<size_t>(to)] = headers_[static_cast<size_t>(i)];
    records_.set(to++, record);
  }
  headers_.resize(static_cast<size_t>(to));
  while (records_.count() > to) (void)records_.remove(records_.count() - 1);
}

// Appends the kept entries to lists that hold records already, or hands
// the collector's arrays to empty ones.
void RecordCollector::appendAll(RecordList& records, RecordHeaderList& headers) {
  dropReplaced();
  if (records.count() == 0 && headers.count() == 0) {
    records.swapWith(records_);
    headers.adopt(std::move(headers_));
    return;
  }
  while (headers.count() < records.count()) headers.append(RecordHeader{});  // each header at its record's position
  records.reserve(records.count() + records_.count());
  for (int i = 0; i < records_.count(); ++i) {
    records.append(records_.get(i));
    headers.append(headers_[static_cast<size_t>(i)]);
  }
}

void RecordCollector::handOver(RecordList& records, RecordHeaderList& headers) {
  compactBlocks();
  if (order_ == Order::ByKey) {
    sortByKey();
    handOverOrdered(records, headers);
  } else {
    handOverFileOrder(records, headers);
  }
  records.adoptBlocks(std::move(blocks_));
  headers_ = {};
  records_.clear();
  index_.clear();
  indexed_ = false;
  kept_ = 0;
  replacedInBlocks_ = 0;
}

void RecordCollector::handOverOrdered(RecordList& records, RecordHeaderList& headers) {
  if (records.count() == 0) {
    appendAll(records, headers);
    return;
  }
  // Lists that already hold records: insert one by one after the entries
  // whose key is not greater, dropping an entry of the same type, mode and key.
  for (size_t e = 0; e < size(); ++e) {
    const RecordHeader& h = headers_[e];
    for (int i = 0; i < headers.count(); ++i) {
      const RecordHeader* old = headers.get(i);
      if (old->dataType == h.dataType && old->mode == h.mode && old->key == h.key) {
        freeAt(i, records, headers);
        break;
      }
    }
    int at = 0;
    while (at < headers.count() && headers.get(at)->key <= h.key) ++at;
    records.insert(at, records_.get(static_cast<int>(e)));
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
  appendAll(records, headers);
}

}  // namespace tolvan
