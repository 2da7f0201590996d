// The deletion record shared by every data type: one record number to
// delete, or 0 for all records of the type (delete-all).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvan {

// An imported deletion. In a resend file: dataType in bytes 0-1, bytes 2-3
// unused, recNo in bytes 4-7, little-endian (8 bytes).
struct DeletionRecord {
  uint16_t dataType;
  int32_t recNo;  // -1 until the "RecNo" column sets it
};
static_assert(sizeof(DeletionRecord) == 8);
static_assert(offsetof(DeletionRecord, recNo) == 4);

}  // namespace tolvan
