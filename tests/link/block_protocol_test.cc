// The block protocol against a scale played on 127.0.0.1 from the wire
// description: selection, blocks and their answers, the line turn-round,
// check-byte retries and the scale's EOT, over TCP and UDP.
#include "link/block_protocol.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "frame/driver.h"
#include "link/block_frames.h"
#include "link/scale_link.h"
#include "platform/socket.h"
#include "records/plu_record.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kPeerWaitMs = 5000;

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A block as the scale frames it; `corrupt` spoils its check byte.
Bytes scaleBlock(int number, const Bytes& data, bool last, bool corrupt = false) {
  Bytes out(data.size() + kBlockOverhead);
  out.resize(buildBlock(out, number, data, last, true));
  if (corrupt) out.back() ^= 0x01;
  return out;
}

// The scale's side of the line, run by a script in its own thread. Reads
// give up after five seconds so a broken driver fails the test, not hangs it.
class ScalePeer {
 public:
  explicit ScalePeer(bool udp) : udp_(udp) {
    listener_ = socketListen(udp ? SocketKind::Datagram : SocketKind::Stream, 0);
    port_ = socketLocalPort(listener_);
  }
  ~ScalePeer() {
    if (thread_.joinable()) thread_.join();
    if (conn_ != kInvalidSocket && conn_ != listener_) socketClose(conn_);
    socketClose(listener_);
  }
  uint16_t port() const { return port_; }
  void run(std::function<void(ScalePeer&)> script) {
    thread_ = std::thread([this, script] { script(*this); });
  }
  void finish() {
    if (thread_.joinable()) thread_.join();
  }

  Bytes read(size_t n) {
    while (pending_.size() < n && fill()) {
    }
    size_t take = std::min(n, pending_.size());
    Bytes out(pending_.begin(), pending_.begin() + static_cast<long>(take));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(take));
    return out;
  }
  int readByte() {
    Bytes b = read(1);
    return b.empty() ? -1 : b[0];
  }
  // STX, number, data up to ETX or ETB, check byte.
  Bytes readBlock() {
    Bytes block = read(3);
    for (int b = readByte(); b >= 0; b = readByte()) {
      block.push_back(static_cast<uint8_t>(b));
      if (b == kEtx || b == kEtb) break;
    }
    Bytes check = read(1);
    block.insert(block.end(), check.begin(), check.end());
    return block;
  }
  void send(const Bytes& bytes) {
    if (!udp_ && !accepted()) return;
    if (udp_) {
      socketSendTo(listener_, bytes, peer_);
    } else {
      socketSend(conn_, bytes);
    }
  }
  void sendByte(uint8_t b) { send(Bytes{b}); }
  // The selection the driver makes: its enquiry, our ACK.
  bool answerEnquiry() {
    Bytes e = read(kEnquiryLen);
    sendByte(kAck);
    return isEnquiry(e, 1);
  }
  void hangUp() {
    if (conn_ != kInvalidSocket && !udp_) socketShutdown(conn_);
  }

 private:
  bool accepted() {
    if (conn_ == kInvalidSocket && socketWaitReadableMs(listener_, kPeerWaitMs) > 0) {
      conn_ = socketAccept(listener_);
    }
    return conn_ != kInvalidSocket;
  }
  bool fill() {
    if (!udp_ && !accepted()) return false;
    SocketHandle s = udp_ ? listener_ : conn_;
    if (socketWaitReadableMs(s, kPeerWaitMs) <= 0) return false;
    uint8_t buffer[1024];
    long n = udp_ ? socketRecvFrom(s, buffer, peer_) : socketRecv(s, buffer);
    if (n <= 0) return false;
    pending_.insert(pending_.end(), buffer, buffer + n);
    return true;
  }

  bool udp_;
  SocketHandle listener_ = kInvalidSocket;
  SocketHandle conn_ = kInvalidSocket;
  uint16_t port_ = 0;
  DatagramPeer peer_;
  Bytes pending_;
  std::thread thread_;
};

class BlockProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    socketStartup();
    logPath_ = ::testing::TempDir() + "block_protocol_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    std::remove(logPath_.c_str());
    scale_.driver = &driver_;
    scale_.ip = "127.0.0.1";
    scale_.model = kModelVt30;
    scale_.version = kVersionUsa;
    scale_.is8bit = 1;
    scale_.receiveTimeout = 2;
    scale_.trafficLogFile = logPath_;
  }
  void TearDown() override {
    ScaleClose(scale_);
    std::remove(logPath_.c_str());
  }

  void connectTo(ScalePeer& peer) {
    scale_.port = peer.port();
    scale_.protocol = udp_ ? kProtocolUdp : kProtocolTcp;
    ASSERT_TRUE(ScaleConnect(scale_));
  }
  std::string scaleLog() const {
    std::ifstream in(logPath_, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  int logged(const std::string& needle) const {
    std::string log = scaleLog();
    int n = 0;
    for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
    return n;
  }

  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"scale1", 0, 594};
  std::string logPath_;
  bool udp_ = false;
};

// ---- Sending ----

TEST_F(BlockProtocol, SelectsWithEnquiryAndCutsRecordsAt251Bytes) {
  ScalePeer peer(false);
  std::vector<Bytes> blocks;
  bool enquiryOk = false;
  int closing = 0;
  peer.run([&](ScalePeer& p) {
    enquiryOk = p.answerEnquiry();
    for (int i = 0; i < 5; ++i) {
      blocks.push_back(p.readBlock());
      p.sendByte(kAck);
    }
    closing = p.readByte();
  });
  connectTo(peer);
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
  EXPECT_EQ(blocks[0].size(), 256u);
  EXPECT_EQ(blocks[0][254], kEtx);
  EXPECT_EQ(blocks[1].size(), 256u);
  EXPECT_EQ(blocks[1][254], kEtb);
  EXPECT_EQ(blocks[2], scaleBlock(2, Bytes(1, 'b'), true));
  EXPECT_EQ(blocks[3][254], kEtb);
  EXPECT_EQ(blocks[4][254], kEtx);
  EXPECT_EQ(blocks[4], scaleBlock(4, Bytes(251, 'c'), true));
  EXPECT_EQ(closing, kEot);
}

TEST_F(BlockProtocol, BlockNumbersRunOnAcrossMessagesAndWrapAfter99) {
  ScalePeer peer(false);
  std::vector<Bytes> blocks;
  peer.run([&](ScalePeer& p) {
    p.answerEnquiry();
    for (int i = 0; i < 3; ++i) {
      blocks.push_back(p.readBlock());
      p.sendByte(kAck);
    }
  });
  connectTo(peer);
  scale_.blockSeq = 98;
  ASSERT_EQ(BlockEnquiry(scale_), kMsgOk);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(SendBlocks(scale_, text("A")), kMsgOk);
  peer.finish();
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0], scaleBlock(98, text("A"), true));
  EXPECT_EQ(blocks[1], scaleBlock(99, text("A"), true));
  EXPECT_EQ(blocks[2], (Bytes{kStx, '0', '0', 'A', kEtx, 0x3D}));
  EXPECT_EQ(scale_.blockSeq, 1);
}

TEST_F(BlockProtocol, RefusedBlockIsReportedAndTheNextBlockFollows) {
  ScalePeer peer(false);
  std::vector<Bytes> blocks;
  peer.run([&](ScalePeer& p) {
    p.answerEnquiry();
    blocks.push_back(p.readBlock());
    p.sendByte(kNak);
    blocks.push_back(p.readBlock());
    p.sendByte(kAck);
  });
  connectTo(peer);
  ASSERT_EQ(BlockEnquiry(scale_), kMsgOk);
  Bytes record(252, 'r');
  record.back() = 'z';
  EXPECT_EQ(SendBlocks(scale_, record), kMsgOk);
  peer.finish();
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[1], scaleBlock(1, text("z"), true));
  EXPECT_EQ(logged("NAK receiving from scale"), 1);
}

TEST_F(BlockProtocol, FifthRefusalInOneMessageEndsWithEot) {
  ScalePeer peer(false);
  int blocksSeen = 0;
  int after = 0;
  peer.run([&](ScalePeer& p) {
    p.answerEnquiry();
    for (int i = 0; i < 5; ++i) {
      if (p.readBlock().size() > kBlockOverhead) ++blocksSeen;
      p.sendByte(kNak);
    }
    after = p.readByte();
  });
  connectTo(peer);
  ASSERT_EQ(BlockEnquiry(scale_), kMsgOk);
  EXPECT_EQ(SendBlocks(scale_, Bytes(251 * 6, 'n')), kMsgNakReceived);
  peer.finish();
  EXPECT_EQ(blocksSeen, 5);
  EXPECT_EQ(after, kEot);
  EXPECT_EQ(logged("NAK receiving from scale"), 5);
}

TEST_F(BlockProtocol, StrangeBlockAnswerEndsWith22AndEot) {
  ScalePeer peer(false);
  int after = 0;
  peer.run([&](ScalePeer& p) {
    p.answerEnquiry();
    p.readBlock();
    p.sendByte('?');
    after = p.readByte();
  });
  connectTo(peer);
  ASSERT_EQ(BlockEnquiry(scale_), kMsgOk);
  EXPECT_EQ(SendBlocks(scale_, text("X")), kMsgReceiveError);
  peer.finish();
  EXPECT_EQ(after, kEot);
  EXPECT_EQ(logged("Error receiving from scale"), 1);
}

TEST_F(BlockProtocol, EnquiryRefusedOrUnansweredEndsWithEot) {
  {
    ScalePeer peer(false);
    int after = 0;
    peer.run([&](ScalePeer& p) {
      p.read(kEnquiryLen);
      p.sendByte(kNak);
      after = p.readByte();
    });
    connectTo(peer);
    EXPECT_EQ(BlockEnquiry(scale_), kMsgNakReceived);
    peer.finish();
    EXPECT_EQ(after, kEot);
    ScaleClose(scale_);
  }
  ScalePeer silent(false);
  silent.run([&](ScalePeer& p) {
    p.read(kEnquiryLen);
    p.hangUp();
  });
  connectTo(silent);
  EXPECT_EQ(BlockEnquiry(scale_), kMsgReceiveTimeout);
  silent.finish();
  EXPECT_EQ(logged("Receive timeout"), 1);
}

TEST_F(BlockProtocol, SendRunsTheRecordListAndEndsWithEot) {
  auto* plu = allocRecord<PluRecord>();
  plu->pluNo = 123;
  plu->unitPrice = 250;
  driver_.records.append(plu);
  driver_.headers.append(new RecordHeader{1, kModeAdd, 123});
  ScalePeer peer(false);
  Bytes block;
  int after = 0;
  peer.run([&](ScalePeer& p) {
    p.answerEnquiry();
    block = p.readBlock();
    p.sendByte(kAck);
    after = p.readByte();
  });
  connectTo(peer);
  EXPECT_EQ(BlockSend(scale_), kMsgOk);
  peer.finish();
  ASSERT_EQ(block.size(), 118u + kBlockOverhead);
  EXPECT_EQ(std::string(block.begin() + 3, block.begin() + 11), "65000123");
  EXPECT_EQ(after, kEot);
  EXPECT_EQ(scale_.nextRecord, 1);
}

// ---- Receiving ----

class BlockReceiving : public BlockProtocol {
 protected:
  // Connects to a scale that plays `script` after the driver is selected
  // (the driver's reads are made directly with ReceiveMessage).
  MessageCode receiveOne(const std::function<void(ScalePeer&)>& script, Bytes& message, bool& end) {
    ScalePeer peer(false);
    peer.run(script);
    connectTo(peer);
    std::vector<uint8_t> buffer(kReceivedMessageCap + 2);
    size_t length = 0;
    MessageCode r = ReceiveMessage(scale_, buffer, length, end);
    message.assign(buffer.begin(), buffer.begin() + static_cast<long>(length));
    peer.finish();
    return r;
  }
};

TEST_F(BlockReceiving, JoinsBlocksUpToEtxAndAcksEach) {
  std::vector<int> answers;
  Bytes message;
  bool end = true;
  MessageCode r = receiveOne(
      [&](ScalePeer& p) {
        p.send(scaleBlock(7, text("hello "), false));
        answers.push_back(p.readByte());
        p.send(scaleBlock(8, text("world"), true));
        answers.push_back(p.readByte());
      },
      message, end);
  EXPECT_EQ(r, kMsgOk);
  EXPECT_FALSE(end);
  EXPECT_EQ(message, text("hello world"));
  EXPECT_EQ(answers, (std::vector<int>{kAck, kAck}));
}

TEST_F(BlockReceiving, BadCheckByteIsNakedAndTheBlockReadAgain) {
  std::vector<int> answers;
  Bytes message;
  bool end = false;
  MessageCode r = receiveOne(
      [&](ScalePeer& p) {
        p.send(scaleBlock(0, text("data"), true, true));
        answers.push_back(p.readByte());
        p.send(scaleBlock(0, text("data"), true));
        answers.push_back(p.readByte());
      },
      message, end);
  EXPECT_EQ(r, kMsgOk);
  EXPECT_EQ(message, text("data"));
  EXPECT_EQ(answers, (std::vector<int>{kNak, kAck}));
  EXPECT_EQ(logged("Checksum error on received data (retry 0)"), 1);
}

TEST_F(BlockReceiving, FifthBadCheckByteGivesUpWith30) {
  std::vector<int> answers;
  Bytes message;
  bool end = false;
  MessageCode r = receiveOne(
      [&](ScalePeer& p) {
        for (int i = 0; i < 5; ++i) {
          p.send(scaleBlock(0, text("data"), true, true));
          answers.push_back(p.readByte());
        }
      },
      message, end);
  EXPECT_EQ(r, kMsgMaxRetries);
  EXPECT_EQ(answers, (std::vector<int>{kNak, kNak, kNak, kNak, kEot}));
  for (int retry = 0; retry < 5; ++retry) {
    EXPECT_EQ(logged("Checksum error on received data (retry " + std::to_string(retry) + ")"), 1) << retry;
  }
  EXPECT_EQ(logged("Maximum retries exceeded - canceling operation"), 1);
}

TEST_F(BlockReceiving, LoneEotAtBlockStartEndsTheTransfer) {
  Bytes message;
  bool end = false;
  MessageCode r = receiveOne([&](ScalePeer& p) { p.sendByte(kEot); }, message, end);
  EXPECT_EQ(r, kMsgOk);
  EXPECT_TRUE(end);
  EXPECT_TRUE(message.empty());
}

TEST_F(BlockReceiving, EnquiryAtBlockStartIsAnsweredAndTheBlockReadNormally) {
  std::vector<int> answers;
  Bytes message;
  bool end = false;
  MessageCode r = receiveOne(
      [&](ScalePeer& p) {
        Enquiry e = buildEnquiry(1);
        p.send(Bytes(e.begin(), e.end()));
        answers.push_back(p.readByte());
        p.send(scaleBlock(3, text("after"), true));
        answers.push_back(p.readByte());
      },
      message, end);
  EXPECT_EQ(r, kMsgOk);
  EXPECT_FALSE(end);
  EXPECT_EQ(message, text("after"));
  EXPECT_EQ(answers, (std::vector<int>{kAck, kAck}));
}

TEST_F(BlockReceiving, CutEnquiryAtBlockStartIs22) {
  Bytes message;
  bool end = false;
  MessageCode r = receiveOne([&](ScalePeer& p) { p.send(Bytes{kEot, 'V', 'Q'}); }, message, end);
  EXPECT_EQ(r, kMsgReceiveError);
}

// 16 full blocks hold 4016 bytes; a last block of 79 makes 4095, the most
// a message may hold; one byte more is refused.
TEST_F(BlockReceiving, MessageOf4095FitsAnd4096IsRefused) {
  for (size_t lastLen : {size_t{79}, size_t{80}}) {
    Bytes message;
    bool end = false;
    MessageCode r = receiveOne(
        [&](ScalePeer& p) {
          for (int i = 0; i < 16; ++i) {
            p.send(scaleBlock(i, Bytes(251, 'm'), false));
            p.readByte();
          }
          p.send(scaleBlock(16, Bytes(lastLen, 'e'), true));
          p.readByte();
        },
        message, end);
    if (lastLen == 79) {
      EXPECT_EQ(r, kMsgOk);
      EXPECT_EQ(message.size(), 4095u);
    } else {
      EXPECT_EQ(r, kMsgReceiveError);
    }
    ScaleClose(scale_);
  }
}

// A scale that sends a longer block than the message buffer can hold is
// refused at once instead of being read until the time-out.
TEST_F(BlockReceiving, BlockPastTheMessageBufferIsRefused) {
  Bytes message;
  bool end = false;
  MessageCode r = receiveOne(
      [&](ScalePeer& p) {
        Bytes flood = {kStx, '0', '0'};
        flood.resize(5000, 'f');
        p.send(flood);
      },
      message, end);
  EXPECT_EQ(r, kMsgReceiveError);
}

TEST_F(BlockReceiving, ScaleHangingUpInsideABlockEndsWith28WithoutWaiting) {
  // The fake clock stands still: only noticing the hang-up ends the read.
  Bytes message;
  bool end = false;
  MessageCode r = receiveOne(
      [&](ScalePeer& p) {
        p.send(Bytes{kStx, '0', '0', 'p', 'a', 'r'});
        p.hangUp();
      },
      message, end);
  EXPECT_EQ(r, kMsgReceiveTimeout);
  EXPECT_EQ(logged("Receive timeout"), 1);
}

// Moves on one second whenever it is read, so a silent scale runs out the
// receive time-out after a read or two.
class SteppingClock : public Clock {
 public:
  int64_t nowSeconds() const override { return ++seconds_; }
  LocalTime localNow() const override { return LocalTime{}; }

 private:
  mutable std::atomic<int64_t> seconds_{1'000'000};
};

TEST_F(BlockReceiving, SilentScaleInsideABlockRunsOutTheTimeout) {
  SteppingClock stepping;
  Driver driver(stepping, sleeper_, nullptr);
  scale_.driver = &driver;
  scale_.receiveTimeout = 0;
  Bytes message;
  bool end = false;
  // The scale stays connected but sends no more than part of a block.
  MessageCode r = receiveOne([&](ScalePeer& p) { p.send(Bytes{kStx, '0', '0', 'p'}); }, message, end);
  scale_.driver = &driver_;
  EXPECT_EQ(r, kMsgReceiveTimeout);
}

// The whole receive: request, turn-round, the scale's enquiry, one PLU
// record, EOT. The record lands in the shared list.
void playPluUpload(ScalePeer& p, Bytes& request, bool& turned) {
  p.answerEnquiry();
  request = p.readBlock();
  p.sendByte(kAck);
  turned = p.readByte() == kEot;
  Enquiry e = buildEnquiry(1);
  p.send(Bytes(e.begin(), e.end()));
  p.readByte();  // ACK
  std::string plu = "65000123" + std::string(110, '0');
  p.send(scaleBlock(0, text(plu), true));
  p.readByte();
  p.sendByte(kEot);
}

TEST_F(BlockReceiving, ReceiveTurnsTheLineAndKeepsTheRecords) {
  for (bool udp : {false, true}) {
    SCOPED_TRACE(udp ? "udp" : "tcp");
    udp_ = udp;
    driver_.records.clearAndFree();
    scale_.dataType = 1;
    scale_.operation = kModeReceive;
    ScalePeer peer(udp);
    Bytes request;
    bool turned = false;
    peer.run([&](ScalePeer& p) { playPluUpload(p, request, turned); });
    connectTo(peer);
    scale_.blockSeq = 0;
    EXPECT_EQ(BlockReceive(scale_), kMsgOk);
    peer.finish();
    ScaleClose(scale_);
    EXPECT_EQ(request, scaleBlock(0, text("50000000"), true));
    EXPECT_TRUE(turned);
    ASSERT_EQ(driver_.records.count(), 1);
    EXPECT_EQ(static_cast<PluRecord*>(driver_.records.get(0))->pluNo, 123);
  }
}

TEST_F(BlockReceiving, WrongScaleEnquiryAfterTurnRoundIs22) {
  scale_.dataType = 1;
  ScalePeer peer(false);
  peer.run([&](ScalePeer& p) {
    p.answerEnquiry();
    p.readBlock();
    p.sendByte(kAck);
    p.readByte();
    p.send(Bytes{kEot, 'V', 'Q', '0', '2', kEnq});
  });
  connectTo(peer);
  EXPECT_EQ(BlockReceive(scale_), kMsgReceiveError);
  peer.finish();
}

TEST_F(BlockReceiving, TypeWithoutUploadRequestIs17WithoutTouchingTheLine) {
  scale_.dataType = 6;  // "pricecng"
  EXPECT_EQ(BlockReceive(scale_), kMsgTypeNotSupported);
  EXPECT_EQ(logged("Import data type [pricecng] not supported by scale : scale1"), 1);
}

}  // namespace
}  // namespace tolvan
