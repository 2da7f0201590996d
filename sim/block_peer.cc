#include "sim/block_peer.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string_view>

#include "sim/block_frame.h"

namespace tolvan::sim {
namespace {

// The driver gives up after five bad check bytes; the scale stops repeating
// a refused block a little later, in case a driver is more patient.
constexpr int kMaxResends = 10;

std::string_view textOf(const Bytes& b) { return {reinterpret_cast<const char*>(b.data()), b.size()}; }

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace

void BlockPeer::receive(std::span<const uint8_t> in, Sends& out) {
  if (close_) return;
  in_.insert(in_.end(), in.begin(), in.end());
  bool progressed = true;
  while (progressed && !in_.empty() && !close_) {
    switch (state_) {
      case State::Idle: progressed = stepIdle(out); break;
      case State::Selected: progressed = stepSelected(out); break;
      case State::AwaitEnquiryAck: progressed = stepAwaitAck(out); break;
      case State::Sending: progressed = stepSending(out); break;
      case State::Trickling:
      case State::Enquiring:
        in_.clear();
        progressed = false;
        break;
    }
  }
}

// Waits for an enquiry; anything else on an idle line is passed over.
bool BlockPeer::stepIdle(Sends& out) {
  if (in_[0] != kEot || (in_.size() >= 2 && in_[1] != 'V')) {
    consume(1);
    return true;
  }
  if (in_.size() < kEnquiryLen) return false;
  if (!isEnquiry(in_)) {
    consume(1);
    return true;
  }
  consume(kEnquiryLen);
  answerEnquiry(out);
  return true;
}

void BlockPeer::answerEnquiry(Sends& out) {
  ++scale_.enquiries;
  int naks = scale_.faults.enquiryNaks;
  if (naks < 0 || scale_.enquiries <= naks) {
    out.push_back({kNak});
    state_ = State::Idle;
    return;
  }
  out.push_back({kAck});
  state_ = State::Selected;
  message_.clear();
  spoiled_ = false;
  upload_.reset();
}

bool BlockPeer::stepSelected(Sends& out) {
  uint8_t first = in_[0];
  if (first == kStx) {
    ScannedBlock block = scanBlock(in_, scale_.profile.eightBit);
    if (block.result == ScanResult::NeedMore) return false;
    if (block.result == ScanResult::BadCheck) {
      // The driver does not send a refused block again: its record is lost.
      out.push_back({kNak});
      bool ended = block.terminator == kEtx;
      spoiled_ = !ended;
      if (ended) message_.clear();
      consume(block.length);
      countBlock();
      return true;
    }
    takeBlock(block.dataLength, block.terminator, out);
    consume(block.length);
    return true;
  }
  if (first == kEot) {
    if (in_.size() >= 2 && in_[1] == 'V') {
      if (in_.size() < kEnquiryLen) return false;
      if (isEnquiry(in_)) {
        consume(kEnquiryLen);
        answerEnquiry(out);
        return true;
      }
    }
    consume(1);
    endOfTransfer(out);
    return true;
  }
  consume(1);
  return true;
}

void BlockPeer::takeBlock(size_t dataLength, uint8_t terminator, Sends& out) {
  ++blocksSeen_;
  if (scale_.faults.nakBlock > 0 && blocksSeen_ == scale_.faults.nakBlock) {
    // The driver goes on with the next block, so the record stays incomplete.
    out.push_back({kNak});
    spoiled_ = true;
  } else {
    if (dataLength > kMaxRecordText - message_.size()) {
      spoiled_ = true;
    } else {
      message_.insert(message_.end(), in_.begin() + 3, in_.begin() + 3 + static_cast<long>(dataLength));
    }
    if (terminator == kEtx && !spoiled_ && dropsReset()) {
      // The clear record is neither acknowledged nor applied.
      close_ = true;
      return;
    }
    out.push_back({kAck});
  }
  if (terminator == kEtx) {
    if (!spoiled_) handleRecord();
    message_.clear();
    spoiled_ = false;
  }
  countBlock();
}

bool BlockPeer::dropsReset() const {
  if (!scale_.faults.resetDrop) return false;
  Action action = classifyBlockRecord(scale_.profile, textOf(message_)).meaning.action;
  return action == Action::ResetTotals || action == Action::ResetAllTotals;
}

void BlockPeer::countBlock() {
  ++blocksMoved_;
  if (scale_.faults.dropAfter > 0 && blocksMoved_ >= scale_.faults.dropAfter) close_ = true;
}

void BlockPeer::handleRecord() {
  BlockRecord r = classifyBlockRecord(scale_.profile, textOf(message_));
  RecordStore& store = scale_.store;
  switch (r.meaning.action) {
    case Action::Store: store.put(r.meaning.dataType, r.number, message_); break;
    case Action::Delete:
      if (r.number >= 0) store.erase(r.meaning.dataType, r.number);
      break;
    case Action::DeleteAll: store.erase(r.meaning.dataType, 0); break;
    case Action::Upload:
    case Action::UploadTotals: upload_ = r.meaning; break;
    case Action::ResetTotals: store.resetTotals(r.meaning.totals); break;
    case Action::ResetAllTotals:
      for (int k = 0; k < kTotalsKinds; ++k) store.resetTotals(static_cast<TotalsKind>(k));
      break;
    case Action::Acknowledge: break;
    default:
      // Kept under type 0, numbered in arrival order, so a dump shows it.
      store.put(kTypeUnknown, static_cast<int64_t>(store.ofType(kTypeUnknown).size()) + 1, message_);
      break;
  }
}

void BlockPeer::endOfTransfer(Sends& out) {
  if (!upload_) {
    state_ = State::Idle;
    return;
  }
  if (int period = scale_.faults.endlessEnquiryMs; period > 0) {
    // The scale keeps selecting the driver and never sends a record.
    upload_.reset();
    state_ = State::Enquiring;
    Bytes enquiry = buildEnquiry(scale_.profile.scaleNo);
    dribble_.start(enquiry, enquiry.size(), period, [enquiry] { return enquiry; });
    return;
  }
  startUpload(out);
}

void BlockPeer::startUpload(Sends& out) {
  texts_.clear();
  flood_.reset();
  if (upload_->action == Action::UploadTotals) {
    texts_ = blockTotalsTexts(scale_, upload_->totals);
  } else if (floodsUploadOf(scale_.faults, upload_->dataType)) {
    flood_ = std::make_unique<FloodRecords>(scale_.profile);
  } else {
    for (const Bytes* text : scale_.store.ofType(upload_->dataType)) {
      if (!text->empty() && text->size() <= kMaxRecordText) texts_.push_back(*text);
    }
  }
  upload_.reset();
  textIndex_ = 0;
  textOffset_ = 0;
  wrongChecksLeft_ = scale_.faults.badChecks;
  out.push_back(buildEnquiry(scale_.profile.scaleNo));
  state_ = State::AwaitEnquiryAck;
}

bool BlockPeer::stepAwaitAck(Sends& out) {
  uint8_t answer = in_[0];
  consume(1);
  if (answer != kAck) {
    state_ = State::Idle;
    return true;
  }
  if (scale_.faults.trickleMs > 0) {
    // The records come a byte at a time, over and over, and never an EOT.
    state_ = State::Trickling;
    dribble_.start(allBlocks(), 1, scale_.faults.trickleMs, [this] { return allBlocks(); });
    return true;
  }
  state_ = State::Sending;
  nextText(out);
  return true;
}

Bytes BlockPeer::allBlocks() {
  Bytes all;
  for (const Bytes& text : texts_) {
    for (size_t at = 0; at < text.size(); at += kMaxBlockData) {
      size_t n = std::min(kMaxBlockData, text.size() - at);
      int number = scale_.blockSeq;
      scale_.blockSeq = (scale_.blockSeq + 1) % 100;
      Bytes block = buildBlock(number, std::span<const uint8_t>(text.data() + at, n), at + n == text.size(),
                               scale_.profile.eightBit);
      all.insert(all.end(), block.begin(), block.end());
    }
  }
  return all;
}

// Sends the block at the current position, or EOT when all texts are out.
void BlockPeer::nextText(Sends& out) {
  if (textIndex_ >= texts_.size() && flood_) {
    texts_.assign(1, flood_->next());
    textIndex_ = 0;
  }
  if (textIndex_ >= texts_.size()) {
    out.push_back({kEot});
    texts_.clear();
    state_ = State::Idle;
    return;
  }
  resends_ = 0;
  sendCurrentBlock(out, true);
}

void BlockPeer::sendCurrentBlock(Sends& out, bool fresh) {
  const Bytes& text = texts_[textIndex_];
  size_t remaining = text.size() - textOffset_;
  blockData_ = remaining > kMaxBlockData ? kMaxBlockData : remaining;
  if (fresh) {
    blockNumber_ = scale_.blockSeq;
    scale_.blockSeq = (scale_.blockSeq + 1) % 100;
  }
  std::span<const uint8_t> data(text.data() + textOffset_, blockData_);
  Bytes block = buildBlock(blockNumber_, data, remaining <= kMaxBlockData, scale_.profile.eightBit);
  if (wrongChecksLeft_ > 0) {
    --wrongChecksLeft_;
    block.back() ^= 0x01;
  }
  out.push_back(std::move(block));
}

bool BlockPeer::stepSending(Sends& out) {
  uint8_t answer = in_[0];
  consume(1);
  if (answer == kAck) {
    countBlock();
    if (close_) return true;
    textOffset_ += blockData_;
    if (textOffset_ >= texts_[textIndex_].size()) {
      ++textIndex_;
      textOffset_ = 0;
    }
    nextText(out);
  } else if (answer == kNak) {
    if (++resends_ > kMaxResends) {
      out.push_back({kEot});
      state_ = State::Idle;
    } else {
      sendCurrentBlock(out, false);
    }
  } else if (answer == kEot) {
    state_ = State::Idle;  // the driver gave up on the transfer
  }
  return true;
}

// Totals texts: the code, then fixed-width decimal fields
//   PLU      PLU (6) quantity (6) weight (8) price (8)
//   hour     hour (2) quantity (6) weight (8) price (8)
//   operator operator (2) quantity (6) weight (8) amount (8)
// Under the "nondigit" fault the first record's weight starts with 'X'.
std::vector<Bytes> blockTotalsTexts(const SimScale& scale, TotalsKind kind) {
  std::vector<Bytes> texts;
  std::string code(blockTotalsCode(scale.profile, kind));
  const bool plu = kind == TotalsKind::Plu;
  for (const auto& [key, v] : scale.store.totals(kind)) {
    char fields[96];
    const char* format = plu ? "%06" PRId64 "%06" PRId64 "%08" PRId64 "%08" PRId64
                             : "%02" PRId64 "%06" PRId64 "%08" PRId64 "%08" PRId64;
    std::snprintf(fields, sizeof fields, format, key, v[0], v[1], v[2]);
    texts.push_back(bytesOf(code + fields));
  }
  if (scale.faults.nonDigit && !texts.empty()) texts[0][code.size() + (plu ? 12 : 8)] = 'X';
  return texts;
}

}  // namespace tolvan::sim
