// A scale that answers a receive with PLUs without end: the receive takes
// at most the cap from it and fails it, while a healthy scale in the same
// run gives everything. The driver runs in this process (its cap set low,
// its pauses counted, not waited) against the real simulator.
#include "app/configuration.h"
#include "app/operation_runner.h"
#include "app/run_report.h"
#include "core/driver.h"
#include "e2e/e2e_support.h"
#include "files/export_writer.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan::testing {
namespace {

TEST_F(SimRunTest, FloodingScalesStopAtTheCapWhileAHealthyScaleGivesEverything) {
  h.writeFile("good.seed", "record type=1 no=7 hex=3333303030303037\n");  // "33", then PLU 000007
  start(scaleLine("Good", "model=vt30,version=usa,simseed=good.seed") +
        scaleLine("FloodMsg", "model=vt40,simfault=flood") +
        scaleLine("FloodUdp", "model=pmx,protocol=udp,simfault=flood"));
  CurrentDir inFolder(h.dir());
  SystemClock clock;
  FakeSleeper sleeper;
  Driver driver(clock, sleeper, nullptr);
  driver.options.mode = kModeReceive;
  driver.options.dataFile = "out.csv";
  driver.options.maxReceivedPerScale = 2000;
  ASSERT_EQ(loadConfiguration(driver), kMsgOk);
  RunReport report;
  report.result = receiveFromAllScales(driver);
  ASSERT_EQ(writeExportFile(driver), kMsgOk);
  takeRunReport(driver, report);
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

}  // namespace
}  // namespace tolvan::testing
