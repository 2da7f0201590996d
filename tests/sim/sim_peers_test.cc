// How a simulated scale answers: the message family's status and data
// replies, the block family's acknowledgements and upload turn-round, and
// every fault a scale can be told to show.
#include <gtest/gtest.h>

#include <string>

#include "sim/block_frame.h"
#include "sim/block_peer.h"
#include "sim/message_peer.h"
#include "sim/sim_config.h"
#include "tests/sim/sim_test_support.h"

namespace tolvan::sim {
namespace {

// One exchange: what the driver sends and every send the scale answers with.
struct Step { Bytes in; Sends out; };

void play(Peer& peer, const std::vector<Step>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    Sends out;
    peer.receive(steps[i].in, out);
    EXPECT_EQ(out, steps[i].out) << "step " << i;
  }
}

// A PLU record as a message scale is sent it: record header and an 82-byte
// body without description, the PLU number packed in its first 4 bytes.
Bytes pluRecord(int plu) {
  Bytes r = hex("30 00 00 00 00 00 52 00");
  appendBcd(r, plu, 8);
  r.resize(8 + 82, 0);
  return r;
}

// The texts of the PLU records a block scale holds, in number order.
std::string keptPlus(const SimScale& scale) {
  std::string all;
  for (const Bytes* b : scale.store.ofType(kTypePlu)) all += std::string(b->begin(), b->end()) + " ";
  return all;
}

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Bytes kOkStart = hex("80 00 00 00 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 00 00");
const Bytes kOkEnd = hex("81 00 00 00 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 00 00");
const Bytes kBusy = hex("80 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 1b 00");

class SimMessageScale : public ::testing::Test {
 protected:
  SimScale scale;
  MessagePeer peer{scale};
};

TEST_F(SimMessageScale, KeepsDeletesAndUploadsRecordsInNumberOrder) {
  play(peer, {
      {message(30, joined({pluRecord(200), pluRecord(100), pluRecord(1)})),
       {hex("30 00 00 00 0c 00 00 00  00 00 00 00 03 00 03 00 00 00 00 00")}},
      {message(32, hex("30 00 00 00 00 00 06 00  00 00 00 07 00 00")),
       {hex("32 00 00 00 0c 00 00 00  00 00 00 00 01 00 01 00 00 00 00 00")}},
      {message(0, hex("00 00 00 01")), {hex("00 00 00 00 0c 00 00 00  00 00 00 00 01 00 01 00 00 00 00 00")}},
      {message(50, hex("00 00 00 00")), {joined({hex("50 00 00 00 b4 00 00 00"), pluRecord(100), pluRecord(200)})}},
      {message(56, hex("00 00 00 00 00")), {hex("56 00 00 00 00 00 00 00")}},
  });
  EXPECT_EQ(*scale.store.find(kTypePlu, 200), pluRecord(200));  // exactly as received
  Sends ignored;
  peer.receive(message(0, hex("00 00 00 00")), ignored);
  EXPECT_TRUE(scale.store.ofType(kTypePlu).empty());
  EXPECT_NE(scale.store.find(kTypeExMsg, 7), nullptr);  // other types stay
}

TEST_F(SimMessageScale, ServesSeededTotalsAndResetsThem) {
  scale.store.setTotals(TotalsKind::Plu, 123, {4, 750, 596});
  scale.store.setTotals(TotalsKind::Operator, 2, {1, 2, 3, 4, 5, 6, 7});
  play(peer, {
      {message(61, hex("00 00 00 00")),
       {hex("61 00 00 00 18 00 00 00  61 00 00 00 00 00 10 00"
            "00 00 01 23 00 00 00 04 00 00 07 50 00 00 05 96")}},
      {message(64, hex("99 00 00 00")),
       {hex("64 00 00 00 28 00 00 00  64 00 00 00 00 00 20 00  02 00 00 00"
            "00 00 00 01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00 05 00 00 00 06 00 00 00 07")}},
  });
  Sends ignored;
  peer.receive(message(11, hex("00 00 00 00")), ignored);
  EXPECT_TRUE(scale.store.totals(TotalsKind::Plu).empty());
  EXPECT_FALSE(scale.store.totals(TotalsKind::Operator).empty());
  peer.receive(message(14, hex("00 00")), ignored);
  EXPECT_TRUE(scale.store.totals(TotalsKind::Operator).empty());
}

TEST_F(SimMessageScale, RefusesUnknownAndMalformedMessages) {
  play(peer, {
      {message(99, {}), {hex("99 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 01 00")}},
      // A record length running past the body.
      {message(30, hex("30 00 00 00 00 00 52 00 00 00")),
       {hex("30 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 02 00")}},
  });
  EXPECT_EQ(scale.store.size(), 0u);
  // A body far over any batch: refused, then the connection goes.
  play(peer, {{hex("30 00 00 00 ff ff ff 7f"), {hex("30 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 02 00")}}});
  EXPECT_TRUE(peer.wantsClose());
}

class SimBlockScale : public ::testing::Test {
 protected:
  SimBlockScale() {
    scale.profile.family = Family::Block;
    scale.profile.model = 0;
    scale.profile.version = 0;  // usa
  }
  static Bytes block(std::string_view data, bool last = true, int seq = 0) {
    return buildBlock(seq, text(data), last, true);
  }
  static Bytes spoiled(Bytes b) {
    b.back() ^= 0x01;
    return b;
  }
  SimScale scale;
  const Sends ack{{kAck}}, nak{{kNak}};
};

TEST_F(SimBlockScale, AcknowledgesGoodBlocksJoinsThemAndLosesABadOne) {
  std::string plu = "65000042" + std::string(244, '1');  // 252 bytes: 251 + 1
  std::string_view head = std::string_view(plu).substr(0, 251), tail = std::string_view(plu).substr(251);
  BlockPeer peer(scale);
  play(peer, {
      {buildEnquiry(1), ack},
      {joined({block(head, false, 1), block(tail, true, 2)}), {{kAck}, {kAck}}},
      {spoiled(block("65000001")), nak},
      {block("65000002"), ack},
      {{kEot}, {}},
  });
  EXPECT_EQ(keptPlus(scale), "65000002 " + plu + " ");
}

TEST_F(SimBlockScale, AppliesDeletionsAndDeleteAll) {
  BlockPeer peer(scale);
  play(peer, {{buildEnquiry(1), ack}, {block("65000001"), ack}, {block("65000002"), ack},
              {block("35070Hello"), ack}, {block("10000001"), ack}, {{kEot}, {}}});
  EXPECT_EQ(keptPlus(scale), "65000002 ");
  play(peer, {{buildEnquiry(1), ack}, {block("10000000"), ack}, {{kEot}, {}}});
  EXPECT_TRUE(scale.store.ofType(kTypePlu).empty());
  EXPECT_NE(scale.store.find(kTypeExMsg, 7), nullptr);
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

TEST_F(SimBlockScale, FaultsShowInTheAnswers) {
  scale.store.put(kTypePlu, 5, text("65000005"));
  const Bytes upload = joined({buildEnquiry(1), block("50000000"), {kEot}});
  struct Case { std::string fault; std::vector<Step> steps; std::string kept; bool closes = false; } cases[] = {
      {"enqnak:1", {{buildEnquiry(1), nak}, {buildEnquiry(1), ack}}, "65000005 "},
      {"nak:2", {{buildEnquiry(1), ack}, {block("65000001"), ack}, {block("65000002"), nak}, {block("65000003"), ack}},
       "65000001 65000003 65000005 "},
      {"badcheck:2",
       {{upload, {{kAck}, {kAck}, buildEnquiry(1)}},
        {{kAck}, {spoiled(block("65000005"))}},
        {{kNak}, {spoiled(block("65000005"))}},
        {{kNak}, {block("65000005")}},
        {{kAck}, {{kEot}}}},
       "65000005 "},
      {"drop:2", {{buildEnquiry(1), ack}, {block("65000001"), ack}, {block("65000002"), ack}, {block("65000003"), {}}},
       "65000001 65000002 65000005 ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    SimScale faulty = scale;
    ASSERT_TRUE(applyFault(c.fault, faulty.faults));
    BlockPeer peer(faulty);
    play(peer, c.steps);
    EXPECT_EQ(keptPlus(faulty), c.kept);
    EXPECT_EQ(peer.wantsClose(), c.closes);
  }
}

}  // namespace
}  // namespace tolvan::sim
