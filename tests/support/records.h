// The run's records as tests read them back: a copy of the full image.
#pragma once

#include <cstring>

#include "core/record_list.h"

namespace tolvan::testing {

// The record at `index` of `list` as a T; all zero for a bad index.
template <class T>
T recordAt(const RecordList& list, int index) {
  RecordImage image;
  T out{};
  if (const void* bytes = list.image(index, image)) std::memcpy(&out, bytes, sizeof out);
  return out;
}

}  // namespace tolvan::testing
