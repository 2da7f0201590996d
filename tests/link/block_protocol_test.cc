// The block protocol against a scale played on 127.0.0.1: selection, blocks
// and their answers, the line turn-round, check-byte retries and the
// scale's EOT.
#include "link/block_protocol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/driver.h"
#include "link/block_frames.h"
#include "link/scale_link.h"
#include "plu/plu_record.h"
#include "support/fakes.h"
#include "support/loopback_peer.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::Bytes;
using testing::LoopbackPeer;
using testing::textBytes;
using Script = std::function<void(LoopbackPeer&)>;

// A block as the scale frames it; `corrupt` spoils its check byte.
Bytes scaleBlock(int number, const Bytes& data, bool last, bool corrupt = false) {
  Bytes out(data.size() + kBlockOverhead);
  out.resize(buildBlock(out, number, data, last, true));
  if (corrupt) out.back() ^= 0x01;
  return out;
}

Bytes enquiryBytes() {
  Enquiry e = buildEnquiry(1);
  return Bytes(e.begin(), e.end());
}

// STX, number, data up to ETX or ETB, check byte.
Bytes readBlock(LoopbackPeer& p) {
  Bytes block = p.read(3);
  for (int b = p.readByte(); b >= 0; b = p.readByte()) {
    block.push_back(static_cast<uint8_t>(b));
    if (b == kEtx || b == kEtb) break;
  }
  Bytes check = p.read(1);
  block.insert(block.end(), check.begin(), check.end());
  return block;
}

// The driver's selection: its enquiry, our ACK.
bool answerEnquiry(LoopbackPeer& p) {
  Bytes e = p.read(kEnquiryLen);
  p.sendByte(kAck);
  return isEnquiry(e, 1);
}

class BlockProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    scale_.driver = &driver_;
    scale_.ip = "127.0.0.1";
    scale_.model = kModelVt30;
    scale_.version = kVersionUsa;
    scale_.is8bit = 1;
    scale_.receiveTimeout = 2;
    scale_.trafficLogFile = dir_.file("scale.log");
  }
  void TearDown() override { ScaleClose(scale_); }

  void connectTo(LoopbackPeer& peer, const Script& script) {
    peer.run(script);
    scale_.port = peer.port();
    ASSERT_TRUE(ScaleConnect(scale_));
  }
  int logged(const std::string& needle) const {
    std::string log = dir_.read("scale.log");
    int n = 0;
    for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
    return n;
  }

  testing::TempDir dir_;
  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"scale1", 0, 594};
};

// ---- Sending ----

// Records are cut at 251 bytes; block numbers run on across messages and
// wrap after 99.
TEST_F(BlockProtocol, SelectsWithEnquiryCutsRecordsAndNumbersBlocksOn) {
  LoopbackPeer peer;
  std::vector<Bytes> blocks;
  bool enquiryOk = false;
  int closing = 0;
  connectTo(peer, [&](LoopbackPeer& p) {
    enquiryOk = answerEnquiry(p);
    for (int i = 0; i < 5; ++i) {
      blocks.push_back(readBlock(p));
      p.sendByte(kAck);
    }
    closing = p.readByte();
  });
  scale_.blockSeq = 98;
  ASSERT_EQ(BlockEnquiry(scale_), kMsgOk);
  EXPECT_EQ(SendBlocks(scale_, Bytes(251, 'a')), kMsgOk);
  EXPECT_EQ(SendBlocks(scale_, Bytes(252, 'b')), kMsgOk);
  EXPECT_EQ(SendBlocks(scale_, Bytes(502, 'c')), kMsgOk);
  EXPECT_EQ(SendBlocks(scale_, Bytes()), kMsgOk);  // nothing goes out
  const uint8_t eot[] = {kEot};
  ASSERT_EQ(ScaleSend(scale_, eot), kMsgOk);
  peer.finish();

  EXPECT_TRUE(enquiryOk);
  ASSERT_EQ(blocks.size(), 5u);
  EXPECT_EQ(blocks[0], scaleBlock(98, Bytes(251, 'a'), true));
  EXPECT_EQ(blocks[1], scaleBlock(99, Bytes(251, 'b'), false));
  EXPECT_EQ(blocks[2], scaleBlock(0, Bytes(1, 'b'), true));
  EXPECT_EQ(blocks[3], scaleBlock(1, Bytes(251, 'c'), false));
  EXPECT_EQ(blocks[4], scaleBlock(2, Bytes(251, 'c'), true));
  EXPECT_EQ(closing, kEot);
  EXPECT_EQ(scale_.blockSeq, 3);
  // Every block goes out in one send, framing and data together.
  EXPECT_EQ(logged(" Send "), 7);  // the enquiry, five blocks, the EOT
  EXPECT_EQ(logged(" Send " + std::to_string(251 + kBlockOverhead) + " Bytes"), 4);
}

// A NAK is logged and the next block follows (the refused one is not sent
// again); the fifth NAK of a message, any strange answer or a refused
// selection ends with EOT.
TEST_F(BlockProtocol, BlockAnswersDecideHowTheMessageGoesOn) {
  struct Case {
    const char* name;
    int enquiryAnswer;  // -1: the scale hangs up instead
    Bytes answers;
    size_t textLen;
    MessageCode code;
    int after;  // what the driver sends after the last answer
    const char* logNeedle;
    int logCount;
  };
  const Case cases[] = {
      {"nak then ack", kAck, {kNak, kAck}, 252, kMsgOk, -1, "NAK receiving from scale", 1},
      {"five naks", kAck, Bytes(5, kNak), 251 * 6, kMsgNakReceived, kEot, "NAK receiving from scale", 5},
      {"strange answer", kAck, {'?'}, 1, kMsgReceiveError, kEot, "Error receiving from scale", 1},
      {"enquiry refused", kNak, {}, 1, kMsgNakReceived, kEot, "NAK receiving from scale", 1},
      {"enquiry unanswered", -1, {}, 1, kMsgReceiveTimeout, 0, "Receive timeout", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(scale_.trafficLogFile->c_str());
    scale_.blockSeq = 0;
    LoopbackPeer peer;
    std::vector<Bytes> blocks;
    int after = 0;
    connectTo(peer, [&](LoopbackPeer& p) {
      p.read(kEnquiryLen);
      if (c.enquiryAnswer < 0) return p.hangUp();
      p.sendByte(static_cast<uint8_t>(c.enquiryAnswer));
      for (uint8_t answer : c.answers) {
        blocks.push_back(readBlock(p));
        p.sendByte(answer);
      }
      after = p.readByte();
    });
    MessageCode code = BlockEnquiry(scale_);
    if (code == kMsgOk) code = SendBlocks(scale_, Bytes(c.textLen, 'r'));
    EXPECT_EQ(code, c.code);
    ScaleClose(scale_);
    peer.finish();
    ASSERT_EQ(blocks.size(), c.answers.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
      ASSERT_GT(blocks[i].size(), kBlockOverhead);
      EXPECT_EQ(blocks[i][2], static_cast<uint8_t>('0' + i)) << "block " << i;
    }
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(logged(c.logNeedle), c.logCount);
  }
}

// ---- Receiving ----

// What the scale sends, one piece after another; after each of the first
// answers.size() pieces it reads the driver's one-byte answer.
struct ReceiveCase {
  const char* name;
  std::vector<Bytes> sends;
  bool hangUp;
  MessageCode code;
  Bytes message;  // checked when the code is 0
  bool end;
  std::vector<int> answers;
  std::vector<std::pair<std::string, int>> logs;  // text, times logged
};

// 16 full blocks hold 4016 bytes; a last block of 79 fills the 4095-byte
// message buffer.
std::vector<Bytes> fullBlocksThen(size_t lastLen) {
  std::vector<Bytes> sends;
  for (int i = 0; i < 16; ++i) sends.push_back(scaleBlock(i, Bytes(251, 'm'), false));
  sends.push_back(scaleBlock(16, Bytes(lastLen, 'e'), true));
  return sends;
}

TEST_F(BlockProtocol, ReceivedMessagesAndHostileBlocks) {
  Bytes biggest(16 * 251, 'm');
  biggest.resize(4095, 'e');
  Bytes flood = {kStx, '0', '0'};
  flood.resize(5000, 'f');
  const Bytes data = textBytes("data");
  const Bytes bad = scaleBlock(0, data, true, true);
  const std::string checksum = "Checksum error on received data (retry ";
  const ReceiveCase cases[] = {
      {"two blocks joined", {scaleBlock(7, textBytes("hello "), false), scaleBlock(8, textBytes("world"), true)},
       false, kMsgOk, textBytes("hello world"), false, {kAck, kAck}, {}},
      {"bad check byte read again", {bad, scaleBlock(0, data, true)}, false, kMsgOk, data, false, {kNak, kAck},
       {{checksum + "0)", 1}, {checksum + "1)", 0}}},
      {"fifth bad check byte", std::vector<Bytes>(5, bad), false, kMsgMaxRetries, {}, false,
       {kNak, kNak, kNak, kNak, kEot},
       {{checksum + "0)", 1}, {checksum + "4)", 1}, {"Maximum retries exceeded - canceling operation", 1}}},
      {"lone eot", {{kEot}}, false, kMsgOk, {}, true, {}, {}},
      {"enquiry before the block", {enquiryBytes(), scaleBlock(3, textBytes("after"), true)}, false, kMsgOk,
       textBytes("after"), false, {kAck, kAck}, {}},
      {"cut enquiry", {{kEot, 'V', 'Q'}}, false, kMsgReceiveError, {}, false, {}, {}},
      {"message of 4095", fullBlocksThen(79), false, kMsgOk, biggest, false, std::vector<int>(17, kAck), {}},
      {"message of 4096", fullBlocksThen(80), false, kMsgReceiveError, {}, false, std::vector<int>(16, kAck), {}},
      // Refused at once rather than read on until the time-out.
      {"block past the buffer", {flood}, false, kMsgReceiveError, {}, false, {}, {}},
      // The fake clock stands still: only noticing the hang-up ends the read.
      {"hang-up inside a block", {{kStx, '0', '0', 'p', 'a', 'r'}}, true, kMsgReceiveTimeout, {}, false, {},
       {{"Receive timeout", 1}}},
  };
  for (const ReceiveCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(scale_.trafficLogFile->c_str());
    LoopbackPeer peer;
    std::vector<int> answers;
    connectTo(peer, [&](LoopbackPeer& p) {
      for (const Bytes& piece : c.sends) {
        p.send(piece);
        if (answers.size() < c.answers.size()) answers.push_back(p.readByte());
      }
      if (c.hangUp) p.hangUp();
    });
    std::vector<uint8_t> buffer(kReceivedMessageCap + 2);
    size_t length = 0;
    bool end = false;
    EXPECT_EQ(ReceiveMessage(scale_, buffer, length, end), c.code);
    peer.finish();
    ScaleClose(scale_);
    if (c.code == kMsgOk) {
      EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(length)), c.message);
      EXPECT_EQ(end, c.end);
    }
    EXPECT_EQ(answers, c.answers);
    for (const auto& [needle, times] : c.logs) EXPECT_EQ(logged(needle), times) << needle;
  }
}

// After the turn-round the scale must select with its own number.
TEST_F(BlockProtocol, WrongScaleEnquiryAfterTurnRoundIs22) {
  scale_.dataType = 1;
  LoopbackPeer peer;
  connectTo(peer, [](LoopbackPeer& p) {
    answerEnquiry(p);
    readBlock(p);
    p.sendByte(kAck);
    p.readByte();
    p.send(Bytes{kEot, 'V', 'Q', '0', '2', kEnq});
  });
  EXPECT_EQ(BlockReceive(scale_), kMsgReceiveError);
  peer.finish();
}

}  // namespace
}  // namespace tolvan
