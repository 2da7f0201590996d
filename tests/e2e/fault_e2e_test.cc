// Hostile scales end to end, one table: each row puts a scale with a
// simulator fault ("Bad") beside a healthy one ("Good") and runs the real
// driver against both. Every row must end within its bound by the driver's
// own measure, fail only Bad with the expected code and scale log, keep
// every record of a failed send in Bad's resend file, and give Good
// everything exactly once.

#include <nlohmann/json.hpp>

#include "e2e/e2e_support.h"
#include "files/work_files.h"

namespace tolvan {
namespace {

using namespace testing;

// Records long enough that one batch of 100 outgrows what the two systems
// buffer, so a scale that stops reading really blocks the driver's send.
std::string bigImport(int records) {
  std::string text = "Plu_No,UnitPrice,Desc\r\n";
  for (int i = 1; i <= records; ++i) {
    std::string name = "Item" + std::to_string(i) + " ";
    std::string desc;
    while (desc.size() + name.size() <= 2000) desc += name;
    text += std::to_string(i) + ",1.25,\"" + desc + "\"\r\n";
  }
  return text;
}

const std::string kSmallImport = "Plu_No,UnitPrice,Desc\r\n1,1.00,\"Apple\"\r\n2,2.00,\"Pear\"\r\n";
const std::string kGood = "scale=Good,port=0,model=vt40,maxpludesclen=2047,log=good.log,simdump=good.dump\n";

std::string bad(const std::string& settings) {
  return "scale=Bad,port=0,receivetimeout=2,connecttimeout=1,maxpludesclen=2047,resend=bad.rsd,log=bad.log,"
         "simdump=bad.dump," + settings + "\n";
}

struct FaultRow {
  const char* what;
  std::string badScale;                 // Bad's configuration line, fault included
  std::vector<std::pair<std::string, std::string>> files;  // written before the runs
  std::vector<std::string> before;      // an earlier run that fills the scales; empty: none
  std::vector<std::string> args;        // the run under test
  int exitStatus;
  std::vector<std::string> driverLog;   // texts the driver log holds
  std::vector<std::string> badLog;      // texts Bad's scale log holds
  int resendEntries;                    // in Bad's resend file
  int badHolds;                         // PLUs Bad holds afterwards
  int goodHolds;                        // PLUs Good holds: each taken in exactly one batch
  double maxSeconds = 15;               // Bad's time in the run report
};

const std::vector<std::string> kSendBig = {"-u", "big.csv"};
const std::vector<std::string> kFill = {"-u", "small.csv"};
const std::vector<std::string> kReceive = {"-v", "out.csv", "--scale-limit", "6"};
const std::string kFailed = "Error occurred on scale [Bad] - See scale log file for details";
const std::string kLimit = "Time limit of the scale reached after 6 seconds";

const std::vector<FaultRow>& faultRows() {
  static const std::vector<FaultRow> rows = {
      {"scale stops reading mid-batch: the blocked send ends", bad("model=vt40,simfault=stopread"),
       {{"big.csv", bigImport(120)}}, {}, kSendBig, 50, {kFailed, "Error code 21"}, {"Error sending to scale"},
       120, 0, 120},
      {"status reply then reset: not taken as delivered", bad("model=meriopro,simfault=resetafterstatus:200"),
       {{"big.csv", bigImport(120)}}, {}, kSendBig, 50, {kFailed, "Error code 21"}, {"Error sending to scale"},
       120, 0, 120},
      {"dropped connection requests: connect gives up", bad("model=vt30,simfault=noaccept"),
       {{"big.csv", bigImport(120)}}, {}, kSendBig, 50, {kFailed}, {"Cannot connect to scale"}, 120, 0, 120},
      {"message data reply trickles without end", bad("model=vt40,simfault=trickle:10"),
       {{"small.csv", kSmallImport}}, kFill, kReceive, 50, {kFailed, "Error code 28"}, {kLimit, "Receive timeout"},
       0, 2, 2},
      {"block reply trickles without end", bad("model=vt30,simfault=trickle:10"), {{"small.csv", kSmallImport}},
       kFill, kReceive, 50, {kFailed, "Error code 28"}, {kLimit, "Receive timeout"}, 0, 2, 2},
      {"block scale repeats its enquiry for ever", bad("model=pmx,simfault=endlessenq:300"),
       {{"small.csv", kSmallImport}}, kFill, kReceive, 50, {kFailed, "Error code 28"}, {kLimit, "Receive timeout"},
       0, 2, 2},
  };
  return rows;
}

double badSeconds(const std::string& reportText) {
  nlohmann::json report = nlohmann::json::parse(reportText, nullptr, false);
  if (report.is_discarded()) return -1;
  for (const auto& scale : report["scales"]) {
    if (scale["name"] == "Bad") return scale["seconds"].get<double>();
  }
  return -1;
}

TEST(FaultScenarios, EveryRowEndsInTimeAndLosesNothing) {
  for (const FaultRow& row : faultRows()) {
    SCOPED_TRACE(row.what);
    SimHarness h;
    ASSERT_TRUE(h.startSim(kGood + row.badScale)) << h.simOutput();
    for (const auto& [name, bytes] : row.files) h.writeFile(name, bytes);
    if (!row.before.empty()) {
      ASSERT_EQ(h.runDriver(row.before, 60).exitStatus, 0) << h.driverLog();
    }
    std::vector<std::string> args = row.args;
    args.insert(args.end(), {"--report", "report.json"});
    DriverRun run = h.runDriver(args, 60);
    ASSERT_EQ(h.stopSim(), 0) << h.simOutput();
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, row.exitStatus) << h.driverLog();
    double seconds = badSeconds(h.readFile("report.json"));
    EXPECT_TRUE(seconds >= 0 && seconds < row.maxSeconds) << seconds;
    for (const std::string& text : row.driverLog) EXPECT_TRUE(contains(h.driverLog(), text)) << h.driverLog();
    const std::string badLog = h.readFile("bad.log");
    for (const std::string& text : row.badLog) EXPECT_TRUE(contains(badLog, text)) << text;
    EXPECT_EQ(countResendEntries(h.path("bad.rsd")), row.resendEntries);
    EXPECT_EQ(countOf(h.readFile("bad.dump"), "record type=1 "), static_cast<size_t>(row.badHolds));
    EXPECT_EQ(countOf(h.readFile("good.dump"), "record type=1 "), static_cast<size_t>(row.goodHolds));
    // Good got each record once (one batch per 100) or gave each once.
    const bool sends = row.args[0] == "-u";
    const size_t batches = sends ? static_cast<size_t>((row.goodHolds + 99) / 100) : 0;
    EXPECT_EQ(countOf(h.readFile("good.log"), "Msg = 30 "), batches);
    EXPECT_EQ(countOf(h.readFile("out.csv"), "\n"), sends ? 0 : static_cast<size_t>(row.goodHolds + 1));
    EXPECT_FALSE(contains(h.driverLog(), "[Good]")) << h.driverLog();
  }
}

}  // namespace
}  // namespace tolvan
