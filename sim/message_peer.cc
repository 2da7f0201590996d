#include "sim/message_peer.h"

namespace tolvan::sim {
namespace {

constexpr size_t kHeaderLen = 8;
constexpr size_t kRecordHeaderLen = 8;

void appendHeader(Bytes& out, int number, bool error, uint32_t length) {
  out.push_back(packedMessageNumber(number < 0 ? 0 : number));
  out.push_back(0);
  out.push_back(0);
  out.push_back(error ? 1 : 0);
  appendLe32(out, length);
}

// Record header in front of each record of a data reply:
// [0] message number, packed  [1..5] 0  [6..7] body length, LE
void appendRecordHeader(Bytes& out, int number, uint16_t length) {
  out.push_back(packedMessageNumber(number));
  out.insert(out.end(), 5, 0);
  appendLe16(out, length);
}

// Records in a message of records; -1 when a length runs past the body.
int countStoredRecords(std::span<const uint8_t> body) {
  int count = 0;
  size_t pos = 0;
  while (pos < body.size()) {
    if (body.size() - pos < kRecordHeaderLen) return -1;
    uint16_t length = readLe16(body, pos + 6);
    if (length > body.size() - pos - kRecordHeaderLen) return -1;
    pos += kRecordHeaderLen + length;
    ++count;
  }
  return count;
}

int countRecords(const Meaning& m, std::span<const uint8_t> body) {
  switch (m.action) {
    case Action::Store: return countStoredRecords(body);
    case Action::Delete:
      if (body.size() % m.unitSize != 0) return -1;
      return static_cast<int>(body.size() / m.unitSize);
    case Action::ResetTotals: return 1;
    default: return 0;
  }
}

}  // namespace

Bytes buildStatusReply(int number, bool error, const StatusCounts& counts) {
  Bytes reply;
  appendHeader(reply, number, error, 12);
  reply.insert(reply.end(), 4, 0);
  appendLe16(reply, static_cast<uint16_t>(counts.received));
  appendLe16(reply, static_cast<uint16_t>(counts.accepted));
  appendLe16(reply, static_cast<uint16_t>(counts.errors));
  appendLe16(reply, static_cast<uint16_t>(counts.code));
  return reply;
}

void MessagePeer::receive(std::span<const uint8_t> in, Sends& out) {
  if (close_ || mute_ || !reading_) return;
  pending_.insert(pending_.end(), in.begin(), in.end());
  while (pending_.size() >= kHeaderLen) {
    uint32_t length = readLe32(pending_, 4);
    if (length > kMaxMessageBody) {
      // Nothing sensible can follow a length like this on the same stream.
      out.push_back(buildStatusReply(messageNumberOf(pending_[0]), true, {0, 0, 0, kErrorMalformed}));
      pending_.clear();
      close_ = true;
      return;
    }
    int number = messageNumberOf(pending_[0]);
    if (length > 0 && number >= 0 && classifyMessage(number).action == Action::Store && interruptBatch(number, out)) {
      return;
    }
    if (pending_.size() - kHeaderLen < length) return;
    std::span<const uint8_t> body(pending_.data() + kHeaderLen, length);
    handleMessage(messageNumberOf(pending_[0]), body, out);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(kHeaderLen + length));
    if (mute_ || close_) return;
  }
}

void MessagePeer::handleMessage(int number, std::span<const uint8_t> body, Sends& out) {
  Meaning m = number < 0 ? Meaning{} : classifyMessage(number);
  if (m.action == Action::SessionStart) {
    out.push_back(answerSessionStart(number));
    return;
  }
  if (m.action == Action::SessionEnd) {
    out.push_back(buildStatusReply(number, false, {}));
    return;
  }
  if (m.action == Action::Unknown) {
    out.push_back(buildStatusReply(number, true, {0, 0, 0, kErrorUnknownMessage}));
    return;
  }
  int records = countRecords(m, body);
  if (records < 0) {
    out.push_back(buildStatusReply(number, true, {0, 0, 0, kErrorMalformed}));
    return;
  }
  if (rejectsMessages()) {
    out.push_back(statusFor(number, records));
    return;
  }
  switch (m.action) {
    case Action::Store: applyRecords(m.dataType, body); break;
    case Action::Delete: applyDeletions(m, body); break;
    case Action::ResetTotals:
      if (refuseReset(number, out)) return;
      scale_.store.resetTotals(m.totals);
      // The scale forgets its totals and then goes quiet, as if it had lost
      // power before answering.
      if (scale_.faults.hangReset) {
        mute_ = true;
        return;
      }
      break;
    case Action::Upload:
      if (floodsUploadOf(scale_.faults, m.dataType)) {
        // The largest length the header can give; the records never stop.
        Bytes header;
        appendHeader(header, number, false, UINT32_MAX);
        out.push_back(std::move(header));
        flood_ = std::make_unique<FloodRecords>(scale_.profile);
        return;
      }
      [[fallthrough]];
    case Action::UploadTotals:
      if (scale_.faults.trickleMs > 0) {
        startTrickle(number, m, out);
      } else {
        out.push_back(cutDataReply(dataReply(number, m)));
      }
      return;
    default: break;
  }
  out.push_back(statusFor(number, records));
}

Bytes MessagePeer::answerSessionStart(int number) {
  ++scale_.sessionStarts;
  int busy = scale_.faults.busyStarts;
  if (busy < 0 || scale_.sessionStarts <= busy) return buildStatusReply(number, true, {0, 0, 0, kErrorBusy});
  return buildStatusReply(number, false, {});
}

int MessagePeer::applyRecords(int dataType, std::span<const uint8_t> body) {
  int count = 0;
  size_t pos = 0;
  while (body.size() - pos >= kRecordHeaderLen) {
    uint16_t length = readLe16(body, pos + 6);
    if (length > body.size() - pos - kRecordHeaderLen) return -1;
    std::span<const uint8_t> record = body.subspan(pos, kRecordHeaderLen + length);
    int64_t key = messageRecordNumber(dataType, record.subspan(kRecordHeaderLen), false);
    scale_.store.put(dataType, key, Bytes(record.begin(), record.end()));
    pos += record.size();
    ++count;
  }
  return count;
}

int MessagePeer::applyDeletions(const Meaning& m, std::span<const uint8_t> body) {
  int count = 0;
  for (size_t pos = 0; body.size() - pos >= m.unitSize; pos += m.unitSize) {
    int64_t key = messageRecordNumber(m.dataType, body.subspan(pos, m.unitSize), true);
    if (key >= 0) scale_.store.erase(m.dataType, key);
    ++count;
  }
  return count;
}

Bytes MessagePeer::replyRecords(int number, const Meaning& m) const {
  if (m.action == Action::UploadTotals) return totalsRecords(number, m.totals);
  Bytes records;
  for (const Bytes* r : scale_.store.ofType(m.dataType)) records.insert(records.end(), r->begin(), r->end());
  return records;
}

Bytes MessagePeer::dataReply(int number, const Meaning& m) const {
  Bytes records = replyRecords(number, m);
  Bytes reply;
  appendHeader(reply, number, false, static_cast<uint32_t>(records.size()));
  reply.insert(reply.end(), records.begin(), records.end());
  return reply;
}

bool MessagePeer::interruptBatch(int number, Sends& out) {
  const FaultPlan& f = scale_.faults;
  if (!f.stopRead && f.resetAfterStatusMs == 0) return false;
  // What came with the header is not taken: the batch is not applied.
  reading_ = false;
  pending_.clear();
  if (f.resetAfterStatusMs > 0) {
    out.push_back(buildStatusReply(number, false, {}));
    resetPending_ = true;
  }
  return true;
}

void MessagePeer::startTrickle(int number, const Meaning& m, Sends& out) {
  Bytes header;
  appendHeader(header, number, false, 0xFFFFFFFFu);
  out.push_back(std::move(header));
  Bytes records = replyRecords(number, m);
  if (records.empty()) {
    // Nothing held: one record claiming the largest body, all zeros.
    appendRecordHeader(records, number, 0xFFFF);
    records.resize(records.size() + 0xFFFF, 0);
  }
  dribble_.start(records, 1, scale_.faults.trickleMs, [records] { return records; });
}

int64_t MessagePeer::dueAtMs() const { return resetPending_ ? resetAtMs_ : dribble_.dueAtMs(); }

void MessagePeer::tick(int64_t nowMs, Sends& out) {
  if (!resetPending_) {
    dribble_.tick(nowMs, out);
    return;
  }
  // The pause lets the driver's sends fill the closed window first, so the
  // reset finds them blocked and they fail.
  if (resetAtMs_ == 0) {
    resetAtMs_ = nowMs + scale_.faults.resetAfterStatusMs;
  } else if (nowMs >= resetAtMs_) {
    resetPending_ = false;
    reset_ = true;
  }
}

// About 64 KB of records at a time, so that other connections are served
// between the pieces.
void MessagePeer::more(Sends& out) {
  constexpr size_t kPiece = 65536;
  Bytes piece;
  while (flood_ && piece.size() < kPiece) {
    Bytes record = flood_->next();
    if (record.empty()) flood_.reset();
    piece.insert(piece.end(), record.begin(), record.end());
  }
  if (!piece.empty()) out.push_back(std::move(piece));
}

Bytes MessagePeer::cutDataReply(Bytes reply) {
  size_t keep = static_cast<size_t>(scale_.faults.dropAfter);
  if (keep == 0 || reply.size() <= keep) return reply;
  reply.resize(keep);
  close_ = true;
  return reply;
}

// Totals bodies, all numbers as 8 packed digits but the hour and the
// operator (2 digits, then 3 bytes not used):
//   PLU      [0..3] PLU  [4..7] quantity  [8..11] weight  [12..15] price
//   hour     [0] hour  [4..7] quantity  [8..11] weight  [12..15] price
//   operator [0] operator  [4..7] quantity  [8..11] weight  [12..15] amount
//            [16..19] discount value  [20..23] discount quantity
//            [24..27] up-overwrite value  [28..31] up-overwrite quantity
// Under the "nondigit" fault the first record's weight ends in the nibble A.
Bytes MessagePeer::totalsRecords(int number, TotalsKind kind) const {
  Bytes out;
  size_t values = kind == TotalsKind::Operator ? 7 : 3;
  for (const auto& [key, row] : scale_.store.totals(kind)) {
    appendRecordHeader(out, number, static_cast<uint16_t>(4 + 4 * values));
    if (kind == TotalsKind::Plu) {
      appendBcd(out, key, 8);
    } else {
      appendBcd(out, key, 2);
      out.insert(out.end(), 3, 0);
    }
    for (size_t i = 0; i < values; ++i) appendBcd(out, row[i], 8);
  }
  // The weight's last byte, behind the first record's header.
  constexpr size_t kLastWeightByte = kRecordHeaderLen + 11;
  if (scale_.faults.nonDigit && out.size() > kLastWeightByte) {
    out[kLastWeightByte] = static_cast<uint8_t>((out[kLastWeightByte] & 0xF0) | 0x0A);
  }
  return out;
}

bool MessagePeer::refuseReset(int number, Sends& out) {
  const FaultPlan& f = scale_.faults;
  if (f.resetDrop) {
    close_ = true;
  } else if (f.resetError) {
    out.push_back(buildStatusReply(number, true, {0, 0, 0, f.resetErrorCode}));
  }
  return f.resetDrop || f.resetError;
}

Bytes MessagePeer::statusFor(int number, int records) const {
  const FaultPlan& f = scale_.faults;
  if (!rejectsMessages()) {
    StatusCounts counts{records, records, 0, 0};
    if (f.okCounts) counts = {f.okReceived, f.okAccepted, f.okErrors, 0};
    return buildStatusReply(number, false, counts);
  }
  StatusCounts counts{records, records, 0, 0};
  if (f.countsReply) counts = {f.countReceived, f.countAccepted, f.countErrors, 0};
  if (f.errorReply) counts.code = f.errorCode;
  return buildStatusReply(number, true, counts);
}

}  // namespace tolvan::sim
