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
#include "files/import_reader.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using namespace testing;

constexpr int kCap = 2000;

class FloodRun : public SimRunTest {};

struct InProcessRun {
  explicit InProcessRun(int mode, const char* dataFile) {
    driver.options.mode = mode;
    driver.options.dataFile = dataFile;
    driver.options.maxReceivedPerScale = kCap;
  }
  SystemClock clock;
  FakeSleeper sleeper;
  Driver driver{clock, sleeper, nullptr};
};

TEST_F(FloodRun, FloodingScalesStopAtTheCapWhileAHealthyScaleGivesEverything) {
  start(scaleLine("Good", "model=vt30") + scaleLine("FloodMsg", "model=vt40,simfault=flood") +
        scaleLine("FloodUdp", "model=pmx,protocol=udp,simfault=flood"));
  h.writeFile("plu.csv", "Plu_No,UnitPrice\r\n1,1.25\r\n2,2.50\r\n3,3.75\r\n");
  CurrentDir inFolder(h.dir());
  {
    InProcessRun send(kModeAdd, "plu.csv");
    ASSERT_EQ(loadConfiguration(send.driver), kMsgOk);
    ASSERT_EQ(importFile(send.driver), kMsgOk);
    ASSERT_EQ(sendToAllScales(send.driver, false), kMsgOk);
  }
  InProcessRun receive(kModeReceive, "out.csv");
  Driver& driver = receive.driver;
  ASSERT_EQ(loadConfiguration(driver), kMsgOk);
  RunReport report;
  report.result = receiveFromAllScales(driver);
  ASSERT_EQ(writeExportFile(driver), kMsgOk);
  takeRunReport(driver, report);
  EXPECT_EQ(exitStatusFor(report), kExitScaleFailed);
  for (const ScaleReport& scale : report.scales) {
    const bool good = scale.name == "Good";
    EXPECT_EQ(scale.verdict, good ? ScaleVerdict::Ok : ScaleVerdict::Failed) << scale.name;
    EXPECT_EQ(scale.code, good ? 0 : kMsgReceiveError) << scale.name;
    EXPECT_EQ(scale.received, good ? 3 : kCap) << scale.name;
  }
  // Both floods send the same numbers: the first arrival of each is kept.
  EXPECT_EQ(driver.records.count(), 3 + kCap);
  const std::string exported = h.readFile("out.csv");
  EXPECT_EQ(countOf(exported, "\r\n"), 1 + 3 + static_cast<size_t>(kCap));
  EXPECT_TRUE(contains(exported, "\r\n1,") && contains(exported, "\r\n3,")) << exported.substr(0, 400);
  stop();
}

}  // namespace
}  // namespace tolvan
