#include "link/scale_worker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "frame/driver.h"
#include "link/scale_link.h"
#include "platform/socket.h"
#include "records/record_header.h"
#include "support/fakes.h"

namespace tolvan {
namespace {

using testing::FakeSleeper;
using testing::SteppingClock;

class ScaleWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    socketStartup();
    char pattern[] = "/tmp/scaleworkerXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    scale_.driver = &driver_;
    scale_.ip = "127.0.0.1";
    scale_.receiveTimeout = 5;
    scale_.trafficLogFile = dir_ + "/scale.log";
    scale_.status = kStatusRunning;
    scale_.result = 0;
  }
  void TearDown() override {
    socketClose(listener_);
    std::filesystem::remove_all(dir_);
  }

  void runWorker() {
    std::thread worker(ScaleWorker, std::ref(scale_));
    worker.join();
  }

  std::string logText() const {
    std::ifstream in(*scale_.trafficLogFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  void useRefusedPort() {
    SocketHandle s = socketListen(SocketKind::Stream, 0);
    scale_.port = socketLocalPort(s);
    socketClose(s);
  }

  std::string dir_;
  SteppingClock clock_;
  FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"S1", 0, 594};
  SocketHandle listener_ = kInvalidSocket;
};

TEST_F(ScaleWorkerTest, RefusedConnectionFailsWithResultLeftZero) {
  useRefusedPort();
  runWorker();
  EXPECT_EQ(scale_.status.load(), kStatusFailed);
  EXPECT_EQ(scale_.result, 0);
  EXPECT_NE(logText().find("Cannot connect to scale: 127.0.0.1"), std::string::npos);
}

TEST_F(ScaleWorkerTest, OutcomeGivesStatusByResult) {
  publishOutcome(scale_, kMsgOk);
  EXPECT_EQ(scale_.status.load(), kStatusOk);
  EXPECT_EQ(scale_.result, 0);
  publishOutcome(scale_, kMsgScaleDataError);
  EXPECT_EQ(scale_.status.load(), kStatusScaleError);
  EXPECT_EQ(scale_.result, kMsgScaleDataError);
  publishOutcome(scale_, kMsgScaleErrorCode);
  EXPECT_EQ(scale_.status.load(), kStatusScaleError);
  publishOutcome(scale_, kMsgNakReceived);
  EXPECT_EQ(scale_.status.load(), kStatusFailed);
  EXPECT_EQ(scale_.result, kMsgNakReceived);
}

TEST_F(ScaleWorkerTest, AbandonedWorkerLeavesStatusAndResultAlone) {
  {
    std::lock_guard lock(scale_.guard);
    scale_.abandoned = true;
  }
  scale_.status = kStatusFailed;  // as the time-out strike leaves it
  publishOutcome(scale_, kMsgOk);
  EXPECT_EQ(scale_.status.load(), kStatusFailed);
  EXPECT_EQ(scale_.result, 0);

  scale_.status = kStatusRunning;
  useRefusedPort();
  runWorker();
  EXPECT_EQ(scale_.status.load(), kStatusRunning);
  EXPECT_FALSE(std::filesystem::exists(*scale_.trafficLogFile));
}

// Whatever either family sends first, a peer that hangs up at once makes
// the operation fail as a link failure, and the worker closes its socket.
TEST_F(ScaleWorkerTest, PeerThatHangsUpFailsTheScaleForEitherFamily) {
  for (int model : {kModelVt40, kModelPmx}) {
    SCOPED_TRACE(model);
    listener_ = socketListen(SocketKind::Stream, 0);
    ASSERT_NE(listener_, kInvalidSocket);
    scale_.port = socketLocalPort(listener_);
    scale_.model = model;
    scale_.operation = kModeDelete;
    scale_.receiveTimeout = 1;  // a reconnected but silent link fails without waiting
    scale_.status = kStatusRunning;
    scale_.result = 0;
    driver_.options.mode = kModeDelete;
    driver_.options.dataType = 1;
    auto* deletion = allocRecord<DeletionRecord>();
    deletion->dataType = 1;
    deletion->recNo = 7;
    driver_.records.append(deletion);

    std::thread worker(ScaleWorker, std::ref(scale_));
    SocketHandle peer = socketAccept(listener_);
    socketClose(peer);
    worker.join();
    EXPECT_EQ(scale_.status.load(), kStatusFailed);
    EXPECT_NE(scale_.result, 0);
    EXPECT_EQ(scale_.socket.load(), kNoSocket);
    socketClose(listener_);
    listener_ = kInvalidSocket;
    driver_.records.clearAndFree();
  }
}

}  // namespace
}  // namespace tolvan
