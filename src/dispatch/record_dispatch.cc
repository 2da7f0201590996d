#include "dispatch/record_dispatch.h"

#include <array>

#include "core/driver_options.h"

#include "masterdata/extra_message.h"
#include "masterdata/extra_message_encoding.h"
#include "masterdata/extra_message_received.h"
#include "masterdata/keyboard_layout.h"
#include "masterdata/nutrition_panel_encoding.h"
#include "masterdata/nutrition_panel_received.h"
#include "masterdata/price_change.h"
#include "masterdata/store_text_encoding.h"
#include "masterdata/store_text_received.h"
#include "plu/plu_encoding.h"
#include "plu/plu_received.h"
#include "records/data_types.h"
#include "records/deletion_record.h"
#include "records/message_record.h"
#include "totals/totals_received.h"
#include "totals/totals_requests.h"

namespace tolvan {

namespace {

// Production totals: clear records in the deletion modes (the deletion
// record's number is not read), requests and received lines in a receive.
bool convertPluTotalsClear(const ScaleEntry& scale, const void*, int& code, std::span<uint8_t> buffer, int& length,
                           ScaleFieldList*) {
  return buildTotalsClear(scale, scale.dataType, code, buffer, length);
}
bool convertHourlyTotalsClear(const ScaleEntry& scale, const void*, int& code, std::span<uint8_t> buffer,
                              int& length, ScaleFieldList*) {
  return buildTotalsClear(scale, static_cast<int>(DataType::HourlyProd), code, buffer, length);
}
bool convertOperatorTotalsClear(const ScaleEntry& scale, const void*, int& code, std::span<uint8_t> buffer,
                                int& length, ScaleFieldList*) {
  return buildTotalsClear(scale, static_cast<int>(DataType::OpProd), code, buffer, length);
}
bool convertProdTotalsClear(const ScaleEntry& scale, const void*, int& code, std::span<uint8_t> buffer,
                            int& length, ScaleFieldList*) {
  return buildTotalsClear(scale, static_cast<int>(DataType::Prod), code, buffer, length);
}

using ConvertFn = bool (*)(const ScaleEntry&, const void*, int&, std::span<uint8_t>, int&, ScaleFieldList*);

bool convertPluRecord(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                      int& length, ScaleFieldList* trace) {
  return convertPlu(scale, 1, record, code, buffer, length, trace);
}

bool convertPluDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                        int& length, ScaleFieldList* trace) {
  return convertPlu(scale, 2, record, code, buffer, length, trace);
}

// The four extra message types share one record, which carries its type.
bool convertExMsgRecord(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                        int& length, ScaleFieldList* trace) {
  const int dataType = static_cast<const ExMsgRecord*>(record)->dataType;
  return convertExMsg(scale, dataType, record, code, buffer, length, trace);
}

bool convertExMsgRecordDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                                int& length, ScaleFieldList* trace) {
  const int dataType = static_cast<const DeletionRecord*>(record)->dataType;
  return convertExMsgDeletion(scale, dataType, record, code, buffer, length, trace);
}

ConvertFn converterOf(ConvertOp op) {
  switch (op) {
    case ConvertOp::Plu: return convertPluRecord;
    case ConvertOp::PluDeletion: return convertPluDeletion;
    case ConvertOp::ExMsg: return convertExMsgRecord;
    case ConvertOp::ExMsgDeletion: return convertExMsgRecordDeletion;
    case ConvertOp::PriceCng: return convertPriceChange;
    case ConvertOp::MkdPriceCng: return convertMkdPriceChange;
    case ConvertOp::Store: return convertStore;
    case ConvertOp::StoreDeletion: return convertStoreDeletion;
    case ConvertOp::Keyboard: return convertKeyboard;
    case ConvertOp::KeyboardDeletion: return convertKeyboardDeletion;
    case ConvertOp::Nutrition: return convertNutrition;
    case ConvertOp::NutritionDeletion: return convertNutritionDeletion;
    case ConvertOp::PluTotalsClear: return convertPluTotalsClear;
    case ConvertOp::HourlyTotalsClear: return convertHourlyTotalsClear;
    case ConvertOp::OperatorTotalsClear: return convertOperatorTotalsClear;
    case ConvertOp::ProdTotalsClear: return convertProdTotalsClear;
    case ConvertOp::UnknownType:
    case ConvertOp::NotSupported: break;
  }
  return nullptr;
}

// A type whose records are sent both ways: the record or its deletion.
ConvertOp eitherWay(bool deletion, ConvertOp record, ConvertOp removal) { return deletion ? removal : record; }

}  // namespace

ConvertOp convertOpFor(int dataType, int mode) {
  if (!isRunType(dataType)) return ConvertOp::UnknownType;
  const bool deletion = mode == 2;
  switch (static_cast<DataType>(dataType)) {
    case DataType::Plu: return eitherWay(deletion, ConvertOp::Plu, ConvertOp::PluDeletion);
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon: return eitherWay(deletion, ConvertOp::ExMsg, ConvertOp::ExMsgDeletion);
    case DataType::PriceCng: return eitherWay(deletion, ConvertOp::PriceCng, ConvertOp::NotSupported);
    case DataType::MkdPriceCng: return eitherWay(deletion, ConvertOp::MkdPriceCng, ConvertOp::NotSupported);
    case DataType::Store: return eitherWay(deletion, ConvertOp::Store, ConvertOp::StoreDeletion);
    case DataType::Keyboard: return eitherWay(deletion, ConvertOp::Keyboard, ConvertOp::KeyboardDeletion);
    case DataType::Nutrition: return eitherWay(deletion, ConvertOp::Nutrition, ConvertOp::NutritionDeletion);
    // Totals are only ever cleared, through the deletion path.
    case DataType::PluProd:
    case DataType::NextDayProd:
    case DataType::RewrapProd: return eitherWay(deletion, ConvertOp::NotSupported, ConvertOp::PluTotalsClear);
    case DataType::HourlyProd: return eitherWay(deletion, ConvertOp::NotSupported, ConvertOp::HourlyTotalsClear);
    case DataType::OpProd: return eitherWay(deletion, ConvertOp::NotSupported, ConvertOp::OperatorTotalsClear);
    case DataType::Prod: return eitherWay(deletion, ConvertOp::NotSupported, ConvertOp::ProdTotalsClear);
    default: return ConvertOp::UnknownType;
  }
}

UploadOp uploadOpFor(int dataType) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::Plu: return UploadOp::Plu;
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon: return UploadOp::ExMsg;
    case DataType::Store: return UploadOp::Store;
    case DataType::Keyboard: return UploadOp::Keyboard;
    case DataType::Nutrition: return UploadOp::Nutrition;
    case DataType::PluProd: return UploadOp::PluTotals;
    case DataType::HourlyProd: return UploadOp::HourlyTotals;
    case DataType::OpProd: return UploadOp::OperatorTotals;
    default: return UploadOp::None;  // "nextdayprod", "rewrapprod": no model answers a request
  }
}

ReceiveOp receiveOpFor(int dataType) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::Plu: return ReceiveOp::Plu;
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon: return ReceiveOp::ExMsg;
    case DataType::Store: return ReceiveOp::Store;
    case DataType::Keyboard: return ReceiveOp::Keyboard;
    case DataType::Nutrition: return ReceiveOp::Nutrition;
    case DataType::PluProd: return ReceiveOp::PluTotals;
    case DataType::HourlyProd: return ReceiveOp::HourlyTotals;
    case DataType::OpProd: return ReceiveOp::OperatorTotals;
    default: return ReceiveOp::None;
  }
}

bool convertRecord(const ScaleEntry& scale, int dataType, int mode, const void* record, int& code,
                   std::span<uint8_t> buffer, int& length, ScaleFieldList* trace) {
  const ConvertOp op = convertOpFor(dataType, mode);
  if (op == ConvertOp::UnknownType) {
    length = 0;
    return false;
  }
  const ConvertFn convert = converterOf(op);
  if (convert == nullptr || record == nullptr) return false;
  return convert(scale, record, code, buffer, length, trace);
}

bool buildUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length) {
  switch (uploadOpFor(scale.dataType)) {
    case UploadOp::Plu: return buildPluUploadRequest(scale, code, buffer, length);
    case UploadOp::ExMsg: return buildExMsgUploadRequest(scale, code, buffer, length);
    case UploadOp::Store: return buildStoreUploadRequest(scale, code, buffer, length);
    case UploadOp::Keyboard: return buildKeyboardUploadRequest(scale, code, buffer, length);
    case UploadOp::Nutrition: return buildNutritionUploadRequest(scale, code, buffer, length);
    case UploadOp::PluTotals:
    case UploadOp::HourlyTotals:
    case UploadOp::OperatorTotals: return buildTotalsRequest(scale, scale.dataType, code, buffer, length);
    case UploadOp::None: break;
  }
  return false;
}

RecordBlock parseReceivedRecord(const ScaleEntry& scale, std::span<const uint8_t> data) {
  switch (receiveOpFor(scale.dataType)) {
    case ReceiveOp::Plu: return RecordBlock(parseReceivedPlu(scale, data));
    case ReceiveOp::ExMsg: return RecordBlock(parseReceivedExMsg(scale, data));
    case ReceiveOp::Store: return RecordBlock(parseReceivedStore(scale, data));
    case ReceiveOp::Keyboard: return RecordBlock(parseReceivedKeyboard(scale, data));
    case ReceiveOp::Nutrition: return RecordBlock(parseReceivedNutrition(scale, data));
    default: return nullptr;
  }
}

RecordBlock asScaleHoldsIt(const ScaleEntry& scale, const void* record) {
  std::array<uint8_t, kMaxConvertedLen> bytes{};
  int code = 0;
  int length = 0;
  if (!convertRecord(scale, scale.dataType, kModeAdd, record, code, bytes, length)) return nullptr;
  // A message-family scale hands back the body without its record header.
  const size_t header = ScaleIsMessageFamily(scale) ? kMessageRecordHeaderLen : 0;
  if (length < 0 || static_cast<size_t>(length) < header || static_cast<size_t>(length) > bytes.size()) return nullptr;
  return parseReceivedRecord(scale, std::span<const uint8_t>(bytes).subspan(header, length - header));
}

bool handleReceivedRecord(ScaleEntry& scale, std::span<const uint8_t> data) {
  switch (receiveOpFor(scale.dataType)) {
    case ReceiveOp::Plu: return handleReceivedPlu(scale, data);
    case ReceiveOp::ExMsg: return handleReceivedExMsg(scale, data);
    case ReceiveOp::Store: return handleReceivedStore(scale, data);
    case ReceiveOp::Keyboard: return handleReceivedKeyboard(scale, data);
    case ReceiveOp::Nutrition: return handleReceivedNutrition(scale, data);
    case ReceiveOp::PluTotals:
    case ReceiveOp::HourlyTotals:
    case ReceiveOp::OperatorTotals: return handleReceivedTotals(scale, data);
    case ReceiveOp::None: break;
  }
  return false;
}

}  // namespace tolvan
