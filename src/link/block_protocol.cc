#include "link/block_protocol.h"

#include <array>
#include <cstring>
#include <functional>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "files/record_source.h"
#include "link/block_frames.h"
#include "link/scale_link.h"
#include "link/scale_log.h"
#include "platform/socket.h"
#include "records/data_types.h"
#include "records/first_arrival.h"

namespace tolvan {
namespace {

// Reads that gather a header, a block or the scale's enquiry poll in steps
// of this many seconds and check the receive time-out between them.
constexpr int kPollSeconds = 1;
// Room for the largest message (4095 data bytes and a NUL) plus the
// terminator and check byte of the block being read into its end.
constexpr size_t kMessageScratch = kReceivedMessageCap + 2;

int64_t now(const ScaleEntry& scale) {
  static const SystemClock systemClock;
  return scale.driver != nullptr ? scale.driver->clock.monotonicMs() : systemClock.monotonicMs();
}

bool timedOut(const ScaleEntry& scale, int64_t start) {
  return now(scale) - start > static_cast<int64_t>(scale.receiveTimeout) * 1000;
}

void logReceived(ScaleEntry& scale, const uint8_t* bytes, size_t length) {
  ScaleLogWrite(scale, ScaleLogKind::Received, bytes, length);
}

// One control byte; a failed send is reported by the link and the caller
// goes on regardless.
void SendControl(ScaleEntry& scale, uint8_t byte) {
  const uint8_t one[1] = {byte};
  (void)ScaleSend(scale, one);
}

// Waits up to the receive time-out for the one-byte answer to a block or
// enquiry. `got` is false when nothing came.
MessageCode receiveAnswer(ScaleEntry& scale, uint8_t& answer, bool& got) {
  int count = 0;
  MessageCode r = ScaleReceive(scale, std::span<uint8_t>(&answer, 1), count, scale.receiveTimeout);
  got = r == kMsgOk && count > 0;
  if (got) logReceived(scale, &answer, 1);
  return r;
}

// One read of what is missing, waiting up to a second. A stream whose
// peer has hung up can never deliver the rest, so `closed` tells the caller
// to end with the time-out at once rather than poll until it strikes.
MessageCode pollRead(ScaleEntry& scale, std::span<uint8_t> buffer, size_t& held, bool& closed) {
  int count = 0;
  closed = false;
  MessageCode r = ScaleReceive(scale, buffer.subspan(held), count, kPollSeconds);
  if (r == kMsgOk && count == 0 && held < buffer.size() && scale.protocol != kProtocolUdp) {
    // Readable yet empty: the peer has closed (unless data came just now).
    SocketHandle s = scale.socket.load();
    if (s != kNoSocket && socketWaitReadable(s, 0) > 0) {
      r = ScaleReceive(scale, buffer.subspan(held), count, 0);
      closed = r == kMsgOk && count == 0;
    }
  }
  held += static_cast<size_t>(count);
  return r;
}

// A read that ended without its bytes: the scale hung up (`closed`) or
// said nothing more within the time-out.
MessageCode reportTimeout(ScaleEntry& scale, bool closed) {
  noteCause(scale.tally, closed ? ScaleCause::Dropped : ScaleCause::NoAnswer);
  ScaleLogError(scale, kMsgReceiveTimeout);
  return kMsgReceiveTimeout;
}

MessageCode reportBadAnswer(ScaleEntry& scale) {
  noteCause(scale.tally, ScaleCause::BadReply);
  ScaleLogError(scale, kMsgReceiveError);
  return kMsgReceiveError;
}

}  // namespace

// Selects the scale: our enquiry, answered by ACK.
MessageCode BlockEnquiry(ScaleEntry& scale) {
  Enquiry enquiry = buildEnquiry(scale.scaleNo);
  MessageCode r = ScaleSend(scale, enquiry);
  if (r != kMsgOk) return r;
  uint8_t answer = 0;
  bool got = false;
  r = receiveAnswer(scale, answer, got);
  if (r != kMsgOk || !got) {
    SendControl(scale, kEot);
    if (r != kMsgOk) return r;
    return reportTimeout(scale, false);
  }
  if (answer == kAck) {
    ScaleProgress(scale);
    return kMsgOk;
  }
  SendControl(scale, kEot);
  noteCause(scale.tally, ScaleCause::Nak);
  ScaleLogError(scale, kMsgNakReceived);
  return kMsgNakReceived;
}

// Sends one message as blocks of up to 251 bytes, each in one send. A
// refused block is reported and not sent again; the fifth refusal ends the
// message.
MessageCode SendBlocks(ScaleEntry& scale, std::span<const uint8_t> text, int* refusals,
                       const std::function<void()>& whileLastAnswerComes) {
  size_t sent = 0;
  int naks = 0;
  std::array<uint8_t, kMaxBlockLen> block;
  while (sent < text.size()) {
    size_t n = nextBlockDataLen(text.size() - sent);
    bool last = n == text.size() - sent;
    int number = takeBlockNumber(scale.blockSeq);
    size_t length = buildBlock(block, number, text.subspan(sent, n), last, scale.is8bit != 0);
    if (ScaleSend(scale, std::span<const uint8_t>(block.data(), length)) != kMsgOk) {
      SendControl(scale, kEot);
      return kMsgSendError;
    }
    sent += n;
    if (last && whileLastAnswerComes) whileLastAnswerComes();
    uint8_t answer = 0;
    bool got = false;
    MessageCode r = receiveAnswer(scale, answer, got);
    if (r != kMsgOk) {
      SendControl(scale, kEot);
      return r;
    }
    if (got && answer == kNak) {
      ScaleLogError(scale, kMsgNakReceived);
      if (refusals != nullptr) ++*refusals;
      if (++naks > 4) {
        SendControl(scale, kEot);
        noteCause(scale.tally, ScaleCause::Nak);
        return kMsgNakReceived;
      }
    } else if (!got || answer != kAck) {
      SendControl(scale, kEot);
      if (!got) noteCause(scale.tally, ScaleCause::NoAnswer);
      return reportBadAnswer(scale);
    } else {
      ScaleProgress(scale);
    }
  }
  return kMsgOk;
}

namespace {

// The records of the send as scale text, one ahead: the record after the
// one on the wire is taken and converted while the scale's answer to its
// last block is on its way, so the conversion costs no time on the line.
// What taking it means for the scale (its type and mode, its position, a
// record the scale cannot take) counts only when the send moves on to it,
// so a send that ends first is left exactly as if it had never been taken.
class RecordTexts {
 public:
  explicit RecordTexts(ScaleEntry& scale) : scale_(scale), source_(scale) {}

  // Takes and converts the next record into the spare buffer, once.
  void prepare() {
    if (prepared_) return;
    prepared_ = true;
    Text& t = texts_[1 - current_];
    SourceRecord record;
    t.taken = source_.next(record);
    if (!t.taken) return;
    int code = 0;
    t.length = 0;
    t.converted = convertRecord(scale_, record.dataType, record.mode, record.record, code, t.bytes, t.length) &&
                  t.length >= 0 && static_cast<size_t>(t.length) <= t.bytes.size();
    record.record = nullptr;  // valid only until the source's next record
    t.record = record;
  }

  // Moves on to the prepared record; false when the records have run out
  // or it does not convert.
  bool advance() {
    prepare();
    prepared_ = false;
    current_ = 1 - current_;
    const Text& t = texts_[current_];
    if (!t.taken) return false;
    scale_.dataType = t.record.dataType;
    scale_.operation = t.record.mode;
    ++scale_.nextRecord;
    // The send ends at a record the scale cannot take; what follows it
    // stays behind, which the run's outcome has to tell.
    if (!t.converted) {
      scale_.tally.cutShort = true;
      noteUnconverted(scale_, t.record);
    }
    return t.converted;
  }

  std::span<const uint8_t> text() const {
    const Text& t = texts_[current_];
    return std::span<const uint8_t>(t.bytes.data(), static_cast<size_t>(t.length));
  }

 private:
  struct Text {
    std::array<uint8_t, kMaxConvertedLen> bytes;
    int length = 0;
    bool taken = false;
    bool converted = false;
    SourceRecord record;
  };

  ScaleEntry& scale_;
  RecordSource source_;
  std::array<Text, 2> texts_;
  int current_ = 0;
  bool prepared_ = false;
};

// A record with a refused block is incomplete on the scale: it counts as
// sent but not accepted.
void tallyRecord(ScaleEntry& scale, int refusals) {
  ++scale.tally.sent;
  if (refusals > 0) {
    ++scale.tally.refused;
  } else {
    ++scale.tally.accepted;
  }
}

}  // namespace

MessageCode BlockSend(ScaleEntry& scale) {
  scale.nextRecord = 0;
  MessageCode r = BlockEnquiry(scale);
  if (r != kMsgOk) return r;
  RecordTexts texts(scale);
  const std::function<void()> prepareNext = [&texts] { texts.prepare(); };
  while (texts.advance() && !ScaleStopping(scale)) {
    int refusals = 0;
    r = SendBlocks(scale, texts.text(), &refusals, prepareNext);
    if (r != kMsgOk) break;
    tallyRecord(scale, refusals);
  }
  SendControl(scale, kEot);
  return r;
}

// After the line is turned round the scale selects us with its own
// enquiry, which must be the six bytes we send ourselves.
MessageCode ReadScaleEnquiry(ScaleEntry& scale) {
  int64_t start = now(scale);
  Enquiry got{};
  size_t held = 0;
  while (held < got.size()) {
    bool closed = false;
    MessageCode r = pollRead(scale, got, held, closed);
    if (r != kMsgOk) {
      SendControl(scale, kEot);
      return r;
    }
    if (held < got.size() && (closed || timedOut(scale, start))) return reportTimeout(scale, closed);
  }
  logReceived(scale, got.data(), got.size());
  if (isEnquiry(got, scale.scaleNo)) return kMsgOk;
  return reportBadAnswer(scale);
}

namespace {

// An EOT at a block start: alone it ends the transfer (`ended`); with the
// rest of an enquiry behind it the scale selects us again and gets an ACK.
MessageCode readEotOrEnquiry(ScaleEntry& scale, std::span<uint8_t, kEnquiryLen> held, size_t count, bool& ended) {
  ended = count == 1;
  if (ended) {
    logReceived(scale, held.data(), 1);
    return kMsgOk;
  }
  int got = 0;
  MessageCode r = ScaleReceive(scale, held.subspan(count), got, kPollSeconds);
  if (r != kMsgOk) return r;
  count += static_cast<size_t>(got);
  logReceived(scale, held.data(), count);
  if (count != kEnquiryLen) return reportBadAnswer(scale);
  SendControl(scale, kAck);
  return kMsgOk;
}

}  // namespace

// Reads the three header bytes of a block. A lone EOT ends the transfer
// (terminator EOT); an enquiry in its place is answered with ACK and the
// header is read afresh.
MessageCode ReadBlockHeader(ScaleEntry& scale, std::span<uint8_t, kBlockHeaderLen> header, uint8_t& terminator) {
  terminator = 0;
  int64_t start = now(scale);
  std::array<uint8_t, kEnquiryLen> held{};
  size_t count = 0;
  for (;;) {
    bool closed = false;
    MessageCode r = pollRead(scale, std::span<uint8_t>(held).first(kBlockHeaderLen), count, closed);
    if (r != kMsgOk) return r;
    if (count >= 1 && held[0] == kEot) {
      bool ended = false;
      r = readEotOrEnquiry(scale, held, count, ended);
      if (r != kMsgOk || ended) {
        if (ended) terminator = kEot;
        return r;
      }
      start = now(scale);
      count = 0;
      continue;
    }
    if (count == kBlockHeaderLen) {
      logReceived(scale, held.data(), count);
      std::memcpy(header.data(), held.data(), kBlockHeaderLen);
      return kMsgOk;
    }
    if (closed || timedOut(scale, start)) return reportTimeout(scale, closed);
  }
}

namespace {

// Reads the rest of a block (data, terminator, check byte) into `buffer`.
MessageCode readBlockBody(ScaleEntry& scale, std::span<uint8_t> buffer, size_t& held) {
  int64_t start = now(scale);
  held = 0;
  for (;;) {
    // The block does not fit what is left of the message buffer.
    if (held == buffer.size()) return reportBadAnswer(scale);
    bool closed = false;
    MessageCode r = pollRead(scale, buffer, held, closed);
    if (r != kMsgOk) return r;
    if (blockBodyComplete(buffer.first(held))) return kMsgOk;
    if (closed || timedOut(scale, start)) return reportTimeout(scale, closed);
  }
}

}  // namespace

// One block of the scale's message into `buffer`: ACK when its check byte
// matches, NAK and read again when not, up to five mismatches.
MessageCode ReceiveBlock(ScaleEntry& scale, std::span<uint8_t> buffer, size_t& dataLength, uint8_t& terminator) {
  dataLength = 0;
  for (int mismatches = 0;;) {
    std::array<uint8_t, kBlockHeaderLen> header{};
    MessageCode r = ReadBlockHeader(scale, header, terminator);
    if (r != kMsgOk) return r;
    if (terminator == kEot) return kMsgOk;
    size_t held = 0;
    r = readBlockBody(scale, buffer, held);
    if (r != kMsgOk) return r;
    logReceived(scale, buffer.data(), held);
    if (blockCheckMatches(header, buffer.first(held), scale.is8bit != 0)) {
      terminator = buffer[held - 2];
      ScaleProgress(scale);
      SendControl(scale, kAck);
      dataLength = held - 2;
      return kMsgOk;
    }
    ScaleLogError(scale, kMsgChecksumError, mismatches);
    if (++mismatches > 4) {
      noteCause(scale.tally, ScaleCause::CheckByte);
      ScaleLogError(scale, kMsgMaxRetries);
      SendControl(scale, kEot);
      return kMsgMaxRetries;
    }
    SendControl(scale, kNak);
  }
}

// Gathers the blocks of one message up to its ETX into `buffer` (at least
// 4098 bytes), NUL after the data. `end` is set when the scale sent EOT.
MessageCode ReceiveMessage(ScaleEntry& scale, std::span<uint8_t> buffer, size_t& length, bool& end) {
  end = false;
  length = 0;
  size_t held = 0;
  size_t room = buffer.size() < kMessageScratch ? buffer.size() : kMessageScratch;
  while (held < kReceivedMessageCap && held < room) {
    size_t dataLength = 0;
    uint8_t terminator = 0;
    MessageCode r = ReceiveBlock(scale, buffer.subspan(held, room - held), dataLength, terminator);
    if (r != kMsgOk) return r;
    held += dataLength;
    if (held < room) buffer[held] = 0;
    if (terminator == kEtx) break;
    if (terminator == kEot) {
      end = true;
      break;
    }
  }
  if (held >= kReceivedMessageCap) return reportBadAnswer(scale);
  length = held;
  return kMsgOk;
}

MessageCode BlockReceive(ScaleEntry& scale) {
  std::array<uint8_t, kMaxConvertedLen> request{};
  int code = 0;
  int length = 0;
  if (!buildUploadRequest(scale, code, request, length)) {
    noteCause(scale.tally, ScaleCause::Unsupported);
    ScaleLogError(scale, kMsgTypeNotSupported, dataTypeKeyword(scale.dataType), scale.name.c_str());
    return kMsgTypeNotSupported;
  }
  if (length < 0 || static_cast<size_t>(length) > request.size()) length = 0;
  MessageCode r = BlockEnquiry(scale);
  if (r == kMsgOk) r = SendBlocks(scale, std::span<const uint8_t>(request.data(), static_cast<size_t>(length)));
  if (r == kMsgOk) {
    // Hand the line over; the scale selects us in turn.
    SendControl(scale, kEot);
    r = ReadScaleEnquiry(scale);
  }
  if (r == kMsgOk) SendControl(scale, kAck);
  std::array<uint8_t, kMessageScratch> message{};
  int64_t records = 0;
  while (r == kMsgOk && !ScaleStopping(scale)) {
    size_t received = 0;
    bool end = false;
    r = ReceiveMessage(scale, message, received, end);
    if (r != kMsgOk || end) break;
    if (beyondReceiveCap(scale, ++records)) {
      // No scale holds this many: the rest would only fill the driver's memory.
      noteCause(scale.tally, ScaleCause::TooManyRecords);
      ScaleLogError(scale, kMsgReceiveError);
      r = kMsgReceiveError;
      break;
    }
    const bool kept = handleReceivedRecord(scale, std::span<const uint8_t>(message.data(), received));
    ++scale.tally.received;
    if (!kept && isTotalsType(scale.dataType)) {
      // A totals record that could not be read or kept ends the receive, so
      // the scale is not cleared and keeps the sales behind it.
      r = reportBadAnswer(scale);
    }
  }
  return r;
}

}  // namespace tolvan
