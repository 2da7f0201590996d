#include "plu/plu_encoding.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/record_list.h"
#include "plu/plu_record.h"
#include "records/deletion_record.h"
#include "records/field_format.h"
#include "records/message_record.h"
#include "records/packing.h"
#include "records/scale_fields.h"
#include "text/block_text.h"
#include "text/message_text.h"

namespace tolvan {
namespace {

constexpr int kMsgNoPlu = 30;
constexpr int kMsgNoPluDeletion = 0;
constexpr int kMsgNoPluRequest = 50;
constexpr int kBlockCodePlu = 65;
constexpr int kBlockCodeDeletion = 10;
constexpr int kModePluDeletion = 2;

// Message-family body: 82 fixed bytes, then the description.
constexpr size_t kPluBodyFixedLen = 82;
constexpr size_t kPluTailOffset = 75;
constexpr size_t kPluDescLenOffset = 80;
// The longest block-family fixed part: 120 characters and a 2-character
// wider message group.
constexpr size_t kBlockFixedMax = 122;

// The scales read 8-bit and 16-bit record fields as signed numbers.
int s8(uint8_t v) { return static_cast<int8_t>(v); }
int s16(uint16_t v) { return static_cast<int16_t>(v); }
uint16_t bits16(int v) { return static_cast<uint16_t>(v); }

// The record's number as the scales read it: 8-bit and 16-bit fields are
// signed.
long scaleValue(int32_t v) { return v; }
int scaleValue(uint16_t v) { return s16(v); }
int scaleValue(uint8_t v) { return s8(v); }

// Where `field` (a member of `plu`) sits in the record.
template <class Field>
uint32_t fieldOffset(const PluRecord& plu, const Field& field) {
  return static_cast<uint32_t>(reinterpret_cast<const char*>(&field) - reinterpret_cast<const char*>(&plu));
}

// The combined item code travels under the ItemCode column's offset.
constexpr uint32_t kItemCodeOffset = offsetof(PluRecord, itemCode);

// The record's description with a NUL for sure, whatever the record held.
struct DescriptionText {
  explicit DescriptionText(const PluRecord& plu) {
    std::memcpy(text.data(), plu.desc, text.size() - 1);
    text.back() = '\0';
  }
  std::array<char, kPluDescSize> text{};
};

// The description converted for the scale's family, at most out.size()
// bytes (block family: the text and its NUL). Returns the bytes that count.
size_t encodeDescription(const ScaleEntry& scale, bool messageFamily, std::span<uint8_t> out, const char* desc) {
  return messageFamily ? EncodeMessageText(scale, out, desc) : EncodeBlockText(scale, out, desc);
}

size_t descLimit(const ScaleEntry& scale) { return static_cast<size_t>(std::max(scale.maxPluDescLen, 0)); }

// Writes the fields of a message-family body one after another; a field
// that does not fit the buffer is left out.
class BodyWriter {
 public:
  BodyWriter(std::span<uint8_t> out, ScaleFieldList* trace) : out_(out), trace_(trace) {}
  // A number of the record as `digits` packed digits: 32-bit fields as
  // they are, 8-bit and 16-bit ones as the signed numbers the scales read.
  template <class Field>
  void number(const PluRecord& plu, const Field& field, int digits) {
    const uint32_t offset = fieldOffset(plu, field);
    if constexpr (sizeof(Field) == sizeof(int32_t)) {
      bcd(static_cast<uint32_t>(field), digits, offset);
    } else {
      PackBcd16Field(take(bcdBytes(digits)), bits16(scaleValue(field)), digits, trace_, offset);
    }
  }
  void bcd(uint32_t value, int digits, uint32_t offset) {
    PackBcdField(take(bcdBytes(digits)), value, digits, trace_, offset);
  }
  void raw(uint8_t value) {
    std::span<uint8_t> field = take(1);
    if (!field.empty()) field[0] = value;
  }
  void digitText(const char* text, int digits) { PackDigitText(take(bcdBytes(digits)), text, digits); }

 private:
  std::span<uint8_t> take(size_t n) {
    if (n > out_.size() - used_) {
      used_ = out_.size();
      return {};
    }
    std::span<uint8_t> field = out_.subspan(used_, n);
    used_ += n;
    return field;
  }
  std::span<uint8_t> out_;
  ScaleFieldList* trace_;
  size_t used_ = 0;
};

void writePluNumbers(BodyWriter& body, const PluRecord& plu) {
  body.number(plu, plu.pluNo, 8);
  body.number(plu, plu.salesMode, 2);
  body.number(plu, plu.unitPrice, 8);
  body.raw(plu.markFlag);
  body.number(plu, plu.markPrice, 6);
  body.number(plu, plu.weight, 6);
  body.number(plu, plu.packQuant, 2);
  body.number(plu, plu.tare, 4);
  body.raw(plu.dateFlag);
  body.number(plu, plu.shelfLife, 4);
  body.raw(plu.bestBeforeFlag);
  body.number(plu, plu.bestBefore, 4);
  body.raw(plu.timeFlag);
  body.number(plu, plu.packTime, 4);
  body.raw(plu.expTimeFlag);
  body.number(plu, plu.expTime, 4);
  body.bcd(pluItemCodeField(plu), kItemCodeDigits, kItemCodeOffset);
}

void writePluLinks(BodyWriter& body, const PluRecord& plu) {
  char posCode[kPluPosCodeLen + 1] = {};
  std::memcpy(posCode, plu.posCode, kPluPosCodeLen);
  body.raw(plu.posSelect);
  body.digitText(posCode, 10);
  body.number(plu, plu.posFlag, 2);
  body.number(plu, plu.barCodeNum, 2);
  body.raw(plu.openPrice);
  body.number(plu, plu.message7, 8);
  body.number(plu, plu.exMessage2, 8);
  body.number(plu, plu.exMessage3, 8);
  body.number(plu, plu.coupon, 8);
  body.number(plu, plu.logo1, 2);
  body.number(plu, plu.logo2, 2);
  body.number(plu, plu.labelFormat, 2);
  body.number(plu, plu.nutritionId, 8);
  body.number(plu, plu.propTare, 4);
  body.number(plu, plu.upperLimit, 6);
  body.number(plu, plu.lowerLimit, 6);
}

// Bytes 75 to 79 of the body: unit and message 1 where the country uses them.
void writeCountryTail(std::span<uint8_t, 5> tail, const ScaleEntry& scale, const PluRecord& plu,
                      ScaleFieldList* trace) {
  BodyWriter first(tail.first(1), trace);
  switch (scale.version) {
    case kVersionThailand:
    case kVersionHongKong:
    case kVersionPhilippines:
    case kVersionSouthAfrica: first.number(plu, plu.unit, 2); break;
    case kVersionChina: first.number(plu, plu.message1, 2); break;
    case kVersionTaiwan: {
      first.number(plu, plu.unit, 2);
      BodyWriter second(tail.subspan(1, 1), trace);
      second.number(plu, plu.message1, 2);
      break;
    }
    default: break;
  }
}

// MessageRecordHeader (message 30, body length), then the body:
// [0..74] the numbers, flags and links of the record, [75..79] the country
// tail, [80..81] description length n, little-endian, [82..] description.
bool convertMessagePlu(const ScaleEntry& scale, const PluRecord& plu, int& code, std::span<uint8_t> buffer,
                       int& length, ScaleFieldList* trace) {
  const size_t fixedLen = kMessageRecordHeaderLen + kPluBodyFixedLen;
  if (buffer.size() < fixedLen) return false;
  std::span<uint8_t> body = buffer.subspan(kMessageRecordHeaderLen);
  std::fill_n(body.begin(), kPluBodyFixedLen, 0);
  BodyWriter writer(body.first(kPluBodyFixedLen), trace);
  writePluNumbers(writer, plu);
  writePluLinks(writer, plu);
  writeCountryTail(body.subspan<kPluTailOffset, 5>(), scale, plu, trace);

  size_t room = std::min<size_t>(buffer.size() - fixedLen, 0xFFFF - kPluBodyFixedLen);
  size_t limit = std::min(room, descLimit(scale));
  DescriptionText desc(plu);
  size_t n = std::min(encodeDescription(scale, true, body.subspan(kPluBodyFixedLen, limit), desc.text.data()), limit);
  body[kPluDescLenOffset] = static_cast<uint8_t>(n);
  body[kPluDescLenOffset + 1] = static_cast<uint8_t>(n >> 8);

  uint16_t bodyLen = static_cast<uint16_t>(kPluBodyFixedLen + n);
  MakeRecordHeader(buffer, kMsgNoPlu, bodyLen);
  code = kMsgNoPlu;
  length = kMessageRecordHeaderLen + bodyLen;
  return true;
}

// True when `format` prints nothing but '0's for values that are all 0:
// its text is '0's and its conversions are plain "%d", "%.Nd" or "%.Nld".
bool writesOnlyZeros(const char* format) {
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p == '0') continue;
    if (*p++ != '%') return false;
    if (*p == '.') {
      while (p[1] >= '0' && p[1] <= '9') ++p;
      ++p;
    }
    if (*p == 'l') ++p;
    if (*p != 'd') return false;
  }
  return true;
}

// Places printf-formatted fields at fixed character positions: each field
// takes exactly its width, a longer value keeps its leading characters and
// a shorter one keeps the '0' filling.
class FieldLine {
 public:
  FieldLine(std::span<char, kBlockFixedMax> out, ScaleFieldList* trace) : out_(out), trace_(trace) {
    std::fill(out_.begin(), out_.end(), '0');
  }

  __attribute__((format(printf, 3, 4))) void put(size_t width, const char* format, ...) {
    char text[64];
    va_list args;
    va_start(args, format);
    int n = formatFieldText(text, format, args);
    va_end(args);
    size_t copy = n < 0 ? 0 : std::min({static_cast<size_t>(n), width, sizeof text - 1});
    placeText(width, text, copy);
  }

  // A number of the record's field at `offset`, put as put() does; the
  // trace learns the digits its field holds.
  template <class... Values>
  void number(uint32_t offset, size_t width, const char* format, Values... values) {
    // Most fields of a record hold 0, whose text is the line's filling: a
    // block is formatted while the scale answers the last one, and the
    // fewer fields it formats the sooner the next block can go.
    if (((values == 0) && ...) && writesOnlyZeros(format)) {
      if (width <= out_.size() - used_) used_ += width;
    } else {
      put(width, format, values...);
    }
    traceTextField(trace_, offset, width, format);
  }
  // A field of `plu` as the number the scales read (format "%ld" for the
  // 32-bit fields, "%d" for the others).
  template <class Field>
  void number(const PluRecord& plu, const Field& field, size_t width, const char* format) {
    number(fieldOffset(plu, field), width, format, scaleValue(field));
  }

  // The characters as they are, right-aligned and '0'-padded on the left.
  void putRightAligned(size_t width, const char* text, size_t n) {
    char field[32];
    width = std::min(width, sizeof field);
    n = std::min(n, width);
    std::fill_n(field, width, '0');
    std::memcpy(field + width - n, text, n);
    placeText(width, field, width);
  }

  size_t used() const { return used_; }

 private:
  void placeText(size_t width, const char* text, size_t n) {
    if (width > out_.size() - used_) return;
    std::memcpy(out_.data() + used_, text, n);
    used_ += width;
  }
  std::span<char, kBlockFixedMax> out_;
  ScaleFieldList* trace_;
  size_t used_ = 0;
};

void putBlockPrices(FieldLine& line, const ScaleEntry& scale, const PluRecord& plu) {
  const bool usa = scale.version == kVersionUsa;
  if (usa) {
    line.number(plu, plu.pluNo, 8, "65%.6ld");
  } else {
    line.number(plu, plu.pluNo, 10, "6502%.6ld");
  }
  line.number(plu, plu.salesMode, 2, "%.2d");
  const long price = scaleValue(plu.unitPrice);
  line.number(fieldOffset(plu, plu.unitPrice), 14, "%.6ld0%.7ld", price, price);
  line.number(plu, plu.weight, 6, "0%.5ld");
  if (scale.version == kVersionPhilippines) {
    line.number(plu, plu.unit, 4, "%d000");
  } else {
    line.number(plu, plu.packQuant, 4, "0%.3d");
  }
  line.number(plu, plu.costPrice, 6, "%.6ld");
  line.number(plu, plu.markFlag, 2, "%.2d");
  line.number(plu, plu.markPrice, 6, "%.6ld");
  line.number(plu, plu.tare, 4, "%.4d");
}

void putBlockDatesAndCodes(FieldLine& line, const ScaleEntry& scale, const PluRecord& plu) {
  const bool usa = scale.version == kVersionUsa;
  line.number(plu, plu.dateFlag, 2, "%.2d");
  line.number(plu, plu.shelfLife, 8, "%.4d0000");
  line.number(plu, plu.timeFlag, 2, "%.2d");
  line.number(plu, plu.expTimeFlag, 2, "%.2d");
  line.number(plu, usa ? plu.expTime : plu.packTime, 4, "%.4d");
  line.number(plu, plu.posSelect, 2, "%.2d");
  line.number(plu, plu.posFlag, 2, "%.2d");
  line.putRightAligned(10, plu.posCode, strnlen(plu.posCode, kPluPosCodeLen));
  if (scale.version == kVersionThailand || scale.version == kVersionTaiwan) {
    line.number(plu, plu.regCode, 4, "%.4ld");
  } else {
    line.put(4, "0000");
  }
  line.number(kItemCodeOffset, 8, "%.8d", static_cast<int>(static_cast<int32_t>(pluItemCodeField(plu))));
  line.number(plu, plu.message1, 2, "%.2d");
}

// The message group: its shape follows the model, the country and how
// many extra message numbers the scale holds. False when no closing group
// follows ("pmx" with "usa").
bool putBlockMessageGroup(FieldLine& line, const ScaleEntry& scale, const PluRecord& plu) {
  if (scale.model == kModelPmx && scale.version == kVersionUsa) {
    line.number(plu, plu.message7, 2, "%.2ld");
    line.number(plu, plu.coupon, 2, "%.2ld");
    line.put(4, "0000");  // two spare fields the scale keeps at 0
    line.number(plu, plu.openPrice, 2, "%.2d");
    line.number(plu, plu.labelFormat, 2, "%.2d");
    line.number(plu, plu.upperLimit, 4, "%.4ld");
    line.number(plu, plu.lowerLimit, 4, "%.4ld");
    return false;
  }
  if (scale.version == kVersionPhilippines) {
    line.number(plu, plu.message7, 6, "%.4ld00");
  } else if (scale.maxExMsg < 100) {
    line.number(plu, plu.message7, 2, "%.2ld");
  } else if (scale.maxExMsg <= 9999) {
    line.number(plu, plu.message7, 4, "%.4ld");
  } else {
    line.number(plu, plu.message7, 6, "%.6ld");
  }
  if (scale.version != kVersionPhilippines && scale.maxExMsg <= 9999) {
    line.number(plu, plu.coupon, 2, "%.2ld");
    line.number(plu, plu.nutrition, 2, "%.2d");
  }
  line.number(plu, plu.taxNo, 2, "%.2d");
  line.number(plu, plu.openPrice, 2, "%.2d");
  return true;
}

void putBlockClosingGroup(FieldLine& line, const ScaleEntry& scale, const PluRecord& plu) {
  if (scale.version == kVersionUsa) {
    line.number(plu, plu.forcedTare, 10, "00%.2d000000");
  } else if (scale.version == kVersionSouthAmerica) {
    line.number(plu, plu.barCodeNum, 10, "%.2d00000000");
  } else {
    line.put(10, "0000000000");
  }
}

// The fixed part in ASCII, then the converted description and a NUL.
bool convertBlockPlu(const ScaleEntry& scale, const PluRecord& plu, int& code, std::span<uint8_t> buffer,
                     int& length, ScaleFieldList* trace) {
  if (plu.pluNo >= kBlockPluLimit || plu.pluNo < 0) return false;
  std::array<char, kBlockFixedMax> fixed{};
  FieldLine line(fixed, trace);
  putBlockPrices(line, scale, plu);
  putBlockDatesAndCodes(line, scale, plu);
  if (putBlockMessageGroup(line, scale, plu)) putBlockClosingGroup(line, scale, plu);
  const size_t fixedLen = line.used();
  if (buffer.size() < fixedLen + 1) return false;
  std::memcpy(buffer.data(), fixed.data(), fixedLen);

  // The description's limit counts its closing NUL; the buffer keeps one
  // byte beyond it.
  std::span<uint8_t> rest = buffer.subspan(fixedLen);
  size_t limit = std::min(rest.size() - 1, descLimit(scale));
  DescriptionText desc(plu);
  size_t n = limit == 0 ? 0 : std::min(encodeDescription(scale, false, rest.first(limit), desc.text.data()), limit - 1);
  rest[n] = 0;
  code = kBlockCodePlu;
  length = static_cast<int>(fixedLen + n);
  return true;
}

// Block texts that are complete in themselves: the text and a NUL.
bool putBlockText(std::span<uint8_t> buffer, const char* text, int& length) {
  size_t n = std::strlen(text);
  if (buffer.size() < n + 1) return false;
  std::memcpy(buffer.data(), text, n + 1);
  length = static_cast<int>(n);
  return true;
}

bool convertPluDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                        int& length, ScaleFieldList* trace) {
  DeletionRecord deletion{};
  std::memcpy(&deletion, record, sizeof deletion);
  if (ScaleIsMessageFamily(scale)) {
    if (buffer.size() < 4) return false;
    PackBcdField(buffer.first(4), static_cast<uint32_t>(deletion.recNo), 8, trace, offsetof(DeletionRecord, recNo));
    code = kMsgNoPluDeletion;
    length = 4;
    return true;
  }
  if (!ScaleIsBlockFamily(scale) || deletion.recNo >= kBlockPluLimit || deletion.recNo < 0) return false;
  char text[16];
  std::snprintf(text, sizeof text, scale.version == kVersionUsa ? "10%.6d" : "1001%.6d",
                static_cast<int>(deletion.recNo));
  if (!putBlockText(buffer, text, length)) return false;
  code = kBlockCodeDeletion;
  return true;
}

}  // namespace

uint32_t pluItemCodeField(const PluRecord& plu) {
  const auto dept = static_cast<uint32_t>(s16(plu.dept));
  uint32_t deptGroup = dept * kItemCodeGroupScale + static_cast<uint32_t>(s16(plu.group));
  return deptGroup * kItemCodeItemScale + static_cast<uint32_t>(plu.itemCode);
}

bool convertPlu(const ScaleEntry& scale, int mode, const void* record, int& code, std::span<uint8_t> buffer,
                int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr) return false;
  if (mode == kModePluDeletion) return convertPluDeletion(scale, record, code, buffer, length, trace);
  const auto& plu = *static_cast<const PluRecord*>(record);
  if (ScaleIsMessageFamily(scale)) return convertMessagePlu(scale, plu, code, buffer, length, trace);
  if (ScaleIsBlockFamily(scale)) return convertBlockPlu(scale, plu, code, buffer, length, trace);
  return false;
}

bool buildPluUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length) {
  length = 0;
  if (ScaleIsMessageFamily(scale)) {
    if (buffer.size() < 4) return false;
    std::fill_n(buffer.begin(), 4, 0);
    code = kMsgNoPluRequest;
    length = 4;
    return true;
  }
  if (!ScaleIsBlockFamily(scale)) return false;
  return putBlockText(buffer, scale.version == kVersionUsa ? "50000000" : "500200000000", length);
}

}  // namespace tolvan
