// How a simulated scale answers: the message family's status and data
// replies, the block family's acknowledgements and upload turn-round, and
// every fault a scale can be told to show.
#include <gtest/gtest.h>

#include <string>

#include "sim/block_frame.h"
#include "sim/block_peer.h"
#include "sim/message_peer.h"
#include "sim/sim_bytes.h"

namespace tolvan::sim {
namespace {

Bytes hex(std::string_view text) {
  std::string compact;
  for (char c : text) {
    if (c != ' ') compact += c;
  }
  Bytes b;
  EXPECT_TRUE(fromHex(compact, b)) << text;
  return b;
}

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes message(int number, const Bytes& body) {
  Bytes m{packedMessageNumber(number), 0, 0, 0};
  appendLe32(m, static_cast<uint32_t>(body.size()));
  m.insert(m.end(), body.begin(), body.end());
  return m;
}

// A PLU record as a message scale is sent it: record header and an 82-byte
// body without description, the PLU number packed in its first 4 bytes.
Bytes pluRecord(int plu) {
  Bytes r = hex("30 00 00 00 00 00 52 00");
  appendBcd(r, plu, 8);
  r.resize(8 + 82, 0);
  return r;
}

const Bytes kOkStart = hex("80 00 00 00 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 00 00");
const Bytes kOkEnd = hex("81 00 00 00 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 00 00");
const Bytes kBusy = hex("80 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 1b 00");

class SimMessageScale : public ::testing::Test {
 protected:
  Sends send(const Bytes& bytes) {
    MessagePeer peer(scale);
    Sends out;
    peer.receive(bytes, out);
    return out;
  }
  Bytes only(const Bytes& bytes) {
    Sends out = send(bytes);
    EXPECT_EQ(out.size(), 1u);
    return out.empty() ? Bytes{} : out[0];
  }
  SimScale scale;
};

TEST_F(SimMessageScale, AnswersSessionStartAndEndOnceTheHeaderIsWhole) {
  MessagePeer peer(scale);
  Sends out;
  Bytes start = message(80, {});
  peer.receive(std::span<const uint8_t>(start).first(3), out);
  EXPECT_TRUE(out.empty());
  peer.receive(std::span<const uint8_t>(start).subspan(3), out);
  peer.receive(message(81, {}), out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], kOkStart);
  EXPECT_EQ(out[1], kOkEnd);
}

TEST_F(SimMessageScale, KeepsEveryRecordOfABatchAndCountsThem) {
  Bytes body = pluRecord(123);
  Bytes second = pluRecord(7);
  body.insert(body.end(), second.begin(), second.end());
  EXPECT_EQ(only(message(30, body)), hex("30 00 00 00 0c 00 00 00  00 00 00 00 02 00 02 00 00 00 00 00"));
  ASSERT_NE(scale.store.find(1, 123), nullptr);
  EXPECT_EQ(*scale.store.find(1, 123), pluRecord(123));
  EXPECT_EQ(*scale.store.find(1, 7), pluRecord(7));
}

TEST_F(SimMessageScale, DeletesOneRecordOrAllOfTheType) {
  only(message(30, pluRecord(1)));
  only(message(30, pluRecord(2)));
  only(message(32, hex("30 00 00 00 00 00 06 00  00 00 00 07 00 00")));
  EXPECT_EQ(only(message(0, hex("00 00 00 01"))),
            hex("00 00 00 00 0c 00 00 00  00 00 00 00 01 00 01 00 00 00 00 00"));
  EXPECT_EQ(scale.store.find(1, 1), nullptr);
  EXPECT_NE(scale.store.find(1, 2), nullptr);
  only(message(0, hex("00 00 00 00")));
  EXPECT_TRUE(scale.store.ofType(1).empty());
  EXPECT_NE(scale.store.find(2, 7), nullptr);  // other types stay
}

TEST_F(SimMessageScale, UploadRepliesWithTheRecordsInNumberOrder) {
  only(message(30, pluRecord(200)));
  only(message(30, pluRecord(100)));
  Bytes reply = only(message(50, hex("00 00 00 00")));
  Bytes expected = hex("50 00 00 00 b4 00 00 00");  // 2 x 90 bytes
  for (int plu : {100, 200}) {
    Bytes r = pluRecord(plu);
    expected.insert(expected.end(), r.begin(), r.end());
  }
  EXPECT_EQ(reply, expected);
  EXPECT_EQ(only(message(56, hex("00 00 00 00 00"))), hex("56 00 00 00 00 00 00 00"));
}

TEST_F(SimMessageScale, ServesSeededTotalsAndResetsThem) {
  scale.store.setTotals(TotalsKind::Plu, 123, {4, 750, 596});
  scale.store.setTotals(TotalsKind::Operator, 2, {1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(only(message(61, hex("00 00 00 00"))),
            hex("61 00 00 00 18 00 00 00  61 00 00 00 00 00 10 00"
                "00 00 01 23 00 00 00 04 00 00 07 50 00 00 05 96"));
  EXPECT_EQ(only(message(64, hex("99 00 00 00"))),
            hex("64 00 00 00 28 00 00 00  64 00 00 00 00 00 20 00  02 00 00 00"
                "00 00 00 01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00 05 00 00 00 06 00 00 00 07"));
  only(message(11, hex("00 00 00 00")));
  EXPECT_TRUE(scale.store.totals(TotalsKind::Plu).empty());
  EXPECT_FALSE(scale.store.totals(TotalsKind::Operator).empty());
  only(message(14, hex("00 00")));
  EXPECT_TRUE(scale.store.totals(TotalsKind::Operator).empty());
}

TEST_F(SimMessageScale, RefusesUnknownAndMalformedMessages) {
  EXPECT_EQ(only(message(99, {})), hex("99 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 01 00"));
  // A record length running past the body.
  EXPECT_EQ(only(message(30, hex("30 00 00 00 00 00 52 00 00 00"))),
            hex("30 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 02 00"));
  EXPECT_EQ(scale.store.size(), 0u);
  MessagePeer peer(scale);
  Sends out;
  peer.receive(hex("30 00 00 00 ff ff ff 7f"), out);
  EXPECT_TRUE(peer.wantsClose());
}

TEST_F(SimMessageScale, BusyFaultAnswersTheFirstSessionStartsBusy) {
  scale.faults.busyStarts = 2;
  EXPECT_EQ(only(message(80, {})), kBusy);
  EXPECT_EQ(only(message(81, {})), kOkEnd);
  EXPECT_EQ(only(message(80, {})), kBusy);
  EXPECT_EQ(only(message(80, {})), kOkStart);
}

TEST_F(SimMessageScale, ErrorFaultsFlagEveryReplyButTheSessionAndKeepNothing) {
  scale.faults.errorReply = true;
  scale.faults.errorCode = 7;
  EXPECT_EQ(only(message(80, {})), kOkStart);
  EXPECT_EQ(only(message(30, pluRecord(5))), hex("30 00 00 01 0c 00 00 00  00 00 00 00 01 00 01 00 00 00 07 00"));
  EXPECT_EQ(scale.store.size(), 0u);
  EXPECT_EQ(only(message(50, hex("00 00 00 00"))), hex("50 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 07 00"));
  scale.faults = FaultPlan{};
  scale.faults.countsReply = true;
  scale.faults.countReceived = 10;
  scale.faults.countAccepted = 8;
  scale.faults.countErrors = 2;
  EXPECT_EQ(only(message(30, pluRecord(5))), hex("30 00 00 01 0c 00 00 00  00 00 00 00 0a 00 08 00 02 00 00 00"));
}

class SimBlockScale : public ::testing::Test {
 protected:
  SimBlockScale() {
    scale.profile.family = Family::Block;
    scale.profile.model = 0;
    scale.profile.version = 0;  // usa
  }
  Sends feed(BlockPeer& peer, const Bytes& bytes) {
    Sends out;
    peer.receive(bytes, out);
    return out;
  }
  Bytes block(std::string_view data, bool last = true) { return buildBlock(seq_++, text(data), last, true); }
  // Selects the scale and sends `records`, one block each, then EOT.
  void sendRecords(BlockPeer& peer, std::initializer_list<std::string_view> records) {
    ASSERT_EQ(feed(peer, buildEnquiry(1)), Sends{{kAck}});
    for (std::string_view r : records) feed(peer, block(r));
    feed(peer, {kEot});
  }
  SimScale scale;
  int seq_ = 0;
};

TEST_F(SimBlockScale, AcknowledgesTheEnquiryAndEveryGoodBlock) {
  BlockPeer peer(scale);
  EXPECT_EQ(feed(peer, buildEnquiry(1)), Sends{{kAck}});
  std::string plu = "65000123" + std::string(110, '0');
  EXPECT_EQ(feed(peer, block(plu)), Sends{{kAck}});
  EXPECT_EQ(feed(peer, {kEot}), Sends{});
  ASSERT_NE(scale.store.find(1, 123), nullptr);
  EXPECT_EQ(*scale.store.find(1, 123), text(plu));
}

TEST_F(SimBlockScale, JoinsTheBlocksOfOneRecord) {
  BlockPeer peer(scale);
  feed(peer, buildEnquiry(1));
  std::string plu = "65000042" + std::string(244, '1');  // 252 bytes: 251 + 1
  Bytes both = block(std::string_view(plu).substr(0, 251), false);
  Bytes tail = block(std::string_view(plu).substr(251));
  both.insert(both.end(), tail.begin(), tail.end());
  EXPECT_EQ(feed(peer, both), (Sends{{kAck}, {kAck}}));
  ASSERT_NE(scale.store.find(1, 42), nullptr);
  EXPECT_EQ(scale.store.find(1, 42)->size(), 252u);
}

TEST_F(SimBlockScale, RefusesABlockWithAWrongCheckByte) {
  BlockPeer peer(scale);
  feed(peer, buildEnquiry(1));
  Bytes bad = block("65000001");
  bad.back() ^= 0x20;
  EXPECT_EQ(feed(peer, bad), Sends{{kNak}});
  EXPECT_EQ(feed(peer, block("65000002")), Sends{{kAck}});
  EXPECT_EQ(scale.store.find(1, 1), nullptr);
  EXPECT_NE(scale.store.find(1, 2), nullptr);
}

TEST_F(SimBlockScale, AppliesDeletionsAndDeleteAll) {
  BlockPeer peer(scale);
  sendRecords(peer, {"65000001", "65000002", "35070Hello", "10000001"});
  EXPECT_EQ(scale.store.find(1, 1), nullptr);
  EXPECT_NE(scale.store.find(1, 2), nullptr);
  sendRecords(peer, {"10000000"});
  EXPECT_TRUE(scale.store.ofType(1).empty());
  EXPECT_NE(scale.store.find(2, 7), nullptr);
}

TEST_F(SimBlockScale, TurnsTheLineForAnUploadAndEndsWithEot) {
  BlockPeer peer(scale);
  sendRecords(peer, {"65000002", "65000001"});
  feed(peer, buildEnquiry(1));
  feed(peer, block("50000000"));
  EXPECT_EQ(feed(peer, {kEot}), Sends{buildEnquiry(1)});
  EXPECT_EQ(feed(peer, {kAck}), Sends{buildBlock(0, text("65000001"), true, true)});
  EXPECT_EQ(feed(peer, {kAck}), Sends{buildBlock(1, text("65000002"), true, true)});
  EXPECT_EQ(feed(peer, {kAck}), Sends{{kEot}});
  EXPECT_EQ(scale.blockSeq, 2);
}

TEST_F(SimBlockScale, SendsTotalsAsFixedWidthTexts) {
  scale.store.setTotals(TotalsKind::Plu, 123, {4, 750, 596});
  std::vector<Bytes> texts = blockTotalsTexts(scale, TotalsKind::Plu);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], text("40" "000123" "000004" "00000750" "00000596"));
  scale.profile.version = 1;
  scale.store.setTotals(TotalsKind::Hour, 9, {1, 2, 3});
  EXPECT_EQ(blockTotalsTexts(scale, TotalsKind::Hour)[0], text("430109000001000000020000000" "3"));
}

TEST_F(SimBlockScale, EnquiryNakFaultRefusesTheFirstSelections) {
  scale.faults.enquiryNaks = 1;
  BlockPeer peer(scale);
  EXPECT_EQ(feed(peer, buildEnquiry(1)), Sends{{kNak}});
  EXPECT_EQ(feed(peer, buildEnquiry(1)), Sends{{kAck}});
}

TEST_F(SimBlockScale, NakFaultLosesTheRefusedRecordOnly) {
  scale.faults.nakBlock = 2;
  BlockPeer peer(scale);
  feed(peer, buildEnquiry(1));
  EXPECT_EQ(feed(peer, block("65000001")), Sends{{kAck}});
  EXPECT_EQ(feed(peer, block("65000002")), Sends{{kNak}});
  EXPECT_EQ(feed(peer, block("65000003")), Sends{{kAck}});
  EXPECT_NE(scale.store.find(1, 1), nullptr);
  EXPECT_EQ(scale.store.find(1, 2), nullptr);
  EXPECT_NE(scale.store.find(1, 3), nullptr);
}

TEST_F(SimBlockScale, BadCheckFaultRepeatsTheFirstBlockUntilRight) {
  scale.faults.badChecks = 2;
  scale.store.put(1, 5, text("65000005"));
  BlockPeer peer(scale);
  feed(peer, buildEnquiry(1));
  feed(peer, block("50000000"));
  feed(peer, {kEot});
  Bytes good = buildBlock(0, text("65000005"), true, true);
  Bytes wrong = good;
  wrong.back() ^= 0x01;
  EXPECT_EQ(feed(peer, {kAck}), Sends{wrong});
  EXPECT_EQ(feed(peer, {kNak}), Sends{wrong});
  EXPECT_EQ(feed(peer, {kNak}), Sends{good});
  EXPECT_EQ(feed(peer, {kAck}), Sends{{kEot}});
}

TEST_F(SimBlockScale, DropFaultClosesAfterTheGivenBlocks) {
  scale.faults.dropAfter = 2;
  BlockPeer peer(scale);
  feed(peer, buildEnquiry(1));
  feed(peer, block("65000001"));
  EXPECT_FALSE(peer.wantsClose());
  EXPECT_EQ(feed(peer, block("65000002")), Sends{{kAck}});
  EXPECT_TRUE(peer.wantsClose());
  EXPECT_EQ(feed(peer, block("65000003")), Sends{});
}

}  // namespace
}  // namespace tolvan::sim
