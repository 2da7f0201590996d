#include "totals/totals_records.h"

#include "records/data_types.h"

namespace tolvan {
namespace {

void appendLong(FieldTable& table, const char* name, size_t offset) {
  table.append(new FieldDef(name, FieldKind::Long, 4, static_cast<uint32_t>(offset)));
}

}  // namespace

void buildPluTotalsColumns(FieldTable& table) {
  appendLong(table, "ScaleIdx", offsetof(PluTotals, scale));
  appendLong(table, "PluNo", offsetof(PluTotals, pluNo));
  appendLong(table, "Quantity", offsetof(PluTotals, quantity));
  appendLong(table, "Weight", offsetof(PluTotals, weight));
  appendLong(table, "Price", offsetof(PluTotals, price));
}

void buildHourlyTotalsColumns(FieldTable& table) {
  appendLong(table, "ScaleIdx", offsetof(HourlyTotals, scale));
  appendLong(table, "Hour", offsetof(HourlyTotals, hour));
  appendLong(table, "Quantity", offsetof(HourlyTotals, quantity));
  appendLong(table, "Weight", offsetof(HourlyTotals, weight));
  appendLong(table, "Price", offsetof(HourlyTotals, price));
}

void buildOperatorTotalsColumns(FieldTable& table) {
  appendLong(table, "ScaleId", offsetof(OperatorTotals, scale));
  appendLong(table, "Operator", offsetof(OperatorTotals, operatorNo));
  appendLong(table, "Quantity", offsetof(OperatorTotals, quantity));
  appendLong(table, "Weight", offsetof(OperatorTotals, weight));
  appendLong(table, "DiscountValue", offsetof(OperatorTotals, discountValue));
  appendLong(table, "DiscountQuant", offsetof(OperatorTotals, discountQuant));
  // A column name keeps 15 characters, so these two read "UpOverwriteValu"
  // and "UpOverwriteQuan" in the export header.
  appendLong(table, "UpOverwriteValue", offsetof(OperatorTotals, upOverwriteValue));
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
