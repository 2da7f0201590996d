#include "platform/memory.h"

#include <windows.h>

namespace tolvan {

// Large pages need a privilege a store's back-office account seldom has:
// the block takes ordinary pages, committed as it is filled.
void* allocateLargeBlock() { return ::VirtualAlloc(nullptr, kLargeBlockSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE); }

void freeLargeBlock(void* block) {
  if (block != nullptr) ::VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace tolvan
