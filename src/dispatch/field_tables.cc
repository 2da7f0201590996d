#include "dispatch/field_tables.h"

#include <cstddef>

#include "plu/plu_record.h"
#include "records/data_types.h"
#include "records/deletion_record.h"
#include "totals/totals_records.h"

namespace tolvan {

namespace {

// An import of deletions reads one number per line, whatever the type.
void appendRecNoColumn(FieldTable& table) {
  table.append(new FieldDef("RecNo", FieldKind::Long, 4, offsetof(DeletionRecord, recNo)));
}

}  // namespace

void buildFieldTable(FieldTable& table, int dataType, int mode) {
  if (mode == 2) {
    appendRecNoColumn(table);
    return;
  }
  switch (static_cast<DataType>(dataType)) {
    case DataType::Plu:
      buildPluFieldTable(table);
      break;
    // The column lists of the other types join here, one call each, as
    // their records are built:
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon:   // extra message columns: not built yet
    case DataType::PriceCng:     // price change columns: not built yet
    case DataType::MkdPriceCng:  // markdown price change columns: not built yet
    case DataType::Store:        // store text columns: not built yet
    case DataType::Keyboard:     // keyboard layout columns: not built yet
    case DataType::Nutrition:    // nutrition panel columns: not built yet
      break;
    case DataType::PluProd:
    case DataType::NextDayProd:
    case DataType::RewrapProd:
      buildPluTotalsColumns(table);
      break;
    case DataType::HourlyProd:
      buildHourlyTotalsColumns(table);
      break;
    case DataType::OpProd:
      buildOperatorTotalsColumns(table);
      break;
    default:  // types without columns
      break;
  }
}

void buildFixedFieldTable(FieldTable& table, int dataType, int mode, int maxExMsg) {
  if (mode == 2) return;
  switch (static_cast<DataType>(dataType)) {
    case DataType::Plu:
      buildPluFixedFieldTable(table, maxExMsg);
      break;
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon:    // extra message fixed-width columns: not built yet
    case DataType::PriceCng:  // price change fixed-width columns: not built yet
      break;
    default:  // types without a fixed-width format
      break;
  }
}

}  // namespace tolvan
