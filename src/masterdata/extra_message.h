// ExMsgRecord: the one record of the extra message sets ("exmsg", "exmsg2",
// "exmsg3") and the coupon texts ("coupon"), told apart by the data type
// it stores; its 2056-byte image is also its layout in a resend file. With
// it, its allocator and its two import column lists (standard delimited
// and fixed-width "seasia"), the same for all four types.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "records/field_def.h"

namespace tolvan {

static_assert(std::endian::native == std::endian::little,
              "record images in resend files are little-endian");

inline constexpr size_t kExMsgRecordSize = 2056;
inline constexpr size_t kExMsgDescSize = 2048;  // 2047 characters and a NUL

struct ExMsgRecord {
  int32_t messageNo;          // 0  "Message_No"; the record's key, kept only when > 0
  uint16_t dataType;          // 4  2 to 5, set when the record is made
  uint16_t descSize;          // 6  400/600 ("seasia"), 60 ("wmsmart"), else 0
  char desc[kExMsgDescSize];  // 8  "Desc", may hold font and attribute codes
};

static_assert(sizeof(ExMsgRecord) == kExMsgRecordSize);
static_assert(offsetof(ExMsgRecord, messageNo) == 0);
static_assert(offsetof(ExMsgRecord, dataType) == 4);
static_assert(offsetof(ExMsgRecord, descSize) == 6);
static_assert(offsetof(ExMsgRecord, desc) == 8);

// A zeroed record for the list, its data type set; null for a type
// outside 2 to 5 or when memory runs out. Released with std::free.
ExMsgRecord* newExMsgRecord(int dataType);

// Appends "Message_No" and "Desc" (delimited import, export).
void buildExMsgFieldTable(FieldTable& table);

// Appends the fixed-width ("seasia") columns: "Message_No" in characters
// 0 to 3, "Desc" from character 48 to the end of the line.
void buildExMsgFixedFieldTable(FieldTable& table);

}  // namespace tolvan
