#include "records/message_record.h"

#include "records/packing.h"

namespace tolvan {

uint8_t messageNumberByte(int number) {
  uint8_t out[1] = {0};
  PackBcd16(out, static_cast<uint16_t>(number), 2);
  return out[0];
}

int MakeRecordHeader(std::span<uint8_t> buffer, int messageNumber, uint16_t bodyLength) {
  if (buffer.size() < static_cast<size_t>(kMessageRecordHeaderLen)) return 0;
  buffer[0] = messageNumberByte(messageNumber);
  for (int i = 1; i <= 5; ++i) buffer[i] = 0;
  buffer[6] = static_cast<uint8_t>(bodyLength);
  buffer[7] = static_cast<uint8_t>(bodyLength >> 8);
  return kMessageRecordHeaderLen;
}

uint16_t recordBodyLength(std::span<const uint8_t, kMessageRecordHeaderLen> recordHeader) {
  return static_cast<uint16_t>(recordHeader[6] | (recordHeader[7] << 8));
}

}  // namespace tolvan
