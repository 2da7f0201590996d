#include "totals/totals_records.h"

#include "records/data_types.h"

namespace tolvan {
namespace {

// The scales send totals in fields of 8 digits at most (hours and
// operators in 2).
void appendLong(FieldTable& table, const char* name, size_t offset, FieldUnit unit = FieldUnit::None,
                int digits = 8) {
  table.append(new FieldDef(name, FieldKind::Long, 4, static_cast<uint32_t>(offset), digitsRange(digits, unit)));
}

// The export writes the scale's configured name in the first column.
void appendScaleName(FieldTable& table, const char* name, size_t offset) {
  table.append(
      new FieldDef(name, FieldKind::Long, 4, static_cast<uint32_t>(offset), FieldMeaning{FieldUnit::ScaleName}));
}

}  // namespace

void buildPluTotalsColumns(FieldTable& table) {
  appendScaleName(table, "ScaleIdx", offsetof(PluTotals, scale));
  appendLong(table, "PluNo", offsetof(PluTotals, pluNo));
  appendLong(table, "Quantity", offsetof(PluTotals, quantity));
  appendLong(table, "Weight", offsetof(PluTotals, weight), FieldUnit::Weight);
  appendLong(table, "Price", offsetof(PluTotals, price), FieldUnit::Price);
}

void buildHourlyTotalsColumns(FieldTable& table) {
  appendScaleName(table, "ScaleIdx", offsetof(HourlyTotals, scale));
  appendLong(table, "Hour", offsetof(HourlyTotals, hour), FieldUnit::None, 2);
  appendLong(table, "Quantity", offsetof(HourlyTotals, quantity));
  appendLong(table, "Weight", offsetof(HourlyTotals, weight), FieldUnit::Weight);
  appendLong(table, "Price", offsetof(HourlyTotals, price), FieldUnit::Price);
}

void buildOperatorTotalsColumns(FieldTable& table) {
  appendScaleName(table, "ScaleId", offsetof(OperatorTotals, scale));
  appendLong(table, "Operator", offsetof(OperatorTotals, operatorNo), FieldUnit::None, 2);
  appendLong(table, "Quantity", offsetof(OperatorTotals, quantity));
  appendLong(table, "Weight", offsetof(OperatorTotals, weight), FieldUnit::Weight);
  appendLong(table, "DiscountValue", offsetof(OperatorTotals, discountValue), FieldUnit::Price);
  appendLong(table, "DiscountQuant", offsetof(OperatorTotals, discountQuant));
  // A column name keeps 15 characters, so these two read "UpOverwriteValu"
  // and "UpOverwriteQuan" in the export header.
  appendLong(table, "UpOverwriteValue", offsetof(OperatorTotals, upOverwriteValue), FieldUnit::Price);
  appendLong(table, "UpOverwriteQuant", offsetof(OperatorTotals, upOverwriteQuant));
}

void buildTotalsColumns(FieldTable& table, int dataType) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::PluProd:
    case DataType::NextDayProd:
    case DataType::RewrapProd: buildPluTotalsColumns(table); break;
    case DataType::HourlyProd: buildHourlyTotalsColumns(table); break;
    case DataType::OpProd: buildOperatorTotalsColumns(table); break;
    default: break;
  }
}

}  // namespace tolvan
