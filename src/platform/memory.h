// Large blocks of memory straight from the system, for data kept by the
// hundred thousand (an import's records): where the system offers pages of
// two megabytes, a block takes them, so that filling it costs one page
// fault instead of five hundred.
#pragma once

#include <cstddef>

namespace tolvan {

inline constexpr size_t kLargeBlockSize = size_t{2} << 20;

// A new block of kLargeBlockSize bytes, all zero; nullptr when memory runs out.
void* allocateLargeBlock();
// Gives back a block from allocateLargeBlock (nullptr is ignored).
void freeLargeBlock(void* block);

}  // namespace tolvan
