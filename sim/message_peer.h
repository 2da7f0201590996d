// The message family's scale: every message is an 8-byte header
//   [0] message number, packed  [1..2] 0  [3] error flag  [4..7] body length, LE
// and its body. The scale answers each message once it is whole: a status
// reply (header and a 12-byte body: [4..5] records received, [6..7]
// accepted, [8..9] error count, [10..11] error code, each LE) or, to an
// upload request, a data reply whose body is the record headers and bodies.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "sim/dribble.h"
#include "sim/flood.h"
#include "sim/peer.h"
#include "sim/record_keys.h"
#include "sim/sim_scale.h"

namespace tolvan::sim {

// Largest body the scale takes (a batch is at most 100 records of 4096 bytes).
inline constexpr uint32_t kMaxMessageBody = 100 * 4096;
// Error codes of the scale's own status replies.
inline constexpr int kErrorUnknownMessage = 1;
inline constexpr int kErrorMalformed = 2;
inline constexpr int kErrorBusy = 27;

struct StatusCounts {
  int received = 0;
  int accepted = 0;
  int errors = 0;
  int code = 0;
};

Bytes buildStatusReply(int number, bool error, const StatusCounts& counts);

class MessagePeer final : public Peer {
 public:
  explicit MessagePeer(SimScale& scale) : scale_(scale) {}
  void receive(std::span<const uint8_t> in, Sends& out) override;
  bool wantsClose() const override { return close_; }
  bool wantsReset() const override { return reset_; }
  bool reads() const override { return reading_; }
  int64_t dueAtMs() const override;
  void tick(int64_t nowMs, Sends& out) override;
  bool streaming() const override { return flood_ != nullptr; }
  void more(Sends& out) override;

 private:
  // The "stopread" and "resetafterstatus" faults, acting once the header of
  // a batch of records is in: true when the scale reads no more.
  bool interruptBatch(int number, Sends& out);
  // The "trickle" fault: a data reply claiming 4 GB whose records come a
  // byte at a time, over and over.
  void startTrickle(int number, const Meaning& meaning, Sends& out);
  Bytes replyRecords(int number, const Meaning& meaning) const;
  void handleMessage(int number, std::span<const uint8_t> body, Sends& out);
  Bytes answerSessionStart(int number);
  // The "resetdrop" and "reseterror" faults: true when the totals reset is
  // not applied (the line is dropped, or the error reply is in `out`).
  bool refuseReset(int number, Sends& out);
  // Applies the message; the count of records it held, or -1 when malformed.
  int applyRecords(int dataType, std::span<const uint8_t> body);
  int applyDeletions(const Meaning& meaning, std::span<const uint8_t> body);
  Bytes dataReply(int number, const Meaning& meaning) const;
  // The data reply as the scale sends it: cut short, and the connection
  // dropped, when its length passes the "drop" fault's count.
  Bytes cutDataReply(Bytes reply);
  Bytes totalsRecords(int number, TotalsKind kind) const;
  // The status reply to an applied message, or the configured error reply.
  Bytes statusFor(int number, int records) const;
  bool rejectsMessages() const { return scale_.faults.errorReply || scale_.faults.countsReply; }

  SimScale& scale_;
  Bytes pending_;
  bool close_ = false;
  bool mute_ = false;  // took a totals reset under the "hangreset" fault: answers nothing more
  bool reading_ = true;
  bool reset_ = false;
  bool resetPending_ = false;
  int64_t resetAtMs_ = 0;  // 0 until the first tick fixes it
  Dribble dribble_;
  // Under the "flood" fault, the data reply in progress, which never ends.
  std::unique_ptr<FloodRecords> flood_;
};

}  // namespace tolvan::sim
