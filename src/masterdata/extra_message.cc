#include "masterdata/extra_message.h"

#include "core/record_list.h"
#include "records/data_types.h"

namespace tolvan {
namespace {

constexpr uint32_t kMessageNoPos = 0;
constexpr uint32_t kMessageNoLen = 4;
constexpr uint32_t kDescPos = 48;

FieldDef* messageNoColumn(uint32_t pos, uint32_t len) {
  return new FieldDef("Message_No", FieldKind::Long, 4, offsetof(ExMsgRecord, messageNo), pos, len,
                      digitsRange(2, FieldUnit::None, 1,
                                  "block-family scales with maxexmsg 100 or more take 4 digits, 10000 or more 6"));
}

FieldDef* descColumn(uint32_t pos, uint32_t len) {
  return new FieldDef("Desc", FieldKind::Description, kMaxDescLen, offsetof(ExMsgRecord, desc), pos, len,
                      FieldMeaning{FieldUnit::None, 0, -1,
                                   "scales get at most 1028 bytes (coupons on message-family scales 510)"});
}

}  // namespace

ExMsgRecord* newExMsgRecord(int dataType) {
  if (!isExMsgType(dataType)) return nullptr;
  ExMsgRecord* record = allocRecord<ExMsgRecord>();
  if (record != nullptr) record->dataType = static_cast<uint16_t>(dataType);
  return record;
}

void buildExMsgFieldTable(FieldTable& table) {
  table.append(messageNoColumn(0, 0));
  table.append(descColumn(0, 0));
}

void buildExMsgFixedFieldTable(FieldTable& table) {
  table.append(messageNoColumn(kMessageNoPos, kMessageNoLen));
  table.append(descColumn(kDescPos, 0));
}

}  // namespace tolvan
