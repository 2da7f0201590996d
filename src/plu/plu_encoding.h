// PLU records on the wire, for data type "plu". Message family ("meriopro",
// "vt40"): the PLU record (message 30: MessageRecordHeader, 82-byte fixed
// body with the country tail, description), the PLU deletion (message 0,
// the PLU number as 4 BCD bytes) and the upload request (message 50).
// Block family ("vt30", "pmx", "lm50"): the PLU text ("65" or "6502", fields
// at fixed character positions, then the description), the deletion text
// ("10" or "1001") and the request text. The description goes through the
// text conversion of the scale's family (src/text).
#pragma once

#include <cstdint>
#include <span>

#include "core/scale_entry.h"
#include "plu/plu_record.h"
#include "records/deletion_record.h"
#include "records/scale_fields.h"

namespace tolvan {

// Block-family PLU and deletion numbers stay below this.
inline constexpr int32_t kBlockPluLimit = 1000000;

// The item code field carries three columns in its 8 digits:
// (Dept x 100 + Group) x 100000 + ItemCode, in 32-bit arithmetic, so
// D G G I I I I I for a one-digit Dept and a two-digit Group.
inline constexpr int kItemCodeDigits = 8;
inline constexpr uint32_t kItemCodeGroupScale = 100;
inline constexpr uint32_t kItemCodeItemScale = 100000;
uint32_t pluItemCodeField(const PluRecord& plu);

// `record` is a PluRecord, or a DeletionRecord when `mode` is 2. The whole
// of `buffer` is the capacity (callers pass 4096 bytes). On success
// `length` is the bytes written and `code` the message number (message
// family) or block record code (65 or 10); block texts are followed by a
// NUL that `length` does not count. False, with `length` 0, for a model of
// neither family, a block-family number of 1000000 or more (or below 0), or
// a buffer too small for the fixed part. A `trace` learns the digits each
// number gets (the combined item code under ItemCode's offset).
bool convertPlu(const ScaleEntry& scale, int mode, const void* record, int& code, std::span<uint8_t> buffer,
                int& length, ScaleFieldList* trace = nullptr);

// The request for the scale's PLU records: message 50 with 4 zero bytes,
// or the text "50000000" ("usa") / "500200000000" (block family, `code`
// untouched). False, with `length` 0, for a model of neither family.
bool buildPluUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length);

}  // namespace tolvan
