// What the driver sends about totals, byte for byte: the upload request and
// the clear record of every totals type for the message family, "usa"
// block scales and block scales of other versions, through the dispatches
// the workers use.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "dispatch/record_dispatch.h"
#include "records/data_types.h"
#include "records/deletion_record.h"

namespace tolvan {
namespace {

enum Kind { kMessage, kUsa, kOther, kNeither };

// "-" when there is none; a block text as it stands, a message as "number:body hex".
std::string shown(bool ok, const ScaleEntry& scale, int code, const uint8_t* bytes, int length) {
  if (!ok) return length == 0 ? "-" : "- with a length";
  if (!ScaleIsMessageFamily(scale)) return std::string(reinterpret_cast<const char*>(bytes), length);
  std::string out = std::to_string(code) + ":";
  for (int i = 0; i < length; ++i) out += {"0123456789abcdef"[bytes[i] >> 4], "0123456789abcdef"[bytes[i] & 15]};
  return out;
}

TEST(TotalsFrames, RequestAndClearOfEveryTypeFamilyAndVersion) {
  struct { DataType type; Kind kind; const char* request; const char* clear; } cases[] = {
      {DataType::PluProd, kMessage, "61:00000000", "11:00000000"},  {DataType::PluProd, kUsa, "400000", "19"},
      {DataType::PluProd, kOther, "40010000", "1901"},             {DataType::PluProd, kNeither, "-", "-"},
      {DataType::HourlyProd, kMessage, "62:00000000", "12:00"},     {DataType::HourlyProd, kUsa, "43", "-"},
      {DataType::HourlyProd, kOther, "4301", "-"},                 {DataType::OpProd, kMessage, "64:99000000", "13:00"},
      {DataType::OpProd, kUsa, "47", "27"},                        {DataType::OpProd, kOther, "-", "2702"},
      {DataType::NextDayProd, kMessage, "-", "-"},                 {DataType::NextDayProd, kUsa, "-", "19"},
      {DataType::NextDayProd, kOther, "-", "2602"},                {DataType::RewrapProd, kMessage, "-", "-"},
      {DataType::RewrapProd, kUsa, "-", "19"},                     {DataType::RewrapProd, kOther, "-", "2502"},
      {DataType::Prod, kMessage, "-", "-"},                        {DataType::Prod, kUsa, "-", "17"},
      {DataType::Prod, kOther, "-", "1701"},
  };
  for (const auto& c : cases) {
    ScaleEntry scale("Deli", 0, 594);
    scale.model = c.kind == kMessage ? kModelVt40 : c.kind == kNeither ? kModelHbq : kModelPmx;
    scale.version = c.kind == kUsa ? kVersionUsa : kVersionNz;
    scale.dataType = static_cast<int>(c.type);
    SCOPED_TRACE(std::string(dataTypeKeyword(scale.dataType)) + " kind " + std::to_string(c.kind));
    std::array<uint8_t, kMaxConvertedLen> buffer{};
    int code = 0;
    int length = 0;
    bool ok = buildUploadRequest(scale, code, buffer, length);
    EXPECT_EQ(shown(ok, scale, code, buffer.data(), length), c.request);
    // A clear travels as a deletion record whose number is never read.
    DeletionRecord deletion{static_cast<uint16_t>(c.type), 77};
    length = -1;
    ok = convertRecord(scale, scale.dataType, 2, &deletion, code, buffer, length);
    EXPECT_EQ(shown(ok, scale, code, buffer.data(), length), c.clear);
    EXPECT_FALSE(convertRecord(scale, scale.dataType, 1, &deletion, code, buffer, length));  // no additions
  }
}

}  // namespace
}  // namespace tolvan
