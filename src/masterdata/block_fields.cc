#include "masterdata/block_fields.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace tolvan {

void BlockFields::put(size_t width, const char* format, ...) {
  if (overflowed_ || out_.size() - used_ < width + 1) {
    overflowed_ = true;
    return;
  }
  char text[64];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  size_t copy = n < 0 ? 0 : std::min({static_cast<size_t>(n), width, sizeof text - 1});
  std::fill_n(out_.begin() + used_, width, '0');
  std::copy_n(text, copy, out_.begin() + used_);
  used_ += width;
}

bool BlockFields::finish(int& length) {
  if (overflowed_ || used_ >= out_.size()) return false;
  out_[used_] = 0;
  length = static_cast<int>(used_);
  return true;
}

}  // namespace tolvan
