#include "dispatch/field_tables.h"

#include <cstddef>

#include "masterdata/extra_message.h"
#include "masterdata/keyboard_layout.h"
#include "masterdata/nutrition_panel.h"
#include "masterdata/price_change.h"
#include "masterdata/store_text.h"
#include "plu/plu_record.h"
#include "records/data_types.h"
#include "records/deletion_record.h"
#include "totals/totals_records.h"

namespace tolvan {

namespace {

// An import of deletions reads one number per line, whatever the type.
void appendRecNoColumn(FieldTable& table) {
  table.append(new FieldDef("RecNo", FieldKind::Long, 4, offsetof(DeletionRecord, recNo),
                            FieldMeaning{FieldUnit::None, 1, 99999999,
                                         "the number of the record to delete (PLU, message, store, key, panel)"}));
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
    case DataType::Store:
      buildStoreFieldTable(table);
      break;
    case DataType::Nutrition:
      buildNutritionFieldTable(table);
      break;
    case DataType::PriceCng:
      buildPriceChangeFieldTable(table);
      break;
    case DataType::MkdPriceCng:
      buildMkdPriceChangeFieldTable(table);
      break;
    case DataType::Keyboard:
      buildKeyboardFieldTable(table);
      break;
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon:
      buildExMsgFieldTable(table);
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
    case DataType::Coupon:
      buildExMsgFixedFieldTable(table);
      break;
    case DataType::PriceCng:
      buildPriceChangeFixedFieldTable(table);
      break;
    default:  // types without a fixed-width format
      break;
  }
}

}  // namespace tolvan
