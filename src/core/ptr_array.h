// PtrArray: the driver's one container, a growable ordered array of
// pointers. Its capacity grows in steps of 20 slots; a bad index prints the
// console line "Assertion! : exp" and yields null, and the run goes on.
// The array owns its slots, not the elements, except through clearAndFree.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tolvan {

inline constexpr int kPtrArrayStep = 20;

// How clearAndFree releases an element: `delete` for typed elements.
template <class T>
struct PtrArrayDelete {
  void operator()(T* p) const { delete p; }
};

// Records are plain blocks from std::calloc (zeroed, so padding is zero in
// resend files) and are released with std::free whatever their type.
struct PtrArrayFree {
  void operator()(void* p) const { std::free(p); }
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
    if (index < 0) return;
    growToHold(index);
    slots_[index] = element;
    if (index > last_) last_ = index;
  }

  void insert(int index, T* element) {
    if (index < 0) return;
    if (index > last_) {
      set(index, element);
      return;
    }
    growToHold(last_ + 1);
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
  // Capacity becomes the multiple of 20 just above `index`.
  void growToHold(int index) {
    if (index < capacity_) return;
    int newCapacity = (index / kPtrArrayStep + 1) * kPtrArrayStep;
    std::unique_ptr<T*[]> bigger(new T*[static_cast<size_t>(newCapacity)]());
    std::memcpy(bigger.get(), slots_.get(), sizeof(T*) * static_cast<size_t>(capacity_));
    slots_ = std::move(bigger);
    capacity_ = newCapacity;
  }

  std::unique_ptr<T*[]> slots_;
  int capacity_;
  int last_ = -1;
};

}  // namespace tolvan
