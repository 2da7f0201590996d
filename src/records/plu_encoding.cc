#include "records/plu_encoding.h"

namespace tolvan {

// Filled in by the PLU encodings work; until then no scale takes PLUs.
bool convertPlu(const ScaleEntry&, int, const void*, int&, std::span<uint8_t>, int& length) {
  length = 0;
  return false;
}

bool buildPluUploadRequest(const ScaleEntry&, int&, std::span<uint8_t>, int&) { return false; }

}  // namespace tolvan
