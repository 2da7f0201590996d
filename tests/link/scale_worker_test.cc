// The scale worker's outcome: status and result by what the operation
// gave, and nothing touched once the worker was given up.
#include "link/scale_worker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "core/driver.h"
#include "core/record_list.h"
#include "link/scale_link.h"
#include "platform/socket.h"
#include "records/deletion_record.h"
#include "support/fakes.h"
#include "support/loopback_peer.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

class ScaleWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    socketStartup();
    scale_.driver = &driver_;
    scale_.ip = "127.0.0.1";
    scale_.receiveTimeout = 5;
    scale_.trafficLogFile = dir_.file("scale.log");
    scale_.status = kStatusRunning;
    scale_.result = 0;
  }
  void runWorker() {
    std::thread worker(ScaleWorker, std::ref(scale_));
    worker.join();
  }

  testing::TempDir dir_;
  testing::SteppingClock clock_;
  testing::FakeSleeper sleeper_;
  Driver driver_{clock_, sleeper_, nullptr};
  ScaleEntry scale_{"S1", 0, 594};
};

TEST_F(ScaleWorkerTest, OutcomeGivesStatusByResult) {
  const struct {
    MessageCode code;
    int status;
  } cases[] = {{kMsgOk, kStatusOk},
               {kMsgScaleDataError, kStatusScaleError},
               {kMsgScaleErrorCode, kStatusScaleError},
               {kMsgNakReceived, kStatusFailed}};
  for (const auto& c : cases) {
    publishOutcome(scale_, c.code);
    EXPECT_EQ(scale_.status.load(), c.status) << c.code;
    EXPECT_EQ(scale_.result, c.code);
  }
}

// A refused connection fails the scale with its result left 0; once the
// worker was given up it touches neither status, result nor log.
TEST_F(ScaleWorkerTest, RefusedOrAbandonedWorkerLeavesTheResultAlone) {
  scale_.port = testing::refusedPort();
  runWorker();
  EXPECT_EQ(scale_.status.load(), kStatusFailed);
  EXPECT_EQ(scale_.result, 0);
  EXPECT_NE(dir_.read("scale.log").find("Cannot connect to scale: 127.0.0.1"), std::string::npos);
  std::remove(scale_.trafficLogFile->c_str());
  {
    std::lock_guard lock(scale_.guard);
    scale_.abandoned = true;
  }
  publishOutcome(scale_, kMsgOk);
  EXPECT_EQ(scale_.status.load(), kStatusFailed);
  scale_.status = kStatusRunning;
  runWorker();
  EXPECT_EQ(scale_.status.load(), kStatusRunning);
  EXPECT_FALSE(dir_.exists("scale.log"));
}

}  // namespace
}  // namespace tolvan
