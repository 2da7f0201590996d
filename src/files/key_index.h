// KeyIndex: the keys an import has met so far, each with a number of the
// caller's (where it was met). A store's file is mostly in key order, and
// while every key rises above the one before none can come twice: the keys
// then stay in a plain list. From the first key that does not rise they go
// into a flat hash table (one probe sequence in one array, no node per key).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tolvan {

class KeyIndex {
 public:
  // The number noted with `key`, or nullptr when the key was not met.
  const uint32_t* find(uint64_t key) const;
  // Notes `key` with `value` when it is new. Returns the key's number (to
  // be read or replaced until the next insert) and whether the key was new.
  std::pair<uint32_t*, bool> insert(uint64_t key, uint32_t value);
  void clear();

 private:
  struct Slot {
    uint64_t key = 0;
    uint32_t value = kEmpty;
  };
  static constexpr uint32_t kEmpty = 0xFFFFFFFF;
  static constexpr size_t kInitialSlots = 1024;

  // The slot of `key` in table_: the one holding it, or the empty one
  // where it belongs.
  size_t findSlot(uint64_t key) const;
  // Moves the rising keys into the table.
  void buildTable();
  // Doubles the table when it is half full, so probe sequences stay short.
  void growTable();

  std::vector<Slot> rising_;  // in key order, while table_ is empty
  std::vector<Slot> table_;   // size a power of two, or empty
  size_t count_ = 0;          // keys in table_
};

}  // namespace tolvan
