// The production totals records and their column lists: per PLU (also
// used for next-day and rewrap totals), per hour and per operator. A
// record is a row of signed 32-bit integers; each column names the field at
// the same position. The first field (the scale) is never read from the
// scale: the export line writes the scale's configured name in its place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records/field_def.h"

namespace tolvan {

struct PluTotals {
  int32_t scale;     // "ScaleIdx"
  int32_t pluNo;     // "PluNo"
  int32_t quantity;  // "Quantity"
  int32_t weight;    // "Weight"
  int32_t price;     // "Price"
};
static_assert(sizeof(PluTotals) == 20);
static_assert(offsetof(PluTotals, price) == 16);

struct HourlyTotals {
  int32_t scale;     // "ScaleIdx"
  int32_t hour;      // "Hour"
  int32_t quantity;  // "Quantity"
  int32_t weight;    // "Weight"
  int32_t price;     // "Price"
};
static_assert(sizeof(HourlyTotals) == 20);
static_assert(offsetof(HourlyTotals, price) == 16);

// The amount is read from the scale but has no column and is never exported.
struct OperatorTotals {
  int32_t scale;             // "ScaleId"
  int32_t operatorNo;        // "Operator"
  int32_t quantity;          // "Quantity"
  int32_t weight;            // "Weight"
  int32_t amount;            // no column
  int32_t discountValue;     // "DiscountValue"
  int32_t discountQuant;     // "DiscountQuant"
  int32_t upOverwriteValue;  // "UpOverwriteValu"
  int32_t upOverwriteQuant;  // "UpOverwriteQuan"
};
static_assert(sizeof(OperatorTotals) == 36);
static_assert(offsetof(OperatorTotals, discountValue) == 20);
static_assert(offsetof(OperatorTotals, upOverwriteQuant) == 32);

// Each appends its kind's columns (all FieldKind::Long, width 4) to `table`.
void buildPluTotalsColumns(FieldTable& table);
void buildHourlyTotalsColumns(FieldTable& table);
void buildOperatorTotalsColumns(FieldTable& table);

// The columns of a totals data type: PluTotals for "pluprod",
// "nextdayprod" and "rewrapprod", HourlyTotals for "hourlyprod",
// OperatorTotals for "opprod"; nothing for any other type.
void buildTotalsColumns(FieldTable& table, int dataType);

}  // namespace tolvan
