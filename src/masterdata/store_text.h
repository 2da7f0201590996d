// StoreRecord: the store name and address texts a scale prints, each with
// its font and font type, kept under a store number ("store"). Its
// 208-byte image is also the layout of a store record in a resend file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "core/record_list.h"
#include "records/field_def.h"

namespace tolvan {

static_assert(std::endian::native == std::endian::little,
              "record images in resend files are little-endian");

inline constexpr size_t kStoreRecordSize = 208;
inline constexpr size_t kStoreTextMax = 99;  // characters of a name or address
inline constexpr int kStoreColumnCount = 7;

// A new record is all zero. Texts are copied byte for byte to the scales;
// they are not descriptions and carry no escapes of their own.
struct StoreRecord {
  int32_t storeNo;                   // 0    "Store_No", the record's key
  int8_t nameFont;                   // 4    "Name_Font"
  int8_t nameFontType;               // 5    "Name_FontType"
  char name[kStoreTextMax + 1];      // 6    "Name", NUL-terminated
  int8_t addrFont;                   // 106  "Addr_Font"
  int8_t addrFontType;               // 107  "Addr_FontType"
  char address[kStoreTextMax + 1];   // 108  "Address", NUL-terminated
};

static_assert(sizeof(StoreRecord) == kStoreRecordSize);
static_assert(offsetof(StoreRecord, storeNo) == 0);
static_assert(offsetof(StoreRecord, nameFont) == 4);
static_assert(offsetof(StoreRecord, nameFontType) == 5);
static_assert(offsetof(StoreRecord, name) == 6);
static_assert(offsetof(StoreRecord, addrFont) == 106);
static_assert(offsetof(StoreRecord, addrFontType) == 107);
static_assert(offsetof(StoreRecord, address) == 108);

// A new all-zero store record, released with std::free; null when memory
// runs out.
inline StoreRecord* newStoreRecord() { return allocRecord<StoreRecord>(); }

// Appends the 7 store columns (delimited import, export header and values).
void buildStoreFieldTable(FieldTable& table);

}  // namespace tolvan
