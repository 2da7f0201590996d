// Every row of the exit status table, run with the real tolvandrv against
// tolvansim faults: the process's exit status, the final log message
// (which keeps its old code), the run report's verdict on the scale named
// "Bad", and the last lines on standard error that say why.

#include <nlohmann/json.hpp>

#include "e2e/e2e_support.h"

namespace tolvan {
namespace {

using namespace testing;
using namespace std::string_literals;

const std::string kTwoPlus = "Plu_No,UnitPrice\r\n7,1.25\r\n3,2.50\r\n";
const std::string kMsg = "scale=Msg,port=0,model=vt40\n";  // takes every type but prod and mkdpricecng
const std::string kGood = "scale=Good,port=0,model=vt30,receivetimeout=5\n" + kMsg;

std::string bad(const std::string& settings) {
  return "scale=Bad,port=0,receivetimeout=1,connecttimeout=2,resend=bad.rsd," + settings + "\n";
}

struct ExitRow {
  const char* what;
  std::string config;
  const char* args;     // the run's arguments, separated by blanks
  int exitStatus;
  int finalCode;        // code of message 8, 0 for message 7
  const char* verdict;  // the report's outcome for "Bad"; null: every scale ok
  int code;             // its message code
  const char* says;     // pattern of the run's last lines (standard error); "": no line of ours
  int sent = -1, accepted = -1, resendRecords = -1;  // its records; -1 when not checked
  std::string importFile = kTwoPlus;  // written as plu.csv
  const char* before = "";            // an earlier run, when the row needs one
  std::string resendFile = "";        // written as bad.rsd, when the row needs one
};

const char* const kRefused =
    R"(tolvandrv: Bad: failed, code 18: Cannot connect to scale: 127\.0\.0\.1 \(Port = \d+\) \(connection refused\))";
// A warning, not a verdict: the run exits 0, so it need not be the last line.
const char* const kTakenWithOtherCounts = R"(tolvandrv: warning: Bad: 1 batch answered "taken" with counts that differ)";
const char* const kNoOperation = R"(tolvandrv: no operation given \(-u, -d, -a or -v\); see --help)";

const std::vector<ExitRow>& exitRows() {
  static const std::vector<ExitRow> rows = {
      {"clean import on both families", kGood, "-u plu.csv", 0, 0, nullptr, 0, ""},
      {"message scale reports an error", kGood + bad("model=meriopro,simfault=error:5"), "-u plu.csv", 50, 0,
       "rejected", 26, R"(Bad: rejected, code 26: Error occurred on scale \(Error Code = 5\) \(error flag\))", 2, 0, 0},
      {"message scale counts a mismatch", kGood + bad("model=vt40,simfault=counts:3:1:2"), "-u plu.csv", 50, 0,
       "rejected", 25, R"(Bad: rejected, code 25: .* \(Scale received 3 records with 2 errors\) \(count mismatch\))",
       2, 1},
      // Without the error flag the batch was taken, whatever the counts say.
      {"message scale says taken with zero counts", bad("model=vt40,simfault=okcounts"), "-u plu.csv", 0, 0, "ok", 0,
       kTakenWithOtherCounts, 2, 2, 0},
      {"message scale says taken with other counts", bad("model=meriopro,simfault=okcounts:7:1:3"), "-u plu.csv", 0,
       0, "ok", 0, kTakenWithOtherCounts, 2, 2, 0},
      {"block scale refuses a block", kGood + bad("model=vt30,simfault=nak:2"), "-u plu.csv", 50, 0, "rejected", 23,
       R"(tolvandrv: Bad: rejected, code 23: NAK receiving from scale \(NAK for 1 record\))", 2, 1, 0},
      {"block send stops at a record the scale cannot take (line 4 of the file)", bad("model=vt30"), "-u plu.csv",
       50, 0, "rejected", 19,
       R"(Bad: rejected, code 19: Error converting to scale data format for line 4 \(record cannot be converted\))",
       2, 2, -1, "Plu_No\r\n1\r\n\r\n1000000\r\n2\r\n"},
      {"silent scale beside healthy ones", kGood + bad("model=vt30,simfault=silent"), "-u plu.csv", 50, 28, "failed",
       28, R"(tolvandrv: Bad: failed, code 28: Receive timeout \(no answer within the time-out\))", 0, 0, 2},
      {"block scale drops the line mid-transfer", kGood + bad("model=vt30,simfault=drop:1"), "-u plu.csv", 50, 22,
       "failed", 22, R"(Bad: failed, code 22: Error receiving from scale \(connection dropped by the scale\))",
       1, 1, 2},
      {"refused scale", kGood + bad("model=vt40,simfault=refuse"), "-u plu.csv", 50, 0, "failed", 18, kRefused, 0, 0,
       2},
      {"block scale that repeats its enquiry and sends nothing", bad("model=vt30,simfault=endlessenq:200"),
       "-v out.csv --stall-limit 2", 50, 28, "failed", 28,
       R"(Bad: failed, code 28: Receive timeout \(no progress within the stall limit\))"},
      {"import of a type the scale does not take", kMsg + bad("model=vt30"), "-u -fexmsg2 plu.csv", 50, 0,
       "unsupported", 17,
       R"(Bad: unsupported, code 17: Import data type \[exmsg2\] not supported by scale : Bad \(unsupported type\))",
       -1, -1, -1, "Message_No,Desc\r\n1,Hi\r\n"},
      {"deletion of a type the scale does not take", kMsg + bad("model=vt30"), "-d -fexmsg2 plu.csv", 50, 0,
       "unsupported", 17, R"(tolvandrv: Bad: unsupported, code 17: Import data type \[exmsg2\].*)", -1, -1, -1,
       "RecNo\r\n5\r\n"},
      {"delete all of a type the scale does not take", kMsg + bad("model=vt30"),
       "-a -fexmsg2", 50, 0, "unsupported", 17, R"(Bad: unsupported, code 17: Import data type \[exmsg2\].*)"},
      {"receive of a type the scale does not take", bad("model=vt40"), "-v -fpricecng out.csv", 50, 17,
       "unsupported", 17, R"(tolvandrv: Bad: unsupported, code 17: Import data type \[pricecng\].*)"},
      {"resend while the scale still refuses", bad("model=vt40,simfault=refuse"), "-r", 50, 0, "failed", 18, kRefused,
       0, 0, 2, kTwoPlus, "-u plu.csv"},
      {"damaged resend entry set aside", kGood + bad("model=vt30"), "-r", 50, 0, "ok", 0,
       R"(tolvandrv: Bad: 1 damaged resend entry set aside in bad\.rsd\.damaged)", -1, -1, 0, kTwoPlus, "",
       "no resend entry"},
      {"import cut by an over-long line", kGood, "-u plu.csv", 50, 0, nullptr, 0,
       R"(tolvandrv: import cut short: Text line is too long \(line 3\) \(code 11\); the lines from there on .*)",
       -1, -1, -1, "Plu_No\r\n1\r\n" + std::string(4000, '9') + "\r\n2\r\n"},
      {"no operation", kGood, "plu.csv", 0, 0, nullptr, 0, kNoOperation},
      {"verify of a type no scale gives back", bad("model=vt40"), "--verify -fpricecng plu.csv", 51, 0, "ok", 0,
       R"(tolvandrv: Bad: not verified: does not give pricecng records back)"},
      {"verify with a scale that cannot be read back", kGood + bad("model=vt40,simfault=refuse"),
       "--verify plu.csv", 50, 18, "failed", 18, kRefused, -1, -1, -1, kTwoPlus, "-u plu.csv"},
      {"bad data type", kGood, "-fPLU", 9, 9, nullptr, 0,
       R"(see --help\ntolvandrv: stopped: Invalid scale data type specified \(PLU\) \(code 9\))"},
      {"missing configuration", kGood, "-u plu.csv none.cfg", 12, 12, nullptr, 0,
       R"(tolvandrv: stopped: Cannot open setup file : none\.cfg \(code 12\))"},
      {"missing import file", kGood, "-u missing.csv", 15, 15, nullptr, 0,
       R"(tolvandrv: stopped: Cannot open text file : missing\.csv \(code 15\))"},
      {"export without a file name", kGood, "-v", 15, 15, nullptr, 0,
       R"(tolvandrv: stopped: Cannot open text file : \(no export file given\) \(code 15\))"},
  };
  return rows;
}

std::vector<std::string> words(const std::string& text) { return testing::found(text, "([^ ]+)"); }

void checkReport(const ExitRow& row, const nlohmann::json& report) {
  EXPECT_EQ(report["run"]["exitStatus"], row.exitStatus);
  EXPECT_EQ(report["run"]["verdict"].empty(), row.exitStatus == 0);
  EXPECT_EQ(report["run"]["result"], row.finalCode);
  const std::string mode = words(row.args)[0];
  EXPECT_EQ(report["run"]["operation"],
            mode == "-a"   ? "delete all"
            : mode == "-u" ? "import"
            : mode == "-d" ? "delete"
            : mode == "-v" ? "receive"
            : mode == "--verify" ? "verify"
                           : "none");
  const nlohmann::json* bad = nullptr;
  for (const auto& scale : report["scales"]) {
    // When each scale ended within the run; unset for one never started.
    const nlohmann::json& ended = scale["endedAfter"];
    const bool stopped = row.exitStatus > 0 && row.exitStatus < 50;
    if (scale["sent"] > 0 || stopped) {
      EXPECT_EQ(ended.is_number(), !stopped) << scale.dump();
    }
    if (ended.is_number()) {
      EXPECT_GE(ended.get<double>(), scale["seconds"].get<double>()) << scale.dump();
      EXPECT_LE(ended.get<double>(), report["run"]["seconds"].get<double>()) << scale.dump();
    }
    if (scale["name"] == "Bad") {
      bad = &scale;
    } else {
      EXPECT_EQ(scale["outcome"], "ok") << scale.dump();
    }
  }
  ASSERT_EQ(bad != nullptr, row.verdict != nullptr);
  if (bad == nullptr) return;
  EXPECT_EQ((*bad)["outcome"], row.verdict) << bad->dump();
  EXPECT_EQ((*bad)["code"], row.code) << bad->dump();
  const std::pair<const char*, int> counts[] = {
      {"sent", row.sent}, {"accepted", row.accepted}, {"resendRecords", row.resendRecords}};
  for (const auto& [key, expected] : counts) {
    if (expected >= 0) {
      EXPECT_EQ((*bad)[key], expected) << key << " " << bad->dump();
    }
  }
}

TEST(ExitStatus, EveryRowOfTheTableEndToEnd) {
  for (const ExitRow& row : exitRows()) {
    SCOPED_TRACE(row.what);
    SimHarness h;
    ASSERT_TRUE(h.startSim(row.config)) << h.simOutput();
    h.writeFile("plu.csv", row.importFile);
    if (!row.resendFile.empty()) h.writeFile("bad.rsd", row.resendFile);
    if (*row.before) h.runDriver(words(row.before), 60);
    std::vector<std::string> args = words(row.args);
    args.insert(args.end(), {"--report", "report.json"});
    DriverRun run = h.runDriver(args, 60);
    h.stopSim();
    EXPECT_EQ(run.exitStatus, row.exitStatus) << h.driverLog();
    if (*row.says) {
      EXPECT_TRUE(std::regex_search(run.output, std::regex(row.says + (row.exitStatus == 0 ? ""s : "\n$"s))))
          << run.output;
    } else {
      EXPECT_FALSE(contains(run.output, "tolvandrv: ")) << run.output;
    }
    EXPECT_TRUE(contains(h.driverLog(), row.finalCode == 0 ? ":Tolvan scale driver completed OK\r\n"s
                                                           : ":Tolvan scale driver error : Error code " +
                                                                 std::to_string(row.finalCode) + "\r\n"))
        << h.driverLog();
    nlohmann::json report = nlohmann::json::parse(h.readFile("report.json"), nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << h.readFile("report.json");
    checkReport(row, report);
  }
}

// --help, --version and an unknown long option answer before any file is
// touched: no log, not even with -e, and no report.
TEST(ExitStatus, LongOptionsAnswerBeforeAnyFileIsTouched) {
  const struct { std::vector<std::string> args; int exitStatus; const char* says; } cases[] = {
      {{"--help", "-u", "plu.csv"}, 0, "--report FILE"},
      {{"-e", "--version"}, 0, "Tolvan Scale Driver Version 1.2\n"},
      {{"-e", "-u", "plu.csv", "--bogus", "--report", "report.json"}, 64, "unknown option, or missing or bad value: --bogus"},
      {{"-u", "plu.csv", "--report"}, 64, "Usage: tolvandrv"},
      {{"-e", "--changed-only", "-d", "plu.csv"}, 64, "tolvandrv: --changed-only goes with -u\n"},
      {{"-e", "--verify", "-r", "plu.csv"}, 64,
       "tolvandrv: --verify changes nothing: it goes with no -d, -a, -v or -r\n"},
  };
  const std::regex reasonLast("\ntolvandrv: (unknown option|--changed-only|--verify)[^\n]*\n$");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    SimHarness h;
    h.writeFile(SimHarness::kDriverLog, "earlier run\r\n");
    h.writeFile("plu.csv", kTwoPlus);
    DriverRun run = h.runDriver(c.args, 20);
    EXPECT_EQ(run.exitStatus, c.exitStatus);
    EXPECT_TRUE(contains(run.output, c.says)) << run.output;
    EXPECT_EQ(c.exitStatus == 64, std::regex_search(run.output, reasonLast)) << run.output;
    EXPECT_EQ(h.driverLog(), "earlier run\r\n");
    EXPECT_FALSE(h.fileExists("report.json"));
  }
}

// A driver log that cannot be written costs the run only its lines there:
// one warning however many lines missed it, and the run's own exit status.
TEST(ExitStatus, DriverLogThatCannotBeWrittenIsToldOnce) {
  SimHarness h;
  ASSERT_TRUE(h.startSim(kGood)) << h.simOutput();
  h.writeFile("plu.csv", kTwoPlus);
  DriverRun run = h.runDriver({"-u", "plu.csv", SimHarness::kDriverConfig, "gone/log.txt"}, 60);
  h.stopSim();
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(countOf(run.output, "tolvandrv: warning: cannot write the driver log gone/log.txt (No such file or "
                                "directory); this run's lines are missing from it\n"),
            1u)
      << run.output;
  EXPECT_TRUE(contains(run.output, "\nTolvan scale driver completed OK\n")) << run.output;
}

}  // namespace
}  // namespace tolvan
