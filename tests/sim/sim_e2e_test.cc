// The simulator program itself, spoken to by a plain client over loopback
// as a driver would: message and block sessions, uploads, the faults a
// scale shows on the wire, and the dump it leaves when stopped.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "sim/block_frame.h"
#include "sim/sim_bytes.h"
#include "support/sim_harness.h"

namespace tolvan::sim {
namespace {

Bytes hex(std::string_view text) {
  std::string compact;
  for (char c : text) {
    if (c != ' ') compact += c;
  }
  Bytes b;
  EXPECT_TRUE(fromHex(compact, b));
  return b;
}

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A client end with a bounded wait for every answer.
class Client {
 public:
  Client(SocketKind kind, uint16_t port) : socket_(socketOpen(kind)) {
    connected_ = socket_ != kInvalidSocket && socketConnect(socket_, "127.0.0.1", port);
  }
  ~Client() {
    if (socket_ != kInvalidSocket) socketClose(socket_);
  }
  bool connected() const { return connected_; }
  void send(const Bytes& b) { ASSERT_EQ(socketSend(socket_, b), static_cast<long>(b.size())); }
  // Exactly n bytes, or what came before the wait ran out.
  Bytes read(size_t n, int waitMs = 5000) {
    Bytes got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (got.size() < n && std::chrono::steady_clock::now() < deadline) {
      if (socketWaitReadableMs(socket_, 50) != 1) continue;
      uint8_t buffer[2048];
      long r = socketRecv(socket_, std::span<uint8_t>(buffer, std::min(sizeof buffer, n - got.size())));
      if (r <= 0) break;
      got.insert(got.end(), buffer, buffer + r);
    }
    return got;
  }

 private:
  SocketHandle socket_;
  bool connected_ = false;
};

Bytes message(uint8_t number, const Bytes& body) {
  Bytes m{number, 0, 0, 0};
  appendLe32(m, static_cast<uint32_t>(body.size()));
  m.insert(m.end(), body.begin(), body.end());
  return m;
}

class SimProgram : public ::testing::Test {
 protected:
  void start(const std::string& config) {
    ASSERT_TRUE(harness.startSim(config)) << harness.simOutput();
    std::string written = harness.driverConfig();
    std::regex port("port=([0-9]+)");
    for (auto it = std::sregex_iterator(written.begin(), written.end(), port); it != std::sregex_iterator(); ++it) {
      ports.push_back(static_cast<uint16_t>(std::stoi((*it)[1])));
    }
  }
  testing::SimHarness harness;
  std::vector<uint16_t> ports;
};

const Bytes kOk80 = hex("80 00 00 00 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 00 00");

TEST_F(SimProgram, MessageScaleKeepsABatchAndUploadsIt) {
  start("scale=Deli,port=0,model=meriopro,version=china,simdump=deli.dump,simtranscript=deli.sim\n");
  ASSERT_EQ(ports.size(), 1u);
  Bytes record = hex("30 00 00 00 00 00 06 00  00 00 01 23 00 00");
  {
    Client c(SocketKind::Stream, ports[0]);
    ASSERT_TRUE(c.connected());
    c.send(message(0x80, {}));
    EXPECT_EQ(c.read(20), kOk80);
  }
  {
    Client c(SocketKind::Stream, ports[0]);
    c.send(message(0x30, record));
    EXPECT_EQ(c.read(20), hex("30 00 00 00 0c 00 00 00  00 00 00 00 01 00 01 00 00 00 00 00"));
  }
  {
    Client c(SocketKind::Stream, ports[0]);
    c.send(message(0x50, hex("00 00 00 00")));
    Bytes expected = hex("50 00 00 00 0e 00 00 00");
    expected.insert(expected.end(), record.begin(), record.end());
    EXPECT_EQ(c.read(expected.size()), expected);
    c.send(message(0x81, {}));
    EXPECT_EQ(c.read(20).size(), 20u);
  }
  ASSERT_EQ(harness.stopSim(), 0);
  EXPECT_EQ(harness.readFile("deli.dump"), "record type=1 no=123 hex=" + toHex(record) + "\n");
  std::string transcript = harness.readFile("deli.sim");
  EXPECT_NE(transcript.find("Connection 3 accepted"), std::string::npos);
  EXPECT_NE(transcript.find(": Received 22 Bytes\r\n30 00 00 00 0e 00 00 00 30 00"), std::string::npos);
}

TEST_F(SimProgram, BlockScaleOverTcpTakesARecordAndTurnsTheLine) {
  start("scale=Bakery,port=0,model=vt30,version=usa\n");
  Client c(SocketKind::Stream, ports.at(0));
  ASSERT_TRUE(c.connected());
  c.send(buildEnquiry(1));
  EXPECT_EQ(c.read(1), Bytes{kAck});
  c.send(buildBlock(0, text("65000123"), true, true));
  EXPECT_EQ(c.read(1), Bytes{kAck});
  c.send(buildBlock(1, text("50000000"), true, true));
  EXPECT_EQ(c.read(1), Bytes{kAck});
  c.send({kEot});
  EXPECT_EQ(c.read(6), buildEnquiry(1));
  c.send({kAck});
  Bytes expected = buildBlock(0, text("65000123"), true, true);
  EXPECT_EQ(c.read(expected.size()), expected);
  c.send({kAck});
  EXPECT_EQ(c.read(1), Bytes{kEot});
}

TEST_F(SimProgram, BlockScaleOverUdpAnswersEachDatagram) {
  harness.writeFile("seed.txt", "record type=1 no=5 hex=" + toHex(text("6502000005")) + "\n");
  start("scale=Scale1,port=0,model=pmx,version=nz,protocol=udp,simseed=seed.txt\n");
  Client c(SocketKind::Datagram, ports.at(0));
  ASSERT_TRUE(c.connected());
  c.send(buildEnquiry(1));
  EXPECT_EQ(c.read(1), Bytes{kAck});
  c.send(buildBlock(7, text("500200000000"), true, true));
  EXPECT_EQ(c.read(1), Bytes{kAck});
  c.send({kEot});
  EXPECT_EQ(c.read(6), buildEnquiry(1));
  c.send({kAck});
  Bytes expected = buildBlock(0, text("6502000005"), true, true);
  EXPECT_EQ(c.read(expected.size()), expected);
  c.send({kAck});
  EXPECT_EQ(c.read(1), Bytes{kEot});
}

TEST_F(SimProgram, FaultsShowOnTheWire) {
  start(
      "scale=Gone,port=0,model=vt30,simfault=refuse\n"
      "scale=Busy,port=0,model=vt40,simfault=busy:1\n"
      "scale=Nak,port=0,model=lm50,simfault=enqnak\n"
      "scale=Mute,port=0,model=meriopro,simfault=silent\n");
  ASSERT_EQ(ports.size(), 4u);
  EXPECT_FALSE(Client(SocketKind::Stream, ports[0]).connected());
  {
    Client c(SocketKind::Stream, ports[1]);
    c.send(message(0x80, {}));
    EXPECT_EQ(c.read(20), hex("80 00 00 01 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 1b 00"));
    c.send(message(0x80, {}));
    EXPECT_EQ(c.read(20), kOk80);
  }
  {
    Client c(SocketKind::Stream, ports[2]);
    c.send(buildEnquiry(1));
    EXPECT_EQ(c.read(1), Bytes{kNak});
  }
  {
    Client c(SocketKind::Stream, ports[3]);
    ASSERT_TRUE(c.connected());
    c.send(message(0x80, {}));
    EXPECT_TRUE(c.read(1, 300).empty());
  }
  EXPECT_EQ(harness.stopSim(), 0);
}

}  // namespace
}  // namespace tolvan::sim

namespace tolvan::sim {
namespace {

// The harness as every end-to-end test uses it: the real driver deletes all
// PLUs on one scale of each family, and the dumps show what the scales kept.
TEST(SimHarnessRun, DriverDeletesAllPlusOnBothFamilies) {
  testing::SimHarness h;
  std::string seed = "record type=1 no=5 hex=" + toHex(text("65000005")) + "\n" +
                     "record type=2 no=7 hex=" + toHex(text("3507Hi")) + "\n";
  h.writeFile("block.seed", seed);
  h.writeFile("message.seed", "record type=1 no=9 hex=3000000000000400" "00000009\n");
  ASSERT_TRUE(h.startSim(
      "scale=Deli,port=0,model=vt30,version=usa,receivetimeout=10,simseed=block.seed,simdump=deli.dump\n"
      "scale=Meat,port=0,model=meriopro,receivetimeout=10,simseed=message.seed,simdump=meat.dump,"
      "simtranscript=meat.sim\n"))
      << h.simOutput();
  testing::DriverRun run = h.runDriver({"-a", "-fplu"});
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitStatus, 0) << run.output << h.driverLog();
  ASSERT_EQ(h.stopSim(), 0);
  EXPECT_EQ(h.readFile("deli.dump"), "record type=2 no=7 hex=" + toHex(text("3507Hi")) + "\n");
  EXPECT_EQ(h.readFile("meat.dump"), "");
  std::string transcript = h.readFile("meat.sim");
  // The deletion message: header of message 0 with a 4-byte body (it may
  // arrive in one piece or two).
  EXPECT_NE(transcript.find(" Bytes\r\n00 00 00 00 04 00 00 00 "), std::string::npos) << transcript;
}

}  // namespace
}  // namespace tolvan::sim
