#include "totals/totals_received.h"

#include <cstdio>
#include <mutex>
#include <optional>

#include "core/driver.h"
#include "records/data_types.h"
#include "records/packing.h"
#include "totals/totals_line.h"
#include "totals/totals_records.h"

namespace tolvan {
namespace {

// One field of a received layout: the record member it fills, where it
// starts (byte offset of a message body, or character after the block
// record code) and its size in digits (message) or characters (block).
template <class R>
struct Field {
  int32_t R::*member;
  size_t first;
  size_t size;
};

constexpr Field<PluTotals> kMessagePlu[] = {
    {&PluTotals::pluNo, 0, 8}, {&PluTotals::quantity, 4, 8}, {&PluTotals::weight, 8, 8}, {&PluTotals::price, 12, 8}};
constexpr Field<HourlyTotals> kMessageHour[] = {{&HourlyTotals::hour, 0, 2},
                                                {&HourlyTotals::quantity, 4, 8},
                                                {&HourlyTotals::weight, 8, 8},
                                                {&HourlyTotals::price, 12, 8}};
constexpr Field<OperatorTotals> kMessageOperator[] = {
    {&OperatorTotals::operatorNo, 0, 2},        {&OperatorTotals::quantity, 4, 8},
    {&OperatorTotals::weight, 8, 8},            {&OperatorTotals::amount, 12, 8},
    {&OperatorTotals::discountValue, 16, 8},    {&OperatorTotals::discountQuant, 20, 8},
    {&OperatorTotals::upOverwriteValue, 24, 8}, {&OperatorTotals::upOverwriteQuant, 28, 8}};

constexpr Field<PluTotals> kBlockPlu[] = {
    {&PluTotals::pluNo, 0, 6}, {&PluTotals::quantity, 6, 6}, {&PluTotals::weight, 12, 8}, {&PluTotals::price, 20, 8}};
constexpr Field<HourlyTotals> kBlockHour[] = {{&HourlyTotals::hour, 0, 2},
                                              {&HourlyTotals::quantity, 2, 6},
                                              {&HourlyTotals::weight, 8, 8},
                                              {&HourlyTotals::price, 16, 8}};
constexpr Field<OperatorTotals> kBlockOperator[] = {{&OperatorTotals::operatorNo, 0, 2},
                                                    {&OperatorTotals::quantity, 2, 6},
                                                    {&OperatorTotals::weight, 8, 8},
                                                    {&OperatorTotals::amount, 16, 8}};

bool allDecimalNibbles(std::span<const uint8_t> group) {
  for (uint8_t b : group) {
    if ((b >> 4) > 9 || (b & 0x0F) > 9) return false;
  }
  return true;
}

// A record of another length than its layout is refused whole (here and in
// readBlock): a field that overflowed its width shifts every field behind
// it, and such a record would read as a different sale.
// A group of packed digits reads as its leading digits (0 when it starts
// with a nibble above 9).
template <class R>
TotalsReading readMessage(std::span<const uint8_t> body, std::span<const Field<R>> fields, R& record) {
  const Field<R>& last = fields.back();
  if (body.size() != last.first + static_cast<size_t>(bcdBytes(static_cast<int>(last.size)))) {
    return TotalsReading::WrongLength;
  }
  TotalsReading reading = TotalsReading::Whole;
  for (const Field<R>& f : fields) {
    std::span<const uint8_t> group = body.subspan(f.first, static_cast<size_t>(bcdBytes(static_cast<int>(f.size))));
    UnpackBcdLong(record.*f.member, group, static_cast<int>(f.size));
    if (!allDecimalNibbles(group)) reading = TotalsReading::NonDigits;
  }
  return reading;
}

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool isBlank(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A decimal field: leading blanks and a sign allowed, read up to the first
// non-digit. Nothing when no digit follows; `clean` tells whether the
// digits filled the field to its end.
std::optional<int32_t> readDecimal(std::span<const uint8_t> chars, bool& clean) {
  size_t i = 0;
  while (i < chars.size() && isBlank(chars[i])) ++i;
  bool negative = false;
  if (i < chars.size() && (chars[i] == '+' || chars[i] == '-')) negative = chars[i++] == '-';
  if (i >= chars.size() || !isDigit(chars[i])) return std::nullopt;
  int64_t value = 0;
  for (; i < chars.size() && isDigit(chars[i]); ++i) value = value * 10 + (chars[i] - '0');
  clean = i == chars.size();
  return static_cast<int32_t>(negative ? -value : value);
}

// Fields are read from the last to the first, each within its own
// characters, so digits of one field never run into the next.
template <class R>
TotalsReading readBlock(std::span<const uint8_t> fieldsText, std::span<const Field<R>> fields, R& record) {
  const Field<R>& last = fields.back();
  if (fieldsText.size() != last.first + last.size) return TotalsReading::WrongLength;
  TotalsReading reading = TotalsReading::Whole;
  for (size_t k = fields.size(); k-- > 0;) {
    const Field<R>& f = fields[k];
    bool clean = false;
    std::optional<int32_t> value = readDecimal(fieldsText.subspan(f.first, f.size), clean);
    if (!value) return TotalsReading::NonDigits;
    record.*f.member = *value;
    if (!clean) reading = TotalsReading::NonDigits;
  }
  return reading;
}

char separatorOf(const ScaleEntry& scale) { return scale.driver != nullptr ? scale.driver->options.separator : ','; }

template <class R>
TotalsReading readAs(const ScaleEntry& scale, std::span<const uint8_t> data, std::span<const Field<R>> message,
                     std::span<const Field<R>> block, char separator, std::string& line, int32_t& key) {
  R record{};
  TotalsReading reading = TotalsReading::NoLayout;
  if (ScaleIsMessageFamily(scale)) {
    reading = readMessage(data, message, record);
  } else if (isBlockModel(scale.model) && !block.empty()) {
    size_t codeLen = scale.version == kVersionUsa ? 2 : 4;
    reading = data.size() < codeLen ? TotalsReading::WrongLength : readBlock(data.subspan(codeLen), block, record);
  }
  if (reading == TotalsReading::Whole || reading == TotalsReading::NonDigits) {
    line = formatTotalsLine(scale.name, separator, scale.dataType, &record);
    key = record.*message.front().member;  // both layouts start with it
  }
  return reading;
}

// Flushed line by line: a line the work file did not take fails the
// receive before the scale's totals are reset.
bool appendLine(ScaleEntry& scale, const std::string& line) {
  std::lock_guard guard(scale.guard);
  if (scale.abandoned || scale.workFile == nullptr) return false;
  bool written = std::fwrite(line.data(), 1, line.size(), scale.workFile) == line.size();
  return std::fflush(scale.workFile) == 0 && written;
}

}  // namespace

TotalsReading readTotalsRecord(const ScaleEntry& scale, std::span<const uint8_t> data, char separator,
                               std::string& line, int32_t& key) {
  line.clear();
  key = 0;
  switch (static_cast<DataType>(scale.dataType)) {
    case DataType::PluProd:
      return readAs<PluTotals>(scale, data, kMessagePlu, kBlockPlu, separator, line, key);
    case DataType::HourlyProd:
      return readAs<HourlyTotals>(scale, data, kMessageHour, kBlockHour, separator, line, key);
    case DataType::OpProd: {
      // Only "usa" block scales send operator totals.
      std::span<const Field<OperatorTotals>> block;
      if (scale.version == kVersionUsa) block = kBlockOperator;
      return readAs<OperatorTotals>(scale, data, kMessageOperator, block, separator, line, key);
    }
    default:
      return TotalsReading::NoLayout;
  }
}

bool handleReceivedTotals(ScaleEntry& scale, std::span<const uint8_t> data) {
  std::string line;
  int32_t key = 0;
  TotalsReading reading = readTotalsRecord(scale, data, separatorOf(scale), line, key);
  // Both protocols count a record as received once it has been handled.
  if (reading == TotalsReading::NonDigits) scale.tally.nonDigits.note(scale.tally.received.load() + 1, key, 0);
  return !line.empty() && appendLine(scale, line);
}

}  // namespace tolvan
