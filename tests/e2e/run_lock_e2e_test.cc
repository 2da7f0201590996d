// Two drivers in one folder: the second names the run that holds it and
// exits 75, or with --wait runs once the first has ended.

#include <atomic>
#include <thread>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace testing;

TEST_F(SimRunTest, ASecondRunInTheFolderNamesTheFirstOrWaitsForIt) {
  start(scaleLine("Mute", "model=vt30,receivetimeout=1,simfault=silent"));
  h.writeFile("plu.csv", "Plu_No\r\n1\r\n");
  DriverRun first;
  std::atomic<bool> firstEnded{false};
  std::thread firstRun([&] {
    first = run({"-u", "plu.csv"});
    firstEnded = true;
  });
  // The lock file names its holder once the first run holds it.
  while (!firstEnded && !contains(h.readFile("TolvanDrv.lock"), "\n")) std::this_thread::yield();
  DriverRun refused = run({"-e", "-a"});
  DriverRun waited = run({"--wait", "60"});
  firstRun.join();
  EXPECT_EQ(refused.exitStatus, 75);
  EXPECT_EQ(found(refused.output, "another run holds TolvanDrv.lock \\(pid [0-9]+, started [-0-9T:]+, command: "
                                   "[^ ]+ (-u plu.csv)\\); nothing was done").size(), 1u) << refused.output;
  EXPECT_EQ(waited.exitStatus, 0);
  // The waiting run ended last; the refused one wrote nothing, not even -e.
  const std::string log = h.driverLog();
  EXPECT_TRUE(log.ends_with("Tolvan scale driver completed OK\r\n")) << log;
  EXPECT_TRUE(contains(log, "Import plu data") && !contains(log, "Delete all")) << log;
  stop();
}

}  // namespace
}  // namespace tolvan
