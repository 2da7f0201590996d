#include "dispatch/record_factory.h"

#include <cstring>

#include "core/record_list.h"
#include "masterdata/extra_message.h"
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
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon:
      return newExMsgRecord(dataType);
    // Each record below joins here with one allocRecord call once built:
    case DataType::PriceCng:     // price change record: not built yet
    case DataType::MkdPriceCng:  // markdown price change record: not built yet
    case DataType::Store:        // store text record: not built yet
    case DataType::Keyboard:     // keyboard layout record: not built yet
    case DataType::Nutrition:    // nutrition panel record: not built yet
      return nullptr;
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
