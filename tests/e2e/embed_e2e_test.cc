// Jobs run through <tolvan/driver.h> against two simulated scales, one of
// which refuses every connection: each scale's outcome comes back as
// values, and the console lines go to the program's sink.
#include "app/job.h"
#include "e2e/e2e_support.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tolvan::testing {
namespace {

// A scale's values in one line, so one comparison covers them all.
std::string valuesOf(const ScaleResult& s) {
  return s.name + " " + s.outcome + " " + s.family + " " + s.address + " code " + std::to_string(s.code) + " sent " +
         std::to_string(s.sent) + "/" + std::to_string(s.accepted) + " " + s.resendFile.value_or("-") + " " +
         std::to_string(s.resendRecords) + " " + s.message;
}

TEST_F(SimRunTest, EmbeddedJobHandsBackEachScalesOutcomeAndEveryConsoleLine) {
  start(scaleLine("Deli", "model=vt30") + scaleLine("Gone", "model=vt40,simfault=refuse,resend=gone.rsd"));
  h.writeFile("plu.csv", "Plu_No,UnitPrice\r\n7,1.25\r\n3,2.50\r\n");
  FakeClock clock;  // every log line is stamped Fri Dec 04 13:56:24 2026
  FakeSleeper sleeper(&clock);
  CurrentDir inside(h.dir());  // scale logs and resend files are named relative to it
  JobOptions job;
  job.operation = JobOperation::Import;
  job.dataFile = "plu.csv";
  std::vector<std::string> lines;
  JobOutcome out = runJob(job, [&lines](std::string_view line) { lines.emplace_back(line); }, clock, sleeper);
  EXPECT_EQ(out.operation + " " + std::to_string(out.exitStatus), "import 50");
  ASSERT_EQ(out.scales.size(), 2u);
  EXPECT_EQ(valuesOf(out.scales[0]), "Deli ok block 127.0.0.1 code 0 sent 2/2 - 0 ");
  EXPECT_EQ(valuesOf(out.scales[1]), "Gone failed message 127.0.0.1 code 18 sent 0/0 gone.rsd 2 Cannot connect "
                                     "to scale: 127.0.0.1 (Port = " + std::to_string(out.scales[1].port) + ")");
  // The verdict tolvandrv closes standard error with, as values.
  EXPECT_EQ(out.verdict, std::vector<std::string>({"Gone: failed, code 18: " + out.scales[1].message + " (" +
                                                   out.scales[1].cause + ")"}));
  EXPECT_EQ(out.scales[1].cause, "connection refused");
  // The banner, then exactly the driver log's lines without their stamps.
  std::string logged;
  for (const std::string& line : lines) logged += "Fri Dec 04 13:56:24 2026:" + line + "\r\n";
  EXPECT_EQ(logged, "Fri Dec 04 13:56:24 2026:Tolvan Scale Driver Version 1.2\r\n" + h.driverLog());

  // A data type number cast from outside the enumeration is refused as
  // the command line refuses an unknown keyword, in a log emptied first.
  job.emptyLog = true;
  job.dataType = static_cast<JobDataType>(40);
  EXPECT_EQ(runJob(job, {}, clock, sleeper).exitStatus, 9);
  EXPECT_EQ(h.driverLog(), "Fri Dec 04 13:56:24 2026: Error 0009:Invalid scale data type specified (40)\r\n"
                           "Fri Dec 04 13:56:24 2026:Tolvan scale driver error : Error code 9\r\n");

  // The example program: the driver's lines, then a line per scale.
  DriverRun run = h.runProgram(TOLVAN_EMBED_EXAMPLE_PATH, {"plu.csv", SimHarness::kDriverConfig}, 60);
  std::erase(run.output, '\r');  // the example writes text, which Windows ends with CR LF
  EXPECT_EQ(run.exitStatus, 50) << run.output;
  EXPECT_TRUE(contains(run.output, "driver: Tolvan scale driver completed OK\n")) << run.output;
  EXPECT_FALSE(contains(run.output, "tolvandrv: ")) << run.output;  // nothing on standard error
  EXPECT_EQ(found(run.output, "scale (\\w+: \\w+, \\d+ sent)"),
            std::vector<std::string>({"Deli: ok, 2 sent", "Gone: failed, 0 sent"}));
  stop();
}

}  // namespace
}  // namespace tolvan::testing
