#include "link/message_protocol.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/driver.h"
#include "dispatch/record_dispatch.h"
#include "files/record_source.h"
#include "files/work_files.h"
#include "link/scale_link.h"
#include "link/scale_log.h"
#include "platform/files.h"
#include "records/data_types.h"
#include "records/first_arrival.h"

namespace tolvan {
namespace {

// The scale needs a moment after a session opens before the first batch or
// request arrives, and a longer one before the session is closed after a
// receive; a busy scale is asked again after a pause of its own.
constexpr int kPauseAfterStartMs = 200;
constexpr int kPauseBeforeEndMs = 1000;
constexpr int kBusyRetryPauseMs = 1000;

int64_t nowMs(const ScaleEntry& scale) {
  static const SystemClock systemClock;
  return scale.driver != nullptr ? scale.driver->clock.monotonicMs() : systemClock.monotonicMs();
}

MessageCode SendHeader(ScaleEntry& scale, int number, uint32_t length) {
  std::array<uint8_t, kMessageHeaderLen> header{};
  writeMessageHeader(header, number, length);
  return ScaleSend(scale, header, ScaleLogKind::Send);
}

MessageCode SendBytes(ScaleEntry& scale, std::span<const uint8_t> bytes) {
  return ScaleSend(scale, bytes, ScaleLogKind::Dump);
}

// Header and body in one send, as the scale expects an upload request.
MessageCode SendMessage(ScaleEntry& scale, int number, std::span<const uint8_t> body) {
  std::vector<uint8_t> frame(kMessageHeaderLen + body.size());
  writeMessageHeader(std::span<uint8_t, kMessageHeaderLen>(frame.data(), kMessageHeaderLen), number,
                     static_cast<uint32_t>(body.size()));
  if (!body.empty()) std::memcpy(frame.data() + kMessageHeaderLen, body.data(), body.size());
  return ScaleSend(scale, frame, ScaleLogKind::Send);
}

// Exact read of the whole buffer, logged as Received when complete.
MessageCode receiveLogged(ScaleEntry& scale, std::span<uint8_t> buffer) {
  if (buffer.empty()) return kMsgOk;
  MessageCode r = ScaleReceiveExact(scale, buffer);
  if (r != kMsgOk) return r;
  ScaleLogWrite(scale, ScaleLogKind::Received, buffer.data(), buffer.size());
  return kMsgOk;
}

// Reads the header and the 12-byte body, whatever the header's length says.
MessageCode receiveStatusReply(ScaleEntry& scale, StatusReply& reply) {
  std::array<uint8_t, kMessageHeaderLen> header{};
  std::array<uint8_t, kStatusBodyLen> body{};
  MessageCode r = receiveLogged(scale, header);
  if (r == kMsgOk) r = receiveLogged(scale, body);
  if (r == kMsgOk) reply = readStatusReply(header, body);
  return r;
}

void noteScaleError(ScaleEntry& scale, ScaleCause cause, int first, int second) {
  noteCause(scale.tally, cause);
  scale.tally.errorFirst = first;
  scale.tally.errorSecond = second;
}

MessageCode reportStatus(ScaleEntry& scale, const StatusReply& reply) {
  MessageCode code = classifyStatusReply(reply);
  if (code == kMsgScaleDataError) {
    ScaleLogError(scale, code, static_cast<int>(reply.received), static_cast<int>(reply.errorCount));
    noteScaleError(scale, ScaleCause::CountMismatch, reply.received, reply.errorCount);
  } else if (code == kMsgScaleErrorCode) {
    ScaleLogError(scale, code, static_cast<int>(reply.errorCode));
    noteScaleError(scale, ScaleCause::ErrorFlag, reply.errorCode, 0);
  }
  return code;
}

// One start exchange: 27 for a busy reply (not logged here), else as
// ReadStatusReply.
MessageCode startOnce(ScaleEntry& scale) {
  MessageCode r = SendHeader(scale, kMsgNoStartSession, 0);
  if (r != kMsgOk) return r;
  StatusReply reply;
  r = receiveStatusReply(scale, reply);
  if (r != kMsgOk) return r;
  if (isBusyReply(reply)) return kMsgScaleBusy;
  return reportStatus(scale, reply);
}

// A batch: up to 100 converted records of one data type and mode, each an
// owned copy, sent as one message under the converter's message number.
struct Batch {
  int number = 0;
  std::vector<std::vector<uint8_t>> records;

  uint32_t totalLength() const {
    uint32_t total = 0;
    for (const auto& record : records) total += static_cast<uint32_t>(record.size());
    return total;
  }
};

// Cuts the scale's records into batches. A record of another data type or
// mode than the batch is kept back and starts the next batch.
class BatchReader {
 public:
  explicit BatchReader(ScaleEntry& scale) : scale_(scale), source_(scale) {}

  // The next batch with at least one record; false when none is left.
  // Records that do not convert are skipped, also when a whole run of them
  // fails: the records after them still go out.
  bool next(Batch& batch) {
    batch = Batch{};
    while (hasPending_ || !exhausted_) {
      fill(batch);
      if (!batch.records.empty()) return true;
    }
    return false;
  }

 private:
  bool takePending() {
    if (!hasPending_ && !exhausted_) {
      hasPending_ = source_.next(pending_);
      exhausted_ = !hasPending_;
    }
    return hasPending_;
  }

  void fill(Batch& batch) {
    bool first = true;
    while (batch.records.size() < static_cast<size_t>(kMaxBatchRecords) && takePending()) {
      if (first) {
        scale_.dataType = pending_.dataType;
        scale_.operation = pending_.mode;
        first = false;
      } else if (pending_.dataType != scale_.dataType || pending_.mode != scale_.operation) {
        return;
      }
      hasPending_ = false;
      scale_.nextRecord = pending_.number;
      if (!convertInto(batch)) {
        // A resend entry that does not convert ends its batch unreported;
        // a record of this run is reported with its line and skipped.
        if (scale_.fromResendFile != 0) return;
        ScaleLogError(scale_, kMsgConvertError, pending_.number);
        noteUnconverted(scale_, pending_);
        ++scale_.tally.skipped;
      }
    }
  }

  bool convertInto(Batch& batch) {
    int code = 0;
    int length = static_cast<int>(buffer_.size());
    if (!convertRecord(scale_, scale_.dataType, scale_.operation, pending_.record, code, buffer_, length)) {
      return false;
    }
    if (length < 0 || static_cast<size_t>(length) > buffer_.size()) return false;
    batch.number = code;
    batch.records.emplace_back(buffer_.begin(), buffer_.begin() + length);
    return true;
  }

  ScaleEntry& scale_;
  RecordSource source_;
  SourceRecord pending_;
  bool hasPending_ = false;
  bool exhausted_ = false;
  std::array<uint8_t, kMaxConvertedLen> buffer_{};
};

// Without the error flag the scale took the whole batch, whatever its
// counts say (counts that differ are noted for a warning). With it, an
// error code says nothing was applied, and a count mismatch says how many
// records were, believed only within the batch.
void tallyBatch(ScaleEntry& scale, int records, const StatusReply& reply) {
  int accepted = records;
  MessageCode code = classifyStatusReply(reply);
  if (code == kMsgOk && (reply.received != records || reply.accepted != records)) {
    scale.tally.oddCounts.note(records, reply.received, reply.accepted);
  } else if (code == kMsgScaleErrorCode) {
    accepted = 0;
  } else if (code == kMsgScaleDataError) {
    accepted = std::clamp(static_cast<int>(reply.accepted), 0, records);
  }
  scale.tally.sent += records;
  scale.tally.accepted += accepted;
}

// The batch header, a note of its number and size, the records one send
// each; one status reply answers the whole batch, and it is read even when
// a send failed.
MessageCode sendBatch(ScaleEntry& scale, const Batch& batch) {
  uint32_t total = batch.totalLength();
  MessageCode sent = SendHeader(scale, batch.number, total);
  char note[64];
  std::snprintf(note, sizeof note, "Msg = %d Size = %d", batch.number, static_cast<int>(total));
  ScaleLogWrite(scale, ScaleLogKind::Text, reinterpret_cast<const uint8_t*>(note), std::strlen(note));
  bool whole = sent == kMsgOk;
  for (size_t i = 0; whole && i < batch.records.size(); ++i) whole = SendBytes(scale, batch.records[i]) == kMsgOk;
  StatusReply reply;
  MessageCode r = receiveStatusReply(scale, reply);
  // Records that did not all go out are not on the scale, whatever a reply
  // (sent before the scale dropped the line) says: the batch failed.
  if (!whole) return kMsgSendError;
  if (r != kMsgOk) return r;
  ScaleProgress(scale);
  tallyBatch(scale, static_cast<int>(batch.records.size()), reply);
  return reportStatus(scale, reply);
}

// The records of a data reply: record header, body, handed on, until the
// reply's length has no room for another record header.
MessageCode receiveRecords(ScaleEntry& scale, uint32_t total) {
  uint64_t consumed = 0;
  int64_t records = 0;
  std::vector<uint8_t> body;
  while (consumed < total && !ScaleStopping(scale)) {
    if (total - consumed < static_cast<uint64_t>(kMessageRecordHeaderLen)) break;
    if (beyondReceiveCap(scale, ++records)) {
      // No scale holds this many: the rest would only fill the driver's memory.
      noteCause(scale.tally, ScaleCause::TooManyRecords);
      ScaleLogError(scale, kMsgReceiveError);
      return kMsgReceiveError;
    }
    std::array<uint8_t, kMessageRecordHeaderLen> recordHeader{};
    MessageCode r = receiveLogged(scale, recordHeader);
    if (r != kMsgOk) return r;
    consumed += kMessageRecordHeaderLen;
    body.resize(recordBodyLength(recordHeader));
    r = receiveLogged(scale, body);
    if (r != kMsgOk) return r;
    consumed += body.size();
    ScaleProgress(scale);
    const bool kept = handleReceivedRecord(scale, body);
    ++scale.tally.received;
    if (!kept && isTotalsType(scale.dataType)) {
      // A totals record that could not be read or kept ends the receive, so
      // the scale is not reset and keeps the sales behind it.
      noteCause(scale.tally, ScaleCause::BadReply);
      ScaleLogError(scale, kMsgReceiveError);
      return kMsgReceiveError;
    }
  }
  return kMsgOk;
}

// The upload request on a fresh connection and the data reply to it.
MessageCode requestRecords(ScaleEntry& scale, int number, std::span<const uint8_t> request) {
  if (!ScaleReconnect(scale)) return kMsgCannotConnect;
  if (SendMessage(scale, number, request) != kMsgOk) return kMsgSendError;
  return ReceiveDataReply(scale);
}

// The lines of this receive reach the disk before the scale forgets its
// totals, so a crash or power cut between the reset and the export loses
// no sale. A work file that cannot be made durable fails the receive, and
// the scale is not reset.
MessageCode secureWorkFile(ScaleEntry& scale) {
  const std::string name = workFileName(scale);
  {
    std::lock_guard guard(scale.guard);
    if (!scale.abandoned && syncFile(scale.workFile, name)) return kMsgOk;
  }
  noteCause(scale.tally, ScaleCause::WorkFile);
  ScaleLogError(scale, kMsgWorkFileError, name.c_str());
  return kMsgWorkFileError;
}

// After a totals receive the scale's totals are cleared. A failure here is
// in the scale log and leaves the receive's result as it is; its code is
// the reset's result.
MessageCode resetTotals(ScaleEntry& scale) {
  int number = TotalsResetNumber(scale.dataType);
  if (!ScaleReconnect(scale)) return scale.limitStruck ? kMsgReceiveTimeout : kMsgCannotConnect;
  std::array<uint8_t, kMessageHeaderLen + 4> message{};
  size_t bodyLen = static_cast<size_t>(totalsResetBodyLen(scale.dataType));
  writeMessageHeader(std::span<uint8_t, kMessageHeaderLen>(message.data(), kMessageHeaderLen), number,
                     static_cast<uint32_t>(bodyLen));
  MessageCode r = ScaleSend(scale, std::span<const uint8_t>(message.data(), kMessageHeaderLen + bodyLen));
  return r != kMsgOk ? r : ReadStatusReply(scale);
}

// The reset's result goes to the tally for the run's report, so that a
// totals reset the scale did not confirm fails the scale there; until an
// answer comes (a worker given up on mid-reset) it reads as a time-out.
void resetAndTally(ScaleEntry& scale) {
  scale.tally.resetCode = kMsgReceiveTimeout;
  scale.tally.resetCode = resetTotals(scale);
}

}  // namespace

MessageCode ReadStatusReply(ScaleEntry& scale) {
  StatusReply reply;
  MessageCode r = receiveStatusReply(scale, reply);
  if (r != kMsgOk) return r;
  return reportStatus(scale, reply);
}

MessageCode ReceiveDataReply(ScaleEntry& scale) {
  std::array<uint8_t, kMessageHeaderLen> header{};
  MessageCode r = receiveLogged(scale, header);
  if (r != kMsgOk) return r;
  MessageHeader reply = readMessageHeader(header);
  if (reply.errorFlag == 0) return receiveRecords(scale, reply.length);
  std::array<uint8_t, kStatusBodyLen> body{};
  r = receiveLogged(scale, body);
  if (r != kMsgOk) return r;
  int errorCode = readStatusReply(header, body).errorCode;
  ScaleLogError(scale, kMsgScaleErrorCode, errorCode);
  noteScaleError(scale, ScaleCause::ErrorFlag, errorCode, 0);
  return kMsgScaleErrorCode;
}

MessageCode MessageStart(ScaleEntry& scale) {
  MessageCode r = startOnce(scale);
  if (r != kMsgScaleBusy) return r;
  // A busy scale is asked again until it takes the session or the scale's
  // connect time has passed since its first busy answer.
  const int64_t firstBusy = nowMs(scale);
  const int64_t busyLimitMs = static_cast<int64_t>(scale.connectTimeout) * 1000;
  while (r == kMsgScaleBusy && nowMs(scale) - firstBusy < busyLimitMs) {
    if (!ScaleReconnect(scale)) return kMsgCannotConnect;
    MessageEnd(scale);
    ScalePause(scale, kBusyRetryPauseMs);
    if (!ScaleReconnect(scale)) return kMsgCannotConnect;
    r = startOnce(scale);
  }
  if (r != kMsgScaleBusy) return r;
  if (!ScaleReconnect(scale)) return kMsgCannotConnect;
  MessageEnd(scale);
  noteCause(scale.tally, ScaleCause::Busy);
  ScaleLogError(scale, kMsgScaleBusy);
  return kMsgScaleBusy;
}

void MessageEnd(ScaleEntry& scale) {
  if (SendHeader(scale, kMsgNoEndSession, 0) == kMsgOk) (void)ReadStatusReply(scale);
}

MessageCode MessageSend(ScaleEntry& scale) {
  MessageCode r = MessageStart(scale);
  if (r != kMsgOk) return r;
  ScalePause(scale, kPauseAfterStartMs);
  scale.nextRecord = 0;
  BatchReader reader(scale);
  Batch batch;
  while (reader.next(batch) && !ScaleStopping(scale)) {
    // The scale expects a fresh connection for every batch.
    if (!ScaleReconnect(scale)) return kMsgCannotConnect;
    r = sendBatch(scale, batch);
    if (r != kMsgOk) break;
  }
  if (ScaleReconnect(scale)) MessageEnd(scale);
  return r;
}

MessageCode MessageReceive(ScaleEntry& scale) {
  std::array<uint8_t, kMaxConvertedLen> request{};
  int number = 0;
  int length = 0;
  MessageCode r = kMsgOk;
  if (!buildUploadRequest(scale, number, request, length) || length < 0 ||
      static_cast<size_t>(length) > request.size()) {
    noteCause(scale.tally, ScaleCause::Unsupported);
    ScaleLogError(scale, kMsgTypeNotSupported, dataTypeKeyword(scale.dataType), scale.name.c_str());
    r = kMsgTypeNotSupported;
  } else {
    r = MessageStart(scale);
  }
  ScalePause(scale, kPauseAfterStartMs);
  if (r == kMsgOk) r = requestRecords(scale, number, std::span<const uint8_t>(request.data(), length));
  if (r == kMsgOk && TotalsResetNumber(scale.dataType) != 0) {
    r = secureWorkFile(scale);
    if (r == kMsgOk && !ScaleStopping(scale)) resetAndTally(scale);
  }
  ScalePause(scale, kPauseBeforeEndMs);
  if (ScaleReconnect(scale)) MessageEnd(scale);
  return r;
}

}  // namespace tolvan
