// The simulator program itself, spoken to by a plain client over loopback
// as a driver would, and the real driver run against it.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "sim/block_frame.h"
#include "support/sim_harness.h"
#include "tests/sim/sim_test_support.h"

namespace tolvan::sim {
namespace {

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
  // Sends `out` and expects exactly `in` back.
  void exchange(const Bytes& out, const Bytes& in) {
    send(out);
    EXPECT_EQ(read(in.size()), in);
  }

 private:
  SocketHandle socket_;
  bool connected_ = false;
};

class SimProgram : public ::testing::Test {
 protected:
  // Starts the simulator and collects the ports it serves from the
  // configuration it writes for the driver.
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

TEST_F(SimProgram, MessageScaleServesEachConnectionAndLeavesDumpAndTranscript) {
  start("scale=Deli,port=0,model=meriopro,version=china,simdump=deli.dump,simtranscript=deli.sim\n");
  ASSERT_EQ(ports.size(), 1u);
  Bytes record = hex("30 00 00 00 00 00 06 00  00 00 01 23 00 00");
  {
    Client c(SocketKind::Stream, ports[0]);
    ASSERT_TRUE(c.connected());
    c.exchange(message(80, {}), hex("80 00 00 00 0c 00 00 00  00 00 00 00 00 00 00 00 00 00 00 00"));
    c.exchange(message(30, record), hex("30 00 00 00 0c 00 00 00  00 00 00 00 01 00 01 00 00 00 00 00"));
  }
  {
    Client c(SocketKind::Stream, ports[0]);
    Bytes reply = hex("50 00 00 00 0e 00 00 00");
    reply.insert(reply.end(), record.begin(), record.end());
    c.exchange(message(50, hex("00 00 00 00")), reply);
  }
  ASSERT_EQ(harness.stopSim(), 0);
  EXPECT_EQ(harness.readFile("deli.dump"), "record type=1 no=123 hex=" + toHex(record) + "\n");
  std::string transcript = harness.readFile("deli.sim");
  EXPECT_NE(transcript.find("Connection 2 accepted"), std::string::npos);
  EXPECT_NE(transcript.find(": Received 22 Bytes\r\n30 00 00 00 0e 00 00 00 30 00"), std::string::npos);
}

TEST_F(SimProgram, BlockScaleOverUdpAnswersEachDatagram) {
  harness.writeFile("seed.txt", "record type=1 no=5 hex=" + toHex(text("6502000005")) + "\n");
  start("scale=Scale1,port=0,model=pmx,version=nz,protocol=udp,simseed=seed.txt\n");
  Client c(SocketKind::Datagram, ports.at(0));
  ASSERT_TRUE(c.connected());
  c.exchange(buildEnquiry(1), {kAck});
  c.exchange(buildBlock(7, text("500200000000"), true, true), {kAck});
  c.exchange({kEot}, buildEnquiry(1));
  c.exchange({kAck}, buildBlock(0, text("6502000005"), true, true));
  c.exchange({kAck}, {kEot});
}

TEST_F(SimProgram, RefusingAndSilentScales) {
  start("scale=Gone,port=0,model=vt30,simfault=refuse\nscale=Mute,port=0,model=meriopro,simfault=silent\n");
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_FALSE(Client(SocketKind::Stream, ports[0]).connected());
  Client c(SocketKind::Stream, ports[1]);
  ASSERT_TRUE(c.connected());
  c.send(message(80, {}));
  EXPECT_TRUE(c.read(1, 300).empty());
  EXPECT_EQ(harness.stopSim(), 0);
}

// The real driver deletes all PLUs on one scale of each family; the dumps
// show what the scales kept.
TEST(SimHarnessRun, DriverDeletesAllPlusOnBothFamilies) {
  testing::SimHarness h;
  h.writeFile("block.seed", "record type=1 no=5 hex=" + toHex(text("65000005")) + "\n" +
                                "record type=2 no=7 hex=" + toHex(text("3507Hi")) + "\n");
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
  // The deletion message: header of message 0 with a 4-byte body (in one piece or two).
  EXPECT_NE(h.readFile("meat.sim").find(" Bytes\r\n00 00 00 00 04 00 00 00 "), std::string::npos);
}

}  // namespace
}  // namespace tolvan::sim
