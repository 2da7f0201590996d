#include "masterdata/price_change.h"

#include <cstring>

#include "masterdata/block_fields.h"
#include "records/message_record.h"
#include "records/packing.h"
#include "records/scale_fields.h"

namespace tolvan {
namespace {

constexpr int kMsgNoPriceChange = 23;
constexpr uint16_t kPriceChangeBodyLen = 9;

// Block-family records hold 6 digits of PLU number and 5 of price (7 and 6
// on "thailand" scales).
constexpr FieldMeaning kPluNoMeaning = digitsRange(6, FieldUnit::None, 1);
constexpr FieldMeaning kNewPriceMeaning = digitsRange(5, FieldUnit::Price);

long asLong(int32_t v) { return static_cast<long>(v); }

// "usa":      "31"   PLU (6)  "0" price (5)   14 characters
// "thailand": "6602" PLU (6)  "0" price (7)   18
// others:     "3101" PLU (6)  "0" price (5)   16
bool convertBlockPriceChange(const ScaleEntry& scale, const PriceChangeRecord& change, std::span<uint8_t> buffer,
                             int& length, ScaleFieldList* trace) {
  BlockFields line(buffer, trace);
  if (scale.version == kVersionUsa) {
    line.put(2, "31");
  } else {
    line.put(4, scale.version == kVersionThailand ? "6602" : "3101");
  }
  line.number(offsetof(PriceChangeRecord, pluNo), 6, "%.6ld", asLong(change.pluNo));
  const uint32_t price = offsetof(PriceChangeRecord, unitPrice);
  if (scale.version == kVersionThailand) {
    line.number(price, 8, "0%.7ld", asLong(change.unitPrice));
  } else {
    line.number(price, 6, "0%.5ld", asLong(change.unitPrice));
  }
  return line.finish(length);
}

// Record header (message 23, body 9), then the body:
// [0..3] PLU number, 8 packed digits  [4] 0  [5..8] unit price, 8 packed digits
bool convertMessagePriceChange(const PriceChangeRecord& change, int& code, std::span<uint8_t> buffer, int& length,
                               ScaleFieldList* trace) {
  const size_t total = kMessageRecordHeaderLen + kPriceChangeBodyLen;
  if (buffer.size() < total) return false;
  MakeRecordHeader(buffer, kMsgNoPriceChange, kPriceChangeBodyLen);
  std::span<uint8_t> body = buffer.subspan(kMessageRecordHeaderLen, kPriceChangeBodyLen);
  PackBcdField(body.subspan(0, 4), static_cast<uint32_t>(change.pluNo), 8, trace, offsetof(PriceChangeRecord, pluNo));
  body[4] = 0;
  PackBcdField(body.subspan(5, 4), static_cast<uint32_t>(change.unitPrice), 8, trace,
               offsetof(PriceChangeRecord, unitPrice));
  code = kMsgNoPriceChange;
  length = static_cast<int>(total);
  return true;
}

// "usa":      "32"   PLU (6)  flag (1)  price (5)   14 characters
// "thailand": "6702" PLU (6)  flag (1)  price (6)   17
// others:     "3201" PLU (6)  flag (1)  price (5)   16
bool convertBlockMkdPriceChange(const ScaleEntry& scale, const MkdPriceChangeRecord& change,
                                std::span<uint8_t> buffer, int& length, ScaleFieldList* trace) {
  BlockFields line(buffer, trace);
  if (scale.version == kVersionUsa) {
    line.put(2, "32");
  } else {
    line.put(4, scale.version == kVersionThailand ? "6702" : "3201");
  }
  line.number(offsetof(MkdPriceChangeRecord, pluNo), 6, "%.6ld", asLong(change.pluNo));
  // A signed number: a negative flag leaves only its '-' in the record.
  line.number(offsetof(MkdPriceChangeRecord, markFlag), 1, "%ld", change.markFlag);
  const uint32_t price = offsetof(MkdPriceChangeRecord, markPrice);
  if (scale.version == kVersionThailand) {
    line.number(price, 6, "%.6ld", asLong(change.markPrice));
  } else {
    line.number(price, 5, "%.5ld", asLong(change.markPrice));
  }
  return line.finish(length);
}

template <class Record>
Record readRecord(const void* record) {
  Record copy{};
  std::memcpy(&copy, record, sizeof copy);
  return copy;
}

}  // namespace

void buildPriceChangeFieldTable(FieldTable& table) {
  table.append(new FieldDef("Plu_No", FieldKind::Long, 4, offsetof(PriceChangeRecord, pluNo), kPluNoMeaning));
  table.append(new FieldDef("UnitPrice", FieldKind::Long, 4, offsetof(PriceChangeRecord, unitPrice), kNewPriceMeaning));
}

void buildPriceChangeFixedFieldTable(FieldTable& table) {
  table.append(new FieldDef("Plu_No", FieldKind::Long, 4, offsetof(PriceChangeRecord, pluNo), 0, 6, kPluNoMeaning));
  table.append(
      new FieldDef("UnitPrice", FieldKind::Long, 4, offsetof(PriceChangeRecord, unitPrice), 6, 8, kNewPriceMeaning));
}

void buildMkdPriceChangeFieldTable(FieldTable& table) {
  table.append(new FieldDef("Plu_No", FieldKind::Long, 4, offsetof(MkdPriceChangeRecord, pluNo), kPluNoMeaning));
  table.append(new FieldDef("MarkFlag", FieldKind::Byte, 1, offsetof(MkdPriceChangeRecord, markFlag), digitsRange(1)));
  table.append(
      new FieldDef("MarkPrice", FieldKind::Long, 4, offsetof(MkdPriceChangeRecord, markPrice), kNewPriceMeaning));
}


bool convertPriceChange(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                        int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr) return false;
  const auto change = readRecord<PriceChangeRecord>(record);
  if (scale.model == kModelVt40) return convertMessagePriceChange(change, code, buffer, length, trace);
  if (ScaleIsBlockFamily(scale)) return convertBlockPriceChange(scale, change, buffer, length, trace);
  return false;
}

// No message-family scale takes markdown price changes, so `code` stays.
bool convertMkdPriceChange(const ScaleEntry& scale, const void* record, int& /*code*/, std::span<uint8_t> buffer,
                           int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr || !ScaleIsBlockFamily(scale)) return false;
  return convertBlockMkdPriceChange(scale, readRecord<MkdPriceChangeRecord>(record), buffer, length, trace);
}

}  // namespace tolvan
