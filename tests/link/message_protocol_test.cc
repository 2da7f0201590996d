#include "link/message_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frame/driver.h"
#include "link/scale_link.h"
#include "platform/socket.h"
#include "records/data_types.h"
#include "records/plu_record.h"
#include "records/record_header.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::FakeClock;
using testing::FakeSleeper;
using testing::TempDir;
using Bytes = std::vector<uint8_t>;

// One message as the scale received it, with the connection it came on.
struct Received {
  int connection = 0;
  Bytes header;
  Bytes body;
  int number() const { return (header[0] >> 4) * 10 + (header[0] & 0x0F); }
};

Bytes statusReply(uint8_t errorFlag = 0, int16_t received = 0, int16_t accepted = 0, int16_t errors = 0,
                  int16_t code = 0) {
  Bytes out = {0x00, 0, 0, errorFlag, 12, 0, 0, 0, 0, 0, 0, 0};
  for (int16_t v : {received, accepted, errors, code}) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
  }
  return out;
}

const Bytes kBusyReply = {0x80, 0, 0, 1, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1B, 0};

// Plays a message-family scale on a loopback port: takes connections one
// after another, reads every message (header and the body its length
// announces), notes it and answers with what `answer` gives.
class ScalePeer {
 public:
  using Answer = std::function<Bytes(const Received&)>;

  explicit ScalePeer(Answer answer) : answer_(std::move(answer)) {
    listener_ = socketListen(SocketKind::Stream, 0);
    port_ = socketLocalPort(listener_);
    thread_ = std::thread([this] { serve(); });
  }
  ~ScalePeer() { stop(); }

  uint16_t port() const { return port_; }
  // After this many connections the port refuses further ones.
  void refuseAfter(int connections) { acceptLimit_ = connections; }

  std::vector<Received> stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != kInvalidSocket) socketClose(listener_);
    listener_ = kInvalidSocket;
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  void serve() {
    int connection = 0;
    while (!stopping_ && listener_ != kInvalidSocket) {
      if (socketWaitReadableMs(listener_, 20) != 1) continue;
      SocketHandle s = socketAccept(listener_);
      if (s == kInvalidSocket) continue;
      if (++connection >= acceptLimit_) {
        // Closed before this connection is served, so the next connect fails.
        socketClose(listener_);
        listener_ = kInvalidSocket;
      }
      serveConnection(s, connection - 1);
      socketClose(s);
    }
  }

  void serveConnection(SocketHandle s, int connection) {
    for (;;) {
      Received message{connection, Bytes(8), {}};
      if (!readExact(s, message.header)) return;
      uint32_t length = message.header[4] | message.header[5] << 8 | message.header[6] << 16 |
                        static_cast<uint32_t>(message.header[7]) << 24;
      message.body.resize(length);
      if (!readExact(s, message.body)) return;
      {
        std::lock_guard lock(mutex_);
        received_.push_back(message);
      }
      Bytes reply = answer_(message);
      if (!reply.empty()) socketSend(s, reply);
    }
  }

  bool readExact(SocketHandle s, Bytes& out) {
    size_t held = 0;
    while (held < out.size()) {
      if (socketWaitReadableMs(s, 10000) != 1) return false;
      long n = socketRecv(s, std::span<uint8_t>(out.data() + held, out.size() - held));
      if (n <= 0) return false;
      held += static_cast<size_t>(n);
    }
    return true;
  }

  Answer answer_;
  SocketHandle listener_ = kInvalidSocket;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> acceptLimit_{1 << 30};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<Received> received_;
};

Bytes okToEverything(const Received&) { return statusReply(); }

class MessageProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    socketStartup();
    scale_ = new ScaleEntry("scale1", 0, 594);
    driver_.scales.append(scale_);
    scale_->driver = &driver_;
    scale_->ip = "127.0.0.1";
    scale_->model = kModelMerioPro;
    scale_->version = kVersionChina;
    scale_->receiveTimeout = 30;
    scale_->trafficLogFile = dir_.file("scale.log");
  }

  void addPlu(int pluNo, int mode = 1) {
    auto* plu = allocRecord<PluRecord>();
    plu->pluNo = pluNo;
    driver_.records.append(plu);
    driver_.headers.append(new RecordHeader{1, mode, pluNo});
  }
  void addDeletion(int dataType, int recNo) {
    auto* deletion = allocRecord<DeletionRecord>();
    deletion->dataType = static_cast<uint16_t>(dataType);
    deletion->recNo = recNo;
    driver_.records.append(deletion);
    driver_.headers.append(new RecordHeader{dataType, 2, recNo});
  }

  // Runs a procedure the way the worker does: connect, run, close.
  std::vector<Received> run(ScalePeer& peer, MessageCode (*procedure)(ScaleEntry&), MessageCode& result) {
    scale_->port = peer.port();
    EXPECT_TRUE(ScaleConnect(*scale_));
    result = procedure(*scale_);
    ScaleClose(*scale_);
    return peer.stop();
  }

  std::string scaleLog() const { return dir_.read("scale.log"); }

  static std::vector<int> numbers(const std::vector<Received>& messages) {
    std::vector<int> out;
    for (const auto& m : messages) out.push_back(m.number());
    return out;
  }
  static std::vector<int> connections(const std::vector<Received>& messages) {
    std::vector<int> out;
    for (const auto& m : messages) out.push_back(m.connection);
    return out;
  }

  TempDir dir_;
  FakeClock clock_;
  FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry* scale_ = nullptr;
};

// ---- Sessions and batches --------------------------------------------

TEST_F(MessageProtocol, SessionOpensAndClosesWithBareHeaders) {
  addPlu(123);
  ScalePeer peer(okToEverything);
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgOk);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].header, (Bytes{0x80, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(got[0].body.empty());
  EXPECT_EQ(got[2].header, (Bytes{0x81, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(connections(got), (std::vector<int>{0, 1, 2}));
  std::vector<int> pauses = sleeper_.pauses();
  ASSERT_FALSE(pauses.empty());
  EXPECT_EQ(pauses[0], 200);  // after the start, before the first reconnect
}

TEST_F(MessageProtocol, BatchHeaderAnnouncesTheSumOfItsRecords) {
  addPlu(123);
  addPlu(124);
  ScalePeer peer(okToEverything);
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgOk);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[1].header, (Bytes{0x30, 0, 0, 0, 0xB4, 0, 0, 0}));
  ASSERT_EQ(got[1].body.size(), 180u);
  EXPECT_EQ(Bytes(got[1].body.begin(), got[1].body.begin() + 12),
            (Bytes{0x30, 0, 0, 0, 0, 0, 0x52, 0, 0x00, 0x00, 0x01, 0x23}));
  EXPECT_EQ(Bytes(got[1].body.begin() + 90, got[1].body.begin() + 102),
            (Bytes{0x30, 0, 0, 0, 0, 0, 0x52, 0, 0x00, 0x00, 0x01, 0x24}));
  std::string log = scaleLog();
  EXPECT_NE(log.find("Msg = 30 Size = 180\r\n"), std::string::npos);
  // Header as a Send entry, each record as a bare dump of its own.
  size_t text = log.find("Msg = 30");
  EXPECT_NE(log.rfind(" Send 8 Bytes", text), std::string::npos);
  EXPECT_EQ(log.find(" Send 90 Bytes"), std::string::npos);
}

TEST_F(MessageProtocol, TwoHundredFiftyRecordsGoAsThreeBatchesOnFreshConnections) {
  for (int i = 1; i <= 250; ++i) addPlu(i);
  ScalePeer peer(okToEverything);
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgOk);
  EXPECT_EQ(numbers(got), (std::vector<int>{80, 30, 30, 30, 81}));
  EXPECT_EQ(connections(got), (std::vector<int>{0, 1, 2, 3, 4}));
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[1].body.size(), 9000u);
  EXPECT_EQ(got[2].body.size(), 9000u);
  EXPECT_EQ(got[3].body.size(), 4500u);
  EXPECT_EQ(got[3].body[8 + 3], 0x01);  // PLU 201 opens the last batch
  std::string log = scaleLog();
  EXPECT_NE(log.find("Msg = 30 Size = 4500"), std::string::npos);
  EXPECT_EQ(scale_->nextRecord, 250);
}

TEST_F(MessageProtocol, EachRunOfOneModeIsItsOwnMessage) {
  addPlu(1);
  addPlu(2);
  addDeletion(1, 3);
  addDeletion(1, 4);
  addPlu(5);
  ScalePeer peer(okToEverything);
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgOk);
  ASSERT_EQ(numbers(got), (std::vector<int>{80, 30, 0, 30, 81}));
  EXPECT_EQ(got[1].body.size(), 180u);
  EXPECT_EQ(got[2].header, (Bytes{0x00, 0, 0, 0, 8, 0, 0, 0}));
  EXPECT_EQ(got[2].body, (Bytes{0, 0, 0, 3, 0, 0, 0, 4}));
  EXPECT_EQ(got[3].body.size(), 90u);
}

TEST_F(MessageProtocol, RecordsThatDoNotConvertAreReportedAndSkipped) {
  addPlu(1);
  addDeletion(static_cast<int>(DataType::PriceCng), 2);  // price changes have no deletion
  addDeletion(static_cast<int>(DataType::PriceCng), 3);
  addPlu(4);
  ScalePeer peer(okToEverything);
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgOk);
  EXPECT_EQ(numbers(got), (std::vector<int>{80, 30, 30, 81}));
  std::string log = scaleLog();
  EXPECT_NE(log.find("Error converting to scale data format for line 2"), std::string::npos);
  EXPECT_NE(log.find("Error converting to scale data format for line 3"), std::string::npos);
}

// One resend file entry: data type, mode, length, 4 unused bytes, record.
void appendResendEntry(std::FILE* file, int dataType, int mode, const void* record, uint32_t length) {
  uint8_t header[12] = {static_cast<uint8_t>(dataType), 0, static_cast<uint8_t>(mode), 0,
                        static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0, 0};
  std::fwrite(header, 1, sizeof header, file);
  std::fwrite(record, 1, length, file);
}

TEST_F(MessageProtocol, ResendFileEntryThatDoesNotConvertEndsItsBatchSilently) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  PluRecord plu{};
  for (int no : {7, 8}) {
    plu.pluNo = no;
    appendResendEntry(file, 1, 1, &plu, sizeof plu);
  }
  DeletionRecord priceDeletion{6, 9};
  appendResendEntry(file, 6, 2, &priceDeletion, sizeof priceDeletion);
  DeletionRecord pluDeletion{1, 10};
  appendResendEntry(file, 1, 2, &pluDeletion, sizeof pluDeletion);
  std::rewind(file);
  scale_->fromResendFile = 1;
  scale_->workFile = file;
  ScalePeer peer(okToEverything);
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  std::fclose(file);
  scale_->workFile = nullptr;
  EXPECT_EQ(result, kMsgOk);
  ASSERT_EQ(numbers(got), (std::vector<int>{80, 30, 0, 81}));
  EXPECT_EQ(got[1].body.size(), 180u);
  EXPECT_EQ(got[2].body, (Bytes{0, 0, 0, 0x10}));
  EXPECT_EQ(scaleLog().find("Error converting"), std::string::npos);
}

// ---- Status replies ---------------------------------------------------

TEST_F(MessageProtocol, CountMismatchInStatusReplyIs25AndStillEndsTheSession) {
  for (int i = 1; i <= 150; ++i) addPlu(i);
  ScalePeer peer([](const Received& m) { return m.number() == 30 ? statusReply(1, 10, 8, 2, 0) : statusReply(); });
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgScaleDataError);
  EXPECT_EQ(numbers(got), (std::vector<int>{80, 30, 81}));
  EXPECT_NE(scaleLog().find("Scale received 10 records with 2 errors"), std::string::npos);
}

TEST_F(MessageProtocol, ErrorFlagWithMatchingCountsIs26WithTheErrorCode) {
  addPlu(1);
  ScalePeer peer([](const Received& m) { return m.number() == 30 ? statusReply(1, 10, 10, 0, 7) : statusReply(); });
  MessageCode result;
  run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgScaleErrorCode);
  EXPECT_NE(scaleLog().find("Error occurred on scale (Error Code = 7)"), std::string::npos);
}

TEST_F(MessageProtocol, FailedStartEndsAtOnceWithoutEndMessage) {
  addPlu(1);
  ScalePeer peer([](const Received&) { return statusReply(1, 0, 0, 0, 5); });
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgScaleErrorCode);
  EXPECT_EQ(numbers(got), (std::vector<int>{80}));
}

TEST_F(MessageProtocol, RefusedReconnectBeforeBatchIs18) {
  addPlu(1);
  ScalePeer peer(okToEverything);
  peer.refuseAfter(1);
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgCannotConnect);
  EXPECT_EQ(numbers(got), (std::vector<int>{80}));
  EXPECT_NE(scaleLog().find("Cannot connect to scale: 127.0.0.1"), std::string::npos);
}

// ---- Busy scale ---------------------------------------------------------

TEST_F(MessageProtocol, BusyScaleIsAskedAgainUntilItTakesTheSession) {
  addPlu(1);
  std::atomic<int> busyLeft{2};
  ScalePeer peer([&busyLeft](const Received& m) {
    if (m.number() == 80 && busyLeft > 0) {
      --busyLeft;
      return kBusyReply;
    }
    return statusReply();
  });
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgOk);
  EXPECT_EQ(numbers(got), (std::vector<int>{80, 81, 80, 81, 80, 30, 81}));
  EXPECT_EQ(connections(got), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(scaleLog().find("busy"), std::string::npos);
}

TEST_F(MessageProtocol, ScaleBusyPastConnectTimeoutGives27) {
  addPlu(1);
  scale_->connectTimeout = 5;
  ScalePeer peer([](const Received& m) { return m.number() == 80 ? kBusyReply : statusReply(); });
  MessageCode result;
  auto got = run(peer, MessageSend, result);
  EXPECT_EQ(result, kMsgScaleBusy);
  std::vector<int> seen = numbers(got);
  ASSERT_GE(seen.size(), 4u);
  EXPECT_LE(seen.size(), 8u);  // bounded by the connect time, not by the replies
  EXPECT_EQ(seen.back(), 81);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 30), 0);
  EXPECT_NE(scaleLog().find("MerioPro scale is busy"), std::string::npos);
  std::vector<int> pauses = sleeper_.pauses();
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 200), 0);
}

// ---- Receive ------------------------------------------------------------

// A PLU body of the scale: the 82 fixed bytes with the PLU number.
Bytes pluBody(uint8_t bcdLow) {
  Bytes body(82, 0);
  body[3] = bcdLow;
  return body;
}

Bytes dataReply(const std::vector<Bytes>& bodies, size_t trailing) {
  Bytes records;
  for (const auto& body : bodies) {
    Bytes header = {0x30, 0, 0, 0, 0, 0, static_cast<uint8_t>(body.size()), static_cast<uint8_t>(body.size() >> 8)};
    records.insert(records.end(), header.begin(), header.end());
    records.insert(records.end(), body.begin(), body.end());
  }
  records.insert(records.end(), trailing, 0x77);
  uint32_t n = static_cast<uint32_t>(records.size());
  Bytes out = {0x50, 0, 0, 0, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0};
  out.insert(out.end(), records.begin(), records.end());
  return out;
}

// A "plu" receive ends without a totals reset.
TEST_F(MessageProtocol, ReceiveSendsRequestAndHandsOnEveryRecord) {
  scale_->dataType = static_cast<int>(DataType::Plu);
  ScalePeer peer([](const Received& m) {
    return m.number() == 50 ? dataReply({pluBody(0x21), pluBody(0x22)}, 3) : statusReply();
  });
  MessageCode result;
  auto got = run(peer, MessageReceive, result);
  EXPECT_EQ(result, kMsgOk);
  ASSERT_EQ(numbers(got), (std::vector<int>{80, 50, 81}));
  EXPECT_EQ(got[1].header, (Bytes{0x50, 0, 0, 0, 4, 0, 0, 0}));
  EXPECT_EQ(got[1].body, (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(driver_.records.count(), 2);
  std::string log = scaleLog();
  EXPECT_NE(log.find(" Received 82 Bytes"), std::string::npos);
  EXPECT_EQ(log.find(" Received 3 Bytes"), std::string::npos);  // too short for a record
  std::vector<int> pauses = sleeper_.pauses();
  EXPECT_NE(std::find(pauses.begin(), pauses.end(), 200), pauses.end());
  EXPECT_NE(std::find(pauses.begin(), pauses.end(), 1000), pauses.end());
}

TEST_F(MessageProtocol, ErrorFlagInDataReplyIs26) {
  scale_->dataType = static_cast<int>(DataType::Plu);
  ScalePeer peer([](const Received& m) {
    Bytes reply = statusReply(m.number() == 50 ? 1 : 0, 0, 0, 0, 9);
    return reply;
  });
  MessageCode result;
  auto got = run(peer, MessageReceive, result);
  EXPECT_EQ(result, kMsgScaleErrorCode);
  EXPECT_EQ(numbers(got), (std::vector<int>{80, 50, 81}));
  EXPECT_NE(scaleLog().find("Error Code = 9"), std::string::npos);
}

TEST_F(MessageProtocol, TypeWithoutRequestIs17AndTheSessionIsStillClosed) {
  scale_->dataType = static_cast<int>(DataType::PriceCng);
  ScalePeer peer(okToEverything);
  MessageCode result;
  auto got = run(peer, MessageReceive, result);
  EXPECT_EQ(result, kMsgTypeNotSupported);
  EXPECT_EQ(numbers(got), (std::vector<int>{81}));
  EXPECT_NE(scaleLog().find("Import data type [pricecng] not supported by scale : scale1"), std::string::npos);
}

}  // namespace
}  // namespace tolvan
