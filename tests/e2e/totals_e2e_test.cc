// The real tolvandrv collecting production totals from simulated scales of
// both families: the export file, the reset of every scale whose receive
// succeeded (its dump holds no totals afterwards), and nothing lost: a
// scale whose transfer breaks keeps all of its totals, and the lines of a
// message-family receive are on disk before its scale is reset, even when
// the driver dies right after the reset.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using testing::DriverRun;
using testing::contains;
using testing::countOf;

std::string pluTotals(int plu, int quantity, int weight, int price) {
  return "totals plu no=" + std::to_string(plu) + " quantity=" + std::to_string(quantity) +
         " weight=" + std::to_string(weight) + " price=" + std::to_string(price) + "\n";
}

// A scale line; `name` also names its seed, dump and transcript files.
std::string scale(const std::string& name, const std::string& settings) {
  return "scale=" + name + ",port=0," + settings + ",receivetimeout=10,simseed=" + name + ".seed,simdump=" + name +
         ".dump,simtranscript=" + name + ".sim\n";
}

std::string totalsOf(const std::string& dump) {
  std::string totals;
  size_t from = 0;
  for (size_t at = dump.find("totals "); at != std::string::npos; at = dump.find("totals ", from)) {
    from = dump.find('\n', at);
    totals += dump.substr(at, from - at + 1);
  }
  return totals;
}

class TotalsRun : public testing::SimRunTest {
 protected:
  void seed(const std::string& name, const std::string& totals) { h.writeFile(name + ".seed", totals); }
  std::string dumpTotals(const std::string& name) const { return totalsOf(h.readFile(name + ".dump")); }
  std::string transcript(const std::string& name) const { return h.readFile(name + ".sim"); }
};

// Block texts as the transcript shows them: the record's bytes in hex up to
// the ETX of its block.
constexpr const char* kUsaPluRequest = "34 30 30 30 30 30 03";           // "400000"
constexpr const char* kOtherPluRequest = "34 30 30 31 30 30 30 30 03";  // "40010000"
constexpr const char* kUsaPluClear = "31 39 03";                         // "19"
constexpr const char* kOtherPluClear = "31 39 30 31 03";                 // "1901"
constexpr const char* kPluReset = "11 00 00 00 04 00 00 00 00 00 00 00";

TEST_F(TotalsRun, WorkedExampleIsExportedAndBothScalesCleared) {
  seed("Deli", pluTotals(123, 4, 750, 596));
  seed("Bakery", pluTotals(7, 12, 0, 180));
  start(scale("Deli", "model=vt30,version=usa") + scale("Bakery", "model=pmx,version=nz,protocol=udp"));
  run({"-v", "-fpluprod", "export.csv"});
  stop();
  EXPECT_EQ(h.readFile("export.csv"),
            "ScaleIdx,PluNo,Quantity,Weight,Price\r\nDeli,123,4,750,596\r\nBakery,7,12,0,180\r\n")
      << h.driverLog();
  EXPECT_EQ(dumpTotals("Deli"), "");
  EXPECT_EQ(dumpTotals("Bakery"), "");
  EXPECT_TRUE(contains(transcript("Deli"), kUsaPluRequest));
  EXPECT_TRUE(contains(transcript("Deli"), kUsaPluClear));
  EXPECT_TRUE(contains(transcript("Bakery"), kOtherPluRequest));
  EXPECT_TRUE(contains(transcript("Bakery"), kOtherPluClear));
  // The clear pass reports like a delete-all, and the run succeeds.
  EXPECT_TRUE(contains(h.driverLog(), ":0 additions and 1 deletions imported: Data sent OK to all scales (2 scale(s)).\r\n"));
  EXPECT_TRUE(contains(h.driverLog(), ":Tolvan scale driver completed OK\r\n"));
}

// Five scales of both families and every transport: every seeded line is
// exported exactly once, block scales first, message scales after them in
// their configured order; every scale but the one whose connection drops
// is left without totals, and that one keeps all of its own.
TEST_F(TotalsRun, MixedScalesExportEverythingOnceAndOnlyTheBrokenOneKeepsItsTotals) {
  seed("MsgA", pluTotals(11, 1, 100, 110) + pluTotals(12, 2, 200, 220));
  seed("Deli", pluTotals(21, 3, 300, 330) + pluTotals(22, 4, 0, 440));
  seed("Bakery", pluTotals(31, 5, 500, 550));
  seed("MsgB", pluTotals(41, 6, 600, 660) + pluTotals(42, 7, 700, 770) + pluTotals(43, 8, 800, 880));
  std::string lost = pluTotals(51, 9, 900, 990) + pluTotals(52, 10, 1000, 1100) + pluTotals(53, 11, 0, 1210);
  seed("Lost", lost);
  start(scale("MsgA", "model=meriopro,version=china") + scale("Deli", "model=vt30,version=usa") +
        scale("Bakery", "model=pmx,version=nz,protocol=udp") + scale("MsgB", "model=vt40,version=usa") +
        scale("Lost", "model=lm50,version=australia,simfault=drop:2"));
  run({"-v", "-fpluprod", "-t", "export.txt"});
  stop();
  EXPECT_EQ(h.readFile("export.txt"),
            "ScaleIdx\tPluNo\tQuantity\tWeight\tPrice\r\n"
            "Deli\t21\t3\t300\t330\r\nDeli\t22\t4\t0\t440\r\n"
            "Bakery\t31\t5\t500\t550\r\n"
            "Lost\t51\t9\t900\t990\r\n"
            "MsgA\t11\t1\t100\t110\r\nMsgA\t12\t2\t200\t220\r\n"
            "MsgB\t41\t6\t600\t660\r\nMsgB\t42\t7\t700\t770\r\nMsgB\t43\t8\t800\t880\r\n")
      << h.driverLog();
  for (const char* cleared : {"MsgA", "Deli", "Bakery", "MsgB"}) EXPECT_EQ(dumpTotals(cleared), "") << cleared;
  EXPECT_EQ(dumpTotals("Lost"), lost);
  EXPECT_FALSE(contains(transcript("Lost"), kOtherPluClear));
  EXPECT_TRUE(contains(h.driverLog(), "Error occurred on scale [Lost]")) << h.driverLog();
  EXPECT_EQ(countOf(h.driverLog(), "Error occurred on scale ["), 2) << h.driverLog();  // receive and clear pass
}

// A transfer broken at any point: before the first line, after one, in the
// middle of a record, or at a record that cannot be read. The scale is
// never reset or cleared, and the lines it sent before the break are still
// exported.
TEST_F(TotalsRun, ABrokenTransferNeverResetsTheScale) {
  std::string held = pluTotals(1, 1, 10, 100) + pluTotals(2, 2, 20, 200) + pluTotals(3, 3, 30, 300);
  // A quantity too wide for its six characters makes the second record one
  // character too long: it cannot be read as the sale it was.
  std::string overflowing = pluTotals(1, 1, 10, 100) + pluTotals(2, 1234567, 20, 200);
  struct Case {
    const char* name;
    const char* settings;
    int linesBeforeBreak;
    std::string seeded;
  } cases[] = {
      // Message family: a data reply of 8 + 3 * 24 bytes, cut short.
      {"MsgHeader", "model=meriopro,simfault=drop:4", 0, held},
      {"MsgOne", "model=vt40,simfault=drop:32", 1, held},
      {"MsgMid", "model=meriopro,simfault=drop:52", 1, held},
      // Block family: the request is block 1, each line one block after it.
      {"BlkNone", "model=vt30,version=usa,simfault=drop:1", 0, held},
      {"BlkOne", "model=pmx,version=nz,simfault=drop:2", 1, held},
      {"BlkTwo", "model=lm50,version=usa,simfault=drop:3", 2, held},
      {"BlkLong", "model=vt30,version=usa,log=BlkLong.log", 1, overflowing},
  };
  std::string config;
  for (const Case& c : cases) {
    seed(c.name, c.seeded);
    config += scale(c.name, c.settings);
  }
  start(config);
  run({"-v", "-fpluprod", "export.csv"});
  stop();
  std::string exported = h.readFile("export.csv");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dumpTotals(c.name), c.seeded);
    EXPECT_EQ(countOf(exported, std::string(c.name) + ","), static_cast<size_t>(c.linesBeforeBreak)) << exported;
    if (c.linesBeforeBreak > 0) {
      EXPECT_TRUE(contains(exported, std::string(c.name) + ",1,1,10,100\r\n"));
    }
    EXPECT_TRUE(contains(h.driverLog(), std::string("Error occurred on scale [") + c.name + "]"));
    EXPECT_FALSE(contains(transcript(c.name), kPluReset));
    EXPECT_FALSE(contains(transcript(c.name), kUsaPluClear));
    EXPECT_FALSE(contains(transcript(c.name), kOtherPluClear));
  }
  EXPECT_FALSE(contains(h.driverLog(), "completed OK"));
  EXPECT_TRUE(contains(h.readFile("BlkLong.log"), "Error receiving from scale"));
}

// Operator totals: a "usa" block scale sends no discounts, a block scale
// of another version is not asked (17), and a message scale sends all and
// is reset with message 14.
TEST_F(TotalsRun, OperatorTotalsByFamilyAndVersion) {
  std::string usaOp = "totals op no=2 quantity=1 weight=20 amount=300\n";
  std::string msgOp =
      "totals op no=5 quantity=1 weight=2 amount=3 discountvalue=4 discountquant=5 upoverwritevalue=6 "
      "upoverwritequant=7\n";
  seed("Usa", usaOp);
  seed("Nz", usaOp);
  seed("Msg", msgOp);
  start(scale("Msg", "model=vt40") + scale("Usa", "model=vt30,version=usa") + scale("Nz", "model=pmx,version=nz,log=Nz.log"));
  run({"-v", "-fopprod", "op.csv"});
  stop();
  EXPECT_EQ(h.readFile("op.csv"),
            "ScaleId,Operator,Quantity,Weight,DiscountValue,DiscountQuant,UpOverwriteValu,UpOverwriteQuan\r\n"
            "Usa,2,1,20,0,0,0,0\r\nMsg,5,1,2,4,5,6,7\r\n");
  EXPECT_TRUE(contains(h.readFile("Nz.log"), "Import data type [opprod] not supported by scale : Nz"));
  EXPECT_TRUE(contains(h.driverLog(), ":Tolvan scale driver error : Error code 17\r\n"));
  EXPECT_EQ(dumpTotals("Usa"), "");
  EXPECT_EQ(dumpTotals("Msg"), "");
  EXPECT_NE(dumpTotals("Nz"), "");
  EXPECT_TRUE(contains(transcript("Msg"), "14 00 00 00 02 00 00 00 00 00"));
}

TEST_F(TotalsRun, NextDayTotalsExportOnlyTheHeader) {
  seed("Deli", pluTotals(1, 1, 1, 1));
  start(scale("Deli", "model=vt30,version=usa"));
  run({"-v", "-fnextdayprod", "export.csv"});
  stop();
  EXPECT_EQ(h.readFile("export.csv"), "ScaleIdx,PluNo,Quantity,Weight,Price\r\n");
  EXPECT_EQ(dumpTotals("Deli"), pluTotals(1, 1, 1, 1));
}

// Clearing without collecting: delete-all and deletions of totals types
// reach each family with its own clear record, or not at all.
TEST_F(TotalsRun, DeletionModesClearWhatEachFamilyHasAClearFor) {
  std::string both = pluTotals(1, 1, 1, 1) + "totals hour no=9 quantity=4 weight=750 price=596\n";
  struct Case {
    std::vector<std::string> args;
    std::string blockLeft;
    std::string messageLeft;
  } cases[] = {
      {{"-a", "-fprod"}, "", both},  // "prod" is cleared on block scales only
      {{"-a", "-fhourlyprod"}, both, pluTotals(1, 1, 1, 1)},
      {{"-d", "-fpluprod", "del.csv"}, "totals hour no=9 quantity=4 weight=750 price=596\n",
       "totals hour no=9 quantity=4 weight=750 price=596\n"},
  };
  h.writeFile("del.csv", "RecNo\r\n5\r\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1]);
    seed("Blk", both);
    seed("Msg", both);
    start(scale("Blk", "model=pmx,version=nz") + scale("Msg", "model=meriopro"));
    run(c.args);
    stop();
    EXPECT_EQ(dumpTotals("Blk"), c.blockLeft);
    EXPECT_EQ(dumpTotals("Msg"), c.messageLeft);
  }
}

// Starts the driver in the run's folder without waiting for it.
pid_t startDriver(const std::string& dir, const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(TOLVANDRV_PATH)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    int devNull = ::open("/dev/null", O_RDWR);
    if (::chdir(dir.c_str()) != 0 || devNull < 0) ::_exit(126);
    ::dup2(devNull, 0);
    ::dup2(devNull, 1);
    ::dup2(devNull, 2);
    ::execv(TOLVANDRV_PATH, argv.data());
    ::_exit(127);
  }
  return pid;
}

// The scale takes the reset and goes quiet; the driver, killed while it
// waits for the answer, must already have its lines on disk.
TEST_F(TotalsRun, LinesAreOnDiskBeforeTheResetEvenIfTheDriverDiesThere) {
  std::string held = pluTotals(5, 2, 250, 500) + pluTotals(6, 3, 0, 90);
  seed("Msg", held);
  start("scale=Msg,port=0,model=meriopro,receivetimeout=60,simseed=Msg.seed,simdump=Msg.dump,"
        "simtranscript=Msg.sim,simfault=hangreset\n");
  pid_t driver = startDriver(h.dir(), {"-v", "-fpluprod", "export.csv"});
  ASSERT_GT(driver, 0);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!contains(transcript("Msg"), kPluReset) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(driver, SIGKILL);
  int status = 0;
  ::waitpid(driver, &status, 0);
  stop();
  ASSERT_TRUE(contains(transcript("Msg"), kPluReset));
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(dumpTotals("Msg"), "");  // the scale has forgotten them
  EXPECT_EQ(h.readFile("MsgWrk.txt"), "Msg,5,2,250,500\r\nMsg,6,3,0,90\r\n");
}

}  // namespace
}  // namespace tolvan
