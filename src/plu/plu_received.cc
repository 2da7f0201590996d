#include "plu/plu_received.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/record_list.h"
#include "plu/plu_record.h"
#include "records/first_arrival.h"
#include "records/packing.h"
#include "text/block_text.h"
#include "text/message_text.h"

namespace tolvan {
namespace {

// ---- Message family: the record body of message 30, packed decimal. ----

// Body offsets of the fields that are not simply in order.
constexpr size_t kTailOffset = 75;
constexpr size_t kDescLenOffset = 80;
constexpr size_t kDescOffset = 82;

// Reads the fields of a body; a field that lies beyond the body's end reads
// as 0, so a short body keeps the fields it holds.
class BodyReader {
 public:
  explicit BodyReader(std::span<const uint8_t> body) : body_(body) {}

  int32_t bcdLong(size_t offset, int digits) const {
    int32_t value = 0;
    if (offset <= body_.size()) UnpackBcdLong(value, body_.subspan(offset), digits);
    return value;
  }
  uint16_t bcdShort(size_t offset, int digits) const {
    int16_t value = 0;
    if (offset <= body_.size()) UnpackBcdShort(value, body_.subspan(offset), digits);
    return static_cast<uint16_t>(value);
  }
  uint8_t bcdByte(size_t offset) const { return static_cast<uint8_t>(bcdShort(offset, 2)); }
  uint8_t raw(size_t offset) const { return offset < body_.size() ? body_[offset] : 0; }
  uint16_t u16le(size_t offset) const {
    if (offset > body_.size() || body_.size() - offset < 2) return 0;
    return static_cast<uint16_t>(body_[offset] | (body_[offset + 1] << 8));
  }
  std::span<const uint8_t> bytesFrom(size_t offset, size_t count) const {
    if (offset > body_.size()) return {};
    return body_.subspan(offset, std::min(count, body_.size() - offset));
  }

 private:
  std::span<const uint8_t> body_;
};

void parseMessagePrices(const BodyReader& in, PluRecord& plu) {
  plu.pluNo = in.bcdLong(0, 8);
  plu.salesMode = in.bcdByte(4);
  plu.unitPrice = in.bcdLong(5, 8);
  plu.markFlag = in.raw(9);
  plu.markPrice = in.bcdLong(10, 6);
  plu.weight = in.bcdLong(13, 6);
  plu.packQuant = in.bcdShort(16, 2);
  plu.tare = in.bcdShort(17, 4);
  plu.dateFlag = in.raw(19);
  plu.shelfLife = in.bcdShort(20, 4);
  plu.bestBeforeFlag = in.raw(22);
  plu.bestBefore = in.bcdShort(23, 4);
  plu.timeFlag = in.raw(25);
  plu.packTime = in.bcdShort(26, 4);
  plu.expTimeFlag = in.raw(28);
  plu.expTime = in.bcdShort(29, 4);
  // The whole item code field; department and group are not split out.
  plu.itemCode = in.bcdLong(31, 8);
}

void parseMessageCodes(const BodyReader& in, std::span<const uint8_t> body, PluRecord& plu) {
  plu.posSelect = in.raw(35);
  if (body.size() >= 36) UnpackBcdText(std::span<char>(plu.posCode), body.subspan(36), 10);
  plu.posFlag = in.bcdShort(41, 2);
  plu.barCodeNum = in.bcdByte(42);
  plu.openPrice = in.raw(43);
  plu.message7 = in.bcdLong(44, 8);
  plu.exMessage2 = in.bcdLong(48, 8);
  plu.exMessage3 = in.bcdLong(52, 8);
  plu.coupon = in.bcdLong(56, 8);
  plu.logo1 = in.bcdShort(60, 2);
  plu.logo2 = in.bcdShort(61, 2);
  plu.labelFormat = in.bcdShort(62, 2);
  plu.nutritionId = in.bcdLong(63, 8);
  plu.propTare = in.bcdShort(67, 4);
  plu.upperLimit = in.bcdLong(69, 6);
  plu.lowerLimit = in.bcdLong(72, 6);
}

void parseCountryTail(const ScaleEntry& scale, const BodyReader& in, PluRecord& plu) {
  switch (scale.version) {
    case kVersionThailand:
    case kVersionHongKong:
    case kVersionPhilippines:
    case kVersionSouthAfrica:
      plu.unit = in.bcdByte(kTailOffset);
      break;
    case kVersionChina:
      plu.message1 = in.bcdShort(kTailOffset, 2);
      break;
    case kVersionTaiwan:
      plu.unit = in.bcdByte(kTailOffset);
      plu.message1 = in.bcdShort(kTailOffset + 1, 2);
      break;
    default:
      break;
  }
}

size_t descriptionLimit(const ScaleEntry& scale) {
  if (scale.maxPluDescLen <= 0) return 0;
  return std::min(static_cast<size_t>(scale.maxPluDescLen), kPluDescSize - 1);
}

void parseMessageBody(const ScaleEntry& scale, std::span<const uint8_t> body, PluRecord& plu) {
  BodyReader in(body);
  parseMessagePrices(in, plu);
  parseMessageCodes(in, body, plu);
  parseCountryTail(scale, in, plu);
  // A body cut short keeps the description bytes it holds.
  std::span<const uint8_t> text = in.bytesFrom(kDescOffset, in.u16le(kDescLenOffset));
  DecodeMessageText(scale, std::span<char>(plu.desc, descriptionLimit(scale) + 1), text);
}

// ---- Block family: the ASCII record text, fields at fixed positions. ----

// Characters `first` to `last` of the text read as a signed decimal number
// (leading blanks and a sign allowed, stopping at the first non-digit).
// Nothing when they hold no number; characters past the text's end are
// absent, as if the text ended in a NUL there.
class TextReader {
 public:
  explicit TextReader(std::span<const uint8_t> text) : text_(text) {}

  std::optional<int64_t> number(size_t first, size_t last) const {
    size_t end = std::min(last + 1, text_.size());
    size_t i = first;
    while (i < end && isBlank(text_[i])) ++i;
    bool negative = false;
    if (i < end && (text_[i] == '+' || text_[i] == '-')) negative = text_[i++] == '-';
    if (i >= end || !isDigit(text_[i])) return std::nullopt;
    int64_t value = 0;
    for (; i < end && isDigit(text_[i]); ++i) value = value * 10 + (text_[i] - '0');
    return negative ? -value : value;
  }
  void setLong(int32_t& field, size_t first, size_t last) const {
    if (auto v = number(first, last)) field = static_cast<int32_t>(*v);
  }
  void setShort(uint16_t& field, size_t first, size_t last) const {
    if (auto v = number(first, last)) field = static_cast<uint16_t>(*v);
  }
  void setByte(uint8_t& field, size_t first, size_t last) const {
    if (auto v = number(first, last)) field = static_cast<uint8_t>(*v);
  }
  void copyText(char* out, size_t first, size_t count) const {
    for (size_t k = 0; k < count && first + k < text_.size() && text_[first + k] != 0; ++k) out[k] = char(text_[first + k]);
  }
  std::span<const uint8_t> from(size_t first) const {
    return first < text_.size() ? text_.subspan(first) : std::span<const uint8_t>();
  }

 private:
  static bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
  static bool isBlank(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
  std::span<const uint8_t> text_;
};

// Where the message group puts its fields. Below 100 extra messages take
// two digits, up to 9999 four; from 10000 the scale sends the six-digit
// extra message in place of extra message 7, coupon and nutrition number,
// and everything after it stays where the two-digit layout has it.
struct BlockLayout {
  size_t shift = 0;       // added to the positions after the message group
  bool wideMessage = false;
};

BlockLayout blockLayout(const ScaleEntry& scale) {
  if (scale.maxExMsg < 100) return {0, false};
  if (scale.maxExMsg < 10000) return {2, false};
  return {0, true};
}

void parseMessageGroup(const ScaleEntry& scale, const TextReader& in, BlockLayout layout, PluRecord& plu) {
  size_t m = layout.shift;
  in.setByte(plu.forcedTare, 110 + m, 111 + m);
  in.setByte(plu.barCodeNum, 108 + m, 109 + m);
  in.setByte(plu.openPrice, 106 + m, 107 + m);
  in.setShort(plu.taxNo, 104 + m, 105 + m);
  if (scale.version == kVersionPhilippines) {
    in.setLong(plu.message7, 98, 101 + m);
    return;
  }
  if (layout.wideMessage) {
    in.setLong(plu.message7, 98, 103);
    return;
  }
  in.setShort(plu.nutrition, 102 + m, 103 + m);
  in.setLong(plu.coupon, 100 + m, 101 + m);
  in.setLong(plu.message7, 98, 99 + m);
}

void parseBlockFixedPart(const ScaleEntry& scale, const TextReader& in, PluRecord& plu) {
  in.setShort(plu.message1, 96, 97);
  in.setLong(plu.itemCode, 88, 95);
  in.setLong(plu.regCode, 84, 87);
  in.copyText(plu.posCode, 74, kPluPosCodeLen);
  in.setShort(plu.posFlag, 72, 73);
  in.setByte(plu.posSelect, 70, 71);
  in.setShort(plu.expTime, 66, 69);
  in.setByte(plu.expTimeFlag, 64, 65);
  in.setByte(plu.timeFlag, 62, 63);
  in.setShort(plu.shelfLife, 54, 57);
  in.setByte(plu.dateFlag, 52, 53);
  in.setShort(plu.tare, 48, 51);
  in.setLong(plu.markPrice, 42, 47);
  in.setByte(plu.markFlag, 40, 41);
  in.setLong(plu.costPrice, 34, 39);
  if (scale.version == kVersionPhilippines) {
    in.setByte(plu.unit, 30, 30);
  } else {
    in.setShort(plu.packQuant, 30, 33);
  }
  in.setLong(plu.weight, 24, 29);
  in.setByte(plu.salesMode, 8, 9);
  // Outside "usa" a sales-mode-1 item's price is the second price field.
  if (scale.version != kVersionUsa && plu.salesMode == 1) {
    in.setLong(plu.unitPrice, 16, 23);
  } else {
    in.setLong(plu.unitPrice, 10, 15);
  }
}

// False when the PLU number does not read or is 0 (the record stays zero).
bool parseBlockText(const ScaleEntry& scale, std::span<const uint8_t> text, PluRecord& plu) {
  // Every version but "usa" has the two extra record code characters.
  if (scale.version != kVersionUsa) text = text.size() >= 2 ? text.subspan(2) : std::span<const uint8_t>();
  TextReader in(text);
  std::optional<int64_t> pluNo = in.number(2, 7);
  if (!pluNo || *pluNo == 0) return false;
  plu.pluNo = static_cast<int32_t>(*pluNo);
  BlockLayout layout = blockLayout(scale);
  DecodeBlockText(scale, std::span<char>(plu.desc), in.from(118 + layout.shift));
  parseMessageGroup(scale, in, layout, plu);
  parseBlockFixedPart(scale, in, plu);
  return true;
}

}  // namespace

void* parseReceivedPlu(const ScaleEntry& scale, std::span<const uint8_t> data) {
  const bool message = ScaleIsMessageFamily(scale);
  if (!message && !isBlockModel(scale.model)) return nullptr;
  PluRecord* plu = allocRecord<PluRecord>();
  if (plu == nullptr) return nullptr;
  if (message) {
    parseMessageBody(scale, data, *plu);
  } else if (!parseBlockText(scale, data, *plu)) {
    // A rejected block record is still kept, as the all-zero record.
    std::memset(static_cast<void*>(plu), 0, sizeof *plu);
  }
  return plu;
}

bool handleReceivedPlu(ScaleEntry& scale, std::span<const uint8_t> data) {
  void* plu = parseReceivedPlu(scale, data);
  if (plu == nullptr) return false;
  keepFirstArrival(scale, plu, sizeof(PluRecord));
  return true;
}

}  // namespace tolvan
