#include "totals/totals_requests.h"

#include <algorithm>
#include <cstring>

#include "records/data_types.h"
#include "records/packing.h"

namespace tolvan {
namespace {

// One request or clear record of a totals type for both families. A null
// text or a message number of 0 means the family (or version) has none.
// The message body is `value` packed into `digits` digits, then zero bytes
// up to `bodyLen`.
struct TotalsFrame {
  const char* usaText;
  const char* otherText;
  int messageNo;
  uint32_t value;
  int digits;
  int bodyLen;
};

constexpr TotalsFrame kNone = {nullptr, nullptr, 0, 0, 0, 0};

TotalsFrame requestFrame(int dataType) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::PluProd: return {"400000", "40010000", 61, 0, 8, 4};
    case DataType::HourlyProd: return {"43", "4301", 62, 0, 8, 4};
    // Operator totals: 99 asks for every operator.
    case DataType::OpProd: return {"47", nullptr, 64, 99, 2, 4};
    default: return kNone;
  }
}

TotalsFrame clearFrame(int dataType) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::PluProd: return {"19", "1901", 11, 0, 8, 4};
    // A "usa" scale keeps next-day and rewrap totals with its PLU totals.
    case DataType::NextDayProd: return {"19", "2602", 0, 0, 0, 0};
    case DataType::RewrapProd: return {"19", "2502", 0, 0, 0, 0};
    case DataType::HourlyProd: return {nullptr, nullptr, 12, 0, 2, 1};
    case DataType::OpProd: return {"27", "2702", 13, 0, 2, 1};
    case DataType::Prod: return {"17", "1701", 0, 0, 0, 0};
    default: return kNone;
  }
}

bool writeBlockText(const char* text, std::span<uint8_t> buffer, int& length) {
  size_t n = std::strlen(text);
  if (n >= buffer.size()) return false;
  std::memcpy(buffer.data(), text, n);
  buffer[n] = 0;
  length = static_cast<int>(n);
  return true;
}

bool writeMessageBody(const TotalsFrame& frame, std::span<uint8_t> buffer, int& code, int& length) {
  size_t n = static_cast<size_t>(frame.bodyLen);
  if (n > buffer.size()) return false;
  std::fill_n(buffer.begin(), n, uint8_t{0});
  PackBcd(buffer.first(n), frame.value, frame.digits);
  code = frame.messageNo;
  length = frame.bodyLen;
  return true;
}

bool writeFrame(const ScaleEntry& scale, const TotalsFrame& frame, int& code, std::span<uint8_t> buffer,
                int& length) {
  length = 0;
  if (ScaleIsMessageFamily(scale)) {
    return frame.messageNo != 0 && writeMessageBody(frame, buffer, code, length);
  }
  if (!isBlockModel(scale.model)) return false;
  const char* text = scale.version == kVersionUsa ? frame.usaText : frame.otherText;
  return text != nullptr && writeBlockText(text, buffer, length);
}

}  // namespace

bool buildTotalsRequest(const ScaleEntry& scale, int dataType, int& code, std::span<uint8_t> buffer,
                        int& length) {
  return writeFrame(scale, requestFrame(dataType), code, buffer, length);
}

bool buildTotalsClear(const ScaleEntry& scale, int dataType, int& code, std::span<uint8_t> buffer, int& length) {
  return writeFrame(scale, clearFrame(dataType), code, buffer, length);
}

}  // namespace tolvan
