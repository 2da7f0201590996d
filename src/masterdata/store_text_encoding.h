// Store records on the wire ("store"). Block family ("vt30", "pmx",
// "lm50"): the text "34"/"3401", the store number in 2 digits and a text
// part whose layout follows the scale's country ("thailand"; "hong kong"
// and "china"; every other); the deletion "23"/"2302" with the number.
// Message family ("meriopro", "vt40"): message 31 (record header, the store
// number in 4 BCD digits, a 101-byte text block each for name and
// address), the deletion (message 1, the number in 4 BCD digits) and the
// upload request (message 51). Block scales have no store request.
//
// Each takes the whole of `buffer` as its capacity and sets `length` to the
// bytes written and `code` to the message number (message family) or the
// block record code (34 or 23). False, with `length` 0, where the scale
// cannot take it: a model of neither family, a block store number outside
// 0 to 10 (deletions: 0 to 99), a block request, a buffer too small.
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"
#include "records/scale_fields.h"

namespace tolvan {

// Block-family scales keep store numbers 0 to 10.
inline constexpr int32_t kBlockStoreMax = 10;

// `record` is a StoreRecord. A `trace` learns the digits the store number
// gets where it can be cut (message family).
bool convertStore(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer, int& length,
                  ScaleFieldList* trace = nullptr);
// `record` is a DeletionRecord; number 0 deletes every store text.
bool convertStoreDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                          int& length, ScaleFieldList* trace = nullptr);
bool buildStoreUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length);

}  // namespace tolvan
