// A scale that answers a receive with PLUs without end: the receive takes
// at most the cap from it and fails it, while a healthy scale in the same
// run gives everything; and the records all scales of a run send share one
// memory budget. The driver runs in this process (its cap and budget set
// low, its pauses counted, not waited) against the real simulator.
#include "app/configuration.h"
#include "app/operation_runner.h"
#include "app/run_report.h"
#include "app/verify.h"
#include "core/driver.h"
#include "e2e/e2e_support.h"
#include "files/export_writer.h"
#include "files/import_reader.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan::testing {
namespace {

// Runs `body` on a driver in the harness's folder, with `options` applied
// and the configuration loaded.
template <class Options, class Body>
void withDriver(SimHarness& h, Options options, Body body) {
  CurrentDir inFolder(h.dir());
  SystemClock clock;
  FakeSleeper sleeper;
  Driver driver(clock, sleeper, nullptr);
  options(driver.options);
  ASSERT_EQ(loadConfiguration(driver), kMsgOk);
  body(driver);
}

// Receives from the started scales with `limits` applied, writes the
// export and gives the report.
template <class Limits>
RunReport receiveWith(SimHarness& h, Limits limits) {
  RunReport report;
  auto options = [&](DriverOptions& o) {
    o.mode = kModeReceive;
    o.dataFile = "out.csv";
    limits(o);
  };
  withDriver(h, options, [&](Driver& driver) {
    report.result = receiveFromAllScales(driver);
    EXPECT_EQ(writeExportFile(driver), kMsgOk);
    takeRunReport(driver, report);
  });
  return report;
}

TEST_F(SimRunTest, FloodingScalesStopAtTheCapWhileAHealthyScaleGivesEverything) {
  h.writeFile("good.seed", "record type=1 no=7 hex=3333303030303037\n");  // "33", then PLU 000007
  start(scaleLine("Good", "model=vt30,version=usa,simseed=good.seed") +
        scaleLine("FloodMsg", "model=vt40,simfault=flood") +
        scaleLine("FloodUdp", "model=pmx,protocol=udp,simfault=flood"));
  RunReport report = receiveWith(h, [](DriverOptions& o) { o.maxReceivedPerScale = 2000; });
  EXPECT_EQ(exitStatusFor(report), kExitScaleFailed);
  for (const ScaleReport& s : report.scales) {
    EXPECT_EQ(std::tuple(s.verdict, s.code, s.received), s.name == "Good" ? std::tuple(ScaleVerdict::Ok, 0, 1)
                                                                           : std::tuple(ScaleVerdict::Failed, 22, 2000))
        << s.name;
  }
  // The header, PLU 7, and the floods' 2000 numbers once: both floods send the same numbers.
  EXPECT_EQ(countOf(h.readFile("out.csv"), "\r\n"), 2002u);
  stop();
}

// Far below the cap, the records kept fill the run's budget; each flooding
// scale then fails at its next record, and what arrived is exported.
TEST_F(SimRunTest, FloodingScalesFailWhenTheRunsRecordsFillTheirBudget) {
  start(scaleLine("FloodMsg", "model=vt40,simfault=flood") +
        scaleLine("FloodTcp", "model=vt30,simfault=flood"));
  RunReport report = receiveWith(h, [](DriverOptions& o) { o.maxReceivedBytes = 200'000; });
  EXPECT_EQ(exitStatusFor(report), kExitScaleFailed);
  for (const ScaleReport& s : report.scales) {
    EXPECT_EQ(std::tuple(s.verdict, s.code), std::tuple(ScaleVerdict::Failed, 22)) << s.name;
    EXPECT_LT(s.received, 5000) << s.name;
  }
  const size_t lines = countOf(h.readFile("out.csv"), "\r\n");
  EXPECT_GT(lines, 500u);
  EXPECT_LT(lines, 2000u);
  stop();
}

// A read-back keeps each scale's records apart, but against the same budget.
TEST_F(SimRunTest, AReadBackFloodedByTwoScalesFailsThemAtTheRunsBudget) {
  h.writeFile("plu.csv", "Plu_No,UnitPrice\r\n1,1.00\r\n");
  start(scaleLine("FloodMsg", "model=vt40,simfault=flood") + scaleLine("FloodTcp", "model=vt30,simfault=flood"));
  auto options = [](DriverOptions& o) {
    o.mode = kModeAdd;
    o.dataFile = "plu.csv";
    o.maxReceivedBytes = 200'000;
  };
  withDriver(h, options, [](Driver& driver) {
    ASSERT_EQ(importFile(driver), kMsgOk);
    std::vector<ScaleReadBack> readBack;
    EXPECT_EQ(verifyAllScales(driver, readBack), kMsgReceiveError);
    for (int i = 0; i < driver.scales.count(); ++i) {
      const ScaleReport s = reportScale(*driver.scales.get(i));
      EXPECT_EQ(std::tuple(s.code, s.received < 5000), std::tuple(22, true)) << s.name << " " << s.received;
    }
  });
  stop();
}

}  // namespace
}  // namespace tolvan::testing
