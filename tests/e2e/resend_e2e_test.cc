// Resend files over several runs against the simulator: a resend that
// fails while the run's own newer data goes through never puts the older
// data back later, and a damaged entry loses only itself.

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace testing;

// The PLU records a scale's dump holds, in number order.
std::vector<std::string> plus(const std::string& dump) { return found(dump, "(record type=1 [^\n]*)"); }

TEST_F(SimRunTest, ResendNeverPutsOldDataOverNewAndADamagedEntryLosesOnlyItself) {
  start(scaleLine("Ref", "model=vt30,simdump=ref.dump") +
        scaleLine("Bad", "model=vt30,resend=bad.rsd,simfault=enqnak:2,simdump=bad.dump") +
        scaleLine("Dmg", "model=vt30,resend=dmg.rsd,simfault=enqnak:1,simdump=dmg.dump"));
  h.writeFile("old.csv", "Plu_No,UnitPrice\r\n1,4.99\r\n2,4.99\r\n3,4.99\r\n");
  h.writeFile("new.csv", "Plu_No,UnitPrice\r\n1,5.99\r\n");
  EXPECT_EQ(run({"-u", "old.csv"}).exitStatus, 50);  // Bad and Dmg refuse their first enquiry
  std::string damaged = h.readFile("dmg.rsd");
  ASSERT_EQ(damaged.size(), 3u * 2208);
  damaged[2208 + 4] = 0x7f;  // the length of entry 2
  h.writeFile("dmg.rsd", damaged);

  DriverRun second = run({"-r", "-u", "new.csv"});  // Bad's resend fails, its new price goes through
  EXPECT_EQ(second.exitStatus, 50);
  EXPECT_TRUE(contains(second.output, "kept in dmg.rsd.damaged")) << second.output;
  EXPECT_EQ(h.readFile("dmg.rsd.damaged"), damaged.substr(2208, 2208));
  EXPECT_EQ(h.readFile("bad.rsd").size(), 2u * 2208);  // PLU 1 at 4.99 is stale

  EXPECT_EQ(run({"-r"}).exitStatus, 0);
  EXPECT_FALSE(h.fileExists("bad.rsd"));
  stop();
  std::vector<std::string> ref = plus(h.readFile("ref.dump"));  // 1 at 5.99, 2 and 3 at 4.99
  ASSERT_EQ(ref.size(), 3u);
  EXPECT_EQ(plus(h.readFile("bad.dump")), ref);
  ref.erase(ref.begin() + 1);
  EXPECT_EQ(plus(h.readFile("dmg.dump")), ref);
}

}  // namespace
}  // namespace tolvan
