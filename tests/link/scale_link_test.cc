// The scale link on 127.0.0.1: exact and piecewise reads, time-outs,
// connect and reconnect, the abandoned worker, and the traffic log with its
// silence where no log can or may be written.
#include "link/scale_link.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/driver.h"
#include "link/scale_log.h"
#include "platform/socket.h"
#include "support/fakes.h"
#include "support/loopback_peer.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::Bytes;

class ScaleLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    socketStartup();
    scale_.driver = &driver_;
    scale_.ip = "127.0.0.1";
    scale_.model = kModelPmx;
    scale_.trafficLogFile = dir_.file("scale.log");
  }
  void TearDown() override {
    ScaleClose(scale_);
    socketClose(peer_);
    socketClose(listener_);
  }

  // The scale's connect completes in the backlog; the peer side is
  // accepted here, so no peer thread is needed.
  void connectTcpPeer() {
    listener_ = socketListen(SocketKind::Stream, 0);
    scale_.port = socketLocalPort(listener_);
    ASSERT_TRUE(ScaleConnect(scale_));
    peer_ = socketAccept(listener_);
    ASSERT_NE(peer_, kInvalidSocket);
  }
  // A UDP peer learns the scale's address from the scale's first datagram.
  void connectUdpPeer(DatagramPeer& from) {
    scale_.protocol = kProtocolUdp;
    peer_ = socketListen(SocketKind::Datagram, 0);
    scale_.port = socketLocalPort(peer_);
    ASSERT_TRUE(ScaleConnect(scale_));
    ASSERT_EQ(ScaleSend(scale_, Bytes{0x05}), kMsgOk);
    uint8_t got[8];
    ASSERT_EQ(socketRecvFrom(peer_, got, from), 1);
  }
  void peerSends(const Bytes& bytes) { ASSERT_EQ(socketSend(peer_, bytes), static_cast<long>(bytes.size())); }
  std::string logText() const { return dir_.read("scale.log"); }

  testing::TempDir dir_;
  testing::FakeClock clock_;
  testing::FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"S1", 0, 594};
  SocketHandle listener_ = kInvalidSocket;
  SocketHandle peer_ = kInvalidSocket;
};

TEST_F(ScaleLinkTest, PeerThatClosesGivesCountZeroAndExactReadFailsAtOnce) {
  testing::SteppingClock clock;
  Driver driver(clock, sleeper_, nullptr);
  scale_.driver = &driver;
  scale_.receiveTimeout = 100000;
  connectTcpPeer();
  peerSends(Bytes{1, 2});
  socketClose(peer_);
  peer_ = kInvalidSocket;
  std::vector<uint8_t> got(4);
  EXPECT_EQ(ScaleReceiveExact(scale_, got), kMsgReceiveTimeout);
  EXPECT_EQ(got[1], 2);
  // Nothing more can come: no polling of the closed link until the deadline.
  EXPECT_LT(clock.calls(), 10);
  scale_.driver = &driver_;
  int count = -1;
  EXPECT_EQ(ScaleReceive(scale_, got, count, 1), kMsgOk);
  EXPECT_EQ(count, 0);
  EXPECT_NE(logText().find(" Error - Receive timeout\r\n"), std::string::npos);
}

// A scale that hangs up while the driver waits for its one-byte answer
// fails for the hang-up, not for a time-out, however the close arrives.
TEST_F(ScaleLinkTest, AScaleThatHangsUpIsDroppedNotSilent) {
  connectTcpPeer();
  socketClose(peer_);
  peer_ = kInvalidSocket;
  std::vector<uint8_t> got(1);
  int count = -1;
  EXPECT_EQ(ScaleReceive(scale_, got, count, 1), kMsgOk);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(scale_.tally.cause.load(), static_cast<int>(ScaleCause::Dropped));
}

TEST_F(ScaleLinkTest, SendLogsAsTheGivenKindAndShortSendReports21) {
  connectTcpPeer();
  ASSERT_EQ(ScaleSend(scale_, Bytes{'H', 'i'}, ScaleLogKind::Dump), kMsgOk);
  std::string dump = "48 69 ";
  dump.resize(48, ' ');
  EXPECT_EQ(logText(), dump + "  Hi\r\n\r\n");

  ScaleClose(scale_);
  EXPECT_EQ(ScaleSend(scale_, Bytes{1}), kMsgSendError);
  EXPECT_NE(logText().find(" Error - Error sending to scale\r\n"), std::string::npos);
}

TEST_F(ScaleLinkTest, AbandonedWorkerReadsFailWithoutTouchingTheLink) {
  DatagramPeer from;
  connectUdpPeer(from);
  ASSERT_EQ(socketSendTo(peer_, Bytes{1, 2, 3}, from), 3);
  std::string logBefore = logText();
  {
    std::lock_guard lock(scale_.guard);
    scale_.abandoned = true;
  }
  EXPECT_EQ(ScaleSend(scale_, Bytes{4}), kMsgSendError);
  EXPECT_EQ(socketWaitReadableMs(peer_, 0), 0);  // nothing went out
  ScaleShutdown(scale_);
  std::vector<uint8_t> got(3);
  int count = -1;
  EXPECT_EQ(ScaleReceive(scale_, got, count, 0), kMsgReceiveError);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ScaleReceiveExact(scale_, got), kMsgReceiveError);
  EXPECT_EQ(scale_.rxCount, 0);
  EXPECT_EQ(logText(), logBefore);
  ScaleClose(scale_);
  EXPECT_FALSE(ScaleConnect(scale_));  // no new socket either
  EXPECT_EQ(scale_.socket.load(), kNoSocket);
}

// The time limit runs on the monotonic clock, one second more for every
// record taken: calendar steps move nothing. Past the limit every step of
// the link ends at once, without a pause, and the scale log says so once.
TEST_F(ScaleLinkTest, TimeLimitFollowsTheMonotonicClockAndEndsEveryStep) {
  connectTcpPeer();
  armScaleLimit(scale_, clock_.monotonicMs(), 5);
  ++scale_.tally.sent;
  std::vector<uint8_t> got(1);
  int count = -1;
  for (int hours : {5, -10}) {
    clock_.stepWallClock(hours);
    clock_.advanceMs(hours > 0 ? 5999 : 1);
    EXPECT_EQ(ScaleReceive(scale_, got, count, 0), hours > 0 ? kMsgOk : kMsgReceiveTimeout);
  }
  EXPECT_EQ(ScaleSend(scale_, Bytes{1}), kMsgSendError);
  EXPECT_EQ(socketWaitReadableMs(peer_, 0), 0);  // nothing went out
  EXPECT_EQ(ScaleReceiveExact(scale_, got), kMsgReceiveTimeout);
  EXPECT_FALSE(ScaleReconnect(scale_));
  EXPECT_TRUE(sleeper_.pauses().empty());
  // The stamps, and only they, follow the calendar clock.
  EXPECT_EQ(logText(),
            "Fri Dec 04 08:56:24 2026:Time limit of the scale reached after 6 seconds\r\n"
            "Fri Dec 04 08:56:24 2026: Error - Receive timeout\r\n\r\n");
}

TEST_F(ScaleLinkTest, NothingIsLoggedWithoutLogForUnknownKindOrByAnAbandonedWorker) {
  const uint8_t bytes[] = {1, 2, 3};
  ScaleLogWrite(scale_, static_cast<ScaleLogKind>(5), bytes, sizeof bytes);
  scale_.trafficLogFile = dir_.file("missing-dir/scale.log");  // cannot be opened
  ScaleLogError(scale_, kMsgSendError);
  scale_.trafficLogFile.reset();
  ScaleLogWrite(scale_, ScaleLogKind::Send, bytes, sizeof bytes);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));

  scale_.trafficLogFile = dir_.file("scale.log");
  {
    std::lock_guard lock(scale_.guard);
    scale_.abandoned = true;
    ScaleLogErrorFromMain(scale_, kMsgReceiveTimeout);  // the main thread still can
  }
  ScaleLogWrite(scale_, ScaleLogKind::Received, bytes, sizeof bytes);
  ScaleLogError(scale_, kMsgReceiveError);
  EXPECT_EQ(logText(), "Fri Dec 04 13:56:24 2026: Error - Receive timeout\r\n\r\n");
}

}  // namespace
}  // namespace tolvan
