#include "link/message_frames.h"

#include "records/data_types.h"
#include "records/packing.h"

namespace tolvan {

namespace {

int16_t readI16(std::span<const uint8_t> in, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(in[at] | (in[at + 1] << 8)));
}

}  // namespace

void writeMessageHeader(std::span<uint8_t, kMessageHeaderLen> out, int number, uint32_t length) {
  out[0] = messageNumberByte(number);
  out[1] = 0;
  out[2] = 0;
  out[3] = 0;
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(length >> (8 * i));
}

MessageHeader readMessageHeader(std::span<const uint8_t, kMessageHeaderLen> in) {
  MessageHeader header;
  int16_t number = 0;
  UnpackBcdShort(number, in.first(1), 2);
  header.number = number;
  header.errorFlag = in[3];
  header.length = static_cast<uint32_t>(in[4]) | static_cast<uint32_t>(in[5]) << 8 |
                  static_cast<uint32_t>(in[6]) << 16 | static_cast<uint32_t>(in[7]) << 24;
  return header;
}

StatusReply readStatusReply(std::span<const uint8_t, kMessageHeaderLen> header,
                            std::span<const uint8_t, kStatusBodyLen> body) {
  StatusReply reply;
  reply.errorFlag = header[3];
  reply.received = readI16(body, 4);
  reply.accepted = readI16(body, 6);
  reply.errorCount = readI16(body, 8);
  reply.errorCode = readI16(body, 10);
  return reply;
}

MessageCode classifyStatusReply(const StatusReply& reply) {
  if (reply.errorFlag == 0) return kMsgOk;
  if (reply.received >= 1 && reply.accepted != reply.received) return kMsgScaleDataError;
  return kMsgScaleErrorCode;
}

bool isBusyReply(const StatusReply& reply) {
  return classifyStatusReply(reply) == kMsgScaleErrorCode && reply.errorCode == kBusyErrorCode;
}

int TotalsResetNumber(int dataType) {
  switch (static_cast<DataType>(dataType)) {
    case DataType::PluProd: return 11;
    case DataType::HourlyProd: return 12;
    case DataType::OpProd: return 14;
    default: return 0;
  }
}

int totalsResetBodyLen(int dataType) {
  switch (TotalsResetNumber(dataType)) {
    case 11: return 4;
    case 12:
    case 14: return 2;
    default: return 0;
  }
}

}  // namespace tolvan
