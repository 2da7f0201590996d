#include "masterdata/extra_message_received.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "core/record_list.h"
#include "masterdata/extra_message.h"
#include "masterdata/extra_message_encoding.h"
#include "records/data_types.h"
#include "records/first_arrival.h"
#include "records/packing.h"
#include "text/block_text.h"
#include "text/message_text.h"

namespace tolvan {
namespace {

constexpr size_t kTextLenOffset = 4;
constexpr size_t kTextOffset = 6;

// [0..3] number, 8 packed digits  [4..5] text length, little-endian,
// signed  [6..] the text. A body cut short keeps what it holds.
void parseMessageBody(const ScaleEntry& scale, std::span<const uint8_t> body, ExMsgRecord& record) {
  UnpackBcdLong(record.messageNo, body, 8);
  if (body.size() < kTextOffset) return;
  const auto declared = static_cast<int16_t>(body[kTextLenOffset] | (body[kTextLenOffset + 1] << 8));
  const size_t length = std::min(static_cast<size_t>(std::max<int16_t>(declared, 0)), body.size() - kTextOffset);
  DecodeMessageText(scale, std::span<char>(record.desc), body.subspan(kTextOffset, length));
}

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool isBlank(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The field as a signed decimal: blanks, a sign, the digits up to the
// first other character; nothing when no digit follows.
std::optional<int32_t> readNumber(std::span<const uint8_t> field) {
  size_t i = 0;
  while (i < field.size() && isBlank(field[i])) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  if (i >= field.size() || !isDigit(field[i])) return std::nullopt;
  int32_t value = 0;
  for (; i < field.size() && isDigit(field[i]); ++i) value = value * 10 + (field[i] - '0');
  return negative ? -value : value;
}

// The code (2 characters on "usa" scales, 4 on others), the number (as many
// digits as "maxexmsg" needs for the first set of extra messages, 2 for the
// others), then the text.
void parseBlockText(const ScaleEntry& scale, std::span<const uint8_t> text, ExMsgRecord& record) {
  const size_t codeLen = scale.version == kVersionUsa ? 2 : 4;
  const bool firstSet = scale.dataType == static_cast<int>(DataType::ExMsg);
  const size_t digits = firstSet ? static_cast<size_t>(exMsgDigits(scale.maxExMsg)) : 2;
  const size_t start = std::min(codeLen, text.size());
  const size_t end = std::min(codeLen + digits, text.size());
  std::optional<int32_t> number = readNumber(text.subspan(start, end - start));
  if (!number || *number == 0) return;
  record.messageNo = *number;
  DecodeBlockText(scale, std::span<char>(record.desc), text.subspan(end));
}

}  // namespace

void* parseReceivedExMsg(const ScaleEntry& scale, std::span<const uint8_t> data) {
  const bool messageFamily = ScaleIsMessageFamily(scale);
  if (!messageFamily && !ScaleIsBlockFamily(scale)) return nullptr;
  ExMsgRecord* record = newExMsgRecord(scale.dataType);
  if (record == nullptr) return nullptr;
  if (messageFamily) {
    parseMessageBody(scale, data, *record);
  } else {
    parseBlockText(scale, data, *record);
  }
  return record;
}

bool handleReceivedExMsg(ScaleEntry& scale, std::span<const uint8_t> data) {
  void* record = parseReceivedExMsg(scale, data);
  if (record == nullptr) return false;
  keepFirstArrival(scale, record, sizeof(ExMsgRecord));
  return true;
}

}  // namespace tolvan
