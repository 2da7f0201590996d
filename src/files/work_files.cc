#include "files/work_files.h"

#include "core/driver_options.h"
#include "platform/files.h"
#include "masterdata/extra_message.h"
#include "plu/plu_record.h"
#include "records/data_types.h"
#include "records/deletion_record.h"

namespace tolvan {
namespace {

constexpr int kDeletionRecordLen = 8;
// A resend entry holds the record's whole image.
static_assert(kExMsgRecordSize == 2056, "extra message resend entries are 2056 bytes");

// Lengths of the addition records of each master data type.
int additionLength(int dataType) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::Plu: return static_cast<int>(kPluRecordSize);
    case DataType::ExMsg:
    case DataType::ExMsg2:
    case DataType::ExMsg3:
    case DataType::Coupon: return static_cast<int>(kExMsgRecordSize);
    case DataType::PriceCng: return 8;
    case DataType::MkdPriceCng: return 12;
    case DataType::Store: return 208;
    case DataType::Keyboard: return 12;
    case DataType::Nutrition: return 148;
    default: return 0;
  }
}

void putU16(uint8_t* out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v);
  out[1] = static_cast<uint8_t>(v >> 8);
}

void putU32(uint8_t* out, uint32_t v) {
  putU16(out, v & 0xffff);
  putU16(out + 2, v >> 16);
}

uint32_t getU16(const uint8_t* in) { return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8; }

uint32_t getU32(const uint8_t* in) { return getU16(in) | getU16(in + 2) << 16; }

}  // namespace

// A second scale of the same name must not share the first one's work file.
std::string workFileName(const ScaleEntry& scale) {
  if (scale.nameRank <= 1) return scale.name + "Wrk.txt";
  return scale.name + "~" + std::to_string(scale.nameRank) + "Wrk.txt";
}

void deleteWorkFile(const ScaleEntry& scale) { removeFile(workFileName(scale)); }

bool createWorkFile(ScaleEntry& scale) {
  if (scale.workFile != nullptr) std::fclose(scale.workFile);
  scale.workFile = openFile(workFileName(scale), "wb");
  return scale.workFile != nullptr;
}

int recordLength(int dataType, int mode) {
  if (mode == kModeDelete || mode == kModeDeleteAll) return kDeletionRecordLen;
  if (mode == kModeAdd) return additionLength(dataType);
  return 0;
}

void encodeResendHeader(const ResendEntryHeader& header, uint8_t (&out)[kResendEntryHeaderLen]) {
  putU16(out, static_cast<uint32_t>(header.dataType) & 0xffff);
  putU16(out + 2, static_cast<uint32_t>(header.mode) & 0xffff);
  putU32(out + 4, header.length);
  putU32(out + 8, 0);
}

ResendEntryHeader decodeResendHeader(const uint8_t (&in)[kResendEntryHeaderLen]) {
  ResendEntryHeader h;
  h.dataType = static_cast<int>(getU16(in));
  h.mode = static_cast<int>(getU16(in + 2));
  h.length = getU32(in + 4);
  return h;
}

}  // namespace tolvan
