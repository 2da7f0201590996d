#include "files/key_index.h"

#include <algorithm>

namespace tolvan {

const uint32_t* KeyIndex::find(uint64_t key) const {
  if (table_.empty()) {
    auto at = std::lower_bound(rising_.begin(), rising_.end(), key,
                               [](const Slot& slot, uint64_t k) { return slot.key < k; });
    return at != rising_.end() && at->key == key ? &at->value : nullptr;
  }
  const Slot& slot = table_[findSlot(key)];
  return slot.value != kEmpty ? &slot.value : nullptr;
}

std::pair<uint32_t*, bool> KeyIndex::insert(uint64_t key, uint32_t value) {
  if (table_.empty()) {
    if (rising_.empty() || key > rising_.back().key) {
      rising_.push_back(Slot{key, value});
      return {&rising_.back().value, true};
    }
    buildTable();
  }
  if ((count_ + 1) * 2 > table_.size()) growTable();
  Slot& slot = table_[findSlot(key)];
  if (slot.value != kEmpty) return {&slot.value, false};
  slot = Slot{key, value};
  ++count_;
  return {&slot.value, true};
}

void KeyIndex::clear() {
  rising_.clear();
  table_.clear();
  count_ = 0;
}

size_t KeyIndex::findSlot(uint64_t key) const {
  const size_t mask = table_.size() - 1;
  size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (table_[slot].value != kEmpty && table_[slot].key != key) slot = (slot + 1) & mask;
  return slot;
}

void KeyIndex::buildTable() {
  size_t slots = kInitialSlots;
  while ((rising_.size() + 1) * 2 > slots) slots *= 2;
  table_.assign(slots, Slot{});
  for (const Slot& key : rising_) table_[findSlot(key.key)] = key;
  count_ = rising_.size();
  rising_ = {};
}

void KeyIndex::growTable() {
  std::vector<Slot> old(table_.size() * 2);
  old.swap(table_);
  for (const Slot& slot : old) {
    if (slot.value != kEmpty) table_[findSlot(slot.key)] = slot;
  }
}

}  // namespace tolvan
