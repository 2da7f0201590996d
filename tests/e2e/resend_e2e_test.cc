// Resend files over several runs against the simulator: a resend that
// fails while the run's own newer data goes through never puts the older
// data back later, a damaged entry loses only itself, and a message-family
// scale that answers "taken" with counts of its own has taken everything.

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace testing;

// The PLU records a scale's dump holds, in number order.
std::vector<std::string> plus(const std::string& dump) { return found(dump, "(record type=1 [^\n]*)"); }

// Every scale of a run is of one model. A fault that fails a scale's first
// run, and one that fails its first two (two busy answers end a session
// start when connecttimeout is 1).
struct ResendFamily {
  const char* what;
  std::string model;
  std::string failOnce;
  std::string failTwice;
  bool oddCounts;  // the scale's counts differ from what it was sent
};

class ResendRun : public SimRunTest, public ::testing::WithParamInterface<ResendFamily> {};

TEST_P(ResendRun, NeverPutsOldDataOverNewAndADamagedEntryLosesOnlyItself) {
  const ResendFamily& f = GetParam();
  start(scaleLine("Ref", f.model + ",simdump=ref.dump") +
        scaleLine("Bad", f.model + ",resend=bad.rsd," + f.failTwice + ",simdump=bad.dump") +
        scaleLine("Dmg", f.model + ",resend=dmg.rsd," + f.failOnce + ",simdump=dmg.dump"));
  h.writeFile("old.csv", "Plu_No,UnitPrice\r\n1,4.99\r\n2,4.99\r\n3,4.99\r\n");
  h.writeFile("new.csv", "Plu_No,UnitPrice\r\n1,5.99\r\n");
  EXPECT_EQ(run({"-u", "old.csv"}).exitStatus, 50);  // Bad and Dmg refuse their first session
  std::string damaged = h.readFile("dmg.rsd");
  ASSERT_EQ(damaged.size(), 3u * 2208);
  damaged[2208 + 4] = 0x7f;  // the length of entry 2
  h.writeFile("dmg.rsd", damaged);

  DriverRun second = run({"-r", "-u", "new.csv"});  // Bad's resend fails, its new price goes through
  EXPECT_EQ(second.exitStatus, 50);
  EXPECT_TRUE(contains(second.output, "kept in dmg.rsd.damaged")) << second.output;
  EXPECT_EQ(h.readFile("dmg.rsd.damaged"), damaged.substr(2208, 2208));
  EXPECT_FALSE(h.fileExists("dmg.rsd"));
  EXPECT_EQ(h.readFile("bad.rsd").size(), 2u * 2208);  // PLU 1 at 4.99 is stale

  DriverRun third = run({"-r"});
  EXPECT_EQ(third.exitStatus, 0);
  EXPECT_FALSE(h.fileExists("bad.rsd"));
  EXPECT_EQ(contains(third.output, "Bad: 1 batch answered \"taken\" with counts that differ"), f.oddCounts)
      << third.output;
  stop();
  std::vector<std::string> ref = plus(h.readFile("ref.dump"));  // 1 at 5.99, 2 and 3 at 4.99
  ASSERT_EQ(ref.size(), 3u);
  EXPECT_EQ(plus(h.readFile("bad.dump")), ref);
  ref.erase(ref.begin() + 1);
  EXPECT_EQ(plus(h.readFile("dmg.dump")), ref);
}

INSTANTIATE_TEST_SUITE_P(
    E2e, ResendRun,
    ::testing::Values(ResendFamily{"Block", "model=vt30", "simfault=enqnak:1", "simfault=enqnak:2", false},
                      ResendFamily{"MessageZeroCounts", "model=vt40,connecttimeout=1,simfault=okcounts",
                                   "simfault=busy:2", "simfault=busy:4", true},
                      ResendFamily{"MessageOtherCounts", "model=meriopro,connecttimeout=1,simfault=okcounts:9:1:2",
                                   "simfault=busy:2", "simfault=busy:4", true}),
    [](const ::testing::TestParamInfo<ResendFamily>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace tolvan
