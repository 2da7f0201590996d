#include "dispatch/record_factory.h"

#include <cstring>

#include "core/record_list.h"
#include "masterdata/extra_message.h"
#include "masterdata/keyboard_layout.h"
#include "masterdata/nutrition_panel.h"
#include "masterdata/price_change.h"
#include "masterdata/store_text.h"
#include "plu/plu_record.h"
#include "records/data_types.h"
#include "records/deletion_record.h"

namespace tolvan {

namespace {

void* newDeletion(int dataType) {
  auto* deletion = allocRecord<DeletionRecord>();
  if (deletion == nullptr) return nullptr;
  deletion->dataType = static_cast<uint16_t>(dataType);
  deletion->recNo = -1;
  return deletion;
}

void* newAddition(int dataType) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::Plu:
      return allocRecord<PluRecord>();
    case DataType::Store:
      return newStoreRecord();
    case DataType::Nutrition:
      return newNutritionRecord();
    case DataType::PriceCng:
      return newPriceChange();
    case DataType::MkdPriceCng:
      return newMkdPriceChange();
    case DataType::Keyboard:
      return newKeyboardRecord();
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon:
      return newExMsgRecord(dataType);
    default:  // types that are never imported
      return nullptr;
  }
}

}  // namespace

void* newRecord(int dataType, int mode) {
  if (mode == 2) return newDeletion(dataType);
  if (mode == 1) return newAddition(dataType);
  return nullptr;
}

int32_t recordKey(int /*dataType*/, int mode, const void* record) {
  if (record == nullptr) return 0;
  if (mode == 2) return static_cast<const DeletionRecord*>(record)->recNo;
  // Every record type starts with its number as a 32-bit field.
  int32_t key = 0;
  std::memcpy(&key, record, sizeof key);
  return key;
}

bool recordKeyIsValid(int mode, int32_t key) { return mode == 2 ? key >= 0 : key > 0; }

}  // namespace tolvan
