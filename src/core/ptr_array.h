// PtrArray: the driver's one container, a growable ordered array of
// pointers. Its capacity is a multiple of 20 slots and at least doubles when
// it grows, so a receive that appends a million records copies each slot
// only a few times; a bad index prints the console line "Assertion! : exp"
// and yields null, and the run goes on.
// The array owns its slots, not the elements, except through clearAndFree.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace tolvan {

inline constexpr int kPtrArrayStep = 20;
// The largest capacity an int count can address, kept a multiple of 20.
inline constexpr int64_t kPtrArrayMaxCapacity = INT32_MAX / kPtrArrayStep * kPtrArrayStep;

// How clearAndFree releases an element: `delete` for typed elements.
template <class T>
struct PtrArrayDelete {
  void operator()(T* p) const { delete p; }
};

template <class T, class Free = PtrArrayDelete<T>>
class PtrArray {
 public:
  PtrArray() : slots_(new T*[kPtrArrayStep]()), capacity_(kPtrArrayStep) {}
  PtrArray(const PtrArray&) = delete;
  PtrArray& operator=(const PtrArray&) = delete;
  ~PtrArray() = default;  // frees the slots, not the elements

  int count() const { return last_ + 1; }
  int capacity() const { return capacity_; }

  T* get(int index) const {
    if (index < 0 || index > last_) {
      std::fputs("Assertion! : exp\n", stdout);
      return nullptr;
    }
    return slots_[index];
  }

  int append(T* element) {
    set(last_ + 1, element);
    return last_;
  }

  void set(int index, T* element) {
    if (index < 0 || !growToHold(index)) return;
    // Slots beyond the last hold nothing yet: a gap is emptied first.
    for (int gap = last_ + 1; gap < index; ++gap) slots_[gap] = nullptr;
    slots_[index] = element;
    if (index > last_) last_ = index;
  }

  // Room for `capacity` elements without growing again; the memory of
  // slots not yet set is not touched. Only a hint: nothing changes when
  // the memory is not there.
  void reserve(int capacity) {
    if (capacity <= capacity_) return;
    const int64_t rounded = (int64_t{capacity} + kPtrArrayStep - 1) / kPtrArrayStep * kPtrArrayStep;
    (void)moveTo(std::min(rounded, kPtrArrayMaxCapacity), true);
  }
  // Exchanges the contents with `other`: slots, count and capacity.
  void swapWith(PtrArray& other) noexcept {
    std::swap(slots_, other.slots_);
    std::swap(capacity_, other.capacity_);
    std::swap(last_, other.last_);
  }

  void insert(int index, T* element) {
    if (index < 0) return;
    if (index > last_) {
      set(index, element);
      return;
    }
    if (!growToHold(last_ + 1)) return;
    std::memmove(&slots_[index + 1], &slots_[index], sizeof(T*) * static_cast<size_t>(last_ + 1 - index));
    slots_[index] = element;
    ++last_;
  }

  T* remove(int index) {
    if (index < 0 || index > last_) return nullptr;
    T* element = slots_[index];
    std::memmove(&slots_[index], &slots_[index + 1], sizeof(T*) * static_cast<size_t>(last_ - index));
    slots_[last_] = nullptr;
    --last_;
    return element;
  }

  void clear() { last_ = -1; }

  void clearAndFree() {
    Free release;
    for (int i = 0; i <= last_; ++i) {
      if (slots_[i] != nullptr) release(slots_[i]);
      slots_[i] = nullptr;
    }
    last_ = -1;
  }

 private:
  // Capacity becomes twice the old one, or the multiple of 20 just above
  // `index` when that is more. False (nothing changed) when `index` is
  // beyond what an int count can hold.
  bool growToHold(int index) {
    if (index < capacity_) return true;
    const int64_t needed = (int64_t{index} / kPtrArrayStep + 1) * kPtrArrayStep;
    if (needed > kPtrArrayMaxCapacity) return false;
    const int64_t newCapacity = std::min(std::max(needed, int64_t{capacity_} * 2), kPtrArrayMaxCapacity);
    return moveTo(newCapacity);
  }

  // Moves the slots in use to an array of `capacity` slots. Only those are
  // copied: the others are set before they are read, so a large capacity
  // costs no memory until it is filled.
  // `mayFail`: false instead of std::bad_alloc when the memory is not there.
  bool moveTo(int64_t capacity, bool mayFail = false) {
    const auto slots = static_cast<size_t>(capacity);
    std::unique_ptr<T*[]> bigger(mayFail ? new (std::nothrow) T*[slots] : new T*[slots]);
    if (!bigger) return false;
    std::memcpy(bigger.get(), slots_.get(), sizeof(T*) * static_cast<size_t>(last_ + 1));
    slots_ = std::move(bigger);
    capacity_ = static_cast<int>(capacity);
    return true;
  }

  std::unique_ptr<T*[]> slots_;
  int capacity_;
  int last_ = -1;
};

}  // namespace tolvan
