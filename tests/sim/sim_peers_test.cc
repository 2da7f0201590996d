// How a simulated scale answers what the driver never sends it in a
// store-like run: malformed messages, damaged blocks, and the faults a scale
// can be told to show (those the whole-program tests do not ask for).
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

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A status reply of message `number` with the error flag set and `code`.
Bytes refusal(const char* number, const char* code) {
  return hex(std::string(number) + " 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 " + code + " 00");
}

TEST(SimMessageScale, RefusesUnknownAndMalformedMessagesAndStaysBusy) {
  SimScale scale;
  MessagePeer peer{scale};
  play(peer, {
      {message(99, {}), {refusal("99", "01")}},
      // A record length running past the body.
      {message(30, hex("30 00 00 00 00 00 52 00 00 00")), {refusal("30", "02")}},
  });
  EXPECT_EQ(scale.store.size(), 0u);
  // A body far over any batch: refused, then the connection goes.
  play(peer, {{hex("30 00 00 00 ff ff ff 7f"), {refusal("30", "02")}}});
  EXPECT_TRUE(peer.wantsClose());
  SimScale busy;
  ASSERT_TRUE(applyFault("busy:1", busy.faults));
  MessagePeer busyPeer{busy};
  const Bytes ok = hex("80 00 00 00 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 00 00");
  play(busyPeer, {{message(80, {}), {refusal("80", "1b")}}, {message(80, {}), {ok}}});
}

// Operator and hourly totals: served and reset like the PLU totals.
TEST(SimTotals, OperatorAndHourlyTotalsAreServedAndReset) {
  SimScale scale;
  scale.store.setTotals(TotalsKind::Operator, 2, {1, 2, 3, 4, 5, 6, 7});
  MessagePeer peer{scale};
  play(peer, {{message(64, hex("99 00 00 00")),
               {hex("64 00 00 00 28 00 00 00  64 00 00 00 00 00 20 00  02 00 00 00"
                    "00 00 00 01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00 05 00 00 00 06 00 00 00 07")}}});
  Sends ignored;
  peer.receive(message(14, hex("00 00")), ignored);
  EXPECT_TRUE(scale.store.totals(TotalsKind::Operator).empty());
  scale.profile.family = Family::Block;
  scale.profile.version = 1;
  scale.store.setTotals(TotalsKind::Hour, 9, {1, 2, 3});
  EXPECT_EQ(blockTotalsTexts(scale, TotalsKind::Hour)[0], text("430109000001000000020000000" "3"));
}

Bytes block(std::string_view data, bool last = true, int seq = 0) { return buildBlock(seq, text(data), last, true); }
Bytes spoiled(Bytes b) {
  b.back() ^= 0x01;
  return b;
}

// The texts of the PLU records a block scale holds, in number order.
std::string keptPlus(const SimScale& scale) {
  std::string all;
  for (const Bytes* b : scale.store.ofType(kTypePlu)) all += std::string(b->begin(), b->end()) + " ";
  return all;
}

// A damaged block is refused and lost; each fault shows in the answers and
// in what the scale keeps.
TEST(SimBlockScale, DamagedBlocksAndFaultsShowInTheAnswers) {
  SimScale scale;
  scale.profile.family = Family::Block;
  scale.profile.model = 0;
  scale.profile.version = 0;  // usa
  scale.store.put(kTypePlu, 5, text("65000005"));
  const Sends ack{{kAck}}, nak{{kNak}};
  const Bytes upload = joined({buildEnquiry(1), block("50000000"), {kEot}});
  std::string plu = "65000042" + std::string(244, '1');  // 252 bytes: 251 + 1
  std::string_view head = std::string_view(plu).substr(0, 251), tail = std::string_view(plu).substr(251);
  struct Case { std::string fault; std::vector<Step> steps; std::string kept; bool closes = false; } cases[] = {
      {"", {{buildEnquiry(1), ack}, {joined({block(head, false, 1), block(tail, true, 2)}), {{kAck}, {kAck}}},
            {spoiled(block("65000001")), nak}, {block("65000002"), ack}, {{kEot}, {}}},
       "65000002 65000005 " + plu + " "},
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
    ASSERT_TRUE(c.fault.empty() || applyFault(c.fault, faulty.faults));
    BlockPeer peer(faulty);
    play(peer, c.steps);
    EXPECT_EQ(keptPlus(faulty), c.kept);
    EXPECT_EQ(peer.wantsClose(), c.closes);
  }
}

}  // namespace
}  // namespace tolvan::sim
