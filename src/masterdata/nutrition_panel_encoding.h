// Nutrition panels on the wire ("nutrition"). Block family: the 126-byte
// text "60..." of "vt30" and "pmx", the 43-byte text "6002..." of "lm50",
// the deletion "24" with 6 digits and the request "53000000" ("usa") or
// "5302000000". Message family ("meriopro", "vt40"): message 46 (record
// header and a 91-byte body of BCD numbers and short texts), the deletion
// (message 15, the number in 8 BCD digits) and the request (message 66).
//
// Each takes the whole of `buffer` as its capacity and sets `length` to the
// bytes written and `code` to the message number (message family) or the
// block record code (60, 24 or 53). False, with `length` 0, for a model of
// neither family, a block deletion outside 0 to 999999, or a buffer too
// small. The record is only read.
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"
#include "records/scale_fields.h"

namespace tolvan {

// Block-family deletions take numbers below this.
inline constexpr int32_t kBlockNutritionLimit = 1000000;

// `record` is a NutritionRecord. A `trace` learns the digits each number
// gets.
bool convertNutrition(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                      int& length, ScaleFieldList* trace = nullptr);
// `record` is a DeletionRecord; number 0 deletes every panel.
bool convertNutritionDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                              int& length, ScaleFieldList* trace = nullptr);
bool buildNutritionUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length);

}  // namespace tolvan
