#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace tolvan {

// The system lays a large page only on an address that is a multiple of
// its size: twice the size is mapped and what lies outside the aligned
// block in it is given back at once.
void* allocateLargeBlock() {
  const size_t mapped = 2 * kLargeBlockSize;
  void* area = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(area);
  const uintptr_t aligned = (start + kLargeBlockSize - 1) & ~uintptr_t{kLargeBlockSize - 1};
  if (aligned > start) ::munmap(area, aligned - start);
  const uintptr_t end = start + mapped;
  if (end > aligned + kLargeBlockSize) ::munmap(reinterpret_cast<void*>(aligned + kLargeBlockSize), end - aligned - kLargeBlockSize);
  auto* block = reinterpret_cast<void*>(aligned);
  (void)::madvise(block, kLargeBlockSize, MADV_HUGEPAGE);  // a hint; small pages do as well
  return block;
}

void freeLargeBlock(void* block) {
  if (block != nullptr) ::munmap(block, kLargeBlockSize);
}

}  // namespace tolvan
