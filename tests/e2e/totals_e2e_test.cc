// The real tolvandrv collecting production totals from simulated scales of
// both families: the export file, the reset of every scale whose receive
// succeeded (its dump holds no totals afterwards), and nothing lost: a
// scale whose transfer breaks keeps all of its totals, a run that could not
// export resets nothing, and a message-family scale's lines are on disk
// before it is reset and survive the next run, even if the driver dies there.

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace testing;

std::string plu(int no, int quantity, int weight, int price) {
  return "totals plu no=" + std::to_string(no) + " quantity=" + std::to_string(quantity) +
         " weight=" + std::to_string(weight) + " price=" + std::to_string(price) + "\n";
}

// A scale line; `name` also names its seed, dump, transcript and log.
std::string scale(const std::string& name, const std::string& settings) {
  return "scale=" + name + ",port=0," + settings + ",receivetimeout=10,log=" + name + ".log,simseed=" + name +
         ".seed,simdump=" + name + ".dump,simtranscript=" + name + ".sim\n";
}

// The totals lines of the scale's dump, in the seed's form.
std::string totalsLeft(const SimHarness& h, const std::string& name) {
  std::string dump = h.readFile(name + ".dump");
  return dump.substr(std::min(dump.find("totals "), dump.size()));
}

class TotalsRun : public testing::SimRunTest {
 protected:
  void seed(const std::string& name, const std::string& totals) { h.writeFile(name + ".seed", totals); }
  std::string left(const std::string& name) const { return totalsLeft(h, name); }
};

// Every transport and family at once, with the worked example's Deli and
// Bakery: each seeded line exported exactly once, block scales first,
// message scales after them in their order; all but the scale whose
// connection drops are left without totals, and that one keeps all of its own.
TEST_F(TotalsRun, MixedScalesExportEverythingOnceAndOnlyTheBrokenOneKeepsItsTotals) {
  seed("MsgA", plu(11, 1, 100, 110) + plu(12, 2, 200, 220));
  seed("Deli", plu(123, 4, 750, 596));
  seed("Bakery", plu(7, 12, 0, 180));
  seed("MsgB", plu(41, 6, 600, 660));
  seed("Lost", plu(51, 9, 900, 990) + plu(52, 10, 1000, 1100));
  start(scale("MsgA", "model=meriopro,version=china") + scale("Deli", "model=vt30,version=usa") +
        scale("Bakery", "model=pmx,version=nz,protocol=udp") + scale("MsgB", "model=vt40,version=usa") +
        scale("Lost", "model=lm50,version=australia,simfault=drop:2"));
  run({"-v", "-fpluprod", "export.csv"});
  stop();
  EXPECT_EQ(h.readFile("export.csv"),
            "ScaleIdx,PluNo,Quantity,Weight,Price\r\nDeli,123,4,750,596\r\nBakery,7,12,0,180\r\n"
            "Lost,51,9,900,990\r\nMsgA,11,1,100,110\r\nMsgA,12,2,200,220\r\nMsgB,41,6,600,660\r\n");
  EXPECT_EQ(left("MsgA") + left("Deli") + left("Bakery") + left("MsgB"), "");
  EXPECT_EQ(left("Lost"), plu(51, 9, 900, 990) + plu(52, 10, 1000, 1100));
  EXPECT_EQ(countOf(h.driverLog(), "Error occurred on scale [Lost]"), 2u);  // receive, clear pass
}

// Broken before the first line, after some, inside a record, or at a record
// that cannot be read: never reset nor cleared; earlier lines still
// exported. Types a scale is not asked for ("nextdayprod" anywhere,
// "opprod" on a block scale outside "usa") export the header only and end
// with 17, and reset nothing of the PLU totals either.
TEST_F(TotalsRun, BrokenTransfersAndUnaskedTypesNeverResetTheScale) {
  std::string held = plu(1, 1, 10, 100) + plu(2, 2, 20, 200) + plu(3, 3, 30, 300);
  struct { const char* name; const char* settings; size_t lines; std::string seeded; } cases[] = {
      // Message family: a data reply of 8 + 3 * 24 bytes, cut short.
      {"MsgHeader", "model=meriopro,simfault=drop:4", 0, held},
      {"MsgMid", "model=vt40,simfault=drop:52", 1, held},
      // Block family: the request is block 1, then one block a line.
      {"BlkNone", "model=vt30,version=usa,simfault=drop:1", 0, held},
      {"BlkTwo", "model=lm50,version=nz,simfault=drop:3", 2, held},
      // A seven-digit quantity makes its record one character too long.
      {"BlkLong", "model=vt30,version=usa", 1, plu(1, 1, 10, 100) + plu(2, 1234567, 20, 200)},
  };
  std::string config;
  for (const auto& c : cases) {
    seed(c.name, c.seeded);
    config += scale(c.name, c.settings);
  }
  start(config);
  run({"-v", "-fpluprod", "export.csv", "--report", "r.json"});
  EXPECT_TRUE(contains(h.readFile("BlkLong.log"), "Error receiving from scale"));  // before the next run clears it
  nlohmann::json report = nlohmann::json::parse(h.readFile("r.json"));
  EXPECT_EQ(report["run"]["exportedNotReset"], nlohmann::json::array({"BlkTwo", "BlkLong", "MsgMid"}));
  for (const auto& s : report["scales"]) EXPECT_EQ(s["reset"], "not done") << s.dump();
  run({"-v", "-fnextdayprod", "next.csv"});
  run({"-v", "-fopprod", "op.csv"});
  stop();
  EXPECT_EQ(h.readFile("next.csv"), "ScaleIdx,PluNo,Quantity,Weight,Price\r\n");
  EXPECT_EQ(h.readFile("op.csv"),
            "ScaleId,Operator,Quantity,Weight,DiscountValue,DiscountQuant,UpOverwriteValu,UpOverwriteQuan\r\n");
  EXPECT_TRUE(contains(h.readFile("BlkTwo.log"), "Import data type [opprod] not supported by scale : BlkTwo"));
  EXPECT_EQ(countOf(h.driverLog(), ":Tolvan scale driver error : Error code 17\r\n"), 2u);
  std::string exported = h.readFile("export.csv");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(left(c.name), c.seeded);
    EXPECT_EQ(countOf(exported, std::string(c.name) + ","), c.lines);
  }
}

// What became of the totals, one scale a run: a reset or clear the scale
// does not confirm fails it (50) while its lines stay exported and its
// totals on the scale; hourly totals a block scale cannot clear are no
// failure; digits that do not read are exported as they read and the
// scale is reset. The driver log ends "completed OK" in every row.
TEST(TotalsResets, OutcomesReachTheReportTheExitStatusAndStandardError) {
  const std::string seeded = plu(5, 2, 750, 500) + plu(6, 3, 0, 90);
  const std::string hourly = "totals hour no=9 quantity=4 weight=750 price=596\n";
  struct {
    const char* settings; const char* type; int exitStatus; const char* outcome; int code; const char* reset;
    const char* firstLine; const char* says;  // the export's first line of the scale; a text on standard error
  } rows[] = {
      {"model=meriopro,simfault=reseterror:7", "pluprod", 50, "failed", 26, "failed", "S,5,2,750,500",
       "S: failed, code 26: Error occurred on scale (Error Code = 7) (totals not reset: error flag)\n"
       "tolvandrv: exported but not reset: S; the next receive exports those totals again\n"},
      {"model=vt40,simfault=resetdrop", "pluprod", 50, "failed", 28, "failed", "S,5,2,750,500", ""},
      {"model=vt30,version=usa,simfault=resetdrop", "pluprod", 50, "failed", 22, "failed", "S,5,2,750,500", ""},
      {"model=pmx,version=nz", "hourlyprod", 0, "ok", 0, "none for this family", "S,9,4,750,596",
       "S: the block family has no reset for hourlyprod totals; they stay on the scale"},
      // The weight's last packed digit is A: the weight reads 75.
      {"model=vt40,simfault=nondigit", "pluprod", 0, "ok", 0, "done", "S,5,2,75,500",
       "S: 1 totals record with characters that are not digits (first: record 1 of the reply, PluNo 5)"},
      // The weight starts with 'X': reading ends there, only the price reads.
      {"model=lm50,version=australia,simfault=nondigit", "pluprod", 0, "ok", 0, "done", "S,0,0,0,500",
       "S: 1 totals record with characters that are not digits (first: record 1 of the reply, PluNo 0)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.settings);
    SimHarness run;
    const bool hour = std::string(row.type) == "hourlyprod";
    run.writeFile("S.seed", hour ? hourly : seeded);
    ASSERT_TRUE(run.startSim(scale("S", std::string(row.settings) + ",receivetimeout=2"))) << run.simOutput();
    DriverRun driver = run.runDriver({"-v", std::string("-f") + row.type, "out.csv", "--report", "r.json"}, 30);
    ASSERT_EQ(run.stopSim(), 0);
    EXPECT_EQ(driver.exitStatus, row.exitStatus) << driver.output;
    EXPECT_TRUE(contains(driver.output, row.says)) << driver.output;
    EXPECT_TRUE(contains(run.driverLog(), ":Tolvan scale driver completed OK\r\n")) << run.driverLog();
    EXPECT_TRUE(contains(run.readFile("out.csv"), std::string("\r\n") + row.firstLine + "\r\n"));
    nlohmann::json report = nlohmann::json::parse(run.readFile("r.json"));
    const nlohmann::json& s = report["scales"][0];
    EXPECT_EQ(s["outcome"], row.outcome);
    EXPECT_EQ(s["code"], row.code);
    EXPECT_EQ(s["reset"], row.reset);
    const bool kept = std::string(row.reset) != "done";
    EXPECT_EQ(report["run"]["exportedNotReset"], kept ? nlohmann::json::array({"S"}) : nlohmann::json::array());
    EXPECT_EQ(totalsLeft(run, "S"), kept ? (hour ? hourly : seeded) : "");
  }
}

// An export the run cannot create stops it before any scale is contacted:
// every scale still holds its totals and saw not even a connection.
TEST_F(TotalsRun, AnExportThatCannotBeCreatedStopsTheRunBeforeAnyScaleIsAsked) {
  seed("Msg", plu(5, 2, 250, 500));
  seed("Blk", plu(6, 3, 0, 90));
  start(scale("Msg", "model=meriopro") + scale("Blk", "model=vt30,version=usa"));
  for (std::vector<std::string> args : {std::vector<std::string>{"-v", "-fpluprod", "missing/export.csv"},
                                        std::vector<std::string>{"-v", "-fpluprod"}}) {
    EXPECT_EQ(run(args).exitStatus, 15) << h.driverLog();
  }
  stop();
  EXPECT_EQ(left("Msg") + left("Blk"), plu(5, 2, 250, 500) + plu(6, 3, 0, 90));
  EXPECT_FALSE(contains(h.readFile("Msg.sim") + h.readFile("Blk.sim"), "Connection"));
  EXPECT_EQ(countOf(h.driverLog(), "Error 0015:Cannot open text file : "), 2u) << h.driverLog();
}

// Killed (SIGKILL) while one scale hangs after its reset and another has
// been reset: the lines are on disk and the pending record names them. The
// next run of any kind moves them (not another file the record names) into
// a folder of their own, or stops when it cannot; a later run leaves the
// folder alone.
TEST_F(TotalsRun, AStoppedReceiveLeavesItsWorkFilesToAPersonNotToTheNextRun) {
  seed("Msg", plu(5, 2, 250, 500) + plu(6, 3, 0, 90));
  seed("Done", plu(7, 1, 0, 100));
  start(scale("Msg", "model=meriopro,simfault=hangreset") + scale("Done", "model=vt40"));
  h.writeFile("plu.csv", "Plu_No,UnitPrice\r\n7,1.25\r\n");
  EXPECT_TRUE(h.runDriver({"-v", "-fpluprod", "export.csv"}, 8).timedOut);
  EXPECT_TRUE(contains(h.readFile("Msg.sim"), "11 00 00 00 04 00 00 00 00 00 00 00"));  // the reset
  EXPECT_EQ(found(h.readFile("TolvanDrvPending.txt"), "(.*Wrk.txt)"),
            std::vector<std::string>({"MsgWrk.txt", "DoneWrk.txt"}));
  EXPECT_TRUE(contains(run({"--check"}).output, "TolvanDrvPending.txt:0: a totals receive started "));
  h.writeFile("TolvanDrvPending.txt", h.readFile("TolvanDrvPending.txt") + "plu.csv\r\n");

  h.writeFile("TolvanDrvKept", "");  // no folder can be made there
  EXPECT_EQ(run({"-u", "plu.csv"}).exitStatus, 31);
  std::filesystem::remove(h.path("TolvanDrvKept"));
  EXPECT_EQ(h.readFile("MsgWrk.txt"), "Msg,5,2,250,500\r\nMsg,6,3,0,90\r\n");

  DriverRun moved = run({"-u", "plu.csv", "--report", "report.json"});
  nlohmann::json kept = nlohmann::json::parse(h.readFile("report.json"))["run"]["keptWorkFiles"];
  const std::string folder = kept.value("folder", "");
  EXPECT_TRUE(std::regex_match(folder, std::regex("TolvanDrvKept/[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{6}"))) << kept;
  EXPECT_EQ(kept["files"], nlohmann::json({"MsgWrk.txt", "DoneWrk.txt"}));
  EXPECT_TRUE(contains(moved.output, "did not finish; its work files (2) are moved to " + folder + "/"))
      << moved.output;
  EXPECT_EQ(h.readFile(folder + "/MsgWrk.txt") + h.readFile(folder + "/DoneWrk.txt"),
            "Msg,5,2,250,500\r\nMsg,6,3,0,90\r\nDone,7,1,0,100\r\n");
  EXPECT_FALSE(h.fileExists("MsgWrk.txt") || h.fileExists("TolvanDrvPending.txt"));

  DriverRun later = run({"-u", "plu.csv", "--report", "report.json"});
  EXPECT_EQ(later.exitStatus, 0) << later.output;
  EXPECT_FALSE(contains(later.output, "moved"));
  EXPECT_TRUE(nlohmann::json::parse(h.readFile("report.json"))["run"]["keptWorkFiles"].is_null());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.path("TolvanDrvKept")), {}), 1);
  EXPECT_EQ(h.readFile(folder + "/MsgWrk.txt"), "Msg,5,2,250,500\r\nMsg,6,3,0,90\r\n");
  stop();
  EXPECT_EQ(left("Msg") + left("Done"), "");  // the scales have forgotten them
}

}  // namespace
}  // namespace tolvan
