// What the driver sends about totals, byte for byte: the upload request and
// the clear record of every totals type, for the message family, "usa"
// block scales and block scales of every other version, reached through the
// dispatches the workers use.
#include "totals/totals_requests.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "dispatch/record_dispatch.h"
#include "records/data_types.h"
#include "records/deletion_record.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;

enum class Kind { Message, BlockUsa, BlockOther, Neither };

ScaleEntry& scaleOf(Kind kind, int dataType) {
  static ScaleEntry scale("Deli", 0, 594);
  scale.model = kind == Kind::Message ? kModelVt40 : kind == Kind::Neither ? kModelHbq : kModelPmx;
  scale.version = kind == Kind::BlockUsa ? kVersionUsa : kVersionNz;
  scale.dataType = dataType;
  return scale;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct FrameCase {
  DataType type;
  Kind kind;
  bool supported;
  int code;  // message family only
  Bytes bytes;
};

struct Produced {
  bool ok = false;
  int code = -1;
  Bytes bytes;
};

Produced request(const FrameCase& c) {
  std::array<uint8_t, kMaxConvertedLen> buffer{};
  Produced p;
  int length = -1;
  p.ok = buildUploadRequest(scaleOf(c.kind, static_cast<int>(c.type)), p.code, buffer, length);
  if (p.ok) p.bytes.assign(buffer.begin(), buffer.begin() + length);
  return p;
}

// Clears travel as deletion records: delete-all sends one with number 0,
// whose content the clear record never reads.
Produced clear(const FrameCase& c) {
  std::array<uint8_t, kMaxConvertedLen> buffer{};
  DeletionRecord deletion{static_cast<uint16_t>(c.type), 77};
  Produced p;
  int length = -1;
  p.ok = convertRecord(scaleOf(c.kind, static_cast<int>(c.type)), static_cast<int>(c.type), 2, &deletion, p.code,
                       buffer, length);
  if (p.ok) p.bytes.assign(buffer.begin(), buffer.begin() + length);
  if (!p.ok) {
    EXPECT_EQ(length, 0);
  }
  return p;
}

void expectFrame(const FrameCase& c, const Produced& p, const char* what) {
  SCOPED_TRACE(std::string(what) + " " + dataTypeKeyword(static_cast<int>(c.type)) + " kind " +
               std::to_string(static_cast<int>(c.kind)));
  ASSERT_EQ(p.ok, c.supported);
  if (!c.supported) return;
  EXPECT_EQ(p.bytes, c.bytes);
  if (c.kind == Kind::Message) {
    EXPECT_EQ(p.code, c.code);
  }
}

TEST(TotalsRequests, EveryTypeFamilyAndVersion) {
  const FrameCase cases[] = {
      {DataType::PluProd, Kind::Message, true, 61, {0, 0, 0, 0}},
      {DataType::PluProd, Kind::BlockUsa, true, 0, text("400000")},
      {DataType::PluProd, Kind::BlockOther, true, 0, text("40010000")},
      {DataType::HourlyProd, Kind::Message, true, 62, {0, 0, 0, 0}},
      {DataType::HourlyProd, Kind::BlockUsa, true, 0, text("43")},
      {DataType::HourlyProd, Kind::BlockOther, true, 0, text("4301")},
      {DataType::OpProd, Kind::Message, true, 64, {0x99, 0, 0, 0}},
      {DataType::OpProd, Kind::BlockUsa, true, 0, text("47")},
      {DataType::OpProd, Kind::BlockOther, false, 0, {}},
      {DataType::PluProd, Kind::Neither, false, 0, {}},
  };
  for (const FrameCase& c : cases) expectFrame(c, request(c), "request");
  // No scale answers a request for these.
  for (DataType type : {DataType::NextDayProd, DataType::RewrapProd, DataType::Prod}) {
    for (Kind kind : {Kind::Message, Kind::BlockUsa, Kind::BlockOther}) {
      expectFrame({type, kind, false, 0, {}}, request({type, kind, false, 0, {}}), "request");
    }
  }
}

TEST(TotalsClearRecords, EveryTypeFamilyAndVersion) {
  const FrameCase cases[] = {
      {DataType::PluProd, Kind::Message, true, 11, {0, 0, 0, 0}},
      {DataType::PluProd, Kind::BlockUsa, true, 0, text("19")},
      {DataType::PluProd, Kind::BlockOther, true, 0, text("1901")},
      {DataType::NextDayProd, Kind::Message, false, 0, {}},
      {DataType::NextDayProd, Kind::BlockUsa, true, 0, text("19")},
      {DataType::NextDayProd, Kind::BlockOther, true, 0, text("2602")},
      {DataType::RewrapProd, Kind::Message, false, 0, {}},
      {DataType::RewrapProd, Kind::BlockUsa, true, 0, text("19")},
      {DataType::RewrapProd, Kind::BlockOther, true, 0, text("2502")},
      {DataType::HourlyProd, Kind::Message, true, 12, {0}},
      {DataType::HourlyProd, Kind::BlockUsa, false, 0, {}},
      {DataType::HourlyProd, Kind::BlockOther, false, 0, {}},
      {DataType::OpProd, Kind::Message, true, 13, {0}},
      {DataType::OpProd, Kind::BlockUsa, true, 0, text("27")},
      {DataType::OpProd, Kind::BlockOther, true, 0, text("2702")},
      {DataType::Prod, Kind::Message, false, 0, {}},
      {DataType::Prod, Kind::BlockUsa, true, 0, text("17")},
      {DataType::Prod, Kind::BlockOther, true, 0, text("1701")},
      {DataType::OpProd, Kind::Neither, false, 0, {}},
  };
  for (const FrameCase& c : cases) expectFrame(c, clear(c), "clear");
}

TEST(TotalsClearRecords, OnlyDeletionsClearAndTooSmallABufferRefuses) {
  ScaleEntry& scale = scaleOf(Kind::BlockOther, static_cast<int>(DataType::PluProd));
  std::array<uint8_t, kMaxConvertedLen> buffer{};
  DeletionRecord deletion{11, 0};
  int code = 0;
  int length = -1;
  EXPECT_FALSE(convertRecord(scale, 11, 1, &deletion, code, buffer, length));  // an addition of totals
  // "1901" and its NUL need five bytes.
  length = -1;
  EXPECT_FALSE(buildTotalsClear(scale, 11, code, std::span<uint8_t>(buffer.data(), 4), length));
  EXPECT_EQ(length, 0);
  EXPECT_TRUE(buildTotalsClear(scale, 11, code, std::span<uint8_t>(buffer.data(), 5), length));
  EXPECT_EQ(length, 4);
}

}  // namespace
}  // namespace tolvan
