#include "dispatch/record_factory.h"

#include <cstring>

#include "masterdata/extra_message.h"
#include "records/data_types.h"
#include "records/deletion_record.h"

namespace tolvan {

namespace {

void* startDeletion(int dataType, void* blank) {
  auto* deletion = static_cast<DeletionRecord*>(blank);
  deletion->dataType = static_cast<uint16_t>(dataType);
  deletion->recNo = -1;
  return deletion;
}

void* startAddition(int dataType, void* blank) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::Plu:
    case DataType::Store:
    case DataType::Nutrition:
    case DataType::PriceCng:
    case DataType::MkdPriceCng:
    case DataType::Keyboard:
      return blank;
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon:
      static_cast<ExMsgRecord*>(blank)->dataType = static_cast<uint16_t>(dataType);
      return blank;
    default:  // types that are never imported
      return nullptr;
  }
}

}  // namespace

void* startRecord(int dataType, int mode, void* blank) {
  if (blank == nullptr) return nullptr;
  if (mode == 2) return startDeletion(dataType, blank);
  if (mode == 1) return startAddition(dataType, blank);
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
