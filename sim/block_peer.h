// The block family's scale. The driver selects it with an enquiry, which it
// acknowledges; then every block is answered ACK (or NAK for a bad check
// byte) and the data of the blocks up to the one ending in ETX is one
// record text. EOT ends the transfer. When the texts held an upload request,
// the scale then turns the line: it sends its own enquiry, waits for ACK,
// sends the requested records (each block waiting for ACK; a NAK makes it
// send the same block again) and ends with EOT.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/dribble.h"
#include "sim/flood.h"
#include "sim/peer.h"
#include "sim/record_keys.h"
#include "sim/sim_scale.h"

namespace tolvan::sim {

// Largest record text the scale keeps; the driver's buffer holds 4095 bytes.
inline constexpr size_t kMaxRecordText = 4095;

class BlockPeer final : public Peer {
 public:
  explicit BlockPeer(SimScale& scale) : scale_(scale) {}
  void receive(std::span<const uint8_t> in, Sends& out) override;
  bool wantsClose() const override { return close_; }
  int64_t dueAtMs() const override { return dribble_.dueAtMs(); }
  void tick(int64_t nowMs, Sends& out) override { dribble_.tick(nowMs, out); }

 private:
  // Trickling and Enquiring: the scale talks on its own time (the
  // "trickle" and "endlessenq" faults) and only takes in the driver's bytes.
  enum class State { Idle, Selected, AwaitEnquiryAck, Sending, Trickling, Enquiring };

  // Each step handles what it can at the start of in_; false when it needs
  // more bytes.
  bool stepIdle(Sends& out);
  bool stepSelected(Sends& out);
  bool stepAwaitAck(Sends& out);
  bool stepSending(Sends& out);

  void answerEnquiry(Sends& out);
  void takeBlock(size_t dataLength, uint8_t terminator, Sends& out);
  void endOfTransfer(Sends& out);
  void handleRecord();
  // The "resetdrop" fault: the record just completed clears totals.
  bool dropsReset() const;
  void countBlock();
  void startUpload(Sends& out);
  // `fresh`: a new block takes the next block number; a repeat keeps it.
  void sendCurrentBlock(Sends& out, bool fresh);
  void nextText(Sends& out);
  // Every block of the upload's texts, numbered on from the scale's count.
  Bytes allBlocks();
  void consume(size_t n) { in_.erase(in_.begin(), in_.begin() + static_cast<long>(n)); }

  SimScale& scale_;
  Bytes in_;
  State state_ = State::Idle;
  bool close_ = false;
  int blocksSeen_ = 0;  // blocks received on this connection
  int blocksMoved_ = 0;  // blocks received or sent on this connection
  Bytes message_;
  bool spoiled_ = false;
  std::optional<Meaning> upload_;
  // The upload in progress: record texts, position, the block on the line.
  std::vector<Bytes> texts_;
  size_t textIndex_ = 0;
  size_t textOffset_ = 0;
  size_t blockData_ = 0;
  int blockNumber_ = 0;
  int wrongChecksLeft_ = 0;
  int resends_ = 0;
  Dribble dribble_;
  // Under the "flood" fault, where the PLUs of an upload come from.
  std::unique_ptr<FloodRecords> flood_;
};

// The record texts a block scale sends for its totals of `kind`.
std::vector<Bytes> blockTotalsTexts(const SimScale& scale, TotalsKind kind);

}  // namespace tolvan::sim
