// The fixed frames of the message protocol, built and read without any
// socket: the 8-byte MessageHeader in front of every message, the 12-byte
// StatusReply body and the totals reset messages (the MessageRecordHeader in
// front of every data record is in records/message_record.h). Multi-byte numbers are
// little-endian; message numbers are one byte of two BCD digits (80 is 0x80).
#pragma once

#include <cstdint>
#include <span>

#include "core/message_table.h"
#include "records/message_record.h"

namespace tolvan {

inline constexpr int kMessageHeaderLen = 8;
inline constexpr int kStatusBodyLen = 12;

inline constexpr int kMsgNoStartSession = 80;
inline constexpr int kMsgNoEndSession = 81;

// The error code a scale puts in its status reply to the start of a
// session when it cannot take a session now.
inline constexpr int16_t kBusyErrorCode = 27;

// MessageHeader: [0] message number, BCD  [1..2] 0  [3] error flag
// [4..7] body length, unsigned 32 bits.
struct MessageHeader {
  int number = 0;
  uint8_t errorFlag = 0;
  uint32_t length = 0;
};

// Writes the header the driver sends: number, zero error flag, body length.
void writeMessageHeader(std::span<uint8_t, kMessageHeaderLen> out, int number, uint32_t length);
MessageHeader readMessageHeader(std::span<const uint8_t, kMessageHeaderLen> in);

// StatusReply: the header's error flag and the counts of the 12-byte body
// ([4..5] received, [6..7] accepted, [8..9] errors, [10..11] error code,
// all signed 16 bits; bytes 0 to 3 are not used).
struct StatusReply {
  uint8_t errorFlag = 0;
  int16_t received = 0;
  int16_t accepted = 0;
  int16_t errorCount = 0;
  int16_t errorCode = 0;
};

StatusReply readStatusReply(std::span<const uint8_t, kMessageHeaderLen> header,
                            std::span<const uint8_t, kStatusBodyLen> body);

// 0 without error flag; 25 when the scale received records and accepted a
// different number of them; 26 for any other error.
MessageCode classifyStatusReply(const StatusReply& reply);

// The reply to a start of session that says the scale is busy: an error
// flag with error code 27 that is not a count mismatch (25).
bool isBusyReply(const StatusReply& reply);

// The message that resets the scale's totals after a totals receive:
// "pluprod" 11, "hourlyprod" 12, "opprod" 14; 0 for every other type and
// for any value of 34 or more.
int TotalsResetNumber(int dataType);
// Zero bytes of body the reset message carries (4 for 11, 2 for 12 and 14).
int totalsResetBodyLen(int dataType);

}  // namespace tolvan
