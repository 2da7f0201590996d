#include "masterdata/extra_message_encoding.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "masterdata/extra_message.h"
#include "records/data_types.h"
#include "records/deletion_record.h"
#include "records/message_record.h"
#include "records/packing.h"
#include "records/scale_fields.h"
#include "text/block_text.h"
#include "text/message_text.h"

namespace tolvan {
namespace {

// Message numbers of the message family, by data type 2 to 5.
constexpr int kMsgNoSendBase = 32;
constexpr int kMsgNoDeleteBase = 2;
constexpr int kMsgNoRequestBase = 52;

constexpr size_t kNumberBytes = 4;   // 8 packed digits
constexpr size_t kBodyFixedLen = 6;  // number and text length

bool isCoupon(int dataType) { return dataType == static_cast<int>(DataType::Coupon); }

int messageNumber(int base, int dataType) { return base + dataType - static_cast<int>(DataType::ExMsg); }

// Block record codes: the short ones are those of "usa" scales.
struct BlockCode {
  const char* usa;
  const char* other;
  int code;
};
constexpr BlockCode kExMsgSend{"35", "3501", 35};
constexpr BlockCode kCouponSend{"61", "6102", 61};
constexpr BlockCode kExMsgDelete{"13", "1301", 13};
constexpr BlockCode kCouponDelete{"21", "2102", 21};

const BlockCode& sendCode(int dataType) { return isCoupon(dataType) ? kCouponSend : kExMsgSend; }
const BlockCode& deleteCode(int dataType) { return isCoupon(dataType) ? kCouponDelete : kExMsgDelete; }

const char* codeText(const ScaleEntry& scale, const BlockCode& code) {
  return scale.version == kVersionUsa ? code.usa : code.other;
}

// The record's description with a NUL for sure, whatever the record held.
struct DescriptionText {
  explicit DescriptionText(const ExMsgRecord& record) {
    std::memcpy(text.data(), record.desc, text.size() - 1);
    text.back() = '\0';
  }
  std::array<char, kExMsgDescSize> text{};
};

// The code and the number, zero-padded to the scale's digits, and a NUL.
// False when the number is negative or has more digits, since the scale
// would read the text behind it as part of the number.
bool putCodeAndNumber(const ScaleEntry& scale, const BlockCode& code, int32_t number, std::span<uint8_t> buffer,
                      int& length) {
  const int digits = exMsgDigits(scale.maxExMsg);
  int32_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  if (number < 0 || number >= limit) return false;
  char text[16];
  int n = std::snprintf(text, sizeof text, "%s%0*d", codeText(scale, code), digits, static_cast<int>(number));
  if (n < 0 || buffer.size() < static_cast<size_t>(n) + 1) return false;
  std::memcpy(buffer.data(), text, static_cast<size_t>(n) + 1);
  length = n;
  return true;
}

// Code, number, then the converted text of at most 1028 bytes and a NUL.
bool convertBlockExMsg(const ScaleEntry& scale, int dataType, const ExMsgRecord& record, int& code,
                       std::span<uint8_t> buffer, int& length) {
  int head = 0;
  if (!putCodeAndNumber(scale, sendCode(dataType), record.messageNo, buffer, head)) return false;
  std::span<uint8_t> rest = buffer.subspan(static_cast<size_t>(head));
  DescriptionText desc(record);
  size_t n = EncodeBlockText(scale, rest.first(std::min(rest.size(), kExMsgTextLimit + 1)), desc.text.data());
  rest[n] = 0;
  code = sendCode(dataType).code;
  length = head + static_cast<int>(n);
  return true;
}

// MessageRecordHeader (message 32 to 35, body length), then the body:
// [0..3] message number, 8 packed digits  [4..5] text length n,
// little-endian  [6..] the converted text (at most 1028 bytes, 510 for
// coupons).
bool convertMessageExMsg(const ScaleEntry& scale, int dataType, const ExMsgRecord& record, int& code,
                         std::span<uint8_t> buffer, int& length, ScaleFieldList* trace) {
  const size_t fixedLen = kMessageRecordHeaderLen + kBodyFixedLen;
  if (buffer.size() < fixedLen) return false;
  std::span<uint8_t> body = buffer.subspan(kMessageRecordHeaderLen);
  PackBcdField(body.first(kNumberBytes), static_cast<uint32_t>(record.messageNo), 8, trace,
               offsetof(ExMsgRecord, messageNo));
  const size_t limit = isCoupon(dataType) ? kCouponMessageTextLimit : kExMsgTextLimit;
  std::span<uint8_t> text = body.subspan(kBodyFixedLen);
  DescriptionText desc(record);
  size_t n = EncodeMessageText(scale, text.first(std::min(text.size(), limit)), desc.text.data());
  body[4] = static_cast<uint8_t>(n);
  body[5] = static_cast<uint8_t>(n >> 8);
  const int number = messageNumber(kMsgNoSendBase, dataType);
  MakeRecordHeader(buffer, number, static_cast<uint16_t>(kBodyFixedLen + n));
  code = number;
  length = static_cast<int>(fixedLen + n);
  return true;
}

}  // namespace

int exMsgDigits(int maxExMsg) {
  if (maxExMsg < 100) return 2;
  return maxExMsg <= 9999 ? 4 : 6;
}

bool convertExMsg(const ScaleEntry& scale, int dataType, const void* record, int& code, std::span<uint8_t> buffer,
                  int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr || !isExMsgType(dataType)) return false;
  const auto& message = *static_cast<const ExMsgRecord*>(record);
  if (ScaleIsMessageFamily(scale)) return convertMessageExMsg(scale, dataType, message, code, buffer, length, trace);
  if (ScaleIsBlockFamily(scale)) return convertBlockExMsg(scale, dataType, message, code, buffer, length);
  return false;
}

bool convertExMsgDeletion(const ScaleEntry& scale, int dataType, const void* record, int& code,
                          std::span<uint8_t> buffer, int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr || !isExMsgType(dataType)) return false;
  DeletionRecord deletion{};
  std::memcpy(&deletion, record, sizeof deletion);
  if (ScaleIsMessageFamily(scale)) {
    // The bare number, without a record header.
    if (buffer.size() < kNumberBytes) return false;
    PackBcdField(buffer.first(kNumberBytes), static_cast<uint32_t>(deletion.recNo), 8, trace,
                 offsetof(DeletionRecord, recNo));
    code = messageNumber(kMsgNoDeleteBase, dataType);
    length = static_cast<int>(kNumberBytes);
    return true;
  }
  if (!ScaleIsBlockFamily(scale)) return false;
  if (!putCodeAndNumber(scale, deleteCode(dataType), deletion.recNo, buffer, length)) return false;
  code = deleteCode(dataType).code;
  return true;
}

bool buildExMsgUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length) {
  length = 0;
  if (!isExMsgType(scale.dataType)) return false;
  if (ScaleIsMessageFamily(scale)) {
    if (buffer.size() < kNumberBytes) return false;
    PackBcd(buffer.first(kNumberBytes), 0, 8);
    code = messageNumber(kMsgNoRequestBase, scale.dataType);
    length = static_cast<int>(kNumberBytes);
    return true;
  }
  if (!ScaleIsBlockFamily(scale)) return false;
  const bool usa = scale.version == kVersionUsa;
  char text[16];
  if (isCoupon(scale.dataType)) {
    std::snprintf(text, sizeof text, "%s", usa ? "5200" : "520200");
  } else {
    std::snprintf(text, sizeof text, "%s%0*d", usa ? "51" : "5102", exMsgDigits(scale.maxExMsg), 0);
  }
  const size_t n = std::strlen(text);
  if (buffer.size() < n + 1) return false;
  std::memcpy(buffer.data(), text, n + 1);
  length = static_cast<int>(n);
  return true;
}

}  // namespace tolvan
