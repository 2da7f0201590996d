// Price changes ("pricecng") and markdown price changes ("mkdpricecng"):
// their records, whose images are also their layout in a resend file,
// their import columns, and their scale records for both families. Both
// kinds are only ever sent as additions; they have no deletion, request or
// received record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/scale_entry.h"
#include "records/field_def.h"
#include "records/scale_fields.h"

namespace tolvan {

// A new unit price for a PLU that already stands on the scales.
struct PriceChangeRecord {
  int32_t pluNo;      // 0  "Plu_No"; the record's key
  int32_t unitPrice;  // 4  "UnitPrice", the import's integer
};
static_assert(sizeof(PriceChangeRecord) == 8);
static_assert(offsetof(PriceChangeRecord, unitPrice) == 4);

// A new markdown flag and markdown price for a PLU.
struct MkdPriceChangeRecord {
  int32_t pluNo;      // 0  "Plu_No"; the record's key
  int32_t markPrice;  // 4  "MarkPrice"
  int8_t markFlag;    // 8  "MarkFlag" (the column's low 8 bits)
  uint8_t reserved9[3];
};
static_assert(sizeof(MkdPriceChangeRecord) == 12);
static_assert(offsetof(MkdPriceChangeRecord, markPrice) == 4);
static_assert(offsetof(MkdPriceChangeRecord, markFlag) == 8);

// Column lists: "Plu_No", "UnitPrice"; "Plu_No", "MarkFlag", "MarkPrice";
// and the fixed-width "seasia" list of price changes (Plu_No in characters
// 0-5, UnitPrice in 6-13).
void buildPriceChangeFieldTable(FieldTable& table);
void buildPriceChangeFixedFieldTable(FieldTable& table);
void buildMkdPriceChangeFieldTable(FieldTable& table);

// The scale record of one price change: block family the text "31"/"3101"/
// "6602" with the PLU number and unit price (its length excludes the NUL
// behind it); message family message 23 on "vt40" (record header and a
// 9-byte body, 17 bytes). `code` is the message number (message family).
// False, with `length` 0, on "meriopro", for a model of neither family, or
// when `buffer` is too small. A `trace` learns the digits each number gets.
bool convertPriceChange(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                        int& length, ScaleFieldList* trace = nullptr);

// The scale record of one markdown price change: block family only, the
// text "32"/"3201"/"6702" with PLU number, flag and markdown price. False,
// with `length` 0, on every message-family scale and when `buffer` is too
// small.
bool convertMkdPriceChange(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                           int& length, ScaleFieldList* trace = nullptr);

}  // namespace tolvan
