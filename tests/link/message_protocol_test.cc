// The message protocol against a scale played on 127.0.0.1: sessions,
// batches on fresh connections, status replies, the busy scale and receive.
#include "link/message_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/driver.h"
#include "core/record_list.h"
#include "link/scale_link.h"
#include "plu/plu_record.h"
#include "records/data_types.h"
#include "records/deletion_record.h"
#include "support/fakes.h"
#include "support/loopback_peer.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::Bytes;
using testing::LoopbackPeer;

// One message as the scale received it, with the connection it came on.
struct Received {
  int connection = 0;
  Bytes header;
  Bytes body;
  int number() const { return (header[0] >> 4) * 10 + (header[0] & 0x0F); }
};
using Answer = std::function<Bytes(const Received&)>;

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

Bytes okToEverything(const Received&) { return statusReply(); }

// Takes connections one after another, reads every message (header and the
// body its length announces), notes it and answers it. Connections past
// `refuseAfter` are refused.
void serveMessages(LoopbackPeer& p, const Answer& answer, std::vector<Received>& got, int refuseAfter) {
  for (int connection = 0; p.acceptNext(); ++connection) {
    if (connection + 1 >= refuseAfter) p.refuseMore();
    for (;;) {
      Received m{connection, p.read(8), {}};
      if (m.header.size() < 8) break;
      uint32_t length = m.header[4] | m.header[5] << 8 | m.header[6] << 16 | static_cast<uint32_t>(m.header[7]) << 24;
      m.body = p.read(length);
      if (m.body.size() < length) break;
      got.push_back(m);
      Bytes reply = answer(m);
      if (!reply.empty()) p.send(reply);
    }
  }
}

using Procedure = MessageCode (*)(ScaleEntry&);

class MessageProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    scale_ = new ScaleEntry("scale1", 0, 594);
    driver_.scales.append(scale_);
    scale_->driver = &driver_;
    scale_->ip = "127.0.0.1";
    scale_->model = kModelMerioPro;
    scale_->version = kVersionChina;
    scale_->receiveTimeout = 30;
    scale_->trafficLogFile = dir_.file("scale.log");
  }

  void addPlu(int pluNo) {
    PluRecord plu{};
    plu.pluNo = pluNo;
    driver_.records.appendImage(&plu, sizeof plu);
    driver_.headers.append(RecordHeader{1, 1, pluNo});
  }
  void addDeletion(int dataType, int recNo) {
    const DeletionRecord deletion{static_cast<uint16_t>(dataType), recNo};
    driver_.records.appendImage(&deletion, sizeof deletion);
    driver_.headers.append(RecordHeader{dataType, 2, recNo});
  }

  // Runs a procedure the way the worker does (connect, run, close) against
  // a scale that answers with `answer`; the outcome lands in result_.
  std::vector<Received> run(Procedure procedure, const Answer& answer = okToEverything, int refuseAfter = 1 << 30) {
    LoopbackPeer peer;
    std::vector<Received> got;
    peer.run([&](LoopbackPeer& p) { serveMessages(p, answer, got, refuseAfter); });
    scale_->port = peer.port();
    EXPECT_TRUE(ScaleConnect(*scale_));
    result_ = procedure(*scale_);
    ScaleClose(*scale_);
    peer.stop();
    return got;
  }

  std::string scaleLog() const { return dir_.read("scale.log"); }
  // The message numbers received, or with `onConnection` the connections they came on.
  static std::vector<int> numbers(const std::vector<Received>& messages, bool onConnection = false) {
    std::vector<int> out;
    for (const auto& m : messages) out.push_back(onConnection ? m.connection : m.number());
    return out;
  }

  testing::TempDir dir_;
  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_{&clock_};
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry* scale_ = nullptr;
  MessageCode result_ = kMsgInternalError;
};

// ---- Sessions and batches ----

// ---- Failures: the session is still closed where one was opened ----

struct FailureCase {
  const char* name;
  Procedure procedure;
  int dataType;     // for receive
  int plus;         // for send
  int failOn;       // the message answered with failReply
  Bytes failReply;
  int refuseAfter;  // connections
  MessageCode code;
  std::vector<int> numbers;
  const char* logged;
};

class MessageFailures : public MessageProtocol, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(MessageFailures, EndWithTheirCodeAndMessage) {
  const FailureCase& c = GetParam();
  scale_->dataType = c.dataType;
  for (int i = 1; i <= c.plus; ++i) addPlu(i);
  Answer answer = [&c](const Received& m) { return m.number() == c.failOn ? c.failReply : statusReply(); };
  auto got = run(c.procedure, answer, c.refuseAfter);
  EXPECT_EQ(result_, c.code);
  EXPECT_EQ(numbers(got), c.numbers);
  EXPECT_NE(scaleLog().find(c.logged), std::string::npos) << scaleLog();
}

const int kPlu = static_cast<int>(DataType::Plu);
const int kPriceCng = static_cast<int>(DataType::PriceCng);
const int kAll = 1 << 30;

INSTANTIATE_TEST_SUITE_P(
    Link, MessageFailures,
    ::testing::Values(
        // The second of the 150 records' batches is never sent.
        FailureCase{"CountMismatchIs25", MessageSend, kPlu, 150, 30, statusReply(1, 10, 8, 2, 0), kAll,
                    kMsgScaleDataError, {80, 30, 81}, "Scale received 10 records with 2 errors"},
        FailureCase{"ErrorFlagWithMatchingCountsIs26", MessageSend, kPlu, 1, 30, statusReply(1, 10, 10, 0, 7), kAll,
                    kMsgScaleErrorCode, {80, 30, 81}, "Error occurred on scale (Error Code = 7)"},
        FailureCase{"FailedStartEndsWithoutEndMessage", MessageSend, kPlu, 1, 80, statusReply(1, 0, 0, 0, 5), kAll,
                    kMsgScaleErrorCode, {80}, "Error Code = 5"},
        FailureCase{"RefusedReconnectBeforeBatchIs18", MessageSend, kPlu, 1, -1, {}, 1, kMsgCannotConnect, {80},
                    "Cannot connect to scale: 127.0.0.1"},
        FailureCase{"ErrorFlagInDataReplyIs26", MessageReceive, kPlu, 0, 50, statusReply(1, 0, 0, 0, 9), kAll,
                    kMsgScaleErrorCode, {80, 50, 81}, "Error Code = 9"},
        FailureCase{"TypeWithoutRequestIs17", MessageReceive, kPriceCng, 0, -1, {}, kAll, kMsgTypeNotSupported, {81},
                    "Import data type [pricecng] not supported by scale : scale1"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// ---- Busy scale ----

// The busy wait and the pauses the scale needs (the fake sleeper moves the
// clock) never count as a stall, even of 1 s.
TEST_F(MessageProtocol, ScaleBusyPastConnectTimeoutGives27) {
  addPlu(1);
  scale_->connectTimeout = 5;
  armScaleLimit(*scale_, clock_.monotonicMs(), 300, 1);
  auto got = run(MessageSend, [](const Received& m) { return m.number() == 80 ? kBusyReply : statusReply(); });
  EXPECT_EQ(result_, kMsgScaleBusy);
  std::vector<int> seen = numbers(got);
  ASSERT_GE(seen.size(), 4u);
  EXPECT_LE(seen.size(), 8u);  // bounded by the connect time, not by the replies
  EXPECT_EQ(seen.back(), 81);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 30), 0);
  EXPECT_NE(scaleLog().find("MerioPro scale is busy"), std::string::npos);
  std::vector<int> pauses = sleeper_.pauses();
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 200), 0);
}

// ---- Receive ----

// A data reply holding PLU records (82 bytes each) and `trailing` bytes too
// few for another record.
Bytes dataReply(const std::vector<uint8_t>& pluBcdLows, size_t trailing) {
  Bytes records;
  for (uint8_t low : pluBcdLows) {
    Bytes record(8 + 82, 0);  // record header of message 30, body 82
    record[0] = 0x30;
    record[6] = 82;
    record[8 + 3] = low;
    records.insert(records.end(), record.begin(), record.end());
  }
  records.insert(records.end(), trailing, 0x77);
  // Built at full size: GCC 12 warns falsely on an insert behind an initializer list.
  Bytes out(8 + records.size(), 0);
  out[0] = 0x50;
  out[4] = static_cast<uint8_t>(records.size());
  out[5] = static_cast<uint8_t>(records.size() >> 8);
  std::copy(records.begin(), records.end(), out.begin() + 8);
  return out;
}

// A "plu" receive ends without a totals reset.
TEST_F(MessageProtocol, ReceiveSendsRequestAndHandsOnEveryRecord) {
  scale_->dataType = static_cast<int>(DataType::Plu);
  auto got = run(MessageReceive,
                 [](const Received& m) { return m.number() == 50 ? dataReply({0x21, 0x22}, 3) : statusReply(); });
  EXPECT_EQ(result_, kMsgOk);
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

}  // namespace
}  // namespace tolvan
