#include "app/operation_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/progress_line.h"
#include "app/run_report.h"
#include "core/driver.h"
#include "dispatch/support_table.h"
#include "files/work_files.h"
#include "link/scale_worker.h"
#include "platform/socket.h"
#include "records/data_types.h"
#include "records/deletion_record.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using testing::FakeClock;
using testing::FakeSleeper;
using testing::TempDir;

// Fake family procedures: the outcome is chosen by the scale's name, so
// the runner's orchestration is tested without any network.
std::mutex gCallsMutex;
std::vector<std::string> gCalls;
FakeClock* gStallClock = nullptr;

// Moves the run's clock past the time limit and its grace, then waits
// (a few seconds at most) to be given up on.
void stallUntilAbandoned(ScaleEntry& scale) {
  gStallClock->advanceMs(scale.limitBaseMs + 2001);
  auto givenUp = [&scale] { std::lock_guard lock(scale.guard); return scale.abandoned.load(); };
  for (int i = 0; i < 5000 && !givenUp(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void fakeProcedure(ScaleEntry& scale) {
  {
    std::lock_guard lock(gCallsMutex);
    gCalls.push_back(scale.name + ":" + std::to_string(scale.operation));
  }
  if (scale.name.starts_with("refused")) {
    std::lock_guard lock(scale.guard);
    scale.status.store(kStatusFailed);  // as the worker does when it cannot connect: result stays 0
    return;
  }
  if (scale.name.starts_with("stalls")) return stallUntilAbandoned(scale);
  if (scale.name.starts_with("sendfail")) return publishOutcome(scale, kMsgSendError);
  if (scale.name.starts_with("dataerror")) return publishOutcome(scale, kMsgScaleDataError);
  publishOutcome(scale, kMsgOk);
}

class OperationRunner : public ::testing::Test {
 protected:
  OperationRunner() {
    driver.options.logFile = dir.file("TolvanDrvLog.txt");
    driver.workerProc = fakeProcedure;
    std::lock_guard lock(gCallsMutex);
    gCalls.clear();
  }
  ScaleEntry& addScale(const std::string& name, int model = kModelVt40) {
    auto* scale = new ScaleEntry(name, driver.scales.count(), 594);
    scale->model = model;
    scale->driver = &driver;
    scale->trafficLogFile = dir.file(name + ".log");
    driver.scales.append(scale);
    return *scale;
  }

  std::string logText() { return dir.read("TolvanDrvLog.txt"); }

  TempDir dir;
  FakeClock clock;
  FakeSleeper sleeper;
  Driver driver{clock, sleeper, nullptr};
};

// The run's result is the first non-zero result of a failed scale; a scale
// that reported an error counts as sent but is named in the report.
TEST_F(OperationRunner, FirstNonZeroResultOfAFailedScaleIsTheRunsResult) {
  addScale("refused");
  addScale("sendfail");
  addScale("dataerror");
  driver.options.mode = kModeAdd;
  EXPECT_EQ(sendToAllScales(driver, false), kMsgSendError);
  EXPECT_EQ(driver.scales.get(2)->status.load(), kStatusScaleError);
  std::string log = logText();
  EXPECT_NE(log.find("Data sent OK to 1 scale(s). Errors ocurred on 2 scale(s)"), std::string::npos);
  EXPECT_NE(log.find("scale [dataerror]"), std::string::npos);
}

// A worker that runs past its scale's time limit (plus the watch's grace)
// is given up on: status 2 and "Receive timeout" in its scale log.
TEST_F(OperationRunner, WatchStrikesAScalePastItsTimeLimit) {
  gStallClock = &clock;
  ScaleEntry& scale = addScale("stalls");
  driver.options.mode = kModeAdd;
  driver.options.scaleLimitSeconds = 10;
  EXPECT_EQ(sendToAllScales(driver, false), kMsgOk);  // a struck scale's result stays 0
  EXPECT_TRUE(scale.abandoned && scale.status.load() == kStatusFailed);
  EXPECT_NE(dir.read("stalls.log").find("Receive timeout"), std::string::npos);
  driver.stopAllWorkers();
}

// A run being stopped starts no scale: it fails (keeping the run's records)
// and its scale log says why.
TEST_F(OperationRunner, AStoppedRunStartsNoScale) {
  addScale("idle");
  driver.stopRequests = [] { return StopRequest{15, 1}; };
  EXPECT_EQ(sendToAllScales(driver, false), kMsgOk);
  EXPECT_TRUE(gCalls.empty() && driver.scales.get(0)->status.load() == kStatusFailed);
  EXPECT_NE(dir.read("idle.log").find("Stopped by SIGTERM: nothing more goes to the scale"), std::string::npos);
}

// The real worker against a scale that takes the connection and never
// answers, with its read made to look hung since long ago: the watch gives
// up on it, the run goes on, and clean-up wakes and joins it. Run under TSan
// and ASan in CI.
TEST(OperationRunnerRealWorker, HungScaleIsAbandonedAndJoinedCleanly) {
  TempDir dir;
  SystemClock clock;
  FakeSleeper sleeper;
  Driver driver(clock, sleeper, nullptr);
  driver.options.logFile = dir.file("TolvanDrvLog.txt");
  driver.options.mode = kModeAdd;
  SocketHandle listener = socketListen(SocketKind::Stream, 0);
  ASSERT_NE(listener, kInvalidSocket);
  auto* scale = new ScaleEntry("silent", 0, 594);
  scale->driver = &driver;
  scale->model = kModelVt40;
  scale->ip = "127.0.0.1";
  scale->port = socketLocalPort(listener);
  scale->receiveTimeout = 5;
  scale->connectTimeout = 1;
  scale->trafficLogFile = dir.file("silent.log");
  driver.scales.append(scale);
  const int32_t pluOne = 1;
  driver.records.appendImage(&pluOne, sizeof pluOne);

  std::thread hang([&] {
    // Once the session start is out, the worker waits for its answer.
    while (TempDir::readFile(dir.file("silent.log")).empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    scale->lastActivity = clock.monotonicMs() - 100'000;
  });
  EXPECT_EQ(sendToAllScales(driver, false), kMsgOk);  // an abandoned scale's result stays 0
  hang.join();
  EXPECT_EQ(scale->status.load(), kStatusFailed);
  EXPECT_NE(dir.read("silent.log").find("Receive timeout"), std::string::npos);
  driver.stopAllWorkers();
  socketClose(listener);  // the kernel held the connection in its backlog
}

// A scale name in the store's own 8-bit encoding must not stop the report.
TEST_F(OperationRunner, ReportKeepsNamesThatAreNotUtf8) {
  RunReport report;
  report.scales.push_back({});
  report.scales[0].name = "K\xe4se";
  ASSERT_TRUE(writeReportFile(report, dir.file("r.json")));
  EXPECT_NE(dir.read("r.json").find("\"K\xef\xbf\xbdse\""), std::string::npos);
}

TEST_F(OperationRunner, ProgressCountsOnlyThisWaitsRecordsAndNamesTheScaleFurthestBehind) {
  const DeletionRecord deletion{};
  for (int i = 0; i < 10; ++i) driver.records.appendImage(&deletion, sizeof deletion);
  for (const char* name : {"Ahead", "Behind", "Done"}) addScale(name).status = kStatusRunning;
  ProgressLine progress(nullptr);
  driver.scales.get(0)->tally.sent = 20;  // by an earlier resend
  progress.onWait(driver, Driver::WaitStep::Start);
  driver.scales.get(0)->tally.sent = 28;
  driver.scales.get(1)->tally.sent = 2;
  driver.scales.get(2)->tally.sent = 10;
  driver.scales.get(2)->status = kStatusOk;
  EXPECT_EQ(progress.text(driver), "1/3 scales done, 20/30 records sent, slowest: Behind");
}

TEST(ScaleSupport, FollowsTheTableByModelVersionAndMode) {
  // {model, version, data type, mode, supported}
  const std::tuple<int, int, int, int, bool> cases[] = {
      {kModelVt30, kVersionChina, 6, kModeAdd, true},      {kModelVt30, kVersionChina, 6, kModeDelete, false},
      {kModelVt30, kVersionChina, 8, kModeReceive, false}, {kModelVt30, kVersionChina, 8, kModeDelete, true},
      {kModelMerioPro, kVersionChina, 6, kModeAdd, false}, {kModelVt40, kVersionChina, 6, kModeAdd, true},
      {kModelVt40, kVersionChina, 7, kModeAdd, false},     {kModelMerioPro, kVersionChina, 10, kModeAdd, false},
      {kModelVt40, kVersionChina, 10, kModeReceive, true}, {kModelLm50, kVersionChina, 10, kModeAdd, true},
      {kModelLm50, kVersionChina, 10, kModeDelete, false}, {kModelVt30, kVersionChina, 10, kModeAdd, false},
      {kModelVt30, kVersionUsa, 10, kModeReceive, true},   {kModelVt30, kVersionUsa, 16, kModeDelete, true},
      {kModelVt40, kVersionChina, 16, kModeDelete, false}, {kModelMerioPro, kVersionChina, 13, kModeReceive, true}};
  for (const auto& [model, version, type, mode, supported] : cases) {
    ScaleEntry scale("s", 0, 594);
    scale.model = model;
    scale.version = version;
    EXPECT_EQ(scaleSupports(scale, type, mode), supported) << model << "/" << version << " type " << type << " mode " << mode;
  }
}

}  // namespace
}  // namespace tolvan
